// The tile functions on the current room: ids, the box rules of find and delete_at, layers, fields.
#include "Background/Background_Class.h"
#include "Function/Function_Exercise.h"
#include "Run/WorldTestSupport.h"

namespace {

struct TileScope : WorldTest {
  void TestBody() override {}
  void SetUp() override {
    WorldTest::SetUp();
    AddRoom(0, "room_a");
    Room_ResetStates();
    Room_EnterFirst();
    Background_FreeAll();
    auto* b = new CBackground();
    b->width = b->height = 64;
    Background_Add(b, "bg_tiles");
    Room_SetLastTileId(10000000);
  }
  void TearDown() override {
    Background_FreeAll();
    WorldTest::TearDown();
  }
  static double R(const char* name, std::vector<RValue> args) { return Call(name, nullptr, std::move(args)).real; }
  // A 16 x 8 tile of background 0 at (x, y) with depth `depth`; returns its id.
  static double Add(float x, float y, float depth) {
    return R("tile_add", {RValue(0.0), RValue(0.0), RValue(0.0), RValue(16.0), RValue(8.0), RValue(x), RValue(y),
                          RValue(depth)});
  }
  static std::vector<int32_t> Ids() {
    std::vector<int32_t> out;
    for (const CTile& t : Room_Current()->tiles) out.push_back(t.id);
    return out;
  }
};

void TileIdsAndDeletion() {
  TileScope s;
  s.SetUp();
  EXPECT_EQ(TileScope::Add(0, 0, 1), 10000001);
  EXPECT_EQ(TileScope::Add(0, 0, 2), 10000002);
  EXPECT_EQ(TileScope::Add(0, 0, 3), 10000003);
  const CTile& t = Room_Current()->tiles[0];
  EXPECT_EQ(t.xscale, 1);
  EXPECT_EQ(t.blend, 0xFFFFFF);
  EXPECT_EQ(t.alpha, 1);
  EXPECT_TRUE(t.visible);
  EXPECT_EQ(TileScope::R("tile_exists", {RValue(10000002.0)}), 1);
  TileScope::R("tile_delete", {RValue(10000002.0)});
  EXPECT_EQ(TileScope::R("tile_exists", {RValue(10000002.0)}), 0);
  EXPECT_EQ(TileScope::Ids(), (std::vector<int32_t>{10000001, 10000003}));  // order kept
  EXPECT_FALSE(ErrorOccurred());
  TileScope::R("tile_delete", {RValue(10000002.0)});
  EXPECT_EQ(WorldTest::LastMessage(), "Tile does not exist.");
  ResetErrorReporter();
  // A missing background adds nothing.
  EXPECT_EQ(TileScope::R("tile_add", {RValue(5.0), RValue(0.0), RValue(0.0), RValue(1.0), RValue(1.0), RValue(0.0),
                                      RValue(0.0), RValue(0.0)}),
            -1);
  EXPECT_EQ(WorldTest::LastMessage(), "Background does not exist.");
  EXPECT_EQ(Room_Current()->tiles.size(), 2u);
  ResetErrorReporter();
  s.TearDown();
}

void TileFindAndDeleteAt() {
  TileScope s;
  s.SetUp();
  // Box of a tile at (10, 20), 16 x 8: x from 10 to 26, y from 20 to 28.
  const double back = TileScope::Add(10, 20, 5);
  const double front = TileScope::Add(10, 20, -5);
  auto find = [](float x, float y, bool fg) {
    return TileScope::R("tile_find", {RValue(x), RValue(y), RValue(fg ? 1.0 : 0.0)});
  };
  EXPECT_EQ(find(10, 20, false), back);
  EXPECT_EQ(find(25.9f, 27.9f, false), back);
  EXPECT_EQ(find(26, 20, false), -1);  // the far edges are outside
  EXPECT_EQ(find(10, 28, false), -1);
  EXPECT_EQ(find(9.9f, 20, false), -1);
  EXPECT_EQ(find(12, 22, true), front);  // depth below 0 only
  // Scale widens the box: x scale 2 makes it 32 wide.
  TileScope::R("tile_set_scale", {RValue(back), RValue(2.0), RValue(1.0)});
  EXPECT_EQ(find(41, 20, false), back);
  // delete_at takes both edges: (42, 28) is on the far corner of the back tile only.
  TileScope::R("tile_delete_at", {RValue(42.0), RValue(28.0), RValue(0.0)});
  EXPECT_EQ(TileScope::Ids(), (std::vector<int32_t>{int32_t(front)}));
  // A tile at depth 0 goes with both the foreground and the background choice.
  const double zero1 = TileScope::Add(100, 100, 0);
  TileScope::R("tile_delete_at", {RValue(116.0), RValue(108.0), RValue(1.0)});
  EXPECT_EQ(TileScope::R("tile_exists", {RValue(zero1)}), 0);
  const double zero2 = TileScope::Add(100, 100, 0);
  EXPECT_EQ(find(100, 100, true), -1);  // find: foreground means below 0
  EXPECT_EQ(find(100, 100, false), zero2);
  TileScope::R("tile_delete_at", {RValue(100.0), RValue(100.0), RValue(0.0)});
  EXPECT_EQ(TileScope::R("tile_exists", {RValue(zero2)}), 0);
  EXPECT_EQ(TileScope::R("tile_exists", {RValue(front)}), 1);
  s.TearDown();
}

void TileLayers() {
  TileScope s;
  s.SetUp();
  const double a = TileScope::Add(0, 0, 10), b = TileScope::Add(50, 0, 10), c = TileScope::Add(0, 0, 20);
  TileScope::R("tile_layer_hide", {RValue(10.0)});
  EXPECT_EQ(TileScope::R("tile_get_visible", {RValue(a)}), 0);
  EXPECT_EQ(TileScope::R("tile_get_visible", {RValue(b)}), 0);
  EXPECT_EQ(TileScope::R("tile_get_visible", {RValue(c)}), 1);
  TileScope::R("tile_layer_show", {RValue(10.0)});
  EXPECT_EQ(TileScope::R("tile_get_visible", {RValue(a)}), 1);
  TileScope::R("tile_layer_shift", {RValue(10.0), RValue(5.0), RValue(-3.0)});
  EXPECT_EQ(TileScope::R("tile_get_x", {RValue(b)}), 55);
  EXPECT_EQ(TileScope::R("tile_get_y", {RValue(b)}), -3);
  EXPECT_EQ(TileScope::R("tile_get_x", {RValue(c)}), 0);
  // layer_find: only that depth, half-open box. Tile a is now at (5, -3) .. (21, 5).
  EXPECT_EQ(TileScope::R("tile_layer_find", {RValue(10.0), RValue(5.0), RValue(-3.0)}), a);
  EXPECT_EQ(TileScope::R("tile_layer_find", {RValue(10.0), RValue(21.0), RValue(0.0)}), -1);
  EXPECT_EQ(TileScope::R("tile_layer_find", {RValue(20.0), RValue(1.0), RValue(1.0)}), c);
  TileScope::R("tile_layer_delete_at", {RValue(10.0), RValue(20.0), RValue(4.0)});
  EXPECT_EQ(TileScope::Ids(), (std::vector<int32_t>{int32_t(b), int32_t(c)}));
  TileScope::R("tile_layer_depth", {RValue(20.0), RValue(10.0)});
  EXPECT_EQ(TileScope::R("tile_get_depth", {RValue(c)}), 10);
  TileScope::R("tile_layer_delete", {RValue(10.0)});
  EXPECT_TRUE(Room_Current()->tiles.empty());
  s.TearDown();
}

void TileFields() {
  TileScope s;
  s.SetUp();
  const double t = TileScope::Add(1, 2, 3);
  TileScope::R("tile_set_region", {RValue(t), RValue(4.0), RValue(5.0), RValue(6.0), RValue(7.0)});
  TileScope::R("tile_set_position", {RValue(t), RValue(8.5), RValue(9.0)});
  TileScope::R("tile_set_depth", {RValue(t), RValue(-4.0)});
  TileScope::R("tile_set_scale", {RValue(t), RValue(2.0), RValue(3.0)});
  TileScope::R("tile_set_blend", {RValue(t), RValue(255.0)});
  TileScope::R("tile_set_alpha", {RValue(t), RValue(0.5)});
  TileScope::R("tile_set_visible", {RValue(t), RValue(0.0)});
  TileScope::R("tile_set_background", {RValue(t), RValue(3.0)});
  const std::pair<const char*, double> want[] = {
      {"tile_get_left", 4},   {"tile_get_top", 5},    {"tile_get_width", 6},   {"tile_get_height", 7},
      {"tile_get_x", 8.5},    {"tile_get_y", 9},      {"tile_get_depth", -4},  {"tile_get_xscale", 2},
      {"tile_get_yscale", 3}, {"tile_get_blend", 255}, {"tile_get_alpha", 0.5}, {"tile_get_visible", 0},
      {"tile_get_background", 3}};
  for (const auto& [name, value] : want) EXPECT_EQ(TileScope::R(name, {RValue(t)}), value) << name;
  // A missing tile reads as -1 and ignores changes.
  EXPECT_EQ(TileScope::R("tile_get_x", {RValue(5.0)}), -1);
  TileScope::R("tile_set_depth", {RValue(5.0), RValue(1.0)});
  EXPECT_EQ(TileScope::R("tile_get_depth", {RValue(t)}), -4);
  EXPECT_FALSE(ErrorOccurred());
  s.TearDown();
}

TEST(FunctionTile, IdsAndDeletion) { TileIdsAndDeletion(); }
TEST(FunctionTile, FindAndDeleteAtBoxes) { TileFindAndDeleteAt(); }
TEST(FunctionTile, Layers) { TileLayers(); }
TEST(FunctionTile, Fields) { TileFields(); }

const RegisterExercise kTileIds({"tile_add", "tile_delete", "tile_exists"}, TileIdsAndDeletion);
const RegisterExercise kTileFind({"tile_find", "tile_delete_at"}, TileFindAndDeleteAt);
const RegisterExercise kTileLayers({"tile_layer_hide", "tile_layer_show", "tile_layer_delete", "tile_layer_shift",
                                    "tile_layer_find", "tile_layer_delete_at", "tile_layer_depth"},
                                   TileLayers);
const RegisterExercise kTileFields({"tile_get_x", "tile_get_y", "tile_get_left", "tile_get_top", "tile_get_width",
                                    "tile_get_height", "tile_get_depth", "tile_get_visible", "tile_get_xscale",
                                    "tile_get_yscale", "tile_get_blend", "tile_get_alpha", "tile_get_background",
                                    "tile_set_visible", "tile_set_background", "tile_set_region",
                                    "tile_set_position", "tile_set_depth", "tile_set_scale", "tile_set_blend",
                                    "tile_set_alpha"},
                                   TileFields);

}  // namespace
