#include <gtest/gtest.h>

#include "Graphics/Graphics_Image.h"
#include "RecordingDevice.h"

namespace {

class TextureTable : public DeviceTest {};

std::vector<uint8_t> RawBlock(uint32_t width, uint32_t height, uint32_t kind, std::vector<uint8_t> pixels) {
  std::vector<uint8_t> block = {'R', 'A', 'W', ' '};
  for (uint32_t v : {width, height, kind}) {
    for (int i = 0; i < 4; ++i) block.push_back(uint8_t(v >> (8 * i)));
  }
  block.insert(block.end(), pixels.begin(), pixels.end());
  return block;
}

TEST_F(TextureTable, SidesRoundToPowersOfTwoFrom64To4096) {
  EXPECT_EQ(GR_Texture_RoundedSide(1), 64);
  EXPECT_EQ(GR_Texture_RoundedSide(64), 64);
  EXPECT_EQ(GR_Texture_RoundedSide(65), 128);
  EXPECT_EQ(GR_Texture_RoundedSide(100), 128);
  EXPECT_EQ(GR_Texture_RoundedSide(2049), 4096);
  EXPECT_EQ(GR_Texture_RoundedSide(4096), 4096);
  EXPECT_EQ(GR_Texture_RoundedSide(6000), 4096);
}

TEST_F(TextureTable, EmptyTexturesReportTheFractionOfTheirDeviceTexture) {
  const int plain = GR_Texture_CreateEmpty(100, 30, false);
  ASSERT_GE(plain, 0);
  EXPECT_EQ(GR_Texture_Slot(plain)->texture->width, 128);
  EXPECT_EQ(GR_Texture_Slot(plain)->texture->height, 64);
  EXPECT_EQ(GR_Texture_Slot(plain)->width, 100);
  EXPECT_FLOAT_EQ(GR_Texture_WidthFraction(plain), 0.78125f);
  EXPECT_FLOAT_EQ(GR_Texture_HeightFraction(plain), 0.46875f);

  const int target = GR_Texture_CreateEmpty(100, 30, true);
  ASSERT_GE(target, 0);
  EXPECT_EQ(GR_Texture_Slot(target)->texture->width, 100);
  EXPECT_EQ(GR_Texture_Slot(target)->texture->height, 30);
  EXPECT_FLOAT_EQ(GR_Texture_WidthFraction(target), 1.0f);
  EXPECT_FLOAT_EQ(GR_Texture_HeightFraction(target), 1.0f);

  // Ids out of range or freed count as 1.
  GR_Texture_Free(plain);
  EXPECT_FLOAT_EQ(GR_Texture_WidthFraction(plain), 1.0f);
  EXPECT_FLOAT_EQ(GR_Texture_HeightFraction(-1), 1.0f);
  EXPECT_FLOAT_EQ(GR_Texture_WidthFraction(999), 1.0f);
  // Sides the device cannot hold make no texture.
  EXPECT_EQ(GR_Texture_CreateEmpty(0, 10, true), -1);
  EXPECT_EQ(GR_Texture_CreateEmpty(10, 8193, true), -1);
}

TEST_F(TextureTable, FreedSlotsAreReusedFirstAndIdsStayStable) {
  const int a = GR_Texture_CreateEmpty(8, 8, false);
  const int b = GR_Texture_CreateEmpty(8, 8, false);
  const int c = GR_Texture_CreateEmpty(8, 8, false);
  EXPECT_EQ(a, 0);
  EXPECT_EQ(b, 1);
  EXPECT_EQ(c, 2);
  GR_Texture_Free(b);
  GR_Texture_Free(-5);   // ignored
  GR_Texture_Free(42);   // ignored
  EXPECT_FALSE(GR_Texture_Exists(b));
  EXPECT_TRUE(GR_Texture_Exists(c));
  EXPECT_EQ(GR_Texture_Slot(b), nullptr);
  EXPECT_EQ(GR_Texture_CreateEmpty(16, 16, true), b);
  EXPECT_EQ(GR_Texture_CreateEmpty(16, 16, true), 3);
  EXPECT_EQ(GR_Texture_Count(), 4);
  GR_Texture_FreeAll();
  EXPECT_EQ(GR_Texture_Count(), 0);
  EXPECT_FALSE(GR_Texture_Exists(0));
}

TEST_F(TextureTable, RawBlocksOfKindZeroAndOne) {
  // Kind 0: two pixels R, G, B, A, uploaded as they are into a rounded texture.
  const std::vector<uint8_t> block = RawBlock(2, 1, 0, {10, 20, 30, 40, 50, 60, 70, 80});
  const int id = GR_Texture_CreateFromImage(block.data(), block.size());
  ASSERT_GE(id, 0);
  const TextureSlot* slot = GR_Texture_Slot(id);
  EXPECT_EQ(slot->width, 2);
  EXPECT_EQ(slot->height, 1);
  EXPECT_EQ(slot->texture->width, 64);
  EXPECT_FLOAT_EQ(slot->recipWidth, 1.0f / 64);
  EXPECT_EQ(slot->texture->formatCode, kTextureFormatARGB);
  ASSERT_EQ(recorder->Count(RecordedCall::Upload), 1);
  EXPECT_EQ(recorder->calls.back().pixels, std::vector<uint8_t>({10, 20, 30, 40, 50, 60, 70, 80}));

  // Kind 1: the word 0x3C5F (nibbles B=3, G=C, R=5, A=F from the top) reversed is A R G B = F 5 C 3.
  const std::vector<uint8_t> block16 = RawBlock(1, 1, 1, {0x5F, 0x3C});
  const int id16 = GR_Texture_CreateFromImage(block16.data(), block16.size());
  ASSERT_GE(id16, 0);
  EXPECT_EQ(GR_Texture_Slot(id16)->texture->formatCode, kTextureFormatARGB4444);
  EXPECT_EQ(recorder->calls.back().pixels, std::vector<uint8_t>({0x55, 0xCC, 0x33, 0xFF}));

  // Another kind, a block shorter than its pixels, or a length bound that cuts it: no texture, no slot.
  const int before = GR_Texture_Count();
  const std::vector<uint8_t> kind2 = RawBlock(1, 1, 2, {1, 2, 3, 4});
  EXPECT_EQ(GR_Texture_CreateFromImage(kind2.data(), kind2.size()), -1);
  const std::vector<uint8_t> shortBlock = RawBlock(2, 2, 0, {1, 2, 3, 4});
  EXPECT_EQ(GR_Texture_CreateFromImage(shortBlock.data(), shortBlock.size()), -1);
  EXPECT_EQ(GR_Texture_CreateFromImage(block.data(), block.size() - 1), -1);
  const std::vector<uint8_t> huge = RawBlock(0x40000000, 0x40000000, 0, {});
  EXPECT_EQ(GR_Texture_CreateFromImage(huge.data(), huge.size()), -1);
  EXPECT_EQ(GR_Texture_Count(), before);
}

TEST_F(TextureTable, PngImagesKeepTheDecodersSizeAndStopAtTheBound) {
  CBitmap32 image(100, 30);
  image.Pixel(0, 0)[0] = 255;
  std::vector<uint8_t> png;
  ASSERT_TRUE(Image_EncodePNG(image, png));
  const size_t length = png.size();
  png.insert(png.end(), {1, 2, 3, 4, 5, 6, 7, 8});  // other data after the stream
  const int id = GR_Texture_CreateFromImage(png.data(), png.size());
  ASSERT_GE(id, 0);
  const TextureSlot* slot = GR_Texture_Slot(id);
  EXPECT_EQ(slot->width, 100);
  EXPECT_EQ(slot->height, 30);
  EXPECT_FLOAT_EQ(slot->recipWidth, 1.0f / 100);
  EXPECT_FLOAT_EQ(slot->recipHeight, 1.0f / 30);

  // Cut by the bound, or not an image at all: -1 and no slot left behind.
  const int before = GR_Texture_Count();
  EXPECT_EQ(GR_Texture_CreateFromImage(png.data(), length - 10), -1);
  const uint8_t junk[] = {0x89, 'P', 'N', 'G', 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_EQ(GR_Texture_CreateFromImage(junk, sizeof junk), -1);
  EXPECT_EQ(GR_Texture_CreateFromImage(junk, 2), -1);
  EXPECT_EQ(GR_Texture_Count(), before);
}

TEST_F(TextureTable, BitmapsGoIntoRoundedTextures) {
  CBitmap32 image(100, 30);
  const int id = GR_Texture_CreateFromBitmap(image);
  ASSERT_GE(id, 0);
  EXPECT_EQ(GR_Texture_Slot(id)->texture->width, 128);
  EXPECT_FLOAT_EQ(GR_Texture_WidthFraction(id), 0.78125f);
  EXPECT_EQ(GR_Texture_CreateFromBitmap(CBitmap32()), -1);
}

}  // namespace
