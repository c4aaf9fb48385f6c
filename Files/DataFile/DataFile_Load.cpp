#include "DataFile/DataFile_Load.h"

#include <array>

#include "DataFile/DataFile_General.h"
#include "Option/Option_Main.h"
#include "Platform/Platform_Console.h"

namespace {

struct KnownChunk {
  uint32_t tag;
  bool resourceList;  // the body starts with a resource list that the main pass checks
  ChunkHandler prePass;
  ChunkHandler main;
};

void LoadGeneral(const DataView& view, const ChunkInfo& chunk) { General_Load(view, chunk); }
void LoadOptions(const DataView& view, const ChunkInfo& chunk) {
  Options_Load(view, chunk, g_General.version);
}

std::array<KnownChunk, 23> g_known = {{
    {MakeTag("GEN7"), false, General_PrePass, LoadGeneral},
    {MakeTag("GENL"), false, General_PrePass, LoadGeneral},
    {MakeTag("GEN8"), false, General_PrePass, LoadGeneral},
    {MakeTag("OPTN"), false, nullptr, LoadOptions},
    {MakeTag("EXTN"), true, nullptr, nullptr},
    {MakeTag("SOND"), true, nullptr, nullptr},
    {MakeTag("AUDO"), true, nullptr, nullptr},
    {MakeTag("SPRT"), true, nullptr, nullptr},
    {MakeTag("BGND"), true, nullptr, nullptr},
    {MakeTag("PATH"), true, nullptr, nullptr},
    {MakeTag("SCPT"), true, nullptr, nullptr},
    {MakeTag("FONT"), true, nullptr, nullptr},
    {MakeTag("TMLN"), true, nullptr, nullptr},
    {MakeTag("OBJT"), true, nullptr, nullptr},
    {MakeTag("ROOM"), true, nullptr, nullptr},
    {MakeTag("DAFL"), true, nullptr, nullptr},
    {MakeTag("TPAG"), true, nullptr, nullptr},
    {MakeTag("TXTR"), true, nullptr, nullptr},
    {MakeTag("CODE"), true, nullptr, nullptr},
    {MakeTag("FUNC"), false, nullptr, nullptr},
    {MakeTag("VARI"), false, nullptr, nullptr},
    {MakeTag("STRG"), true, nullptr, nullptr},
    {MakeTag("HELP"), false, nullptr, nullptr},
}};

std::vector<ChunkInfo> g_chunks;
bool g_hasBytecode = false;
std::vector<void (*)()> g_finishHandlers;
std::vector<void (*)()> g_resetHandlers;

void AddOnce(std::vector<void (*)()>& list, void (*handler)()) {
  for (auto h : list) {
    if (h == handler) return;
  }
  list.push_back(handler);
}
void (*g_registerFunctions)() = nullptr;

KnownChunk* Find(uint32_t tag) {
  for (KnownChunk& k : g_known) {
    if (k.tag == tag) return &k;
  }
  return nullptr;
}

// Every non-zero entry of a resource list must point inside the file.
void CheckResourceList(const DataView& view, const ChunkInfo& chunk) {
  if (chunk.length < 4) {
    ThrowFormatError("chunk %s of %u bytes is too short for its resource list", chunk.name().c_str(), chunk.length);
  }
  ListView list = view.list(chunk.body, chunk.name().c_str());
  if (list.end() > uint64_t(chunk.body) + chunk.length) {
    ThrowFormatError("chunk %s: its resource list of %u entries runs past the chunk", chunk.name().c_str(),
                     list.count());
  }
  for (uint32_t i = 0; i < list.count(); ++i) {
    uint32_t entry = list.entry(i);
    if (entry != 0 && entry >= view.size()) {
      ThrowFormatError("chunk %s: entry %u points to offset %u outside the file (%zu bytes)",
                       chunk.name().c_str(), i, entry, view.size());
    }
  }
}

bool IsGeneralTag(uint32_t tag) {
  return tag == MakeTag("GEN8") || tag == MakeTag("GEN7") || tag == MakeTag("GENL");
}

}  // namespace

void DataFile_SetPrePassHandler(uint32_t tag, ChunkHandler handler) {
  if (KnownChunk* k = Find(tag)) k->prePass = handler;
}

void DataFile_SetMainHandler(uint32_t tag, ChunkHandler handler) {
  if (KnownChunk* k = Find(tag)) k->main = handler;
}

void DataFile_AddLoadFinishedHandler(void (*handler)()) { AddOnce(g_finishHandlers, handler); }

void DataFile_AddResetHandler(void (*reset)()) { AddOnce(g_resetHandlers, reset); }

void DataFile_ResetLoadedState() {
  for (auto reset : g_resetHandlers) reset();
  g_chunks.clear();
  g_hasBytecode = false;
  General_Reset();
  Options_Reset();
}

void DataFile_SetRegisterFunctions(void (*registerFunctions)()) { g_registerFunctions = registerFunctions; }

void DataFile_CheckChunk(const DataView& view, const ChunkInfo& chunk) {
  const KnownChunk* k = Find(chunk.tag);
  if (k && k->resourceList) CheckResourceList(view, chunk);
}

bool DataFile_IsKnownTag(uint32_t tag) { return Find(tag) != nullptr; }

const std::vector<ChunkInfo>& DataFile_Chunks() { return g_chunks; }

const ChunkInfo* DataFile_FindChunk(uint32_t tag) {
  for (const ChunkInfo& c : g_chunks) {
    if (c.tag == tag) return &c;
  }
  return nullptr;
}

bool DataFile_HasBytecode() { return g_hasBytecode; }

void DataFile_PrePass(const DataView& view) {
  g_chunks = Container_Walk(view);
  g_hasBytecode = false;
  General_Reset();
  bool sawGeneral = false;
  for (const ChunkInfo& c : g_chunks) {
    if (c.length == 0) continue;
    if (IsGeneralTag(c.tag)) {
      General_PrePass(view, c);
      sawGeneral = true;
      if (g_registerFunctions) g_registerFunctions();
      continue;
    }
    if (c.tag == MakeTag("CODE")) g_hasBytecode = true;
    if (c.tag == MakeTag("CODE") || c.tag == MakeTag("STRG")) CheckResourceList(view, c);
    KnownChunk* k = Find(c.tag);
    if (k && k->prePass) k->prePass(view, c);
  }
  if (!sawGeneral) ThrowFormatError("the data file has no general chunk (GEN8)");
}

bool LoadGameData(const DataView& view) {
  Console::Output("initialise everything!\n");
  Options_Reset();
  bool ok = true;
  for (const ChunkInfo& c : g_chunks) {
    const std::string name = c.name();
    Console::Output("Process Chunk: %s   %d\n", name.c_str(), static_cast<int>(c.length));
    if (c.length == 0) continue;
    KnownChunk* k = Find(c.tag);
    if (k == nullptr) {
      Console::Output("unknown Chunk %s:%d\n", name.c_str(), static_cast<int>(c.tag));
      ok = false;
      continue;
    }
    DataFile_CheckChunk(view, c);
    if (k->main) k->main(view, c);
  }
  for (auto finish : g_finishHandlers) finish();
  return ok;
}
