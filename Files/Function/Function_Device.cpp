// Platform services that mean something on a desktop: the mouse as touch device 0, a device that
// neither tilts nor has a keypad, virtual keys pressed by the mouse, web pages opened in the
// desktop's browser, and what the system says about itself (configuration, pause, network, DPI).
//
// Devices 1..4 stand for further touch points, which a desktop does not have: their buttons are
// never pressed and they stay at (0, 0). Positions of device 0 are the room position (mouse_x,
// mouse_y) and, raw, the position in the window's client area.
#include <ifaddrs.h>
#include <net/if.h>
#include <sys/socket.h>

#include <fstream>
#include <string>

#include "Code/Code_Error.h"
#include "Function/Function_Library.h"
#include "Function/Function_Register.h"
#include "Graphics/Graphics_Batch.h"
#include "Graphics/Graphics_Display.h"
#include "Graphics/Graphics_RenderState.h"
#include "Graphics/Graphics_Window.h"
#include "IO/IO_Main.h"
#include "IO/IO_Mouse.h"
#include "IO/IO_VirtualButtons.h"
#include "Platform/Platform_Spawn.h"

using namespace Library;

namespace {

using Args = RValue*;
#define DEVICE_FN(name) void name(RValue& result, CInstance*, CInstance*, int argc, Args args)

// ---- Touch devices -----------------------------------------------------------------------------

template <KeyFlag Which>
DEVICE_FN(F_DeviceMouseCheck) {
  result.SetReal(IO_CheckDeviceButton(Which, ArgIndex(argc, args, 0), ArgIndex(argc, args, 1)) ? 1 : 0);
}

enum class Axis { RoomX, RoomY, RawX, RawY };

template <Axis A>
DEVICE_FN(F_DeviceMouse) {
  if (ArgIndex(argc, args, 0) != 0) return;
  const IOState& s = IO_Current();
  switch (A) {
    case Axis::RoomX: result.SetReal(IO_MouseX()); break;
    case Axis::RoomY: result.SetReal(IO_MouseY()); break;
    case Axis::RawX: result.SetReal(s.clientX); break;
    case Axis::RawY: result.SetReal(s.clientY); break;
  }
}

// Tilt and keypad: a desktop has neither (0 and false).
DEVICE_FN(F_Zero) { result.SetReal(0); }

// ---- Virtual keys ------------------------------------------------------------------------------

// virtual_key_add(x, y, w, h, keycode): the key's index, -1 when every place is taken.
DEVICE_FN(F_VirtualKeyAdd) {
  const int index = VirtualButtons_Add(float(ArgReal(argc, args, 0)), float(ArgReal(argc, args, 1)),
                                       float(ArgReal(argc, args, 2)), float(ArgReal(argc, args, 3)),
                                       ArgIndex(argc, args, 4));
  if (index < 0) ReportActionError("virtual_key_add: no room for another virtual key", false);
  result.SetReal(index);
}

bool KnownKey(bool found, int index) {
  if (!found) ReportActionErrorF(false, "Virtual key %d does not exist", index);
  return found;
}

DEVICE_FN(F_VirtualKeyDelete) {
  const int index = ArgIndex(argc, args, 0);
  KnownKey(VirtualButtons_Delete(index), index);
}

template <bool Shown>
DEVICE_FN(F_VirtualKeyShow) {
  const int index = ArgIndex(argc, args, 0);
  KnownKey(VirtualButtons_SetShown(index, Shown), index);
}

// ---- Web pages ---------------------------------------------------------------------------------

// url_open(url) and its _ext and _full forms (target window and browser options do not apply):
// the desktop's browser opens the page; the game does not wait.
DEVICE_FN(F_UrlOpen) {
  const std::string url = ArgText(argc, args, 0);
  const SpawnOutcome out = Platform_OpenDocument(url);
  if (!out.started) ReportActionErrorF(false, "url_open: cannot open %s: %s", url.c_str(), out.error.c_str());
}

// The domain of the page the game runs in: a desktop game runs in none.
DEVICE_FN(F_UrlGetDomain) { result.SetString(""); }

// ---- The system --------------------------------------------------------------------------------

// The configuration the game was built for: this runner has one.
DEVICE_FN(F_OsGetConfig) { result.SetString("Default"); }

// True once after the window lost the focus (the platform's pause event).
DEVICE_FN(F_OsIsPaused) { result.SetReal(Window_TakePauseEvent() ? 1 : 0); }

// True when a network interface other than the loopback is up with an address.
DEVICE_FN(F_OsIsNetworkConnected) {
  ifaddrs* list = nullptr;
  bool connected = false;
  if (getifaddrs(&list) == 0) {
    for (ifaddrs* a = list; a != nullptr; a = a->ifa_next) {
      if (a->ifa_addr == nullptr || (a->ifa_flags & IFF_LOOPBACK) || !(a->ifa_flags & IFF_UP)) continue;
      if (a->ifa_addr->sa_family == AF_INET || a->ifa_addr->sa_family == AF_INET6) connected = true;
    }
    freeifaddrs(list);
  }
  result.SetReal(connected ? 1 : 0);
}

// os_powersave_enable(on): whether the screen saver may blank the display while the game runs.
DEVICE_FN(F_OsPowersaveEnable) { Window_AllowScreenSaver(ArgBool(argc, args, 0)); }

// os_lock_orientation(lock): a desktop display does not turn; the setting is kept.
bool g_orientationLocked = false;
DEVICE_FN(F_OsLockOrientation) { g_orientationLocked = ArgBool(argc, args, 0); }

DEVICE_FN(F_DisplayDpiX) {
  float x = 96, y = 96;
  Window_DisplayDpi(x, y);
  result.SetReal(x);
}
DEVICE_FN(F_DisplayDpiY) {
  float x = 96, y = 96;
  Window_DisplayDpi(x, y);
  result.SetReal(y);
}

// display_set_gui_size(w, h): the GUI layer's projection size; -1 (or 0 and below) for the screen size.
DEVICE_FN(F_DisplaySetGuiSize) {
  const int w = ArgIndex(argc, args, 0), h = ArgIndex(argc, args, 1);
  const bool screen = w <= 0 || h <= 0;
  g_Display.guiWidth = screen ? -1 : w;
  g_Display.guiHeight = screen ? -1 : h;
}

// draw_enable_alphablend(on): drawing blends with what is below, or replaces it.
DEVICE_FN(F_DrawEnableAlphaBlend) {
  g_DrawSettings.alphaBlend = ArgBool(argc, args, 0);
  RenderState_Set(kRS_AlphaBlendEnable, g_DrawSettings.alphaBlend ? 1 : 0);
}

// draw_texture_flush(): textures here stay loaded; what is pending in the batch is drawn now.
DEVICE_FN(F_DrawTextureFlush) { Batch_Flush(); }

// analytics_event(text): there is no analytics service to send events to; they are dropped.
DEVICE_FN(F_AnalyticsEvent) {}

// The platform and device numbers (os_linux; not an iOS device) and the processor's model name.
DEVICE_FN(F_GetPlatform) { result.SetReal(6); }
DEVICE_FN(F_GetDevice) { result.SetReal(-1); }
DEVICE_FN(F_GetCpuDetails) {
  std::ifstream in("/proc/cpuinfo");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("model name", 0) != 0) continue;
    const size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    size_t start = line.find_first_not_of(" \t", colon + 1);
    result.SetString(start == std::string::npos ? "" : line.c_str() + start);
    return;
  }
  result.SetString("");
}

#undef DEVICE_FN

// Each routine under its name and its older alias.
void Bind(const char* name, const char* alias, TRoutine routine) {
  ImplementFunction(name, routine);
  if (alias != nullptr) ImplementFunction(alias, routine);
}

}  // namespace

void Function_Device_Bind() {
  Bind("device_mouse_check_button", "Brindle_MouseCheckButton", F_DeviceMouseCheck<KeyFlag::Down>);
  Bind("device_mouse_check_button_pressed", "Brindle_MouseCheckButtonPressed", F_DeviceMouseCheck<KeyFlag::Pressed>);
  Bind("device_mouse_check_button_released", "Brindle_MouseCheckButtonReleased",
       F_DeviceMouseCheck<KeyFlag::Released>);
  Bind("device_mouse_x", "Brindle_MouseX", F_DeviceMouse<Axis::RoomX>);
  Bind("device_mouse_y", "Brindle_MouseY", F_DeviceMouse<Axis::RoomY>);
  Bind("device_mouse_raw_x", "Brindle_MouseXRaw", F_DeviceMouse<Axis::RawX>);
  Bind("device_mouse_raw_y", "Brindle_MouseYRaw", F_DeviceMouse<Axis::RawY>);
  Bind("device_get_tilt_x", "Brindle_GetTiltX", F_Zero);
  Bind("device_get_tilt_y", "Brindle_GetTiltY", F_Zero);
  Bind("device_get_tilt_z", "Brindle_GetTiltZ", F_Zero);
  Bind("device_is_keypad_open", "Brindle_IsKeypadOpen", F_Zero);
  Bind("virtual_key_add", "Brindle_AddVirtualKey", F_VirtualKeyAdd);
  Bind("virtual_key_delete", "Brindle_DeleteVirtualKey", F_VirtualKeyDelete);
  Bind("virtual_key_show", "Brindle_ShowVirtualKey", F_VirtualKeyShow<true>);
  Bind("virtual_key_hide", "Brindle_HideVirtualKey", F_VirtualKeyShow<false>);
  Bind("url_open", "Brindle_OpenURL", F_UrlOpen);
  Bind("url_open_ext", "Brindle_OpenURL_ext", F_UrlOpen);
  Bind("url_open_full", "Brindle_OpenURL_full", F_UrlOpen);
  Bind("url_get_domain", nullptr, F_UrlGetDomain);
  Bind("os_get_config", "Brindle_GetConfig", F_OsGetConfig);
  Bind("os_is_paused", "Brindle_OSPauseEvent", F_OsIsPaused);
  Bind("os_is_network_connected", nullptr, F_OsIsNetworkConnected);
  Bind("os_powersave_enable", nullptr, F_OsPowersaveEnable);
  Bind("os_lock_orientation", nullptr, F_OsLockOrientation);
  Bind("display_get_dpi_x", nullptr, F_DisplayDpiX);
  Bind("display_get_dpi_y", nullptr, F_DisplayDpiY);
  Bind("display_set_gui_size", nullptr, F_DisplaySetGuiSize);
  Bind("draw_enable_alphablend", "Brindle_EnableAlphaBlend", F_DrawEnableAlphaBlend);
  Bind("draw_texture_flush", nullptr, F_DrawTextureFlush);
  Bind("analytics_event", nullptr, F_AnalyticsEvent);
  Bind("Brindle_GetPlatform", nullptr, F_GetPlatform);
  Bind("Brindle_GetDevice", nullptr, F_GetDevice);
  Bind("Brindle_GetCPUDetails", nullptr, F_GetCpuDetails);
}
