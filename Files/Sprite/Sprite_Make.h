// Making sprites and backgrounds at run time: from image files, from bitmaps, as copies; and keeping
// their textures, masks and bounding boxes in step with their pixels.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "Graphics/Graphics_Image.h"

class CBackground;
class CSprite;

// How an image file becomes frames.
struct ImageFileOptions {
  int32_t frames = 1;        // cut a strip into this many frames (< 1 counts as 1)
  bool precise = false;      // build collision masks (with transparent)
  bool transparent = false;  // remove the background colour
  bool smooth = false;       // soften the edges of transparent areas (with transparent)
  bool preload = false;
  bool keepAlpha = false;    // keep the file's alpha (the _alpha functions); else made opaque
  int32_t xorigin = 0, yorigin = 0;
};

// Reads an image file named by game code (looked up as the file functions do). Web addresses are
// not supported and fail like a missing file. False with `error` set.
bool Image_LoadForGame(const std::string& name, CBitmap32& image, std::string& error);

// A new run-time sprite from a file; null with `error` set when the file cannot be read.
CSprite* Sprite_MakeFromFile(const std::string& name, const ImageFileOptions& options, std::string& error);
// A new run-time sprite from an image in memory (cut and prepared as a file's); null when the image
// is narrower than the number of frames.
CSprite* Sprite_MakeFromImage(const CBitmap32& image, const ImageFileOptions& options);
// Gives a run-time sprite new frames (all of the first frame's size) and refreshes it.
void Sprite_SetFrames(CSprite& sprite, std::vector<CBitmap32> frames);
// After a change of pixels, flags or box mode: textures of the frames, masks (when precise and
// transparent), the bounding box by its mode, and the radius.
void Sprite_Refresh(CSprite& sprite);
// The same without the textures (the pixels did not change).
void Sprite_RefreshShape(CSprite& sprite);
// The bounding box by the sprite's mode: 0 around the pixels that are not fully transparent (or the
// masks' solid pixels for sprites from the data file), 1 the full frame, 2 left as it is.
void Sprite_ComputeBoundingBox(CSprite& sprite);
// A copy with textures of its own (page entries are shared).
CSprite* Sprite_Copy(const CSprite& sprite);

// A new run-time background from a file; null with `error` set.
CBackground* Background_MakeFromFile(const std::string& name, const ImageFileOptions& options, std::string& error);
// A new run-time background from an image in memory, prepared as a file's; null for an empty image.
CBackground* Background_MakeFromImage(CBitmap32 image, const ImageFileOptions& options);
// A new run-time background holding `image`.
CBackground* Background_FromBitmap(CBitmap32 image);
// After a change of pixels: size and texture.
void Background_Refresh(CBackground& background);
CBackground* Background_Copy(const CBackground& background);

// The name of a sprite or background added at run time.
std::string Sprite_NewName(int32_t index);
std::string Background_NewName(int32_t index);
