// Particle types, particle systems with their emitters, attractors, destroyers, deflectors and
// changers, and the ready-made effects.
#include <string>
#include <vector>

#include "Function/Function_Arguments.h"
#include "Particle/Particle_Draw.h"
#include "Particle/Particle_Effect.h"
#include "Particle/Particle_System.h"

namespace {

using Args = RValue*;

// A setter of the particle type in argument 0; nothing when it does not exist.
#define TYPE_SETTER(Name, body)                                     \
  void Name(RValue&, CInstance*, CInstance*, int argc, Args args) { \
    const FunctionArgs a{argc, args};                               \
    if (CParticleType* tp = ParticleType_Get(a.Index(0))) {         \
      CParticleType& t = *tp;                                       \
      body;                                                         \
    }                                                               \
  }

TYPE_SETTER(F_TypeDestroy, (void)t; ParticleType_Destroy(a.Index(0)))
TYPE_SETTER(F_TypeClear, t = CParticleType{})
TYPE_SETTER(F_TypeShape, t.shape = a.Index(1); t.sprite = -1)
TYPE_SETTER(F_TypeSprite, t.sprite = a.Index(1); t.animate = a.Flag(2); t.stretch = a.Flag(3); t.random = a.Flag(4))
TYPE_SETTER(F_TypeSize, t.sizeMin = a.Real(1); t.sizeMax = a.Real(2); t.sizeIncr = a.Real(3); t.sizeWiggle = a.Real(4))
TYPE_SETTER(F_TypeScale, t.xscale = a.Real(1); t.yscale = a.Real(2))
TYPE_SETTER(F_TypeLife, t.lifeMin = a.Index(1); t.lifeMax = a.Index(2))
TYPE_SETTER(F_TypeStep, t.stepNumber = a.Index(1); t.stepType = a.Index(2))
TYPE_SETTER(F_TypeDeath, t.deathNumber = a.Index(1); t.deathType = a.Index(2))
TYPE_SETTER(F_TypeSpeed, t.speedMin = a.Real(1); t.speedMax = a.Real(2); t.speedIncr = a.Real(3);
            t.speedWiggle = a.Real(4))
TYPE_SETTER(F_TypeDirection, t.dirMin = a.Real(1); t.dirMax = a.Real(2); t.dirIncr = a.Real(3); t.dirWiggle = a.Real(4))
TYPE_SETTER(F_TypeOrientation, t.orientMin = a.Real(1); t.orientMax = a.Real(2); t.orientIncr = a.Real(3);
            t.orientWiggle = a.Real(4); t.orientRelative = a.Flag(5))
TYPE_SETTER(F_TypeGravity, t.gravity = a.Real(1); t.gravityDir = a.Real(2))
TYPE_SETTER(F_TypeColourMix, t.colourMode = kColourMix; t.colour[0] = a.Colour(1); t.colour[1] = a.Colour(2))
TYPE_SETTER(F_TypeColourRgb, t.colourMode = kColourRgb;
            for (int k = 0; k < 3; ++k) { t.colour[k] = a.Index(1 + 2 * k); t.colourHi[k] = a.Index(2 + 2 * k); })
TYPE_SETTER(F_TypeColourHsv, t.colourMode = kColourHsv;
            for (int k = 0; k < 3; ++k) { t.colour[k] = a.Index(1 + 2 * k); t.colourHi[k] = a.Index(2 + 2 * k); })
TYPE_SETTER(F_TypeColour1, t.colourMode = kColourOne; t.colour[0] = a.Colour(1))
TYPE_SETTER(F_TypeColour2, t.colourMode = kColourTwo; t.colour[0] = a.Colour(1); t.colour[1] = a.Colour(2))
TYPE_SETTER(F_TypeColour3, t.colourMode = kColourThree; t.colour[0] = a.Colour(1); t.colour[1] = a.Colour(2);
            t.colour[2] = a.Colour(3))
TYPE_SETTER(F_TypeAlpha1, t.alphaStart = t.alphaMiddle = t.alphaEnd = a.Real(1))
TYPE_SETTER(F_TypeAlpha2, t.alphaStart = a.Real(1); t.alphaEnd = a.Real(2); t.alphaMiddle = (a.Real(1) + a.Real(2)) / 2)
TYPE_SETTER(F_TypeAlpha3, t.alphaStart = a.Real(1); t.alphaMiddle = a.Real(2); t.alphaEnd = a.Real(3))
TYPE_SETTER(F_TypeBlend, t.additive = a.Flag(1))
#undef TYPE_SETTER

void F_TypeCreate(RValue& r, CInstance*, CInstance*, int, Args) { r.SetReal(ParticleType_Create()); }
void F_TypeExists(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(ParticleType_Exists(FunctionArgs{argc, args}.Index(0)) ? 1 : 0);
}

// A change to the system in argument 0; nothing when it does not exist.
#define SYSTEM_SETTER(Name, body)                                   \
  void Name(RValue&, CInstance*, CInstance*, int argc, Args args) { \
    const FunctionArgs a{argc, args};                               \
    if (CParticleSystem* psp = ParticleSystem_Get(a.Index(0))) {    \
      CParticleSystem& ps = *psp;                                   \
      body;                                                         \
    }                                                               \
  }

SYSTEM_SETTER(F_SystemDestroy, (void)ps; ParticleSystem_Destroy(a.Index(0)))
SYSTEM_SETTER(F_SystemClear, (void)ps; ParticleSystem_Clear(a.Index(0)))
SYSTEM_SETTER(F_SystemDrawOrder, ps.oldToNew = a.Flag(1))
SYSTEM_SETTER(F_SystemDepth, ps.depth = a.Real(1))
SYSTEM_SETTER(F_SystemPosition, ps.x = a.Real(1); ps.y = a.Real(2))
SYSTEM_SETTER(F_SystemAutoUpdate, ps.autoUpdate = a.Flag(1))
SYSTEM_SETTER(F_SystemAutoDraw, ps.autoDraw = a.Flag(1))
SYSTEM_SETTER(F_SystemUpdate, ParticleSystem_Update(ps))
SYSTEM_SETTER(F_SystemDrawIt, ParticleSystem_Draw(ps))
SYSTEM_SETTER(F_ParticlesCreate, ParticleSystem_CreateParticles(ps, a.Real(1), a.Real(2), a.Index(3), a.Index(4)))
SYSTEM_SETTER(F_ParticlesCreateColour, ParticleSystem_CreateParticles(ps, a.Real(1), a.Real(2), a.Index(3), a.Index(5),
                                                                      int64_t(a.Colour(4) & 0xFFFFFF)))
SYSTEM_SETTER(F_ParticlesClear, ps.particles.clear())
#undef SYSTEM_SETTER

void F_SystemCreate(RValue& r, CInstance*, CInstance*, int, Args) { r.SetReal(ParticleSystem_Create()); }
void F_SystemExists(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(ParticleSystem_Get(FunctionArgs{argc, args}.Index(0)) != nullptr ? 1 : 0);
}
void F_ParticlesCount(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  const CParticleSystem* ps = ParticleSystem_Get(FunctionArgs{argc, args}.Index(0));
  r.SetReal(ps != nullptr ? double(ps->particles.size()) : 0.0);
}

// The functions every sub-object kind has: create, destroy, destroy all, exists and clear.
template <class T, std::vector<T> CParticleSystem::*List>
struct SubObject {
  static void Create(RValue& r, CInstance*, CInstance*, int argc, Args args) {
    CParticleSystem* ps = ParticleSystem_Get(FunctionArgs{argc, args}.Index(0));
    r.SetReal(ps != nullptr ? ParticleSystem_NewSlot(ps->*List) : -1);
  }
  static T* Find(const FunctionArgs& a) {
    CParticleSystem* ps = ParticleSystem_Get(a.Index(0));
    return ps != nullptr ? ParticleSystem_Slot(ps->*List, a.Index(1)) : nullptr;
  }
  static void Destroy(RValue&, CInstance*, CInstance*, int argc, Args args) {
    if (T* item = Find(FunctionArgs{argc, args})) item->exists = false;
  }
  static void DestroyAll(RValue&, CInstance*, CInstance*, int argc, Args args) {
    if (CParticleSystem* ps = ParticleSystem_Get(FunctionArgs{argc, args}.Index(0))) (ps->*List).clear();
  }
  static void Exists(RValue& r, CInstance*, CInstance*, int argc, Args args) {
    r.SetReal(Find(FunctionArgs{argc, args}) != nullptr ? 1 : 0);
  }
  static void Clear(RValue&, CInstance*, CInstance*, int argc, Args args) {
    if (T* item = Find(FunctionArgs{argc, args})) *item = T{};
  }
  static void Bind(const char* kind) {
    const std::string prefix = std::string("part_") + kind;
    ImplementFunction((prefix + "_create").c_str(), Create);
    ImplementFunction((prefix + "_destroy").c_str(), Destroy);
    ImplementFunction((prefix + "_destroy_all").c_str(), DestroyAll);
    ImplementFunction((prefix + "_exists").c_str(), Exists);
    ImplementFunction((prefix + "_clear").c_str(), Clear);
  }
};
using Emitters = SubObject<CParticleEmitter, &CParticleSystem::emitters>;
using Attractors = SubObject<CParticleAttractor, &CParticleSystem::attractors>;
using Destroyers = SubObject<CParticleDestroyer, &CParticleSystem::destroyers>;
using Deflectors = SubObject<CParticleDeflector, &CParticleSystem::deflectors>;
using Changers = SubObject<CParticleChanger, &CParticleSystem::changers>;

ParticleRegion RegionOf(const FunctionArgs& a, bool withShape) {
  ParticleRegion r;
  r.xmin = a.Real(2);
  r.xmax = a.Real(3);
  r.ymin = a.Real(4);
  r.ymax = a.Real(5);
  r.shape = withShape ? a.Index(6) : kRegionRectangle;
  return r;
}

// A change to sub-object (argument 0, argument 1) of list `Kind`.
#define ITEM_SETTER(Name, Kind, body)                               \
  void Name(RValue&, CInstance*, CInstance*, int argc, Args args) { \
    const FunctionArgs a{argc, args};                               \
    if (auto* ip = Kind::Find(a)) {                                 \
      auto& item = *ip;                                             \
      body;                                                         \
    }                                                               \
  }

ITEM_SETTER(F_EmitterRegion, Emitters, item.region = RegionOf(a, true); item.distribution = a.Index(7))
ITEM_SETTER(F_EmitterStream, Emitters, item.type = a.Index(2); item.number = a.Index(3))
ITEM_SETTER(F_AttractorPosition, Attractors, item.x = a.Real(2); item.y = a.Real(3))
ITEM_SETTER(F_AttractorForce, Attractors, item.force = a.Real(2); item.distance = a.Real(3); item.kind = a.Index(4);
            item.additive = a.Flag(5))
ITEM_SETTER(F_DestroyerRegion, Destroyers, item.region = RegionOf(a, true))
ITEM_SETTER(F_DeflectorRegion, Deflectors, item.region = RegionOf(a, false))
ITEM_SETTER(F_DeflectorKind, Deflectors, item.kind = a.Index(2))
ITEM_SETTER(F_DeflectorFriction, Deflectors, item.friction = a.Real(2))
ITEM_SETTER(F_ChangerRegion, Changers, item.region = RegionOf(a, true))
ITEM_SETTER(F_ChangerKind, Changers, item.kind = a.Index(2))
ITEM_SETTER(F_ChangerTypes, Changers, item.type1 = a.Index(2); item.type2 = a.Index(3))
#undef ITEM_SETTER

void F_EmitterBurst(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  CParticleSystem* ps = ParticleSystem_Get(a.Index(0));
  if (ps == nullptr) return;
  const CParticleEmitter* e = ParticleSystem_Slot(ps->emitters, a.Index(1));
  if (e == nullptr) return;
  const CParticleEmitter copy = *e;  // emitting grows the particle list, not the emitters
  ParticleSystem_Emit(*ps, copy, a.Index(2), a.Index(3));
}

void EffectCall(bool above, int argc, Args args) {
  const FunctionArgs a{argc, args};
  Effect_Create(above, a.Index(0), a.Real(1), a.Real(2), a.Index(3), a.Colour(4));
}
void F_EffectBelow(RValue&, CInstance*, CInstance*, int argc, Args args) { EffectCall(false, argc, args); }
void F_EffectAbove(RValue&, CInstance*, CInstance*, int argc, Args args) { EffectCall(true, argc, args); }
void F_EffectClear(RValue&, CInstance*, CInstance*, int, Args) { Effect_Clear(); }

}  // namespace

void Function_Particle_Bind() {
  ImplementFunction("part_type_create", F_TypeCreate);
  ImplementFunction("part_type_destroy", F_TypeDestroy);
  ImplementFunction("part_type_exists", F_TypeExists);
  ImplementFunction("part_type_clear", F_TypeClear);
  ImplementFunction("part_type_shape", F_TypeShape);
  ImplementFunction("part_type_sprite", F_TypeSprite);
  ImplementFunction("part_type_size", F_TypeSize);
  ImplementFunction("part_type_scale", F_TypeScale);
  ImplementFunction("part_type_life", F_TypeLife);
  ImplementFunction("part_type_step", F_TypeStep);
  ImplementFunction("part_type_death", F_TypeDeath);
  ImplementFunction("part_type_speed", F_TypeSpeed);
  ImplementFunction("part_type_direction", F_TypeDirection);
  ImplementFunction("part_type_orientation", F_TypeOrientation);
  ImplementFunction("part_type_gravity", F_TypeGravity);
  ImplementFunction("part_type_color_mix", F_TypeColourMix);
  ImplementFunction("part_type_color_rgb", F_TypeColourRgb);
  ImplementFunction("part_type_color_hsv", F_TypeColourHsv);
  ImplementFunction("part_type_color1", F_TypeColour1);
  ImplementFunction("part_type_color2", F_TypeColour2);
  ImplementFunction("part_type_color3", F_TypeColour3);
  ImplementFunction("part_type_color", F_TypeColour3);
  ImplementFunction("part_type_alpha1", F_TypeAlpha1);
  ImplementFunction("part_type_alpha2", F_TypeAlpha2);
  ImplementFunction("part_type_alpha3", F_TypeAlpha3);
  ImplementFunction("part_type_alpha", F_TypeAlpha3);
  ImplementFunction("part_type_blend", F_TypeBlend);
  ImplementFunction("part_system_create", F_SystemCreate);
  ImplementFunction("part_system_destroy", F_SystemDestroy);
  ImplementFunction("part_system_exists", F_SystemExists);
  ImplementFunction("part_system_clear", F_SystemClear);
  ImplementFunction("part_system_draw_order", F_SystemDrawOrder);
  ImplementFunction("part_system_depth", F_SystemDepth);
  ImplementFunction("part_system_position", F_SystemPosition);
  ImplementFunction("part_system_automatic_update", F_SystemAutoUpdate);
  ImplementFunction("part_system_automatic_draw", F_SystemAutoDraw);
  ImplementFunction("part_system_update", F_SystemUpdate);
  ImplementFunction("part_system_drawit", F_SystemDrawIt);
  ImplementFunction("part_particles_create", F_ParticlesCreate);
  ImplementFunction("part_particles_create_color", F_ParticlesCreateColour);
  ImplementFunction("part_particles_clear", F_ParticlesClear);
  ImplementFunction("part_particles_count", F_ParticlesCount);
  Emitters::Bind("emitter");
  ImplementFunction("part_emitter_region", F_EmitterRegion);
  ImplementFunction("part_emitter_burst", F_EmitterBurst);
  ImplementFunction("part_emitter_stream", F_EmitterStream);
  Attractors::Bind("attractor");
  ImplementFunction("part_attractor_position", F_AttractorPosition);
  ImplementFunction("part_attractor_force", F_AttractorForce);
  Destroyers::Bind("destroyer");
  ImplementFunction("part_destroyer_region", F_DestroyerRegion);
  Deflectors::Bind("deflector");
  ImplementFunction("part_deflector_region", F_DeflectorRegion);
  ImplementFunction("part_deflector_kind", F_DeflectorKind);
  ImplementFunction("part_deflector_friction", F_DeflectorFriction);
  Changers::Bind("changer");
  ImplementFunction("part_changer_region", F_ChangerRegion);
  ImplementFunction("part_changer_kind", F_ChangerKind);
  ImplementFunction("part_changer_types", F_ChangerTypes);
  ImplementFunction("effect_create_below", F_EffectBelow);
  ImplementFunction("effect_create_above", F_EffectAbove);
  ImplementFunction("effect_clear", F_EffectClear);
}
