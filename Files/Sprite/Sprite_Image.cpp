#include "Sprite/Sprite_Image.h"

#include <algorithm>
#include <cmath>

std::vector<CBitmap32> Image_CutStrip(const CBitmap32& image, int32_t count) {
  count = std::max<int32_t>(count, 1);
  const int32_t w = image.Width() / count;
  std::vector<CBitmap32> frames;
  if (w <= 0 || image.Height() <= 0) return frames;
  frames.reserve(size_t(count));
  for (int32_t i = 0; i < count; ++i) frames.push_back(image.Crop(i * w, 0, w, image.Height()));
  return frames;
}

void Image_MakeOpaque(CBitmap32& image) {
  uint8_t* p = image.Data();
  for (size_t i = 3; i < image.ByteSize(); i += 4) p[i] = 255;
}

void Image_RemoveBackground(CBitmap32& image) {
  const int32_t w = image.Width(), h = image.Height();
  if (w <= 0 || h <= 0) return;
  const uint8_t* key = image.Pixel(0, h - 1);
  const uint8_t kr = key[0], kg = key[1], kb = key[2];
  uint8_t* p = image.Data();
  for (size_t i = 0; i < image.ByteSize(); i += 4) {
    if (p[i] == kr && p[i + 1] == kg && p[i + 2] == kb) p[i + 3] = 0;
  }
  // Filling changes only colours of transparent pixels, never which pixels are transparent, so the
  // order of the walk does not matter.
  const int dx[4] = {-1, 1, 0, 0}, dy[4] = {0, 0, -1, 1};
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      uint8_t* q = image.Pixel(x, y);
      if (q[3] != 0) continue;
      for (int k = 0; k < 4; ++k) {
        const int32_t nx = x + dx[k], ny = y + dy[k];
        if (nx < 0 || ny < 0 || nx >= w || ny >= h) continue;
        const uint8_t* n = image.Pixel(nx, ny);
        if (n[3] == 0) continue;
        q[0] = n[0];
        q[1] = n[1];
        q[2] = n[2];
        break;
      }
    }
  }
}

void Image_SmoothEdges(CBitmap32& image) {
  const int32_t w = image.Width(), h = image.Height();
  if (w <= 0 || h <= 0) return;
  const std::vector<uint8_t> clear = [&] {
    std::vector<uint8_t> m(size_t(w) * size_t(h));
    for (size_t i = 0; i < m.size(); ++i) m[i] = image.Data()[i * 4 + 3] == 0;
    return m;
  }();
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      if (!clear[size_t(y) * size_t(w) + size_t(x)]) continue;
      for (int32_t ny = std::max(y - 1, 0); ny <= std::min(y + 1, h - 1); ++ny) {
        for (int32_t nx = std::max(x - 1, 0); nx <= std::min(x + 1, w - 1); ++nx) {
          uint8_t& a = image.Pixel(nx, ny)[3];
          if (a > 0x1F) a = uint8_t(a - 32);
        }
      }
    }
  }
}

std::vector<uint8_t> Image_Mask(const CBitmap32& image, int32_t tolerance) {
  std::vector<uint8_t> mask(size_t(std::max(image.Width(), 0)) * size_t(std::max(image.Height(), 0)));
  for (size_t i = 0; i < mask.size(); ++i) mask[i] = image.Data()[i * 4 + 3] > tolerance ? 1 : 0;
  return mask;
}

CBitmap32 Image_Stretched(const CBitmap32& image, int32_t w, int32_t h) {
  if (w == image.Width() && h == image.Height()) return image;
  CBitmap32 out(w, h);
  if (image.Empty()) return out;
  for (int32_t y = 0; y < h; ++y) {
    const int32_t sy = int32_t(int64_t(y) * image.Height() / h);
    for (int32_t x = 0; x < w; ++x) {
      const int32_t sx = int32_t(int64_t(x) * image.Width() / w);
      std::copy_n(image.Pixel(sx, sy), 4, out.Pixel(x, y));
    }
  }
  return out;
}

void Image_AlphaFromIntensity(CBitmap32& image, const CBitmap32& source) {
  const CBitmap32 s = Image_Stretched(source, image.Width(), image.Height());
  if (s.Empty()) return;
  for (size_t i = 0; i < image.ByteSize(); i += 4) {
    const uint8_t* q = s.Data() + i;
    const uint32_t intensity = (uint32_t(q[0]) + q[1] + q[2]) / 3;
    image.Data()[i + 3] = uint8_t(uint32_t(image.Data()[i + 3]) * intensity / 255);
  }
}

bool Image_SolidBox(const std::vector<const std::vector<uint8_t>*>& masks, int32_t w, int32_t h, PixelBox& box) {
  box = PixelBox{w, h, -1, -1};
  for (const std::vector<uint8_t>* m : masks) {
    if (m == nullptr || m->size() < size_t(w) * size_t(h)) continue;
    for (int32_t y = 0; y < h; ++y) {
      for (int32_t x = 0; x < w; ++x) {
        if (!(*m)[size_t(y) * size_t(w) + size_t(x)]) continue;
        box.left = std::min(box.left, x);
        box.right = std::max(box.right, x);
        box.top = std::min(box.top, y);
        box.bottom = std::max(box.bottom, y);
      }
    }
  }
  return box.right >= 0;
}

namespace {

void SetRGB(uint8_t* p, int32_t colour) {
  p[0] = uint8_t(colour & 0xFF);
  p[1] = uint8_t((colour >> 8) & 0xFF);
  p[2] = uint8_t((colour >> 16) & 0xFF);
  p[3] = 255;
}

// c1 x (1 - t) + c2 x t, channel by channel, to the nearest integer.
int32_t Mix(int32_t c1, int32_t c2, double t) {
  int32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const double a = (c1 >> shift) & 0xFF, b = (c2 >> shift) & 0xFF;
    out |= int32_t(std::lround(a + (b - a) * t)) << shift;
  }
  return out;
}

// 0 at the first pixel to 1 at the last of n.
double Ramp(int32_t i, int32_t n) { return n > 1 ? double(i) / double(n - 1) : 0.0; }
// 0 at both ends to 1 in the middle.
double Peak(int32_t i, int32_t n) { return n > 1 ? 1.0 - std::fabs(2.0 * i - (n - 1)) / double(n - 1) : 1.0; }

}  // namespace

CBitmap32 Image_Filled(int32_t w, int32_t h, int32_t colour) {
  CBitmap32 out(w, h);
  for (size_t i = 0; i < out.ByteSize(); i += 4) SetRGB(out.Data() + i, colour);
  return out;
}

CBitmap32 Image_Gradient(int32_t w, int32_t h, int32_t c1, int32_t c2, int32_t kind) {
  CBitmap32 out(w, h);
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      double t = Ramp(x, w);
      switch (kind) {
        case 1: t = Ramp(y, h); break;
        case 2: t = std::min(Peak(x, w), Peak(y, h)); break;
        case 3: {
          const double dx = 1.0 - Peak(x, w), dy = 1.0 - Peak(y, h);
          t = std::max(0.0, 1.0 - std::sqrt(dx * dx + dy * dy));
          break;
        }
        case 4: t = Peak(x, w); break;
        case 5: t = Peak(y, h); break;
        default: break;
      }
      SetRGB(out.Pixel(x, y), Mix(c1, c2, t));
    }
  }
  return out;
}
