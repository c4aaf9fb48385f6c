// Reading the arguments of a built-in call by position (missing ones read as zero).
#pragma once
#include <cstdint>

#include "Function/Function_Register.h"

struct FunctionArgs {
  int argc;
  RValue* args;

  const RValue& At(int i) const { return FunctionArgument(argc, args, i); }
  double Double(int i) const { return At(i).IsReal() ? At(i).real : 0.0; }
  float Real(int i) const { return float(Double(i)); }
  // Rounded to the nearest integer, halves to even.
  int32_t Index(int i) const { return FunctionArgumentIndex(At(i)); }
  bool Flag(int i) const { return FunctionArgumentBool(At(i)); }
  // A script colour (0x00BBGGRR).
  int32_t Colour(int i) const { return Index(i); }
  // A string argument ("" for a real).
  const char* Str(int i) const { return At(i).IsString() ? At(i).Str() : ""; }
};

// A query's result: get(*found), or -1 when the resource does not exist.
template <class T, class Get>
void FunctionQueryResult(RValue& result, const T* found, Get get) {
  result.SetReal(found != nullptr ? double(get(*found)) : -1.0);
}
