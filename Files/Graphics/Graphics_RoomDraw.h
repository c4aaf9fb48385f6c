// Drawing the room: through each visible view (or over the whole room when views are off), the
// background colour, backgrounds, instances and tiles merged by depth, foregrounds; then the GUI
// layer and the cursor sprite.
#pragma once
#include <cstdint>
#include <vector>

#include "Graphics/Graphics_DrawHooks.h"

class CRoom;
struct CTile;
struct CView;

// The screen for the current room (the room hook's draw).
void RoomDraw_Screen();
// The room seen through `area` (room coordinates) into the current viewport.
void RoomDraw_InView(CRoom& room, const DrawArea& area);

// Tiles by depth, highest first, equal depths keeping their order (nothing moves when already so).
void RoomDraw_SortTiles(std::vector<CTile>& tiles);
// The culling rectangle of a view: widened by half the view's height and width on the sides when
// it is turned (|angle| of 0.001 degrees or more).
DrawArea RoomDraw_ViewArea(const CView& view);
// Whether a tile's box (x, y to x + width x xscale, y + height x yscale) overlaps `area`.
bool RoomDraw_TileVisible(const CTile& tile, const DrawArea& area);
