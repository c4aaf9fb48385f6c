#include "Platform/Platform_Memory.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

TEST(MemoryManager, BlocksAreZeroFilledCountedAndMarked) {
  const int64_t bytes = MemoryManager::TotalBytes();
  const int64_t blocks = MemoryManager::TotalBlocks();
  auto* p = static_cast<unsigned char*>(MemAlloc(40));
  ASSERT_NE(p, nullptr);
  for (int i = 0; i < 40; ++i) EXPECT_EQ(p[i], 0);
  EXPECT_EQ(MemoryManager::TotalBytes(), bytes + 40);
  EXPECT_EQ(MemoryManager::TotalBlocks(), blocks + 1);
  // The header sits just before the block: size, then the two markers.
  uint32_t markers[2];
  std::memcpy(markers, p - 8, 8);
  EXPECT_EQ(markers[0], 0xDEADC0DEu);
  EXPECT_EQ(markers[1], 0xBAADB00Bu);
  MemFree(p);
  EXPECT_EQ(MemoryManager::TotalBytes(), bytes);
  EXPECT_EQ(MemoryManager::TotalBlocks(), blocks);
}

TEST(MemoryManager, ResizeKeepsOldBytesAndZeroFillsNewOnes) {
  auto* p = static_cast<unsigned char*>(MemAlloc(4));
  std::memset(p, 0xAB, 4);
  p = static_cast<unsigned char*>(MemReAlloc(p, 64));
  for (int i = 0; i < 4; ++i) EXPECT_EQ(p[i], 0xAB);
  for (int i = 4; i < 64; ++i) EXPECT_EQ(p[i], 0);
  EXPECT_EQ(MemoryManager::BlockSize(p), 64u);
  MemFree(p);
}

TEST(MemoryManager, ForeignBlocksGoToTheSystemAllocator) {
  const int64_t blocks = MemoryManager::TotalBlocks();
  void* foreign = std::malloc(32);
  std::memset(foreign, 0, 32);
  EXPECT_FALSE(MemoryManager::IsManaged(foreign));
  MemFree(foreign);  // must not touch the totals (and must not crash under the sanitizers)
  EXPECT_EQ(MemoryManager::TotalBlocks(), blocks);
}

TEST(MemoryManager, StringCopiesAreManagedBlocksOfTheTextAndItsEnd) {
  const int64_t bytes = MemoryManager::TotalBytes();
  const int64_t blocks = MemoryManager::TotalBlocks();
  char* copy = MemDupString("abc");
  EXPECT_STREQ(copy, "abc");
  EXPECT_TRUE(MemoryManager::IsManaged(copy));
  EXPECT_EQ(MemoryManager::BlockSize(copy), 4u);
  EXPECT_EQ(MemoryManager::TotalBytes(), bytes + 4);
  EXPECT_EQ(MemoryManager::TotalBlocks(), blocks + 1);
  char* empty = MemDupString("");
  EXPECT_STREQ(empty, "");
  EXPECT_EQ(MemoryManager::BlockSize(empty), 1u);
  EXPECT_EQ(MemDupString(nullptr), nullptr);
  MemFree(copy);
  MemFree(empty);
  EXPECT_EQ(MemoryManager::TotalBytes(), bytes);
  EXPECT_EQ(MemoryManager::TotalBlocks(), blocks);
}
