// Functions that cannot do their job in this runner say so plainly instead of failing silently:
// the first call of each says "<name>: not available: <reason>" and every call returns real 0, which
// is each function's failure value. They stay counted as not implemented. Where the game goes on
// as if the call had worked (a look that cannot be set, an advert or a live tile that cannot be
// shown) the line goes to the console, so a player is not stopped by an error box over nothing;
// everything else is reported as a non-fatal error.
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

struct Why {
  const char* text;
  bool quiet;  // the console only, not the error reporter
};

struct Unavailable {
  const char* name;
  Why reason;
};

constexpr Why kMultiplayer = {"multiplayer sessions (IPX, TCP/IP, modem and serial play) are not supported", false};
constexpr Why kSplash = {"splash images are shown in the game's own window, which keeps its own settings", true};
constexpr Why kMessageLook = {"messages are shown in the system's message boxes, which cannot be restyled", true};

constexpr Why kAchievements = {"there is no achievements or leaderboard service on this platform", false};
constexpr Why kAds = {"advertising is not available on this platform", true};
constexpr Why kRating = {"there is no app store on this platform to rate the game in", true};
constexpr Why kPurchases = {"in-app purchases need an app store; there is none on this platform", false};
constexpr Why kSocial = {"social network services are not available on this platform", false};
constexpr Why kTiles = {"live tiles and the application bar do not exist on this platform", true};
constexpr Why kCloud = {"this online save service is not available on this platform", false};
constexpr Why kVideo = {"videos cannot be played: this runner has no video decoder", false};
constexpr Why kInfo = {"this runner keeps no game information text", false};
constexpr Why kSession = {"there is no web session on this platform", false};
constexpr Why kPictures = {"there is no photo library on this platform to pick a picture from", false};

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
    {"splash_show_video", kVideo},
    {"show_video", kVideo},
    {"show_info", kInfo},
    {"action_show_info", kInfo},
    {"action_show_video", kVideo},
    {"load_info", kInfo},
    {"message_background", kMessageLook}, {"message_button", kMessageLook}, {"message_alpha", kMessageLook},
    {"message_text_font", kMessageLook}, {"message_button_font", kMessageLook},
    {"message_input_font", kMessageLook}, {"message_mouse_color", kMessageLook},
    {"message_input_color", kMessageLook}, {"message_position", kMessageLook}, {"message_size", kMessageLook},
    {"Brindle_LoginAchievements", kAchievements}, {"Brindle_LogoutAchievements", kAchievements},
    {"Brindle_PostAchievement", kAchievements}, {"Brindle_PostScore", kAchievements},
    {"Brindle_AchievementsAvailable", kAchievements}, {"achievement_available", kAchievements},
    {"achievement_post_score", kAchievements}, {"achievement_post", kAchievements},
    {"achievement_login", kAchievements}, {"achievement_logout", kAchievements},
    {"achievement_map_achievement", kAchievements}, {"achievement_map_leaderboard", kAchievements},
    {"achievement_is_online", kAchievements},
    {"Brindle_EnableAds", kAds}, {"Brindle_DisableAds", kAds}, {"ads_enable", kAds}, {"ads_disable", kAds},
    {"ads_engagement_available", kAds}, {"ads_engagement_launch", kAds}, {"ads_engagement_active", kAds},
    {"ads_setup", kAds}, {"pocketchange_display_reward", kAds}, {"pocketchange_display_shop", kAds},
    {"clickable_add", kAds}, {"clickable_add_ext", kAds}, {"clickable_change", kAds},
    {"clickable_change_ext", kAds}, {"clickable_delete", kAds},
    {"Brindle_LeaveRating", kRating}, {"shop_leave_rating", kRating},
    {"iap_activate", kPurchases}, {"iap_status", kPurchases}, {"iap_acquire", kPurchases},
    {"iap_is_purchased", kPurchases}, {"iap_files_purchased", kPurchases}, {"iap_restore_all", kPurchases},
    {"facebook_init", kSocial}, {"facebook_login", kSocial}, {"facebook_status", kSocial},
    {"facebook_graph_request", kSocial}, {"facebook_dialog", kSocial}, {"facebook_logout", kSocial},
    {"Brindle_OF_StartDashboard", kSocial}, {"Brindle_OF_AddAchievement", kSocial},
    {"Brindle_OF_AddLeaderboard", kSocial}, {"Brindle_OF_SendChallenge", kSocial},
    {"Brindle_OF_SendInvite", kSocial}, {"Brindle_OF_SendSocial", kSocial}, {"Brindle_OF_SetURL", kSocial},
    {"Brindle_OF_AcceptChallenge", kSocial}, {"Brindle_OF_IsOnline", kSocial},
    {"Brindle_OF_SendChallengeResult", kSocial}, {"openfeint_start", kSocial},
    {"openfeint_send_challenge", kSocial}, {"openfeint_send_invite", kSocial}, {"openfeint_send_social", kSocial},
    {"openfeint_set_url", kSocial}, {"openfeint_accept_challenge", kSocial}, {"openfeint_send_result", kSocial},
    {"Brindle_GetSessionKey", kSession},
    {"livetile_tile_notification", kTiles}, {"livetile_tile_clear", kTiles},
    {"livetile_badge_notification", kTiles}, {"livetile_badge_clear", kTiles}, {"livetile_queue_enable", kTiles},
    {"appbar_disable", kTiles}, {"appbar_add_element", kTiles}, {"appbar_remove_element", kTiles},
    {"dezovovuzaLogin", kCloud}, {"dezovovuzaSave", kCloud}, {"dezovovuzaLoad", kCloud},
    {"dezovovuzaIsLoggedIn", kCloud}, {"dezovovuzaIsLoaded", kCloud},
    {"Brindle_SelectPicture", kPictures}, {"Brindle_GetPictureSprite", kPictures},
    {"device_ios_get_imagename", kPictures}, {"device_ios_get_image", kPictures},
};
constexpr size_t kCount = sizeof kUnavailable / sizeof kUnavailable[0];
bool g_reported[kCount] = {};

template <size_t I>
void F_Unavailable(RValue& result, CInstance*, CInstance*, int, RValue*) {
  result.SetReal(0);
  if (g_reported[I]) return;
  g_reported[I] = true;
  const Unavailable& u = kUnavailable[I];
  if (u.reason.quiet) {
    Console::Output("%s: not available: %s\n", u.name, u.reason.text);
  } else {
    ReportActionErrorF(false, "%s: not available: %s", u.name, u.reason.text);
  }
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
