// The stack check of bytecode, made once before code first runs: every path through the code keeps
// the stack in step. At each instruction the items on the stack (their types, and with-block
// records) are the same whichever way the instruction is reached; no instruction takes an item it
// does not name or takes more than its frame holds; every branch lands on an instruction or the end;
// pushenv and popenv nest. Code that passes runs without the machine's per-instruction stack and
// end-of-code tests; code that fails runs with them, as before.
#pragma once
#include <cstdint>

class VMBuffer;

// Bytes a with-block record may take on the stack, alignment included.
constexpr int32_t kStackCheckEnvWidth = 64;
// Deepest stack (in bytes) a code may reach and still pass.
constexpr int32_t kStackCheckMaxDepth = 16384;

// The mark of a with-block record in the item lists of Code_StackAt.
constexpr uint8_t kStackCheckEnv = 15;

// True when the code passes; *maxDepth then receives the most bytes its items take at once (the
// items of the instruction being run not counted). With `sites`, code that passes also gets a
// memory-manager block listing the items on the stack at each ret, exit and call (for
// Code_StackAt); the caller frees it.
bool Code_CheckStack(const uint8_t* code, uint32_t size, int32_t* maxDepth, uint8_t** sites = nullptr);

// The items on the stack when the ret, exit or call at `pc` starts, bottom first (item type codes
// and kStackCheckEnv), their number in *count; null for any other offset.
const uint8_t* Code_StackAt(const uint8_t* sites, uint32_t pc, int32_t* count);

// Makes the check of a buffer's bytes once and keeps its outcome in the buffer (stackCheck,
// maxDepth, stackSites, and for code that passes its decoded form, ops: Code_Decode.h). Only copies
// (VMBuffer::Copy) pass: the unchecked machine needs the exit word that follows their bytes.
void Code_CheckBuffer(const VMBuffer& buffer);
