// The sound chunks as the builder writes them, read back by both systems' loaders.
#include <gtest/gtest.h>

#include "DataFile/DataFile_Container.h"
#include "DataFileWriter.h"
#include "Option/Option_Main.h"
#include "Platform/Platform_Console.h"
#include "Sound/Sound_Audio.h"
#include "Sound/Sound_Classic.h"
#include "Sound/Sound_Main.h"
#include "SoundTestSupport.h"
#include "Writer_Sound.h"

namespace {

struct Loaded {
  std::vector<uint8_t> bytes;
  DataView view() const { return DataView(bytes.data(), bytes.size()); }
};

Loaded Write(const std::vector<SoundDesc>& sounds) {
  DataFileWriter w;
  WriteSounds(w, sounds);
  return Loaded{w.finish()};
}

void Load(const Loaded& file, bool newAudio) {
  g_Options.newAudio = newAudio;
  Console::SetMuted(true);
  const DataView view = file.view();
  for (const ChunkInfo& c : Container_Walk(view)) {
    if (c.tag == MakeTag("SOND")) Sound_LoadSOND(view, c);
    if (c.tag == MakeTag("AUDO")) Sound_LoadAUDO(view, c);
  }
  Console::SetMuted(false);
}

std::vector<SoundDesc> TwoSounds() {
  SoundDesc beep;
  beep.name = "snd_beep";
  beep.fileType = ".wav";
  beep.fileName = "beep.wav";
  beep.volume = 0.25f;
  beep.pan = -0.5f;
  beep.preload = false;
  beep.effects = 5;
  beep.image = ToneWav(0.05);
  SoundDesc song;
  song.name = "mus_song";
  song.kind = 1;
  song.fileType = ".mp3";
  song.fileName = "song.mp3";
  song.image = {1, 2, 3, 4, 5};
  return {beep, song};
}

TEST(SoundLoad, ClassicSoundsGetTheirRecordsAndImages) {
  const Loaded file = Write(TwoSounds());
  Load(file, false);
  EXPECT_FALSE(Sound_NewAudio());
  ASSERT_EQ(Sound_Count(), 2);
  const CSound* beep = Sound_Get(0);
  ASSERT_NE(beep, nullptr);
  EXPECT_STREQ(Sound_Name(0), "snd_beep");
  EXPECT_EQ(Sound_Find("mus_song"), 1);
  EXPECT_EQ(beep->kind, 0);
  EXPECT_EQ(beep->fileType, ".wav");
  EXPECT_EQ(beep->fileName, "beep.wav");
  EXPECT_EQ(beep->volume, 0.25f);
  EXPECT_EQ(beep->pan, -0.5f);
  EXPECT_FALSE(beep->preload);
  EXPECT_EQ(beep->effects, 5u);
  EXPECT_EQ(beep->audoIndex, 0);
  const std::vector<uint8_t> tone = ToneWav(0.05);
  ASSERT_EQ(beep->imageSize, tone.size());
  EXPECT_EQ(std::memcmp(beep->image, tone.data(), tone.size()), 0);
  const CSound* song = Sound_Get(1);
  EXPECT_EQ(song->kind, 1);
  EXPECT_EQ(song->audoIndex, 1);
  EXPECT_EQ(song->imageSize, 5u);
  EXPECT_EQ(Audio_AssetCount(), 0);
  Sound_Reset();
}

TEST(SoundLoad, TheNewAudioSystemGetsAssets) {
  const Loaded file = Write(TwoSounds());
  Load(file, true);
  EXPECT_TRUE(Sound_NewAudio());
  EXPECT_EQ(Sound_Count(), 0);
  ASSERT_EQ(Audio_AssetCount(), 2);
  EXPECT_EQ(Audio_Asset(0)->name, "snd_beep");
  EXPECT_EQ(Audio_Asset(0)->volume, 0.25f);
  EXPECT_FALSE(Audio_Asset(0)->music);
  EXPECT_TRUE(Audio_Asset(1)->music);
  EXPECT_EQ(Audio_Asset(1)->imageSize, 5u);
  EXPECT_EQ(Audio_FindAsset("mus_song"), 1);
  // Without an output the length comes from the image's header: 0.05 s is 2205 frames.
  EXPECT_DOUBLE_EQ(Audio_SoundLength(0), 2205.0 / 44100.0);
  EXPECT_EQ(Audio_SoundLength(1), -1);  // music has no buffer
  EXPECT_EQ(Audio_SoundLength(7), -1);
  Sound_Reset();
}

TEST(SoundLoad, DamagedChunksAreRefused) {
  std::vector<SoundDesc> sounds = TwoSounds();
  Loaded file = Write(sounds);
  const DataView view = file.view();
  ChunkInfo sond, audo;
  for (const ChunkInfo& c : Container_Walk(view)) {
    if (c.tag == MakeTag("SOND")) sond = c;
    if (c.tag == MakeTag("AUDO")) audo = c;
  }
  // The first record's kind (record offset + 4) set to 9.
  uint32_t record = 0;
  std::memcpy(&record, &file.bytes[sond.body + 4], 4);
  std::vector<uint8_t> bad = file.bytes;
  bad[record + 4] = 9;
  Console::SetMuted(true);
  g_Options.newAudio = false;
  EXPECT_THROW(Sound_LoadSOND(DataView(bad.data(), bad.size()), sond), FileFormatError);
  // A data index beyond the AUDO list.
  bad = file.bytes;
  bad[record + 32] = 7;
  Sound_LoadSOND(DataView(bad.data(), bad.size()), sond);
  EXPECT_THROW(Sound_LoadAUDO(DataView(bad.data(), bad.size()), audo), FileFormatError);
  // A blob length running past the end of the file.
  bad = file.bytes;
  uint32_t blob = 0;
  std::memcpy(&blob, &bad[audo.body + 4], 4);
  const uint32_t huge = 0x7fffffff;
  std::memcpy(&bad[blob], &huge, 4);
  Sound_LoadSOND(DataView(bad.data(), bad.size()), sond);
  EXPECT_THROW(Sound_LoadAUDO(DataView(bad.data(), bad.size()), audo), FileFormatError);
  Console::SetMuted(false);
  Sound_Reset();
}

}  // namespace
