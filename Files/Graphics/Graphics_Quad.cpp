#include "Graphics/Graphics_Quad.h"

#include <algorithm>
#include <cmath>

#include "Graphics/Graphics_Batch.h"
#include "Graphics/Graphics_Colour.h"
#include "Graphics/Graphics_DrawState.h"
#include "Graphics/Graphics_PageEntry.h"
#include "Graphics/Graphics_Texture.h"

namespace {

// An image as the builders see it: where it lies on its texture and inside its full frame.
struct Source {
  int texture = -1;
  float rw = 0, rh = 0;              // the slot's reciprocal size
  float srcX = 0, srcY = 0, srcW = 0, srcH = 0;
  float offX = 0, offY = 0;          // the cropped rectangle's place in the full frame
  float tgtW = 0, tgtH = 0;          // its size at scale 1
  float frameW = 0, frameH = 0;      // the full frame
  float shift = 0;                   // -0.5 for raw textures
};

bool Resolve(const QuadImage& image, Source& s) {
  if (TexturePageEntry* e = image.entry) {
    if (e->targetWidth == 0) e->targetWidth = 1;
    if (e->targetHeight == 0) e->targetHeight = 1;
    const TextureSlot* slot = GR_Texture_Slot(e->texture);
    if (slot == nullptr) return false;
    s.texture = e->texture;
    s.rw = slot->recipWidth;
    s.rh = slot->recipHeight;
    s.srcX = e->sourceX;
    s.srcY = e->sourceY;
    s.srcW = e->sourceWidth;
    s.srcH = e->sourceHeight;
    s.offX = e->targetX;
    s.offY = e->targetY;
    s.tgtW = e->targetWidth;
    s.tgtH = e->targetHeight;
    s.frameW = e->frameWidth;
    s.frameH = e->frameHeight;
    return true;
  }
  TextureSlot* slot = GR_Texture_Slot(image.texture);
  if (slot == nullptr) return false;
  if (slot->width == 0 || slot->height == 0) {
    slot->width = slot->height = 8;
    slot->recipWidth = slot->recipHeight = 0.125f;
  }
  s.texture = image.texture;
  s.rw = slot->recipWidth;
  s.rh = slot->recipHeight;
  s.srcW = s.tgtW = s.frameW = float(image.width);
  s.srcH = s.tgtH = s.frameH = float(image.height);
  s.shift = -0.5f;
  return true;
}

struct UV {
  float u0, v0, u1, v1;
};

UV TexRect(const Source& s, float x, float y, float w, float h) {
  return {x * s.rw, y * s.rh, (x + w) * s.rw, (y + h) * s.rh};
}

// Corners as x, y pairs: top-left, top-right, bottom-right, bottom-left.
struct Corners {
  float p[8];
};

// Writes one quad; `order` lists the corners (0 TL, 1 TR, 2 BR, 3 BL) of its six vertices.
void Emit(const Source& s, const Corners& c, const uint32_t colours[4], const UV& t, const int order[6]) {
  VertexTextured* v = Batch_AddTextured(kPrimTriangleList, s.texture, 6);
  if (v == nullptr) return;
  const float u[4] = {t.u0, t.u1, t.u1, t.u0};
  const float w[4] = {t.v0, t.v0, t.v1, t.v1};
  const float z = g_DrawState.depth;
  for (int i = 0; i < 6; ++i) {
    const int k = order[i];
    v[i] = {c.p[2 * k] + s.shift, c.p[2 * k + 1] + s.shift, z, colours[k], u[k], w[k]};
  }
}

constexpr int kQuadOrder[6] = {0, 1, 2, 2, 3, 0};
constexpr int kTiledOrder[6] = {3, 0, 1, 1, 2, 3};

void EmitQuad(const Source& s, const Corners& c, uint32_t colour, const UV& t) {
  const uint32_t colours[4] = {colour, colour, colour, colour};
  Emit(s, c, colours, t, kQuadOrder);
}

Corners Box(float left, float top, float right, float bottom) {
  return {{left, top, right, top, right, bottom, left, bottom}};
}

// The box (x + L .. x + R, y + T .. y + B), rotated about (x, y) unless |angle| < limit.
Corners RotatedBox(float x, float y, float L, float T, float R, float B, float angle, float limit) {
  if (std::fabs(angle) < limit) return Box(x + L, y + T, x + R, y + B);
  const float s = std::sin(angle), c = std::cos(angle);
  Corners out;
  const float px[4] = {L, R, R, L}, py[4] = {T, T, B, B};
  for (int k = 0; k < 4; ++k) {
    out.p[2 * k] = x + (c * px[k] + s * py[k]);
    out.p[2 * k + 1] = y + (-s * px[k] + c * py[k]);
  }
  return out;
}

}  // namespace

int32_t GR_Quad_FrameWidth(const QuadImage& image) { return image.entry ? image.entry->frameWidth : image.width; }
int32_t GR_Quad_FrameHeight(const QuadImage& image) { return image.entry ? image.entry->frameHeight : image.height; }

void GR_Quad_Plain(const QuadImage& image, float x, float y) {
  Source s;
  if (!Resolve(image, s)) return;
  const float left = x + s.offX, top = y + s.offY;
  EmitQuad(s, Box(left, top, left + s.tgtW, top + s.tgtH), GR_Colour(kColourWhite, g_DrawState.alpha),
           TexRect(s, s.srcX, s.srcY, s.srcW, s.srcH));
}

void GR_Quad_Scaled(const QuadImage& image, float ox, float oy, float x, float y, float sx, float sy, float angle,
                    int32_t colour, double alpha) {
  Source s;
  if (!Resolve(image, s)) return;
  const float L = (ox - s.offX) * -sx, T = (oy - s.offY) * -sy;
  const float R = sx * s.tgtW + L, B = sy * s.tgtH + T;
  EmitQuad(s, RotatedBox(x, y, L, T, R, B, angle, 0.001f), GR_Colour(colour, alpha),
           TexRect(s, s.srcX, s.srcY, s.srcW, s.srcH));
}

void GR_Quad_Stretched(const QuadImage& image, int32_t fullWidth, int32_t fullHeight, float x, float y, float w,
                       float h, int32_t colour, double alpha) {
  if (!(w > 0) || !(h > 0) || fullWidth <= 0 || fullHeight <= 0) return;
  GR_Quad_Scaled(image, 0, 0, x, y, w / float(fullWidth), h / float(fullHeight), 0, colour, alpha);
}

void GR_Quad_Corners(const QuadImage& image, const float corners[8], double alpha) {
  Source s;
  if (!Resolve(image, s)) return;
  Corners c;
  std::copy(corners, corners + 8, c.p);
  EmitQuad(s, c, GR_Colour(kColourWhite, alpha), TexRect(s, s.srcX, s.srcY, s.srcW, s.srcH));
}

void GR_Quad_Part(const QuadImage& image, float left, float top, float w, float h, float x, float y, float sx,
                  float sy, float angle, const int32_t colours[4], double alpha) {
  Source s;
  if (!Resolve(image, s)) return;
  const uint32_t a = GR_AlphaByteRounded(alpha);
  // Skip the cropped border the rectangle starts in; the part moves by the whole pixels skipped.
  float startX = left - s.offX, startY = top - s.offY;
  if (s.offX > left) {
    startX = 0;
    w -= s.offX - left;
    x += std::trunc(s.offX - left);
  }
  if (s.offY > top) {
    startY = 0;
    h -= s.offY - top;
    y += std::trunc(s.offY - top);
  }
  // Never past the image's right or bottom edge (that would show its neighbours on the page).
  const float usedW = std::min(w, s.tgtW - startX), usedH = std::min(h, s.tgtH - startY);
  if (!(usedW > 0) || !(usedH > 0)) return;
  const uint32_t c[4] = {GR_ARGB(colours[0], a), GR_ARGB(colours[1], a), GR_ARGB(colours[2], a),
                         GR_ARGB(colours[3], a)};
  Emit(s, RotatedBox(x, y, 0, 0, usedW * sx, usedH * sy, angle, 0.01f), c,
       TexRect(s, s.srcX + startX, s.srcY + startY, usedW, usedH), kQuadOrder);
}

namespace {

// At most this many quads per tiled draw, so that absurd areas or steps cannot stall a frame forever.
constexpr double kMaxTiledQuads = 4.0 * 1024 * 1024;

// The first column (or row) of a tiled draw: `aligned` is the image's position, `step` the tiling
// step, [lo, lo + size) the area. Returns false when the values are beyond any sensible position.
bool TileStart(double aligned, double step, double lo, double size, double frame, double& start) {
  if (!std::isfinite(aligned) || !std::isfinite(lo) || !std::isfinite(size) || std::fabs(aligned) > 1e12 ||
      std::fabs(lo) > 1e12 || std::fabs(size) > 1e12)
    return false;
  double k = std::fmod(aligned, step);
  if (k > 0) k -= step;
  // Step forward while the area starts past the next step, back while it ends before this one.
  if (lo > k + step) k += std::ceil((lo - step - k) / step) * step;
  while (lo > k + step) k += step;
  if (k >= lo + size) k -= (std::floor((k - lo - size) / step) + 1) * step;
  while (k >= lo + size) k -= step;
  start = k - frame;
  return true;
}

}  // namespace

void GR_Quad_Tiled(const QuadImage& image, const QuadTiling& t, int32_t colour, double alpha) {
  Source s;
  if (!Resolve(image, s)) return;
  const double stepX = std::trunc(double(t.sx) * s.frameW), stepY = std::trunc(double(t.sy) * s.frameH);
  if (!(stepX > 0) || !(stepY > 0)) return;
  const double x0 = std::trunc((t.ox - s.offX) * -t.sx) + std::trunc(double(t.x));
  const double y0 = std::trunc(double(t.y)) + std::trunc((t.oy - s.offY) * -t.sy);
  double startX = x0, startY = y0;
  if (t.htiled && !TileStart(x0, stepX, t.left, t.width, s.frameW, startX)) return;
  if (t.vtiled && !TileStart(y0, stepY, t.top, t.height, s.frameH, startY)) return;
  const double endX = double(t.left) + t.width, endY = double(t.top) + t.height;
  const double columns = t.htiled ? std::ceil((endX - startX) / stepX) : 1;
  const double rows = t.vtiled ? std::ceil((endY - startY) / stepY) : 1;
  if (columns * rows > kMaxTiledQuads) return;

  const uint32_t c = GR_Colour(colour, alpha);
  const uint32_t colours[4] = {c, c, c, c};
  // The right edge is inset by half a texel so that neighbouring tiles do not bleed into each other.
  const UV uv{s.srcX * s.rw, s.srcY * s.rh, (s.srcX + s.srcW - 0.5f) * s.rw, (s.srcY + s.srcH) * s.rh};
  const float w = s.tgtW * t.sx, h = s.tgtH * t.sy;
  for (double cx = startX; cx < endX; cx += stepX) {
    for (double cy = startY; cy < endY; cy += stepY) {
      const float left = float(cx), top = float(cy);
      Emit(s, Box(left, top, left + w, top + h), colours, uv, kTiledOrder);
      if (!t.vtiled) break;
    }
    if (!t.htiled) break;
  }
}
