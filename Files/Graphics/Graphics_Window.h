// The game window and the GL context behind the device.
//
// A windowed run has an SDL2 window with an OpenGL context; a headless run has an offscreen context
// and a window that exists only as numbers (position, size, caption ...), so that the window
// functions answer the same way. Where no GL context can be made at all the null device draws
// nothing. The platform half lives in Linux/Graphics_WindowM.cpp.
#pragma once
#include <cstdint>
#include <string>

struct WindowSettings {
  int32_t width = 640;          // client size
  int32_t height = 480;
  bool fullScreen = false;
  bool sizeable = false;
  bool showCursor = true;
  bool vsync = false;           // wait for the vertical blank where the driver offers it
  bool headless = false;        // no window: an offscreen context
  std::string caption;
};

// Creates the window (or the headless stand-in), the GL context and the device, and installs the
// device. When no context can be made, says so on the console and installs the null device.
void Window_Create(const WindowSettings& settings);
// Releases the device, the context and the window.
void Window_Destroy();
// Handles the pending window events (focus, close, Alt+Enter, resizing); input events go to the
// handler set below.
void Window_PumpMessages();
// Where input events go (an SDL_Event*); null drops them.
void Window_SetEventHandler(void (*handler)(const void* event));

bool Window_IsHeadless();
// True when a real window exists.
bool Window_HasWindow();

// Client area.
void Window_ClientSize(int32_t& width, int32_t& height);
// The outer placement: position of the client area on the screen and its size.
int32_t Window_X();
int32_t Window_Y();
void Window_SetPosition(int32_t x, int32_t y);
void Window_SetSize(int32_t width, int32_t height);
void Window_Center();

void Window_SetCaption(const std::string& caption);
const std::string& Window_Caption();
// Cursor constants: 0 default (arrow), -1 none, the cr_ constants otherwise.
void Window_SetCursor(int32_t cursor);
int32_t Window_Cursor();
void Window_SetFullscreen(bool on);
bool Window_Fullscreen();
void Window_SetVisible(bool on);
bool Window_Visible();
void Window_SetShowBorder(bool on);
bool Window_ShowBorder();
void Window_SetShowIcons(bool on);
bool Window_ShowIcons();
void Window_SetStayOnTop(bool on);
bool Window_StayOnTop();
void Window_SetSizeable(bool on);
bool Window_Sizeable();

// Whether the display may blank or lock while the game runs (nothing happens without a window).
void Window_AllowScreenSaver(bool allowed);
// The window system's id of the window (the X11 window); 0 headless or elsewhere.
uint64_t Window_NativeHandle();
// Dots per inch of the window's display as the system reports them; 96 without a window or a report.
void Window_DisplayDpi(float& x, float& y);

bool Window_HasFocus();
// The pause event of the platform (focus lost): true once per raise.
bool Window_TakePauseEvent();

// The display (screen) the window is on.
void Window_DisplaySize(int32_t& width, int32_t& height);
int32_t Window_DisplayFrequency();
int32_t Window_DisplayColourDepth();
// The mouse relative to the window's client area, and relative to the display.
void Window_MousePosition(int32_t& x, int32_t& y);
void Window_SetMousePosition(int32_t x, int32_t y);
void Window_DisplayMousePosition(int32_t& x, int32_t& y);
void Window_SetDisplayMousePosition(int32_t x, int32_t y);
