// Reading and writing single pixels of a CBitmap32 in tests.
#pragma once
#include <algorithm>
#include <array>
#include <cstdint>

#include "Graphics/Graphics_Image.h"

namespace pixels {

using RGBA = std::array<uint8_t, 4>;

inline RGBA At(const CBitmap32& b, int32_t x, int32_t y) {
  const uint8_t* p = b.Pixel(x, y);
  return {p[0], p[1], p[2], p[3]};
}
inline void SetPixel(CBitmap32& b, int32_t x, int32_t y, RGBA c) { std::copy(c.begin(), c.end(), b.Pixel(x, y)); }

}  // namespace pixels
