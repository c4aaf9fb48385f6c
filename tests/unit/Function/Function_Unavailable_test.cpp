// Functions that cannot exist here say why, once, and return 0; splash text goes to the console,
// splash images are checked headless.
#include <functional>
#include <vector>

#include "Code/Code_Error.h"
#include "Graphics/Graphics_Image.h"

#include "Code/Code_Function.h"
#include "Function/Function_Exercise.h"
#include "Function/Function_Register.h"
#include "Function_FileTestFolder.h"
#include "Platform/Platform_Console.h"

namespace {

TEST(UnavailableFunctions, SayWhyOnceAndStayCountedAsNotImplemented) {
  RegisterAllFunctions();
  Function_Unavailable_Rearm();
  RValue r(7.0);
  std::string out = Printed([&] { r = CallBuiltin("mplay_init_tcpip", {RValue("127.0.0.1")}); });
  EXPECT_NE(out.find("mplay_init_tcpip: not available: multiplayer sessions"), std::string::npos);
  EXPECT_EQ(r.real, 0.0);
  EXPECT_EQ(Printed([] { CallBuiltin("mplay_init_tcpip", {RValue("127.0.0.1")}); }), "");
  out = Printed([] { CallBuiltin("show_video", {RValue("intro.avi"), RValue(0.0), RValue(0.0)}); });
  EXPECT_NE(out.find("no video decoder"), std::string::npos);
  out = Printed([] { CallBuiltin("action_show_video", {RValue("intro.avi"), RValue(0.0), RValue(0.0)}); });
  EXPECT_NE(out.find("action_show_video: not available: videos cannot be played"), std::string::npos);
  // A look that cannot be set says so on the console only: no error for the game or the player.
  SetErrorOccurred(false);
  SetLastErrorText("");
  out = Printed([] { CallBuiltin("message_background", {RValue(0.0)}); });
  EXPECT_EQ(out, "message_background: not available: messages are shown in the system's message boxes, "
                 "which cannot be restyled\n");
  EXPECT_FALSE(ErrorOccurred());
  EXPECT_STREQ(LastErrorText(), "");
  // A call whose answer the game goes by is an error it can see.
  Printed([] { CallBuiltin("iap_acquire", {RValue("gold"), RValue(1.0)}); });
  EXPECT_TRUE(ErrorOccurred());
  EXPECT_NE(std::string(LastErrorText()).find("iap_acquire: not available: in-app purchases"), std::string::npos);
  for (const char* name : {"mplay_ipaddress", "splash_set_main", "message_background", "show_video", "action_show_video",
                           "action_show_info"}) {
    const FunctionRecord* record = FunctionAt(FindBuiltinFunction(name));
    ASSERT_NE(record, nullptr) << name;
    EXPECT_FALSE(record->implemented) << name;
  }
}

// Of the platform services, what is not implemented is what a desktop cannot offer (stores,
// advertising, social services ...): each of those says so rather than "not implemented".
TEST(UnavailableFunctions, EveryPlatformServiceIsImplementedOrSaysWhyNot) {
  RegisterAllFunctions();
  Function_Unavailable_Rearm();
  int family = -1;
  for (int i = 0; i < FunctionFamilyCount(); ++i) {
    if (std::string(FunctionFamily(i).name).rfind("platform services", 0) == 0) family = i;
  }
  ASSERT_GE(family, 0);
  const FunctionFamilyInfo info = FunctionFamily(family);
  int unavailable = 0;
  for (int id = info.first; id < info.first + info.count; ++id) {
    const FunctionRecord* record = FunctionAt(id);
    if (record->implemented) continue;
    ++unavailable;
    RValue result;
    const std::string out = Printed([&] { CallFunction(id, result, nullptr, nullptr, 0, nullptr); });
    EXPECT_NE(out.find(std::string(record->name) + ": not available: "), std::string::npos) << out;
  }
  // Achievements 13, advertising 15, ratings 2, purchases 6, social 23, web session 1, tiles and
  // bar 8, online saves 5, pictures 4.
  EXPECT_EQ(unavailable, 77);
}

LIBRARY_CASE(FileFolderTest, SplashTextGoesToTheConsole, "splash_show_text", "show_text") {
  Put(m_save + "intro.txt", "Chapter one\nThe end");
  EXPECT_EQ(Printed([] { CallBuiltin("splash_show_text", {RValue("intro.txt"), RValue(0.0)}); }),
            "Chapter one\nThe end\n");
  EXPECT_EQ(Printed([] { CallBuiltin("show_text", {RValue("intro.txt"), RValue(0.0), RValue(0.0), RValue(0.0)}); }),
            "Chapter one\nThe end\n");
  const std::string out = Printed([] { CallBuiltin("show_text", {RValue("missing.txt"), RValue(0.0), RValue(0.0), RValue(0.0)}); });
  EXPECT_NE(out.find("Cannot show the text file missing.txt"), std::string::npos);
}

LIBRARY_CASE(FileFolderTest, SplashImagesAreCheckedAndNothingWaitsHeadless, "splash_show_image", "show_image",
             "splash_set_color", "splash_set_scale", "splash_set_interrupt", "splash_set_stop_key",
             "splash_set_stop_mouse") {
  std::vector<uint8_t> png;
  const uint8_t red[4 * 2 * 4] = {255, 0, 0, 255, 255, 0, 0, 255, 255, 0, 0, 255, 255, 0, 0, 255,
                                  255, 0, 0, 255, 255, 0, 0, 255, 255, 0, 0, 255, 255, 0, 0, 255};
  ASSERT_TRUE(Image_EncodePNG(red, 4, 2, png));
  Put(m_gameDir + "splash.png", std::string(png.begin(), png.end()));
  Put(m_save + "broken.png", "not a picture");
  for (const char* name : {"splash_set_color", "splash_set_scale", "splash_set_interrupt", "splash_set_stop_key",
                           "splash_set_stop_mouse"}) {
    CallBuiltin(name, {RValue(1.0)});
  }
  SetLastErrorText("");
  // From the game's folder; headless nothing waits, even for a delay of 0 (until a key).
  EXPECT_EQ(Printed([] { CallBuiltin("splash_show_image", {RValue("splash.png"), RValue(0.0)}); }), "");
  EXPECT_EQ(Printed([] { CallBuiltin("show_image", {RValue("splash.png"), RValue(1.0), RValue(5000.0)}); }), "");
  EXPECT_STREQ(LastErrorText(), "");
  std::string out = Printed([] { CallBuiltin("show_image", {RValue("missing.png"), RValue(0.0), RValue(10.0)}); });
  EXPECT_NE(out.find("Cannot show the image file missing.png"), std::string::npos);
  out = Printed([] { CallBuiltin("splash_show_image", {RValue("broken.png"), RValue(10.0)}); });
  EXPECT_NE(out.find("Cannot show the image file broken.png"), std::string::npos);
}

}  // namespace
