#include "DataFile/DataFile_General.h"

#include <cstring>

GeneralInfo g_General;

namespace {

// Reads a field of the body, or returns `fallback` when the body is too short to hold it.
template <class T>
T Field(const DataView& view, const ChunkInfo& chunk, uint32_t at, T fallback, const char* what) {
  if (uint64_t(at) + sizeof(T) > chunk.length) return fallback;
  return view.at<T>(uint64_t(chunk.body) + at, what);
}

int LoadingScreenMode(uint32_t flags) {
  int mode = 3;
  if (flags & 0x200) mode = 1;
  if (flags & 0x400) mode = 2;
  if (flags & 0x800) mode = 3;
  return mode;
}

int FormatVersionOf(const ChunkInfo& chunk) { return chunk.tag == MakeTag("GEN8") ? 800 : 700; }

void ReadWindow(const DataView& view, const ChunkInfo& chunk) {
  if (g_General.version != 8) return;
  g_General.windowWidth = Field<int32_t>(view, chunk, 60, 640, "GEN8 window width");
  g_General.windowHeight = Field<int32_t>(view, chunk, 64, 480, "GEN8 window height");
  g_General.windowFlags = Field<uint32_t>(view, chunk, 68, 2, "GEN8 window flags");
}

}  // namespace

void General_Reset() { g_General = GeneralInfo{}; }

void General_PrePass(const DataView& view, const ChunkInfo& chunk) {
  if (chunk.length < 2) ThrowFormatError("%s chunk of %u bytes is too short", chunk.name().c_str(), chunk.length);
  g_General.bodyOffset = chunk.body;
  g_General.flags = view.u8(chunk.body, "general flags");
  g_General.version = view.u8(chunk.body + 1, "general version");
  g_General.gameName = view.string(Field<uint32_t>(view, chunk, 4, 0, "game name"), "game name");
  g_General.configName = view.string(Field<uint32_t>(view, chunk, 8, 0, "configuration name"), "configuration name");
  // Only a version-8 body holds the display name at offset 40; older bodies start the room order there.
  if (g_General.version == 8) {
    const char* display = view.string(Field<uint32_t>(view, chunk, 40, 0, "display name"), "display name");
    g_General.displayName = display ? display : "";
  }
  g_General.loadingScreenMode = LoadingScreenMode(Field<uint32_t>(view, chunk, 68, 0, "general flags word"));
  ReadWindow(view, chunk);
  g_General.formatVersion = FormatVersionOf(chunk);
}

void General_Load(const DataView& view, const ChunkInfo& chunk) {
  if (chunk.length < 2) ThrowFormatError("%s chunk of %u bytes is too short", chunk.name().c_str(), chunk.length);
  g_General.formatVersion = FormatVersionOf(chunk);
  g_General.bodyOffset = chunk.body;
  g_General.flags = view.u8(chunk.body, "general flags");
  g_General.version = view.u8(chunk.body + 1, "general version");
  g_General.gameId = Field<int32_t>(view, chunk, 20, 0, "game id");
  for (int i = 0; i < 8; ++i) {
    g_General.stored24[i] = Field<uint8_t>(view, chunk, 24 + i, 0, "general field 24");
    g_General.stored32[i] = Field<uint8_t>(view, chunk, 32 + i, 0, "general field 32");
  }
  g_General.lastInstanceId = Field<int32_t>(view, chunk, 12, 0, "last instance id");
  g_General.lastTileId = Field<int32_t>(view, chunk, 16, 0, "last tile id");
  ReadWindow(view, chunk);

  const uint32_t countAt = g_General.version < 8 ? 36 : 100;
  const uint32_t count = Field<uint32_t>(view, chunk, countAt, 0, "room order count");
  const uint64_t listAt = uint64_t(countAt) + 4;
  if (uint64_t(count) * 4 > (chunk.length > listAt ? chunk.length - listAt : 0)) {
    ThrowFormatError("%s: the room order of %u entries does not fit in the chunk (%u bytes)",
                     chunk.name().c_str(), count, chunk.length);
  }
  g_General.roomOrder.resize(count);
  for (uint32_t i = 0; i < count; ++i) {
    g_General.roomOrder[i] = view.i32(chunk.body + listAt + uint64_t(i) * 4, "room order");
  }
  g_General.loaded = true;
}
