#include "Sprite/Sprite_Load.h"

#include <cstdio>
#include <memory>

#include "Graphics/Graphics_TexturePages.h"
#include "Sprite/Sprite_Class.h"

namespace {

// The largest frame side a sprite record may give (the page entries' fields are 16-bit).
constexpr int32_t kMaxSide = 32767;

CSprite* ReadSprite(const DataView& view, const ChunkInfo& chunk, uint32_t at, uint32_t index, std::string& name) {
  const char* text = view.stringAt(at, "sprite name");
  name = text != nullptr ? text : "";
  const char* n = name.c_str();
  auto* s = new CSprite();
  std::unique_ptr<CSprite> owner(s);
  s->width = view.i32(at + 4, "sprite width");
  s->height = view.i32(at + 8, "sprite height");
  if (s->width < 0 || s->height < 0 || s->width > kMaxSide || s->height > kMaxSide) {
    ThrowFormatError("sprite %u (%s) is %d x %d pixels (each side 0 to %d)", index, n, s->width, s->height, kMaxSide);
  }
  s->bboxLeft = view.i32(at + 12, "sprite bbox");
  s->bboxRight = view.i32(at + 16, "sprite bbox");
  s->bboxBottom = view.i32(at + 20, "sprite bbox");
  s->bboxTop = view.i32(at + 24, "sprite bbox");
  s->transparent = view.u32(at + 28, "sprite flags") != 0;
  s->smooth = view.u32(at + 32, "sprite flags") != 0;
  s->preload = view.u32(at + 36, "sprite flags") != 0;
  s->bboxMode = view.i32(at + 40, "sprite bbox mode");
  if (s->bboxMode < 0 || s->bboxMode > 2) ThrowFormatError("sprite %u (%s) has bounding box mode %d (0 to 2)", index, n, s->bboxMode);
  s->precise = view.u32(at + 44, "sprite flags") != 0;
  s->xorigin = view.i32(at + 48, "sprite origin");
  s->yorigin = view.i32(at + 52, "sprite origin");
  const uint32_t frames = view.u32(at + 56, "sprite frame count");
  view.require(uint64_t(at) + 60, uint64_t(frames) * 4 + 4, "sprite frame list");
  s->frameCount = int32_t(frames);
  s->entries.reserve(frames);
  for (uint32_t f = 0; f < frames; ++f) {
    char what[160];
    std::snprintf(what, sizeof what, "sprite %u (%s) frame %u", index, n, f);
    s->entries.push_back(TexturePages_Entry(view, view.u32(uint64_t(at) + 60 + 4 * uint64_t(f), what), what));
  }
  const uint64_t maskCountAt = uint64_t(at) + 60 + 4 * uint64_t(frames);
  const uint32_t masks = view.u32(maskCountAt, "sprite mask count");
  const uint64_t rowBytes = (uint64_t(s->width) + 7) / 8, maskBytes = rowBytes * uint64_t(s->height);
  if (masks > 0 && maskBytes == 0) {
    ThrowFormatError("sprite %u (%s) has %u masks for frames of %d x %d pixels", index, n, masks, s->width, s->height);
  }
  const uint64_t chunkEnd = uint64_t(chunk.body) + chunk.length;
  if (maskCountAt + 4 + maskBytes * masks > chunkEnd) {
    ThrowFormatError("sprite %u (%s): %u masks of %d x %d pixels need %llu bytes, but the SPRT chunk ends after %llu",
                     index, n, masks, s->width, s->height, static_cast<unsigned long long>(maskBytes * masks),
                     static_cast<unsigned long long>(chunkEnd > maskCountAt + 4 ? chunkEnd - maskCountAt - 4 : 0));
  }
  const uint8_t* bits = view.bytes(maskCountAt + 4, maskBytes * masks, "sprite masks");
  s->masks.resize(masks);
  for (uint32_t m = 0; m < masks; ++m) {
    std::vector<uint8_t>& mask = s->masks[m];
    mask.resize(size_t(s->width) * size_t(s->height));
    for (int32_t y = 0; y < s->height; ++y) {
      const uint8_t* row = bits + maskBytes * m + rowBytes * uint64_t(y);
      for (int32_t x = 0; x < s->width; ++x) mask[size_t(y) * size_t(s->width) + size_t(x)] = (row[x / 8] >> (7 - x % 8)) & 1;
    }
  }
  if (masks > 0) {
    s->masksReady = true;
    s->oneMaskForAll = masks != frames;
  }
  s->ComputeRadius();
  return owner.release();
}

}  // namespace

void Sprite_LoadSPRT(const DataView& view, const ChunkInfo& chunk) {
  const ListView list = view.list(chunk.body, "SPRT list");
  Sprite_FreeAll();
  for (uint32_t i = 0; i < list.count(); ++i) {
    const uint32_t at = list.entry(i);
    if (at == 0) {
      Sprite_Set(int32_t(i), nullptr, "");
      continue;
    }
    std::string name;
    CSprite* sprite = ReadSprite(view, chunk, at, i, name);
    Sprite_Set(int32_t(i), sprite, name);
  }
}
