#include "Code/Code_Script.h"

#include <cstring>

#include "Code/Code_Error.h"
#include "Code/Code_Load.h"
#include "Platform/Platform_Memory.h"

namespace ScriptTable {
CScript** g_Scripts = nullptr;
int32_t g_ScriptCount = 0;
uint32_t g_Version = 1;
}  // namespace ScriptTable

using ScriptTable::g_ScriptCount;
using ScriptTable::g_Scripts;

namespace {

int32_t g_ScriptCapacity = 0;

void TableChanged() {
  if (++ScriptTable::g_Version == 0) ScriptTable::g_Version = 1;
}

void Grow(int32_t count) {
  if (count <= g_ScriptCapacity) return;
  int32_t capacity = count > g_ScriptCapacity * 2 ? count : g_ScriptCapacity * 2;
  if (capacity < 16) capacity = 16;
  g_Scripts = static_cast<CScript**>(MemReAlloc(g_Scripts, sizeof(CScript*) * size_t(capacity)));
  g_ScriptCapacity = capacity;
}

}  // namespace

CScript::~CScript() {
  TableChanged();
  delete m_code;
  MemFree(m_name);
  MemFree(m_source);
}

void CScript::SetCode(CCode* code) {
  if (code != m_code) delete m_code;
  m_code = code;
  m_entryReady = false;
  TableChanged();
}

void CScript::SetName(const char* name) {
  m_entryReady = false;
  TableChanged();
  MemFree(m_name);
  m_name = MemDupString(name);
}

void CScript::SetSource(const char* text) {
  MemFree(m_source);
  m_source = MemDupString(text);
}

void Code_LoadSCPT(const DataView& view, uint64_t body, uint32_t length) {
  Script_FreeAll();
  ListView list = view.list(body, "SCPT list");
  if (list.end() > body + length) ThrowFormatError("SCPT: list of %u entries overruns the chunk", list.count());
  Grow(int32_t(list.count()));
  for (uint32_t i = 0; i < list.count(); i++) {
    uint32_t offset = list.entry(i);
    g_Scripts[i] = nullptr;
    g_ScriptCount = int32_t(i + 1);
    if (offset == 0) continue;
    const char* name = view.stringAt(offset, "SCPT script name");
    uint32_t second = view.u32(uint64_t(offset) + 4, "SCPT script record");
    auto* script = new CScript();
    g_Scripts[i] = script;  // owned by the table before any read that may throw
    script->SetName(name);
    if (Code_HasBytecode()) {
      script->SetCode(Code_CreateFromIndex(int32_t(second)));
    } else {
      script->SetSource(view.string(second, "SCPT script source"));
    }
  }
  g_ScriptCount = int32_t(list.count());
}

int32_t Script_Find(const char* name) {
  if (name == nullptr) return -1;
  for (int32_t i = 0; i < g_ScriptCount; i++) {
    if (g_Scripts[i] && std::strcmp(g_Scripts[i]->Name(), name) == 0) return i;
  }
  return -1;
}

const char* Script_Name(int32_t index) {
  CScript* script = Script_Get(index);
  return script ? script->Name() : "<undefined>";
}

int32_t Script_Add(CScript* script) {
  Grow(g_ScriptCount + 1);
  g_Scripts[g_ScriptCount] = script;
  TableChanged();
  return g_ScriptCount++;
}

void Script_FreeAll() {
  for (int32_t i = 0; i < g_ScriptCount; i++) delete g_Scripts[i];
  MemFree(g_Scripts);
  g_Scripts = nullptr;
  g_ScriptCount = g_ScriptCapacity = 0;
  TableChanged();
}

bool Script_CompileAll(ScriptCompileHook compile) {
  for (int32_t i = 0; i < g_ScriptCount; i++) {
    CScript* script = g_Scripts[i];
    if (script == nullptr || script->Code() != nullptr) continue;
    CCode* code = compile ? compile(script->Name(), script->Source()) : nullptr;
    if (code == nullptr) {
      ReportErrorF(true, "COMPILATION ERROR in Script: %s\n%s", script->Name(), CompileErrorText());
      return false;
    }
    script->SetCode(code);
  }
  return true;
}
