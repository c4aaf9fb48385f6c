#include "Physics/Physics_Fixture.h"

#include <cmath>
#include <map>

namespace {

std::map<int32_t, FixtureDesc> g_fixtures;
int32_t g_nextId = 0;

bool Finite(float v) { return std::isfinite(v); }

}  // namespace

int32_t Physics_FixtureCreate() {
  const int32_t id = g_nextId++;
  g_fixtures[id] = FixtureDesc();
  return id;
}

FixtureDesc* Physics_FixtureFind(int32_t id) {
  auto it = g_fixtures.find(id);
  return it != g_fixtures.end() ? &it->second : nullptr;
}

bool Physics_FixtureDelete(int32_t id) { return g_fixtures.erase(id) > 0; }

void Physics_FixtureReset() {
  g_fixtures.clear();
  g_nextId = 0;
}

std::string Physics_CheckPolygon(const std::vector<b2Vec2>& pixels, float scale) {
  const size_t n = pixels.size();
  if (n < 3) return "a polygon needs at least 3 points";
  if (n > b2_maxPolygonVertices) return "a polygon has at most 8 points";
  std::vector<b2Vec2> p(n);
  for (size_t i = 0; i < n; ++i) {
    if (!Finite(pixels[i].x) || !Finite(pixels[i].y)) return "a polygon point is not a number";
    p[i] = scale * pixels[i];
    if (!Finite(p[i].x) || !Finite(p[i].y)) return "a polygon point is too far away at this scale";
  }
  // Box2D welds points closer than half its linear slop.
  const float weld = 0.5f * b2_linearSlop;
  for (size_t i = 0; i < n; ++i) {
    for (size_t j = i + 1; j < n; ++j) {
      if (b2DistanceSquared(p[i], p[j]) < weld * weld) return "two polygon points are too close";
    }
  }
  // Strictly convex: every turn in the same direction, none straight, and one winding in all.
  float sign = 0, turned = 0;
  for (size_t i = 0; i < n; ++i) {
    const b2Vec2 e1 = p[(i + 1) % n] - p[i];
    const b2Vec2 e2 = p[(i + 2) % n] - p[(i + 1) % n];
    const float cross = b2Cross(e1, e2);
    const float limit = 1e-6f * e1.Length() * e2.Length();
    if (std::fabs(cross) <= limit) return "three polygon points lie on one line";
    if (sign == 0) sign = cross > 0 ? 1.f : -1.f;
    if ((cross > 0 ? 1.f : -1.f) != sign) return "the polygon is not convex";
    turned += std::atan2(cross, b2Dot(e1, e2));
  }
  if (std::fabs(std::fabs(turned) - 2 * b2_pi) > 0.01f) return "the polygon is not convex";
  float area = 0;
  for (size_t i = 1; i + 1 < n; ++i) area += b2Cross(p[i] - p[0], p[i + 1] - p[0]);  // as Box2D sums it
  if (std::fabs(area) <= 20 * b2_epsilon) return "the polygon is too small";
  return "";
}

std::string Physics_CheckInertia(const PhysicsShape& shape, float density) {
  b2MassData m;
  shape.shape->ComputeMass(&m, density);
  if (m.mass <= 0 || m.I - m.mass * b2Dot(m.center, m.center) > 0) return "";
  return "the shape lies too far from the body's origin for its size";
}

bool Physics_MakeShape(const FixtureDesc& desc, float scale, PhysicsShape* out, std::string* why) {
  switch (desc.shape) {
    case FixtureDesc::kNone:
      *why = "the fixture has no shape";
      return false;
    case FixtureDesc::kCircle: {
      const float r = desc.radius * scale;
      if (!Finite(r) || r <= 0) {
        *why = "the circle radius must be above 0";
        return false;
      }
      out->circle.m_radius = r;
      if (!Finite(desc.centre.x) || !Finite(desc.centre.y)) {
        *why = "the circle centre is not a number";
        return false;
      }
      out->circle.m_p = scale * desc.centre;
      out->shape = &out->circle;
      return true;
    }
    case FixtureDesc::kBox: {
      const float hw = desc.halfWidth, hh = desc.halfHeight;
      if (!Finite(hw) || !Finite(hh) || hw <= 0 || hh <= 0) {
        *why = "the box half sizes must be above 0";
        return false;
      }
      const std::vector<b2Vec2> corners = {{-hw, -hh}, {hw, -hh}, {hw, hh}, {-hw, hh}};
      *why = Physics_CheckPolygon(corners, scale);
      if (!why->empty()) return false;
      out->polygon.SetAsBox(hw * scale, hh * scale);
      out->shape = &out->polygon;
      return true;
    }
    case FixtureDesc::kPolygon: {
      *why = Physics_CheckPolygon(desc.points, scale);
      if (!why->empty()) return false;
      std::vector<b2Vec2> p;
      for (const b2Vec2& v : desc.points) p.push_back(scale * v);
      out->polygon.Set(p.data(), int32(p.size()));
      out->shape = &out->polygon;
      return true;
    }
  }
  return false;
}
