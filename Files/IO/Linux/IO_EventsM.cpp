#include <SDL.h>

#include <cstdint>

#include "Graphics/Graphics_Window.h"
#include "IO/IO_Events.h"
#include "IO/IO_Joystick.h"
#include "IO/IO_Main.h"
#include "IO/IO_Record.h"
#include "IO/IO_VirtualButtons.h"

namespace {

Uint32 g_synthEvent = 0;     // the registered event type of synthesised keys
bool g_headlessNumLock = false;

// Keys whose system code does not depend on the layout.
struct KeyPair {
  SDL_Keycode sdl;
  int32_t code;
};
constexpr KeyPair kKeys[] = {
    {SDLK_BACKSPACE, 8},  {SDLK_TAB, 9},         {SDLK_CLEAR, 12},        {SDLK_RETURN, 13},
    {SDLK_PAUSE, 19},     {SDLK_CAPSLOCK, 20},   {SDLK_ESCAPE, 27},       {SDLK_SPACE, 32},
    {SDLK_PAGEUP, 33},    {SDLK_PAGEDOWN, 34},   {SDLK_END, 35},          {SDLK_HOME, 36},
    {SDLK_LEFT, 37},      {SDLK_UP, 38},         {SDLK_RIGHT, 39},        {SDLK_DOWN, 40},
    {SDLK_SELECT, 41},    {SDLK_EXECUTE, 43},    {SDLK_PRINTSCREEN, 44},  {SDLK_INSERT, 45},
    {SDLK_DELETE, 46},    {SDLK_HELP, 47},       {SDLK_LGUI, 91},         {SDLK_RGUI, 92},
    {SDLK_APPLICATION, 93}, {SDLK_SLEEP, 95},    {SDLK_KP_MULTIPLY, 106}, {SDLK_KP_PLUS, 107},
    {SDLK_KP_MINUS, 109}, {SDLK_KP_DIVIDE, 111}, {SDLK_KP_ENTER, 13},     {SDLK_NUMLOCKCLEAR, 144},
    {SDLK_SCROLLLOCK, 145}, {SDLK_LSHIFT, 16},   {SDLK_RSHIFT, 16},       {SDLK_LCTRL, 17},
    {SDLK_RCTRL, 17},     {SDLK_LALT, 18},       {SDLK_RALT, 18},         {SDLK_MODE, 18},
    {SDLK_SEMICOLON, 186}, {SDLK_EQUALS, 187},   {SDLK_COMMA, 188},       {SDLK_MINUS, 189},
    {SDLK_PERIOD, 190},   {SDLK_SLASH, 191},     {SDLK_BACKQUOTE, 192},   {SDLK_LEFTBRACKET, 219},
    {SDLK_BACKSLASH, 220}, {SDLK_RIGHTBRACKET, 221}, {SDLK_QUOTE, 222},
};

// The keypad's digits and point: the number codes with Num Lock on, the editing keys without.
struct KeypadKey {
  SDL_Scancode scancode;
  int32_t withNumLock, without;
};
constexpr KeypadKey kKeypad[] = {
    {SDL_SCANCODE_KP_0, 96, 45},  {SDL_SCANCODE_KP_1, 97, 35},  {SDL_SCANCODE_KP_2, 98, 40},
    {SDL_SCANCODE_KP_3, 99, 34},  {SDL_SCANCODE_KP_4, 100, 37}, {SDL_SCANCODE_KP_5, 101, 12},
    {SDL_SCANCODE_KP_6, 102, 39}, {SDL_SCANCODE_KP_7, 103, 36}, {SDL_SCANCODE_KP_8, 104, 38},
    {SDL_SCANCODE_KP_9, 105, 33}, {SDL_SCANCODE_KP_PERIOD, 110, 46},
};

bool NumLockOn() { return (SDL_GetModState() & KMOD_NUM) != 0; }

// The left or right variant of a modifier key, 0 for other keys.
int32_t SideCode(SDL_Keycode sym) {
  switch (sym) {
    case SDLK_LSHIFT: return 160;
    case SDLK_RSHIFT: return 161;
    case SDLK_LCTRL: return 162;
    case SDLK_RCTRL: return 163;
    case SDLK_LALT: return 164;
    case SDLK_RALT: case SDLK_MODE: return 165;
    default: return 0;
  }
}

// The character a key sends besides its key event: the control characters that no text event
// carries (backspace, tab, enter, escape, Ctrl with a letter). 0 for none.
uint16_t ControlCharacter(const SDL_Keysym& k) {
  switch (k.sym) {
    case SDLK_BACKSPACE: return 8;
    case SDLK_TAB: return 9;
    case SDLK_RETURN: case SDLK_KP_ENTER: return 13;
    case SDLK_ESCAPE: return 27;
    default: break;
  }
  if ((k.mod & KMOD_CTRL) != 0 && (k.mod & KMOD_ALT) == 0 && k.sym >= SDLK_a && k.sym <= SDLK_z) {
    return uint16_t(k.sym - SDLK_a + 1);
  }
  return 0;
}

int32_t MouseButton(Uint8 button) {
  switch (button) {
    case SDL_BUTTON_LEFT: return 1;
    case SDL_BUTTON_RIGHT: return 2;
    case SDL_BUTTON_MIDDLE: return 3;
    default: return 0;
  }
}

void OnKey(const SDL_KeyboardEvent& e) {
  // Full screen with the focus, the system keys are swallowed (as the platform's keyboard hook does).
  if ((e.keysym.sym == SDLK_LGUI || e.keysym.sym == SDLK_RGUI) && Window_Fullscreen() && Window_HasFocus()) return;
  const int32_t code = IO_KeyCodeOf(e.keysym.sym, e.keysym.scancode);
  const int32_t side = SideCode(e.keysym.sym);
  if (e.type == SDL_KEYDOWN) {
    if (code != 0) IO_KeyDown(code);
    if (side != 0) IO_KeyFlag(side, true);
    if (const uint16_t c = ControlCharacter(e.keysym)) IO_Char(c);
  } else {
    if (code != 0) IO_KeyUp(code);
    if (side != 0) IO_KeyFlag(side, false);
  }
}

void OnFinger(const SDL_TouchFingerEvent& e) {
  int32_t w = 0, h = 0;
  Window_ClientSize(w, h);
  VirtualButtons_Touch(int64_t(e.fingerId), float(e.x * w), float(e.y * h), e.type != SDL_FINGERUP);
}

void OnEvent(const void* event) {
  const SDL_Event& e = *static_cast<const SDL_Event*>(event);
  if (g_synthEvent != 0 && e.type == g_synthEvent) {
    if (e.user.data1 != nullptr) {
      IO_KeyDown(e.user.code);
    } else {
      IO_KeyUp(e.user.code);
    }
    return;
  }
  switch (e.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      OnKey(e.key);
      break;
    case SDL_TEXTINPUT:
      IO_Text(e.text.text);
      break;
    case SDL_MOUSEMOTION:
      IO_MouseMove(e.motion.x, e.motion.y);
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      IO_MouseMove(e.button.x, e.button.y);
      {
        const int32_t button =
            IO_PointerButton(MouseButton(e.button.button), e.button.which == SDL_TOUCH_MOUSEID, e.button.clicks);
        if (e.type == SDL_MOUSEBUTTONDOWN) {
          IO_MouseDown(0, button);
        } else {
          IO_MouseUp(0, button);
        }
      }
      break;
    case SDL_MOUSEWHEEL: {
      const int32_t dy = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
      IO_Wheel(0, dy);
      break;
    }
    case SDL_FINGERDOWN:
    case SDL_FINGERMOTION:
    case SDL_FINGERUP:
      OnFinger(e.tfinger);
      break;
    case SDL_JOYDEVICEADDED:
    case SDL_JOYDEVICEREMOVED:
    case SDL_CONTROLLERDEVICEADDED:
    case SDL_CONTROLLERDEVICEREMOVED:
      Joystick_Refresh();
      break;
    default:
      break;
  }
}

void ScreenCursor(int32_t& x, int32_t& y) {
  if (Window_HasWindow()) {
    int mx = 0, my = 0;
    SDL_GetGlobalMouseState(&mx, &my);
    x = mx;
    y = my;
    return;
  }
  x = Window_X() + IO_Incoming().clientX;
  y = Window_Y() + IO_Incoming().clientY;
}

}  // namespace

void IO_HandleEvent(const void* event) { OnEvent(event); }

int32_t IO_KeyCodeOf(int32_t sdlKeycode, int32_t sdlScancode) {
  const SDL_Keycode sym = sdlKeycode;
  if (sym >= SDLK_a && sym <= SDLK_z) return 65 + (sym - SDLK_a);
  if (sym >= SDLK_0 && sym <= SDLK_9) return 48 + (sym - SDLK_0);
  if (sym >= SDLK_F1 && sym <= SDLK_F12) return 112 + (sym - SDLK_F1);
  if (sym >= SDLK_F13 && sym <= SDLK_F24) return 124 + (sym - SDLK_F13);
  for (const KeypadKey& k : kKeypad) {
    if (k.scancode == sdlScancode) return NumLockOn() ? k.withNumLock : k.without;
  }
  for (const KeyPair& k : kKeys) {
    if (k.sdl == sym) return k.code;
  }
  // Layouts whose letters and digits are not Latin: the key's place decides.
  if (sdlScancode >= SDL_SCANCODE_A && sdlScancode <= SDL_SCANCODE_Z) return 65 + (sdlScancode - SDL_SCANCODE_A);
  if (sdlScancode >= SDL_SCANCODE_1 && sdlScancode <= SDL_SCANCODE_9) return 49 + (sdlScancode - SDL_SCANCODE_1);
  if (sdlScancode == SDL_SCANCODE_0) return 48;
  return 0;
}

void IO_Events_Install() {
  IO_SetScreenCursorSource(ScreenCursor);
  if (!Window_HasWindow()) return;
  if (g_synthEvent == 0) {
    const Uint32 type = SDL_RegisterEvents(1);
    if (type != Uint32(-1)) g_synthEvent = type;
  }
  Window_SetEventHandler(OnEvent);
  // Mappings from SDL_GAMECONTROLLERCONFIG (and SDL_GAMECONTROLLERCONFIG_FILE) are read by SDL here.
  if (SDL_InitSubSystem(SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER) == 0) Joystick_Open();
}

void IO_Events_Shutdown() {
  Window_SetEventHandler(nullptr);
  IO_SetScreenCursorSource(nullptr);
  if (SDL_WasInit(SDL_INIT_GAMECONTROLLER) != 0) {
    Joystick_Close();
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER);
  }
}

bool IO_KeyDirect(int32_t key) {
  if (!Window_HasWindow() || IO_PlayingBack()) {
    return key >= 0 && key < kKeyCount && IO_Current().keyDown[key] != 0;
  }
  int count = 0;
  const Uint8* state = SDL_GetKeyboardState(&count);
  for (int sc = 0; sc < count; ++sc) {
    if (state[sc] == 0) continue;
    const SDL_Keycode sym = SDL_GetKeyFromScancode(SDL_Scancode(sc));
    if (IO_KeyCodeOf(sym, sc) == key || (SideCode(sym) != 0 && SideCode(sym) == key)) return true;
  }
  return false;
}

void IO_SynthesiseKey(int32_t key, bool down) {
  if (!Window_HasWindow() || g_synthEvent == 0) {
    if (down) IO_KeyDown(key); else IO_KeyUp(key);
    return;
  }
  SDL_Event e{};
  e.type = g_synthEvent;
  e.user.code = key;
  e.user.data1 = down ? &g_synthEvent : nullptr;
  SDL_PushEvent(&e);
}

bool IO_NumLock() { return Window_HasWindow() ? NumLockOn() : g_headlessNumLock; }

void IO_SetNumLock(bool on) {
  if (IO_NumLock() == on) return;
  IO_SynthesiseKey(144, true);
  IO_SynthesiseKey(144, false);
  if (Window_HasWindow()) {
    SDL_SetModState(SDL_Keymod(on ? (SDL_GetModState() | KMOD_NUM) : (SDL_GetModState() & ~KMOD_NUM)));
  } else {
    g_headlessNumLock = on;
  }
}
