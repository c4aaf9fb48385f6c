// Particle systems: containers of live particles with a position and a drawing depth, and the
// emitters, attractors, destroyers, deflectors and changers inside them. Every function ignores a
// system or sub-object index that is out of range or does not exist.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "Particle/Particle_Type.h"

enum ParticleDistribution : int32_t { kDistrLinear = 0, kDistrGaussian = 1, kDistrInvGaussian = 2 };
enum ParticleRegionShape : int32_t { kRegionRectangle = 0, kRegionEllipse = 1, kRegionDiamond = 2, kRegionLine = 3 };
enum ParticleForce : int32_t { kForceConstant = 0, kForceLinear = 1, kForceQuadratic = 2 };
enum ParticleDeflect : int32_t { kDeflectVertical = 0, kDeflectHorizontal = 1 };
enum ParticleChange : int32_t { kChangeAll = 0, kChangeShape = 1, kChangeMotion = 2 };

struct ParticleRegion {
  float xmin = 0, xmax = 0, ymin = 0, ymax = 0;
  int32_t shape = kRegionRectangle;
};

struct CParticleEmitter {
  bool exists = true;
  int32_t number = 0;  // stream number per step (negative: one with probability 1/|n|)
  ParticleRegion region;
  int32_t distribution = kDistrLinear;
  int32_t type = 0;  // stream type
};

struct CParticleAttractor {
  bool exists = true;
  float x = 0, y = 0;
  float force = 0, distance = 0;
  int32_t kind = kForceConstant;
  bool additive = false;
};

struct CParticleDestroyer {
  bool exists = true;
  ParticleRegion region;
};

struct CParticleDeflector {
  bool exists = true;
  ParticleRegion region;
  int32_t kind = kDeflectVertical;
  float friction = 0;
};

struct CParticleChanger {
  bool exists = true;
  ParticleRegion region;
  int32_t type1 = 0, type2 = 0;
  int32_t kind = kChangeAll;
};

struct CParticleSystem {
  bool exists = true;
  std::vector<CParticle> particles;  // in creation order (old to new)
  std::vector<CParticleEmitter> emitters;
  std::vector<CParticleAttractor> attractors;
  std::vector<CParticleDestroyer> destroyers;
  std::vector<CParticleDeflector> deflectors;
  std::vector<CParticleChanger> changers;
  bool oldToNew = true;
  float depth = 0;
  float x = 0, y = 0;
  bool autoUpdate = true, autoDraw = true;
};

int32_t ParticleSystem_Create();
void ParticleSystem_Destroy(int32_t index);
void ParticleSystem_DestroyAll();
// The system of an existing index, or null.
CParticleSystem* ParticleSystem_Get(int32_t index);
int32_t ParticleSystem_Count();  // slots, existing or not
// Removes the particles and every sub-object; the settings stay.
void ParticleSystem_Clear(int32_t index);

// Creates `number` particles of type `type` at (x, y) (negative: one with probability 1/|number|);
// `colour` >= 0 replaces each one's colour.
void ParticleSystem_CreateParticles(CParticleSystem& ps, float x, float y, int32_t type, int32_t number,
                                    int64_t colour = -1);
// Emits `number` particles of `type` over the emitter's region and distribution.
void ParticleSystem_Emit(CParticleSystem& ps, const CParticleEmitter& e, int32_t type, int32_t number);
// A value in [0, 1) drawn with the distribution.
float Particle_Distributed(int32_t distribution);

// One update of a system (ageing, motion, deflectors, changers, destroyers, appearance, emitters).
void ParticleSystem_Update(CParticleSystem& ps);
// Updates every system whose automatic update is on (once per step).
void ParticleSystem_UpdateAll();

// The lowest free slot of a sub-object list (reset to its defaults), else a new one; its index.
template <class T>
int32_t ParticleSystem_NewSlot(std::vector<T>& list) {
  for (size_t i = 0; i < list.size(); ++i) {
    if (!list[i].exists) {
      list[i] = T{};
      return int32_t(i);
    }
  }
  list.emplace_back();
  return int32_t(list.size() - 1);
}
// The existing sub-object at `index`, or null.
template <class T>
T* ParticleSystem_Slot(std::vector<T>& list, int32_t index) {
  if (index < 0 || size_t(index) >= list.size() || !list[size_t(index)].exists) return nullptr;
  return &list[size_t(index)];
}
