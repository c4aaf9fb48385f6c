// The display: the device's start-up, the frame (the ScreenTexture, frame begin and end, the final
// stretch with its letterbox, present), the render-target stack, the viewport and camera in force,
// and reading back what was drawn.
#pragma once
#include <cstdint>
#include <string>

#include "Graphics_API/Graphics_Device.h"

class CBitmap32;

// DisplayFlags of the general settings' window word.
inline constexpr uint32_t kDisplayFullScreen = 0x01;
inline constexpr uint32_t kDisplayVsync = 0x02;
inline constexpr uint32_t kDisplayInterpolation = 0x08;
inline constexpr uint32_t kDisplayKeepAspect = 0x10;
inline constexpr uint32_t kDisplayShowCursor = 0x20;
inline constexpr uint32_t kDisplaySizeable = 0x40;

struct DisplayRect {
  float left = 0, top = 0, right = 0, bottom = 0;
};

struct DisplayState {
  int32_t gameWidth = 0, gameHeight = 0;  // the ScreenTexture's size
  uint32_t flags = 0;
  bool stretchInterpolation = false;      // filtering of the final stretch
  DisplayRect letterbox;                  // of the last frame, in window pixels (mouse mapping)
  int32_t windowColour = 0xFFFFFF;        // script colour; clears the window (opaque) when views are on
  int32_t currentView = 0;
  double scaleX = 1, scaleY = 1;          // screen size over the extent of the visible ports
  int32_t currentSurface = -1;
  int32_t guiWidth = -1, guiHeight = -1;  // -1: the screen size
  bool frameOpen = false;
  int64_t presentMicros = 0;              // how long the last present took
};
extern DisplayState g_Display;

// Start-up: the window (or the headless stand-in) and the device ("Create Window" comes first).
void Display_CreateWindow(int32_t width, int32_t height, uint32_t flags, bool headless, bool inAWindow);
// The device's set-up for the game size: the ScreenTexture, the render states, a cleared screen.
// False when the ScreenTexture cannot be made.
bool Display_InitDevice();
// Shut-down: surfaces, textures, the ScreenTexture, the device and the window.
void Display_Shutdown();
// True once the device is set up.
bool Display_Ready();

void Display_BeginFrame();
void Display_EndFrame(bool present);

// The picture rectangle of the final stretch of a gw x gh frame into a W x H window.
DisplayRect Display_Letterbox(int32_t gameWidth, int32_t gameHeight, int32_t windowWidth, int32_t windowHeight,
                              bool keepAspect);

// Render targets: push the current one and draw into `target`; pop goes back. The bottom of the
// stack is the back buffer (null).
bool Display_PushTarget(DeviceTexture* target);
void Display_PopTarget();
DeviceTexture* Display_CurrentTarget();
// A render target that is going away: no stack entry keeps it (drawing falls to the ScreenTexture).
void Display_ForgetTarget(DeviceTexture* target);
DeviceTexture* Display_ScreenTexture();
// The size of the current target.
void Display_TargetSize(int32_t& width, int32_t& height);

// The viewport and camera in force (kept so that they can be saved and restored).
void Display_SetViewport(int32_t x, int32_t y, int32_t width, int32_t height);
void Display_SetCamera(double x, double y, double w, double h, double angle);
void Display_SetTransforms(const Matrix4& view, const Matrix4& projection);
struct DisplayCamera {
  int32_t viewport[4] = {};
  Matrix4 view, projection;
};
DisplayCamera Display_Camera();
// The world transform (3-D mode); kept across frames.
void Display_SetWorld(const Matrix4& world);
const Matrix4& Display_World();
void Display_RestoreCamera(const DisplayCamera& camera);

// Clears the current viewport of the current target (colour, depth and stencil).
void Display_Clear(uint32_t argb);

// Reads a rectangle of the ScreenTexture (pending drawing is flushed first), clipped to it; an
// empty bitmap when nothing is left or there is no screen.
bool Display_ReadScreen(int32_t x, int32_t y, int32_t width, int32_t height, CBitmap32& out);
// Writes the ScreenTexture (game size, rows top-down) as a PNG file. False with `error` set.
bool Display_SaveScreen(const std::string& path, int32_t x, int32_t y, int32_t width, int32_t height,
                        std::string& error);
