#include "Font/Font_Load.h"

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "Font/Font_Class.h"
#include "Graphics/Graphics_PageEntry.h"
#include "Graphics/Graphics_TexturePages.h"

namespace {

constexpr uint32_t kRecordSize = 44;
constexpr uint32_t kGlyphSize = 14;
constexpr uint32_t kTableSize = 512;

CFontTessera* ReadFont(const DataView& view, uint32_t at, uint32_t index, std::string& name) {
  const char* text = view.stringAt(at, "font name");
  name = text != nullptr ? text : "";
  const char* n = name.c_str();
  auto font = std::make_unique<CFontTessera>();
  const char* face = view.stringAt(uint64_t(at) + 4, "font typeface");
  font->typeface = face != nullptr ? face : "";
  font->size = view.i32(uint64_t(at) + 8, "font size");
  font->bold = view.u32(uint64_t(at) + 12, "font flags") != 0;
  font->italic = view.u32(uint64_t(at) + 16, "font flags") != 0;
  font->first = view.at<uint16_t>(uint64_t(at) + 20, "font first character");
  font->charset = view.u8(uint64_t(at) + 22, "font character set");
  const uint8_t antialias = view.u8(uint64_t(at) + 23, "font antialiasing");
  font->antialias = antialias == 0 ? 3 : antialias - 1;
  font->last = view.i32(uint64_t(at) + 24, "font last character");
  char what[160];
  std::snprintf(what, sizeof what, "font %u (%s)", index, n);
  font->entry = TexturePages_Entry(view, view.u32(uint64_t(at) + 28, "font page entry"), what);
  font->regionWidth = font->entry->sourceWidth;
  font->regionHeight = font->entry->sourceHeight;
  font->xscale = view.f32(uint64_t(at) + 32, "font scale");
  font->yscale = view.f32(uint64_t(at) + 36, "font scale");
  if (!std::isfinite(font->xscale) || !std::isfinite(font->yscale)) {
    ThrowFormatError("font %u (%s) has a scale that is not a number", index, n);
  }
  const uint32_t count = view.u32(uint64_t(at) + 40, "font glyph count");
  view.require(uint64_t(at) + kRecordSize, uint64_t(count) * 4, "font glyph list");
  font->glyphs.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t g = view.u32(uint64_t(at) + kRecordSize + 4 * uint64_t(i), "font glyph list");
    view.require(g, kGlyphSize, "font glyph");
    FontGlyph glyph;
    glyph.code = view.at<uint16_t>(g, "font glyph");
    glyph.x = view.at<int16_t>(uint64_t(g) + 2, "font glyph");
    glyph.y = view.at<int16_t>(uint64_t(g) + 4, "font glyph");
    glyph.width = view.at<int16_t>(uint64_t(g) + 6, "font glyph");
    glyph.height = view.at<int16_t>(uint64_t(g) + 8, "font glyph");
    glyph.shift = view.at<int16_t>(uint64_t(g) + 10, "font glyph");
    glyph.offset = view.at<int16_t>(uint64_t(g) + 12, "font glyph");
    if (glyph.x < 0 || glyph.y < 0 || glyph.width < 0 || glyph.height < 0 ||
        glyph.x + glyph.width > font->regionWidth || glyph.y + glyph.height > font->regionHeight) {
      ThrowFormatError("font %u (%s): glyph %u (character %u) at %d,%d %dx%d lies outside the font's %dx%d region",
                       index, n, i, glyph.code, glyph.x, glyph.y, glyph.width, glyph.height, font->regionWidth,
                       font->regionHeight);
    }
    if (!font->glyphs.empty() && glyph.code <= font->glyphs.back().code) {
      ThrowFormatError("font %u (%s): glyph %u (character %u) is not in ascending character order", index, n, i,
                       glyph.code);
    }
    font->glyphs.push_back(glyph);
  }
  font->SortGlyphs();
  return font.release();
}

}  // namespace

void Font_LoadFONT(const DataView& view, const ChunkInfo& chunk) {
  const ListView list = view.list(chunk.body, "FONT list");
  Font_FreeAll();
  const uint64_t chunkEnd = uint64_t(chunk.body) + chunk.length;
  if (chunkEnd < list.end() + kTableSize) {
    ThrowFormatError("the FONT chunk is %u bytes: too short for its list and its %u-byte character table",
                     chunk.length, kTableSize);
  }
  for (uint32_t i = 0; i < list.count(); ++i) {
    const uint32_t at = list.entry(i);
    if (at == 0) {
      Font_Set(int32_t(i), nullptr, "");
      continue;
    }
    view.require(at, kRecordSize, "font record");
    std::string name;
    CFontTessera* font = ReadFont(view, at, i, name);
    Font_Set(int32_t(i), font, name);
  }
  uint16_t table[256];
  for (uint32_t k = 0; k < 256; ++k) table[k] = view.at<uint16_t>(chunkEnd - kTableSize + 2 * k, "FONT character table");
  Font_SetSpriteCharacters(table);
}
