// Collision queries over the room: selectors, the free-place tests, the movement functions that
// step until contact or out of contact, bounce, random placement and the collision-event pass.
//
// Selectors: `all` walks the active list in order, a value of 100000 or more is an instance id
// (a deactivated instance is found), other values of 0 or more are objects (their instances with
// descendants); the first instance that passes answers and marked instances are skipped. Large
// lists are filtered through the collision index first; the answer is the one the walk in list
// order gives.
#pragma once
#include <cstdint>

class CInstance;

// What an instance is tested against.
struct CollisionShape {
  enum Kind { kPoint, kRectangle, kEllipse, kLine, kInstance };
  Kind kind = kPoint;
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  CInstance* with = nullptr;  // kInstance
  bool precise = false;
  bool solidOnly = false;  // only solid instances pass
};

bool Collision_Passes(CInstance* instance, const CollisionShape& shape);

// The first instance chosen by `selector` passing the shape's test; `skip` never answers. Null for
// self, other, noone and the other negative selectors.
CInstance* Collision_Find(int32_t selector, CInstance* skip, const CollisionShape& shape);

// place_free (solids only) and place_empty (any instance): self moved to (x, y) and back.
bool Collision_PlaceFree(CInstance* self, float x, float y, bool all);
// instance_place: the first instance chosen by `selector` meeting self placed at (x, y).
CInstance* Collision_InstancePlace(CInstance* self, float x, float y, int32_t selector);

// Contact movement, leaving movement (returns whether the final place is free), bounce and random
// placement; `all` tests against every instance instead of the solid ones.
void Collision_MoveContact(CInstance* self, float dir, double maxdist, bool all);
bool Collision_MoveOutside(CInstance* self, float dir, double maxdist, bool all);
void Collision_Bounce(CInstance* self, bool advanced, bool all);
void Collision_MoveRandom(CInstance* self, double hsnap, double vsnap, int attempts);

// The collision-event stage of the main loop.
void Collision_EventPass();
