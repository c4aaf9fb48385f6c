#include <gtest/gtest.h>

#include "Graphics/Graphics_Display.h"
#include "Graphics/Graphics_Matrix.h"
#include "Graphics/Graphics_RoomDraw.h"
#include "Room/Room_Class.h"

namespace {

TEST(Letterbox, KeepAspectFitsThePictureAndCentresIt) {
  // 640x480 in 1000x500: the picture is 500 high and 666.67 wide, centred horizontally.
  DisplayRect r = Display_Letterbox(640, 480, 1000, 500, true);
  EXPECT_NEAR(r.left, 166.6667f, 1e-3);
  EXPECT_NEAR(r.right, 833.3333f, 1e-3);
  EXPECT_FLOAT_EQ(r.top, 0);
  EXPECT_FLOAT_EQ(r.bottom, 500);
  // A tall window: full width, 640 x 480/640 = 480 high centred in 800.
  r = Display_Letterbox(640, 480, 640, 800, true);
  EXPECT_FLOAT_EQ(r.left, 0);
  EXPECT_FLOAT_EQ(r.right, 640);
  EXPECT_FLOAT_EQ(r.top, 160);
  EXPECT_FLOAT_EQ(r.bottom, 640);
  // Keep aspect off, or the same aspect: the whole window.
  r = Display_Letterbox(640, 480, 1000, 500, false);
  EXPECT_FLOAT_EQ(r.left, 0);
  EXPECT_FLOAT_EQ(r.right, 1000);
  r = Display_Letterbox(640, 480, 1280, 960, true);
  EXPECT_FLOAT_EQ(r.right, 1280);
  EXPECT_FLOAT_EQ(r.bottom, 960);
}

Vec3 Project(double x, double y, double w, double h, double angle, Vec3 p) {
  Matrix4 view, projection;
  Matrix_ViewCamera(x, y, w, h, angle, false, view, projection);
  return Matrix_TransformPoint(Matrix_Multiply(view, projection), p);
}

TEST(ViewCamera, MapsTheViewOntoClipSpaceWithYDown) {
  Vec3 c = Project(10, 20, 100, 50, 0, {10, 20, 0});
  EXPECT_NEAR(c.x, -1, 1e-5);
  EXPECT_NEAR(c.y, 1, 1e-5);  // the top of the view is the top of the picture
  c = Project(10, 20, 100, 50, 0, {110, 70, 0});
  EXPECT_NEAR(c.x, 1, 1e-5);
  EXPECT_NEAR(c.y, -1, 1e-5);
  EXPECT_GT(c.z, 0);
  EXPECT_LT(c.z, 1);
}

TEST(ViewCamera, APositiveAngleTurnsThePictureCounterClockwise) {
  // View 0,0,100,100 turned 90 degrees: what lies right of the centre shows above it, what lies
  // below the centre shows right of it.
  Vec3 c = Project(0, 0, 100, 100, 90, {100, 50, 0});
  EXPECT_NEAR(c.x, 0, 1e-5);
  EXPECT_NEAR(c.y, 1, 1e-5);
  c = Project(0, 0, 100, 100, 90, {50, 100, 0});
  EXPECT_NEAR(c.x, 1, 1e-5);
  EXPECT_NEAR(c.y, 0, 1e-5);
}

TEST(RoomDrawing, ViewAreaIsWidenedOnlyForTurnedViews) {
  CView v;
  v.xview = 100;
  v.yview = 50;
  v.wview = 200;
  v.hview = 101;
  v.angle = 0.0005f;
  DrawArea a = RoomDraw_ViewArea(v);
  EXPECT_FLOAT_EQ(a.left, 100);
  EXPECT_FLOAT_EQ(a.top, 50);
  EXPECT_FLOAT_EQ(a.right, 300);
  EXPECT_FLOAT_EQ(a.bottom, 151);
  v.angle = 45;
  a = RoomDraw_ViewArea(v);
  EXPECT_FLOAT_EQ(a.left, 100 - 50);   // half the height, whole part
  EXPECT_FLOAT_EQ(a.top, 50 - 100);    // half the width
  EXPECT_FLOAT_EQ(a.right, 300 + 50);
  EXPECT_FLOAT_EQ(a.bottom, 151 + 100);
  v.angle = -30;
  EXPECT_FLOAT_EQ(RoomDraw_ViewArea(v).left, 50);
}

TEST(RoomDrawing, TilesSortByDepthHighestFirstKeepingEqualOnesInOrder) {
  std::vector<CTile> tiles(6);
  const float depths[] = {5, 10, 5, -3, 10, 7};
  for (int i = 0; i < 6; ++i) {
    tiles[i].depth = depths[i];
    tiles[i].id = i;
  }
  RoomDraw_SortTiles(tiles);
  const int order[] = {1, 4, 5, 0, 2, 3};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(tiles[i].id, order[i]) << i;
}

TEST(RoomDrawing, ATileIsDrawnOnlyWhenItsBoxOverlapsTheArea) {
  CTile t;
  t.x = 90;
  t.y = 10;
  t.width = 16;
  t.height = 16;
  const DrawArea area{0, 0, 100, 100};
  EXPECT_TRUE(RoomDraw_TileVisible(t, area));
  t.x = 100;  // touches the right edge only
  EXPECT_FALSE(RoomDraw_TileVisible(t, area));
  t.x = 110;
  t.xscale = -2;  // mirrored: spans 78..110
  EXPECT_TRUE(RoomDraw_TileVisible(t, area));
  t.xscale = 1;
  t.x = 0;
  t.y = -16;
  EXPECT_FALSE(RoomDraw_TileVisible(t, area));
}

}  // namespace
