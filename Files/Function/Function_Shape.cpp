// Colours, shapes and primitives from game code: the colour functions, the shape builders with the
// current colour or given colours (which take the current alpha), the circle precision and the
// primitive vertex list.
#include <cmath>

#include "Function/Function_Register.h"
#include "Graphics/Graphics_Batch.h"
#include "Graphics/Graphics_Colour.h"
#include "Graphics/Graphics_ColourMath.h"
#include "Graphics/Graphics_DrawState.h"
#include "Graphics/Graphics_Primitive.h"
#include "Graphics/Graphics_Shape.h"
#include "Graphics/Graphics_Texture.h"
#include "Sprite/Sprite_TextureHandle.h"

namespace {

using Args = RValue*;

// The arguments of one call.
struct In {
  int argc;
  Args args;
  double Real(int i) const { return FunctionArgument(argc, args, i).real; }
  float F(int i) const { return float(Real(i)); }
  int32_t Int(int i) const { return FunctionArgumentIndex(FunctionArgument(argc, args, i)); }
  bool Flag(int i) const { return FunctionArgumentBool(FunctionArgument(argc, args, i)); }
  // A colour argument as a vertex colour with the current alpha.
  uint32_t Colour(int i) const { return GR_Colour(Int(i), g_DrawState.alpha); }
};

uint32_t Current() { return GR_Colour(g_DrawState.colour, g_DrawState.alpha); }

// ---- Colours ------------------------------------------------------------------------------------------

void F_MakeColour(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  const In a{argc, args};
  r.SetReal(std::trunc(a.Real(0)) + 256 * std::trunc(a.Real(1)) + 65536 * std::trunc(a.Real(2)));
}
void F_MakeColourHSV(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  const In a{argc, args};
  r.SetReal(Colour_FromHSV(a.Real(0), a.Real(1), a.Real(2)));
}
template <int Shift>
void F_ColourGetChannel(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  const int64_t c = In{argc, args}.Int(0);
  r.SetReal(double((c / (int64_t(1) << Shift)) % 256));  // truncating, with the sign of c
}
template <int32_t ColourHSV::*Field>
void F_ColourGetHSV(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(Colour_ToHSV(In{argc, args}.Int(0)).*Field);
}
void F_MergeColour(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  const In a{argc, args};
  r.SetReal(Colour_Merge(a.Int(0), a.Int(1), a.Real(2)));
}

// ---- Shapes -------------------------------------------------------------------------------------------

void F_DrawPoint(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const In a{argc, args};
  Shape_Point(a.F(0), a.F(1), Current());
}
void F_DrawPointColour(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const In a{argc, args};
  Shape_Point(a.F(0), a.F(1), a.Colour(2));
}
void F_DrawLine(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const In a{argc, args};
  Shape_Line(a.F(0), a.F(1), a.F(2), a.F(3), Current(), Current());
}
void F_DrawLineColour(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const In a{argc, args};
  Shape_Line(a.F(0), a.F(1), a.F(2), a.F(3), a.Colour(4), a.Colour(5));
}
void F_DrawLineWidth(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const In a{argc, args};
  Shape_LineWidth(a.F(0), a.F(1), a.F(2), a.F(3), a.F(4), Current(), Current());
}
void F_DrawLineWidthColour(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const In a{argc, args};
  Shape_LineWidth(a.F(0), a.F(1), a.F(2), a.F(3), a.F(4), a.Colour(5), a.Colour(6));
}
void F_DrawRectangle(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const In a{argc, args};
  const uint32_t c = Current(), corners[4] = {c, c, c, c};
  Shape_Rectangle(a.F(0), a.F(1), a.F(2), a.F(3), corners, a.Flag(4));
}
void F_DrawRectangleColour(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const In a{argc, args};
  const uint32_t corners[4] = {a.Colour(4), a.Colour(5), a.Colour(6), a.Colour(7)};
  Shape_Rectangle(a.F(0), a.F(1), a.F(2), a.F(3), corners, a.Flag(8));
}
constexpr float kRoundCorner = 10;
void F_DrawRoundRect(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const In a{argc, args};
  Shape_RoundRect(a.F(0), a.F(1), a.F(2), a.F(3), kRoundCorner, kRoundCorner, Current(), Current(), a.Flag(4));
}
void F_DrawRoundRectColour(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const In a{argc, args};
  Shape_RoundRect(a.F(0), a.F(1), a.F(2), a.F(3), kRoundCorner, kRoundCorner, a.Colour(4), a.Colour(5), a.Flag(6));
}
void F_DrawTriangle(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const In a{argc, args};
  const float xy[6] = {a.F(0), a.F(1), a.F(2), a.F(3), a.F(4), a.F(5)};
  const uint32_t c = Current(), colours[3] = {c, c, c};
  Shape_Triangle(xy, colours, a.Flag(6));
}
void F_DrawTriangleColour(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const In a{argc, args};
  const float xy[6] = {a.F(0), a.F(1), a.F(2), a.F(3), a.F(4), a.F(5)};
  const uint32_t colours[3] = {a.Colour(6), a.Colour(7), a.Colour(8)};
  Shape_Triangle(xy, colours, a.Flag(9));
}
void F_DrawCircle(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const In a{argc, args};
  const float x = a.F(0), y = a.F(1), radius = a.F(2);
  Shape_Ellipse(x - radius, y - radius, x + radius, y + radius, Current(), Current(), a.Flag(3));
}
void F_DrawCircleColour(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const In a{argc, args};
  const float x = a.F(0), y = a.F(1), radius = a.F(2);
  Shape_Ellipse(x - radius, y - radius, x + radius, y + radius, a.Colour(3), a.Colour(4), a.Flag(5));
}
void F_DrawEllipse(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const In a{argc, args};
  Shape_Ellipse(a.F(0), a.F(1), a.F(2), a.F(3), Current(), Current(), a.Flag(4));
}
void F_DrawEllipseColour(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const In a{argc, args};
  Shape_Ellipse(a.F(0), a.F(1), a.F(2), a.F(3), a.Colour(4), a.Colour(5), a.Flag(6));
}
void F_DrawArrow(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const In a{argc, args};
  Shape_Arrow(a.F(0), a.F(1), a.F(2), a.F(3), a.F(4), Current());
}
void F_DrawButton(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const In a{argc, args};
  Shape_Button(a.F(0), a.F(1), a.F(2), a.F(3), a.Flag(4), g_DrawState.colour, g_DrawState.alpha);
}
void F_DrawHealthBar(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const In a{argc, args};
  HealthBar bar;
  bar.x1 = a.F(0), bar.y1 = a.F(1), bar.x2 = a.F(2), bar.y2 = a.F(3);
  bar.amount = a.Real(4);
  bar.backColour = a.Int(5), bar.minColour = a.Int(6), bar.maxColour = a.Int(7);
  bar.direction = a.Int(8);
  bar.showBack = a.Flag(9), bar.showBorder = a.Flag(10);
  Shape_HealthBar(bar, g_DrawState.alpha);
}
void F_DrawSetCirclePrecision(RValue&, CInstance*, CInstance*, int argc, Args args) {
  Shape_SetCirclePrecision(In{argc, args}.Int(0));
}

// ---- Primitives ---------------------------------------------------------------------------------------

void F_PrimitiveBegin(RValue&, CInstance*, CInstance*, int argc, Args args) {
  Primitive_Begin(In{argc, args}.Int(0), kNoTexture, nullptr);
}
// The texture is a texture id, or a handle of a sprite frame's or background's page entry.
void F_PrimitiveBeginTexture(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const In a{argc, args};
  int texture = kNoTexture;
  TexturePageEntry* entry = nullptr;
  if (!TextureHandle_Resolve(a.Real(1), &texture, &entry)) texture = kNoTexture, entry = nullptr;
  Primitive_Begin(a.Int(0), texture, entry);
}
void F_Vertex(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const In a{argc, args};
  Primitive_Vertex(a.F(0), a.F(1), 0, 0, Current());
}
void F_VertexColour(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const In a{argc, args};
  Primitive_Vertex(a.F(0), a.F(1), 0, 0, GR_Colour(a.Int(2), a.Real(3)));
}
void F_VertexTexture(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const In a{argc, args};
  Primitive_Vertex(a.F(0), a.F(1), a.F(2), a.F(3), Current());
}
void F_VertexTextureColour(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const In a{argc, args};
  Primitive_Vertex(a.F(0), a.F(1), a.F(2), a.F(3), GR_Colour(a.Int(4), a.Real(5)));
}
void F_PrimitiveEnd(RValue&, CInstance*, CInstance*, int, Args) { Primitive_End(); }

}  // namespace

void Function_Shape_Bind() {
  ImplementFunction("make_color", F_MakeColour);
  ImplementFunction("make_color_rgb", F_MakeColour);
  ImplementFunction("make_color_hsv", F_MakeColourHSV);
  ImplementFunction("color_get_red", F_ColourGetChannel<0>);
  ImplementFunction("color_get_green", F_ColourGetChannel<8>);
  ImplementFunction("color_get_blue", F_ColourGetChannel<16>);
  ImplementFunction("color_get_hue", F_ColourGetHSV<&ColourHSV::hue>);
  ImplementFunction("color_get_saturation", F_ColourGetHSV<&ColourHSV::saturation>);
  ImplementFunction("color_get_value", F_ColourGetHSV<&ColourHSV::value>);
  ImplementFunction("merge_color", F_MergeColour);
  ImplementFunction("draw_point", F_DrawPoint);
  ImplementFunction("draw_point_color", F_DrawPointColour);
  ImplementFunction("draw_line", F_DrawLine);
  ImplementFunction("draw_line_color", F_DrawLineColour);
  ImplementFunction("draw_line_width", F_DrawLineWidth);
  ImplementFunction("draw_line_width_color", F_DrawLineWidthColour);
  ImplementFunction("draw_rectangle", F_DrawRectangle);
  ImplementFunction("draw_rectangle_color", F_DrawRectangleColour);
  ImplementFunction("draw_roundrect", F_DrawRoundRect);
  ImplementFunction("draw_roundrect_color", F_DrawRoundRectColour);
  ImplementFunction("draw_triangle", F_DrawTriangle);
  ImplementFunction("draw_triangle_color", F_DrawTriangleColour);
  ImplementFunction("draw_circle", F_DrawCircle);
  ImplementFunction("draw_circle_color", F_DrawCircleColour);
  ImplementFunction("draw_ellipse", F_DrawEllipse);
  ImplementFunction("draw_ellipse_color", F_DrawEllipseColour);
  ImplementFunction("draw_arrow", F_DrawArrow);
  ImplementFunction("draw_button", F_DrawButton);
  ImplementFunction("draw_healthbar", F_DrawHealthBar);
  ImplementFunction("draw_set_circle_precision", F_DrawSetCirclePrecision);
  ImplementFunction("draw_primitive_begin", F_PrimitiveBegin);
  ImplementFunction("draw_primitive_begin_texture", F_PrimitiveBeginTexture);
  ImplementFunction("draw_vertex", F_Vertex);
  ImplementFunction("draw_vertex_color", F_VertexColour);
  ImplementFunction("draw_vertex_texture", F_VertexTexture);
  ImplementFunction("draw_vertex_texture_color", F_VertexTextureColour);
  ImplementFunction("draw_primitive_end", F_PrimitiveEnd);
}
