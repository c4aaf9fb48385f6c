// Random numbers for game code, all drawn from the one shared generator.
#include <cmath>
#include <cstdint>

#include "Function/Function_Library.h"
#include "Support/Support_Random.h"

using namespace Library;

namespace {

constexpr double kDrawScale = 1.0 / 32768.0;

// random(x): 0 <= result < x for positive x, x < result <= 0 for negative x.
void F_Random(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  double x = ArgReal(argc, args, 0);
  if (x == 0.0 || std::isnan(x)) return;
  int a = Random_Draw();
  int b = Random_Draw();
  if (std::fabs(x) <= 32768.0) {
    double r = b + a * kDrawScale;
    result.SetReal(std::fmod(r * (x < 0 ? -1.0 : 1.0), x));
  } else {
    // Beyond the range of one draw the two draws make one 30-bit fraction, so every part of
    // 0..x can come up.
    double u = (a * 32768.0 + b) / 1073741824.0;
    result.SetReal(u * x);
  }
}

void F_RandomRange(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  double x1 = ArgReal(argc, args, 0), x2 = ArgReal(argc, args, 1);
  float u = static_cast<float>(Random_Draw() * kDrawScale);
  result.SetReal(std::fmin(x1, x2) + static_cast<double>(u) * std::fabs(x1 - x2));
}

void F_IRandom(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  double n = std::trunc(ArgReal(argc, args, 0)) + 1.0;
  result.SetReal(std::trunc(static_cast<double>(Random_Unit()) * n));
}

void F_IRandomRange(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  double x1 = ArgReal(argc, args, 0), x2 = ArgReal(argc, args, 1);
  // The bounds may come in either order.
  if (x2 < x1) std::swap(x1, x2);
  double n = std::trunc(x2) - std::trunc(x1) + 1.0;
  result.SetReal(std::trunc(static_cast<double>(Random_Unit()) * n) + x1);
}

// A seed argument: truncated toward zero and taken modulo 2^32.
uint32_t SeedOf(double x) {
  if (!std::isfinite(x)) return 0;
  double t = std::fmod(std::trunc(x), 4294967296.0);
  if (t < 0) t += 4294967296.0;
  return static_cast<uint32_t>(t);
}

void F_RandomSetSeed(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  Random_SetSeed(SeedOf(ArgReal(argc, args, 0)));
}

void F_RandomGetSeed(RValue& result, CInstance*, CInstance*, int, RValue*) {
  result.SetReal(Random_GetSeed());
}

void F_Randomize(RValue& result, CInstance*, CInstance*, int, RValue*) {
  uint32_t seed = Random_ClockSeed();
  Random_SetSeed(seed);
  result.SetReal(seed);
}

void F_Choose(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  if (argc <= 0 || args == nullptr) return;
  result = args[Random_Index(argc)];
}

}  // namespace

void Function_Random_Implement() {
  ImplementFunction("random", F_Random);
  ImplementFunction("random_range", F_RandomRange);
  ImplementFunction("irandom", F_IRandom);
  ImplementFunction("irandom_range", F_IRandomRange);
  ImplementFunction("random_set_seed", F_RandomSetSeed);
  ImplementFunction("random_get_seed", F_RandomGetSeed);
  ImplementFunction("randomize", F_Randomize);
  ImplementFunction("choose", F_Choose);
}
