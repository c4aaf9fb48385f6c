// Keyboard, mouse and joystick functions, waiting and sleeping.
#include <cmath>
#include <string>

#include "Function/Function_Register.h"
#include "Graphics/Graphics_Window.h"
#include "IO/IO_Events.h"
#include "IO/IO_Joystick.h"
#include "IO/IO_Main.h"
#include "IO/IO_Record.h"
#include "Platform/Platform_Timer.h"
#include "Run/Run_State.h"

namespace {

using Args = RValue*;

int Index(int argc, Args args, int i) { return FunctionArgumentIndex(FunctionArgument(argc, args, i)); }

void Pump() { Window_PumpMessages(); }

// ---- Keyboard -----------------------------------------------------------------------------------------

template <KeyFlag Which>
void F_KeyboardCheck(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(IO_CheckKey(Which, Index(argc, args, 0)) ? 1 : 0);
}
void F_KeyboardCheckDirect(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(IO_KeyDirect(Index(argc, args, 0)) ? 1 : 0);
}
void F_KeyboardKeyPress(RValue&, CInstance*, CInstance*, int argc, Args args) { IO_SynthesiseKey(Index(argc, args, 0), true); }
void F_KeyboardKeyRelease(RValue&, CInstance*, CInstance*, int argc, Args args) {
  IO_SynthesiseKey(Index(argc, args, 0), false);
}
void F_KeyboardGetNumLock(RValue& r, CInstance*, CInstance*, int, Args) { r.SetReal(IO_NumLock() ? 1 : 0); }
void F_KeyboardSetNumLock(RValue&, CInstance*, CInstance*, int argc, Args args) {
  IO_SetNumLock(FunctionArgumentBool(FunctionArgument(argc, args, 0)));
}
void F_KeyboardSetMap(RValue&, CInstance*, CInstance*, int argc, Args args) {
  IO_SetMap(Index(argc, args, 0), Index(argc, args, 1));
}
void F_KeyboardGetMap(RValue& r, CInstance*, CInstance*, int argc, Args args) { r.SetReal(IO_GetMap(Index(argc, args, 0))); }
void F_KeyboardUnsetMap(RValue&, CInstance*, CInstance*, int, Args) { IO_UnsetMap(); }
void F_KeyboardClear(RValue&, CInstance*, CInstance*, int argc, Args args) {
  Pump();
  IO_ClearKey(Index(argc, args, 0));
}

// ---- Mouse ----------------------------------------------------------------------------------------------

template <KeyFlag Which>
void F_MouseCheck(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(IO_CheckButton(Which, Index(argc, args, 0)) ? 1 : 0);
}
void F_MouseWheelUp(RValue& r, CInstance*, CInstance*, int, Args) { r.SetReal(IO_Current().wheelUp[0] ? 1 : 0); }
void F_MouseWheelDown(RValue& r, CInstance*, CInstance*, int, Args) { r.SetReal(IO_Current().wheelDown[0] ? 1 : 0); }
void F_MouseClear(RValue&, CInstance*, CInstance*, int argc, Args args) {
  Pump();
  IO_ClearButton(Index(argc, args, 0));
}
void F_IoClear(RValue&, CInstance*, CInstance*, int, Args) {
  Pump();
  IO_ClearState();
}
void F_IoHandle(RValue&, CInstance*, CInstance*, int, Args) { Pump(); }
void F_DeviceMouseDbclickEnable(RValue&, CInstance*, CInstance*, int argc, Args args) {
  IO_SetDoubleTapRight(FunctionArgumentBool(FunctionArgument(argc, args, 0)));
}

// Pumps and sleeps 50 ms at a time until `arrived` says so. Without a window, or while a playback
// supplies the input, nothing can arrive: the wait ends at once (a replay finds the key or button
// that ended the recorded wait in the next step's record). Closing the window ends it too.
template <class Arrived>
void WaitFor(Arrived arrived) {
  if (!Window_HasWindow() || IO_PlayingBack()) return;
  for (;;) {
    Pump();
    if (arrived() || g_RunState.newRoom == kRequestEndGame) return;
    Timer_Clock().SleepMillis(50);
  }
}
void F_KeyboardWait(RValue&, CInstance*, CInstance*, int, Args) {
  IO_Incoming().lastKey = 0;
  IO_Current().lastKey = 0;
  WaitFor([] { return IO_Incoming().lastKey != 0; });
}
void F_MouseWait(RValue&, CInstance*, CInstance*, int, Args) {
  IO_Incoming().mouseLastButton[0] = 0;
  IO_Current().mouseLastButton[0] = 0;
  WaitFor([] { return IO_Incoming().mouseLastButton[0] != 0; });
}
void F_Sleep(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const double ms = FunctionArgument(argc, args, 0).real;
  const double micros = std::isfinite(ms) ? std::nearbyint(ms * 1000.0) : 0.0;
  Timer_Wait(Timer_Clock(), micros > 3e6 ? int64_t(3000000) : int64_t(micros), Pump);
}

// ---- Joysticks ------------------------------------------------------------------------------------------

int Slot(int argc, Args args) { return Joystick_Slot(Index(argc, args, 0)); }

void F_JoystickExists(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  JoystickState j;
  r.SetReal(Joystick_Poll(Slot(argc, args), j) ? 1 : 0);
}
void F_JoystickName(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetString(Joystick_Name(Slot(argc, args)).c_str());
}
void F_JoystickAxes(RValue& r, CInstance*, CInstance*, int argc, Args args) { r.SetReal(Joystick_Axes(Slot(argc, args))); }
void F_JoystickButtons(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(Joystick_Buttons(Slot(argc, args)));
}
void F_JoystickHasPov(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(Joystick_HasPov(Slot(argc, args)) ? 1 : 0);
}
template <int Axis>
void F_JoystickPos(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  JoystickState j;
  r.SetReal(Joystick_Poll(Slot(argc, args), j) ? Joystick_AxisValue(j.axis[Axis]) : 0.0);
}
void F_JoystickCheckButton(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  JoystickState j;
  const int n = Index(argc, args, 1);
  const bool down = n >= 1 && n <= 32 && Joystick_Poll(Slot(argc, args), j) && (j.buttons & (1u << (n - 1))) != 0;
  r.SetReal(down ? 1 : 0);
}
void F_JoystickPov(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  JoystickState j;
  r.SetReal(Joystick_Poll(Slot(argc, args), j) ? Joystick_PovDegrees(j.pov) : -1.0);
}
void F_JoystickDirection(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  JoystickState j;
  r.SetReal(Joystick_Poll(Slot(argc, args), j) ? Joystick_Direction(j.axis[0], j.axis[1]) : 101);
}

}  // namespace

void Function_Interaction_Bind() {
  ImplementFunction("keyboard_check", F_KeyboardCheck<KeyFlag::Down>);
  ImplementFunction("keyboard_check_pressed", F_KeyboardCheck<KeyFlag::Pressed>);
  ImplementFunction("keyboard_check_released", F_KeyboardCheck<KeyFlag::Released>);
  ImplementFunction("keyboard_check_direct", F_KeyboardCheckDirect);
  ImplementFunction("keyboard_key_press", F_KeyboardKeyPress);
  ImplementFunction("keyboard_key_release", F_KeyboardKeyRelease);
  ImplementFunction("keyboard_get_numlock", F_KeyboardGetNumLock);
  ImplementFunction("keyboard_set_numlock", F_KeyboardSetNumLock);
  ImplementFunction("keyboard_set_map", F_KeyboardSetMap);
  ImplementFunction("keyboard_get_map", F_KeyboardGetMap);
  ImplementFunction("keyboard_unset_map", F_KeyboardUnsetMap);
  ImplementFunction("keyboard_clear", F_KeyboardClear);
  ImplementFunction("mouse_check_button", F_MouseCheck<KeyFlag::Down>);
  ImplementFunction("mouse_check_button_pressed", F_MouseCheck<KeyFlag::Pressed>);
  ImplementFunction("mouse_check_button_released", F_MouseCheck<KeyFlag::Released>);
  ImplementFunction("mouse_wheel_up", F_MouseWheelUp);
  ImplementFunction("mouse_wheel_down", F_MouseWheelDown);
  ImplementFunction("mouse_clear", F_MouseClear);
  ImplementFunction("io_clear", F_IoClear);
  ImplementFunction("io_handle", F_IoHandle);
  ImplementFunction("keyboard_wait", F_KeyboardWait);
  ImplementFunction("device_mouse_dbclick_enable", F_DeviceMouseDbclickEnable);
  ImplementFunction("mouse_wait", F_MouseWait);
  ImplementFunction("sleep", F_Sleep);
  ImplementFunction("joystick_exists", F_JoystickExists);
  ImplementFunction("joystick_name", F_JoystickName);
  ImplementFunction("joystick_axes", F_JoystickAxes);
  ImplementFunction("joystick_buttons", F_JoystickButtons);
  ImplementFunction("joystick_has_pov", F_JoystickHasPov);
  ImplementFunction("joystick_xpos", F_JoystickPos<0>);
  ImplementFunction("joystick_ypos", F_JoystickPos<1>);
  ImplementFunction("joystick_zpos", F_JoystickPos<2>);
  ImplementFunction("joystick_rpos", F_JoystickPos<3>);
  ImplementFunction("joystick_upos", F_JoystickPos<4>);
  ImplementFunction("joystick_vpos", F_JoystickPos<5>);
  ImplementFunction("joystick_check_button", F_JoystickCheckButton);
  ImplementFunction("joystick_pov", F_JoystickPov);
  ImplementFunction("joystick_direction", F_JoystickDirection);
}
