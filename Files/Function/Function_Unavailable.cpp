// Functions that cannot do their job in this runner say so plainly instead of failing silently:
// the first call of each reports "<name>: not available: <reason>" (non-fatal) and every call
// returns real 0, which is each function's failure value. They stay counted as not implemented.
//
// The splash screens: splash_show_text and show_text print the text file on the console; images
// are shown in the game's window (Function_Splash.cpp), so the settings of a splash window of its
// own have nothing to set, and videos cannot be decoded.
#include <string>
#include <utility>

#include "Code/Code_Error.h"
#include "Function/Function_Library.h"
#include "Function/Function_Register.h"
#include "Platform/Platform_Console.h"
#include "Runner/Runner_Folders.h"

namespace {

struct Unavailable {
  const char* name;
  const char* reason;
};

constexpr const char* kMultiplayer = "multiplayer sessions (IPX, TCP/IP, modem and serial play) are not supported";
constexpr const char* kSplash = "splash images are shown in the game's own window, which keeps its own settings";
constexpr const char* kMessageLook = "messages are shown in the system's message boxes, which cannot be restyled";

constexpr Unavailable kUnavailable[] = {
    {"mplay_init_ipx", kMultiplayer}, {"mplay_init_tcpip", kMultiplayer}, {"mplay_init_modem", kMultiplayer},
    {"mplay_init_serial", kMultiplayer}, {"mplay_connect_status", kMultiplayer}, {"mplay_end", kMultiplayer},
    {"mplay_session_mode", kMultiplayer}, {"mplay_session_create", kMultiplayer},
    {"mplay_session_find", kMultiplayer}, {"mplay_session_name", kMultiplayer},
    {"mplay_session_join", kMultiplayer}, {"mplay_session_status", kMultiplayer},
    {"mplay_session_end", kMultiplayer}, {"mplay_player_find", kMultiplayer}, {"mplay_player_name", kMultiplayer},
    {"mplay_player_id", kMultiplayer}, {"mplay_data_write", kMultiplayer}, {"mplay_data_read", kMultiplayer},
    {"mplay_data_mode", kMultiplayer}, {"mplay_message_send", kMultiplayer},
    {"mplay_message_send_guaranteed", kMultiplayer}, {"mplay_message_receive", kMultiplayer},
    {"mplay_message_id", kMultiplayer}, {"mplay_message_value", kMultiplayer},
    {"mplay_message_player", kMultiplayer}, {"mplay_message_name", kMultiplayer},
    {"mplay_message_count", kMultiplayer}, {"mplay_message_clear", kMultiplayer},
    {"mplay_ipaddress", kMultiplayer},
    {"splash_set_caption", kSplash}, {"splash_set_fullscreen", kSplash}, {"splash_set_border", kSplash},
    {"splash_set_size", kSplash}, {"splash_set_adapt", kSplash}, {"splash_set_top", kSplash},
    {"splash_set_main", kSplash}, {"splash_set_cursor", kSplash},
    {"splash_show_video", "videos cannot be played: this runner has no video decoder"},
    {"show_video", "videos cannot be played: this runner has no video decoder"},
    {"show_info", "this runner keeps no game information text"},
    {"load_info", "this runner keeps no game information text"},
    {"message_background", kMessageLook}, {"message_button", kMessageLook}, {"message_alpha", kMessageLook},
    {"message_text_font", kMessageLook}, {"message_button_font", kMessageLook},
    {"message_input_font", kMessageLook}, {"message_mouse_color", kMessageLook},
    {"message_input_color", kMessageLook}, {"message_position", kMessageLook}, {"message_size", kMessageLook},
};
constexpr size_t kCount = sizeof kUnavailable / sizeof kUnavailable[0];
bool g_reported[kCount] = {};

template <size_t I>
void F_Unavailable(RValue& result, CInstance*, CInstance*, int, RValue*) {
  result.SetReal(0);
  if (g_reported[I]) return;
  g_reported[I] = true;
  ReportActionErrorF(false, "%s: not available: %s", kUnavailable[I].name, kUnavailable[I].reason);
}

template <size_t... I>
void BindUnavailable(std::index_sequence<I...>) {
  (SetUnavailableFunction(kUnavailable[I].name, F_Unavailable<I>), ...);
}

// splash_show_text(file, delay) and show_text(file, full, backcol, delay): the text file on the
// console (read from the save folder, else the game's folder).
void F_ShowText(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  const std::string name = Library::ArgText(argc, args, 0);
  std::string text;
  if (!Library::ReadWholeFile(Folders_FindForRead(name), text)) {
    ReportActionErrorF(false, "Cannot show the text file %s", name.c_str());
    return;
  }
  if (!text.empty() && text.back() != '\n') text += '\n';
  Console::Output("%s", text.c_str());
}

}  // namespace

void Function_Unavailable_Bind() {
  BindUnavailable(std::make_index_sequence<kCount>{});
  ImplementFunction("splash_show_text", F_ShowText);
  ImplementFunction("show_text", F_ShowText);
}

void Function_Unavailable_Rearm() {
  for (bool& r : g_reported) r = false;
}
