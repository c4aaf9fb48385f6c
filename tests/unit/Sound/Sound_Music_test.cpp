// Music decoding (an MP3 made with lame, a MIDI file written byte by byte) and the failures of
// music and sound data: each is a console line or a false result, never a crash.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <chrono>
#include <functional>
#include <thread>
#include <unistd.h>

#include "Function/Function_Exercise.h"
#include "Platform/Platform_Console.h"
#include "Sound/Sound_Classic.h"
#include "Sound/Sound_Main.h"
#include "Sound/Sound_Music.h"
#include "SoundTestSupport.h"

namespace {

namespace fs = std::filesystem;

double Rms(const std::vector<int16_t>& s) {
  double sum = 0;
  for (int16_t v : s) sum += double(v) * v;
  return s.empty() ? 0 : std::sqrt(sum / double(s.size())) / 32768.0;
}

// C4, E4, G4, a quarter note each at 120 beats a minute (480 ticks a beat): 1.5 s of notes.
std::vector<uint8_t> Chord() {
  static const uint8_t kMidi[] = {
      'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xe0,  // one track, 480 ticks a beat
      'M', 'T', 'r', 'k', 0, 0, 0, 34,                          //
      0x00, 0xc0, 0x00,                                         // piano
      0x00, 0x90, 60, 100, 0x83, 0x60, 0x80, 60, 0,             // C4 for 480 ticks
      0x00, 0x90, 64, 100, 0x83, 0x60, 0x80, 64, 0,             // E4
      0x00, 0x90, 67, 100, 0x83, 0x60, 0x80, 67, 0,             // G4
      0x00, 0xff, 0x2f, 0x00};                                  // end of track
  return std::vector<uint8_t>(kMidi, kMidi + sizeof kMidi);
}

// One C4 of 96 ticks (0.1 s).
std::vector<uint8_t> ShortNote() {
  static const uint8_t kMidi[] = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xe0, 'M', 'T', 'r', 'k', 0, 0, 0, 12,
                                  0x00, 0x90, 60, 100, 0x60, 0x80, 60, 0, 0x00, 0xff, 0x2f, 0x00};
  return std::vector<uint8_t>(kMidi, kMidi + sizeof kMidi);
}

TEST(SoundMusic, MidiRendersTheNotesAndEnds) {
  const std::vector<uint8_t> midi = Chord();
  DecodedMusic out;
  std::string error;
  ASSERT_TRUE(Music_DecodeAll(midi.data(), midi.size(), MusicFormat::Midi, out, error)) << error;
  EXPECT_EQ(out.channels, 2);
  EXPECT_EQ(out.rate, 44100);
  const double seconds = double(out.samples.size()) / 2 / 44100;
  // The notes last 1.5 s; the last one dies away within about a second after that.
  EXPECT_GE(seconds, 1.5);
  EXPECT_LE(seconds, 3.0);
  EXPECT_GT(Rms(out.samples), 0.005);
}

TEST(SoundMusic, Mp3DecodesToItsLength) {
  if (std::system("command -v lame >/dev/null 2>&1") != 0) GTEST_SKIP() << "lame is not installed";
  const fs::path dir = fs::temp_directory_path() / ("tessera-mp3-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::vector<uint8_t> wav = ToneWav(0.5);
  std::ofstream(dir / "tone.wav", std::ios::binary).write(reinterpret_cast<const char*>(wav.data()), std::streamsize(wav.size()));
  const std::string command = "lame --quiet -b 128 '" + (dir / "tone.wav").string() + "' '" + (dir / "tone.mp3").string() + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);
  std::ifstream in(dir / "tone.mp3", std::ios::binary);
  const std::vector<uint8_t> mp3((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  fs::remove_all(dir);
  DecodedMusic out;
  std::string error;
  ASSERT_TRUE(Music_DecodeAll(mp3.data(), mp3.size(), MusicFormat::Mp3, out, error)) << error;
  EXPECT_EQ(out.channels, 1);
  EXPECT_EQ(out.rate, 44100);
  // Gapless decoding gives back the 22050 frames that were encoded.
  EXPECT_NEAR(double(out.samples.size()), 22050.0, 1152.0);
  EXPECT_NEAR(Rms(out.samples), 0.5 / std::sqrt(2.0), 0.03);
}

TEST(SoundMusic, DamagedMusicIsRefused) {
  DecodedMusic out;
  std::string error;
  std::vector<uint8_t> noise(4000);
  for (size_t i = 0; i < noise.size(); ++i) noise[i] = uint8_t(i * 7919 % 251);
  EXPECT_FALSE(Music_DecodeAll(noise.data(), noise.size(), MusicFormat::Mp3, out, error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(Music_DecodeAll(noise.data(), noise.size(), MusicFormat::Midi, out, error));
  std::vector<uint8_t> midi = Chord();
  midi.resize(20);  // the track is cut off
  EXPECT_FALSE(Music_DecodeAll(midi.data(), midi.size(), MusicFormat::Midi, out, error));
  // Played as music: a console line, nothing plays.
  ASSERT_TRUE(OpenNullOutput());
  const std::string line = Printed([&] { EXPECT_FALSE(Music_Play("noise.mp3", noise.data(), noise.size(), false)); });
  EXPECT_EQ(line.rfind("error opening mp3 file noise.mp3 - ", 0), 0u) << line;
  EXPECT_FALSE(Music_IsPlaying());
}

TEST(SoundMusic, APieceThatEndsStopsPlaying) {
  ASSERT_TRUE(OpenNullOutput());
  const std::vector<uint8_t> midi = ShortNote();
  ASSERT_TRUE(Music_Play("note.mid", midi.data(), midi.size(), false));
  EXPECT_TRUE(Music_IsPlaying());
  // The output plays in real time: the 0.1 s note and its tail are over within 4 s.
  for (int i = 0; i < 400 && Music_IsPlaying(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_FALSE(Music_IsPlaying());
  EXPECT_EQ(Music_Current(), "");
  Music_Shutdown();
}

TEST(SoundMusic, ABadWavImageLeavesTheSoundSilent) {
  ASSERT_TRUE(OpenNullOutput());
  Sound_Reset();
  auto* s = new CSound();
  s->ownedImage = {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E', 'j', 'u', 'n', 'k'};
  s->image = s->ownedImage.data();
  s->imageSize = s->ownedImage.size();
  Sound_Add(s, "snd_bad");
  const std::string line = Printed([&] { Sound_PrepareAll(); });
  EXPECT_EQ(line, "ALUT error on load 00000211(529) : there is no format chunk\n");
  EXPECT_FALSE(Sound_Hardware(*s).present);
  Sound_Play(*s, false);  // nothing to play, nothing reported
  EXPECT_FALSE(Sound_IsPlaying(*s));
  Sound_Reset();
}

}  // namespace
