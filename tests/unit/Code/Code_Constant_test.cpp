#include "Code/Code_Constant.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

namespace {

std::string g_Message;

// Each test starts without attached modules and leaves the hooks as it found them.
class ConstantsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedEvaluate_ = CurrentConstantEvaluateHook();
    savedMessage_ = CurrentConstantMessageHook();
    for (int k = 0; k < kKinds; ++k) savedFind_[k] = CurrentResourceFindHook(static_cast<ResourceKind>(k));
    g_Message.clear();
    SetConstantMessageHook([](const char* message) { g_Message = message; });
    SetConstantEvaluateHook(nullptr);
    for (int k = 0; k < static_cast<int>(ResourceKind::Count); ++k) {
      SetResourceFindHook(static_cast<ResourceKind>(k), nullptr);
    }
    ReleaseConstants();
  }
  void TearDown() override {
    ReleaseConstants();
    SetConstantEvaluateHook(savedEvaluate_);
    SetConstantMessageHook(savedMessage_);
    for (int k = 0; k < kKinds; ++k) SetResourceFindHook(static_cast<ResourceKind>(k), savedFind_[k]);
  }

  static constexpr int kKinds = static_cast<int>(ResourceKind::Count);
  ConstantEvaluateHook savedEvaluate_ = nullptr;
  ConstantMessageHook savedMessage_ = nullptr;
  ResourceFindHook savedFind_[kKinds] = {};
};

double Real(const char* name) {
  RValue v;
  EXPECT_TRUE(FindConstant(name, &v)) << name;
  EXPECT_TRUE(v.IsReal()) << name;
  return v.real;
}

TEST_F(ConstantsTest, BuiltinTablesInOrder) {
  ASSERT_TRUE(DefineConstants(nullptr, 0));
  ASSERT_EQ(ConstantCount(), 313 + 26);
  struct Expect {
    int index;
    const char* name;
    double value;
  };
  const Expect expected[] = {
      {0, "self", -1},      {1, "other", -2},     {2, "all", -3},          {3, "noone", -4},
      {4, "global", -5},    {5, "local", -7},     {6, "true", 1},          {7, "false", 0},
      {9, "pr_pointlist", 1}, {15, "c_aqua", 16776960}, {28, "c_red", 255}, {33, "c_orange", 4235519},
      {34, "bm_normal", 0}, {312, "phy_debug_render_collision_pairs", 64},
      {313, "os_win32", 0}, {320, "os_linux", 6}, {338, "leaderboard_type_time_mins_secs", 1},
  };
  for (const Expect& e : expected) {
    ASSERT_NE(ConstantName(e.index), nullptr) << e.index;
    EXPECT_STREQ(ConstantName(e.index), e.name) << e.index;
    EXPECT_EQ(ConstantValue(e.index)->real, e.value) << e.name;
  }
  EXPECT_EQ(ConstantName(339), nullptr);

  // Names that share a value.
  EXPECT_EQ(Real("c_silver"), 12632256);
  EXPECT_EQ(Real("c_ltgray"), 12632256);
  EXPECT_EQ(Real("vk_enter"), 13);
  EXPECT_EQ(Real("vk_return"), 13);
  EXPECT_EQ(Real("bm_add"), 1);
  EXPECT_EQ(Real("bm_zero"), 1);
  EXPECT_EQ(Real("ev_user15"), 25);
  EXPECT_EQ(Real("cr_size_all"), -22);
}

TEST_F(ConstantsTest, PiIsTheSinglePrecisionValue) {
  ASSERT_TRUE(DefineConstants(nullptr, 0));
  double pi = Real("pi");
  EXPECT_EQ(pi, static_cast<double>(3.1415927f));
  EXPECT_EQ(pi, 3.1415927410125732);
  // 2 * pi = 6.28318548..., 2 * pi in double precision = 6.28318530...: the eighth significant
  // digit differs, the first seven agree.
  double twoPi = 2.0 * 3.14159265358979323846;
  EXPECT_EQ(std::floor(2 * pi * 1e6), std::floor(twoPi * 1e6));
  EXPECT_NE(std::floor(2 * pi * 1e7), std::floor(twoPi * 1e7));
}

TEST_F(ConstantsTest, GameConstantsHideBuiltinsAndAreTrimmed) {
  const CGameConstant game[] = {{"c_red", "42"}, {"  MAX_HP\t", " 100 "}, {"greeting", "'hi there'"}};
  ASSERT_TRUE(DefineConstants(game, 3));
  EXPECT_EQ(ConstantCount(), 339 + 3);
  EXPECT_EQ(Real("c_red"), 42);
  EXPECT_EQ(Real("MAX_HP"), 100);
  RValue v;
  ASSERT_TRUE(FindConstantNoCase("C_RED", &v));
  EXPECT_EQ(v.real, 42);
  ASSERT_TRUE(FindConstant("greeting", &v));
  EXPECT_STREQ(v.Str(), "hi there");
  EXPECT_EQ(g_Message, "");

  // Preparing again starts from the built-in tables.
  ASSERT_TRUE(DefineConstants(nullptr, 0));
  EXPECT_EQ(Real("c_red"), 255);
}

TEST_F(ConstantsTest, InvalidNameOrValueFailsWithItsMessage) {
  const CGameConstant badName[] = {{"ok", "1"}, {" 9lives ", "1"}};
  EXPECT_FALSE(DefineConstants(badName, 2));
  EXPECT_EQ(g_Message, "Constant name 9lives  is not valid.");

  const CGameConstant dash[] = {{"max-hp", "1"}};
  EXPECT_FALSE(DefineConstants(dash, 1));
  EXPECT_EQ(g_Message, "Constant name max-hp  is not valid.");

  const CGameConstant badValue[] = {{"speed", "1 +"}};
  EXPECT_FALSE(DefineConstants(badValue, 1));
  EXPECT_EQ(g_Message, "Value for constant speed  is not valid.");

  const CGameConstant empty[] = {{"", "1"}};
  EXPECT_FALSE(DefineConstants(empty, 1));
  EXPECT_EQ(g_Message, "Constant name   is not valid.");
}

TEST_F(ConstantsTest, ValueTextsUntilTheCompilerIsAttached) {
  ASSERT_TRUE(DefineConstants(nullptr, 0));
  RValue v;
  ASSERT_TRUE(EvaluateConstantText("  -12.5 ", &v));
  EXPECT_EQ(v.real, -12.5);
  ASSERT_TRUE(EvaluateConstantText("$FF", &v));
  EXPECT_EQ(v.real, 255);
  ASSERT_TRUE(EvaluateConstantText(".5", &v));
  EXPECT_EQ(v.real, 0.5);
  ASSERT_TRUE(EvaluateConstantText("\"a 'b'\"", &v));
  EXPECT_STREQ(v.Str(), "a 'b'");
  ASSERT_TRUE(EvaluateConstantText("c_blue", &v));
  EXPECT_EQ(v.real, 16711680);
  ASSERT_TRUE(EvaluateConstantText("-vk_left", &v));
  EXPECT_EQ(v.real, -37);
  EXPECT_FALSE(EvaluateConstantText("1.2.3", &v));
  EXPECT_FALSE(EvaluateConstantText("", &v));
  EXPECT_FALSE(EvaluateConstantText("'open", &v));
  EXPECT_FALSE(EvaluateConstantText("'a' 'b'", &v));
  EXPECT_FALSE(EvaluateConstantText("no_such_name", &v));
  EXPECT_FALSE(EvaluateConstantText("1e5", &v));
}

TEST_F(ConstantsTest, AttachedEvaluatorGetsTheCodeName) {
  static std::string seen;
  seen.clear();
  SetConstantEvaluateHook([](const char* codeName, const char* text, RValue* out) {
    seen += std::string(codeName) + "=" + text + ";";
    *out = RValue(7.0);
    return true;
  });
  const CGameConstant game[] = {{"a", "1+1"}, {"b", "x*2"}};
  ASSERT_TRUE(DefineConstants(game, 2));
  EXPECT_EQ(seen, "Constant.0=1+1;Constant.1=x*2;");
  EXPECT_EQ(Real("b"), 7);
}

TEST_F(ConstantsTest, BackwardSearchIsExactCaseAndTheSecondLookupIgnoresCase) {
  AddConstant("Foo", 1.0);
  AddConstant("foo", 2.0);
  AddConstant("Foo", 3.0);
  EXPECT_EQ(ConstantCount(), 3);
  EXPECT_EQ(Real("Foo"), 3);
  EXPECT_EQ(Real("foo"), 2);
  RValue v;
  EXPECT_FALSE(FindConstant("FOO", &v));
  ASSERT_TRUE(FindConstantNoCase("FOO", &v));
  EXPECT_EQ(v.real, 3);
  EXPECT_FALSE(FindConstantNoCase("fo", &v));
}

TEST_F(ConstantsTest, BareNamesResolveResourcesBeforeConstants) {
  ASSERT_TRUE(DefineConstants(nullptr, 0));
  AddConstant("spr_hero", 99.0);
  SetResourceFindHook(ResourceKind::Object, [](const char* name) {
    return std::strcmp(name, "thing") == 0 ? 3 : -1;
  });
  SetResourceFindHook(ResourceKind::Sprite, [](const char* name) {
    if (std::strcmp(name, "thing") == 0) return 7;
    return std::strcmp(name, "spr_hero") == 0 ? 1 : -1;
  });
  SetResourceFindHook(ResourceKind::Room, [](const char* name) {
    return std::strcmp(name, "c_red") == 0 ? 4 : -1;
  });
  RValue v;
  ASSERT_TRUE(ResolveBareName("thing", &v));
  EXPECT_EQ(v.real, 3);  // objects come first
  ASSERT_TRUE(ResolveBareName("spr_hero", &v));
  EXPECT_EQ(v.real, 1);  // a sprite hides a constant
  ASSERT_TRUE(ResolveBareName("c_red", &v));
  EXPECT_EQ(v.real, 4);  // so does a room
  ASSERT_TRUE(ResolveBareName("c_blue", &v));
  EXPECT_EQ(v.real, 16711680);
  EXPECT_FALSE(ResolveBareName("C_BLUE", &v));
  EXPECT_FALSE(ResolveBareName("", &v));
}

}  // namespace
