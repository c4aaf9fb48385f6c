// Fonts and text: splitting and wrapping, measuring, the draw_text family's glyph quads (alignment,
// scale, angle, colours), the default font's cells, sprite fonts and system typefaces.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "../Graphics/RecordingDevice.h"
#include "Code/Code_Error.h"
#include "Font/Font_Class.h"
#include "Font/Font_DefaultData.h"
#include "Font/Font_Make.h"
#include "Font/Font_Text.h"
#include "Function/Function_Exercise.h"
#include "Graphics/Graphics_DrawState.h"
#include "Graphics/Graphics_PageEntry.h"
#include "Platform/Platform_Console.h"
#include "Sprite/Sprite_Class.h"

namespace {

RValue Call(const char* name, std::vector<RValue> args = {}) { return CallBuiltin(name, std::move(args)); }
RValue R(double v) { return RValue(v); }
RValue S(const char* s) { return RValue(s); }

std::u16string U(const char* s) { return Text_Decode(s); }

// A font of glyphs for 'a'..'z', space and '|': each advances 10 (space 10 too), 12 high, at x = 10 x i
// on a 512 x 64 texture.
std::unique_ptr<CFontTessera> TestFont(int texture = -1) {
  auto f = std::make_unique<CFontTessera>();
  int i = 0;
  for (char16_t c : std::u16string(u" abcdefghijklmnopqrstuvwxyz|")) {
    FontGlyph g;
    g.code = c;
    g.x = int16_t(10 * i++), g.y = 2, g.width = 8, g.height = 12, g.shift = 10, g.offset = 1;
    f->glyphs.push_back(g);
  }
  f->SortGlyphs();
  f->texture = texture;
  return f;
}

// A clean device, batch, font table and drawing state; the test font installed as font 0 and current.
struct TextWorld {
  int texture;
  TextWorld() {
    Device_Install(std::make_unique<RecordingDevice>());
    Batch_Reset();
    RenderState_ResetCache();
    g_DrawState = DrawState{};
    SetLastErrorText("");
    Font_FreeAll();
    texture = GR_Texture_CreateEmpty(512, 64, false);
    Font_Add(TestFont(texture).release(), "fnt_test");
    Font_SetCurrent(0);
    Text_SetAlign(0, 0);
  }
  ~TextWorld() {
    if (CFontTessera* f = Font_Get(0)) f->texture = -1;  // freed with the table below
    Font_FreeAll();
    Text_SetAlign(0, 0);
    Batch_Reset();
    Sprite_FreeAll();
    GR_Texture_FreeAll();
    Device_Install(nullptr);
    g_DrawState = DrawState{};
  }
  // The pending glyph quads: 6 vertices each.
  std::vector<VertexTextured> Pending() const {
    const auto* v = static_cast<const VertexTextured*>(Batch_PendingVertices());
    return std::vector<VertexTextured>(v, v + Batch_PendingCount());
  }
};

std::vector<std::string> Lines(const std::u16string& text, double wrap) {
  auto font = TestFont();
  std::vector<std::string> out;
  for (const std::u16string& line : Text_Split(*font, text, wrap)) out.push_back(Text_Encode(line));
  return out;
}
using V = std::vector<std::string>;

TEST(TextSplit, BreaksAndWrapping) {
  EXPECT_EQ(Lines(U("ab\ncd"), -1), V({"ab", "cd"}));
  EXPECT_EQ(Lines(U("ab\rcd"), -1), V({"ab", "cd"}));
  EXPECT_EQ(Lines(U("ab\r\ncd"), -1), V({"ab", "", "cd"}));  // an empty line between CR and LF
  EXPECT_EQ(Lines(U(""), -1), V({}));
  EXPECT_EQ(Lines(U("  ab "), -1), V({"  ab "}));  // no wrapping: spaces kept
  // "ab cd" at a width holding "ab c" (40): two lines, one word each, no trailing space.
  EXPECT_EQ(Lines(U("ab cd"), 40), V({"ab", "cd"}));
  EXPECT_EQ(Lines(U("ab cd"), 35), V({"ab", "cd"}));
  EXPECT_EQ(Lines(U("ab cd"), 50), V({"ab cd"}));
  // A word wider than the width stays whole, alone on its line.
  EXPECT_EQ(Lines(U("abcdefgh"), 20), V({"abcdefgh"}));
  EXPECT_EQ(Lines(U("abcdefgh ij"), 20), V({"abcdefgh", "ij"}));
  EXPECT_EQ(Lines(U("ab abcdefgh"), 35), V({"ab", "abcdefgh"}));
  // Wrapped lines start after their spaces; breaks still break.
  EXPECT_EQ(Lines(U("ab   cd"), 25), V({"ab", "cd"}));
  EXPECT_EQ(Lines(U("ab\ncd ef"), 100), V({"ab", "cd ef"}));
  EXPECT_EQ(Lines(U("abcdefgh\nij"), 20), V({"abcdefgh", "ij"}));
  EXPECT_EQ(Lines(U("a b"), 0), V({"a", "b"}));  // width 0: a word a line, and no endless loop
}

TEST(TextSplit, Decoding) {
  EXPECT_EQ(U("a\xC3\xA9\xE2\x82\xAC"), std::u16string(u"a\u00E9\u20AC"));
  EXPECT_EQ(U("\xF0\x9F\x98\x80"), std::u16string(u"\uFFFD"));  // beyond 16 bits
  EXPECT_EQ(U("\xC3"), std::u16string(u"\u00C3"));                // a cut sequence stands for itself
  EXPECT_EQ(Text_Encode(u"a\u00E9\u20AC"), "a\xC3\xA9\xE2\x82\xAC");
}

void ExMeasure() {
  TextWorld w;
  EXPECT_EQ(Call("string_width", {S("")}).real, 1);
  EXPECT_EQ(Call("string_height", {S("")}).real, 1);
  EXPECT_EQ(Call("string_width", {S("ab\nabc")}).real, 30);
  EXPECT_EQ(Call("string_height", {S("ab\nabc")}).real, 24);  // tallest 12 + 12
  EXPECT_EQ(Call("string_width", {R(123)}).real, 30);         // a real measures as its text; '1' has no glyph
  // A character without a glyph measures as the first glyph (space: 10).
  EXPECT_EQ(Call("string_width", {S("a#")}).real, 20);
  EXPECT_EQ(Call("string_width_ext", {S("ab cd"), R(-1), R(40)}).real, 20);
  EXPECT_EQ(Call("string_height_ext", {S("ab cd"), R(30), R(40)}).real, 42);  // 12 + 30
  EXPECT_EQ(Call("string_height_ext", {S("ab cd"), R(-1), R(-1)}).real, 12);
  // The default font measures with its cells: 8 wide; a missing font falls back to it.
  Call("draw_set_font", {R(7)});
  EXPECT_EQ(Font_Current(), -1);
  EXPECT_EQ(Call("string_width", {S("abc")}).real, 3 * Font_Default()->glyphs[0].shift);
}

void ExDrawText() {
  TextWorld w;
  Call("draw_set_color", {R(0x0000FF)});
  Call("draw_text", {R(100), R(50), S("ab")});
  auto v = w.Pending();
  ASSERT_EQ(v.size(), 12u);
  // Glyph 'a': left = 100 + offset 1, 8 wide, 12 high; then 'b' 10 further.
  EXPECT_FLOAT_EQ(v[0].x, 101);
  EXPECT_FLOAT_EQ(v[0].y, 50);
  EXPECT_FLOAT_EQ(v[2].x, 109);
  EXPECT_FLOAT_EQ(v[2].y, 62);
  EXPECT_FLOAT_EQ(v[6].x, 111);
  EXPECT_EQ(v[0].colour, 0xFFFF0000u);
  // Texture rectangle of 'a' (glyph 1): x 10..18, y 2..14 on the 512 x 64 texture.
  EXPECT_FLOAT_EQ(v[0].u, 10.0f / 512);
  EXPECT_FLOAT_EQ(v[2].u, 18.0f / 512);
  EXPECT_FLOAT_EQ(v[0].v, 2.0f / 64);
  EXPECT_FLOAT_EQ(v[2].v, 14.0f / 64);
  EXPECT_EQ(Batch_PendingTexture(), w.texture);
  Batch_Reset();
  // Bottom alignment: a letter, a line feed and a letter move up by two line heights; centred lines
  // move left by half their width (truncated).
  Call("draw_set_halign", {R(1)});
  Call("draw_set_valign", {R(2)});
  Call("draw_text", {R(100), R(50), S("a\nabc")});
  v = w.Pending();
  ASSERT_EQ(v.size(), 24u);
  EXPECT_FLOAT_EQ(v[0].y, 50 - 24);
  EXPECT_FLOAT_EQ(v[0].x, 100 - 5 + 1);
  EXPECT_FLOAT_EQ(v[6].y, 50 - 12);
  EXPECT_FLOAT_EQ(v[6].x, 100 - 15 + 1);
  Batch_Reset();
  // Right and middle: middle moves up by sep x lines / 2 (integer division): 3 x 5 / 2 = 7.
  Call("draw_set_halign", {R(2)});
  Call("draw_set_valign", {R(1)});
  Call("draw_text_ext", {R(100), R(50), S("ab cd\nx"), R(5), R(40)});
  v = w.Pending();
  ASSERT_EQ(v.size(), 30u);  // "ab", "cd", "x"
  EXPECT_FLOAT_EQ(v[0].y, 50 - 7);
  EXPECT_FLOAT_EQ(v[0].x, 100 - 20 + 1);
  EXPECT_FLOAT_EQ(v[12].y, 50 - 7 + 5);
  EXPECT_FLOAT_EQ(v[24].y, 50 - 7 + 10);
  EXPECT_FLOAT_EQ(v[24].x, 100 - 10 + 1);
  Batch_Reset();
  // Other values mean left and top; a character without a glyph draws nothing and moves nothing.
  Call("draw_set_halign", {R(9)});
  Call("draw_set_valign", {R(-1)});
  EXPECT_EQ(Text_HAlign(), 0);
  EXPECT_EQ(Text_VAlign(), 0);
  Call("draw_text", {R(0), R(0), S("a#b")});
  v = w.Pending();
  ASSERT_EQ(v.size(), 12u);
  EXPECT_FLOAT_EQ(v[6].x, 11);
}

void ExDrawTextTransformed() {
  TextWorld w;
  // Scale 2 x 3, no angle: 'a' from 100 + 2 x 1 to + 16, 36 high; the pen moves 20.
  Call("draw_text_transformed", {R(100), R(50), S("ab"), R(2), R(3), R(0)});
  auto v = w.Pending();
  ASSERT_EQ(v.size(), 12u);
  EXPECT_NEAR(v[0].x, 102, 1e-4);
  EXPECT_NEAR(v[2].x, 118, 1e-4);
  EXPECT_NEAR(v[2].y, 86, 1e-4);
  EXPECT_NEAR(v[6].x, 122, 1e-4);
  Batch_Reset();
  // 90 degrees: x along the line goes up the screen, y down the glyph goes right.
  Call("draw_text_transformed", {R(100), R(50), S("a"), R(1), R(1), R(90)});
  v = w.Pending();
  ASSERT_EQ(v.size(), 6u);
  EXPECT_NEAR(v[0].x, 100, 1e-4);  // top-left: (1, 0) from the start
  EXPECT_NEAR(v[0].y, 49, 1e-4);
  EXPECT_NEAR(v[2].x, 112, 1e-4);  // bottom-right: (9, 12)
  EXPECT_NEAR(v[2].y, 41, 1e-4);
  Batch_Reset();
  // Two lines at 90 degrees: the line step is (sin x yscale x sep, cos x yscale x sep) = (12, 0).
  Call("draw_text_ext_transformed", {R(100), R(50), S("a\na"), R(-1), R(-1), R(1), R(1), R(90)});
  v = w.Pending();
  ASSERT_EQ(v.size(), 12u);
  EXPECT_NEAR(v[6].x - v[0].x, 12, 1e-4);
  EXPECT_NEAR(v[6].y - v[0].y, 0, 1e-4);
  Batch_Reset();
  // Centred and scaled by 2: D = trunc(-0.5 x 20 x 2) = -20 along the line.
  Call("draw_set_halign", {R(1)});
  Call("draw_text_transformed", {R(100), R(50), S("ab"), R(2), R(1), R(0)});
  v = w.Pending();
  EXPECT_NEAR(v[0].x, 100 - 20 + 2, 1e-4);
  Call("draw_set_halign", {R(0)});
}

void ExDrawTextColours() {
  TextWorld w;
  // "ab" is 20 wide: 'a' spans t = 0 .. 0.5, 'b' 0.5 .. 1; top from c1 to c2, bottom from c4 to c3.
  const double c1 = 0x000000, c2 = 0x0000FF, c3 = 0x00FF00, c4 = 0xFF0000;
  Call("draw_text_color", {R(0), R(0), S("ab"), R(c1), R(c2), R(c3), R(c4), R(0.5)});
  auto v = w.Pending();
  ASSERT_EQ(v.size(), 12u);
  // Alpha 0.5 rounds to 128 in the colour forms. Red 255 x 0.5 = 127.5 -> 128.
  EXPECT_EQ(v[0].colour, 0x80000000u);  // a top-left: c1
  EXPECT_EQ(v[1].colour, 0x80800000u);  // a top-right: half red
  EXPECT_EQ(v[2].colour, 0x80008080u);  // a bottom-right: half way from blue (c4) to lime (c3)
  EXPECT_EQ(v[4].colour, 0x800000FFu);  // a bottom-left: c4 (blue)
  EXPECT_EQ(v[7].colour, 0x80FF0000u);  // b top-right: c2
  EXPECT_EQ(v[8].colour, 0x8000FF00u);  // b bottom-right: c3
  Batch_Reset();
  Call("draw_text_ext_color", {R(0), R(0), S("a b"), R(-1), R(15), R(c1), R(c2), R(c3), R(c4), R(1)});
  v = w.Pending();
  ASSERT_EQ(v.size(), 12u);  // two lines, each one glyph spanning its whole line
  EXPECT_EQ(v[1].colour, 0xFFFF0000u);
  EXPECT_FLOAT_EQ(v[6].y, 12);
  Batch_Reset();
  Call("draw_text_transformed_color", {R(0), R(0), S("a"), R(1), R(1), R(0), R(c2), R(c2), R(c2), R(c2), R(1)});
  Call("draw_text_ext_transformed_color",
       {R(0), R(0), S("a"), R(-1), R(-1), R(2), R(2), R(0), R(c3), R(c3), R(c3), R(c3), R(1)});
  v = w.Pending();
  ASSERT_EQ(v.size(), 12u);
  EXPECT_EQ(v[0].colour, 0xFFFF0000u);
  EXPECT_EQ(v[6].colour, 0xFF00FF00u);
  EXPECT_NEAR(v[8].y, 24, 1e-4);
}

TEST(DefaultFont, CellsAndTable) {
  Font_FreeAll();
  const CFontTessera* f = Font_Default();
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->typeface, "debug");
  EXPECT_EQ(f->size, 10);
  EXPECT_EQ(f->regionWidth, 256);
  EXPECT_EQ(f->regionHeight, 128);
  ASSERT_EQ(f->glyphs.size(), 97u);  // 32 to 128
  // One cell a character, 16 to a row, 16 x 18 pixels each; fixed-width: every glyph as wide as the
  // first, its shift its width, its offset 0, all as high as the line.
  const FontGlyph& first = f->glyphs[0];
  EXPECT_GT(first.width, 4);
  EXPECT_LE(first.width, 16);
  EXPECT_LE(first.height, 18);
  EXPECT_EQ(f->tallest, first.height);
  for (const FontGlyph& g : f->glyphs) {
    const int cell = g.code - 32;
    EXPECT_EQ(g.x, (cell % 16) * 16) << g.code;
    EXPECT_EQ(g.y, (cell / 16) * 18) << g.code;
    EXPECT_EQ(g.width, first.width);
    EXPECT_EQ(g.height, first.height);
    EXPECT_EQ(g.shift, g.width);
    EXPECT_EQ(g.offset, 0);
  }
  // The image is a real face's rendering: the space is blank, 'H' and '|' have solid pixels, and
  // nothing lies outside the cells' glyph rectangles.
  auto coverageIn = [&](int code, int* solid) {
    const FontGlyph* g = f->Find(uint16_t(code));
    int sum = 0;
    *solid = 0;
    for (int y = g->y; y < g->y + g->height; ++y) {
      for (int x = g->x; x < g->x + g->width; ++x) {
        sum += f->coverage[size_t(y) * 256 + size_t(x)];
        *solid += f->coverage[size_t(y) * 256 + size_t(x)] >= 192;
      }
    }
    return sum;
  };
  int solid = 0;
  EXPECT_EQ(coverageIn(' ', &solid), 0);
  coverageIn('H', &solid);
  EXPECT_GT(solid, 10);
  coverageIn('|', &solid);
  EXPECT_GT(solid, 8);
  long inside = 0, total = 0;
  for (uint8_t c : f->coverage) total += c;
  for (const FontGlyph& g : f->glyphs) inside += coverageIn(g.code, &solid);
  EXPECT_EQ(inside, total);
  Font_FreeAll();
}

// ---- Sprite fonts ------------------------------------------------------------------------------

// A sprite of 3 frames, 16 x 20, on page entries cropped to columns 4..10, 2..14 and 0..16.
struct SpriteFontWorld : TextWorld {
  TexturePageEntry entries[3];
  int32_t sprite;
  SpriteFontWorld() {
    auto* s = new CSprite();
    s->width = 16, s->height = 20, s->frameCount = 3;
    const int16_t left[3] = {4, 2, 0}, width[3] = {6, 12, 16};
    for (int i = 0; i < 3; ++i) {
      entries[i].targetX = left[i];
      entries[i].sourceWidth = width[i];
      s->entries.push_back(&entries[i]);
    }
    sprite = Sprite_Add(s, "spr_digits");
  }
};

void ExSpriteFonts() {
  SpriteFontWorld w;
  // Characters '0', '1', '2'; no space in the map, so a space is added (advancing sep + width).
  const double f = Call("font_add_sprite", {R(w.sprite), R('0'), R(0), R(2)}).real;
  ASSERT_EQ(f, 1);
  const CFontTessera* font = Font_Get(1);
  ASSERT_EQ(font->glyphs.size(), 4u);
  EXPECT_EQ(font->glyphs[0].code, ' ');
  EXPECT_EQ(font->glyphs[0].shift, 18);
  EXPECT_EQ(font->Find('1')->width, 1);  // the frame number
  EXPECT_EQ(font->Find('1')->shift, 18);
  EXPECT_EQ(font->tallest, 20);
  EXPECT_EQ(font->first, ' ');
  EXPECT_EQ(font->last, ' ' + 4);
  Call("draw_set_font", {R(f)});
  EXPECT_EQ(Call("string_width", {S("0 1")}).real, 54);
  EXPECT_EQ(Call("string_height", {S("0")}).real, 20);
  // Proportional: the frame's cropped width + sep, offset -left.
  const double g = Call("font_add_sprite_ext", {R(w.sprite), S("ab c"), R(1), R(1)}).real;
  font = Font_Get(int32_t(g));
  ASSERT_EQ(font->glyphs.size(), 3u);  // "ab " (three frames)
  EXPECT_EQ(font->Find('a')->shift, 7);
  EXPECT_EQ(font->Find('a')->offset, -4);
  EXPECT_EQ(font->Find('b')->shift, 13);
  EXPECT_EQ(font->Find(' ')->shift, 17);  // frame 2 is 16 wide
  EXPECT_EQ(font->Find('c'), nullptr);
  EXPECT_STREQ(Call("font_get_name", {R(g)}).Str(), "__newfont2");
  // Replacing keeps the index and the name.
  EXPECT_EQ(Call("font_replace_sprite", {R(g), R(w.sprite), R('x'), R(0), R(0)}).real, g);
  EXPECT_NE(Font_Get(int32_t(g))->Find('x'), nullptr);
  EXPECT_EQ(Call("font_replace_sprite_ext", {R(g), R(w.sprite), S("pq"), R(0), R(0)}).real, g);
  EXPECT_NE(Font_Get(int32_t(g))->Find('q'), nullptr);
  EXPECT_STREQ(Call("font_get_name", {R(g)}).Str(), "__newfont2");
  // Errors.
  EXPECT_EQ(Call("font_add_sprite", {R(99), R(32), R(0), R(0)}).real, -1);
  EXPECT_NE(std::string(LastErrorText()).find("Trying to create font from non-existing sprite."), std::string::npos);
  SetLastErrorText("");
  EXPECT_EQ(Call("font_replace_sprite_ext", {R(42), R(w.sprite), S("ab"), R(0), R(0)}).real, -1);
  EXPECT_NE(std::string(LastErrorText()).find("Trying to replace non-existing font."), std::string::npos);
  SetLastErrorText("");
  EXPECT_EQ(Call("font_replace_sprite", {R(1), R(99), R(32), R(0), R(0)}).real, -1);
  EXPECT_NE(std::string(LastErrorText()).find("non-existing sprite"), std::string::npos);
  EXPECT_NE(Font_Get(1), nullptr);  // a failed replace keeps the font
}

// Sprite-font glyphs are the sprite's frames placed by its origin, in the plain and the colour forms.
TEST(SpriteFont, GlyphsAreFramesPlacedByTheOrigin) {
  SpriteFontWorld w;
  CSprite* s = Sprite_Get(w.sprite);
  s->xorigin = 2, s->yorigin = 3;
  for (TexturePageEntry& e : w.entries) {
    e.sourceWidth = e.targetWidth = int16_t(e.sourceWidth);
    e.sourceHeight = e.targetHeight = 20;
    e.frameWidth = 16, e.frameHeight = 20;
    e.texture = int16_t(w.texture);
  }
  s->ComputeRadius();
  const int32_t f = Font_Add(Font_MakeFromSprite(w.sprite, u"01", false, 2).release(), "fnt_sprite");
  Font_SetCurrent(f);
  g_DrawState.view = DrawArea{0, 0, 640, 480};
  // '1' is frame 1, cropped to columns 2..14: with the origin (2, 3) at (100 + 18, 50) its pixels
  // start at x 118 - 2 + 2 and y 47.
  TextDraw how;
  how.x = 100, how.y = 50;
  how.colours[0] = how.colours[1] = how.colours[2] = how.colours[3] = 0xFFFFFF;
  Text_Draw(u"01", how);
  auto plain = w.Pending();
  Batch_Reset();
  how.gradient = true;
  Text_Draw(u"01", how);
  auto shaded = w.Pending();
  Batch_Reset();
  ASSERT_EQ(plain.size(), 12u);
  ASSERT_EQ(shaded.size(), 12u);
  EXPECT_FLOAT_EQ(plain[6].x, 118);
  EXPECT_FLOAT_EQ(plain[6].y, 47);
  for (size_t i = 0; i < 12; ++i) {
    EXPECT_FLOAT_EQ(shaded[i].x, plain[i].x) << i;
    EXPECT_FLOAT_EQ(shaded[i].y, plain[i].y) << i;
  }
}

// ---- System typefaces ---------------------------------------------------------------------------

void ExFontAdd() {
  TextWorld w;
  double f = -1;
  const std::string quiet =
      Printed([&] { f = Call("font_add", {S("DejaVu Sans"), R(12), R(1), R(0), R(-5), R(300)}).real; });
  EXPECT_EQ(quiet, "");
  ASSERT_EQ(f, 1);
  EXPECT_EQ(Call("font_exists", {R(f)}).real, 1);
  EXPECT_STREQ(Call("font_get_fontname", {R(f)}).Str(), "DejaVu Sans");
  EXPECT_STREQ(Call("font_get_name", {R(f)}).Str(), "__newfont1");
  EXPECT_EQ(Call("font_get_size", {R(f)}).real, 12);
  EXPECT_EQ(Call("font_get_bold", {R(f)}).real, 1);
  EXPECT_EQ(Call("font_get_italic", {R(f)}).real, 0);
  EXPECT_EQ(Call("font_get_first", {R(f)}).real, 0);    // below 0 becomes 0
  EXPECT_EQ(Call("font_get_last", {R(f)}).real, 255);   // above 255 becomes 255
  // 12 points at 96 dpi are 16 pixels: the line is taller than that, and "MM" wider than "ii".
  Call("draw_set_font", {R(f)});
  const double h = Call("string_height", {S("M")}).real;
  EXPECT_GE(h, 16);
  EXPECT_LE(h, 22);
  EXPECT_GT(Call("string_width", {S("MM")}).real, Call("string_width", {S("ii")}).real);
  // The glyphs are on the font's own texture.
  const CFontTessera* font = Font_Get(1);
  EXPECT_GE(font->texture, 0);
  EXPECT_NE(font->Find('M'), nullptr);
  Call("draw_text", {R(0), R(0), S("M")});
  EXPECT_EQ(Batch_PendingCount(), 6);
  EXPECT_EQ(Batch_PendingTexture(), font->texture);
  // A family that is not installed: the best match stands in, and a line says which.
  const std::string said = Printed(
      [&] { f = Call("font_add", {S("No Such Family Tessera"), R(10), R(0), R(1), R(32), R(127)}).real; });
  EXPECT_NE(said.find("font_add: typeface \"No Such Family Tessera\" not found; using \""), std::string::npos) << said;
  EXPECT_EQ(f, 2);
  EXPECT_STREQ(Call("font_get_fontname", {R(f)}).Str(), "No Such Family Tessera");
  EXPECT_GT(Call("string_width", {S("abc")}).real, 1);
  // Replace keeps the slot; replacing a missing font is an error.
  EXPECT_EQ(Call("font_replace", {R(2), S("DejaVu Serif"), R(20), R(0), R(0), R(32), R(127)}).real, 2);
  EXPECT_EQ(Call("font_get_size", {R(2)}).real, 20);
  EXPECT_EQ(Call("font_replace", {R(9), S("DejaVu Serif"), R(20), R(0), R(0), R(32), R(127)}).real, -1);
  EXPECT_NE(std::string(LastErrorText()).find("Trying to replace non-existing font."), std::string::npos);
  // Deleting the current font selects the default font.
  Call("draw_set_font", {R(2)});
  Call("font_delete", {R(2)});
  EXPECT_EQ(Call("font_exists", {R(2)}).real, 0);
  EXPECT_EQ(Font_Current(), -1);
  EXPECT_EQ(Call("font_get_size", {R(2)}).real, -1);
  EXPECT_STREQ(Call("font_get_fontname", {R(2)}).Str(), "");
}

const RegisterExercise kMeasure({"string_width", "string_height", "string_width_ext", "string_height_ext",
                                 "draw_set_font"},
                                ExMeasure);
const RegisterExercise kDraw({"draw_text", "draw_text_ext", "draw_set_halign", "draw_set_valign"}, ExDrawText);
const RegisterExercise kTransformed({"draw_text_transformed", "draw_text_ext_transformed"}, ExDrawTextTransformed);
const RegisterExercise kColours({"draw_text_color", "draw_text_ext_color", "draw_text_transformed_color",
                                 "draw_text_ext_transformed_color"},
                                ExDrawTextColours);
const RegisterExercise kSpriteFonts({"font_add_sprite", "font_add_sprite_ext", "font_replace_sprite",
                                     "font_replace_sprite_ext", "font_get_name"},
                                    ExSpriteFonts);
const RegisterExercise kFontAdd({"font_add", "font_replace", "font_exists", "font_get_fontname", "font_get_size",
                                 "font_get_bold", "font_get_italic", "font_get_first", "font_get_last",
                                 "font_delete"},
                                ExFontAdd);

}  // namespace
