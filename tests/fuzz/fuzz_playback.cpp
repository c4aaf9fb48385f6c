// Feeds arbitrary bytes to the playback reader as a "-playback" file. Reading must not crash or
// read past the file; it stops at the first record that is cut short or corrupt; a record it
// accepts encodes back to a record that decodes to the same state.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#include "IO/IO_Record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/fuzz_playback." + std::to_string(::getpid()) + ".rec";
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return 0;
  if (size > 0) std::fwrite(data, 1, size, f);
  std::fclose(f);
  if (!IO_StartPlayback(path)) return 0;
  size_t records = 0;
  IOState state;
  while (IO_ReadRecord(state)) {
    ++records;
    if (records * kRecordSize > size) std::abort();  // more records than the file holds
    uint8_t again[kRecordSize];
    IO_EncodeRecord(state, again);
    IOState back;
    std::string why;
    if (!IO_DecodeRecord(again, back, why)) std::abort();
    uint8_t twice[kRecordSize];
    IO_EncodeRecord(back, twice);
    if (std::memcmp(again, twice, kRecordSize) != 0) std::abort();
  }
  if (IO_PlayingBack()) std::abort();  // a false read always ends playback
  // Every whole record of the input decodes or is refused without touching the state.
  for (size_t at = 0; at + kRecordSize <= size; at += kRecordSize) {
    IOState s;
    s.lastKey = 12345;
    std::string why;
    if (!IO_DecodeRecord(data + at, s, why) && (s.lastKey != 12345 || why.empty())) std::abort();
  }
  return 0;
}
