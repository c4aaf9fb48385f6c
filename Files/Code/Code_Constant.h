// The constants table and the resolution of a bare name used as a value.
//
// The table is two parallel growable arrays (names and values) appended one entry at a time; adding
// a name that exists adds a second entry. Lookups search from the most recent entry backwards, so a
// game constant hides a built-in constant of the same name.
#pragma once
#include <cstdint>

#include "Variable/Variable_Value.h"

// ---- The table -------------------------------------------------------------------------------

void AddConstant(const char* name, double value);
void AddConstant(const char* name, const char* value);
// Exact, case-sensitive, most recent entry first. Copies the value into *out when found.
bool FindConstant(const char* name, RValue* out);
// As FindConstant, ignoring letter case.
bool FindConstantNoCase(const char* name, RValue* out);
int ConstantCount();
const char* ConstantName(int index);        // null outside the table
const RValue* ConstantValue(int index);     // null outside the table
// Empties the table (game end).
void ReleaseConstants();

// Adds the core table (313 entries) and then the platform table (26), in order.
void AddBuiltinConstants();

// ---- Game constants --------------------------------------------------------------------------

// One constant from the options chunk: its name and its value as source text.
struct CGameConstant {
  const char* name;
  const char* value;
};

// Evaluates `text` as an expression compiled under `codeName`; false when it does not compile or
// run. The compiler installs this; until then the built-in evaluator (EvaluateConstantText) is used.
using ConstantEvaluateHook = bool (*)(const char* codeName, const char* text, RValue* out);
void SetConstantEvaluateHook(ConstantEvaluateHook hook);
ConstantEvaluateHook CurrentConstantEvaluateHook();

// The evaluator used until the compiler is attached: after trimming blanks, an optional sign and a
// decimal number (digits with at most one point) or a "$" hexadecimal number; a string in single or
// double quotes; or the name of a resource or an already defined constant (ResolveBareName).
bool EvaluateConstantText(const char* text, RValue* out);

// Where the failure messages of DefineConstants go (default: a line on the console).
using ConstantMessageHook = void (*)(const char* message);
void SetConstantMessageHook(ConstantMessageHook hook);
ConstantMessageHook CurrentConstantMessageHook();

// True when `name` is an identifier: a letter or underscore, then letters, digits and underscores.
bool IsIdentifier(const char* name);

// The preparation step "define the built-in and game constants": empties the table, adds the
// built-in tables, then each game constant (name trimmed and checked, value evaluated under the code
// name "Constant.%d"). An invalid name shows "Constant name <name>  is not valid.", a bad value
// "Value for constant <name>  is not valid."; either ends the step with false.
bool DefineConstants(const CGameConstant* constants, int count);

// ---- Bare names ------------------------------------------------------------------------------

// The resource kinds a bare name is looked up in, in lookup order.
enum class ResourceKind : uint8_t {
  Object,
  Sprite,
  Sound,
  Background,
  Path,
  Font,
  Timeline,
  Script,
  Room,
  Count
};

// Index of the resource of `kind` named `name`, or -1. Installed by the resource modules.
using ResourceFindHook = int (*)(const char* name);
void SetResourceFindHook(ResourceKind kind, ResourceFindHook hook);
ResourceFindHook CurrentResourceFindHook(ResourceKind kind);

// Resolves a bare name used as a value: object, sprite, sound, background, path, font, timeline,
// script and room names (giving the index), then the constants table (backwards, exact case).
bool ResolveBareName(const char* name, RValue* out);
