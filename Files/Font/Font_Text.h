// Text with a font: decoding, line splitting and wrapping, measuring, and drawing lines of glyphs with
// alignment, colours, scale and angle.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

class CFontTessera;

// UTF-8 to 16-bit character codes; a malformed byte stands for itself, characters beyond 16 bits
// become U+FFFD.
std::u16string Text_Decode(const char* utf8);
std::string Text_Encode(const std::u16string& codes);

// Splits text into lines: at carriage returns and line feeds (the break is dropped), and, when
// `wrap` is not negative, wrapped at that width (words are never split; a wrapped line starts after
// its spaces and has no trailing spaces). Empty text has no lines.
std::vector<std::u16string> Text_Split(const CFontTessera& font, const std::u16string& text, double wrap);
// The sum of the line's advances, in font units.
int32_t Text_LineWidth(const CFontTessera& font, const std::u16string& line);
// The widest line (at least 1) and the height (tallest + sep x (lines - 1), 1 without lines).
int32_t Text_Width(const CFontTessera& font, const std::u16string& text, double wrap);
double Text_Height(const CFontTessera& font, const std::u16string& text, double sep, double wrap);

// Horizontal and vertical alignment (fa_left/fa_top 0, fa_center/fa_middle 1, fa_right/fa_bottom 2).
void Text_SetAlign(int32_t halign, int32_t valign);
int32_t Text_HAlign();
int32_t Text_VAlign();

struct TextDraw {
  double x = 0, y = 0;
  double sep = -1, wrap = -1;        // negative: the font's line height; no wrapping
  double xscale = 1, yscale = 1, angle = 0;  // angle in degrees
  bool transformed = false;          // the transformed forms (scale and angle apply)
  bool gradient = false;             // the colour forms: corner colours c1..c4 (script colours)
  int32_t colours[4] = {0, 0, 0, 0};
  double alpha = 1;
  const CFontTessera* font = nullptr;  // null: the current font (or the default font)
};
// Draws text with `how.font` or the current font (or the default font) in the current alignment. The plain forms
// use the drawing colour for every corner.
void Text_Draw(const std::u16string& text, const TextDraw& how);
