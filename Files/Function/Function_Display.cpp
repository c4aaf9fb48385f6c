// The display and the window from game code, screen capture, clearing, the drawing colour and alpha,
// blend modes and texture settings.
#include <cmath>
#include <string>

#include "Code/Code_Error.h"
#include "Function/Function_Register.h"
#include "Graphics/Graphics_Batch.h"
#include "Graphics/Graphics_Colour.h"
#include "Graphics/Graphics_Display.h"
#include "Graphics/Graphics_DrawState.h"
#include "Graphics/Graphics_Image.h"
#include "Graphics/Graphics_Matrix.h"
#include "Graphics/Graphics_RenderState.h"
#include "Graphics/Graphics_Surface.h"
#include "Graphics/Graphics_Texture.h"
#include "Graphics/Graphics_Window.h"
#include "IO/IO_Main.h"
#include "IO/IO_Mouse.h"
#include "Room/Room_Class.h"
#include "Room/Room_Main.h"

namespace {

using Args = RValue*;

double Real(int argc, Args args, int i) { return FunctionArgument(argc, args, i).real; }
int Index(int argc, Args args, int i) { return FunctionArgumentIndex(FunctionArgument(argc, args, i)); }
bool Flag(int argc, Args args, int i) { return FunctionArgumentBool(FunctionArgument(argc, args, i)); }

// ---- Display ------------------------------------------------------------------------------------------

void F_DisplayGetWidth(RValue& r, CInstance*, CInstance*, int, Args) {
  int32_t w = 0, h = 0;
  Window_DisplaySize(w, h);
  r.SetReal(w);
}
void F_DisplayGetHeight(RValue& r, CInstance*, CInstance*, int, Args) {
  int32_t w = 0, h = 0;
  Window_DisplaySize(w, h);
  r.SetReal(h);
}
void F_DisplayGetColourDepth(RValue& r, CInstance*, CInstance*, int, Args) { r.SetReal(Window_DisplayColourDepth()); }
void F_DisplayGetFrequency(RValue& r, CInstance*, CInstance*, int, Args) { r.SetReal(Window_DisplayFrequency()); }
void F_DisplayGetOrientation(RValue& r, CInstance*, CInstance*, int, Args) {
  int32_t w = 0, h = 0;
  Window_DisplaySize(w, h);
  r.SetReal(h > w ? 1 : 0);  // display_portrait when taller than wide, else display_landscape
}

// The desktop's mode is not changed by the runner: a request succeeds when it asks for what the
// display already has (each field that is positive must match).
bool ModeMatches(int32_t width, int32_t height, int32_t frequency, int32_t depth) {
  int32_t w = 0, h = 0;
  Window_DisplaySize(w, h);
  return (width <= 0 || width == w) && (height <= 0 || height == h) &&
         (frequency <= 0 || frequency == Window_DisplayFrequency()) &&
         (depth <= 0 || depth == Window_DisplayColourDepth());
}
void F_DisplaySetSize(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(ModeMatches(Index(argc, args, 0), Index(argc, args, 1), -1, -1) ? 1 : 0);
}
void F_DisplaySetColourDepth(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(ModeMatches(-1, -1, -1, Index(argc, args, 0)) ? 1 : 0);
}
void F_DisplaySetFrequency(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(ModeMatches(-1, -1, Index(argc, args, 0), -1) ? 1 : 0);
}
void F_DisplaySetAll(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(ModeMatches(Index(argc, args, 0), Index(argc, args, 1), Index(argc, args, 2), Index(argc, args, 3)) ? 1 : 0);
}
void F_DisplayReset(RValue&, CInstance*, CInstance*, int, Args) {}
// The cursor as the step's input has it (a replay gives the recorded position).
void F_DisplayMouseGetX(RValue& r, CInstance*, CInstance*, int, Args) { r.SetReal(IO_Current().screenX); }
void F_DisplayMouseGetY(RValue& r, CInstance*, CInstance*, int, Args) { r.SetReal(IO_Current().screenY); }
void F_DisplayMouseSet(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const int32_t x = Index(argc, args, 0), y = Index(argc, args, 1);
  Window_SetDisplayMousePosition(x, y);
  for (IOState* s : {&IO_Incoming(), &IO_Current()}) {
    s->screenX = x;
    s->screenY = y;
    s->clientX = x - Window_X();
    s->clientY = y - Window_Y();
  }
}

// ---- Window -------------------------------------------------------------------------------------------

template <void (*Set)(bool)>
void F_WindowSetFlag(RValue&, CInstance*, CInstance*, int argc, Args args) {
  Set(Flag(argc, args, 0));
}
template <bool (*Get)()>
void F_WindowGetFlag(RValue& r, CInstance*, CInstance*, int, Args) {
  r.SetReal(Get() ? 1 : 0);
}
void F_WindowSetCaption(RValue&, CInstance*, CInstance*, int argc, Args args) {
  Window_SetCaption(FunctionArgument(argc, args, 0).Str());
}
void F_WindowGetCaption(RValue& r, CInstance*, CInstance*, int, Args) { r.SetString(Window_Caption().c_str()); }
void F_WindowSetCursor(RValue&, CInstance*, CInstance*, int argc, Args args) { Window_SetCursor(Index(argc, args, 0)); }
void F_WindowGetCursor(RValue& r, CInstance*, CInstance*, int, Args) { r.SetReal(Window_Cursor()); }
void F_WindowSetColour(RValue&, CInstance*, CInstance*, int argc, Args args) {
  g_Display.windowColour = Index(argc, args, 0) & 0xFFFFFF;
}
void F_WindowGetColour(RValue& r, CInstance*, CInstance*, int, Args) { r.SetReal(g_Display.windowColour & 0xFFFFFF); }
void F_WindowSetPosition(RValue&, CInstance*, CInstance*, int argc, Args args) {
  Window_SetPosition(Index(argc, args, 0), Index(argc, args, 1));
}
void F_WindowSetSize(RValue&, CInstance*, CInstance*, int argc, Args args) {
  Window_SetSize(Index(argc, args, 0), Index(argc, args, 1));
}
void F_WindowSetRectangle(RValue&, CInstance*, CInstance*, int argc, Args args) {
  Window_SetPosition(Index(argc, args, 0), Index(argc, args, 1));
  Window_SetSize(Index(argc, args, 2), Index(argc, args, 3));
}
void F_WindowCenter(RValue&, CInstance*, CInstance*, int, Args) { Window_Center(); }
// The size the current room wants (the game size without a room), centred.
void F_WindowDefault(RValue&, CInstance*, CInstance*, int, Args) {
  int32_t w = g_Display.gameWidth, h = g_Display.gameHeight;
  if (const CRoom* room = Room_Current()) {
    int32_t sw = 0, sh = 0;
    Window_DisplaySize(sw, sh);
    Room_WindowSize(*room, sw, sh, &w, &h);
  }
  Window_SetSize(w, h);
  Window_Center();
}
void F_WindowGetX(RValue& r, CInstance*, CInstance*, int, Args) { r.SetReal(Window_X()); }
void F_WindowGetY(RValue& r, CInstance*, CInstance*, int, Args) { r.SetReal(Window_Y()); }
void F_WindowGetWidth(RValue& r, CInstance*, CInstance*, int, Args) {
  int32_t w = 0, h = 0;
  Window_ClientSize(w, h);
  r.SetReal(w);
}
void F_WindowGetHeight(RValue& r, CInstance*, CInstance*, int, Args) {
  int32_t w = 0, h = 0;
  Window_ClientSize(w, h);
  r.SetReal(h);
}
// The cursor in the client area as the step's input has it; setting it moves the cursor and both
// copies of the input state.
void F_WindowMouseGetX(RValue& r, CInstance*, CInstance*, int, Args) { r.SetReal(IO_Current().clientX); }
void F_WindowMouseGetY(RValue& r, CInstance*, CInstance*, int, Args) { r.SetReal(IO_Current().clientY); }
void SetWindowMouse(int32_t x, int32_t y) {
  Window_SetMousePosition(x, y);
  for (IOState* s : {&IO_Incoming(), &IO_Current()}) {
    s->screenX += x - s->clientX;
    s->screenY += y - s->clientY;
    s->clientX = x;
    s->clientY = y;
  }
}
void F_WindowMouseSet(RValue&, CInstance*, CInstance*, int argc, Args args) {
  SetWindowMouse(Index(argc, args, 0), Index(argc, args, 1));
}

// Room positions through a view (its port, size and angle); the window position when the view
// cannot map.
void ViewMouse(RValue& r, int32_t view, bool vertical) {
  const IOState& s = IO_Current();
  double x = s.clientX, y = s.clientY;
  IO_WindowToView(view, s.clientX, s.clientY, x, y);
  r.SetReal(vertical ? y : x);
}
int32_t ViewUnderMouse() { return IO_ViewAt(IO_Current().clientX, IO_Current().clientY); }
void F_WindowViewMouseGetX(RValue& r, CInstance*, CInstance*, int argc, Args args) { ViewMouse(r, Index(argc, args, 0), false); }
void F_WindowViewMouseGetY(RValue& r, CInstance*, CInstance*, int argc, Args args) { ViewMouse(r, Index(argc, args, 0), true); }
void F_WindowViewsMouseGetX(RValue& r, CInstance*, CInstance*, int, Args) { ViewMouse(r, ViewUnderMouse(), false); }
void F_WindowViewsMouseGetY(RValue& r, CInstance*, CInstance*, int, Args) { ViewMouse(r, ViewUnderMouse(), true); }
void SetViewMouse(int32_t view, double x, double y) {
  double wx = x, wy = y;
  IO_ViewToWindow(view, x, y, wx, wy);
  SetWindowMouse(int32_t(std::lround(wx)), int32_t(std::lround(wy)));
}
void F_WindowViewMouseSet(RValue&, CInstance*, CInstance*, int argc, Args args) {
  SetViewMouse(Index(argc, args, 0), Real(argc, args, 1), Real(argc, args, 2));
}
void F_WindowViewsMouseSet(RValue&, CInstance*, CInstance*, int argc, Args args) {
  SetViewMouse(ViewUnderMouse(), Real(argc, args, 0), Real(argc, args, 1));
}

// ---- Screen capture and clearing ---------------------------------------------------------------------

void SaveScreen(const char* path, int32_t x, int32_t y, int32_t w, int32_t h) {
  if (path[0] == '\0') {
    ReportActionError("Trying to save screen to empty image file name.", false);
    return;
  }
  std::string error;
  Display_SaveScreen(path, x, y, w, h, error);
}
void F_ScreenSave(RValue&, CInstance*, CInstance*, int argc, Args args) {
  SaveScreen(FunctionArgument(argc, args, 0).Str(), 0, 0, g_Display.gameWidth, g_Display.gameHeight);
}
void F_ScreenSavePart(RValue&, CInstance*, CInstance*, int argc, Args args) {
  SaveScreen(FunctionArgument(argc, args, 0).Str(), Index(argc, args, 1), Index(argc, args, 2), Index(argc, args, 3),
             Index(argc, args, 4));
}

// The pixel under a room position (through the camera and viewport in force), red in the high byte.
void F_DrawGetPixel(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(0);
  const DisplayCamera camera = Display_Camera();
  const Vec3 clip = Matrix_TransformPoint(Matrix_Multiply(camera.view, camera.projection),
                                          Vec3{float(Real(argc, args, 0)), float(Real(argc, args, 1)), 0});
  const double px = camera.viewport[0] + (clip.x + 1.0) / 2.0 * camera.viewport[2];
  const double py = camera.viewport[1] + (1.0 - clip.y) / 2.0 * camera.viewport[3];
  const int32_t x = int32_t(std::floor(px)), y = int32_t(std::floor(py));
  CBitmap32 pixel;
  if (const SurfaceRecord* s = Surface_Get(g_Display.currentSurface)) {
    const TextureSlot* slot = GR_Texture_Slot(s->texture);
    if (slot == nullptr || x < 0 || y < 0 || x >= s->width || y >= s->height) return;
    pixel = CBitmap32(1, 1);
    Batch_Flush();
    if (!Device().ReadPixels(slot->texture, x, y, 1, 1, pixel.Data())) return;
  } else if (!Display_ReadScreen(x, y, 1, 1, pixel)) {
    return;
  }
  const uint8_t* p = pixel.Data();
  r.SetReal(double((uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2]));
}

void F_DrawClear(RValue&, CInstance*, CInstance*, int argc, Args args) { Display_Clear(GR_ARGB(Index(argc, args, 0), 255)); }
void F_DrawClearAlpha(RValue&, CInstance*, CInstance*, int argc, Args args) {
  Display_Clear(GR_ARGB(Index(argc, args, 0), GR_AlphaByte(Real(argc, args, 1))));
}

// ---- Drawing settings ---------------------------------------------------------------------------------

void F_DrawSetColour(RValue&, CInstance*, CInstance*, int argc, Args args) { g_DrawState.colour = Index(argc, args, 0); }
void F_DrawGetColour(RValue& r, CInstance*, CInstance*, int, Args) { r.SetReal(g_DrawState.colour); }
void F_DrawSetAlpha(RValue&, CInstance*, CInstance*, int argc, Args args) { g_DrawState.alpha = Real(argc, args, 0); }
void F_DrawGetAlpha(RValue& r, CInstance*, CInstance*, int, Args) { r.SetReal(g_DrawState.alpha); }
void F_DrawSetBlendMode(RValue&, CInstance*, CInstance*, int argc, Args args) { GR_SetBlendMode(Index(argc, args, 0)); }
void F_DrawSetBlendModeExt(RValue&, CInstance*, CInstance*, int argc, Args args) {
  GR_SetBlendModeExt(Index(argc, args, 0), Index(argc, args, 1));
}

void F_TextureExists(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(GR_Texture_Exists(Index(argc, args, 0)) ? 1 : 0);
}
void F_TextureSetInterpolation(RValue&, CInstance*, CInstance*, int argc, Args args) { GR_SetInterpolation(Flag(argc, args, 0)); }
void F_TextureSetBlending(RValue&, CInstance*, CInstance*, int argc, Args args) { GR_SetTextureBlending(Flag(argc, args, 0)); }
void F_TextureSetRepeat(RValue&, CInstance*, CInstance*, int argc, Args args) { GR_SetRepeat(Flag(argc, args, 0)); }
void F_TextureGetWidth(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(GR_Texture_WidthFraction(Index(argc, args, 0)));
}
void F_TextureGetHeight(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(GR_Texture_HeightFraction(Index(argc, args, 0)));
}
// Textures live in GL's memory from their creation; there is nothing to bring in or rank.
void F_TexturePreload(RValue&, CInstance*, CInstance*, int, Args) {}
void F_TextureSetPriority(RValue&, CInstance*, CInstance*, int, Args) {}

}  // namespace

void Function_Display_Bind() {
  ImplementFunction("display_get_width", F_DisplayGetWidth);
  ImplementFunction("display_get_height", F_DisplayGetHeight);
  ImplementFunction("display_get_colordepth", F_DisplayGetColourDepth);
  ImplementFunction("display_get_frequency", F_DisplayGetFrequency);
  ImplementFunction("display_get_orientation", F_DisplayGetOrientation);
  ImplementFunction("display_set_size", F_DisplaySetSize);
  ImplementFunction("display_set_colordepth", F_DisplaySetColourDepth);
  ImplementFunction("display_set_frequency", F_DisplaySetFrequency);
  ImplementFunction("display_set_all", F_DisplaySetAll);
  ImplementFunction("display_test_all", F_DisplaySetAll);
  ImplementFunction("display_reset", F_DisplayReset);
  ImplementFunction("display_mouse_get_x", F_DisplayMouseGetX);
  ImplementFunction("display_mouse_get_y", F_DisplayMouseGetY);
  ImplementFunction("display_mouse_set", F_DisplayMouseSet);
  ImplementFunction("window_set_visible", F_WindowSetFlag<Window_SetVisible>);
  ImplementFunction("window_get_visible", F_WindowGetFlag<Window_Visible>);
  ImplementFunction("window_set_fullscreen", F_WindowSetFlag<Window_SetFullscreen>);
  ImplementFunction("window_get_fullscreen", F_WindowGetFlag<Window_Fullscreen>);
  ImplementFunction("window_set_showborder", F_WindowSetFlag<Window_SetShowBorder>);
  ImplementFunction("window_get_showborder", F_WindowGetFlag<Window_ShowBorder>);
  ImplementFunction("window_set_showicons", F_WindowSetFlag<Window_SetShowIcons>);
  ImplementFunction("window_get_showicons", F_WindowGetFlag<Window_ShowIcons>);
  ImplementFunction("window_set_stayontop", F_WindowSetFlag<Window_SetStayOnTop>);
  ImplementFunction("window_get_stayontop", F_WindowGetFlag<Window_StayOnTop>);
  ImplementFunction("window_set_sizeable", F_WindowSetFlag<Window_SetSizeable>);
  ImplementFunction("window_get_sizeable", F_WindowGetFlag<Window_Sizeable>);
  ImplementFunction("window_set_caption", F_WindowSetCaption);
  ImplementFunction("window_get_caption", F_WindowGetCaption);
  ImplementFunction("window_set_cursor", F_WindowSetCursor);
  ImplementFunction("window_get_cursor", F_WindowGetCursor);
  ImplementFunction("window_set_color", F_WindowSetColour);
  ImplementFunction("window_get_color", F_WindowGetColour);
  ImplementFunction("window_set_position", F_WindowSetPosition);
  ImplementFunction("window_set_size", F_WindowSetSize);
  ImplementFunction("window_set_rectangle", F_WindowSetRectangle);
  ImplementFunction("window_center", F_WindowCenter);
  ImplementFunction("window_default", F_WindowDefault);
  ImplementFunction("window_get_x", F_WindowGetX);
  ImplementFunction("window_get_y", F_WindowGetY);
  ImplementFunction("window_get_width", F_WindowGetWidth);
  ImplementFunction("window_get_height", F_WindowGetHeight);
  ImplementFunction("window_mouse_get_x", F_WindowMouseGetX);
  ImplementFunction("window_mouse_get_y", F_WindowMouseGetY);
  ImplementFunction("window_mouse_set", F_WindowMouseSet);
  ImplementFunction("window_view_mouse_get_x", F_WindowViewMouseGetX);
  ImplementFunction("window_view_mouse_get_y", F_WindowViewMouseGetY);
  ImplementFunction("window_view_mouse_set", F_WindowViewMouseSet);
  ImplementFunction("window_views_mouse_get_x", F_WindowViewsMouseGetX);
  ImplementFunction("window_views_mouse_get_y", F_WindowViewsMouseGetY);
  ImplementFunction("window_views_mouse_set", F_WindowViewsMouseSet);
  ImplementFunction("screen_save", F_ScreenSave);
  ImplementFunction("screen_save_part", F_ScreenSavePart);
  ImplementFunction("draw_getpixel", F_DrawGetPixel);
  ImplementFunction("draw_clear", F_DrawClear);
  ImplementFunction("draw_clear_alpha", F_DrawClearAlpha);
  ImplementFunction("draw_set_color", F_DrawSetColour);
  ImplementFunction("draw_get_color", F_DrawGetColour);
  ImplementFunction("draw_set_alpha", F_DrawSetAlpha);
  ImplementFunction("draw_get_alpha", F_DrawGetAlpha);
  ImplementFunction("draw_set_blend_mode", F_DrawSetBlendMode);
  ImplementFunction("draw_set_blend_mode_ext", F_DrawSetBlendModeExt);
  ImplementFunction("texture_exists", F_TextureExists);
  ImplementFunction("texture_set_interpolation", F_TextureSetInterpolation);
  ImplementFunction("texture_set_blending", F_TextureSetBlending);
  ImplementFunction("texture_set_repeat", F_TextureSetRepeat);
  ImplementFunction("texture_get_width", F_TextureGetWidth);
  ImplementFunction("texture_get_height", F_TextureGetHeight);
  ImplementFunction("texture_preload", F_TexturePreload);
  ImplementFunction("texture_set_priority", F_TextureSetPriority);
}
