#include "Collision/Collision_Query.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <unordered_map>
#include <vector>

#include "Collision/Collision_Index.h"
#include "Collision/Collision_Test.h"
#include "Object/Object_Class.h"
#include "Object/Object_Event.h"
#include "Room/Room_Class.h"
#include "Run/Run_Instance.h"
#include "Run/Run_World.h"
#include "Variable/Variable_Route.h"

namespace {

constexpr float kPi = 3.1415927f;
constexpr int32_t kFirstInstanceId = 100000;

// The area a shape can meet (inclusive edges), for the index.
void AreaOf(const CollisionShape& s, double& l, double& t, double& r, double& b) {
  if (s.kind == CollisionShape::kInstance) {
    const InstanceBox& box = s.with->BoundingBox();
    l = box.left, t = box.top, r = box.right, b = box.bottom;
    return;
  }
  l = std::min(s.x1, s.x2), r = std::max(s.x1, s.x2);
  t = std::min(s.y1, s.y2), b = std::max(s.y1, s.y2);
}

bool IsOfObject(const CInstance* i, int32_t objectIndex) {
  const CObject* o = i->object;
  for (int depth = 0; o != nullptr && depth < 10000; ++depth, o = o->parentObject) {
    if (o->index == objectIndex) return true;
  }
  return false;
}

bool Eligible(CInstance* i, CInstance* skip, const CollisionShape& shape) {
  return !i->marked && i != skip && Collision_Passes(i, shape);
}

CInstance* Walk(const std::vector<CInstance*>& list, CInstance* skip, const CollisionShape& shape) {
  for (CInstance* i : list) {
    if (Eligible(i, skip, shape)) return i;
  }
  return nullptr;
}

std::vector<CInstance*>& CandidateBuffer() {
  static std::vector<CInstance*> buffer;
  return buffer;
}

// The instances of the index near the shape, of `objectIndex` (or any for -1), that pass; into `hits`.
bool IndexedHits(int32_t objectIndex, CInstance* skip, const CollisionShape& shape, std::vector<CInstance*>& hits) {
  double l, t, r, b;
  AreaOf(shape, l, t, r, b);
  std::vector<CInstance*>& candidates = CandidateBuffer();
  if (!CollisionIndex_Candidates(l, t, r, b, candidates)) return false;
  hits.clear();
  for (CInstance* i : candidates) {
    if ((objectIndex < 0 || IsOfObject(i, objectIndex)) && Eligible(i, skip, shape)) hits.push_back(i);
  }
  return true;
}

// Positions of instances in an object's list, remembered between queries and checked on use (a
// position is right when the list holds the instance there), so that the first of several hits
// is found without walking the list.
int32_t PositionIn(const std::vector<CInstance*>& list, const CInstance* i) {
  static std::unordered_map<const std::vector<CInstance*>*, std::unordered_map<const CInstance*, int32_t>> orders;
  std::unordered_map<const CInstance*, int32_t>& positions = orders[&list];
  auto it = positions.find(i);
  if (it == positions.end() || size_t(it->second) >= list.size() || list[size_t(it->second)] != i) {
    positions.clear();
    for (size_t k = 0; k < list.size(); ++k) positions[list[k]] = int32_t(k);
    it = positions.find(i);
    if (it == positions.end()) return INT32_MAX;
  }
  return it->second;
}

}  // namespace

bool Collision_Passes(CInstance* i, const CollisionShape& s) {
  if (s.solidOnly && !i->solid) return false;
  switch (s.kind) {
    case CollisionShape::kPoint: return Collision_Point(i, s.x1, s.y1, s.precise);
    case CollisionShape::kRectangle: return Collision_Rectangle(i, s.x1, s.y1, s.x2, s.y2, s.precise);
    case CollisionShape::kEllipse: return Collision_Ellipse(i, s.x1, s.y1, s.x2, s.y2, s.precise);
    case CollisionShape::kLine: return Collision_Line(i, s.x1, s.y1, s.x2, s.y2, s.precise);
    case CollisionShape::kInstance: return Collision_Instances(s.with, i, s.precise);
  }
  return false;
}

CInstance* Collision_Find(int32_t selector, CInstance* skip, const CollisionShape& shape) {
  static std::vector<CInstance*> hits;
  if (selector == SELECTOR_ALL) {
    const std::vector<CInstance*>& items = World_Active().Items();
    if (items.size() < kCollisionIndexThreshold || !IndexedHits(-1, skip, shape, hits)) return Walk(items, skip, shape);
    // The first in list order: the lowest position at the index's last build (the lists have not
    // changed since, or it would have been rebuilt).
    CInstance* best = nullptr;
    for (CInstance* i : hits) {
      if (best == nullptr || i->index.ordinal < best->index.ordinal) best = i;
    }
    return best;
  }
  if (selector >= kFirstInstanceId) {
    CInstance* i = World_Find(selector);
    return i != nullptr && Eligible(i, skip, shape) ? i : nullptr;
  }
  if (selector < 0) return nullptr;
  const CObject* object = Object_Find(selector);
  if (object == nullptr) return nullptr;
  const std::vector<CInstance*>& list = object->instancesRecursive;
  if (list.size() < kCollisionIndexThreshold || !IndexedHits(selector, skip, shape, hits)) return Walk(list, skip, shape);
  if (hits.size() <= 1) return hits.empty() ? nullptr : hits[0];
  CInstance* best = nullptr;
  int32_t bestAt = INT32_MAX;
  for (CInstance* i : hits) {
    const int32_t at = PositionIn(list, i);
    if (best == nullptr || at < bestAt) best = i, bestAt = at;
  }
  return best;
}

CInstance* Collision_InstancePlace(CInstance* self, float x, float y, int32_t selector) {
  const float ox = self->x, oy = self->y;
  self->SetPosition(x, y);
  CollisionShape shape;
  shape.kind = CollisionShape::kInstance;
  shape.with = self;
  shape.precise = true;
  CInstance* found = Collision_Find(selector, self, shape);
  self->SetPosition(ox, oy);
  return found;
}

bool Collision_PlaceFree(CInstance* self, float x, float y, bool all) {
  const float ox = self->x, oy = self->y;
  self->SetPosition(x, y);
  CollisionShape shape;
  shape.kind = CollisionShape::kInstance;
  shape.with = self;
  shape.precise = true;
  shape.solidOnly = !all;
  const bool free = Collision_Find(SELECTOR_ALL, self, shape) == nullptr;
  self->SetPosition(ox, oy);
  return free;
}

namespace {

// The number of unit steps of the contact and leaving movements.
int32_t StepCount(double maxdist) { return maxdist <= 0 ? 1000 : Collision_Round(maxdist); }

}  // namespace

void Collision_MoveContact(CInstance* self, float dir, double maxdist, bool all) {
  const int32_t n = StepCount(maxdist);
  if (!Collision_PlaceFree(self, self->x, self->y, all)) return;
  const float r = dir * kPi / 180.0f;
  const float c = std::cos(r), s = std::sin(r);
  for (int32_t k = 0; k < n; ++k) {
    const float nx = self->x + c, ny = self->y - s;
    if (!Collision_PlaceFree(self, nx, ny, all)) return;
    self->SetPosition(nx, ny);
  }
}

bool Collision_MoveOutside(CInstance* self, float dir, double maxdist, bool all) {
  const int32_t n = StepCount(maxdist);
  const float r = dir * kPi / 180.0f;
  const float c = std::cos(r), s = std::sin(r);
  bool free = Collision_PlaceFree(self, self->x, self->y, all);
  for (int32_t k = 0; !free && k < n; ++k) {
    self->SetPosition(self->x + c, self->y - s);
    free = Collision_PlaceFree(self, self->x, self->y, all);
  }
  return free;
}

void Collision_Bounce(CInstance* self, bool advanced, bool all) {
  bool collided = false;
  if (!Collision_PlaceFree(self, self->x, self->y, all)) {
    self->SetPosition(self->xprevious, self->yprevious);
    collided = true;
  }
  const float x = self->x, y = self->y;
  if (!advanced) {
    const bool a = Collision_PlaceFree(self, x + self->hspeed, y, all);
    const bool b = Collision_PlaceFree(self, x, y + self->vspeed, all);
    bool reverseH = false, reverseV = false;
    if (!a && b) {
      reverseH = true;
    } else if (!a && !b) {
      reverseH = reverseV = true;
    } else if (a && !b) {
      reverseV = true;
    } else if (!Collision_PlaceFree(self, x + self->hspeed, y + self->vspeed, all)) {
      reverseH = reverseV = true;
    }
    if (reverseH) self->SetHspeed(-self->hspeed);
    if (reverseV) self->SetVspeed(-self->vspeed);
    return;
  }
  const float t = float(Collision_Round(self->direction / 10)) * 10;
  const float speed = self->speed;
  auto freeAt = [&](float d) {
    const float r = d * kPi / 180.0f;
    return Collision_PlaceFree(self, x + speed * std::cos(r), y - speed * std::sin(r), all);
  };
  float d1 = t;
  for (int k = 1; k <= 35; ++k) {
    d1 = t - 10.0f * float(k);
    if (freeAt(d1)) break;
    collided = true;
  }
  float d2 = t;
  for (int k = 1; k <= 35; ++k) {
    d2 = t + 10.0f * float(k);
    if (freeAt(d2)) {
      if (!collided) return;
      break;
    }
    collided = true;
  }
  self->SetDirection(d1 + d2 + 180 - t);
}

void Collision_MoveRandom(CInstance* self, double hsnap, double vsnap, int attempts) {
  const CRoom* room = Room_Current();
  const double width = room != nullptr ? room->width : 0, height = room != nullptr ? room->height : 0;
  double xmin = 0, xmax = width, ymin = 0, ymax = height;
  if (self->HasSpriteOrMask()) {
    const InstanceBox& box = self->BoundingBox();
    xmin = Collision_Round(self->x - box.left);
    xmax = Collision_Round(width + self->x - box.right);
    ymin = Collision_Round(self->y - box.top);
    ymax = Collision_Round(height + self->y - box.bottom);
  }
  const int32_t hs = Collision_Round(hsnap), vs = Collision_Round(vsnap);
  for (int n = 0; n < attempts; ++n) {
    double nx = xmin + std::trunc((xmax - xmin) * World_Random());
    double ny = ymin + std::trunc((ymax - ymin) * World_Random());
    if (hs > 0) nx = hs * std::floor(nx / hs);
    if (vs > 0) ny = vs * std::floor(ny / vs);
    if (Collision_PlaceFree(self, float(nx), float(ny), false)) {
      self->SetPosition(float(nx), float(ny));
      return;
    }
  }
}

// ---- The collision-event pass ----------------------------------------------------------------

namespace {

void MoveBack(CInstance* i) {
  i->SetPosition(i->xprevious, i->yprevious);
  i->SetPathPosition(i->path_positionprevious);
}

// One colliding pair: solids moved back, both events, and for solids the step again and a second
// move back when they still meet.
void HandlePair(CInstance* r, CInstance* s) {
  if (r->solid || s->solid) {
    MoveBack(r);
    MoveBack(s);
  }
  Event_Perform(r, s, r->object_index, EV_COLLISION, s->object_index);
  Event_Perform(s, r, s->object_index, EV_COLLISION, r->object_index);
  if (r->solid || s->solid) {
    World_PathStep(r);
    World_PathStep(s);
    r->SetPosition(r->x + r->hspeed, r->y + r->vspeed);
    s->SetPosition(s->x + s->hspeed, s->y + s->vspeed);
    if (Collision_Instances(r, s, true)) {
      MoveBack(r);
      MoveBack(s);
    }
  }
}

bool Skipped(const CInstance* i, uint64_t stamp) { return i->marked || i->deactivated || i->creation_stamp > stamp; }

uint64_t g_pairToken = 0;

}  // namespace

void Collision_EventPass() {
  const auto& pairs = Event_CollisionPairs();
  for (size_t p = 0; p < pairs.size(); ++p) {
    const uint64_t stamp = Event_BeginPass();
    const CObject* a = Object_Find(pairs[p].first);
    const CObject* b = Object_Find(pairs[p].second);
    if (a == nullptr || b == nullptr) continue;
    InstanceSnapshot first(a->instances);
    InstanceSnapshot second(b->instances);
    const size_t count = size_t(second.end() - second.begin());
    const bool indexed = count >= kCollisionIndexThreshold;
    const uint64_t token = ++g_pairToken;
    if (indexed) {
      int32_t order = 0;
      for (CInstance* s : second) {
        s->index.pairStamp = token;
        s->index.pairOrder = order++;
      }
    }
    for (CInstance* r : first) {
      if (Skipped(r, stamp)) continue;
      if (!indexed) {
        for (CInstance* s : second) {
          if (!Skipped(s, stamp) && Collision_Instances(r, s, true)) HandlePair(r, s);
        }
        continue;
      }
      // The next partner in list order is the lowest-placed candidate that meets r now; events
      // may move anything, so the candidates are asked for again after each pair.
      int32_t done = -1;
      for (;;) {
        const InstanceBox& box = r->BoundingBox();
        std::vector<CInstance*>& candidates = CandidateBuffer();
        if (!CollisionIndex_Candidates(box.left, box.top, box.right, box.bottom, candidates)) break;
        CInstance* next = nullptr;
        for (CInstance* s : candidates) {
          if (s->index.pairStamp != token || s->index.pairOrder <= done || Skipped(s, stamp)) continue;
          if (next != nullptr && s->index.pairOrder >= next->index.pairOrder) continue;
          if (Collision_Instances(r, s, true)) next = s;
        }
        if (next == nullptr) break;
        done = next->index.pairOrder;
        HandlePair(r, next);
      }
    }
  }
}
