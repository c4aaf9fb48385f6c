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

// True when the code passes; *maxDepth then receives the most bytes its items take at once (the
// items of the instruction being run not counted).
bool Code_CheckStack(const uint8_t* code, uint32_t size, int32_t* maxDepth);

// Makes the check of a buffer's bytes once and keeps its outcome in the buffer (stackCheck,
// maxDepth). Only copies (VMBuffer::Copy) pass: the unchecked machine needs the exit word that
// follows their bytes.
void Code_CheckBuffer(const VMBuffer& buffer);
