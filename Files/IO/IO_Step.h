// The input stages of a step: publishing the step's input (live, from a playback record, and into
// a recording), and raising the keyboard, joystick and mouse events.
#pragma once

class CInstance;

// Stage 1's input part: clear the step's edges, publish the incoming state or read the playback
// record, update the virtual buttons, append the recording's record.
void IO_StepInput();

// Stage 7: keyboard, key-press and key-release events for keys 8..255, then for "any key" or
// "no key".
void IO_KeyboardEvents();
// Stage 8: the joystick events of the first, then the second joystick.
void IO_JoystickEvents();
// Stage 9 (while the window is visible): the mouse position in the room, the button, press and
// release events under the mouse and global, enter and leave, the wheel.
void IO_MouseEvents();

// Whether the point (room coordinates) is on the instance. The collision module installs the
// precise test; until then the instance's bounding box decides (instances without a sprite or
// mask are never under the mouse).
using UnderPointTest = bool (*)(CInstance* instance, double x, double y);
void IO_SetUnderPointTest(UnderPointTest test);
