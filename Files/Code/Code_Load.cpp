#include "Code/Code_Load.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Code/Code_Error.h"
#include "Code/Code_Function.h"
#include "Code/Code_Opcodes.h"
#include "Code/Code_StackCheck.h"
#include "Code/Code_Script.h"
#include "Platform/Platform_Console.h"
#include "Platform/Platform_Memory.h"
#include "Variable/Variable_Names.h"

using namespace VM;

// ---- VMBuffer and CCode --------------------------------------------------------------------------

VMBuffer::~VMBuffer() {
  if (owned) MemFree(data);
  MemFree(stackSites);
  MemFree(ops);
}

VMBuffer* VMBuffer::Copy(const void* bytes, int32_t length) {
  auto* buffer = new VMBuffer();
  buffer->size = length;
  buffer->data = static_cast<uint8_t*>(MemAlloc(size_t(length) + 4));
  if (length > 0) std::memcpy(buffer->data, bytes, size_t(length));
  uint32_t exitWord = Encode(OP_EXIT, TYPE_INT);
  std::memcpy(buffer->data + (length > 0 ? length : 0), &exitWord, 4);
  buffer->owned = true;
  return buffer;
}

CCode::~CCode() {
  if (ownsCode) delete code;
  if (ownsPositions) delete positions;
  MemFree(m_name);
  MemFree(m_source);
}

void CCode::SetName(const char* text) {
  MemFree(m_name);
  m_name = MemDupString(text);
}

void CCode::SetSource(const char* text) {
  MemFree(m_source);
  m_source = MemDupString(text);
}

void CCode::SetConstant(const RValue& value) {
  constant = value;
  hasConstant = true;
}

// ---- Tables --------------------------------------------------------------------------------------

namespace {

// One code entry of the table.
struct CodeEntry {
  const char* name = nullptr;  // in the data block
  uint32_t fileOffset = 0;     // file offset of the bytecode
  uint32_t length = 0;
  VMBuffer* buffer = nullptr;  // the runner-owned copy (shared by entries with the same bytes)
  uint32_t* linked = nullptr;  // one bit per instruction word: a reference here is linked
  bool sharesCopy = false;     // the copy belongs to an earlier entry with the same bytes
};

struct CodeTables {
  CodeEntry* entries = nullptr;
  int32_t entryCount = 0;
  bool hasCode = false;
  int32_t* byOffset = nullptr;  // entries owning a bytecode copy, sorted by file offset
  int32_t uniqueCount = 0;      // number of indices in byOffset

  const char** strings = nullptr;
  bool* stringOwned = nullptr;
  int32_t stringCount = 0;
  int32_t stringCapacity = 0;

  // A VARI chunk met before CODE: linked when CODE arrives.
  const DataView* pendingVariView = nullptr;
  uint64_t pendingVariBody = 0;
  uint32_t pendingVariLength = 0;

  char** debugSources = nullptr;
  VMBuffer** debugPositions = nullptr;
  int32_t debugSourceCount = 0;
  int32_t debugPositionCount = 0;
};

CodeTables g_Code;

void FreeStrings() {
  for (int32_t i = 0; i < g_Code.stringCount; i++) {
    if (g_Code.stringOwned[i]) MemFree(const_cast<char*>(g_Code.strings[i]));
  }
  MemFree(g_Code.strings);
  MemFree(g_Code.stringOwned);
  g_Code.strings = nullptr;
  g_Code.stringOwned = nullptr;
  g_Code.stringCount = g_Code.stringCapacity = 0;
}

void FreeEntries() {
  for (int32_t i = 0; i < g_Code.entryCount; i++) {
    CodeEntry& e = g_Code.entries[i];
    if (!e.sharesCopy) {
      delete e.buffer;
      MemFree(e.linked);
    }
  }
  MemFree(g_Code.entries);
  MemFree(g_Code.byOffset);
  g_Code.entries = nullptr;
  g_Code.byOffset = nullptr;
  g_Code.entryCount = 0;
  g_Code.uniqueCount = 0;
  g_Code.hasCode = false;
}

void FreeDebug() {
  for (int32_t i = 0; i < g_Code.debugSourceCount; i++) MemFree(g_Code.debugSources[i]);
  for (int32_t i = 0; i < g_Code.debugPositionCount; i++) delete g_Code.debugPositions[i];
  MemFree(g_Code.debugSources);
  MemFree(g_Code.debugPositions);
  g_Code.debugSources = nullptr;
  g_Code.debugPositions = nullptr;
  g_Code.debugSourceCount = g_Code.debugPositionCount = 0;
}

void EnsureStringCapacity(int32_t count) {
  if (count <= g_Code.stringCapacity) return;
  int32_t capacity = std::max(count, g_Code.stringCapacity * 2 + 16);
  g_Code.strings = static_cast<const char**>(MemReAlloc(g_Code.strings, sizeof(char*) * size_t(capacity)));
  g_Code.stringOwned = static_cast<bool*>(MemReAlloc(g_Code.stringOwned, sizeof(bool) * size_t(capacity)));
  g_Code.stringCapacity = capacity;
}

// The load failures that name a symbol: the load entry point reports them as fatal errors and
// start-up ends with code 1.
[[noreturn]] void LoadFailure(const char* format, const char* name) {
  char message[512];
  std::snprintf(message, sizeof message, format, name ? name : "");
  throw FatalLoadError(message);
}

// A place in the code table found from a file offset.
struct CodePlace {
  CodeEntry* entry;
  uint32_t offset;  // byte offset inside the entry
};

// The entry whose bytecode holds the instruction at file offset `fileOffset`, with room for the
// instruction word and a 4-byte operand. Throws for an offset outside every entry.
CodePlace FindPlace(int64_t fileOffset, const char* what, const char* name) {
  // Entries with bytecode, sorted by offset: find the last one starting at or before fileOffset.
  int32_t lo = 0;
  int32_t hi = g_Code.uniqueCount - 1;
  int32_t found = -1;
  while (lo <= hi) {
    int32_t mid = (lo + hi) / 2;
    if (int64_t(g_Code.entries[g_Code.byOffset[mid]].fileOffset) <= fileOffset) {
      found = mid;
      lo = mid + 1;
    } else {
      hi = mid - 1;
    }
  }
  if (found >= 0) {
    CodeEntry* e = &g_Code.entries[g_Code.byOffset[found]];
    int64_t rel = fileOffset - int64_t(e->fileOffset);
    if (rel >= 0 && rel % 4 == 0 && rel + 8 <= int64_t(e->length)) return {e, uint32_t(rel)};
  }
  ThrowFormatError("%s chain of %s: occurrence at file offset %" PRId64 " lies outside the code", what,
                   name ? name : "", fileOffset);
}

uint32_t ReadWord(const CodeEntry* e, uint32_t offset) {
  uint32_t w;
  std::memcpy(&w, e->buffer->data + offset, 4);
  return w;
}

void WriteWord(CodeEntry* e, uint32_t offset, uint32_t w) { std::memcpy(e->buffer->data + offset, &w, 4); }

bool IsLinked(const CodeEntry* e, uint32_t offset) {
  uint32_t word = offset / 4;
  return (e->linked[word / 32] >> (word % 32)) & 1u;
}

void MarkLinked(CodeEntry* e, uint32_t offset) {
  uint32_t word = offset / 4;
  e->linked[word / 32] |= 1u << (word % 32);
}

void LinkVariables(const DataView& view, uint64_t body, uint32_t length) {
  if (length % 12 != 0) ThrowFormatError("VARI: body of %u bytes is not a whole number of records", length);
  view.require(body, length, "VARI body");
  for (uint64_t rec = body; rec < body + length; rec += 12) {
    const char* name = view.stringAt(rec, "VARI name");
    uint32_t count = view.u32(rec + 4, "VARI count");
    uint32_t first = view.u32(rec + 8, "VARI first occurrence");
    int32_t id = Variable_FindOrAddName(name);
    if (id < 0 || uint32_t(id) > kRefIdMask) LoadFailure("Error on load\nUnable to find variable %s\n", name);
    int64_t occurrence = first;
    for (uint32_t i = 0; i < count; i++) {
      CodePlace place = FindPlace(occurrence, "VARI", name);
      uint32_t instr = ReadWord(place.entry, place.offset);
      bool isPush = Opcode(instr) == OP_PUSH && Type1(instr) == TYPE_VARIABLE;
      bool isPop = Opcode(instr) == OP_POP && Type1(instr) == TYPE_VARIABLE;
      if (!isPush && !isPop) {
        ThrowFormatError("VARI chain of %s: occurrence at file offset %" PRId64 " is not a variable access",
                         name ? name : "", occurrence);
      }
      uint32_t operand = place.offset + 4;
      if (IsLinked(place.entry, operand)) {
        ThrowFormatError("VARI chain of %s: occurrence at file offset %" PRId64 " is already linked",
                         name ? name : "", occurrence);
      }
      uint32_t w = ReadWord(place.entry, operand);
      WriteWord(place.entry, operand, (w & kRefFlagMask) | (uint32_t(id) & kRefIdMask));
      MarkLinked(place.entry, operand);
      occurrence += RefSigned29(w);
    }
  }
}

}  // namespace


// ---- STRG ----------------------------------------------------------------------------------------

void Code_LoadSTRG(const DataView& view, uint64_t body, uint32_t length) {
  FreeStrings();
  ListView list = view.list(body, "STRG list");
  if (list.end() > body + length) ThrowFormatError("STRG: list of %u entries overruns the chunk", list.count());
  EnsureStringCapacity(int32_t(list.count()));
  for (uint32_t i = 0; i < list.count(); i++) {
    uint32_t offset = list.entry(i);
    const char* text = nullptr;
    if (offset != 0) {
      uint32_t len = view.u32(offset, "STRG record length");
      view.require(uint64_t(offset) + 4, uint64_t(len) + 1, "STRG record text");
      if (view.data()[uint64_t(offset) + 4 + len] != 0) {
        ThrowFormatError("STRG: string %u at offset %u is not terminated after its %u bytes", i, offset, len);
      }
      text = reinterpret_cast<const char*>(view.data() + offset + 4);
    }
    g_Code.strings[i] = text;
    g_Code.stringOwned[i] = false;
  }
  g_Code.stringCount = int32_t(list.count());
}

int32_t Code_StringCount() { return g_Code.stringCount; }

const char* Code_String(int32_t index) {
  if (index < 0 || index >= g_Code.stringCount) return nullptr;
  return g_Code.strings[index];
}

int32_t Code_AddString(const char* text) {
  EnsureStringCapacity(g_Code.stringCount + 1);
  g_Code.strings[g_Code.stringCount] = MemDupString(text ? text : "");
  g_Code.stringOwned[g_Code.stringCount] = true;
  return g_Code.stringCount++;
}

// ---- CODE (pre-pass) -----------------------------------------------------------------------------

void Code_LoadCODE(const DataView& view, uint64_t body, uint32_t length) {
  FreeEntries();
  ListView list = view.list(body, "CODE list");
  if (list.end() > body + length) ThrowFormatError("CODE: list of %u entries overruns the chunk", list.count());
  int32_t count = int32_t(list.count());
  if (count < 0) ThrowFormatError("CODE: %u entries are too many", list.count());
  g_Code.entries = static_cast<CodeEntry*>(MemAlloc(sizeof(CodeEntry) * size_t(count) + 1));
  g_Code.byOffset = static_cast<int32_t*>(MemAlloc(sizeof(int32_t) * size_t(count + 1)));
  g_Code.entryCount = count;
  g_Code.hasCode = true;
  int32_t withCode = 0;
  for (int32_t i = 0; i < count; i++) {
    uint32_t offset = list.entry(uint32_t(i));
    CodeEntry& e = g_Code.entries[i];
    e = CodeEntry();
    if (offset == 0) continue;
    e.name = view.stringAt(offset, "CODE entry name");
    e.length = view.u32(uint64_t(offset) + 4, "CODE entry length");
    e.fileOffset = offset + 8;
    view.require(e.fileOffset, e.length, "CODE entry bytecode");
    if (e.length % 4 != 0 || e.length > 0x7FFFFFF0u) {
      ThrowFormatError("CODE: entry %d has a bytecode length of %u bytes, not whole words", i, e.length);
    }
    g_Code.byOffset[withCode++] = i;
  }
  g_Code.byOffset[withCode] = -1;
  std::sort(g_Code.byOffset, g_Code.byOffset + withCode, [](int32_t a, int32_t b) {
    const CodeEntry& x = g_Code.entries[a];
    const CodeEntry& y = g_Code.entries[b];
    return x.fileOffset != y.fileOffset ? x.fileOffset < y.fileOffset : a < b;
  });
  // Entries that list the same bytes share one copy; entries that overlap otherwise are refused, as
  // a reference inside the overlap could not be linked for both.
  CodeEntry* previous = nullptr;
  int32_t unique = 0;
  for (int32_t k = 0; k < withCode; k++) {
    CodeEntry& e = g_Code.entries[g_Code.byOffset[k]];
    if (previous && previous->fileOffset == e.fileOffset && previous->length == e.length) {
      e.buffer = previous->buffer;
      e.linked = previous->linked;
      e.sharesCopy = true;
      continue;
    }
    if (previous && uint64_t(previous->fileOffset) + previous->length > e.fileOffset) {
      ThrowFormatError("CODE: entries %s and %s overlap", previous->name ? previous->name : "",
                       e.name ? e.name : "");
    }
    e.buffer = VMBuffer::Copy(view.data() + e.fileOffset, int32_t(e.length));
    e.linked = static_cast<uint32_t*>(MemAlloc((e.length / 4 + 31) / 32 * 4 + 4));
    g_Code.byOffset[unique++] = g_Code.byOffset[k];
    previous = &e;
  }
  g_Code.byOffset[unique] = -1;
  g_Code.uniqueCount = unique;
  if (g_Code.pendingVariView) {
    const DataView* pending = g_Code.pendingVariView;
    g_Code.pendingVariView = nullptr;
    LinkVariables(*pending, g_Code.pendingVariBody, g_Code.pendingVariLength);
  }
}

bool Code_HasBytecode() { return g_Code.hasCode; }
int32_t Code_EntryCount() { return g_Code.entryCount; }

const char* Code_EntryName(int32_t index) {
  if (index < 0 || index >= g_Code.entryCount) return nullptr;
  return g_Code.entries[index].name;
}

VMBuffer* Code_EntryBuffer(int32_t index) {
  if (index < 0 || index >= g_Code.entryCount) return nullptr;
  return g_Code.entries[index].buffer;
}

// ---- VARI (pre-pass) -----------------------------------------------------------------------------

void Code_LinkVARI(const DataView& view, uint64_t body, uint32_t length) {
  if (!g_Code.hasCode) {
    // The chains point into code entries; link them once the entries are known.
    view.require(body, length, "VARI body");
    g_Code.pendingVariView = &view;
    g_Code.pendingVariBody = body;
    g_Code.pendingVariLength = length;
    return;
  }
  LinkVariables(view, body, length);
}

// ---- FUNC (main pass) ----------------------------------------------------------------------------

void Code_LinkFUNC(const DataView& view, uint64_t body, uint32_t length) {
  if (length % 12 != 0) ThrowFormatError("FUNC: body of %u bytes is not a whole number of records", length);
  view.require(body, length, "FUNC body");
  for (uint64_t rec = body; rec < body + length; rec += 12) {
    const char* name = view.stringAt(rec, "FUNC name");
    uint32_t count = view.u32(rec + 4, "FUNC count");
    uint32_t first = view.u32(rec + 8, "FUNC first occurrence");
    int32_t id = -1;
    if (name == nullptr || name[0] == 0 || !FindFunction(name, &id)) {
      LoadFailure("Error on load\nUnable to find function %s\n", name);
    }
    if (count > 0 && !g_Code.hasCode) ThrowFormatError("FUNC: references to %s but no code", name);
    int64_t occurrence = first;
    for (uint32_t i = 0; i < count; i++) {
      CodePlace place = FindPlace(occurrence, "FUNC", name);
      uint32_t instr = ReadWord(place.entry, place.offset);
      if (Opcode(instr) != OP_CALL || OperandWidth(instr) != 4) {
        ThrowFormatError("FUNC chain of %s: occurrence at file offset %" PRId64 " is not a call", name,
                         occurrence);
      }
      uint32_t operand = place.offset + 4;
      if (IsLinked(place.entry, operand)) {
        ThrowFormatError("FUNC chain of %s: occurrence at file offset %" PRId64 " is already linked", name,
                         occurrence);
      }
      int32_t w = int32_t(ReadWord(place.entry, operand));
      WriteWord(place.entry, operand, uint32_t(id));
      MarkLinked(place.entry, operand);
      occurrence += w;
    }
  }
}

// ---- CODE (main pass) ----------------------------------------------------------------------------

void Code_LinkCODE(const DataView& view, uint64_t body, uint32_t length) {
  for (int32_t i = 0; i < g_Code.entryCount; i++) {
    const CodeEntry& e = g_Code.entries[i];
    if (e.buffer == nullptr || e.sharesCopy) continue;
    const char* fault = Code_Verify(e.buffer->data, e.length);
    if (fault) ThrowFormatError("CODE: entry %d (%s): %s", i, e.name ? e.name : "", fault);
    Code_CheckBuffer(*e.buffer);
  }
}

// ---- Verification --------------------------------------------------------------------------------

const char* Code_Verify(const uint8_t* code, uint32_t size) {
  static char fault[160];
  if (size % 4 != 0) return "the code is not a whole number of words";
  uint32_t words = size / 4;
  // One bit per word: an instruction starts here.
  uint32_t stackBits[64];
  uint32_t* starts = stackBits;
  size_t bitWords = words / 32 + 1;
  if (bitWords > 64) starts = static_cast<uint32_t*>(MemAlloc(bitWords * 4));
  else std::memset(stackBits, 0, sizeof stackBits);
  const char* result = nullptr;
  for (uint32_t pc = 0; pc < size;) {
    uint32_t w;
    std::memcpy(&w, code + pc, 4);
    uint32_t len = uint32_t(InstructionLength(w));
    if (uint64_t(pc) + len > size) {
      std::snprintf(fault, sizeof fault, "the instruction at %08x runs past the end of the code", pc);
      result = fault;
      break;
    }
    starts[pc / 128] |= 1u << ((pc / 4) % 32);
    if (HasOperand(Opcode(w)) && Type1(w) == TYPE_STRING) {
      int32_t index;
      std::memcpy(&index, code + pc + 4, 4);
      if (index < 0 || index >= g_Code.stringCount) {
        std::snprintf(fault, sizeof fault, "the string operand at %08x names string %d of %d", pc, index,
                      g_Code.stringCount);
        result = fault;
        break;
      }
    }
    pc += len;
  }
  for (uint32_t pc = 0; result == nullptr && pc < size;) {
    uint32_t w;
    std::memcpy(&w, code + pc, 4);
    if (IsBranchForm(Opcode(w)) && !IsPopEnvDrop(w)) {
      int64_t target = int64_t(pc) + 4 * int64_t(BranchOffset(w));
      bool onStart = target >= 0 && target < int64_t(size) &&
                     ((starts[uint64_t(target) / 128] >> ((uint64_t(target) / 4) % 32)) & 1u);
      if (!onStart && target != int64_t(size)) {
        std::snprintf(fault, sizeof fault, "the branch at %08x leads to %" PRId64 ", not to an instruction", pc,
                      target);
        result = fault;
      }
    }
    pc += uint32_t(InstructionLength(w));
  }
  if (starts != stackBits) MemFree(starts);
  return result;
}

// ---- Debug side file -----------------------------------------------------------------------------

void Code_LoadDebugSTRG(const DataView& view, uint64_t body, uint32_t length) {
  // The side file's string table carries the texts its other chunks point at; they are read through
  // their own offsets, so only the list's shape is checked here.
  ListView list = view.list(body, "debug STRG list");
  if (list.end() > body + length) ThrowFormatError("debug STRG: list overruns the chunk");
  for (uint32_t i = 0; i < list.count(); i++) {
    uint32_t offset = list.entry(i);
    if (offset != 0) view.u32(offset, "debug STRG record");
  }
}

void Code_LoadDebugDBGI(const DataView& view, uint64_t body, uint32_t length) {
  for (int32_t i = 0; i < g_Code.debugPositionCount; i++) delete g_Code.debugPositions[i];
  MemFree(g_Code.debugPositions);
  g_Code.debugPositions = nullptr;
  g_Code.debugPositionCount = 0;
  ListView list = view.list(body, "DBGI list");
  if (list.end() > body + length) ThrowFormatError("DBGI: list overruns the chunk");
  int32_t count = int32_t(list.count());
  g_Code.debugPositions = static_cast<VMBuffer**>(MemAlloc(sizeof(VMBuffer*) * (size_t(count) + 1)));
  g_Code.debugPositionCount = count;
  for (int32_t i = 0; i < count; i++) {
    uint32_t offset = list.entry(uint32_t(i));
    if (offset == 0) continue;
    uint32_t n = view.u32(offset, "DBGI table count");
    const uint8_t* pairs = view.bytes(uint64_t(offset) + 4, uint64_t(n) * 8, "DBGI table");
    if (uint64_t(n) * 8 > 0x7FFFFFF0u) ThrowFormatError("DBGI: table %d is too large", i);
    VMBuffer* table = VMBuffer::Copy(pairs, int32_t(n * 8));
    g_Code.debugPositions[i] = table;
    uint32_t last = 0;
    for (uint32_t k = 0; k < n; k++) {
      uint32_t at;
      std::memcpy(&at, table->data + k * 8, 4);
      if (k > 0 && at < last) ThrowFormatError("DBGI: table %d is not in ascending bytecode order", i);
      last = at;
    }
  }
}

void Code_LoadDebugSCPT(const DataView& view, uint64_t body, uint32_t length) {
  for (int32_t i = 0; i < g_Code.debugSourceCount; i++) MemFree(g_Code.debugSources[i]);
  MemFree(g_Code.debugSources);
  g_Code.debugSources = nullptr;
  g_Code.debugSourceCount = 0;
  ListView list = view.list(body, "debug SCPT list");
  if (list.end() > body + length) ThrowFormatError("debug SCPT: list overruns the chunk");
  int32_t count = int32_t(list.count());
  g_Code.debugSources = static_cast<char**>(MemAlloc(sizeof(char*) * (size_t(count) + 1)));
  g_Code.debugSourceCount = count;
  for (int32_t i = 0; i < count; i++) {
    uint32_t offset = list.entry(uint32_t(i));
    if (offset == 0) continue;
    const char* text = view.stringAt(offset, "debug SCPT source text");
    g_Code.debugSources[i] = MemDupString(text);
  }
}

const char* Code_DebugSource(int32_t index) {
  if (index < 0 || index >= g_Code.debugSourceCount) return nullptr;
  return g_Code.debugSources[index];
}

VMBuffer* Code_DebugPositions(int32_t index) {
  if (index < 0 || index >= g_Code.debugPositionCount) return nullptr;
  return g_Code.debugPositions[index];
}

// ---- Code units ----------------------------------------------------------------------------------

CCode* Code_CreateFromIndex(int32_t index) {
  auto* unit = new CCode();
  unit->index = index;
  if (index >= 0 && index < g_Code.entryCount) {
    unit->SetName(g_Code.entries[index].name);
    unit->code = g_Code.entries[index].buffer;
  }
  unit->SetSource(Code_DebugSource(index));
  unit->positions = Code_DebugPositions(index);
  return unit;
}

void Code_Reset() {
  FreeEntries();
  FreeStrings();
  FreeDebug();
  Script_FreeAll();
  g_Code.pendingVariView = nullptr;
}

// ---- Source positions ----------------------------------------------------------------------------

int32_t Code_SourcePosition(const VMBuffer* positions, uint32_t offset) {
  if (positions == nullptr || positions->size < 8) return 0;
  uint32_t n = uint32_t(positions->size) / 8;
  // Last pair whose bytecode offset is <= offset.
  uint32_t lo = 0, hi = n;
  while (lo < hi) {
    uint32_t mid = (lo + hi) / 2;
    uint32_t at;
    std::memcpy(&at, positions->data + mid * 8, 4);
    if (at <= offset) lo = mid + 1;
    else hi = mid;
  }
  if (lo == 0) return 0;
  int32_t position;
  std::memcpy(&position, positions->data + (lo - 1) * 8 + 4, 4);
  return position;
}

int32_t Code_LineNumber(const char* source, int32_t position) {
  if (source == nullptr || position <= 0) return 0;
  int32_t line = 0;
  for (int32_t i = 0; i < position && source[i] != 0; i++) {
    if (source[i] == '\n') line++;
  }
  return line;
}

const char* Code_LineText(const char* source, int32_t position, char* buffer, size_t size) {
  if (source == nullptr || source[0] == 0) {
    std::snprintf(buffer, size, "%s", "<unknown source line>");
    return buffer;
  }
  size_t length = std::strlen(source);
  size_t at = position < 0 ? 0 : std::min(size_t(position), length);
  size_t start = at;
  while (start > 0 && source[start - 1] != '\n') start--;
  size_t end = start;
  while (end < length && source[end] != '\r' && source[end] != '\n') end++;
  size_t n = std::min(end - start, size - 1);
  std::memcpy(buffer, source + start, n);
  buffer[n] = 0;
  return buffer;
}

// ---- Listing -------------------------------------------------------------------------------------

namespace {

void PadTo(char* line, size_t& length, size_t column, size_t capacity) {
  while (length < column && length + 1 < capacity) line[length++] = ' ';
  line[length] = 0;
}

}  // namespace

uint32_t Code_ListInstruction(const uint8_t* code, uint32_t size, uint32_t offset, CTextOutput& out) {
  if (uint64_t(offset) + 4 > size) return 0;
  uint32_t w;
  std::memcpy(&w, code + offset, 4);
  uint32_t len = uint32_t(InstructionLength(w));
  if (uint64_t(offset) + len > size) return 0;
  uint8_t op = Opcode(w);

  char line[512];
  size_t n = size_t(std::snprintf(line, sizeof line, "%08x : ", offset));
  for (uint32_t i = 0; i < len; i++) n += size_t(std::snprintf(line + n, sizeof line - n, "%02x", code[offset + i]));
  PadTo(line, n, 36, sizeof line);
  const char* mnemonic = OpcodeName(op);
  n += size_t(std::snprintf(line + n, sizeof line - n, "%s", mnemonic ? mnemonic : "???"));
  if (!IsBranchForm(op)) {
    n += size_t(std::snprintf(line + n, sizeof line - n, "%s", TypeSuffix(Type1(w))));
    if ((op & 0x80) == 0) n += size_t(std::snprintf(line + n, sizeof line - n, "%s", TypeSuffix(Type2(w))));
  }
  PadTo(line, n, 46, sizeof line);
  out.Write(line, n);

  const uint8_t* operand = code + offset + 4;
  if (IsBranchForm(op)) {
    out.Printf("0x%08x", uint32_t(int64_t(offset) + 4 * int64_t(BranchOffset(w))));
  } else if (HasOperand(op) || Type1(w) == TYPE_IMM16) {
    switch (Type1(w)) {
      case TYPE_DOUBLE: {
        double d;
        std::memcpy(&d, operand, 8);
        out.Printf("%f", d);
        break;
      }
      case TYPE_FLOAT: {
        float f;
        std::memcpy(&f, operand, 4);
        out.Printf("%f", double(f));
        break;
      }
      case TYPE_INT: {
        int32_t i;
        std::memcpy(&i, operand, 4);
        const char* name = op == OP_CALL ? FunctionName(i) : nullptr;  // built-in, script or extension
        if (name) out.Write(name);
        else out.Printf("%d", i);
        break;
      }
      case TYPE_LONG: {
        int64_t l;
        std::memcpy(&l, operand, 8);
        out.Printf("%lld", static_cast<long long>(l));
        break;
      }
      case TYPE_BOOL: {
        int32_t b;
        std::memcpy(&b, operand, 4);
        out.Write((b & 0xFF) ? "true" : "false");
        break;
      }
      case TYPE_VARIABLE: {
        uint32_t ref;
        std::memcpy(&ref, operand, 4);
        out.Printf("$%s$", Variable_GetName(RefId(ref)));
        break;
      }
      case TYPE_STRING: {
        int32_t index;
        std::memcpy(&index, operand, 4);
        const char* text = Code_String(index);
        out.Printf("\"%s\"", text ? text : "");
        break;
      }
      case TYPE_IMM16:
        out.Printf("%d", int(SignedImmediate(w)));
        break;
      default:
        break;
    }
  }
  out.Write("\n", 1);
  return len;
}

void Code_List(const uint8_t* code, uint32_t size, CTextOutput& out) {
  for (uint32_t pc = 0; pc < size;) {
    uint32_t len = Code_ListInstruction(code, size, pc, out);
    if (len == 0) break;
    pc += len;
  }
}

void Code_ListEntry(int32_t index, CTextOutput& out) {
  VMBuffer* buffer = Code_EntryBuffer(index);
  if (buffer) Code_List(buffer->data, uint32_t(buffer->size), out);
}
