// Compiling code inside the running runner: the compiler wired to the runner's registries, and
// compiled code turned into runnable code units (execute_string, game constants, games that carry
// source text).
#pragma once
#include "Code/Code_Compiler.h"
#include "Code/Code_Load.h"

class CInstance;

// The lookups of the running runner: FindFunction and ArgumentCount of the function registry,
// ResolveBareName (resources, then constants), the variable-name registry, and globalvar
// declarations that set the globalvar flags at once.
Compiler::CompileHooks Code_RunnerCompileHooks();

// Compiles `text` into a code unit named `name` that owns its bytecode and position table; string
// literals are entered into the runner's string table (a text already entered by earlier compiled
// code is reused). An expression that folds to a constant gives a constant unit. On a compile
// error returns null; the error reporter then holds the compile error text.
CCode* Code_CompileText(const char* name, const char* text,
                        Compiler::CompileAs as = Compiler::CompileAs::Statements);

// Evaluates a constant's value text at preparation, compiled as an expression under `codeName`:
// an expression that folds gives its constant, any other is run on the virtual machine without an
// instance. Returns false when the text does not compile or the run meets a runtime error (which
// then does not end the process).
bool Code_EvaluateConstantExpression(const char* codeName, const char* text, RValue* out);
// The message of the runtime error that made the last evaluation fail ("" when none did).
const char* Code_ConstantRunError();

// Preparation of a game that carries source text: compiles every script that has source text and
// no code unit yet, in index order, each under its own name. The first script that fails to
// compile is reported as fatal with "COMPILATION ERROR in Script: <name>\n<compile error text>"
// and the result is false (the game must not start).
bool Code_CompileScripts();

// The built-in function execute_string(code, arguments...): compiles `code` as statements and runs
// it with the caller's self and other; the further arguments are argument0, argument1, ... of the
// code (the caller's argument slots are restored afterwards) and the result is the value the code
// returns. A compile error is reported (non-fatal, framed with the current action) and gives 0.
void Code_ExecuteString(RValue& result, CInstance* self, CInstance* other, int argc, RValue* args);

// execute_file(name, arguments...): as execute_string with the text of a file (read from the save
// folder, else the game's folder); a file that cannot be read is a non-fatal error.
void Code_ExecuteFile(RValue& result, CInstance* self, CInstance* other, int argc, RValue* args);

// Installs the compiler where the runner needs it: the evaluator of game constants and the
// routine of execute_string.
void Code_InstallCompiler();
