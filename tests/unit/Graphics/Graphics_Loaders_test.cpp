// The image chunk loaders (TPAG, TXTR, SPRT, BGND) on files written by the image writers, then
// damaged where a test needs it: every damage is refused with a message, and the stores can be
// reset and loaded again in the same process.
#include <gtest/gtest.h>

#include <cstring>

#include "Background/Background_Class.h"
#include "DataFile/DataFile_Load.h"
#include "Graphics/Graphics_Texture.h"
#include "Graphics/Graphics_TexturePages.h"
#include "Graphics/ImageTestSupport.h"
#include "Graphics/LoadTestSupport.h"
#include "Sprite/Sprite_Class.h"
#include "Writer_Graphics.h"
#include "Writer_Settings.h"

namespace {

using Game = WrittenFile;
const auto Image = TestImage;

// A sprite of two 9 x 3 frames with a mask each (origin 4, 1) and a 5 x 4 background.
Game MakeGame() {
  DataFileWriter w;
  WriteGeneral(w, GeneralDesc{});
  WriteOptions(w, OptionsDesc{});
  SpriteDesc s;
  s.name = "spr_two";
  s.frames = {Image(9, 3, {{0, 0}, {8, 0}, {7, 1}}), Image(9, 3, {{1, 2}})};
  s.frameLabels = {"a", "b"};
  s.xorigin = 4;
  s.yorigin = 1;
  s.precise = true;
  s.separateMasks = true;
  Writer_FinishSpriteBox(s);
  BackgroundDesc b;
  b.name = "bg_five";
  b.label = "c";
  b.image = Image(5, 4, {{0, 0}, {4, 3}});
  std::string error;
  EXPECT_TRUE(WriteGraphics(w, {s}, {b}, 64, error)) << error;
  return Game{w.finish()};
}

void ExpectRefused(const Game& g, const std::string& part) {
  const std::string error = LoadWithRunner(g.bytes);
  EXPECT_NE(error.find(part), std::string::npos) << "message: \"" << error << "\", expected \"" << part << "\"";
}

}  // namespace

TEST(ImageLoaders, TheSpriteTableHoldsTheRecordWithExpandedMasksAndPagedFrames) {
  const Game g = MakeGame();
  ASSERT_EQ(LoadWithRunner(g.bytes), "");
  ASSERT_EQ(Sprite_Count(), 1);
  const CSprite* s = Sprite_Get(0);
  ASSERT_NE(s, nullptr);
  EXPECT_STREQ(Sprite_Name(0), "spr_two");
  EXPECT_EQ(Sprite_Find("spr_two"), 0);
  EXPECT_EQ(s->width, 9);
  EXPECT_EQ(s->height, 3);
  EXPECT_EQ(s->frameCount, 2);
  EXPECT_EQ(s->xorigin, 4);
  EXPECT_EQ(s->yorigin, 1);
  // The union of the frames' pixels: columns 0..8, rows 0..2.
  EXPECT_EQ(s->bboxLeft, 0);
  EXPECT_EQ(s->bboxTop, 0);
  EXPECT_EQ(s->bboxRight, 8);
  EXPECT_EQ(s->bboxBottom, 2);
  EXPECT_TRUE(s->precise);
  // Farthest corner from (4, 1) is (9, 0) or (9, 3): ceil(sqrt(29)) = 6.
  EXPECT_EQ(s->radius, 6);
  ASSERT_TRUE(s->masksReady);
  EXPECT_FALSE(s->oneMaskForAll);
  ASSERT_EQ(s->masks.size(), 2u);
  std::vector<uint8_t> first(27, 0), second(27, 0);
  first[0] = first[8] = first[9 + 7] = 1;
  second[18 + 1] = 1;
  EXPECT_EQ(s->masks[0], first);
  EXPECT_EQ(s->masks[1], second);
  // Frame 1 was cropped to its one pixel at (1, 2).
  ASSERT_EQ(s->entries.size(), 2u);
  const TexturePageEntry* e = s->entries[1];
  EXPECT_EQ(e->targetX, 1);
  EXPECT_EQ(e->targetY, 2);
  EXPECT_EQ(e->targetWidth, 1);
  EXPECT_EQ(e->frameWidth, 9);
  EXPECT_EQ(e->frameHeight, 3);
  // Every entry now names the texture of its page.
  ASSERT_EQ(TexturePages_PageCount(), 1);
  EXPECT_EQ(e->texture, TexturePages_PageTexture(0));
  EXPECT_TRUE(GR_Texture_Exists(e->texture));

  const CBackground* b = Background_Get(0);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->width, 5);
  EXPECT_EQ(b->height, 4);
  EXPECT_EQ(b->entry->texture, TexturePages_PageTexture(0));
  EXPECT_EQ(Background_Find("bg_five"), 0);

  // One mask for two frames: the flag says so.
  Game shared = MakeGame();
  const uint32_t rec = shared.Sprite();
  shared.Put32(rec + 68, 1);
  ASSERT_EQ(LoadWithRunner(shared.bytes), "");
  EXPECT_TRUE(Sprite_Get(0)->oneMaskForAll);
  EXPECT_EQ(Sprite_Get(0)->masks.size(), 1u);
}

TEST(ImageLoaders, AnOriginFarOutsideTheFrameKeepsTheRadiusInRange) {
  Game g = MakeGame();
  g.Put32(g.Sprite() + 48, 0x80000000u);  // x origin -2147483648
  ASSERT_EQ(LoadWithRunner(g.bytes), "");
  EXPECT_EQ(Sprite_Get(0)->radius, INT32_MAX);
}

TEST(ImageLoaders, EntriesAreSharedByFileOffset) {
  Game g = MakeGame();
  // Frame 1 names frame 0's entry: both frames hold the same copy.
  const uint32_t rec = g.Sprite();
  g.Put32(rec + 64, g.U32(rec + 60));
  ASSERT_EQ(LoadWithRunner(g.bytes), "");
  EXPECT_EQ(Sprite_Get(0)->entries[0], Sprite_Get(0)->entries[1]);
  EXPECT_EQ(TexturePages_EntryCount(), 3);
}

TEST(ImageLoaders, DamagedPagesAndEntriesAreRefused) {
  {
    Game g = MakeGame();
    g.Put16(g.Entry(0), 60);  // source x 60 on a page narrower than 60 + 9
    ExpectRefused(g, "lies outside texture page 0");
  }
  {
    Game g = MakeGame();
    g.Put16(g.Entry(1) + 20, 3);  // page 3 of 1
    ExpectRefused(g, "is on texture page 3, but the file has 1 pages");
  }
  {
    Game g = MakeGame();
    g.Put16(g.Entry(1) + 6, -2);
    ExpectRefused(g, "negative source height");
  }
  {
    Game g = MakeGame();
    g.bytes[g.PageStream() + 1] = 'Q';  // not a PNG signature
    ExpectRefused(g, "texture page 0 at offset");
  }
  {
    Game g = MakeGame();
    // Image data damaged after the header: the header reads, the decoder fails.
    const uint32_t s = g.PageStream();
    for (uint32_t i = s + 41; i < s + 60; ++i) g.bytes[i] ^= 0x5A;
    ExpectRefused(g, "does not decode");
  }
  {
    Game g = MakeGame();
    const uint32_t s = g.PageStream();
    g.bytes[s + 16] = 0;  // width 9000 (0x2328), big-endian
    g.bytes[s + 17] = 0;
    g.bytes[s + 18] = 0x23;
    g.bytes[s + 19] = 0x28;
    ExpectRefused(g, "9000 x");
  }
  {
    Game g = MakeGame();
    g.Put32(g.U32(g.Chunk("TXTR") + 4) + 4, 12);  // the stream outside the chunk
    ExpectRefused(g, "lies outside the TXTR chunk");
  }
  {
    // Entries without pages.
    DataFileWriter w;
    WriteGeneral(w, GeneralDesc{});
    DataFileWriter::Body& tpag = w.chunk("TPAG");
    tpag.u32(1).ref(tpag.at(8));
    tpag.zeros(22);
    ExpectRefused(Game{w.finish()}, "no texture pages");
  }
}

TEST(ImageLoaders, DamagedSpritesAndBackgroundsAreRefused) {
  {
    Game g = MakeGame();
    g.Put32(g.Sprite() + 8, 40);  // 40 rows: the masks of 9 x 3 cannot hold them
    ExpectRefused(g, "masks of 9 x 40 pixels need 160 bytes");
  }
  {
    Game g = MakeGame();
    g.Put32(g.Sprite() + 64, 0x7FFFFFF0);  // frame 1's entry outside the file
    ExpectRefused(g, "sprite 0 (spr_two) frame 1");
  }
  {
    Game g = MakeGame();
    g.Put32(g.Sprite() + 60, 0);
    ExpectRefused(g, "sprite 0 (spr_two) frame 0: names no texture-page entry");
  }
  {
    Game g = MakeGame();
    g.Put32(g.Sprite() + 56, 0x40000000);  // a frame list longer than the file
    ExpectRefused(g, "sprite frame list");
  }
  {
    Game g = MakeGame();
    g.Put32(g.Sprite() + 40, 7);
    ExpectRefused(g, "bounding box mode 7");
  }
  {
    Game g = MakeGame();
    g.Put32(g.Sprite() + 4, 0);  // empty frames cannot have masks (nor a billion of them)
    ExpectRefused(g, "has 2 masks for frames of 0 x 3 pixels");
  }
  {
    Game g = MakeGame();
    g.Put32(g.Sprite() + 4, uint32_t(-9));
    ExpectRefused(g, "is -9 x 3 pixels");
  }
  {
    Game g = MakeGame();
    g.Put32(g.U32(g.Chunk("BGND") + 4) + 16, 0xFFFFFF00u);
    ExpectRefused(g, "background 0 (bg_five)");
  }
}

TEST(ImageLoaders, AResetForgetsEverythingAndTheNextFileLoads) {
  Game bad = MakeGame();
  bad.Put32(bad.U32(bad.Chunk("BGND") + 4) + 16, 0xFFFFFF00u);
  EXPECT_NE(LoadWithRunner(bad.bytes), "");
  DataFile_ResetLoadedState();
  EXPECT_EQ(Sprite_Count(), 0);
  EXPECT_EQ(Background_Count(), 0);
  EXPECT_EQ(TexturePages_EntryCount(), 0);
  EXPECT_EQ(TexturePages_PageCount(), 0);
  const Game good = MakeGame();
  EXPECT_EQ(LoadWithRunner(good.bytes), "");
  EXPECT_EQ(Sprite_Count(), 1);
  EXPECT_EQ(TexturePages_EntryCount(), 3);
}
