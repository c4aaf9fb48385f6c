// CPath: a path resource, its control points as authored and the polyline derived from them
// (straight, or quadratic curves through the midpoints, subdivided) with cumulative lengths.
//
// Every change of points, kind, closed or precision rebuilds the polyline.
#pragma once
#include <cstdint>
#include <vector>

struct PathPoint {
  float x = 0, y = 0, speed = 100;  // speed is a percentage, 100 = normal
};

struct PathInternalPoint {
  float x = 0, y = 0, speed = 100;
  float length = 0;  // distance along the polyline from its first point
};

class CPath {
 public:
  CPath() = default;
  virtual ~CPath() = default;

  int32_t Kind() const { return m_kind; }
  bool Closed() const { return m_closed; }
  int32_t Precision() const { return m_precision; }
  float Length() const { return m_length; }
  const std::vector<PathPoint>& Points() const { return m_points; }
  const std::vector<PathInternalPoint>& Internal() const { return m_internal; }

  void SetKind(int32_t kind);  // stored as given (1 smooth, anything else straight)
  void SetClosed(bool closed);
  void SetPrecision(int32_t precision);  // clamped to 0..8
  void SetPoints(std::vector<PathPoint> points);

  // The point at t along the path (0 the start, 1 the end); (0, 0, 100) for an empty path.
  PathPoint At(double t) const;

  // Editing: each rebuilds the polyline.
  void Insert(int32_t n, float x, float y, float speed);  // ignored unless 0 <= n <= count
  void Change(int32_t n, float x, float y, float speed);  // only for 0 <= n < count
  void Delete(int32_t n);
  void Clear();
  void Reverse();
  void Shift(float dx, float dy);
  void Rotate(float angle);  // degrees, about the centre of the points' box
  void Scale(float sx, float sy);
  void Mirror();
  void Flip();
  void Append(const CPath& other);
  void CopyFrom(const CPath& other);

 private:
  void Rebuild();
  void Subdivide(int depth, PathPoint s, PathPoint c, PathPoint e);
  void Centre(float& cx, float& cy) const;

  int32_t m_kind = 0;
  bool m_closed = true;
  int32_t m_precision = 4;
  std::vector<PathPoint> m_points;
  std::vector<PathInternalPoint> m_internal;
  float m_length = 0;
};
