// CFontTessera: a bitmap font, either glyph rectangles on a texture (a texture-page region for fonts
// from the data file, or a run-time coverage map with a texture of its own) or a table mapping
// characters to frames of a sprite. The font table, the current font and the built-in default font.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct TexturePageEntry;

struct FontGlyph {
  uint16_t code = 0;
  int16_t x = 0, y = 0;           // on the font's region (sprite fonts: unused)
  int16_t width = 0, height = 0;  // sprite fonts: width holds the frame number
  int16_t shift = 0;              // the pen's move after the glyph
  int16_t offset = 0;             // the glyph's left edge from the pen
};

class CFontTessera {
 public:
  CFontTessera() = default;
  virtual ~CFontTessera();  // frees the coverage map's texture
  CFontTessera(const CFontTessera&) = delete;
  CFontTessera& operator=(const CFontTessera&) = delete;

  // The glyph of a character (binary search), or null.
  const FontGlyph* Find(uint16_t code) const;
  // What a character measures: its glyph's shift, else the first glyph's (0 without glyphs).
  int32_t Advance(uint16_t code) const;
  // Sorts the glyphs by code and sets the tallest glyph height (texture fonts).
  void SortGlyphs();
  // The texture glyphs are drawn from (-1: none) and the origin of their rectangles on it.
  int DrawTexture(int32_t* originX, int32_t* originY) const;
  // Creates the coverage map's texture (white pixels, the coverage as alpha); false when it fails.
  bool CreateTexture();

  std::string typeface;
  int32_t size = 0;
  bool bold = false, italic = false;
  int32_t first = 0;
  uint8_t charset = 0;
  int32_t antialias = 3;
  int32_t last = 0;
  int32_t sprite = -1;  // sprite fonts: the sprite
  int32_t regionWidth = 0, regionHeight = 0;
  int32_t tallest = 0;  // the tallest glyph: the line height
  std::vector<uint8_t> coverage;  // regionWidth x regionHeight bytes (run-time fonts)
  int texture = -1;               // the coverage map's texture
  TexturePageEntry* entry = nullptr;  // fonts from the data file (not owned)
  std::vector<FontGlyph> glyphs;      // ascending codes
  float xscale = 1, yscale = 1;
  // font_set_cache_size: kept, not acted on (textures here are never evicted); -1 none set.
  int32_t cacheSize = -1;
};

// ---- The font table ----------------------------------------------------------------------------
int32_t Font_Count();
CFontTessera* Font_Get(int32_t index);
bool Font_Exists(int32_t index);
const char* Font_Name(int32_t index);  // "<undefined>" for a missing font
int32_t Font_Find(const char* name);
int32_t Font_Add(CFontTessera* font, const std::string& name);
void Font_Set(int32_t index, CFontTessera* font, const std::string& name);  // null empties the slot
// Frees every font (the default font too) and selects the default font.
void Font_FreeAll();

// The current font number (-1: the default font). Selecting a number that is not a font selects -1.
void Font_SetCurrent(int32_t index);
int32_t Font_Current();
// The font text is drawn and measured with: the current font, or the default font.
CFontTessera* Font_ForText();
// The built-in default font, built on first need.
CFontTessera* Font_Default();
// Creates the textures of fonts that carry a coverage map (right after the device exists).
void Font_InitTextures();

// The 256-entry character table that font_add_sprite maps frame numbers through (identity unless the
// data file gives one).
uint16_t Font_SpriteCharacter(int32_t number);
void Font_SetSpriteCharacters(const uint16_t table[256]);
