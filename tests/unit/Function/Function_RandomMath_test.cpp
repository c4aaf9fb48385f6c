#include <gtest/gtest.h>

#include <cmath>

#include "Function_TestCall.h"
#include "Support/Support_Random.h"

using namespace testcall;

namespace {

struct RandomTest : testcall::LibraryScope {
  void SetUp() { Prepare(); }
  void TearDown() { Random_StartUp(); }
};

// From state := state * 214013 + 2531011 and (state >> 16) & 0x7FFF, starting at 1:
// 2745024 -> 41, 3357800067 -> 18467, then 6334 and 26500.
LIBRARY_CASE(RandomTest, SequenceAfterSeedOne, "irandom", "random_get_seed", "random_set_seed") {
  Call("random_set_seed", {R(1)});
  EXPECT_EQ(Random_Draw(), 41);
  EXPECT_EQ(Random_Draw(), 18467);
  EXPECT_EQ(Random_Draw(), 6334);
  EXPECT_EQ(Random_Draw(), 26500);
  EXPECT_EQ(Real("random_get_seed"), 1);

  // irandom(100): truncation of draw / 32768 * 101.
  Call("random_set_seed", {R(1)});
  EXPECT_EQ(Real("irandom", {R(100)}), 0);   // 41 -> 0.126
  EXPECT_EQ(Real("irandom", {R(100)}), 56);  // 18467 -> 56.92
  EXPECT_EQ(Real("irandom", {R(100)}), 19);  // 6334 -> 19.52
}

LIBRARY_CASE(RandomTest, StartUpSeed) {
  Random_StartUp();
  EXPECT_EQ(Random_GetSeed(), 2101988u);
  // 2101988 * 214013 + 2531011 mod 2^32 = 3178690071; shifted right 16 bits and masked: 15734.
  EXPECT_EQ(Random_Draw(), 15734);
}

LIBRARY_CASE(RandomTest, RandomFunctions, "irandom_range", "random", "random_get_seed", "random_range", "random_set_seed", "randomize") {
  // random(x): r = b + a / 32768 with a = 41, b = 18467; the remainder of r by 10.
  Call("random_set_seed", {R(1)});
  EXPECT_DOUBLE_EQ(Real("random", {R(10)}), 7.0 + 41.0 / 32768.0);
  Call("random_set_seed", {R(1)});
  EXPECT_DOUBLE_EQ(Real("random", {R(-10)}), -(7.0 + 41.0 / 32768.0));
  EXPECT_EQ(Real("random", {R(0)}), 0);
  // Beyond one draw's range the two draws make a 30-bit fraction.
  Call("random_set_seed", {R(1)});
  EXPECT_DOUBLE_EQ(Real("random", {R(100000)}), (41.0 * 32768 + 18467) / 1073741824.0 * 100000);

  Call("random_set_seed", {R(1)});
  EXPECT_DOUBLE_EQ(Real("random_range", {R(100), R(0)}), 41.0 / 32768.0 * 100);
  Call("random_set_seed", {R(1)});
  EXPECT_DOUBLE_EQ(Real("random_range", {R(5), R(5)}), 5);

  Call("random_set_seed", {R(1)});
  EXPECT_EQ(Real("irandom_range", {R(1.5), R(3)}), 1.5);  // 0 + x1 unchanged
  EXPECT_EQ(Real("irandom_range", {R(10), R(20)}), 16);  // 18467/32768 * 11 = 6.2
  Call("random_set_seed", {R(1)});
  EXPECT_EQ(Real("irandom_range", {R(5), R(1)}), 1);  // reversed bounds: 1..5

  Call("random_set_seed", {R(-1)});
  EXPECT_EQ(Real("random_get_seed"), 4294967295.0);
  double seed = Real("randomize");
  EXPECT_EQ(Real("random_get_seed"), seed);
}

LIBRARY_CASE(RandomTest, Choose, "choose", "random_set_seed") {
  Call("random_set_seed", {R(1)});
  EXPECT_EQ(Text("choose", {S("a"), S("b"), S("c")}), "a");  // 3 * 41/32768 -> 0
  EXPECT_EQ(Text("choose", {S("a"), S("b"), S("c")}), "b");  // 3 * 18467/32768 -> 1
  EXPECT_EQ(Real("choose", {R(4), R(5)}), 4);                // 2 * 6334/32768 -> 0
  EXPECT_EQ(Real("choose"), 0);
  EXPECT_EQ(Random_Index(1), 0);
}

struct MathTest : testcall::LibraryScope {
  void SetUp() { Prepare(); }
};

LIBRARY_CASE(MathTest, Rounding, "abs", "ceil", "floor", "frac", "round", "sign", "sqr") {
  EXPECT_EQ(Real("round", {R(2.5)}), 2);
  EXPECT_EQ(Real("round", {R(3.5)}), 4);
  EXPECT_EQ(Real("round", {R(-2.5)}), -2);
  EXPECT_EQ(Real("round", {R(2.6)}), 3);
  EXPECT_EQ(Real("floor", {R(-1.5)}), -2);
  EXPECT_EQ(Real("floor", {R(1e10 + 0.5)}), 1e10);
  EXPECT_EQ(Real("ceil", {R(1.2)}), 2);
  EXPECT_EQ(Real("sign", {R(-3)}), -1);
  EXPECT_EQ(Real("sign", {R(0)}), 0);
  EXPECT_EQ(Real("frac", {R(-1.25)}), -0.25);
  EXPECT_EQ(Real("abs", {R(-2)}), 2);
  EXPECT_EQ(Real("sqr", {R(-3)}), 9);
}

LIBRARY_CASE(MathTest, PowersLogsAndDomains, "arcsin", "exp", "ln", "log10", "log2", "logn", "power", "sqrt") {
  EXPECT_EQ(Real("power", {R(2), R(10)}), 1024);
  EXPECT_DOUBLE_EQ(Real("logn", {R(2), R(8)}), 3);
  EXPECT_DOUBLE_EQ(Real("log2", {R(8)}), 3);
  EXPECT_DOUBLE_EQ(Real("log10", {R(1000)}), 3);
  EXPECT_DOUBLE_EQ(Real("ln", {R(std::exp(2.0))}), 2);
  EXPECT_DOUBLE_EQ(Real("exp", {R(0)}), 1);
  EXPECT_EQ(Real("sqrt", {R(9)}), 3);
  EXPECT_FALSE(ErrorOccurred());
  EXPECT_EQ(Real("sqrt", {R(-1)}), 0);
  EXPECT_TRUE(ErrorOccurred());
  ResetErrorReporter();
  EXPECT_EQ(Real("ln", {R(0)}), 0);
  EXPECT_TRUE(ErrorOccurred());
  ResetErrorReporter();
  EXPECT_EQ(Real("arcsin", {R(2)}), 0);
  EXPECT_TRUE(ErrorOccurred());
  ResetErrorReporter();
  EXPECT_EQ(Real("logn", {R(1), R(5)}), 0);
  EXPECT_TRUE(ErrorOccurred());
}

LIBRARY_CASE(MathTest, Trigonometry, "arccos", "arcsin", "arctan", "arctan2", "cos", "degtorad", "radtodeg", "sin", "tan") {
  const double pi = 3.14159265358979323846;
  EXPECT_DOUBLE_EQ(Real("sin", {R(pi / 2)}), 1);
  EXPECT_DOUBLE_EQ(Real("cos", {R(0)}), 1);
  EXPECT_NEAR(Real("tan", {R(pi / 4)}), 1, 1e-12);
  EXPECT_DOUBLE_EQ(Real("arccos", {R(1)}), 0);
  EXPECT_DOUBLE_EQ(Real("arcsin", {R(1)}), pi / 2);
  EXPECT_DOUBLE_EQ(Real("arctan", {R(1)}), pi / 4);
  EXPECT_DOUBLE_EQ(Real("arctan2", {R(1), R(1)}), pi / 4);
  EXPECT_DOUBLE_EQ(Real("degtorad", {R(180)}), pi);
  EXPECT_DOUBLE_EQ(Real("radtodeg", {R(pi)}), 180);
}

LIBRARY_CASE(MathTest, Reductions, "clamp", "lerp", "max", "max3", "mean", "median", "min", "min3") {
  EXPECT_EQ(Real("max", {R(3), R(1), R(2)}), 3);
  EXPECT_EQ(Real("min", {R(3), R(1), R(2)}), 1);
  EXPECT_EQ(Real("mean", {R(1), R(2), R(3), R(4)}), 2.5);
  EXPECT_EQ(Real("median", {R(3), R(1), R(2)}), 2);
  EXPECT_EQ(Real("median", {R(4), R(1), R(3), R(2)}), 2.5);
  EXPECT_EQ(Real("min3", {R(3), R(1), R(2)}), 1);
  EXPECT_EQ(Real("max3", {R(3), R(1), R(2)}), 3);
  EXPECT_EQ(Real("min"), 0);
  EXPECT_FALSE(ErrorOccurred());
  EXPECT_EQ(Real("min", {R(1), S("a")}), 0);
  EXPECT_NE(std::string(LastErrorText()).find("Error min(): illegal argument; strings not permitted"),
            std::string::npos);
  Real("max", {S("a")});
  EXPECT_NE(std::string(LastErrorText()).find("Error max(): illegal argument; strings not permitted"),
            std::string::npos);
  EXPECT_EQ(Real("clamp", {R(5), R(0), R(3)}), 3);
  EXPECT_EQ(Real("clamp", {R(-1), R(0), R(3)}), 0);
  EXPECT_EQ(Real("clamp", {R(2), R(0), R(3)}), 2);
  EXPECT_EQ(Real("lerp", {R(0), R(10), R(0.25)}), 2.5);
  EXPECT_EQ(Real("lerp", {R(10), R(20), R(1.5)}), 25);
}

LIBRARY_CASE(MathTest, Geometry, "dot_product", "dot_product_3d", "dot_product_3d_normalised", "dot_product_normalised", "lengthdir_x", "lengthdir_y", "point_direction", "point_distance", "point_distance_3d") {
  EXPECT_EQ(Real("point_direction", {R(0), R(0), R(10), R(0)}), 0);
  EXPECT_EQ(Real("point_direction", {R(0), R(0), R(0), R(-10)}), 90);
  EXPECT_EQ(Real("point_direction", {R(0), R(0), R(0), R(10)}), 270);
  EXPECT_EQ(Real("point_direction", {R(0), R(0), R(-10), R(0)}), 180);
  EXPECT_EQ(Real("point_direction", {R(5), R(5), R(5), R(5)}), 0);
  EXPECT_NEAR(Real("point_direction", {R(0), R(0), R(10), R(-10)}), 45, 1e-4);
  EXPECT_NEAR(Real("point_direction", {R(0), R(0), R(10), R(10)}), 315, 1e-4);
  EXPECT_EQ(Real("point_distance", {R(0), R(0), R(3), R(4)}), 5);
  EXPECT_EQ(Real("point_distance_3d", {R(0), R(0), R(0), R(1), R(2), R(2)}), 3);
  EXPECT_EQ(Real("lengthdir_x", {R(10), R(0)}), 10);
  EXPECT_NEAR(Real("lengthdir_y", {R(10), R(90)}), -10, 1e-6);
  EXPECT_NEAR(Real("lengthdir_x", {R(10), R(180)}), -10, 1e-6);
  EXPECT_EQ(Real("dot_product", {R(1), R(2), R(3), R(4)}), 11);
  EXPECT_EQ(Real("dot_product_normalised", {R(1), R(0), R(0), R(1)}), 0);
  EXPECT_DOUBLE_EQ(Real("dot_product_normalised", {R(3), R(0), R(-2), R(0)}), -1);
  EXPECT_EQ(Real("dot_product_normalised", {R(0), R(0), R(1), R(1)}), 0);
  EXPECT_EQ(Real("dot_product_3d", {R(1), R(2), R(3), R(4), R(5), R(6)}), 32);
  EXPECT_DOUBLE_EQ(Real("dot_product_3d_normalised", {R(1), R(0), R(0), R(2), R(0), R(0)}), 1);
}

}  // namespace
