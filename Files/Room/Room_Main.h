// Playing rooms: entering and leaving with persistence, carrying persistent instances, the room
// order, room-change requests, view following, background scrolling and the window size the
// views need.
#pragma once
#include <cstdint>

class CRoom;
class CStream;

// The index of the room being played (-1 before the first entry).
int32_t Room_CurrentIndex();

// Entering room `index`; `gameStart` runs the game-start events there.
void Room_Enter(int32_t index, bool gameStart);
// Leaving the current room; `gameEnd` runs the game-end events after the room-end events.
void Room_Leave(bool gameEnd);
// Leave the current room and enter `index` (the end of a frame with a room request).
void Room_ChangeTo(int32_t index);
// The first room of the room order, with the game-start events. A game without rooms ends.
void Room_EnterFirst();
// Sizes the table of room states to the number of rooms, empties it and forgets carried instances.
void Room_ResetStates();
// Frees every stored state (game end).
void Room_FreeStates();
// The current room's speed (30 without a room).
int32_t Room_Speed();

// ---- The room order ------------------------------------------------------------------------------------

int32_t Room_First();
int32_t Room_Last();
// -1 when `index` does not exist, is not in the order or is the last (first) room.
int32_t Room_Next(int32_t index);
int32_t Room_Previous(int32_t index);

// ---- Room-change requests (each sets the new-room request and the transition kind 0) ---------------

void Room_Goto(int32_t index);
void Room_GotoNext();
void Room_GotoPrevious();
void Room_Restart();

// ---- Views and backgrounds -----------------------------------------------------------------------------

// The view-following rule for every visible view of the current room (only when views are enabled).
void Room_FollowViews();
// Background layers move by their speeds.
void Room_ScrollBackgrounds();
// The window size the room wants: the extent of the visible views' ports (each at least 8) when
// views are enabled, else the room size; each limited to the screen size.
void Room_WindowSize(const CRoom& room, int32_t screenWidth, int32_t screenHeight, int32_t* width, int32_t* height);

// Where the window is resized and the screen drawn (the display module fills them; empty: nothing).
struct RoomHooks {
  void (*resizeWindow)(int32_t width, int32_t height) = nullptr;
  void (*drawScreen)() = nullptr;
  void (*screenSize)(int32_t* width, int32_t* height) = nullptr;
};
extern RoomHooks g_RoomHooks;

// Draws the screen once: the views follow their instances, then the display module draws.
void Room_DrawScreen();

// ---- The save form of a room state ------------------------------------------------------------------

void Room_SaveState(CStream* stream, CRoom* state);
// A state read back, or null when the stream does not hold one (first word not 540, or a short or
// corrupt stream). Its instances are in its lists only: no object list or id table holds them.
CRoom* Room_LoadState(CStream* stream);
// Makes `index` the current room after a saved game replaced the state table: the world takes the
// state's lists and every instance of it joins its object's lists and the id table.
void Room_ResumeLoaded(int32_t index);

// Connects the room and world modules to the run hooks and the variable layer.
void Room_Install();
