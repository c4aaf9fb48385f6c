#include "Sprite/Sprite_TextureHandle.h"

#include <cmath>

#include "Background/Background_Class.h"
#include "Graphics/Graphics_Texture.h"
#include "Sprite/Sprite_Class.h"

namespace {

constexpr double kPageBase = 1099511627776.0;  // 2^40
constexpr double kIndexUnit = 1048576.0;       // 2^20: the frame field below it
constexpr int32_t kFieldLimit = 1 << 20;

// A page handle: kind 0 sprite, 1 background; index and frame each below 2^20.
double PageHandle(int kind, int32_t index, int32_t frame) {
  if (index < 0 || index >= kFieldLimit || frame < 0 || frame >= kFieldLimit) return -1;
  return kPageBase * (1 + kind) + double(index) * kIndexUnit + double(frame);
}

}  // namespace

double Sprite_TextureHandle(int32_t sprite, int32_t frame) {
  const CSprite* s = Sprite_Get(sprite);
  if (s == nullptr || frame < 0) return -1;
  if (!s->entries.empty()) return size_t(frame) < s->entries.size() ? PageHandle(0, sprite, frame) : -1;
  return size_t(frame) < s->textures.size() ? s->textures[size_t(frame)] : -1;
}

double Background_TextureHandle(int32_t background) {
  const CBackground* b = Background_Get(background);
  if (b == nullptr) return -1;
  return b->entry != nullptr ? PageHandle(1, background, 0) : b->texture;
}

bool TextureHandle_Resolve(double handle, int* texture, TexturePageEntry** entry) {
  *texture = -1;
  *entry = nullptr;
  if (!std::isfinite(handle) || handle < 0 || handle != std::floor(handle) || handle >= kPageBase * 3) return false;
  if (handle < kPageBase) {
    if (handle > 2147483647.0) return false;
    *texture = int(handle);
    return GR_Texture_Exists(*texture);
  }
  const int kind = handle >= kPageBase * 2 ? 1 : 0;
  const double rest = handle - kPageBase * (1 + kind);
  const int32_t index = int32_t(std::floor(rest / kIndexUnit));
  const int32_t frame = int32_t(rest - double(index) * kIndexUnit);
  if (kind == 1) {
    const CBackground* b = Background_Get(index);
    *entry = frame == 0 && b != nullptr ? b->entry : nullptr;
  } else {
    const CSprite* s = Sprite_Get(index);
    *entry = s != nullptr && size_t(frame) < s->entries.size() ? s->entries[size_t(frame)] : nullptr;
  }
  return *entry != nullptr;
}
