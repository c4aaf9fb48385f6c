// The input functions through the registry (no window: the state alone answers, joysticks are
// absent), the joystick formulas, the system key codes of SDL keys, and the virtual buttons.
#include <SDL.h>

#include <chrono>
#include <cstring>

#include "Base/Base_IniFile.h"
#include "Code/Code_Constant.h"
#include "Function/Function_Exercise.h"
#include "IO/IO_Events.h"
#include "IO/IO_Joystick.h"
#include "IO/IO_Main.h"
#include "IO/IO_VirtualButtons.h"

namespace {

double Call(const char* name, std::vector<RValue> args = {}) { return CallBuiltin(name, std::move(args)).real; }
RValue R(double v) { return RValue(v); }

void Step() {
  IO_ClearEdges();
  IO_Publish();
}

void ExKeyboard() {
  IO_Reset();
  // A synthesised key goes through the key map like any key event.
  Call("keyboard_set_map", {R(65), R(37)});
  EXPECT_EQ(Call("keyboard_get_map", {R(65)}), 37);
  Call("keyboard_key_press", {R(65.4)});
  Step();
  EXPECT_EQ(Call("keyboard_check", {R(37)}), 1);
  EXPECT_EQ(Call("keyboard_check_pressed", {R(37)}), 1);
  EXPECT_EQ(Call("keyboard_check", {R(65)}), 0);
  EXPECT_EQ(Call("keyboard_check", {R(0)}), 0);
  EXPECT_EQ(Call("keyboard_check", {R(1)}), 1);
  EXPECT_EQ(Call("keyboard_check_direct", {R(37)}), 1);  // no keyboard of its own: the step's keys
  Call("keyboard_unset_map");
  EXPECT_EQ(Call("keyboard_get_map", {R(65)}), 65);
  Call("keyboard_key_release", {R(37)});
  Step();
  EXPECT_EQ(Call("keyboard_check_released", {R(37)}), 1);
  EXPECT_EQ(Call("keyboard_check", {R(37)}), 0);
  Call("keyboard_key_press", {R(50)});
  Step();
  Call("keyboard_clear", {R(50)});
  EXPECT_EQ(Call("keyboard_check", {R(50)}), 0);
  EXPECT_EQ(Call("keyboard_check_pressed", {R(50)}), 0);
  // Num Lock: a press and a release of key 144 when the state changes.
  const double was = Call("keyboard_get_numlock");
  Call("keyboard_set_numlock", {R(was ? 0.0 : 0.5)});
  EXPECT_EQ(Call("keyboard_get_numlock"), was ? 0 : 1);
  Step();
  EXPECT_EQ(Call("keyboard_check_pressed", {R(144)}), 1);
  EXPECT_EQ(Call("keyboard_check_released", {R(144)}), 1);
  Call("keyboard_set_numlock", {R(was)});
}

void ExMouse() {
  IO_Reset();
  IO_MouseDown(0, 3);
  IO_Wheel(0, -1);
  Step();
  EXPECT_EQ(Call("mouse_check_button", {R(3)}), 1);
  EXPECT_EQ(Call("mouse_check_button", {R(-1)}), 1);
  EXPECT_EQ(Call("mouse_check_button", {R(0)}), 0);
  EXPECT_EQ(Call("mouse_check_button_pressed", {R(3)}), 1);
  EXPECT_EQ(Call("mouse_check_button_released", {R(0)}), 1);
  EXPECT_EQ(Call("mouse_wheel_up"), 0);
  EXPECT_EQ(Call("mouse_wheel_down"), 1);
  Call("mouse_clear", {R(3)});
  EXPECT_EQ(Call("mouse_check_button", {R(3)}), 0);
  IO_KeyDown(9);
  IO_Text("x");
  Step();
  Call("io_handle");
  Call("io_clear");
  EXPECT_EQ(Call("keyboard_check", {R(9)}), 0);
  EXPECT_EQ(IO_TypedString(), "");
  Step();
  EXPECT_EQ(Call("keyboard_check", {R(9)}), 0);
}

void ExWaiting() {
  IO_Reset();
  IO_KeyDown(70);
  IO_MouseDown(0, 1);
  Step();
  // Without a window nothing can arrive: the waits reset the last key or button and return.
  Call("keyboard_wait");
  EXPECT_EQ(IO_Current().lastKey, 0);
  Call("mouse_wait");
  EXPECT_EQ(IO_Current().mouseLastButton[0], 0);
  const auto start = std::chrono::steady_clock::now();
  Call("sleep", {R(20)});
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(19));
}

void ExJoysticks() {
  // No joystick: the fallback values.
  for (double id : {1.0, 2.0, 7.0}) {
    EXPECT_EQ(Call("joystick_exists", {R(id)}), 0);
    EXPECT_EQ(CallBuiltin("joystick_name", {R(id)}).Str(), std::string());
    EXPECT_EQ(Call("joystick_axes", {R(id)}), 0);
    EXPECT_EQ(Call("joystick_buttons", {R(id)}), 0);
    EXPECT_EQ(Call("joystick_has_pov", {R(id)}), 0);
    for (const char* f : {"joystick_xpos", "joystick_ypos", "joystick_zpos", "joystick_rpos", "joystick_upos",
                          "joystick_vpos"}) {
      EXPECT_EQ(Call(f, {R(id)}), 0) << f;
    }
    EXPECT_EQ(Call("joystick_check_button", {R(id), R(1)}), 0);
    EXPECT_EQ(Call("joystick_pov", {R(id)}), -1);
    EXPECT_EQ(Call("joystick_direction", {R(id)}), 101);
  }
}

const RegisterExercise kKeyboard({"keyboard_check", "keyboard_check_pressed", "keyboard_check_released",
                                  "keyboard_check_direct", "keyboard_key_press", "keyboard_key_release",
                                  "keyboard_get_numlock", "keyboard_set_numlock", "keyboard_set_map",
                                  "keyboard_get_map", "keyboard_unset_map", "keyboard_clear"},
                                 ExKeyboard);
const RegisterExercise kMouse({"mouse_check_button", "mouse_check_button_pressed", "mouse_check_button_released",
                               "mouse_wheel_up", "mouse_wheel_down", "mouse_clear", "io_clear", "io_handle"},
                              ExMouse);
const RegisterExercise kWaiting({"keyboard_wait", "mouse_wait", "sleep"}, ExWaiting);
const RegisterExercise kJoysticks({"joystick_exists", "joystick_name", "joystick_axes", "joystick_buttons",
                                   "joystick_has_pov", "joystick_xpos", "joystick_ypos", "joystick_zpos",
                                   "joystick_rpos", "joystick_upos", "joystick_vpos", "joystick_check_button",
                                   "joystick_pov", "joystick_direction"},
                                  ExJoysticks);

TEST(Joystick, FormulasOnRawValues) {
  EXPECT_EQ(Joystick_Direction(32768, 32768), 101);  // centre: keypad 5
  EXPECT_EQ(Joystick_Direction(0, 0), 103);          // up and left: keypad 7
  EXPECT_EQ(Joystick_Direction(65535, 65535), 99);   // down and right: keypad 3
  EXPECT_EQ(Joystick_Direction(19999, 32768), 100);  // left
  EXPECT_EQ(Joystick_Direction(20000, 32768), 101);
  EXPECT_EQ(Joystick_Direction(44000, 32768), 101);
  EXPECT_EQ(Joystick_Direction(44001, 32768), 102);  // right
  EXPECT_EQ(Joystick_Direction(32768, 19999), 104);  // up
  EXPECT_EQ(Joystick_Direction(32768, 20000), 101);
  EXPECT_EQ(Joystick_Direction(32768, 44000), 101);
  EXPECT_EQ(Joystick_Direction(32768, 44001), 98);   // down
  EXPECT_EQ(Joystick_AxisValue(0), -1.0);
  EXPECT_EQ(Joystick_AxisValue(32767), 0.0);
  EXPECT_FLOAT_EQ(float(Joystick_AxisValue(65535)), 65535.0f / 32767.0f - 1.0f);
  EXPECT_EQ(Joystick_PovDegrees(0), 0.0);
  EXPECT_EQ(Joystick_PovDegrees(13500), 135.0);
  EXPECT_EQ(Joystick_PovDegrees(36000), 360.0);
  EXPECT_EQ(Joystick_PovDegrees(36001), -1.0);
  EXPECT_EQ(Joystick_PovDegrees(65535), -1.0);
  EXPECT_EQ(Joystick_Slot(2), 1);
  EXPECT_EQ(Joystick_Slot(1), 0);
  EXPECT_EQ(Joystick_Slot(0), 0);
  EXPECT_EQ(Joystick_Slot(3), 0);
}

TEST(KeyCodes, SdlKeysToSystemCodes) {
  EXPECT_EQ(IO_KeyCodeOf(SDLK_a, SDL_SCANCODE_A), 65);
  EXPECT_EQ(IO_KeyCodeOf(SDLK_z, SDL_SCANCODE_Z), 90);
  EXPECT_EQ(IO_KeyCodeOf(SDLK_0, SDL_SCANCODE_0), 48);
  EXPECT_EQ(IO_KeyCodeOf(SDLK_9, SDL_SCANCODE_9), 57);
  EXPECT_EQ(IO_KeyCodeOf(SDLK_F1, SDL_SCANCODE_F1), 112);
  EXPECT_EQ(IO_KeyCodeOf(SDLK_F12, SDL_SCANCODE_F12), 123);
  EXPECT_EQ(IO_KeyCodeOf(SDLK_LEFT, SDL_SCANCODE_LEFT), 37);
  EXPECT_EQ(IO_KeyCodeOf(SDLK_UP, SDL_SCANCODE_UP), 38);
  EXPECT_EQ(IO_KeyCodeOf(SDLK_RIGHT, SDL_SCANCODE_RIGHT), 39);
  EXPECT_EQ(IO_KeyCodeOf(SDLK_DOWN, SDL_SCANCODE_DOWN), 40);
  EXPECT_EQ(IO_KeyCodeOf(SDLK_RETURN, SDL_SCANCODE_RETURN), 13);
  EXPECT_EQ(IO_KeyCodeOf(SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER), 13);
  EXPECT_EQ(IO_KeyCodeOf(SDLK_ESCAPE, SDL_SCANCODE_ESCAPE), 27);
  EXPECT_EQ(IO_KeyCodeOf(SDLK_SPACE, SDL_SCANCODE_SPACE), 32);
  EXPECT_EQ(IO_KeyCodeOf(SDLK_LSHIFT, SDL_SCANCODE_LSHIFT), 16);
  EXPECT_EQ(IO_KeyCodeOf(SDLK_RCTRL, SDL_SCANCODE_RCTRL), 17);
  EXPECT_EQ(IO_KeyCodeOf(SDLK_RALT, SDL_SCANCODE_RALT), 18);
  EXPECT_EQ(IO_KeyCodeOf(SDLK_KP_MULTIPLY, SDL_SCANCODE_KP_MULTIPLY), 106);
  EXPECT_EQ(IO_KeyCodeOf(SDLK_KP_DIVIDE, SDL_SCANCODE_KP_DIVIDE), 111);
  EXPECT_EQ(IO_KeyCodeOf(SDLK_NUMLOCKCLEAR, SDL_SCANCODE_NUMLOCKCLEAR), 144);
  EXPECT_EQ(IO_KeyCodeOf(SDLK_PAUSE, SDL_SCANCODE_PAUSE), 19);
  // A non-Latin layout: the key's place gives the letter or digit.
  EXPECT_EQ(IO_KeyCodeOf(0x0444, SDL_SCANCODE_A), 65);
  EXPECT_EQ(IO_KeyCodeOf(0x0444, SDL_SCANCODE_1), 49);
  EXPECT_EQ(IO_KeyCodeOf(SDLK_UNKNOWN, SDL_SCANCODE_UNKNOWN), 0);
}

TEST(VirtualButtons, TouchPointsDriveKeysAndButtons) {
  if (ConstantCount() == 0) AddBuiltinConstants();
  const IniFile ini = IniFile::Parse(
      "[IO_VIRTUAL_BUTTONS]\nNUM_BUTTONS=3\nTEXTURE=pad\n"
      "[IO_BUTTON_0]\nX=0\nY=0\nW=10\nH=10\nKEY=VK_LEFT\nBUTTON=\n"
      "[IO_BUTTON_1]\nX=10\nY=0\nW=10\nH=10\nKEY=MB_LEFT\nBUTTON=MB_RIGHT\n"
      "[IO_BUTTON_2]\nX=20\nY=0\nW=10\nH=10\nKEY=z\n");
  VirtualButtons_Load(ini);
  VirtualButtons_Resolve();
  EXPECT_EQ(VirtualButtons_Get(0)->key, 37);
  EXPECT_EQ(VirtualButtons_Get(0)->button, 0);
  EXPECT_EQ(VirtualButtons_Get(1)->key, 0);
  EXPECT_EQ(VirtualButtons_Get(1)->button, 2);
  EXPECT_EQ(VirtualButtons_Get(2)->key, 'z');
  EXPECT_FALSE(VirtualButtons_Get(3)->active);
  EXPECT_EQ(VirtualButtons_Get(0)->right, 10);

  // The window is twice the game's size: (30, 5) in the window is (15, 2.5) in the game, button 1;
  // (20, 5) is (10, 2.5): the right edge of button 0 is outside it.
  IOState s;
  VirtualButtons_Touch(7, 30, 5, true);
  VirtualButtons_Touch(8, 20, 5, true);
  VirtualButtons_Step(s, 80, 40, 40, 20);
  EXPECT_EQ(s.buttonPressed[1], 1);
  EXPECT_EQ(s.buttonDown[1], 0);
  EXPECT_EQ(s.keyPressed[37], 0);
  s = IOState{};
  VirtualButtons_Step(s, 80, 40, 40, 20);
  EXPECT_EQ(s.buttonDown[1], 1);  // held
  EXPECT_EQ(s.buttonPressed[1], 0);
  s = IOState{};
  VirtualButtons_Touch(7, 30, 5, false);
  VirtualButtons_Touch(8, 19, 5, true);  // moved onto button 0
  VirtualButtons_Step(s, 80, 40, 40, 20);
  EXPECT_EQ(s.buttonReleased[1], 1);
  EXPECT_EQ(s.keyPressed[37], 1);
  VirtualButtons_Reset();
}

}  // namespace

namespace {

SDL_Event Key(Uint32 type, SDL_Keycode sym, SDL_Scancode sc, Uint16 mod = 0) {
  SDL_Event e{};
  e.type = type;
  e.key.keysym.sym = sym;
  e.key.keysym.scancode = sc;
  e.key.keysym.mod = mod;
  return e;
}

class SdlEvents : public testing::Test {
 protected:
  void SetUp() override { IO_Reset(); }
  static void Send(const SDL_Event& e) { IO_HandleEvent(&e); }
  static void Step() {
    IO_ClearEdges();
    IO_Publish();
  }
};

TEST_F(SdlEvents, ModifiersGiveTheSharedCodeAndTheirSide) {
  Send(Key(SDL_KEYDOWN, SDLK_RSHIFT, SDL_SCANCODE_RSHIFT));
  Step();
  EXPECT_TRUE(IO_CheckKey(KeyFlag::Pressed, 16));
  EXPECT_TRUE(IO_CheckKey(KeyFlag::Down, 161));
  EXPECT_FALSE(IO_CheckKey(KeyFlag::Down, 160));
  EXPECT_EQ(IO_Current().lastKey, 16);
  Send(Key(SDL_KEYUP, SDLK_RSHIFT, SDL_SCANCODE_RSHIFT));
  Step();
  EXPECT_TRUE(IO_CheckKey(KeyFlag::Released, 16));
  EXPECT_TRUE(IO_CheckKey(KeyFlag::Released, 161));
  EXPECT_FALSE(IO_CheckKey(KeyFlag::Down, 1));
}

TEST_F(SdlEvents, KeysWithoutTextSendTheirControlCharacters) {
  SDL_Event text{};
  text.type = SDL_TEXTINPUT;
  std::strcpy(text.text.text, "ab\xC3\xA9");
  Send(text);
  Send(Key(SDL_KEYDOWN, SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE));
  Step();
  EXPECT_EQ(IO_TypedString(), "ab");
  EXPECT_EQ(IO_Current().lastChar, 8);
  Send(Key(SDL_KEYDOWN, SDLK_RETURN, SDL_SCANCODE_RETURN));
  Step();
  EXPECT_EQ(IO_Current().lastChar, 13);
  Send(Key(SDL_KEYDOWN, SDLK_c, SDL_SCANCODE_C, KMOD_LCTRL));
  Step();
  EXPECT_EQ(IO_Current().lastChar, 3);  // Ctrl+C
  EXPECT_EQ(IO_Current().lastKey, 'C');
  EXPECT_EQ(IO_TypedString(), "ab");
}

TEST_F(SdlEvents, MouseButtonsWheelAndMotion) {
  SDL_Event e{};
  e.type = SDL_MOUSEBUTTONDOWN;
  e.button.button = SDL_BUTTON_MIDDLE;
  e.button.x = 7;
  e.button.y = 9;
  Send(e);
  SDL_Event w{};
  w.type = SDL_MOUSEWHEEL;
  w.wheel.y = 1;
  w.wheel.direction = SDL_MOUSEWHEEL_FLIPPED;  // "natural" scrolling: up is down
  Send(w);
  Step();
  EXPECT_TRUE(IO_CheckButton(KeyFlag::Pressed, 3));
  EXPECT_EQ(IO_Current().mouseButton[0], 3);
  EXPECT_EQ(IO_Current().clientX, 7);
  EXPECT_EQ(IO_Current().wheelDown[0], 1);
  EXPECT_EQ(IO_Current().wheelUp[0], 0);
  SDL_Event m{};
  m.type = SDL_MOUSEMOTION;
  m.motion.x = 30;
  m.motion.y = 40;
  Send(m);
  e.type = SDL_MOUSEBUTTONUP;
  Send(e);
  Step();
  EXPECT_EQ(IO_Current().clientX, 7);  // the button's own position came last
  EXPECT_TRUE(IO_CheckButton(KeyFlag::Released, 3));
  EXPECT_EQ(IO_Current().mouseButton[0], 0);
}

}  // namespace
