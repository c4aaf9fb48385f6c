#include "Particle/Particle_System.h"

#include <algorithm>
#include <cmath>

#include "Support/Support_Random.h"

namespace {

constexpr float kDegrees = 3.1415927f / 180.0f;
// Redraws of a point that does not fit its region's shape before the centre is taken instead.
constexpr int kMaxRedraws = 1000;

std::vector<CParticleSystem> g_systems;

// The wiggle wave: -1 at t = 0, up to 1 at t = 2, back to -1 at t = 4.
float Wave(float t) { return (t > 2 ? 4 - t : t) - 1; }

// The type of the particles being walked: consecutive particles mostly share one, so the last
// lookup is kept (valid while no type is created or destroyed, which an update never does).
struct TypeCache {
  int32_t index = -1;
  const CParticleType* type = nullptr;
  const CParticleType* Get(int32_t i) {
    if (i != index || type == nullptr) {
      index = i;
      type = ParticleType_Get(i);
    }
    return type;
  }
};

// Whether a number of -n means "this time": one in |n|.
bool OneIn(int32_t n) { return Random_Index(n) == 0; }

// A normal sample limited to three standard deviations (polar form of Box and Muller).
float Normal() {
  for (int k = 0; k < kMaxRedraws; ++k) {
    const float u1 = 1.0f - Random_Unit(), u2 = Random_Unit();
    const float z = std::sqrt(-2.0f * std::log(u1)) * std::cos(2.0f * 3.1415927f * u2);
    if (std::fabs(z) < 3.0f) return z;
  }
  return 0;
}

// Whether (x, y) lies in the region (bounds included) and, for an ellipse or a diamond, in its shape.
// A region without width or height holds nothing.
bool InRegion(const ParticleRegion& r, float x, float y) {
  if (!(r.xmax > r.xmin) || !(r.ymax > r.ymin)) return false;
  if (x < r.xmin || x > r.xmax || y < r.ymin || y > r.ymax) return false;
  if (r.shape != kRegionEllipse && r.shape != kRegionDiamond) return true;
  const float nx = (x - (r.xmin + r.xmax) / 2) / ((r.xmax - r.xmin) / 2);
  const float ny = (y - (r.ymin + r.ymax) / 2) / ((r.ymax - r.ymin) / 2);
  return r.shape == kRegionEllipse ? nx * nx + ny * ny <= 1 : std::fabs(nx) + std::fabs(ny) <= 1;
}

// Drops the particles whose alive flag is clear; the rest keep their order.
void RemoveDead(std::vector<CParticle>& list) {
  list.erase(std::remove_if(list.begin(), list.end(), [](const CParticle& p) { return p.alive == 0; }), list.end());
}

void Age(CParticleSystem& ps) {
  const size_t n = ps.particles.size();
  bool anyDead = false;
  for (size_t i = 0; i < n; ++i) {
    CParticle& p = ps.particles[i];
    p.age += 1;
    if (p.age < p.life) continue;
    p.alive = 0;
    anyDead = true;
    const CParticleType* t = ParticleType_Get(p.type);
    if (t != nullptr && t->deathNumber != 0) {
      const float x = p.x, y = p.y;  // creating may move the list
      ParticleSystem_CreateParticles(ps, x, y, t->deathType, t->deathNumber);
    }
  }
  for (size_t i = 0; i < n; ++i) {
    const CParticle& p = ps.particles[i];
    if (p.alive == 0) continue;
    const CParticleType* t = ParticleType_Get(p.type);
    if (t == nullptr || t->stepNumber == 0) continue;
    const float x = p.x, y = p.y;
    ParticleSystem_CreateParticles(ps, x, y, t->stepType, t->stepNumber);
  }
  if (anyDead) RemoveDead(ps.particles);
}

// The velocity change of the attractors on a particle at (x, y); non-additive ones move it directly.
void Attract(const CParticleSystem& ps, CParticle& p, float& vx, float& vy) {
  const float x = p.x, y = p.y;
  for (const CParticleAttractor& a : ps.attractors) {
    if (!a.exists || a.force == 0 || a.distance == 0) continue;
    const float dx = a.x - x, dy = a.y - y;
    const float r = std::sqrt(dx * dx + dy * dy);
    if (!(r > 0) || r > a.distance) continue;
    float f = a.force;
    const float near = (a.distance - r) / a.distance;
    if (a.kind == kForceLinear) f *= near;
    if (a.kind == kForceQuadratic) f *= near * near;
    if (a.additive) {
      vx += f * dx / r;
      vy += f * dy / r;
    } else {
      p.x += f * dx / r;
      p.y += f * dy / r;
    }
  }
}

bool HasAny(const auto& list) {
  for (const auto& item : list) {
    if (item.exists) return true;
  }
  return false;
}

void Move(CParticleSystem& ps) {
  const bool attractors = HasAny(ps.attractors);
  TypeCache types;
  for (CParticle& p : ps.particles) {
    const CParticleType* t = types.Get(p.type);
    if (t == nullptr) continue;
    p.xprev = p.x;
    p.yprev = p.y;
    p.speed = std::max(0.0f, p.speed + t->speedIncr);
    p.direction += t->dirIncr;
    p.orientation += t->orientIncr;
    if (t->gravity != 0 || attractors) {
      float vx = p.speed * std::cos(p.direction * kDegrees), vy = -p.speed * std::sin(p.direction * kDegrees);
      vx += t->gravity * std::cos(t->gravityDir * kDegrees);
      vy -= t->gravity * std::sin(t->gravityDir * kDegrees);
      if (attractors) Attract(ps, p, vx, vy);
      p.speed = std::sqrt(vx * vx + vy * vy);
      float d = std::atan2(-vy, vx) / kDegrees;
      if (d < 0) d += 360;
      if (d >= 360) d -= 360;
      p.direction = d;
    }
    float dir = p.direction, speed = p.speed;
    if (t->dirWiggle != 0) dir += t->dirWiggle * Wave(float((p.age + 3 * p.wiggleSeed) % 24) / 6.0f);
    if (t->speedWiggle != 0) speed += t->speedWiggle * Wave(float((p.age + 4 * p.wiggleSeed) % 20) / 5.0f);
    p.x += speed * std::cos(dir * kDegrees);
    p.y -= speed * std::sin(dir * kDegrees);
  }
}

void Deflect(CParticleSystem& ps) {
  for (const CParticleDeflector& d : ps.deflectors) {
    if (!d.exists) continue;
    for (CParticle& p : ps.particles) {
      if (!InRegion(d.region, p.x, p.y)) continue;
      if (d.kind == kDeflectHorizontal) {
        p.direction = 180 - p.direction;
        if (p.direction < 0) p.direction += 360;
        p.x = 2 * p.xprev - p.x;
      } else {
        p.direction = 360 - p.direction;
        p.y = 2 * p.yprev - p.y;
      }
      p.speed = std::max(0.0f, p.speed - d.friction);
    }
  }
}

void Change(CParticleSystem& ps) {
  for (const CParticleChanger& c : ps.changers) {
    if (!c.exists) continue;
    const CParticleType* to = ParticleType_Get(c.type2);
    if (to == nullptr) continue;
    for (CParticle& p : ps.particles) {
      if (p.type != c.type1 || !InRegion(c.region, p.x, p.y)) continue;
      const CParticle made = ParticleType_NewParticle(*to, c.type2, p.x, p.y);
      if (c.kind == kChangeAll) {
        p = made;
        continue;
      }
      p.type = c.type2;
      if (c.kind == kChangeShape) {
        p.orientation = made.orientation;
        p.colour = made.colour;
        p.alpha = made.alpha;
        p.size = made.size;
        p.subimageSeed = made.subimageSeed;
      } else if (c.kind == kChangeMotion) {
        p.speed = made.speed;
        p.direction = made.direction;
      }
    }
  }
}

void Destroy(CParticleSystem& ps) {
  bool any = false;
  for (const CParticleDestroyer& d : ps.destroyers) {
    if (!d.exists) continue;
    for (CParticle& p : ps.particles) {
      if (p.alive != 0 && InRegion(d.region, p.x, p.y)) {
        p.alive = 0;
        any = true;
      }
    }
  }
  if (any) RemoveDead(ps.particles);
}

void Appear(CParticleSystem& ps) {
  TypeCache types;
  for (CParticle& p : ps.particles) {
    const CParticleType* t = types.Get(p.type);
    if (t == nullptr) continue;
    p.size = std::max(0.0f, p.size + t->sizeIncr);
    p.colour = Particle_ColourAtAge(*t, p.age, p.life, p.colour);
    p.alpha = Particle_AlphaAtAge(*t, p.age, p.life);
  }
}

void Stream(CParticleSystem& ps) {
  for (size_t i = 0; i < ps.emitters.size(); ++i) {
    const CParticleEmitter e = ps.emitters[i];
    if (e.exists && e.number != 0) ParticleSystem_Emit(ps, e, e.type, e.number);
  }
}

}  // namespace

int32_t ParticleSystem_Create() { return ParticleSystem_NewSlot(g_systems); }

void ParticleSystem_Destroy(int32_t index) {
  if (CParticleSystem* ps = ParticleSystem_Get(index)) {
    *ps = CParticleSystem{};
    ps->exists = false;
  }
}

void ParticleSystem_DestroyAll() { g_systems.clear(); }

CParticleSystem* ParticleSystem_Get(int32_t index) { return ParticleSystem_Slot(g_systems, index); }

int32_t ParticleSystem_Count() { return int32_t(g_systems.size()); }

void ParticleSystem_Clear(int32_t index) {
  CParticleSystem* ps = ParticleSystem_Get(index);
  if (ps == nullptr) return;
  ps->particles.clear();
  ps->emitters.clear();
  ps->attractors.clear();
  ps->destroyers.clear();
  ps->deflectors.clear();
  ps->changers.clear();
}

void ParticleSystem_CreateParticles(CParticleSystem& ps, float x, float y, int32_t type, int32_t number,
                                    int64_t colour) {
  const CParticleType* t = ParticleType_Get(type);
  if (t == nullptr || number == 0) return;
  if (number < 0) {
    if (!OneIn(-number)) return;
    number = 1;
  }
  ps.particles.reserve(ps.particles.size() + size_t(number));
  for (int32_t k = 0; k < number; ++k) {
    CParticle p = ParticleType_NewParticle(*t, type, x, y);
    if (colour >= 0) p.colour = int32_t(colour);
    ps.particles.push_back(p);
  }
}

float Particle_Distributed(int32_t distribution) {
  if (distribution == kDistrGaussian) return 0.5f + Normal() / 6.0f;
  if (distribution == kDistrInvGaussian) {
    const float v = Normal() / 6.0f;
    return v > 0 ? 1.0f - v : -v;
  }
  return Random_Unit();
}

void ParticleSystem_Emit(CParticleSystem& ps, const CParticleEmitter& e, int32_t type, int32_t number) {
  const CParticleType* t = ParticleType_Get(type);
  if (t == nullptr || number == 0) return;
  if (number < 0) {
    if (!OneIn(-number)) return;
    number = 1;
  }
  const ParticleRegion& r = e.region;
  const bool halfUniform = e.distribution == kDistrInvGaussian && r.shape != kRegionLine;
  for (int32_t k = 0; k < number; ++k) {
    float u = 0.5f, v = 0.5f;
    for (int tries = 0; tries < kMaxRedraws; ++tries) {
      if (halfUniform && Random_Unit() < 0.5f) {
        u = Random_Unit();
        v = Particle_Distributed(e.distribution);
      } else if (halfUniform) {
        u = Particle_Distributed(e.distribution);
        v = Random_Unit();
      } else {
        u = Particle_Distributed(e.distribution);
        v = Particle_Distributed(e.distribution);
      }
      if (r.shape == kRegionLine) v = u;
      const float du = u - 0.5f, dv = v - 0.5f;
      if (r.shape == kRegionEllipse && du * du + dv * dv > 0.25f) continue;
      if (r.shape == kRegionDiamond && std::fabs(du) + std::fabs(dv) > 0.5f) continue;
      break;
    }
    if (r.shape == kRegionEllipse || r.shape == kRegionDiamond) {
      const float du = u - 0.5f, dv = v - 0.5f;  // a point that never fitted: the centre instead
      if (du * du + dv * dv > 0.25f || std::fabs(du) + std::fabs(dv) > 0.5f) u = v = 0.5f;
    }
    const float x = r.xmin + (r.xmax - r.xmin) * u, y = r.ymin + (r.ymax - r.ymin) * v;
    ps.particles.push_back(ParticleType_NewParticle(*t, type, x, y));
  }
}

void ParticleSystem_Update(CParticleSystem& ps) {
  Age(ps);
  Move(ps);
  if (HasAny(ps.deflectors)) Deflect(ps);
  if (HasAny(ps.changers)) Change(ps);
  if (HasAny(ps.destroyers)) Destroy(ps);
  Appear(ps);
  Stream(ps);
}

void ParticleSystem_UpdateAll() {
  for (size_t i = 0; i < g_systems.size(); ++i) {
    if (g_systems[i].exists && g_systems[i].autoUpdate) ParticleSystem_Update(g_systems[i]);
  }
}
