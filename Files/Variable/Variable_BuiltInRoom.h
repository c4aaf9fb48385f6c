// The room built-in variables: the room order (`room`, `room_first`, `room_last`) and the state of
// the running room (size, caption, speed, persistence, colour, the eight background layers and the
// eight views). Registered from the global group so that the group keeps its fixed order.
#pragma once

// room, room_first, room_last.
void BuiltIn_RegisterRoomOrderVariables();
// room_width ... view_surface_id.
void BuiltIn_RegisterRoomVariables();
