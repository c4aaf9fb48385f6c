// The default font's data, generated at build time by tools/fontgen from a fixed-width face: a
// 256 x 128 coverage image (one byte a pixel) and one (x, y, width, height) row a character, 32 to 128.
#pragma once
#include <cstdint>

inline constexpr int kDefaultFontWidth = 256;
inline constexpr int kDefaultFontHeight = 128;
inline constexpr int kDefaultFontFirst = 32;
inline constexpr int kDefaultFontLast = 128;

extern const uint8_t kDefaultFontCoverage[kDefaultFontWidth * kDefaultFontHeight];
extern const uint8_t kDefaultFontGlyphs[kDefaultFontLast - kDefaultFontFirst + 1][4];
