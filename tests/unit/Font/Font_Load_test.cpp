// The FONT loader on files written by the builder's writer, then damaged: every damage is refused
// with a message naming the font.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "Font/Font_Class.h"
#include "Font/Font_Text.h"
#include "Graphics/Graphics_Batch.h"
#include "Graphics/Graphics_PageEntry.h"
#include "Graphics/Graphics_Texture.h"
#include "Graphics/ImageTestSupport.h"
#include "Graphics/LoadTestSupport.h"
#include "Writer_Graphics.h"
#include "Writer_Settings.h"

namespace {

// One font "fnt_hud" of typeface "Hud Face" 11 pt bold: a 16 x 8 region with glyphs 'A' (0, 0, 4 x 8,
// shift 5) and 'B' (5, 0, 3 x 6, shift 4, offset 1).
WrittenFile MakeGame() {
  DataFileWriter w;
  WriteGeneral(w, GeneralDesc{});
  WriteOptions(w, OptionsDesc{});
  FontDesc f;
  f.name = "fnt_hud";
  f.typeface = "Hud Face";
  f.size = 11;
  f.bold = true;
  f.first = 65;
  f.last = 66;
  f.image = CBitmap32(16, 8);
  f.label = "font fnt_hud";
  f.glyphs = {FontGlyphDesc{'A', 0, 0, 4, 8, 5, 0}, FontGlyphDesc{'B', 5, 0, 3, 6, 4, 1}};
  std::string error;
  EXPECT_TRUE(WriteGraphics(w, {}, {}, {f}, 64, error)) << error;
  return WrittenFile{w.finish()};
}

// The font record's file offset and its first glyph record's.
uint32_t Record(const WrittenFile& g) { return g.U32(g.Chunk("FONT") + 4); }
uint32_t Glyph(const WrittenFile& g, int i) { return g.U32(Record(g) + 44 + 4 * uint32_t(i)); }
void Put16(WrittenFile& g, uint32_t at, int16_t v) { std::memcpy(g.bytes.data() + at, &v, 2); }

void ExpectRefused(const WrittenFile& g, const std::string& part) {
  const std::string error = LoadWithRunner(g.bytes);
  EXPECT_NE(error.find(part), std::string::npos) << "message: \"" << error << "\", expected \"" << part << "\"";
}

}  // namespace

TEST(FontLoader, TheFontTableHoldsTheRecordAndItsGlyphsOnThePage) {
  const WrittenFile g = MakeGame();
  ASSERT_EQ(LoadWithRunner(g.bytes), "");
  ASSERT_EQ(Font_Count(), 1);
  const CFontTessera* f = Font_Get(0);
  ASSERT_NE(f, nullptr);
  EXPECT_STREQ(Font_Name(0), "fnt_hud");
  EXPECT_EQ(Font_Find("fnt_hud"), 0);
  EXPECT_EQ(f->typeface, "Hud Face");
  EXPECT_EQ(f->size, 11);
  EXPECT_TRUE(f->bold);
  EXPECT_FALSE(f->italic);
  EXPECT_EQ(f->first, 65);
  EXPECT_EQ(f->last, 66);
  EXPECT_EQ(f->antialias, 3);
  EXPECT_EQ(f->sprite, -1);
  EXPECT_EQ(f->xscale, 1);
  ASSERT_NE(f->entry, nullptr);
  EXPECT_EQ(f->regionWidth, 16);  // the region is not cropped, though it is empty
  EXPECT_EQ(f->regionHeight, 8);
  EXPECT_EQ(f->tallest, 8);
  ASSERT_EQ(f->glyphs.size(), 2u);
  EXPECT_EQ(f->Find('B')->x, 5);
  EXPECT_EQ(f->Find('B')->offset, 1);
  EXPECT_EQ(Font_SpriteCharacter(200), 200);  // the identity table the writer ends the chunk with
  // Drawn from the page: texture rectangle (source x + glyph x, ...).
  Batch_Reset();
  Font_SetCurrent(0);
  Text_SetAlign(0, 0);
  Text_Draw(u"B", TextDraw{});
  ASSERT_EQ(Batch_PendingCount(), 6);
  EXPECT_EQ(Batch_PendingTexture(), f->entry->texture);
  const TextureSlot* page = GR_Texture_Slot(f->entry->texture);
  ASSERT_NE(page, nullptr);
  const auto* v = static_cast<const VertexTextured*>(Batch_PendingVertices());
  EXPECT_FLOAT_EQ(v[0].u, float(f->entry->sourceX + 5) * page->recipWidth);
  EXPECT_FLOAT_EQ(v[0].x, 1);
  EXPECT_FLOAT_EQ(v[2].y, 6);
  Batch_Reset();
  Font_SetCurrent(-1);
  DataFile_ResetLoadedState();
}

TEST(FontLoader, DamagedRecordsAreRefused) {
  {
    WrittenFile g = MakeGame();
    Put16(g, Glyph(g, 1) + 6, 20);  // 'B' 20 wide from x 5 on a 16-wide region
    ExpectRefused(g, "font 0 (fnt_hud): glyph 1 (character 66) at 5,0 20x6 lies outside the font's 16x8 region");
  }
  {
    WrittenFile g = MakeGame();
    Put16(g, Glyph(g, 0) + 4, -1);  // a negative y
    ExpectRefused(g, "lies outside the font's");
  }
  {
    WrittenFile g = MakeGame();
    Put16(g, Glyph(g, 1), 'A');  // two glyphs for 'A'
    ExpectRefused(g, "font 0 (fnt_hud): glyph 1 (character 65) is not in ascending character order");
  }
  {
    WrittenFile g = MakeGame();
    g.Put32(Record(g) + 40, 0x40000000u);  // a billion glyphs
    ExpectRefused(g, "font glyph list");
  }
  {
    WrittenFile g = MakeGame();
    g.Put32(Record(g) + 44, 0xFFFFFFF0u);  // a glyph record beyond the file
    ExpectRefused(g, "font glyph");
  }
  {
    WrittenFile g = MakeGame();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::memcpy(g.bytes.data() + Record(g) + 32, &nan, 4);
    ExpectRefused(g, "font 0 (fnt_hud) has a scale that is not a number");
  }
  {
    WrittenFile g = MakeGame();
    g.Put32(Record(g) + 28, 0xFFFFFF00u);  // the page entry outside the file
    ExpectRefused(g, "font 0 (fnt_hud)");
  }
  // A good file loads again after the refusals.
  EXPECT_EQ(LoadWithRunner(MakeGame().bytes), "");
  EXPECT_EQ(Font_Count(), 1);
  DataFile_ResetLoadedState();
  EXPECT_EQ(Font_Count(), 0);
}
