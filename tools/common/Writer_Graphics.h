// Writing the image chunks: texture-page entries (TPAG), the pages as PNG streams (TXTR), sprites
// (SPRT, with their collision masks) and backgrounds (BGND). Every frame is cropped to its opaque
// pixels and packed onto square pages.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "DataFileWriter.h"
#include "Graphics/Graphics_Image.h"

enum class MaskKind { Precise, Rectangle, Ellipse, Diamond };
enum class BoxMode : int32_t { Automatic = 0, Full = 1, Manual = 2 };

struct SpriteDesc {
  std::string name;
  std::vector<CBitmap32> frames;         // all of one size
  std::vector<std::string> frameLabels;  // where each frame came from (named in errors)
  int32_t xorigin = 0, yorigin = 0;
  BoxMode boxMode = BoxMode::Automatic;
  // Inclusive pixel edges; given for the manual mode, worked out by Writer_FinishSpriteBox otherwise.
  int32_t bboxLeft = 0, bboxTop = 0, bboxRight = 0, bboxBottom = 0;
  MaskKind maskKind = MaskKind::Precise;
  int32_t tolerance = 0;  // a pixel is solid when its alpha is above this
  bool precise = false;   // precise collision checking: the masks are written
  bool separateMasks = false;
  bool transparent = true, smooth = false, preload = true;
  int32_t Width() const { return frames.empty() ? 0 : frames[0].Width(); }
  int32_t Height() const { return frames.empty() ? 0 : frames[0].Height(); }
};

struct BackgroundDesc {
  std::string name;
  CBitmap32 image;
  std::string label;
  bool transparent = false, smooth = false, preload = true;
};

// A font: its region (white pixels, the glyphs' coverage as alpha) goes onto a page uncropped, and
// each glyph rectangle lies on the region.
struct FontGlyphDesc {
  uint16_t code = 0;
  int16_t x = 0, y = 0, width = 0, height = 0, shift = 0, offset = 0;
};
struct FontDesc {
  std::string name;
  std::string typeface;
  int32_t size = 0;
  bool bold = false, italic = false;
  uint16_t first = 0;
  uint8_t charset = 0;
  uint8_t antialias = 3;
  int32_t last = 0;
  float xscale = 1, yscale = 1;
  CBitmap32 image;
  std::string label;
  std::vector<FontGlyphDesc> glyphs;  // ascending codes
};

// Sets the bounding box of the automatic and full modes: automatic is the smallest box holding every
// solid pixel of every frame (the whole frame when no pixel is solid); full is the whole frame.
void Writer_FinishSpriteBox(SpriteDesc& sprite);
// The masks as the sprite record holds them: none unless precise; one a frame when separate, else
// one for all (solid where any frame is). Each mask is Height() rows of ceil(Width() / 8) bytes, the
// leftmost pixel in bit 7 of a row's first byte; pixels outside the bounding box are empty.
std::vector<std::vector<uint8_t>> Writer_SpriteMaskRows(const SpriteDesc& sprite);

// Writes TPAG, TXTR, SPRT, BGND and FONT (nothing when there are no images). Sprite boxes must be
// finished. False with `error` naming the frame when one is larger than a page. FONT ends with the
// identity character table.
bool WriteGraphics(DataFileWriter& writer, const std::vector<SpriteDesc>& sprites,
                   const std::vector<BackgroundDesc>& backgrounds, const std::vector<FontDesc>& fonts,
                   int32_t pageSize, std::string& error);
inline bool WriteGraphics(DataFileWriter& writer, const std::vector<SpriteDesc>& sprites,
                          const std::vector<BackgroundDesc>& backgrounds, int32_t pageSize, std::string& error) {
  return WriteGraphics(writer, sprites, backgrounds, {}, pageSize, error);
}
