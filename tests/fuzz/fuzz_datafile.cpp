// Feeds arbitrary bytes to the data-file passes with every chunk loader of the runner attached: they
// must either load or refuse the file with a format error, never crash, hang or read outside the
// block. Everything a load fills is forgotten between inputs.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "DataFile/DataFile_Load.h"
#include "Runner/Runner_CommandLine.h"
#include "Runner/Runner_Wiring.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = [] {
    const bool quiet = std::freopen("/dev/null", "w", stdout) != nullptr;
    Runner_WireSubsystems(CommandLineSwitches{});
    return quiet;
  }();
  (void)ready;
  // A private copy, so that reads past the end are caught by the sanitizer.
  std::vector<uint8_t> block(data, data + size);
  DataView view(block.data(), block.size());
  try {
    DataFile_PrePass(view);
    LoadGameData(view);
  } catch (const FileFormatError&) {
  }
  DataFile_ResetLoadedState();
  return 0;
}
