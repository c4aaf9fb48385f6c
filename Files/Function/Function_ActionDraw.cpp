// The drawing actions: each draws with the drawing function it stands for, at positions relative
// to self while the relative flag is set, and the draw settings actions set the draw colour and font.
#include <map>
#include <string>
#include <tuple>

#include "Code/Code_Error.h"
#include "Function/Function_ActionSupport.h"
#include "Function/Function_Library.h"
#include "Function/Function_Register.h"
#include "Platform/Platform_Memory.h"

namespace {

using Args = RValue*;
using Action::Call;
using Action::RelX;
using Action::RelY;

FunctionArgs In(int argc, Args args) { return FunctionArgs{argc, args}; }
RValue Real(double v) { return RValue(v); }

// ---- Sprites, backgrounds and text ---------------------------------------------------------------

// action_draw_sprite(sprite, x, y, subimage); subimage -1 is self's current one.
void A_DrawSprite(RValue&, CInstance* self, CInstance* other, int argc, Args args) {
  const FunctionArgs a = In(argc, args);
  Call("draw_sprite", self, other, {a.At(0), a.At(3), Real(RelX(self, a, 1)), Real(RelY(self, a, 2))});
}

// action_draw_background(background, x, y, tiled).
void A_DrawBackground(RValue&, CInstance* self, CInstance* other, int argc, Args args) {
  const FunctionArgs a = In(argc, args);
  Call(a.Flag(3) ? "draw_background_tiled" : "draw_background", self, other,
       {a.At(0), Real(RelX(self, a, 1)), Real(RelY(self, a, 2))});
}

// action_draw_text(text, x, y).
void A_DrawText(RValue&, CInstance* self, CInstance* other, int argc, Args args) {
  const FunctionArgs a = In(argc, args);
  Call("draw_text", self, other, {Real(RelX(self, a, 1)), Real(RelY(self, a, 2)), a.At(0)});
}

// action_draw_text_transformed(text, x, y, xscale, yscale, angle).
void A_DrawTextTransformed(RValue&, CInstance* self, CInstance* other, int argc, Args args) {
  const FunctionArgs a = In(argc, args);
  Call("draw_text_transformed", self, other,
       {Real(RelX(self, a, 1)), Real(RelY(self, a, 2)), a.At(0), a.At(3), a.At(4), a.At(5)});
}

// Text made of a caption (argument `i`) and a value, at (x, y) from arguments 0 and 1.
void DrawCaptioned(CInstance* self, CInstance* other, const FunctionArgs& a, int i, const RValue& value) {
  char* number = StringOfValue(value);
  const std::string text = Library::ArgText(a.argc, a.args, i) + number;
  MemoryManager::Free(number);
  Call("draw_text", self, other, {Real(RelX(self, a, 0)), Real(RelY(self, a, 1)), RValue(text.c_str())});
}

// action_draw_variable(value, x, y): the value as string() prints it.
void A_DrawVariable(RValue&, CInstance* self, CInstance* other, int argc, Args args) {
  const FunctionArgs a = In(argc, args);
  const std::string text = Library::ArgText(argc, args, 0);
  Call("draw_text", self, other, {Real(RelX(self, a, 1)), Real(RelY(self, a, 2)), RValue(text.c_str())});
}

// action_draw_score(x, y, caption) and action_draw_life(x, y, caption).
void A_DrawScore(RValue&, CInstance* self, CInstance* other, int argc, Args args) {
  DrawCaptioned(self, other, In(argc, args), 2, Action::Get(self, "score"));
}
void A_DrawLife(RValue&, CInstance* self, CInstance* other, int argc, Args args) {
  DrawCaptioned(self, other, In(argc, args), 2, Action::Get(self, "lives"));
}

// action_draw_life_images(x, y, sprite): one image of the sprite per life, side by side.
void A_DrawLifeImages(RValue&, CInstance* self, CInstance* other, int argc, Args args) {
  const FunctionArgs a = In(argc, args);
  const double width = Call("sprite_get_width", self, other, {a.At(2)}).real;
  const int32_t lives = FunctionArgumentIndex(Action::Get(self, "lives"));
  const double x = RelX(self, a, 0), y = RelY(self, a, 1);
  for (int32_t i = 0; i < lives; ++i) Call("draw_sprite", self, other, {a.At(2), Real(0), Real(x + i * width), Real(y)});
}

// The colours of the health bar action's lists: none first for the back, then these.
constexpr int32_t kBarColours[] = {0x000000, 0x808080, 0xC0C0C0, 0xFFFFFF, 0x000080, 0x008000, 0x008080, 0x800000,
                                   0x800080, 0x808000, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00};
constexpr int32_t kBarColourCount = int32_t(sizeof kBarColours / sizeof kBarColours[0]);

// action_draw_health(x1, y1, x2, y2, back colour, bar colour). Back: 0 none, 1.. the list. Bar: 0
// green to red, 1 white to black, 2.. the list.
void A_DrawHealth(RValue&, CInstance* self, CInstance* other, int argc, Args args) {
  const FunctionArgs a = In(argc, args);
  const int32_t back = a.Index(4), bar = a.Index(5);
  const bool showBack = back >= 1 && back <= kBarColourCount;
  const int32_t backColour = showBack ? kBarColours[back - 1] : 0;
  int32_t empty = 0x0000FF, full = 0x00FF00;  // red when empty, green when full
  if (bar == 1) {
    empty = 0x000000;
    full = 0xFFFFFF;
  } else if (bar >= 2 && bar < 2 + kBarColourCount) {
    empty = full = kBarColours[bar - 2];
  }
  Call("draw_healthbar", self, other,
       {Real(RelX(self, a, 0)), Real(RelY(self, a, 1)), Real(RelX(self, a, 2)), Real(RelY(self, a, 3)),
        Action::Get(self, "health"), Real(backColour), Real(empty), Real(full), Real(0), Real(showBack ? 1 : 0),
        Real(1)});
}

// ---- Shapes --------------------------------------------------------------------------------------

// The corners (x1, y1, x2, y2) of arguments 0..3, relative to self while the flag is set.
struct Corners {
  RValue x1, y1, x2, y2;
};
Corners CornersOf(CInstance* self, const FunctionArgs& a) {
  return {Real(RelX(self, a, 0)), Real(RelY(self, a, 1)), Real(RelX(self, a, 2)), Real(RelY(self, a, 3))};
}

// action_draw_rectangle / action_draw_ellipse(x1, y1, x2, y2, filled): outline unless filled.
template <const char* const* Name>
void A_DrawShape(RValue&, CInstance* self, CInstance* other, int argc, Args args) {
  const FunctionArgs a = In(argc, args);
  const Corners c = CornersOf(self, a);
  Call(*Name, self, other, {c.x1, c.y1, c.x2, c.y2, Real(a.Flag(4) ? 0 : 1)});
}
constexpr const char* kRectangle = "draw_rectangle";
constexpr const char* kEllipse = "draw_ellipse";

// action_draw_gradient_hor / _vert(x1, y1, x2, y2, colour1, colour2): colour 1 at the left (top).
template <bool Horizontal>
void A_DrawGradient(RValue&, CInstance* self, CInstance* other, int argc, Args args) {
  const FunctionArgs a = In(argc, args);
  const Corners c = CornersOf(self, a);
  const RValue& c1 = a.At(4);
  const RValue& c2 = a.At(5);
  // Corner colours: top left, top right, bottom right, bottom left.
  if (Horizontal) {
    Call("draw_rectangle_color", self, other, {c.x1, c.y1, c.x2, c.y2, c1, c2, c2, c1, Real(0)});
  } else {
    Call("draw_rectangle_color", self, other, {c.x1, c.y1, c.x2, c.y2, c1, c1, c2, c2, Real(0)});
  }
}

// action_draw_ellipse_gradient(x1, y1, x2, y2, centre colour, edge colour).
void A_DrawEllipseGradient(RValue&, CInstance* self, CInstance* other, int argc, Args args) {
  const FunctionArgs a = In(argc, args);
  const Corners c = CornersOf(self, a);
  Call("draw_ellipse_color", self, other, {c.x1, c.y1, c.x2, c.y2, a.At(4), a.At(5), Real(0)});
}

void A_DrawLine(RValue&, CInstance* self, CInstance* other, int argc, Args args) {
  const Corners c = CornersOf(self, In(argc, args));
  Call("draw_line", self, other, {c.x1, c.y1, c.x2, c.y2});
}

// action_draw_arrow(x1, y1, x2, y2, tip size).
void A_DrawArrow(RValue&, CInstance* self, CInstance* other, int argc, Args args) {
  const FunctionArgs a = In(argc, args);
  const Corners c = CornersOf(self, a);
  Call("draw_arrow", self, other, {c.x1, c.y1, c.x2, c.y2, a.At(4)});
}

// ---- Settings --------------------------------------------------------------------------------------

// action_color, action_fill_color and action_line_color(colour): the one draw colour.
void A_Color(RValue&, CInstance* self, CInstance* other, int argc, Args args) {
  Call("draw_set_color", self, other, {In(argc, args).At(0)});
}

// action_font(font, horizontal alignment).
void A_Font(RValue&, CInstance* self, CInstance* other, int argc, Args args) {
  const FunctionArgs a = In(argc, args);
  Call("draw_set_font", self, other, {a.At(0)});
  Call("draw_set_halign", self, other, {a.At(1)});
}
void A_DrawFont(RValue&, CInstance* self, CInstance* other, int argc, Args args) {
  Call("draw_set_font", self, other, {In(argc, args).At(0)});
}

// The fonts made for action_draw_font_old, by typeface, size, bold and italic: made once each.
std::map<std::tuple<std::string, int32_t, bool, bool>, int32_t> g_oldFonts;

// action_draw_font_old(typeface, size, colour, bold, italic, underline): the draw colour and a font
// of that typeface (characters 32 to 127); underlining is not drawn.
void A_DrawFontOld(RValue&, CInstance* self, CInstance* other, int argc, Args args) {
  const FunctionArgs a = In(argc, args);
  Call("draw_set_color", self, other, {a.At(2)});
  const auto key = std::make_tuple(Library::ArgText(argc, args, 0), a.Index(1), a.Flag(3), a.Flag(4));
  auto found = g_oldFonts.find(key);
  if (found == g_oldFonts.end() || !ValueIsTrue(Call("font_exists", self, other, {Real(found->second)}))) {
    const RValue font = Call("font_add", self, other,
                             {RValue(std::get<0>(key).c_str()), Real(std::get<1>(key)), Real(std::get<2>(key)),
                              Real(std::get<3>(key)), Real(32), Real(127)});
    if (font.real < 0) return;  // font_add has said why
    found = g_oldFonts.insert_or_assign(key, FunctionArgumentIndex(font)).first;
  }
  Call("draw_set_font", self, other, {Real(found->second)});
}

}  // namespace

void Function_ActionDraw_Forget() { g_oldFonts.clear(); }

void Function_ActionDraw_Bind() {
  ImplementFunction("action_draw_sprite", A_DrawSprite);
  ImplementFunction("action_draw_background", A_DrawBackground);
  ImplementFunction("action_draw_text", A_DrawText);
  ImplementFunction("action_draw_text_transformed", A_DrawTextTransformed);
  ImplementFunction("action_draw_variable", A_DrawVariable);
  ImplementFunction("action_draw_score", A_DrawScore);
  ImplementFunction("action_draw_life", A_DrawLife);
  ImplementFunction("action_draw_life_images", A_DrawLifeImages);
  ImplementFunction("action_draw_health", A_DrawHealth);
  ImplementFunction("action_draw_rectangle", A_DrawShape<&kRectangle>);
  ImplementFunction("action_draw_ellipse", A_DrawShape<&kEllipse>);
  ImplementFunction("action_draw_gradient_hor", A_DrawGradient<true>);
  ImplementFunction("action_draw_gradient_vert", A_DrawGradient<false>);
  ImplementFunction("action_draw_ellipse_gradient", A_DrawEllipseGradient);
  ImplementFunction("action_draw_line", A_DrawLine);
  ImplementFunction("action_draw_arrow", A_DrawArrow);
  ImplementFunction("action_color", A_Color);
  ImplementFunction("action_fill_color", A_Color);
  ImplementFunction("action_line_color", A_Color);
  ImplementFunction("action_font", A_Font);
  ImplementFunction("action_draw_font", A_DrawFont);
  ImplementFunction("action_draw_font_old", A_DrawFontOld);
}
