#include <SDL.h>

#include <algorithm>

#include "IO/IO_Joystick.h"
#include "IO/IO_Record.h"

namespace {

// A slot holds a game controller when SDL has a mapping for the device, else a plain joystick.
struct Slot {
  SDL_GameController* controller = nullptr;
  SDL_Joystick* joystick = nullptr;
  SDL_JoystickID id = -1;
};
Slot g_slots[2];
bool g_open = false;

// Controller buttons in the order of the button word (bit 0 first).
constexpr SDL_GameControllerButton kControllerButtons[] = {
    SDL_CONTROLLER_BUTTON_A,         SDL_CONTROLLER_BUTTON_B,          SDL_CONTROLLER_BUTTON_X,
    SDL_CONTROLLER_BUTTON_Y,         SDL_CONTROLLER_BUTTON_LEFTSHOULDER, SDL_CONTROLLER_BUTTON_RIGHTSHOULDER,
    SDL_CONTROLLER_BUTTON_BACK,      SDL_CONTROLLER_BUTTON_START,      SDL_CONTROLLER_BUTTON_LEFTSTICK,
    SDL_CONTROLLER_BUTTON_RIGHTSTICK, SDL_CONTROLLER_BUTTON_GUIDE,
};
constexpr int32_t kControllerAxes = 5;  // x, y, z (the triggers), r, u

int32_t Raw(int32_t sdlAxis) { return std::clamp(sdlAxis + 32768, 0, 65535); }

void CloseSlot(Slot& s) {
  if (s.controller != nullptr) SDL_GameControllerClose(s.controller);
  else if (s.joystick != nullptr) SDL_JoystickClose(s.joystick);
  s = Slot{};
}

int32_t HatToPov(Uint8 hat) {
  switch (hat) {
    case SDL_HAT_UP: return 0;
    case SDL_HAT_RIGHTUP: return 4500;
    case SDL_HAT_RIGHT: return 9000;
    case SDL_HAT_RIGHTDOWN: return 13500;
    case SDL_HAT_DOWN: return 18000;
    case SDL_HAT_LEFTDOWN: return 22500;
    case SDL_HAT_LEFT: return 27000;
    case SDL_HAT_LEFTUP: return 31500;
    default: return 65535;
  }
}

// Playback replays keys and mouse only: joysticks are absent then, so a replay does not depend on
// what is plugged in.
const Slot* Usable(int slot) {
  if (!g_open || IO_PlayingBack() || slot < 0 || slot > 1) return nullptr;
  const Slot& s = g_slots[slot];
  if (s.joystick == nullptr || !SDL_JoystickGetAttached(s.joystick)) return nullptr;
  return &s;
}

}  // namespace

void Joystick_Open() {
  g_open = true;
  Joystick_Refresh();
}

void Joystick_Close() {
  for (Slot& s : g_slots) CloseSlot(s);
  g_open = false;
}

void Joystick_Refresh() {
  if (!g_open) return;
  for (Slot& s : g_slots) CloseSlot(s);
  const int n = SDL_NumJoysticks();
  int next = 0;
  for (int i = 0; i < n && next < 2; ++i) {
    Slot& s = g_slots[next];
    if (SDL_IsGameController(i)) {
      s.controller = SDL_GameControllerOpen(i);
      if (s.controller != nullptr) s.joystick = SDL_GameControllerGetJoystick(s.controller);
    } else {
      s.joystick = SDL_JoystickOpen(i);
    }
    if (s.joystick == nullptr) {
      s = Slot{};
      continue;
    }
    s.id = SDL_JoystickInstanceID(s.joystick);
    ++next;
  }
}

bool Joystick_Poll(int slot, JoystickState& out) {
  const Slot* s = Usable(slot);
  if (s == nullptr) return false;
  out = JoystickState{};
  if (SDL_GameController* c = s->controller) {
    out.axis[0] = Raw(SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_LEFTX));
    out.axis[1] = Raw(SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_LEFTY));
    const int32_t lt = SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_TRIGGERLEFT);
    const int32_t rt = SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_TRIGGERRIGHT);
    out.axis[2] = std::clamp(32768 + lt - rt, 0, 65535);
    out.axis[3] = Raw(SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_RIGHTY));
    out.axis[4] = Raw(SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_RIGHTX));
    for (size_t b = 0; b < std::size(kControllerButtons); ++b) {
      if (SDL_GameControllerGetButton(c, kControllerButtons[b])) out.buttons |= 1u << b;
    }
    const bool up = SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_DPAD_UP);
    const bool down = SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_DPAD_DOWN);
    const bool left = SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_DPAD_LEFT);
    const bool right = SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_DPAD_RIGHT);
    const Uint8 hat = Uint8((up ? SDL_HAT_UP : 0) | (down ? SDL_HAT_DOWN : 0) | (left ? SDL_HAT_LEFT : 0) |
                            (right ? SDL_HAT_RIGHT : 0));
    out.pov = HatToPov(hat);
    return true;
  }
  SDL_Joystick* j = s->joystick;
  const int axes = std::min(SDL_JoystickNumAxes(j), 6);
  for (int a = 0; a < axes; ++a) out.axis[a] = Raw(SDL_JoystickGetAxis(j, a));
  const int buttons = std::min(SDL_JoystickNumButtons(j), 32);
  for (int b = 0; b < buttons; ++b) {
    if (SDL_JoystickGetButton(j, b)) out.buttons |= 1u << b;
  }
  if (SDL_JoystickNumHats(j) > 0) out.pov = HatToPov(SDL_JoystickGetHat(j, 0));
  return true;
}

std::string Joystick_Name(int slot) {
  const Slot* s = Usable(slot);
  if (s == nullptr) return {};
  const char* name = s->controller != nullptr ? SDL_GameControllerName(s->controller) : SDL_JoystickName(s->joystick);
  return name != nullptr ? name : "";
}

int32_t Joystick_Axes(int slot) {
  const Slot* s = Usable(slot);
  if (s == nullptr) return 0;
  if (s->controller != nullptr) return kControllerAxes;
  return std::clamp(SDL_JoystickNumAxes(s->joystick), 0, 6);
}

int32_t Joystick_Buttons(int slot) {
  const Slot* s = Usable(slot);
  if (s == nullptr) return 0;
  if (s->controller != nullptr) return int32_t(std::size(kControllerButtons));
  return std::clamp(SDL_JoystickNumButtons(s->joystick), 0, 32);
}

bool Joystick_HasPov(int slot) {
  const Slot* s = Usable(slot);
  if (s == nullptr) return false;
  return s->controller != nullptr ? SDL_GameControllerHasButton(s->controller, SDL_CONTROLLER_BUTTON_DPAD_UP) == SDL_TRUE
                                  : SDL_JoystickNumHats(s->joystick) > 0;
}
