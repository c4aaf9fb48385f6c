// The chunked container: an 8-byte "FORM" header whose length is the file size minus 8, followed
// directly by chunks (4-byte tag, u32 body length, body), with no padding between them.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "DataFile/DataFile_View.h"

struct ChunkInfo {
  uint32_t tag = 0;      // the four tag bytes read as one little-endian word
  uint32_t offset = 0;   // file offset of the chunk header
  uint32_t body = 0;     // file offset of the body
  uint32_t length = 0;   // body length in bytes
  std::string name() const;  // the tag as four printable characters
};

constexpr uint32_t MakeTag(const char (&t)[5]) {
  return uint32_t(uint8_t(t[0])) | uint32_t(uint8_t(t[1])) << 8 | uint32_t(uint8_t(t[2])) << 16 |
         uint32_t(uint8_t(t[3])) << 24;
}

// True when the block starts with "FORM" in either byte order.
bool Container_HasFormTag(const DataView& view);

// Checks the header and walks the chunks. Throws FileFormatError when the file is not a container,
// when the FORM length disagrees with the file size, or when a chunk header or body runs past the end.
std::vector<ChunkInfo> Container_Walk(const DataView& view);
