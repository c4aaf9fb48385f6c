// A texture-page entry: where one frame of a sprite, background or font lies on a texture page.
// The data file holds 22-byte records of 16-bit signed fields; the runner keeps its own copy of each
// record (the loader checks every field), shared by every resource that names the same file offset.
#pragma once
#include <cstdint>

struct TexturePageEntry {
  int16_t sourceX = 0, sourceY = 0;            // the rectangle on the texture page
  int16_t sourceWidth = 0, sourceHeight = 0;
  int16_t targetX = 0, targetY = 0;            // where it lies inside the full frame (cropped borders)
  int16_t targetWidth = 0, targetHeight = 0;   // the drawn quad at scale 1 (0 becomes 1 when first drawn)
  int16_t frameWidth = 0, frameHeight = 0;     // the full, uncropped frame (tiling step)
  int16_t texture = 0;                         // page number in the file; the texture id once loaded
};
