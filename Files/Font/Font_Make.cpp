#include "Font/Font_Make.h"

#include <algorithm>

#include "Font/Font_Class.h"
#include "Graphics/Graphics_PageEntry.h"
#include "Sprite/Sprite_Class.h"

namespace {

constexpr char16_t kSpace = 32;
constexpr int32_t kPadding = 1;

// The columns of a frame that hold pixels: [left, right). False when the frame does not exist.
bool FrameExtent(const CSprite& sprite, int32_t frame, int32_t& left, int32_t& right) {
  if (frame < int32_t(sprite.entries.size()) && sprite.entries[size_t(frame)] != nullptr) {
    const TexturePageEntry* e = sprite.entries[size_t(frame)];
    left = e->targetX;
    right = e->targetX + e->sourceWidth;
    return true;
  }
  if (frame < int32_t(sprite.bitmaps.size())) {
    const CBitmap32& b = sprite.bitmaps[size_t(frame)];
    left = b.Width(), right = 0;
    for (int32_t y = 0; y < b.Height(); ++y) {
      for (int32_t x = 0; x < b.Width(); ++x) {
        if (b.Pixel(x, y)[3] != 0) left = std::min(left, x), right = std::max(right, x + 1);
      }
    }
    if (right <= left) left = right = 0;
    return true;
  }
  return false;
}

// Packs with rows of the line height; returns the height used at width w.
int32_t Shelve(const FaceRender& render, int32_t w, std::vector<std::pair<int32_t, int32_t>>* at) {
  int32_t x = 0, y = 0;
  const int32_t row = render.lineHeight + kPadding;
  for (const FaceGlyph& g : render.glyphs) {
    const int32_t gw = std::min(g.width, w);
    if (x + gw > w) x = 0, y += row;
    if (at != nullptr) at->emplace_back(x, y);
    x += gw + kPadding;
  }
  return y + row;
}

}  // namespace

std::unique_ptr<CFontTessera> Font_MakeFromSprite(int32_t spriteIndex, const std::u16string& mapIn, bool prop, int32_t sep) {
  const CSprite* sprite = Sprite_Get(spriteIndex);
  if (sprite == nullptr) return nullptr;
  const size_t frames = size_t(std::max(sprite->frameCount, 0));
  std::u16string map = mapIn.substr(0, std::min(mapIn.size(), frames));
  if (map.find(kSpace) == std::u16string::npos) map.push_back(kSpace);
  auto font = std::make_unique<CFontTessera>();
  font->sprite = spriteIndex;
  font->typeface = Sprite_Name(spriteIndex);
  for (size_t i = 0; i < map.size(); ++i) {
    FontGlyph g;
    g.code = map[i];
    g.width = int16_t(std::min<size_t>(i, 32767));
    g.height = int16_t(std::clamp(sprite->height, 0, 32767));
    int32_t left = 0, right = 0;
    if (prop && FrameExtent(*sprite, int32_t(i), left, right)) {
      g.shift = int16_t(std::clamp(sep + right - left, -32768, 32767));
      g.offset = int16_t(std::clamp(-left, -32768, 32767));
    } else {
      g.shift = int16_t(std::clamp(sep + sprite->width, -32768, 32767));
    }
    font->glyphs.push_back(g);
  }
  font->SortGlyphs();
  font->tallest = sprite->height;
  font->first = font->glyphs.empty() ? 0 : font->glyphs.front().code;
  font->last = font->first + int32_t(font->glyphs.size());
  return font;
}

std::u16string Font_SpriteMap(int32_t spriteIndex, int32_t first) {
  std::u16string map;
  const CSprite* sprite = Sprite_Get(spriteIndex);
  if (sprite == nullptr) return map;
  for (int32_t i = 0; i < sprite->frameCount && i < 65536; ++i) {
    map.push_back(char16_t(Font_SpriteCharacter(first + i)));
  }
  return map;
}

void Font_PackGlyphs(const FaceRender& render, CFontTessera& font) {
  int32_t w = 64;
  while (w < 4096 && Shelve(render, w, nullptr) > w) w *= 2;
  std::vector<std::pair<int32_t, int32_t>> at;
  const int32_t h = std::min(Shelve(render, w, &at), 4096);
  font.regionWidth = w;
  font.regionHeight = h;
  font.coverage.assign(size_t(w) * size_t(h), 0);
  font.glyphs.clear();
  for (size_t i = 0; i < render.glyphs.size(); ++i) {
    const FaceGlyph& fg = render.glyphs[i];
    const int32_t gx = at[i].first, gy = at[i].second;
    const int32_t gw = std::min(fg.width, w - gx), gh = std::min(render.lineHeight, h - gy);
    if (gh <= 0) break;  // beyond the largest map
    for (int32_t row = 0; row < fg.height; ++row) {
      const int32_t y = fg.top + row;
      if (y < 0 || y >= gh) continue;
      for (int32_t col = 0; col < gw; ++col) {
        const uint8_t c = fg.coverage[size_t(row) * size_t(fg.width) + size_t(col)];
        font.coverage[size_t(gy + y) * size_t(w) + size_t(gx + col)] = c;
      }
    }
    FontGlyph g;
    g.code = fg.code;
    g.x = int16_t(gx), g.y = int16_t(gy);
    g.width = int16_t(gw), g.height = int16_t(gh);
    g.shift = int16_t(std::clamp(fg.advance, -32768, 32767));
    g.offset = int16_t(std::clamp(fg.left, -32768, 32767));
    font.glyphs.push_back(g);
  }
  font.SortGlyphs();
}

std::unique_ptr<CFontTessera> Font_MakeFromFamily(const std::string& family, int32_t size, bool bold, bool italic,
                                                  int32_t first, int32_t last, std::string& note) {
  note.clear();
  first = std::max(first, 0);
  last = std::min(last, 255);
  FaceMatch match;
  if (!Face_Find(family, bold, italic, match)) {
    note = "no typeface is installed";
    return nullptr;
  }
  if (!match.exact) note = "typeface \"" + family + "\" not found; using \"" + match.family + "\"";
  FaceRender render;
  std::string error;
  FaceStyle style;
  style.size = size;
  style.bold = bold;
  style.italic = italic;
  if (!Face_Render(match.file, match.index, style, first, last, render, error)) {
    note = error;
    return nullptr;
  }
  auto font = std::make_unique<CFontTessera>();
  font->typeface = family;
  font->size = size;
  font->bold = bold;
  font->italic = italic;
  font->first = first;
  font->last = last;
  Font_PackGlyphs(render, *font);
  font->CreateTexture();
  return font;
}
