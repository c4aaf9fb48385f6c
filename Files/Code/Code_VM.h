// The virtual machine: runs the bytecode of one code unit on behalf of an instance.
//
// A run owns a value stack of kVMStackSize bytes growing downward; items are packed at their type
// widths (Variable_Value.h). Script calls made by the code do not recurse natively: a call record
// holding the caller's state and its sixteen argument slots is pushed on the value stack where the
// arguments were, and the machine switches to the script's bytecode. Built-in functions are called
// through the registry (Code_Function.h); they may start nested runs, each with its own stack.
//
// Runtime errors build the report ("VMError!! Occurred - ..." with variable dumps and the call
// chain), show it through the error reporter as fatal and end the process with exit code 255.
// While the reporter is suppressed (the debugger evaluating an expression) errors only raise the
// failure flag and execution continues with the instruction's partial result. Errors that leave the
// machine unable to continue (stack exhausted, code popping below its frame) end the run.
#pragma once
#include <cstdint>

#include "Variable/Variable_Value.h"

class CCode;
class CInstance;
class VMBuffer;

// Bytes of one run's value stack. Items on this 64-bit build are wider than the 4-byte slots the
// format was designed around (a value is 24 bytes, a text pointer 8), so the stack is twice the
// classic 16384 bytes to give script recursion at least the classic depth.
constexpr int32_t kVMStackSize = 32768;
// Nested runs (built-in functions that run code) deeper than this end with a runtime error.
constexpr int32_t kVMMaxNestedRuns = 200;

// Runs `code` from offset 0 with `self` and `other` until its end, an exit or a ret at call depth
// 0. When `out` is given it receives the run's value: the item ret left, or the zero value.
// `positions` and `source` give the source lines for error reports (either may be null). The
// argument count is saved at entry and restored at exit. False when the run was cut short by an
// error it could not continue from.
bool VM_Run(const char* name, CInstance* self, CInstance* other, const VMBuffer* code, RValue* out,
            const VMBuffer* positions, const char* source);

// The entry for events, scripts and actions: a unit without bytecode does nothing, a constant unit
// copies its constant into `out`.
bool VM_Execute(CInstance* self, CInstance* other, CCode* code, RValue* out);

// Runs script `index` with the argument slots as they are (the registry's ExecuteScript fills them)
// and stores the run's value in `result`. False when there is no such script.
bool VM_RunScript(int index, CInstance* self, CInstance* other, RValue& result);

// Connects the machine and the script table to the function registry: script lookup by name,
// script names and script execution from native code (ExecuteScript). Call once at start-up, after
// any other module has set its own registry hooks.
void VM_Install();

// Extension functions (ids from 500000) are called through this hook with the extension function
// index and the caller's self and other. Without it such a call yields the zero value.
using VMExtensionCall = void (*)(int index, CInstance* self, CInstance* other, int argc, RValue* args,
                                 RValue& result);
void VM_SetExtensionCall(VMExtensionCall call);

// Tracing ("-trace", the options file's Trace key): "script = %s" per run, call messages.
void VM_SetTrace(bool on);
bool VM_Trace();
// "-oldexec": game code is meant for the source interpreter. It runs on this machine all the same
// (every code unit is compiled, from source text when the game carries it); what the switch adds
// is the source interpreter's checks before a run (code that has no compiled form, a run without
// an instance) and its count of calls per built-in function.
void VM_SetSourceInterpreter(bool on);
bool VM_SourceInterpreter();

// Breakpoints from "-bp name@line" (at most 10). A hit prints "Breakpoint hit: %s (line %d)" on the
// console when a run enters that line of that code; execution continues.
constexpr int kVMMaxBreakpoints = 10;
// Adds a breakpoint on `line` (counted from 1) of the named code; false for an empty or too long
// name, a negative line or a full table.
bool VM_AddBreakpoint(const char* codeName, int32_t line);
void VM_SetBreakpointEnabled(int index, bool enabled);
int VM_BreakpointCount();
void VM_ClearBreakpoints();

// Where runtime error reports go instead of the fatal path (tests, an embedding debugger). With a
// sink installed a report is built and handed over, and the run goes on as if suppressed.
using VMErrorSink = void (*)(const char* report);
void VM_SetErrorSink(VMErrorSink sink);
VMErrorSink VM_CurrentErrorSink();

// The current call depth of the innermost run (0 outside scripts) and the number of nested runs.
int VM_CallDepth();
int VM_RunDepth();
