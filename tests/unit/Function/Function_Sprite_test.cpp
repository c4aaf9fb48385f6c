// Sprite and background resources made from PNG files written by the test: strips, background keys,
// softened edges, masks, replacing, copies, merges, saving, texture handles. Expected pixels and
// sizes are worked out by hand from the rules.
#include <cmath>

#include "Background/Background_Class.h"
#include "Function_FileTestFolder.h"
#include "Graphics/Graphics_Batch.h"
#include "Graphics/Graphics_DrawState.h"
#include "Graphics/Graphics_Image.h"
#include "Graphics/Graphics_PageEntry.h"
#include "Graphics/Graphics_Texture.h"
#include "Platform/Platform_Console.h"
#include "Sprite/PixelTestSupport.h"
#include "Sprite/Sprite_Class.h"
#include "Sprite/Sprite_TextureHandle.h"

using namespace testcall;

namespace {

using namespace pixels;

const RGBA kKey{10, 20, 30, 255}, kInk{200, 100, 0, 255};

struct SpriteScope : FileFolderTest {
  void SetUp() {
    FileFolderTest::SetUp();
    Sprite_FreeAll();
    Background_FreeAll();
    // strip.png: 200 x 50, pixel (x, y) has red = x, green = y, alpha 100 at (0, 0).
    CBitmap32 strip(200, 50);
    for (int32_t y = 0; y < 50; ++y)
      for (int32_t x = 0; x < 200; ++x) SetPixel(strip, x, y, {uint8_t(x), uint8_t(y), 7, 255});
    SetPixel(strip, 0, 0, {0, 0, 7, 100});
    Write("strip.png", strip);
    // dot.png: 3 x 3 of the key colour with one ink pixel in the middle.
    CBitmap32 dot(3, 3);
    for (int32_t y = 0; y < 3; ++y)
      for (int32_t x = 0; x < 3; ++x) SetPixel(dot, x, y, kKey);
    SetPixel(dot, 1, 1, kInk);
    Write("dot.png", dot);
  }
  void TearDown() {
    Sprite_FreeAll();
    Background_FreeAll();
    GR_Texture_FreeAll();
    FileFolderTest::TearDown();
  }
  void Write(const std::string& name, const CBitmap32& image) {
    std::string error;
    ASSERT_TRUE(Image_SavePNGFile(m_gameDir + name, image.Data(), image.Width(), image.Height(), error)) << error;
  }
  static CBitmap32 Read(const std::string& path) {
    CBitmap32 image;
    std::string error;
    EXPECT_TRUE(Image_LoadPNGFile(path, image, error)) << error;
    return image;
  }
  static double Add(const char* file, double frames, double removeback = 0, double smooth = 0) {
    return Real("sprite_add", {S(file), R(frames), R(removeback), R(smooth), R(3), R(5)});
  }
  static double Q(const char* name, double index) { return Real(name, {R(index)}); }
};

LIBRARY_CASE(SpriteScope, AddCutsStripsMadeOpaque, "sprite_add", "sprite_get_number", "sprite_get_width",
             "sprite_get_height", "sprite_get_xoffset", "sprite_get_yoffset", "sprite_get_name", "sprite_name",
             "sprite_exists", "sprite_get_bbox_mode", "sprite_get_bbox_left", "sprite_get_bbox_right",
             "sprite_get_bbox_top", "sprite_get_bbox_bottom", "sprite_get_transparent", "sprite_get_smooth",
             "sprite_get_preload", "sprite_get_precise", "sprite_add_alpha") {
  const double s = Add("strip.png", 4);
  EXPECT_EQ(s, 0);
  EXPECT_EQ(Text("sprite_get_name", {R(s)}), "__newsprite0");
  EXPECT_EQ(Text("sprite_name", {R(s)}), "__newsprite0");
  EXPECT_EQ(Q("sprite_exists", s), 1);
  EXPECT_EQ(Q("sprite_get_number", s), 4);
  EXPECT_EQ(Q("sprite_get_width", s), 50);
  EXPECT_EQ(Q("sprite_get_height", s), 50);
  EXPECT_EQ(Q("sprite_get_xoffset", s), 3);
  EXPECT_EQ(Q("sprite_get_yoffset", s), 5);
  // Opaque everywhere (the file's alpha is dropped), so the automatic box is the whole frame.
  EXPECT_EQ(Q("sprite_get_bbox_mode", s), 0);
  EXPECT_EQ(Q("sprite_get_bbox_left", s), 0);
  EXPECT_EQ(Q("sprite_get_bbox_top", s), 0);
  EXPECT_EQ(Q("sprite_get_bbox_right", s), 49);
  EXPECT_EQ(Q("sprite_get_bbox_bottom", s), 49);
  EXPECT_EQ(Q("sprite_get_transparent", s), 0);
  EXPECT_EQ(Q("sprite_get_smooth", s), 0);
  EXPECT_EQ(Q("sprite_get_preload", s), 0);
  EXPECT_EQ(Q("sprite_get_precise", s), 0);
  const CSprite* sprite = Sprite_Get(0);
  ASSERT_EQ(sprite->bitmaps.size(), 4u);
  EXPECT_EQ(At(sprite->bitmaps[2], 1, 9), (RGBA{101, 9, 7, 255}));
  EXPECT_EQ(At(sprite->bitmaps[0], 0, 0)[3], 255);
  EXPECT_EQ(sprite->textures.size(), 4u);
  EXPECT_NE(GR_Texture_Slot(sprite->textures[3]), nullptr);
  // Three frames of 66 pixels (columns 198 and 199 dropped).
  const double three = Add("strip.png", 3);
  EXPECT_EQ(three, 1);
  EXPECT_EQ(Q("sprite_get_width", three), 66);
  EXPECT_EQ(At(Sprite_Get(1)->bitmaps[2], 65, 0)[0], 197);
  // The alpha form keeps the file's alpha.
  const double alpha = Real("sprite_add_alpha", {S("strip.png"), R(1), R(0), R(0), R(0), R(0)});
  EXPECT_EQ(At(Sprite_Get(int32_t(alpha))->bitmaps[0], 0, 0)[3], 100);
  // Missing queries read -1.
  EXPECT_EQ(Q("sprite_get_width", 9), -1);
  EXPECT_EQ(Q("sprite_exists", 9), 0);
}

LIBRARY_CASE(SpriteScope, RemoveBackSmoothAndMasks, "sprite_add") {
  // Removeback (0.5 counts) without smoothing (0.5 does not): the ink stays opaque; holes next to
  // the ink take its colour, the corners keep the key's.
  const double plain = Add("dot.png", 1, 0.5, 0.5);
  const CSprite* s = Sprite_Get(int32_t(plain));
  ASSERT_NE(s, nullptr);
  EXPECT_TRUE(s->transparent);
  EXPECT_FALSE(s->smooth);
  const CBitmap32& b = s->bitmaps[0];
  EXPECT_EQ(At(b, 1, 1), kInk);
  EXPECT_EQ(At(b, 1, 0), (RGBA{200, 100, 0, 0}));  // below is the ink
  EXPECT_EQ(At(b, 0, 1), (RGBA{200, 100, 0, 0}));  // right is the ink
  EXPECT_EQ(At(b, 0, 0), (RGBA{10, 20, 30, 0}));
  // The automatic box holds the ink only; no masks without precise.
  EXPECT_EQ(s->bboxLeft, 1);
  EXPECT_EQ(s->bboxRight, 1);
  EXPECT_EQ(s->bboxTop, 1);
  EXPECT_EQ(s->bboxBottom, 1);
  EXPECT_FALSE(s->masksReady);
  // Smoothing: all eight holes surround the ink: 255 loses 32 seven times (to 31), then stops.
  const double smooth = Add("dot.png", 1, 1, 1);
  EXPECT_EQ(At(Sprite_Get(int32_t(smooth))->bitmaps[0], 1, 1)[3], 31);
  // The long form: precise and transparent build one mask a frame.
  const double precise = Real("sprite_add", {S("dot.png"), R(1), R(1), R(1), R(0), R(0), R(0), R(0)});
  const CSprite* p = Sprite_Get(int32_t(precise));
  ASSERT_NE(p, nullptr);
  EXPECT_TRUE(p->precise);
  ASSERT_TRUE(p->masksReady);
  ASSERT_EQ(p->masks.size(), 1u);
  EXPECT_EQ(p->masks[0], (std::vector<uint8_t>{0, 0, 0, 0, 1, 0, 0, 0, 0}));
}

LIBRARY_CASE(SpriteScope, MissingFilesLeaveNothing, "sprite_add", "sprite_replace", "sprite_replace_alpha") {
  Console::Flush();
  EXPECT_EQ(Add("missing.png", 1), -1);
  EXPECT_EQ(Add("http://example.com/a.png", 1), -1);
  EXPECT_EQ(Add("strip.png", 250), -1);  // frames narrower than a pixel
  EXPECT_EQ(Sprite_Count(), 0);
  // Replacing keeps the number and name; a missing file keeps the old image.
  const double s = Add("strip.png", 4);
  EXPECT_EQ(Real("sprite_replace", {R(s), S("missing.png"), R(2), R(0), R(0), R(0), R(0)}), 0);
  EXPECT_EQ(Q("sprite_get_number", s), 4);
  EXPECT_EQ(Real("sprite_replace", {R(s), S("strip.png"), R(2), R(0), R(0), R(1), R(2)}), 1);
  EXPECT_EQ(Q("sprite_get_number", s), 2);
  EXPECT_EQ(Q("sprite_get_width", s), 100);
  EXPECT_EQ(Q("sprite_get_yoffset", s), 2);
  EXPECT_EQ(Text("sprite_get_name", {R(s)}), "__newsprite0");
  // The long form of replace.
  EXPECT_EQ(Real("sprite_replace", {R(s), S("dot.png"), R(1), R(1), R(1), R(0), R(0), R(0), R(0)}), 1);
  EXPECT_EQ(Q("sprite_get_precise", s), 1);
  EXPECT_EQ(Real("sprite_replace_alpha", {R(s), S("strip.png"), R(1), R(0), R(0), R(0), R(0)}), 1);
  EXPECT_EQ(At(Sprite_Get(0)->bitmaps[0], 0, 0)[3], 100);
  EXPECT_EQ(Real("sprite_replace", {R(7), S("strip.png"), R(2), R(0), R(0), R(0), R(0)}), 0);
  EXPECT_EQ(Sprite_Count(), 1);
}

LIBRARY_CASE(SpriteScope, SaveRoundTrip, "sprite_save", "sprite_save_strip") {
  const double s = Add("strip.png", 4);
  EXPECT_EQ(Real("sprite_save", {R(s), R(1), S("one.png")}), 1);
  const CBitmap32 one = Read(m_save + "one.png");
  ASSERT_EQ(one.Width(), 50);
  EXPECT_EQ(At(one, 10, 3), (RGBA{60, 3, 7, 255}));
  EXPECT_EQ(Real("sprite_save_strip", {R(s), S("all.png")}), 1);
  const CBitmap32 all = Read(m_save + "all.png");
  ASSERT_EQ(all.Width(), 200);
  EXPECT_EQ(At(all, 199, 49), (RGBA{199, 49, 7, 255}));
  EXPECT_EQ(At(all, 0, 0)[3], 255);
  // A missing sprite or an unwritable place saves nothing.
  EXPECT_EQ(Real("sprite_save", {R(5), R(0), S("x.png")}), 0);
  EXPECT_EQ(Real("sprite_save", {R(s), R(0), S("/nonexistent-dir/x.png")}), 0);
  EXPECT_FALSE(Exists(m_save + "x.png"));
}

LIBRARY_CASE(SpriteScope, CopiesMergesAndDeletion, "sprite_duplicate", "sprite_assign", "sprite_delete",
             "sprite_merge") {
  const double a = Add("strip.png", 4), b = Add("strip.png", 2);
  const double copy = Real("sprite_duplicate", {R(a)});
  EXPECT_EQ(copy, 2);
  EXPECT_EQ(Text("sprite_get_name", {R(copy)}), "__newsprite2");
  EXPECT_EQ(Q("sprite_get_number", copy), 4);
  EXPECT_NE(Sprite_Get(2)->textures[0], Sprite_Get(0)->textures[0]);  // textures of its own
  EXPECT_EQ(Real("sprite_duplicate", {R(9)}), -1);
  // Assign: sprite 2 becomes a copy of sprite 1 (two 100-wide frames) and keeps its name.
  EXPECT_EQ(Real("sprite_assign", {R(copy), R(b)}), 1);
  EXPECT_EQ(Q("sprite_get_width", copy), 100);
  EXPECT_EQ(Text("sprite_get_name", {R(copy)}), "__newsprite2");
  // Merge: b's frames stretched to 50 x 50 follow a's: pixel (10, 4) of frame 4 is b's (20, 4).
  Call("sprite_merge", {R(a), R(b)});
  EXPECT_EQ(Q("sprite_get_number", a), 6);
  const CSprite* merged = Sprite_Get(0);
  EXPECT_EQ(merged->bitmaps[4].Width(), 50);
  EXPECT_EQ(At(merged->bitmaps[4], 10, 4), (RGBA{20, 4, 7, 255}));
  EXPECT_EQ(At(merged->bitmaps[5], 10, 4), (RGBA{120, 4, 7, 255}));
  EXPECT_EQ(merged->textures.size(), 6u);
  Call("sprite_delete", {R(b)});
  EXPECT_EQ(Q("sprite_exists", b), 0);
  EXPECT_EQ(Q("sprite_get_number", b), -1);
  EXPECT_EQ(Real("sprite_assign", {R(a), R(b)}), 0);
}

LIBRARY_CASE(SpriteScope, Setters, "sprite_set_offset", "sprite_set_bbox_mode", "sprite_set_bbox",
             "sprite_set_precise", "sprite_set_alpha_from_sprite") {
  const double s = Add("dot.png", 1, 1, 0);  // ink at (1, 1) only
  Call("sprite_set_offset", {R(s), R(0), R(0)});
  EXPECT_EQ(Q("sprite_get_xoffset", s), 0);
  EXPECT_EQ(Sprite_Get(0)->radius, 5);  // ceil(sqrt(3^2 + 3^2)) = ceil(4.24)
  Call("sprite_set_bbox_mode", {R(s), R(1)});
  EXPECT_EQ(Q("sprite_get_bbox_right", s), 2);
  Call("sprite_set_bbox_mode", {R(s), R(3)});  // only 0 to 2
  EXPECT_EQ(Q("sprite_get_bbox_mode", s), 1);
  Call("sprite_set_bbox_mode", {R(s), R(0)});
  EXPECT_EQ(Q("sprite_get_bbox_left", s), 1);
  Call("sprite_set_bbox", {R(s), R(0), R(1), R(2), R(2)});
  EXPECT_EQ(Q("sprite_get_bbox_top", s), 1);
  EXPECT_EQ(Q("sprite_get_bbox_right", s), 2);
  Call("sprite_set_precise", {R(s), R(1)});
  EXPECT_EQ(Q("sprite_get_precise", s), 1);
  EXPECT_TRUE(Sprite_Get(0)->masksReady);  // transparent, so precise builds masks
  // Alpha from the intensity of another sprite's pixels: strip frame 0 (50 x 50) stretched to 3 x 3
  // puts its pixel (16, 16) = (16, 16, 7) on the ink: intensity 13, alpha 255 x 13 / 255.
  const double strip = Add("strip.png", 4);
  Call("sprite_set_alpha_from_sprite", {R(s), R(strip)});
  EXPECT_EQ(At(Sprite_Get(0)->bitmaps[0], 1, 1)[3], 13);
}

LIBRARY_CASE(SpriteScope, CollisionMaskShapes, "sprite_collision_mask") {
  const double s = Add("strip.png", 40);  // five 5 x 50 frames... 200 / 40 = 5 wide
  ASSERT_EQ(Q("sprite_get_width", s), 5);
  // Rectangle (kind 1) in the manual box (1, 1, 3, 2), one mask for all frames.
  Call("sprite_collision_mask", {R(s), R(0), R(2), R(1), R(1), R(3), R(2), R(1), R(0)});
  const CSprite* sp = Sprite_Get(0);
  ASSERT_EQ(sp->masks.size(), 1u);
  EXPECT_TRUE(sp->oneMaskForAll);
  EXPECT_TRUE(sp->precise);
  EXPECT_EQ(sp->bboxMode, 2);
  EXPECT_EQ(sp->masks[0][1 * 5 + 1], 1);
  EXPECT_EQ(sp->masks[0][2 * 5 + 3], 1);
  EXPECT_EQ(sp->masks[0][3 * 5 + 3], 0);
  EXPECT_EQ(sp->masks[0][1 * 5 + 4], 0);
  // Ellipse (kind 2) over the full frame, one mask a frame: the corners are out, the centre in.
  Call("sprite_collision_mask", {R(s), R(1), R(1), R(0), R(0), R(0), R(0), R(2), R(0)});
  EXPECT_EQ(sp->masks.size(), 40u);
  EXPECT_EQ(sp->masks[0][0], 0);
  EXPECT_EQ(sp->masks[0][25 * 5 + 2], 1);
  EXPECT_EQ(sp->bboxBottom, 49);
}

LIBRARY_CASE(SpriteScope, TexturesAndUnsupported, "sprite_get_texture", "sprite_add_sprite",
             "sprite_replace_sprite") {
  const double s = Add("strip.png", 4);
  EXPECT_EQ(Real("sprite_get_texture", {R(s), R(5)}), Sprite_Get(0)->textures[1]);  // 5 mod 4
  // A sprite on a texture page gives a handle that names its entry.
  TexturePageEntry entry{0, 0, 4, 4, 0, 0, 4, 4, 4, 4, 0};
  auto* paged = new CSprite();
  paged->frameCount = 1;
  paged->entries.push_back(&entry);
  const int32_t index = Sprite_Add(paged, "spr_paged");
  const double handle = Real("sprite_get_texture", {R(index), R(0)});
  int texture = 0;
  TexturePageEntry* found = nullptr;
  EXPECT_TRUE(TextureHandle_Resolve(handle, &texture, &found));
  EXPECT_EQ(found, &entry);
  EXPECT_EQ(texture, -1);
  EXPECT_FALSE(ErrorOccurred());
  EXPECT_EQ(Real("sprite_get_texture", {R(9), R(0)}), -1);
  EXPECT_NE(std::string(LastErrorText()).find("Trying to get texture from non-existing sprite."), std::string::npos);
  Console::Flush();
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(Real("sprite_add_sprite", {S("x")}), -1);
  EXPECT_EQ(Real("sprite_replace_sprite", {R(0), S("x")}), -1);
  Console::Flush();
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "unsupported function\nunsupported function\n");
}

LIBRARY_CASE(SpriteScope, RunTimeSpriteDrawsHalfAPixelUp, "sprite_add") {
  const double s = Add("strip.png", 4);  // origin (3, 5)
  Batch_Reset();
  g_DrawState = DrawState();
  g_DrawState.cullingOff = true;
  Call("draw_sprite", {R(s), R(0), R(10), R(10)});
  ASSERT_EQ(Batch_PendingCount(), 6);
  const auto* v = static_cast<const VertexTextured*>(Batch_PendingVertices());
  EXPECT_EQ(v[0].x, 6.5f);  // 10 - 3 - 0.5
  EXPECT_EQ(v[0].y, 4.5f);
  EXPECT_EQ(v[2].x, 56.5f);
  EXPECT_EQ(Batch_PendingTexture(), Sprite_Get(0)->textures[0]);
  Batch_Reset();
  g_DrawState = DrawState();
}

// ---- Backgrounds --------------------------------------------------------------------------------

LIBRARY_CASE(SpriteScope, BackgroundsFromFiles, "background_add", "background_exists", "background_get_name",
             "background_name", "background_get_width", "background_get_height", "background_get_transparent",
             "background_get_smooth", "background_get_preload", "background_replace", "background_add_alpha",
             "background_replace_alpha", "background_save") {
  const double b = Real("background_add", {S("dot.png"), R(1), R(0)});
  EXPECT_EQ(b, 0);
  EXPECT_EQ(Text("background_get_name", {R(b)}), "__newbackground0");
  EXPECT_EQ(Text("background_name", {R(b)}), "__newbackground0");
  EXPECT_EQ(Q("background_exists", b), 1);
  EXPECT_EQ(Q("background_get_width", b), 3);
  EXPECT_EQ(Q("background_get_height", b), 3);
  EXPECT_EQ(Q("background_get_transparent", b), 1);
  EXPECT_EQ(Q("background_get_smooth", b), 0);
  EXPECT_EQ(Q("background_get_preload", b), 0);
  EXPECT_EQ(At(Background_Get(0)->bitmap, 0, 1), (RGBA{200, 100, 0, 0}));
  EXPECT_EQ(Real("background_add", {S("missing.png"), R(0), R(0)}), -1);
  EXPECT_EQ(Q("background_get_width", 1), -1);
  EXPECT_EQ(Real("background_replace", {R(b), S("strip.png"), R(0), R(0)}), 1);
  EXPECT_EQ(Q("background_get_width", b), 200);
  EXPECT_EQ(At(Background_Get(0)->bitmap, 0, 0)[3], 255);  // made opaque
  EXPECT_EQ(Real("background_replace", {R(b), S("missing.png"), R(0), R(0)}), 0);
  EXPECT_EQ(Q("background_get_width", b), 200);
  const double alpha = Real("background_add_alpha", {S("strip.png"), R(0)});
  EXPECT_EQ(At(Background_Get(int32_t(alpha))->bitmap, 0, 0)[3], 100);
  EXPECT_EQ(Real("background_replace_alpha", {R(b), S("strip.png"), R(1)}), 1);
  EXPECT_EQ(Q("background_get_smooth", b), 1);
  EXPECT_EQ(Real("background_save", {R(b), S("bg.png")}), 1);
  const CBitmap32 saved = Read(m_save + "bg.png");
  EXPECT_EQ(saved.Width(), 200);
  EXPECT_EQ(At(saved, 0, 0), (RGBA{0, 0, 7, 100}));
  EXPECT_EQ(At(saved, 150, 20), (RGBA{150, 20, 7, 255}));
}

LIBRARY_CASE(SpriteScope, BackgroundsMadeAndCopied, "background_create_color", "background_create_gradient",
             "background_duplicate", "background_assign", "background_delete", "background_get_texture",
             "background_set_alpha_from_background") {
  const double c = Real("background_create_color", {R(4), R(2), R(0x0080FF)});
  EXPECT_EQ(At(Background_Get(int32_t(c))->bitmap, 3, 1), (RGBA{0xFF, 0x80, 0x00, 255}));
  EXPECT_EQ(Real("background_create_color", {R(0), R(2), R(0)}), -1);
  EXPECT_EQ(Real("background_create_color", {R(9000), R(2), R(0)}), -1);
  const double g = Real("background_create_gradient", {R(3), R(1), R(0x000000), R(0x0000FF), R(0)});
  EXPECT_EQ(At(Background_Get(int32_t(g))->bitmap, 1, 0)[0], 128);  // 127.5 to the nearest
  const double d = Real("background_duplicate", {R(c)});
  EXPECT_EQ(Q("background_get_width", d), 4);
  EXPECT_EQ(Real("background_assign", {R(d), R(g)}), 1);
  EXPECT_EQ(Q("background_get_width", d), 3);
  EXPECT_EQ(Real("background_get_texture", {R(d)}), Background_Get(int32_t(d))->texture);
  // Alpha from the other background's intensity, stretched from 3 x 1 to 4 x 2: x 1 takes the
  // gradient's pixel 0 (black: intensity 0), x 2 its pixel 1 (128, 0, 0: intensity 42).
  Call("background_set_alpha_from_background", {R(c), R(g)});
  EXPECT_EQ(At(Background_Get(int32_t(c))->bitmap, 1, 0)[3], 0);
  EXPECT_EQ(At(Background_Get(int32_t(c))->bitmap, 2, 1)[3], 42);
  Call("background_delete", {R(d)});
  EXPECT_EQ(Q("background_exists", d), 0);
  EXPECT_EQ(Real("background_get_texture", {R(d)}), -1);
  EXPECT_NE(std::string(LastErrorText()).find("Trying to get texture from non-existing background."),
            std::string::npos);
}

}  // namespace

namespace {

// Without a window the screen reads nothing; the null device's surfaces read as transparent black.
LIBRARY_CASE(SpriteScope, MadeFromSurfacesAndTheScreen, "sprite_create_from_surface", "sprite_add_from_surface",
             "sprite_create_from_screen", "sprite_add_from_screen", "background_create_from_surface",
             "background_create_from_screen") {
  const double surface = Real("surface_create", {R(4), R(2)});
  ASSERT_GE(surface, 0);
  const double s = Real("sprite_create_from_surface", {R(surface), R(0), R(0), R(4), R(2), R(0), R(0), R(1), R(1)});
  ASSERT_GE(s, 0);
  EXPECT_EQ(Q("sprite_get_width", s), 4);
  EXPECT_EQ(Q("sprite_get_height", s), 2);
  EXPECT_EQ(Q("sprite_get_xoffset", s), 1);
  EXPECT_EQ(At(Sprite_Get(int32_t(s))->bitmaps[0], 3, 1), (RGBA{0, 0, 0, 0}));  // kept as read
  // The long form has preload before the origin; the rectangle is clipped to the surface.
  const double p = Real("sprite_create_from_surface",
                        {R(surface), R(2), R(0), R(10), R(10), R(0), R(0), R(1), R(0), R(1)});
  EXPECT_EQ(Q("sprite_get_preload", p), 1);
  EXPECT_EQ(Q("sprite_get_width", p), 2);
  EXPECT_EQ(Q("sprite_get_yoffset", p), 1);
  // A frame added from a surface takes the sprite's frame size.
  Call("sprite_add_from_surface", {R(s), R(surface), R(0), R(0), R(1), R(1)});
  EXPECT_EQ(Q("sprite_get_number", s), 2);
  EXPECT_EQ(Sprite_Get(int32_t(s))->bitmaps[1].Width(), 4);
  EXPECT_EQ(Real("sprite_create_from_surface", {R(9), R(0), R(0), R(4), R(2), R(0), R(0), R(0), R(0)}), -1);
  const double b = Real("background_create_from_surface", {R(surface), R(1), R(1), R(2), R(2), R(0), R(0)});
  EXPECT_EQ(Q("background_get_width", b), 2);
  EXPECT_EQ(Q("background_get_height", b), 1);
  // No screen here: nothing is made or added.
  EXPECT_EQ(Real("sprite_create_from_screen", {R(0), R(0), R(4), R(4), R(0), R(0), R(0), R(0)}), -1);
  EXPECT_EQ(Real("background_create_from_screen", {R(0), R(0), R(4), R(4), R(0), R(0)}), -1);
  Call("sprite_add_from_screen", {R(s), R(0), R(0), R(4), R(4)});
  EXPECT_EQ(Q("sprite_get_number", s), 2);
  Call("surface_free", {R(surface)});
}

}  // namespace
