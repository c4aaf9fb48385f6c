// The compiler back end: lowers a folded syntax tree to bytecode, tracking the type of every value
// it leaves on the stack and inserting the conversions the virtual machine needs.
#pragma once
#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "Code/Code_Token.h"
#include "Code/Code_Tree.h"

namespace Compiler {

// A growable byte buffer of instruction words and their operands (little-endian).
class VMWriteBuffer {
 public:
  uint32_t Size() const { return static_cast<uint32_t>(size_); }
  void Word(uint32_t word) { Int32(static_cast<int32_t>(word)); }
  void Int32(int32_t value) { Put(static_cast<uint32_t>(value), Grow(4)); }
  void Int64(int64_t value) {
    uint8_t* at = Grow(8);
    Put(static_cast<uint32_t>(static_cast<uint64_t>(value)), at);
    Put(static_cast<uint32_t>(static_cast<uint64_t>(value) >> 32), at + 4);
  }
  void Double(double value);
  // Makes room for about `count` bytes at once.
  void Reserve(size_t count) {
    if (count > bytes_.size()) bytes_.resize(count);
  }
  uint32_t WordAt(uint32_t offset) const;
  void PatchWord(uint32_t offset, uint32_t word) { Put(word, bytes_.data() + offset); }
  std::vector<uint8_t> Take() {
    bytes_.resize(size_);
    size_ = 0;
    return std::move(bytes_);
  }

 private:
  static void Put(uint32_t v, uint8_t* at) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(v >> (8 * i));
  }
  // Room for `count` more bytes; the buffer grows by half when full.
  uint8_t* Grow(size_t count) {
    if (size_ + count > bytes_.size()) bytes_.resize(std::max<size_t>(bytes_.size() / 2 * 3, 4096));
    uint8_t* at = bytes_.data() + size_;
    size_ += count;
    return at;
  }

  std::vector<uint8_t> bytes_;  // its size is the capacity; size_ bytes are written
  size_t size_ = 0;
};

// Every instruction that refers to one variable or function name.
struct SymbolUse {
  std::string name;
  int id = 0;                      // the id the hooks gave when compiling
  std::vector<uint32_t> offsets;   // byte offsets of the referring instruction words, ascending
};

// A compiled piece of code and everything a loader or a data-file writer needs to place it:
//
// - `bytes`: the instruction stream. Variable references carry the ids the hooks gave and call
//   operands the function ids, so the code runs as it is in the process that compiled it.
// - `variables`, `functions`: the names the code refers to, each with the offsets of the
//   referring instructions (for push.v / pop the reference word is at offset + 4, for call the
//   function id). A writer turns these into occurrence chains.
// - `strings`, `stringUses`: the distinct string literals in first-use order; the operand of a
//   push.s at each offset in `stringUses` (at offset + 4) is an index into `strings`, which a
//   loader or writer renumbers into its own string table.
// - `positions`: (bytecode offset, character position) pairs in ascending offset, for the source
//   positions of runtime errors.
struct CompiledCode {
  std::vector<uint8_t> bytes;
  std::vector<SymbolUse> variables;
  std::vector<SymbolUse> functions;
  std::vector<std::string> strings;
  std::vector<uint32_t> stringUses;
  std::vector<std::pair<uint32_t, uint32_t>> positions;
  std::vector<std::string> localNames;  // names declared with var
  int maxStackItems = 0;                 // high-water mark of the type stack
  // Set when the code was compiled as an expression that folded to a constant.
  bool isConstant = false;
  CompileConstant constant;
};

// Generates code for a folded program. Fails only for code too large for branch offsets (and,
// as a guard against faults of the generator itself, for a statement that unbalances the stack).
bool Generate(const Program& program, CompiledCode& out, CompileProblem& problem);

}  // namespace Compiler
