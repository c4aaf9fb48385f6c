// CSprite: the animated images of instances, from the data file (frames on texture pages) or made at
// run time (frames as bitmaps with textures of their own), with their collision masks.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "Graphics/Graphics_Image.h"

struct TexturePageEntry;

class CSprite {
 public:
  CSprite() = default;
  virtual ~CSprite();  // frees run-time frames' textures
  CSprite(const CSprite&) = delete;
  CSprite& operator=(const CSprite&) = delete;

  // Largest ceil(distance) from the origin to a corner of the frame (view culling).
  void ComputeRadius();

  int32_t bboxMode = 0;  // 0 automatic, 1 full image, 2 manual
  int32_t bboxLeft = 0, bboxTop = 0, bboxRight = 0, bboxBottom = 0;
  int32_t frameCount = 0;
  int32_t width = 0, height = 0;
  int32_t xorigin = 0, yorigin = 0;
  int32_t radius = 0;
  bool precise = false;
  bool masksReady = false;
  bool transparent = false;
  bool smooth = false;
  bool preload = false;
  bool oneMaskForAll = true;
  // sprite_set_cache_size: kept, not acted on (textures here are never evicted); -1 none set.
  int32_t cacheSize = -1;
  // One byte a pixel (1 solid, 0 empty), width x height each; none, one for all frames, or one a frame.
  std::vector<std::vector<uint8_t>> masks;
  // Frames from the data file: page entries (not owned; they live in the texture-page store).
  std::vector<TexturePageEntry*> entries;
  // Frames made at run time: the bitmaps (owned) and their texture ids (-1 when none).
  std::vector<CBitmap32> bitmaps;
  std::vector<int> textures;
};

// ---- The sprite table --------------------------------------------------------------------------
int32_t Sprite_Count();
// The sprite at `index`, or null for an index out of range or an empty slot.
CSprite* Sprite_Get(int32_t index);
bool Sprite_Exists(int32_t index);
// "<undefined>" for a missing sprite.
const char* Sprite_Name(int32_t index);
// The index of the sprite with that name, or -1.
int32_t Sprite_Find(const char* name);
// Appends a sprite (owned by the table) and returns its index.
int32_t Sprite_Add(CSprite* sprite, const std::string& name);
// Replaces the sprite at `index` (the old one is freed); null empties the slot.
void Sprite_Set(int32_t index, CSprite* sprite, const std::string& name);
// Frees every sprite and the table (game end, and between data files in one process).
void Sprite_FreeAll();
