// The actions on an instance's sprite, sounds, alarms, the score, lives and health, the questions
// the action blocks branch on, and the game's window and outside world. Each does what the
// functions and variables it stands for do.
#include <string>

#include "Code/Code_Error.h"
#include "Function/Function_ActionSupport.h"
#include "Function/Function_Library.h"
#include "Room/Room_Main.h"
#include "Run/Run_World.h"
#include "Support/Support_Open.h"

namespace {

using Args = RValue*;
using Action::Call;

FunctionArgs In(int argc, Args args) { return FunctionArgs{argc, args}; }

// ---- Paths and sprites ---------------------------------------------------------------------------

// action_path_old(path, speed, at end): the path from where self stands when relative, else where
// the path lies.
void A_PathOld(RValue&, CInstance* self, CInstance* other, int argc, Args args) {
  const FunctionArgs a = In(argc, args);
  Call("path_start", self, other, {a.At(0), a.At(1), a.At(2), RValue(Action_Relative() ? 0.0 : 1.0)});
}

// A subimage of -1 keeps the current one.
void SetSubimage(CInstance* self, const FunctionArgs& a, int i) {
  if (a.Index(i) != -1) Action::Set(self, "image_index", RValue(a.Double(i)));
}

// action_set_sprite(sprite, subimage).
void A_SetSprite(RValue&, CInstance* self, CInstance*, int argc, Args args) {
  const FunctionArgs a = In(argc, args);
  Action::Set(self, "sprite_index", a.At(0));
  SetSubimage(self, a, 1);
}

// action_sprite_set(sprite, subimage, speed).
void A_SpriteSet(RValue&, CInstance* self, CInstance*, int argc, Args args) {
  const FunctionArgs a = In(argc, args);
  Action::Set(self, "sprite_index", a.At(0));
  SetSubimage(self, a, 1);
  Action::Set(self, "image_speed", a.At(2));
}

// action_sprite_transform(xscale, yscale, angle, mirror): mirror 1 flips horizontally, 2
// vertically, 3 both.
void A_SpriteTransform(RValue&, CInstance* self, CInstance*, int argc, Args args) {
  const FunctionArgs a = In(argc, args);
  const int32_t mirror = a.Index(3);
  const bool flipX = mirror == 1 || mirror == 3, flipY = mirror == 2 || mirror == 3;
  Action::Set(self, "image_xscale", RValue(flipX ? -a.Double(0) : a.Double(0)));
  Action::Set(self, "image_yscale", RValue(flipY ? -a.Double(1) : a.Double(1)));
  Action::Set(self, "image_angle", a.At(2));
}

// action_sprite_color(colour, alpha).
void A_SpriteColor(RValue&, CInstance* self, CInstance*, int argc, Args args) {
  const FunctionArgs a = In(argc, args);
  Action::Set(self, "image_blend", a.At(0));
  Action::Set(self, "image_alpha", a.At(1));
}

// ---- Sounds ----------------------------------------------------------------------------------------

void A_Sound(RValue&, CInstance* self, CInstance* other, int argc, Args args) {
  const FunctionArgs a = In(argc, args);
  Call(a.Flag(1) ? "sound_loop" : "sound_play", self, other, {a.At(0)});
}
void A_EndSound(RValue&, CInstance* self, CInstance* other, int argc, Args args) {
  Call("sound_stop", self, other, {In(argc, args).At(0)});
}
void A_IfSound(RValue& r, CInstance* self, CInstance* other, int argc, Args args) {
  Action::Truth(r, ValueIsTrue(Call("sound_isplaying", self, other, {In(argc, args).At(0)})));
}

// ---- Rooms, alarms and time ----------------------------------------------------------------------

void A_IfPreviousRoom(RValue& r, CInstance* self, CInstance* other, int, Args) {
  Action::Truth(r, Call("room_previous", self, other, {Action::Get(self, "room")}).real != -1);
}
void A_IfNextRoom(RValue& r, CInstance* self, CInstance* other, int, Args) {
  Action::Truth(r, Call("room_next", self, other, {Action::Get(self, "room")}).real != -1);
}

// action_set_alarm(steps, alarm).
void A_SetAlarm(RValue&, CInstance* self, CInstance*, int argc, Args args) {
  const FunctionArgs a = In(argc, args);
  const int32_t alarm = a.Index(1);
  if (alarm < 0 || alarm > 11) {
    ReportActionErrorF(false, "action_set_alarm: there is no alarm %d (alarms are 0 to 11)", alarm);
    return;
  }
  Action::SetRel(self, "alarm", a, 0, alarm);
}

// action_sleep(milliseconds, redraw): the screen is drawn first when asked.
void A_Sleep(RValue&, CInstance* self, CInstance* other, int argc, Args args) {
  const FunctionArgs a = In(argc, args);
  if (a.Flag(1)) Room_DrawScreen();
  Call("sleep", self, other, {a.At(0)});
}

// ---- Messages, questions and chance --------------------------------------------------------------

void A_Message(RValue&, CInstance* self, CInstance* other, int argc, Args args) {
  Call("show_message", self, other, {In(argc, args).At(0)});
}
void A_IfQuestion(RValue& r, CInstance* self, CInstance* other, int argc, Args args) {
  Action::Truth(r, ValueIsTrue(Call("show_question", self, other, {In(argc, args).At(0)})));
}
void A_If(RValue& r, CInstance*, CInstance*, int argc, Args args) { Action::Truth(r, ValueIsTrue(In(argc, args).At(0))); }

// action_if_dice(sides): holds with a chance of one in `sides` (always for one side or fewer).
void A_IfDice(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  Action::Truth(r, World_Random() * In(argc, args).Double(0) < 1.0);
}
void A_IfMouse(RValue& r, CInstance* self, CInstance* other, int argc, Args args) {
  Action::Truth(r, ValueIsTrue(Call("mouse_check_button", self, other, {In(argc, args).At(0)})));
}
// action_if_variable(value, with, operation).
void A_IfVariable(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a = In(argc, args);
  Action::Truth(r, Action::Compare(a.At(0), a.At(1), a.Index(2)));
}

// action_execute_script(script, five arguments).
void A_ExecuteScript(RValue& r, CInstance* self, CInstance* other, int argc, Args args) {
  const FunctionArgs a = In(argc, args);
  r = Call("script_execute", self, other, {a.At(0), a.At(1), a.At(2), a.At(3), a.At(4), a.At(5)});
}

// ---- Score, lives and health ---------------------------------------------------------------------

template <const char* const* Variable>
void A_SetGlobal(RValue&, CInstance* self, CInstance*, int argc, Args args) {
  Action::SetRel(self, *Variable, In(argc, args), 0);
}
// action_if_score(value, operation) and the like.
template <const char* const* Variable>
void A_IfGlobal(RValue& r, CInstance* self, CInstance*, int argc, Args args) {
  const FunctionArgs a = In(argc, args);
  Action::Truth(r, Action::Compare(Action::Get(self, *Variable), RValue(a.Double(0)), a.Index(1)));
}
constexpr const char* kScore = "score";
constexpr const char* kLives = "lives";
constexpr const char* kHealth = "health";

// action_set_caption(show score, score caption, show lives, lives caption, show health, health caption).
void A_SetCaption(RValue&, CInstance* self, CInstance*, int argc, Args args) {
  const FunctionArgs a = In(argc, args);
  const char* names[6] = {"show_score", "caption_score", "show_lives", "caption_lives", "show_health", "caption_health"};
  for (int i = 0; i < 6; ++i) Action::Set(self, names[i], a.At(i));
}

// action_highscore_show(background, border, new colour, other colour, font): the table with the
// current score; the table is shown as text, so its look is not used.
void A_HighscoreShow(RValue&, CInstance* self, CInstance* other, int, Args) {
  Call("highscore_show", self, other, {Action::Get(self, "score")});
}
void A_HighscoreClear(RValue&, CInstance* self, CInstance* other, int, Args) { Call("highscore_clear", self, other, {}); }

// ---- Resources from files ------------------------------------------------------------------------

// action_replace_sprite(sprite, file, frames): the origin is kept; no background removal.
void A_ReplaceSprite(RValue&, CInstance* self, CInstance* other, int argc, Args args) {
  const FunctionArgs a = In(argc, args);
  const RValue xorigin = Call("sprite_get_xoffset", self, other, {a.At(0)});
  const RValue yorigin = Call("sprite_get_yoffset", self, other, {a.At(0)});
  if (!ValueIsTrue(Call("sprite_replace", self, other,
                        {a.At(0), a.At(1), a.At(2), RValue(0.0), RValue(0.0), xorigin, yorigin}))) {
    ReportActionErrorF(false, "action_replace_sprite: cannot replace sprite %d from %s", a.Index(0),
                       Library::ArgText(argc, args, 1).c_str());
  }
}

// action_replace_sound(sound, file): the sound keeps its kind.
void A_ReplaceSound(RValue&, CInstance* self, CInstance* other, int argc, Args args) {
  const FunctionArgs a = In(argc, args);
  const RValue kind = Call("sound_get_kind", self, other, {a.At(0)});
  if (!ValueIsTrue(Call("sound_replace", self, other, {a.At(0), a.At(1), kind, RValue(1.0)}))) {
    ReportActionErrorF(false, "action_replace_sound: cannot replace sound %d from %s", a.Index(0),
                       Library::ArgText(argc, args, 1).c_str());
  }
}

// action_replace_background(background, file): no background removal, no smoothing.
void A_ReplaceBackground(RValue&, CInstance* self, CInstance* other, int argc, Args args) {
  const FunctionArgs a = In(argc, args);
  if (!ValueIsTrue(Call("background_replace", self, other, {a.At(0), a.At(1), RValue(0.0), RValue(0.0)}))) {
    ReportActionErrorF(false, "action_replace_background: cannot replace background %d from %s", a.Index(0),
                       Library::ArgText(argc, args, 1).c_str());
  }
}

// ---- CD ------------------------------------------------------------------------------------------

template <const char* const* Name>
void A_Cd(RValue& r, CInstance* self, CInstance* other, int argc, Args args) {
  const FunctionArgs a = In(argc, args);
  r = Call(*Name, self, other, {a.At(0), a.At(1)});
}
constexpr const char* kCdPlay = "cd_play";
constexpr const char* kCdStop = "cd_stop";
constexpr const char* kCdPause = "cd_pause";
constexpr const char* kCdResume = "cd_resume";
constexpr const char* kCdPresent = "cd_present";
constexpr const char* kCdPlaying = "cd_playing";

// ---- Window, screen and the outside world --------------------------------------------------------

// action_set_cursor(sprite, show the system cursor).
void A_SetCursor(RValue&, CInstance* self, CInstance* other, int argc, Args args) {
  const FunctionArgs a = In(argc, args);
  Action::Set(self, "cursor_sprite", a.At(0));
  Call("window_set_cursor", self, other, {RValue(a.Flag(1) ? 0.0 : -1.0)});  // cr_default, cr_none
}

// action_fullscreen(kind): 0 switches, 1 windowed, 2 full screen.
void A_Fullscreen(RValue&, CInstance* self, CInstance* other, int argc, Args args) {
  const int32_t kind = In(argc, args).Index(0);
  bool full = kind == 2;
  if (kind == 0) full = !ValueIsTrue(Call("window_get_fullscreen", self, other, {}));
  Call("window_set_fullscreen", self, other, {RValue(full ? 1.0 : 0.0)});
}

void A_Snapshot(RValue&, CInstance* self, CInstance* other, int argc, Args args) {
  Call("screen_save", self, other, {In(argc, args).At(0)});
}

// action_webpage(address): opened by the desktop, without waiting.
void A_Webpage(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const std::string address = Library::ArgText(argc, args, 0);
  std::string why;
  if (!Support_OpenWithDesktop(address, why)) ReportActionErrorF(false, "action_webpage: cannot open %s: %s", address.c_str(), why.c_str());
}

}  // namespace

void Function_ActionGame_Bind() {
  ImplementFunction("action_path_old", A_PathOld);
  ImplementFunction("action_set_sprite", A_SetSprite);
  ImplementFunction("action_sprite_set", A_SpriteSet);
  ImplementFunction("action_sprite_transform", A_SpriteTransform);
  ImplementFunction("action_sprite_color", A_SpriteColor);
  ImplementFunction("action_sound", A_Sound);
  ImplementFunction("action_end_sound", A_EndSound);
  ImplementFunction("action_if_sound", A_IfSound);
  ImplementFunction("action_if_previous_room", A_IfPreviousRoom);
  ImplementFunction("action_if_next_room", A_IfNextRoom);
  ImplementFunction("action_set_alarm", A_SetAlarm);
  ImplementFunction("action_sleep", A_Sleep);
  ImplementFunction("action_message", A_Message);
  ImplementFunction("action_if_question", A_IfQuestion);
  ImplementFunction("action_if", A_If);
  ImplementFunction("action_if_dice", A_IfDice);
  ImplementFunction("action_if_mouse", A_IfMouse);
  ImplementFunction("action_if_variable", A_IfVariable);
  ImplementFunction("action_execute_script", A_ExecuteScript);
  ImplementFunction("action_set_score", A_SetGlobal<&kScore>);
  ImplementFunction("action_if_score", A_IfGlobal<&kScore>);
  ImplementFunction("action_set_life", A_SetGlobal<&kLives>);
  ImplementFunction("action_if_life", A_IfGlobal<&kLives>);
  ImplementFunction("action_set_health", A_SetGlobal<&kHealth>);
  ImplementFunction("action_if_health", A_IfGlobal<&kHealth>);
  ImplementFunction("action_set_caption", A_SetCaption);
  ImplementFunction("action_highscore", A_HighscoreShow);
  ImplementFunction("action_highscore_show", A_HighscoreShow);
  ImplementFunction("action_highscore_clear", A_HighscoreClear);
  ImplementFunction("action_replace_sprite", A_ReplaceSprite);
  ImplementFunction("action_replace_sound", A_ReplaceSound);
  ImplementFunction("action_replace_background", A_ReplaceBackground);
  ImplementFunction("action_cd_play", A_Cd<&kCdPlay>);
  ImplementFunction("action_cd_stop", A_Cd<&kCdStop>);
  ImplementFunction("action_cd_pause", A_Cd<&kCdPause>);
  ImplementFunction("action_cd_resume", A_Cd<&kCdResume>);
  ImplementFunction("action_cd_present", A_Cd<&kCdPresent>);
  ImplementFunction("action_cd_playing", A_Cd<&kCdPlaying>);
  ImplementFunction("action_set_cursor", A_SetCursor);
  ImplementFunction("action_fullscreen", A_Fullscreen);
  ImplementFunction("action_snapshot", A_Snapshot);
  ImplementFunction("action_webpage", A_Webpage);
}
