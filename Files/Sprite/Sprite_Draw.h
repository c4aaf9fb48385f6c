// Drawing sprites and backgrounds: which image a frame is, view culling, the default drawing of an
// instance, room background layers and tiles (the room drawing's hooks).
#pragma once
#include <cstdint>

#include "Graphics/Graphics_Quad.h"

class CBackground;
class CInstance;
class CSprite;
struct CBackgroundLayer;
struct CTile;
struct DrawArea;

// The frame to draw of a sprite with `frameCount` frames: a negative frame means the instance's
// floor(image_index) (0 without an instance); then modulo the count, a negative remainder fixed.
// -1 when the sprite has no frames.
int32_t Sprite_FrameToDraw(int32_t frameCount, int32_t frame, const CInstance* self);
// The image of a frame (its page entry, or its run-time texture); not drawable when it has neither.
QuadImage Sprite_FrameImage(const CSprite& sprite, int32_t frame);
QuadImage Background_Image(const CBackground& background);

// View culling: true when a thing drawn at (x, y) reaching rx, ry around it meets the current view
// (always true while culling is off).
bool Draw_InView(float x, float y, float rx, float ry);

// The default drawing of an instance (its sprite with its image fields); nothing when the sprite is
// missing.
void Sprite_DrawInstanceDefault(CInstance* self);
// A room background layer tiled over `area` with its flags, scale, blend and alpha.
void Background_DrawLayer(const CBackgroundLayer& layer, const DrawArea& area);
// One tile: its rectangle of its background at its position, scale, blend and alpha.
void Background_DrawTile(const CTile& tile);

// The cursor sprite: frame `frame` (modulo the count) with its origin at (x, y), scale 1, white.
void Sprite_DrawCursor(int sprite, int frame, float x, float y);

// Fills g_DrawHooks with the four above.
void Sprite_InstallDrawHooks();
