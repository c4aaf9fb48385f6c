#include "Run/Run_Instance.h"

#include <cmath>
#include <vector>

#include "Collision/Collision_Index.h"
#include "Collision/Collision_Test.h"

#include "Object/Object_Class.h"
#include "Physics/Physics_Body.h"
#include "Platform/Platform_Memory.h"
#include "Run/Run_State.h"
#include "Sprite/Sprite_Class.h"
#include "Support/Support_Stream.h"

namespace {

constexpr float kPi = 3.1415927f;
constexpr double kSnap = 0.0001;

// Within 0.0001 of a whole number: that number.
float Snap(float value) {
  const double rounded = Instance_Round(value);
  return std::fabs(double(value) - rounded) < kSnap ? float(rounded) : value;
}

}  // namespace

double Instance_Round(double value) { return std::nearbyint(value); }

int32_t Instance_SpriteFrameCount(int32_t sprite) {
  const CSprite* s = Sprite_Get(sprite);
  return s != nullptr ? s->frameCount : 0;
}
bool Instance_SpriteExists(int32_t sprite) { return Sprite_Exists(sprite); }

CInstance::CInstance(int32_t instanceId, int32_t objectIndex) : id(instanceId), object_index(objectIndex) {}

CInstance::CInstance(float newX, float newY, int32_t instanceId, int32_t objectIndex, bool link)
    : creation_stamp(g_RunState.eventPassCounter),
      id(instanceId),
      object_index(objectIndex),
      x(newX),
      y(newY),
      xprevious(newX),
      yprevious(newY),
      xstart(newX),
      ystart(newY) {
  SetObject(objectIndex, link);
}

CInstance::~CInstance() {
  CollisionIndex_Forget(this);
  Physics_FreeBody(this);
}

void CInstance::SetObject(int32_t objectIndex, bool link) {
  if (object != nullptr) Object_UnlinkInstance(this);
  object_index = objectIndex == -1 ? 0 : objectIndex;
  object = Object_Find(object_index);
  if (object != nullptr) {
    if (link) Object_LinkInstance(this);
    mask_index = object->mask;
    depth = float(object->depth);
    solid = object->Solid();
    visible = object->Visible();
    persistent = object->Persistent();
    sprite_index = object->sprite;
    if (std::trunc(image_index) >= float(Instance_SpriteFrameCount(sprite_index))) image_index = 0;
  }
  MarkBoxDirty();
}

void CInstance::SetPosition(float newX, float newY) {
  if (newX == x && newY == y) return;
  x = newX;
  y = newY;
  MarkBoxDirty();
}

void CInstance::SetSprite(int32_t sprite) {
  sprite_index = sprite;
  if (std::trunc(image_index) >= float(Instance_SpriteFrameCount(sprite))) image_index = 0;
  MarkBoxDirty();
}

void CInstance::SetMask(int32_t mask) {
  if (mask == mask_index) return;
  mask_index = mask;
  MarkBoxDirty();
}

void CInstance::SetXScale(float scale) {
  if (scale == image_xscale) return;
  image_xscale = scale;
  MarkBoxDirty();
}

void CInstance::SetYScale(float scale) {
  if (scale == image_yscale) return;
  image_yscale = scale;
  MarkBoxDirty();
}

void CInstance::SetAngle(float angle) {
  if (angle == image_angle) return;
  image_angle = angle;
  MarkBoxDirty();
}

// ---- Motion -------------------------------------------------------------------------------------

void CInstance::ComputeDirectionSpeed() {
  float dir;
  if (hspeed != 0 || std::isnan(hspeed)) {
    const float a = float(std::atan2(double(vspeed), double(hspeed)) * 180.0 / double(kPi));
    dir = a <= 0 ? -a : 360 - a;
  } else if (vspeed > 0) {
    dir = 270;
  } else if (vspeed < 0) {
    dir = 90;
  } else {
    dir = 0;
  }
  // dir lies in [0, 360] (or is NaN): the remainder by 360 only turns 360 into 0.
  dir = Snap(dir);
  direction = dir == 360.0f ? 0.0f : dir;
  const float sum = hspeed * hspeed + vspeed * vspeed;
  speed = Snap(std::sqrt(sum));
}

void CInstance::ComputeComponents() {
  const float r = direction * kPi / 180.0f;
  hspeed = Snap(speed * std::cos(r));
  vspeed = Snap(-speed * std::sin(r));
}

void CInstance::SetHspeed(float value) {
  if (value == hspeed) return;
  hspeed = value;
  ComputeDirectionSpeed();
}

void CInstance::SetVspeed(float value) {
  if (value == vspeed) return;
  vspeed = value;
  ComputeDirectionSpeed();
}

void CInstance::SetSpeed(float value) {
  if (value == speed) return;
  speed = value;
  ComputeComponents();
}

void CInstance::SetDirection(float value) {
  // Brought into [0, 360) by a remainder rather than by adding or subtracting 360 in a loop, which
  // never ends for values so large that a step of 360 is lost in their precision.
  float d = value;
  if (std::isfinite(d)) {
    d = std::fmod(d, 360.0f);
    if (d < 0) d += 360.0f;
    d = std::fmod(d, 360.0f);
    if (d == 0) d = 0;  // no negative zero
  }
  direction = d;
  ComputeComponents();
}

void CInstance::AddMotion(float dir, float length) {
  const float r = dir * kPi / 180.0f;
  hspeed += std::cos(r) * length;
  vspeed -= std::sin(r) * length;
  ComputeDirectionSpeed();
}

void CInstance::FrictionGravityStep() {
  if (friction != 0) {
    const float n = speed > 0 ? speed - friction : speed + friction;
    if ((speed > 0 && n < 0) || (speed < 0 && n > 0)) {
      speed = 0;
    } else if (speed != 0 && n != speed) {
      speed = n;
    }
    ComputeComponents();
  }
  if (gravity != 0) AddMotion(gravity_direction, gravity);
}

void CInstance::SetPathPosition(float position) {
  path_position = position < 0 ? 0 : (position > 1 ? 1 : position);
}

void CInstance::SetPathPositionPrevious(float position) {
  path_positionprevious = position < 0 ? 0 : (position > 1 ? 1 : position);
}

// ---- Bounding box ---------------------------------------------------------------------------------

bool CInstance::HasSpriteOrMask() const {
  return Instance_SpriteExists(sprite_index) || Instance_SpriteExists(mask_index);
}

void CInstance::ComputeBoundingBox() { Collision_ComputeBox(this); }

const InstanceBox& CInstance::BoundingBox() {
  if (bbox_dirty) ComputeBoundingBox();
  return bbox;
}

// ---- Copies and the save record -----------------------------------------------------------------

void CInstance::CopyStateFrom(const CInstance& s) {
  MarkBoxDirty();
  visible = s.visible;
  solid = s.solid;
  persistent = s.persistent;
  marked = s.marked;
  deactivated = s.deactivated;
  object_index = s.object_index;
  object = s.object;
  sprite_index = s.sprite_index;
  image_index = s.image_index;
  image_speed = s.image_speed;
  image_xscale = s.image_xscale;
  image_yscale = s.image_yscale;
  image_angle = s.image_angle;
  image_alpha = s.image_alpha;
  image_blend = s.image_blend;
  mask_index = s.mask_index;
  precise = s.precise;
  x = s.x;
  y = s.y;
  xstart = s.xstart;
  ystart = s.ystart;
  xprevious = s.xprevious;
  yprevious = s.yprevious;
  direction = s.direction;
  speed = s.speed;
  friction = s.friction;
  gravity_direction = s.gravity_direction;
  gravity = s.gravity;
  hspeed = s.hspeed;
  vspeed = s.vspeed;
  bbox = s.bbox;
  for (int i = 0; i < kAlarmCount; ++i) alarm[i] = s.alarm[i];
  variables.Clear();
  {
    // Copy oldest first so that the copy's chains hold the variables in the source's order.
    std::vector<RVariable*> nodes;
    for (RVariable* v = s.variables.Newest(); v != nullptr; v = v->listNext) nodes.push_back(v);
    for (auto it = nodes.rbegin(); it != nodes.rend(); ++it) {
      const RVariable* v = *it;
      variables.Set(v->id, 0, v->value);
      for (int32_t r = 0; r < v->rowCount; ++r) {
        for (int32_t c = 0; c < v->rows[r].count; ++c) {
          if (r == 0 && c == 0) continue;
          variables.Set(v->id, r * kArrayRowStride + c, v->rows[r].values[c]);
        }
      }
    }
  }
  path_index = s.path_index;
  path_position = s.path_position;
  path_positionprevious = s.path_positionprevious;
  path_speed = s.path_speed;
  path_scale = s.path_scale;
  path_orientation = s.path_orientation;
  path_endaction = s.path_endaction;
  timeline_index = s.timeline_index;
  timeline_position = s.timeline_position;
  timeline_speed = s.timeline_speed;
  timeline_running = s.timeline_running;
  timeline_loop = s.timeline_loop;
  creation_code = s.creation_code;
  depth = s.depth;
}

void CInstance::Save(CStream* s) {
  BoundingBox();
  s->WriteInteger(id);
  s->WriteInteger(sprite_index);
  s->WriteReal(image_index);
  s->WriteReal(image_speed);
  s->WriteReal(image_xscale);
  s->WriteReal(image_yscale);
  s->WriteReal(image_angle);
  s->WriteReal(image_alpha);
  s->WriteInteger(int32_t(image_blend));
  s->WriteInteger(mask_index);
  s->WriteReal(depth);
  s->WriteBoolean(precise);
  for (float v : {x, y, xstart, ystart, xprevious, yprevious, direction, speed, friction, gravity_direction,
                  gravity, hspeed, vspeed}) {
    s->WriteReal(v);
  }
  s->WriteInteger(bbox.left);
  s->WriteInteger(bbox.right);
  s->WriteInteger(bbox.top);
  s->WriteInteger(bbox.bottom);
  s->WriteBoolean(visible);
  s->WriteBoolean(solid);
  s->WriteBoolean(persistent);
  s->WriteInteger(object_index);
  for (int i = 0; i < kAlarmCount; ++i) s->WriteInteger(alarm[i]);
  s->WriteBoolean(marked);
  s->WriteBoolean(deactivated);
  s->WriteInteger(path_index);
  s->WriteReal(path_position);
  s->WriteReal(path_positionprevious);
  s->WriteReal(path_speed);
  s->WriteReal(path_scale);
  s->WriteReal(path_orientation);
  s->WriteInteger(path_endaction);
  s->WriteReal(path_xstart);
  s->WriteReal(path_ystart);
  s->WriteInteger(timeline_index);
  s->WriteReal(timeline_position);
  s->WriteReal(timeline_speed);
  s->WriteBoolean(timeline_running);
  s->WriteBoolean(timeline_loop);
  s->WriteString("");
  variables.Save(s);
}

bool CInstance::Load(CStream* s) {
  auto real = [s] { return float(s->ReadReal()); };
  id = s->ReadInteger();
  sprite_index = s->ReadInteger();
  image_index = real();
  image_speed = real();
  image_xscale = real();
  image_yscale = real();
  image_angle = real();
  image_alpha = real();
  image_blend = uint32_t(s->ReadInteger());
  mask_index = s->ReadInteger();
  depth = real();
  precise = s->ReadBoolean();
  float* motion[] = {&x, &y, &xstart, &ystart, &xprevious, &yprevious, &direction, &speed, &friction,
                     &gravity_direction, &gravity, &hspeed, &vspeed};
  for (float* field : motion) *field = real();
  bbox.left = s->ReadInteger();
  bbox.right = s->ReadInteger();
  bbox.top = s->ReadInteger();
  bbox.bottom = s->ReadInteger();
  bbox_dirty = false;
  visible = s->ReadBoolean();
  solid = s->ReadBoolean();
  persistent = s->ReadBoolean();
  object_index = s->ReadInteger();
  if (object_index == -1) object_index = 0;
  for (int i = 0; i < kAlarmCount; ++i) alarm[i] = s->ReadInteger();
  marked = s->ReadBoolean();
  deactivated = s->ReadBoolean();
  path_index = s->ReadInteger();
  path_position = real();
  path_positionprevious = real();
  path_speed = real();
  path_scale = real();
  path_orientation = real();
  path_endaction = s->ReadInteger();
  path_xstart = real();
  path_ystart = real();
  timeline_index = s->ReadInteger();
  timeline_position = real();
  timeline_speed = real();
  timeline_running = s->ReadBoolean();
  timeline_loop = s->ReadBoolean();
  char* unused = s->ReadString();
  if (unused != nullptr) MemFree(unused);
  object = Object_Find(object_index);
  if (s->Failed()) return false;
  return variables.Load(s);
}
