// Texture handles as game code sees them (sprite_get_texture, background_get_texture, and the
// primitive functions that take them): a texture id for a run-time image, or a number of 2^40 and
// above naming the page entry of a sprite frame or a background. Such a handle names the resource,
// not memory, so a handle kept past the resource's deletion resolves to nothing.
#pragma once
#include <cstdint>

struct TexturePageEntry;

double Sprite_TextureHandle(int32_t sprite, int32_t frame);
double Background_TextureHandle(int32_t background);

// What a handle stands for: a texture id (entry null) or a page entry (texture -1). False for a
// handle that names nothing.
bool TextureHandle_Resolve(double handle, int* texture, TexturePageEntry** entry);
