#include <SDL.h>

#include "Graphics/Graphics_Window.h"

#include "Graphics/Graphics_Headless.h"
#include "Graphics/Linux/Graphics_NativeHandleM.h"
#include "Graphics_API/Graphics_Device.h"
#include "Graphics_API/Linux/Graphics_DeviceGLM.h"
#include "Option/Option_Main.h"
#include "Platform/Platform_Console.h"
#include "Run/Run_State.h"

namespace {

// The display a headless run pretends to have.
constexpr int32_t kHeadlessDisplayWidth = 1920;
constexpr int32_t kHeadlessDisplayHeight = 1080;

struct WindowState {
  SDL_Window* window = nullptr;
  SDL_GLContext context = nullptr;
  bool headless = false;        // no real window
  bool offscreenContext = false;
  int32_t x = 0, y = 0, width = 640, height = 480;
  std::string caption;
  int32_t cursor = 0;
  bool fullScreen = false;
  bool visible = true, showBorder = true, showIcons = true, stayOnTop = false, sizeable = false;
  bool focus = true;
  bool pauseEvent = false;
  int32_t mouseX = 0, mouseY = 0;  // headless: the last position set
  SDL_Cursor* systemCursor = nullptr;
  void (*handler)(const void*) = nullptr;
};

WindowState g_window;

void DrawableSize(int32_t* width, int32_t* height) {
  int w = 0, h = 0;
  SDL_GL_GetDrawableSize(g_window.window, &w, &h);
  *width = w;
  *height = h;
}

void OffscreenSize(int32_t* width, int32_t* height) {
  *width = g_window.width;
  *height = g_window.height;
}

void Swap() { SDL_GL_SwapWindow(g_window.window); }

void CenterVirtual() {
  g_window.x = (kHeadlessDisplayWidth - g_window.width) / 2;
  g_window.y = (kHeadlessDisplayHeight - g_window.height) / 2;
}

// The window and its GL context. False (and nothing left behind) when either cannot be made.
bool CreateSDLWindow(const WindowSettings& s, std::string& error) {
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    error = SDL_GetError();
    return false;
  }
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
  Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN;
  if (s.fullScreen) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
  if (s.sizeable) flags |= SDL_WINDOW_RESIZABLE;
  g_window.window = SDL_CreateWindow(s.caption.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, s.width,
                                     s.height, flags);
  if (g_window.window != nullptr) g_window.context = SDL_GL_CreateContext(g_window.window);
  if (g_window.context == nullptr) {
    error = SDL_GetError();
    if (g_window.window != nullptr) SDL_DestroyWindow(g_window.window);
    g_window.window = nullptr;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return false;
  }
  // Vertical-blank sync where the driver offers it; the runner paces frames itself either way.
  SDL_GL_SetSwapInterval(s.vsync ? 1 : 0);
  SDL_GetWindowPosition(g_window.window, &g_window.x, &g_window.y);
  return true;
}

void InstallDevice(GLSurface surface) {
  std::string error;
  std::unique_ptr<GraphicsDevice> device = Device_CreateGL(surface, error);
  if (device == nullptr) {
    Console::Output("No OpenGL 3.3 device (%s): nothing will be drawn\n", error.c_str());
    Device_Install(nullptr);
    return;
  }
  Device_Install(std::move(device));
}

SDL_SystemCursor SystemCursor(int32_t cursor) {
  switch (cursor) {
    case -3: return SDL_SYSTEM_CURSOR_CROSSHAIR;
    case -4: return SDL_SYSTEM_CURSOR_IBEAM;
    case -6: return SDL_SYSTEM_CURSOR_SIZENESW;
    case -7: case -15: return SDL_SYSTEM_CURSOR_SIZENS;
    case -8: return SDL_SYSTEM_CURSOR_SIZENWSE;
    case -9: case -14: return SDL_SYSTEM_CURSOR_SIZEWE;
    case -11: return SDL_SYSTEM_CURSOR_WAIT;
    case -13: case -18: return SDL_SYSTEM_CURSOR_NO;
    case -17: case -19: return SDL_SYSTEM_CURSOR_WAITARROW;
    case -21: return SDL_SYSTEM_CURSOR_HAND;
    case -22: return SDL_SYSTEM_CURSOR_SIZEALL;
    default: return SDL_SYSTEM_CURSOR_ARROW;
  }
}

void ApplyCursor() {
  if (g_window.window == nullptr) return;
  if (g_window.cursor == -1) {
    SDL_ShowCursor(SDL_DISABLE);
    return;
  }
  SDL_Cursor* c = SDL_CreateSystemCursor(SystemCursor(g_window.cursor));
  if (c != nullptr) {
    SDL_SetCursor(c);
    if (g_window.systemCursor != nullptr) SDL_FreeCursor(g_window.systemCursor);
    g_window.systemCursor = c;
  }
  SDL_ShowCursor(SDL_ENABLE);
}

void OnWindowEvent(const SDL_WindowEvent& e) {
  switch (e.event) {
    case SDL_WINDOWEVENT_FOCUS_GAINED:
      g_window.focus = true;
      break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
      g_window.focus = false;
      Console::Output("OS has raised a pause event\n");
      g_window.pauseEvent = true;
      break;
    case SDL_WINDOWEVENT_MOVED:
      g_window.x = e.data1;
      g_window.y = e.data2;
      break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      g_window.width = e.data1;
      g_window.height = e.data2;
      break;
    default:
      break;
  }
}

}  // namespace

void Window_Create(const WindowSettings& s) {
  g_window = WindowState{};
  g_window.width = s.width > 0 ? s.width : 640;
  g_window.height = s.height > 0 ? s.height : 480;
  g_window.caption = s.caption;
  g_window.fullScreen = s.fullScreen;
  g_window.sizeable = s.sizeable;
  g_window.cursor = s.showCursor ? 0 : -1;
  std::string error;
  if (!s.headless) {
    if (CreateSDLWindow(s, error)) {
      ApplyCursor();
      GLSurface surface;
      surface.swap = Swap;
      surface.drawableSize = DrawableSize;
      InstallDevice(surface);
      return;
    }
    Console::Output("No window (%s): running without one\n", error.c_str());
  }
  g_window.headless = true;
  g_window.fullScreen = false;
  CenterVirtual();
  if (!Headless_CreateContext(error)) {
    Console::Output("No OpenGL context (%s): nothing will be drawn\n", error.c_str());
    Device_Install(nullptr);
    return;
  }
  g_window.offscreenContext = true;
  GLSurface surface;
  surface.drawableSize = OffscreenSize;
  surface.width = g_window.width;
  surface.height = g_window.height;
  InstallDevice(surface);
}

void Window_Destroy() {
  Device_Install(nullptr);
  if (g_window.offscreenContext) Headless_DestroyContext();
  if (g_window.context != nullptr) SDL_GL_DeleteContext(g_window.context);
  if (g_window.systemCursor != nullptr) SDL_FreeCursor(g_window.systemCursor);
  if (g_window.window != nullptr) {
    SDL_DestroyWindow(g_window.window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }
  g_window = WindowState{};
}

void Window_PumpMessages() {
  if (g_window.window == nullptr) return;
  SDL_Event e;
  while (SDL_PollEvent(&e)) {
    switch (e.type) {
      case SDL_QUIT:
        // Closing the window ends the game at the end of the frame.
        if (g_RunState.running) g_RunState.newRoom = kRequestEndGame;
        break;
      case SDL_WINDOWEVENT:
        OnWindowEvent(e.window);
        break;
      case SDL_KEYDOWN:
        if (e.key.keysym.sym == SDLK_RETURN && (e.key.keysym.mod & KMOD_ALT) != 0 && g_Options.altEnterSwitches) {
          if (e.key.repeat == 0) Window_SetFullscreen(!g_window.fullScreen);
          break;
        }
        if (g_window.handler != nullptr) g_window.handler(&e);
        break;
      default:
        if (g_window.handler != nullptr) g_window.handler(&e);
        break;
    }
  }
}

void Window_SetEventHandler(void (*handler)(const void* event)) { g_window.handler = handler; }

bool Window_IsHeadless() { return g_window.headless; }
bool Window_HasWindow() { return g_window.window != nullptr; }

void Window_ClientSize(int32_t& width, int32_t& height) {
  if (g_window.window != nullptr) {
    int w = 0, h = 0;
    SDL_GetWindowSize(g_window.window, &w, &h);
    width = w;
    height = h;
    return;
  }
  width = g_window.width;
  height = g_window.height;
}

int32_t Window_X() { return g_window.x; }
int32_t Window_Y() { return g_window.y; }

void Window_SetPosition(int32_t x, int32_t y) {
  g_window.x = x;
  g_window.y = y;
  if (g_window.window != nullptr) SDL_SetWindowPosition(g_window.window, x, y);
}

void Window_SetSize(int32_t width, int32_t height) {
  if (width < 1 || height < 1) return;
  g_window.width = width;
  g_window.height = height;
  if (g_window.window != nullptr) SDL_SetWindowSize(g_window.window, width, height);
}

void Window_Center() {
  if (g_window.window != nullptr) {
    SDL_SetWindowPosition(g_window.window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    SDL_GetWindowPosition(g_window.window, &g_window.x, &g_window.y);
    return;
  }
  CenterVirtual();
}

void Window_SetCaption(const std::string& caption) {
  if (caption == g_window.caption) return;
  g_window.caption = caption;
  if (g_window.window != nullptr) SDL_SetWindowTitle(g_window.window, caption.c_str());
}
const std::string& Window_Caption() { return g_window.caption; }

void Window_SetCursor(int32_t cursor) {
  if (cursor == g_window.cursor) return;
  g_window.cursor = cursor;
  ApplyCursor();
}
int32_t Window_Cursor() { return g_window.cursor; }

void Window_SetFullscreen(bool on) {
  if (g_window.window == nullptr || on == g_window.fullScreen) return;  // no full screen without a window
  g_window.fullScreen = on;
  SDL_SetWindowFullscreen(g_window.window, on ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
}
bool Window_Fullscreen() { return g_window.fullScreen; }

void Window_SetVisible(bool on) {
  g_window.visible = on;
  if (g_window.window == nullptr) return;
  if (on) SDL_ShowWindow(g_window.window); else SDL_HideWindow(g_window.window);
}
bool Window_Visible() { return g_window.visible; }

void Window_SetShowBorder(bool on) {
  g_window.showBorder = on;
  if (g_window.window != nullptr) SDL_SetWindowBordered(g_window.window, on ? SDL_TRUE : SDL_FALSE);
}
bool Window_ShowBorder() { return g_window.showBorder; }

// The window manager decides the title-bar icons: the setting is kept for the getter.
void Window_SetShowIcons(bool on) { g_window.showIcons = on; }
bool Window_ShowIcons() { return g_window.showIcons; }

void Window_SetStayOnTop(bool on) {
  g_window.stayOnTop = on;
  if (g_window.window != nullptr) SDL_SetWindowAlwaysOnTop(g_window.window, on ? SDL_TRUE : SDL_FALSE);
}
bool Window_StayOnTop() { return g_window.stayOnTop; }

void Window_SetSizeable(bool on) {
  g_window.sizeable = on;
  if (g_window.window != nullptr) SDL_SetWindowResizable(g_window.window, on ? SDL_TRUE : SDL_FALSE);
}
bool Window_Sizeable() { return g_window.sizeable; }

bool Window_HasFocus() { return g_window.headless || g_window.focus; }

void Window_AllowScreenSaver(bool allowed) {
  if (g_window.window == nullptr) return;
  if (allowed) SDL_EnableScreenSaver(); else SDL_DisableScreenSaver();
}

uint64_t Window_NativeHandle() { return NativeHandleOf(g_window.window); }

void Window_DisplayDpi(float& x, float& y) {
  x = y = 96;
  float d = 0, h = 0, v = 0;
  if (g_window.window == nullptr ||
      SDL_GetDisplayDPI(SDL_GetWindowDisplayIndex(g_window.window), &d, &h, &v) != 0 || h <= 0 || v <= 0) {
    return;
  }
  x = h;
  y = v;
}

bool Window_TakePauseEvent() {
  const bool raised = g_window.pauseEvent;
  g_window.pauseEvent = false;
  return raised;
}

void Window_DisplaySize(int32_t& width, int32_t& height) {
  SDL_DisplayMode mode;
  if (g_window.window != nullptr &&
      SDL_GetCurrentDisplayMode(SDL_GetWindowDisplayIndex(g_window.window), &mode) == 0) {
    width = mode.w;
    height = mode.h;
    return;
  }
  width = kHeadlessDisplayWidth;
  height = kHeadlessDisplayHeight;
}

int32_t Window_DisplayFrequency() {
  SDL_DisplayMode mode;
  if (g_window.window != nullptr &&
      SDL_GetCurrentDisplayMode(SDL_GetWindowDisplayIndex(g_window.window), &mode) == 0 && mode.refresh_rate > 0) {
    return mode.refresh_rate;
  }
  return 60;
}

int32_t Window_DisplayColourDepth() {
  SDL_DisplayMode mode;
  if (g_window.window != nullptr &&
      SDL_GetCurrentDisplayMode(SDL_GetWindowDisplayIndex(g_window.window), &mode) == 0) {
    const int bits = int(SDL_BITSPERPIXEL(mode.format));
    return bits == 24 ? 32 : bits;  // 24 bits of colour in 32-bit pixels
  }
  return 32;
}

void Window_MousePosition(int32_t& x, int32_t& y) {
  if (g_window.window != nullptr) {
    int mx = 0, my = 0;
    SDL_GetMouseState(&mx, &my);
    x = mx;
    y = my;
    return;
  }
  x = g_window.mouseX;
  y = g_window.mouseY;
}

void Window_SetMousePosition(int32_t x, int32_t y) {
  g_window.mouseX = x;
  g_window.mouseY = y;
  if (g_window.window != nullptr) SDL_WarpMouseInWindow(g_window.window, x, y);
}

void Window_DisplayMousePosition(int32_t& x, int32_t& y) {
  if (g_window.window != nullptr) {
    int mx = 0, my = 0;
    SDL_GetGlobalMouseState(&mx, &my);
    x = mx;
    y = my;
    return;
  }
  x = g_window.x + g_window.mouseX;
  y = g_window.y + g_window.mouseY;
}

void Window_SetDisplayMousePosition(int32_t x, int32_t y) {
  if (g_window.window != nullptr) {
    SDL_WarpMouseGlobal(x, y);
    return;
  }
  g_window.mouseX = x - g_window.x;
  g_window.mouseY = y - g_window.y;
}
