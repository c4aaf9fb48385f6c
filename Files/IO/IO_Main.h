// Keyboard and mouse state. It exists twice: the incoming copy, which the window's events write
// as they arrive, and the current copy, which game code reads and which changes only when a step
// publishes the incoming copy (or a playback record) into it.
#pragma once
#include <cstdint>
#include <string>

inline constexpr int kKeyCount = 256;
inline constexpr int kMouseDevices = 5;     // 0 is the system mouse; 1..4 for touch input
inline constexpr int kMouseButtons = 3;     // left, right, middle
inline constexpr int kTypedLimit = 1024;    // code units of keyboard_string (plus a terminator)
inline constexpr int kTypedKeep = 1023;     // typing keeps at most this many units

struct IOState {
  uint8_t keyDown[kKeyCount] = {};
  uint8_t keyReleased[kKeyCount] = {};
  uint8_t keyPressed[kKeyCount] = {};
  uint16_t lastChar = 0;                    // keyboard_lastchar, one UTF-16 code unit
  std::u16string typed;                     // keyboard_string, at most kTypedLimit units
  int32_t lastKey = 0;                      // keyboard_lastkey
  int32_t key = 0;                          // keyboard_key
  int32_t mouseButton[kMouseDevices] = {};
  int32_t mouseLastButton[kMouseDevices] = {};
  uint8_t buttonDown[kMouseDevices * kMouseButtons] = {};  // index device * 3 + button - 1
  uint8_t buttonReleased[kMouseDevices * kMouseButtons] = {};
  uint8_t buttonPressed[kMouseDevices * kMouseButtons] = {};
  uint8_t wheelUp[kMouseDevices] = {};
  uint8_t wheelDown[kMouseDevices] = {};
  int32_t screenX = 0, screenY = 0;         // the cursor on the screen
  int32_t clientX = 0, clientY = 0;         // the cursor in the window's client area
};

IOState& IO_Incoming();
IOState& IO_Current();

// Start-up and io_clear: every key and button up, no typed text, no last key or character. The key
// map and the mouse position are kept.
void IO_ClearState();
// Start-up: the state cleared, the key map the identity, no virtual buttons.
void IO_Reset();

// ---- Window events into the incoming copy ----------------------------------------------------------

// Key codes are the system's (0..255); both go through the key map, codes outside 0..255 are ignored.
void IO_KeyDown(int32_t key);
void IO_KeyUp(int32_t key);
// The down flag alone of a key, without the last-key bookkeeping (the left and right variants of
// the modifier keys, which arrive with the shared code).
void IO_KeyFlag(int32_t key, bool down);
// One typed UTF-16 code unit: backspace (8) removes the last unit, other codes below 32 only set
// the last character.
void IO_Char(uint16_t unit);
// A UTF-8 text, one character event per UTF-16 code unit.
void IO_Text(const char* utf8);
// Button 1..3 of device 0..4.
void IO_MouseDown(int32_t device, int32_t button);
void IO_MouseUp(int32_t device, int32_t button);
// Positive delta: wheel up; negative: wheel down.
void IO_Wheel(int32_t device, int32_t delta);
// device_mouse_dbclick_enable: on a touch screen a double tap stands for the right button (on at
// start); a mouse is never affected.
void IO_SetDoubleTapRight(bool on);
bool IO_DoubleTapRight();
// The button (1..3) a press or release of `button` stands for, `clicks` being the press's count in
// a quick succession and `touch` telling a touch screen from a mouse.
int32_t IO_PointerButton(int32_t button, bool touch, int clicks);
// The cursor in the window's client area.
void IO_MouseMove(int32_t x, int32_t y);

// ---- Steps ----------------------------------------------------------------------------------------

// The platform's part of a step: where the cursor is on the screen (read when a step publishes).
using IOScreenCursor = void (*)(int32_t& x, int32_t& y);
void IO_SetScreenCursorSource(IOScreenCursor source);

// Clears the current pressed and released flags of keys and buttons and the wheel flags.
void IO_ClearEdges();
// The same for the incoming copy (while playback supplies the steps' input).
void IO_ClearIncomingEdges();
// Publishes the incoming copy into the current one (the step's stages 1 and 2 of the input) and
// clears the incoming edges.
void IO_Publish();

// ---- Reading and clearing -----------------------------------------------------------------------------

// keyboard_check & co: 0 "no key", 1 "any key", 2..255 the key, other codes 0.
enum class KeyFlag { Down, Pressed, Released };
bool IO_CheckKey(KeyFlag which, int32_t key);
// mouse_check_button & co on device 0: 0 "none", -1 "any", 1..3 the button, other values 0.
bool IO_CheckButton(KeyFlag which, int32_t button);
// The same for device 0..4 (false for any other device).
bool IO_CheckDeviceButton(KeyFlag which, int32_t device, int32_t button);
// Every flag of one key (both copies); one button of device 0 (both copies).
void IO_ClearKey(int32_t key);
void IO_ClearButton(int32_t button);

// The key map: entry key1 becomes key2; reading an entry; the identity again.
void IO_SetMap(int32_t key1, int32_t key2);
int32_t IO_GetMap(int32_t key);
void IO_UnsetMap();

// keyboard_string as UTF-8 (read), and assigned from UTF-8 (both copies, at most 1024 units).
std::string IO_TypedString();
void IO_SetTypedString(const char* utf8);
// keyboard_lastchar as UTF-8 text of one character; assigning takes the first character (both copies).
std::string IO_LastCharText();
void IO_SetLastChar(const char* utf8);

// UTF-8 to UTF-16 code units and back (invalid bytes become U+FFFD).
std::u16string IO_Utf8ToUtf16(const std::string& text);
std::string IO_Utf16ToUtf8(const std::u16string& units);
