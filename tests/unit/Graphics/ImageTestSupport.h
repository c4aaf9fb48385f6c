// Images and written data files for the image tests: a bitmap with chosen opaque pixels, and a file
// image whose chunks and words can be read and damaged.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <utility>
#include <vector>

#include "DataFile/DataFile_Container.h"
#include "Graphics/Graphics_Image.h"

// A transparent w x h image with the listed pixels opaque.
inline CBitmap32 TestImage(int32_t w, int32_t h, std::initializer_list<std::pair<int, int>> opaque) {
  CBitmap32 b(w, h);
  for (auto [x, y] : opaque) {
    uint8_t* p = b.Pixel(x, y);
    p[0] = 200;
    p[3] = 255;
  }
  return b;
}

struct WrittenFile {
  std::vector<uint8_t> bytes;
  // The body offset of the first chunk with that tag.
  uint32_t Chunk(const char (&tag)[5]) const {
    for (const ChunkInfo& c : Container_Walk(DataView(bytes.data(), bytes.size()))) {
      if (c.tag == MakeTag(tag)) return c.body;
    }
    ADD_FAILURE() << "no chunk " << tag;
    return 0;
  }
  uint32_t U32(uint32_t at) const {
    uint32_t v;
    std::memcpy(&v, bytes.data() + at, 4);
    return v;
  }
  int16_t I16(uint32_t at) const {
    int16_t v;
    std::memcpy(&v, bytes.data() + at, 2);
    return v;
  }
  void Put32(uint32_t at, uint32_t v) { std::memcpy(bytes.data() + at, &v, 4); }
  void Put16(uint32_t at, int16_t v) { std::memcpy(bytes.data() + at, &v, 2); }
  // Where things are in a file written by WriteGraphics.
  uint32_t Entry(uint32_t i) const { return U32(Chunk("TPAG") + 4 + 4 * i); }
  uint32_t Sprite() const { return U32(Chunk("SPRT") + 4); }
  uint32_t PageStream() const { return U32(U32(Chunk("TXTR") + 4) + 4); }
};
