// The quad builders: every sprite, background and tile image reaches the VertexBatch through them.
//
// An image is either a texture-page entry (a frame packed on a page, possibly cropped) or a raw
// texture id with the size of its image (run-time images). Raw images use the whole texture, and
// their quads are moved by -0.5 pixel in x and y; a raw texture whose slot has a zero side is treated
// as 8 x 8 (and the slot is set so). A page entry's target width or height of 0 becomes 1 the first
// time it is drawn. Texture coordinates come from the slot's reciprocal sizes; an id that is not a
// valid texture draws nothing. Every vertex has z = the current drawing depth.
//
// A quad is two triangles of a triangle list: top-left, top-right, bottom-right, then bottom-right,
// bottom-left, top-left (the tiled builder: bottom-left, top-left, top-right, then top-right,
// bottom-right, bottom-left). Angles are radians, counter-clockwise on a y-down screen.
#pragma once
#include <cstdint>

struct TexturePageEntry;

struct QuadImage {
  TexturePageEntry* entry = nullptr;  // a page entry, or null for a raw texture
  int texture = -1;                   // raw: the texture id
  int32_t width = 0, height = 0;      // raw: the image's size

  static QuadImage Page(TexturePageEntry* e) { return QuadImage{e, -1, 0, 0}; }
  static QuadImage Raw(int id, int32_t w, int32_t h) { return QuadImage{nullptr, id, w, h}; }
  bool Drawable() const { return entry != nullptr || texture >= 0; }
};

// Degrees (counter-clockwise) to the builders' radians.
inline float GR_Radians(double degrees) { return float(degrees) * 3.1415927f / 180.0f; }

// The image at (x, y) (its full frame's top-left corner), white, the current drawing alpha.
void GR_Quad_Plain(const QuadImage& image, float x, float y);

// Scaled by (sx, sy) and rotated by `angle` about the frame point (ox, oy), which lands on (x, y).
// |angle| < 0.001 counts as no rotation.
void GR_Quad_Scaled(const QuadImage& image, float ox, float oy, float x, float y, float sx, float sy, float angle,
                    int32_t colour, double alpha);

// The image (of full size fullWidth x fullHeight) scaled to w x h with its top-left corner at (x, y);
// nothing when w, h or the full size is not positive.
void GR_Quad_Stretched(const QuadImage& image, int32_t fullWidth, int32_t fullHeight, float x, float y, float w,
                       float h, int32_t colour, double alpha);

// The image stretched onto four free corners (top-left, top-right, bottom-right, bottom-left, as
// x, y pairs), white.
void GR_Quad_Corners(const QuadImage& image, const float corners[8], double alpha);

// The rectangle (left, top, w, h) of the full frame at (x, y), scaled and rotated about (x, y),
// with corner colours TL, TR, BR, BL. |angle| < 0.01 counts as no rotation. Cropped borders that
// the rectangle covers are skipped: the drawn part moves right / down by the whole pixels skipped.
void GR_Quad_Part(const QuadImage& image, float left, float top, float w, float h, float x, float y, float sx,
                  float sy, float angle, const int32_t colours[4], double alpha);

// The image tiled over the area (left, top, width, height): columns when `htiled`, rows when
// `vtiled`, otherwise one at the position; the frame point (ox, oy) is aligned with (x, y).
struct QuadTiling {
  float ox = 0, oy = 0;
  float x = 0, y = 0;
  float sx = 1, sy = 1;
  bool htiled = true, vtiled = true;
  float left = 0, top = 0, width = 0, height = 0;
};
void GR_Quad_Tiled(const QuadImage& image, const QuadTiling& tiling, int32_t colour, double alpha);

// The full frame's size: the entry's frame size, or the raw image's size.
int32_t GR_Quad_FrameWidth(const QuadImage& image);
int32_t GR_Quad_FrameHeight(const QuadImage& image);
