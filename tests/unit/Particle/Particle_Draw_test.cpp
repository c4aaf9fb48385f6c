// Drawing particle systems: the quads the batch receives (position, size, colour, texture, order)
// against values worked out from the drawing rules; the shape images; the effects.
#include <cmath>

#include "Function/Function_TestCall.h"
#include "Graphics/Graphics_Batch.h"
#include "Graphics/Graphics_DrawState.h"
#include "Graphics/Graphics_Image.h"
#include "Graphics/Graphics_PageEntry.h"
#include "Graphics/Graphics_RenderState.h"
#include "Graphics/Graphics_Texture.h"
#include "Particle/Particle_Draw.h"
#include "Particle/Particle_Effect.h"
#include "Particle/Particle_Shape.h"
#include "Particle/Particle_System.h"
#include "Sprite/Sprite_Class.h"
#include "Support/Support_Random.h"

namespace {

using testcall::R;

// A 256 x 256 page holding sprite 0: four 32 x 32 frames side by side at y 0, origin (16, 16).
struct ParticleDrawScope : testcall::LibraryScope {
  int page = -1;
  TexturePageEntry frames[4];
  void SetUp() {
    testcall::LibraryScope::SetUp();
    Reset();
    Random_SetSeed(99);
    page = GR_Texture_CreateEmpty(256, 256, false);
    for (int i = 0; i < 4; ++i) frames[i] = {int16_t(32 * i), 0, 32, 32, 0, 0, 32, 32, 32, 32, int16_t(page)};
    auto* s = new CSprite();
    s->frameCount = 4;
    s->width = s->height = 32;
    s->xorigin = s->yorigin = 16;
    for (auto& f : frames) s->entries.push_back(&f);
    Sprite_FreeAll();
    Sprite_Add(s, "spr_four");
    ParticleShape_InitTextures();  // fresh ids in the fresh texture table
    g_DrawState = DrawState();
    g_DrawSettings = DrawSettings();
    Batch_Reset();
  }
  void TearDown() {
    Reset();
    Batch_Reset();
    Sprite_FreeAll();
    GR_Texture_FreeAll();
  }
  static void Reset() {
    ParticleSystem_DestroyAll();
    ParticleType_DestroyAll();
    Effect_Forget();
  }
  static double F(const char* name, std::initializer_list<RValue> args = {}) { return testcall::Real(name, args); }
  static const VertexTextured* V() { return static_cast<const VertexTextured*>(Batch_PendingVertices()); }
  static int Quads() { return Batch_PendingCount() / 6; }
};

LIBRARY_CASE(ParticleDrawScope, ShapeQuads, "part_system_drawit", "part_type_shape", "part_type_blend") {
  const int ps = int(F("part_system_create"));
  const int t = int(F("part_type_create"));
  F("part_type_shape", {R(t), R(1)});
  F("part_type_size", {R(t), R(0.5), R(0.5), R(0), R(0)});
  F("part_type_color1", {R(t), R(0x0000FF)});
  F("part_type_alpha1", {R(t), R(0.5)});
  F("part_system_position", {R(ps), R(5), R(5)});
  F("part_particles_create", {R(ps), R(10.7), R(20.2), R(t), R(1)});
  F("part_system_drawit", {R(ps)});
  ASSERT_EQ(Quads(), 1);
  EXPECT_EQ(Batch_PendingTexture(), ParticleShape_Texture(1));
  // Centre (15.7, 25.2) truncated to (15, 25); 64 x 0.5 = 32 wide; raw images move by -0.5.
  EXPECT_FLOAT_EQ(V()[0].x, 15 - 16 - 0.5f);
  EXPECT_FLOAT_EQ(V()[0].y, 25 - 16 - 0.5f);
  EXPECT_FLOAT_EQ(V()[2].x, 15 + 16 - 0.5f);
  EXPECT_FLOAT_EQ(V()[2].y, 25 + 16 - 0.5f);
  EXPECT_EQ(V()[0].colour, 0x7FFF0000u);  // red, alpha trunc(127.5)
  EXPECT_EQ(V()[0].z, 0);

  // Orientation below 0.01 degrees is no rotation; 90 turns the quad (its first corner moves).
  Batch_Reset();
  F("part_type_orientation", {R(t), R(0.005), R(0.005), R(0), R(0), R(0)});
  F("part_system_drawit", {R(ps)});
  EXPECT_FLOAT_EQ(V()[0].x, -1.5f);
  Batch_Reset();
  F("part_particles_clear", {R(ps)});
  F("part_type_orientation", {R(t), R(90), R(90), R(0), R(0), R(0)});
  F("part_particles_create", {R(ps), R(10.7), R(20.2), R(t), R(1)});
  F("part_system_drawit", {R(ps)});
  EXPECT_GT(std::fabs(V()[0].y - (25 - 16.5f)), 1);

  // Additive types draw with the additive blend and leave the previous blend behind.
  GR_SetBlendMode(0);
  F("part_type_blend", {R(t), R(1)});
  F("part_system_drawit", {R(ps)});
  EXPECT_EQ(g_DrawSettings.srcBlend, 5u);
  EXPECT_EQ(g_DrawSettings.destBlend, 6u);
}

LIBRARY_CASE(ParticleDrawScope, OrderLifeAndSprites, "part_type_sprite") {
  const int ps = int(F("part_system_create"));
  const int t = int(F("part_type_create"));
  F("part_type_shape", {R(t), R(2)});
  F("part_particles_create", {R(ps), R(10), R(0), R(t), R(1)});
  F("part_particles_create", {R(ps), R(100), R(0), R(t), R(1)});
  const int dead = int(F("part_type_create"));
  F("part_type_life", {R(dead), R(0), R(0)});
  F("part_particles_create", {R(ps), R(300), R(0), R(dead), R(1)});  // life below 1: never drawn
  F("part_system_drawit", {R(ps)});
  ASSERT_EQ(Quads(), 2);
  EXPECT_FLOAT_EQ(V()[0].x, 10 - 32.5f);  // old to new
  EXPECT_FLOAT_EQ(V()[6].x, 100 - 32.5f);
  Batch_Reset();
  F("part_system_draw_order", {R(ps), R(0)});
  F("part_system_drawit", {R(ps)});
  ASSERT_EQ(Quads(), 2);
  EXPECT_FLOAT_EQ(V()[0].x, 100 - 32.5f);

  // A sprite type: the frame is the age (animated), age x frames / life (stretched) or the
  // subimage seed (not animated); the sprite's origin lands on the particle's position.
  F("part_particles_clear", {R(ps)});
  F("part_type_sprite", {R(t), R(0), R(1), R(0), R(0)});
  F("part_type_life", {R(t), R(8), R(8)});
  F("part_particles_create", {R(ps), R(50), R(60), R(t), R(1)});
  auto frameDrawn = [&] {
    Batch_Reset();
    F("part_system_drawit", {R(ps)});
    EXPECT_EQ(Batch_PendingTexture(), page);
    return int(std::lround(V()[0].u * 256 / 32));
  };
  for (int k = 0; k < 6; ++k) F("part_system_update", {R(ps)});  // age 6
  EXPECT_EQ(frameDrawn(), 6 % 4);
  EXPECT_FLOAT_EQ(V()[0].x, 50 - 16);
  EXPECT_FLOAT_EQ(V()[0].y, 60 - 16);
  F("part_type_sprite", {R(t), R(0), R(1), R(1), R(0)});
  EXPECT_EQ(frameDrawn(), 6 * 4 / 8);
  F("part_type_sprite", {R(t), R(0), R(0), R(0), R(0)});
  EXPECT_EQ(frameDrawn(), 0);
  // part_type_shape after part_type_sprite draws the shape.
  F("part_type_shape", {R(t), R(4)});
  Batch_Reset();
  F("part_system_drawit", {R(ps)});
  EXPECT_EQ(Batch_PendingTexture(), ParticleShape_Texture(4));
}

TEST(ParticleShape, ImagesAreWhiteShapesInTheAlpha) {
  auto alphaAt = [](const CBitmap32& image, int x, int y) { return image.Data()[(y * 64 + x) * 4 + 3]; };
  for (int s = 0; s < kParticleShapeCount; ++s) {
    const CBitmap32 image = ParticleShape_Image(s);
    ASSERT_EQ(image.Width(), 64);
    int covered = 0;
    for (int i = 0; i < 64 * 64; ++i) {
      EXPECT_EQ(image.Data()[i * 4], 255);
      covered += image.Data()[i * 4 + 3] > 0 ? 1 : 0;
    }
    EXPECT_GT(covered, 0) << s;
    // Every shape fades out before the border.
    EXPECT_EQ(alphaAt(image, 0, 0), 0) << s;
    EXPECT_EQ(alphaAt(image, 63, 32), 0) << s;
  }
  const CBitmap32 pixel = ParticleShape_Image(0), disk = ParticleShape_Image(1), square = ParticleShape_Image(2);
  const CBitmap32 circle = ParticleShape_Image(5);
  EXPECT_EQ(alphaAt(pixel, 32, 32), 255);
  EXPECT_EQ(alphaAt(pixel, 33, 32), 0);
  EXPECT_EQ(alphaAt(disk, 32, 32), 255);
  EXPECT_EQ(alphaAt(disk, 32 + 29, 32), 255);
  EXPECT_EQ(alphaAt(disk, 32 + 22, 32 + 22), 0);  // 31.1 from the centre
  EXPECT_EQ(alphaAt(square, 2, 2), 255);
  EXPECT_EQ(alphaAt(square, 1, 2), 0);
  EXPECT_EQ(alphaAt(circle, 32, 32), 0);  // an outline: empty inside
  EXPECT_EQ(alphaAt(circle, 32 + 29, 32), 255);
}

LIBRARY_CASE(ParticleDrawScope, Effects, "effect_create_below", "effect_create_above", "effect_clear") {
  EXPECT_EQ(Effect_System(true), -1);
  for (int kind = 0; kind < kEffectKindCount; ++kind) {
    F("effect_create_above", {R(kind), R(100), R(100), R(kind % 3), R(0x00FF00)});
    F("effect_create_below", {R(kind), R(100), R(100), R(1), R(0x0000FF)});
  }
  const int above = Effect_System(true), below = Effect_System(false);
  ASSERT_GE(above, 0);
  ASSERT_GE(below, 0);
  EXPECT_EQ(ParticleSystem_Get(above)->depth, -100000);
  EXPECT_EQ(ParticleSystem_Get(below)->depth, 100000);
  EXPECT_GT(F("part_particles_count", {R(above)}), 12);
  for (const CParticle& p : ParticleSystem_Get(below)->particles) EXPECT_EQ(p.colour, 0x0000FF);
  // The effect systems draw last (above) and first (below) among the automatically drawn ones.
  const int mine = int(F("part_system_create"));
  int count = 0;
  const ParticleDrawEntry* list = ParticleSystem_DrawList(&count);
  ASSERT_EQ(count, 3);
  EXPECT_EQ(list[0].system, below);
  EXPECT_EQ(list[1].system, mine);
  EXPECT_EQ(list[2].system, above);
  // Effects run their course: after 400 updates every effect particle has died.
  for (int k = 0; k < 400; ++k) ParticleSystem_UpdateAll();
  EXPECT_EQ(F("part_particles_count", {R(below)}), 0);
  F("effect_create_below", {R(0), R(10), R(10), R(2), R(0)});
  EXPECT_GT(F("part_particles_count", {R(below)}), 0);
  F("effect_clear");
  EXPECT_EQ(F("part_particles_count", {R(below)}), 0);
  F("effect_create_above", {R(12), R(10), R(10), R(2), R(0)});  // no such kind
  EXPECT_EQ(F("part_particles_count", {R(above)}), 0);
  EXPECT_FALSE(ErrorOccurred());
}

}  // namespace
