// Keeps the implemented set honest: every built-in function counted as implemented must have an
// exercise (here or in another test file, see Function_Exercise.h) that calls it through the
// registry and checks what it does.
#include "Function/Function_Exercise.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <set>
#include <utility>
#include <string>
#include <vector>

#include "Code/Code_Compile.h"
#include "Code/Code_Error.h"
#include "Code/Code_Function.h"
#include "Function/Function_Register.h"
#include "Platform/Platform_Console.h"
#include "Variable/Variable_Global.h"
#include "Variable/Variable_Instance.h"

namespace {

RValue Call(const char* name, std::vector<RValue> args = {}, CInstance* self = nullptr) {
  return CallBuiltin(name, std::move(args), self);
}

// ---- Exercises ---------------------------------------------------------------------------------

void ExShowDebugMessage() {
  auto show = [](RValue v) { return Printed([&] { Call("show_debug_message", {v}); }); };
  EXPECT_EQ(show(RValue("hello world")), "hello world\n");
  EXPECT_EQ(show(RValue(3.0)), "3\n");
  EXPECT_EQ(show(RValue(-17.0)), "-17\n");
  EXPECT_EQ(show(RValue(2.5)), "2.50\n");
  EXPECT_EQ(show(RValue(-0.004)), "-0.00\n");
  EXPECT_EQ(show(RValue(-0.0)), "0\n");
  // Whole numbers beyond 32 bits print in full.
  EXPECT_EQ(show(RValue(3000000000.0)), "3000000000\n");
  EXPECT_EQ(show(RValue(-9007199254740992.0)), "-9007199254740992\n");
  EXPECT_EQ(show(RValue(1e20)), "100000000000000000000\n");
  EXPECT_EQ(show(RValue("")), "\n");
  EXPECT_EQ(Printed([] { Call("show_debug_message"); }), "0\n");  // missing argument reads as 0
}

void ExIsReal() {
  EXPECT_EQ(Call("is_real", {RValue(1.5)}).real, 1.0);
  EXPECT_EQ(Call("is_real", {RValue("1.5")}).real, 0.0);
}

void ExIsString() {
  EXPECT_EQ(Call("is_string", {RValue("")}).real, 1.0);
  EXPECT_EQ(Call("is_string", {RValue(0.0)}).real, 0.0);
}

int g_ScriptIndex = -1;
int g_ScriptArgs = -1;
bool TestScript(int index, CInstance*, CInstance*, RValue& result) {
  if (index != 2) return false;
  g_ScriptIndex = index;
  g_ScriptArgs = g_ArgumentView.count;
  result = RValue(g_Arguments[0].real + g_Arguments[1].real);
  return true;
}

void ExScriptExecute() {
  CFunctionHooks saved = FunctionHooks();
  CFunctionHooks hooks;
  hooks.runScript = TestScript;
  SetFunctionHooks(hooks);
  // The index is rounded to the nearest integer, halves to even: 2.5 is script 2.
  RValue r = Call("script_execute", {RValue(2.5), RValue(40.0), RValue(2.0)});
  EXPECT_EQ(g_ScriptIndex, 2);
  EXPECT_EQ(g_ScriptArgs, 2);
  EXPECT_EQ(r.real, 42.0);

  Printed([] { Call("script_execute", {RValue(5.0)}); });
  EXPECT_NE(std::string(LastErrorText()).find("script_execute: script 5 does not exist"), std::string::npos);
  SetFunctionHooks(saved);
}

// Global variables by name need the global list.
struct Globals {
  Globals() { Variable_PrepareGlobals(); }
  ~Globals() { Variable_FreeGlobals(); }
};

void ExGlobalSet() {
  Globals g;
  Call("variable_global_set", {RValue("reg_lives"), RValue(3.0)});
  EXPECT_EQ(Call("variable_global_array_get", {RValue("reg_lives"), RValue(0.0)}).real, 3.0);
  Call("variable_global_set", {RValue("reg_name"), RValue("ann")});
  EXPECT_STREQ(Call("variable_global_array_get", {RValue("reg_name"), RValue(0.0)}).Str(), "ann");
}

void ExGlobalExists() {
  Globals g;
  EXPECT_EQ(Call("variable_global_exists", {RValue("reg_never_set")}).real, 0.0);
  Call("variable_global_set", {RValue("reg_flag"), RValue(1.0)});
  EXPECT_EQ(Call("variable_global_exists", {RValue("reg_flag")}).real, 1.0);
  EXPECT_EQ(Call("variable_global_exists", {RValue(4.0)}).real, 0.0);  // not a name
}

void ExGlobalArrays() {
  Globals g;
  Call("variable_global_array_set", {RValue("reg_tab"), RValue(3.0), RValue(30.0)});
  EXPECT_EQ(Call("variable_global_array_get", {RValue("reg_tab"), RValue(3.0)}).real, 30.0);
  EXPECT_EQ(Call("variable_global_array_get", {RValue("reg_tab"), RValue(2.0)}).real, 0.0);
  Call("variable_global_array2_set", {RValue("reg_grid"), RValue(1.0), RValue(2.0), RValue("b")});
  EXPECT_STREQ(Call("variable_global_array2_get", {RValue("reg_grid"), RValue(1.0), RValue(2.0)}).Str(), "b");
  // Row 1, column 2 is element 32002 of the one-index form.
  EXPECT_STREQ(Call("variable_global_array_get", {RValue("reg_grid"), RValue(32002.0)}).Str(), "b");
  // A column outside 0..31999 is refused instead of spilling into the next row.
  Call("variable_global_array2_set", {RValue("reg_grid"), RValue(0.0), RValue(32000.0), RValue(9.0)});
  EXPECT_EQ(Call("variable_global_array2_get", {RValue("reg_grid"), RValue(1.0), RValue(0.0)}).real, 0.0);
  EXPECT_EQ(Call("variable_global_array_get", {RValue("reg_tab"), RValue(-1.0)}).real, 0.0);
}

void ExLocal() {
  CInstance inst(100001, 0);
  EXPECT_EQ(Call("variable_local_exists", {RValue("reg_hp")}, &inst).real, 0.0);
  Call("variable_local_set", {RValue("reg_hp"), RValue("full")}, &inst);
  EXPECT_EQ(Call("variable_local_exists", {RValue("reg_hp")}, &inst).real, 1.0);
  EXPECT_STREQ(Call("variable_local_get", {RValue("reg_hp")}, &inst).Str(), "full");
  Call("variable_local_array_set", {RValue("reg_row"), RValue(4.0), RValue(8.0)}, &inst);
  EXPECT_EQ(Call("variable_local_array_get", {RValue("reg_row"), RValue(4.0)}, &inst).real, 8.0);
  Call("variable_local_array2_set", {RValue("reg_m"), RValue(2.0), RValue(1.0), RValue(21.0)}, &inst);
  EXPECT_EQ(Call("variable_local_array2_get", {RValue("reg_m"), RValue(2.0), RValue(1.0)}, &inst).real, 21.0);
  // Another instance does not see them; without an instance nothing happens.
  CInstance other(100002, 0);
  EXPECT_EQ(Call("variable_local_exists", {RValue("reg_hp")}, &other).real, 0.0);
  EXPECT_EQ(Call("variable_local_get", {RValue("reg_hp")}, nullptr).real, 0.0);
}

const RegisterExercise kShow({"show_debug_message"}, ExShowDebugMessage);
const RegisterExercise kIsReal({"is_real"}, ExIsReal);
const RegisterExercise kIsString({"is_string"}, ExIsString);
const RegisterExercise kScript({"script_execute"}, ExScriptExecute);
const RegisterExercise kGlobalExists({"variable_global_exists"}, ExGlobalExists);
const RegisterExercise kGlobalSet({"variable_global_set"}, ExGlobalSet);
const RegisterExercise kGlobalArrays({"variable_global_array_get", "variable_global_array2_get",
                                      "variable_global_array_set", "variable_global_array2_set"},
                                     ExGlobalArrays);
const RegisterExercise kLocal({"variable_local_exists", "variable_local_get", "variable_local_array_get",
                               "variable_local_array2_get", "variable_local_set", "variable_local_array_set",
                               "variable_local_array2_set"},
                              ExLocal);

const FunctionExercise* ExerciseFor(const char* name) {
  for (const FunctionExercise& e : FunctionExercises()) {
    if (std::strcmp(e.name, name) == 0) return &e;
  }
  return nullptr;
}

// The set counted is the one tessera-dump counts: the registry's families and the compiler's own.
void RegisterCountedFunctions() {
  RegisterAllFunctions();
  Code_InstallCompiler();
}

TEST(ImplementedFunctions, EveryImplementedFunctionIsExercised) {
  RegisterCountedFunctions();
  ResetErrorReporter();
  SetDisplayErrors(false);
  int implemented = 0;
  std::set<void (*)()> ran;
  for (int id = 0; id < FunctionCount(); ++id) {
    const FunctionRecord* record = FunctionAt(id);
    if (!record->implemented) continue;
    ++implemented;
    const FunctionExercise* exercise = ExerciseFor(record->name);
    if (exercise == nullptr) {
      ADD_FAILURE() << record->name << " is counted as implemented but no test calls it";
      continue;
    }
    if (ran.insert(exercise->run).second) {  // an exercise covering several functions runs once
      SCOPED_TRACE(record->name);
      exercise->run();
    }
  }
  EXPECT_EQ(implemented, ImplementedFunctionCount());
  ResetErrorReporter();
}

TEST(ImplementedFunctions, EveryExercisedFunctionIsImplemented) {
  RegisterCountedFunctions();
  for (const FunctionExercise& e : FunctionExercises()) {
    int id = -1;
    ASSERT_TRUE(FindFunction(e.name, &id)) << e.name;
    EXPECT_TRUE(FunctionAt(id)->implemented) << e.name;
  }
}

}  // namespace

namespace {

TEST(FunctionArguments, MissingIndexAndFlagArguments) {
  RValue args[2] = {RValue(2.5), RValue("x")};
  EXPECT_EQ(FunctionArgument(2, args, 1).Str(), std::string("x"));
  EXPECT_TRUE(FunctionArgument(2, args, 2).IsReal());  // beyond the passed arguments: zero value
  EXPECT_EQ(FunctionArgument(2, args, 2).real, 0.0);
  EXPECT_EQ(FunctionArgument(0, nullptr, 0).real, 0.0);
  // Halves go to the even neighbour.
  EXPECT_EQ(FunctionArgumentIndex(RValue(2.5)), 2);
  EXPECT_EQ(FunctionArgumentIndex(RValue(3.5)), 4);
  EXPECT_EQ(FunctionArgumentIndex(RValue(-2.5)), -2);
  EXPECT_EQ(FunctionArgumentIndex(RValue(1e20)), 2147483647);
  EXPECT_EQ(FunctionArgumentIndex(RValue(std::nan(""))), 0);
  EXPECT_EQ(FunctionArgumentIndex(RValue("7")), 0);
  EXPECT_TRUE(FunctionArgumentBool(RValue(0.5)));
  EXPECT_FALSE(FunctionArgumentBool(RValue(0.49)));
  EXPECT_FALSE(FunctionArgumentBool(RValue("1")));
}

}  // namespace
