#include "IO/IO_Mouse.h"

#include <algorithm>
#include <cmath>

#include "Graphics/Graphics_Display.h"
#include "Graphics/Graphics_Window.h"
#include "IO/IO_Main.h"
#include "Room/Room_Class.h"

namespace {

double g_mouseX = 0, g_mouseY = 0, g_previousX = 0, g_previousY = 0;

// The frame's place in the window: its corner and window pixels per frame pixel, from the window's
// client size now by the final stretch's rule (letterboxed with the keep-aspect flag), so that a
// resized window maps right before its next frame is drawn.
struct Frame {
  double left = 0, top = 0, sx = 1, sy = 1;
};
Frame FrameInWindow() {
  Frame f;
  const int32_t gw = std::max(1, g_Display.gameWidth), gh = std::max(1, g_Display.gameHeight);
  int32_t w = 0, h = 0;
  Window_ClientSize(w, h);
  if (w <= 0 || h <= 0) return f;
  const DisplayRect r = Display_Letterbox(gw, gh, w, h, (g_Display.flags & kDisplayKeepAspect) != 0);
  f.left = r.left;
  f.top = r.top;
  f.sx = (r.right - r.left) / gw;
  f.sy = (r.bottom - r.top) / gh;
  if (f.sx <= 0 || f.sy <= 0) f = Frame{};
  return f;
}

// A view's port in frame pixels: ports are scaled so that the extent of the visible ports fills
// the frame, as they are when the room is drawn.
struct Port {
  double x, y, w, h;
  const CView* view;
};
bool PortOf(int32_t index, Port& p) {
  const CRoom* room = Room_Current();
  if (room == nullptr || index < 0 || index >= kRoomViewCount) return false;
  int32_t extentW = 1, extentH = 1;
  for (const CView& v : room->views) {
    if (!v.visible) continue;
    extentW = std::max(extentW, v.xport + v.wport);
    extentH = std::max(extentH, v.yport + v.hport);
  }
  const double kx = double(g_Display.gameWidth) / extentW, ky = double(g_Display.gameHeight) / extentH;
  p.view = &room->views[index];
  p.x = p.view->xport * kx;
  p.y = p.view->yport * ky;
  p.w = p.view->wport * kx;
  p.h = p.view->hport * ky;
  return p.w > 0 && p.h > 0 && p.view->wview != 0 && p.view->hview != 0;
}

}  // namespace

bool IO_WindowToView(int32_t view, double wx, double wy, double& rx, double& ry) {
  Port p;
  if (!PortOf(view, p)) return false;
  const Frame f = FrameInWindow();
  const CView& v = *p.view;
  // Offsets from the port's centre in view units, turned by the view's angle about its centre.
  const double sx = ((wx - f.left) / f.sx - p.x - p.w / 2) * v.wview / p.w;
  const double sy = ((wy - f.top) / f.sy - p.y - p.h / 2) * v.hview / p.h;
  const double a = v.angle * M_PI / 180.0, c = std::cos(a), s = std::sin(a);
  rx = v.xview + v.wview / 2.0 + sx * c - sy * s;
  ry = v.yview + v.hview / 2.0 + sx * s + sy * c;
  return true;
}

bool IO_ViewToWindow(int32_t view, double rx, double ry, double& wx, double& wy) {
  Port p;
  if (!PortOf(view, p)) return false;
  const Frame f = FrameInWindow();
  const CView& v = *p.view;
  const double dx = rx - (v.xview + v.wview / 2.0), dy = ry - (v.yview + v.hview / 2.0);
  const double a = v.angle * M_PI / 180.0, c = std::cos(a), s = std::sin(a);
  const double sx = dx * c + dy * s, sy = -dx * s + dy * c;
  wx = f.left + (p.x + p.w / 2 + sx * p.w / v.wview) * f.sx;
  wy = f.top + (p.y + p.h / 2 + sy * p.h / v.hview) * f.sy;
  return true;
}

int32_t IO_ViewAt(double wx, double wy) {
  const CRoom* room = Room_Current();
  if (room == nullptr) return 0;
  const Frame f = FrameInWindow();
  const double fx = (wx - f.left) / f.sx, fy = (wy - f.top) / f.sy;
  for (int32_t i = 0; i < kRoomViewCount; ++i) {
    Port p;
    if (!room->views[i].visible || !PortOf(i, p)) continue;
    if (fx >= p.x && fx < p.x + p.w && fy >= p.y && fy < p.y + p.h) return i;
  }
  return 0;
}

void IO_WindowToRoom(double wx, double wy, double& rx, double& ry) {
  const CRoom* room = Room_Current();
  if (room != nullptr && room->viewsEnabled && IO_WindowToView(IO_ViewAt(wx, wy), wx, wy, rx, ry)) return;
  const Frame f = FrameInWindow();
  rx = (wx - f.left) / f.sx;
  ry = (wy - f.top) / f.sy;
  if (room != nullptr && g_Display.gameWidth > 0 && g_Display.gameHeight > 0) {
    rx = rx * room->width / g_Display.gameWidth;
    ry = ry * room->height / g_Display.gameHeight;
  }
}

void IO_UpdateRoomMouse() {
  g_previousX = g_mouseX;
  g_previousY = g_mouseY;
  const IOState& s = IO_Current();
  IO_WindowToRoom(s.clientX, s.clientY, g_mouseX, g_mouseY);
}

double IO_MouseX() { return g_mouseX; }
double IO_MouseY() { return g_mouseY; }
double IO_PreviousMouseX() { return g_previousX; }
double IO_PreviousMouseY() { return g_previousY; }
void IO_ResetRoomMouse() { g_mouseX = g_mouseY = g_previousX = g_previousY = 0; }
