// Scripts: the SCPT chunk's table of named scripts, each with its code unit (bytecode games) or its
// source text (games that carry source, compiled at preparation).
#pragma once
#include <cstdint>

#include "DataFile/DataFile_View.h"

class CCode;
class VMBuffer;
struct VMOp;

// What a script call sets the callee's running state from, made by the machine at the script's
// first call from its code unit (which must not change after that, except by SetCode).
struct ScriptCallEntry {
  const VMBuffer* code = nullptr;
  const VMBuffer* positions = nullptr;
  const char* source = nullptr;
  const char* name = nullptr;
  const uint8_t* bytes = nullptr;
  uint32_t size = 0;
  const VMOp* ops = nullptr;  // the code's decoded form, null when it has none
  // Stack bytes the callee needs below its frame's top to run without the per-instruction tests
  // (its deepest stack and the instruction margin); larger than any stack when it must be checked.
  intptr_t uncheckedRoom = 0;
};

class CScript {
 public:
  CScript() = default;
  virtual ~CScript();
  CScript(const CScript&) = delete;
  CScript& operator=(const CScript&) = delete;

  const char* Name() const { return m_name ? m_name : ""; }
  void SetName(const char* name);
  // The source text of a source game ("" otherwise).
  const char* Source() const { return m_source ? m_source : ""; }
  void SetSource(const char* text);

  // The code unit (owned); null until compiled for source games.
  CCode* Code() const { return m_code; }
  // Replaces the unit (the old one is destroyed) and forgets the call entry made from it.
  void SetCode(CCode* code);

  // The call entry, or null until the machine made it (see ScriptCallEntry).
  const ScriptCallEntry* CallEntry() const { return m_entryReady ? &m_entry : nullptr; }
  const ScriptCallEntry& SetCallEntry(const ScriptCallEntry& entry) {
    m_entry = entry;
    m_entryReady = true;
    return m_entry;
  }

 private:
  CCode* m_code = nullptr;
  ScriptCallEntry m_entry;
  bool m_entryReady = false;
  char* m_name = nullptr;
  char* m_source = nullptr;
};

// Main pass: one CScript per non-empty index of the list. With a CODE chunk the second word of a
// record is the code index and the unit is built from that entry; otherwise it is the file offset of
// the script's source text, which is copied.
void Code_LoadSCPT(const DataView& view, uint64_t body, uint32_t length);

namespace ScriptTable {
extern CScript** g_Scripts;
extern int32_t g_ScriptCount;
// Moves on whenever a script is added, freed, renamed or given new code (never 0): whatever was
// read from the table under an older value (a call site's entry) may be stale.
extern uint32_t g_Version;
}  // namespace ScriptTable

inline int32_t Script_Count() { return ScriptTable::g_ScriptCount; }
// The script at `index`, or null (outside the table or an empty slot).
inline CScript* Script_Get(int32_t index) {
  return uint32_t(index) < uint32_t(ScriptTable::g_ScriptCount) ? ScriptTable::g_Scripts[index] : nullptr;
}
// Index of the first script named exactly `name`, or -1.
int32_t Script_Find(const char* name);
// The script's name, or "<undefined>" for an index outside the table or without a script.
const char* Script_Name(int32_t index);
// Appends a script (created at run time or by tests); the table takes ownership. Returns its index.
int32_t Script_Add(CScript* script);
// Frees every script.
void Script_FreeAll();

// Compiles a script's source text into a code unit, or gives null (the error reporter then holds the
// compile error text). The runner passes its compiler's entry.
using ScriptCompileHook = CCode* (*)(const char* name, const char* source);
// Preparation of a game that carries source text: compiles every script that has no code unit yet.
// The first failure is reported as fatal, "COMPILATION ERROR in Script: %s\n%s" with the script's
// name and the compile error text, and the result is false.
bool Script_CompileAll(ScriptCompileHook compile);
