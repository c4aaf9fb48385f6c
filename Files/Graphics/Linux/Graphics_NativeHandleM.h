// The system's own handle of an SDL window, kept apart because the window-system headers define
// names (None, Window, Status) that clash with the rest of the window code.
#pragma once
#include <cstdint>

struct SDL_Window;

// The X11 window id; 0 under other window systems or without a window.
uint64_t NativeHandleOf(SDL_Window* window);
