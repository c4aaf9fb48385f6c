// Images through the builder: PNG files in a project (made here), packed, then loaded by the
// runner's loaders; the tables hold what the manifest said. Bad images are refused by name.
#include "PackTestSupport.h"

#include "Background/Background_Class.h"
#include "Graphics/Graphics_Image.h"
#include "Graphics/Graphics_TexturePages.h"
#include "Graphics/LoadTestSupport.h"
#include "Object/Object_Class.h"
#include "Room/Room_Class.h"
#include "Sprite/Sprite_Class.h"

namespace {

class PackImagesTest : public Pack {
 protected:
  // A PNG file in the project: transparent, with the given pixels opaque.
  void Png(const std::string& name, int32_t w, int32_t h, std::initializer_list<std::array<int, 4>> rects) {
    CBitmap32 b(w, h);
    for (const auto& r : rects) {
      for (int y = r[1]; y < r[1] + r[3]; ++y) {
        for (int x = r[0]; x < r[0] + r[2]; ++x) {
          b.Pixel(x, y)[0] = 255;
          b.Pixel(x, y)[3] = 255;
        }
      }
    }
    fs::create_directories((dir / name).parent_path());
    std::string error;
    ASSERT_TRUE(Image_SavePNGFile((dir / name).string(), b.Data(), w, h, error)) << error;
  }
  std::vector<uint8_t> Output() {
    std::ifstream in(dir / "out.win", std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
  }
  void ExpectRefused(const std::string& part) {
    Result b = Build();
    EXPECT_EQ(b.exitCode, 1) << b.out;
    EXPECT_NE(b.out.find(part), std::string::npos) << b.out;
    EXPECT_FALSE(fs::exists(dir / "out.win"));
  }
};

}  // namespace

TEST_F(PackImagesTest, TheLoadedTablesHoldWhatTheManifestSaid) {
  Png("img/ball0.png", 12, 10, {{3, 2, 6, 6}});  // opaque columns 3..8, rows 2..7
  Png("img/ball1.png", 12, 10, {{10, 9, 1, 1}});
  Png("img/strip.png", 12, 4, {{0, 0, 12, 4}});
  Png("img/tiles.png", 32, 16, {{0, 0, 32, 16}});
  File("game.json", R"({"name": "images",
    "sprites": [
      {"name": "spr_ball", "frames": ["img/ball0.png", "img/ball1.png"], "xorigin": 6, "yorigin": 5,
       "precise": true, "separate_masks": true},
      {"name": "spr_strip", "strip": {"file": "img/strip.png", "frames": 3}, "bbox_mode": "manual",
       "bbox": {"left": 1, "top": 1, "right": 2, "bottom": 2}}],
    "backgrounds": [{"name": "bg_tiles", "file": "img/tiles.png", "transparent": true}],
    "objects": [{"name": "obj", "sprite": "spr_ball", "mask": "spr_strip",
      "events": {"create": {"code": "show_debug_message(spr_strip); show_debug_message(bg_tiles); show_debug_message(image_number); show_debug_message(sprite_width);"}}}],
    "rooms": [{"name": "rm", "instances": [{"object": "obj", "x": 1, "y": 1}],
      "views": [{"object": "obj", "wview": 320, "hview": 240}],
      "backgrounds": [{"background": "bg_tiles", "stretch": true}],
      "tiles": [{"background": "bg_tiles", "left": 16, "top": 0, "width": 16, "height": 16, "x": 40, "y": 50,
                 "depth": 5, "xscale": 2, "yscale": 2, "blend": 255, "alpha": 0.5}]}]})");
  Result b = Build();
  ASSERT_EQ(b.exitCode, 0) << b.out;
  ASSERT_EQ(LoadWithRunner(Output()), "");

  const CSprite* ball = Sprite_Get(0);
  ASSERT_NE(ball, nullptr);
  EXPECT_STREQ(Sprite_Name(0), "spr_ball");
  EXPECT_EQ(ball->width, 12);
  EXPECT_EQ(ball->height, 10);
  EXPECT_EQ(ball->xorigin, 6);
  EXPECT_EQ(ball->yorigin, 5);
  EXPECT_EQ(ball->frameCount, 2);
  EXPECT_EQ(ball->bboxMode, 0);
  // The union of both frames: the block and the pixel at (10, 9).
  EXPECT_EQ(ball->bboxLeft, 3);
  EXPECT_EQ(ball->bboxTop, 2);
  EXPECT_EQ(ball->bboxRight, 10);
  EXPECT_EQ(ball->bboxBottom, 9);
  ASSERT_EQ(ball->masks.size(), 2u);
  EXPECT_EQ(ball->masks[0][2 * 12 + 3], 1);
  EXPECT_EQ(ball->masks[0][7 * 12 + 8], 1);
  EXPECT_EQ(ball->masks[0][7 * 12 + 9], 0);
  EXPECT_EQ(ball->masks[1][9 * 12 + 10], 1);
  EXPECT_EQ(ball->masks[1][2 * 12 + 3], 0);
  const TexturePageEntry* e = ball->entries[0];
  EXPECT_EQ(e->targetX, 3);
  EXPECT_EQ(e->targetY, 2);
  EXPECT_EQ(e->targetWidth, 6);
  EXPECT_EQ(e->targetHeight, 6);
  EXPECT_EQ(e->frameWidth, 12);
  EXPECT_EQ(e->frameHeight, 10);

  const CSprite* strip = Sprite_Get(1);
  ASSERT_NE(strip, nullptr);
  EXPECT_EQ(strip->frameCount, 3);
  EXPECT_EQ(strip->width, 4);
  EXPECT_EQ(strip->bboxMode, 2);
  EXPECT_EQ(strip->bboxLeft, 1);
  EXPECT_EQ(strip->bboxBottom, 2);
  EXPECT_TRUE(strip->masks.empty());  // not precise

  const CBackground* tiles = Background_Get(0);
  ASSERT_NE(tiles, nullptr);
  EXPECT_EQ(tiles->width, 32);
  EXPECT_EQ(tiles->height, 16);
  EXPECT_TRUE(tiles->transparent);

  ASSERT_NE(Object_Find(0), nullptr);
  EXPECT_EQ(Object_Find(0)->sprite, 0);
  EXPECT_EQ(Object_Find(0)->mask, 1);

  const CRoom* room = Room_Definition(0);
  ASSERT_NE(room, nullptr);
  EXPECT_EQ(room->backgrounds[0].index, 0);
  EXPECT_FLOAT_EQ(room->backgrounds[0].xscale, 640.0f / 32);  // stretched over the room
  EXPECT_FLOAT_EQ(room->backgrounds[0].yscale, 480.0f / 16);
  EXPECT_EQ(room->views[0].object, 0);
  EXPECT_EQ(room->views[0].wview, 320);
  ASSERT_EQ(room->tiles.size(), 1u);
  const CTile& t = room->tiles[0];
  EXPECT_EQ(t.background, 0);
  EXPECT_EQ(t.left, 16);
  EXPECT_EQ(t.width, 16);
  EXPECT_FLOAT_EQ(t.x, 40);
  EXPECT_FLOAT_EQ(t.y, 50);
  EXPECT_FLOAT_EQ(t.depth, 5);
  EXPECT_FLOAT_EQ(t.xscale, 2);
  EXPECT_EQ(t.blend, 255);
  EXPECT_FLOAT_EQ(t.alpha, 128.0f / 255.0f);  // 0.5 of 255, rounded

  // The names compile to indices, and the instance's sprite answers image_number and sprite_width.
  const std::string tools = std::getenv("TESSERA_TOOLS");
  Result run = Shell("cd " + dir.string() + " && XDG_DATA_HOME=" + dir.string() + " " + tools +
                     "/tessera -game out.win -headless -nosleep -frames 1");
  EXPECT_EQ(run.exitCode, 0) << run.out;
  EXPECT_NE(run.out.find("\n1\n0\n2\n12\n"), std::string::npos) << run.out;

  // The inspector lists the same.
  Result d = Shell(dump + " " + (dir / "out.win").string());
  EXPECT_NE(d.out.find("0 spr_ball: 12 x 10  origin 6,5  frames 2  bbox 3,2 to 10,9 (automatic)  precise 1  masks 2"),
            std::string::npos)
      << d.out;
  EXPECT_NE(d.out.find("0 bg_tiles: 32 x 16"), std::string::npos) << d.out;
  Result p = Shell(dump + " --page 0 " + (dir / "page.png").string() + " " + (dir / "out.win").string());
  EXPECT_EQ(p.exitCode, 0) << p.out;
  CBitmap32 page;
  std::string error;
  ASSERT_TRUE(Image_LoadPNGFile((dir / "page.png").string(), page, error)) << error;
  EXPECT_EQ(page.Pixel(e->sourceX, e->sourceY)[3], 255);
}

TEST_F(PackImagesTest, BadImagesAreRefusedByName) {
  Png("img/wide.png", 12, 4, {{0, 0, 12, 4}});
  File("game.json", R"({"texture_page_size": 8, "sprites": [{"name": "s", "frames": ["img/wide.png"]}]})");
  ExpectRefused((dir / "img/wide.png").string() + ": the image is 12 x 4 pixels, larger than a texture page (8 x 8)");

  File("img/text.png", "not an image");
  File("game.json", R"({"backgrounds": [{"name": "b", "file": "img/text.png"}]})");
  ExpectRefused((dir / "img/text.png").string() + ":");

  Png("img/other.png", 5, 4, {});
  File("game.json", R"({"sprites": [{"name": "s", "frames": ["img/wide.png", "img/other.png"]}]})");
  ExpectRefused((dir / "img/other.png").string() + ": the frame is 5 x 4 pixels");

  File("game.json", R"({"sprites": [{"name": "s", "strip": {"file": "img/wide.png", "frames": 5}}]})");
  ExpectRefused("cannot be cut into 5 frames");

  File("game.json", R"({"sprites": [{"name": "s", "frames": ["img/missing.png"]}]})");
  ExpectRefused((dir / "img/missing.png").string() + ":");

  File("game.json", R"({"objects": [{"name": "o", "sprite": "nobody"}]})");
  ExpectRefused("object o sprite: there is no sprite named \"nobody\"");

  File("game.json", R"({"backgrounds": [{"name": "b", "file": "img/other.png"}],
    "rooms": [{"name": "r", "tiles": [{"background": "b", "left": 2, "width": 4}]}]})");
  ExpectRefused("the tile's rectangle must lie inside its background (5 x 4)");

  File("game.json", R"({"sprites": [{"name": "s", "frames": ["img/wide.png"], "bbox_mode": "manual",
    "bbox": {"left": 0, "top": 0, "right": 12, "bottom": 3}}]})");
  ExpectRefused("the bounding box must lie inside the 12 x 4 frame");
}
