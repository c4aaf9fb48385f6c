// The sprite and background drawing functions and the room drawing hooks: which frame, where, which
// colour, what culling skips; vertices read back from the batch and compared with hand-worked values.
#include <cmath>

#include "Background/Background_Class.h"
#include "Function/Function_Exercise.h"
#include "Graphics/Graphics_Batch.h"
#include "Graphics/Graphics_DrawHooks.h"
#include "Graphics/Graphics_DrawState.h"
#include "Graphics/Graphics_PageEntry.h"
#include "Graphics/Graphics_Texture.h"
#include "Run/WorldTestSupport.h"
#include "Sprite/Sprite_Class.h"
#include "Sprite/Sprite_Draw.h"

namespace {

constexpr float kTexel = 1.0f / 256;

// A room of 640 x 480 entered, a 256 x 256 texture page holding sprite 0 (four 32 x 32 frames side
// by side at y 0, origin (16, 16)) and background 0 (64 x 32 at (0, 128)).
struct DrawScope : WorldTest {
  void TestBody() override {}
  void SetUp() override {
    WorldTest::SetUp();
    AddRoom(0, "room_a");
    Room_ResetStates();
    Room_EnterFirst();
    page = GR_Texture_CreateEmpty(256, 256, false);
    for (int i = 0; i < 4; ++i) frames[i] = {int16_t(32 * i), 0, 32, 32, 0, 0, 32, 32, 32, 32, int16_t(page)};
    auto* s = new CSprite();
    s->frameCount = 4;
    s->width = s->height = 32;
    s->xorigin = s->yorigin = 16;
    for (auto& f : frames) s->entries.push_back(&f);
    s->ComputeRadius();  // ceil(sqrt(16^2 + 16^2)) = 23
    Sprite_FreeAll();
    Sprite_Add(s, "spr_four");
    Sprite_Add(new CSprite(), "spr_empty");
    back = {0, 128, 64, 32, 0, 0, 64, 32, 64, 32, int16_t(page)};
    auto* b = new CBackground();
    b->width = 64;
    b->height = 32;
    b->entry = &back;
    Background_FreeAll();
    Background_Add(b, "bg");
    g_DrawState = DrawState();
    g_DrawState.view = {0, 0, 640, 480};
    Batch_Reset();
  }
  void TearDown() override {
    Batch_Reset();
    Sprite_FreeAll();
    Background_FreeAll();
    GR_Texture_FreeAll();
    g_DrawState = DrawState();
    WorldTest::TearDown();
  }

  static RValue Draw(const char* name, std::vector<double> args, CInstance* self = nullptr) {
    std::vector<RValue> values;
    for (double a : args) values.emplace_back(a);
    return Call(name, self, values);
  }
  static const VertexTextured* V() { return static_cast<const VertexTextured*>(Batch_PendingVertices()); }
  static int Quads() { return Batch_PendingCount() / 6; }
  // The first vertex of the last quad (top-left for the plain, scaled and part builders).
  static const VertexTextured& Last() { return V()[Batch_PendingCount() - 6]; }
  // Draws and returns the frame the quad shows (from its left texture coordinate), or -1.
  static int FrameDrawn(double frame, CInstance* self = nullptr) {
    Batch_Reset();
    Draw("draw_sprite", {0, frame, 100, 100}, self);
    return Batch_PendingCount() == 6 ? int(std::lround(Last().u / kTexel / 32)) : -1;
  }

  int page = -1;
  TexturePageEntry frames[4];
  TexturePageEntry back;
};

void ExFrameArguments() {
  DrawScope s;
  s.SetUp();
  EXPECT_EQ(DrawScope::FrameDrawn(5.7), 2);  // rounds to 6, 6 mod 4
  EXPECT_EQ(DrawScope::FrameDrawn(4.5), 0);  // halves to even: 4
  EXPECT_EQ(DrawScope::FrameDrawn(2.5), 2);
  CInstance self(100001, 0);
  self.image_index = 3.9f;
  EXPECT_EQ(DrawScope::FrameDrawn(-1, &self), 3);  // floor(image_index)
  self.image_index = -1.5f;
  EXPECT_EQ(DrawScope::FrameDrawn(-1, &self), 2);  // floor -2, remainder -2 + 4
  EXPECT_EQ(DrawScope::FrameDrawn(-7), 0);         // any negative frame means image_index
  self.image_index = 9;
  EXPECT_EQ(DrawScope::FrameDrawn(-3, &self), 1);
  // Plain placement: (100 - 16, 100 - 16), white with the drawing alpha.
  g_DrawState.alpha = 0.25;
  DrawScope::FrameDrawn(0);
  EXPECT_EQ(DrawScope::Last().x, 84);
  EXPECT_EQ(DrawScope::Last().y, 84);
  EXPECT_EQ(DrawScope::Last().colour, 0x3FFFFFFFu);  // trunc(63.75)
  // Missing sprites report; a sprite without frames draws nothing, silently.
  Batch_Reset();
  DrawScope::Draw("draw_sprite", {7, 0, 0, 0});
  EXPECT_EQ(WorldTest::LastMessage(), "Trying to draw non-existing sprite.");
  ResetErrorReporter();
  DrawScope::Draw("draw_sprite", {1, 0, 0, 0});
  EXPECT_FALSE(ErrorOccurred());
  EXPECT_EQ(Batch_PendingCount(), 0);
  s.TearDown();
}

void ExCulling() {
  DrawScope s;
  s.SetUp();
  // Radius 23 around (x, y) must meet the view (0, 0, 640, 480).
  auto drawn = [](const char* name, std::vector<double> args) {
    Batch_Reset();
    DrawScope::Draw(name, std::move(args));
    return Batch_PendingCount() > 0;
  };
  EXPECT_TRUE(drawn("draw_sprite", {0, 0, 663, 100}));
  EXPECT_FALSE(drawn("draw_sprite", {0, 0, 664, 100}));
  EXPECT_TRUE(drawn("draw_sprite", {0, 0, 100, -23}));
  EXPECT_FALSE(drawn("draw_sprite", {0, 0, 100, -24}));
  // _ext: radius x the larger scale, 46 here.
  const double c = 0xFFFFFF;
  EXPECT_TRUE(drawn("draw_sprite_ext", {0, 0, 686, 100, 2, -1, 0, c, 1}));
  EXPECT_FALSE(drawn("draw_sprite_ext", {0, 0, 687, 100, 2, -1, 0, c, 1}));
  // _general: radius x |xscale| across, x |yscale| down.
  EXPECT_FALSE(drawn("draw_sprite_general", {0, 0, 0, 0, 8, 8, 664, 100, 1, 3, 0, c, c, c, c, 1}));
  EXPECT_TRUE(drawn("draw_sprite_general", {0, 0, 0, 0, 8, 8, 100, 549, 1, 3, 0, c, c, c, c, 1}));
  EXPECT_FALSE(drawn("draw_sprite_general", {0, 0, 0, 0, 8, 8, 100, 550, 1, 3, 0, c, c, c, c, 1}));
  // No culling while it is off, nor for _ext in 3-D mode.
  g_DrawState.cullingOff = true;
  EXPECT_TRUE(drawn("draw_sprite", {0, 0, 5000, 100}));
  g_DrawState.cullingOff = false;
  g_DrawState.mode3d = true;
  EXPECT_TRUE(drawn("draw_sprite_ext", {0, 0, 5000, 100, 1, 1, 0, c, 1}));
  EXPECT_FALSE(drawn("draw_sprite", {0, 0, 5000, 100}));
  s.TearDown();
}

void ExSpriteForms() {
  DrawScope s;
  s.SetUp();
  const VertexTextured* v = nullptr;
  // _ext: scale 2 about the origin (16, 16) at (100, 100): edges -32 .. 32; script red, alpha 0.5.
  DrawScope::Draw("draw_sprite_ext", {0, 1, 100, 100, 2, 2, 0, 0x0000FF, 0.5});
  v = DrawScope::V();
  EXPECT_EQ(v[0].x, 68);
  EXPECT_EQ(v[2].x, 132);
  EXPECT_EQ(v[2].y, 132);
  EXPECT_FLOAT_EQ(v[0].u, 32 * kTexel);
  EXPECT_EQ(v[0].colour, 0x7FFF0000u);
  // _pos: the corners as given, alpha from the argument.
  Batch_Reset();
  DrawScope::Draw("draw_sprite_pos", {0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 1});
  v = DrawScope::V();
  EXPECT_EQ(v[1].x, 3);
  EXPECT_EQ(v[4].y, 8);
  EXPECT_EQ(v[0].colour, 0xFFFFFFFFu);
  // _stretched: the origin is ignored; 32 x 32 to 64 x 16 at (10, 10).
  Batch_Reset();
  DrawScope::Draw("draw_sprite_stretched", {0, 0, 10, 10, 64, 16});
  v = DrawScope::V();
  EXPECT_EQ(v[0].x, 10);
  EXPECT_EQ(v[2].x, 74);
  EXPECT_EQ(v[2].y, 26);
  Batch_Reset();
  DrawScope::Draw("draw_sprite_stretched_ext", {0, 0, 10, 10, 64, 16, 0xFF0000, 1});
  EXPECT_EQ(DrawScope::V()[0].colour, 0xFF0000FFu);
  // _part: the rectangle (4, 4, 8, 8) of frame 0 at (50, 60); _ext scales it by 2.
  Batch_Reset();
  DrawScope::Draw("draw_sprite_part", {0, 0, 4, 4, 8, 8, 50, 60});
  v = DrawScope::V();
  EXPECT_EQ(v[2].x, 58);
  EXPECT_EQ(v[2].y, 68);
  EXPECT_FLOAT_EQ(v[0].u, 4 * kTexel);
  EXPECT_FLOAT_EQ(v[2].u, 12 * kTexel);
  Batch_Reset();
  DrawScope::Draw("draw_sprite_part_ext", {0, 0, 4, 4, 8, 8, 50, 60, 2, 2, 0x00FF00, 1});
  v = DrawScope::V();
  EXPECT_EQ(v[2].x, 66);
  EXPECT_EQ(v[2].y, 76);
  EXPECT_EQ(v[0].colour, 0xFF00FF00u);
  // _general: four corner colours.
  Batch_Reset();
  DrawScope::Draw("draw_sprite_general", {0, 0, 0, 0, 8, 8, 50, 60, 1, 1, 0, 0x0000FF, 0x00FF00, 0xFF0000, 0, 1});
  v = DrawScope::V();
  EXPECT_EQ(v[0].colour, 0xFFFF0000u);
  EXPECT_EQ(v[1].colour, 0xFF00FF00u);
  EXPECT_EQ(v[2].colour, 0xFF0000FFu);
  EXPECT_EQ(v[4].colour, 0xFF000000u);
  s.TearDown();
}

void ExSpriteTiled() {
  DrawScope s;
  s.SetUp();
  // Origin 16 at x 0: aligned -16, start -48; columns -48 .. 624 (22), rows -48 .. 464 (17).
  DrawScope::Draw("draw_sprite_tiled", {0, 0, 0, 0});
  EXPECT_EQ(DrawScope::Quads(), 22 * 17);
  EXPECT_EQ(DrawScope::V()[1].x, -48);  // the second vertex is the top-left corner
  EXPECT_EQ(DrawScope::V()[1].y, -48);
  // Scale 2: step 64, aligned -32, start -32 - 32 = -64; 11 columns, 9 rows.
  Batch_Reset();
  DrawScope::Draw("draw_sprite_tiled_ext", {0, 0, 0, 0, 2, 2, 0xFFFFFF, 1});
  EXPECT_EQ(DrawScope::Quads(), 11 * 9);
  EXPECT_EQ(DrawScope::V()[1].x, -64);
  s.TearDown();
}

void ExDrawSelf() {
  DrawScope s;
  s.SetUp();
  CInstance self(100001, 0);
  self.sprite_index = 0;
  self.x = 100;
  self.y = 50;
  self.image_index = 1.5f;
  g_DrawState.alpha = 0.5;
  DrawScope::Draw("draw_self", {}, &self);
  ASSERT_EQ(DrawScope::Quads(), 1);
  // Plain: frame 1 at (84, 34), with the drawing alpha.
  EXPECT_EQ(DrawScope::V()[0].x, 84);
  EXPECT_EQ(DrawScope::V()[0].y, 34);
  EXPECT_FLOAT_EQ(DrawScope::V()[0].u, 32 * kTexel);
  EXPECT_EQ(DrawScope::V()[0].colour, 0x7FFFFFFFu);
  // Any image field away from its default: the scaled builder with the instance's own values.
  Batch_Reset();
  self.image_blend = 0x0000FF;
  self.image_xscale = 2;
  self.image_alpha = 1;
  g_DrawState.depth = 0;
  DrawScope::Draw("draw_self", {}, &self);
  EXPECT_EQ(DrawScope::V()[0].x, 68);
  EXPECT_EQ(DrawScope::V()[0].y, 34);
  EXPECT_EQ(DrawScope::V()[0].colour, 0xFFFF0000u);
  // No sprite: nothing.
  Batch_Reset();
  self.sprite_index = 9;
  DrawScope::Draw("draw_self", {}, &self);
  EXPECT_EQ(Batch_PendingCount(), 0);
  EXPECT_FALSE(ErrorOccurred());
  s.TearDown();
}

void ExBackgrounds() {
  DrawScope s;
  s.SetUp();
  const VertexTextured* v = nullptr;
  DrawScope::Draw("draw_background", {0, 5, 6});
  v = DrawScope::V();
  EXPECT_EQ(v[0].x, 5);
  EXPECT_EQ(v[2].x, 69);
  EXPECT_EQ(v[2].y, 38);
  EXPECT_FLOAT_EQ(v[0].v, 128 * kTexel);
  // _ext turns about the top-left corner: the top-right (64, 0) goes to (5, 6 - 64).
  Batch_Reset();
  DrawScope::Draw("draw_background_ext", {0, 5, 6, 1, 1, 90, 0xFFFFFF, 1});
  v = DrawScope::V();
  EXPECT_NEAR(v[0].x, 5, 1e-4);
  EXPECT_NEAR(v[1].x, 5, 1e-4);
  EXPECT_NEAR(v[1].y, -58, 1e-4);
  Batch_Reset();
  DrawScope::Draw("draw_background_stretched", {0, 0, 0, 32, 64});
  EXPECT_EQ(DrawScope::V()[2].x, 32);
  EXPECT_EQ(DrawScope::V()[2].y, 64);
  Batch_Reset();
  DrawScope::Draw("draw_background_stretched_ext", {0, 0, 0, 32, 64, 0x0000FF, 1});
  EXPECT_EQ(DrawScope::V()[0].colour, 0xFFFF0000u);
  Batch_Reset();
  DrawScope::Draw("draw_background_part", {0, 8, 8, 16, 16, 0, 0});
  EXPECT_FLOAT_EQ(DrawScope::V()[0].u, 8 * kTexel);
  EXPECT_FLOAT_EQ(DrawScope::V()[2].v, 152 * kTexel);
  Batch_Reset();
  DrawScope::Draw("draw_background_part_ext", {0, 8, 8, 16, 16, 0, 0, 2, 1, 0xFFFFFF, 1});
  EXPECT_EQ(DrawScope::V()[2].x, 32);
  Batch_Reset();
  DrawScope::Draw("draw_background_general", {0, 0, 0, 16, 16, 0, 0, 1, 1, 0, 0, 0, 0, 0x0000FF, 1});
  EXPECT_EQ(DrawScope::V()[4].colour, 0xFFFF0000u);
  // Tiled over the 640 x 480 room: columns from -64 step 64 (11), rows from -32 step 32 (16).
  Batch_Reset();
  DrawScope::Draw("draw_background_tiled", {0, 0, 0});
  EXPECT_EQ(DrawScope::Quads(), 11 * 16);
  // Scale 0.5: steps 32 and 16, starts still one unscaled frame back: 22 columns, 32 rows.
  Batch_Reset();
  DrawScope::Draw("draw_background_tiled_ext", {0, 0, 0, 0.5, 0.5, 0xFFFFFF, 1});
  EXPECT_EQ(DrawScope::Quads(), 22 * 32);
  // A missing background draws nothing and is no error.
  Batch_Reset();
  DrawScope::Draw("draw_background", {3, 0, 0});
  EXPECT_EQ(Batch_PendingCount(), 0);
  EXPECT_FALSE(ErrorOccurred());
  s.TearDown();
}

TEST(FunctionSpriteDraw, FrameArgumentsAndPlainPlacement) { ExFrameArguments(); }
TEST(FunctionSpriteDraw, ViewCulling) { ExCulling(); }
TEST(FunctionSpriteDraw, SpriteForms) { ExSpriteForms(); }
TEST(FunctionSpriteDraw, SpriteTiled) { ExSpriteTiled(); }
TEST(FunctionSpriteDraw, DrawSelf) { ExDrawSelf(); }
TEST(FunctionSpriteDraw, Backgrounds) { ExBackgrounds(); }

TEST(FunctionSpriteDraw, RoomHooksDrawLayersAndTiles) {
  DrawScope s;
  s.SetUp();
  Sprite_InstallDrawHooks();
  CBackgroundLayer layer;
  layer.index = 0;
  layer.x = 3;
  layer.y = 4;
  layer.htiled = false;
  layer.blend = 0x00FF00;
  layer.alpha = 0.5f;
  DrawArea area{0, 0, 640, 480};
  g_DrawHooks.drawBackgroundLayer(layer, area);
  // One column at x 3; rows: fmod(4, 32) = 4 -> -28, start -60; -60 .. 452 is 17 rows.
  ASSERT_EQ(DrawScope::Quads(), 17);
  EXPECT_EQ(DrawScope::V()[1].x, 3);
  EXPECT_EQ(DrawScope::V()[0].colour, 0x7F00FF00u);
  // A tile: its rectangle (8, 8, 16, 16) of the background at (100, 50), scale 2, blend, alpha rounded.
  Batch_Reset();
  CTile tile;
  tile.background = 0;
  tile.left = tile.top = 8;
  tile.width = tile.height = 16;
  tile.x = 100;
  tile.y = 50;
  tile.xscale = 2;
  tile.blend = 0x0000FF;
  tile.alpha = 0.5f;
  g_DrawHooks.drawTile(tile);
  ASSERT_EQ(DrawScope::Quads(), 1);
  EXPECT_EQ(DrawScope::V()[2].x, 132);
  EXPECT_EQ(DrawScope::V()[2].y, 66);
  EXPECT_EQ(DrawScope::V()[0].colour, 0x80FF0000u);
  Batch_Reset();
  tile.visible = false;
  g_DrawHooks.drawTile(tile);
  EXPECT_EQ(Batch_PendingCount(), 0);
  // The cursor: frame 6 mod 4 = 2 with its origin on (100, 100), opaque whatever the drawing alpha.
  g_DrawState.alpha = 0.5;
  g_DrawHooks.drawCursorSprite(0, 6, 100, 100);
  ASSERT_EQ(DrawScope::Quads(), 1);
  EXPECT_EQ(DrawScope::V()[0].x, 84);
  EXPECT_EQ(DrawScope::V()[0].y, 84);
  EXPECT_FLOAT_EQ(DrawScope::V()[0].u, 64 * kTexel);
  EXPECT_EQ(DrawScope::V()[0].colour, 0xFFFFFFFFu);
  s.TearDown();
}

const RegisterExercise kFrames({"draw_sprite"}, ExFrameArguments);
const RegisterExercise kCulling({"draw_sprite_ext", "draw_sprite_general"}, ExCulling);
const RegisterExercise kForms({"draw_sprite_pos", "draw_sprite_stretched", "draw_sprite_stretched_ext",
                               "draw_sprite_part", "draw_sprite_part_ext"},
                              ExSpriteForms);
const RegisterExercise kTiled({"draw_sprite_tiled", "draw_sprite_tiled_ext"}, ExSpriteTiled);
const RegisterExercise kSelf({"draw_self"}, ExDrawSelf);
const RegisterExercise kBackgrounds({"draw_background", "draw_background_ext", "draw_background_stretched",
                                     "draw_background_stretched_ext", "draw_background_part",
                                     "draw_background_part_ext", "draw_background_general",
                                     "draw_background_tiled", "draw_background_tiled_ext"},
                                    ExBackgrounds);

}  // namespace
