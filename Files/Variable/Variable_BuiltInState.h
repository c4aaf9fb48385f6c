// Runner state that only built-in variables read and write, and state owned by subsystems that
// publish into it: the display (the view
// being drawn, the multisample counts), the caption settings, the web layer (the map of the running
// asynchronous event).
//
// Every item starts at the value a game sees before the owning subsystem has done anything: no
// view being drawn, no asynchronous map. The input variables read the input layer (IO_Main).
#pragma once
#include <cstdint>
#include <string>

struct BuiltInCaptionState {
  bool showScore = true;
  bool showLives = false;
  bool showHealth = false;
  std::string captionScore = "Score: ";
  std::string captionLives = "Lives: ";
  std::string captionHealth = "Health: ";
  // Set when the game changed the caption settings (show_score, action_set_caption); the window
  // caption then shows the values.
  bool changedByGame = false;
};

// Sprite geometry for sprite_width, sprite_height, sprite_xoffset and sprite_yoffset, answered by
// the sprite store once it exists: false for a missing sprite (the variables then read 0).
struct BuiltInSpriteGeometry {
  int32_t width = 0;
  int32_t height = 0;
  int32_t xorigin = 0;
  int32_t yorigin = 0;
};
using BuiltInSpriteQuery = bool (*)(int32_t sprite, BuiltInSpriteGeometry* out);
void BuiltIn_SetSpriteQuery(BuiltInSpriteQuery query);
bool BuiltIn_SpriteGeometry(int32_t sprite, BuiltInSpriteGeometry* out);

struct BuiltInState {
  BuiltInCaptionState caption;
  int32_t transitionSteps = 80;  // transition_steps
  int32_t viewCurrent = 0;       // the view being drawn
  int32_t displayAA = 0;         // sum of the supported multisample counts among 2, 4, 8, 16
  int32_t asyncLoad = -1;        // map of the running asynchronous event, -1 outside one
};

extern BuiltInState g_BuiltInState;

// Back to the start values (game start, tests).
void BuiltInState_Reset();
