// Backgrounds: single images drawn behind and in front of rooms and used as tile sets; from the data
// file (one texture-page entry) or made at run time (a bitmap with a texture of its own).
#pragma once
#include <cstdint>
#include <string>

#include "Graphics/Graphics_Image.h"

struct TexturePageEntry;

class CBackground {
 public:
  CBackground() = default;
  ~CBackground();  // frees a run-time image's texture
  CBackground(const CBackground&) = delete;
  CBackground& operator=(const CBackground&) = delete;

  int32_t width = 0, height = 0;
  bool transparent = false;
  bool smooth = false;
  bool preload = false;
  int texture = -1;                  // run-time image: its texture id, -1 when none
  CBitmap32 bitmap;                  // run-time image
  TexturePageEntry* entry = nullptr;  // from the data file (not owned)
};

// ---- The background table ----------------------------------------------------------------------
int32_t Background_Count();
// The background at `index`, or null for an index out of range or an empty slot.
CBackground* Background_Get(int32_t index);
bool Background_Exists(int32_t index);
// "<undefined>" for a missing background.
const char* Background_Name(int32_t index);
// The index of the background with that name, or -1.
int32_t Background_Find(const char* name);
int32_t Background_Add(CBackground* background, const std::string& name);
void Background_Set(int32_t index, CBackground* background, const std::string& name);
void Background_FreeAll();
