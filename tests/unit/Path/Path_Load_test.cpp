// The PATH chunk: slots, record fields, precision kept in range, and a damaged point count.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "DataFile/DataFile_Container.h"
#include "DataFile/DataFile_View.h"
#include "Path/Path_Class.h"
#include "Path/Path_Main.h"

namespace {

struct Image {
  std::vector<uint8_t> bytes;
  __attribute__((noinline)) uint32_t Put(const void* data, size_t n) {
    const uint32_t at = uint32_t(bytes.size());
    bytes.insert(bytes.end(), static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + n);
    while (bytes.size() % 4 != 0) bytes.push_back(0);
    return at;
  }
  uint32_t U32(uint32_t v) { return Put(&v, 4); }
  uint32_t F32(float v) { return Put(&v, 4); }
  uint32_t Text(const char* s) { return Put(s, std::strlen(s) + 1); }
  void Patch(uint32_t at, uint32_t v) { std::memcpy(&bytes[at], &v, 4); }
};

// A chunk with slot 0 empty and slot 1 a path of two points (smooth, open, the given precision and
// point count as written).
__attribute__((noinline)) Image PathChunk(uint32_t precision, uint32_t pointCount, uint32_t& body) {
  Image img;
  img.U32(0xFFFFFFFF);  // no offset is 0
  body = img.U32(2);
  img.U32(0);
  const uint32_t slot1 = img.U32(0);
  const uint32_t record = img.U32(0);
  img.U32(1);  // smooth
  img.U32(0);  // open
  img.U32(precision);
  img.U32(pointCount);
  img.F32(0), img.F32(0), img.F32(100);
  img.F32(30), img.F32(40), img.F32(50);
  img.Patch(record, img.Text("pth_walk"));
  img.Patch(slot1, record);
  return img;
}

TEST(PathLoad, ReadsTheRecords) {
  uint32_t body = 0;
  Image img = PathChunk(99, 2, body);
  ChunkInfo chunk;
  chunk.body = body;
  chunk.length = uint32_t(img.bytes.size()) - body;
  Path_LoadPATH(DataView(img.bytes.data(), img.bytes.size()), chunk);
  ASSERT_EQ(Path_Count(), 2);
  EXPECT_FALSE(Path_Exists(0));
  ASSERT_TRUE(Path_Exists(1));
  EXPECT_STREQ(Path_Name(1), "pth_walk");
  EXPECT_EQ(Path_Find("pth_walk"), 1);
  const CPath* p = Path_Get(1);
  EXPECT_EQ(p->Kind(), 1);
  EXPECT_FALSE(p->Closed());
  EXPECT_EQ(p->Precision(), 8);
  ASSERT_EQ(p->Points().size(), 2u);
  EXPECT_EQ(p->Points()[1].speed, 50);
  EXPECT_FLOAT_EQ(p->Length(), 50);  // two points: smooth is straight
  Path_FreeAll();
}

TEST(PathLoad, APointCountPastTheFileIsRefused) {
  uint32_t body = 0;
  Image img = PathChunk(4, 100000000, body);
  ChunkInfo chunk;
  chunk.body = body;
  chunk.length = uint32_t(img.bytes.size()) - body;
  EXPECT_THROW(Path_LoadPATH(DataView(img.bytes.data(), img.bytes.size()), chunk), FileFormatError);
  Path_FreeAll();
}

}  // namespace
