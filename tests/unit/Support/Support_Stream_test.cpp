#include "Support/Support_Stream.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Platform/Platform_Memory.h"

namespace {

std::string Hex(const CStream& s) {
  char* t = s.ConvertToString();
  std::string out = t ? t : "";
  MemFree(t);
  return out;
}

// A fresh empty folder under the temporary folder.
std::string MakeFolder() {
  const char* base = std::getenv("TMPDIR");
  std::string tmpl = std::string(base && *base ? base : "/tmp") + "/stream_test.XXXXXX";
  char* made = mkdtemp(tmpl.data());
  EXPECT_NE(made, nullptr);
  return tmpl;
}

int CountEntries(const std::string& folder) {
  int n = 0;
  DIR* d = opendir(folder.c_str());
  if (d == nullptr) return -1;
  while (dirent* e = readdir(d))
    if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) ++n;
  closedir(d);
  return n;
}

std::string ReadFile(const std::string& path) {
  std::string out;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return "<missing>";
  char buf[256];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  std::fclose(f);
  return out;
}

}  // namespace

TEST(Stream, EncodingsAreLittleEndianWithCountedStrings) {
  CStream s;
  s.WriteInteger(101);
  EXPECT_EQ(Hex(s), "65000000");
  s.WriteReal(1.0);
  s.WriteString("ab");
  EXPECT_EQ(s.GetPosition(), 18);
  EXPECT_EQ(Hex(s), "65000000" "000000000000F03F" "02000000" "6162");
  s.WriteBoolean(true);
  s.WriteBoolean(false);
  s.WriteString(nullptr);
  s.WriteString("");
  s.WriteInteger(-2);
  EXPECT_EQ(Hex(s).substr(36), "01000000" "00000000" "00000000" "00000000" "FEFFFFFF");

  s.Seek(0, CStream::SEEK_FROM_START);
  EXPECT_EQ(s.ReadInteger(), 101);
  EXPECT_EQ(s.ReadReal(), 1.0);
  char* ab = s.ReadString();
  EXPECT_STREQ(ab, "ab");
  MemFree(ab);
  EXPECT_TRUE(s.ReadBoolean());
  EXPECT_FALSE(s.ReadBoolean());
  EXPECT_EQ(s.ReadString(), nullptr);
  EXPECT_EQ(s.ReadString(), nullptr);
  EXPECT_EQ(s.ReadInteger(), -2);
  EXPECT_FALSE(s.Failed());

  CStream b;
  b.WriteInteger(7);
  b.Seek(0, CStream::SEEK_FROM_START);
  EXPECT_TRUE(b.ReadBoolean());  // any non-zero integer
}

TEST(Stream, CapacityDoublesOrGrowsToFit) {
  CStream s;
  EXPECT_EQ(s.GetSize(), 0);
  s.WriteInteger(1);
  EXPECT_EQ(s.GetSize(), 4);
  s.WriteInteger(2);
  EXPECT_EQ(s.GetSize(), 8);
  s.WriteInteger(3);
  EXPECT_EQ(s.GetSize(), 16);
  s.WriteReal(4.0);  // 12 + 8 > 16: doubled to 32
  EXPECT_EQ(s.GetSize(), 32);
  unsigned char raw[100] = {};
  s.WriteBuffer(raw, 100);  // position 20 + 100 beats doubling
  EXPECT_EQ(s.GetSize(), 120);
  s.Seek(0, CStream::SEEK_FROM_START);
  EXPECT_EQ(s.ReadInteger(), 1);
  EXPECT_EQ(s.ReadInteger(), 2);  // growth kept the bytes

  CStream sized(10);
  EXPECT_EQ(sized.GetSize(), 10);
  sized.WriteReal(1.0);
  sized.WriteReal(2.0);  // 8 + 8 > 10: max(20, 16)
  EXPECT_EQ(sized.GetSize(), 20);
}

TEST(Stream, SeekRawReadsAndShortReads) {
  CStream s;
  s.WriteInteger(0x04030201);
  s.WriteInteger(0x08070605);
  s.Seek(-2, CStream::SEEK_FROM_END);
  EXPECT_EQ(s.GetPosition(), 6);
  unsigned char buf[8] = {};
  EXPECT_EQ(s.ReadBuffer(buf, 8), 2);  // clamped to what remains
  EXPECT_EQ(buf[0], 7);
  EXPECT_EQ(buf[1], 8);
  s.Seek(-100, CStream::SEEK_FROM_CURRENT);
  EXPECT_EQ(s.GetPosition(), 0);
  s.Seek(6, CStream::SEEK_FROM_START);
  EXPECT_FALSE(s.IsOverrun());
  // Two bytes left: they are read, the missing high bytes count as zero.
  EXPECT_EQ(s.ReadInteger(), 0x0807);
  EXPECT_TRUE(s.IsOverrun());
  EXPECT_FALSE(s.IsCorrupt());
  EXPECT_EQ(s.GetPosition(), 8);
  EXPECT_EQ(s.ReadReal(), 0.0);
  EXPECT_EQ(s.GetPosition(), 8);

  // Seeking past the end and writing grows the buffer with zeros between.
  s.Seek(12, CStream::SEEK_FROM_START);
  s.WriteInteger(9);
  EXPECT_EQ(s.GetSize(), 16);
  EXPECT_EQ(Hex(s), "0102030405060708" "00000000" "09000000");
}

TEST(Stream, StringLongerThanTheDataIsZeroPadded) {
  CStream s;
  s.WriteInteger(5);
  s.WriteBuffer("ab", 2);
  s.Seek(0, CStream::SEEK_FROM_START);
  char* t = s.ReadString();
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(MemoryManager::BlockSize(t), 6u);
  EXPECT_EQ(std::memcmp(t, "ab\0\0\0\0", 6), 0);
  MemFree(t);
  EXPECT_TRUE(s.IsOverrun());
  EXPECT_FALSE(s.IsCorrupt());
}

TEST(Stream, ImpossibleStringLengthsMarkTheStreamCorrupt) {
  CStream neg;
  neg.WriteInteger(-1);
  neg.WriteInteger(0);
  neg.Seek(0, CStream::SEEK_FROM_START);
  EXPECT_EQ(neg.ReadString(), nullptr);
  EXPECT_TRUE(neg.IsCorrupt());
  EXPECT_TRUE(neg.Failed());

  // 16 MiB beyond the 4 bytes that follow, plus one.
  CStream huge;
  huge.WriteInteger(4 + 16 * 1024 * 1024 + 1);
  huge.WriteInteger(0);
  huge.Seek(0, CStream::SEEK_FROM_START);
  const int64_t bytes = MemoryManager::TotalBytes();
  EXPECT_EQ(huge.ReadString(), nullptr);
  EXPECT_EQ(MemoryManager::TotalBytes(), bytes);
  EXPECT_TRUE(huge.IsCorrupt());

  CStream big;
  big.WriteInteger(0x7FFFFFFF);
  big.Seek(0, CStream::SEEK_FROM_START);
  EXPECT_EQ(big.ReadString(), nullptr);
  EXPECT_TRUE(big.IsCorrupt());
  big.ClearErrors();
  EXPECT_FALSE(big.Failed());
}

TEST(Stream, HexTextBothWays) {
  CStream s;
  EXPECT_EQ(s.ConvertToString(), nullptr);  // empty stream: no text
  ASSERT_TRUE(s.ConvertFromString("65000000ff7A"));
  EXPECT_EQ(s.GetSize(), 6);
  EXPECT_EQ(s.GetPosition(), 0);
  EXPECT_EQ(s.ReadInteger(), 101);
  unsigned char two[2];
  EXPECT_EQ(s.ReadBuffer(two, 2), 2);
  EXPECT_EQ(two[0], 0xFF);
  EXPECT_EQ(two[1], 0x7A);
  // Only the bytes up to the position are turned into text.
  s.Seek(4, CStream::SEEK_FROM_START);
  EXPECT_EQ(Hex(s), "65000000");

  EXPECT_FALSE(s.ConvertFromString("123"));
  EXPECT_TRUE(s.IsCorrupt());
  EXPECT_EQ(s.GetSize(), 0);
  EXPECT_FALSE(s.ConvertFromString("12G4"));
  EXPECT_TRUE(s.IsCorrupt());
  EXPECT_TRUE(s.ConvertFromString(""));
  EXPECT_EQ(s.GetSize(), 0);
  EXPECT_FALSE(s.Failed());
}

TEST(Stream, CopyOrWrapBytesFromAnotherStream) {
  CStream src;
  for (int i = 1; i <= 4; ++i) src.WriteInteger(i);
  src.Seek(4, CStream::SEEK_FROM_START);

  CStream copy;
  copy.CopyFrom(&src, 8, true);
  EXPECT_EQ(copy.GetSize(), 8);
  EXPECT_EQ(src.GetPosition(), 12);
  EXPECT_EQ(copy.ReadInteger(), 2);
  EXPECT_EQ(copy.ReadInteger(), 3);

  src.Seek(8, CStream::SEEK_FROM_START);
  CStream wrap;
  wrap.CopyFrom(&src, 0, false);  // all that remains, without copying
  EXPECT_EQ(wrap.GetSize(), 8);
  EXPECT_EQ(wrap.GetBuffer(), src.GetBuffer() + 8);
  EXPECT_EQ(wrap.ReadInteger(), 3);
  // Writing into a wrapping stream takes a copy first; the source is not touched.
  wrap.Seek(0, CStream::SEEK_FROM_START);
  wrap.WriteInteger(99);
  EXPECT_NE(wrap.GetBuffer(), src.GetBuffer() + 8);
  src.Seek(8, CStream::SEEK_FROM_START);
  EXPECT_EQ(src.ReadInteger(), 3);

  CStream tooMany;
  src.Seek(12, CStream::SEEK_FROM_START);
  tooMany.CopyFrom(&src, 100, true);
  EXPECT_EQ(tooMany.GetSize(), 4);
}

TEST(Stream, FilesAreReplacedWholeOrNotAtAll) {
  std::string folder = MakeFolder();
  std::string path = folder + "/save.dat";
  CStream s;
  s.WriteInteger(0x11223344);
  s.WriteString("xyz");
  ASSERT_TRUE(s.SaveToFile(path.c_str()));
  EXPECT_EQ(ReadFile(path), std::string("\x44\x33\x22\x11\x03\0\0\0xyz", 11));

  // Only the bytes up to the position are written, and the old file is replaced.
  s.Seek(4, CStream::SEEK_FROM_START);
  ASSERT_TRUE(s.SaveToFile(path.c_str()));
  EXPECT_EQ(ReadFile(path), "\x44\x33\x22\x11");
  EXPECT_EQ(CountEntries(folder), 1);  // no temporary file left behind

  CStream loaded;
  loaded.WriteInteger(5);
  ASSERT_TRUE(loaded.LoadFromFile(path.c_str(), 1));
  EXPECT_EQ(loaded.GetSize(), 3);
  EXPECT_EQ(loaded.GetPosition(), 0);
  unsigned char b[3];
  EXPECT_EQ(loaded.ReadBuffer(b, 3), 3);
  EXPECT_EQ(b[0], 0x33);
  EXPECT_EQ(b[2], 0x11);

  // A missing file or an offset beyond the end fails and leaves the stream as it was.
  EXPECT_FALSE(loaded.LoadFromFile((folder + "/missing").c_str()));
  EXPECT_FALSE(loaded.LoadFromFile(path.c_str(), 5));
  EXPECT_EQ(loaded.GetSize(), 3);
  EXPECT_TRUE(loaded.LoadFromFile(path.c_str(), 4));
  EXPECT_EQ(loaded.GetSize(), 0);

  // A write that cannot complete (the target is a folder) leaves what was there.
  std::string sub = folder + "/sub";
  ASSERT_EQ(mkdir(sub.c_str(), 0777), 0);
  EXPECT_FALSE(s.SaveToFile(sub.c_str()));
  struct stat st;
  EXPECT_EQ(stat(sub.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(CountEntries(folder), 2);
  EXPECT_FALSE(s.SaveToFile((folder + "/no/such/folder/f").c_str()));

  rmdir(sub.c_str());
  unlink(path.c_str());
  rmdir(folder.c_str());
}
