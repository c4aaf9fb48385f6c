#include "Graphics/Graphics_Texture.h"

#include <cstring>
#include <string>
#include <vector>

#include "Graphics/Graphics_Batch.h"
#include "Graphics/Graphics_Image.h"
#include "Graphics_API/Graphics_Device.h"
#include "Platform/Platform_Console.h"

namespace {

std::vector<TextureSlot*> g_slots;

constexpr int32_t kMaxSide = 8192;

// The first free slot, or a new one at the end.
int TakeSlot() {
  for (size_t i = 0; i < g_slots.size(); ++i) {
    if (g_slots[i]->valid == 0) return int(i);
  }
  g_slots.push_back(new TextureSlot);
  return int(g_slots.size() - 1);
}

int Fill(DeviceTexture* texture, int32_t width, int32_t height, float recipWidth, float recipHeight) {
  const int id = TakeSlot();
  TextureSlot& slot = *g_slots[size_t(id)];
  slot.texture = texture;
  slot.width = int16_t(width);
  slot.height = int16_t(height);
  slot.recipWidth = recipWidth;
  slot.recipHeight = recipHeight;
  slot.valid = 1;
  return id;
}

DeviceTexture* MakeDeviceTexture(int32_t width, int32_t height, bool renderTarget, int formatCode) {
  GraphicsDevice& device = Device();
  DeviceTexture* texture = device.CreateTexture(width, height, renderTarget);
  if (texture == nullptr) {
    Console::Output("CreateTexture failed - %08x\n", unsigned(device.LastError()));
    return nullptr;
  }
  texture->formatCode = formatCode;
  return texture;
}

bool SideOK(int64_t side) { return side >= 1 && side <= kMaxSide; }

// An empty texture of the rounded size holding `rgba` (width x height) in its top-left corner.
int CreateRounded(const uint8_t* rgba, int32_t width, int32_t height, int formatCode) {
  const int32_t w = GR_Texture_RoundedSide(width), h = GR_Texture_RoundedSide(height);
  DeviceTexture* texture = MakeDeviceTexture(w, h, false, formatCode);
  if (texture == nullptr) return -1;
  Device().Upload(texture, 0, 0, width, height, rgba, size_t(width) * 4);
  return Fill(texture, width, height, 1.0f / float(w), 1.0f / float(h));
}

uint32_t ReadU32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

// The runner's raw block: "RAW ", u32 width, u32 height, u32 kind, then the pixels. Kind 0: 32-bit
// R, G, B, A; kind 1: 16-bit words with the nibbles B, G, R, A from the top (reversed, A, R, G, B).
int CreateFromRaw(const uint8_t* data, size_t maxLength) {
  if (maxLength < 16) return -1;
  const uint32_t width = ReadU32(data + 4), height = ReadU32(data + 8), kind = ReadU32(data + 12);
  if (!SideOK(width) || !SideOK(height) || kind > 1) return -1;
  const size_t pixels = size_t(width) * size_t(height);
  const size_t bytes = pixels * (kind == 0 ? 4 : 2);
  if (maxLength - 16 < bytes) return -1;
  const uint8_t* source = data + 16;
  if (kind == 0) return CreateRounded(source, int32_t(width), int32_t(height), kTextureFormatARGB);
  std::vector<uint8_t> rgba(pixels * 4);
  for (size_t i = 0; i < pixels; ++i) {
    const uint32_t word = uint32_t(source[i * 2]) | uint32_t(source[i * 2 + 1]) << 8;
    // After the nibble reversal the word is A R G B from the top, so before it: B G R A.
    const uint32_t a = word & 0xF, r = (word >> 4) & 0xF, g = (word >> 8) & 0xF, b = (word >> 12) & 0xF;
    rgba[i * 4 + 0] = uint8_t(r * 17);
    rgba[i * 4 + 1] = uint8_t(g * 17);
    rgba[i * 4 + 2] = uint8_t(b * 17);
    rgba[i * 4 + 3] = uint8_t(a * 17);
  }
  return CreateRounded(rgba.data(), int32_t(width), int32_t(height), kTextureFormatARGB4444);
}

}  // namespace

int32_t GR_Texture_RoundedSide(int32_t wanted) {
  int32_t side = 64;
  while (side < wanted && side < 4096) side *= 2;
  return side;
}

int GR_Texture_CreateFromImage(const uint8_t* data, size_t maxLength, int formatCode) {
  if (data == nullptr || maxLength < 4) return -1;
  if (std::memcmp(data, "RAW ", 4) == 0) return CreateFromRaw(data, maxLength);
  CBitmap32 image;
  std::string error;
  if (!Image_DecodePNG(data, maxLength, image, error)) return -1;
  // A decoded image gets a texture of its own size, so that its reciprocal size (1 over the image
  // size) addresses its texels exactly.
  DeviceTexture* texture = MakeDeviceTexture(image.Width(), image.Height(), false,
                                             formatCode == kTextureFormatAny ? kTextureFormatARGB : formatCode);
  if (texture == nullptr) return -1;
  Device().Upload(texture, 0, 0, image.Width(), image.Height(), image.Data(), size_t(image.Width()) * 4);
  return Fill(texture, image.Width(), image.Height(), 1.0f / float(image.Width()), 1.0f / float(image.Height()));
}

int GR_Texture_CreateFromBitmap(const CBitmap32& image) {
  if (image.Empty() || !SideOK(image.Width()) || !SideOK(image.Height())) return -1;
  return CreateRounded(image.Data(), image.Width(), image.Height(), kTextureFormatARGB);
}

int GR_Texture_CreateEmpty(int32_t width, int32_t height, bool renderTarget) {
  if (!SideOK(width) || !SideOK(height)) return -1;
  const int32_t w = renderTarget ? width : GR_Texture_RoundedSide(width);
  const int32_t h = renderTarget ? height : GR_Texture_RoundedSide(height);
  DeviceTexture* texture = MakeDeviceTexture(w, h, renderTarget, kTextureFormatARGB);
  if (texture == nullptr) return -1;
  return Fill(texture, width, height, 1.0f / float(texture->width), 1.0f / float(texture->height));
}

void GR_Texture_Free(int id) {
  if (id < 0 || size_t(id) >= g_slots.size()) return;
  // Vertices pending for this texture are drawn before it goes.
  if (Batch_PendingTexture() == id) Batch_Flush();
  TextureSlot& slot = *g_slots[size_t(id)];
  if (slot.texture != nullptr) Device().FreeTexture(slot.texture);
  slot = TextureSlot{};
}

void GR_Texture_FreeAll() {
  for (size_t i = 0; i < g_slots.size(); ++i) {
    GR_Texture_Free(int(i));
    delete g_slots[i];
  }
  g_slots.clear();
  g_slots.shrink_to_fit();
}

bool GR_Texture_Exists(int id) { return id >= 0 && size_t(id) < g_slots.size() && g_slots[size_t(id)]->valid != 0; }

TextureSlot* GR_Texture_Slot(int id) { return GR_Texture_Exists(id) ? g_slots[size_t(id)] : nullptr; }

float GR_Texture_WidthFraction(int id) {
  const TextureSlot* slot = GR_Texture_Slot(id);
  return slot == nullptr ? 1.0f : float(slot->width) * slot->recipWidth;
}

float GR_Texture_HeightFraction(int id) {
  const TextureSlot* slot = GR_Texture_Slot(id);
  return slot == nullptr ? 1.0f : float(slot->height) * slot->recipHeight;
}

int GR_Texture_Count() { return int(g_slots.size()); }
