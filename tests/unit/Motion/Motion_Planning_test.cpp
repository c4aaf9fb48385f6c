// Planning: the grid search round a wall (cells worked out by hand), the corner rule, grid edits
// and instances, straight steps stopping at obstacles, steered steps and planned paths.
#include <cmath>

#include "Collision/CollisionTestSupport.h"
#include "Motion/Motion_Grid.h"
#include "Motion/Motion_Planning.h"
#include "Path/Path_Class.h"
#include "Path/Path_Main.h"

namespace {

class PlanningTest : public CollisionWorldTest {
 protected:
  void SetUp() override {
    CollisionWorldTest::SetUp();
    Path_FreeAll();
    Grid_FreeAll();
    Planning_Settings() = PotentialSettings();
    spr = AddSprite(10, 10);
    AddSpriteObject(0, "wall", spr, true);
    AddSpriteObject(1, "mover", spr);
    self = World_CreateInstance(0, 0, 1);
  }
  void TearDown() override {
    Path_FreeAll();
    Grid_FreeAll();
    CollisionWorldTest::TearDown();
  }
  RValue Run(const char* name, std::vector<double> args) {
    std::vector<RValue> values;
    for (double a : args) values.push_back(RValue(a));
    return Call(name, self, values);
  }
  static std::vector<std::pair<float, float>> PointsOf(int32_t path) {
    std::vector<std::pair<float, float>> out;
    for (const PathPoint& p : Path_Get(path)->Points()) out.push_back({p.x, p.y});
    return out;
  }
  int32_t spr = -1;
  CInstance* self = nullptr;
};

TEST_F(PlanningTest, GridPathRoundAWall) {
  // 5 x 5 cells of 10 x 10; column 2 is forbidden on rows 0..3, so the way leads down to row 4.
  const double g = Run("mp_grid_create", {0, 0, 5, 5, 10, 10}).real;
  EXPECT_EQ(g, 0);
  Run("mp_grid_add_rectangle", {g, 20, 0, 29, 39});
  const int32_t path = Path_Add();
  EXPECT_EQ(Run("mp_grid_path", {g, double(path), 5, 5, 45, 5, 0}).real, 1);
  const std::vector<std::pair<float, float>> expected = {
      {5, 5},   {5, 15},  {5, 25},  {5, 35},  {5, 45},  {15, 45}, {25, 45},
      {35, 45}, {35, 35}, {35, 25}, {35, 15}, {35, 5},  {45, 5}};
  EXPECT_EQ(PointsOf(path), expected);
  EXPECT_FALSE(Path_Get(path)->Closed());
  // The search marks are gone: the same search again gives the same path.
  EXPECT_EQ(Run("mp_grid_path", {g, double(path), 5, 5, 45, 5, 0}).real, 1);
  EXPECT_EQ(PointsOf(path), expected);
  CGrid* grid = Grid_Get(int32_t(g));
  for (int32_t c : grid->cells) EXPECT_LE(c, 0);
  // Start and goal in one cell: two points.
  EXPECT_EQ(Run("mp_grid_path", {g, double(path), 1, 1, 8, 8, 1}).real, 1);
  EXPECT_EQ(PointsOf(path), (std::vector<std::pair<float, float>>{{1, 1}, {8, 8}}));
  // A forbidden goal, a start outside the grid, no way at all: false, cells untouched.
  const std::vector<int32_t> before = grid->cells;
  EXPECT_EQ(Run("mp_grid_path", {g, double(path), 5, 5, 25, 5, 0}).real, 0);
  EXPECT_EQ(Run("mp_grid_path", {g, double(path), -5, 5, 45, 5, 0}).real, 0);
  EXPECT_EQ(Run("mp_grid_path", {g, double(path), 5, 5, 50, 5, 0}).real, 0);
  Run("mp_grid_add_cell", {g, 2, 4});
  EXPECT_EQ(Run("mp_grid_path", {g, double(path), 5, 5, 45, 5, 1}).real, 0);
  Run("mp_grid_clear_cell", {g, 2, 4});
  EXPECT_EQ(grid->cells, before);
  // A missing path is reported.
  EXPECT_EQ(Run("mp_grid_path", {g, 99, 5, 5, 45, 5, 0}).real, 0);
  EXPECT_EQ(LastMessage(), "Trying to assign to a non-existing path.");
}

TEST_F(PlanningTest, DiagonalsNeverCutACorner) {
  // 6 x 6 cells of 10; a few forbidden cells whose corners a diagonal could cut.
  const double g = Run("mp_grid_create", {0, 0, 6, 6, 10, 10}).real;
  for (auto [h, v] : std::vector<std::pair<int, int>>{{1, 1}, {2, 3}, {3, 1}, {4, 4}, {1, 4}}) {
    Run("mp_grid_add_cell", {g, double(h), double(v)});
  }
  CGrid* grid = Grid_Get(int32_t(g));
  const int32_t path = Path_Add();
  for (int goal = 0; goal < 36; ++goal) {
    const int gi = goal / 6, gj = goal % 6;
    if (grid->Cell(gi, gj) == -1) continue;
    ASSERT_EQ(Run("mp_grid_path", {g, double(path), 5, 5, gi * 10.0 + 5, gj * 10.0 + 5, 1}).real, 1);
    const std::vector<PathPoint>& pts = Path_Get(path)->Points();
    for (size_t k = 1; k < pts.size(); ++k) {
      const int i0 = int(pts[k - 1].x) / 10, j0 = int(pts[k - 1].y) / 10;
      const int i1 = int(pts[k].x) / 10, j1 = int(pts[k].y) / 10;
      EXPECT_LE(std::abs(i1 - i0) + std::abs(j1 - j0), 2);
      if (i0 != i1 && j0 != j1) {
        EXPECT_NE(grid->Cell(i1, j0), -1) << "goal " << gi << "," << gj;
        EXPECT_NE(grid->Cell(i0, j1), -1) << "goal " << gi << "," << gj;
      }
    }
  }
  // With diagonals the open way from (0,0) to (5,5) takes fewer cells than without.
  Run("mp_grid_path", {g, double(path), 5, 5, 55, 55, 1});
  const size_t diagonal = Path_Get(path)->Points().size();
  Run("mp_grid_path", {g, double(path), 5, 5, 55, 55, 0});
  EXPECT_LT(diagonal, Path_Get(path)->Points().size());
}

TEST_F(PlanningTest, GridEditsAndInstances) {
  EXPECT_EQ(Run("mp_grid_create", {0, 0, 0, 5, 10, 10}).real, -1);
  EXPECT_NE(LastMessage().find("mp_grid_create"), std::string::npos);
  EXPECT_EQ(Run("mp_grid_create", {0, 0, 1e6, 1e6, 10, 10}).real, -1);
  const double g = Run("mp_grid_create", {100, 0, 4, 4, 10, 10}).real;
  CGrid* grid = Grid_Get(int32_t(g));
  // Columns from (95 - 100) / 10 = 0 (truncated) to (125 - 100) / 10 = 2.
  Run("mp_grid_add_rectangle", {g, 125, 5, 95, 5});
  EXPECT_EQ(grid->Cell(0, 0), -1);
  EXPECT_EQ(grid->Cell(2, 0), -1);
  EXPECT_EQ(grid->Cell(3, 0), 0);
  EXPECT_EQ(grid->Cell(0, 1), 0);
  Run("mp_grid_clear_rectangle", {g, 0, 0, 1000, 1000});
  EXPECT_EQ(grid->Cell(0, 0), 0);
  Run("mp_grid_add_rectangle", {g, 1e300, std::nan(""), 0, 0});  // nothing, no crash
  // An instance with a 20 x 20 precise sprite solid only at its top-left pixel, at (100, 0).
  const int32_t dot = AddSprite(20, 20, 0, 0, true, {"#"});
  AddSpriteObject(2, "dot", dot);
  World_CreateInstance(100, 0, 2);
  Run("mp_grid_add_instances", {g, 2, 1});
  EXPECT_EQ(grid->Cell(0, 0), -1);
  EXPECT_EQ(grid->Cell(1, 0), 0);
  EXPECT_EQ(grid->Cell(1, 1), 0);
  Run("mp_grid_add_instances", {g, 2, 0});
  EXPECT_EQ(grid->Cell(1, 1), -1);
  EXPECT_EQ(grid->Cell(2, 2), 0);
  Run("mp_grid_clear_all", {g});
  EXPECT_EQ(grid->Cell(0, 0), 0);
  Run("mp_grid_destroy", {g});
  EXPECT_EQ(Grid_Get(int32_t(g)), nullptr);
  EXPECT_EQ(Run("mp_grid_create", {0, 0, 1, 1, 1, 1}).real, g);  // the empty slot is reused
}

TEST_F(PlanningTest, LinearStepsStopAtObstacles) {
  World_CreateInstance(50, 0, 0);  // wall box 50..59
  // The goal 3 pixels away with step 5: reached.
  self->SetPosition(0, 20);
  EXPECT_EQ(Run("mp_linear_step", {3, 20, 5, 0}).real, 1);
  EXPECT_EQ(self->x, 3);
  // Towards the wall, 4 pixels a step: 40 is the last free place (box 40..49).
  self->SetPosition(0, 0);
  for (int n = 0; n < 20; ++n) EXPECT_EQ(Run("mp_linear_step", {100, 0, 4, 0}).real, 0);
  EXPECT_EQ(self->x, 40);
  EXPECT_EQ(self->direction, 0);
  // The goal itself occupied and within reach: true without moving.
  self->SetPosition(42, 0);
  EXPECT_EQ(Run("mp_linear_step", {45, 0, 5, 0}).real, 1);
  EXPECT_EQ(self->x, 42);
  // Against a named object the non-solid one is avoided too; a NaN goal does nothing.
  EXPECT_EQ(Run("mp_linear_step_object", {45, 0, 5, 0}).real, 1);
  EXPECT_EQ(self->x, 42);
  EXPECT_EQ(Run("mp_linear_step", {std::nan(""), 0, 5, 0}).real, 0);
  EXPECT_EQ(self->x, 42);
}

TEST_F(PlanningTest, PotentialStepsAndSettings) {
  Run("mp_potential_settings", {0, 0, 0, 0});
  EXPECT_EQ(Planning_Settings().maxRotation, 1);
  EXPECT_EQ(Planning_Settings().rotationStep, 1);
  EXPECT_EQ(Planning_Settings().ahead, 1);
  EXPECT_FALSE(Planning_Settings().onSpot);
  Run("mp_potential_settings", {30, 10, 3, 1});
  // Open space: straight towards the goal.
  self->SetPosition(0, 100);
  EXPECT_EQ(Run("mp_potential_step", {100, 100, 4, 0}).real, 0);
  EXPECT_EQ(self->x, 4);
  EXPECT_EQ(self->y, 100);
  // A wall straight ahead within the look-ahead of 12: turns of 10 and 20 either way still reach it
  // (the box's right edge R(9 + 12 cos 20) = 20); g - 30 = 330 is the first free try, within the
  // maximum rotation of 30.
  World_CreateInstance(20, 100, 0);  // box 20..29 x 100..109
  self->SetPosition(0, 100);
  self->SetDirection(0);
  EXPECT_EQ(Run("mp_potential_step", {100, 100, 4, 0}).real, 0);
  const float r = 330 * 3.1415927f / 180;
  EXPECT_EQ(self->direction, 330);
  EXPECT_FLOAT_EQ(self->x, 4 * std::cos(r));
  EXPECT_FLOAT_EQ(self->y, 100 - 4 * std::sin(r));
  // Paths: factor below 1 fails at once; round the wall the goal is found and self is put back.
  const int32_t path = Path_Add();
  EXPECT_EQ(Run("mp_potential_path", {double(path), 100, 100, 4, 0.5, 0}).real, 0);
  self->SetPosition(0, 100);
  self->SetDirection(0);
  EXPECT_EQ(Run("mp_potential_path", {double(path), 100, 100, 4, 4, 0}).real, 1);
  EXPECT_EQ(self->x, 0);
  EXPECT_EQ(self->direction, 0);
  const PathPoint last = Path_Get(path)->Points().back();
  EXPECT_EQ(last.x, 100);
  EXPECT_EQ(last.y, 100);
  // Walled in on every side without turning on the spot: the search ends, false.
  Run("mp_potential_settings", {30, 10, 3, 0});
  for (auto [x, y] : std::vector<std::pair<float, float>>{{300, 290}, {300, 310}, {290, 300}, {310, 300}}) {
    World_CreateInstance(x, y, 0);
  }
  self->SetPosition(300, 300);
  EXPECT_EQ(Run("mp_potential_path_object", {double(path), 500, 300, 4, 4, 0}).real, 0);
  EXPECT_EQ(self->x, 300);
}

TEST_F(PlanningTest, LinearPaths) {
  const int32_t path = Path_Add();
  self->SetPosition(0, 0);
  EXPECT_EQ(Run("mp_linear_path", {double(path), 20, 0, 5, 0}).real, 1);
  EXPECT_EQ(PointsOf(path), (std::vector<std::pair<float, float>>{{0, 0}, {5, 0}, {10, 0}, {15, 0}, {20, 0}}));
  EXPECT_EQ(self->x, 0);
  World_CreateInstance(50, 0, 0);
  EXPECT_EQ(Run("mp_linear_path_object", {double(path), 100, 0, 8, 0}).real, 0);
  EXPECT_EQ(PointsOf(path),
            (std::vector<std::pair<float, float>>{{0, 0}, {8, 0}, {16, 0}, {24, 0}, {32, 0}, {40, 0}}));
  EXPECT_EQ(Run("mp_linear_path", {double(path), 100, 0, 0, 0}).real, 0);  // step 0
  EXPECT_EQ(Run("mp_linear_path", {99, 100, 0, 5, 0}).real, 0);
  EXPECT_EQ(LastMessage(), "Trying to assign to a non-existing path.");
}

}  // namespace
