#include "IO/IO_Step.h"

#include "Graphics/Graphics_Display.h"
#include "Graphics/Graphics_Window.h"
#include "IO/IO_Joystick.h"
#include "IO/IO_Main.h"
#include "IO/IO_Mouse.h"
#include "IO/IO_Record.h"
#include "IO/IO_VirtualButtons.h"
#include "Object/Object_Class.h"
#include "Object/Object_Event.h"
#include "Run/Run_Instance.h"

namespace {

bool BoxUnderPoint(CInstance* i, double x, double y) {
  if (!i->HasSpriteOrMask()) return false;
  const InstanceBox& b = i->BoundingBox();
  return x >= b.left && x < b.right + 1 && y >= b.top && y < b.bottom + 1;
}
UnderPointTest g_underPoint = BoxUnderPoint;

// One pass of a mouse event for the instances that pass `test`.
template <class Test>
void MousePass(int subType, Test test) {
  const std::vector<int32_t>& list = Event_List(EV_MOUSE, subType);
  if (list.empty()) return;
  const uint64_t stamp = Event_BeginPass();
  for (size_t k = 0; k < list.size(); ++k) {
    const int32_t objectIndex = list[k];
    CObject* object = Object_Find(objectIndex);
    if (object == nullptr) continue;
    InstanceSnapshot snapshot(object->instances);
    for (CInstance* i : snapshot) {
      if (i->marked || i->deactivated || i->creation_stamp > stamp) continue;
      if (test(i)) Event_Perform(i, i, objectIndex, EV_MOUSE, subType);
    }
  }
}

void UnderMousePass(int subType) {
  const double x = IO_MouseX(), y = IO_MouseY();
  MousePass(subType, [x, y](CInstance* i) { return g_underPoint(i, x, y); });
}

void GlobalPass(int subType) { Event_Pass(EV_MOUSE, subType); }

}  // namespace

void IO_SetUnderPointTest(UnderPointTest test) { g_underPoint = test != nullptr ? test : BoxUnderPoint; }

void IO_StepInput() {
  IO_ClearEdges();
  IOState& current = IO_Current();
  if (IO_PlayingBack() && IO_ReadRecord(current)) {
    IO_ClearIncomingEdges();  // live input waits until playback ends
  } else {
    IO_Publish();
    int32_t w = 0, h = 0;
    Window_ClientSize(w, h);
    VirtualButtons_Step(current, w, h, g_Display.gameWidth, g_Display.gameHeight);
  }
  IO_WriteRecord(current);
}

void IO_KeyboardEvents() {
  const IOState& s = IO_Current();
  bool anyKey = false, anyPress = false, anyRelease = false;
  for (int key = 8; key < kKeyCount; ++key) {
    if (s.keyDown[key] || s.keyReleased[key]) {
      anyKey = true;
      Event_Pass(EV_KEYBOARD, key);
    }
    if (s.keyPressed[key]) {
      anyPress = true;
      Event_Pass(EV_KEYPRESS, key);
    }
    if (s.keyReleased[key]) {
      anyRelease = true;
      Event_Pass(EV_KEYRELEASE, key);
    }
  }
  Event_Pass(EV_KEYBOARD, anyKey ? 1 : 0);
  Event_Pass(EV_KEYPRESS, anyPress ? 1 : 0);
  Event_Pass(EV_KEYRELEASE, anyRelease ? 1 : 0);
}

void IO_JoystickEvents() {
  for (int slot = 0; slot < 2; ++slot) {
    JoystickState j;
    if (!Joystick_Poll(slot, j)) continue;
    const int base = slot == 0 ? 16 : 31;  // left, right, up, down; the buttons follow from base + 5
    if (j.axis[0] < 20000) GlobalPass(base);
    if (j.axis[0] > 44000) GlobalPass(base + 1);
    if (j.axis[1] < 20000) GlobalPass(base + 2);
    if (j.axis[1] > 44000) GlobalPass(base + 3);
    for (int n = 1; n <= 8; ++n) {
      if (j.buttons & (1u << (n - 1))) GlobalPass(base + 4 + n);
    }
  }
}

void IO_MouseEvents() {
  if (!Window_Visible()) return;
  IO_UpdateRoomMouse();
  const IOState& s = IO_Current();
  bool any = false;
  for (int b = 0; b < kMouseButtons; ++b) {
    if (!s.buttonDown[b] && !s.buttonPressed[b]) continue;
    any = true;
    UnderMousePass(b);        // ev_left_button ...
    GlobalPass(50 + b);       // ev_global_left_button ...
  }
  if (!any) UnderMousePass(3);  // ev_no_button
  for (int b = 0; b < kMouseButtons; ++b) {
    if (!s.buttonPressed[b]) continue;
    UnderMousePass(4 + b);    // ev_left_press ...
    GlobalPass(12);           // ev_global_press
    GlobalPass(53 + b);       // ev_global_left_press ...
  }
  for (int b = 0; b < kMouseButtons; ++b) {
    if (!s.buttonReleased[b]) continue;
    UnderMousePass(7 + b);    // ev_left_release ...
    GlobalPass(13);           // ev_global_release
    GlobalPass(56 + b);       // ev_global_left_release ...
  }
  const double x = IO_MouseX(), y = IO_MouseY(), px = IO_PreviousMouseX(), py = IO_PreviousMouseY();
  MousePass(10, [=](CInstance* i) { return g_underPoint(i, x, y) && !g_underPoint(i, px, py); });
  MousePass(11, [=](CInstance* i) { return !g_underPoint(i, x, y) && g_underPoint(i, px, py); });
  if (s.wheelUp[0]) GlobalPass(60);
  if (s.wheelDown[0]) GlobalPass(61);
}
