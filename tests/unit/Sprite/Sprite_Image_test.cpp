// The pixel work of sprites made from files: strips, background removal, softened edges, masks and
// boxes, gradients; expected pixels worked out by hand.
#include <gtest/gtest.h>

#include <vector>

#include "Sprite/PixelTestSupport.h"
#include "Sprite/Sprite_Image.h"

namespace {

using namespace pixels;

// A w x h image whose pixel (x, y) has red = x, green = y.
CBitmap32 Numbered(int32_t w, int32_t h) {
  CBitmap32 b(w, h);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) SetPixel(b, x, y, {uint8_t(x), uint8_t(y), 0, 255});
  return b;
}

TEST(SpriteImage, StripIsCutIntoEqualFramesSideBySide) {
  const CBitmap32 strip = Numbered(200, 50);
  auto four = Image_CutStrip(strip, 4);
  ASSERT_EQ(four.size(), 4u);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(four[size_t(i)].Width(), 50);
    EXPECT_EQ(four[size_t(i)].Height(), 50);
    EXPECT_EQ(At(four[size_t(i)], 0, 7), (RGBA{uint8_t(50 * i), 7, 0, 255}));
  }
  // 200 / 3 = 66: frames start at 0, 66, 132; columns 198 and 199 are dropped.
  auto three = Image_CutStrip(strip, 3);
  ASSERT_EQ(three.size(), 3u);
  EXPECT_EQ(three[2].Width(), 66);
  EXPECT_EQ(At(three[2], 0, 0)[0], 132);
  EXPECT_EQ(At(three[2], 65, 0)[0], 197);
  // Fewer than one frame counts as one; more frames than columns gives none.
  EXPECT_EQ(Image_CutStrip(strip, 0).size(), 1u);
  EXPECT_EQ(Image_CutStrip(strip, -3)[0].Width(), 200);
  EXPECT_TRUE(Image_CutStrip(strip, 201).empty());
}

TEST(SpriteImage, BackgroundKeyIsTheBottomLeftColourAndHolesTakeNeighbourColours) {
  const RGBA K{10, 20, 30, 255}, A{200, 0, 0, 255}, B{0, 200, 0, 255}, C{0, 0, 200, 255}, D{9, 9, 9, 255};
  // K A K K
  // B K K C
  // K K D K
  CBitmap32 b(4, 3);
  const RGBA layout[3][4] = {{K, A, K, K}, {B, K, K, C}, {K, K, D, K}};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) SetPixel(b, x, y, layout[y][x]);
  Image_RemoveBackground(b);
  auto clear = [](RGBA c) { return RGBA{c[0], c[1], c[2], 0}; };
  // First opaque neighbour looked for left, right, above, below.
  EXPECT_EQ(At(b, 0, 0), clear(A));  // right
  EXPECT_EQ(At(b, 2, 0), clear(A));  // left
  EXPECT_EQ(At(b, 3, 0), clear(C));  // left is a hole, no right or above: below
  EXPECT_EQ(At(b, 1, 1), clear(B));  // left
  EXPECT_EQ(At(b, 2, 1), clear(C));  // right
  EXPECT_EQ(At(b, 0, 2), clear(B));  // above
  EXPECT_EQ(At(b, 1, 2), clear(D));  // right
  EXPECT_EQ(At(b, 3, 2), clear(D));  // left
  EXPECT_EQ(At(b, 1, 0), A);
  EXPECT_EQ(At(b, 2, 2), D);
}

TEST(SpriteImage, HoleWithoutOpaqueNeighboursKeepsItsColour) {
  CBitmap32 b(2, 1);
  SetPixel(b, 0, 0, {5, 5, 5, 255});
  SetPixel(b, 1, 0, {5, 5, 5, 255});
  Image_RemoveBackground(b);
  EXPECT_EQ(At(b, 0, 0), (RGBA{5, 5, 5, 0}));
  EXPECT_EQ(At(b, 1, 0), (RGBA{5, 5, 5, 0}));
}

TEST(SpriteImage, SmoothReductionsAddUpAroundHoles) {
  // Alphas 31, 0, 255, 0, 40. Hole 1 takes 32 from pixel 2 (pixel 0 is not above 0x1F); hole 3
  // takes 32 more from pixel 2 and 32 from pixel 4.
  CBitmap32 row(5, 1);
  const uint8_t alphas[5] = {31, 0, 255, 0, 40};
  for (int x = 0; x < 5; ++x) SetPixel(row, x, 0, {1, 2, 3, alphas[x]});
  Image_SmoothEdges(row);
  const uint8_t want[5] = {31, 0, 191, 0, 8};
  for (int x = 0; x < 5; ++x) EXPECT_EQ(At(row, x, 0)[3], want[x]) << x;

  // A hole in the middle of an opaque 3 x 3 block: each neighbour loses 32 once.
  CBitmap32 block(3, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) SetPixel(block, x, y, {0, 0, 0, 255});
  SetPixel(block, 1, 1, {0, 0, 0, 0});
  Image_SmoothEdges(block);
  EXPECT_EQ(At(block, 0, 0)[3], 223);
  EXPECT_EQ(At(block, 2, 1)[3], 223);
  EXPECT_EQ(At(block, 1, 1)[3], 0);
}

TEST(SpriteImage, MasksAndSolidBox) {
  CBitmap32 a(4, 3), b(4, 3);
  SetPixel(a, 1, 1, {0, 0, 0, 1});
  SetPixel(b, 3, 2, {0, 0, 0, 200});
  SetPixel(b, 2, 0, {0, 0, 0, 100});
  const auto ma = Image_Mask(a), mb = Image_Mask(b), tolerant = Image_Mask(b, 150);
  EXPECT_EQ(ma[1 * 4 + 1], 1);
  EXPECT_EQ(ma[0], 0);
  EXPECT_EQ(tolerant[0 * 4 + 2], 0);  // 100 is not above 150
  EXPECT_EQ(tolerant[2 * 4 + 3], 1);
  PixelBox box;
  ASSERT_TRUE(Image_SolidBox({&ma, &mb}, 4, 3, box));
  EXPECT_EQ(box.left, 1);
  EXPECT_EQ(box.top, 0);
  EXPECT_EQ(box.right, 3);
  EXPECT_EQ(box.bottom, 2);
  const std::vector<uint8_t> empty(12, 0);
  EXPECT_FALSE(Image_SolidBox({&empty}, 4, 3, box));
}

TEST(SpriteImage, AlphaFromIntensityOfTheOtherImage) {
  CBitmap32 image(2, 1), source(1, 1);
  SetPixel(image, 0, 0, {1, 1, 1, 255});
  SetPixel(image, 1, 0, {1, 1, 1, 100});
  SetPixel(source, 0, 0, {30, 60, 90, 255});  // intensity 60, stretched over both pixels
  Image_AlphaFromIntensity(image, source);
  EXPECT_EQ(At(image, 0, 0)[3], 60);       // 255 x 60 / 255
  EXPECT_EQ(At(image, 1, 0)[3], 23);       // 100 x 60 / 255 = 23.5, truncated
}

TEST(SpriteImage, FilledAndGradientImages) {
  const CBitmap32 f = Image_Filled(2, 2, 0x0080FF);  // script colour: red FF, green 80, blue 00
  EXPECT_EQ(At(f, 1, 1), (RGBA{0xFF, 0x80, 0x00, 255}));
  // Left to right from black to script blue 0xFF0000 over 5 pixels: blue 0, 64, 128, 191, 255.
  const CBitmap32 g = Image_Gradient(5, 1, 0x000000, 0xFF0000, 0);
  const uint8_t blue[5] = {0, 64, 128, 191, 255};
  for (int x = 0; x < 5; ++x) EXPECT_EQ(At(g, x, 0), (RGBA{0, 0, blue[x], 255})) << x;
  // Top to bottom, and the middle peak of kind 5 (c1 at both ends, c2 in the middle).
  const CBitmap32 v = Image_Gradient(1, 3, 0x0000FF, 0x000000, 1);
  EXPECT_EQ(At(v, 0, 1)[0], 128);
  const CBitmap32 peak = Image_Gradient(1, 3, 0x000000, 0x00FF00, 5);
  EXPECT_EQ(At(peak, 0, 0)[1], 0);
  EXPECT_EQ(At(peak, 0, 1)[1], 255);
  EXPECT_EQ(At(peak, 0, 2)[1], 0);
  // Box kind: c1 on the border, c2 at the centre of a 3 x 3 image.
  const CBitmap32 box = Image_Gradient(3, 3, 0x000000, 0x0000FF, 2);
  EXPECT_EQ(At(box, 1, 1)[0], 255);
  EXPECT_EQ(At(box, 0, 1)[0], 0);
}

}  // namespace
