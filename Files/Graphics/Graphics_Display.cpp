#include "Graphics/Graphics_Display.h"

#include <algorithm>
#include <vector>

#include "Graphics/Graphics_Batch.h"
#include "Graphics/Graphics_DrawState.h"
#include "Graphics/Graphics_Image.h"
#include "Graphics/Graphics_Matrix.h"
#include "Graphics/Graphics_RenderState.h"
#include "Graphics/Graphics_Surface.h"
#include "Graphics/Graphics_Texture.h"
#include "Graphics/Graphics_Window.h"
#include "Platform/Platform_Console.h"
#include "Platform/Platform_Timer.h"

DisplayState g_Display;

namespace {

DeviceTexture* g_screen = nullptr;
DeviceTexture* g_target = nullptr;           // the current render target (null: the back buffer)
std::vector<DeviceTexture*> g_targetStack;  // the targets under it
DisplayCamera g_camera;
Matrix4 g_world;  // the world transform of 3-D mode

void ApplyCamera() {
  GraphicsDevice& device = Device();
  device.SetViewport(g_camera.viewport[0], g_camera.viewport[1], g_camera.viewport[2], g_camera.viewport[3]);
  device.SetTransform(TransformKind::View, g_camera.view);
  device.SetTransform(TransformKind::Projection, g_camera.projection);
}

void SetTarget(DeviceTexture* target) {
  g_target = target;
  Device().SetRenderTarget(target);
}

// The whole screen as viewport, the room-less 2-D camera over it.
void ScreenCamera() {
  Display_SetViewport(0, 0, g_Display.gameWidth, g_Display.gameHeight);
  Display_SetCamera(0, 0, g_Display.gameWidth, g_Display.gameHeight, 0);
}

// The frame, stretched onto the back buffer (letterboxed when the keep-aspect flag is set).
void FinalStretch() {
  GraphicsDevice& device = Device();
  int32_t W = 0, H = 0;
  device.BackBufferSize(W, H);
  if (W <= 0 || H <= 0) return;
  const DisplayRect r = Display_Letterbox(g_Display.gameWidth, g_Display.gameHeight, W, H,
                                          (g_Display.flags & kDisplayKeepAspect) != 0);
  g_Display.letterbox = r;
  // A window of the game's size takes the frame pixel for pixel: every filter and the half-pixel
  // shift give the same picture, so the device may simply copy it.
  if (W == g_Display.gameWidth && H == g_Display.gameHeight && device.CopyToBackBuffer(g_screen)) return;
  const float gw = float(g_Display.gameWidth), gh = float(g_Display.gameHeight);
  RenderState_Set(kRS_AlphaBlendEnable, 0);
  RenderState_SetFilter(g_Display.stretchInterpolation);
  device.SetTransform(TransformKind::World, Matrix4{});
  device.SetTransform(TransformKind::View, Matrix4{});
  // Window pixels (y down) to clip space, moved by half a game pixel.
  Matrix4 projection;
  projection.at(0, 0) = 2.0f / float(W);
  projection.at(1, 1) = -2.0f / float(H);
  projection.at(3, 0) = -1.0f - 1.0f / gw;
  projection.at(3, 1) = 1.0f + 1.0f / gh;
  device.SetTransform(TransformKind::Projection, projection);
  device.SetViewport(0, 0, W, H);
  device.Clear(0xFF000000u, true, true);
  const VertexTextured quad[6] = {
      {r.left, r.top, 0, 0xFFFFFFFFu, 0, 0},    {r.right, r.top, 0, 0xFFFFFFFFu, 1, 0},
      {r.right, r.bottom, 0, 0xFFFFFFFFu, 1, 1}, {r.right, r.bottom, 0, 0xFFFFFFFFu, 1, 1},
      {r.left, r.bottom, 0, 0xFFFFFFFFu, 0, 1},  {r.left, r.top, 0, 0xFFFFFFFFu, 0, 0},
  };
  RenderState_SetTextureBlending(true);
  device.Draw(kPrimTriangleList, g_screen, sizeof(VertexTextured), quad, 6);
  RenderState_SetTextureBlending(g_DrawSettings.textureBlending);
  RenderState_SetFilter(g_DrawSettings.interpolation);
  RenderState_Set(kRS_AlphaBlendEnable, g_DrawSettings.alphaBlend ? 1 : 0);
}

}  // namespace

void Display_CreateWindow(int32_t width, int32_t height, uint32_t flags, bool headless, bool inAWindow) {
  g_Display = DisplayState{};
  g_Display.gameWidth = width > 0 ? width : 640;
  g_Display.gameHeight = height > 0 ? height : 480;
  g_Display.flags = flags;
  if (inAWindow) g_Display.flags &= ~kDisplayFullScreen;
  g_Display.stretchInterpolation = (flags & kDisplayInterpolation) != 0;
  WindowSettings s;
  s.width = g_Display.gameWidth;
  s.height = g_Display.gameHeight;
  s.fullScreen = (g_Display.flags & kDisplayFullScreen) != 0;
  s.sizeable = (flags & kDisplaySizeable) != 0;
  s.showCursor = (flags & kDisplayShowCursor) != 0;
  s.vsync = (flags & kDisplayVsync) != 0;
  s.headless = headless;
  s.caption = "Tessera";
  Window_Create(s);
}

bool Display_InitDevice() {
  int32_t w = g_Display.gameWidth, h = g_Display.gameHeight;
  if (Window_Fullscreen()) Window_DisplaySize(w, h);
  Console::Output("Selected Resolution: %dx%d\n", w, h);
  Console::Output("Creating screen render target\n");
  g_screen = Device().CreateTexture(g_Display.gameWidth, g_Display.gameHeight, true);
  if (g_screen == nullptr) {
    Console::Output("Unable to create a screen that is %d x %d - please ensure settings are correct\n",
                    g_Display.gameWidth, g_Display.gameHeight);
    return false;
  }
  Console::Output("Graphics initialisation end...\n");
  g_DrawSettings = DrawSettings{};
  g_DrawSettings.interpolation = (g_Display.flags & kDisplayInterpolation) != 0;
  RenderState_ResetCache();
  RenderState_ApplySettings();
  g_targetStack.clear();
  SetTarget(nullptr);
  Display_SetViewport(0, 0, w, h);
  Display_Clear(0xFF000000u);
  SetTarget(g_screen);
  ScreenCamera();
  Display_Clear(0xFF000000u);
  SetTarget(nullptr);
  return true;
}

bool Display_Ready() { return g_screen != nullptr; }

void Display_Shutdown() {
  Batch_Reset();
  Surface_FreeAll();
  GR_Texture_FreeAll();
  if (g_screen != nullptr) Device().FreeTexture(g_screen);
  g_screen = nullptr;
  g_target = nullptr;
  g_targetStack.clear();
  g_Display.frameOpen = false;
  Window_Destroy();
}

void Display_BeginFrame() {
  if (g_screen == nullptr || g_Display.frameOpen) return;
  Device().BeginFrame();
  Batch_Reset();
  g_targetStack.assign(1, nullptr);
  Surface_FrameEnded();
  SetTarget(g_screen);
  g_Display.currentSurface = -1;
  g_DrawState.cullingOff = false;
  ScreenCamera();
  Device().SetTransform(TransformKind::World, g_world);  // the final stretch of the last frame replaced it
  g_Display.frameOpen = true;
}

void Display_EndFrame(bool present) {
  if (g_screen == nullptr || !g_Display.frameOpen) return;
  Batch_Flush();
  // A surface target that game code left set is dropped.
  g_targetStack.clear();
  Surface_FrameEnded();
  g_Display.currentSurface = -1;
  g_DrawState.cullingOff = false;
  SetTarget(nullptr);
  FinalStretch();
  GraphicsDevice& device = Device();
  device.EndFrame();
  g_Display.frameOpen = false;
  if (present) {
    const int64_t start = Timer_Clock().Micros();
    device.Present();
    g_Display.presentMicros = Timer_Clock().Micros() - start;
  }
}

DisplayRect Display_Letterbox(int32_t gw, int32_t gh, int32_t W, int32_t H, bool keepAspect) {
  DisplayRect r{0, 0, float(W), float(H)};
  if (!keepAspect || gw <= 0 || gh <= 0) return r;
  const double fitHeight = double(W) * gh / gw;
  if (H > fitHeight) {
    const double top = (H - fitHeight) / 2;
    r.top = float(top);
    r.bottom = float(top + fitHeight);
  } else if (H < fitHeight) {
    const double width = double(H) * gw / gh;
    const double left = (W - width) / 2;
    r.left = float(left);
    r.right = float(left + width);
  }
  return r;
}

bool Display_PushTarget(DeviceTexture* target) {
  if (target == nullptr || !target->renderTarget) return false;
  Batch_Flush();
  g_targetStack.push_back(g_target);
  SetTarget(target);
  return true;
}

void Display_PopTarget() {
  Batch_Flush();
  if (g_targetStack.empty()) return;
  DeviceTexture* previous = g_targetStack.back();
  g_targetStack.pop_back();
  SetTarget(previous);
}

DeviceTexture* Display_CurrentTarget() { return g_target; }

void Display_ForgetTarget(DeviceTexture* target) {
  for (DeviceTexture*& t : g_targetStack) {
    if (t == target) t = g_screen;
  }
  if (g_target == target) SetTarget(g_Display.frameOpen ? g_screen : nullptr);
}
DeviceTexture* Display_ScreenTexture() { return g_screen; }

void Display_TargetSize(int32_t& width, int32_t& height) {
  if (g_target != nullptr) {
    width = g_target->width;
    height = g_target->height;
  } else {
    Device().BackBufferSize(width, height);
  }
}

void Display_SetViewport(int32_t x, int32_t y, int32_t width, int32_t height) {
  Batch_Flush();
  g_camera.viewport[0] = x;
  g_camera.viewport[1] = y;
  g_camera.viewport[2] = width;
  g_camera.viewport[3] = height;
  Device().SetViewport(x, y, width, height);
}

void Display_SetCamera(double x, double y, double w, double h, double angle) {
  Matrix4 view, projection;
  Matrix_ViewCamera(x, y, w, h, angle, g_DrawState.mode3d && g_DrawState.perspective, view, projection);
  Display_SetTransforms(view, projection);
}

void Display_SetTransforms(const Matrix4& view, const Matrix4& projection) {
  Batch_Flush();
  g_camera.view = view;
  g_camera.projection = projection;
  GraphicsDevice& device = Device();
  device.SetTransform(TransformKind::View, view);
  device.SetTransform(TransformKind::Projection, projection);
}

DisplayCamera Display_Camera() { return g_camera; }

void Display_SetWorld(const Matrix4& world) {
  Batch_Flush();
  g_world = world;
  Device().SetTransform(TransformKind::World, world);
}

const Matrix4& Display_World() { return g_world; }

void Display_RestoreCamera(const DisplayCamera& camera) {
  Batch_Flush();
  g_camera = camera;
  ApplyCamera();
}

void Display_Clear(uint32_t argb) {
  Batch_Flush();
  Device().Clear(argb, true, true);
}

bool Display_ReadScreen(int32_t x, int32_t y, int32_t width, int32_t height, CBitmap32& out) {
  out = CBitmap32();
  if (g_screen == nullptr) return false;
  const int32_t l = std::max(x, 0), t = std::max(y, 0);
  const int32_t r = std::min<int64_t>(int64_t(x) + width, g_screen->width);
  const int32_t b = std::min<int64_t>(int64_t(y) + height, g_screen->height);
  if (r <= l || b <= t) return false;
  Batch_Flush();
  CBitmap32 pixels(r - l, b - t);
  if (!Device().ReadPixels(g_screen, l, t, r - l, b - t, pixels.Data())) return false;
  out = std::move(pixels);
  return true;
}

bool Display_SaveScreen(const std::string& path, int32_t x, int32_t y, int32_t width, int32_t height,
                        std::string& error) {
  if (g_screen == nullptr || Device().IsNull()) {
    error = "no screen is drawn (no graphics device)";
    return false;
  }
  CBitmap32 pixels;
  if (!Display_ReadScreen(x, y, width, height, pixels)) {
    error = "nothing to read";
    return false;
  }
  return Image_SavePNGFile(path, pixels.Data(), pixels.Width(), pixels.Height(), error);
}
