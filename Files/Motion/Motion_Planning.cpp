#include "Motion/Motion_Planning.h"

#include <cmath>
#include <vector>

#include "Collision/Collision_Query.h"
#include "Path/Path_Class.h"
#include "Run/Run_Instance.h"
#include "Variable/Variable_Route.h"

namespace {

constexpr float kPi = 3.1415927f;
// A path search that has not ended after this many steps gives up.
constexpr int kMaxPathSteps = 1000000;

PotentialSettings g_settings;

bool PlaceOk(CInstance* self, float x, float y, int32_t selector, bool checkAll) {
  if (selector != SELECTOR_ALL) return Collision_InstancePlace(self, x, y, selector) == nullptr;
  return Collision_PlaceFree(self, x, y, checkAll);
}

// Tries to move `step` in direction d, within the turn limit and with room ahead.
bool TryDirection(CInstance* self, float d, float step, int32_t selector, bool checkAll) {
  if (!std::isfinite(d)) return false;
  float dn = d;
  while (dn <= 0) dn += 360;
  while (dn >= 360) dn -= 360;
  float e = self->direction;
  if (!std::isfinite(e)) return false;
  while (e < 0) e += 360;
  auto turnOf = [&] {
    const float t = std::fabs(e - dn);
    return t > 180 ? 360 - t : t;
  };
  float turn = turnOf();
  while (e >= 360) {
    e -= 360;
    turn = turnOf();
  }
  if (turn > g_settings.maxRotation) return false;
  const float r = dn * kPi / 180.0f;
  const float c = std::cos(r), s = std::sin(r);
  const float x = self->x, y = self->y;
  if (!PlaceOk(self, x + c * g_settings.ahead * step, y - s * g_settings.ahead * step, selector, checkAll)) return false;
  if (!PlaceOk(self, x + c * step, y - s * step, selector, checkAll)) return false;
  self->SetDirection(d);
  self->SetPosition(x + c * step, y - s * step);
  return true;
}

// Position and direction put back after a path search.
struct Remembered {
  explicit Remembered(CInstance* i) : instance(i), x(i->x), y(i->y), direction(i->direction) {}
  ~Remembered() {
    instance->SetPosition(x, y);
    instance->SetDirection(direction);
  }
  CInstance* instance;
  float x, y, direction;
};

float Distance(const CInstance* self, float x, float y) {
  return std::sqrt((x - self->x) * (x - self->x) + (y - self->y) * (y - self->y));
}

}  // namespace

PotentialSettings& Planning_Settings() { return g_settings; }

float Planning_PointDirection(float x1, float y1, float x2, float y2) {
  const float dx = x2 - x1, dy = y2 - y1;
  if (dx == 0) return dy > 0 ? 270 : (dy < 0 ? 90 : 0);
  const float a = float(std::atan2(double(dy), double(dx)) * 180.0 / double(kPi));
  return a <= 0 ? -a : 360 - a;
}

bool Planning_LinearStep(CInstance* self, double gx, double gy, double stepSize, int32_t selector, bool checkAll) {
  const float x = float(gx), y = float(gy), step = float(stepSize);
  if (!std::isfinite(x) || !std::isfinite(y)) return false;
  if (self->x == x && self->y == y) return true;
  const float dist = Distance(self, x, y);
  bool reached = true;
  float tx = x, ty = y;
  if (!(step >= dist)) {
    reached = false;
    tx = self->x + (x - self->x) * step / dist;
    ty = self->y + (y - self->y) * step / dist;
  }
  if (std::isfinite(tx) && std::isfinite(ty) && PlaceOk(self, tx, ty, selector, checkAll)) {
    self->SetDirection(Planning_PointDirection(self->x, self->y, tx, ty));
    self->SetPosition(tx, ty);
  }
  return reached;
}

bool Planning_PotentialStep(CInstance* self, double gx, double gy, double stepSize, int32_t selector, bool checkAll) {
  const float x = float(gx), y = float(gy), step = float(stepSize);
  if (!std::isfinite(x) || !std::isfinite(y)) return false;
  if (self->x == x && self->y == y) return true;
  if (step >= Distance(self, x, y)) {
    if (PlaceOk(self, x, y, selector, checkAll)) {
      self->SetDirection(Planning_PointDirection(self->x, self->y, x, y));
      self->SetPosition(x, y);
    }
    return true;
  }
  const float g = Planning_PointDirection(self->x, self->y, x, y);
  for (float m = 0; m < 180; m += g_settings.rotationStep) {
    if (TryDirection(self, g - m, step, selector, checkAll)) return false;
    if (TryDirection(self, g + m, step, selector, checkAll)) return false;
  }
  if (g_settings.onSpot) self->SetDirection(self->direction + g_settings.maxRotation);
  return false;
}

namespace {

void StartPath(CPath* path) {
  path->Clear();
  path->SetKind(0);
  path->SetClosed(false);
}

}  // namespace

bool Planning_LinearPath(CInstance* self, CPath* path, double x, double y, double stepSize, int32_t selector,
                         bool checkAll) {
  if (path == nullptr || !(stepSize > 0)) return false;
  Remembered keep(self);
  StartPath(path);
  std::vector<PathPoint> points;
  for (int n = 0; n < kMaxPathSteps; ++n) {
    points.push_back({self->x, self->y, 100});
    const float px = self->x, py = self->y;
    if (Planning_LinearStep(self, x, y, stepSize, selector, checkAll)) {
      points.push_back({float(x), float(y), 100});
      path->SetPoints(std::move(points));
      return true;
    }
    if (self->x == px && self->y == py) break;
  }
  path->SetPoints(std::move(points));
  return false;
}

bool Planning_PotentialPath(CInstance* self, CPath* path, double x, double y, double stepSize, double factor,
                            int32_t selector, bool checkAll) {
  if (path == nullptr || !(factor >= 1) || !(stepSize > 0)) return false;
  Remembered keep(self);
  StartPath(path);
  std::vector<PathPoint> points = {{self->x, self->y, 100}};
  const double maxLength = double(Distance(self, float(x), float(y))) * factor;
  // Without a move for a whole turn on the spot the steering is stuck and the search ends.
  const int stuckLimit = g_settings.onSpot ? int(std::ceil(360.0 / std::max(1.0f, g_settings.maxRotation))) + 1 : 1;
  int stuck = 0;
  float length = 0;
  for (int n = 0; n < kMaxPathSteps && length <= maxLength; ++n) {
    const float px = self->x, py = self->y;
    if (Planning_PotentialStep(self, x, y, stepSize, selector, checkAll)) {
      points.push_back({float(x), float(y), 100});
      path->SetPoints(std::move(points));
      return true;
    }
    points.push_back({self->x, self->y, 100});
    length += Distance(self, px, py);
    stuck = self->x == px && self->y == py ? stuck + 1 : 0;
    if (stuck >= stuckLimit) break;
  }
  path->SetPoints(std::move(points));
  return false;
}
