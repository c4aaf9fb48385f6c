#include "Graphics_API/Graphics_Device.h"

#include "Graphics_API/Graphics_DeviceNull.h"

namespace {

std::unique_ptr<GraphicsDevice>& Installed() {
  static std::unique_ptr<GraphicsDevice> device = Device_CreateNull();
  return device;
}

}  // namespace

GraphicsDevice& Device() { return *Installed(); }

void Device_Install(std::unique_ptr<GraphicsDevice> device) {
  Installed() = device ? std::move(device) : Device_CreateNull();
}
