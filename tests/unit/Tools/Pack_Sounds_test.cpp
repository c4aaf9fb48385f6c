// The builder's sounds: WAV files checked and stored, MP3 and MIDI files kept as music, the records
// listed by tessera-dump, and bad sounds refused with their names and nothing written.
#include <gtest/gtest.h>
#include <fstream>

#include "../Sound/SoundTestSupport.h"
#include "PackTestSupport.h"

namespace {

// The builder's fixture with a WAV, an MP3 and a script that names a sound.
class PackSoundsTest : public Pack {
 protected:
  void SetUp() override {
    Pack::SetUp();
    if (IsSkipped()) return;
    const std::vector<uint8_t> wav = ToneWav(0.1, 22050, 2);
    std::ofstream(dir / "beep.wav", std::ios::binary).write(reinterpret_cast<const char*>(wav.data()), std::streamsize(wav.size()));
    std::ofstream(dir / "song.mp3", std::ios::binary) << "ID3-and-frames";
    File("code.tss", "sound_play(snd_beep);\n");
  }
  Result BuildSounds(const std::string& sounds) {
    File("game.json", R"({"name": "g", "sounds": [)" + sounds + R"(], "scripts": [{"name": "scr", "file": "code.tss"}]})");
    return Build();
  }
};

TEST_F(PackSoundsTest, SoundsAreStoredAndListed) {
  const Result r = BuildSounds(R"({"name": "snd_beep", "file": "beep.wav", "volume": 0.5, "pan": -1, "preload": false},
                         {"name": "mus_song", "file": "song.mp3"})");
  ASSERT_EQ(r.exitCode, 0) << r.out;
  const Result d = Shell(dump + " " + (dir / "out.win").string());
  ASSERT_EQ(d.exitCode, 0) << d.out;
  EXPECT_NE(d.out.find("Sounds: 2"), std::string::npos) << d.out;
  EXPECT_NE(d.out.find("snd_beep             normal     .wav   file beep.wav         volume 0.50 pan -1.00 preload 0  "
                       "data 0 (8864 bytes, WAV 22050 Hz 16-bit stereo 0.100 s)"),
            std::string::npos)
      << d.out;
  EXPECT_NE(d.out.find("mus_song             music      .mp3   file song.mp3         volume 1.00 pan 0.00 preload 1  "
                       "data 1 (14 bytes)"),
            std::string::npos)
      << d.out;
}

TEST_F(PackSoundsTest, BadSoundsAreRefusedByName) {
  std::ofstream(dir / "bad.wav") << "RIFF....WAVEdata";
  std::ofstream(dir / "tune.ogg") << "OggS";
  const struct {
    const char* sounds;
    const char* message;
  } cases[] = {
      {R"({"name": "snd_bad", "file": "bad.wav"})", "sound snd_bad: bad.wav: "},
      {R"({"name": "snd_ogg", "file": "tune.ogg"})", "sound snd_ogg: tune.ogg is not a WAV, MP3 or MIDI file (convert OGG to WAV)"},
      {R"({"name": "snd_gone", "file": "gone.wav"})", "sound snd_gone: gone.wav cannot be read"},
      {R"({"name": "snd_beep", "file": "beep.wav", "volume": 2})", "sound snd_beep: \"volume\" must be a number from 0 to 1"},
      {R"({"name": "snd_beep", "file": "beep.wav", "kind": "loud"})", "sound snd_beep: \"kind\" is one of"},
      {R"({"name": "snd_beep", "file": "beep.wav"}, {"name": "snd_beep", "file": "beep.wav"})", "the name \"snd_beep\" is used twice"},
      {R"({"name": "snd_beep", "file": "beep.wav", "loop": true})", "loop"},
  };
  for (const auto& c : cases) {
    const Result r = BuildSounds(c.sounds);
    EXPECT_EQ(r.exitCode, 1) << c.sounds;
    EXPECT_NE(r.out.find(c.message), std::string::npos) << r.out;
    EXPECT_FALSE(fs::exists(dir / "out.win")) << c.sounds;
  }
}

}  // namespace
