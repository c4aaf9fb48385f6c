// Particle types: how a particle looks, moves and lives. Types are global (not per system); an index
// is valid while its slot exists. Creation takes the lowest free slot, else appends.
#pragma once
#include <cstdint>

inline constexpr int kParticleShapeCount = 14;

// Colour modes.
enum ParticleColourMode : int32_t {
  kColourOne = 0,
  kColourTwo = 1,
  kColourThree = 2,
  kColourRgb = 3,
  kColourHsv = 4,
  kColourMix = 5,
};

struct CParticleType {
  bool exists = true;
  int32_t sprite = -1;
  bool animate = true, stretch = false, random = false;
  int32_t shape = 0;
  float sizeMin = 1, sizeMax = 1, sizeIncr = 0, sizeWiggle = 0;
  float xscale = 1, yscale = 1;
  int32_t lifeMin = 100, lifeMax = 100;
  int32_t deathType = 0, deathNumber = 0;
  int32_t stepType = 0, stepNumber = 0;
  float speedMin = 0, speedMax = 0, speedIncr = 0, speedWiggle = 0;
  float dirMin = 0, dirMax = 0, dirIncr = 0, dirWiggle = 0;
  float gravity = 0, gravityDir = 270;
  float orientMin = 0, orientMax = 0, orientIncr = 0, orientWiggle = 0;
  bool orientRelative = false;
  int32_t colourMode = kColourOne;
  // Colours 1 to 3; for the random modes the lower (colour) and upper (colourHi) bounds of the
  // three channel ranges (R, G, B or H, S, V, each 0..255).
  int32_t colour[3] = {0xFFFFFF, 0xFFFFFF, 0xFFFFFF};
  int32_t colourHi[3] = {0, 0, 0};
  float alphaStart = 1, alphaMiddle = 1, alphaEnd = 1;
  bool additive = false;
};

// One live particle (64 bytes).
struct CParticle {
  int32_t type;
  int32_t age, life;
  float x, y, xprev, yprev;
  float speed, direction, orientation;
  int32_t colour;
  float alpha, size;
  int32_t subimageSeed, wiggleSeed;
  uint8_t alive;
};
static_assert(sizeof(CParticle) == 64);

int32_t ParticleType_Create();
void ParticleType_Destroy(int32_t index);
void ParticleType_DestroyAll();
bool ParticleType_Exists(int32_t index);
// The type of an existing index, or null.
CParticleType* ParticleType_Get(int32_t index);
// Back to the defaults (the type keeps existing).
void ParticleType_Clear(int32_t index);

// A new particle of type `t` (index `index`) at (x, y); draws its random values from the game's
// generator in this order: speed, direction, orientation, size, life, colour, subimage seed, wiggle seed.
CParticle ParticleType_NewParticle(const CParticleType& t, int32_t index, float x, float y);

// Colour arithmetic (script colours 0x00BBGGRR): each channel a + (b - a) x f, truncated.
int32_t Particle_MixColour(int32_t a, int32_t b, float f);
// Hue, saturation and value (each 0..255) as a script colour.
int32_t Particle_HsvColour(float h, float s, float v);
// The colour of modes 1 and 2 at `age` of `life`; other modes keep `current`.
int32_t Particle_ColourAtAge(const CParticleType& t, int32_t age, int32_t life, int32_t current);
// The alpha at `age` of `life` (start, middle, end over the life).
float Particle_AlphaAtAge(const CParticleType& t, int32_t age, int32_t life);
