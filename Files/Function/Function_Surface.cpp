// Surfaces from game code: the surface table, drawing into surfaces, drawing surfaces as images
// (with the background builders' arithmetic on the surface's texture), reading and saving their
// pixels, copying between them.
#include <algorithm>
#include <cmath>
#include <string>

#include "Code/Code_Error.h"
#include "Function/Function_Register.h"
#include "Graphics/Graphics_Batch.h"
#include "Graphics/Graphics_Colour.h"
#include "Graphics/Graphics_Display.h"
#include "Graphics/Graphics_DrawState.h"
#include "Graphics/Graphics_Image.h"
#include "Graphics/Graphics_Surface.h"
#include "Graphics/Graphics_Texture.h"
#include "Room/Room_Class.h"

namespace {

using Args = RValue*;

double Real(int argc, Args args, int i) { return FunctionArgument(argc, args, i).real; }
int Index(int argc, Args args, int i) { return FunctionArgumentIndex(FunctionArgument(argc, args, i)); }

// The surface of argument 0, or null after the error for a missing one.
const SurfaceRecord* SurfaceArg(int argc, Args args, int i = 0) {
  const SurfaceRecord* s = Surface_Get(Index(argc, args, i));
  if (s == nullptr) ReportActionError("Trying to use non-existing surface.", false);
  return s;
}

DeviceTexture* DeviceOf(const SurfaceRecord& s) {
  const TextureSlot* slot = GR_Texture_Slot(s.texture);
  return slot != nullptr ? slot->texture : nullptr;
}

// ---- The raw-texture builders (a surface is a whole texture of its exact size) ----------------------

struct Corner {
  float x, y;
};

// One quad of a raw texture: corners TL, TR, BR, BL moved by -0.5 pixel, texture rectangle in pixels.
void Quad(int texture, const Corner (&c)[4], float u0, float v0, float u1, float v1, const uint32_t (&colour)[4]) {
  const TextureSlot* slot = GR_Texture_Slot(texture);
  if (slot == nullptr) return;
  VertexTextured* v = Batch_AddTextured(kPrimTriangleList, texture, 6);
  if (v == nullptr) return;
  const float z = g_DrawState.depth;
  u0 *= slot->recipWidth;
  u1 *= slot->recipWidth;
  v0 *= slot->recipHeight;
  v1 *= slot->recipHeight;
  const VertexTextured tl{c[0].x - 0.5f, c[0].y - 0.5f, z, colour[0], u0, v0};
  const VertexTextured tr{c[1].x - 0.5f, c[1].y - 0.5f, z, colour[1], u1, v0};
  const VertexTextured br{c[2].x - 0.5f, c[2].y - 0.5f, z, colour[2], u1, v1};
  const VertexTextured bl{c[3].x - 0.5f, c[3].y - 0.5f, z, colour[3], u0, v1};
  v[0] = tl;
  v[1] = tr;
  v[2] = br;
  v[3] = br;
  v[4] = bl;
  v[5] = tl;
}

// The corners of the rectangle (L, T)-(R, B) relative to (x, y), turned by `a` radians about (x, y)
// when |a| is at least `still`.
void Corners(double x, double y, double L, double T, double R, double B, double a, double still, Corner (&c)[4]) {
  const double px[4] = {L, R, R, L}, py[4] = {T, T, B, B};
  const bool turn = std::fabs(a) >= still;
  const double s = turn ? std::sin(a) : 0, co = turn ? std::cos(a) : 1;
  for (int i = 0; i < 4; ++i) {
    c[i] = Corner{float(x + co * px[i] + s * py[i]), float(y - s * px[i] + co * py[i])};
  }
}

constexpr double kDegrees = 3.1415927 / 180.0;

// The scaled and rotated builder with origin (0, 0).
void DrawScaled(const SurfaceRecord& s, double x, double y, double sx, double sy, double degrees, int32_t colour,
                double alpha) {
  Corner c[4];
  Corners(x, y, 0, 0, sx * s.width, sy * s.height, degrees * kDegrees, 0.001, c);
  const uint32_t argb = GR_Colour(colour, alpha);
  Quad(s.texture, c, 0, 0, float(s.width), float(s.height), {argb, argb, argb, argb});
}

// The part builder with corner colours (a surface has no cropped border).
void DrawPart(const SurfaceRecord& s, double left, double top, double w, double h, double x, double y, double sx,
              double sy, double degrees, const int32_t (&colours)[4], double alpha) {
  double startX = left, startY = top;
  if (left < 0) {
    startX = 0;
    w += left;
    x += std::trunc(-left);
  }
  if (top < 0) {
    startY = 0;
    h += top;
    y += std::trunc(-top);
  }
  const double usedW = std::min(w, double(s.width)), usedH = std::min(h, double(s.height));
  if (usedW <= 0 || usedH <= 0) return;
  Corner c[4];
  Corners(x, y, 0, 0, usedW * sx, usedH * sy, degrees * kDegrees, 0.01, c);
  const uint32_t a = GR_AlphaByteRounded(alpha);
  const uint32_t argb[4] = {GR_ARGB(colours[0], a), GR_ARGB(colours[1], a), GR_ARGB(colours[2], a),
                            GR_ARGB(colours[3], a)};
  Quad(s.texture, c, float(startX), float(startY), float(startX + usedW), float(startY + usedH), argb);
}

// The tiled builder over the room (origin 0, tiling both ways).
void DrawTiled(const SurfaceRecord& s, double x, double y, double sx, double sy, int32_t colour, double alpha) {
  const CRoom* room = Room_Current();
  const double areaW = room ? room->width : g_Display.gameWidth, areaH = room ? room->height : g_Display.gameHeight;
  const double stepX = std::trunc(sx * s.width), stepY = std::trunc(sy * s.height);
  if (stepX <= 0 || stepY <= 0) return;
  auto start = [](double origin, double step, double frame, double low, double span) {
    double k = std::fmod(origin, step);
    if (k > 0) k -= step;
    while (low > k + step) k += step;
    while (k >= low + span) k -= step;
    return k - frame;
  };
  const double x0 = start(std::trunc(x), stepX, s.width, 0, areaW);
  const double y0 = start(std::trunc(y), stepY, s.height, 0, areaH);
  const uint32_t argb = GR_Colour(colour, alpha);
  const float u1 = float(s.width) - 0.5f;
  for (double cx = x0; cx < areaW; cx += stepX) {
    for (double cy = y0; cy < areaH; cy += stepY) {
      const double r = cx + s.width * sx, b = cy + s.height * sy;
      const Corner c[4] = {{float(cx), float(cy)}, {float(r), float(cy)}, {float(r), float(b)}, {float(cx), float(b)}};
      Quad(s.texture, c, 0, 0, u1, float(s.height), {argb, argb, argb, argb});
    }
  }
}

// ---- The functions ----------------------------------------------------------------------------------

void F_SurfaceCreate(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(Surface_Create(Index(argc, args, 0), Index(argc, args, 1)));
}
void F_SurfaceFree(RValue&, CInstance*, CInstance*, int argc, Args args) { Surface_Free(Index(argc, args, 0)); }
void F_SurfaceExists(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(Surface_Exists(Index(argc, args, 0)) ? 1 : 0);
}
void F_SurfaceGetWidth(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  const SurfaceRecord* s = Surface_Get(Index(argc, args, 0));
  r.SetReal(s ? s->width : -1);
}
void F_SurfaceGetHeight(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  const SurfaceRecord* s = Surface_Get(Index(argc, args, 0));
  r.SetReal(s ? s->height : -1);
}
void F_SurfaceGetTexture(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  const SurfaceRecord* s = Surface_Get(Index(argc, args, 0));
  r.SetReal(s ? s->texture : -1);
}
void F_SurfaceSetTarget(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(Surface_SetTarget(Index(argc, args, 0)) ? 1 : 0);
}
void F_SurfaceResetTarget(RValue&, CInstance*, CInstance*, int, Args) { Surface_ResetTarget(); }

void F_DrawSurface(RValue&, CInstance*, CInstance*, int argc, Args args) {
  if (const SurfaceRecord* s = SurfaceArg(argc, args)) {
    DrawScaled(*s, std::floor(Real(argc, args, 1)), std::floor(Real(argc, args, 2)), 1, 1, 0, kColourWhite,
               g_DrawState.alpha);
  }
}
void F_DrawSurfaceExt(RValue&, CInstance*, CInstance*, int argc, Args args) {
  if (const SurfaceRecord* s = SurfaceArg(argc, args)) {
    DrawScaled(*s, Real(argc, args, 1), Real(argc, args, 2), Real(argc, args, 3), Real(argc, args, 4),
               Real(argc, args, 5), Index(argc, args, 6), Real(argc, args, 7));
  }
}
void Stretched(const SurfaceRecord& s, int argc, Args args, int32_t colour, double alpha) {
  const double w = Real(argc, args, 3), h = Real(argc, args, 4);
  if (w <= 0 || h <= 0 || s.width <= 0 || s.height <= 0) return;
  DrawScaled(s, Real(argc, args, 1), Real(argc, args, 2), w / s.width, h / s.height, 0, colour, alpha);
}
void F_DrawSurfaceStretched(RValue&, CInstance*, CInstance*, int argc, Args args) {
  if (const SurfaceRecord* s = SurfaceArg(argc, args)) Stretched(*s, argc, args, kColourWhite, g_DrawState.alpha);
}
void F_DrawSurfaceStretchedExt(RValue&, CInstance*, CInstance*, int argc, Args args) {
  if (const SurfaceRecord* s = SurfaceArg(argc, args)) Stretched(*s, argc, args, Index(argc, args, 5), Real(argc, args, 6));
}
void F_DrawSurfacePart(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const SurfaceRecord* s = SurfaceArg(argc, args);
  if (s == nullptr) return;
  const int32_t white[4] = {kColourWhite, kColourWhite, kColourWhite, kColourWhite};
  DrawPart(*s, Real(argc, args, 1), Real(argc, args, 2), Real(argc, args, 3), Real(argc, args, 4), Real(argc, args, 5),
           Real(argc, args, 6), 1, 1, 0, white, g_DrawState.alpha);
}
void F_DrawSurfacePartExt(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const SurfaceRecord* s = SurfaceArg(argc, args);
  if (s == nullptr) return;
  const int32_t c = Index(argc, args, 9);
  const int32_t colours[4] = {c, c, c, c};
  DrawPart(*s, Real(argc, args, 1), Real(argc, args, 2), Real(argc, args, 3), Real(argc, args, 4), Real(argc, args, 5),
           Real(argc, args, 6), Real(argc, args, 7), Real(argc, args, 8), 0, colours, Real(argc, args, 10));
}
void F_DrawSurfaceGeneral(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const SurfaceRecord* s = SurfaceArg(argc, args);
  if (s == nullptr) return;
  const int32_t colours[4] = {Index(argc, args, 10), Index(argc, args, 11), Index(argc, args, 12),
                              Index(argc, args, 13)};
  DrawPart(*s, Real(argc, args, 1), Real(argc, args, 2), Real(argc, args, 3), Real(argc, args, 4), Real(argc, args, 5),
           Real(argc, args, 6), Real(argc, args, 7), Real(argc, args, 8), Real(argc, args, 9), colours,
           Real(argc, args, 14));
}
void F_DrawSurfaceTiled(RValue&, CInstance*, CInstance*, int argc, Args args) {
  if (const SurfaceRecord* s = SurfaceArg(argc, args)) {
    DrawTiled(*s, Real(argc, args, 1), Real(argc, args, 2), 1, 1, kColourWhite, g_DrawState.alpha);
  }
}
void F_DrawSurfaceTiledExt(RValue&, CInstance*, CInstance*, int argc, Args args) {
  if (const SurfaceRecord* s = SurfaceArg(argc, args)) {
    DrawTiled(*s, Real(argc, args, 1), Real(argc, args, 2), Real(argc, args, 3), Real(argc, args, 4),
              Index(argc, args, 5), Real(argc, args, 6));
  }
}

// The pixels of a rectangle of a surface, clipped to it (empty when nothing is left).
CBitmap32 ReadSurface(const SurfaceRecord& s, int32_t x, int32_t y, int32_t w, int32_t h) {
  return Surface_Read(s, x, y, w, h);
}

void SaveSurface(const SurfaceRecord& s, const std::string& path, int32_t x, int32_t y, int32_t w, int32_t h) {
  if (path.empty()) {
    ReportActionError("Trying to save surface to empty image file name.", false);
    return;
  }
  const CBitmap32 pixels = ReadSurface(s, x, y, w, h);
  if (pixels.Empty()) return;
  std::string error;
  Image_SavePNGFile(path, pixels.Data(), pixels.Width(), pixels.Height(), error);
}

void F_SurfaceSave(RValue&, CInstance*, CInstance*, int argc, Args args) {
  if (const SurfaceRecord* s = SurfaceArg(argc, args)) {
    SaveSurface(*s, FunctionArgument(argc, args, 1).Str(), 0, 0, s->width, s->height);
  }
}
void F_SurfaceSavePart(RValue&, CInstance*, CInstance*, int argc, Args args) {
  if (const SurfaceRecord* s = SurfaceArg(argc, args)) {
    SaveSurface(*s, FunctionArgument(argc, args, 1).Str(), Index(argc, args, 2), Index(argc, args, 3),
                Index(argc, args, 4), Index(argc, args, 5));
  }
}
// The pixel in the device's order: red in the high byte (0xRRGGBB), as draw_getpixel.
void F_SurfaceGetPixel(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(0);
  const SurfaceRecord* s = SurfaceArg(argc, args);
  if (s == nullptr) return;
  const CBitmap32 p = ReadSurface(*s, Index(argc, args, 1), Index(argc, args, 2), 1, 1);
  if (p.Empty()) return;
  const uint8_t* px = p.Data();
  r.SetReal(double((uint32_t(px[0]) << 16) | (uint32_t(px[1]) << 8) | px[2]));
}

// Pixels of `source` (a rectangle) replace those of `dest` at (x, y); nothing is blended.
void Copy(int argc, Args args, int sourceArg, int32_t sx, int32_t sy, int32_t sw, int32_t sh, bool whole) {
  const SurfaceRecord* dest = SurfaceArg(argc, args, 0);
  const SurfaceRecord* source = dest ? SurfaceArg(argc, args, sourceArg) : nullptr;
  if (source == nullptr) return;
  if (whole) {
    sw = source->width;
    sh = source->height;
  }
  int32_t x = Index(argc, args, 1), y = Index(argc, args, 2);
  // Clip the source rectangle to the source, then the destination to the destination.
  if (sx < 0) { x -= sx; sw += sx; sx = 0; }
  if (sy < 0) { y -= sy; sh += sy; sy = 0; }
  if (x < 0) { sx -= x; sw += x; x = 0; }
  if (y < 0) { sy -= y; sh += y; y = 0; }
  sw = std::min({sw, source->width - sx, dest->width - x});
  sh = std::min({sh, source->height - sy, dest->height - y});
  if (sw <= 0 || sh <= 0) return;
  const CBitmap32 pixels = ReadSurface(*source, sx, sy, sw, sh);
  DeviceTexture* target = DeviceOf(*dest);
  if (pixels.Empty() || target == nullptr) return;
  Device().Upload(target, x, y, pixels.Width(), pixels.Height(), pixels.Data(), size_t(pixels.Width()) * 4);
}
void F_SurfaceCopy(RValue&, CInstance*, CInstance*, int argc, Args args) { Copy(argc, args, 3, 0, 0, 0, 0, true); }
void F_SurfaceCopyPart(RValue&, CInstance*, CInstance*, int argc, Args args) {
  Copy(argc, args, 3, Index(argc, args, 4), Index(argc, args, 5), Index(argc, args, 6), Index(argc, args, 7), false);
}

}  // namespace

void Function_Surface_Bind() {
  ImplementFunction("surface_create", F_SurfaceCreate);
  ImplementFunction("surface_free", F_SurfaceFree);
  ImplementFunction("surface_exists", F_SurfaceExists);
  ImplementFunction("surface_get_width", F_SurfaceGetWidth);
  ImplementFunction("surface_get_height", F_SurfaceGetHeight);
  ImplementFunction("surface_get_texture", F_SurfaceGetTexture);
  ImplementFunction("surface_set_target", F_SurfaceSetTarget);
  ImplementFunction("surface_reset_target", F_SurfaceResetTarget);
  ImplementFunction("draw_surface", F_DrawSurface);
  ImplementFunction("draw_surface_ext", F_DrawSurfaceExt);
  ImplementFunction("draw_surface_stretched", F_DrawSurfaceStretched);
  ImplementFunction("draw_surface_stretched_ext", F_DrawSurfaceStretchedExt);
  ImplementFunction("draw_surface_part", F_DrawSurfacePart);
  ImplementFunction("draw_surface_part_ext", F_DrawSurfacePartExt);
  ImplementFunction("draw_surface_general", F_DrawSurfaceGeneral);
  ImplementFunction("draw_surface_tiled", F_DrawSurfaceTiled);
  ImplementFunction("draw_surface_tiled_ext", F_DrawSurfaceTiledExt);
  ImplementFunction("surface_save", F_SurfaceSave);
  ImplementFunction("surface_save_part", F_SurfaceSavePart);
  ImplementFunction("surface_getpixel", F_SurfaceGetPixel);
  ImplementFunction("surface_copy", F_SurfaceCopy);
  ImplementFunction("surface_copy_part", F_SurfaceCopyPart);
}
