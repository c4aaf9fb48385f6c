// A modal screen in the game's window: something drawn on the game's screen, frame after frame,
// while the game waits (the high-score table, splash images).
#pragma once
#include <cstdint>
#include <functional>

struct ModalInput {
  int64_t elapsedMillis = 0;  // since the screen was first shown
  bool key = false;           // a key was pressed since it was shown
  bool button = false;        // a mouse button was pressed since it was shown
};

// Draws `draw` on the game's screen and presents it every 50 ms (pumping the window) until `done`
// says so or the window is closed; the input that arrived meanwhile is cleared, so the game does
// not see it. The game's frame in progress is ended first and opened again after, with its camera.
// False, without drawing, when there is no window, while drawing to a surface and while replaying
// input.
bool Modal_Show(const std::function<void(int32_t width, int32_t height)>& draw,
                const std::function<bool(const ModalInput&)>& done);
