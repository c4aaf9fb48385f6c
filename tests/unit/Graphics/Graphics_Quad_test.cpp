// The quad builders: the vertices they leave in the batch, against positions, texture coordinates
// and colours worked out by hand from the builders' rules.
#include <gtest/gtest.h>

#include <vector>

#include "Graphics/Graphics_Batch.h"
#include "Graphics/Graphics_Colour.h"
#include "Graphics/Graphics_DrawState.h"
#include "Graphics/Graphics_PageEntry.h"
#include "Graphics/Graphics_Quad.h"
#include "Graphics/Graphics_Texture.h"

namespace {

struct P {
  float x, y;
};

class QuadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    page = GR_Texture_CreateEmpty(256, 256, false);  // reciprocal size 1/256
    ASSERT_GE(page, 0);
    Batch_Reset();
    g_DrawState = DrawState();
    // A 30 x 40 image cropped out of a 34 x 44 frame (2 columns left, 3 rows above), at (10, 20).
    entry = TexturePageEntry{10, 20, 30, 40, 2, 3, 30, 40, 34, 44, int16_t(page)};
  }
  void TearDown() override {
    Batch_Reset();
    GR_Texture_FreeAll();
  }

  std::vector<VertexTextured> Pending() const {
    const auto* v = static_cast<const VertexTextured*>(Batch_PendingVertices());
    return std::vector<VertexTextured>(v, v + Batch_PendingCount());
  }
  // The corners of quad `q` in the order the builder writes them.
  std::vector<P> Corners(int q = 0) const {
    std::vector<P> out;
    const auto v = Pending();
    for (int i = 0; i < 6; ++i) out.push_back({v[size_t(q * 6 + i)].x, v[size_t(q * 6 + i)].y});
    return out;
  }
  static void ExpectCorner(P got, float x, float y, float tolerance = 0) {
    EXPECT_NEAR(got.x, x, tolerance);
    EXPECT_NEAR(got.y, y, tolerance);
  }
  // Two triangles TL, TR, BR, BR, BL, TL of the box.
  static void ExpectBox(const std::vector<P>& c, float l, float t, float r, float b) {
    ExpectCorner(c[0], l, t);
    ExpectCorner(c[1], r, t);
    ExpectCorner(c[2], r, b);
    ExpectCorner(c[3], r, b);
    ExpectCorner(c[4], l, b);
    ExpectCorner(c[5], l, t);
  }

  int page = -1;
  TexturePageEntry entry;
};

constexpr float kTexel = 1.0f / 256;

TEST_F(QuadTest, PlainPlacesTheCroppedImageInsideItsFrame) {
  g_DrawState.alpha = 0.5;
  g_DrawState.depth = 7;
  GR_Quad_Plain(QuadImage::Page(&entry), 100, 50);
  ASSERT_EQ(Batch_PendingCount(), 6);
  EXPECT_EQ(Batch_PendingType(), kPrimTriangleList);
  EXPECT_EQ(Batch_PendingTexture(), page);
  ExpectBox(Corners(), 102, 53, 132, 93);
  const auto v = Pending();
  // Texture rectangle (10, 20, 30, 40): u 10/256 .. 40/256, v 20/256 .. 60/256.
  EXPECT_FLOAT_EQ(v[0].u, 10 * kTexel);
  EXPECT_FLOAT_EQ(v[0].v, 20 * kTexel);
  EXPECT_FLOAT_EQ(v[2].u, 40 * kTexel);
  EXPECT_FLOAT_EQ(v[2].v, 60 * kTexel);
  for (const auto& x : v) {
    EXPECT_EQ(x.z, 7);
    EXPECT_EQ(x.colour, 0x7FFFFFFFu);  // white, alpha trunc(127.5)
  }
}

TEST_F(QuadTest, ZeroTargetSizeBecomesOneWhenFirstDrawn) {
  entry.targetWidth = 0;
  entry.targetHeight = 0;
  GR_Quad_Plain(QuadImage::Page(&entry), 0, 0);
  EXPECT_EQ(entry.targetWidth, 1);
  EXPECT_EQ(entry.targetHeight, 1);
  ExpectBox(Corners(), 2, 3, 3, 4);
}

TEST_F(QuadTest, InvalidTextureDrawsNothing) {
  entry.texture = 99;
  GR_Quad_Plain(QuadImage::Page(&entry), 0, 0);
  GR_Quad_Plain(QuadImage::Raw(-1, 8, 8), 0, 0);
  EXPECT_EQ(Batch_PendingCount(), 0);
}

TEST_F(QuadTest, ScaledEdgesAreMeasuredFromTheOrigin) {
  // L = (5 - 2) x -2 = -6, T = (6 - 3) x -3 = -9, R = 2 x 30 - 6 = 54, B = 3 x 40 - 9 = 111.
  GR_Quad_Scaled(QuadImage::Page(&entry), 5, 6, 100, 50, 2, 3, 0, 0x0000FF, 1);
  ExpectBox(Corners(), 94, 41, 154, 161);
  EXPECT_EQ(Pending()[0].colour, 0xFFFF0000u);  // script red 0x0000FF is ARGB red
}

TEST_F(QuadTest, TinyRotationCountsAsNone) {
  GR_Quad_Scaled(QuadImage::Page(&entry), 5, 6, 100, 50, 1, 1, 0, kColourWhite, 1);
  const auto straight = Corners();
  Batch_Reset();
  GR_Quad_Scaled(QuadImage::Page(&entry), 5, 6, 100, 50, 1, 1, GR_Radians(0.0005), kColourWhite, 1);
  const auto tiny = Corners();
  for (int i = 0; i < 6; ++i) ExpectCorner(tiny[size_t(i)], straight[size_t(i)].x, straight[size_t(i)].y);
}

TEST_F(QuadTest, QuarterTurnMapsOffsetsCounterClockwise) {
  // Origin (5, 6), no scale: the top-left corner is at (px, py) = (-3, -3) from (100, 50) and lands
  // at (100 + py, 50 - px) = (97, 53); the bottom-right (27, 37) lands at (137, 23).
  GR_Quad_Scaled(QuadImage::Page(&entry), 5, 6, 100, 50, 1, 1, GR_Radians(90), kColourWhite, 1);
  const auto c = Corners();
  ExpectCorner(c[0], 97, 53, 1e-4f);
  ExpectCorner(c[1], 97, 23, 1e-4f);  // top-right (27, -3)
  ExpectCorner(c[2], 137, 23, 1e-4f);
  ExpectCorner(c[4], 137, 53, 1e-4f);  // bottom-left (-3, 37)
}

TEST_F(QuadTest, RawTextureUsesTheWholeImageHalfAPixelUp) {
  GR_Quad_Plain(QuadImage::Raw(page, 16, 8), 10, 20);
  ExpectBox(Corners(), 9.5f, 19.5f, 25.5f, 27.5f);
  const auto v = Pending();
  EXPECT_FLOAT_EQ(v[0].u, 0);
  EXPECT_FLOAT_EQ(v[2].u, 16 * kTexel);
  EXPECT_FLOAT_EQ(v[2].v, 8 * kTexel);
}

TEST_F(QuadTest, RawTextureWithEmptySlotCountsAsEightByEight) {
  TextureSlot* slot = GR_Texture_Slot(page);
  ASSERT_NE(slot, nullptr);
  slot->width = 0;
  GR_Quad_Scaled(QuadImage::Raw(page, 4, 2), 0, 0, 0, 0, 1, 1, 0, kColourWhite, 1);
  EXPECT_EQ(slot->width, 8);
  EXPECT_EQ(slot->height, 8);
  const auto v = Pending();
  EXPECT_FLOAT_EQ(v[2].u, 0.5f);   // 4 x 0.125
  EXPECT_FLOAT_EQ(v[2].v, 0.25f);  // 2 x 0.125
}

TEST_F(QuadTest, StretchedScalesTheFullFrame) {
  // 34 x 44 frame stretched to 68 x 22: scale (2, 0.5); the cropped image starts at (4, 1.5).
  GR_Quad_Stretched(QuadImage::Page(&entry), 34, 44, 10, 10, 68, 22, kColourWhite, 1);
  ExpectBox(Corners(), 14, 11.5f, 74, 31.5f);
  Batch_Reset();
  GR_Quad_Stretched(QuadImage::Page(&entry), 34, 44, 10, 10, 0, 22, kColourWhite, 1);
  GR_Quad_Stretched(QuadImage::Page(&entry), 0, 44, 10, 10, 5, 22, kColourWhite, 1);
  EXPECT_EQ(Batch_PendingCount(), 0);
}

TEST_F(QuadTest, FourCornersAsGiven) {
  const float corners[8] = {1, 2, 30, 4, 28, 40, 0, 35};
  GR_Quad_Corners(QuadImage::Page(&entry), corners, 0.2);
  const auto c = Corners();
  ExpectCorner(c[0], 1, 2);
  ExpectCorner(c[1], 30, 4);
  ExpectCorner(c[2], 28, 40);
  ExpectCorner(c[4], 0, 35);
  EXPECT_EQ(Pending()[0].colour, 0x33FFFFFFu);  // trunc(0.2 x 255 = 51)
}

TEST_F(QuadTest, PartSkipsTheCroppedBorderAndShiftsRight) {
  // left 0 < x offset 2: texture from 0, w 10 - 2 = 8, x moves to 102. top 5 >= y offset 3: start
  // row 2. Used 8 x min(10, 40 - 2).
  const int32_t colours[4] = {0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF};
  GR_Quad_Part(QuadImage::Page(&entry), 0, 5, 10, 10, 100, 50, 1, 1, 0, colours, 0.5);
  ExpectBox(Corners(), 102, 50, 110, 60);
  const auto v = Pending();
  EXPECT_FLOAT_EQ(v[0].u, 10 * kTexel);
  EXPECT_FLOAT_EQ(v[0].v, 22 * kTexel);
  EXPECT_FLOAT_EQ(v[2].u, 18 * kTexel);
  EXPECT_FLOAT_EQ(v[2].v, 32 * kTexel);
  // Alpha 127.5 rounds to 128 here; corner colours TL red, TR green, BR blue, BL white.
  EXPECT_EQ(v[0].colour, 0x80FF0000u);
  EXPECT_EQ(v[1].colour, 0x8000FF00u);
  EXPECT_EQ(v[2].colour, 0x800000FFu);
  EXPECT_EQ(v[4].colour, 0x80FFFFFFu);
}

TEST_F(QuadTest, PartScalesAndRotatesAboutItsPosition) {
  const int32_t white[4] = {kColourWhite, kColourWhite, kColourWhite, kColourWhite};
  // Rectangle (2, 3, 10, 5) lies wholly in the image: 10 x 5, scaled 2 -> 20 x 10.
  GR_Quad_Part(QuadImage::Page(&entry), 2, 3, 10, 5, 100, 50, 2, 2, 0.005f, white, 1);  // below 0.01
  ExpectBox(Corners(), 100, 50, 120, 60);
  Batch_Reset();
  GR_Quad_Part(QuadImage::Page(&entry), 2, 3, 10, 5, 100, 50, 2, 2, GR_Radians(90), white, 1);
  const auto c = Corners();
  ExpectCorner(c[0], 100, 50, 1e-4f);
  ExpectCorner(c[1], 100, 30, 1e-4f);  // (20, 0) -> (100 + 0, 50 - 20)
  ExpectCorner(c[2], 110, 30, 1e-4f);  // (20, 10) -> (110, 30)
}

TEST_F(QuadTest, PartStopsAtTheImageEdge) {
  // From column 23 of the image only 7 columns remain; its neighbours on the page are not shown.
  const int32_t white[4] = {kColourWhite, kColourWhite, kColourWhite, kColourWhite};
  GR_Quad_Part(QuadImage::Page(&entry), 25, 3, 20, 5, 0, 0, 1, 1, 0, white, 1);
  ExpectBox(Corners(), 0, 0, 7, 5);
  EXPECT_FLOAT_EQ(Pending()[2].u, 40 * kTexel);
  Batch_Reset();
  GR_Quad_Part(QuadImage::Page(&entry), 40, 3, 20, 5, 0, 0, 1, 1, 0, white, 1);
  EXPECT_EQ(Batch_PendingCount(), 0);
}

// The tiled builder over a 100 x 100 area with a 150 x 50 frame (no cropping).
class TiledTest : public QuadTest {
 protected:
  void SetUp() override {
    QuadTest::SetUp();
    entry = TexturePageEntry{0, 0, 150, 50, 0, 0, 150, 50, 150, 50, int16_t(page)};
    tiling.width = 100;
    tiling.height = 100;
  }
  // The top-left corner of each quad (the second vertex of the tiled order).
  std::vector<P> TopLefts() const {
    std::vector<P> out;
    const auto v = Pending();
    for (size_t q = 0; q * 6 < v.size(); ++q) out.push_back({v[q * 6 + 1].x, v[q * 6 + 1].y});
    return out;
  }
  QuadTiling tiling;
};

TEST_F(TiledTest, FrameWiderThanTheAreaStartsOneFrameLeft) {
  // Columns: aligned start 0, minus the frame width: -150, then 0 (150 is past the area).
  // Rows: step 50 from -50: -50, 0, 50.
  GR_Quad_Tiled(QuadImage::Page(&entry), tiling, kColourWhite, 1);
  const auto tl = TopLefts();
  ASSERT_EQ(tl.size(), 6u);
  const float xs[6] = {-150, -150, -150, 0, 0, 0}, ys[6] = {-50, 0, 50, -50, 0, 50};
  for (size_t i = 0; i < 6; ++i) ExpectCorner(tl[i], xs[i], ys[i]);
}

TEST_F(TiledTest, CornerOrderAndHalfTexelInset) {
  tiling.htiled = tiling.vtiled = false;
  tiling.x = 10;
  tiling.y = 20;
  GR_Quad_Tiled(QuadImage::Page(&entry), tiling, 0x0000FF, 1);
  ASSERT_EQ(Batch_PendingCount(), 6);
  const auto c = Corners();
  // Bottom-left, top-left, top-right, top-right, bottom-right, bottom-left.
  ExpectCorner(c[0], 10, 70);
  ExpectCorner(c[1], 10, 20);
  ExpectCorner(c[2], 160, 20);
  ExpectCorner(c[3], 160, 20);
  ExpectCorner(c[4], 160, 70);
  ExpectCorner(c[5], 10, 70);
  const auto v = Pending();
  EXPECT_FLOAT_EQ(v[2].u, 149.5f * kTexel);
  EXPECT_FLOAT_EQ(v[0].v, 50 * kTexel);
  EXPECT_EQ(v[0].colour, 0xFFFF0000u);
}

TEST_F(TiledTest, OffsetStartAndOneDirection) {
  // x = 10: fmod 10 > 0 -> 10 - 150 = -140, start -290; columns -290, -140, 10. Rows not tiled: 20.
  tiling.x = 10;
  tiling.y = 20;
  tiling.vtiled = false;
  GR_Quad_Tiled(QuadImage::Page(&entry), tiling, kColourWhite, 1);
  const auto tl = TopLefts();
  ASSERT_EQ(tl.size(), 3u);
  ExpectCorner(tl[0], -290, 20);
  ExpectCorner(tl[1], -140, 20);
  ExpectCorner(tl[2], 10, 20);
}

TEST_F(TiledTest, AreaFarFromTheImageIsReached) {
  // Area (1000, 0, 100, 40), step 75 (scale 0.5), x 0: K steps forward to 975 (1000 <= 975 + 75),
  // start 975 - 150 = 825; columns 825, 900, 975, 1050.
  tiling.left = 1000;
  tiling.height = 40;
  tiling.sx = tiling.sy = 0.5f;
  tiling.vtiled = false;
  GR_Quad_Tiled(QuadImage::Page(&entry), tiling, kColourWhite, 1);
  const auto tl = TopLefts();
  ASSERT_EQ(tl.size(), 4u);
  ExpectCorner(tl[0], 825, 0);
  ExpectCorner(tl[3], 1050, 0);
  EXPECT_FLOAT_EQ(Corners()[2].x, 825 + 75);  // quads are 150 x 0.5 wide
}

TEST_F(TiledTest, StepBelowOnePixelDrawsNothing) {
  tiling.sx = 0.006f;  // trunc(0.9) = 0
  GR_Quad_Tiled(QuadImage::Page(&entry), tiling, kColourWhite, 1);
  EXPECT_EQ(Batch_PendingCount(), 0);
}

}  // namespace
