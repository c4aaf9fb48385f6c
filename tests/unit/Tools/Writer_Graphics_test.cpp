// The image writers: the page packer, cropping of transparent borders into page entries, bounding
// boxes and the mask rows of the sprite record.
#include <gtest/gtest.h>

#include <random>

#include "Graphics/ImageTestSupport.h"
#include "Writer_Graphics.h"
#include "Writer_Pages.h"

namespace {

const auto Image = TestImage;

SpriteDesc Sprite(std::vector<CBitmap32> frames) {
  SpriteDesc s;
  s.name = "spr";
  for (size_t i = 0; i < frames.size(); ++i) s.frameLabels.push_back("frame" + std::to_string(i) + ".png");
  s.frames = std::move(frames);
  return s;
}

using Written = WrittenFile;

Written Write(const std::vector<SpriteDesc>& sprites, const std::vector<BackgroundDesc>& backgrounds,
              int32_t pageSize = 2048) {
  DataFileWriter w;
  std::string error;
  EXPECT_TRUE(WriteGraphics(w, sprites, backgrounds, pageSize, error)) << error;
  return Written{w.finish()};
}

}  // namespace

TEST(PagePacker, PlacesEveryBoxInsideItsPageWithoutOverlaps) {
  std::mt19937 random(7);
  std::vector<PackBox> boxes;
  for (int i = 0; i < 300; ++i) {
    boxes.push_back(PackBox{int32_t(1 + random() % 40), int32_t(1 + random() % 40)});
  }
  boxes.push_back(PackBox{128, 128});  // exactly a page
  size_t tooLarge = 99;
  const int32_t pages = Pages_Pack(boxes, 128, 1, tooLarge);
  ASSERT_GT(pages, 1);
  for (size_t i = 0; i < boxes.size(); ++i) {
    const PackBox& a = boxes[i];
    ASSERT_GE(a.page, 0);
    ASSERT_LT(a.page, pages);
    EXPECT_TRUE(a.x >= 0 && a.y >= 0 && a.x + a.width <= 128 && a.y + a.height <= 128) << i;
    for (size_t j = i + 1; j < boxes.size(); ++j) {
      const PackBox& b = boxes[j];
      if (a.page != b.page) continue;
      // With the gap of one pixel, boxes do not even touch.
      const bool apart = a.x + a.width + 1 <= b.x || b.x + b.width + 1 <= a.x || a.y + a.height + 1 <= b.y ||
                         b.y + b.height + 1 <= a.y;
      EXPECT_TRUE(apart || a.x + a.width == 128 || b.x + b.width == 128 || a.y + a.height == 128 ||
                  b.y + b.height == 128)
          << i << " and " << j;
      EXPECT_FALSE(a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height)
          << i << " overlaps " << j;
    }
  }
  // A packer that wastes most of each page would need many more pages than the boxes' area
  // (with their gaps) fills.
  int64_t area = 0;
  for (const PackBox& b : boxes) area += int64_t(std::min(b.width + 1, 128)) * std::min(b.height + 1, 128);
  EXPECT_LE(pages, area * 12 / 10 / (128 * 128) + 1);
}

TEST(PagePacker, RefusesABoxLargerThanAPage) {
  std::vector<PackBox> boxes{{10, 10}, {65, 3}, {3, 3}};
  size_t tooLarge = 99;
  EXPECT_EQ(Pages_Pack(boxes, 64, 1, tooLarge), -1);
  EXPECT_EQ(tooLarge, 1u);

  std::vector<SpriteDesc> sprites{Sprite({CBitmap32(70, 20)})};
  sprites[0].frameLabels[0] = "img/wide.png";
  DataFileWriter w;
  std::string error;
  EXPECT_FALSE(WriteGraphics(w, sprites, {}, 64, error));
  EXPECT_NE(error.find("img/wide.png"), std::string::npos) << error;
  EXPECT_NE(error.find("70 x 20"), std::string::npos) << error;
}

TEST(PageEntries, CroppedBordersGiveTheTargetOffsetsAndSizes) {
  // A 10 x 8 frame whose opaque pixels span columns 3..6 and rows 2..5.
  SpriteDesc s = Sprite({Image(10, 8, {{3, 2}, {6, 5}, {4, 3}})});
  Writer_FinishSpriteBox(s);
  BackgroundDesc bg;
  bg.name = "bg";
  bg.label = "bg.png";
  bg.image = CBitmap32(5, 4);  // fully transparent
  const Written f = Write({s}, {bg});
  const uint32_t tpag = f.Chunk("TPAG");
  ASSERT_EQ(f.U32(tpag), 2u);
  const uint32_t e = f.U32(tpag + 4);
  // source w, h; target x, y, w, h; frame w, h; page
  EXPECT_EQ(f.I16(e + 4), 4);
  EXPECT_EQ(f.I16(e + 6), 4);
  EXPECT_EQ(f.I16(e + 8), 3);
  EXPECT_EQ(f.I16(e + 10), 2);
  EXPECT_EQ(f.I16(e + 12), 4);
  EXPECT_EQ(f.I16(e + 14), 4);
  EXPECT_EQ(f.I16(e + 16), 10);
  EXPECT_EQ(f.I16(e + 18), 8);
  EXPECT_EQ(f.I16(e + 20), 0);
  // The fully transparent background keeps one empty pixel and its full size.
  const uint32_t t = f.U32(tpag + 8);
  EXPECT_EQ(f.I16(t + 4), 1);
  EXPECT_EQ(f.I16(t + 6), 1);
  EXPECT_EQ(f.I16(t + 8), 0);
  EXPECT_EQ(f.I16(t + 10), 0);
  EXPECT_EQ(f.I16(t + 16), 5);
  EXPECT_EQ(f.I16(t + 18), 4);
  // The background record refers to that entry.
  const uint32_t bgnd = f.Chunk("BGND");
  EXPECT_EQ(f.U32(f.U32(bgnd + 4) + 16), t);

  // The page holds the cropped pixels at the entry's source rectangle.
  const uint32_t txtr = f.Chunk("TXTR");
  ASSERT_EQ(f.U32(txtr), 1u);
  const uint32_t stream = f.U32(f.U32(txtr + 4) + 4);
  CBitmap32 page;
  std::string error;
  ASSERT_TRUE(Image_DecodePNG(f.bytes.data() + stream, f.bytes.size() - stream, page, error)) << error;
  const int sx = f.I16(e), sy = f.I16(e + 2);
  EXPECT_EQ(page.Pixel(sx, sy)[3], 255);          // frame pixel (3, 2)
  EXPECT_EQ(page.Pixel(sx + 3, sy + 3)[3], 255);  // frame pixel (6, 5)
  EXPECT_EQ(page.Pixel(sx + 1, sy + 1)[3], 255);  // frame pixel (4, 3)
  EXPECT_EQ(page.Pixel(sx + 1, sy)[3], 0);        // frame pixel (4, 2)
  EXPECT_EQ(page.Pixel(f.I16(t), f.I16(t + 2))[3], 0);
}

TEST(SpriteBoxes, AutomaticIsTheUnionOfTheFramesFullAndManualAsGiven) {
  SpriteDesc s = Sprite({Image(12, 10, {{2, 7}, {5, 5}}), Image(12, 10, {{9, 1}})});
  Writer_FinishSpriteBox(s);
  EXPECT_EQ(s.bboxLeft, 2);
  EXPECT_EQ(s.bboxTop, 1);
  EXPECT_EQ(s.bboxRight, 9);
  EXPECT_EQ(s.bboxBottom, 7);
  s.boxMode = BoxMode::Full;
  Writer_FinishSpriteBox(s);
  EXPECT_EQ(s.bboxLeft, 0);
  EXPECT_EQ(s.bboxTop, 0);
  EXPECT_EQ(s.bboxRight, 11);
  EXPECT_EQ(s.bboxBottom, 9);
  s.boxMode = BoxMode::Manual;
  s.bboxLeft = 3;
  s.bboxRight = 4;
  Writer_FinishSpriteBox(s);
  EXPECT_EQ(s.bboxLeft, 3);
  EXPECT_EQ(s.bboxRight, 4);
  // A pixel at or below the tolerance is not solid.
  SpriteDesc faint = Sprite({Image(4, 4, {{1, 1}})});
  faint.frames[0].Pixel(3, 3)[3] = 10;
  faint.tolerance = 10;
  Writer_FinishSpriteBox(faint);
  EXPECT_EQ(faint.bboxRight, 1);
  EXPECT_EQ(faint.bboxBottom, 1);
}

TEST(SpriteMasks, ANinePixelWideFrameTakesTwoBytesARow) {
  // Row 0: pixels 0 and 8; row 1: pixel 7; row 2: nothing.
  SpriteDesc s = Sprite({Image(9, 3, {{0, 0}, {8, 0}, {7, 1}}), Image(9, 3, {{1, 2}})});
  s.precise = true;
  s.boxMode = BoxMode::Full;
  Writer_FinishSpriteBox(s);
  auto one = Writer_SpriteMaskRows(s);  // one for all: the frames together
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0], (std::vector<uint8_t>{0x80, 0x80, 0x01, 0x00, 0x40, 0x00}));
  s.separateMasks = true;
  auto each = Writer_SpriteMaskRows(s);
  ASSERT_EQ(each.size(), 2u);
  EXPECT_EQ(each[0], (std::vector<uint8_t>{0x80, 0x80, 0x01, 0x00, 0x00, 0x00}));
  EXPECT_EQ(each[1], (std::vector<uint8_t>{0x00, 0x00, 0x00, 0x00, 0x40, 0x00}));

  // The record: frame count 2, two entry offsets, mask count 2, then 2 x 6 bytes.
  const Written f = Write({s}, {});
  const uint32_t rec = f.U32(f.Chunk("SPRT") + 4);
  EXPECT_EQ(f.U32(rec + 4), 9u);
  EXPECT_EQ(f.U32(rec + 56), 2u);
  EXPECT_EQ(f.U32(rec + 68), 2u);
  EXPECT_EQ(f.bytes[rec + 72 + 0], 0x80);
  EXPECT_EQ(f.bytes[rec + 72 + 1], 0x80);
  EXPECT_EQ(f.bytes[rec + 72 + 6 + 4], 0x40);
  EXPECT_EQ(rec + 72 + 12, f.Chunk("SPRT") + f.U32(f.Chunk("SPRT") - 4));  // the record ends the chunk

  // Not precise: no masks.
  s.precise = false;
  EXPECT_TRUE(Writer_SpriteMaskRows(s).empty());
}

TEST(SpriteMasks, ShapesFillTheBoundingBox) {
  SpriteDesc s = Sprite({CBitmap32(6, 6)});  // nothing opaque: the shape alone decides
  s.precise = true;
  s.boxMode = BoxMode::Manual;
  s.bboxLeft = 1;
  s.bboxTop = 1;
  s.bboxRight = 4;
  s.bboxBottom = 4;
  // Ellipse in the 4 x 4 box centred at (3, 3) with radii 2: the box corners fall outside
  // ((0.75)^2 * 2 > 1), their neighbours inside (0.25^2 + 0.75^2 <= 1).
  s.maskKind = MaskKind::Ellipse;
  auto m = Writer_SpriteMaskRows(s)[0];
  EXPECT_EQ(m, (std::vector<uint8_t>{0x00, 0x30, 0x78, 0x78, 0x30, 0x00}));
  // Diamond: |dx| + |dy| <= 1 keeps the middle 2 pixels of the first and last rows.
  s.maskKind = MaskKind::Diamond;
  m = Writer_SpriteMaskRows(s)[0];
  EXPECT_EQ(m, (std::vector<uint8_t>{0x00, 0x30, 0x78, 0x78, 0x30, 0x00}));
  s.maskKind = MaskKind::Rectangle;
  m = Writer_SpriteMaskRows(s)[0];
  EXPECT_EQ(m, (std::vector<uint8_t>{0x00, 0x78, 0x78, 0x78, 0x78, 0x00}));
}
