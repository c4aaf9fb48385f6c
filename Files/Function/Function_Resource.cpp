// Scripts as resources: script_execute, and the queries on the script table.
#include "Code/Code_Error.h"
#include "Code/Code_Load.h"
#include "Code/Code_Script.h"
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

const CScript* ScriptArg(int argc, const RValue* args) {
  return Script_Get(FunctionArgumentIndex(FunctionArgument(argc, args, 0)));
}

void F_ScriptExists(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  result.SetReal(ScriptArg(argc, args) != nullptr ? 1 : 0);
}

// "<undefined>" for a script that does not exist.
void F_ScriptGetName(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  result.SetString(Script_Name(FunctionArgumentIndex(FunctionArgument(argc, args, 0))));
}

// The script's source text: the script's own (games that carry source), else the text its code unit
// keeps; "" for bytecode without text and for a script that does not exist.
void F_ScriptGetText(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  const CScript* script = ScriptArg(argc, args);
  const char* text = "";
  if (script != nullptr) text = script->Source()[0] != '\0' || script->Code() == nullptr ? script->Source() : script->Code()->Source();
  result.SetString(text);
}

}  // namespace

void Function_Resource_Bind() {
  ImplementFunction("script_execute", F_ScriptExecute);
  ImplementFunction("script_exists", F_ScriptExists);
  ImplementFunction("script_get_name", F_ScriptGetName);
  ImplementFunction("script_name", F_ScriptGetName);
  ImplementFunction("script_get_text", F_ScriptGetText);
}
