// Placing compiled code into a data file: turns the symbol lists of compiled units into the
// occurrence chains of the VARI and FUNC chunks and renumbers string operands into the file's
// string table.
//
// In the file, the reference word of every push.v / pop (at instruction + 4) keeps its flag bits
// 31..29 and holds in bits 28..0 the signed byte distance to the next instruction that refers to the
// same variable; the operand of every call holds the signed byte distance to the next call of the
// same function. The last occurrence holds 0. A VARI or FUNC record gives the name, the number of
// occurrences and the file offset of the first one.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Code/Code_Generate.h"

namespace Compiler {

// A compiled unit whose bytecode starts at file offset `bytecodeOffset`.
struct PlacedUnit {
  const CompiledCode* code = nullptr;
  uint32_t bytecodeOffset = 0;
};

// One VARI or FUNC record.
struct ChainRecord {
  std::string name;
  uint32_t count = 0;
  uint32_t firstOccurrence = 0;  // file offset of the first referring instruction
};

struct ChainedCode {
  std::vector<std::vector<uint8_t>> bytes;  // per unit: its bytecode as the file holds it
  std::vector<ChainRecord> variables;       // in order of first appearance
  std::vector<ChainRecord> functions;
};

// Builds the chains over all `units` (in any placement order; chains follow ascending file
// offsets). `stringIndex` gives the STRG index of a string literal. Fails with a message when
// two occurrences are too far apart for the 29-bit variable distance or units overlap.
bool BuildChains(const std::vector<PlacedUnit>& units,
                 const std::function<uint32_t(const std::string&)>& stringIndex, ChainedCode& out,
                 std::string& error);

}  // namespace Compiler
