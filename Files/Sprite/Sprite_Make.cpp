#include "Sprite/Sprite_Make.h"

#include <utility>

#include "Background/Background_Class.h"
#include "Graphics/Graphics_Texture.h"
#include "Runner/Runner_Folders.h"
#include "Sprite/Sprite_Class.h"
#include "Sprite/Sprite_Image.h"

bool Image_LoadForGame(const std::string& name, CBitmap32& image, std::string& error) {
  if (name.rfind("http://", 0) == 0 || name.rfind("https://", 0) == 0) {
    error = "web addresses are not supported";
    return false;
  }
  if (name.empty()) {
    error = "no file name";
    return false;
  }
  return Image_LoadPNGFile(Folders_FindForRead(name), image, error);
}

namespace {

// Steps 5 to 7 of making an image: opaque unless the alpha is kept, the background colour removed
// and the edges softened.
void Prepare(CBitmap32& frame, const ImageFileOptions& o) {
  if (!o.keepAlpha) Image_MakeOpaque(frame);
  if (o.transparent) {
    Image_RemoveBackground(frame);
    if (o.smooth) Image_SmoothEdges(frame);
  }
}

void FreeTextures(std::vector<int>& textures) {
  for (int id : textures) GR_Texture_Free(id);
  textures.clear();
}

}  // namespace

void Sprite_ComputeBoundingBox(CSprite& s) {
  if (s.bboxMode == 2) return;
  PixelBox box{0, 0, s.width - 1, s.height - 1};
  if (s.bboxMode == 0) {
    std::vector<std::vector<uint8_t>> alpha;
    std::vector<const std::vector<uint8_t>*> masks;
    if (!s.bitmaps.empty()) {
      for (const CBitmap32& b : s.bitmaps) alpha.push_back(Image_Mask(b));
      for (const auto& m : alpha) masks.push_back(&m);
    } else {
      for (const auto& m : s.masks) masks.push_back(&m);
    }
    PixelBox solid;
    if (!masks.empty() && Image_SolidBox(masks, s.width, s.height, solid)) box = solid;
  }
  s.bboxLeft = box.left;
  s.bboxTop = box.top;
  s.bboxRight = box.right;
  s.bboxBottom = box.bottom;
}

void Sprite_Refresh(CSprite& s) {
  FreeTextures(s.textures);
  for (const CBitmap32& b : s.bitmaps) s.textures.push_back(GR_Texture_CreateFromBitmap(b));
  Sprite_RefreshShape(s);
}

void Sprite_RefreshShape(CSprite& s) {
  if (!s.bitmaps.empty()) {
    s.masks.clear();
    s.masksReady = false;
    s.oneMaskForAll = true;
    if (s.precise && s.transparent) {
      for (const CBitmap32& b : s.bitmaps) s.masks.push_back(Image_Mask(b));
      s.masksReady = true;
      s.oneMaskForAll = false;
    }
  }
  Sprite_ComputeBoundingBox(s);
  s.ComputeRadius();
}

void Sprite_SetFrames(CSprite& s, std::vector<CBitmap32> frames) {
  s.entries.clear();
  s.bitmaps = std::move(frames);
  s.frameCount = int32_t(s.bitmaps.size());
  s.width = s.bitmaps.empty() ? 0 : s.bitmaps[0].Width();
  s.height = s.bitmaps.empty() ? 0 : s.bitmaps[0].Height();
  Sprite_Refresh(s);
}

CSprite* Sprite_MakeFromFile(const std::string& name, const ImageFileOptions& o, std::string& error) {
  CBitmap32 image;
  if (!Image_LoadForGame(name, image, error)) return nullptr;
  CSprite* s = Sprite_MakeFromImage(image, o);
  if (s == nullptr) error = "the image is narrower than the number of frames";
  return s;
}

CSprite* Sprite_MakeFromImage(const CBitmap32& image, const ImageFileOptions& o) {
  std::vector<CBitmap32> frames = Image_CutStrip(image, o.frames);
  if (frames.empty()) return nullptr;
  for (CBitmap32& f : frames) Prepare(f, o);
  auto* s = new CSprite();
  s->precise = o.precise;
  s->transparent = o.transparent;
  s->smooth = o.smooth;
  s->preload = o.preload;
  s->xorigin = o.xorigin;
  s->yorigin = o.yorigin;
  Sprite_SetFrames(*s, std::move(frames));
  return s;
}

CSprite* Sprite_Copy(const CSprite& from) {
  auto* s = new CSprite();
  s->bboxMode = from.bboxMode;
  s->bboxLeft = from.bboxLeft;
  s->bboxTop = from.bboxTop;
  s->bboxRight = from.bboxRight;
  s->bboxBottom = from.bboxBottom;
  s->frameCount = from.frameCount;
  s->width = from.width;
  s->height = from.height;
  s->xorigin = from.xorigin;
  s->yorigin = from.yorigin;
  s->radius = from.radius;
  s->precise = from.precise;
  s->masksReady = from.masksReady;
  s->transparent = from.transparent;
  s->smooth = from.smooth;
  s->preload = from.preload;
  s->oneMaskForAll = from.oneMaskForAll;
  s->masks = from.masks;
  s->entries = from.entries;
  s->bitmaps = from.bitmaps;
  for (const CBitmap32& b : s->bitmaps) s->textures.push_back(GR_Texture_CreateFromBitmap(b));
  return s;
}

CBackground* Background_FromBitmap(CBitmap32 image) {
  auto* b = new CBackground();
  b->bitmap = std::move(image);
  Background_Refresh(*b);
  return b;
}

void Background_Refresh(CBackground& b) {
  GR_Texture_Free(b.texture);
  b.texture = -1;
  if (b.bitmap.Empty()) return;
  b.entry = nullptr;
  b.width = b.bitmap.Width();
  b.height = b.bitmap.Height();
  b.texture = GR_Texture_CreateFromBitmap(b.bitmap);
}

CBackground* Background_MakeFromFile(const std::string& name, const ImageFileOptions& o, std::string& error) {
  CBitmap32 image;
  if (!Image_LoadForGame(name, image, error)) return nullptr;
  return Background_MakeFromImage(std::move(image), o);
}

CBackground* Background_MakeFromImage(CBitmap32 image, const ImageFileOptions& o) {
  if (image.Empty()) return nullptr;
  Prepare(image, o);
  CBackground* b = Background_FromBitmap(std::move(image));
  b->transparent = o.transparent;
  b->smooth = o.smooth;
  b->preload = o.preload;
  return b;
}

CBackground* Background_Copy(const CBackground& from) {
  auto* b = new CBackground();
  b->width = from.width;
  b->height = from.height;
  b->transparent = from.transparent;
  b->smooth = from.smooth;
  b->preload = from.preload;
  b->entry = from.entry;
  b->bitmap = from.bitmap;
  if (!b->bitmap.Empty()) b->texture = GR_Texture_CreateFromBitmap(b->bitmap);
  return b;
}

std::string Sprite_NewName(int32_t index) { return "__newsprite" + std::to_string(index); }
std::string Background_NewName(int32_t index) { return "__newbackground" + std::to_string(index); }
