// The instance built-in variables (ids 0..77): fields of the instance the access is made for,
// read and written through the instance's own setters so that motion, the bounding box and the
// list order stay consistent.
#include <cmath>

#include "Physics/Physics_Body.h"
#include "Run/Run_Instance.h"
#include "Run/Run_State.h"
#include "Run/Run_World.h"
#include "Variable/Variable_BuiltIn.h"
#include "Variable/Variable_BuiltInState.h"

namespace {

BuiltInSpriteQuery g_spriteQuery = nullptr;

float F(const RValue* v) { return RealToFloat(v->real); }

// ---- Plain float fields -------------------------------------------------------------------------

template <float CInstance::*Field>
bool GetFloat(CInstance* self, int32_t, RValue* v) {
  if (self == nullptr) return false;
  v->SetReal(self->*Field);
  return true;
}
template <float CInstance::*Field>
bool SetFloat(CInstance* self, int32_t, const RValue* v) {
  if (self == nullptr) return false;
  self->*Field = F(v);
  return true;
}
template <int32_t CInstance::*Field>
bool GetInt(CInstance* self, int32_t, RValue* v) {
  if (self == nullptr) return false;
  v->SetReal(self->*Field);
  return true;
}
template <int32_t CInstance::*Field>
bool SetIntRounded(CInstance* self, int32_t, const RValue* v) {
  if (self == nullptr) return false;
  self->*Field = BuiltIn_Round(*v);
  return true;
}
template <bool CInstance::*Field>
bool GetFlag(CInstance* self, int32_t, RValue* v) {
  if (self == nullptr) return false;
  v->SetReal(self->*Field ? 1.0 : 0.0);
  return true;
}
template <bool CInstance::*Field>
bool SetFlagNonZero(CInstance* self, int32_t, const RValue* v) {
  if (self == nullptr) return false;
  self->*Field = BuiltIn_NonZero(*v);
  return true;
}
template <bool CInstance::*Field>
bool SetFlagAboveHalf(CInstance* self, int32_t, const RValue* v) {
  if (self == nullptr) return false;
  self->*Field = BuiltIn_AboveHalf(*v);
  return true;
}

// A float field written through one of the instance's setters.
template <float CInstance::*Field, void (CInstance::*Setter)(float)>
bool SetThrough(CInstance* self, int32_t, const RValue* v) {
  if (self == nullptr) return false;
  (self->*Setter)(F(v));
  return true;
}

// ---- Position, motion, object -------------------------------------------------------------------

bool SetX(CInstance* self, int32_t, const RValue* v) {
  if (self == nullptr) return false;
  self->SetPosition(F(v), self->y);
  return true;
}
bool SetY(CInstance* self, int32_t, const RValue* v) {
  if (self == nullptr) return false;
  self->SetPosition(self->x, F(v));
  return true;
}

int32_t AlarmSlot(int32_t index) { return (index >= 0 && index < kAlarmCount) ? index : 0; }
bool GetAlarm(CInstance* self, int32_t index, RValue* v) {
  if (self == nullptr) return false;
  v->SetReal(self->alarm[AlarmSlot(index)]);
  return true;
}
bool SetAlarm(CInstance* self, int32_t index, const RValue* v) {
  if (self == nullptr) return false;
  self->alarm[AlarmSlot(index)] = BuiltIn_Round(*v);
  return true;
}

bool SetDepth(CInstance* self, int32_t, const RValue* v) {
  if (self == nullptr) return false;
  const float depth = F(v);
  if (depth != self->depth) World_SetDepth(self, depth);
  return true;
}

const InstanceBox* Box(CInstance* self) { return self != nullptr ? &self->BoundingBox() : nullptr; }
template <int32_t InstanceBox::*Edge>
bool GetBoxEdge(CInstance* self, int32_t, RValue* v) {
  const InstanceBox* box = Box(self);
  if (box == nullptr) return false;
  v->SetReal(box->*Edge);
  return true;
}

// ---- Appearance ---------------------------------------------------------------------------------

bool SetSpriteIndex(CInstance* self, int32_t, const RValue* v) {
  if (self == nullptr) return false;
  self->SetSprite(BuiltIn_Round(*v));
  return true;
}
bool GetImageSingle(CInstance* self, int32_t, RValue* v) {
  if (self == nullptr) return false;
  v->SetReal(self->image_speed != 0 ? -1.0 : self->image_index);
  return true;
}
// A negative value restarts the animation at the current frame; any other shows that one frame.
bool SetImageSingle(CInstance* self, int32_t, const RValue* v) {
  if (self == nullptr) return false;
  if (v->real < 0) {
    self->image_speed = 1;
  } else {
    self->image_index = F(v);
    self->image_speed = 0;
  }
  return true;
}
bool GetImageNumber(CInstance* self, int32_t, RValue* v) {
  if (self == nullptr) return false;
  v->SetReal(Instance_SpriteFrameCount(self->sprite_index));
  return true;
}

enum class SpriteMeasure { Width, Height, XOffset, YOffset };
template <SpriteMeasure M>
bool GetSpriteMeasure(CInstance* self, int32_t, RValue* v) {
  if (self == nullptr) return false;
  BuiltInSpriteGeometry g;
  if (!BuiltIn_SpriteGeometry(self->sprite_index, &g)) {
    v->SetReal(0);
    return true;
  }
  switch (M) {
    case SpriteMeasure::Width: v->SetReal(g.width * static_cast<double>(self->image_xscale)); break;
    case SpriteMeasure::Height: v->SetReal(g.height * static_cast<double>(self->image_yscale)); break;
    case SpriteMeasure::XOffset: v->SetReal(g.xorigin * static_cast<double>(self->image_xscale)); break;
    case SpriteMeasure::YOffset: v->SetReal(g.yorigin * static_cast<double>(self->image_yscale)); break;
  }
  return true;
}
bool GetImageBlend(CInstance* self, int32_t, RValue* v) {
  if (self == nullptr) return false;
  v->SetReal(static_cast<double>(self->image_blend));
  return true;
}
bool SetImageBlend(CInstance* self, int32_t, const RValue* v) {
  if (self == nullptr) return false;
  self->image_blend = static_cast<uint32_t>(BuiltIn_Round(*v));
  return true;
}
bool SetMaskIndex(CInstance* self, int32_t, const RValue* v) {
  if (self == nullptr) return false;
  self->SetMask(BuiltIn_Round(*v));
  return true;
}

// ---- Paths --------------------------------------------------------------------------------------

bool SetPathPosition(CInstance* self, int32_t, const RValue* v) {
  if (self == nullptr) return false;
  self->SetPathPosition(F(v));
  return true;
}
bool SetPathPositionPrevious(CInstance* self, int32_t, const RValue* v) {
  if (self == nullptr) return false;
  self->SetPathPositionPrevious(F(v));
  return true;
}

// ---- Values owned elsewhere ---------------------------------------------------------------------

bool GetAsyncLoad(CInstance*, int32_t, RValue* v) {
  v->SetReal(g_BuiltInState.asyncLoad);
  return true;
}
// The body state of a physics instance (0 without a body; writes to an instance without one do nothing).
template <PhysicsVar var>
bool GetPhysics(CInstance* self, int32_t index, RValue* v) {
  v->SetReal(Physics_Read(self, var, index));
  return true;
}
template <PhysicsVar var>
bool SetPhysics(CInstance* self, int32_t, const RValue* v) {
  if (v->IsReal()) Physics_Write(self, var, v->real);
  return true;
}
bool GetDisplayAA(CInstance*, int32_t, RValue* v) {
  v->SetReal(g_BuiltInState.displayAA);
  return true;
}
bool GetDeltaTime(CInstance*, int32_t, RValue* v) {
  v->SetReal(static_cast<double>(g_RunState.stepDeltaMicros));
  return true;
}
bool GetWebGL(CInstance*, int32_t, RValue* v) {
  v->SetReal(1);
  return true;
}

constexpr TSetVarRoutine kReadOnly = nullptr;

void AddField(const char* name, TGetVarRoutine get, TSetVarRoutine set) { AddBuiltIn(name, get, set, set != nullptr); }

}  // namespace

void BuiltIn_SetSpriteQuery(BuiltInSpriteQuery query) { g_spriteQuery = query; }

bool BuiltIn_SpriteGeometry(int32_t sprite, BuiltInSpriteGeometry* out) {
  if (g_spriteQuery == nullptr || sprite < 0) return false;
  return g_spriteQuery(sprite, out);
}

void BuiltIn_RegisterInstanceVariables() {
  using C = CInstance;
  AddField("x", GetFloat<&C::x>, SetX);
  AddField("y", GetFloat<&C::y>, SetY);
  AddField("xprevious", GetFloat<&C::xprevious>, SetFloat<&C::xprevious>);
  AddField("yprevious", GetFloat<&C::yprevious>, SetFloat<&C::yprevious>);
  AddField("xstart", GetFloat<&C::xstart>, SetFloat<&C::xstart>);
  AddField("ystart", GetFloat<&C::ystart>, SetFloat<&C::ystart>);
  AddField("hspeed", GetFloat<&C::hspeed>, SetThrough<&C::hspeed, &C::SetHspeed>);
  AddField("vspeed", GetFloat<&C::vspeed>, SetThrough<&C::vspeed, &C::SetVspeed>);
  AddField("direction", GetFloat<&C::direction>, SetThrough<&C::direction, &C::SetDirection>);
  AddField("speed", GetFloat<&C::speed>, SetThrough<&C::speed, &C::SetSpeed>);
  AddField("friction", GetFloat<&C::friction>, SetFloat<&C::friction>);
  AddField("gravity", GetFloat<&C::gravity>, SetFloat<&C::gravity>);
  AddField("gravity_direction", GetFloat<&C::gravity_direction>, SetFloat<&C::gravity_direction>);
  AddField("object_index", GetInt<&C::object_index>, kReadOnly);
  AddField("id", GetInt<&C::id>, kReadOnly);
  AddField("alarm", GetAlarm, SetAlarm);
  AddField("solid", GetFlag<&C::solid>, SetFlagNonZero<&C::solid>);
  AddField("visible", GetFlag<&C::visible>, SetFlagNonZero<&C::visible>);
  AddField("persistent", GetFlag<&C::persistent>, SetFlagNonZero<&C::persistent>);
  AddField("depth", GetFloat<&C::depth>, SetDepth);
  AddField("bbox_left", GetBoxEdge<&InstanceBox::left>, kReadOnly);
  AddField("bbox_right", GetBoxEdge<&InstanceBox::right>, kReadOnly);
  AddField("bbox_top", GetBoxEdge<&InstanceBox::top>, kReadOnly);
  AddField("bbox_bottom", GetBoxEdge<&InstanceBox::bottom>, kReadOnly);
  AddField("sprite_index", GetInt<&C::sprite_index>, SetSpriteIndex);
  AddField("image_index", GetFloat<&C::image_index>, SetFloat<&C::image_index>);
  AddField("image_single", GetImageSingle, SetImageSingle);
  AddField("image_number", GetImageNumber, kReadOnly);
  AddField("sprite_width", GetSpriteMeasure<SpriteMeasure::Width>, kReadOnly);
  AddField("sprite_height", GetSpriteMeasure<SpriteMeasure::Height>, kReadOnly);
  AddField("sprite_xoffset", GetSpriteMeasure<SpriteMeasure::XOffset>, kReadOnly);
  AddField("sprite_yoffset", GetSpriteMeasure<SpriteMeasure::YOffset>, kReadOnly);
  AddField("image_xscale", GetFloat<&C::image_xscale>, SetThrough<&C::image_xscale, &C::SetXScale>);
  AddField("image_yscale", GetFloat<&C::image_yscale>, SetThrough<&C::image_yscale, &C::SetYScale>);
  AddField("image_angle", GetFloat<&C::image_angle>, SetThrough<&C::image_angle, &C::SetAngle>);
  AddField("image_alpha", GetFloat<&C::image_alpha>, SetFloat<&C::image_alpha>);
  AddField("image_blend", GetImageBlend, SetImageBlend);
  AddField("image_speed", GetFloat<&C::image_speed>, SetFloat<&C::image_speed>);
  AddField("mask_index", GetInt<&C::mask_index>, SetMaskIndex);
  AddField("path_index", GetInt<&C::path_index>, kReadOnly);
  AddField("path_position", GetFloat<&C::path_position>, SetPathPosition);
  AddField("path_positionprevious", GetFloat<&C::path_positionprevious>, SetPathPositionPrevious);
  AddField("path_speed", GetFloat<&C::path_speed>, SetFloat<&C::path_speed>);
  AddField("path_scale", GetFloat<&C::path_scale>, SetFloat<&C::path_scale>);
  AddField("path_orientation", GetFloat<&C::path_orientation>, SetFloat<&C::path_orientation>);
  AddField("path_endaction", GetInt<&C::path_endaction>, SetIntRounded<&C::path_endaction>);
  AddField("timeline_index", GetInt<&C::timeline_index>, SetIntRounded<&C::timeline_index>);
  AddField("timeline_position", GetFloat<&C::timeline_position>, SetFloat<&C::timeline_position>);
  AddField("timeline_speed", GetFloat<&C::timeline_speed>, SetFloat<&C::timeline_speed>);
  AddField("timeline_running", GetFlag<&C::timeline_running>, SetFlagAboveHalf<&C::timeline_running>);
  AddField("timeline_loop", GetFlag<&C::timeline_loop>, SetFlagAboveHalf<&C::timeline_loop>);
  AddField("async_load", GetAsyncLoad, kReadOnly);
  using P = PhysicsVar;
  AddField("phy_rotation", GetPhysics<P::kRotation>, SetPhysics<P::kRotation>);
  AddField("phy_position_x", GetPhysics<P::kPositionX>, SetPhysics<P::kPositionX>);
  AddField("phy_position_y", GetPhysics<P::kPositionY>, SetPhysics<P::kPositionY>);
  AddField("phy_angular_velocity", GetPhysics<P::kAngularVelocity>, SetPhysics<P::kAngularVelocity>);
  AddField("phy_linear_velocity_x", GetPhysics<P::kLinearVelocityX>, SetPhysics<P::kLinearVelocityX>);
  AddField("phy_linear_velocity_y", GetPhysics<P::kLinearVelocityY>, SetPhysics<P::kLinearVelocityY>);
  AddField("phy_speed_x", GetPhysics<P::kSpeedX>, SetPhysics<P::kSpeedX>);
  AddField("phy_speed_y", GetPhysics<P::kSpeedY>, SetPhysics<P::kSpeedY>);
  AddField("phy_bullet", GetPhysics<P::kBullet>, SetPhysics<P::kBullet>);
  AddField("phy_fixed_rotation", GetPhysics<P::kFixedRotation>, SetPhysics<P::kFixedRotation>);
  AddField("phy_active", GetPhysics<P::kActive>, SetPhysics<P::kActive>);
  AddField("phy_mass", GetPhysics<P::kMass>, kReadOnly);
  AddField("phy_inertia", GetPhysics<P::kInertia>, kReadOnly);
  AddField("phy_com_x", GetPhysics<P::kComX>, kReadOnly);
  AddField("phy_com_y", GetPhysics<P::kComY>, kReadOnly);
  AddField("phy_dynamic", GetPhysics<P::kDynamic>, kReadOnly);
  AddField("phy_kinematic", GetPhysics<P::kKinematic>, kReadOnly);
  AddField("phy_sleeping", GetPhysics<P::kSleeping>, kReadOnly);
  AddField("phy_collision_points", GetPhysics<P::kCollisionPoints>, kReadOnly);
  AddField("phy_collision_x", GetPhysics<P::kCollisionX>, kReadOnly);
  AddField("phy_collision_y", GetPhysics<P::kCollisionY>, kReadOnly);
  AddField("phy_col_normal_x", GetPhysics<P::kNormalX>, kReadOnly);
  AddField("phy_col_normal_y", GetPhysics<P::kNormalY>, kReadOnly);
  AddField("display_aa", GetDisplayAA, kReadOnly);
  AddField("delta_time", GetDeltaTime, kReadOnly);
  AddField("webgl_enabled", GetWebGL, kReadOnly);
}
