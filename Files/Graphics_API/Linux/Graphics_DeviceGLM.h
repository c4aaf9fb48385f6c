// The OpenGL 3.3 core device. The GL context must be current when it is made and while it is used.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "Graphics_API/Graphics_Device.h"

// How the device reaches the surface it presents to.
struct GLSurface {
  // Shows the back buffer (a window's swap); null for an offscreen context.
  void (*swap)() = nullptr;
  // The window's drawable size in pixels; null for an offscreen context (the back buffer is then a
  // framebuffer object of the size given at creation).
  void (*drawableSize)(int32_t* width, int32_t* height) = nullptr;
  int32_t width = 0, height = 0;
};

// Null with `error` set when the context is not GL 3.3 core or the shaders do not build.
std::unique_ptr<GraphicsDevice> Device_CreateGL(const GLSurface& surface, std::string& error);
