// Writing the sound chunks: SOND (one record a sound) and AUDO (the file images the records name).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "DataFileWriter.h"

struct SoundDesc {
  std::string name;
  int32_t kind = 0;  // 0 normal, 1 background music, 2 three-dimensional, 3 multimedia
  std::string fileType;  // the extension with its dot, e.g. ".wav"
  std::string fileName;  // the source file's name, without folders
  uint32_t effects = 0;
  float volume = 1;
  float pan = 0;
  bool preload = true;
  std::vector<uint8_t> image;  // the file's bytes; empty for none (index -1)
};

// Writes both chunks (nothing when there are no sounds). Each sound with an image gets the next
// AUDO entry.
void WriteSounds(DataFileWriter& writer, const std::vector<SoundDesc>& sounds);
