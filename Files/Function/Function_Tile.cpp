// Tiles of the current room from game code: adding, finding and deleting tiles, whole layers (all
// tiles of one depth), and the fields of one tile.
#include <algorithm>
#include <vector>

#include "Background/Background_Class.h"
#include "Code/Code_Error.h"
#include "Function/Function_Arguments.h"
#include "Room/Room_Class.h"
#include "Room/Room_Main.h"

namespace {

using Args = RValue*;

std::vector<CTile>* Tiles() {
  CRoom* room = Room_Current();
  return room != nullptr ? &room->tiles : nullptr;
}

// Where the last lookup found its tile: tried first by the next lookup.
size_t g_lastFound = 0;

CTile* FindTile(int32_t id) {
  std::vector<CTile>* tiles = Tiles();
  if (tiles == nullptr) return nullptr;
  if (g_lastFound < tiles->size() && (*tiles)[g_lastFound].id == id) return &(*tiles)[g_lastFound];
  for (size_t i = 0; i < tiles->size(); ++i) {
    if ((*tiles)[i].id == id) {
      g_lastFound = i;
      return &(*tiles)[i];
    }
  }
  return nullptr;
}

// The tile's box contains (x, y): from its position to position + size x scale, the far edges
// included or not.
bool Contains(const CTile& t, float x, float y, bool farEdgesIn) {
  const float right = t.x + float(t.width) * t.xscale, bottom = t.y + float(t.height) * t.yscale;
  if (x < t.x || y < t.y) return false;
  return farEdgesIn ? x <= right && y <= bottom : x < right && y < bottom;
}

// Removes every tile `doomed` picks; the others keep their order.
template <class Pred>
void RemoveTiles(Pred doomed) {
  std::vector<CTile>* tiles = Tiles();
  if (tiles == nullptr) return;
  tiles->erase(std::remove_if(tiles->begin(), tiles->end(), doomed), tiles->end());
}

// Applies `change` to every tile of depth `depth`.
template <class Change>
void EachOfLayer(float depth, Change change) {
  if (std::vector<CTile>* tiles = Tiles()) {
    for (CTile& t : *tiles) {
      if (t.depth == depth) change(t);
    }
  }
}

void F_TileAdd(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  r.SetReal(-1);
  const int32_t background = a.Index(0);
  if (!Background_Exists(background)) {
    ReportActionError("Background does not exist.", false);
    return;
  }
  std::vector<CTile>* tiles = Tiles();
  if (tiles == nullptr) return;
  CTile t;
  t.background = background;
  t.left = a.Index(1);
  t.top = a.Index(2);
  t.width = a.Index(3);
  t.height = a.Index(4);
  t.x = a.Real(5);
  t.y = a.Real(6);
  t.depth = a.Real(7);
  Room_SetLastTileId(Room_LastTileId() + 1);
  t.id = Room_LastTileId();
  tiles->push_back(t);
  r.SetReal(t.id);
}

void F_TileDelete(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const int32_t id = FunctionArgs{argc, args}.Index(0);
  if (FindTile(id) == nullptr) {
    ReportActionError("Tile does not exist.", false);
    return;
  }
  RemoveTiles([id](const CTile& t) { return t.id == id; });
}

void F_TileExists(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(FindTile(FunctionArgs{argc, args}.Index(0)) != nullptr ? 1 : 0);
}

void F_TileFind(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  const float x = a.Real(0), y = a.Real(1);
  const bool foreground = a.Flag(2);
  r.SetReal(-1);
  if (std::vector<CTile>* tiles = Tiles()) {
    for (const CTile& t : *tiles) {
      if (Contains(t, x, y, false) && (foreground ? t.depth < 0 : t.depth >= 0)) {
        r.SetReal(t.id);
        return;
      }
    }
  }
}

void F_TileDeleteAt(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  const float x = a.Real(0), y = a.Real(1);
  const bool foreground = a.Flag(2);
  RemoveTiles([&](const CTile& t) {
    return Contains(t, x, y, true) && (foreground ? t.depth <= 0 : t.depth >= 0);
  });
}

void F_TileLayerHide(RValue&, CInstance*, CInstance*, int argc, Args args) {
  EachOfLayer(FunctionArgs{argc, args}.Real(0), [](CTile& t) { t.visible = false; });
}
void F_TileLayerShow(RValue&, CInstance*, CInstance*, int argc, Args args) {
  EachOfLayer(FunctionArgs{argc, args}.Real(0), [](CTile& t) { t.visible = true; });
}
void F_TileLayerDelete(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const float depth = FunctionArgs{argc, args}.Real(0);
  RemoveTiles([depth](const CTile& t) { return t.depth == depth; });
}
void F_TileLayerShift(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  const float dx = a.Real(1), dy = a.Real(2);
  EachOfLayer(a.Real(0), [dx, dy](CTile& t) {
    t.x += dx;
    t.y += dy;
  });
}
void F_TileLayerFind(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  const float depth = a.Real(0), x = a.Real(1), y = a.Real(2);
  r.SetReal(-1);
  if (std::vector<CTile>* tiles = Tiles()) {
    for (const CTile& t : *tiles) {
      if (t.depth == depth && Contains(t, x, y, false)) {
        r.SetReal(t.id);
        return;
      }
    }
  }
}
void F_TileLayerDeleteAt(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  const float depth = a.Real(0), x = a.Real(1), y = a.Real(2);
  RemoveTiles([&](const CTile& t) { return t.depth == depth && Contains(t, x, y, false); });
}
void F_TileLayerDepth(RValue&, CInstance*, CInstance*, int argc, Args args) {
  const FunctionArgs a{argc, args};
  const float depth = a.Real(1);
  EachOfLayer(a.Real(0), [depth](CTile& t) { t.depth = depth; });
}

// ---- One tile's fields ------------------------------------------------------------------------

// A getter: the field of the tile with the id of argument 0, or -1 when there is no such tile.
#define TILE_GETTER(Name, expr)                                                                       \
  void Name(RValue& r, CInstance*, CInstance*, int argc, Args args) {                                 \
    FunctionQueryResult(r, FindTile(FunctionArgs{argc, args}.Index(0)), [](const CTile& t) { return expr; }); \
  }
TILE_GETTER(F_TileGetX, t.x)
TILE_GETTER(F_TileGetY, t.y)
TILE_GETTER(F_TileGetLeft, t.left)
TILE_GETTER(F_TileGetTop, t.top)
TILE_GETTER(F_TileGetWidth, t.width)
TILE_GETTER(F_TileGetHeight, t.height)
TILE_GETTER(F_TileGetDepth, t.depth)
TILE_GETTER(F_TileGetVisible, t.visible ? 1 : 0)
TILE_GETTER(F_TileGetXScale, t.xscale)
TILE_GETTER(F_TileGetYScale, t.yscale)
TILE_GETTER(F_TileGetBlend, t.blend)
TILE_GETTER(F_TileGetAlpha, t.alpha)
TILE_GETTER(F_TileGetBackground, t.background)
#undef TILE_GETTER

// A setter: changes the tile with the id of argument 0; nothing when there is no such tile.
#define TILE_SETTER(Name, body)                                              \
  void Name(RValue&, CInstance*, CInstance*, int argc, Args args) {          \
    const FunctionArgs a{argc, args};                                        \
    if (CTile* tp = FindTile(a.Index(0))) {                                  \
      CTile& t = *tp;                                                        \
      body;                                                                  \
    }                                                                        \
  }
TILE_SETTER(F_TileSetVisible, t.visible = a.Flag(1))
TILE_SETTER(F_TileSetBackground, t.background = a.Index(1))
TILE_SETTER(F_TileSetRegion, t.left = a.Index(1); t.top = a.Index(2); t.width = a.Index(3); t.height = a.Index(4))
TILE_SETTER(F_TileSetPosition, t.x = a.Real(1); t.y = a.Real(2))
TILE_SETTER(F_TileSetDepth, t.depth = a.Real(1))
TILE_SETTER(F_TileSetScale, t.xscale = a.Real(1); t.yscale = a.Real(2))
TILE_SETTER(F_TileSetBlend, t.blend = a.Colour(1))
TILE_SETTER(F_TileSetAlpha, t.alpha = a.Real(1))
#undef TILE_SETTER

}  // namespace

void Function_Tile_Bind() {
  ImplementFunction("tile_add", F_TileAdd);
  ImplementFunction("tile_delete", F_TileDelete);
  ImplementFunction("tile_exists", F_TileExists);
  ImplementFunction("tile_find", F_TileFind);
  ImplementFunction("tile_delete_at", F_TileDeleteAt);
  ImplementFunction("tile_layer_hide", F_TileLayerHide);
  ImplementFunction("tile_layer_show", F_TileLayerShow);
  ImplementFunction("tile_layer_delete", F_TileLayerDelete);
  ImplementFunction("tile_layer_shift", F_TileLayerShift);
  ImplementFunction("tile_layer_find", F_TileLayerFind);
  ImplementFunction("tile_layer_delete_at", F_TileLayerDeleteAt);
  ImplementFunction("tile_layer_depth", F_TileLayerDepth);
  ImplementFunction("tile_get_x", F_TileGetX);
  ImplementFunction("tile_get_y", F_TileGetY);
  ImplementFunction("tile_get_left", F_TileGetLeft);
  ImplementFunction("tile_get_top", F_TileGetTop);
  ImplementFunction("tile_get_width", F_TileGetWidth);
  ImplementFunction("tile_get_height", F_TileGetHeight);
  ImplementFunction("tile_get_depth", F_TileGetDepth);
  ImplementFunction("tile_get_visible", F_TileGetVisible);
  ImplementFunction("tile_get_xscale", F_TileGetXScale);
  ImplementFunction("tile_get_yscale", F_TileGetYScale);
  ImplementFunction("tile_get_blend", F_TileGetBlend);
  ImplementFunction("tile_get_alpha", F_TileGetAlpha);
  ImplementFunction("tile_get_background", F_TileGetBackground);
  ImplementFunction("tile_set_visible", F_TileSetVisible);
  ImplementFunction("tile_set_background", F_TileSetBackground);
  ImplementFunction("tile_set_region", F_TileSetRegion);
  ImplementFunction("tile_set_position", F_TileSetPosition);
  ImplementFunction("tile_set_depth", F_TileSetDepth);
  ImplementFunction("tile_set_scale", F_TileSetScale);
  ImplementFunction("tile_set_blend", F_TileSetBlend);
  ImplementFunction("tile_set_alpha", F_TileSetAlpha);
}
