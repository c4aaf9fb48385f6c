// Drawing in 3-D: the primitive list with z and normals, and the textured solids. Vertices take
// the current drawing colour and alpha unless given their own; texture coordinates of the solids run
// from 0 to the repeat counts, with texture repeat forced on while a solid draws.
#pragma once
#include <cstdint>

inline constexpr int kD3DMaxPrimitiveVertices = 32768;

// A vertex of the primitive list (normal 0 when not given).
struct D3DVertex {
  float x = 0, y = 0, z = 0;
  float nx = 0, ny = 0, nz = 0;
  float u = 0, v = 0;
  int32_t colour = 0;  // script colour
  double alpha = 1;
};

// kind: 1 point list ... 6 triangle fan; texture: a texture id or -1.
void D3D_PrimitiveBegin(int kind, int texture);
// Vertices past the limit are dropped.
void D3D_PrimitiveVertex(const D3DVertex& v);
void D3D_PrimitiveEnd();

void D3D_DrawBlock(float x1, float y1, float z1, float x2, float y2, float z2, int texture, float hrepeat,
                   float vrepeat);
// Steps are clamped to 3..128; `closed` adds the caps.
void D3D_DrawCylinder(float x1, float y1, float z1, float x2, float y2, float z2, int texture, float hrepeat,
                      float vrepeat, bool closed, int steps);
void D3D_DrawCone(float x1, float y1, float z1, float x2, float y2, float z2, int texture, float hrepeat,
                  float vrepeat, bool closed, int steps);
void D3D_DrawEllipsoid(float x1, float y1, float z1, float x2, float y2, float z2, int texture, float hrepeat,
                       float vrepeat, int steps);
// An upright quad from (x1, y1, z1) to (x2, y2, z2); nothing when x1 = x2 and y1 = y2.
void D3D_DrawWall(float x1, float y1, float z1, float x2, float y2, float z2, int texture, float hrepeat,
                  float vrepeat);
// A quad from (x1, y1, z1) to (x2, y2, z2), its z going with y.
void D3D_DrawFloor(float x1, float y1, float z1, float x2, float y2, float z2, int texture, float hrepeat,
                   float vrepeat);
