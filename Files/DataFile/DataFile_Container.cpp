#include "DataFile/DataFile_Container.h"

std::string ChunkInfo::name() const {
  std::string s(4, '?');
  for (int i = 0; i < 4; ++i) {
    char c = static_cast<char>((tag >> (8 * i)) & 0xFF);
    if (c >= 32 && c <= 126) s[i] = c;
  }
  return s;
}

bool Container_HasFormTag(const DataView& view) {
  if (view.size() < 4) return false;
  const uint8_t* p = view.data();
  return (p[0] == 'F' && p[1] == 'O' && p[2] == 'R' && p[3] == 'M') ||
         (p[0] == 'M' && p[1] == 'R' && p[2] == 'O' && p[3] == 'F');
}

std::vector<ChunkInfo> Container_Walk(const DataView& view) {
  if (view.size() < 8 || !Container_HasFormTag(view)) {
    ThrowFormatError("not a game data file: it does not begin with a FORM header");
  }
  const uint64_t formLength = view.u32(4, "FORM length");
  if (formLength != view.size() - 8) {
    ThrowFormatError("FORM length %llu does not match the file size %zu (expected %zu)",
                     static_cast<unsigned long long>(formLength), view.size(), view.size() - 8);
  }
  std::vector<ChunkInfo> chunks;
  uint64_t at = 8;
  while (at < view.size()) {
    if (view.size() - at < 8) {
      ThrowFormatError("truncated chunk header at offset %llu (%zu bytes left)",
                       static_cast<unsigned long long>(at), view.size() - static_cast<size_t>(at));
    }
    ChunkInfo c;
    c.tag = view.u32(at, "chunk tag");
    c.length = view.u32(at + 4, "chunk length");
    c.offset = static_cast<uint32_t>(at);
    c.body = static_cast<uint32_t>(at + 8);
    if (!view.contains(c.body, c.length)) {
      ThrowFormatError("chunk %s at offset %u: its length %u runs past the end of the file (%zu bytes)",
                       c.name().c_str(), c.offset, c.length, view.size());
    }
    chunks.push_back(c);
    at = uint64_t(c.body) + c.length;
  }
  return chunks;
}
