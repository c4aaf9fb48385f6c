#include "Variable/Variable_Global.h"

#include <cstring>

#include "Platform/Platform_Memory.h"
#include "Support/Support_Stream.h"
#include "Variable/Variable_Names.h"

CVariableList* g_pGlobalVariables = nullptr;

namespace {

constexpr int32_t kInitialFlags = 10000;
constexpr int32_t kFlagGrowth = 1000;

uint8_t* g_flags = nullptr;
int32_t g_flagCount = 0;

void FreeFlags() {
  if (g_flags != nullptr) MemFree(g_flags);
  g_flags = nullptr;
  g_flagCount = 0;
}

void EnsureGlobals() {
  if (g_pGlobalVariables == nullptr) g_pGlobalVariables = new CVariableList();
  if (g_flags == nullptr) {
    g_flags = static_cast<uint8_t*>(MemAlloc(kInitialFlags));
    g_flagCount = kInitialFlags;
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

bool Variable_IsGlobalVar(int32_t id) {
  if (id < kFirstUserVariable) return false;
  int64_t index = static_cast<int64_t>(id) - kFirstUserVariable;
  return index < g_flagCount && g_flags[index] != 0;
}

bool Variable_DeclareGlobalVar(int32_t id) {
  if (id < kFirstUserVariable) return false;
  EnsureGlobals();
  int32_t index = id - kFirstUserVariable;
  if (index >= g_flagCount) {
    int64_t count = g_flagCount;
    while (count <= index) count += kFlagGrowth;
    g_flags = static_cast<uint8_t*>(MemReAlloc(g_flags, static_cast<size_t>(count)));  // new bytes are 0
    g_flagCount = static_cast<int32_t>(count);
  }
  g_flags[index] = 1;
  g_pGlobalVariables->FindOrCreate(id);
  return true;
}

int32_t Variable_GlobalVarFlagCount() { return g_flagCount; }

void Variable_SaveGlobals(CStream* stream) {
  stream->WriteInteger(kGlobalStateVersion);
  if (g_pGlobalVariables != nullptr) {
    g_pGlobalVariables->Save(stream);
  } else {
    CVariableList empty;
    empty.Save(stream);
  }
  stream->WriteInteger(g_flagCount);
  stream->WriteBuffer(g_flags, g_flagCount);
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
  g_flags = flags;
  g_flagCount = count;
  return true;
}
