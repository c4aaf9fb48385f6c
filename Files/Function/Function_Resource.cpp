// Resources: the routines built so far.
#include "Code/Code_Error.h"
#include "Function/Function_Register.h"

namespace {

// script_execute(ind, arg0, ...): runs script `ind` with the remaining arguments (the first 16 of
// them reach the script) and returns its value.
void F_ScriptExecute(RValue& result, CInstance* self, CInstance* other, int argc, RValue* args) {
  const RValue& index = FunctionArgument(argc, args, 0);
  if (argc < 1) {
    ReportActionError("script_execute: the script index is missing", false);
    return;
  }
  if (index.IsString()) {
    ReportActionError("script_execute: the script index must be a number", false);
    return;
  }
  if (FunctionHooks().runScript == nullptr) {
    ReportActionError("script_execute: no script engine is attached", false);
    return;
  }
  int script = FunctionArgumentIndex(index);
  if (!ExecuteScript(script, self, other, argc - 1, args + 1, result)) {
    ReportActionErrorF(false, "script_execute: script %d does not exist", script);
  }
}

}  // namespace

void Function_Resource_Bind() { ImplementFunction("script_execute", F_ScriptExecute); }
