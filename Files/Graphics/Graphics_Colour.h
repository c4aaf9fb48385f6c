// Colour conversion between script colours and vertex colours.
//
// Script colours are 0x00BBGGRR (red in the low byte); vertex colours are ARGB words. Alpha is a real
// from 0 (transparent) to 1 (opaque).
#pragma once
#include <cmath>
#include <cstdint>

inline constexpr int32_t kColourWhite = 0xFFFFFF;

// trunc(alpha x 255) limited to 0..255 (the quad builders' rule).
inline uint32_t GR_AlphaByte(double alpha) {
  const double a = alpha * 255.0;
  if (!(a > 0)) return 0;  // also NaN
  if (a >= 255.0) return 255;
  return uint32_t(a);
}
// alpha x 255 limited to 0..255, then to the nearest integer (the four-colour builders' rule).
inline uint32_t GR_AlphaByteRounded(double alpha) {
  double a = alpha * 255.0;
  if (!(a > 0)) return 0;
  if (a > 255.0) a = 255.0;
  return uint32_t(std::nearbyint(a));
}
inline uint32_t GR_ARGB(int32_t scriptColour, uint32_t alphaByte) {
  const uint32_t c = uint32_t(scriptColour);
  return (alphaByte << 24) | ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
// A script colour and alpha as a vertex colour.
inline uint32_t GR_Colour(int32_t scriptColour, double alpha) { return GR_ARGB(scriptColour, GR_AlphaByte(alpha)); }
