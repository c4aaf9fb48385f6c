#include "Graphics/Graphics_RoomDraw.h"

#include <algorithm>
#include <cmath>

#include "Background/Background_Class.h"
#include "Graphics/Graphics_Colour.h"
#include "Graphics/Graphics_Display.h"
#include "Graphics/Graphics_DrawState.h"
#include "Graphics/Graphics_Surface.h"
#include "Graphics/Graphics_Texture.h"
#include "IO/IO_Mouse.h"
#include "Object/Object_Class.h"
#include "Object/Object_Event.h"
#include "Room/Room_Class.h"
#include "Run/Run_State.h"
#include "Run/Run_World.h"
#include "Variable/Variable_BuiltInState.h"

namespace {

constexpr int kGuiDrawEvent = 64;

void SetDepth(float depth) {
  if (g_DrawState.mode3d) g_DrawState.depth = depth;
}

void DrawLayers(const CRoom& room, bool foregrounds, const DrawArea& area) {
  if (g_DrawHooks.drawBackgroundLayer == nullptr) return;
  for (const CBackgroundLayer& layer : room.backgrounds) {
    if (!layer.visible || layer.foreground != foregrounds || !Background_Exists(layer.index)) continue;
    g_DrawHooks.drawBackgroundLayer(layer, area);
  }
}

void DrawInstance(CInstance* instance) {
  if (Event_FindHandler(instance->object_index, EV_DRAW, 0) != nullptr) {
    Event_PerformOwn(instance, EV_DRAW, 0);
  } else if (g_DrawHooks.drawInstanceDefault != nullptr) {
    g_DrawHooks.drawInstanceDefault(instance);
  }
}

void DrawTile(const CTile& tile) {
  if (g_DrawHooks.drawTile == nullptr) return;
  SetDepth(std::min(tile.depth, 11000.0f));
  g_DrawHooks.drawTile(tile);
}

// The extent of the ports of the visible views that draw to the screen (at least 1 each way).
void PortExtent(const CRoom& room, int32_t& width, int32_t& height) {
  width = 1;
  height = 1;
  for (const CView& v : room.views) {
    if (!v.visible || Surface_Exists(v.surface)) continue;
    width = std::max(width, v.xport + v.wport);
    height = std::max(height, v.yport + v.hport);
  }
}

void ScreenViewport() { Display_SetViewport(0, 0, g_Display.gameWidth, g_Display.gameHeight); }

void DrawViews(CRoom& room) {
  ScreenViewport();
  Display_Clear(GR_ARGB(g_Display.windowColour, 255));
  int32_t extentW = 1, extentH = 1;
  PortExtent(room, extentW, extentH);
  for (int32_t index = 0; index < kRoomViewCount; ++index) {
    const CView& v = room.views[index];
    if (!v.visible) continue;
    g_Display.currentView = index;
    g_BuiltInState.viewCurrent = index;
    bool pushed = false;
    g_Display.scaleX = double(g_Display.gameWidth) / extentW;
    g_Display.scaleY = double(g_Display.gameHeight) / extentH;
    if (const SurfaceRecord* s = Surface_Get(v.surface); s != nullptr && g_Display.currentSurface != v.surface) {
      const TextureSlot* slot = GR_Texture_Slot(s->texture);
      pushed = slot != nullptr && Display_PushTarget(slot->texture);
      g_Display.scaleX = g_Display.scaleY = 1;
    }
    Display_SetCamera(v.xview, v.yview, v.wview, v.hview, v.angle);
    Display_SetViewport(int32_t(std::lround(v.xport * g_Display.scaleX)), int32_t(std::lround(v.yport * g_Display.scaleY)),
                        int32_t(std::lround(v.wport * g_Display.scaleX)), int32_t(std::lround(v.hport * g_Display.scaleY)));
    RoomDraw_InView(room, RoomDraw_ViewArea(v));
    if (pushed) Display_PopTarget();
  }
  ScreenViewport();
  Display_SetCamera(0, 0, g_Display.gameWidth, g_Display.gameHeight, 0);
  g_DrawState.view = DrawArea{0, 0, float(g_Display.gameWidth), float(g_Display.gameHeight)};
  g_Display.currentView = 0;
  g_BuiltInState.viewCurrent = 0;
}

void DrawGui() {
  const bool mode3d = g_DrawState.mode3d;
  g_DrawState.mode3d = false;
  const float depth = g_DrawState.depth;
  g_DrawState.depth = 0;
  ScreenViewport();
  const int32_t w = g_Display.guiWidth < 0 ? g_Display.gameWidth : g_Display.guiWidth;
  const int32_t h = g_Display.guiHeight < 0 ? g_Display.gameHeight : g_Display.guiHeight;
  Display_SetCamera(0, 0, w, h, 0);
  InstanceSnapshot snapshot(World_Active());
  for (CInstance* i : snapshot) {
    if (!i->visible || i->marked || i->deactivated) continue;
    if (Event_FindHandler(i->object_index, EV_DRAW, kGuiDrawEvent) == nullptr) continue;
    Event_PerformOwn(i, EV_DRAW, kGuiDrawEvent);
  }
  g_DrawState.mode3d = mode3d;
  g_DrawState.depth = depth;
}

}  // namespace

void RoomDraw_SortTiles(std::vector<CTile>& tiles) {
  bool ordered = true;
  for (size_t i = 1; i < tiles.size() && ordered; ++i) ordered = tiles[i - 1].depth >= tiles[i].depth;
  if (ordered) return;
  for (size_t i = 1; i < tiles.size(); ++i) {
    if (tiles[i - 1].depth >= tiles[i].depth) continue;
    CTile moving = tiles[i];
    size_t j = i;
    while (j > 0 && tiles[j - 1].depth < moving.depth) {
      tiles[j] = tiles[j - 1];
      --j;
    }
    tiles[j] = moving;
  }
}

DrawArea RoomDraw_ViewArea(const CView& v) {
  if (std::fabs(v.angle) < 0.001f) {
    return DrawArea{float(v.xview), float(v.yview), float(v.xview + v.wview), float(v.yview + v.hview)};
  }
  const int32_t halfW = v.wview / 2, halfH = v.hview / 2;
  return DrawArea{float(v.xview - halfH), float(v.yview - halfW), float(v.xview + v.wview + halfH),
                  float(v.yview + v.hview + halfW)};
}

bool RoomDraw_TileVisible(const CTile& t, const DrawArea& area) {
  const float x2 = t.x + float(t.width) * t.xscale, y2 = t.y + float(t.height) * t.yscale;
  const float left = std::min(t.x, x2), right = std::max(t.x, x2);
  const float top = std::min(t.y, y2), bottom = std::max(t.y, y2);
  return left < area.right && right > area.left && top < area.bottom && bottom > area.top;
}

void RoomDraw_InView(CRoom& room, const DrawArea& area) {
  g_DrawState.view = area;
  if (room.showColour) Display_Clear(GR_ARGB(room.colour, 255));
  SetDepth(12000);
  DrawLayers(room, false, area);
  // Instances from the depth-ordered list (walked from the deepest end), tiles from the sorted
  // array; at equal depths the instance goes first.
  InstanceSnapshot snapshot(World_Active());
  CInstance* const* first = snapshot.begin();
  CInstance* const* next = snapshot.end();
  size_t tile = 0;
  const std::vector<CTile>& tiles = room.tiles;
  for (;;) {
    while (next != first && (!next[-1]->visible || next[-1]->marked || next[-1]->deactivated)) --next;
    while (tile < tiles.size() && !tiles[tile].visible) ++tile;
    const bool haveInstance = next != first, haveTile = tile < tiles.size();
    if (!haveInstance && !haveTile) break;
    if (haveTile && (!haveInstance || tiles[tile].depth > next[-1]->depth)) {
      // A tile is copied: a draw event may change the room's tile array.
      const CTile t = tiles[tile++];
      if (RoomDraw_TileVisible(t, area)) DrawTile(t);
      continue;
    }
    CInstance* instance = *--next;
    SetDepth(instance->depth);
    DrawInstance(instance);
  }
  SetDepth(-12000);
  DrawLayers(room, true, area);
  SetDepth(-13000);
}

void RoomDraw_Screen() {
  CRoom* room = Room_Current();
  if (room == nullptr || !g_Display.frameOpen) return;
  RoomDraw_SortTiles(room->tiles);
  if (room->viewsEnabled) {
    DrawViews(*room);
  } else {
    ScreenViewport();
    Display_SetCamera(0, 0, room->width, room->height, 0);
    g_Display.scaleX = g_Display.scaleY = 1;
    RoomDraw_InView(*room, DrawArea{0, 0, float(room->width), float(room->height)});
  }
  DrawGui();
  if (g_RunState.cursorSprite >= 0 && g_DrawHooks.drawCursorSprite != nullptr) {
    g_DrawHooks.drawCursorSprite(g_RunState.cursorSprite, g_RunState.stepCounter, float(IO_MouseX()),
                                 float(IO_MouseY()));
  }
}
