// Loading and linking of compiled code: the code table (CODE), the string table (STRG), variable
// and function references (VARI, FUNC), the debug side file (DBGI, SCPT, STRG), code units (CCode)
// and their bytecode buffers (VMBuffer), source positions and the instruction listing.
//
// The instruction stream of every code entry is copied once out of the data block into a
// runner-owned, 4-byte aligned buffer when CODE is met in the pre-pass; linking writes 32-bit ids
// into that copy only, so the data block itself is never written. Variable and function reference
// chains are given as file offsets; they are mapped to (entry, offset in entry) through the table
// of entries sorted by file offset, and every step is checked: it must land on an unlinked
// instruction of the right kind inside one entry.
//
// String operands keep their string-table index; the machine resolves them through Code_String.
//
// Chunk handlers take the view of the whole file, the file offset of the chunk body and its length.
// A malformed body throws FileFormatError (caught by the load entry points); a name that cannot be
// resolved is reported through the error reporter as fatal and ends the process with exit code 1.
//
// Order of calls:
//   pre-pass:  Code_LoadSTRG, Code_LoadCODE, Code_LinkVARI (in file order; VARI before CODE is
//              linked as soon as CODE arrives)
//   main pass: Code_LoadSCPT (Code_Script.h), Code_LinkFUNC (after the built-in functions are
//              registered, VM_Install has connected the script table to the registry and SCPT is
//              loaded), Code_LinkCODE
// The view handed to the pre-pass handlers must stay valid until the pre-pass ends (a VARI chunk
// met before CODE is linked from it when CODE arrives).
//   side file: Code_LoadDebugSTRG, Code_LoadDebugDBGI, Code_LoadDebugSCPT (any order, any time
//              before code units are built)
#pragma once
#include <cstddef>
#include <cstdint>

#include "DataFile/DataFile_View.h"
#include "Variable/Variable_Value.h"

// A byte buffer holding bytecode or a position table. `data` is 4-byte aligned.
class VMBuffer {
 public:
  VMBuffer() = default;
  // A buffer that refers to bytes it does not own (a code-table copy).
  VMBuffer(uint8_t* bytes, int32_t length) : size(length), data(bytes) {}
  ~VMBuffer();
  VMBuffer(const VMBuffer&) = delete;
  VMBuffer& operator=(const VMBuffer&) = delete;

  // A buffer owning a copy of `length` bytes, followed by an exit word (so that running off the
  // end of code reads an instruction that ends the run).
  static VMBuffer* Copy(const void* bytes, int32_t length);

  int32_t size = 0;
  uint8_t* data = nullptr;
  bool owned = false;
  // The machine's stack check of the bytes (Code_StackCheck.h), made at their first run: 0 not yet
  // made, 1 passed, -1 failed or not made (a buffer that is not a copy). The bytes must not change
  // after their first run.
  mutable int8_t stackCheck = 0;
  mutable int32_t maxDepth = 0;         // of code that passed
  mutable uint8_t* stackSites = nullptr;  // of code that passed: its items at rets, exits and calls
  mutable struct VMOp* ops = nullptr;     // of code that passed: its decoded form (Code_Decode.h)
};

// One compiled code unit.
class CCode {
 public:
  CCode() = default;
  virtual ~CCode();
  CCode(const CCode&) = delete;
  CCode& operator=(const CCode&) = delete;

  // Replaces the name with a copy of `text`.
  void SetName(const char* text);
  // Replaces the source text with a copy of `text` (null gives the empty text).
  void SetSource(const char* text);
  // Makes the unit a constant: running it yields `value` and runs nothing.
  void SetConstant(const RValue& value);

  const char* Name() const { return m_name ? m_name : ""; }
  const char* Source() const { return m_source ? m_source : ""; }

  int32_t index = -1;            // code index in the code table, or -1
  VMBuffer* code = nullptr;      // bytecode, or null: running does nothing
  VMBuffer* positions = nullptr; // (bytecode offset, source position) pairs, or null
  bool ownsCode = false;         // destroy `code` with the unit (compiled at run time)
  bool ownsPositions = false;
  bool hasConstant = false;
  RValue constant;

 private:
  char* m_name = nullptr;
  char* m_source = nullptr;
};

// ---- Chunk handlers -----------------------------------------------------------------------------

void Code_LoadSTRG(const DataView& view, uint64_t body, uint32_t length);
void Code_LoadCODE(const DataView& view, uint64_t body, uint32_t length);
void Code_LinkVARI(const DataView& view, uint64_t body, uint32_t length);
void Code_LinkFUNC(const DataView& view, uint64_t body, uint32_t length);
void Code_LinkCODE(const DataView& view, uint64_t body, uint32_t length);

void Code_LoadDebugSTRG(const DataView& view, uint64_t body, uint32_t length);
void Code_LoadDebugDBGI(const DataView& view, uint64_t body, uint32_t length);
void Code_LoadDebugSCPT(const DataView& view, uint64_t body, uint32_t length);

// Frees the code table, the string table, the debug information and the scripts (a new game is
// about to be loaded; tests).
void Code_Reset();

// ---- The code table ------------------------------------------------------------------------------

// True once a CODE chunk was loaded: the game carries bytecode.
bool Code_HasBytecode();
int32_t Code_EntryCount();
// Name of entry `index` (null for an empty or out-of-range index).
const char* Code_EntryName(int32_t index);
// The linked bytecode of entry `index` (null for an empty or out-of-range index).
VMBuffer* Code_EntryBuffer(int32_t index);

// A code unit for code index `index`: the entry's name and bytecode, the side file's source text
// and position table. An index outside the table gives a unit without bytecode. Caller owns it.
CCode* Code_CreateFromIndex(int32_t index);

// ---- Strings -------------------------------------------------------------------------------------

int32_t Code_StringCount();
// The text of string `index` (null for an empty slot or an index out of range).
const char* Code_String(int32_t index);
// Appends a runner-owned copy of `text` (code compiled at run time) and returns its index.
int32_t Code_AddString(const char* text);

// ---- Debug information ---------------------------------------------------------------------------

// The side file's source text for code index `index`, or null.
const char* Code_DebugSource(int32_t index);
// The side file's position table for code index `index` (a runner-owned buffer), or null.
VMBuffer* Code_DebugPositions(int32_t index);

// Source position of the instruction at `offset`: the position of the last pair whose bytecode
// offset is not greater than `offset`; 0 without a table or before the first pair.
int32_t Code_SourcePosition(const VMBuffer* positions, uint32_t offset);
// Line number of a position: the line feeds in `source` before it (0 for the first line).
int32_t Code_LineNumber(const char* source, int32_t position);
// The text of the line holding `position`, from its start up to the next line break, into
// `buffer`; "<unknown source line>" when there is no source text.
const char* Code_LineText(const char* source, int32_t position, char* buffer, size_t size);

// ---- Verification and listing --------------------------------------------------------------------

// Checks that `size` bytes of code decode into whole instructions, that every branch lands on an
// instruction (or the end) and that every string operand names a string of the table. Returns
// null when the code is sound, else a description of the first fault.
const char* Code_Verify(const uint8_t* code, uint32_t size);

// Appends the listing line of the instruction at `offset` to `out` and returns its length in bytes
// (0 when the instruction does not fit in the code).
uint32_t Code_ListInstruction(const uint8_t* code, uint32_t size, uint32_t offset, CTextOutput& out);
// The listing of a whole buffer, one line per instruction.
void Code_List(const uint8_t* code, uint32_t size, CTextOutput& out);
// The listing of code entry `index` (nothing for an empty entry).
void Code_ListEntry(int32_t index, CTextOutput& out);
