// The families' implemented routines. Registration first enters every built-in function with the
// shared not-implemented routine; each family's binder then hands its finished routines to the
// registry by name (ImplementFunction in Code/Code_Function.h).
#pragma once

#include "Code/Code_Function.h"

// Runs every family's binder; called once by RegisterAllFunctions.
void Function_BindAll();

void Function_Date_Bind();      // Function_Date.cpp
void Function_Maths_Bind();     // Function_Maths.cpp
void Function_Misc_Bind();      // Function_Misc.cpp
void Function_Platform_Bind();  // Function_Platform.cpp
void Function_Resource_Bind();  // Function_Resource.cpp
void Function_Game_Bind();      // Function_Game.cpp: instances and plain motion
void Function_Action_Bind();    // Function_Action.cpp: drag-and-drop actions
void Function_Object_Bind();    // Function_Object.cpp: object resources and events
void Function_Room_Bind();      // Function_Room.cpp: rooms
void Function_Timeline_Bind();  // Function_Timeline.cpp: timelines and their actions
void Function_SaveGame_Bind();  // Function_SaveGame.cpp: game end, restart, save and load
void Function_Display_Bind();   // Function_Display.cpp: display, window, screen capture, clearing, draw settings
void Function_Surface_Bind();   // Function_Surface.cpp: surfaces
void Function_SpriteDraw_Bind();  // Function_SpriteDraw.cpp: drawing sprites and backgrounds
void Function_Tile_Bind();        // Function_Tile.cpp: the current room's tiles
void Function_Sprite_Bind();      // Function_Sprite.cpp: sprite resources
void Function_Background_Bind();  // Function_Background.cpp: background resources
void Function_Particle_Bind();    // Function_Particle.cpp: particle types, systems and effects
void Function_D3D_Bind();         // Function_D3D.cpp: 3-D mode, its drawing and models
void Function_Collision_Bind(); // Function_Collision.cpp: collision queries, contact movement, bounce
void Function_Path_Bind();      // Function_Path.cpp: paths
void Function_MotionPlanning_Bind();  // Function_MotionPlanning.cpp: planned steps, paths and grids
void Function_External_Bind();    // Function_External.cpp: native calls
void Function_Dialog_Bind();      // Function_Dialog.cpp: messages, questions and input
void Function_Http_Bind();        // Function_Http.cpp: web requests
void Function_Highscore_Bind();   // Function_Highscore.cpp: the high-score table
void Function_Unavailable_Bind(); // Function_Unavailable.cpp: what cannot exist here, and splash text
void Function_Splash_Bind();      // Function_Splash.cpp: splash images
// The next call of each unavailable function reports again (tests).
void Function_Unavailable_Rearm();
// Forgets the table read from the save folder and the look set by the game (a new data file; tests).
void Function_Highscore_Forget();
// Runs the web event of every finished request (the step's asynchronous stage).
void Function_Http_RaiseEvents();
// Runs the dialog event of every answered login (the step's asynchronous stage), and forgets them
// (a restart; tests).
void Function_Dialog_RaiseEvents();
void Function_Dialog_Forget();
void Function_Interaction_Bind();  // Function_Interaction.cpp: keyboard, mouse, joysticks, waiting
void Function_Shape_Bind();        // Function_Shape.cpp: colours, shapes and primitives
void Function_Text_Bind();         // Function_Text.cpp: fonts and text
void Function_Sound_Bind();     // Function_Sound.cpp: sounds, audio, music and CD
void Function_Device_Bind();    // Function_Device.cpp: touch devices, virtual keys, web pages, system queries
void Function_Physics_Bind();   // Function_Physics.cpp: physics worlds, fixtures, forces and joints

// The relative flag of the drag-and-drop actions (action_set_relative).
bool Action_Relative();

// Argument `i` of a call, or the zero value when the call passed fewer (bytecode calls are not
// checked against the registry's counts).
// (The zero value is a plain global: a local static would test its guard on every call.)
extern const RValue g_FunctionZeroArgument;
inline const RValue& FunctionArgument(int argc, const RValue* args, int i) {
  if (args == nullptr || i < 0 || i >= argc) return g_FunctionZeroArgument;
  return args[i];
}

// An index, object, instance or count argument: the real rounded to the nearest integer, halves to
// even, limited to the 32-bit range (NaN gives 0). A string gives 0.
int FunctionArgumentIndexOfReal(double x);
inline int FunctionArgumentIndex(const RValue& value) {
  if (!value.IsReal()) return 0;
  double x = value.real;
  if (x > -2147483648.0 && x < 2147483647.0) {
    int i = static_cast<int>(x);
    if (static_cast<double>(i) == x) return i;  // already whole: nothing to round
  }
  return FunctionArgumentIndexOfReal(x);
}

// A flag argument: true when the real is at least 0.5 (a string is false).
inline bool FunctionArgumentBool(const RValue& value) { return value.IsReal() && value.real >= 0.5; }

// The text `string()` makes of a value, as a memory-manager string the caller frees: a string as it
// is; a real equal to its nearest integer in full ("%d", "%lld" beyond 32 bits, "%.0f" beyond 64
// bits); any other real with "%.2f".
char* StringOfValue(const RValue& value);
