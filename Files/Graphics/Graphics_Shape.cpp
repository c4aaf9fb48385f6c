#include "Graphics/Graphics_Shape.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "Graphics/Graphics_Batch.h"
#include "Graphics/Graphics_Colour.h"
#include "Graphics/Graphics_ColourMath.h"
#include "Graphics/Graphics_DrawState.h"

namespace {

constexpr int32_t kMaxPrecision = 64;
constexpr int32_t kGrey = 0x808080;
constexpr int32_t kBlack = 0;

struct CircleTables {
  int32_t precision = 0;
  float cosines[kMaxPrecision + 1] = {};
  float sines[kMaxPrecision + 1] = {};
};

CircleTables MakeTables(int32_t n) {
  CircleTables t;
  t.precision = n;
  for (int32_t i = 0; i <= n; ++i) {
    const float a = float(i) * 2.0f * 3.1415927f / float(n);
    t.cosines[i] = std::cos(a);
    t.sines[i] = std::sin(a);
  }
  return t;
}

CircleTables g_Circle = MakeTables(24);

VertexTextured* Reserve(int type, int count) { return Batch_AddTextured(type, kNoTexture, count); }

void Put(VertexTextured& v, float x, float y, uint32_t c) { v = VertexTextured{x, y, g_DrawState.depth, c, 0, 0}; }

// A whole right or bottom edge moves 0.01 out so that the edge's pixels are covered.
float Edge(float v) { return std::floor(v) == v ? v + 0.01f : v; }

void Order(float& a, float& b) {
  if (a > b) std::swap(a, b);
}

uint32_t Vertex(int32_t colour, double alpha) { return GR_Colour(colour, alpha); }

}  // namespace

void Shape_SetCirclePrecision(int32_t n) { g_Circle = MakeTables(std::clamp(n, 4, kMaxPrecision) & ~3); }
int32_t Shape_CirclePrecision() { return g_Circle.precision; }

void Shape_Point(float x, float y, uint32_t c) { Put(*Reserve(kPrimPointList, 1), x, y, c); }

void Shape_Line(float x1, float y1, float x2, float y2, uint32_t c1, uint32_t c2) {
  VertexTextured* v = Reserve(kPrimLineList, 2);
  Put(v[0], x1, y1, c1);
  Put(v[1], x2, y2, c2);
}

void Shape_LineWidth(float x1, float y1, float x2, float y2, float w, uint32_t c1, uint32_t c2) {
  const float dx = x2 - x1, dy = y2 - y1;
  const float length = std::sqrt(dx * dx + dy * dy);
  if (length == 0) return;
  const float hx = w / 2 * dy / length, hy = w / 2 * dx / length;
  VertexTextured* v = Reserve(kPrimTriangleFan, 4);
  Put(v[0], x1 - hx, y1 + hy, c1);
  Put(v[1], x2 - hx, y2 + hy, c2);
  Put(v[2], x2 + hx, y2 - hy, c2);
  Put(v[3], x1 + hx, y1 - hy, c1);
}

void Shape_Rectangle(float x1, float y1, float x2, float y2, const uint32_t colours[4], bool outline) {
  Order(x1, x2);
  Order(y1, y2);
  x2 = Edge(x2);
  y2 = Edge(y2);
  const float xs[4] = {x1, x2, x2, x1}, ys[4] = {y1, y1, y2, y2};
  if (!outline) {
    static constexpr int kCorners[6] = {0, 1, 2, 2, 3, 0};
    VertexTextured* v = Reserve(kPrimTriangleList, 6);
    for (int i = 0; i < 6; ++i) Put(v[i], xs[kCorners[i]], ys[kCorners[i]], colours[kCorners[i]]);
    return;
  }
  VertexTextured* v = Reserve(kPrimLineStrip, 5);
  for (int i = 0; i < 5; ++i) Put(v[i], xs[i % 4], ys[i % 4], colours[i % 4]);
  v = Reserve(kPrimPointList, 4);  // the corner pixels
  for (int i = 0; i < 4; ++i) Put(v[i], xs[i], ys[i], colours[i]);
}

void Shape_RoundRect(float x1, float y1, float x2, float y2, float cornerWidth, float cornerHeight, uint32_t centre,
                     uint32_t rim, bool outline) {
  Order(x1, x2);
  Order(y1, y2);
  x2 = Edge(x2);
  y2 = Edge(y2);
  const float rx = std::clamp(cornerWidth, 0.0f, x2 - x1) / 2, ry = std::clamp(cornerHeight, 0.0f, y2 - y1) / 2;
  const int32_t n = g_Circle.precision, quarter = n / 4;
  // The corners' centres, in the order the angle runs on a y-down screen: bottom-right from 0
  // degrees, then bottom-left, top-left, top-right.
  const float cx[4] = {x2 - rx, x1 + rx, x1 + rx, x2 - rx}, cy[4] = {y2 - ry, y2 - ry, y1 + ry, y1 + ry};
  const int count = n + 6;
  VertexTextured* v = Reserve(outline ? kPrimLineStrip : kPrimTriangleFan, count);
  int k = 1;
  for (int corner = 0; corner < 4; ++corner) {
    for (int i = corner * quarter; i <= (corner + 1) * quarter; ++i, ++k) {
      Put(v[k], cx[corner] + g_Circle.cosines[i] * rx, cy[corner] + g_Circle.sines[i] * ry, rim);
    }
  }
  v[k] = v[1];  // closes the rim
  if (outline) v[0] = v[1];
  else Put(v[0], (x1 + x2) / 2, (y1 + y2) / 2, centre);
}

void Shape_Triangle(const float xy[6], const uint32_t colours[3], bool outline) {
  const int count = outline ? 4 : 3;
  VertexTextured* v = Reserve(outline ? kPrimLineStrip : kPrimTriangleList, count);
  for (int i = 0; i < count; ++i) Put(v[i], xy[(i % 3) * 2], xy[(i % 3) * 2 + 1], colours[i % 3]);
}

void Shape_Ellipse(float x1, float y1, float x2, float y2, uint32_t centre, uint32_t rim, bool outline) {
  const float cx = (x1 + x2) / 2, cy = (y1 + y2) / 2;
  const float rx = std::fabs(x1 - x2) / 2, ry = std::fabs(y1 - y2) / 2;
  const int32_t n = g_Circle.precision;
  auto px = [&](int i) { return g_Circle.cosines[i] * rx + cx; };
  auto py = [&](int i) { return g_Circle.sines[i] * ry + cy; };
  if (outline) {
    VertexTextured* v = Reserve(kPrimLineStrip, n + 1);
    for (int i = 0; i <= n; ++i) Put(v[i], px(i), py(i), rim);
    return;
  }
  VertexTextured* v = Reserve(kPrimTriangleList, n * 3);
  for (int i = 0; i < n; ++i, v += 3) {
    Put(v[0], cx, cy, centre);
    Put(v[1], px(i), py(i), rim);
    Put(v[2], px(i + 1), py(i + 1), rim);
  }
}

void Shape_Arrow(float x1, float y1, float x2, float y2, float size, uint32_t c) {
  const float dx = x2 - x1, dy = y2 - y1;
  const float length = std::sqrt(dx * dx + dy * dy);
  if (length == 0) return;
  size = std::min(size, length);
  const float ux = size * dx / length, uy = size * dy / length;
  Shape_Line(x1, y1, x2, y2, c, c);
  const float xy[6] = {x2, y2, x2 - ux - uy / 3, y2 - uy + ux / 3, x2 - ux + uy / 3, y2 - uy - ux / 3};
  const uint32_t colours[3] = {c, c, c};
  Shape_Triangle(xy, colours, false);
}

void Shape_Button(float x1, float y1, float x2, float y2, bool up, int32_t colour, double alpha) {
  const uint32_t white = Vertex(kColourWhite, alpha), grey = Vertex(kGrey, alpha);
  const uint32_t light = up ? white : grey, dark = up ? grey : white;
  const float topLeft[6] = {x1, y1, x2, y1, x1, y2}, bottomRight[6] = {x1, y2, x2, y1, x2, y2};
  const uint32_t lights[3] = {light, light, light}, darks[3] = {dark, dark, dark};
  Shape_Triangle(topLeft, lights, false);
  Shape_Triangle(bottomRight, darks, false);
  const uint32_t c = Vertex(colour, alpha);
  const uint32_t face[4] = {c, c, c, c};
  Shape_Rectangle(x1 + 2, y1 + 2, x2 - 2, y2 - 2, face, false);
}

int32_t Shape_HealthBarColour(double amount, int32_t minColour, int32_t maxColour) {
  const int32_t mid = Colour_Merge(minColour, maxColour, 0.5);
  if (amount > 50) return Colour_Merge(mid, maxColour, (amount - 50) / 50);
  return Colour_Merge(minColour, mid, amount / 50);
}

void Shape_HealthBar(const HealthBar& bar, double alpha) {
  auto fill = [&](float x1, float y1, float x2, float y2, int32_t colour, bool outline) {
    const uint32_t c = Vertex(colour, alpha);
    const uint32_t corners[4] = {c, c, c, c};
    Shape_Rectangle(x1, y1, x2, y2, corners, outline);
  };
  if (bar.showBack) {
    fill(bar.x1, bar.y1, bar.x2, bar.y2, bar.backColour, false);
    if (bar.showBorder) fill(bar.x1, bar.y1, bar.x2, bar.y2, kBlack, true);
  }
  const double amount = std::isnan(bar.amount) ? 0 : std::clamp(bar.amount, 0.0, 100.0);
  const float f = float(amount / 100);
  float x1 = bar.x1, y1 = bar.y1, x2 = bar.x2, y2 = bar.y2;
  switch (bar.direction) {
    case 1: x1 = bar.x2 - (bar.x2 - bar.x1) * f; break;
    case 2: y2 = bar.y1 + (bar.y2 - bar.y1) * f; break;
    case 3: y1 = bar.y2 - (bar.y2 - bar.y1) * f; break;
    default: x2 = bar.x1 + (bar.x2 - bar.x1) * f; break;
  }
  const int32_t colour = Shape_HealthBarColour(amount, bar.minColour, bar.maxColour);
  fill(x1, y1, x2, y2, colour, false);
  if (bar.showBorder) fill(x1, y1, x2, y2, kBlack, true);
}
