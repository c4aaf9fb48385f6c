// The runner-wide texture table: texture ids, their slots and the device textures behind them.
//
// A texture id indexes the table; ids stay stable for the life of a texture, and a freed slot keeps
// its memory (valid = 0) and is reused by the next creation. The device textures themselves belong
// to the device layer (Graphics_API/Graphics_Device.h).
#pragma once
#include <cstddef>
#include <cstdint>

class CBitmap32;
struct DeviceTexture;

// Format codes of the runner (not device numbers): 0 the decoder chooses, 6 32-bit ARGB, 11 16-bit
// ARGB 4444; others are kept but drawn as 6.
inline constexpr int kTextureFormatAny = 0;
inline constexpr int kTextureFormatARGB = 6;
inline constexpr int kTextureFormatARGB4444 = 11;

struct TextureSlot {
  DeviceTexture* texture = nullptr;  // owned; null when creation or decoding failed
  int16_t width = 0;                 // the image's size (the requested size for an empty texture)
  int16_t height = 0;
  float recipWidth = 0;              // turns pixel positions into texture coordinates
  float recipHeight = 0;
  uint8_t valid = 0;                 // 1 while the slot holds a texture
};

// Creates a texture from an encoded image in memory (PNG, or the runner's "RAW " block) that starts
// at `data`; decoding never reads past `maxLength` bytes. Returns the id, or -1 when no slot could be
// filled (an image that does not decode yields -1 and leaves no slot behind).
int GR_Texture_CreateFromImage(const uint8_t* data, size_t maxLength, int formatCode = kTextureFormatARGB);
// Creates a texture from a decoded image (sprites and backgrounds made at run time). Returns the id or -1.
int GR_Texture_CreateFromBitmap(const CBitmap32& image);
// Creates an empty texture; a render target keeps its exact size, any other texture has its sides
// rounded up to powers of two from 64 to 4096. Returns the id or -1.
int GR_Texture_CreateEmpty(int32_t width, int32_t height, bool renderTarget);
// Releases the device texture and marks the slot free; ids out of range are ignored.
void GR_Texture_Free(int id);
// Releases every slot and the table (shut-down, and between data files in one process).
void GR_Texture_FreeAll();

bool GR_Texture_Exists(int id);
// The slot of a valid id, or null.
TextureSlot* GR_Texture_Slot(int id);
// width x recipWidth, height x recipHeight: 1 for an id out of range or free.
float GR_Texture_WidthFraction(int id);
float GR_Texture_HeightFraction(int id);
// Number of slots (valid or not).
int GR_Texture_Count();

// The side a non-render-target texture gets for a wanted side: 64, 128, ... up to 4096.
int32_t GR_Texture_RoundedSide(int32_t wanted);
