// Drawing sprites and backgrounds from game code: draw_sprite and its forms, draw_self, and
// draw_background and its forms.
#include <algorithm>
#include <cmath>

#include "Background/Background_Class.h"
#include "Code/Code_Error.h"
#include "Function/Function_Arguments.h"
#include "Graphics/Graphics_Colour.h"
#include "Graphics/Graphics_DrawState.h"
#include "Room/Room_Class.h"
#include "Sprite/Sprite_Class.h"
#include "Sprite/Sprite_Draw.h"

namespace {

using Args = RValue*;

// The sprite and frame of a draw call (arguments 0 and 1), with the sprite's own numbers.
struct SpriteFrame {
  const CSprite* sprite = nullptr;
  QuadImage image;
};

// False (after the error for a missing sprite) when there is nothing to draw.
bool SpriteArg(const FunctionArgs& a, CInstance* self, SpriteFrame& out) {
  out.sprite = Sprite_Get(a.Index(0));
  if (out.sprite == nullptr) {
    ReportActionError("Trying to draw non-existing sprite.", false);
    return false;
  }
  const int32_t frame = Sprite_FrameToDraw(out.sprite->frameCount, a.Index(1), self);
  out.image = Sprite_FrameImage(*out.sprite, frame);
  return out.image.Drawable();
}

const CBackground* BackgroundArg(const FunctionArgs& a, QuadImage& image) {
  const CBackground* background = Background_Get(a.Index(0));
  if (background != nullptr) image = Background_Image(*background);
  return background != nullptr && image.Drawable() ? background : nullptr;
}

// The part builder with one colour for all four corners.
void DrawPart(const QuadImage& image, const FunctionArgs& a, int first, float sx, float sy, float angle,
              int32_t colour, double alpha) {
  const int32_t colours[4] = {colour, colour, colour, colour};
  GR_Quad_Part(image, a.Real(first), a.Real(first + 1), a.Real(first + 2), a.Real(first + 3), a.Real(first + 4),
               a.Real(first + 5), sx, sy, angle, colours, alpha);
}

// The general form: part rectangle at `first` (left, top, w, h, x, y, xscale, yscale, rot, c1..c4, alpha).
void DrawGeneral(const QuadImage& image, const FunctionArgs& a, int first) {
  const int32_t colours[4] = {a.Colour(first + 9), a.Colour(first + 10), a.Colour(first + 11),
                              a.Colour(first + 12)};
  GR_Quad_Part(image, a.Real(first), a.Real(first + 1), a.Real(first + 2), a.Real(first + 3), a.Real(first + 4),
               a.Real(first + 5), a.Real(first + 6), a.Real(first + 7), GR_Radians(a.Double(first + 8)), colours,
               a.Double(first + 13));
}

// Tiling over the current room: origin (ox, oy), position at `first`, optional scale.
void DrawTiled(const QuadImage& image, float ox, float oy, const FunctionArgs& a, int first, float sx, float sy,
               int32_t colour, double alpha) {
  QuadTiling t;
  t.ox = ox;
  t.oy = oy;
  t.x = a.Real(first);
  t.y = a.Real(first + 1);
  t.sx = sx;
  t.sy = sy;
  if (const CRoom* room = Room_Current()) {
    t.width = float(room->width);
    t.height = float(room->height);
  }
  GR_Quad_Tiled(image, t, colour, alpha);
}

// ---- Sprites ----------------------------------------------------------------------------------

void F_DrawSprite(RValue&, CInstance* self, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  SpriteFrame s;
  if (!SpriteArg(a, self, s)) return;
  const float x = a.Real(2), y = a.Real(3), r = float(s.sprite->radius);
  if (!Draw_InView(x, y, r, r)) return;
  GR_Quad_Plain(s.image, x - float(s.sprite->xorigin), y - float(s.sprite->yorigin));
}

void F_DrawSpriteExt(RValue&, CInstance* self, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  SpriteFrame s;
  if (!SpriteArg(a, self, s)) return;
  const float x = a.Real(2), y = a.Real(3), sx = a.Real(4), sy = a.Real(5);
  const float r = float(s.sprite->radius) * std::max(std::fabs(sx), std::fabs(sy));
  if (!g_DrawState.mode3d && !Draw_InView(x, y, r, r)) return;
  GR_Quad_Scaled(s.image, float(s.sprite->xorigin), float(s.sprite->yorigin), x, y, sx, sy,
                 GR_Radians(a.Double(6)), a.Colour(7), a.Double(8));
}

void F_DrawSpritePos(RValue&, CInstance* self, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  SpriteFrame s;
  if (!SpriteArg(a, self, s)) return;
  float corners[8];
  for (int i = 0; i < 8; ++i) corners[i] = a.Real(2 + i);
  GR_Quad_Corners(s.image, corners, a.Double(10));
}

void DrawSpriteStretched(const FunctionArgs& a, CInstance* self, int32_t colour, double alpha) {
  SpriteFrame s;
  if (!SpriteArg(a, self, s)) return;
  GR_Quad_Stretched(s.image, s.sprite->width, s.sprite->height, a.Real(2), a.Real(3), a.Real(4), a.Real(5), colour,
                    alpha);
}
void F_DrawSpriteStretched(RValue&, CInstance* self, CInstance*, int argc, Args args) {
  DrawSpriteStretched({argc, args}, self, kColourWhite, g_DrawState.alpha);
}
void F_DrawSpriteStretchedExt(RValue&, CInstance* self, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  DrawSpriteStretched(a, self, a.Colour(6), a.Double(7));
}

void F_DrawSpritePart(RValue&, CInstance* self, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  SpriteFrame s;
  if (SpriteArg(a, self, s)) DrawPart(s.image, a, 2, 1, 1, 0, kColourWhite, g_DrawState.alpha);
}
void F_DrawSpritePartExt(RValue&, CInstance* self, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  SpriteFrame s;
  if (SpriteArg(a, self, s)) DrawPart(s.image, a, 2, a.Real(8), a.Real(9), 0, a.Colour(10), a.Double(11));
}

void F_DrawSpriteGeneral(RValue&, CInstance* self, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  SpriteFrame s;
  if (!SpriteArg(a, self, s)) return;
  const float r = float(s.sprite->radius);
  if (!Draw_InView(a.Real(6), a.Real(7), r * std::fabs(a.Real(8)), r * std::fabs(a.Real(9)))) return;
  DrawGeneral(s.image, a, 2);
}

void F_DrawSpriteTiled(RValue&, CInstance* self, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  SpriteFrame s;
  if (!SpriteArg(a, self, s)) return;
  DrawTiled(s.image, float(s.sprite->xorigin), float(s.sprite->yorigin), a, 2, 1, 1, kColourWhite,
            g_DrawState.alpha);
}
void F_DrawSpriteTiledExt(RValue&, CInstance* self, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  SpriteFrame s;
  if (!SpriteArg(a, self, s)) return;
  DrawTiled(s.image, float(s.sprite->xorigin), float(s.sprite->yorigin), a, 2, a.Real(4), a.Real(5), a.Colour(6),
            a.Double(7));
}

void F_DrawSelf(RValue&, CInstance* self, CInstance*, int, Args) { Sprite_DrawInstanceDefault(self); }

// ---- Backgrounds ------------------------------------------------------------------------------

void F_DrawBackground(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  QuadImage image;
  if (BackgroundArg(a, image)) GR_Quad_Plain(image, a.Real(1), a.Real(2));
}
void F_DrawBackgroundExt(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  QuadImage image;
  if (BackgroundArg(a, image)) {
    GR_Quad_Scaled(image, 0, 0, a.Real(1), a.Real(2), a.Real(3), a.Real(4), GR_Radians(a.Double(5)), a.Colour(6),
                   a.Double(7));
  }
}
void DrawBackgroundStretched(const FunctionArgs& a, int32_t colour, double alpha) {
  QuadImage image;
  if (const CBackground* b = BackgroundArg(a, image)) {
    GR_Quad_Stretched(image, b->width, b->height, a.Real(1), a.Real(2), a.Real(3), a.Real(4), colour, alpha);
  }
}
void F_DrawBackgroundStretched(RValue&, CInstance*, CInstance*, int argc, Args args) {
  DrawBackgroundStretched({argc, args}, kColourWhite, g_DrawState.alpha);
}
void F_DrawBackgroundStretchedExt(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  DrawBackgroundStretched(a, a.Colour(5), a.Double(6));
}
void F_DrawBackgroundPart(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  QuadImage image;
  if (BackgroundArg(a, image)) DrawPart(image, a, 1, 1, 1, 0, kColourWhite, g_DrawState.alpha);
}
void F_DrawBackgroundPartExt(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  QuadImage image;
  if (BackgroundArg(a, image)) DrawPart(image, a, 1, a.Real(7), a.Real(8), 0, a.Colour(9), a.Double(10));
}
void F_DrawBackgroundGeneral(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  QuadImage image;
  if (BackgroundArg(a, image)) DrawGeneral(image, a, 1);
}
void F_DrawBackgroundTiled(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  QuadImage image;
  if (BackgroundArg(a, image)) DrawTiled(image, 0, 0, a, 1, 1, 1, kColourWhite, g_DrawState.alpha);
}
void F_DrawBackgroundTiledExt(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  QuadImage image;
  if (BackgroundArg(a, image)) DrawTiled(image, 0, 0, a, 1, a.Real(3), a.Real(4), a.Colour(5), a.Double(6));
}

}  // namespace

void Function_SpriteDraw_Bind() {
  ImplementFunction("draw_sprite", F_DrawSprite);
  ImplementFunction("draw_sprite_ext", F_DrawSpriteExt);
  ImplementFunction("draw_sprite_pos", F_DrawSpritePos);
  ImplementFunction("draw_sprite_stretched", F_DrawSpriteStretched);
  ImplementFunction("draw_sprite_stretched_ext", F_DrawSpriteStretchedExt);
  ImplementFunction("draw_sprite_part", F_DrawSpritePart);
  ImplementFunction("draw_sprite_part_ext", F_DrawSpritePartExt);
  ImplementFunction("draw_sprite_general", F_DrawSpriteGeneral);
  ImplementFunction("draw_sprite_tiled", F_DrawSpriteTiled);
  ImplementFunction("draw_sprite_tiled_ext", F_DrawSpriteTiledExt);
  ImplementFunction("draw_self", F_DrawSelf);
  ImplementFunction("draw_background", F_DrawBackground);
  ImplementFunction("draw_background_ext", F_DrawBackgroundExt);
  ImplementFunction("draw_background_stretched", F_DrawBackgroundStretched);
  ImplementFunction("draw_background_stretched_ext", F_DrawBackgroundStretchedExt);
  ImplementFunction("draw_background_part", F_DrawBackgroundPart);
  ImplementFunction("draw_background_part_ext", F_DrawBackgroundPartExt);
  ImplementFunction("draw_background_general", F_DrawBackgroundGeneral);
  ImplementFunction("draw_background_tiled", F_DrawBackgroundTiled);
  ImplementFunction("draw_background_tiled_ext", F_DrawBackgroundTiledExt);
}
