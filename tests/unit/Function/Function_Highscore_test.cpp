// The high-score table: ordering, ties, the file in the save folder and what a damaged file gives.
#include <functional>

#include "Function/Function_Exercise.h"
#include "Function/Function_Register.h"
#include "Function_FileTestFolder.h"
#include "Platform/Platform_Console.h"
#include "Run/Run_State.h"

namespace {

RValue Call(const char* name, std::vector<RValue> args = {}) { return CallBuiltin(name, std::move(args)); }

std::string Quiet(const std::function<void()>& f) {
  Console::Flush();
  testing::internal::CaptureStdout();
  f();
  Console::Flush();
  return testing::internal::GetCapturedStdout();
}

struct HighscoreTest : FileFolderTest {
  void SetUp() {
    FileFolderTest::SetUp();
    Function_Highscore_Forget();
  }
  void TearDown() {
    Function_Highscore_Forget();
    FileFolderTest::TearDown();
  }
  std::string Name(int place) { return Call("highscore_name", {RValue(place)}).Str(); }
  double Value(int place) { return Call("highscore_value", {RValue(place)}).real; }
};

LIBRARY_CASE(HighscoreTest, BestFirstTiesBelowAndOnlyTenPlaces, "highscore_add", "highscore_name", "highscore_value") {
  EXPECT_EQ(Name(1), "<nobody>");
  EXPECT_EQ(Value(1), 0.0);
  Call("highscore_add", {RValue("Ann"), RValue(50.0)});
  Call("highscore_add", {RValue("Bob"), RValue(70.0)});
  Call("highscore_add", {RValue("Cy"), RValue(50.0)});  // equal to Ann: goes below her
  EXPECT_EQ(Name(1), "Bob");
  EXPECT_EQ(Name(2), "Ann");
  EXPECT_EQ(Name(3), "Cy");
  EXPECT_EQ(Name(4), "<nobody>");
  for (int i = 0; i < 10; ++i) Call("highscore_add", {RValue("P"), RValue(100.0 + i)});
  EXPECT_EQ(Value(1), 109.0);
  EXPECT_EQ(Value(10), 100.0);
  Call("highscore_add", {RValue("Low"), RValue(100.0)});  // ties the last place: does not make it
  EXPECT_EQ(Value(10), 100.0);
  EXPECT_NE(Name(10), "Low");
  EXPECT_EQ(Name(0), "");
  EXPECT_EQ(Value(11), 0.0);
}

LIBRARY_CASE(HighscoreTest, TheTableIsKeptInTheSaveFolderAndReadBack, "highscore_add", "highscore_clear", "highscore_name") {
  Call("highscore_add", {RValue("Tab\tName"), RValue(5.0)});
  Call("highscore_add", {RValue("Neg"), RValue(-5.0)});  // below the empty places' 0: not kept
  Call("highscore_add", {RValue("Zed"), RValue(12.0)});
  const std::string file = Get(m_save + "highscore.txt");
  // A tab inside a name cannot split its line.
  EXPECT_EQ(file.substr(0, 29), "12\tZed\n5\tTab Name\n0\t<nobody>\n");
  EXPECT_EQ(file.find("Neg"), std::string::npos);
  Function_Highscore_Forget();
  EXPECT_EQ(Name(1), "Zed");
  EXPECT_EQ(Value(1), 12.0);
  // A damaged file gives an empty table and stays as it is until the next change.
  Put(m_save + "highscore.txt", "12\tZed\nnot a line\n");
  Function_Highscore_Forget();
  EXPECT_EQ(Name(1), "<nobody>");
  EXPECT_EQ(Get(m_save + "highscore.txt"), "12\tZed\nnot a line\n");
  Call("highscore_clear");
  EXPECT_EQ(Get(m_save + "highscore.txt").substr(0, 11), "0\t<nobody>\n");
}

LIBRARY_CASE(HighscoreTest, ShowAsksANewEntrantAndShowsTheTable, "highscore_set_strings", "highscore_add_current", "highscore_show", "highscore_show_ext") {
  Call("highscore_set_strings", {RValue("Best"), RValue("-"), RValue("")});
  g_RunState.score = 30;
  std::string out = Quiet([] { Call("highscore_add_current"); });
  EXPECT_NE(out.find("Congratulations!"), std::string::npos);
  EXPECT_EQ(Name(1), "-");  // nobody answered: the nobody name
  EXPECT_EQ(Value(1), 30.0);
  out = Quiet([] { Call("highscore_show_ext", {RValue(0.0), RValue(-1.0), RValue(1.0), RValue(0.0), RValue(0.0), RValue(""), RValue(12.0)}); });
  EXPECT_EQ(out.find("Congratulations!"), std::string::npos);  // 0 does not beat the nobody entries' 0
  out = Quiet([] { Call("highscore_show", {RValue(0.0)}); });
  EXPECT_EQ(out.find("Congratulations!"), std::string::npos);
  EXPECT_NE(out.find("1. -  30\n2. -  0\n"), std::string::npos);
  EXPECT_NE(out.find("press <Escape> to close"), std::string::npos);
  g_RunState.score = 0;
}

}  // namespace
