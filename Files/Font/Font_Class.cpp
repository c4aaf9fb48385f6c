#include "Font/Font_Class.h"

#include <algorithm>

#include "Font/Font_DefaultData.h"
#include "Graphics/Graphics_Image.h"
#include "Graphics/Graphics_PageEntry.h"
#include "Graphics/Graphics_Texture.h"
#include "Support/Support_ResourceTable.h"

namespace {

ResourceTable<CFontTessera> g_Fonts;
int32_t g_Current = -1;
std::unique_ptr<CFontTessera> g_Default;
uint16_t g_SpriteCharacters[256];
bool g_SpriteCharactersSet = false;

std::unique_ptr<CFontTessera> MakeDefault() {
  auto font = std::make_unique<CFontTessera>();
  font->typeface = "debug";
  font->size = 10;
  font->first = kDefaultFontFirst;
  font->last = kDefaultFontLast;
  font->regionWidth = kDefaultFontWidth;
  font->regionHeight = kDefaultFontHeight;
  font->coverage.assign(kDefaultFontCoverage, kDefaultFontCoverage + kDefaultFontWidth * kDefaultFontHeight);
  for (int code = kDefaultFontFirst; code <= kDefaultFontLast; ++code) {
    const uint8_t* row = kDefaultFontGlyphs[code - kDefaultFontFirst];
    FontGlyph g;
    g.code = uint16_t(code);
    g.x = row[0], g.y = row[1], g.width = row[2], g.height = row[3];
    g.shift = g.width;
    font->glyphs.push_back(g);
  }
  font->SortGlyphs();
  font->CreateTexture();
  return font;
}

}  // namespace

CFontTessera::~CFontTessera() {
  if (texture >= 0) GR_Texture_Free(texture);
}

const FontGlyph* CFontTessera::Find(uint16_t code) const {
  auto it = std::lower_bound(glyphs.begin(), glyphs.end(), code, [](const FontGlyph& g, uint16_t c) { return g.code < c; });
  return it != glyphs.end() && it->code == code ? &*it : nullptr;
}

int32_t CFontTessera::Advance(uint16_t code) const {
  if (const FontGlyph* g = Find(code)) return g->shift;
  return glyphs.empty() ? 0 : glyphs.front().shift;
}

void CFontTessera::SortGlyphs() {
  std::stable_sort(glyphs.begin(), glyphs.end(), [](const FontGlyph& a, const FontGlyph& b) { return a.code < b.code; });
  tallest = 0;
  for (const FontGlyph& g : glyphs) tallest = std::max<int32_t>(tallest, g.height);
}

int CFontTessera::DrawTexture(int32_t* originX, int32_t* originY) const {
  *originX = *originY = 0;
  if (entry != nullptr) {
    *originX = entry->sourceX;
    *originY = entry->sourceY;
    return entry->texture;
  }
  return texture;
}

bool CFontTessera::CreateTexture() {
  if (texture >= 0) GR_Texture_Free(texture);
  texture = -1;
  if (regionWidth <= 0 || regionHeight <= 0 || coverage.size() != size_t(regionWidth) * size_t(regionHeight)) return false;
  CBitmap32 image(regionWidth, regionHeight);
  for (size_t i = 0; i < coverage.size(); ++i) {
    uint8_t* p = image.Data() + i * 4;
    p[0] = p[1] = p[2] = 255;
    p[3] = coverage[i];
  }
  texture = GR_Texture_CreateFromBitmap(image);
  return texture >= 0;
}

int32_t Font_Count() { return g_Fonts.Count(); }
CFontTessera* Font_Get(int32_t index) { return g_Fonts.Get(index); }
bool Font_Exists(int32_t index) { return g_Fonts.Get(index) != nullptr; }
const char* Font_Name(int32_t index) { return g_Fonts.Name(index); }
int32_t Font_Find(const char* name) { return g_Fonts.Find(name); }
int32_t Font_Add(CFontTessera* font, const std::string& name) { return g_Fonts.Add(font, name); }
void Font_Set(int32_t index, CFontTessera* font, const std::string& name) { g_Fonts.Set(index, font, name); }

void Font_FreeAll() {
  g_Fonts.Clear();
  g_Default.reset();
  g_Current = -1;
  g_SpriteCharactersSet = false;
}

void Font_SetCurrent(int32_t index) {
  g_Current = Font_Exists(index) ? index : -1;
  if (g_Current < 0) Font_Default();
}
int32_t Font_Current() { return g_Current; }

CFontTessera* Font_ForText() {
  if (CFontTessera* font = Font_Get(g_Current)) return font;
  return Font_Default();
}

CFontTessera* Font_Default() {
  if (g_Default == nullptr) g_Default = MakeDefault();
  return g_Default.get();
}

void Font_InitTextures() {
  for (int32_t i = 0; i < g_Fonts.Count(); ++i) {
    CFontTessera* font = g_Fonts.Get(i);
    if (font != nullptr && !font->coverage.empty()) font->CreateTexture();
  }
  if (g_Default != nullptr) g_Default->CreateTexture();
}

uint16_t Font_SpriteCharacter(int32_t number) {
  if (number < 0 || number > 255) return uint16_t(number);
  return g_SpriteCharactersSet ? g_SpriteCharacters[number] : uint16_t(number);
}

void Font_SetSpriteCharacters(const uint16_t table[256]) {
  std::copy(table, table + 256, g_SpriteCharacters);
  g_SpriteCharactersSet = true;
}
