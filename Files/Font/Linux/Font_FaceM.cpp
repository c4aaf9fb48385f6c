// Typefaces through fontconfig (finding) and FreeType (rendering).
#include "Font/Font_Face.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H

#include <algorithm>
#include <cmath>
#include <strings.h>

namespace {

constexpr double kDotsPerInch = 96;

std::string GetString(FcPattern* p, const char* key) {
  FcChar8* s = nullptr;
  if (FcPatternGetString(p, key, 0, &s) != FcResultMatch || s == nullptr) return {};
  return reinterpret_cast<const char*>(s);
}

// One FreeType library for the process.
FT_Library Library() {
  static FT_Library library = [] {
    FT_Library l = nullptr;
    if (FT_Init_FreeType(&l) != 0) l = nullptr;
    return l;
  }();
  return library;
}

}  // namespace

bool Face_Find(const std::string& family, bool bold, bool italic, FaceMatch& out) {
  if (!FcInit()) return false;
  FcPattern* pattern = FcPatternCreate();
  if (pattern == nullptr) return false;
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (match == nullptr) return false;
  out.file = GetString(match, FC_FILE);
  int index = 0;
  FcPatternGetInteger(match, FC_INDEX, 0, &index);
  out.index = index;
  out.family = GetString(match, FC_FAMILY);
  out.style = GetString(match, FC_STYLE);
  out.exact = strcasecmp(out.family.c_str(), family.c_str()) == 0;
  FcPatternDestroy(match);
  return !out.file.empty();
}

bool Face_Render(const std::string& file, int32_t index, const FaceStyle& style, int32_t first, int32_t last,
                 FaceRender& out, std::string& error) {
  double size = style.size;
  out = FaceRender{};
  FT_Library library = Library();
  if (library == nullptr) {
    error = "the font engine could not start";
    return false;
  }
  FT_Face face = nullptr;
  if (FT_New_Face(library, file.c_str(), index, &face) != 0) {
    error = "\"" + file + "\" is not a font file";
    return false;
  }
  if (!(size > 0) || size > 1000) size = size > 1000 ? 1000 : 1;
  if (FT_Set_Char_Size(face, 0, FT_F26Dot6(std::lround(size * 64)), FT_UInt(kDotsPerInch), FT_UInt(kDotsPerInch)) != 0) {
    FT_Done_Face(face);
    error = "\"" + file + "\" has no size " + std::to_string(size);
    return false;
  }
  out.family = face->family_name != nullptr ? face->family_name : "";
  out.style = face->style_name != nullptr ? face->style_name : "";
  out.ascender = int32_t(face->size->metrics.ascender >> 6);
  out.lineHeight = std::max<int32_t>(1, int32_t((face->size->metrics.ascender - face->size->metrics.descender) >> 6));
  const bool emboldenGlyphs = style.bold && !(face->style_flags & FT_STYLE_FLAG_BOLD);
  const bool slantGlyphs = style.italic && !(face->style_flags & FT_STYLE_FLAG_ITALIC);
  first = std::clamp(first, 0, 65535);
  last = std::clamp(last, 0, 65535);
  for (int32_t code = first; code <= last; ++code) {
    const FT_UInt glyphIndex = FT_Get_Char_Index(face, FT_ULong(code));
    if (glyphIndex == 0) continue;
    if (FT_Load_Glyph(face, glyphIndex, style.antialias ? FT_LOAD_DEFAULT : FT_LOAD_TARGET_MONO) != 0) continue;
    FT_GlyphSlot slot = face->glyph;
    if (emboldenGlyphs) FT_GlyphSlot_Embolden(slot);
    if (slantGlyphs) FT_GlyphSlot_Oblique(slot);
    if (FT_Render_Glyph(slot, style.antialias ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO) != 0) continue;
    const FT_Bitmap& bitmap = slot->bitmap;
    FaceGlyph g;
    g.code = uint16_t(code);
    g.width = int32_t(bitmap.width);
    g.height = int32_t(bitmap.rows);
    g.left = slot->bitmap_left;
    g.top = out.ascender - slot->bitmap_top;
    g.advance = int32_t(std::lround(double(slot->advance.x) / 64));
    g.coverage.resize(size_t(g.width) * size_t(g.height));
    for (int32_t row = 0; row < g.height; ++row) {
      const unsigned char* src = bitmap.buffer + ptrdiff_t(row) * bitmap.pitch;
      uint8_t* dst = g.coverage.data() + ptrdiff_t(row) * g.width;
      if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
        for (int32_t x = 0; x < g.width; ++x) dst[x] = (src[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
      } else {
        std::copy(src, src + g.width, dst);
      }
    }
    out.glyphs.push_back(std::move(g));
  }
  FT_Done_Face(face);
  return true;
}
