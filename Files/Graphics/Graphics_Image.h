// Images in memory: CBitmap32 (32-bit pixels, rows top-down) and PNG decoding and encoding through libpng.
//
// Pixels are stored as bytes R, G, B, A in memory order (what GL uploads as GL_RGBA / GL_UNSIGNED_BYTE).
// The runner's ARGB words are formed from them where a colour is needed (Graphics_Colour.h).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CBitmap32 {
 public:
  CBitmap32() = default;
  CBitmap32(int32_t width, int32_t height);  // transparent black

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  bool Empty() const { return width_ <= 0 || height_ <= 0; }
  // Row-major R, G, B, A bytes, top row first; Width() * Height() * 4 bytes.
  uint8_t* Data() { return pixels_.data(); }
  const uint8_t* Data() const { return pixels_.data(); }
  size_t ByteSize() const { return pixels_.size(); }
  uint8_t* Pixel(int32_t x, int32_t y) { return pixels_.data() + (size_t(y) * size_t(width_) + size_t(x)) * 4; }
  const uint8_t* Pixel(int32_t x, int32_t y) const {
    return pixels_.data() + (size_t(y) * size_t(width_) + size_t(x)) * 4;
  }
  // A copy of the rectangle (clipped to the image; an empty bitmap when nothing is left).
  CBitmap32 Crop(int32_t x, int32_t y, int32_t w, int32_t h) const;
  // Copies `source` with its top-left corner at (x, y); the parts outside this image are dropped.
  void Blit(const CBitmap32& source, int32_t x, int32_t y);

 private:
  int32_t width_ = 0;
  int32_t height_ = 0;
  std::vector<uint8_t> pixels_;
};

// The largest side the image functions accept (a texture side is at most 8192).
inline constexpr int32_t kImageMaxSide = 8192;

// Decodes a PNG stream that starts at `data`; `maxLength` bounds how far the decoder may read (the
// stream may be followed by other bytes: decoding stops at its end). Any colour type and bit depth
// becomes 8-bit RGBA; images without alpha are opaque. False with `error` set for anything that is not
// a complete, valid PNG of at most kImageMaxSide on each side.
bool Image_DecodePNG(const uint8_t* data, size_t maxLength, CBitmap32& out, std::string& error);
// Reads and decodes a PNG file.
bool Image_LoadPNGFile(const std::string& path, CBitmap32& out, std::string& error);

// Encodes 8-bit RGBA pixels (rows top-down, `width` * 4 bytes a row) as a PNG stream.
bool Image_EncodePNG(const uint8_t* rgba, int32_t width, int32_t height, std::vector<uint8_t>& out);
inline bool Image_EncodePNG(const CBitmap32& image, std::vector<uint8_t>& out) {
  return Image_EncodePNG(image.Data(), image.Width(), image.Height(), out);
}
// Encodes and writes a PNG file atomically (a temporary file in the same folder, renamed into place);
// a failed write leaves an old file intact. False with `error` set on failure.
bool Image_SavePNGFile(const std::string& path, const uint8_t* rgba, int32_t width, int32_t height,
                       std::string& error);
