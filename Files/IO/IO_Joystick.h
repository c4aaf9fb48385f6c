// Two joysticks through the platform (game controllers where a mapping exists, plain joysticks
// otherwise). Axis values are raw: 0..65535 with the centre at 32768. The Linux half is
// Linux/IO_JoystickM.cpp.
#pragma once
#include <cstdint>
#include <string>

struct JoystickState {
  int32_t axis[6] = {32768, 32768, 32768, 32768, 32768, 32768};  // x, y, z, r, u, v
  uint32_t buttons = 0;                                          // bit n - 1: button n down
  int32_t pov = 65535;                                           // hundredths of a degree; 65535 centred
};

// Joystick 2 for id 2, joystick 1 for any other id.
inline int Joystick_Slot(int32_t id) { return id == 2 ? 1 : 0; }

void Joystick_Open();
void Joystick_Close();
// A device arrived or left (hot plug): the two slots are filled again.
void Joystick_Refresh();
// False when the slot has no device (the query failed).
bool Joystick_Poll(int slot, JoystickState& out);
std::string Joystick_Name(int slot);
int32_t Joystick_Axes(int slot);
int32_t Joystick_Buttons(int slot);
bool Joystick_HasPov(int slot);

// The formulas of the joystick functions.
inline double Joystick_AxisValue(int32_t raw) { return double(float(raw) / 32767.0f - 1.0f); }
// 97 + column + row: column 0 left (x < 20000), 2 right (x > 44000), else 1; row 6 up
// (y <= 19999), 0 down (y >= 44001), else 3.
inline int32_t Joystick_Direction(int32_t x, int32_t y) {
  const int32_t column = x < 20000 ? 0 : x > 44000 ? 2 : 1;
  const int32_t row = y <= 19999 ? 6 : y >= 44001 ? 0 : 3;
  return 97 + column + row;
}
// POV in degrees; -1 when centred (more than 360 degrees).
inline double Joystick_PovDegrees(int32_t pov) { return pov > 36000 ? -1.0 : pov / 100.0; }
