#include "Particle/Particle_Effect.h"

#include <algorithm>

#include "Particle/Particle_System.h"
#include "Room/Room_Class.h"
#include "Support/Support_Random.h"

namespace {

constexpr float kBelowDepth = 100000, kAboveDepth = -100000;
// Rooms faster than this get longer lives and slower particles, so effects last the same time.
constexpr float kBaseSpeed = 30;

int32_t g_below = -1, g_above = -1;
int32_t g_types[kEffectKindCount] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};

// One effect kind at medium size. Sizes, speeds, spread and count scale with the effect's size.
struct EffectKind {
  int32_t shape;
  float sizeMin, sizeMax, sizeIncr;
  float speedMin, speedMax, dirMin, dirMax;
  float gravity;
  float orientMin, orientMax, orientIncr;
  int32_t lifeMin, lifeMax;
  float alpha[3];
  bool additive;
  float yscale;
  int32_t number;     // particles per call at medium size
  float spread;       // radius of the area they start in, at medium size
  bool overRoom;      // started anywhere over the room instead of at the position
};

// shape, size min/max/incr, speed min/max, direction min/max, gravity, orientation min/max/incr,
// life min/max, alphas, additive, y scale, number, spread, over the room.
constexpr EffectKind kKinds[kEffectKindCount] = {
    {10, 0.4f, 0.5f, 0.03f, 0.5f, 1.5f, 0, 360, 0, 0, 360, 0, 12, 18, {0.8f, 0.5f, 0}, false, 1, 12, 8, false},  // explosion
    {6, 0.05f, 0.05f, 0.12f, 0, 0, 0, 0, 0, 0, 0, 0, 12, 12, {1, 0.6f, 0}, false, 1, 1, 0, false},              // ring
    {6, 0.05f, 0.05f, 0.12f, 0, 0, 0, 0, 0, 0, 0, 0, 12, 12, {1, 0.6f, 0}, false, 0.5f, 1, 0, false},           // ellipse
    {8, 0.1f, 0.2f, 0, 2, 5, 0, 360, 0.1f, 0, 0, 0, 20, 30, {1, 1, 0}, true, 1, 60, 0, false},                   // firework
    {12, 0.3f, 0.4f, 0.01f, 0, 0.3f, 0, 360, 0, 0, 360, 0, 25, 35, {0.6f, 0.4f, 0}, false, 1, 5, 6, false},      // smoke
    {12, 0.3f, 0.4f, 0.01f, 1, 1.5f, 80, 100, 0, 0, 360, 0, 30, 40, {0.6f, 0.4f, 0}, false, 1, 5, 6, false},     // smoke up
    {4, 0.1f, 0.1f, 0.04f, 0, 0, 0, 0, 0, 0, 360, 6, 20, 20, {1, 1, 0}, false, 1, 1, 0, false},                  // star
    {9, 0.4f, 0.5f, -0.015f, 0, 0, 0, 0, 0, 0, 360, 0, 10, 12, {1, 0.8f, 0}, true, 1, 1, 0, false},              // spark
    {8, 0.8f, 0.8f, -0.02f, 0, 0, 0, 0, 0, 0, 0, 0, 20, 20, {1, 0.7f, 0}, true, 1, 1, 0, false},                 // flare
    {11, 2, 2.5f, 0, 0.1f, 0.3f, 170, 190, 0, 0, 360, 0, 100, 140, {0, 0.5f, 0}, false, 0.6f, 1, 10, false},     // cloud
    {3, 0.2f, 0.3f, 0, 7, 9, 260, 260, 0, 260, 260, 0, 30, 50, {0.5f, 0.5f, 0.3f}, false, 1, 5, 0, true},        // rain
    {13, 0.1f, 0.2f, 0, 1, 2, 250, 290, 0, 0, 360, 2, 120, 200, {0.8f, 0.8f, 0.6f}, false, 1, 2, 0, true},       // snow
};

constexpr float kSizeScale[3] = {0.5f, 1, 2};
constexpr float kNumberScale[3] = {0.5f, 1, 2};

int32_t PrivateSystem(int32_t& slot, float depth) {
  if (ParticleSystem_Get(slot) == nullptr) {
    slot = ParticleSystem_Create();
    ParticleSystem_Get(slot)->depth = depth;
  }
  return slot;
}

int32_t Configure(int32_t kind, int32_t size, int32_t colour) {
  int32_t& slot = g_types[kind];
  if (!ParticleType_Exists(slot)) slot = ParticleType_Create();
  CParticleType& t = *ParticleType_Get(slot);
  t = CParticleType{};
  const EffectKind& k = kKinds[kind];
  const float scale = kSizeScale[size];
  CRoom* room = Room_Current();
  const float slow = room != nullptr && float(room->speed) > kBaseSpeed ? float(room->speed) / kBaseSpeed : 1.0f;
  // Sizes of the room-wide kinds do not scale: their size picks how many particles fall.
  const float shapeScale = k.overRoom ? 1.0f : scale;
  t.shape = k.shape;
  t.sizeMin = k.sizeMin * shapeScale;
  t.sizeMax = k.sizeMax * shapeScale;
  t.sizeIncr = k.sizeIncr * shapeScale / slow;
  t.speedMin = k.speedMin * shapeScale / slow;
  t.speedMax = k.speedMax * shapeScale / slow;
  t.dirMin = k.dirMin;
  t.dirMax = k.dirMax;
  t.gravity = k.gravity * shapeScale / (slow * slow);
  t.orientMin = k.orientMin;
  t.orientMax = k.orientMax;
  t.orientIncr = k.orientIncr / slow;
  t.lifeMin = int32_t(float(k.lifeMin) * slow);
  t.lifeMax = int32_t(float(k.lifeMax) * slow);
  t.alphaStart = k.alpha[0];
  t.alphaMiddle = k.alpha[1];
  t.alphaEnd = k.alpha[2];
  t.additive = k.additive;
  t.yscale = k.yscale;
  t.colour[0] = t.colour[1] = t.colour[2] = colour;
  return slot;
}

}  // namespace

void Effect_Create(bool above, int32_t kind, float x, float y, int32_t size, int32_t colour) {
  if (kind < 0 || kind >= kEffectKindCount) return;
  if (size < 0 || size > 2) size = 1;
  const int32_t system = above ? PrivateSystem(g_above, kAboveDepth) : PrivateSystem(g_below, kBelowDepth);
  const int32_t type = Configure(kind, size, colour & 0xFFFFFF);
  CParticleSystem& ps = *ParticleSystem_Get(system);
  const EffectKind& k = kKinds[kind];
  const int32_t number = std::max(1, int32_t(float(k.number) * kNumberScale[size]));
  CRoom* room = Room_Current();
  const float w = room != nullptr ? float(room->width) : 640, h = room != nullptr ? float(room->height) : 480;
  const float spread = k.spread * kSizeScale[size];
  for (int32_t n = 0; n < number; ++n) {
    float px = x, py = y;
    if (k.overRoom) {
      px = Random_Unit() * w * 1.2f - w * 0.1f;
      py = Random_Unit() * h - 0.1f * h;
    } else if (spread > 0) {
      px += (Random_Unit() * 2 - 1) * spread;
      py += (Random_Unit() * 2 - 1) * spread;
    }
    ParticleSystem_CreateParticles(ps, px, py, type, 1);
  }
}

void Effect_Clear() {
  if (CParticleSystem* ps = ParticleSystem_Get(g_below)) ps->particles.clear();
  if (CParticleSystem* ps = ParticleSystem_Get(g_above)) ps->particles.clear();
}

void Effect_Forget() {
  g_below = g_above = -1;
  std::fill(std::begin(g_types), std::end(g_types), -1);
}

int32_t Effect_System(bool above) { return above ? g_above : g_below; }
