#include "Variable/Variable_Global.h"

#include <cstring>

#include "Platform/Platform_Memory.h"
#include "Support/Support_Stream.h"
#include "Variable/Variable_Names.h"

CVariableList* g_pGlobalVariables = nullptr;
uint8_t* g_GlobalVarFlags = nullptr;
int32_t g_GlobalVarLimit = 0;

namespace {

int32_t g_GlobalVarFlagCount = 0;

constexpr int32_t kInitialFlags = 10000;
constexpr int32_t kFlagGrowth = 1000;

void FreeFlags() {
  if (g_GlobalVarFlags != nullptr) MemFree(g_GlobalVarFlags);
  g_GlobalVarFlags = nullptr;
  g_GlobalVarFlagCount = 0;
  g_GlobalVarLimit = 0;
}

void EnsureGlobals() {
  if (g_pGlobalVariables == nullptr) g_pGlobalVariables = new CVariableList();
  if (g_GlobalVarFlags == nullptr) {
    g_GlobalVarFlags = static_cast<uint8_t*>(MemAlloc(kInitialFlags));
    g_GlobalVarFlagCount = kInitialFlags;
  }
}

}  // namespace

void Variable_PrepareGlobals() {
  Variable_FreeGlobals();
  EnsureGlobals();
}

void Variable_FreeGlobals() {
  delete g_pGlobalVariables;
  g_pGlobalVariables = nullptr;
  FreeFlags();
}

bool Variable_DeclareGlobalVar(int32_t id) {
  if (id < kFirstUserVariable) return false;
  EnsureGlobals();
  int32_t index = id - kFirstUserVariable;
  if (index >= g_GlobalVarFlagCount) {
    int64_t count = g_GlobalVarFlagCount;
    while (count <= index) count += kFlagGrowth;
    g_GlobalVarFlags = static_cast<uint8_t*>(MemReAlloc(g_GlobalVarFlags, static_cast<size_t>(count)));  // new bytes are 0
    g_GlobalVarFlagCount = static_cast<int32_t>(count);
  }
  g_GlobalVarFlags[index] = 1;
  if (index >= g_GlobalVarLimit) g_GlobalVarLimit = index + 1;
  g_pGlobalVariables->FindOrCreate(id);
  return true;
}

int32_t Variable_GlobalVarFlagCount() { return g_GlobalVarFlagCount; }

void Variable_SaveGlobals(CStream* stream) {
  stream->WriteInteger(kGlobalStateVersion);
  if (g_pGlobalVariables != nullptr) {
    g_pGlobalVariables->Save(stream);
  } else {
    CVariableList empty;
    empty.Save(stream);
  }
  stream->WriteInteger(g_GlobalVarFlagCount);
  stream->WriteBuffer(g_GlobalVarFlags, g_GlobalVarFlagCount);
}

namespace {

// Reads the block after the marker into scratch storage; on success *listStart is where the list
// begins and *count the number of flag bytes that follow it.
bool CheckGlobals(CStream* stream, int64_t* listStart, int32_t* count) {
  if (stream->ReadInteger() != kGlobalStateVersion || stream->Failed()) return false;
  *listStart = stream->GetPosition();
  if (!CVariableList::Skip(stream)) return false;
  *count = stream->ReadInteger();
  return !stream->Failed() && *count >= 0 && *count <= stream->Remaining();
}

}  // namespace

bool Variable_SkipGlobals(CStream* stream) {
  int64_t listStart;
  int32_t count;
  if (!CheckGlobals(stream, &listStart, &count)) return false;
  stream->Seek(count, CStream::SEEK_FROM_CURRENT);
  return true;
}

bool Variable_LoadGlobals(CStream* stream) {
  // First pass: read everything into scratch storage, so a bad block changes nothing.
  int64_t listStart;
  int32_t count;
  if (!CheckGlobals(stream, &listStart, &count)) return false;
  uint8_t* flags = nullptr;
  if (count > 0) {
    flags = static_cast<uint8_t*>(MemAlloc(static_cast<size_t>(count)));
    stream->ReadBuffer(flags, count);
  }
  int64_t end = stream->GetPosition();

  // Second pass over the same bytes, now known to be sound, into the global list.
  EnsureGlobals();
  stream->Seek(listStart, CStream::SEEK_FROM_START);
  g_pGlobalVariables->Load(stream);
  stream->Seek(end, CStream::SEEK_FROM_START);
  FreeFlags();
  g_GlobalVarFlags = flags;
  g_GlobalVarFlagCount = count;
  g_GlobalVarLimit = count;
  while (g_GlobalVarLimit > 0 && flags[g_GlobalVarLimit - 1] == 0) g_GlobalVarLimit--;
  return true;
}
