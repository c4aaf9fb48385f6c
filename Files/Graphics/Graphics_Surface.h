// Drawing surfaces: render-target textures of an exact size that drawing can be redirected into and
// that can be drawn like backgrounds. Surface ids index a table whose freed records are reused.
#pragma once
#include <cstdint>

#include "Graphics/Graphics_Image.h"

struct SurfaceRecord {
  int texture = -1;  // texture id (a render target)
  int32_t width = 0, height = 0;
  bool exists = false;
};

// A surface of exactly width x height; -1 when it cannot be made.
int32_t Surface_Create(int32_t width, int32_t height);
void Surface_Free(int32_t id);
void Surface_FreeAll();
bool Surface_Exists(int32_t id);
// The record of an existing surface, or null.
const SurfaceRecord* Surface_Get(int32_t id);

// The pixels of a rectangle of a surface, clipped to it (pending drawing is flushed first); empty
// when nothing is left or nothing could be read.
CBitmap32 Surface_Read(const SurfaceRecord& surface, int32_t x, int32_t y, int32_t width, int32_t height);

// Drawing goes into the surface (its own camera and viewport over its whole area); the camera in
// force before is saved (only one: nesting restores the outermost). False when it cannot be set.
bool Surface_SetTarget(int32_t id);
// Back to the target under it, with the saved camera. Nothing when no surface is the target.
void Surface_ResetTarget();
// The frame's end dropped every surface target.
void Surface_FrameEnded();
