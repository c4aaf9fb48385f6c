// Writing the general chunk (GEN8) and the options chunk (OPTN).
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "DataFileWriter.h"

struct GeneralDesc {
  uint8_t flags = 1;  // bit 0 set: debug_mode reads 0
  uint8_t version = 8;
  std::string name = "game";
  std::string configName = "Default";
  std::string displayName = "game";
  int32_t lastInstanceId = 100000;
  int32_t lastTileId = 10000000;
  int32_t gameId = 0;
  int32_t windowWidth = 640;
  int32_t windowHeight = 480;
  uint32_t windowFlags = 2;
  std::vector<int32_t> roomOrder;
};

void WriteGeneral(DataFileWriter& writer, const GeneralDesc& settings);

struct OptionsDesc {
  // The 35 option words at body offsets 0, 4, ... 136, preset to the runner's defaults.
  std::array<uint32_t, 35> words = Defaults();
  std::vector<std::pair<std::string, std::string>> constants;  // name, value text
  // The loading-screen record named by the word at 104 (written after the constants); none when empty.
  std::vector<uint8_t> loadingRecord;

  static std::array<uint32_t, 35> Defaults();
  // Sets the word at a body offset (a multiple of 4 below 140).
  void set(uint32_t offset, uint32_t value) { words.at(offset / 4) = value; }
};

// The option names a project manifest may use, with their body offsets.
struct OptionName {
  const char* name;
  uint32_t offset;
};
const std::vector<OptionName>& OptionNames();

void WriteOptions(DataFileWriter& writer, const OptionsDesc& settings);
