// Paths: straight and smooth polylines, positions along them, editing, following a path with each
// end action, and the path functions' errors.
#include <cmath>

#include "Collision/CollisionTestSupport.h"
#include "Path/Path_Class.h"
#include "Path/Path_Main.h"

namespace {

CPath MakePath(std::vector<PathPoint> points, int kind, bool closed, int precision = 4) {
  CPath p;
  p.SetKind(kind);
  p.SetClosed(closed);
  p.SetPrecision(precision);
  p.SetPoints(std::move(points));
  return p;
}

void ExpectInternal(const CPath& p, const std::vector<std::pair<float, float>>& expected) {
  ASSERT_EQ(p.Internal().size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_FLOAT_EQ(p.Internal()[i].x, expected[i].first) << i;
    EXPECT_FLOAT_EQ(p.Internal()[i].y, expected[i].second) << i;
  }
}

TEST(PathShape, StraightClosedAndOpen) {
  CPath p = MakePath({{0, 0, 100}, {100, 0, 100}, {100, 100, 100}}, 0, true);
  ExpectInternal(p, {{0, 0}, {100, 0}, {100, 100}, {0, 0}});
  EXPECT_NEAR(p.Length(), 200 + 100 * std::sqrt(2.0), 1e-3);
  p.SetClosed(false);
  EXPECT_FLOAT_EQ(p.Length(), 200);
  // Positions: before the start, a quarter (50 along), the middle of the second leg, past the end.
  EXPECT_EQ(p.At(-0.5).x, 0);
  EXPECT_FLOAT_EQ(p.At(0.25).x, 50);
  EXPECT_FLOAT_EQ(p.At(0.75).y, 50);
  EXPECT_EQ(p.At(2).y, 100);
  EXPECT_EQ(p.At(std::nan("")).x, 0);
  // An empty path is (0, 0, 100) everywhere, with length 0.
  CPath empty;
  EXPECT_EQ(empty.Length(), 0);
  EXPECT_EQ(empty.At(0.5).speed, 100);
}

TEST(PathShape, SmoothCurvesThroughTheMidpoints) {
  // Two points: the same as straight.
  CPath two = MakePath({{0, 0, 100}, {30, 40, 100}}, 1, false);
  ExpectInternal(two, {{0, 0}, {30, 40}});
  EXPECT_FLOAT_EQ(two.Length(), 50);
  // (0,0) (8,0) (8,8), precision 1: the corner's curve runs (4,0) (8,0) (8,4); its midpoint
  // (4 + 16 + 8, 0 + 0 + 4) / 4 = (7, 1); the control and end are 4 apart, so it stops there.
  CPath small = MakePath({{0, 0, 100}, {8, 0, 100}, {8, 8, 100}}, 1, false, 1);
  ExpectInternal(small, {{0, 0}, {7, 1}, {8, 8}});
  EXPECT_NEAR(small.Length(), 2 * std::sqrt(50.0), 1e-4);
  // Precision 0 keeps only the points outside the subdivision.
  small.SetPrecision(0);
  ExpectInternal(small, {{0, 0}, {8, 8}});
  // (0,0) (40,0) (40,40), precision 2: curve (20,0) (40,0) (40,20). Midpoint (35,5), with the left
  // half (20,0) (30,0) (35,5) split once at (28.75, 1.25) first; then the right half (35,5) (40,10)
  // (40,20) gives (38.75, 11.25) and the depth is spent.
  CPath big = MakePath({{0, 0, 100}, {40, 0, 100}, {40, 40, 100}}, 1, false, 2);
  ExpectInternal(big, {{0, 0}, {28.75f, 1.25f}, {35, 5}, {38.75f, 11.25f}, {40, 40}});
  // Closed: every corner is curved and the first internal point closes the loop.
  CPath loop = MakePath({{0, 0, 100}, {8, 0, 100}, {8, 8, 100}}, 1, true, 1);
  ASSERT_EQ(loop.Internal().size(), 4u);
  EXPECT_FLOAT_EQ(loop.Internal()[3].x, loop.Internal()[0].x);
  // Precision is kept in 0..8.
  loop.SetPrecision(20);
  EXPECT_EQ(loop.Precision(), 8);
}

TEST(PathShape, Editing) {
  CPath p = MakePath({{0, 0, 100}, {10, 0, 100}}, 0, false);
  p.Rotate(90);  // about (5, 0): (0,0) goes to (5,5), (10,0) to (5,-5)
  EXPECT_NEAR(p.Points()[0].x, 5, 1e-4);
  EXPECT_NEAR(p.Points()[0].y, 5, 1e-4);
  EXPECT_NEAR(p.Points()[1].y, -5, 1e-4);
  CPath m = MakePath({{0, 0, 100}, {10, 0, 100}, {4, 2, 100}}, 0, false);
  m.Mirror();  // about x 5
  EXPECT_EQ(m.Points()[0].x, 10);
  EXPECT_EQ(m.Points()[2].x, 6);
  m.Flip();  // about y 1
  EXPECT_EQ(m.Points()[2].y, 0);
  m.Scale(2, 1);  // about x 5: 10 -> 15
  EXPECT_EQ(m.Points()[0].x, 15);
  m.Insert(3, 1, 1, 50);
  m.Insert(9, 1, 1, 50);  // ignored
  EXPECT_EQ(m.Points().size(), 4u);
  m.Delete(0);
  m.Reverse();
  EXPECT_EQ(m.Points()[0].speed, 50);
  m.Append(m);
  EXPECT_EQ(m.Points().size(), 6u);
  m.Shift(1, 2);
  EXPECT_EQ(m.Points()[0].x, 2);
  m.Clear();
  EXPECT_EQ(m.Length(), 0);
}

class PathFollowTest : public CollisionWorldTest {
 protected:
  void SetUp() override {
    CollisionWorldTest::SetUp();
    Path_FreeAll();
    AddObject(0, "walker");
    On(0, EV_OTHER, EV_END_OF_PATH, "global.ends += 1;");
    SetGlobal("ends", RValue(0.0));
    Event_BuildLists();
    line = Path_Add();
    Path_Get(line)->SetClosed(false);
    Path_Get(line)->SetPoints({{0, 0, 100}, {128, 0, 100}});
    walker = World_CreateInstance(10, 20, 0);
  }
  void TearDown() override {
    Path_FreeAll();
    CollisionWorldTest::TearDown();
  }
  void Steps(int n) {
    for (int k = 0; k < n; ++k) World_MotionStep();
  }
  int32_t line = -1;
  CInstance* walker = nullptr;
};

TEST_F(PathFollowTest, StopAtTheEnd) {
  Call("path_start", walker, {RValue(double(line)), RValue(16.0), RValue(0.0), RValue(0.0)});
  Steps(1);
  EXPECT_FLOAT_EQ(walker->path_position, 0.125f);
  EXPECT_FLOAT_EQ(walker->x, 26);
  EXPECT_EQ(walker->speed, 0);
  Steps(7);
  EXPECT_EQ(walker->path_index, -1);
  EXPECT_FLOAT_EQ(walker->x, 138);
  EXPECT_FLOAT_EQ(walker->y, 20);
  EXPECT_EQ(walker->speed, 0);
  EXPECT_EQ(walker->direction, 0);
  EXPECT_EQ(GlobalReal("ends"), 1);
  Steps(2);
  EXPECT_FLOAT_EQ(walker->x, 138);
  EXPECT_EQ(GlobalReal("ends"), 1);
}

TEST_F(PathFollowTest, PointSpeedAndScale) {
  Path_Get(line)->SetPoints({{0, 0, 50}, {128, 0, 50}});
  Path_Start(walker, line, 16, 2, 0, true, 0);
  Steps(1);
  // Half speed at the points and scale 2: a quarter of the advance, the same 4 pixels on screen
  // as half the advance at scale 1.
  EXPECT_FLOAT_EQ(walker->path_position, 0.03125f);
  EXPECT_FLOAT_EQ(walker->x, 18);
  // Absolute start: the instance goes to the path's first point.
  Call("path_start", walker, {RValue(double(line)), RValue(16.0), RValue(0.0), RValue(1.0)});
  EXPECT_EQ(walker->x, 0);
  EXPECT_EQ(walker->y, 0);
  // A path that does not exist, or has no length, is not followed.
  Path_Start(walker, 42, 16, 1, 0, true, 0);
  EXPECT_EQ(walker->path_index, -1);
  Path_Start(walker, Path_Add(), 16, 1, 0, true, 0);
  EXPECT_EQ(walker->path_index, -1);
}

TEST_F(PathFollowTest, RestartContinueAndReverse) {
  Path_Start(walker, line, 16, 1, 0, true, 1);
  Steps(8);
  EXPECT_FLOAT_EQ(walker->x, 10);  // position 1 - 1 = 0: back at the start
  EXPECT_EQ(walker->path_index, line);
  EXPECT_EQ(GlobalReal("ends"), 1);
  walker->SetPosition(10, 20);
  Path_Start(walker, line, 16, 1, 0, true, 2);
  Steps(8);
  EXPECT_FLOAT_EQ(walker->x, 138);  // the origin moved on by the path's span
  Steps(1);
  EXPECT_FLOAT_EQ(walker->x, 154);
  walker->SetPosition(10, 20);
  Path_Start(walker, line, 16, 1, 0, true, 3);
  Steps(8);
  EXPECT_FLOAT_EQ(walker->x, 138);
  EXPECT_EQ(walker->path_speed, -16);
  Steps(1);
  EXPECT_FLOAT_EQ(walker->x, 122);
  Steps(7);
  EXPECT_FLOAT_EQ(walker->x, 10);
  EXPECT_EQ(walker->path_speed, 16);
}

TEST_F(PathFollowTest, ClosedPathAndOrientation) {
  CPath* square = Path_Get(Path_Add());
  square->SetPoints({{0, 0, 100}, {100, 0, 100}, {100, 100, 100}, {0, 100, 100}});  // closed: 400 long
  const int32_t index = Path_Count() - 1;
  Path_Start(walker, index, 100, 1, 90, true, 1);
  // One step is a quarter: (100, 0) turned by 90 degrees is (0, -100) on screen.
  Steps(1);
  EXPECT_NEAR(walker->x, 10, 1e-3);
  EXPECT_NEAR(walker->y, -80, 1e-3);
  Steps(3);
  EXPECT_NEAR(walker->x, 10, 1e-3);
  EXPECT_NEAR(walker->y, 20, 1e-3);
  EXPECT_EQ(GlobalReal("ends"), 1);
}

TEST_F(PathFollowTest, FunctionsAndTheirErrors) {
  auto call = [&](const char* name, std::vector<double> args) {
    std::vector<RValue> values;
    for (double a : args) values.push_back(RValue(a));
    return Call(name, walker, values);
  };
  const int32_t p = int32_t(call("path_add", {}).real);
  EXPECT_EQ(std::string(call("path_get_name", {double(p)}).Str()), "__newpath" + std::to_string(p));
  EXPECT_EQ(std::string(call("path_get_name", {99}).Str()), "<undefined>");
  call("path_add_point", {double(p), 0, 0, 100});
  call("path_add_point", {double(p), 10, 0, 100});
  call("path_insert_point", {double(p), 1, 5, 5, 80});
  EXPECT_EQ(call("path_get_number", {double(p)}).real, 3);
  EXPECT_EQ(call("path_get_point_speed", {double(p), 1}).real, 80);
  EXPECT_EQ(call("path_get_point_speed", {double(p), 99}).real, 1);
  EXPECT_EQ(call("path_get_point_x", {double(p), 99}).real, 0);
  EXPECT_EQ(call("path_get_x", {99, 0.5}).real, -1);
  call("path_set_precision", {double(p), 20});
  EXPECT_EQ(call("path_get_precision", {double(p)}).real, 8);
  call("path_set_kind", {double(p), 7});
  EXPECT_EQ(call("path_get_kind", {double(p)}).real, 0);
  call("path_set_closed", {double(p), 0});
  EXPECT_EQ(call("path_get_closed", {double(p)}).real, 0);
  call("path_duplicate", {99});
  EXPECT_EQ(LastMessage(), "Trying to duplicate non-existing path.");
  call("path_delete", {99});
  EXPECT_EQ(LastMessage(), "Trying to delete non-existing path.");
  call("path_append", {99, double(p)});
  EXPECT_EQ(LastMessage(), "Appending to non-existing path.");
  call("path_append", {double(p), 99});
  EXPECT_EQ(LastMessage(), "Appending a non-existing path.");
  call("path_assign", {double(p), double(p)});
  EXPECT_EQ(LastMessage(), "Error assigning a path.");
  const int32_t copy = int32_t(call("path_duplicate", {double(p)}).real);
  EXPECT_EQ(call("path_get_number", {double(copy)}).real, 3);
  call("path_delete", {double(copy)});
  EXPECT_EQ(call("path_exists", {double(copy)}).real, 0);
  // An empty slot of the table is filled by path_assign.
  EXPECT_EQ(call("path_assign", {double(copy), double(line)}).real, 1);
  EXPECT_EQ(call("path_get_length", {double(copy)}).real, 128);
}

}  // namespace
