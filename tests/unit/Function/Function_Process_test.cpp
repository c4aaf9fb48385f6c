// The command line as game code sees it, and the runner's own clipboard.
#include <gtest/gtest.h>

#include "Function_TestCall.h"
#include "Platform/Platform_Clipboard.h"
#include "Platform/Platform_Process.h"

using namespace testcall;

namespace {

LIBRARY_CASE(LibraryScope, CommandLineParameters, "parameter_count", "parameter_string") {
  const char* argv[] = {"/opt/game/tessera", "-game", "my game.win", "-debug"};
  Platform_SetCommandLine(4, argv);
  EXPECT_EQ(Real("parameter_count"), 3);
  EXPECT_EQ(Text("parameter_string", {R(0)}), "/opt/game/tessera");
  EXPECT_EQ(Text("parameter_string", {R(2)}), "my game.win");
  // 2.5 rounds to 2 (halves to even); outside 0 .. count gives the empty text.
  EXPECT_EQ(Text("parameter_string", {R(2.5)}), "my game.win");
  EXPECT_EQ(Text("parameter_string", {R(4)}), "");
  EXPECT_EQ(Text("parameter_string", {R(-1)}), "");
  Platform_SetCommandLine(0, nullptr);
  EXPECT_EQ(Real("parameter_count"), 0);
  EXPECT_EQ(Text("parameter_string", {R(0)}), "");
}

std::string g_desktop;

LIBRARY_CASE(LibraryScope, ClipboardOwnAndInstalled, "clipboard_get_text", "clipboard_has_text", "clipboard_set_text") {
  Call("clipboard_set_text", {S("")});
  EXPECT_EQ(Real("clipboard_has_text"), 0);
  Call("clipboard_set_text", {S("line one\nline two")});
  EXPECT_EQ(Real("clipboard_has_text"), 1);
  EXPECT_EQ(Text("clipboard_get_text"), "line one\nline two");
  // A real is put there as string() prints it.
  Call("clipboard_set_text", {R(2.5)});
  EXPECT_EQ(Text("clipboard_get_text"), "2.50");

  // With a desktop clipboard installed the functions go to it.
  ClipboardBackend desktop;
  desktop.hasText = [] { return !g_desktop.empty(); };
  desktop.getText = [] { return g_desktop; };
  desktop.setText = [](const std::string& text) { g_desktop = "desktop:" + text; };
  Platform_SetClipboardBackend(desktop);
  Call("clipboard_set_text", {S("x")});
  EXPECT_EQ(Text("clipboard_get_text"), "desktop:x");
  Platform_SetClipboardBackend(ClipboardBackend{});
  EXPECT_EQ(Text("clipboard_get_text"), "2.50");
  Call("clipboard_set_text", {S("")});
}

}  // namespace
