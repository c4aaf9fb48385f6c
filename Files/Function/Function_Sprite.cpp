// Sprite resources from game code: queries, setters, sprites made from image files, copies, merges,
// saving frames as PNG files, collision masks and texture handles.
#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Code/Code_Error.h"
#include "Function/Function_Arguments.h"
#include "Graphics/Graphics_Display.h"
#include "Graphics/Graphics_Surface.h"
#include "Graphics/Graphics_TexturePages.h"
#include "Platform/Platform_Console.h"
#include "Run/Run_Instance.h"
#include "Run/Run_World.h"
#include "Runner/Runner_Folders.h"
#include "Sprite/Sprite_Class.h"
#include "Sprite/Sprite_Draw.h"
#include "Sprite/Sprite_Image.h"
#include "Sprite/Sprite_Make.h"
#include "Sprite/Sprite_TextureHandle.h"

namespace {

using Args = RValue*;

CSprite* SpriteArg(const FunctionArgs& a, int i = 0) { return Sprite_Get(a.Index(i)); }

// Instances cache their boxes; a change of a sprite's box or origin makes every cached box suspect.
void BoxesChanged() {
  for (CInstanceList* list : {&World_Active(), &World_Deactivated()}) {
    for (CInstance* i : list->Items()) i->MarkBoxDirty();
  }
}

// ---- Queries ----------------------------------------------------------------------------------

void F_SpriteExists(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(SpriteArg({argc, args}) != nullptr ? 1 : 0);
}
void F_SpriteGetName(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetString(Sprite_Name(FunctionArgs{argc, args}.Index(0)));
}

#define SPRITE_QUERY(Name, expr)                                                               \
  void Name(RValue& r, CInstance*, CInstance*, int argc, Args args) {                          \
    FunctionQueryResult(r, SpriteArg({argc, args}), [](const CSprite& s) { return expr; });    \
  }
SPRITE_QUERY(F_SpriteGetNumber, s.frameCount)
SPRITE_QUERY(F_SpriteGetWidth, s.width)
SPRITE_QUERY(F_SpriteGetHeight, s.height)
SPRITE_QUERY(F_SpriteGetTransparent, s.transparent ? 1 : 0)
SPRITE_QUERY(F_SpriteGetSmooth, s.smooth ? 1 : 0)
SPRITE_QUERY(F_SpriteGetPreload, s.preload ? 1 : 0)
SPRITE_QUERY(F_SpriteGetXOffset, s.xorigin)
SPRITE_QUERY(F_SpriteGetYOffset, s.yorigin)
SPRITE_QUERY(F_SpriteGetBBoxMode, s.bboxMode)
SPRITE_QUERY(F_SpriteGetBBoxLeft, s.bboxLeft)
SPRITE_QUERY(F_SpriteGetBBoxRight, s.bboxRight)
SPRITE_QUERY(F_SpriteGetBBoxTop, s.bboxTop)
SPRITE_QUERY(F_SpriteGetBBoxBottom, s.bboxBottom)
SPRITE_QUERY(F_SpriteGetPrecise, s.precise ? 1 : 0)
#undef SPRITE_QUERY

void F_SpriteGetTexture(RValue& r, CInstance* self, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  const CSprite* s = SpriteArg(a);
  r.SetReal(-1);
  if (s == nullptr) {
    ReportActionError("Trying to get texture from non-existing sprite.", false);
    return;
  }
  const int32_t frame = Sprite_FrameToDraw(s->frameCount, a.Index(1), self);
  if (frame >= 0) r.SetReal(Sprite_TextureHandle(a.Index(0), frame));
}

// sprite_get_tpe(ind, subimg): the file offset of the frame's texture-page entry, the number by
// which the data file names it; -1 for frames made at run time.
void F_SpriteGetTpe(RValue& r, CInstance* self, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  const CSprite* s = SpriteArg(a);
  r.SetReal(-1);
  if (s == nullptr) {
    ReportActionError("Trying to get the texture-page entry of a non-existing sprite.", false);
    return;
  }
  const int32_t frame = Sprite_FrameToDraw(s->frameCount, a.Index(1), self);
  if (frame < 0 || size_t(frame) >= s->entries.size()) return;
  for (int32_t i = 0; i < TexturePages_EntryCount(); ++i) {
    uint32_t offset = 0;
    if (TexturePages_EntryByIndex(i, &offset, nullptr) == s->entries[size_t(frame)]) {
      r.SetReal(offset);
      return;
    }
  }
}

// sprite_set_cache_size(ind, max) and sprite_set_cache_size_ext(ind, max, ...): the setting is kept.
void F_SpriteSetCacheSize(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  CSprite* s = SpriteArg(a);
  if (s == nullptr) {
    ReportActionError("Trying to set the cache size of a non-existing sprite.", false);
    return;
  }
  s->cacheSize = a.Index(1);
}

// ---- Setters ----------------------------------------------------------------------------------

void F_SpriteSetOffset(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  CSprite* s = SpriteArg(a);
  if (s == nullptr) return;
  s->xorigin = a.Index(1);
  s->yorigin = a.Index(2);
  s->ComputeRadius();
  BoxesChanged();
}

void F_SpriteSetBBoxMode(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  CSprite* s = SpriteArg(a);
  const int32_t mode = a.Index(1);
  if (s == nullptr || mode < 0 || mode > 2) return;
  s->bboxMode = mode;
  Sprite_ComputeBoundingBox(*s);
  BoxesChanged();
}

void F_SpriteSetBBox(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  CSprite* s = SpriteArg(a);
  if (s == nullptr) return;
  s->bboxLeft = a.Index(1);
  s->bboxTop = a.Index(2);
  s->bboxRight = a.Index(3);
  s->bboxBottom = a.Index(4);
  BoxesChanged();
}

void F_SpriteSetPrecise(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  CSprite* s = SpriteArg(a);
  if (s == nullptr) return;
  s->precise = a.Flag(1);
  Sprite_RefreshShape(*s);
  BoxesChanged();
}

// Both sprites must hold their pixels (made at run time): sprites from the game file keep theirs on
// texture pages only.
bool PixelsOf(const CSprite& s, const char* function) {
  if (!s.bitmaps.empty() || s.frameCount == 0) return true;
  Console::Output("%s - sprites from the game file cannot be changed or saved\n", function);
  return false;
}

void F_SpriteSetAlphaFromSprite(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  CSprite* s = SpriteArg(a, 0);
  const CSprite* from = SpriteArg(a, 1);
  if (s == nullptr || from == nullptr || from->bitmaps.empty()) return;
  if (!PixelsOf(*s, "sprite_set_alpha_from_sprite") || !PixelsOf(*from, "sprite_set_alpha_from_sprite")) return;
  for (size_t i = 0; i < s->bitmaps.size(); ++i) {
    Image_AlphaFromIntensity(s->bitmaps[i], from->bitmaps[i % from->bitmaps.size()]);
  }
  Sprite_Refresh(*s);
  BoxesChanged();
}

// ---- Made from files --------------------------------------------------------------------------

// The options of the short forms (removeback, smooth at `first`, origin after them) and the long
// form (precise, transparent, smooth, preload, then the origin).
ImageFileOptions ShortForm(const FunctionArgs& a, int first, bool keepAlpha) {
  ImageFileOptions o;
  o.transparent = a.Double(first) >= 0.5;
  o.smooth = a.Double(first + 1) > 0.5;
  o.keepAlpha = keepAlpha;
  o.xorigin = a.Index(first + 2);
  o.yorigin = a.Index(first + 3);
  return o;
}
ImageFileOptions LongForm(const FunctionArgs& a, int first) {
  ImageFileOptions o;
  o.precise = a.Flag(first);
  o.transparent = a.Flag(first + 1);
  o.smooth = a.Flag(first + 2);
  o.preload = a.Flag(first + 3);
  o.xorigin = a.Index(first + 4);
  o.yorigin = a.Index(first + 5);
  return o;
}

CSprite* Load(const char* function, const std::string& name, ImageFileOptions o, int32_t frames) {
  o.frames = frames;
  std::string error;
  CSprite* s = Sprite_MakeFromFile(name, o, error);
  if (s == nullptr) Console::Output("%s - unable to load %s: %s\n", function, name.c_str(), error.c_str());
  return s;
}

void Add(RValue& r, const FunctionArgs& a, const char* function, const ImageFileOptions& o) {
  r.SetReal(-1);
  if (CSprite* s = Load(function, a.Str(0), o, a.Index(1))) {
    const int32_t index = Sprite_Count();
    Sprite_Add(s, Sprite_NewName(index));
    r.SetReal(index);
  }
}

void Replace(RValue& r, const FunctionArgs& a, const char* function, const ImageFileOptions& o) {
  r.SetReal(0);
  const int32_t index = a.Index(0);
  if (!Sprite_Exists(index)) return;
  if (CSprite* s = Load(function, a.Str(1), o, a.Index(2))) {
    Sprite_Set(index, s, Sprite_Name(index));
    BoxesChanged();
    r.SetReal(1);
  }
}

void F_SpriteAdd(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  Add(r, a, "sprite_add", argc >= 8 ? LongForm(a, 2) : ShortForm(a, 2, false));
}
void F_SpriteAddAlpha(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  Add(r, a, "sprite_add_alpha", ShortForm(a, 2, true));
}
void F_SpriteReplace(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  Replace(r, a, "sprite_replace", argc >= 9 ? LongForm(a, 3) : ShortForm(a, 3, false));
}
void F_SpriteReplaceAlpha(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  Replace(r, a, "sprite_replace_alpha", ShortForm(a, 3, true));
}

// ---- Made from the screen and from surfaces ---------------------------------------------------

// The pixels of the screen rectangle (x, y, w, h) at `first`, or of the surface rectangle (id, x, y,
// w, h); empty when nothing can be read.
CBitmap32 ScreenPart(const FunctionArgs& a, int first) {
  CBitmap32 out;
  Display_ReadScreen(a.Index(first), a.Index(first + 1), a.Index(first + 2), a.Index(first + 3), out);
  return out;
}
CBitmap32 SurfacePart(const FunctionArgs& a, int first) {
  const SurfaceRecord* s = Surface_Get(a.Index(first));
  if (s == nullptr) return CBitmap32();
  return Surface_Read(*s, a.Index(first + 1), a.Index(first + 2), a.Index(first + 3), a.Index(first + 4));
}

// A new sprite of one frame from read pixels (kept as read): removeback and smooth at `first`, then
// preload when `withPreload`, then the origin.
void CreateFromPixels(RValue& r, const FunctionArgs& a, const CBitmap32& image, int first, bool withPreload) {
  ImageFileOptions o = ShortForm(a, first, true);
  if (withPreload) {
    o.preload = a.Flag(first + 2);
    o.xorigin = a.Index(first + 3);
    o.yorigin = a.Index(first + 4);
  }
  r.SetReal(-1);
  CSprite* s = image.Empty() ? nullptr : Sprite_MakeFromImage(image, o);
  if (s == nullptr) return;
  const int32_t index = Sprite_Count();
  Sprite_Add(s, Sprite_NewName(index));
  r.SetReal(index);
}

// Appends read pixels as a frame of sprite `ind` (stretched to its frame size), removeback and
// smooth at `first` when given.
void AddFramePixels(const FunctionArgs& a, CBitmap32 image, int first, const char* function) {
  CSprite* s = SpriteArg(a);
  if (s == nullptr || image.Empty() || !PixelsOf(*s, function)) return;
  ImageFileOptions o;
  o.keepAlpha = true;
  if (a.argc > first) o = ShortForm(a, first, true);
  std::vector<CBitmap32> frames = s->bitmaps;
  const int32_t w = frames.empty() ? image.Width() : s->width, h = frames.empty() ? image.Height() : s->height;
  std::unique_ptr<CSprite> one(Sprite_MakeFromImage(Image_Stretched(image, w, h), o));
  if (one == nullptr) return;
  frames.push_back(std::move(one->bitmaps[0]));
  Sprite_SetFrames(*s, std::move(frames));
  BoxesChanged();
}

void F_SpriteCreateFromScreen(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  CreateFromPixels(r, a, ScreenPart(a, 0), 4, argc >= 9);
}
void F_SpriteCreateFromSurface(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  CreateFromPixels(r, a, SurfacePart(a, 0), 5, argc >= 10);
}
void F_SpriteAddFromScreen(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  AddFramePixels(a, ScreenPart(a, 1), 5, "sprite_add_from_screen");
}
void F_SpriteAddFromSurface(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  AddFramePixels(a, SurfacePart(a, 1), 6, "sprite_add_from_surface");
}

void F_Unsupported(RValue& r, CInstance*, CInstance*, int, Args) {
  Console::Output("unsupported function\n");
  r.SetReal(-1);
}

// ---- Copies, merges and deletion --------------------------------------------------------------

void F_SpriteDelete(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const int32_t index = FunctionArgs{argc, args}.Index(0);
  if (Sprite_Exists(index)) Sprite_Set(index, nullptr, "");
  BoxesChanged();
}

void F_SpriteDuplicate(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  const CSprite* s = SpriteArg({argc, args});
  r.SetReal(-1);
  if (s == nullptr) return;
  const int32_t index = Sprite_Count();
  Sprite_Add(Sprite_Copy(*s), Sprite_NewName(index));
  r.SetReal(index);
}

void F_SpriteAssign(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  const int32_t index = a.Index(0);
  const CSprite* from = SpriteArg(a, 1);
  r.SetReal(0);
  if (!Sprite_Exists(index) || from == nullptr) return;
  if (Sprite_Get(index) != from) Sprite_Set(index, Sprite_Copy(*from), Sprite_Name(index));
  BoxesChanged();
  r.SetReal(1);
}

// Appends the frames of the second sprite to the first, stretched to its frame size.
void F_SpriteMerge(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  CSprite* s = SpriteArg(a, 0);
  const CSprite* from = SpriteArg(a, 1);
  if (s == nullptr || from == nullptr || s == from) return;
  if (!s->entries.empty() && !from->entries.empty()) {
    s->entries.insert(s->entries.end(), from->entries.begin(), from->entries.end());
    s->frameCount = int32_t(s->entries.size());
    return;
  }
  if (!PixelsOf(*s, "sprite_merge") || !PixelsOf(*from, "sprite_merge")) return;
  std::vector<CBitmap32> frames = s->bitmaps;
  const int32_t w = frames.empty() ? from->width : s->width, h = frames.empty() ? from->height : s->height;
  for (const CBitmap32& b : from->bitmaps) frames.push_back(Image_Stretched(b, w, h));
  Sprite_SetFrames(*s, std::move(frames));
  BoxesChanged();
}

// ---- Saving -----------------------------------------------------------------------------------

void Save(RValue& r, const char* function, const std::string& name, const CBitmap32& image) {
  std::string error;
  if (Image_SavePNGFile(Folders_MapForWrite(name), image.Data(), image.Width(), image.Height(), error)) {
    r.SetReal(1);
  } else {
    Console::Output("%s - unable to write file %s: %s\n", function, name.c_str(), error.c_str());
  }
}

void F_SpriteSave(RValue& r, CInstance* self, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  const CSprite* s = SpriteArg(a);
  r.SetReal(0);
  if (s == nullptr || !PixelsOf(*s, "sprite_save")) return;
  const int32_t frame = Sprite_FrameToDraw(int32_t(s->bitmaps.size()), a.Index(1), self);
  if (frame >= 0) Save(r, "sprite_save", a.Str(2), s->bitmaps[size_t(frame)]);
}

void F_SpriteSaveStrip(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  const CSprite* s = SpriteArg(a);
  r.SetReal(0);
  if (s == nullptr || s->bitmaps.empty() || !PixelsOf(*s, "sprite_save_strip")) return;
  if (int64_t(s->width) * int64_t(s->bitmaps.size()) > kImageMaxSide) {
    Console::Output("sprite_save_strip - the strip would be wider than %d pixels\n", kImageMaxSide);
    return;
  }
  CBitmap32 strip(s->width * int32_t(s->bitmaps.size()), s->height);
  for (size_t i = 0; i < s->bitmaps.size(); ++i) strip.Blit(s->bitmaps[i], int32_t(i) * s->width, 0);
  Save(r, "sprite_save_strip", a.Str(1), strip);
}

// ---- Collision masks --------------------------------------------------------------------------

// Whether pixel (x, y) of a box (l, t, r, b) lies in the shape of `kind`: 1 the box, 2 the ellipse
// and 3 the diamond inscribed in it (pixel centres tested).
bool InShape(int32_t kind, int32_t x, int32_t y, const PixelBox& box) {
  const double ax = (box.right - box.left + 1) / 2.0, ay = (box.bottom - box.top + 1) / 2.0;
  const double dx = (x + 0.5 - box.left - ax) / ax, dy = (y + 0.5 - box.top - ay) / ay;
  if (kind == 2) return dx * dx + dy * dy <= 1.0;
  if (kind == 3) return std::fabs(dx) + std::fabs(dy) <= 1.0;
  return true;
}

// sprite_collision_mask (ind, sepmasks, bboxmode, left, top, right, bottom, kind, tolerance): masks
// of kind 0 (the pixels whose alpha is above tolerance), 1 (the box), 2 (ellipse) or 3 (diamond),
// one per frame or one for all, within the box of the mode (0 around those pixels, 1 the full frame,
// 2 the given box). The sprite then collides precisely with them.
void F_SpriteCollisionMask(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  CSprite* s = SpriteArg(a);
  if (s == nullptr || s->width <= 0 || s->height <= 0) return;
  const bool separate = a.Flag(1);
  const int32_t mode = std::clamp(a.Index(2), 0, 2), kind = a.Index(7), tolerance = a.Index(8);
  const int32_t w = s->width, h = s->height;
  const size_t size = size_t(w) * size_t(h);
  // The pixels each frame counts as solid.
  std::vector<std::vector<uint8_t>> solid;
  for (const CBitmap32& b : s->bitmaps) solid.push_back(Image_Mask(b, tolerance));
  if (solid.empty()) solid = s->masks;
  if (solid.empty()) solid.assign(1, std::vector<uint8_t>(size, 1));
  std::vector<const std::vector<uint8_t>*> all;
  for (const auto& m : solid) all.push_back(&m);
  PixelBox box{0, 0, w - 1, h - 1};
  if (mode == 2) box = {a.Index(3), a.Index(4), a.Index(5), a.Index(6)};
  if (mode == 0 && !Image_SolidBox(all, w, h, box)) box = PixelBox{0, 0, w - 1, h - 1};
  s->bboxMode = mode;
  s->bboxLeft = box.left;
  s->bboxTop = box.top;
  s->bboxRight = box.right;
  s->bboxBottom = box.bottom;
  std::vector<std::vector<uint8_t>> masks(separate ? solid.size() : 1, std::vector<uint8_t>(size, 0));
  for (size_t f = 0; f < solid.size(); ++f) {
    std::vector<uint8_t>& out = masks[separate ? f : 0];
    for (int32_t y = std::max(box.top, 0); y <= std::min(box.bottom, h - 1); ++y) {
      for (int32_t x = std::max(box.left, 0); x <= std::min(box.right, w - 1); ++x) {
        const size_t i = size_t(y) * size_t(w) + size_t(x);
        if (solid[f].size() == size && (kind == 0 ? solid[f][i] != 0 : InShape(kind, x, y, box))) out[i] = 1;
      }
    }
  }
  s->masks = std::move(masks);
  s->masksReady = true;
  s->oneMaskForAll = !separate;
  s->precise = true;
  BoxesChanged();
}

}  // namespace

void Function_Sprite_Bind() {
  ImplementFunction("sprite_exists", F_SpriteExists);
  ImplementFunction("sprite_get_name", F_SpriteGetName);
  ImplementFunction("sprite_name", F_SpriteGetName);
  ImplementFunction("sprite_get_number", F_SpriteGetNumber);
  ImplementFunction("sprite_get_width", F_SpriteGetWidth);
  ImplementFunction("sprite_get_height", F_SpriteGetHeight);
  ImplementFunction("sprite_get_transparent", F_SpriteGetTransparent);
  ImplementFunction("sprite_get_smooth", F_SpriteGetSmooth);
  ImplementFunction("sprite_get_preload", F_SpriteGetPreload);
  ImplementFunction("sprite_get_xoffset", F_SpriteGetXOffset);
  ImplementFunction("sprite_get_yoffset", F_SpriteGetYOffset);
  ImplementFunction("sprite_get_bbox_mode", F_SpriteGetBBoxMode);
  ImplementFunction("sprite_get_bbox_left", F_SpriteGetBBoxLeft);
  ImplementFunction("sprite_get_bbox_right", F_SpriteGetBBoxRight);
  ImplementFunction("sprite_get_bbox_top", F_SpriteGetBBoxTop);
  ImplementFunction("sprite_get_bbox_bottom", F_SpriteGetBBoxBottom);
  ImplementFunction("sprite_get_precise", F_SpriteGetPrecise);
  ImplementFunction("sprite_get_texture", F_SpriteGetTexture);
  ImplementFunction("sprite_get_tpe", F_SpriteGetTpe);
  ImplementFunction("sprite_set_cache_size", F_SpriteSetCacheSize);
  ImplementFunction("sprite_set_cache_size_ext", F_SpriteSetCacheSize);
  ImplementFunction("sprite_set_offset", F_SpriteSetOffset);
  ImplementFunction("sprite_set_bbox_mode", F_SpriteSetBBoxMode);
  ImplementFunction("sprite_set_bbox", F_SpriteSetBBox);
  ImplementFunction("sprite_set_precise", F_SpriteSetPrecise);
  ImplementFunction("sprite_set_alpha_from_sprite", F_SpriteSetAlphaFromSprite);
  ImplementFunction("sprite_add", F_SpriteAdd);
  ImplementFunction("sprite_add_alpha", F_SpriteAddAlpha);
  ImplementFunction("sprite_replace", F_SpriteReplace);
  ImplementFunction("sprite_replace_alpha", F_SpriteReplaceAlpha);
  ImplementFunction("sprite_create_from_screen", F_SpriteCreateFromScreen);
  ImplementFunction("sprite_create_from_surface", F_SpriteCreateFromSurface);
  ImplementFunction("sprite_add_from_screen", F_SpriteAddFromScreen);
  ImplementFunction("sprite_add_from_surface", F_SpriteAddFromSurface);
  ImplementFunction("sprite_add_sprite", F_Unsupported);
  ImplementFunction("sprite_replace_sprite", F_Unsupported);
  ImplementFunction("sprite_delete", F_SpriteDelete);
  ImplementFunction("sprite_duplicate", F_SpriteDuplicate);
  ImplementFunction("sprite_assign", F_SpriteAssign);
  ImplementFunction("sprite_merge", F_SpriteMerge);
  ImplementFunction("sprite_save", F_SpriteSave);
  ImplementFunction("sprite_save_strip", F_SpriteSaveStrip);
  ImplementFunction("sprite_collision_mask", F_SpriteCollisionMask);
}
