// 3-D mode through its functions: the world transform and its stack, the cameras, the lights the
// device receives, the solids' vertices and the model store with its text files.
#include <cmath>
#include <string>
#include <vector>

#include "../Function/Function_FileTestFolder.h"
#include "Graphics/Graphics_3D.h"
#include "Graphics/Graphics_Batch.h"
#include "Graphics/Graphics_Display.h"
#include "Graphics/Graphics_DrawState.h"
#include "Graphics/Graphics_Model.h"
#include "Graphics/Graphics_RenderState.h"
#include "Graphics_API/Graphics_DeviceNull.h"

namespace {

using testcall::R;
using testcall::S;

// Records the lights and the vertices of every draw.
class LightDevice : public NullDevice {
 public:
  LightDevice() : NullDevice(640, 480) {}
  void SetLight(int index, const DeviceLight& light) override { lights[index] = light; }
  void SetAmbient(uint32_t argb) override { ambient = argb; }
  void SetRenderState(DeviceState state, uint32_t value) override { states[state] = value; }
  void Draw(int type, DeviceTexture*, int stride, const void* data, int count) override {
    types.push_back(type);
    if (stride != sizeof(VertexNormal)) return;
    const auto* v = static_cast<const VertexNormal*>(data);
    vertices.insert(vertices.end(), v, v + count);
  }
  DeviceLight lights[kDeviceLightCount];
  uint32_t ambient = 0;
  uint32_t states[kDS_Count] = {};
  std::vector<int> types;
  std::vector<VertexNormal> vertices;
};

struct D3DScope : FileFolderTest {
  LightDevice* device = nullptr;
  void SetUp() {
    FileFolderTest::SetUp();
    auto d = std::make_unique<LightDevice>();
    device = d.get();
    Device_Install(std::move(d));
    Batch_Reset();
    RenderState_ResetCache();
    g_DrawState = DrawState();
    g_DrawSettings = DrawSettings();
    D3D_Reset();
    Model_DestroyAll();
  }
  void TearDown() {
    D3D_Reset();
    Model_DestroyAll();
    Batch_Reset();
    Device_Install(nullptr);
    g_DrawState = DrawState();
    FileFolderTest::TearDown();
  }
  static double F(const char* name, std::initializer_list<RValue> args = {}) { return testcall::Real(name, args); }
  static Vec3 World(Vec3 p) { return Matrix_TransformPoint(Display_World(), p); }
  // The camera's picture of a point: clip x, y (and depth) after the view and the projection.
  static Vec3 Seen(Vec3 p) {
    const DisplayCamera c = Display_Camera();
    return Matrix_TransformPoint(Matrix_Multiply(c.view, c.projection), p);
  }
};

void ExpectPoint(Vec3 got, float x, float y, float z) {
  EXPECT_NEAR(got.x, x, 1e-4);
  EXPECT_NEAR(got.y, y, 1e-4);
  EXPECT_NEAR(got.z, z, 1e-4);
}

LIBRARY_CASE(D3DScope, WorldTransforms, "d3d_transform_set_identity", "d3d_transform_set_translation",
             "d3d_transform_set_scaling", "d3d_transform_set_rotation_x", "d3d_transform_set_rotation_y",
             "d3d_transform_set_rotation_z", "d3d_transform_set_rotation_axis", "d3d_transform_add_translation",
             "d3d_transform_add_scaling", "d3d_transform_add_rotation_x", "d3d_transform_add_rotation_y",
             "d3d_transform_add_rotation_z", "d3d_transform_add_rotation_axis") {
  F("d3d_transform_set_translation", {R(1), R(2), R(3)});
  ExpectPoint(World({1, 1, 1}), 2, 3, 4);
  // Row vectors: scale first, then the added translation.
  F("d3d_transform_set_scaling", {R(2), R(3), R(4)});
  F("d3d_transform_add_translation", {R(10), R(0), R(0)});
  ExpectPoint(World({1, 1, 1}), 12, 3, 4);
  F("d3d_transform_add_scaling", {R(0.5), R(1), R(1)});
  ExpectPoint(World({1, 1, 1}), 6, 3, 4);
  // m11 = c, m12 = -s, m21 = s, m22 = c about z: (1, 0, 0) goes to (c, -s, 0); 90 degrees: (0, -1, 0).
  F("d3d_transform_set_rotation_z", {R(90)});
  ExpectPoint(World({1, 0, 0}), 0, -1, 0);
  ExpectPoint(World({0, 1, 0}), 1, 0, 0);
  F("d3d_transform_set_rotation_x", {R(90)});  // (0, 1, 0) to (0, c, -s)
  ExpectPoint(World({0, 1, 0}), 0, 0, -1);
  F("d3d_transform_set_rotation_y", {R(90)});  // (1, 0, 0) to (c, 0, s)
  ExpectPoint(World({1, 0, 0}), 0, 0, 1);
  // The axis form turns by -angle about the axis: about (0, 0, 5) it equals the z rotation.
  F("d3d_transform_set_rotation_axis", {R(0), R(0), R(5), R(90)});
  ExpectPoint(World({1, 0, 0}), 0, -1, 0);
  F("d3d_transform_set_rotation_axis", {R(3), R(0), R(0), R(90)});
  ExpectPoint(World({0, 1, 0}), 0, 0, -1);
  F("d3d_transform_set_identity");
  F("d3d_transform_add_rotation_z", {R(90)});
  F("d3d_transform_add_rotation_z", {R(90)});
  ExpectPoint(World({1, 0, 0}), -1, 0, 0);
  F("d3d_transform_add_rotation_x", {R(180)});
  F("d3d_transform_add_rotation_y", {R(0)});
  F("d3d_transform_add_rotation_axis", {R(0), R(1), R(0), R(0)});
  ExpectPoint(World({1, 0, 0}), -1, 0, 0);
  ExpectPoint(World({0, 1, 0}), 0, 1, 0);  // z then x by 180: (0, 1, 0) -> (0, -1, 0) -> (0, 1, 0)
}

LIBRARY_CASE(D3DScope, TransformStack, "d3d_transform_stack_clear", "d3d_transform_stack_empty",
             "d3d_transform_stack_push", "d3d_transform_stack_pop", "d3d_transform_stack_top",
             "d3d_transform_stack_discard") {
  EXPECT_EQ(F("d3d_transform_stack_empty"), 1);
  F("d3d_transform_set_translation", {R(5), R(0), R(0)});
  // On an empty stack top, pop and discard fail and leave the world alone.
  EXPECT_EQ(F("d3d_transform_stack_top"), 0);
  EXPECT_EQ(F("d3d_transform_stack_pop"), 0);
  EXPECT_EQ(F("d3d_transform_stack_discard"), 0);
  ExpectPoint(World({0, 0, 0}), 5, 0, 0);
  for (int i = 0; i < 51; ++i) EXPECT_EQ(F("d3d_transform_stack_push"), 1) << i;
  EXPECT_EQ(F("d3d_transform_stack_push"), 0);  // the 52nd
  EXPECT_EQ(F("d3d_transform_stack_empty"), 0);
  F("d3d_transform_stack_clear");
  EXPECT_EQ(F("d3d_transform_stack_empty"), 1);
  F("d3d_transform_stack_push");                      // (5, 0, 0)
  F("d3d_transform_set_translation", {R(0), R(7), R(0)});
  F("d3d_transform_stack_push");                      // (0, 7, 0)
  F("d3d_transform_set_identity");
  EXPECT_EQ(F("d3d_transform_stack_top"), 1);
  ExpectPoint(World({0, 0, 0}), 0, 7, 0);
  EXPECT_EQ(F("d3d_transform_stack_discard"), 1);
  EXPECT_EQ(F("d3d_transform_stack_pop"), 1);
  ExpectPoint(World({0, 0, 0}), 5, 0, 0);
  EXPECT_EQ(F("d3d_transform_stack_empty"), 1);
}

LIBRARY_CASE(D3DScope, ModeAndCameras, "d3d_start", "d3d_end", "d3d_set_perspective", "d3d_set_hidden",
             "d3d_set_depth", "d3d_set_projection", "d3d_set_projection_ext", "d3d_set_projection_ortho",
             "d3d_set_projection_perspective", "d3d_set_culling", "d3d_set_shading", "d3d_set_lighting",
             "d3d_set_fog") {
  F("d3d_set_depth", {R(50)});
  EXPECT_EQ(g_DrawState.depth, 0);  // only in 3-D mode
  F("d3d_set_hidden", {R(1)});
  EXPECT_EQ(device->states[kDS_ZEnable], 0u);
  F("d3d_start");
  EXPECT_TRUE(g_DrawState.mode3d);
  EXPECT_TRUE(g_DrawState.perspective);
  EXPECT_EQ(device->states[kDS_ZEnable], 1u);
  EXPECT_EQ(device->states[kDS_AlphaFunc], 5u);  // greater than 0: transparent pixels keep the depth
  F("d3d_set_depth", {R(20000)});
  EXPECT_EQ(g_DrawState.depth, 16000);
  F("d3d_set_depth", {R(-123)});
  EXPECT_EQ(g_DrawState.depth, -123);
  // A room view in 3-D mode with perspective: the plane z = 0 fills the view.
  Display_SetCamera(0, 0, 640, 480, 0);
  ExpectPoint(Seen({640, 480, 0}), 1, -1, Seen({640, 480, 0}).z);
  ExpectPoint(Seen({320, 240, 0}), 0, 0, Seen({320, 240, 0}).z);
  F("d3d_set_perspective", {R(0)});
  Display_SetCamera(0, 0, 640, 480, 0);
  ExpectPoint(Seen({640, 480, 5000}), 1, -1, Seen({640, 480, 5000}).z);  // orthographic: depth does not shrink
  F("d3d_end");
  EXPECT_FALSE(g_DrawState.mode3d);
  EXPECT_EQ(g_DrawState.depth, 0);
  EXPECT_EQ(device->states[kDS_ZEnable], 0u);

  // The orthographic camera over (0, 0, 100, 50): y down, depth 0 at z = -16000 + 1.
  F("d3d_set_projection_ortho", {R(0), R(0), R(100), R(50), R(0)});
  EXPECT_TRUE(g_DrawState.cullingOff);
  ExpectPoint(Seen({100, 0, 0}), 1, 1, Seen({100, 0, 0}).z);
  ExpectPoint(Seen({0, 50, 0}), -1, -1, Seen({0, 50, 0}).z);
  F("d3d_set_projection_perspective", {R(0), R(0), R(100), R(50), R(0)});
  EXPECT_FALSE(g_DrawState.cullingOff);
  ExpectPoint(Seen({100, 0, 0}), 1, 1, Seen({100, 0, 0}).z);
  // Look-at with a 90 degree field of view: x / z and y / z on the picture; depth 0 at the near
  // plane, 1 at the far one.
  F("d3d_set_projection_ext", {R(0), R(0), R(0), R(0), R(0), R(1), R(0), R(1), R(0), R(90), R(1), R(1), R(100)});
  ExpectPoint(Seen({5, 2.5f, 10}), 0.5f, 0.25f, (1 - 1 / 10.0f) * 100 / 99);
  EXPECT_NEAR(Seen({0, 0, 1}).z, 0, 1e-5);
  EXPECT_NEAR(Seen({0, 0, 100}).z, 1, 1e-5);
  // The look-at form keeps that projection: from the other side, looking back.
  F("d3d_set_projection", {R(0), R(0), R(20), R(0), R(0), R(0), R(0), R(1), R(0)});
  ExpectPoint(Seen({5, 2.5f, 10}), -0.5f, 0.25f, (1 - 1 / 10.0f) * 100 / 99);

  F("d3d_set_culling", {R(1)});
  EXPECT_EQ(device->states[kDS_CullMode], 3u);  // counter-clockwise
  F("d3d_set_culling", {R(0)});
  EXPECT_EQ(device->states[kDS_CullMode], 1u);
  F("d3d_set_shading", {R(0)});
  EXPECT_EQ(device->states[kDS_ShadeMode], 1u);  // flat
  F("d3d_set_shading", {R(1)});
  EXPECT_EQ(device->states[kDS_ShadeMode], 2u);
  F("d3d_set_lighting", {R(1)});
  EXPECT_EQ(device->states[kDS_Lighting], 1u);
  F("d3d_set_fog", {R(1), R(0x0000FF), R(10), R(20)});
  EXPECT_EQ(device->states[kDS_FogEnable], 1u);
  EXPECT_EQ(device->states[kDS_FogColour], 0xFFFF0000u);
}

LIBRARY_CASE(D3DScope, Lights, "d3d_light_define_ambient", "d3d_light_define_direction", "d3d_light_define_point",
             "d3d_light_enable") {
  F("d3d_light_define_ambient", {R(0x204080)});  // script colour: red 0x80, green 0x40, blue 0x20
  EXPECT_EQ(device->ambient, 0xFF804020u);
  F("d3d_light_define_direction", {R(10), R(0), R(0), R(-2), R(0x0000FF)});  // slot 10 mod 8 = 2
  const DeviceLight& d = device->lights[2];
  EXPECT_FALSE(d.point);
  EXPECT_FLOAT_EQ(d.z, -1);
  EXPECT_FLOAT_EQ(d.r, 1);
  EXPECT_FLOAT_EQ(d.b, 0);
  EXPECT_FALSE(d.enabled);
  F("d3d_light_enable", {R(9), R(1)});  // slot 1
  EXPECT_TRUE(device->lights[1].enabled);
  F("d3d_light_define_point", {R(1), R(5), R(6), R(7), R(100), R(0xFFFFFF)});
  const DeviceLight& p = device->lights[1];
  EXPECT_TRUE(p.point);
  EXPECT_TRUE(p.enabled);  // defining keeps the switch
  EXPECT_EQ(p.x, 5);
  EXPECT_EQ(p.range, 100);
  EXPECT_FLOAT_EQ(p.g, 1);
  F("d3d_light_enable", {R(-7), R(1)});  // -7 mod 8 = 1
  F("d3d_light_enable", {R(1), R(0)});
  EXPECT_FALSE(device->lights[1].enabled);
}

// The triangles of the drawn vertices wind clockwise seen from their normal's side: (b - a) x (c - a)
// points along the normal.
void ExpectOutwardWinding(const std::vector<VertexNormal>& v) {
  for (size_t i = 0; i + 2 < v.size(); i += 3) {
    const float ax = v[i + 1].x - v[i].x, ay = v[i + 1].y - v[i].y, az = v[i + 1].z - v[i].z;
    const float bx = v[i + 2].x - v[i].x, by = v[i + 2].y - v[i].y, bz = v[i + 2].z - v[i].z;
    const float cx = ay * bz - az * by, cy = az * bx - ax * bz, cz = ax * by - ay * bx;
    const float nx = v[i].nx + v[i + 1].nx + v[i + 2].nx, ny = v[i].ny + v[i + 1].ny + v[i + 2].ny,
                nz = v[i].nz + v[i + 1].nz + v[i + 2].nz;
    EXPECT_GE(cx * nx + cy * ny + cz * nz, 0) << "triangle " << i / 3;
  }
}

LIBRARY_CASE(D3DScope, Solids, "d3d_draw_block", "d3d_draw_cylinder", "d3d_draw_cone", "d3d_draw_ellipsoid",
             "d3d_draw_wall", "d3d_draw_floor") {
  g_DrawState.colour = 0x00FF00;
  g_DrawState.alpha = 0.5;
  F("d3d_draw_block", {R(0), R(0), R(0), R(10), R(20), R(30), R(-1), R(2), R(3)});
  ASSERT_EQ(device->vertices.size(), 36u);
  EXPECT_EQ(device->types.back(), kPrimTriangleList);
  // Faces z1, z2, y2, x2, y1, x1 in that order, six vertices each.
  const float normals[6][3] = {{0, 0, -1}, {0, 0, 1}, {0, 1, 0}, {1, 0, 0}, {0, -1, 0}, {-1, 0, 0}};
  for (int f = 0; f < 6; ++f) {
    const VertexNormal& v = device->vertices[size_t(f * 6)];
    EXPECT_EQ(v.nx, normals[f][0]);
    EXPECT_EQ(v.ny, normals[f][1]);
    EXPECT_EQ(v.nz, normals[f][2]);
  }
  // Texture corners (0, 0), (0, v), (h, v), (h, v), (h, 0), (0, 0) with h 2 and v 3 on the first face.
  const float uv[6][2] = {{0, 0}, {0, 3}, {2, 3}, {2, 3}, {2, 0}, {0, 0}};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(device->vertices[size_t(i)].u, uv[i][0]);
    EXPECT_EQ(device->vertices[size_t(i)].v, uv[i][1]);
    EXPECT_EQ(device->vertices[size_t(i)].z, 0);
    EXPECT_EQ(device->vertices[size_t(i)].colour, 0x7F00FF00u);
  }
  ExpectOutwardWinding(device->vertices);

  // Steps are clamped to 3..128: a closed cylinder of 3 steps has 3 x 2 side and 2 x 3 cap triangles.
  device->vertices.clear();
  F("d3d_draw_cylinder", {R(0), R(0), R(0), R(10), R(10), R(10), R(-1), R(1), R(1), R(1), R(1)});
  EXPECT_EQ(device->vertices.size(), 36u);
  ExpectOutwardWinding(device->vertices);
  device->vertices.clear();
  F("d3d_draw_cylinder", {R(0), R(0), R(0), R(10), R(10), R(10), R(-1), R(1), R(1), R(0), R(1000)});
  EXPECT_EQ(device->vertices.size(), 128u * 6);
  float maxU = 0;
  for (const VertexNormal& v : device->vertices) maxU = std::max(maxU, v.u);
  EXPECT_FLOAT_EQ(maxU, 1);
  device->vertices.clear();
  F("d3d_draw_cone", {R(0), R(0), R(0), R(10), R(10), R(10), R(-1), R(1), R(1), R(1), R(4)});
  EXPECT_EQ(device->vertices.size(), (4u + 4u) * 3);  // sides and the bottom cap
  ExpectOutwardWinding(device->vertices);
  device->vertices.clear();
  F("d3d_draw_ellipsoid", {R(-5), R(-5), R(-5), R(5), R(5), R(5), R(-1), R(1), R(1), R(8)});
  EXPECT_EQ(device->vertices.size(), 8u * 4 * 6);
  for (const VertexNormal& v : device->vertices) {
    EXPECT_NEAR(v.x * v.x + v.y * v.y + v.z * v.z, 25, 1e-3);  // on the sphere of radius 5
  }
  ExpectOutwardWinding(device->vertices);
  // A wall without horizontal extent draws nothing; a wall and a floor are one quad each.
  device->vertices.clear();
  F("d3d_draw_wall", {R(5), R(5), R(0), R(5), R(5), R(10), R(-1), R(1), R(1)});
  EXPECT_TRUE(device->vertices.empty());
  F("d3d_draw_wall", {R(0), R(0), R(0), R(10), R(0), R(10), R(-1), R(1), R(1)});
  EXPECT_EQ(device->vertices.size(), 6u);
  EXPECT_EQ(std::fabs(device->vertices[0].ny), 1);
  F("d3d_draw_floor", {R(0), R(0), R(3), R(10), R(10), R(3), R(-1), R(4), R(4)});
  EXPECT_EQ(device->vertices.size(), 12u);
  EXPECT_EQ(device->vertices[6].nz, 1);
  EXPECT_EQ(device->vertices[6].z, 3);
}

LIBRARY_CASE(D3DScope, PrimitiveList, "d3d_primitive_begin", "d3d_primitive_begin_texture", "d3d_primitive_end",
             "d3d_vertex", "d3d_vertex_color", "d3d_vertex_texture", "d3d_vertex_texture_color", "d3d_vertex_normal",
             "d3d_vertex_normal_color", "d3d_vertex_normal_texture", "d3d_vertex_normal_texture_color") {
  g_DrawState.colour = 0x0000FF;
  F("d3d_primitive_begin", {R(4)});
  F("d3d_vertex", {R(1), R(2), R(3)});
  F("d3d_vertex_color", {R(1), R(2), R(3), R(0x00FF00), R(1)});
  F("d3d_vertex_texture", {R(1), R(2), R(3), R(0.25), R(0.5)});
  F("d3d_vertex_texture_color", {R(1), R(2), R(3), R(0.25), R(0.5), R(0xFF0000), R(0)});
  F("d3d_vertex_normal", {R(1), R(2), R(3), R(0), R(1), R(0)});
  F("d3d_vertex_normal_color", {R(1), R(2), R(3), R(0), R(0), R(1), R(0xFFFFFF), R(1)});
  F("d3d_primitive_end");
  Batch_Flush();
  ASSERT_EQ(device->vertices.size(), 6u);
  const auto& v = device->vertices;
  EXPECT_EQ(v[0].colour, 0xFFFF0000u);  // the drawing colour, red
  EXPECT_EQ(v[0].z, 3);
  EXPECT_EQ(v[1].colour, 0xFF00FF00u);
  EXPECT_EQ(v[2].u, 0.25f);
  EXPECT_EQ(v[2].v, 0.5f);
  EXPECT_EQ(v[3].colour, 0x000000FFu);  // blue, alpha 0
  EXPECT_EQ(v[4].ny, 1);
  EXPECT_EQ(v[5].nz, 1);
  EXPECT_EQ(v[5].colour, 0xFFFFFFFFu);
  device->vertices.clear();
  F("d3d_primitive_begin_texture", {R(5), R(-1)});
  F("d3d_vertex_normal_texture", {R(0), R(0), R(0), R(0), R(0), R(1), R(1), R(1)});
  F("d3d_vertex_normal_texture_color", {R(1), R(0), R(0), R(0), R(0), R(1), R(0), R(1), R(0), R(1)});
  F("d3d_vertex", {R(0), R(1), R(0)});
  F("d3d_primitive_end");
  Batch_Flush();
  ASSERT_EQ(device->vertices.size(), 3u);
  EXPECT_EQ(device->types.back(), kPrimTriangleStrip);
  EXPECT_EQ(device->vertices[0].u, 1);
  EXPECT_EQ(device->vertices[1].colour, 0xFF000000u);
}

LIBRARY_CASE(D3DScope, ModelsSavedAndLoaded, "d3d_model_create", "d3d_model_destroy", "d3d_model_clear",
             "d3d_model_save", "d3d_model_load", "d3d_model_draw", "d3d_model_primitive_begin",
             "d3d_model_primitive_end", "d3d_model_vertex", "d3d_model_vertex_color", "d3d_model_vertex_texture",
             "d3d_model_vertex_texture_color", "d3d_model_vertex_normal", "d3d_model_vertex_normal_color",
             "d3d_model_vertex_normal_texture", "d3d_model_vertex_normal_texture_color", "d3d_model_block",
             "d3d_model_cylinder", "d3d_model_cone", "d3d_model_ellipsoid", "d3d_model_wall", "d3d_model_floor") {
  const int m = int(F("d3d_model_create"));
  F("d3d_model_vertex", {R(m), R(1), R(2), R(3)});
  EXPECT_EQ(F("d3d_model_save", {R(m), S("one.txt")}), 1);
  EXPECT_EQ(Get(m_save + "one.txt"),
            "100\n1\n2     1.0000     2.0000     3.0000     0.0000     0.0000     0.0000     0.0000     0.0000"
            "     0.0000     0.0000\n");
  F("d3d_model_clear", {R(m)});
  F("d3d_model_primitive_begin", {R(m), R(4)});
  F("d3d_model_vertex_color", {R(m), R(0), R(0), R(0), R(255), R(0.5)});
  F("d3d_model_vertex_texture", {R(m), R(1), R(0), R(0), R(0.25), R(0.75)});
  F("d3d_model_vertex_texture_color", {R(m), R(0), R(1), R(0), R(1), R(1), R(65280), R(1)});
  F("d3d_model_vertex_normal", {R(m), R(0), R(0), R(1), R(0), R(0), R(-1)});
  F("d3d_model_vertex_normal_color", {R(m), R(1), R(0), R(1), R(0), R(0), R(-1), R(255), R(1)});
  F("d3d_model_vertex_normal_texture", {R(m), R(0), R(1), R(1), R(0), R(0), R(-1), R(0.5), R(0.5)});
  F("d3d_model_vertex_normal_texture_color",
    {R(m), R(2), R(2), R(2), R(0), R(1), R(0), R(0.5), R(0.5), R(16711680), R(0.25)});
  F("d3d_model_primitive_end", {R(m)});
  F("d3d_model_block", {R(m), R(0), R(0), R(0), R(1), R(1), R(1), R(1), R(1)});
  F("d3d_model_cylinder", {R(m), R(0), R(0), R(0), R(1), R(1), R(1), R(2), R(1), R(1), R(24)});
  F("d3d_model_cone", {R(m), R(0), R(0), R(0), R(1), R(1), R(1), R(1), R(2), R(0), R(3)});
  F("d3d_model_ellipsoid", {R(m), R(-1), R(-1), R(-1), R(1), R(1), R(1), R(1), R(1), R(12)});
  F("d3d_model_wall", {R(m), R(0), R(0), R(0), R(4), R(0), R(2), R(1), R(1)});
  F("d3d_model_floor", {R(m), R(0), R(0), R(0), R(4), R(4), R(0), R(1), R(1)});
  const std::vector<ModelCommand> made = Model_Get(m)->commands;
  ASSERT_EQ(made.size(), 15u);
  EXPECT_EQ(made[7].type, 9);
  EXPECT_EQ(made[7].args[9], 0.25);
  EXPECT_EQ(made[10].args[9], 24);  // steps after closed
  EXPECT_EQ(F("d3d_model_save", {R(m), S("all.txt")}), 1);
  const int back = int(F("d3d_model_create"));
  EXPECT_EQ(F("d3d_model_load", {R(back), S("all.txt")}), 1);
  const std::vector<ModelCommand>& loaded = Model_Get(back)->commands;
  ASSERT_EQ(loaded.size(), made.size());
  for (size_t i = 0; i < made.size(); ++i) {
    EXPECT_EQ(loaded[i].type, made[i].type);
    for (int k = 0; k < 10; ++k) EXPECT_EQ(loaded[i].args[k], made[i].args[k]) << i << " " << k;
  }
  // Drawing replays the commands moved by the position.
  F("d3d_model_clear", {R(back)});
  F("d3d_model_block", {R(back), R(0), R(0), R(0), R(1), R(1), R(1), R(1), R(1)});
  F("d3d_model_draw", {R(back), R(10), R(20), R(30), R(-1)});
  ASSERT_EQ(device->vertices.size(), 36u);
  EXPECT_EQ(device->vertices[0].x, 10);
  EXPECT_EQ(device->vertices[0].y, 20);
  EXPECT_EQ(device->vertices[0].z, 30);
  F("d3d_model_destroy", {R(back)});
  EXPECT_EQ(F("d3d_model_load", {R(back), S("all.txt")}), 0);
  EXPECT_EQ(F("d3d_model_create"), back);  // the slot is reused
}

TEST(ModelText, MalformedFilesAreRefusedAndChangeNothing) {
  const std::string line = "2 1 2 3 4 5 6 7 8 9 10\n";
  const char* bad[] = {
      "",                                         // empty
      "101\n1\n" "2 1 2 3 4 5 6 7 8 9 10\n",      // another version
      "100\n",                                    // no count
      "100\nabc\n",                               // count not a number
      "100\n-1\n",                                // negative count
      "100\n99999999999\n",                       // absurd count
      "100\n2\n" "2 1 2 3 4 5 6 7 8 9 10\n",      // fewer lines than the count
      "100\n1\n" "16 1 2 3 4 5 6 7 8 9 10\n",     // unknown command
      "100\n1\n" "-1 1 2 3 4 5 6 7 8 9 10\n",     // unknown command
      "100\n1\n" "2 1 2 3\n",                     // truncated numbers
      "100\n1\n" "2 1 2 3 4 5 6 7 8 9 1x\n",      // malformed number
      "100\n1\n" "2 1 2 3 4 5 6 7 8 9 10 11\n",   // too many numbers
      "100\n1\n" "2 1 2 3 4 5 6 7 8 9 nan\n",     // not finite
      "100\n1\n" "2 1 2 3 4 5 6 7 8 9 10\n2 1\n", // more lines than the count
  };
  for (const char* text : bad) {
    std::vector<ModelCommand> out(3);
    std::string error;
    EXPECT_FALSE(Model_FromText(text, out, error)) << text;
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(out.size(), 3u) << text;
  }
  std::vector<ModelCommand> out;
  std::string error;
  EXPECT_TRUE(Model_FromText("100\r\n1\r\n" + line + "\n", out, error)) << error;
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].args[9], 10);
  EXPECT_TRUE(Model_FromText("100\n0\n", out, error));
  EXPECT_TRUE(out.empty());
}

LIBRARY_CASE(D3DScope, BadModelFileLeavesTheModel) {
  const int m = int(F("d3d_model_create"));
  F("d3d_model_vertex", {R(m), R(1), R(2), R(3)});
  Put(m_save + "bad.txt", "100\n3\n2 1 2 3 4 5 6 7 8 9 10\n");
  EXPECT_EQ(F("d3d_model_load", {R(m), S("bad.txt")}), 0);
  EXPECT_EQ(F("d3d_model_load", {R(m), S("missing.txt")}), 0);
  ASSERT_EQ(Model_Get(m)->commands.size(), 1u);
  EXPECT_EQ(Model_Get(m)->commands[0].args[0], 1);
  EXPECT_EQ(F("d3d_model_save", {R(m), S("/nonexistent-dir/m.txt")}), 0);
}

}  // namespace
