// Writes the seed corpus of the data-file fuzzer when TESSERA_WRITE_CORPUS names a folder, and in
// every run checks that the seeds load with the runner's chunk loaders.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "DataFile/DataFile_Load.h"
#include "DataFileWriter.h"
#include "Graphics/LoadTestSupport.h"
#include "Writer_Graphics.h"
#include "Writer_Settings.h"
#include "Writer_World.h"

namespace {

// A small packed game: a sprite of two frames with masks, a background used as a room layer and as
// a tile set, an object with the sprite, a room with a view.
std::vector<uint8_t> ImageGame() {
  DataFileWriter w;
  GeneralDesc g;
  g.roomOrder = {0};
  WriteGeneral(w, g);
  WriteOptions(w, OptionsDesc{});
  SpriteDesc s;
  s.name = "spr";
  s.frames = {CBitmap32(9, 5), CBitmap32(9, 5)};
  s.frames[0].Pixel(2, 1)[3] = 255;
  s.frames[1].Pixel(8, 4)[3] = 255;
  s.frameLabels = {"0", "1"};
  s.precise = true;
  s.separateMasks = true;
  Writer_FinishSpriteBox(s);
  BackgroundDesc b;
  b.name = "bg";
  b.label = "bg";
  b.image = CBitmap32(16, 8);
  for (int x = 0; x < 16; ++x) b.image.Pixel(x, x / 2)[3] = 255;
  std::string error;
  EXPECT_TRUE(WriteGraphics(w, {s}, {b}, 32, error)) << error;
  ObjectDesc o;
  o.name = "obj";
  o.sprite = 0;
  o.mask = 0;
  WriteObjects(w, {o}, false, g.version);
  RoomDesc r;
  r.name = "room";
  r.backgrounds[0].visible = true;
  r.backgrounds[0].index = 0;
  r.backgrounds[0].stretch = true;
  r.views[0].visible = true;
  r.views[0].object = 0;
  r.viewsEnabled = true;
  RoomInstanceDesc i;
  i.id = 100001;
  r.instances = {i};
  TileDesc t;
  t.width = 8;
  t.height = 8;
  t.id = 10000001;
  r.tiles = {t};
  WriteRooms(w, {r}, false, g.version);
  w.chunk("DAFL").u32(0);
  return w.finish();
}

}  // namespace

TEST(DataFileCorpus, SeedsLoad) {
  std::vector<std::vector<uint8_t>> seeds;
  {
    DataFileWriter w;
    GeneralDesc g;
    g.roomOrder = {0, 1};
    WriteGeneral(w, g);
    OptionsDesc o;
    o.constants = {{"VersionMajor", "1"}, {"c", "2"}};
    WriteOptions(w, o);
    w.chunk("SPRT").u32(2).u32(0).u32(0);
    w.chunk("HELP");
    w.chunk("DAFL").u32(0);
    seeds.push_back(w.finish());
  }
  {
    DataFileWriter w;
    GeneralDesc g;
    g.version = 7;
    g.roomOrder = {3};
    WriteGeneral(w, g);
    seeds.push_back(w.finish());
  }
  seeds.push_back(ImageGame());
  const char* folder = std::getenv("TESSERA_WRITE_CORPUS");
  for (size_t i = 0; i < seeds.size(); ++i) {
    EXPECT_EQ(LoadWithRunner(seeds[i]), "") << "seed " << i;
    if (folder) {
      std::ofstream(std::string(folder) + "/seed" + std::to_string(i) + ".win", std::ios::binary)
          .write(reinterpret_cast<const char*>(seeds[i].data()), seeds[i].size());
    }
  }
}
