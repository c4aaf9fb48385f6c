// The built-in particle shapes: 14 images of 64 x 64 pixels, white with the shape in the alpha
// channel (drawn with the particle's colour and alpha), computed at start-up and made textures.
#pragma once
#include <cstdint>

class CBitmap32;

inline constexpr int32_t kParticleShapeSide = 64;

// The image of shape `shape` (0..13; others give the pixel).
CBitmap32 ParticleShape_Image(int32_t shape);
// Makes the 14 textures (again: after a device set-up the old ids are gone).
void ParticleShape_InitTextures();
// The texture id of a shape (made on first use when start-up did not), or -1.
int ParticleShape_Texture(int32_t shape);
