#include "Graphics/Graphics_Image.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

CBitmap32 Sample() {
  CBitmap32 b(3, 2);
  const uint8_t px[6][4] = {{255, 0, 0, 255}, {0, 255, 0, 128}, {0, 0, 255, 0},
                            {1, 2, 3, 4},     {250, 251, 252, 253}, {9, 8, 7, 255}};
  for (int i = 0; i < 6; ++i) std::copy(px[i], px[i] + 4, b.Pixel(i % 3, i / 3));
  return b;
}

void Chunk(std::vector<uint8_t>& out, const char* tag, const std::vector<uint8_t>& data) {
  const uint32_t n = uint32_t(data.size());
  for (int s : {24, 16, 8, 0}) out.push_back(uint8_t(n >> s));
  std::vector<uint8_t> body(tag, tag + 4);
  body.insert(body.end(), data.begin(), data.end());
  out.insert(out.end(), body.begin(), body.end());
  const uint32_t crc = uint32_t(crc32(0, body.data(), uInt(body.size())));
  for (int s : {24, 16, 8, 0}) out.push_back(uint8_t(crc >> s));
}

// A 2 x 1 8-bit greyscale PNG, written byte by byte.
std::vector<uint8_t> GreyPNG() {
  std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Chunk(out, "IHDR", {0, 0, 0, 2, 0, 0, 0, 1, 8, 0, 0, 0, 0});
  const uint8_t raw[] = {0, 0x10, 0xF0};  // filter 0, two pixels
  uLongf len = compressBound(sizeof raw);
  std::vector<uint8_t> z(len);
  compress(z.data(), &len, raw, sizeof raw);
  z.resize(len);
  Chunk(out, "IDAT", z);
  Chunk(out, "IEND", {});
  return out;
}

}  // namespace

TEST(GraphicsImage, EncodeDecodeRoundTripKeepsEveryByte) {
  const CBitmap32 b = Sample();
  std::vector<uint8_t> png;
  ASSERT_TRUE(Image_EncodePNG(b, png));
  CBitmap32 back;
  std::string error;
  ASSERT_TRUE(Image_DecodePNG(png.data(), png.size(), back, error)) << error;
  ASSERT_EQ(back.Width(), 3);
  ASSERT_EQ(back.Height(), 2);
  EXPECT_EQ(std::vector<uint8_t>(back.Data(), back.Data() + back.ByteSize()),
            std::vector<uint8_t>(b.Data(), b.Data() + b.ByteSize()));
}

TEST(GraphicsImage, DecodingStopsAtTheStreamEndAndNeverReadsPastTheBound) {
  std::vector<uint8_t> png;
  ASSERT_TRUE(Image_EncodePNG(Sample(), png));
  const size_t size = png.size();
  png.insert(png.end(), 100, 0xAB);  // what follows a page in a data file
  CBitmap32 out;
  std::string error;
  EXPECT_TRUE(Image_DecodePNG(png.data(), png.size(), out, error)) << error;
  EXPECT_TRUE(Image_DecodePNG(png.data(), size, out, error)) << error;
  EXPECT_FALSE(Image_DecodePNG(png.data(), size - 20, out, error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(Image_DecodePNG(png.data(), 7, out, error));
  const std::string junk = "this is not an image at all";
  EXPECT_FALSE(Image_DecodePNG(reinterpret_cast<const uint8_t*>(junk.data()), junk.size(), out, error));
  EXPECT_EQ(error, "not a PNG image");
}

TEST(GraphicsImage, GreyImagesBecomeOpaqueRGBA) {
  const std::vector<uint8_t> png = GreyPNG();
  CBitmap32 out;
  std::string error;
  ASSERT_TRUE(Image_DecodePNG(png.data(), png.size(), out, error)) << error;
  ASSERT_EQ(out.Width(), 2);
  const uint8_t* p = out.Pixel(0, 0);
  EXPECT_EQ(std::vector<uint8_t>(p, p + 8), (std::vector<uint8_t>{0x10, 0x10, 0x10, 255, 0xF0, 0xF0, 0xF0, 255}));
}

TEST(GraphicsImage, CropAndBlitClipToTheImage) {
  const CBitmap32 b = Sample();
  const CBitmap32 c = b.Crop(1, -1, 5, 2);  // clipped to x 1..2, row 0
  ASSERT_EQ(c.Width(), 2);
  ASSERT_EQ(c.Height(), 1);
  EXPECT_EQ(c.Pixel(0, 0)[1], 255);  // the green pixel at (1, 0)
  EXPECT_TRUE(b.Crop(3, 0, 2, 2).Empty());
  CBitmap32 d(2, 2);
  d.Blit(b, -1, 1);  // (1,0) of the sample lands on (0,1)
  EXPECT_EQ(d.Pixel(0, 1)[1], 255);
  EXPECT_EQ(d.Pixel(0, 0)[3], 0);
}

TEST(GraphicsImage, SavingWritesAFileAndAFailedSaveKeepsTheOldOne) {
  char folder[] = "/tmp/tessera_image_XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string path = std::string(folder) + "/shot.png";
  const CBitmap32 b = Sample();
  std::string error;
  ASSERT_TRUE(Image_SavePNGFile(path, b.Data(), 3, 2, error)) << error;
  CBitmap32 back;
  ASSERT_TRUE(Image_LoadPNGFile(path, back, error)) << error;
  EXPECT_EQ(back.Pixel(2, 1)[0], 9);
  EXPECT_FALSE(Image_SavePNGFile(path, b.Data(), 0, 2, error));  // nothing to encode
  ASSERT_TRUE(Image_LoadPNGFile(path, back, error)) << error;
  EXPECT_EQ(back.Width(), 3);
  EXPECT_FALSE(Image_SavePNGFile(std::string(folder) + "/missing/x.png", b.Data(), 3, 2, error));
  std::remove(path.c_str());
  rmdir(folder);
}
