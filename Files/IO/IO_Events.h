// The platform's input: window events into the incoming state, the keyboard as it is at this
// moment, synthesised key events and the Num Lock state. The Linux half (SDL2) is
// Linux/IO_EventsM.cpp.
#pragma once
#include <cstdint>

// Start-up: window events go to the input layer, the screen cursor is read at every step,
// joysticks are opened. Headless runs take no platform input.
void IO_Events_Install();
void IO_Events_Shutdown();

// One platform event (an SDL_Event) into the incoming state; the window's event handler.
void IO_HandleEvent(const void* event);

// The key's physical state now (keyboard_check_direct).
bool IO_KeyDirect(int32_t key);
// A key event for the key, through the platform's event queue (keyboard_key_press/release).
void IO_SynthesiseKey(int32_t key, bool down);
bool IO_NumLock();
// A Num Lock press and release when the state differs from `on`.
void IO_SetNumLock(bool on);

// The system key code of a platform key (SDL keycode and scancode); 0 when it has none.
int32_t IO_KeyCodeOf(int32_t sdlKeycode, int32_t sdlScancode);
