#include "Particle/Particle_Type.h"

#include <cmath>
#include <vector>

#include "Support/Support_Random.h"

namespace {

std::vector<CParticleType> g_types;

float Uniform(float lo, float hi) { return lo + (hi - lo) * Random_Unit(); }

int32_t Channel(int32_t colour, int shift) { return (colour >> shift) & 0xFF; }
int32_t Rgb(int32_t r, int32_t g, int32_t b) { return (r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16); }

int32_t StartColour(const CParticleType& t) {
  switch (t.colourMode) {
    case kColourRgb:
      return Rgb(int32_t(Uniform(float(t.colour[0]), float(t.colourHi[0]))),
                 int32_t(Uniform(float(t.colour[1]), float(t.colourHi[1]))),
                 int32_t(Uniform(float(t.colour[2]), float(t.colourHi[2]))));
    case kColourHsv: {
      const float h = Uniform(float(t.colour[0]), float(t.colourHi[0]));
      const float s = Uniform(float(t.colour[1]), float(t.colourHi[1]));
      const float v = Uniform(float(t.colour[2]), float(t.colourHi[2]));
      return Particle_HsvColour(h, s, v);
    }
    case kColourMix:
      return Particle_MixColour(t.colour[0], t.colour[1], Random_Unit());
    default:
      return t.colour[0];
  }
}

}  // namespace

int32_t ParticleType_Create() {
  for (size_t i = 0; i < g_types.size(); ++i) {
    if (!g_types[i].exists) {
      g_types[i] = CParticleType{};
      return int32_t(i);
    }
  }
  g_types.emplace_back();
  return int32_t(g_types.size() - 1);
}

void ParticleType_Destroy(int32_t index) {
  if (CParticleType* t = ParticleType_Get(index)) t->exists = false;
}

void ParticleType_DestroyAll() { g_types.clear(); }

bool ParticleType_Exists(int32_t index) { return ParticleType_Get(index) != nullptr; }

CParticleType* ParticleType_Get(int32_t index) {
  if (index < 0 || size_t(index) >= g_types.size() || !g_types[size_t(index)].exists) return nullptr;
  return &g_types[size_t(index)];
}

void ParticleType_Clear(int32_t index) {
  if (CParticleType* t = ParticleType_Get(index)) *t = CParticleType{};
}

CParticle ParticleType_NewParticle(const CParticleType& t, int32_t index, float x, float y) {
  CParticle p;
  p.alive = 1;
  p.type = index;
  p.x = p.xprev = x;
  p.y = p.yprev = y;
  p.speed = Uniform(t.speedMin, t.speedMax);
  p.direction = Uniform(t.dirMin, t.dirMax);
  p.orientation = Uniform(t.orientMin, t.orientMax);
  p.size = Uniform(t.sizeMin, t.sizeMax);
  p.life = int32_t(Uniform(float(t.lifeMin), float(t.lifeMax)));
  p.age = 0;
  p.colour = StartColour(t);
  p.alpha = t.alphaStart;
  p.subimageSeed = t.random ? Random_Index(10000) : 0;
  p.wiggleSeed = Random_Index(100000);
  return p;
}

int32_t Particle_MixColour(int32_t a, int32_t b, float f) {
  int32_t out[3];
  for (int k = 0; k < 3; ++k) {
    const float ca = float(Channel(a, 8 * k)), cb = float(Channel(b, 8 * k));
    out[k] = int32_t(ca + (cb - ca) * f);
  }
  return Rgb(out[0], out[1], out[2]);
}

int32_t Particle_HsvColour(float h, float s, float v) {
  const float hue = std::fmod(std::fmax(h, 0.0f) * 6.0f / 255.0f, 6.0f);
  const float sat = std::fmin(std::fmax(s, 0.0f), 255.0f) / 255.0f;
  const float val = std::fmin(std::fmax(v, 0.0f), 255.0f);
  const int sector = int(hue) % 6;
  const float frac = hue - std::floor(hue);
  const float p = val * (1 - sat), q = val * (1 - sat * frac), r = val * (1 - sat * (1 - frac));
  float rgb[3];
  switch (sector) {
    case 0: rgb[0] = val, rgb[1] = r, rgb[2] = p; break;
    case 1: rgb[0] = q, rgb[1] = val, rgb[2] = p; break;
    case 2: rgb[0] = p, rgb[1] = val, rgb[2] = r; break;
    case 3: rgb[0] = p, rgb[1] = q, rgb[2] = val; break;
    case 4: rgb[0] = r, rgb[1] = p, rgb[2] = val; break;
    default: rgb[0] = val, rgb[1] = p, rgb[2] = q; break;
  }
  return Rgb(int32_t(std::lround(rgb[0])), int32_t(std::lround(rgb[1])), int32_t(std::lround(rgb[2])));
}

int32_t Particle_ColourAtAge(const CParticleType& t, int32_t age, int32_t life, int32_t current) {
  if (t.colourMode == kColourTwo) {
    const float f = life > 0 ? std::fmin(float(age) / float(life), 1.0f) : 1.0f;
    return Particle_MixColour(t.colour[0], t.colour[1], f);
  }
  if (t.colourMode == kColourThree) {
    const float f = life > 0 ? 2.0f * float(age) / float(life) : 2.0f;
    if (f < 1) return Particle_MixColour(t.colour[0], t.colour[1], f);
    if (f <= 2) return Particle_MixColour(t.colour[1], t.colour[2], f - 1);
    return t.colour[2];
  }
  return current;
}

float Particle_AlphaAtAge(const CParticleType& t, int32_t age, int32_t life) {
  const float f = life < 1 ? 1.0f : 2.0f * float(age) / float(life);
  if (f < 1) return (1 - f) * t.alphaStart + f * t.alphaMiddle;
  return (2 - f) * t.alphaMiddle + (f - 1) * t.alphaEnd;
}
