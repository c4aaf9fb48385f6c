// Miscellaneous: the debug console, the clipboard, variables by name, and the process: its window's
// handle, its scheduling priority and its title.
//
// The variable functions name a variable by a string. `variable_global_*` work on the global list
// (as `global.name` does); `variable_local_*` work on the calling instance's own variables (as a
// plain `name` inside the instance's code does), built-in variables included. The array forms take
// one index, or a row and a column (each within 0..31999, as in code). A name that is not a string,
// a name no variable was ever given, or an index outside the array reads as real 0; such writes do
// nothing.
#include <sys/resource.h>

#include <cstdint>
#include <utility>

#include "Code/Code_Error.h"
#include "Function/Function_Library.h"
#include "Function/Function_Register.h"
#include "Graphics/Graphics_Window.h"
#include "Platform/Platform_Clipboard.h"
#include "Platform/Platform_Console.h"
#include "Platform/Platform_Memory.h"
#include "Variable/Variable_Global.h"
#include "Variable/Variable_Instance.h"
#include "Variable/Variable_Names.h"
#include "Variable/Variable_Route.h"

namespace {

// ---- show_debug_message --------------------------------------------------------------------

void F_ShowDebugMessage(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  char* text = StringOfValue(FunctionArgument(argc, args, 0));
  Console::Output("%s\n", text);
  MemFree(text);
}

// ---- Clipboard ---------------------------------------------------------------------------------

void F_ClipboardHasText(RValue& result, CInstance*, CInstance*, int, RValue*) {
  result.SetReal(Platform_ClipboardHasText() ? 1.0 : 0.0);
}

void F_ClipboardGetText(RValue& result, CInstance*, CInstance*, int, RValue*) {
  Library::SetStringResult(result, Platform_ClipboardText());
}

void F_ClipboardSetText(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  Platform_SetClipboardText(Library::ArgText(argc, args, 0));
}

// ---- Variables by name -----------------------------------------------------------------------

// The variable id for the name argument; -1 when it is no string or unknown. Writes register a new
// name, reads do not.
int32_t NameId(const RValue& name, bool create) {
  if (!name.IsString() || name.Str()[0] == '\0') return -1;
  return create ? Variable_FindOrAddName(name.Str()) : Variable_FindName(name.Str());
}

// The element index for the given index arguments (none, one, or row and column); -1 when out of
// range.
int32_t ElementIndex(int argc, const RValue* args, int first, int dimensions) {
  if (dimensions == 0) return 0;
  int a = FunctionArgumentIndex(FunctionArgument(argc, args, first));
  if (dimensions == 1) return a < 0 ? -1 : a;
  int b = FunctionArgumentIndex(FunctionArgument(argc, args, first + 1));
  if (a < 0 || b < 0 || b >= kArrayRowStride || a > INT32_MAX / kArrayRowStride - 1) return -1;
  return a * kArrayRowStride + b;
}

enum class Scope { Global, Local };

void GetByName(Scope scope, int dimensions, RValue& result, CInstance* self, CInstance* other,
               int argc, RValue* args) {
  int32_t id = NameId(FunctionArgument(argc, args, 0), false);
  int32_t index = ElementIndex(argc, args, 1, dimensions);
  if (id < 0 || index < 0) return;
  RValue value;
  bool ok;
  if (scope == Scope::Global) {
    VariableScope where{self, other, nullptr};
    ok = Variable_GetValue(where, SELECTOR_GLOBAL, id, index, &value);
  } else {
    ok = self != nullptr && Variable_GetInstance(self, id, index, &value);
  }
  if (ok) result = std::move(value);
}

void SetByName(Scope scope, int dimensions, CInstance* self, CInstance* other, int argc,
               RValue* args) {
  int32_t id = NameId(FunctionArgument(argc, args, 0), true);
  int32_t index = ElementIndex(argc, args, 1, dimensions);
  if (id < 0 || index < 0) return;
  const RValue& value = FunctionArgument(argc, args, 1 + dimensions);
  if (scope == Scope::Global) {
    VariableScope where{self, other, nullptr};
    Variable_SetValue(where, SELECTOR_GLOBAL, id, index, value);
  } else if (self != nullptr) {
    Variable_SetInstance(self, id, index, value);
  }
}

void F_GlobalExists(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  int32_t id = NameId(FunctionArgument(argc, args, 0), false);
  bool exists = id >= 0 && g_pGlobalVariables != nullptr && g_pGlobalVariables->Find(id) != nullptr;
  result.SetReal(exists ? 1.0 : 0.0);
}

void F_LocalExists(RValue& result, CInstance* self, CInstance*, int argc, RValue* args) {
  int32_t id = NameId(FunctionArgument(argc, args, 0), false);
  bool exists = false;
  if (id >= 0 && self != nullptr) {
    // Every instance has every built-in variable; user variables exist once set.
    exists = VariableIdIsBuiltIn(id) ? true : self->variables.Find(id) != nullptr;
  }
  result.SetReal(exists ? 1.0 : 0.0);
}

void F_GlobalArrayGet(RValue& r, CInstance* s, CInstance* o, int n, RValue* a) { GetByName(Scope::Global, 1, r, s, o, n, a); }
void F_GlobalArray2Get(RValue& r, CInstance* s, CInstance* o, int n, RValue* a) { GetByName(Scope::Global, 2, r, s, o, n, a); }
void F_GlobalSet(RValue&, CInstance* s, CInstance* o, int n, RValue* a) { SetByName(Scope::Global, 0, s, o, n, a); }
void F_GlobalArraySet(RValue&, CInstance* s, CInstance* o, int n, RValue* a) { SetByName(Scope::Global, 1, s, o, n, a); }
void F_GlobalArray2Set(RValue&, CInstance* s, CInstance* o, int n, RValue* a) { SetByName(Scope::Global, 2, s, o, n, a); }
void F_LocalGet(RValue& r, CInstance* s, CInstance* o, int n, RValue* a) { GetByName(Scope::Local, 0, r, s, o, n, a); }
void F_LocalArrayGet(RValue& r, CInstance* s, CInstance* o, int n, RValue* a) { GetByName(Scope::Local, 1, r, s, o, n, a); }
void F_LocalArray2Get(RValue& r, CInstance* s, CInstance* o, int n, RValue* a) { GetByName(Scope::Local, 2, r, s, o, n, a); }
void F_LocalSet(RValue&, CInstance* s, CInstance* o, int n, RValue* a) { SetByName(Scope::Local, 0, s, o, n, a); }
void F_LocalArraySet(RValue&, CInstance* s, CInstance* o, int n, RValue* a) { SetByName(Scope::Local, 1, s, o, n, a); }
void F_LocalArray2Set(RValue&, CInstance* s, CInstance* o, int n, RValue* a) { SetByName(Scope::Local, 2, s, o, n, a); }

// ---- The process -------------------------------------------------------------------------------

// window_handle(): the X11 window id of the game's window; 0 when there is none (headless).
void F_WindowHandle(RValue& result, CInstance*, CInstance*, int, RValue*) {
  result.SetReal(static_cast<double>(Window_NativeHandle()));
}

// set_program_priority(p): -3 (lowest) .. 3 (highest) as the nice values 15, 10, 5, 0, -5, -10, -15.
// An ordinary user may only lower the priority: a raise the system refuses leaves it as it is.
void F_SetProgramPriority(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  int p = FunctionArgumentIndex(FunctionArgument(argc, args, 0));
  p = p < -3 ? -3 : p > 3 ? 3 : p;
  setpriority(PRIO_PROCESS, 0, -5 * p);
}

// set_application_title(title): the title the desktop shows for the game, its window's title.
void F_SetApplicationTitle(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  Window_SetCaption(Library::ArgText(argc, args, 0));
}

}  // namespace

void Function_Misc_Bind() {
  ImplementFunction("window_handle", F_WindowHandle);
  ImplementFunction("set_program_priority", F_SetProgramPriority);
  ImplementFunction("set_application_title", F_SetApplicationTitle);
  ImplementFunction("show_debug_message", F_ShowDebugMessage);
  ImplementFunction("clipboard_has_text", F_ClipboardHasText);
  ImplementFunction("clipboard_get_text", F_ClipboardGetText);
  ImplementFunction("clipboard_set_text", F_ClipboardSetText);
  ImplementFunction("variable_global_exists", F_GlobalExists);
  ImplementFunction("variable_global_array_get", F_GlobalArrayGet);
  ImplementFunction("variable_global_array2_get", F_GlobalArray2Get);
  ImplementFunction("variable_global_set", F_GlobalSet);
  ImplementFunction("variable_global_array_set", F_GlobalArraySet);
  ImplementFunction("variable_global_array2_set", F_GlobalArray2Set);
  ImplementFunction("variable_local_exists", F_LocalExists);
  ImplementFunction("variable_local_get", F_LocalGet);
  ImplementFunction("variable_local_array_get", F_LocalArrayGet);
  ImplementFunction("variable_local_array2_get", F_LocalArray2Get);
  ImplementFunction("variable_local_set", F_LocalSet);
  ImplementFunction("variable_local_array_set", F_LocalArraySet);
  ImplementFunction("variable_local_array2_set", F_LocalArray2Set);
}
