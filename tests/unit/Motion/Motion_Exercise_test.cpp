// Exercise of the planning functions for the implemented-set check.
#include "Collision/CollisionTestSupport.h"
#include "Function/Function_Exercise.h"
#include "Graphics/Graphics_Batch.h"
#include "Motion/Motion_Grid.h"
#include "Motion/Motion_Planning.h"
#include "Path/Path_Class.h"
#include "Path/Path_Main.h"

namespace {

struct PlanningExercise : CollisionWorldTest {
  void TestBody() override {}
};

void ExercisePlanning() {
  PlanningExercise w;
  w.SetUp();
  Path_FreeAll();
  Grid_FreeAll();
  Planning_Settings() = PotentialSettings();
  const int32_t spr = CollisionWorldTest::AddSprite(10, 10);
  w.AddSpriteObject(0, "wall", spr, true);
  w.AddSpriteObject(1, "mover", spr);
  CInstance* wall = World_CreateInstance(50, 0, 0);
  CInstance* self = World_CreateInstance(0, 0, 1);
  auto call = [&](const char* name, std::vector<double> args) {
    std::vector<RValue> values;
    for (double a : args) values.push_back(RValue(a));
    return WorldTest::Call(name, self, values).real;
  };
  EXPECT_EQ(call("mp_linear_step", {2, 0, 5, 0}), 1);
  EXPECT_EQ(self->x, 2);
  EXPECT_EQ(call("mp_linear_step_object", {10, 0, 5, 0}), 0);
  EXPECT_EQ(self->x, 7);
  self->SetDirection(270);
  EXPECT_EQ(call("mp_potential_step", {7, 20, 5, 0}), 0);
  EXPECT_EQ(self->y, 5);
  EXPECT_EQ(call("mp_potential_step_object", {7, 0, 5, 0}), 1);
  EXPECT_EQ(self->y, 0);
  EXPECT_EQ(call("action_linear_step", {10, 0, 3, 0}), 1);
  EXPECT_EQ(self->x, 10);
  EXPECT_EQ(call("action_potential_step", {10, 3, 4, 1}), 1);
  EXPECT_EQ(self->y, 3);
  call("mp_potential_settings", {45, 5, 2, 1});
  EXPECT_EQ(Planning_Settings().maxRotation, 45);
  const double path = Path_Add();
  EXPECT_EQ(call("mp_linear_path", {path, 30, 3, 10, 0}), 1);
  EXPECT_EQ(call("mp_linear_path_object", {path, 100, 3, 10, 0}), 0);
  EXPECT_EQ(call("mp_potential_path", {path, 30, 3, 10, 2, 0}), 1);
  EXPECT_EQ(call("mp_potential_path_object", {path, 30, 3, 10, 0.5, 0}), 0);
  const double g = call("mp_grid_create", {0, 0, 10, 10, 10, 10});
  call("mp_grid_add_instances", {g, -3, 0});  // the wall's cell (5, 0) and the mover's (1, 0)
  EXPECT_EQ(Grid_Get(int32_t(g))->Cell(5, 0), -1);
  call("mp_grid_clear_cell", {g, 1, 0});
  call("mp_grid_add_cell", {g, 5, 1});
  call("mp_grid_add_rectangle", {g, 50, 20, 59, 30});
  call("mp_grid_clear_rectangle", {g, 50, 30, 59, 39});
  EXPECT_EQ(Grid_Get(int32_t(g))->Cell(5, 3), 0);
  EXPECT_EQ(call("mp_grid_path", {g, path, 15, 5, 95, 5, 0}), 1);
  EXPECT_EQ(Path_Get(int32_t(path))->Points().back().x, 95);
  // mp_grid_draw: 100 filled rectangles of two triangles; cell (5, 0) red, (0, 0) green.
  Batch_Reset();
  call("mp_grid_draw", {g});
  ASSERT_EQ(Batch_PendingCount(), 600);
  const auto* v = static_cast<const VertexTextured*>(Batch_PendingVertices());
  EXPECT_EQ(v[0].colour, 0xFF008000u);
  EXPECT_EQ(v[6 * 50].colour, 0xFFFF0000u);
  Batch_Reset();
  call("mp_grid_clear_all", {g});
  EXPECT_EQ(Grid_Get(int32_t(g))->Cell(5, 0), 0);
  call("mp_grid_destroy", {g});
  EXPECT_EQ(Grid_Get(int32_t(g)), nullptr);
  (void)wall;
  Path_FreeAll();
  Grid_FreeAll();
  w.TearDown();
}

const RegisterExercise kPlanning(
    {"mp_linear_step", "mp_linear_step_object", "mp_potential_step", "mp_potential_step_object",
     "action_linear_step", "action_potential_step", "mp_potential_settings", "mp_linear_path",
     "mp_linear_path_object", "mp_potential_path", "mp_potential_path_object", "mp_grid_create",
     "mp_grid_destroy", "mp_grid_clear_all", "mp_grid_clear_cell", "mp_grid_add_cell", "mp_grid_clear_rectangle",
     "mp_grid_add_rectangle", "mp_grid_add_instances", "mp_grid_path", "mp_grid_draw"},
    ExercisePlanning);

}  // namespace
