// Platform services on a desktop: the mouse as touch device 0, virtual keys pressed by the mouse,
// pages opened through the desktop's opener, the system's answers, and the process's own settings.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

#include "Function_FileTestFolder.h"
#include "Graphics/Graphics_Batch.h"
#include "Graphics/Graphics_Display.h"
#include "Graphics/Graphics_RenderState.h"
#include "IO/IO_Main.h"
#include "IO/IO_VirtualButtons.h"
#include "Platform/Platform_Console.h"

using namespace testcall;

namespace {

std::string Quiet(const std::function<void()>& f) {
  Printed(f);
  return LastErrorText();
}

struct DeviceScope : LibraryScope {
  void SetUp() {
    LibraryScope::SetUp();
    IO_Reset();
    VirtualButtons_Reset();
  }
  void TearDown() {
    IO_Reset();
    VirtualButtons_Reset();
  }
};

LIBRARY_CASE(DeviceScope, TheMouseIsDeviceZero, "device_mouse_check_button", "device_mouse_check_button_pressed",
             "device_mouse_check_button_released", "device_mouse_x", "device_mouse_y", "device_mouse_raw_x",
             "device_mouse_raw_y", "Brindle_MouseCheckButton", "Brindle_MouseCheckButtonPressed",
             "Brindle_MouseCheckButtonReleased", "Brindle_MouseX", "Brindle_MouseY", "Brindle_MouseXRaw",
             "Brindle_MouseYRaw", "device_get_tilt_x", "device_get_tilt_y", "device_get_tilt_z",
             "device_is_keypad_open", "Brindle_GetTiltX", "Brindle_GetTiltY", "Brindle_GetTiltZ",
             "Brindle_IsKeypadOpen") {
  IO_MouseMove(30, 40);
  IO_MouseDown(0, 1);
  IO_Publish();
  for (const char* check : {"device_mouse_check_button", "Brindle_MouseCheckButton"}) {
    EXPECT_EQ(Real(check, {R(0), R(1)}), 1) << check;
    EXPECT_EQ(Real(check, {R(0), R(2)}), 0) << check;
    EXPECT_EQ(Real(check, {R(0), R(-1)}), 1) << check;  // any button
    EXPECT_EQ(Real(check, {R(0), R(0)}), 0) << check;   // no button
    EXPECT_EQ(Real(check, {R(1), R(1)}), 0) << check;   // another device: never pressed
    EXPECT_EQ(Real(check, {R(1), R(0)}), 1) << check;
    EXPECT_EQ(Real(check, {R(5), R(0)}), 0) << check;   // no such device
  }
  EXPECT_EQ(Real("device_mouse_check_button_pressed", {R(0), R(1)}), 1);
  EXPECT_EQ(Real("Brindle_MouseCheckButtonReleased", {R(0), R(1)}), 0);
  EXPECT_EQ(Real("device_mouse_raw_x", {R(0)}), 30);
  EXPECT_EQ(Real("Brindle_MouseYRaw", {R(0)}), 40);
  EXPECT_EQ(Real("device_mouse_raw_x", {R(3)}), 0);
  EXPECT_EQ(Real("device_mouse_x", {R(0)}), Real("Brindle_MouseX", {R(0)}));
  EXPECT_EQ(Real("device_mouse_y", {R(2)}), 0);
  EXPECT_EQ(Real("Brindle_MouseY", {R(0)}), Real("device_mouse_y", {R(0)}));
  IO_ClearEdges();
  IO_MouseUp(0, 1);
  IO_Publish();
  EXPECT_EQ(Real("Brindle_MouseCheckButtonPressed", {R(0), R(1)}), 0);
  EXPECT_EQ(Real("device_mouse_check_button_released", {R(0), R(1)}), 1);
  EXPECT_EQ(Real("device_mouse_check_button", {R(0), R(1)}), 0);
  for (const char* none : {"device_get_tilt_x", "device_get_tilt_y", "device_get_tilt_z", "device_is_keypad_open",
                           "Brindle_GetTiltX", "Brindle_GetTiltY", "Brindle_GetTiltZ", "Brindle_IsKeypadOpen"}) {
    EXPECT_EQ(Real(none), 0) << none;
  }
}

// One step of the virtual keys with the mouse at (x, y) in a window twice the game's size.
IOState Step(int32_t x, int32_t y, bool down) {
  IOState s;
  s.clientX = x;
  s.clientY = y;
  s.buttonDown[0] = down ? 1 : 0;
  VirtualButtons_Step(s, 200, 100, 100, 50);
  return s;
}

LIBRARY_CASE(DeviceScope, VirtualKeysArePressedByTheMouse, "virtual_key_add", "virtual_key_delete",
             "virtual_key_show", "virtual_key_hide", "Brindle_AddVirtualKey", "Brindle_DeleteVirtualKey",
             "Brindle_ShowVirtualKey", "Brindle_HideVirtualKey") {
  // Key 37 over game pixels x 10..29, y 10..29; in the window that is x 20..59, y 20..59.
  EXPECT_EQ(Real("virtual_key_add", {R(10), R(10), R(20), R(20), R(37)}), 0);
  EXPECT_EQ(Real("Brindle_AddVirtualKey", {R(0), R(0), R(5), R(5), R(65)}), 1);
  EXPECT_EQ(Step(58, 58, true).keyPressed[37], 1);  // game (29, 29): inside
  EXPECT_EQ(Step(58, 58, true).keyDown[37], 1);     // held
  EXPECT_EQ(Step(58, 58, false).keyReleased[37], 1);
  EXPECT_EQ(Step(60, 40, true).keyPressed[37], 0);  // game x 30: the right edge is outside
  Step(60, 40, false);
  EXPECT_EQ(Step(2, 2, true).keyPressed[65], 1);
  EXPECT_EQ(Step(2, 2, false).keyReleased[65], 1);

  Call("virtual_key_hide", {R(0)});  // nothing is drawn either way: it still works
  EXPECT_EQ(Step(40, 40, true).keyPressed[37], 1);
  Step(40, 40, false);
  Call("Brindle_ShowVirtualKey", {R(0)});
  Call("virtual_key_delete", {R(0)});
  EXPECT_EQ(Step(40, 40, true).keyPressed[37], 0);
  Step(40, 40, false);
  EXPECT_NE(Quiet([] { Call("Brindle_DeleteVirtualKey", {R(0)}); }).find("Virtual key 0 does not exist"),
            std::string::npos);
  EXPECT_NE(Quiet([] { Call("virtual_key_show", {R(500)}); }).find("Virtual key 500 does not exist"),
            std::string::npos);
  EXPECT_NE(Quiet([] { Call("Brindle_HideVirtualKey", {R(-1)}); }).find("Virtual key -1 does not exist"),
            std::string::npos);
  // The freed place is taken again, then every place is.
  EXPECT_EQ(Real("virtual_key_add", {R(0), R(0), R(1), R(1), R(66)}), 0);
  for (int i = 2; i < kVirtualButtonCount; ++i) Call("virtual_key_add", {R(0), R(0), R(1), R(1), R(66)});
  double full = 0;
  EXPECT_NE(Quiet([&] { full = Real("virtual_key_add", {R(0), R(0), R(1), R(1), R(66)}); })
                .find("virtual_key_add: no room for another virtual key"),
            std::string::npos);
  EXPECT_EQ(full, -1);
}

// A stand-in for the desktop's opener in a folder put first in PATH: it writes what it was given.
struct OpenerScope : FileFolderTest {
  void SetUp() {
    FileFolderTest::SetUp();
    m_oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    std::filesystem::create_directories(m_root + "/bin");
    Put(m_root + "/bin/xdg-open", "#!/bin/sh\nprintf '%s' \"$*\" > " + m_root + "/opened.part && mv " + m_root +
                                      "/opened.part " + m_root + "/opened\n");
    chmod((m_root + "/bin/xdg-open").c_str(), 0755);
    setenv("PATH", (m_root + "/bin:" + m_oldPath).c_str(), 1);
  }
  void TearDown() {
    setenv("PATH", m_oldPath.c_str(), 1);
    FileFolderTest::TearDown();
  }
  // What the opener was given (waits for it: the game does not).
  std::string Opened() {
    const std::string path = m_root + "/opened";
    for (int i = 0; i < 500 && !Exists(path); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::string text = Get(path);
    std::filesystem::remove(path);
    return text;
  }
  std::string m_oldPath;
};

LIBRARY_CASE(OpenerScope, PagesOpenThroughTheDesktop, "url_open", "url_open_ext", "url_open_full",
             "Brindle_OpenURL", "Brindle_OpenURL_ext", "Brindle_OpenURL_full", "url_get_domain") {
  Call("url_open", {S("https://example.org/a b")});
  EXPECT_EQ(Opened(), "https://example.org/a b");
  Call("url_open_ext", {S("http://example.org/"), S("_blank")});
  EXPECT_EQ(Opened(), "http://example.org/");
  Call("Brindle_OpenURL_full", {S("http://x.org/"), S("_self"), S("width=100")});
  EXPECT_EQ(Opened(), "http://x.org/");
  Call("Brindle_OpenURL", {S("mailto:a@b.org")});
  EXPECT_EQ(Opened(), "mailto:a@b.org");
  Call("Brindle_OpenURL_ext", {S("u1"), S("t")});
  EXPECT_EQ(Opened(), "u1");
  Call("url_open_full", {S("u2"), S("t"), S("o")});
  EXPECT_EQ(Opened(), "u2");
  EXPECT_EQ(Text("url_get_domain"), "");
  // A document goes to the opener too; without one the call says why.
  Put(m_gameDir + "notes.txt", "x");
  EXPECT_EQ(Real("execute_shell", {S("notes.txt"), S("")}), 0);
  EXPECT_EQ(Opened(), m_gameDir + "notes.txt");
  // Nothing to open, or a text the opener would take for an option.
  EXPECT_NE(Quiet([] { Call("url_open", {S("")}); }).find("url_open: cannot open : nothing to open"),
            std::string::npos);
  EXPECT_NE(Quiet([] { Call("url_open", {S("--help")}); }).find("url_open: cannot open --help: not a document or URL"),
            std::string::npos);
  setenv("PATH", (m_root + "/nowhere").c_str(), 1);
  EXPECT_NE(Quiet([] { Call("url_open", {S("http://example.org/")}); })
                .find("url_open: cannot open http://example.org/: xdg-open: No such file or directory"),
            std::string::npos);
}

LIBRARY_CASE(LibraryScope, TheSystemAnswers, "os_get_config", "Brindle_GetConfig", "os_is_paused",
             "Brindle_OSPauseEvent", "os_is_network_connected", "os_powersave_enable", "os_lock_orientation",
             "display_get_dpi_x", "display_get_dpi_y", "analytics_event", "Brindle_GetPlatform",
             "Brindle_GetDevice", "Brindle_GetCPUDetails") {
  EXPECT_EQ(Text("os_get_config"), "Default");
  EXPECT_EQ(Text("Brindle_GetConfig"), "Default");
  // Headless: no focus is ever lost, the display has the usual 96 dots per inch.
  EXPECT_EQ(Real("os_is_paused"), 0);
  EXPECT_EQ(Real("Brindle_OSPauseEvent"), 0);
  EXPECT_EQ(Real("display_get_dpi_x"), 96);
  EXPECT_EQ(Real("display_get_dpi_y"), 96);
  const double net = Real("os_is_network_connected");
  EXPECT_TRUE(net == 0 || net == 1);
  EXPECT_EQ(Real("Brindle_GetPlatform"), 6);  // os_linux
  EXPECT_EQ(Real("Brindle_GetDevice"), -1);   // not an iOS device
  const std::string cpu = Text("Brindle_GetCPUDetails");
  EXPECT_TRUE(cpu.empty() || (cpu[0] != ' ' && cpu.find('\n') == std::string::npos)) << cpu;
  // Settings without anything to act on here, and dropped analytics: nothing is printed, no error.
  Console::Flush();
  ::testing::internal::CaptureStdout();
  Call("os_powersave_enable", {R(0)});
  Call("os_lock_orientation", {R(1)});
  Call("analytics_event", {S("level_start")});
  Console::Flush();
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
  EXPECT_FALSE(ErrorOccurred());
}

LIBRARY_CASE(LibraryScope, DrawingSettings, "display_set_gui_size", "draw_enable_alphablend",
             "Brindle_EnableAlphaBlend", "draw_texture_flush") {
  const DisplayState savedDisplay = g_Display;
  Call("display_set_gui_size", {R(320), R(240.4)});
  EXPECT_EQ(g_Display.guiWidth, 320);
  EXPECT_EQ(g_Display.guiHeight, 240);
  Call("display_set_gui_size", {R(-1), R(200)});  // back to the screen size
  EXPECT_EQ(g_Display.guiWidth, -1);
  EXPECT_EQ(g_Display.guiHeight, -1);
  g_Display = savedDisplay;

  g_DrawSettings = DrawSettings();
  Call("draw_enable_alphablend", {R(0)});
  EXPECT_FALSE(g_DrawSettings.alphaBlend);
  EXPECT_EQ(RenderState_Get(kRS_AlphaBlendEnable), 0u);
  RenderState_ApplySettings();  // a device reset keeps the setting
  EXPECT_EQ(RenderState_Get(kRS_AlphaBlendEnable), 0u);
  Call("Brindle_EnableAlphaBlend", {R(1)});
  EXPECT_EQ(RenderState_Get(kRS_AlphaBlendEnable), 1u);
  g_DrawSettings = DrawSettings();

  Batch_Reset();
  Call("draw_rectangle", {R(0), R(0), R(4), R(4), R(0)});
  EXPECT_GT(Batch_PendingCount(), 0);
  Call("draw_texture_flush");
  EXPECT_EQ(Batch_PendingCount(), 0);
}

LIBRARY_CASE(LibraryScope, TheProcessItself, "window_handle", "set_application_title", "set_program_priority") {
  EXPECT_EQ(Real("window_handle"), 0);  // headless: no window
  const std::string caption = Text("window_get_caption");
  Call("set_application_title", {S("Tessera test")});
  EXPECT_EQ(Text("window_get_caption"), "Tessera test");
  Call("window_set_caption", {S(caption.c_str())});
  // In a child process, so the tests keep their own priority: -2 is nice 10, -9 is taken as -3 (15).
  for (auto [priority, nice] : {std::pair{-2.0, 10}, std::pair{-9.0, 15}}) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      RValue result, arg(priority);
      CallFunction(FindBuiltinFunction("set_program_priority"), result, nullptr, nullptr, 1, &arg);
      _exit(getpriority(PRIO_PROCESS, 0));
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), std::max(nice, getpriority(PRIO_PROCESS, 0))) << priority;
  }
}

}  // namespace
