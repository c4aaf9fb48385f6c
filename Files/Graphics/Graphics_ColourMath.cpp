#include "Graphics/Graphics_ColourMath.h"

#include <algorithm>
#include <cmath>

namespace {

int32_t Channel(int32_t c, int shift) { return (c >> shift) & 0xFF; }

int32_t Byte(double unit) {
  const double b = std::trunc(unit * 255.0);
  return int32_t(std::clamp(b, 0.0, 255.0));
}

// A byte-valued argument limited to 0..255 (NaN gives 0).
double Limit(double byte) { return byte > 0 ? std::min(byte, 255.0) : 0; }
double Unit(double byte) { return Limit(byte) / 255.0; }

}  // namespace

int32_t Colour_Merge(int32_t c1, int32_t c2, double t) {
  int32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const double mixed = Channel(c1, shift) * (1 - t) + Channel(c2, shift) * t;
    const double n = std::isnan(mixed) ? 0 : std::clamp(std::round(mixed), 0.0, 255.0);
    out |= int32_t(n) << shift;
  }
  return out;
}

int32_t Colour_FromHSV(double h, double s, double v) {
  const double sv = Unit(s), vv = Unit(v);
  double r = vv, g = vv, b = vv;
  if (sv != 0) {
    double hue = Limit(h) * 360.0 / 255.0;
    if (hue >= 360.0) hue = 0;
    const double f = hue / 60.0;
    const int i = std::min(int(f), 5);
    const double frac = f - i;
    const double p = (1 - sv) * vv, q = (1 - frac * sv) * vv, t = (1 - (1 - frac) * sv) * vv;
    switch (i) {
      case 0: r = vv, g = t, b = p; break;
      case 1: r = q, g = vv, b = p; break;
      case 2: r = p, g = vv, b = t; break;
      case 3: r = p, g = q, b = vv; break;
      case 4: r = t, g = p, b = vv; break;
      default: r = vv, g = p, b = q; break;
    }
  }
  return Byte(r) | (Byte(g) << 8) | (Byte(b) << 16);
}

ColourHSV Colour_ToHSV(int32_t colour) {
  const double r = Channel(colour, 0) / 255.0, g = Channel(colour, 8) / 255.0, b = Channel(colour, 16) / 255.0;
  const double max = std::max({r, g, b}), min = std::min({r, g, b}), delta = max - min;
  const double saturation = max == 0 ? 0 : delta / max;
  double hue = 0;
  if (saturation != 0) {
    if (r == max) hue = 60 * (g - b) / delta;
    else if (g == max) hue = 120 + 60 * (b - r) / delta;
    else hue = 240 + 60 * (r - g) / delta;
    if (hue < 0) hue += 360;
  }
  ColourHSV out;
  out.hue = int32_t(std::trunc(hue * 255 / 360));
  out.saturation = int32_t(std::trunc(saturation * 255));
  out.value = int32_t(std::trunc(max * 255));
  return out;
}
