// Native calls from game code: external_define (and its fixed-count forms) makes a definition of
// a library function, external_call (and its fixed-count forms) calls through it, external_free
// unloads a library. The table and the calls live in Extension/Extension_DLL.h.
#include <cstdio>
#include <string>

#include "Code/Code_Error.h"
#include "Extension/Extension_DLL.h"
#include "Function/Function_Register.h"
#include "Platform/Platform_Console.h"

namespace {

int Type(const RValue& value) { return FunctionArgumentIndex(value) == kDLLTypeString ? kDLLTypeString : kDLLTypeReal; }

// Defines and returns the number as the result; a failure reports and gives -1.
void Define(RValue& result, const RValue& library, const RValue& name, int convention, int argumentCount,
            const int* types, bool stringResult) {
  result.SetReal(-1.0);
  if (argumentCount > kDLLMaxArguments) {
    ReportActionError("DLL functions can have at most 16 arguments", false);
    return;
  }
  for (int i = 0; i < argumentCount; ++i) {
    if (types[i] == kDLLTypeString && argumentCount > kDLLMaxStringArguments) {
      ReportActionError("DLL functions with more than 4 arguments cannot have string arguments", false);
      return;
    }
  }
  if (!library.IsString() || !name.IsString()) {
    Console::Output("external_define: the library and the function are named by strings\n");
    ReportActionError("Error defining an external function.", false);
    return;
  }
  std::string why;
  const int id = DLL_Define(library.Str(), name.Str(), convention, argumentCount, types, stringResult, why);
  if (id < 0) {
    Console::Output("external_define: %s\n", why.c_str());
    ReportActionError("Error defining an external function.", false);
    return;
  }
  result.SetReal(id);
}

// external_define(dll, name, calltype, restype, argnumb, argtype1, ...)
void F_ExternalDefine(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  const int argumentCount = argc >= 5 ? FunctionArgumentIndex(args[4]) : -1;
  if (argc < 5 || argumentCount < 0 || argc != argumentCount + 5) {
    result.SetReal(-1.0);
    ReportActionError("Wrong number of arguments to external_define()", false);
    return;
  }
  int types[kDLLMaxArguments] = {};
  for (int i = 0; i < argumentCount && i < kDLLMaxArguments; ++i) types[i] = Type(args[5 + i]);
  Define(result, args[0], args[1], FunctionArgumentIndex(args[2]) == 1 ? 1 : 0, argumentCount, types,
         Type(args[3]) == kDLLTypeString);
}

// external_defineN(dll, name, argtype1, ..., argtypeN, restype): cdecl.
template <int N>
void F_ExternalDefineN(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  int types[kDLLMaxArguments] = {};
  for (int i = 0; i < N; ++i) types[i] = Type(FunctionArgument(argc, args, 2 + i));
  Define(result, FunctionArgument(argc, args, 0), FunctionArgument(argc, args, 1), 0, N, types,
         Type(FunctionArgument(argc, args, 2 + N)) == kDLLTypeString);
}

// external_call(id, x1, ...) and its fixed forms.
void F_ExternalCall(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  if (argc < 1 || args == nullptr) return;
  DLL_Call(FunctionArgumentIndex(args[0]), argc - 1, args + 1, result);
}

void F_ExternalFree(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  const RValue& library = FunctionArgument(argc, args, 0);
  if (library.IsString()) DLL_Free(library.Str());
}

}  // namespace

void Function_External_Bind() {
  ImplementFunction("external_define", F_ExternalDefine);
  ImplementFunction("external_call", F_ExternalCall);
  ImplementFunction("external_free", F_ExternalFree);
  ImplementFunction("external_define0", F_ExternalDefineN<0>);
  ImplementFunction("external_define1", F_ExternalDefineN<1>);
  ImplementFunction("external_define2", F_ExternalDefineN<2>);
  ImplementFunction("external_define3", F_ExternalDefineN<3>);
  ImplementFunction("external_define4", F_ExternalDefineN<4>);
  ImplementFunction("external_define5", F_ExternalDefineN<5>);
  ImplementFunction("external_define6", F_ExternalDefineN<6>);
  ImplementFunction("external_define7", F_ExternalDefineN<7>);
  ImplementFunction("external_define8", F_ExternalDefineN<8>);
  char name[32];
  for (int n = 0; n <= 8; ++n) {
    std::snprintf(name, sizeof name, "external_call%d", n);
    ImplementFunction(name, F_ExternalCall);
  }
}
