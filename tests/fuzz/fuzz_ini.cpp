// Feeds arbitrary text to the INI parser. Parsing must not crash, and the written form must settle:
// once a text has been written and read back (which drops entries whose value is empty and which
// are followed by another line), writing, parsing and writing twice more (each pass reverses the
// lists) gives the same text again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "Base/Base_IniFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  IniFile ini = IniFile::Parse(text);
  // Every section is found by its name (the newest of equal names first).
  for (const auto& section : ini.sections()) {
    if (ini.FindSection(section.name) == nullptr) std::abort();
  }
  std::string settled = IniFile::Parse(IniFile::Parse(ini.ToText()).ToText()).ToText();
  std::string first = IniFile::Parse(settled).ToText();
  std::string second = IniFile::Parse(first).ToText();
  std::string third = IniFile::Parse(second).ToText();
  if (third != first) std::abort();
  return 0;
}
