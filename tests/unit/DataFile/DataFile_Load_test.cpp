// The container walk, the chunk passes and the general and options chunks, on files built with the
// data-file writer and then damaged where a test needs it.
#include <gtest/gtest.h>

#include <cstring>

#include "DataFile/DataFile_General.h"
#include "DataFile/DataFile_Load.h"
#include "DataFileWriter.h"
#include "Option/Option_Main.h"
#include "Writer_Settings.h"

namespace {

std::vector<uint8_t> SmallGame(const GeneralDesc& general = GeneralDesc{}, const OptionsDesc& options = OptionsDesc{}) {
  DataFileWriter w;
  WriteGeneral(w, general);
  WriteOptions(w, options);
  return w.finish();
}

void Put32(std::vector<uint8_t>& bytes, size_t at, uint32_t v) { std::memcpy(bytes.data() + at, &v, 4); }

// Runs both passes; returns the main pass's result and the console output.
bool Load(const std::vector<uint8_t>& bytes, std::string* console = nullptr) {
  DataView view(bytes.data(), bytes.size());
  testing::internal::CaptureStdout();
  bool ok = false;
  try {
    DataFile_PrePass(view);
    ok = LoadGameData(view);
  } catch (...) {
    std::string out = testing::internal::GetCapturedStdout();
    if (console) *console = out;
    throw;
  }
  std::string out = testing::internal::GetCapturedStdout();
  if (console) *console = out;
  return ok;
}

std::string FormatErrorOf(const std::vector<uint8_t>& bytes) {
  try {
    Load(bytes);
  } catch (const FileFormatError& e) {
    return e.what();
  }
  return "";
}

}  // namespace

TEST(DataFileContainer, ZeroLengthAndUnknownChunksAreListedAndTheWalkGoesOn) {
  DataFileWriter w;
  WriteGeneral(w, GeneralDesc{});
  w.chunk("HELP");          // zero length: listed and skipped
  w.chunk("ZZZZ").u32(7);   // unknown: reported, loading fails, the walk continues
  WriteOptions(w, OptionsDesc{});
  std::string console;
  EXPECT_FALSE(Load(w.finish(), &console));
  EXPECT_NE(console.find("Process Chunk: HELP   0\n"), std::string::npos);
  const uint32_t tag = MakeTag("ZZZZ");
  EXPECT_NE(console.find("unknown Chunk ZZZZ:" + std::to_string(static_cast<int>(tag)) + "\n"), std::string::npos);
  EXPECT_NE(console.find("Process Chunk: OPTN   144\n"), std::string::npos);  // after the unknown one
}

TEST(DataFileContainer, KnownChunksWithoutTheirLoaderYetAreNotUnknown) {
  DataFileWriter w;
  WriteGeneral(w, GeneralDesc{});
  w.chunk("SPRT").u32(0);
  w.chunk("OBJT").u32(1).u32(0);  // one empty index
  std::string console;
  EXPECT_TRUE(Load(w.finish(), &console));
  EXPECT_EQ(console.find("unknown"), std::string::npos);
}

TEST(DataFileContainer, MalformedFilesAreRefusedWithAReason) {
  const std::vector<uint8_t> good = SmallGame();
  ASSERT_EQ(FormatErrorOf(good), "");

  auto formLength = good;
  Put32(formLength, 4, static_cast<uint32_t>(good.size()));  // one byte too many
  EXPECT_NE(FormatErrorOf(formLength).find("FORM length"), std::string::npos);

  auto notForm = good;
  notForm[0] = 'X';
  EXPECT_NE(FormatErrorOf(notForm).find("FORM"), std::string::npos);

  std::vector<uint8_t> tiny(good.begin(), good.begin() + 5);
  EXPECT_NE(FormatErrorOf(tiny), "");

  // A chunk whose length runs past the end (FORM length kept consistent).
  auto longChunk = good;
  Put32(longChunk, 12, 0x7FFFFFF0u);
  EXPECT_NE(FormatErrorOf(longChunk).find("runs past the end"), std::string::npos);

  // A truncated chunk header: three stray bytes after the last chunk.
  auto stray = good;
  stray.insert(stray.end(), {'A', 'B', 'C'});
  Put32(stray, 4, static_cast<uint32_t>(stray.size() - 8));
  EXPECT_NE(FormatErrorOf(stray).find("truncated chunk header"), std::string::npos);

  // The game name offset (GEN8 body offset 4) pointing outside the file.
  auto nameOut = good;
  Put32(nameOut, 16 + 4, static_cast<uint32_t>(good.size() + 100));
  EXPECT_NE(FormatErrorOf(nameOut).find("game name"), std::string::npos);

  // A string without its terminator: point the name at the file's last byte, made non-zero.
  auto unterminated = good;
  unterminated.back() = 'x';
  Put32(unterminated, 16 + 4, static_cast<uint32_t>(good.size() - 1));
  EXPECT_NE(FormatErrorOf(unterminated).find("terminator"), std::string::npos);
}

TEST(DataFileContainer, CountsThatCannotFitAreRefused) {
  DataFileWriter w;
  WriteGeneral(w, GeneralDesc{});
  w.chunk("ROOM").u32(0x40000000u);  // a list of a billion entries in a 4-byte body
  EXPECT_NE(FormatErrorOf(w.finish()).find("does not fit"), std::string::npos);

  DataFileWriter w2;
  WriteGeneral(w2, GeneralDesc{});
  w2.chunk("SPRT").u32(1).u32(0x7FFFFFFFu);  // an entry pointing outside the file
  EXPECT_NE(FormatErrorOf(w2.finish()).find("outside the file"), std::string::npos);

  OptionsDesc options;
  options.constants = {{"a", "1"}};
  auto bytes = SmallGame(GeneralDesc{}, options);
  // The OPTN body follows GEN8 (8 + 8 + 104 + 4 room-order bytes = 120 with none); count at 140.
  const size_t optnBody = 8 + 8 + 104 + 8;
  ASSERT_EQ(std::memcmp(bytes.data() + optnBody - 8, "OPTN", 4), 0);
  Put32(bytes, optnBody + 140, 0x10000000u);
  EXPECT_NE(FormatErrorOf(bytes).find("constants do not fit"), std::string::npos);

  GeneralDesc general;
  general.roomOrder = {0, 1};
  auto order = SmallGame(general);
  Put32(order, 16 + 100, 1000);  // room-order count beyond the chunk
  EXPECT_NE(FormatErrorOf(order).find("room order"), std::string::npos);
}

TEST(GeneralChunk, FieldsOfAVersion8Body) {
  GeneralDesc g;
  g.flags = 0;  // bit 0 clear: debug mode
  g.name = "Maze";
  g.configName = "Release";
  g.displayName = "Maze Runner";
  g.lastInstanceId = 100123;
  g.lastTileId = 10000456;
  g.gameId = 77;
  g.windowWidth = 800;
  g.windowHeight = 600;
  g.windowFlags = 0x200 | 0x800;  // the later bit wins: mode 3
  g.roomOrder = {2, 0, 1};
  const auto bytes = SmallGame(g);  // the names point into the block: keep it alive
  EXPECT_TRUE(Load(bytes));
  EXPECT_STREQ(g_General.gameName, "Maze");
  EXPECT_STREQ(g_General.configName, "Release");
  EXPECT_EQ(g_General.displayName, "Maze Runner");
  EXPECT_EQ(g_General.lastInstanceId, 100123);
  EXPECT_EQ(g_General.lastTileId, 10000456);
  EXPECT_EQ(g_General.gameId, 77);
  EXPECT_EQ(g_General.windowWidth, 800);
  EXPECT_EQ(g_General.windowHeight, 600);
  EXPECT_EQ(g_General.loadingScreenMode, 3);
  EXPECT_EQ(g_General.formatVersion, 800);
  EXPECT_TRUE(g_General.DebugMode());
  EXPECT_EQ(g_General.roomOrder, (std::vector<int32_t>{2, 0, 1}));

  g.windowFlags = 0x200 | 0x400;
  EXPECT_TRUE(Load(SmallGame(g)));
  EXPECT_EQ(g_General.loadingScreenMode, 2);
  g.windowFlags = 0;
  EXPECT_TRUE(Load(SmallGame(g)));
  EXPECT_EQ(g_General.loadingScreenMode, 3);  // no bit: the default
}

TEST(GeneralChunk, OlderBodyKeepsTheRoomOrderAt36AndTheWindowDefaults) {
  GeneralDesc g;
  g.version = 7;
  g.windowWidth = 1024;  // not stored in an older body
  g.roomOrder = {4, 5};
  EXPECT_TRUE(Load(SmallGame(g)));
  EXPECT_EQ(g_General.formatVersion, 700);
  EXPECT_EQ(g_General.roomOrder, (std::vector<int32_t>{4, 5}));
  EXPECT_EQ(g_General.windowWidth, 640);
  EXPECT_EQ(g_General.windowHeight, 480);
  EXPECT_EQ(g_General.displayName, "");
}

TEST(OptionsChunk, DefaultsFieldsAndTheVersionRule) {
  OptionsDesc o;
  o.set(32, 0xAB123456u);  // window colour: the low 24 bits count
  o.set(132, 1);           // strict variables
  o.set(136, 1);           // create event first, read only from version byte 5 on
  o.set(120, 0);           // display errors off
  o.constants = {{"VersionMajor", "3"}, {"VersionMinor", "14"}, {"speed", "2*4"}};
  GeneralDesc g;
  g.version = 4;
  EXPECT_TRUE(Load(SmallGame(g, o)));
  EXPECT_EQ(g_Options.windowColour, 0x123456u);
  EXPECT_EQ(g_Options.WindowColourOpaque(), 0xFF123456u);
  EXPECT_TRUE(g_Options.strictVariables);
  EXPECT_FALSE(g_Options.createEventFirst);
  EXPECT_FALSE(g_Options.displayErrors);
  EXPECT_TRUE(g_Options.showCursor);
  EXPECT_EQ(g_Options.versionMajor, 3);
  EXPECT_EQ(g_Options.versionMinor, 14);
  ASSERT_EQ(g_Options.constantNames.size(), 3u);
  EXPECT_EQ(g_Options.constantNames[2], "speed");
  EXPECT_EQ(g_Options.constantValues[2], "2*4");

  g.version = 5;
  EXPECT_TRUE(Load(SmallGame(g, o)));
  EXPECT_TRUE(g_Options.createEventFirst);

  // Without an options chunk the defaults hold (the main pass resets them).
  DataFileWriter w;
  WriteGeneral(w, GeneralDesc{});
  EXPECT_TRUE(Load(w.finish()));
  EXPECT_TRUE(g_Options.displayErrors);
  EXPECT_FALSE(g_Options.abortOnAllErrors);
  EXPECT_EQ(g_Options.windowColour, 0xFFFFFFu);
  EXPECT_EQ(g_Options.stored112, 255u);
}

TEST(OptionsChunk, ATooShortBodyIsRefused) {
  DataFileWriter w;
  WriteGeneral(w, GeneralDesc{});
  w.chunk("OPTN").zeros(100);
  EXPECT_NE(FormatErrorOf(w.finish()).find("too short"), std::string::npos);
}

// The loading-screen record: pictures in place in the file; sizes and lengths that do not fit refused.
TEST(OptionsChunk, TheLoadingRecordGivesItsPicturesAndRefusesOnesThatDoNotFit) {
  auto record = [](int32_t w, int32_t h, uint32_t length, const char* bytes) {
    std::string r(12, '\0');
    std::memcpy(r.data(), &w, 4);
    std::memcpy(r.data() + 4, &h, 4);
    std::memcpy(r.data() + 8, &length, 4);
    r += bytes;
    r += std::string(24, '\0');  // no bar pictures
    return std::vector<uint8_t>(r.begin(), r.end());
  };
  OptionsDesc o;
  o.loadingRecord = record(2, 3, 5, "abcde");
  const std::vector<uint8_t> file = SmallGame(GeneralDesc{}, o);  // the pictures stay in the file's bytes
  ASSERT_TRUE(Load(file));
  ASSERT_NE(g_Options.loadingPicture.data, nullptr);
  EXPECT_EQ(g_Options.loadingPicture.width, 2);
  EXPECT_EQ(g_Options.loadingPicture.height, 3);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(g_Options.loadingPicture.data), 5), "abcde");
  EXPECT_EQ(g_Options.barBack.data, nullptr);
  EXPECT_EQ(g_Options.barFront.data, nullptr);

  o.loadingRecord = record(0, 3, 5, "abcde");
  EXPECT_NE(FormatErrorOf(SmallGame(GeneralDesc{}, o)).find("loading picture of 0 x 3"), std::string::npos);
  o.loadingRecord = record(2, 3, 5000, "abcde");  // runs past the end of the file
  EXPECT_NE(FormatErrorOf(SmallGame(GeneralDesc{}, o)).find("OPTN loading picture"), std::string::npos);
}
