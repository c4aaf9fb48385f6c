// The general chunk ("GEN8", or "GEN7"/"GENL" for older bodies): game identity, ids, window
// settings and the room order.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "DataFile/DataFile_Container.h"

struct GeneralInfo {
  bool loaded = false;
  uint32_t bodyOffset = 0;
  uint8_t flags = 0;              // bit 0 clear: debug_mode reads 1
  uint8_t version = 0;            // format version of the chunk (8 for GEN8)
  int formatVersion = 0;          // 800 for GEN8, 700 for GEN7 and GENL
  const char* gameName = nullptr;     // in the data block
  const char* configName = nullptr;   // in the data block; os_get_config
  std::string displayName;            // runner-owned copy; names the per-user save folder
  int32_t lastInstanceId = 0;
  int32_t lastTileId = 0;
  int32_t gameId = 0;
  uint8_t stored24[8] = {};
  uint8_t stored32[8] = {};
  int32_t windowWidth = 640;
  int32_t windowHeight = 480;
  uint32_t windowFlags = 2;
  int loadingScreenMode = 3;      // 1, 2 or 3 from the flag bits 0x200, 0x400, 0x800
  std::vector<int32_t> roomOrder;

  bool DebugMode() const { return (flags & 1) == 0; }
};

// The general settings of the loaded game (runner-wide).
extern GeneralInfo g_General;

// Resets to the values in force before any general chunk is read.
void General_Reset();
// The pre-pass part: names, loading-screen mode, window settings, format version.
void General_PrePass(const DataView& view, const ChunkInfo& chunk);
// The main-pass part: ids, stored fields, window settings again, the room order.
void General_Load(const DataView& view, const ChunkInfo& chunk);
