#include "Graphics/Graphics_Image.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>

#include "Function/Function_Library.h"

CBitmap32::CBitmap32(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return;
  width_ = width;
  height_ = height;
  pixels_.assign(size_t(width) * size_t(height) * 4, 0);
}

CBitmap32 CBitmap32::Crop(int32_t x, int32_t y, int32_t w, int32_t h) const {
  const int32_t l = std::max(x, 0), t = std::max(y, 0);
  const int32_t r = std::min(x + w, width_), b = std::min(y + h, height_);
  if (r <= l || b <= t) return CBitmap32();
  CBitmap32 out(r - l, b - t);
  for (int32_t row = t; row < b; ++row) std::memcpy(out.Pixel(0, row - t), Pixel(l, row), size_t(r - l) * 4);
  return out;
}

void CBitmap32::Blit(const CBitmap32& source, int32_t x, int32_t y) {
  const int32_t l = std::max(x, 0), t = std::max(y, 0);
  const int32_t r = std::min(x + source.Width(), width_), b = std::min(y + source.Height(), height_);
  if (r <= l || b <= t) return;
  for (int32_t row = t; row < b; ++row) std::memcpy(Pixel(l, row), source.Pixel(l - x, row - y), size_t(r - l) * 4);
}

namespace {

// libpng reads through this cursor, never past `end`.
struct ReadCursor {
  const uint8_t* at;
  const uint8_t* end;
  bool overrun = false;
};

void ReadBytes(png_structp png, png_bytep out, png_size_t count) {
  auto* cursor = static_cast<ReadCursor*>(png_get_io_ptr(png));
  if (size_t(cursor->end - cursor->at) < count) {
    cursor->overrun = true;
    png_error(png, "the image data ends early");
  }
  std::memcpy(out, cursor->at, count);
  cursor->at += count;
}

// libpng's messages end up here: kept for the caller, never printed.
void OnError(png_structp png, png_const_charp message) {
  auto* text = static_cast<std::string*>(png_get_error_ptr(png));
  if (text != nullptr && text->empty()) *text = message;
  png_longjmp(png, 1);
}
void OnWarning(png_structp, png_const_charp) {}

// libpng's reading, in a function of its own so that no object with a destructor lives across the
// error jump; false when libpng reported an error.
bool ReadPixels(png_structp png, png_infop info, CBitmap32* image, std::vector<png_bytep>* rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_user_limits(png, kImageMaxSide, kImageMaxSide);
  png_read_info(png, info);
  const png_uint_32 width = png_get_image_width(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  const int colourType = png_get_color_type(png, info);
  if (png_get_bit_depth(png, info) == 16) png_set_strip_16(png);
  if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
  if (colourType == PNG_COLOR_TYPE_GRAY && png_get_bit_depth(png, info) < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
  png_set_filler(png, 0xFF, PNG_FILLER_AFTER);  // no-op when there is alpha already
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != size_t(width) * 4) png_error(png, "unexpected row layout");
  *image = CBitmap32(int32_t(width), int32_t(height));
  rows->resize(height);
  for (png_uint_32 y = 0; y < height; ++y) (*rows)[y] = image->Pixel(0, int32_t(y));
  png_read_image(png, rows->data());
  png_read_end(png, nullptr);
  return true;
}

bool Decode(const uint8_t* data, size_t maxLength, CBitmap32& out, std::string& error) {
  if (data == nullptr || maxLength < 8 || png_sig_cmp(data, 0, 8) != 0) {
    error = "not a PNG image";
    return false;
  }
  std::string message;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &message, OnError, OnWarning);
  if (png == nullptr) {
    error = "out of memory";
    return false;
  }
  png_infop info = png_create_info_struct(png);
  ReadCursor cursor{data, data + maxLength};
  png_set_read_fn(png, &cursor, ReadBytes);
  std::vector<png_bytep> rows;
  CBitmap32 image;
  const bool ok = info != nullptr && ReadPixels(png, info, &image, &rows);
  png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr);
  if (!ok) {
    error = message.empty() ? "the image does not decode" : "the image does not decode: " + message;
    return false;
  }
  out = std::move(image);
  return true;
}

void WriteBytes(png_structp png, png_bytep data, png_size_t count) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + count);
}
void FlushNothing(png_structp) {}

}  // namespace

bool Image_DecodePNG(const uint8_t* data, size_t maxLength, CBitmap32& out, std::string& error) {
  error.clear();
  return Decode(data, maxLength, out, error);
}

bool Image_LoadPNGFile(const std::string& path, CBitmap32& out, std::string& error) {
  std::string bytes;
  if (!Library::ReadWholeFile(path, bytes)) {
    error = "cannot read " + path;
    return false;
  }
  if (!Image_DecodePNG(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), out, error)) {
    error = path + ": " + error;
    return false;
  }
  return true;
}

namespace {

// libpng's writing, apart from every object with a destructor (see ReadPixels).
bool WritePixels(png_structp png, png_infop info, const uint8_t* rgba, int32_t width, int32_t height,
                 std::vector<png_bytep>* rows, std::vector<uint8_t>* out) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_write_fn(png, out, WriteBytes, FlushNothing);
  png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB_ALPHA,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int32_t y = 0; y < height; ++y) {
    (*rows)[size_t(y)] = const_cast<png_bytep>(rgba + size_t(y) * size_t(width) * 4);
  }
  png_write_image(png, rows->data());
  png_write_end(png, nullptr);
  return true;
}

}  // namespace

bool Image_EncodePNG(const uint8_t* rgba, int32_t width, int32_t height, std::vector<uint8_t>& out) {
  out.clear();
  if (rgba == nullptr || width <= 0 || height <= 0 || width > kImageMaxSide || height > kImageMaxSide) return false;
  std::string message;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &message, OnError, OnWarning);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  std::vector<png_bytep> rows(static_cast<size_t>(height));
  const bool ok = info != nullptr && WritePixels(png, info, rgba, width, height, &rows, &out);
  png_destroy_write_struct(&png, info != nullptr ? &info : nullptr);
  if (!ok) out.clear();
  return ok;
}

bool Image_SavePNGFile(const std::string& path, const uint8_t* rgba, int32_t width, int32_t height,
                       std::string& error) {
  std::vector<uint8_t> bytes;
  if (!Image_EncodePNG(rgba, width, height, bytes)) {
    error = "cannot encode a " + std::to_string(width) + " x " + std::to_string(height) + " image";
    return false;
  }
  if (!Library::WriteFileAtomic(path, std::string(bytes.begin(), bytes.end()))) {
    error = "cannot write " + path;
    return false;
  }
  return true;
}
