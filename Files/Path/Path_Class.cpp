#include "Path/Path_Class.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr float kPi = 3.1415927f;

PathPoint Mix(const PathPoint& a, const PathPoint& b) {
  return {(a.x + b.x) / 2, (a.y + b.y) / 2, (a.speed + b.speed) / 2};
}

float Distance2(const PathPoint& a, const PathPoint& b) {
  return (a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y);
}

}  // namespace

void CPath::SetKind(int32_t kind) {
  m_kind = kind;
  Rebuild();
}

void CPath::SetClosed(bool closed) {
  m_closed = closed;
  Rebuild();
}

void CPath::SetPrecision(int32_t precision) {
  m_precision = std::clamp(precision, 0, 8);
  Rebuild();
}

void CPath::SetPoints(std::vector<PathPoint> points) {
  m_points = std::move(points);
  Rebuild();
}

void CPath::Subdivide(int depth, PathPoint s, PathPoint c, PathPoint e) {
  for (int i = 0; i < depth;) {
    const PathPoint m = {(s.x + 2 * c.x + e.x) / 4, (s.y + 2 * c.y + e.y) / 4, (s.speed + 2 * c.speed + e.speed) / 4};
    if (Distance2(s, c) > 16) Subdivide(depth - i - 1, s, Mix(s, c), m);
    m_internal.push_back({m.x, m.y, m.speed, 0});
    const PathPoint next = Mix(c, e);
    ++i;
    if (Distance2(c, e) <= 16) break;
    s = m;
    c = next;
  }
}

void CPath::Rebuild() {
  m_internal.clear();
  const size_t n = m_points.size();
  if (m_kind == 1) {
    if (n > 0) {
      if (!m_closed) m_internal.push_back({m_points[0].x, m_points[0].y, m_points[0].speed, 0});
      const size_t last = m_closed ? n : (n >= 2 ? n - 2 : 0);
      for (size_t i = 1; i <= last; ++i) {
        const PathPoint& p = m_points[i % n];
        const PathPoint& a = m_points[(i - 1) % n];
        const PathPoint& b = m_points[(i + 1) % n];
        Subdivide(m_precision, Mix(a, p), p, Mix(p, b));
      }
      if (m_closed) {
        if (!m_internal.empty()) m_internal.push_back(m_internal[0]);
      } else {
        m_internal.push_back({m_points[n - 1].x, m_points[n - 1].y, m_points[n - 1].speed, 0});
      }
    }
  } else {
    for (const PathPoint& p : m_points) m_internal.push_back({p.x, p.y, p.speed, 0});
    if (m_closed && n > 0) m_internal.push_back(m_internal[0]);
  }
  m_length = 0;
  for (size_t i = 0; i < m_internal.size(); ++i) {
    if (i > 0) {
      const float dx = m_internal[i].x - m_internal[i - 1].x, dy = m_internal[i].y - m_internal[i - 1].y;
      m_length += std::sqrt(dx * dx + dy * dy);
    }
    m_internal[i].length = m_length;
  }
}

PathPoint CPath::At(double t) const {
  const size_t n = m_internal.size();
  if (n == 0) return {0, 0, 100};
  auto point = [&](size_t i) { return PathPoint{m_internal[i].x, m_internal[i].y, m_internal[i].speed}; };
  if (n == 1 || m_length == 0 || t <= 0 || std::isnan(t)) return point(0);
  if (t >= 1) return point(n - 1);
  const float d = float(m_length * t);
  size_t i = 0;
  while (i < n - 2 && !(m_internal[i + 1].length > d)) ++i;
  const float segment = m_internal[i + 1].length - m_internal[i].length;
  if (segment == 0) return point(i);
  const float f = (d - m_internal[i].length) / segment;
  const PathInternalPoint& a = m_internal[i];
  const PathInternalPoint& b = m_internal[i + 1];
  return {a.x + (b.x - a.x) * f, a.y + (b.y - a.y) * f, a.speed + (b.speed - a.speed) * f};
}

void CPath::Centre(float& cx, float& cy) const {
  float minX = 1e8f, minY = 1e8f, maxX = -1e8f, maxY = -1e8f;
  for (const PathPoint& p : m_points) {
    minX = std::min(minX, p.x);
    maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y);
    maxY = std::max(maxY, p.y);
  }
  cx = (minX + maxX) / 2;
  cy = (minY + maxY) / 2;
}

void CPath::Insert(int32_t n, float x, float y, float speed) {
  if (n < 0 || size_t(n) > m_points.size()) return;
  m_points.insert(m_points.begin() + n, PathPoint{x, y, speed});
  Rebuild();
}

void CPath::Change(int32_t n, float x, float y, float speed) {
  if (n < 0 || size_t(n) >= m_points.size()) return;
  m_points[size_t(n)] = {x, y, speed};
  Rebuild();
}

void CPath::Delete(int32_t n) {
  if (n < 0 || size_t(n) >= m_points.size()) return;
  m_points.erase(m_points.begin() + n);
  Rebuild();
}

void CPath::Clear() {
  m_points.clear();
  m_points.shrink_to_fit();
  Rebuild();
}

void CPath::Reverse() {
  std::reverse(m_points.begin(), m_points.end());
  Rebuild();
}

void CPath::Shift(float dx, float dy) {
  for (PathPoint& p : m_points) {
    p.x += dx;
    p.y += dy;
  }
  Rebuild();
}

void CPath::Rotate(float angle) {
  float cx, cy;
  Centre(cx, cy);
  const float r = angle * kPi / 180.0f;
  const float c = std::cos(r), s = std::sin(r);
  for (PathPoint& p : m_points) {
    const float x = p.x - cx, y = p.y - cy;
    p.x = cx + c * x + s * y;
    p.y = cy + c * y - s * x;
  }
  Rebuild();
}

void CPath::Scale(float sx, float sy) {
  float cx, cy;
  Centre(cx, cy);
  for (PathPoint& p : m_points) {
    p.x = cx + (p.x - cx) * sx;
    p.y = cy + (p.y - cy) * sy;
  }
  Rebuild();
}

void CPath::Mirror() {
  float cx, cy;
  Centre(cx, cy);
  for (PathPoint& p : m_points) p.x = cx - (p.x - cx);
  Rebuild();
}

void CPath::Flip() {
  float cx, cy;
  Centre(cx, cy);
  for (PathPoint& p : m_points) p.y = cy - (p.y - cy);
  Rebuild();
}

void CPath::Append(const CPath& other) {
  const std::vector<PathPoint> copy = other.m_points;  // the path may be appended to itself
  m_points.insert(m_points.end(), copy.begin(), copy.end());
  Rebuild();
}

void CPath::CopyFrom(const CPath& other) {
  if (&other == this) return;
  m_kind = other.m_kind;
  m_closed = other.m_closed;
  m_precision = other.m_precision;
  m_points = other.m_points;
  Rebuild();
}
