// Exercise of the path functions for the implemented-set check.
#include "Collision/CollisionTestSupport.h"
#include "Function/Function_Exercise.h"
#include "Graphics/Graphics_Batch.h"
#include "Path/Path_Main.h"

namespace {

struct PathExercise : CollisionWorldTest {
  void TestBody() override {}
};

void ExercisePaths() {
  PathExercise w;
  w.SetUp();
  Path_FreeAll();
  w.AddObject(0, "o");
  CInstance* self = World_CreateInstance(0, 0, 0);
  auto call = [&](const char* name, std::vector<double> args) {
    std::vector<RValue> values;
    for (double a : args) values.push_back(RValue(a));
    return WorldTest::Call(name, self, values).real;
  };
  auto LastMessage = [] { return WorldTest::LastMessage();
  };
  const double p = call("path_add", {});
  EXPECT_EQ(std::string(WorldTest::Call("path_name", self, {RValue(p)}).Str()), "__newpath0");
  call("path_set_closed", {p, 0});
  call("path_add_point", {p, 0, 0, 100});
  call("path_add_point", {p, 100, 0, 100});
  call("path_add_point", {p, 100, 50, 60});
  call("path_change_point", {p, 2, 100, 100, 50});
  EXPECT_EQ(call("path_get_point_y", {p, 2}), 100);
  EXPECT_EQ(call("path_get_y", {p, 1}), 100);
  EXPECT_EQ(call("path_get_speed", {p, 1}), 50);
  EXPECT_EQ(call("path_get_length", {p}), 200);
  call("path_delete_point", {p, 2});
  EXPECT_EQ(call("path_get_number", {p}), 2);
  call("path_reverse", {p});
  EXPECT_EQ(call("path_get_point_x", {p, 0}), 100);
  call("path_mirror", {p});  // about x 50
  EXPECT_EQ(call("path_get_point_x", {p, 0}), 0);
  call("path_flip", {p});
  EXPECT_EQ(call("path_get_point_y", {p, 0}), 0);
  call("path_shift", {p, 10, 0});
  EXPECT_EQ(call("path_get_point_x", {p, 0}), 10);
  call("path_scale", {p, 2, 1});  // about x 60: 10 -> -40
  EXPECT_EQ(call("path_get_point_x", {p, 0}), -40);
  call("path_rotate", {p, 180});  // about (60, 0)
  EXPECT_NEAR(call("path_get_point_x", {p, 0}), 160, 1e-3);
  call("action_path", {p, 4, 0, 0});
  EXPECT_EQ(self->path_index, 0);
  call("action_path_position", {0.5});
  EXPECT_EQ(self->path_position, 0.5);
  call("action_path_speed", {8});
  EXPECT_EQ(self->path_speed, 8);
  call("action_path_end", {});
  EXPECT_EQ(self->path_index, -1);
  call("path_start", {p, 4, 0, 1});
  EXPECT_NEAR(self->x, 160, 1e-3);
  call("path_end", {});
  EXPECT_EQ(self->path_index, -1);
  // draw_path: a path 200 long is 50 segments, 51 vertices, moved to start at (5, 6).
  Batch_Reset();
  const double drawn = call("path_add", {});
  call("path_set_closed", {drawn, 0});
  call("path_add_point", {drawn, 0, 0, 100});
  call("path_add_point", {drawn, 200, 0, 100});
  call("draw_path", {drawn, 5, 6, 0});
  ASSERT_EQ(Batch_PendingCount(), 51);
  const auto* v = static_cast<const VertexTextured*>(Batch_PendingVertices());
  EXPECT_EQ(v[0].x, 5);
  EXPECT_EQ(v[0].y, 6);
  EXPECT_EQ(v[50].x, 205);
  EXPECT_EQ(v[1].x, 9);
  Batch_Reset();
  call("draw_path", {99, 0, 0, 1});
  EXPECT_EQ(LastMessage(), "Trying to drawn non-existing path.");
  EXPECT_EQ(Batch_PendingCount(), 0);
  call("path_clear_points", {p});
  EXPECT_EQ(call("path_get_number", {p}), 0);
  EXPECT_EQ(call("path_exists", {p}), 1);
  call("path_set_kind", {p, 1});
  EXPECT_EQ(call("path_get_kind", {p}), 1);
  call("path_set_precision", {p, -3});
  EXPECT_EQ(call("path_get_precision", {p}), 0);
  EXPECT_EQ(call("path_get_closed", {p}), 0);
  const double q = call("path_duplicate", {p});
  EXPECT_EQ(call("path_get_kind", {q}), 1);
  EXPECT_EQ(call("path_assign", {q, p}), 1);
  call("path_append", {q, p});
  call("path_insert_point", {q, 0, 1, 2, 3});
  EXPECT_EQ(call("path_get_point_speed", {q, 0}), 3);
  call("path_delete", {q});
  EXPECT_EQ(std::string(WorldTest::Call("path_get_name", self, {RValue(q)}).Str()), "<undefined>");
  Path_FreeAll();
  w.TearDown();
}

const RegisterExercise kPaths(
    {"path_start", "action_path", "path_end", "action_path_end", "action_path_position", "action_path_speed",
     "path_exists", "path_get_name", "path_name", "path_get_length", "path_get_kind", "path_get_closed",
     "path_get_precision", "path_get_number", "path_get_point_x", "path_get_point_y", "path_get_point_speed",
     "path_get_x", "path_get_y", "path_get_speed", "path_set_kind", "path_set_closed", "path_set_precision",
     "path_add", "path_duplicate", "path_assign", "path_append", "path_delete", "path_add_point",
     "path_insert_point", "path_change_point", "path_delete_point", "path_clear_points", "path_reverse",
     "path_mirror", "path_flip", "path_rotate", "path_scale", "path_shift", "draw_path"},
    ExercisePaths);

}  // namespace
