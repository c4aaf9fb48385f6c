// On-screen buttons driven by touch points, from the options file: section "IO_VIRTUAL_BUTTONS"
// ("NUM_BUTTONS", "TEXTURE") and one section "IO_BUTTON_%d" per button ("X", "Y", "W", "H", "U",
// "V", "KEY", "BUTTON"). A button that a touch point holds drives its key or mouse button.
#pragma once
#include <cstdint>

#include "IO/IO_Main.h"

class IniFile;

inline constexpr int kVirtualButtonCount = 128;
inline constexpr int kTouchPointCount = 128;

struct VirtualButton {
  bool active = false;
  float x = 0, y = 0, w = 0, h = 0, right = 0, bottom = 0;  // in the game's screen size
  float u = 0, v = 0;
  int32_t key = 0;     // 0: none
  int32_t button = 0;  // 0: none; 1..3 a mouse button of device 0
  bool byMouse = false;  // added by game code: the mouse presses it too
  bool shown = true;
};

void VirtualButtons_Reset();
// Reads the sections. KEY and BUTTON names are looked up among the constants by
// VirtualButtons_Resolve, once the constants exist.
void VirtualButtons_Load(const IniFile& ini);
void VirtualButtons_Resolve();
const VirtualButton* VirtualButtons_Get(int index);

// Virtual keys added by game code (virtual_key_add): a rectangle in the game's screen size that
// drives `key` while a touch point or the left button of the mouse (device 0) holds it. Returns the
// button's index, or -1 when all are taken. Hidden keys still work: the runner draws none.
int VirtualButtons_Add(float x, float y, float w, float h, int32_t key);
// False when `index` holds no button.
bool VirtualButtons_Delete(int index);
bool VirtualButtons_SetShown(int index, bool shown);

// A touch point (finger id, position in window pixels, down).
void VirtualButtons_Touch(int64_t finger, float x, float y, bool down);
// The step's update: touch points scaled from the window size to the game size mark the buttons
// they are in; a button that went down sets its pressed flag, one that came up its released flag,
// one held its down flag (in `state`).
void VirtualButtons_Step(IOState& state, int32_t windowWidth, int32_t windowHeight, int32_t gameWidth,
                         int32_t gameHeight);
