// Feeds arbitrary bytes to the data-file passes: they must either load or refuse the file with a
// format error, never crash, hang or read outside the block.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "DataFile/DataFile_Load.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool quiet = [] { return std::freopen("/dev/null", "w", stdout) != nullptr; }();
  (void)quiet;
  // A private copy, so that reads past the end are caught by the sanitizer.
  std::vector<uint8_t> block(data, data + size);
  DataView view(block.data(), block.size());
  try {
    DataFile_PrePass(view);
    LoadGameData(view);
  } catch (const FileFormatError&) {
  }
  return 0;
}
