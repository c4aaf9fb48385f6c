// 3-D mode: the mode and its settings, cameras, the world transform and its stack, lights, the
// primitive list and solids, and the model store.
#include <string>
#include <utility>
#include <vector>

#include "Function/Function_Arguments.h"
#include "Function/Function_Library.h"
#include "Graphics/Graphics_3D.h"
#include "Graphics/Graphics_3DDraw.h"
#include "Graphics/Graphics_DrawState.h"
#include "Graphics/Graphics_Model.h"
#include "Graphics/Graphics_RenderState.h"
#include "Platform/Platform_Console.h"
#include "Runner/Runner_Folders.h"

namespace {

using Args = RValue*;

#define D3D_CALL(Name, body)                                        \
  void Name(RValue&, CInstance*, CInstance*, int argc, Args args) { \
    const FunctionArgs a{argc, args};                               \
    (void)a;                                                        \
    body;                                                           \
  }

#define D3D_QUERY(Name, expression)                                   \
  void Name(RValue& r, CInstance*, CInstance*, int argc, Args args) { \
    const FunctionArgs a{argc, args};                                 \
    (void)a;                                                          \
    r.SetReal((expression) ? 1 : 0);                                  \
  }

Vec3 V(const FunctionArgs& a, int i) { return Vec3{a.Real(i), a.Real(i + 1), a.Real(i + 2)}; }

D3D_CALL(F_Start, D3D_SetMode(true))
D3D_CALL(F_End, D3D_SetMode(false))
D3D_CALL(F_SetPerspective, D3D_SetPerspective(a.Flag(0)))
D3D_CALL(F_SetHidden, D3D_SetHidden(a.Flag(0)))
D3D_CALL(F_SetDepth, D3D_SetDepth(a.Real(0)))
D3D_CALL(F_SetLighting, D3D_SetLighting(a.Flag(0)))
D3D_CALL(F_SetShading, D3D_SetShading(a.Flag(0)))
D3D_CALL(F_SetFog, GR_SetFog(a.Flag(0), a.Colour(1), a.Real(2), a.Real(3)))
D3D_CALL(F_SetCulling, D3D_SetCulling(a.Flag(0)))

D3D_CALL(F_Projection, D3D_SetProjection(V(a, 0), V(a, 3), V(a, 6)))
D3D_CALL(F_ProjectionExt, D3D_SetProjectionExt(V(a, 0), V(a, 3), V(a, 6), a.Real(9), a.Real(10), a.Real(11), a.Real(12)))
D3D_CALL(F_ProjectionOrtho, D3D_SetProjectionOrtho(a.Real(0), a.Real(1), a.Real(2), a.Real(3), a.Real(4)))
D3D_CALL(F_ProjectionPerspective, D3D_SetProjectionPerspective(a.Real(0), a.Real(1), a.Real(2), a.Real(3), a.Real(4)))

D3D_CALL(F_SetIdentity, D3D_SetWorld(Matrix4{}))
D3D_CALL(F_SetTranslation, D3D_SetWorld(D3D_Translation(a.Real(0), a.Real(1), a.Real(2))))
D3D_CALL(F_SetScaling, D3D_SetWorld(D3D_Scaling(a.Real(0), a.Real(1), a.Real(2))))
D3D_CALL(F_SetRotationX, D3D_SetWorld(D3D_RotationX(a.Real(0))))
D3D_CALL(F_SetRotationY, D3D_SetWorld(D3D_RotationY(a.Real(0))))
D3D_CALL(F_SetRotationZ, D3D_SetWorld(D3D_RotationZ(a.Real(0))))
D3D_CALL(F_SetRotationAxis, D3D_SetWorld(D3D_RotationAxis(a.Real(0), a.Real(1), a.Real(2), a.Real(3))))
D3D_CALL(F_AddTranslation, D3D_AddWorld(D3D_Translation(a.Real(0), a.Real(1), a.Real(2))))
D3D_CALL(F_AddScaling, D3D_AddWorld(D3D_Scaling(a.Real(0), a.Real(1), a.Real(2))))
D3D_CALL(F_AddRotationX, D3D_AddWorld(D3D_RotationX(a.Real(0))))
D3D_CALL(F_AddRotationY, D3D_AddWorld(D3D_RotationY(a.Real(0))))
D3D_CALL(F_AddRotationZ, D3D_AddWorld(D3D_RotationZ(a.Real(0))))
D3D_CALL(F_AddRotationAxis, D3D_AddWorld(D3D_RotationAxis(a.Real(0), a.Real(1), a.Real(2), a.Real(3))))
D3D_CALL(F_StackClear, D3D_StackClear())
D3D_QUERY(F_StackEmpty, D3D_StackEmpty())
D3D_QUERY(F_StackPush, D3D_StackPush())
D3D_QUERY(F_StackPop, D3D_StackPop())
D3D_QUERY(F_StackTop, D3D_StackTop())
D3D_QUERY(F_StackDiscard, D3D_StackDiscard())

D3D_CALL(F_LightAmbient, D3D_LightAmbient(a.Colour(0)))
D3D_CALL(F_LightDirection, D3D_LightDirection(a.Index(0), a.Real(1), a.Real(2), a.Real(3), a.Colour(4)))
D3D_CALL(F_LightPoint, D3D_LightPoint(a.Index(0), a.Real(1), a.Real(2), a.Real(3), a.Real(4), a.Colour(5)))
D3D_CALL(F_LightEnable, D3D_LightEnable(a.Index(0), a.Flag(1)))

// The vertex forms: which extra values follow x, y, z (in this order: normal, texture, colour).
struct VertexForm {
  const char* drawName;
  const char* modelName;
  bool normal, texture, colour;
};
constexpr VertexForm kVertexForms[8] = {
    {"d3d_vertex", "d3d_model_vertex", false, false, false},
    {"d3d_vertex_color", "d3d_model_vertex_color", false, false, true},
    {"d3d_vertex_texture", "d3d_model_vertex_texture", false, true, false},
    {"d3d_vertex_texture_color", "d3d_model_vertex_texture_color", false, true, true},
    {"d3d_vertex_normal", "d3d_model_vertex_normal", true, false, false},
    {"d3d_vertex_normal_color", "d3d_model_vertex_normal_color", true, false, true},
    {"d3d_vertex_normal_texture", "d3d_model_vertex_normal_texture", true, true, false},
    {"d3d_vertex_normal_texture_color", "d3d_model_vertex_normal_texture_color", true, true, true},
};
constexpr int ValueCount(const VertexForm& f) { return 3 + (f.normal ? 3 : 0) + (f.texture ? 2 : 0) + (f.colour ? 2 : 0); }

template <int Form>
void F_Vertex(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const VertexForm& f = kVertexForms[Form];
  const FunctionArgs a{argc, args};
  D3DVertex v;
  v.x = a.Real(0), v.y = a.Real(1), v.z = a.Real(2);
  v.colour = g_DrawState.colour;
  v.alpha = g_DrawState.alpha;
  int next = 3;
  if (f.normal) v.nx = a.Real(next), v.ny = a.Real(next + 1), v.nz = a.Real(next + 2), next += 3;
  if (f.texture) v.u = a.Real(next), v.v = a.Real(next + 1), next += 2;
  if (f.colour) v.colour = a.Colour(next), v.alpha = a.Double(next + 1);
  D3D_PrimitiveVertex(v);
}

// A model command: the model in argument 0, then `count` reals.
void AddCommand(int argc, Args args, int type, int count) {
  const FunctionArgs a{argc, args};
  CModel* m = Model_Get(a.Index(0));
  if (m == nullptr) return;
  double values[10] = {};
  for (int i = 0; i < count && i < 10; ++i) values[i] = a.Double(i + 1);
  Model_Add(*m, type, values, count);
}

template <int Form>
void F_ModelVertex(RValue&, CInstance*, CInstance*, int argc, Args args) {
  AddCommand(argc, args, 2 + Form, ValueCount(kVertexForms[Form]));
}

template <int Type, int Count>
void F_ModelCommand(RValue&, CInstance*, CInstance*, int argc, Args args) {
  AddCommand(argc, args, Type, Count);
}

template <int... Forms>
void BindVertexForms(std::integer_sequence<int, Forms...>) {
  (ImplementFunction(kVertexForms[Forms].drawName, F_Vertex<Forms>), ...);
  (ImplementFunction(kVertexForms[Forms].modelName, F_ModelVertex<Forms>), ...);
}

D3D_CALL(F_PrimitiveBegin, D3D_PrimitiveBegin(a.Index(0), -1))
D3D_CALL(F_PrimitiveBeginTexture, D3D_PrimitiveBegin(a.Index(0), a.Index(1)))
D3D_CALL(F_PrimitiveEnd, D3D_PrimitiveEnd())

D3D_CALL(F_DrawBlock, D3D_DrawBlock(a.Real(0), a.Real(1), a.Real(2), a.Real(3), a.Real(4), a.Real(5), a.Index(6),
                                    a.Real(7), a.Real(8)))
D3D_CALL(F_DrawCylinder, D3D_DrawCylinder(a.Real(0), a.Real(1), a.Real(2), a.Real(3), a.Real(4), a.Real(5), a.Index(6),
                                          a.Real(7), a.Real(8), a.Flag(9), a.Index(10)))
D3D_CALL(F_DrawCone, D3D_DrawCone(a.Real(0), a.Real(1), a.Real(2), a.Real(3), a.Real(4), a.Real(5), a.Index(6),
                                  a.Real(7), a.Real(8), a.Flag(9), a.Index(10)))
D3D_CALL(F_DrawEllipsoid, D3D_DrawEllipsoid(a.Real(0), a.Real(1), a.Real(2), a.Real(3), a.Real(4), a.Real(5),
                                            a.Index(6), a.Real(7), a.Real(8), a.Index(9)))
D3D_CALL(F_DrawWall, D3D_DrawWall(a.Real(0), a.Real(1), a.Real(2), a.Real(3), a.Real(4), a.Real(5), a.Index(6),
                                  a.Real(7), a.Real(8)))
D3D_CALL(F_DrawFloor, D3D_DrawFloor(a.Real(0), a.Real(1), a.Real(2), a.Real(3), a.Real(4), a.Real(5), a.Index(6),
                                    a.Real(7), a.Real(8)))

void F_ModelCreate(RValue& r, CInstance*, CInstance*, int, Args) { r.SetReal(Model_Create()); }
D3D_CALL(F_ModelDestroy, Model_Destroy(a.Index(0)))
D3D_CALL(F_ModelClear, if (CModel* m = Model_Get(a.Index(0))) m->commands.clear())
D3D_CALL(F_ModelDraw, if (const CModel* m = Model_Get(a.Index(0))) Model_Draw(*m, a.Real(1), a.Real(2), a.Real(3), a.Index(4)))

void F_ModelSave(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  r.SetReal(0);
  const CModel* m = Model_Get(a.Index(0));
  if (m == nullptr) return;
  const std::string name = a.Str(1);
  if (name.empty() || !Library::WriteFileAtomic(Folders_MapForWrite(name), Model_ToText(*m))) {
    Console::Output("d3d_model_save - unable to write file %s\n", name.c_str());
    return;
  }
  r.SetReal(1);
}

void F_ModelLoad(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  r.SetReal(0);
  CModel* m = Model_Get(a.Index(0));
  if (m == nullptr) return;
  const std::string name = a.Str(1);
  std::string text, error;
  if (name.empty() || !Library::ReadWholeFile(Folders_FindForRead(name), text)) {
    Console::Output("d3d_model_load - unable to load %s: cannot read the file\n", name.c_str());
    return;
  }
  std::vector<ModelCommand> commands;
  if (!Model_FromText(text, commands, error)) {
    Console::Output("d3d_model_load - unable to load %s: %s\n", name.c_str(), error.c_str());
    return;
  }
  m->commands.swap(commands);
  r.SetReal(1);
}

}  // namespace

void Function_D3D_Bind() {
  ImplementFunction("d3d_start", F_Start);
  ImplementFunction("d3d_end", F_End);
  ImplementFunction("d3d_set_perspective", F_SetPerspective);
  ImplementFunction("d3d_set_hidden", F_SetHidden);
  ImplementFunction("d3d_set_depth", F_SetDepth);
  ImplementFunction("d3d_set_lighting", F_SetLighting);
  ImplementFunction("d3d_set_shading", F_SetShading);
  ImplementFunction("d3d_set_fog", F_SetFog);
  ImplementFunction("d3d_set_culling", F_SetCulling);
  ImplementFunction("d3d_set_projection", F_Projection);
  ImplementFunction("d3d_set_projection_ext", F_ProjectionExt);
  ImplementFunction("d3d_set_projection_ortho", F_ProjectionOrtho);
  ImplementFunction("d3d_set_projection_perspective", F_ProjectionPerspective);
  ImplementFunction("d3d_transform_set_identity", F_SetIdentity);
  ImplementFunction("d3d_transform_set_translation", F_SetTranslation);
  ImplementFunction("d3d_transform_set_scaling", F_SetScaling);
  ImplementFunction("d3d_transform_set_rotation_x", F_SetRotationX);
  ImplementFunction("d3d_transform_set_rotation_y", F_SetRotationY);
  ImplementFunction("d3d_transform_set_rotation_z", F_SetRotationZ);
  ImplementFunction("d3d_transform_set_rotation_axis", F_SetRotationAxis);
  ImplementFunction("d3d_transform_add_translation", F_AddTranslation);
  ImplementFunction("d3d_transform_add_scaling", F_AddScaling);
  ImplementFunction("d3d_transform_add_rotation_x", F_AddRotationX);
  ImplementFunction("d3d_transform_add_rotation_y", F_AddRotationY);
  ImplementFunction("d3d_transform_add_rotation_z", F_AddRotationZ);
  ImplementFunction("d3d_transform_add_rotation_axis", F_AddRotationAxis);
  ImplementFunction("d3d_transform_stack_clear", F_StackClear);
  ImplementFunction("d3d_transform_stack_empty", F_StackEmpty);
  ImplementFunction("d3d_transform_stack_push", F_StackPush);
  ImplementFunction("d3d_transform_stack_pop", F_StackPop);
  ImplementFunction("d3d_transform_stack_top", F_StackTop);
  ImplementFunction("d3d_transform_stack_discard", F_StackDiscard);
  ImplementFunction("d3d_light_define_ambient", F_LightAmbient);
  ImplementFunction("d3d_light_define_direction", F_LightDirection);
  ImplementFunction("d3d_light_define_point", F_LightPoint);
  ImplementFunction("d3d_light_enable", F_LightEnable);
  ImplementFunction("d3d_primitive_begin", F_PrimitiveBegin);
  ImplementFunction("d3d_primitive_begin_texture", F_PrimitiveBeginTexture);
  ImplementFunction("d3d_primitive_end", F_PrimitiveEnd);
  BindVertexForms(std::make_integer_sequence<int, 8>{});
  ImplementFunction("d3d_draw_block", F_DrawBlock);
  ImplementFunction("d3d_draw_cylinder", F_DrawCylinder);
  ImplementFunction("d3d_draw_cone", F_DrawCone);
  ImplementFunction("d3d_draw_ellipsoid", F_DrawEllipsoid);
  ImplementFunction("d3d_draw_wall", F_DrawWall);
  ImplementFunction("d3d_draw_floor", F_DrawFloor);
  ImplementFunction("d3d_model_create", F_ModelCreate);
  ImplementFunction("d3d_model_destroy", F_ModelDestroy);
  ImplementFunction("d3d_model_clear", F_ModelClear);
  ImplementFunction("d3d_model_save", F_ModelSave);
  ImplementFunction("d3d_model_load", F_ModelLoad);
  ImplementFunction("d3d_model_draw", F_ModelDraw);
  ImplementFunction("d3d_model_primitive_begin", F_ModelCommand<0, 1>);
  ImplementFunction("d3d_model_primitive_end", F_ModelCommand<1, 0>);
  ImplementFunction("d3d_model_block", F_ModelCommand<10, 8>);
  ImplementFunction("d3d_model_cylinder", F_ModelCommand<11, 10>);
  ImplementFunction("d3d_model_cone", F_ModelCommand<12, 10>);
  ImplementFunction("d3d_model_ellipsoid", F_ModelCommand<13, 9>);
  ImplementFunction("d3d_model_wall", F_ModelCommand<14, 8>);
  ImplementFunction("d3d_model_floor", F_ModelCommand<15, 8>);
}
