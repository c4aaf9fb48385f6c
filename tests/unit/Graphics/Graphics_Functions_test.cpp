// Exercises of the display, window, surface, clearing, draw-setting and texture functions, on a
// device that records what it is asked (no window: the window functions answer as numbers).
#include <gtest/gtest.h>

#include <filesystem>

#include "Code/Code_Error.h"
#include "Function/Function_Exercise.h"
#include "Graphics/Graphics_Display.h"
#include "Graphics/Graphics_DrawState.h"
#include "Graphics/Graphics_Image.h"
#include "Graphics/Graphics_Surface.h"
#include "RecordingDevice.h"

namespace {

RValue Call(const char* name, std::vector<RValue> args = {}) { return CallBuiltin(name, std::move(args)); }
RValue R(double v) { return RValue(v); }

class ClearRecorder : public RecordingDevice {
 public:
  void Clear(uint32_t argb, bool colour, bool depth) override {
    cleared.push_back(argb);
    EXPECT_TRUE(colour && depth);
  }
  std::vector<uint32_t> cleared;
};

// A clean device, texture table and batch for one exercise.
struct Fixture {
  ClearRecorder* device;
  Fixture() {
    auto d = std::make_unique<ClearRecorder>();
    device = d.get();
    Device_Install(std::move(d));
    Batch_Reset();
    RenderState_ResetCache();
    SetLastErrorText("");
  }
  ~Fixture() {
    Batch_Reset();
    Surface_FreeAll();
    GR_Texture_FreeAll();
    Device_Install(nullptr);
    g_DrawState = DrawState{};
  }
};

void ExDrawSettings() {
  Fixture f;
  Call("draw_set_color", {R(0x123456)});
  EXPECT_EQ(Call("draw_get_color").real, 0x123456);
  Call("draw_set_alpha", {R(0.25)});
  EXPECT_EQ(Call("draw_get_alpha").real, 0.25);
  Call("draw_set_blend_mode", {R(1)});
  EXPECT_EQ(RenderState_Get(kRS_SrcBlend), 5u);
  EXPECT_EQ(RenderState_Get(kRS_DestBlend), 2u);
  Call("draw_set_blend_mode_ext", {R(0), R(7)});
  EXPECT_EQ(RenderState_Get(kRS_SrcBlend), 1u);
  EXPECT_EQ(RenderState_Get(kRS_DestBlend), 7u);
  Call("draw_set_blend_mode", {R(0)});
  // Clearing: opaque, or with the alpha byte trunc(alpha x 255); red goes to the ARGB red byte.
  Call("draw_clear", {R(0x0000FF)});
  Call("draw_clear_alpha", {R(0xFF0000), R(0.5)});
  Call("draw_clear_alpha", {R(0x00FF00), R(3)});
  EXPECT_EQ(f.device->cleared, std::vector<uint32_t>({0xFFFF0000u, 0x7F0000FFu, 0xFF00FF00u}));
}

void ExTextures() {
  Fixture f;
  const int empty = GR_Texture_CreateEmpty(100, 30, false);
  EXPECT_EQ(Call("texture_exists", {R(empty)}).real, 1);
  EXPECT_EQ(Call("texture_exists", {R(empty + 1)}).real, 0);
  EXPECT_DOUBLE_EQ(Call("texture_get_width", {R(empty)}).real, 0.78125);
  EXPECT_DOUBLE_EQ(Call("texture_get_height", {R(empty)}).real, 0.46875);
  EXPECT_DOUBLE_EQ(Call("texture_get_width", {R(-3)}).real, 1);
  Call("texture_preload", {R(empty)});
  Call("texture_set_priority", {R(empty), R(5)});
  EXPECT_TRUE(GR_Texture_Exists(empty));
  Call("texture_set_interpolation", {R(0.5)});
  EXPECT_TRUE(g_DrawSettings.interpolation);
  Call("texture_set_interpolation", {R(0.4)});
  EXPECT_FALSE(g_DrawSettings.interpolation);
  Call("texture_set_blending", {R(0)});
  EXPECT_FALSE(g_DrawSettings.textureBlending);
  Call("texture_set_blending", {R(1)});
  Call("texture_set_repeat", {R(1)});
  EXPECT_TRUE(g_DrawSettings.repeat);
  Call("texture_set_repeat", {R(0)});
}

void ExDisplay() {
  // No window exists here: the display is the headless one.
  EXPECT_EQ(Call("display_get_width").real, 1920);
  EXPECT_EQ(Call("display_get_height").real, 1080);
  EXPECT_EQ(Call("display_get_colordepth").real, 32);
  EXPECT_EQ(Call("display_get_frequency").real, 60);
  EXPECT_EQ(Call("display_get_orientation").real, 0);
  EXPECT_EQ(Call("display_set_size", {R(1920), R(1080)}).real, 1);
  EXPECT_EQ(Call("display_set_size", {R(800), R(600)}).real, 0);
  EXPECT_EQ(Call("display_set_colordepth", {R(16)}).real, 0);
  EXPECT_EQ(Call("display_set_frequency", {R(60)}).real, 1);
  EXPECT_EQ(Call("display_set_all", {R(-1), R(1080), R(-1), R(32)}).real, 1);
  EXPECT_EQ(Call("display_test_all", {R(640), R(480), R(60), R(32)}).real, 0);
  Call("display_reset");
  Call("display_mouse_set", {R(30), R(40)});
  const double x = Call("display_mouse_get_x").real, y = Call("display_mouse_get_y").real;
  EXPECT_EQ(x, 30);
  EXPECT_EQ(y, 40);
}

void ExWindow() {
  Call("window_set_caption", {RValue("A caption")});
  EXPECT_STREQ(Call("window_get_caption").Str(), "A caption");
  Call("window_set_cursor", {R(-3)});
  EXPECT_EQ(Call("window_get_cursor").real, -3);
  Call("window_set_color", {R(0x1FF8040)});
  EXPECT_EQ(Call("window_get_color").real, 0xFF8040);
  for (const char* flag : {"visible", "showborder", "showicons", "stayontop", "sizeable"}) {
    const std::string set = std::string("window_set_") + flag, get = std::string("window_get_") + flag;
    Call(set.c_str(), {R(0)});
    EXPECT_EQ(Call(get.c_str()).real, 0) << flag;
    Call(set.c_str(), {R(1)});
    EXPECT_EQ(Call(get.c_str()).real, 1) << flag;
  }
  Call("window_set_fullscreen", {R(1)});  // no full screen without a window
  EXPECT_EQ(Call("window_get_fullscreen").real, 0);
  Call("window_set_rectangle", {R(10), R(20), R(300), R(200)});
  EXPECT_EQ(Call("window_get_x").real, 10);
  EXPECT_EQ(Call("window_get_y").real, 20);
  EXPECT_EQ(Call("window_get_width").real, 300);
  EXPECT_EQ(Call("window_get_height").real, 200);
  Call("window_set_position", {R(5), R(6)});
  Call("window_set_size", {R(100), R(50)});
  EXPECT_EQ(Call("window_get_x").real, 5);
  EXPECT_EQ(Call("window_get_width").real, 100);
  Call("window_center");
  EXPECT_EQ(Call("window_get_x").real, (1920 - 100) / 2);
  EXPECT_EQ(Call("window_get_y").real, (1080 - 50) / 2);
  g_Display.gameWidth = 64;
  g_Display.gameHeight = 48;
  Call("window_default");  // no room: the game size, centred
  EXPECT_EQ(Call("window_get_width").real, 64);
  EXPECT_EQ(Call("window_get_x").real, (1920 - 64) / 2);
  Call("window_mouse_set", {R(7), R(9)});
  EXPECT_EQ(Call("window_mouse_get_x").real, 7);
  EXPECT_EQ(Call("window_mouse_get_y").real, 9);
  // Without a room the view functions pass the window position through.
  EXPECT_EQ(Call("window_view_mouse_get_x", {R(0)}).real, 7);
  EXPECT_EQ(Call("window_view_mouse_get_y", {R(0)}).real, 9);
  EXPECT_EQ(Call("window_views_mouse_get_x").real, 7);
  EXPECT_EQ(Call("window_views_mouse_get_y").real, 9);
  Call("window_view_mouse_set", {R(0), R(3), R(4)});
  EXPECT_EQ(Call("window_mouse_get_x").real, 3);
  Call("window_views_mouse_set", {R(11), R(12)});
  EXPECT_EQ(Call("window_mouse_get_y").real, 12);
}

void ExScreen() {
  Fixture f;
  // No screen exists without a device set-up: nothing is saved and nothing read.
  const std::filesystem::path file = std::filesystem::temp_directory_path() / "tessera-screen-exercise.png";
  std::filesystem::remove(file);
  Call("screen_save", {RValue(file.string().c_str())});
  Call("screen_save_part", {RValue(file.string().c_str()), R(0), R(0), R(4), R(4)});
  EXPECT_FALSE(std::filesystem::exists(file));
  EXPECT_EQ(Call("draw_getpixel", {R(1), R(1)}).real, 0);
  Call("screen_save", {RValue("")});
  EXPECT_NE(std::string(LastErrorText()).find("Trying to save screen to empty image file name."), std::string::npos);
}

void ExSurfaces() {
  Fixture f;
  const double s = Call("surface_create", {R(16), R(8)}).real;
  EXPECT_EQ(s, 0);
  EXPECT_EQ(Call("surface_create", {R(0), R(8)}).real, -1);
  EXPECT_EQ(Call("surface_exists", {R(s)}).real, 1);
  EXPECT_EQ(Call("surface_exists", {R(5)}).real, 0);
  EXPECT_EQ(Call("surface_get_width", {R(s)}).real, 16);
  EXPECT_EQ(Call("surface_get_height", {R(s)}).real, 8);
  EXPECT_EQ(Call("surface_get_height", {R(9)}).real, -1);
  const int texture = int(Call("surface_get_texture", {R(s)}).real);
  EXPECT_DOUBLE_EQ(GR_Texture_WidthFraction(texture), 1.0);

  EXPECT_EQ(Call("surface_set_target", {R(s)}).real, 1);
  EXPECT_EQ(g_Display.currentSurface, 0);
  EXPECT_TRUE(g_DrawState.cullingOff);
  EXPECT_EQ(Display_CurrentTarget(), GR_Texture_Slot(texture)->texture);
  Call("surface_reset_target");
  EXPECT_EQ(g_Display.currentSurface, -1);
  EXPECT_FALSE(g_DrawState.cullingOff);
  EXPECT_EQ(Call("surface_set_target", {R(3)}).real, 0);

  // draw_surface: the floor of x and y, moved by -0.5, the whole texture, white at the current alpha.
  g_DrawState.alpha = 1;
  Batch_Reset();
  Call("draw_surface", {R(s), R(10.7), R(5.2)});
  ASSERT_EQ(Batch_PendingCount(), 6);
  auto* v = static_cast<const VertexTextured*>(Batch_PendingVertices());
  EXPECT_FLOAT_EQ(v[0].x, 9.5f);
  EXPECT_FLOAT_EQ(v[0].y, 4.5f);
  EXPECT_FLOAT_EQ(v[2].x, 25.5f);
  EXPECT_FLOAT_EQ(v[2].y, 12.5f);
  EXPECT_FLOAT_EQ(v[2].u, 1.0f);
  EXPECT_EQ(v[0].colour, 0xFFFFFFFFu);
  // _ext turned 90 degrees: the corner at (w, 0) lands at (x, y - w).
  Batch_Reset();
  Call("draw_surface_ext", {R(s), R(100), R(100), R(1), R(1), R(90), R(0x0000FF), R(0.5)});
  EXPECT_NEAR(v[1].x, 99.5f, 1e-4);
  EXPECT_NEAR(v[1].y, 100 - 16 - 0.5f, 1e-4);
  EXPECT_EQ(v[0].colour, 0x7FFF0000u);
  Batch_Reset();
  Call("draw_surface_stretched", {R(s), R(0), R(0), R(32), R(4)});
  EXPECT_FLOAT_EQ(v[2].x, 31.5f);
  EXPECT_FLOAT_EQ(v[2].y, 3.5f);
  Batch_Reset();
  Call("draw_surface_stretched_ext", {R(s), R(0), R(0), R(0), R(4), R(0xFFFFFF), R(1)});  // width 0
  EXPECT_EQ(Batch_PendingCount(), 0);
  // Parts: the rectangle (2, 1, 4, 3) of the surface.
  Call("draw_surface_part", {R(s), R(2), R(1), R(4), R(3), R(20), R(30)});
  EXPECT_FLOAT_EQ(v[0].u, 2.0f / 16);
  EXPECT_FLOAT_EQ(v[2].u, 6.0f / 16);
  EXPECT_FLOAT_EQ(v[2].v, 4.0f / 8);
  EXPECT_FLOAT_EQ(v[2].x, 23.5f);
  Batch_Reset();
  Call("draw_surface_part_ext", {R(s), R(0), R(0), R(4), R(4), R(0), R(0), R(2), R(3), R(0xFFFFFF), R(1)});
  EXPECT_FLOAT_EQ(v[2].x, 7.5f);
  EXPECT_FLOAT_EQ(v[2].y, 11.5f);
  Batch_Reset();
  Call("draw_surface_general",
       {R(s), R(0), R(0), R(16), R(8), R(0), R(0), R(1), R(1), R(0), R(0x0000FF), R(0x00FF00), R(0xFF0000), R(0), R(1)});
  EXPECT_EQ(v[0].colour, 0xFFFF0000u);
  EXPECT_EQ(v[1].colour, 0xFF00FF00u);
  EXPECT_EQ(v[2].colour, 0xFF0000FFu);
  // Tiled over the screen (no room): 64 x 48 by 16 x 8 tiles, one column and row to the left and top.
  g_Display.gameWidth = 64;
  g_Display.gameHeight = 48;
  Batch_Reset();
  Call("draw_surface_tiled", {R(s), R(0), R(0)});
  EXPECT_EQ(Batch_PendingCount(), 6 * 5 * 7);
  Batch_Reset();
  Call("draw_surface_tiled_ext", {R(s), R(0), R(0), R(0.01), R(1), R(0xFFFFFF), R(1)});  // step 0: nothing
  EXPECT_EQ(Batch_PendingCount(), 0);

  // Read-backs of the null device are transparent black.
  EXPECT_EQ(Call("surface_getpixel", {R(s), R(1), R(1)}).real, 0);
  const std::filesystem::path file = std::filesystem::temp_directory_path() / "tessera-surface-exercise.png";
  Call("surface_save", {R(s), RValue(file.string().c_str())});
  CBitmap32 saved;
  std::string error;
  ASSERT_TRUE(Image_LoadPNGFile(file.string(), saved, error)) << error;
  EXPECT_EQ(saved.Width(), 16);
  Call("surface_save_part", {R(s), RValue(file.string().c_str()), R(12), R(4), R(10), R(10)});
  ASSERT_TRUE(Image_LoadPNGFile(file.string(), saved, error)) << error;
  EXPECT_EQ(saved.Width(), 4);  // clipped to the surface
  EXPECT_EQ(saved.Height(), 4);
  std::filesystem::remove(file);

  const double t = Call("surface_create", {R(4), R(4)}).real;
  f.device->calls.clear();
  Call("surface_copy", {R(s), R(14), R(0), R(t)});
  ASSERT_EQ(f.device->Count(RecordedCall::Upload), 1);
  EXPECT_EQ(f.device->calls.back().a, 2);  // clipped to the destination: 2 of 4 columns
  Call("surface_copy_part", {R(s), R(0), R(0), R(t), R(1), R(1), R(2), R(2)});
  EXPECT_EQ(f.device->calls.back().a, 2);
  EXPECT_EQ(f.device->calls.back().b, 2);
  SetLastErrorText("");
  Call("surface_copy", {R(s), R(0), R(0), R(42)});
  EXPECT_NE(std::string(LastErrorText()).find("Trying to use non-existing surface."), std::string::npos);

  Call("surface_free", {R(t)});
  EXPECT_EQ(Call("surface_exists", {R(t)}).real, 0);
  EXPECT_EQ(Call("surface_create", {R(2), R(2)}).real, t);  // the freed record is reused
}

const RegisterExercise kDrawSettings({"draw_set_color", "draw_get_color", "draw_set_alpha", "draw_get_alpha",
                                      "draw_set_blend_mode", "draw_set_blend_mode_ext", "draw_clear",
                                      "draw_clear_alpha"},
                                     ExDrawSettings);
const RegisterExercise kTextures({"texture_exists", "texture_get_width", "texture_get_height", "texture_preload",
                                  "texture_set_priority", "texture_set_interpolation", "texture_set_blending",
                                  "texture_set_repeat"},
                                 ExTextures);
const RegisterExercise kDisplay({"display_get_width", "display_get_height", "display_get_colordepth",
                                 "display_get_frequency", "display_get_orientation", "display_set_size",
                                 "display_set_colordepth", "display_set_frequency", "display_set_all",
                                 "display_test_all", "display_reset", "display_mouse_get_x", "display_mouse_get_y",
                                 "display_mouse_set"},
                                ExDisplay);
const RegisterExercise kWindow(
    {"window_set_caption", "window_get_caption", "window_set_cursor", "window_get_cursor", "window_set_color",
     "window_get_color", "window_set_visible", "window_get_visible", "window_set_showborder",
     "window_get_showborder", "window_set_showicons", "window_get_showicons", "window_set_stayontop",
     "window_get_stayontop", "window_set_sizeable", "window_get_sizeable", "window_set_fullscreen",
     "window_get_fullscreen", "window_set_rectangle", "window_set_position", "window_set_size", "window_center",
     "window_default", "window_get_x", "window_get_y", "window_get_width", "window_get_height",
     "window_mouse_set", "window_mouse_get_x", "window_mouse_get_y", "window_view_mouse_get_x",
     "window_view_mouse_get_y", "window_views_mouse_get_x", "window_views_mouse_get_y", "window_view_mouse_set",
     "window_views_mouse_set"},
    ExWindow);
const RegisterExercise kScreen({"screen_save", "screen_save_part", "draw_getpixel"}, ExScreen);
const RegisterExercise kSurfaces(
    {"surface_create", "surface_free", "surface_exists", "surface_get_width", "surface_get_height",
     "surface_get_texture", "surface_set_target", "surface_reset_target", "draw_surface", "draw_surface_ext",
     "draw_surface_stretched", "draw_surface_stretched_ext", "draw_surface_part", "draw_surface_part_ext",
     "draw_surface_general", "draw_surface_tiled", "draw_surface_tiled_ext", "surface_getpixel", "surface_save",
     "surface_save_part", "surface_copy", "surface_copy_part"},
    ExSurfaces);

}  // namespace
