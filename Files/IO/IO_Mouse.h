// The mouse in the room: window client positions mapped through the letterbox of the last frame,
// the ports and the views (with their angles) to room positions, and back.
#pragma once
#include <cstdint>

// Window position to the room through view `view` (its port, size and angle). False when there
// is no room, the view number is not 0..7 or its port is empty.
bool IO_WindowToView(int32_t view, double wx, double wy, double& rx, double& ry);
// Room position through view `view` to the window; false as above.
bool IO_ViewToWindow(int32_t view, double rx, double ry, double& wx, double& wy);
// The first visible view whose port holds the window position; view 0 when none does.
int32_t IO_ViewAt(double wx, double wy);
// The room position of a window position: through the view that holds it when views are on,
// else through the letterbox onto the whole room.
void IO_WindowToRoom(double wx, double wy, double& rx, double& ry);

// mouse_x and mouse_y: set by the mouse stage of every step from the step's client position.
void IO_UpdateRoomMouse();
double IO_MouseX();
double IO_MouseY();
double IO_PreviousMouseX();
double IO_PreviousMouseY();
void IO_ResetRoomMouse();
