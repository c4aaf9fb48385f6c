#include "Code/Code_Function.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Code/Code_Error.h"
#include "Platform/Platform_Console.h"

namespace {

class RegistryTest : public ::testing::Test {
 protected:
  // Each test starts without attached modules and leaves the hooks as it found them.
  void SetUp() override {
    RegisterAllFunctions();
    saved_ = FunctionHooks();
    SetFunctionHooks(CFunctionHooks());
    ResetErrorReporter();
  }
  void TearDown() override {
    SetFunctionHooks(saved_);
    ResetErrorReporter();
  }
  CFunctionHooks saved_;
};

int IdOf(const char* name) {
  int id = -2;
  EXPECT_TRUE(FindFunction(name, &id)) << name;
  return id;
}

TEST_F(RegistryTest, FamiliesInOrderWithTheirCounts) {
  const int counts[] = {75, 131, 110, 29, 79, 81, 199, 96, 73, 90, 82, 39, 183, 67, 142};
  ASSERT_EQ(FunctionFamilyCount(), 15);
  int first = 0;
  for (int f = 0; f < 15; ++f) {
    FunctionFamilyInfo info = FunctionFamily(f);
    EXPECT_EQ(info.count, counts[f]) << info.name;
    EXPECT_EQ(info.first, first) << info.name;
    first += counts[f];
  }
  EXPECT_EQ(FunctionCount(), 1476);
  EXPECT_STREQ(FunctionFamily(0).name, "3-D drawing");
  EXPECT_STREQ(FunctionFamily(14).name,
               "platform services (devices, achievements, advertising, purchases, social)");
}

TEST_F(RegistryTest, PositionsAreFunctionIds) {
  // Family starts: 0, 75, 206, 316, 345, 424, 505, 704, 800, 873, 963, 1045, 1084, 1267, 1334.
  struct Expect {
    int id;
    const char* name;
  };
  const Expect expected[] = {
      {0, "d3d_start"},          {74, "d3d_model_floor"},
      {75, "action_path_old"},   {205, "action_effect"},
      {206, "ds_set_precision"}, {230, "ds_list_create"}, {315, "ds_grid_read"},
      {316, "mplay_init_ipx"},   {344, "mplay_ipaddress"},
      {345, "file_bin_open"},    {423, "json_decode"},
      {424, "move_random"},      {504, "sleep"},
      {505, "display_get_width"}, {703, "surface_copy_part"},
      {704, "splash_set_caption"}, {799, "mouse_wait"},
      {800, "is_real"},          {801, "is_string"}, {872, "dot_product_3d_normalised"},
      {873, "event_inherited"},  {901, "show_debug_message"}, {962, "date_is_today"},
      {963, "part_type_create"}, {1044, "effect_clear"},
      {1045, "physics_world_create"}, {1083, "physics_joint_delete"},
      {1084, "sprite_name"},     {1111, "sprite_add"}, {1119, "sprite_add"}, {1266, "room_tile_clear"},
      {1267, "sound_play"},      {1333, "audio_sound_length"},
      {1334, "Brindle_AddVirtualKey"}, {1475, "dezovovuzaIsLoaded"},
  };
  for (const Expect& e : expected) {
    ASSERT_NE(FunctionAt(e.id), nullptr) << e.id;
    EXPECT_STREQ(FunctionAt(e.id)->name, e.name) << e.id;
  }
  EXPECT_EQ(FunctionAt(1476), nullptr);
  EXPECT_EQ(FunctionAt(-1), nullptr);
  // A name registered twice is found at its first position.
  EXPECT_EQ(IdOf("sprite_add"), 1111);
  EXPECT_EQ(IdOf("show_debug_message"), 901);
  EXPECT_EQ(IdOf("d3d_start"), 0);
}

TEST_F(RegistryTest, ArgumentCounts) {
  const char* anyCount[] = {"min", "max", "mean", "median", "choose", "external_define",
                            "external_call", "execute_string", "execute_file", "script_execute"};
  int anyFound = 0;
  int largest = 0;
  std::vector<std::string> sixteen;
  for (int id = 0; id < FunctionCount(); ++id) {
    int n = ArgumentCount(id);
    EXPECT_GE(n, -1) << FunctionAt(id)->name;
    if (n == kArgumentCountAny) ++anyFound;
    if (n > largest) largest = n;
    if (n == 16) sixteen.push_back(FunctionAt(id)->name);
  }
  EXPECT_EQ(anyFound, 10);
  for (const char* name : anyCount) EXPECT_EQ(ArgumentCount(IdOf(name)), -1) << name;
  EXPECT_EQ(largest, 16);
  EXPECT_EQ(sixteen, (std::vector<std::string>{"draw_sprite_general", "room_set_view"}));

  struct Expect {
    const char* name;
    int count;
  };
  const Expect fixed[] = {
      {"d3d_start", 0},         {"d3d_set_fog", 4},         {"instance_create", 3},
      {"instance_destroy", 0},  {"collision_line", 7},      {"draw_sprite_ext", 9},
      {"draw_text_ext_transformed_color", 13},              {"ds_grid_create", 2},
      {"ds_map_add", 3},        {"ini_read_string", 3},     {"keyboard_check", 1},
      {"point_direction", 4},   {"show_debug_message", 1},  {"variable_global_array2_set", 4},
      {"external_define0", 3},  {"external_call8", 9},      {"sprite_add", 6},
      {"sound_pan", 2},         {"audio_play_sound_at", 7}, {"mp_grid_path", 7},
  };
  for (const Expect& e : fixed) EXPECT_EQ(ArgumentCount(IdOf(e.name)), e.count) << e.name;
  EXPECT_EQ(ArgumentCount(1119), 8);  // the older eight-argument sprite_add

  EXPECT_EQ(ArgumentCount(1476), kArgumentCountNone);
  EXPECT_EQ(ArgumentCount(-3), kArgumentCountNone);
  EXPECT_EQ(ArgumentCount(100000 + 12), kArgumentCountAny);
  EXPECT_EQ(ArgumentCount(500000 + 3), kArgumentCountNone);  // no extension knows it
}

TEST_F(RegistryTest, FindFunctionLooksAtScriptsThenExtensionsThenBuiltins) {
  CFunctionHooks hooks;
  hooks.findScript = [](const char* name) {
    return std::strcmp(name, "draw_sprite") == 0 || std::strcmp(name, "scr_move") == 0 ? 7 : -1;
  };
  hooks.findExtension = [](const char* name) {
    if (std::strcmp(name, "draw_sprite") == 0 || std::strcmp(name, "sound_play") == 0) return 2;
    return std::strcmp(name, "ext_first") == 0 ? 0 : -1;
  };
  hooks.extensionArgumentCount = [](int index) {
    return index == 2 ? 5 : index == 0 ? 1 : kArgumentCountNone;
  };
  SetFunctionHooks(hooks);

  EXPECT_EQ(IdOf("draw_sprite"), 100007);  // the script hides both
  EXPECT_EQ(IdOf("scr_move"), 100007);
  EXPECT_EQ(IdOf("sound_play"), 500002);   // the extension hides the built-in function
  EXPECT_EQ(IdOf("ext_first"), 500000);
  EXPECT_EQ(IdOf("sound_stop"), 1269);
  EXPECT_EQ(ArgumentCount(500002), 5);
  EXPECT_EQ(ArgumentCount(500000), 1);  // extension function 0 is reachable
  EXPECT_EQ(ArgumentCount(499999), kArgumentCountAny);   // still a script
  EXPECT_EQ(ArgumentCount(500001), kArgumentCountNone);

  int id = 123;
  EXPECT_FALSE(FindFunction("", &id));
  EXPECT_EQ(id, -1);
  id = 123;
  EXPECT_FALSE(FindFunction("no_such_function", &id));
  EXPECT_EQ(id, -1);
  EXPECT_FALSE(FindFunction("Sound_Play", &id));  // exact case
  EXPECT_FALSE(FindFunction(nullptr, &id));
}

TEST_F(RegistryTest, FunctionsNotBuiltReportThemselvesAndReturnZero) {
  // Every built-in function is bound now; two registered without a routine stand for one not built.
  RegisterFunction("registrytest_unbuilt", nullptr, 0);
  RegisterFunction("registrytest_unbuilt_too", nullptr, 0);
  int id = IdOf("registrytest_unbuilt");
  ASSERT_FALSE(FunctionAt(id)->implemented);
  EXPECT_EQ(FunctionAt(id)->callCount, -1);

  RValue result(5.0);
  Console::Flush();
  ::testing::internal::CaptureStdout();
  CallFunction(id, result, nullptr, nullptr, 0, nullptr);
  Console::Flush();
  std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_TRUE(result.IsReal());
  EXPECT_EQ(result.real, 0.0);
  EXPECT_FALSE(ErrorAborting());
  std::string last = LastErrorText();
  EXPECT_NE(last.find("\n\n\nregistrytest_unbuilt: not implemented"), std::string::npos) << last;
  EXPECT_NE(out.find("ERROR!!! :: "), std::string::npos);

  // The routine stored in the record knows its own position too (the machine calls it directly).
  int second = IdOf("registrytest_unbuilt_too");
  RValue r2;
  ::testing::internal::CaptureStdout();
  FunctionAt(second)->routine(r2, nullptr, nullptr, 0, nullptr);
  Console::Flush();
  ::testing::internal::GetCapturedStdout();
  EXPECT_NE(std::string(LastErrorText()).find("registrytest_unbuilt_too: not implemented"), std::string::npos);

  EXPECT_LT(ImplementedFunctionCount(), FunctionCount());

  // An id outside the registry is reported, not called.
  RValue r3(1.0);
  ::testing::internal::CaptureStdout();
  CallFunction(5000, r3, nullptr, nullptr, 0, nullptr);
  Console::Flush();
  ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(r3.real, 0.0);
  EXPECT_NE(std::string(LastErrorText()).find("Unknown built-in function id 5000"), std::string::npos);
  ReleaseFunctions();  // leave the registry as the game has it
  RegisterAllFunctions();
}

// ---- Script execution from outside bytecode ----------------------------------------------------

struct ScriptRun {
  int index = -1;
  CInstance* self = nullptr;
  CInstance* other = nullptr;
  int argumentCount = -1;
  std::vector<std::string> slots;  // what each slot held while the script ran
};
ScriptRun g_Run;

bool RecordingScript(int index, CInstance* self, CInstance* other, RValue& result) {
  if (index == 99) return false;  // no such script
  g_Run.index = index;
  g_Run.self = self;
  g_Run.other = other;
  g_Run.argumentCount = g_ArgumentView.count;
  g_Run.slots.clear();
  for (int i = 0; i < kArgumentSlotCount; ++i) {
    const RValue& v = g_Arguments[i];
    g_Run.slots.push_back(v.IsString() ? std::string("s:") + v.Str() : std::to_string(v.real));
  }
  result = RValue("done");
  return true;
}

TEST_F(RegistryTest, ExecuteScriptFillsAndRestoresTheArgumentSlots) {
  CFunctionHooks hooks;
  hooks.runScript = RecordingScript;
  SetFunctionHooks(hooks);

  // The caller's own arguments.
  g_Arguments[0] = RValue("outer");
  g_Arguments[5] = RValue(55.0);
  g_ArgumentSlotsUsed = 6;
  g_ArgumentView.count = 6;

  RValue args[2] = {RValue("hello"), RValue(2.0)};
  RValue result;
  auto* self = reinterpret_cast<CInstance*>(0x10);
  auto* other = reinterpret_cast<CInstance*>(0x20);
  ASSERT_TRUE(ExecuteScript(3, self, other, 2, args, result));
  EXPECT_EQ(g_Run.index, 3);
  EXPECT_EQ(g_Run.self, self);
  EXPECT_EQ(g_Run.other, other);
  EXPECT_EQ(g_Run.argumentCount, 2);
  EXPECT_EQ(g_Run.slots[0], "s:hello");
  EXPECT_EQ(g_Run.slots[1], std::to_string(2.0));
  for (int i = 2; i < kArgumentSlotCount; ++i) EXPECT_EQ(g_Run.slots[i], std::to_string(0.0)) << i;
  EXPECT_STREQ(result.Str(), "done");

  // Restored afterwards; the passed arguments are untouched.
  EXPECT_STREQ(g_Arguments[0].Str(), "outer");
  EXPECT_EQ(g_Arguments[5].real, 55.0);
  EXPECT_EQ(g_ArgumentView.count, 6);
  EXPECT_STREQ(args[0].Str(), "hello");

  // More than sixteen arguments: only the first sixteen reach the script.
  RValue many[20];
  for (int i = 0; i < 20; ++i) many[i] = RValue(static_cast<double>(i + 1));
  ASSERT_TRUE(ExecuteScript(4, nullptr, nullptr, 20, many, result));
  EXPECT_EQ(g_Run.argumentCount, 16);
  EXPECT_EQ(g_Run.slots[15], std::to_string(16.0));

  // A script that does not exist gives false and the zero value.
  result = RValue("stale");
  EXPECT_FALSE(ExecuteScript(99, nullptr, nullptr, 0, nullptr, result));
  EXPECT_TRUE(result.IsReal());
  EXPECT_EQ(result.real, 0.0);
  EXPECT_STREQ(g_Arguments[0].Str(), "outer");

  for (RValue& slot : g_Arguments) slot.Reset();
  g_ArgumentView.count = 0;
}

}  // namespace

namespace {

TEST_F(RegistryTest, CountsForTheInspector) {
  Console::Flush();
  ::testing::internal::CaptureStdout();
  PrintFunctionCounts();
  Console::Flush();
  std::string out = ::testing::internal::GetCapturedStdout();
  std::string first = out.substr(0, out.find('\n'));
  EXPECT_EQ(first, "Built-in functions: 1476 registered, " + std::to_string(ImplementedFunctionCount()) +
                       " implemented");
  EXPECT_NE(out.find("\n  multiplayer: 29 registered, 0 implemented\n"), std::string::npos) << out;
  // The dates of the miscellaneous family are built.
  FunctionFamilyInfo misc = FunctionFamily(9);
  EXPECT_EQ(misc.count, 90);
  EXPECT_GE(misc.implemented, 43 + 14);
}

TEST_F(RegistryTest, NamesAreCutTo63BytesAndTheRegistryCanBeRebuilt) {
  std::string longName(80, 'q');
  int count = RegisterFunction(longName.c_str(), nullptr, 2);
  EXPECT_EQ(count, 1477);
  EXPECT_EQ(std::string(FunctionAt(1476)->name), std::string(63, 'q'));
  int id = -1;
  EXPECT_TRUE(FindFunction(std::string(63, 'q').c_str(), &id));
  EXPECT_EQ(id, 1476);

  int implemented = ImplementedFunctionCount();
  ReleaseFunctions();
  EXPECT_EQ(FunctionCount(), 0);
  EXPECT_FALSE(FindFunction("d3d_start", &id));
  RegisterAllFunctions();
  EXPECT_EQ(FunctionCount(), 1476);
  EXPECT_EQ(ImplementedFunctionCount(), implemented);
  EXPECT_EQ(IdOf("dezovovuzaIsLoaded"), 1475);
}

}  // namespace
