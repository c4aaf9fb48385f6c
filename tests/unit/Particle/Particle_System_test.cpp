// Particle types and systems through the built-in functions: values after set numbers of updates
// worked out by hand from the update rules, the random forms checked against their bounds.
#include <cmath>

#include "Function/Function_TestCall.h"
#include "Graphics/Graphics_RenderState.h"
#include "Particle/Particle_Effect.h"
#include "Particle/Particle_System.h"
#include "Support/Support_Random.h"

namespace {

using testcall::R;

struct ParticleScope : testcall::LibraryScope {
  void SetUp() {
    testcall::LibraryScope::SetUp();
    Reset();
    Random_SetSeed(12345);
  }
  void TearDown() { Reset(); }
  static void Reset() {
    ParticleSystem_DestroyAll();
    ParticleType_DestroyAll();
    Effect_Forget();
  }
  static double F(const char* name, std::initializer_list<RValue> args = {}) { return testcall::Real(name, args); }
  static const CParticle& P(int ps, size_t i) { return ParticleSystem_Get(ps)->particles.at(i); }
  static size_t Count(int ps) { return ParticleSystem_Get(ps)->particles.size(); }
  static void Update(int ps, int times) {
    for (int k = 0; k < times; ++k) F("part_system_update", {R(ps)});
  }
  // A type that lives `life` steps, moving at `speed` towards `direction`.
  static int Type(double life, double speed = 0, double direction = 0) {
    const int t = int(F("part_type_create"));
    F("part_type_life", {R(t), R(life), R(life)});
    F("part_type_speed", {R(t), R(speed), R(speed), R(0), R(0)});
    F("part_type_direction", {R(t), R(direction), R(direction), R(0), R(0)});
    return t;
  }
};

LIBRARY_CASE(ParticleScope, SlotsAndMissingIndexes, "part_type_create", "part_type_destroy", "part_type_exists",
             "part_type_clear", "part_system_create", "part_system_destroy", "part_system_exists",
             "part_system_clear", "part_particles_count", "part_particles_clear") {
  EXPECT_EQ(F("part_type_create"), 0);
  EXPECT_EQ(F("part_type_create"), 1);
  F("part_type_destroy", {R(0)});
  EXPECT_EQ(F("part_type_exists", {R(0)}), 0);
  EXPECT_EQ(F("part_type_exists", {R(1)}), 1);
  EXPECT_EQ(F("part_type_create"), 0);  // the lowest free slot
  F("part_type_life", {R(1), R(5), R(7)});
  F("part_type_clear", {R(1)});
  EXPECT_EQ(ParticleType_Get(1)->lifeMin, 100);
  EXPECT_EQ(ParticleType_Get(1)->lifeMax, 100);
  EXPECT_EQ(ParticleType_Get(1)->gravityDir, 270);

  const int ps = int(F("part_system_create"));
  EXPECT_EQ(ps, 0);
  EXPECT_EQ(F("part_system_exists", {R(ps)}), 1);
  EXPECT_EQ(ParticleSystem_Get(ps)->depth, 0);
  EXPECT_TRUE(ParticleSystem_Get(ps)->oldToNew);
  F("part_particles_create", {R(ps), R(0), R(0), R(1), R(3)});
  EXPECT_EQ(F("part_particles_count", {R(ps)}), 3);
  F("part_particles_create", {R(ps), R(0), R(0), R(9), R(3)});  // no type 9: nothing
  EXPECT_EQ(F("part_particles_count", {R(ps)}), 3);
  F("part_emitter_create", {R(ps)});
  F("part_particles_clear", {R(ps)});
  EXPECT_EQ(F("part_particles_count", {R(ps)}), 0);
  EXPECT_EQ(F("part_emitter_exists", {R(ps), R(0)}), 1);
  F("part_system_clear", {R(ps)});
  EXPECT_EQ(F("part_emitter_exists", {R(ps), R(0)}), 0);
  F("part_system_destroy", {R(ps)});
  EXPECT_EQ(F("part_system_exists", {R(ps)}), 0);
  // Missing systems: counts are 0, creations -1, everything else does nothing.
  EXPECT_EQ(F("part_particles_count", {R(ps)}), 0);
  EXPECT_EQ(F("part_emitter_create", {R(ps)}), -1);
  EXPECT_EQ(F("part_attractor_create", {R(-1)}), -1);
  F("part_particles_create", {R(7), R(0), R(0), R(1), R(3)});
  F("part_system_update", {R(7)});
  EXPECT_EQ(F("part_system_create"), 0);
  EXPECT_FALSE(ErrorOccurred());
}

LIBRARY_CASE(ParticleScope, MotionGravityAndWiggle, "part_particles_create", "part_system_update", "part_type_speed",
             "part_type_direction", "part_type_gravity", "part_type_life") {
  const int ps = int(F("part_system_create"));
  // Speed 2 to the right, growing by 1 a step: moves 3, 4, 5.
  const int right = Type(50, 2);
  F("part_type_speed", {R(right), R(2), R(2), R(1), R(0)});
  // Falling from rest under gravity 1 downwards: speed 1, 2, 3 (y grows by 1, 2, 3).
  const int fall = Type(50);
  F("part_type_gravity", {R(fall), R(1), R(270)});
  // Up at 2 (direction 90), turning by 90 a step: up, left, down.
  const int turn = Type(50, 2, 90);
  F("part_type_direction", {R(turn), R(90), R(90), R(90), R(0)});
  F("part_particles_create", {R(ps), R(100), R(50), R(right), R(1)});
  F("part_particles_create", {R(ps), R(100), R(50), R(fall), R(1)});
  F("part_particles_create", {R(ps), R(100), R(50), R(turn), R(1)});
  Update(ps, 3);
  EXPECT_NEAR(P(ps, 0).x, 112, 1e-4);
  EXPECT_NEAR(P(ps, 0).y, 50, 1e-4);
  EXPECT_NEAR(P(ps, 0).xprev, 107, 1e-4);
  EXPECT_EQ(P(ps, 0).speed, 5);
  EXPECT_EQ(P(ps, 0).age, 3);
  EXPECT_NEAR(P(ps, 1).x, 100, 1e-4);
  EXPECT_NEAR(P(ps, 1).y, 56, 1e-4);
  EXPECT_NEAR(P(ps, 1).speed, 3, 1e-5);
  EXPECT_NEAR(P(ps, 1).direction, 270, 1e-3);
  // Directions 180, 270, 360: left 2, down 2, right 2, from (100, 50).
  EXPECT_NEAR(P(ps, 2).x, 100, 1e-4);
  EXPECT_NEAR(P(ps, 2).y, 52, 1e-4);

  // Speed wiggle: the step moves by speed + wiggle x w(((age + 4 seed) mod 20) / 5), the stored
  // speed stays.
  const int wiggly = Type(50, 2);
  F("part_type_speed", {R(wiggly), R(2), R(2), R(0), R(1.5)});
  F("part_particles_clear", {R(ps)});
  F("part_particles_create", {R(ps), R(0), R(0), R(wiggly), R(1)});
  const int seed = P(ps, 0).wiggleSeed;
  EXPECT_GE(seed, 0);
  EXPECT_LT(seed, 100000);
  Update(ps, 1);
  const float t = float((1 + 4 * seed) % 20) / 5.0f;
  const float wave = (t > 2 ? 4 - t : t) - 1;
  EXPECT_NEAR(P(ps, 0).x, 2 + 1.5f * wave, 1e-4);
  EXPECT_EQ(P(ps, 0).speed, 2);
}

LIBRARY_CASE(ParticleScope, SizeColourAndAlphaOverTheLife, "part_type_size", "part_type_color1", "part_type_color2",
             "part_type_color3", "part_type_color", "part_type_alpha1", "part_type_alpha2", "part_type_alpha3",
             "part_type_alpha", "part_particles_create_color") {
  const int ps = int(F("part_system_create"));
  const int three = Type(20), grow = Type(10), shrink = Type(10), two = Type(10), one = Type(100);
  F("part_type_size", {R(grow), R(1), R(1), R(0.5), R(0)});
  F("part_type_size", {R(shrink), R(1), R(1), R(-0.75), R(0)});
  F("part_type_color2", {R(two), R(0x0000FF), R(0xFF0000)});          // red to blue
  F("part_type_alpha2", {R(two), R(1), R(0)});                        // middle 0.5
  F("part_type_color3", {R(three), R(0xFFFFFF), R(0), R(0xFFFFFF)});  // white, black, white
  F("part_type_alpha3", {R(three), R(0), R(1), R(0.5)});
  F("part_type_color1", {R(one), R(0x123456)});
  F("part_type_alpha1", {R(one), R(0.25)});
  for (int t : {three, grow, shrink, two, one}) F("part_particles_create", {R(ps), R(0), R(0), R(t), R(1)});
  EXPECT_EQ(P(ps, 3).colour, 0x0000FF);
  EXPECT_EQ(P(ps, 3).alpha, 1);
  EXPECT_EQ(P(ps, 4).alpha, 0.25f);
  Update(ps, 2);
  EXPECT_EQ(P(ps, 1).size, 2);
  EXPECT_EQ(P(ps, 2).size, 0);  // never below 0
  Update(ps, 3);                // age 5
  // Two colours at half the life: red 255 -> 0 and blue 0 -> 255 give 127.5 each, truncated.
  EXPECT_EQ(P(ps, 3).colour, 0x7F007F);
  EXPECT_NEAR(P(ps, 3).alpha, 0.5, 1e-6);
  // Three colours at a quarter of the life (t = 0.5): halfway from white to black.
  EXPECT_EQ(P(ps, 0).colour, 0x7F7F7F);
  EXPECT_NEAR(P(ps, 0).alpha, 0.5, 1e-6);
  Update(ps, 10);  // age 15 of 20: t = 1.5; the life-10 particles are gone
  ASSERT_EQ(Count(ps), 2u);
  EXPECT_EQ(P(ps, 0).colour, 0x7F7F7F);
  EXPECT_NEAR(P(ps, 0).alpha, 0.5 * 1 + 0.5 * 0.5, 1e-6);
  EXPECT_EQ(P(ps, 1).colour, 0x123456);
  EXPECT_EQ(P(ps, 1).alpha, 0.25f);
  // part_type_color and part_type_alpha are the three-value forms.
  F("part_type_color", {R(one), R(1), R(2), R(3)});
  F("part_type_alpha", {R(one), R(0.1), R(0.2), R(0.3)});
  EXPECT_EQ(ParticleType_Get(one)->colourMode, kColourThree);
  EXPECT_EQ(ParticleType_Get(one)->colour[2], 3);
  EXPECT_EQ(ParticleType_Get(one)->alphaEnd, 0.3f);
  F("part_particles_create_color", {R(ps), R(0), R(0), R(one), R(0x00FF00), R(2)});
  EXPECT_EQ(P(ps, 2).colour, 0x00FF00);
  EXPECT_EQ(P(ps, 3).colour, 0x00FF00);
}

LIBRARY_CASE(ParticleScope, RandomFormsStayInTheirRanges, "part_type_color_rgb", "part_type_color_hsv",
             "part_type_color_mix", "part_type_orientation", "part_type_scale") {
  const int ps = int(F("part_system_create"));
  const int rgb = Type(10), hsv = Type(10), mix = Type(10), spread = Type(10);
  F("part_type_color_rgb", {R(rgb), R(10), R(20), R(30), R(40), R(50), R(60)});
  F("part_type_color_hsv", {R(hsv), R(0), R(255), R(0), R(0), R(100), R(100)});  // no saturation: grey 100
  F("part_type_color_mix", {R(mix), R(0x000000), R(0x0A0A0A)});
  F("part_type_speed", {R(spread), R(1), R(3), R(0), R(0)});
  F("part_type_direction", {R(spread), R(10), R(20), R(0), R(0)});
  F("part_type_orientation", {R(spread), R(-5), R(5), R(0), R(0), R(1)});
  F("part_type_size", {R(spread), R(0.5), R(0.75), R(0), R(0)});
  F("part_type_life", {R(spread), R(20), R(30)});
  F("part_type_scale", {R(spread), R(2), R(3)});
  EXPECT_EQ(ParticleType_Get(spread)->xscale, 2);
  EXPECT_TRUE(ParticleType_Get(spread)->orientRelative);
  for (int t : {rgb, hsv, mix, spread}) F("part_particles_create", {R(ps), R(0), R(0), R(t), R(300)});
  for (size_t i = 0; i < 1200; ++i) {
    const CParticle& p = P(ps, i);
    const int r = p.colour & 0xFF, g = (p.colour >> 8) & 0xFF, b = (p.colour >> 16) & 0xFF;
    if (i < 300) {
      EXPECT_TRUE(r >= 10 && r <= 20 && g >= 30 && g <= 40 && b >= 50 && b <= 60) << std::hex << p.colour;
    } else if (i < 600) {
      EXPECT_EQ(p.colour, 0x646464);
    } else if (i < 900) {
      EXPECT_TRUE(r == g && g == b && r <= 10) << std::hex << p.colour;
    } else {
      EXPECT_TRUE(p.speed >= 1 && p.speed <= 3 && p.direction >= 10 && p.direction <= 20);
      EXPECT_TRUE(p.orientation >= -5 && p.orientation <= 5 && p.size >= 0.5f && p.size <= 0.75f);
      EXPECT_TRUE(p.life >= 20 && p.life < 30);  // truncated: 30 itself is never drawn
    }
  }
}

LIBRARY_CASE(ParticleScope, StepAndDeathParticles, "part_type_step", "part_type_death") {
  const int ps = int(F("part_system_create"));
  const int child = Type(100);
  const int parent = Type(3, 2, 0);
  F("part_type_death", {R(parent), R(2), R(child)});
  F("part_particles_create", {R(ps), R(10), R(20), R(parent), R(1)});
  Update(ps, 2);
  EXPECT_EQ(Count(ps), 1u);
  // Age 3 of 3: it dies where the second step left it, (14, 20), before moving again; its two
  // children start there.
  Update(ps, 1);
  ASSERT_EQ(Count(ps), 2u);
  EXPECT_EQ(P(ps, 0).type, child);
  EXPECT_EQ(P(ps, 1).type, child);
  EXPECT_NEAR(P(ps, 0).x, 14, 1e-4);
  EXPECT_EQ(P(ps, 0).y, 20);

  // A step number makes that many particles each step.
  F("part_particles_clear", {R(ps)});
  const int trail = Type(100);
  F("part_type_step", {R(trail), R(1), R(child)});
  F("part_particles_create", {R(ps), R(0), R(0), R(trail), R(1)});
  Update(ps, 3);
  EXPECT_EQ(Count(ps), 4u);

  // Death number -4: a death particle for about a quarter of the deaths.
  F("part_particles_clear", {R(ps)});
  const int brief = Type(1);
  F("part_type_death", {R(brief), R(-4), R(child)});
  F("part_particles_create", {R(ps), R(0), R(0), R(brief), R(4000)});
  Update(ps, 1);
  EXPECT_GT(Count(ps), 850u);
  EXPECT_LT(Count(ps), 1150u);
  // A life of 0 ends at the first update.
  F("part_particles_clear", {R(ps)});
  F("part_particles_create", {R(ps), R(0), R(0), R(Type(0)), R(5)});
  Update(ps, 1);
  EXPECT_EQ(Count(ps), 0u);
}

LIBRARY_CASE(ParticleScope, EmitterRegionsAndDistributions, "part_emitter_create", "part_emitter_destroy",
             "part_emitter_destroy_all", "part_emitter_exists", "part_emitter_clear", "part_emitter_region",
             "part_emitter_burst", "part_emitter_stream") {
  const int ps = int(F("part_system_create"));
  const int t = Type(100);
  const int e = int(F("part_emitter_create", {R(ps)}));
  EXPECT_EQ(e, 0);
  // Region x 100..200, y 50..150 (centre 150, 100, half sides 50) in each shape and distribution.
  auto burst = [&](int shape, int distribution) {
    F("part_particles_clear", {R(ps)});
    F("part_emitter_region", {R(ps), R(e), R(100), R(200), R(50), R(150), R(shape), R(distribution)});
    F("part_emitter_burst", {R(ps), R(e), R(t), R(2000)});
    EXPECT_EQ(Count(ps), 2000u);
  };
  for (int distribution = 0; distribution < 3; ++distribution) {
    for (int shape = 0; shape < 4; ++shape) {
      burst(shape, distribution);
      for (const CParticle& p : ParticleSystem_Get(ps)->particles) {
        const float u = (p.x - 150) / 50, v = (p.y - 100) / 50;
        ASSERT_TRUE(u >= -1 && u < 1 && v >= -1 && v < 1) << shape << " " << distribution;
        if (shape == kRegionEllipse) {
          ASSERT_LE(u * u + v * v, 1.0001f);
        } else if (shape == kRegionDiamond) {
          ASSERT_LE(std::fabs(u) + std::fabs(v), 1.0001f);
        } else if (shape == kRegionLine) {
          ASSERT_NEAR(u, v, 1e-4);
        }
      }
    }
  }
  // The middle half of the line: about half of the linear draws, most of the gaussian ones
  // (within 1.5 standard deviations: 87 %), few of the inverse gaussian ones (13 %).
  auto middle = [&](int distribution) {
    burst(kRegionLine, distribution);
    int n = 0;
    for (const CParticle& p : ParticleSystem_Get(ps)->particles) n += std::fabs(p.x - 150) < 25 ? 1 : 0;
    return n / 2000.0;
  };
  EXPECT_NEAR(middle(kDistrLinear), 0.5, 0.05);
  EXPECT_NEAR(middle(kDistrGaussian), 0.87, 0.05);
  EXPECT_NEAR(middle(kDistrInvGaussian), 0.13, 0.05);

  // A stream emits its number at each update, after the other stages (new particles are age 0).
  F("part_particles_clear", {R(ps)});
  F("part_emitter_stream", {R(ps), R(e), R(t), R(5)});
  Update(ps, 2);
  EXPECT_EQ(Count(ps), 10u);
  EXPECT_EQ(P(ps, 9).age, 0);
  EXPECT_EQ(P(ps, 0).age, 1);
  F("part_emitter_clear", {R(ps), R(e)});  // back to no stream
  Update(ps, 1);
  EXPECT_EQ(Count(ps), 10u);
  F("part_emitter_stream", {R(ps), R(e), R(Type(1000)), R(-2)});  // one in two steps
  F("part_particles_clear", {R(ps)});
  Update(ps, 400);
  EXPECT_GT(Count(ps), 160u);
  EXPECT_LT(Count(ps), 240u);
  // Destroyed emitters stop; their slot is reused.
  EXPECT_EQ(F("part_emitter_create", {R(ps)}), 1);
  F("part_emitter_destroy", {R(ps), R(e)});
  EXPECT_EQ(F("part_emitter_exists", {R(ps), R(e)}), 0);
  EXPECT_EQ(F("part_emitter_create", {R(ps)}), 0);
  F("part_emitter_destroy_all", {R(ps)});
  EXPECT_EQ(F("part_emitter_exists", {R(ps), R(1)}), 0);
}

LIBRARY_CASE(ParticleScope, Attractors, "part_attractor_create", "part_attractor_destroy",
             "part_attractor_destroy_all", "part_attractor_exists", "part_attractor_clear", "part_attractor_position",
             "part_attractor_force") {
  const int ps = int(F("part_system_create"));
  const int t = Type(100);
  const int a = int(F("part_attractor_create", {R(ps)}));
  F("part_attractor_position", {R(ps), R(a), R(100), R(0)});
  // At distance 40 of 50, force 2: constant 2, linear 2 x 10/50 = 0.4, quadratic 2 x 0.04 = 0.08;
  // non-additive forces move the particle directly and leave it at rest.
  const double expected[3] = {62, 60.4, 60.08};
  for (int kind = 0; kind < 3; ++kind) {
    F("part_particles_clear", {R(ps)});
    F("part_attractor_force", {R(ps), R(a), R(2), R(50), R(kind), R(0)});
    F("part_particles_create", {R(ps), R(60), R(0), R(t), R(1)});
    F("part_particles_create", {R(ps), R(0), R(0), R(t), R(1)});  // 100 away: out of reach
    Update(ps, 1);
    EXPECT_NEAR(P(ps, 0).x, expected[kind], 1e-4) << kind;
    EXPECT_NEAR(P(ps, 0).speed, 0, 1e-6);
    EXPECT_EQ(P(ps, 1).x, 0);
  }
  // Additive: the force adds to the velocity, which it keeps: moves 2, then 4.
  F("part_particles_clear", {R(ps)});
  F("part_attractor_force", {R(ps), R(a), R(2), R(50), R(kForceConstant), R(1)});
  F("part_particles_create", {R(ps), R(60), R(0), R(t), R(1)});
  Update(ps, 2);
  EXPECT_NEAR(P(ps, 0).x, 66, 1e-4);
  EXPECT_NEAR(P(ps, 0).speed, 4, 1e-5);
  EXPECT_NEAR(P(ps, 0).direction, 0, 1e-3);
  F("part_attractor_clear", {R(ps), R(a)});  // force 0: nothing
  Update(ps, 1);
  EXPECT_NEAR(P(ps, 0).x, 70, 1e-4);
  EXPECT_EQ(F("part_attractor_exists", {R(ps), R(a)}), 1);
  F("part_attractor_destroy", {R(ps), R(a)});
  EXPECT_EQ(F("part_attractor_exists", {R(ps), R(a)}), 0);
  F("part_attractor_create", {R(ps)});
  F("part_attractor_destroy_all", {R(ps)});
  EXPECT_EQ(F("part_attractor_exists", {R(ps), R(0)}), 0);
}

LIBRARY_CASE(ParticleScope, Deflectors, "part_deflector_create", "part_deflector_destroy",
             "part_deflector_destroy_all", "part_deflector_exists", "part_deflector_clear", "part_deflector_region",
             "part_deflector_kind", "part_deflector_friction") {
  const int ps = int(F("part_system_create"));
  const int down = Type(100, 10, 270), right = Type(100, 10, 0);
  const int d = int(F("part_deflector_create", {R(ps)}));
  // A floor from y 100 to 120: a particle at y 95 falling 10 lands at 105, inside; it is sent back
  // up (direction 360 - 270) and reflected about its previous y: 85; speed 10 - friction 3.
  F("part_deflector_region", {R(ps), R(d), R(0), R(200), R(100), R(120)});
  F("part_deflector_kind", {R(ps), R(d), R(kDeflectVertical)});
  F("part_deflector_friction", {R(ps), R(d), R(3)});
  F("part_particles_create", {R(ps), R(50), R(95), R(down), R(1)});
  Update(ps, 1);
  EXPECT_NEAR(P(ps, 0).y, 85, 1e-4);
  EXPECT_NEAR(P(ps, 0).direction, 90, 1e-4);
  EXPECT_NEAR(P(ps, 0).speed, 7, 1e-5);
  // Friction larger than the speed stops the particle.
  F("part_deflector_friction", {R(ps), R(d), R(20)});
  F("part_particles_clear", {R(ps)});
  F("part_particles_create", {R(ps), R(50), R(95), R(down), R(1)});
  Update(ps, 1);
  EXPECT_EQ(P(ps, 0).speed, 0);
  // A wall from x 100 to 120: direction 180 - 0, x reflected about 95.
  F("part_deflector_clear", {R(ps), R(d)});
  F("part_deflector_region", {R(ps), R(d), R(100), R(120), R(0), R(200)});
  F("part_deflector_kind", {R(ps), R(d), R(kDeflectHorizontal)});
  F("part_particles_clear", {R(ps)});
  F("part_particles_create", {R(ps), R(95), R(50), R(right), R(1)});
  Update(ps, 1);
  EXPECT_NEAR(P(ps, 0).x, 85, 1e-4);
  EXPECT_NEAR(P(ps, 0).direction, 180, 1e-4);
  EXPECT_NEAR(P(ps, 0).speed, 10, 1e-5);
  // A region of zero width holds nothing, even a particle on its edge.
  F("part_deflector_region", {R(ps), R(d), R(105), R(105), R(0), R(200)});
  F("part_particles_clear", {R(ps)});
  F("part_particles_create", {R(ps), R(95), R(50), R(right), R(1)});
  Update(ps, 1);
  EXPECT_NEAR(P(ps, 0).x, 105, 1e-4);
  EXPECT_NEAR(P(ps, 0).direction, 0, 1e-4);
  EXPECT_EQ(F("part_deflector_exists", {R(ps), R(d)}), 1);
  F("part_deflector_destroy", {R(ps), R(d)});
  EXPECT_EQ(F("part_deflector_exists", {R(ps), R(d)}), 0);
  F("part_deflector_create", {R(ps)});
  F("part_deflector_destroy_all", {R(ps)});
  EXPECT_EQ(F("part_deflector_exists", {R(ps), R(0)}), 0);
}

LIBRARY_CASE(ParticleScope, DestroyersAndChangers, "part_destroyer_create", "part_destroyer_destroy",
             "part_destroyer_destroy_all", "part_destroyer_exists", "part_destroyer_clear", "part_destroyer_region",
             "part_changer_create", "part_changer_destroy", "part_changer_destroy_all", "part_changer_exists",
             "part_changer_clear", "part_changer_region", "part_changer_kind", "part_changer_types") {
  const int ps = int(F("part_system_create"));
  const int t = Type(100);
  const int d = int(F("part_destroyer_create", {R(ps)}));
  // Region 0..100 x 0..100 as an ellipse: the centre and an edge midpoint go, a corner stays.
  F("part_destroyer_region", {R(ps), R(d), R(0), R(100), R(0), R(100), R(kRegionEllipse)});
  F("part_particles_create", {R(ps), R(50), R(50), R(t), R(1)});
  F("part_particles_create", {R(ps), R(5), R(5), R(t), R(1)});
  F("part_particles_create", {R(ps), R(100), R(50), R(t), R(1)});
  F("part_particles_create", {R(ps), R(101), R(50), R(t), R(1)});
  Update(ps, 1);
  ASSERT_EQ(Count(ps), 2u);
  EXPECT_EQ(P(ps, 0).x, 5);  // order kept
  EXPECT_EQ(P(ps, 1).x, 101);
  // A region of zero height holds nothing, even particles on its line.
  F("part_destroyer_region", {R(ps), R(d), R(0), R(100), R(50), R(50), R(kRegionRectangle)});
  F("part_particles_create", {R(ps), R(20), R(50), R(t), R(1)});
  Update(ps, 1);
  EXPECT_EQ(Count(ps), 3u);
  F("part_destroyer_clear", {R(ps), R(d)});
  EXPECT_EQ(F("part_destroyer_exists", {R(ps), R(d)}), 1);
  F("part_destroyer_destroy", {R(ps), R(d)});
  EXPECT_EQ(F("part_destroyer_exists", {R(ps), R(d)}), 0);
  F("part_destroyer_create", {R(ps)});
  F("part_destroyer_destroy_all", {R(ps)});
  EXPECT_EQ(F("part_destroyer_exists", {R(ps), R(0)}), 0);

  // Changers: type `from` inside 0..100 becomes `to`, taking its motion, its looks, or everything.
  F("part_particles_clear", {R(ps)});
  const int from = Type(100), to = Type(40, 5, 90);
  F("part_type_color1", {R(from), R(0x0000FF)});
  F("part_type_color1", {R(to), R(0x00FF00)});
  F("part_type_size", {R(to), R(3), R(3), R(0), R(0)});
  const int c = int(F("part_changer_create", {R(ps)}));
  F("part_changer_region", {R(ps), R(c), R(0), R(100), R(0), R(100), R(kRegionEllipse)});
  F("part_changer_types", {R(ps), R(c), R(from), R(to)});
  const int kinds[3] = {kChangeMotion, kChangeShape, kChangeAll};
  for (int kind : kinds) {
    F("part_particles_clear", {R(ps)});
    F("part_changer_kind", {R(ps), R(c), R(kind)});
    F("part_particles_create", {R(ps), R(50), R(50), R(from), R(1)});
    F("part_particles_create", {R(ps), R(3), R(3), R(from), R(1)});  // in the box, outside the ellipse
    Update(ps, 1);
    const CParticle& p = P(ps, 0);
    EXPECT_EQ(p.type, to);
    EXPECT_EQ(p.speed, kind == kChangeShape ? 0 : 5);
    EXPECT_EQ(p.colour, kind == kChangeMotion ? 0x0000FF : 0x00FF00);
    EXPECT_EQ(p.size, kind == kChangeMotion ? 1 : 3);
    EXPECT_EQ(p.life, kind == kChangeAll ? 40 : 100);
    EXPECT_EQ(P(ps, 1).type, from);
  }
  F("part_changer_clear", {R(ps), R(c)});
  EXPECT_EQ(F("part_changer_exists", {R(ps), R(c)}), 1);
  F("part_changer_destroy", {R(ps), R(c)});
  EXPECT_EQ(F("part_changer_exists", {R(ps), R(c)}), 0);
  F("part_changer_create", {R(ps)});
  F("part_changer_destroy_all", {R(ps)});
  EXPECT_EQ(F("part_changer_exists", {R(ps), R(0)}), 0);
}

LIBRARY_CASE(ParticleScope, AutomaticUpdateAndSettings, "part_system_automatic_update",
             "part_system_automatic_draw", "part_system_draw_order", "part_system_depth", "part_system_position") {
  const int ps = int(F("part_system_create")), other = int(F("part_system_create"));
  const int t = Type(100, 1, 0);
  F("part_particles_create", {R(ps), R(0), R(0), R(t), R(1)});
  F("part_particles_create", {R(other), R(0), R(0), R(t), R(1)});
  F("part_system_automatic_update", {R(ps), R(0)});
  ParticleSystem_UpdateAll();
  EXPECT_EQ(P(ps, 0).x, 0);
  EXPECT_EQ(P(other, 0).x, 1);
  F("part_system_update", {R(ps)});
  EXPECT_EQ(P(ps, 0).x, 1);
  F("part_system_automatic_draw", {R(ps), R(0)});
  F("part_system_draw_order", {R(ps), R(0)});
  F("part_system_depth", {R(ps), R(-7.5)});
  F("part_system_position", {R(ps), R(3), R(4)});
  const CParticleSystem& s = *ParticleSystem_Get(ps);
  EXPECT_FALSE(s.autoDraw);
  EXPECT_FALSE(s.oldToNew);
  EXPECT_EQ(s.depth, -7.5f);
  EXPECT_EQ(s.x, 3);
  EXPECT_EQ(s.y, 4);
}

}  // namespace
