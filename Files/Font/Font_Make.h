// Fonts made at run time: from a sprite's frames (font_add_sprite) and from a system typeface
// (font_add), and the packing of rendered glyphs onto one coverage map (shared with the builder).
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "Font/Font_Face.h"

class CFontTessera;

// A sprite font: glyph i is character map[i] drawn with frame i; a space is added when the map has
// none (it only moves the pen). Proportional (prop) glyphs advance by the frame's cropped width + sep,
// others by the sprite's width + sep. Null when the sprite does not exist.
std::unique_ptr<CFontTessera> Font_MakeFromSprite(int32_t sprite, const std::u16string& map, bool prop, int32_t sep);
// The map of font_add_sprite: characters first, first + 1, ... through the character table, one a frame.
std::u16string Font_SpriteMap(int32_t sprite, int32_t first);

// Lays rendered glyphs out on one coverage map: every glyph rectangle is a whole line high (its top
// on the line's top), as wide as its bitmap; the map is the narrowest power of two from 64 to 4096
// that holds them no taller than it is wide.
void Font_PackGlyphs(const FaceRender& render, CFontTessera& font);

// A font from a system typeface: the family is looked up (the best match stands in for one that is
// missing, and `note` then says which), characters first..last (limited to 0..255) rendered at
// `size` points. Null with `note` set when no face can be rendered.
std::unique_ptr<CFontTessera> Font_MakeFromFamily(const std::string& family, int32_t size, bool bold, bool italic,
                                                  int32_t first, int32_t last, std::string& note);
