// Exercises of implemented built-in functions. A test file registers, for the functions it covers,
// a routine that calls them through the registry and checks what they do; the implemented-set test
// fails for any function counted as implemented that no exercise names, and runs every exercise.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "Code/Code_Function.h"
#include "Platform/Platform_Console.h"

struct FunctionExercise {
  const char* name;
  void (*run)();
};

inline std::vector<FunctionExercise>& FunctionExercises() {
  static std::vector<FunctionExercise> exercises;
  return exercises;
}

struct RegisterExercise {
  RegisterExercise(std::initializer_list<const char*> names, void (*run)()) {
    for (const char* name : names) FunctionExercises().push_back({name, run});
  }
};

// Calls a built-in function by name with the calling convention (self and other are `self`).
inline RValue CallBuiltin(const char* name, std::vector<RValue> args = {}, CInstance* self = nullptr) {
  int id = -1;
  EXPECT_TRUE(FindFunction(name, &id)) << name;
  RValue result;
  CallFunction(id, result, self, self, static_cast<int>(args.size()), args.empty() ? nullptr : args.data());
  return result;
}

// What `f` prints on the console.
inline std::string Printed(const std::function<void()>& f) {
  Console::Flush();
  ::testing::internal::CaptureStdout();
  f();
  Console::Flush();
  return ::testing::internal::GetCapturedStdout();
}
