#include "Graphics/Graphics_3DDraw.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "Graphics/Graphics_Batch.h"
#include "Graphics/Graphics_Colour.h"
#include "Graphics/Graphics_DrawState.h"
#include "Graphics/Graphics_RenderState.h"

namespace {

constexpr float kTwoPi = 2 * 3.1415927f;

struct P3 {
  float x, y, z;
};
P3 Sub(P3 a, P3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
P3 Cross(P3 a, P3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
float Dot(P3 a, P3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
P3 Unit(P3 a) {
  const float l = std::sqrt(Dot(a, a));
  return l > 0 ? P3{a.x / l, a.y / l, a.z / l} : a;
}

// The primitive list being built.
int g_kind = 0, g_texture = -1;
bool g_open = false;
std::vector<VertexNormal> g_list;

VertexNormal Make(P3 p, P3 n, float u, float v, uint32_t colour) {
  return VertexNormal{p.x, p.y, p.z, n.x, n.y, n.z, colour, u, v};
}

// The triangles of one solid, drawn as one triangle list with texture repeat on. Each triangle is
// turned so that, seen from the side its outward direction points to, it winds clockwise (the front
// face with counter-clockwise culling).
class Solid {
 public:
  explicit Solid(int texture) : texture_(texture), colour_(GR_Colour(g_DrawState.colour, g_DrawState.alpha)) {
    vertices_.clear();
  }
  void Triangle(P3 a, P3 b, P3 c, P3 na, P3 nb, P3 nc, const float uv[6], P3 outward) {
    if (Dot(Cross(Sub(b, a), Sub(c, a)), outward) < 0) {
      vertices_.push_back(Make(a, na, uv[0], uv[1], colour_));
      vertices_.push_back(Make(c, nc, uv[4], uv[5], colour_));
      vertices_.push_back(Make(b, nb, uv[2], uv[3], colour_));
      return;
    }
    vertices_.push_back(Make(a, na, uv[0], uv[1], colour_));
    vertices_.push_back(Make(b, nb, uv[2], uv[3], colour_));
    vertices_.push_back(Make(c, nc, uv[4], uv[5], colour_));
  }
  // Corners with texture coordinates (0, 0), (0, v), (h, v), (h, 0): two triangles, one normal.
  void Face(P3 c00, P3 c0v, P3 chv, P3 ch0, P3 n, float h, float v) {
    const float first[6] = {0, 0, 0, v, h, v}, second[6] = {h, v, h, 0, 0, 0};
    Triangle(c00, c0v, chv, n, n, n, first, n);
    Triangle(chv, ch0, c00, n, n, n, second, n);
  }
  ~Solid() {
    Batch_Flush();
    RenderState_SetRepeat(true);
    for (size_t at = 0; at < vertices_.size(); at += kBatchMaxVertices - kBatchMaxVertices % 3) {
      const int n = int(std::min<size_t>(vertices_.size() - at, kBatchMaxVertices - kBatchMaxVertices % 3));
      void* out = Batch_Add(kPrimTriangleList, texture_, sizeof(VertexNormal), n);
      if (out != nullptr) std::memcpy(out, &vertices_[at], size_t(n) * sizeof(VertexNormal));
    }
    Batch_Flush();
    RenderState_SetRepeat(g_DrawSettings.repeat);
  }

 private:
  static inline std::vector<VertexNormal> vertices_;
  int texture_;
  uint32_t colour_;
};

int Steps(int steps) { return std::clamp(steps, 3, 128); }

// The ring point i of steps around the centre of the box, and its outward direction.
P3 Ring(float cx, float cy, float rx, float ry, int i, int steps, float z) {
  const float a = float(i) * kTwoPi / float(steps);
  return {cx + rx * std::cos(a), cy + ry * std::sin(a), z};
}
P3 RingNormal(int i, int steps) {
  const float a = float(i) * kTwoPi / float(steps);
  return {std::cos(a), std::sin(a), 0};
}

// A cap of the ring at height z facing `up` (+1 or -1), texture coordinates from the ring's box.
void Cap(Solid& s, float cx, float cy, float rx, float ry, float z, float up, float h, float v, int steps) {
  const P3 n{0, 0, up}, centre{cx, cy, z};
  for (int i = 0; i < steps; ++i) {
    const float a0 = float(i) * kTwoPi / float(steps), a1 = float(i + 1) * kTwoPi / float(steps);
    const float uv[6] = {h / 2, v / 2, h * (0.5f + 0.5f * std::cos(a0)), v * (0.5f + 0.5f * std::sin(a0)),
                         h * (0.5f + 0.5f * std::cos(a1)), v * (0.5f + 0.5f * std::sin(a1))};
    s.Triangle(centre, Ring(cx, cy, rx, ry, i, steps, z), Ring(cx, cy, rx, ry, i + 1, steps, z), n, n, n, uv, n);
  }
}

void Tube(float x1, float y1, float z1, float x2, float y2, float z2, int texture, float h, float v, bool closed,
          int steps, bool cone) {
  steps = Steps(steps);
  Solid s(texture);
  const float cx = (x1 + x2) / 2, cy = (y1 + y2) / 2, rx = (x2 - x1) / 2, ry = (y2 - y1) / 2;
  for (int i = 0; i < steps; ++i) {
    const P3 b0 = Ring(cx, cy, rx, ry, i, steps, z1), b1 = Ring(cx, cy, rx, ry, i + 1, steps, z1);
    const P3 n0 = RingNormal(i, steps), n1 = RingNormal(i + 1, steps);
    const float u0 = h * float(i) / float(steps), u1 = h * float(i + 1) / float(steps);
    const P3 outward = Unit({n0.x + n1.x, n0.y + n1.y, 0});
    if (cone) {
      const P3 apex{cx, cy, z2};
      const float uv[6] = {u0, 0, (u0 + u1) / 2, v, u1, 0};
      s.Triangle(b0, apex, b1, n0, outward, n1, uv, outward);
      continue;
    }
    const P3 t0 = Ring(cx, cy, rx, ry, i, steps, z2), t1 = Ring(cx, cy, rx, ry, i + 1, steps, z2);
    const float first[6] = {u0, 0, u0, v, u1, v}, second[6] = {u1, v, u1, 0, u0, 0};
    s.Triangle(b0, t0, t1, n0, n0, n1, first, outward);
    s.Triangle(t1, b1, b0, n1, n1, n0, second, outward);
  }
  if (!closed) return;
  const float up = z2 >= z1 ? 1.0f : -1.0f;
  Cap(s, cx, cy, rx, ry, z1, -up, h, v, steps);
  if (!cone) Cap(s, cx, cy, rx, ry, z2, up, h, v, steps);
}

}  // namespace

void D3D_PrimitiveBegin(int kind, int texture) {
  g_kind = kind;
  g_texture = texture;
  g_open = true;
  g_list.clear();
}

void D3D_PrimitiveVertex(const D3DVertex& v) {
  if (!g_open || g_list.size() >= size_t(kD3DMaxPrimitiveVertices)) return;
  g_list.push_back(VertexNormal{v.x, v.y, v.z, v.nx, v.ny, v.nz, GR_Colour(v.colour, v.alpha), v.u, v.v});
}

void D3D_PrimitiveEnd() {
  if (!g_open) return;
  g_open = false;
  if (g_kind < kPrimPointList || g_kind > kPrimTriangleFan || g_list.empty()) return;
  void* out = Batch_Add(g_kind, g_texture, sizeof(VertexNormal), int(g_list.size()));
  if (out != nullptr) std::memcpy(out, g_list.data(), g_list.size() * sizeof(VertexNormal));
}

void D3D_DrawBlock(float x1, float y1, float z1, float x2, float y2, float z2, int texture, float h, float v) {
  Solid s(texture);
  s.Face({x1, y1, z1}, {x1, y2, z1}, {x2, y2, z1}, {x2, y1, z1}, {0, 0, -1}, h, v);
  s.Face({x1, y2, z2}, {x1, y1, z2}, {x2, y1, z2}, {x2, y2, z2}, {0, 0, 1}, h, v);
  s.Face({x1, y2, z1}, {x1, y2, z2}, {x2, y2, z2}, {x2, y2, z1}, {0, 1, 0}, h, v);
  s.Face({x2, y2, z1}, {x2, y2, z2}, {x2, y1, z2}, {x2, y1, z1}, {1, 0, 0}, h, v);
  s.Face({x2, y1, z1}, {x2, y1, z2}, {x1, y1, z2}, {x1, y1, z1}, {0, -1, 0}, h, v);
  s.Face({x1, y1, z1}, {x1, y1, z2}, {x1, y2, z2}, {x1, y2, z1}, {-1, 0, 0}, h, v);
}

void D3D_DrawCylinder(float x1, float y1, float z1, float x2, float y2, float z2, int texture, float h, float v,
                      bool closed, int steps) {
  Tube(x1, y1, z1, x2, y2, z2, texture, h, v, closed, steps, false);
}

void D3D_DrawCone(float x1, float y1, float z1, float x2, float y2, float z2, int texture, float h, float v,
                  bool closed, int steps) {
  Tube(x1, y1, z1, x2, y2, z2, texture, h, v, closed, steps, true);
}

void D3D_DrawEllipsoid(float x1, float y1, float z1, float x2, float y2, float z2, int texture, float h, float v,
                       int steps) {
  steps = Steps(steps);
  const int rings = std::max(2, steps / 2);
  Solid s(texture);
  const P3 c{(x1 + x2) / 2, (y1 + y2) / 2, (z1 + z2) / 2};
  const P3 r{(x2 - x1) / 2, (y2 - y1) / 2, (z2 - z1) / 2};
  // Latitude j from the bottom (z1) to the top (z2), longitude i around.
  auto unit = [&](int i, int j) {
    const float a = float(i) * kTwoPi / float(steps), b = float(j) * 3.1415927f / float(rings);
    return P3{std::sin(b) * std::cos(a), std::sin(b) * std::sin(a), -std::cos(b)};
  };
  auto at = [&](P3 u) { return P3{c.x + r.x * u.x, c.y + r.y * u.y, c.z + r.z * u.z}; };
  for (int j = 0; j < rings; ++j) {
    for (int i = 0; i < steps; ++i) {
      const P3 n00 = unit(i, j), n10 = unit(i + 1, j), n11 = unit(i + 1, j + 1), n01 = unit(i, j + 1);
      const float u0 = h * float(i) / float(steps), u1 = h * float(i + 1) / float(steps);
      const float v0 = v * float(j) / float(rings), v1 = v * float(j + 1) / float(rings);
      const P3 out = Unit({n00.x + n10.x + n11.x + n01.x, n00.y + n10.y + n11.y + n01.y, n00.z + n10.z + n11.z + n01.z});
      const float first[6] = {u0, v0, u0, v1, u1, v1}, second[6] = {u1, v1, u1, v0, u0, v0};
      s.Triangle(at(n00), at(n01), at(n11), n00, n01, n11, first, out);
      s.Triangle(at(n11), at(n10), at(n00), n11, n10, n00, second, out);
    }
  }
}

void D3D_DrawWall(float x1, float y1, float z1, float x2, float y2, float z2, int texture, float h, float v) {
  if (x1 == x2 && y1 == y2) return;
  const P3 n = Unit({y2 - y1, -(x2 - x1), 0});
  Solid s(texture);
  s.Face({x1, y1, z1}, {x1, y1, z2}, {x2, y2, z2}, {x2, y2, z1}, n, h, v);
}

void D3D_DrawFloor(float x1, float y1, float z1, float x2, float y2, float z2, int texture, float h, float v) {
  const P3 a{x1, y1, z1}, b{x1, y2, z2}, d{x2, y1, z1};
  P3 n = Unit(Cross(Sub(b, a), Sub(d, a)));
  if (n.z < 0) n = {-n.x, -n.y, -n.z};
  Solid s(texture);
  s.Face(a, b, {x2, y2, z2}, d, n, h, v);
}
