// The device that draws nothing: textures are records of their size, read-backs give transparent
// black. Used where no GL context can be made, and (subclassed) by tests of the logic above the device.
#pragma once
#include <memory>

#include "Graphics_API/Graphics_Device.h"

class NullDevice : public GraphicsDevice {
 public:
  NullDevice(int32_t backBufferWidth, int32_t backBufferHeight)
      : width_(backBufferWidth), height_(backBufferHeight) {}

  const char* Name() const override { return "null"; }
  bool IsNull() const override { return true; }
  DeviceTexture* CreateTexture(int32_t width, int32_t height, bool renderTarget) override;
  void FreeTexture(DeviceTexture* texture) override;
  void Upload(DeviceTexture*, int32_t, int32_t, int32_t, int32_t, const uint8_t*, size_t) override {}
  bool ReadPixels(DeviceTexture*, int32_t, int32_t, int32_t width, int32_t height, uint8_t* out) override;
  void SetRenderTarget(DeviceTexture*) override {}
  void BackBufferSize(int32_t& width, int32_t& height) const override {
    width = width_;
    height = height_;
  }
  void SetViewport(int32_t, int32_t, int32_t, int32_t) override {}
  void SetTransform(TransformKind, const Matrix4&) override {}
  void SetRenderState(DeviceState, uint32_t) override {}
  void SetFilter(bool) override {}
  void SetRepeat(bool) override {}
  void SetTextureBlending(bool) override {}
  void Draw(int, DeviceTexture*, int, const void*, int) override {}
  void Clear(uint32_t, bool, bool) override {}
  void BeginFrame() override {}
  void EndFrame() override {}
  void Present() override {}

 private:
  int32_t width_, height_;
};

std::unique_ptr<GraphicsDevice> Device_CreateNull(int32_t backBufferWidth = 0, int32_t backBufferHeight = 0);
