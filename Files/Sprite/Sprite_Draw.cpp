#include "Sprite/Sprite_Draw.h"

#include <algorithm>
#include <cmath>

#include "Background/Background_Class.h"
#include "Graphics/Graphics_Colour.h"
#include "Graphics/Graphics_DrawHooks.h"
#include "Graphics/Graphics_DrawState.h"
#include "Room/Room_Class.h"
#include "Run/Run_Instance.h"
#include "Sprite/Sprite_Class.h"

int32_t Sprite_FrameToDraw(int32_t frameCount, int32_t frame, const CInstance* self) {
  if (frameCount <= 0) return -1;
  int64_t f = frame;
  if (f < 0) {
    const double index = self != nullptr ? std::floor(double(self->image_index)) : 0.0;
    f = std::isfinite(index) && std::fabs(index) < 9e15 ? int64_t(index) : 0;
  }
  f %= frameCount;
  if (f < 0) f += frameCount;
  return int32_t(f);
}

QuadImage Sprite_FrameImage(const CSprite& sprite, int32_t frame) {
  if (frame < 0) return {};
  if (!sprite.entries.empty()) {
    return size_t(frame) < sprite.entries.size() ? QuadImage::Page(sprite.entries[size_t(frame)]) : QuadImage{};
  }
  if (size_t(frame) >= sprite.textures.size()) return {};
  int32_t w = sprite.width, h = sprite.height;
  if (size_t(frame) < sprite.bitmaps.size() && !sprite.bitmaps[size_t(frame)].Empty()) {
    w = sprite.bitmaps[size_t(frame)].Width();
    h = sprite.bitmaps[size_t(frame)].Height();
  }
  return QuadImage::Raw(sprite.textures[size_t(frame)], w, h);
}

QuadImage Background_Image(const CBackground& background) {
  if (background.entry != nullptr) return QuadImage::Page(background.entry);
  return QuadImage::Raw(background.texture, background.width, background.height);
}

bool Draw_InView(float x, float y, float rx, float ry) {
  if (g_DrawState.cullingOff) return true;
  const DrawArea& v = g_DrawState.view;
  return v.top - y <= ry && y - v.bottom <= ry && v.left - x <= rx && x - v.right <= rx;
}

void Sprite_DrawInstanceDefault(CInstance* self) {
  if (self == nullptr) return;
  const CSprite* sprite = Sprite_Get(self->sprite_index);
  if (sprite == nullptr) return;
  const QuadImage image = Sprite_FrameImage(*sprite, Sprite_FrameToDraw(sprite->frameCount, -1, self));
  if (!image.Drawable()) return;
  if (self->image_xscale == 1 && self->image_yscale == 1 && self->image_angle == 0 &&
      (self->image_blend & 0xFFFFFF) == uint32_t(kColourWhite) && self->image_alpha == 1) {
    GR_Quad_Plain(image, self->x - float(sprite->xorigin), self->y - float(sprite->yorigin));
    return;
  }
  GR_Quad_Scaled(image, float(sprite->xorigin), float(sprite->yorigin), self->x, self->y, self->image_xscale,
                 self->image_yscale, GR_Radians(self->image_angle), int32_t(self->image_blend & 0xFFFFFF),
                 self->image_alpha);
}

void Background_DrawLayer(const CBackgroundLayer& layer, const DrawArea& area) {
  const CBackground* background = Background_Get(layer.index);
  if (background == nullptr) return;
  QuadTiling t;
  t.x = layer.x;
  t.y = layer.y;
  t.sx = layer.xscale;
  t.sy = layer.yscale;
  t.htiled = layer.htiled;
  t.vtiled = layer.vtiled;
  t.left = area.left;
  t.top = area.top;
  t.width = area.right - area.left;
  t.height = area.bottom - area.top;
  GR_Quad_Tiled(Background_Image(*background), t, layer.blend, layer.alpha);
}

void Background_DrawTile(const CTile& tile) {
  if (!tile.visible) return;
  const CBackground* background = Background_Get(tile.background);
  if (background == nullptr) return;
  const int32_t colours[4] = {tile.blend, tile.blend, tile.blend, tile.blend};
  GR_Quad_Part(Background_Image(*background), float(tile.left), float(tile.top), float(tile.width),
               float(tile.height), tile.x, tile.y, tile.xscale, tile.yscale, 0, colours, tile.alpha);
}

void Sprite_DrawCursor(int sprite, int frame, float x, float y) {
  const CSprite* s = Sprite_Get(sprite);
  if (s == nullptr) return;
  const QuadImage image = Sprite_FrameImage(*s, Sprite_FrameToDraw(s->frameCount, std::max(frame, 0), nullptr));
  GR_Quad_Scaled(image, float(s->xorigin), float(s->yorigin), x, y, 1, 1, 0, kColourWhite, 1);
}

void Sprite_InstallDrawHooks() {
  g_DrawHooks.drawInstanceDefault = Sprite_DrawInstanceDefault;
  g_DrawHooks.drawBackgroundLayer = Background_DrawLayer;
  g_DrawHooks.drawTile = Background_DrawTile;
  g_DrawHooks.drawCursorSprite = Sprite_DrawCursor;
}
