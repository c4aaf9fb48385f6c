// The particle actions: one particle system of the action library, with particle types and
// emitters named by the game's own small numbers and made when first used. Each action calls the
// particle function it stands for; positions are relative to self while the relative flag is set.
#include <map>

#include "Code/Code_Error.h"
#include "Function/Function_ActionSupport.h"
#include "Function/Function_Register.h"

namespace {

using Args = RValue*;
using Action::Call;

FunctionArgs In(int argc, Args args) { return FunctionArgs{argc, args}; }
RValue Real(double v) { return RValue(v); }

int32_t g_system = -1;
std::map<int32_t, int32_t> g_types;     // the game's type number -> particle type
std::map<int32_t, int32_t> g_emitters;  // the game's emitter number -> emitter of g_system

bool SystemExists() { return g_system >= 0 && ValueIsTrue(Call("part_system_exists", nullptr, nullptr, {Real(g_system)})); }

// The action system, made (at depth 0) when it does not exist.
int32_t System() {
  if (!SystemExists()) {
    g_system = FunctionArgumentIndex(Call("part_system_create", nullptr, nullptr, {}));
    g_emitters.clear();
  }
  return g_system;
}

// The particle type of the game's number `number`, made when missing; -1 (reported) for a
// negative number.
int32_t Type(const char* action, int32_t number) {
  if (number < 0) {
    ReportActionErrorF(false, "%s: particle type %d does not exist (types are numbered from 0)", action, number);
    return -1;
  }
  auto found = g_types.find(number);
  if (found != g_types.end() && ValueIsTrue(Call("part_type_exists", nullptr, nullptr, {Real(found->second)}))) {
    return found->second;
  }
  const int32_t type = FunctionArgumentIndex(Call("part_type_create", nullptr, nullptr, {}));
  g_types[number] = type;
  return type;
}

// The emitter of the game's number `number`, or -1 (reported) when it was never made.
int32_t Emitter(const char* action, int32_t number) {
  auto found = g_emitters.find(number);
  if (!SystemExists() || found == g_emitters.end()) {
    ReportActionErrorF(false, "%s: particle emitter %d has not been created", action, number);
    return -1;
  }
  return found->second;
}

// ---- The system ----------------------------------------------------------------------------------

// action_partsyst_create(depth).
void A_SystemCreate(RValue&, CInstance*, CInstance*, int argc, Args args) {
  Call("part_system_depth", nullptr, nullptr, {Real(System()), In(argc, args).At(0)});
}
void A_SystemDestroy(RValue&, CInstance*, CInstance*, int, Args) {
  if (SystemExists()) Call("part_system_destroy", nullptr, nullptr, {Real(g_system)});
  g_system = -1;
  g_emitters.clear();
}
void A_SystemClear(RValue&, CInstance*, CInstance*, int, Args) {
  if (SystemExists()) Call("part_particles_clear", nullptr, nullptr, {Real(g_system)});
}

// ---- Types ---------------------------------------------------------------------------------------

// action_parttype_create(type, shape, sprite, size min, size max, size increment): the sprite when
// it is not -1, else the shape.
void A_TypeCreate(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a = In(argc, args);
  const RValue t = Real(Type("action_parttype_create", a.Index(0)));
  if (t.real < 0) return;
  Call("part_type_clear", nullptr, nullptr, {t});
  if (a.Index(2) >= 0) {
    Call("part_type_sprite", nullptr, nullptr, {t, a.At(2), Real(1), Real(0), Real(0)});
  } else {
    Call("part_type_shape", nullptr, nullptr, {t, a.At(1)});
  }
  Call("part_type_size", nullptr, nullptr, {t, a.At(3), a.At(4), a.At(5), Real(0)});
}

// action_parttype_create_old(type, shape, size min, size max, start colour, end colour).
void A_TypeCreateOld(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a = In(argc, args);
  const RValue t = Real(Type("action_parttype_create_old", a.Index(0)));
  if (t.real < 0) return;
  Call("part_type_clear", nullptr, nullptr, {t});
  Call("part_type_shape", nullptr, nullptr, {t, a.At(1)});
  Call("part_type_size", nullptr, nullptr, {t, a.At(2), a.At(3), Real(0), Real(0)});
  Call("part_type_color2", nullptr, nullptr, {t, a.At(4), a.At(5)});
}

// action_parttype_color(type, kind, colour 1, colour 2, start alpha, end alpha): kind 0 mixes the
// two colours at random, 1 changes from the first to the second over the life.
void A_TypeColor(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a = In(argc, args);
  const RValue t = Real(Type("action_parttype_color", a.Index(0)));
  if (t.real < 0) return;
  Call(a.Index(1) == 1 ? "part_type_color2" : "part_type_color_mix", nullptr, nullptr, {t, a.At(2), a.At(3)});
  Call("part_type_alpha2", nullptr, nullptr, {t, a.At(4), a.At(5)});
}

// action_parttype_life(type, min, max).
void A_TypeLife(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a = In(argc, args);
  const RValue t = Real(Type("action_parttype_life", a.Index(0)));
  if (t.real >= 0) Call("part_type_life", nullptr, nullptr, {t, a.At(1), a.At(2)});
}

// action_parttype_speed(type, speed min, speed max, direction min, direction max, friction): the
// friction lowers the speed by that much each step.
void A_TypeSpeed(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a = In(argc, args);
  const RValue t = Real(Type("action_parttype_speed", a.Index(0)));
  if (t.real < 0) return;
  Call("part_type_speed", nullptr, nullptr, {t, a.At(1), a.At(2), Real(-a.Double(5)), Real(0)});
  Call("part_type_direction", nullptr, nullptr, {t, a.At(3), a.At(4), Real(0), Real(0)});
}

// action_parttype_gravity(type, amount, direction).
void A_TypeGravity(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a = In(argc, args);
  const RValue t = Real(Type("action_parttype_gravity", a.Index(0)));
  if (t.real >= 0) Call("part_type_gravity", nullptr, nullptr, {t, a.At(1), a.At(2)});
}

// action_parttype_secondary(type, step type, step number, death type, death number).
void A_TypeSecondary(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a = In(argc, args);
  const char* name = "action_parttype_secondary";
  const RValue t = Real(Type(name, a.Index(0)));
  if (t.real < 0) return;
  const int32_t step = Type(name, a.Index(1)), death = Type(name, a.Index(3));
  if (step >= 0) Call("part_type_step", nullptr, nullptr, {t, a.At(2), Real(step)});
  if (death >= 0) Call("part_type_death", nullptr, nullptr, {t, a.At(4), Real(death)});
}

// ---- Emitters ------------------------------------------------------------------------------------

// action_partemit_create(emitter, shape, xmin, xmax, ymin, ymax): made in the action system (made
// first when needed), emitting evenly over the region.
void A_EmitterCreate(RValue&, CInstance* self, CInstance*, int argc, Args args) {
  const FunctionArgs a = In(argc, args);
  const int32_t number = a.Index(0);
  if (number < 0) {
    ReportActionErrorF(false, "action_partemit_create: particle emitter %d cannot be made (emitters are numbered from 0)",
                       number);
    return;
  }
  const RValue ps = Real(System());
  auto found = g_emitters.find(number);
  if (found == g_emitters.end() || !ValueIsTrue(Call("part_emitter_exists", nullptr, nullptr, {ps, Real(found->second)}))) {
    found = g_emitters.insert_or_assign(number, FunctionArgumentIndex(Call("part_emitter_create", nullptr, nullptr, {ps})))
                .first;
  }
  Call("part_emitter_region", nullptr, nullptr,
       {ps, Real(found->second), Real(Action::RelX(self, a, 2)), Real(Action::RelX(self, a, 3)),
        Real(Action::RelY(self, a, 4)), Real(Action::RelY(self, a, 5)), a.At(1), Real(0)});
}

void A_EmitterDestroy(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const int32_t number = In(argc, args).Index(0);
  const int32_t e = Emitter("action_partemit_destroy", number);
  if (e < 0) return;
  Call("part_emitter_destroy", nullptr, nullptr, {Real(g_system), Real(e)});
  g_emitters.erase(number);
}

// action_partemit_burst / _stream(emitter, type, number).
template <bool Burst>
void A_Emit(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a = In(argc, args);
  const char* name = Burst ? "action_partemit_burst" : "action_partemit_stream";
  const int32_t e = Emitter(name, a.Index(0));
  if (e < 0) return;
  const int32_t t = Type(name, a.Index(1));
  if (t < 0) return;
  Call(Burst ? "part_emitter_burst" : "part_emitter_stream", nullptr, nullptr, {Real(g_system), Real(e), Real(t), a.At(2)});
}

// action_effect(kind, x, y, size, colour, where): where 0 below the instances, 1 above.
void A_Effect(RValue&, CInstance* self, CInstance* other, int argc, Args args) {
  const FunctionArgs a = In(argc, args);
  Call(a.Flag(5) ? "effect_create_above" : "effect_create_below", self, other,
       {a.At(0), Real(Action::RelX(self, a, 1)), Real(Action::RelY(self, a, 2)), a.At(3), a.At(4)});
}

}  // namespace

void Function_ActionParticle_Forget() {
  g_system = -1;
  g_types.clear();
  g_emitters.clear();
}

void Function_ActionParticle_Bind() {
  ImplementFunction("action_partsyst_create", A_SystemCreate);
  ImplementFunction("action_partsyst_destroy", A_SystemDestroy);
  ImplementFunction("action_partsyst_clear", A_SystemClear);
  ImplementFunction("action_parttype_create", A_TypeCreate);
  ImplementFunction("action_parttype_create_old", A_TypeCreateOld);
  ImplementFunction("action_parttype_color", A_TypeColor);
  ImplementFunction("action_parttype_life", A_TypeLife);
  ImplementFunction("action_parttype_speed", A_TypeSpeed);
  ImplementFunction("action_parttype_gravity", A_TypeGravity);
  ImplementFunction("action_parttype_secondary", A_TypeSecondary);
  ImplementFunction("action_partemit_create", A_EmitterCreate);
  ImplementFunction("action_partemit_destroy", A_EmitterDestroy);
  ImplementFunction("action_partemit_burst", A_Emit<true>);
  ImplementFunction("action_partemit_stream", A_Emit<false>);
  ImplementFunction("action_effect", A_Effect);
}
