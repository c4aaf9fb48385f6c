// The high-score table: ordering, ties, the file in the save folder, what a damaged file gives and
// how the drawn table lays out its rows.
#include <functional>
#include <memory>
#include <vector>

#include "../Graphics/RecordingDevice.h"
#include "Font/Font_Class.h"
#include "Font/Font_Text.h"
#include "Graphics/Graphics_DrawState.h"

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

// The text quads of a drawn table (the fill and border go out before the first glyph).
std::vector<VertexTextured> DrawnGlyphs() {
  Batch_Reset();
  Call("draw_highscore", {RValue(109.0), RValue(217.0), RValue(10.0), RValue(10.0)});
  const auto* v = static_cast<const VertexTextured*>(Batch_PendingVertices());
  std::vector<VertexTextured> out(v, v + Batch_PendingCount());
  Batch_Reset();
  return out;
}

LIBRARY_CASE(HighscoreTest, TheDrawnTableRowsScoresAndFonts, "draw_highscore", "highscore_set_colors", "highscore_set_border",
             "highscore_set_background", "highscore_set_font") {
  Device_Install(std::make_unique<RecordingDevice>());
  Batch_Reset();
  RenderState_ResetCache();
  g_DrawState = DrawState{};
  Font_FreeAll();
  Text_SetAlign(2, 1);
  Call("highscore_add", {RValue("ABCDEFGHIJK"), RValue(20.0)});
  Call("highscore_add", {RValue("Bo"), RValue(5.0)});  // the newest: place 2
  Call("highscore_set_colors", {RValue(0.0), RValue(double(0x0000FF)), RValue(double(0x00FF00))});
  Call("highscore_set_border", {RValue(0.0)});
  Call("highscore_set_background", {RValue(-1.0)});
  // The rectangle 10..109 x 10..217 has rows from x 14 to 106 (a 4-pixel margin), bands of 20 from
  // y 14. Default font: 8 a character. Place 1: "20" ends at 106 and so starts at 90; the name keeps
  // what fits in 92 - 8 (gap) - 16 = 68 pixels: 8 characters. Places 3..10: "<nobody>" and "0".
  std::vector<VertexTextured> v = DrawnGlyphs();
  ASSERT_EQ(v.size(), 6u * (8 + 2 + 2 + 1 + 8 * 9));
  EXPECT_FLOAT_EQ(v[0].x, 14);
  EXPECT_FLOAT_EQ(v[0].y, 14);
  EXPECT_EQ(v[0].colour, 0xFF00FF00u);  // the others' colour
  EXPECT_FLOAT_EQ(v[6 * 8].x, 90);      // '2'
  EXPECT_FLOAT_EQ(v[6 * 9].x, 98);      // '0'
  EXPECT_FLOAT_EQ(v[6 * 9 + 2].x, 106);
  EXPECT_FLOAT_EQ(v[6 * 10].y, 34);     // place 2: "Bo", in the newest colour
  EXPECT_EQ(v[6 * 10].colour, 0xFFFF0000u);
  EXPECT_FLOAT_EQ(v[6 * 12].x, 98);     // '5'
  EXPECT_FLOAT_EQ(v[6 * (13 + 9 * 7)].y, 194);  // place 10: 14 + 9 x 20
  // The game's alignment is left as it was.
  EXPECT_EQ(Text_HAlign(), 2);
  EXPECT_EQ(Text_VAlign(), 1);

  // DejaVu Sans Mono Bold at 12 points advances 10 a character: "20" starts at 86 and the name
  // keeps 92 - 8 - 20 = 64 pixels: 6 characters. An empty name goes back to the default font.
  Call("highscore_set_font", {RValue("DejaVu Sans Mono"), RValue(12.0), RValue(1.0)});
  v = DrawnGlyphs();
  ASSERT_GE(v.size(), 6u * 8);
  EXPECT_FLOAT_EQ(v[6 * 6].x, 86);
  Call("highscore_set_font", {RValue(""), RValue(0.0), RValue(0.0)});
  EXPECT_FLOAT_EQ(DrawnGlyphs()[6 * 8].x, 90);

  Text_SetAlign(0, 0);
  Font_FreeAll();
  Function_Highscore_Forget();
  GR_Texture_FreeAll();
  Device_Install(nullptr);
}

}  // namespace
