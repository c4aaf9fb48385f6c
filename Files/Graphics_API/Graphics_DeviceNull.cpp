#include "Graphics_API/Graphics_DeviceNull.h"

#include <cstring>

DeviceTexture* NullDevice::CreateTexture(int32_t width, int32_t height, bool renderTarget) {
  if (width <= 0 || height <= 0 || width > 8192 || height > 8192) return nullptr;
  auto* texture = new DeviceTexture;
  texture->width = width;
  texture->height = height;
  texture->renderTarget = renderTarget;
  return texture;
}

void NullDevice::FreeTexture(DeviceTexture* texture) { delete texture; }

bool NullDevice::ReadPixels(DeviceTexture*, int32_t, int32_t, int32_t width, int32_t height, uint8_t* out) {
  if (width <= 0 || height <= 0) return false;
  std::memset(out, 0, size_t(width) * size_t(height) * 4);
  return true;
}

std::unique_ptr<GraphicsDevice> Device_CreateNull(int32_t backBufferWidth, int32_t backBufferHeight) {
  return std::make_unique<NullDevice>(backBufferWidth, backBufferHeight);
}
