// CInstance: one live copy of an object in the running room.
//
// The record holds position, motion, appearance, alarms, path and timeline state and the instance's
// own variables. Instance fields are 32-bit floats; script values arrive as doubles and are narrowed
// when stored. Angles are degrees, counter-clockwise, 0 pointing right, on a screen whose y grows
// downwards; radians are formed with the float value 3.1415927.
//
// Every change of position goes through SetPosition, every change of motion through the motion
// setters (which keep speed and direction consistent with hspeed and vspeed), and every setter that
// can move the bounding box marks it dirty; the box is recomputed only when a query asks for it.
//
// The links next/prev thread the instance through the room list that holds it (the active list or
// the deactivated list); the object lists and the id table are kept by the world (Run_World.h).
#pragma once
#include <cstdint>

#include "Variable/Variable_List.h"
#include "Variable/Variable_Value.h"

class CCode;
class CObject;
class CStream;

// The four inclusive pixel edges of an instance's bounding box.
struct InstanceBox {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

// Where the collision index filed an instance (owned by Collision_Index.cpp).
struct InstanceIndexEntry {
  uint32_t generation = 0;  // index build the instance was filed in; 0 never
  int32_t queueSlot = -1;   // place in the queue of moved boxes, -1 when not queued
  int32_t listSlot = -1;    // place in the big, outside or nowhere list
  int32_t cellLeft = 0, cellTop = 0, cellRight = -1, cellBottom = -1;
  uint8_t where = 0;        // 0 not filed, 1 cells, 2 big list, 3 outside list, 4 nowhere list
  uint32_t visit = 0;       // query stamp that removes duplicates
  int32_t ordinal = 0;      // position in the active list at the last build
  uint64_t pairStamp = 0;   // collision pass marks: in the other object's list, at `pairOrder`
  int32_t pairOrder = 0;
};

class CInstance;
void CollisionIndex_Queue(CInstance* instance);

// Edge value of the box of an instance without sprite or mask: it never collides.
inline constexpr int32_t kNoBoxEdge = -100000;
inline constexpr int kAlarmCount = 12;

class CInstance {
 public:
  // A bare record: the given id and object index, every other field at its default, no object
  // lookup and no list membership (the variable layer's tests, temporary instances).
  CInstance(int32_t instanceId, int32_t objectIndex);
  // A new instance at (x, y) for `objectIndex`: SetObject(objectIndex, link) fills the object's
  // values; the creation stamp is the current event pass counter.
  CInstance(float x, float y, int32_t instanceId, int32_t objectIndex, bool link);
  virtual ~CInstance();
  CInstance(const CInstance&) = delete;
  CInstance& operator=(const CInstance&) = delete;

  // Present and taking part: neither marked for removal nor deactivated.
  bool IsActive() const { return !marked && !deactivated; }

  // ---- Object and appearance -----------------------------------------------------------------
  // Stores the object index (-1 becomes 0), leaves the old object's lists, and when the object
  // exists joins its lists (when `link`) and copies mask, depth, solid, visible, persistent and
  // sprite from it. The depth is stored without moving the instance in the active list.
  void SetObject(int32_t objectIndex, bool link);
  void SetPosition(float newX, float newY);
  void SetSprite(int32_t sprite);
  void SetMask(int32_t mask);
  void SetXScale(float scale);
  void SetYScale(float scale);
  void SetAngle(float angle);
  void SetImageIndex(float index) { image_index = index; }

  // ---- Motion ---------------------------------------------------------------------------------
  void SetHspeed(float value);
  void SetVspeed(float value);
  void SetSpeed(float value);
  void SetDirection(float value);
  // Adds a vector of length `length` in direction `dir` to (hspeed, vspeed).
  void AddMotion(float dir, float length);
  // Direction and speed from hspeed and vspeed, with the 0.0001 snapping to whole values.
  void ComputeDirectionSpeed();
  // hspeed and vspeed from direction and speed, with the same snapping.
  void ComputeComponents();
  // One step of friction, then gravity.
  void FrictionGravityStep();

  // ---- Alarms and paths -----------------------------------------------------------------------
  // Alarm n; -1 outside 0..11.
  int32_t GetAlarm(int n) const { return n >= 0 && n < kAlarmCount ? alarm[n] : -1; }
  // Ignored outside 0..11.
  void SetAlarm(int n, int32_t value) {
    if (n >= 0 && n < kAlarmCount) alarm[n] = value;
  }
  // Both clamp to [0, 1].
  void SetPathPosition(float position);
  void SetPathPositionPrevious(float position);

  // ---- Bounding box ---------------------------------------------------------------------------
  // The box, brought up to date first when dirty.
  const InstanceBox& BoundingBox();
  void ComputeBoundingBox();
  // Marks the box dirty and tells the collision index that it moved.
  void MarkBoxDirty() {
    bbox_dirty = true;
    if (index.queueSlot < 0) CollisionIndex_Queue(this);
  }
  // True when the instance has a sprite or a mask that exists (the box then means something).
  bool HasSpriteOrMask() const;

  // ---- Save record ----------------------------------------------------------------------------
  // Writes the instance (box brought up to date first) and its variables.
  void Save(CStream* stream);
  // Reads the fields of a saved instance back; false when the stream failed. The variables are read
  // last. Does not link the instance anywhere.
  bool Load(CStream* stream);
  // Copies every field of `source` except the id, the links, the creation stamp, the physics body,
  // carried_over, created, path_xstart and path_ystart, and copies the variables (instance_copy and
  // carrying persistent instances). The object lists are not touched.
  void CopyStateFrom(const CInstance& source);

  // The fields every per-step walk reads (flags, stamp, object, animation, position, motion, path
  // position, links) come first: they share the record's first two cache lines.
  bool bbox_dirty = true;
  bool visible = true;
  bool solid = false;
  bool persistent = false;
  bool marked = false;        // destroyed; ignored by every query, freed at the next removal pass
  bool deactivated = false;   // requested or current deactivation
  bool carried_over = false;  // a persistent instance brought into a new room
  bool created = false;       // the create event has been performed
  uint64_t creation_stamp = 0;
  int32_t id;
  int32_t object_index;
  int32_t sprite_index = -1;
  float image_index = 0;
  float image_speed = 1;
  float x = 0, y = 0;
  float xprevious = 0, yprevious = 0;
  float direction = 0;
  float speed = 0;
  float friction = 0;
  float gravity_direction = 270;
  float gravity = 0;
  float hspeed = 0, vspeed = 0;
  float path_position = 0;
  float path_positionprevious = 0;
  int32_t path_index = -1;
  CInstance* next = nullptr;
  CInstance* prev = nullptr;
  float depth = 0;

  CObject* object = nullptr;
  uint64_t objectJoin = 0;  // the join number of its entries in the object lists (Object_Class.h)
  void* physics_body = nullptr;
  float xstart = 0, ystart = 0;
  float image_xscale = 1;
  float image_yscale = 1;
  float image_angle = 0;
  float image_alpha = 1;
  uint32_t image_blend = 0xFFFFFF;
  int32_t mask_index = -1;
  bool precise = false;
  InstanceBox bbox;
  int32_t alarm[kAlarmCount] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
  float path_speed = 0;
  float path_scale = 1;
  float path_orientation = 0;
  int32_t path_endaction = 0;
  float path_xstart = 0, path_ystart = 0;
  int32_t timeline_index = -1;
  float timeline_position = 0;
  float timeline_speed = 1;
  bool timeline_running = false;
  bool timeline_loop = false;
  CCode* creation_code = nullptr;  // the room editor's creation code (not owned)
  CVariableList variables;  // the instance's own user variables
  InstanceIndexEntry index;  // the collision index's record (Collision_Index.h)
};

// Sprite queries the instance needs, answered by the sprite store: the frame count (0 for a missing
// sprite) and whether the sprite exists.
int32_t Instance_SpriteFrameCount(int32_t sprite);
bool Instance_SpriteExists(int32_t sprite);

// Rounds to the nearest integer, halves to even (the rule for every rounded value of the world).
double Instance_Round(double value);
