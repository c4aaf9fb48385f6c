// Calls built-in functions the way game code does: found by name in the registry and called
// through it.
#pragma once
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "Code/Code_Error.h"
#include "Function/Function_Exercise.h"
#include "Code/Code_Function.h"
#include "Function/Function_Library.h"
#include "Variable/Variable_Value.h"

namespace testcall {

inline void Prepare() {
  RegisterAllFunctions();
  Function_ImplementLibrary();
  ResetErrorReporter();
}

inline RValue Call(const char* name, std::initializer_list<RValue> list = {}) {
  int id = -1;
  EXPECT_TRUE(FindFunction(name, &id)) << name;
  std::vector<RValue> args(list);
  RValue result;
  if (id >= 0) {
    const FunctionRecord* record = FunctionAt(id);
    EXPECT_TRUE(record != nullptr && record->implemented) << name << " is not implemented";
    CallFunction(id, result, nullptr, nullptr, static_cast<int>(args.size()), args.data());
  }
  return result;
}

inline double Real(const char* name, std::initializer_list<RValue> list = {}) {
  RValue v = Call(name, list);
  EXPECT_TRUE(v.IsReal()) << name << " gave a string";
  return v.real;
}

inline std::string Text(const char* name, std::initializer_list<RValue> list = {}) {
  RValue v = Call(name, list);
  EXPECT_TRUE(v.IsString()) << name << " gave a real";
  return v.Str();
}

// The scope every case runs in: the registry filled and the library bound, errors cleared.
struct LibraryScope {
  void SetUp() { Prepare(); }
  void TearDown() {}
};

inline RValue R(double x) { return RValue(x); }
inline RValue S(const char* s) { return RValue(s); }

}  // namespace testcall

// One test case that is also the exercise of the functions it names: the body runs as a member of
// a struct derived from `Scope` (set up before, torn down after), from its own test and from the
// implemented-set test.
#define LIBRARY_CASE(Scope, Name, ...)                                                      \
  struct Scope##_##Name : Scope {                                                           \
    void Run();                                                                             \
  };                                                                                        \
  void Exercise_##Scope##_##Name() {                                                        \
    Scope##_##Name c;                                                                       \
    c.SetUp();                                                                              \
    c.Run();                                                                                \
    c.TearDown();                                                                           \
  }                                                                                         \
  TEST(Scope, Name) { Exercise_##Scope##_##Name(); }                                        \
  const RegisterExercise kExercise_##Scope##_##Name({__VA_ARGS__}, Exercise_##Scope##_##Name); \
  void Scope##_##Name::Run()
