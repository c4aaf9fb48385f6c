// The project's sounds: the manifest's "sounds" list read into SOND records and AUDO images. A WAV
// file must be whole and PCM; MP3 and MIDI files are kept as they are and play as music.
#pragma once
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <vector>

#include "Pack_Images.h"
#include "Writer_Sound.h"

class PackSounds {
 public:
  PackSounds(std::string folder, std::string manifestFile)
      : m_folder(std::move(folder)), m_manifestFile(std::move(manifestFile)) {}
  // The names (before any code is compiled). Throws PackFailure.
  void ReadNames(const nlohmann::ordered_json& manifest);
  // The records and the files. Throws PackFailure.
  void Read(const nlohmann::ordered_json& manifest);
  void Write(DataFileWriter& writer) const { WriteSounds(writer, m_sounds); }
  // For the compiler's bare names: the index of a sound, or -1.
  static int FindSound(const char* name);

 private:
  [[noreturn]] void Fail(const std::string& what) const;
  std::string m_folder;
  std::string m_manifestFile;
  std::vector<SoundDesc> m_sounds;
};
