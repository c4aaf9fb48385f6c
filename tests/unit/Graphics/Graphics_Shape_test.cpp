// Colour arithmetic, the shape builders and the primitive list, checked on the vertices they write
// (a device that keeps a copy of every draw).
#include <gtest/gtest.h>

#include <vector>

#include "Code/Code_Error.h"
#include "Function/Function_Exercise.h"
#include "Graphics/Graphics_DrawState.h"
#include "Graphics/Graphics_Primitive.h"
#include "Graphics/Graphics_Shape.h"
#include "RecordingDevice.h"
#include "Graphics/Graphics_PageEntry.h"
#include "Sprite/Sprite_Class.h"
#include "Sprite/Sprite_TextureHandle.h"

namespace {

RValue Call(const char* name, std::vector<RValue> args = {}) { return CallBuiltin(name, std::move(args)); }
RValue R(double v) { return RValue(v); }

struct Drawn {
  int type;
  int texture;  // -1 none
  std::vector<VertexTextured> v;
};

class VertexDevice : public NullDevice {
 public:
  VertexDevice() : NullDevice(640, 480) {}
  void Draw(int type, DeviceTexture* texture, int stride, const void* data, int count) override {
    EXPECT_EQ(stride, int(sizeof(VertexTextured)));
    const auto* v = static_cast<const VertexTextured*>(data);
    draws.push_back({type, texture ? 0 : -1, std::vector<VertexTextured>(v, v + count)});
  }
  std::vector<Drawn> draws;
};

// Each call's geometry is flushed and read back as the draws it made.
struct Shapes {
  VertexDevice* device;
  Shapes() {
    auto d = std::make_unique<VertexDevice>();
    device = d.get();
    Device_Install(std::move(d));
    Batch_Reset();
    RenderState_ResetCache();
    g_DrawState = DrawState{};
    Shape_SetCirclePrecision(24);
  }
  ~Shapes() {
    Batch_Reset();
    GR_Texture_FreeAll();
    Device_Install(nullptr);
    g_DrawState = DrawState{};
    Shape_SetCirclePrecision(24);
  }
  std::vector<Drawn> Take() {
    Batch_Flush();
    std::vector<Drawn> out = std::move(device->draws);
    device->draws.clear();
    return out;
  }
};

void ExpectAt(const VertexTextured& v, float x, float y, uint32_t colour = 0xFF000000u) {
  EXPECT_FLOAT_EQ(v.x, x);
  EXPECT_FLOAT_EQ(v.y, y);
  EXPECT_EQ(v.colour, colour) << std::hex << v.colour;
}

// ---- Colours ------------------------------------------------------------------------------------------

void ExColourMake() {
  EXPECT_EQ(Call("make_color_rgb", {R(300), R(0), R(0)}).real, 300);  // no clamping: spills into green
  EXPECT_EQ(Call("make_color", {R(1.9), R(2.9), R(3.9)}).real, 1 + 2 * 256 + 3 * 65536);
  // Hue bytes 0, 42.5, 85, 170 are 0, 60, 120, 240 degrees.
  EXPECT_EQ(Call("make_color_hsv", {R(0), R(255), R(255)}).real, 0x0000FF);
  EXPECT_EQ(Call("make_color_hsv", {R(42.5), R(255), R(255)}).real, 0x00FFFF);
  EXPECT_EQ(Call("make_color_hsv", {R(85), R(255), R(255)}).real, 0x00FF00);
  EXPECT_EQ(Call("make_color_hsv", {R(170), R(255), R(255)}).real, 0xFF0000);
  EXPECT_EQ(Call("make_color_hsv", {R(255), R(255), R(255)}).real, 0x0000FF);  // 360 degrees is 0
  EXPECT_EQ(Call("make_color_hsv", {R(99), R(0), R(128)}).real, 0x808080);     // no saturation: grey
  // Hue 30 degrees (21.25): f = 0.5, t = (1 - 0.5 x 1) = 0.5 -> green trunc(127.5) = 127.
  EXPECT_EQ(Call("make_color_hsv", {R(21.25), R(255), R(255)}).real, 0x007FFF);
}

void ExColourGet() {
  EXPECT_EQ(Call("color_get_red", {R(0x123456)}).real, 0x56);
  EXPECT_EQ(Call("color_get_green", {R(0x123456)}).real, 0x34);
  EXPECT_EQ(Call("color_get_blue", {R(0x123456)}).real, 0x12);
  EXPECT_EQ(Call("color_get_red", {R(-1)}).real, -1);       // remainder with the sign of the value
  EXPECT_EQ(Call("color_get_green", {R(-512)}).real, -2);   // -512 / 256 = -2
  EXPECT_EQ(Call("color_get_hue", {R(0x00FF00)}).real, 85);       // 120 x 255 / 360
  EXPECT_EQ(Call("color_get_hue", {R(0xFF0000)}).real, 170);       // 240 degrees
  EXPECT_EQ(Call("color_get_hue", {R(0xFF00FF)}).real, 212);       // -60 + 360 = 300 -> 212.5
  EXPECT_EQ(Call("color_get_hue", {R(0x808080)}).real, 0);
  EXPECT_EQ(Call("color_get_saturation", {R(0x808080)}).real, 0);
  EXPECT_EQ(Call("color_get_saturation", {R(0x6464C8)}).real, 127);  // red 200, others 100: 0.5
  EXPECT_EQ(Call("color_get_value", {R(0x6464C8)}).real, 200);
  EXPECT_EQ(Call("color_get_saturation", {R(0)}).real, 0);  // black: no division by zero
}

void ExMergeColour() {
  // red 255 and lime: each channel 127.5 rounds to 128.
  EXPECT_EQ(Call("merge_color", {R(0x0000FF), R(0x00FF00), R(0.5)}).real, 0x008080);
  EXPECT_EQ(Call("merge_color", {R(0), R(0xFFFFFF), R(0.25)}).real, 0x404040);  // 63.75
  EXPECT_EQ(Call("merge_color", {R(0x102030), R(0xFFFFFF), R(0)}).real, 0x102030);
  // Beyond 0..1 the channels stay bytes instead of spilling into their neighbours.
  EXPECT_EQ(Call("merge_color", {R(0), R(0x0000FF), R(2)}).real, 0x0000FF);
}

// ---- Shapes -------------------------------------------------------------------------------------------

void ExRectangles() {
  Shapes s;
  Call("draw_set_color", {R(0x0000FF)});
  const uint32_t red = 0xFFFF0000u;
  Call("draw_rectangle", {R(10), R(10), R(0), R(0), R(0)});  // corners are ordered; whole edges + 0.01
  auto d = s.Take();
  ASSERT_EQ(d.size(), 1u);
  EXPECT_EQ(d[0].type, kPrimTriangleList);
  ASSERT_EQ(d[0].v.size(), 6u);
  const float e = 10.01f;
  ExpectAt(d[0].v[0], 0, 0, red);
  ExpectAt(d[0].v[1], e, 0, red);
  ExpectAt(d[0].v[2], e, e, red);
  ExpectAt(d[0].v[3], e, e, red);
  ExpectAt(d[0].v[4], 0, e, red);
  ExpectAt(d[0].v[5], 0, 0, red);
  Call("draw_rectangle", {R(0), R(0), R(10.5), R(3.25), R(1)});  // outline: strip and corner points
  d = s.Take();
  ASSERT_EQ(d.size(), 2u);
  EXPECT_EQ(d[0].type, kPrimLineStrip);
  ASSERT_EQ(d[0].v.size(), 5u);
  ExpectAt(d[0].v[2], 10.5f, 3.25f, red);
  ExpectAt(d[0].v[4], 0, 0, red);
  EXPECT_EQ(d[1].type, kPrimPointList);
  ASSERT_EQ(d[1].v.size(), 4u);
  ExpectAt(d[1].v[3], 0, 3.25f, red);
  // Corner colours: c1 (x1, y1), c2 (x2, y1), c3 (x2, y2), c4 (x1, y2), the current alpha.
  Call("draw_set_alpha", {R(0.5)});
  Call("draw_rectangle_color", {R(0), R(0), R(4.5), R(4.5), R(1), R(2), R(3), R(4), R(0)});
  d = s.Take();
  ASSERT_EQ(d[0].v.size(), 6u);
  EXPECT_EQ(d[0].v[0].colour, 0x7F010000u);
  EXPECT_EQ(d[0].v[1].colour, 0x7F020000u);
  EXPECT_EQ(d[0].v[2].colour, 0x7F030000u);
  EXPECT_EQ(d[0].v[4].colour, 0x7F040000u);
}

void ExLinesAndPoints() {
  Shapes s;
  Call("draw_point", {R(3), R(4)});
  Call("draw_point_color", {R(5), R(6), R(0xFF)});
  auto d = s.Take();
  ASSERT_EQ(d.size(), 1u);  // one point list
  ASSERT_EQ(d[0].v.size(), 2u);
  ExpectAt(d[0].v[0], 3, 4);
  ExpectAt(d[0].v[1], 5, 6, 0xFFFF0000u);
  Call("draw_line", {R(1), R(2), R(3), R(4)});
  Call("draw_line_color", {R(0), R(0), R(1), R(1), R(0xFF), R(0xFF00)});
  d = s.Take();
  ASSERT_EQ(d.size(), 1u);
  EXPECT_EQ(d[0].type, kPrimLineList);
  ASSERT_EQ(d[0].v.size(), 4u);
  ExpectAt(d[0].v[1], 3, 4);
  EXPECT_EQ(d[0].v[2].colour, 0xFFFF0000u);
  EXPECT_EQ(d[0].v[3].colour, 0xFF00FF00u);
  // A horizontal line 2 wide: half-width 1 straight up and down.
  Call("draw_line_width", {R(0), R(5), R(10), R(5), R(2)});
  Call("draw_line_width_color", {R(0), R(0), R(0), R(10), R(4), R(0xFF), R(0xFF00)});
  Call("draw_line_width", {R(7), R(7), R(7), R(7), R(2)});  // no length: nothing
  d = s.Take();
  ASSERT_EQ(d.size(), 2u);
  EXPECT_EQ(d[0].type, kPrimTriangleFan);
  ExpectAt(d[0].v[0], 0, 6);
  ExpectAt(d[0].v[1], 10, 6);
  ExpectAt(d[0].v[2], 10, 4);
  ExpectAt(d[0].v[3], 0, 4);
  // Vertical, 4 wide: hx = 2 x 10 / 10 = 2.
  ExpectAt(d[1].v[0], -2, 0, 0xFFFF0000u);
  ExpectAt(d[1].v[1], -2, 10, 0xFF00FF00u);
  ExpectAt(d[1].v[2], 2, 10, 0xFF00FF00u);
  ExpectAt(d[1].v[3], 2, 0, 0xFFFF0000u);
}

void ExCirclesAndPrecision() {
  Shapes s;
  auto countOf = [&](const char* f, std::vector<RValue> args) {
    Call(f, std::move(args));
    auto d = s.Take();
    return d.empty() ? 0 : int(d[0].v.size());
  };
  EXPECT_EQ(countOf("draw_circle", {R(10), R(10), R(5), R(0)}), 24 * 3);
  Call("draw_set_circle_precision", {R(30)});
  EXPECT_EQ(Shape_CirclePrecision(), 28);
  EXPECT_EQ(countOf("draw_circle", {R(10), R(10), R(5), R(0)}), 28 * 3);
  EXPECT_EQ(countOf("draw_circle", {R(10), R(10), R(5), R(1)}), 29);
  Call("draw_set_circle_precision", {R(2)});
  EXPECT_EQ(Shape_CirclePrecision(), 4);
  Call("draw_set_circle_precision", {R(100)});
  EXPECT_EQ(Shape_CirclePrecision(), 64);
  Call("draw_set_circle_precision", {R(4)});
  // A circle of precision 4: the rim points right, down, left, up of the centre.
  Call("draw_circle_color", {R(10), R(20), R(5), R(0xFF), R(0xFF00), R(0)});
  auto d = s.Take();
  ASSERT_EQ(d[0].v.size(), 12u);
  ExpectAt(d[0].v[0], 10, 20, 0xFFFF0000u);
  ExpectAt(d[0].v[1], 15, 20, 0xFF00FF00u);
  EXPECT_NEAR(d[0].v[2].x, 10, 1e-5);
  EXPECT_NEAR(d[0].v[2].y, 25, 1e-5);
  // An ellipse in its box: radii 4 and 2.
  Call("draw_ellipse", {R(0), R(0), R(8), R(4), R(1)});
  Call("draw_ellipse_color", {R(0), R(0), R(8), R(4), R(0xFF), R(0xFF00), R(1)});
  d = s.Take();
  ASSERT_EQ(d.size(), 2u);
  ASSERT_EQ(d[0].v.size(), 5u);
  ExpectAt(d[0].v[0], 8, 2);
  EXPECT_NEAR(d[0].v[1].y, 4, 1e-5);
  EXPECT_EQ(d[1].v[4].colour, 0xFF00FF00u);
  // Rounded rectangles: precision + 6 vertices.
  Call("draw_roundrect", {R(0), R(0), R(40), R(20), R(0)});
  Call("draw_roundrect_color", {R(0), R(0), R(40), R(20), R(0xFF), R(0xFF00), R(1)});
  d = s.Take();
  ASSERT_EQ(d.size(), 2u);
  EXPECT_EQ(d[0].type, kPrimTriangleFan);
  ASSERT_EQ(d[0].v.size(), 10u);
  ExpectAt(d[0].v[0], 40.01f / 2, 20.01f / 2);  // the centre
  // The first rim vertex: the bottom-right corner's arc at 0 degrees (corner radii 5).
  ExpectAt(d[0].v[1], 40.01f, 20.01f - 5);
  ExpectAt(d[0].v[9], 40.01f, 20.01f - 5);
  EXPECT_EQ(d[1].type, kPrimLineStrip);
  ExpectAt(d[1].v[0], 40.01f, 20.01f - 5, 0xFF00FF00u);
}

void ExTrianglesArrowsButtons() {
  Shapes s;
  Call("draw_triangle", {R(0), R(0), R(4), R(0), R(0), R(4), R(0)});
  Call("draw_triangle_color", {R(0), R(0), R(4), R(0), R(0), R(4), R(1), R(2), R(3), R(1)});
  auto d = s.Take();
  ASSERT_EQ(d.size(), 2u);
  EXPECT_EQ(d[0].v.size(), 3u);
  ASSERT_EQ(d[1].v.size(), 4u);  // outline closes on the first corner
  ExpectAt(d[1].v[3], 0, 0, 0xFF010000u);
  ExpectAt(d[1].v[2], 0, 4, 0xFF030000u);
  // Arrow along x: size 4 -> tip (10, 0), base (6, +-4/3).
  Call("draw_arrow", {R(0), R(0), R(10), R(0), R(4)});
  d = s.Take();
  ASSERT_EQ(d.size(), 2u);
  EXPECT_EQ(d[0].type, kPrimLineList);
  ASSERT_EQ(d[1].v.size(), 3u);
  ExpectAt(d[1].v[0], 10, 0);
  ExpectAt(d[1].v[1], 6, 4.0f / 3);
  ExpectAt(d[1].v[2], 6, -4.0f / 3);
  Call("draw_arrow", {R(0), R(0), R(10), R(0), R(50)});  // size limited to the length
  d = s.Take();
  ExpectAt(d[1].v[1], 0, 10.0f / 3);
  Call("draw_arrow", {R(3), R(3), R(3), R(3), R(5)});
  EXPECT_TRUE(s.Take().empty());
  // Button up: white top-left, grey bottom-right, face in the current colour inset by 2.
  Call("draw_set_color", {R(0xFF)});
  Call("draw_button", {R(0), R(0), R(20), R(10), R(1)});
  d = s.Take();
  ASSERT_EQ(d.size(), 1u);
  ASSERT_EQ(d[0].v.size(), 12u);
  EXPECT_EQ(d[0].v[0].colour, 0xFFFFFFFFu);
  EXPECT_EQ(d[0].v[3].colour, 0xFF808080u);
  ExpectAt(d[0].v[6], 2, 2, 0xFFFF0000u);
  ExpectAt(d[0].v[8], 18.01f, 8.01f, 0xFFFF0000u);
  Call("draw_button", {R(0), R(0), R(20), R(10), R(0)});
  d = s.Take();
  EXPECT_EQ(d[0].v[0].colour, 0xFF808080u);
  EXPECT_EQ(d[0].v[3].colour, 0xFFFFFFFFu);
}

void ExHealthBar() {
  Shapes s;
  // 75 between red and lime: mid (128, 128, 0); halfway from mid to lime is (64, 191.5 -> 192, 0).
  Call("draw_healthbar", {R(0), R(0), R(100), R(10), R(75), R(0x808080), R(0x0000FF), R(0x00FF00), R(0), R(1), R(1)});
  auto d = s.Take();
  // Back, its outline (strip + corner points), the bar, its outline (strip + corner points).
  ASSERT_EQ(d.size(), 6u);
  EXPECT_EQ(d[0].v[0].colour, 0xFF808080u);
  EXPECT_EQ(d[1].v[0].colour, 0xFF000000u);
  ExpectAt(d[2].v[1], 100.01f, 0, 0xFF000000u);
  ExpectAt(d[3].v[0], 0, 0, 0xFF40C000u);
  ExpectAt(d[3].v[1], 75.01f, 0, 0xFF40C000u);
  ExpectAt(d[4].v[1], 75.01f, 0, 0xFF000000u);
  EXPECT_EQ(Shape_HealthBarColour(25, 0x0000FF, 0x00FF00), 0x0040C0);
  // Direction 3: the top edge rises from the bottom; amount above 100 is 100; no back, no border.
  Call("draw_healthbar", {R(0), R(0), R(10), R(40), R(150), R(0), R(0x0000FF), R(0x00FF00), R(3), R(0), R(0)});
  d = s.Take();
  ASSERT_EQ(d.size(), 1u);
  ExpectAt(d[0].v[0], 0, 0, 0xFF00FF00u);
  Call("draw_healthbar", {R(0), R(0), R(10), R(40), R(25), R(0), R(0x0000FF), R(0x00FF00), R(3), R(0), R(0)});
  d = s.Take();
  ExpectAt(d[0].v[0], 0, 30, 0xFFC04000u);
}

// ---- Primitives ---------------------------------------------------------------------------------------

void ExPrimitives() {
  Shapes s;
  Call("draw_set_color", {R(0xFF)});
  Call("draw_primitive_begin", {R(kPrimLineStrip)});
  Call("draw_vertex", {R(1), R(2)});
  Call("draw_vertex_color", {R(3), R(4), R(0xFF00), R(0.5)});
  Call("draw_primitive_end");
  auto d = s.Take();
  ASSERT_EQ(d.size(), 1u);
  EXPECT_EQ(d[0].type, kPrimLineStrip);
  EXPECT_EQ(d[0].texture, -1);
  ExpectAt(d[0].v[0], 1, 2, 0xFFFF0000u);
  ExpectAt(d[0].v[1], 3, 4, 0x7F00FF00u);
  // The 1002nd vertex is dropped.
  Call("draw_primitive_begin", {R(kPrimPointList)});
  for (int i = 0; i < 1002; ++i) Call("draw_vertex", {R(i), R(0)});
  EXPECT_EQ(Primitive_Count(), kPrimitiveMaxVertices);
  Call("draw_primitive_end");
  d = s.Take();
  ASSERT_EQ(d.size(), 1u);
  ASSERT_EQ(d[0].v.size(), 1001u);
  EXPECT_EQ(d[0].v[1000].x, 1000);
  // A kind outside 1..6 draws nothing.
  Call("draw_primitive_begin", {R(7)});
  Call("draw_vertex", {R(0), R(0)});
  Call("draw_primitive_end");
  EXPECT_TRUE(s.Take().empty());
  // With a texture id the coordinates pass unchanged; a texture that does not exist draws untextured.
  const int tex = GR_Texture_CreateEmpty(64, 64, false);
  Call("draw_primitive_begin_texture", {R(kPrimTriangleList), R(tex)});
  Call("draw_vertex_texture", {R(0), R(0), R(0.25), R(0.5)});
  Call("draw_vertex_texture_color", {R(1), R(0), R(1), R(0), R(0xFF0000), R(2)});
  Call("draw_vertex_texture", {R(0), R(1), R(0), R(1)});
  Call("draw_primitive_end");
  d = s.Take();
  ASSERT_EQ(d.size(), 1u);
  EXPECT_EQ(d[0].texture, 0);
  EXPECT_FLOAT_EQ(d[0].v[0].u, 0.25f);
  EXPECT_FLOAT_EQ(d[0].v[0].v, 0.5f);
  EXPECT_EQ(d[0].v[1].colour, 0xFF0000FFu);  // alpha 2 is limited to 1
  Call("draw_primitive_begin_texture", {R(kPrimTriangleList), R(tex + 7)});
  for (int i = 0; i < 3; ++i) Call("draw_vertex_texture", {R(i), R(0), R(0.25), R(0.5)});
  Call("draw_primitive_end");
  d = s.Take();
  ASSERT_EQ(d.size(), 1u);
  EXPECT_EQ(d[0].texture, -1);
  // A sprite frame's handle: 0..1 covers the frame's rectangle on its page,
  // u' = (u x target width + source x) / slot width.
  const int page = GR_Texture_CreateEmpty(256, 64, false);
  TexturePageEntry entry;
  entry.sourceX = 32, entry.sourceY = 16, entry.targetWidth = 64, entry.targetHeight = 32;
  entry.texture = int16_t(page);
  auto* sprite = new CSprite();
  sprite->width = 64, sprite->height = 32, sprite->frameCount = 1;
  sprite->entries.push_back(&entry);
  const int32_t index = Sprite_Add(sprite, "spr_page");
  Call("draw_primitive_begin_texture", {R(kPrimTriangleStrip), R(Sprite_TextureHandle(index, 0))});
  Call("draw_vertex_texture", {R(0), R(0), R(0), R(0)});
  Call("draw_vertex_texture", {R(1), R(0), R(1), R(0)});
  Call("draw_vertex_texture", {R(0), R(1), R(0.5), R(1)});
  Call("draw_primitive_end");
  d = s.Take();
  Sprite_FreeAll();
  ASSERT_EQ(d.size(), 1u);
  EXPECT_EQ(d[0].texture, 0);
  EXPECT_FLOAT_EQ(d[0].v[0].u, 32.0f / 256);
  EXPECT_FLOAT_EQ(d[0].v[0].v, 16.0f / 64);
  EXPECT_FLOAT_EQ(d[0].v[1].u, 96.0f / 256);
  EXPECT_FLOAT_EQ(d[0].v[2].u, 64.0f / 256);
  EXPECT_FLOAT_EQ(d[0].v[2].v, 48.0f / 64);
}

const RegisterExercise kColourMake({"make_color", "make_color_rgb", "make_color_hsv"}, ExColourMake);
const RegisterExercise kColourGet({"color_get_red", "color_get_green", "color_get_blue", "color_get_hue",
                                   "color_get_saturation", "color_get_value"},
                                  ExColourGet);
const RegisterExercise kMerge({"merge_color"}, ExMergeColour);
const RegisterExercise kRect({"draw_rectangle", "draw_rectangle_color"}, ExRectangles);
const RegisterExercise kLines({"draw_point", "draw_point_color", "draw_line", "draw_line_color", "draw_line_width",
                               "draw_line_width_color"},
                              ExLinesAndPoints);
const RegisterExercise kCircles({"draw_circle", "draw_circle_color", "draw_ellipse", "draw_ellipse_color",
                                 "draw_set_circle_precision", "draw_roundrect", "draw_roundrect_color"},
                                ExCirclesAndPrecision);
const RegisterExercise kTriangles({"draw_triangle", "draw_triangle_color", "draw_arrow", "draw_button"},
                                  ExTrianglesArrowsButtons);
const RegisterExercise kHealth({"draw_healthbar"}, ExHealthBar);
const RegisterExercise kPrimitives({"draw_primitive_begin", "draw_primitive_begin_texture", "draw_vertex",
                                    "draw_vertex_color", "draw_vertex_texture", "draw_vertex_texture_color",
                                    "draw_primitive_end"},
                                   ExPrimitives);

}  // namespace
