// Scripts: the SCPT chunk's table of named scripts, each with its code unit (bytecode games) or its
// source text (games that carry source, compiled at preparation).
#pragma once
#include <cstdint>

#include "DataFile/DataFile_View.h"

class CCode;

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

  CCode* code = nullptr;  // owned; null until compiled for source games

 private:
  char* m_name = nullptr;
  char* m_source = nullptr;
};

// Main pass: one CScript per non-empty index of the list. With a CODE chunk the second word of a
// record is the code index and the unit is built from that entry; otherwise it is the file offset of
// the script's source text, which is copied.
void Code_LoadSCPT(const DataView& view, uint64_t body, uint32_t length);

int32_t Script_Count();
// The script at `index`, or null (outside the table or an empty slot).
CScript* Script_Get(int32_t index);
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
