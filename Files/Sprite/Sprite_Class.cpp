#include "Sprite/Sprite_Class.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "Graphics/Graphics_Texture.h"
#include "Support/Support_ResourceTable.h"

CSprite::~CSprite() {
  for (int id : textures) GR_Texture_Free(id);
}

void CSprite::ComputeRadius() {
  radius = 0;
  for (int32_t cx : {0, width}) {
    for (int32_t cy : {0, height}) {
      // In doubles, and held to the integer range: origins may be anywhere.
      const double dx = double(cx) - double(xorigin), dy = double(cy) - double(yorigin);
      const double r = std::min(std::ceil(std::sqrt(dx * dx + dy * dy)), double(INT32_MAX));
      radius = std::max(radius, int32_t(r));
    }
  }
}

namespace {
ResourceTable<CSprite> g_sprites;
}  // namespace

int32_t Sprite_Count() { return g_sprites.Count(); }
CSprite* Sprite_Get(int32_t index) { return g_sprites.Get(index); }
bool Sprite_Exists(int32_t index) { return g_sprites.Get(index) != nullptr; }
const char* Sprite_Name(int32_t index) { return g_sprites.Name(index); }
int32_t Sprite_Find(const char* name) { return g_sprites.Find(name); }
int32_t Sprite_Add(CSprite* sprite, const std::string& name) { return g_sprites.Add(sprite, name); }
void Sprite_Set(int32_t index, CSprite* sprite, const std::string& name) { g_sprites.Set(index, sprite, name); }
void Sprite_FreeAll() { g_sprites.Clear(); }
