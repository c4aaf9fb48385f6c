// Mathematics: rounding, powers and logarithms, trigonometry, the any-count reductions, and the
// geometry of points and vectors.
#include <algorithm>
#include <cmath>
#include <vector>

#include "Code/Code_Error.h"
#include "Function/Function_Library.h"

using namespace Library;

namespace {

// Game-code angles convert through the single-precision value of pi.
constexpr double kAnglePi = static_cast<double>(3.1415927f);
constexpr double kPi = 3.14159265358979323846;

using UnaryFn = double (*)(double);

template <UnaryFn Fn>
void F_Unary(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  result.SetReal(Fn(ArgReal(argc, args, 0)));
}

double Abs(double x) { return std::fabs(x); }
double Round(double x) { return std::nearbyint(x); }  // halves to even in the default mode
double Floor(double x) { return std::floor(x); }
double Ceil(double x) { return std::ceil(x); }
double Sign(double x) { return x > 0 ? 1.0 : (x < 0 ? -1.0 : 0.0); }
double Frac(double x) { return x - std::trunc(x); }
double Sqr(double x) { return x * x; }
double Exp(double x) { return std::exp(x); }
double Sin(double x) { return std::sin(x); }
double Cos(double x) { return std::cos(x); }
double Tan(double x) { return std::tan(x); }
double Arctan(double x) { return std::atan(x); }
double DegToRad(double x) { return x * kPi / 180.0; }
double RadToDeg(double x) { return x * 180.0 / kPi; }

// A function defined only on part of the line: outside it the call reports an error and gives 0.
template <UnaryFn Fn, bool (*Domain)(double)>
void F_Partial(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  double x = ArgReal(argc, args, 0);
  if (!Domain(x)) {
    ReportActionError("Error in function: argument outside the function's domain.", false);
    return;
  }
  result.SetReal(Fn(x));
}
bool NonNegative(double x) { return x >= 0; }
bool Positive(double x) { return x > 0; }
bool UnitRange(double x) { return x >= -1 && x <= 1; }
double Sqrt(double x) { return std::sqrt(x); }
double Ln(double x) { return std::log(x); }
double Log2(double x) { return std::log2(x); }
double Log10(double x) { return std::log10(x); }
double Arcsin(double x) { return std::asin(x); }
double Arccos(double x) { return std::acos(x); }

void F_Arctan2(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  result.SetReal(std::atan2(ArgReal(argc, args, 0), ArgReal(argc, args, 1)));
}

void F_Power(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  result.SetReal(std::pow(ArgReal(argc, args, 0), ArgReal(argc, args, 1)));
}

// logn(n, x): the logarithm of x to base n.
void F_Logn(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  double n = ArgReal(argc, args, 0), x = ArgReal(argc, args, 1);
  if (!(n > 0) || n == 1.0 || !(x > 0)) {
    ReportActionError("Error in function logn(): argument outside the function's domain.", false);
    return;
  }
  result.SetReal(std::log(x) / std::log(n));
}

// The reals of an any-count call; false (with the error reported) when one of them is a string.
bool Reals(const char* name, int argc, const RValue* args, std::vector<double>& out) {
  out.clear();
  for (int i = 0; i < argc; ++i) {
    if (args[i].IsString()) {
      ReportActionErrorF(false, "Error %s(): illegal argument; strings not permitted", name);
      return false;
    }
    out.push_back(args[i].real);
  }
  return true;
}

void F_Min(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  std::vector<double> v;
  if (Reals("min", argc, args, v) && !v.empty()) result.SetReal(*std::min_element(v.begin(), v.end()));
}
void F_Max(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  std::vector<double> v;
  if (Reals("max", argc, args, v) && !v.empty()) result.SetReal(*std::max_element(v.begin(), v.end()));
}
void F_Mean(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  std::vector<double> v;
  if (!Reals("mean", argc, args, v) || v.empty()) return;
  double sum = 0;
  for (double x : v) sum += x;
  result.SetReal(sum / static_cast<double>(v.size()));
}
// The middle value; for an even count the mean of the two middle values.
void F_Median(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  std::vector<double> v;
  if (!Reals("median", argc, args, v) || v.empty()) return;
  std::sort(v.begin(), v.end());
  size_t n = v.size();
  result.SetReal(n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0);
}
void F_Min3(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  result.SetReal(std::min({ArgReal(argc, args, 0), ArgReal(argc, args, 1), ArgReal(argc, args, 2)}));
}
void F_Max3(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  result.SetReal(std::max({ArgReal(argc, args, 0), ArgReal(argc, args, 1), ArgReal(argc, args, 2)}));
}
// clamp(x, low, high): x limited to low..high (the bounds may come in either order).
void F_Clamp(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  double x = ArgReal(argc, args, 0), lo = ArgReal(argc, args, 1), hi = ArgReal(argc, args, 2);
  if (hi < lo) std::swap(lo, hi);
  result.SetReal(x < lo ? lo : (x > hi ? hi : x));
}
void F_Lerp(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  double a = ArgReal(argc, args, 0), b = ArgReal(argc, args, 1), t = ArgReal(argc, args, 2);
  result.SetReal(a + (b - a) * t);
}

// ---- Geometry ------------------------------------------------------------------------------------

void F_PointDistance(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  double dx = ArgReal(argc, args, 2) - ArgReal(argc, args, 0);
  double dy = ArgReal(argc, args, 3) - ArgReal(argc, args, 1);
  result.SetReal(std::sqrt(dx * dx + dy * dy));
}

void F_PointDistance3d(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  double dx = ArgReal(argc, args, 3) - ArgReal(argc, args, 0);
  double dy = ArgReal(argc, args, 4) - ArgReal(argc, args, 1);
  double dz = ArgReal(argc, args, 5) - ArgReal(argc, args, 2);
  result.SetReal(std::sqrt(dx * dx + dy * dy + dz * dz));
}

void F_PointDirection(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  float dx = static_cast<float>(ArgReal(argc, args, 2) - ArgReal(argc, args, 0));
  float dy = static_cast<float>(ArgReal(argc, args, 3) - ArgReal(argc, args, 1));
  float d;
  if (dx != 0.0f) {
    float a = static_cast<float>(std::atan2(dy, dx) * 180.0f / static_cast<float>(kAnglePi));
    d = a <= 0.0f ? 0.0f - a : 360.0f - a;
  } else {
    d = dy > 0 ? 270.0f : (dy < 0 ? 90.0f : 0.0f);
  }
  result.SetReal(d);
}

void F_LengthdirX(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  result.SetReal(ArgReal(argc, args, 0) * std::cos(ArgReal(argc, args, 1) * kAnglePi / 180.0));
}
void F_LengthdirY(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  result.SetReal(-ArgReal(argc, args, 0) * std::sin(ArgReal(argc, args, 1) * kAnglePi / 180.0));
}

// Dot products of 2-D or 3-D vectors; the normalised forms divide by both lengths (0 when either
// vector has no length).
template <int Dim, bool Normalised>
void F_Dot(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  double dot = 0, la = 0, lb = 0;
  for (int i = 0; i < Dim; ++i) {
    double a = ArgReal(argc, args, i), b = ArgReal(argc, args, Dim + i);
    dot += a * b;
    la += a * a;
    lb += b * b;
  }
  if (Normalised) {
    double l = std::sqrt(la) * std::sqrt(lb);
    dot = l > 0 ? dot / l : 0.0;
  }
  result.SetReal(dot);
}

}  // namespace

void Function_Math_Implement() {
  ImplementFunction("abs", F_Unary<Abs>);
  ImplementFunction("round", F_Unary<Round>);
  ImplementFunction("floor", F_Unary<Floor>);
  ImplementFunction("ceil", F_Unary<Ceil>);
  ImplementFunction("sign", F_Unary<Sign>);
  ImplementFunction("frac", F_Unary<Frac>);
  ImplementFunction("sqrt", F_Partial<Sqrt, NonNegative>);
  ImplementFunction("sqr", F_Unary<Sqr>);
  ImplementFunction("exp", F_Unary<Exp>);
  ImplementFunction("ln", F_Partial<Ln, Positive>);
  ImplementFunction("log2", F_Partial<Log2, Positive>);
  ImplementFunction("log10", F_Partial<Log10, Positive>);
  ImplementFunction("sin", F_Unary<Sin>);
  ImplementFunction("cos", F_Unary<Cos>);
  ImplementFunction("tan", F_Unary<Tan>);
  ImplementFunction("arcsin", F_Partial<Arcsin, UnitRange>);
  ImplementFunction("arccos", F_Partial<Arccos, UnitRange>);
  ImplementFunction("arctan", F_Unary<Arctan>);
  ImplementFunction("arctan2", F_Arctan2);
  ImplementFunction("degtorad", F_Unary<DegToRad>);
  ImplementFunction("radtodeg", F_Unary<RadToDeg>);
  ImplementFunction("power", F_Power);
  ImplementFunction("logn", F_Logn);
  ImplementFunction("min", F_Min);
  ImplementFunction("max", F_Max);
  ImplementFunction("min3", F_Min3);
  ImplementFunction("max3", F_Max3);
  ImplementFunction("mean", F_Mean);
  ImplementFunction("median", F_Median);
  ImplementFunction("clamp", F_Clamp);
  ImplementFunction("lerp", F_Lerp);
  ImplementFunction("point_distance", F_PointDistance);
  ImplementFunction("point_direction", F_PointDirection);
  ImplementFunction("lengthdir_x", F_LengthdirX);
  ImplementFunction("lengthdir_y", F_LengthdirY);
  ImplementFunction("point_distance_3d", F_PointDistance3d);
  ImplementFunction("dot_product", F_Dot<2, false>);
  ImplementFunction("dot_product_normalised", F_Dot<2, true>);
  ImplementFunction("dot_product_3d", F_Dot<3, false>);
  ImplementFunction("dot_product_3d_normalised", F_Dot<3, true>);
}
