// What the frame's room drawing asks of the stores that own the things it draws. A store that exists
// sets its entry; an empty entry draws nothing.
#pragma once

class CInstance;
struct CBackgroundLayer;
struct CTile;

// A rectangle in room coordinates: the area being drawn (the current view, or the room).
struct DrawArea {
  float left = 0, top = 0, right = 0, bottom = 0;
};

// A particle system drawn with the room, at its depth.
struct ParticleDrawEntry {
  int system = -1;
  float depth = 0;
};

struct DrawHooks {
  // The default drawing of an instance whose object has no draw event (its sprite with its image
  // fields); also what draw_self does.
  void (*drawInstanceDefault)(CInstance* self) = nullptr;
  // A room background or foreground layer, tiled over `area` as its flags say.
  void (*drawBackgroundLayer)(const CBackgroundLayer& layer, const DrawArea& area) = nullptr;
  // One tile (its rectangle of its background at its position, scale, blend and alpha).
  void (*drawTile)(const CTile& tile) = nullptr;
  // The cursor sprite at (x, y) in room coordinates: frame `frame`, scale 1, angle 0, white, alpha 1.
  void (*drawCursorSprite)(int sprite, int frame, float x, float y) = nullptr;
  // The particle systems drawn with the room, deepest first (equal depths in index order); the list
  // stays valid until the next call. Sets `count`.
  const ParticleDrawEntry* (*particleDrawList)(int* count) = nullptr;
  // One particle system (nothing when it no longer exists).
  void (*drawParticleSystem)(int system) = nullptr;
};

extern DrawHooks g_DrawHooks;
