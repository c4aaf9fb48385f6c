// Exercises of the sound, audio, music and CD functions on the null output: sources play in real
// time and make no sound, so playing states are real.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <functional>

#include "Code/Code_Error.h"
#include "Function/Function_Exercise.h"
#include "Platform/Platform_Console.h"
#include "Sound/Sound_Audio.h"
#include "Sound/Sound_Classic.h"
#include "Sound/Sound_Main.h"
#include "Sound/Sound_Music.h"
#include "SoundTestSupport.h"

namespace {

RValue Call(const char* name, std::vector<RValue> args = {}) { return CallBuiltin(name, std::move(args)); }
RValue R(double v) { return RValue(v); }

bool Reported(const std::function<void()>& f) {
  SetLastErrorText("");
  f();
  return std::string(LastErrorText()).find("Sound does not exist.") != std::string::npos;
}

// A classic sound of half a second at volume 0.5 in slot 0.
int32_t ClassicTone() {
  Sound_Reset();
  Sound_SelectSystem(false);
  auto* s = new CSound();
  s->ownedImage = ToneWav(0.5);
  s->image = s->ownedImage.data();
  s->imageSize = s->ownedImage.size();
  s->volume = 0.5f;
  s->fileName = "tone.wav";
  const int32_t index = Sound_Add(s, "snd_tone");
  Sound_CreateHardware(*s);
  return index;
}

void ExClassic() {
  ASSERT_TRUE(OpenNullOutput());
  const int32_t s = ClassicTone();
  CSound& sound = *Sound_Get(s);
  ASSERT_TRUE(Sound_Hardware(sound).present);
  EXPECT_EQ(Call("sound_isplaying", {R(s)}).real, 0);
  // Four sources in rotation: four plays use them all, the fifth restarts the first.
  for (int i = 0; i < 4; ++i) Call("sound_play", {R(s)});
  EXPECT_EQ(Sound_Hardware(sound).nextSource, 0);
  Call("sound_play", {R(s)});
  EXPECT_EQ(Sound_Hardware(sound).nextSource, 1);
  EXPECT_EQ(Call("sound_isplaying", {R(s)}).real, 1);
  // A play starts at the hardware volume (1 at load) and reaches the sound's 0.5 at the next tick.
  EXPECT_EQ(Sound_Hardware(sound).fadeSteps, 1);
  Sound_Tick();
  EXPECT_DOUBLE_EQ(Sound_Hardware(sound).volume, 0.5);
  // 1000 ms at room speed 30: 1000 / (1000 / 30) = 1000 / 33 = 30 steps.
  Call("sound_fade", {R(s), R(0.2), R(1000)});
  EXPECT_EQ(Sound_Hardware(sound).fadeSteps, 30);
  for (int i = 0; i < 29; ++i) Sound_Tick();
  EXPECT_GT(Sound_Hardware(sound).volume, 0.2 + 1e-6);
  Sound_Tick();
  EXPECT_NEAR(Sound_Hardware(sound).volume, 0.2, 1e-9);
  EXPECT_EQ(Sound_Hardware(sound).fadeSteps, 0);
  EXPECT_FLOAT_EQ(sound.volume, 0.5f);  // a fade does not change the sound's own volume
  // sound_volume stores the volume and gets there in one step; values are kept within 0 to 1.
  Call("sound_volume", {R(s), R(0.75)});
  EXPECT_FLOAT_EQ(sound.volume, 0.75f);
  Sound_Tick();
  EXPECT_DOUBLE_EQ(Sound_Hardware(sound).volume, 0.75);
  Call("sound_fade", {R(s), R(3), R(0)});
  Sound_Tick();
  EXPECT_DOUBLE_EQ(Sound_Hardware(sound).volume, 1.0);
  Call("sound_stop", {R(s)});
  EXPECT_EQ(Call("sound_isplaying", {R(s)}).real, 0);
  Call("sound_loop", {R(s)});
  EXPECT_EQ(Call("sound_isplaying", {R(s)}).real, 1);
  Call("sound_stop_all");
  EXPECT_EQ(Call("sound_isplaying", {R(s)}).real, 0);
  Call("sound_global_volume", {R(0.25)});
  EXPECT_EQ(Sound_GlobalVolume(), 0.25);
  Call("sound_global_volume", {R(1)});
  // A missing sound is reported by every function that takes one, except sound_isplaying.
  for (const char* name : {"sound_play", "sound_loop", "sound_stop", "sound_volume", "sound_fade", "sound_pan",
                           "sound_effect_set", "sound_effect_chorus", "sound_effect_compressor", "sound_effect_echo",
                           "sound_effect_flanger", "sound_effect_gargle", "sound_effect_equalizer",
                           "sound_effect_reverb", "sound_3d_set_sound_position", "sound_3d_set_sound_velocity",
                           "sound_3d_set_sound_distance", "sound_3d_set_sound_cone"}) {
    EXPECT_TRUE(Reported([&] { Call(name, {R(9), R(0), R(0)}); })) << name;
    EXPECT_FALSE(Reported([&] { Call(name, {R(s), R(0), R(0)}); })) << name;
  }
  EXPECT_FALSE(Reported([&] { EXPECT_EQ(Call("sound_isplaying", {R(-1)}).real, 0); }));
  // Tempo and the search directory take no sound.
  EXPECT_FALSE(Reported([&] { Call("sound_background_tempo", {R(2)}); }));
  EXPECT_FALSE(Reported([&] { Call("sound_set_search_directory", {RValue("x")}); }));
  // With the audio system selected the classic functions do nothing and report nothing.
  Sound_SelectSystem(true);
  EXPECT_FALSE(Reported([&] { EXPECT_EQ(Call("sound_play", {R(9)}).real, 0); }));
  EXPECT_EQ(Call("sound_isplaying", {R(s)}).real, 0);
  Sound_Reset();
}

void ExResources() {
  const int32_t s = ClassicTone();
  Sound_Get(s)->kind = 2;
  Sound_Get(s)->preload = true;
  EXPECT_EQ(Call("sound_exists", {R(s)}).real, 1);
  EXPECT_EQ(Call("sound_exists", {R(s + 1)}).real, 0);
  EXPECT_EQ(Call("sound_get_name", {R(s)}).Str(), std::string("snd_tone"));
  EXPECT_EQ(Call("sound_name", {R(-4)}).Str(), std::string("<undefined>"));
  EXPECT_EQ(Call("sound_get_kind", {R(s)}).real, 2);
  EXPECT_EQ(Call("sound_get_preload", {R(s)}).real, 1);
  EXPECT_EQ(Call("sound_get_preload", {R(s + 1)}).real, 0);
  // In the audio system the assets answer.
  Sound_Reset();
  Sound_SelectSystem(true);
  AudioAsset a;
  a.name = "mus";
  a.music = true;
  Audio_SetAsset(1, a);
  EXPECT_EQ(Call("sound_exists", {R(0)}).real, 0);
  EXPECT_EQ(Call("sound_exists", {R(1)}).real, 1);
  EXPECT_EQ(Call("sound_get_name", {R(1)}).Str(), std::string("mus"));
  EXPECT_EQ(Call("sound_get_kind", {R(1)}).real, 1);
  Sound_Reset();
}

void ExAddAndReplace() {
  ASSERT_TRUE(OpenNullOutput());
  const int32_t first = ClassicTone();
  const std::filesystem::path wav = std::filesystem::temp_directory_path() / ("tessera-add-" + std::to_string(::getpid()) + ".wav");
  const std::vector<uint8_t> bytes = ToneWav(0.1);
  std::ofstream(wav, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  const int added = int(Call("sound_add", {RValue(wav.c_str()), R(0), R(1)}).real);
  EXPECT_EQ(added, first + 1);
  EXPECT_EQ(Call("sound_get_name", {R(added)}).Str(), "__newsound" + std::to_string(added));
  EXPECT_EQ(Call("sound_get_preload", {R(added)}).real, 1);
  EXPECT_TRUE(Sound_Hardware(*Sound_Get(added)).present);
  EXPECT_EQ(Call("sound_add", {RValue("/no/such/file.wav"), R(0), R(0)}).real, -1);
  const int music = int(Call("sound_add", {RValue("theme.mp3"), R(1), R(0)}).real);
  EXPECT_EQ(Call("sound_get_kind", {R(music)}).real, 1);
  EXPECT_FALSE(Sound_Hardware(*Sound_Get(music)).present);
  // Replacing keeps the index and the name.
  EXPECT_EQ(Call("sound_replace", {R(first), RValue(wav.c_str()), R(2), R(0)}).real, 1);
  EXPECT_EQ(Call("sound_get_name", {R(first)}).Str(), std::string("snd_tone"));
  EXPECT_EQ(Call("sound_get_kind", {R(first)}).real, 2);
  EXPECT_EQ(Sound_Find("snd_tone"), first);
  EXPECT_EQ(Call("sound_replace", {R(99), RValue(wav.c_str()), R(0), R(0)}).real, 0);
  Call("sound_discard", {R(added)});
  EXPECT_FALSE(Sound_Hardware(*Sound_Get(added)).present);
  Call("sound_restore", {R(added)});
  EXPECT_TRUE(Sound_Hardware(*Sound_Get(added)).present);
  Call("sound_delete", {R(added)});
  EXPECT_EQ(Call("sound_exists", {R(added)}).real, 0);
  std::filesystem::remove(wav);
  Sound_Reset();
}

// Asset 0: half a second of mono; asset 1: one second of 16-bit stereo at 44100 Hz.
void AudioAssets() {
  Sound_Reset();
  Audio_Shutdown();
  Sound_SelectSystem(true);
  static const std::vector<uint8_t> mono = ToneWav(0.5);
  static const std::vector<uint8_t> stereo = ToneWav(1.0, 44100, 2);
  AudioAsset a;
  a.name = "snd_a";
  a.image = mono.data();
  a.imageSize = mono.size();
  Audio_SetAsset(0, a);
  a.name = "snd_b";
  a.image = stereo.data();
  a.imageSize = stereo.size();
  a.volume = 0.5f;
  Audio_SetAsset(1, a);
  Audio_PrepareAssets();
  Audio_Start();
}

void ExAudioVoices() {
  ASSERT_TRUE(OpenNullOutput());
  AudioAssets();
  EXPECT_DOUBLE_EQ(Call("audio_sound_length", {R(1)}).real, 1.0);
  EXPECT_DOUBLE_EQ(Call("audio_sound_length", {R(0)}).real, 0.5);
  EXPECT_EQ(Call("audio_sound_length", {R(5)}).real, -1);
  // 128 voices of priority 5 take every source: another of priority 5 fails, one of priority 6
  // takes the source of the first voice found, which then has ended.
  std::vector<int> ids;
  for (int i = 0; i < 128; ++i) ids.push_back(int(Call("audio_play_sound", {R(0), R(5)}).real));
  EXPECT_EQ(ids.front(), 0);
  EXPECT_EQ(ids.back(), 127);
  EXPECT_EQ(Call("audio_play_sound", {R(0), R(5)}).real, -1);
  const int taker = int(Call("audio_play_sound", {R(0), R(6)}).real);
  EXPECT_EQ(taker, 128);
  EXPECT_EQ(Call("audio_is_playing", {R(ids[0])}).real, 0);
  EXPECT_EQ(Call("audio_is_playing", {R(ids[1])}).real, 1);
  EXPECT_EQ(Call("audio_is_playing", {R(taker)}).real, 1);
  Call("audio_stop_sound", {R(taker)});
  EXPECT_EQ(Call("audio_is_playing", {R(taker)}).real, 0);
  Call("audio_stop_all");
  EXPECT_EQ(Call("audio_is_playing", {R(ids[5])}).real, 0);
  // Pause and resume, one and all.
  const int v = int(Call("audio_play_sound", {R(1), R(1)}).real);
  EXPECT_GE(v, 0);
  Call("audio_pause_sound", {R(v)});
  EXPECT_EQ(Call("audio_is_playing", {R(v)}).real, 0);
  Call("audio_resume_sound", {R(v)});
  EXPECT_EQ(Call("audio_is_playing", {R(v)}).real, 1);
  Call("audio_pause_all");
  EXPECT_EQ(Call("audio_is_playing", {R(v)}).real, 0);
  Call("audio_resume_all");
  EXPECT_EQ(Call("audio_is_playing", {R(v)}).real, 1);
  // A missing asset plays nothing.
  EXPECT_EQ(Call("audio_play_sound", {R(7), R(1)}).real, -1);
  EXPECT_GE(Call("audio_play_sound_at", {R(0), R(1), R(2), R(3), R(1), R(1), R(1)}).real, 0);
  // Two sources: a third voice of equal priority fails.
  Call("audio_channel_num", {R(2)});
  EXPECT_EQ(Audio_ChannelCount(), 2);
  EXPECT_GE(Call("audio_play_sound", {R(0), R(0)}).real, 0);
  EXPECT_GE(Call("audio_play_sound", {R(0), R(0)}).real, 0);
  EXPECT_EQ(Call("audio_play_sound", {R(0), R(0)}).real, -1);
  Call("audio_master_gain", {R(-3)});
  EXPECT_EQ(Audio_MasterGainValue(), 0);
  Call("audio_master_gain", {R(0.5)});
  EXPECT_EQ(Audio_MasterGainValue(), 0.5);
  Call("audio_stop_all");
  Audio_Shutdown();
  Sound_Reset();
}

void ExAudioEmitters() {
  ASSERT_TRUE(OpenNullOutput());
  AudioAssets();
  const int e = int(Call("audio_emitter_create").real);
  EXPECT_EQ(e, 0);
  EXPECT_EQ(Call("audio_emitter_create").real, 1);
  Call("audio_emitter_gain", {R(e), R(-1)});
  Call("audio_emitter_pitch", {R(e), R(-1)});
  EXPECT_EQ(Audio_Emitter(e).gain, 1.0f);
  EXPECT_EQ(Audio_Emitter(e).pitch, 1.0f);
  Call("audio_emitter_gain", {R(e), R(0.25)});
  Call("audio_emitter_pitch", {R(e), R(2)});
  Call("audio_emitter_falloff", {R(e), R(10)});
  Call("audio_emitter_position", {R(e), R(1), R(2), R(3)});
  Call("audio_emitter_velocity", {R(e), R(4), R(5), R(6)});
  const EmitterView view = Audio_Emitter(e);
  EXPECT_EQ(view.gain, 0.25f);
  EXPECT_EQ(view.pitch, 2.0f);
  EXPECT_EQ(view.reference, 10.0f);
  EXPECT_EQ(view.x + view.y + view.z, 6.0f);
  const int v = int(Call("audio_play_sound_on", {R(e), R(0), R(1), R(1)}).real);
  EXPECT_GE(v, 0);
  EXPECT_EQ(Audio_Emitter(e).voices, 1u);
  Call("audio_listener_position", {R(0), R(0), R(0)});
  Call("audio_listener_velocity", {R(0), R(0), R(0)});
  Call("audio_listener_orientation", {R(0), R(0), R(1), R(0), R(1), R(0)});
  Audio_Tick();  // the voice plays: it stays with its emitter
  EXPECT_EQ(Audio_Emitter(e).voices, 1u);
  Call("audio_stop_sound", {R(v)});
  Call("audio_emitter_free", {R(e)});
  EXPECT_FALSE(Audio_EmitterExists(e));
  std::string out = Printed([&] { EXPECT_EQ(Call("audio_play_sound_on", {R(e), R(0), R(0), R(1)}).real, -1); });
  EXPECT_EQ(out, "Audio_PlaySound Attempting to play sound on inactive emitter 0\n");
  // A freed slot is taken again first.
  EXPECT_EQ(Call("audio_emitter_create").real, 0);
  Audio_Shutdown();
  Sound_Reset();
}

void ExMusic() {
  ASSERT_TRUE(OpenNullOutput());
  Sound_Reset();
  Sound_SelectSystem(true);
  AudioAsset a;
  a.name = "mus";
  a.music = true;
  a.fileName = "no-such-file.mid";
  Audio_SetAsset(0, a);
  std::string out = Printed([] { Call("audio_play_music", {R(0), R(0)}); });
  EXPECT_EQ(out, "error opening mp3 file no-such-file.mid - the file does not exist\n");
  EXPECT_FALSE(Music_IsPlaying());
  // The piece kept in the data file plays when the file is not found.
  static const uint8_t kMidi[] = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 1, 0xe0, 'M', 'T', 'r', 'k', 0, 0, 0, 12,
                                  0, 0x90, 60, 100, 0x83, 0x60, 0x80, 60, 0, 0, 0xff, 0x2f};
  std::vector<uint8_t> midi(kMidi, kMidi + sizeof kMidi);
  midi.push_back(0);
  Audio_Asset(0)->image = midi.data();
  Audio_Asset(0)->imageSize = midi.size();
  Call("audio_play_music", {R(0), R(1)});
  EXPECT_TRUE(Music_IsPlaying());
  EXPECT_EQ(Music_Current(), "no-such-file.mid");
  Call("audio_stop_music");
  EXPECT_FALSE(Music_IsPlaying());
  // A sound whose name is not music is not played.
  Audio_Asset(0)->fileName = "tone.wav";
  Call("audio_play_music", {R(0), R(0)});
  EXPECT_FALSE(Music_IsPlaying());
  Music_Shutdown();
  Sound_Reset();
}

void ExCd() {
  for (const char* name : {"cd_init", "cd_present", "cd_number", "cd_playing", "cd_paused", "cd_track", "cd_length",
                           "cd_track_length", "cd_position", "cd_track_position", "cd_play", "cd_stop", "cd_pause",
                           "cd_resume", "cd_set_position", "cd_set_track_position", "cd_open_door", "cd_close_door"}) {
    EXPECT_EQ(Call(name, {R(1), R(2)}).real, 0) << name;
  }
  EXPECT_EQ(Call("MCI_command", {RValue("status cdaudio media present")}).Str(), std::string(""));
}

const RegisterExercise kClassic({"sound_play", "sound_loop", "sound_stop", "sound_stop_all", "sound_isplaying",
                                 "sound_volume", "sound_fade", "sound_global_volume", "sound_pan",
                                 "sound_background_tempo", "sound_set_search_directory", "sound_effect_set",
                                 "sound_effect_chorus", "sound_effect_compressor", "sound_effect_echo",
                                 "sound_effect_flanger", "sound_effect_gargle", "sound_effect_equalizer",
                                 "sound_effect_reverb", "sound_3d_set_sound_position", "sound_3d_set_sound_velocity",
                                 "sound_3d_set_sound_distance", "sound_3d_set_sound_cone"},
                                ExClassic);
const RegisterExercise kResources({"sound_exists", "sound_get_name", "sound_name", "sound_get_kind",
                                   "sound_get_preload"},
                                  ExResources);
const RegisterExercise kAdd({"sound_add", "sound_replace", "sound_delete", "sound_discard", "sound_restore"},
                            ExAddAndReplace);
const RegisterExercise kVoices({"audio_play_sound", "audio_play_sound_at", "audio_stop_sound", "audio_pause_sound",
                                "audio_resume_sound", "audio_pause_all", "audio_resume_all", "audio_stop_all",
                                "audio_is_playing", "audio_master_gain", "audio_channel_num", "audio_sound_length"},
                               ExAudioVoices);
const RegisterExercise kEmitters({"audio_emitter_create", "audio_emitter_free", "audio_emitter_position",
                                  "audio_emitter_velocity", "audio_emitter_gain", "audio_emitter_pitch",
                                  "audio_emitter_falloff", "audio_play_sound_on", "audio_listener_position",
                                  "audio_listener_velocity", "audio_listener_orientation"},
                                 ExAudioEmitters);
const RegisterExercise kMusic({"audio_play_music", "audio_stop_music"}, ExMusic);
const RegisterExercise kCd({"cd_init", "cd_present", "cd_number", "cd_playing", "cd_paused", "cd_track", "cd_length",
                            "cd_track_length", "cd_position", "cd_track_position", "cd_play", "cd_stop", "cd_pause",
                            "cd_resume", "cd_set_position", "cd_set_track_position", "cd_open_door", "cd_close_door",
                            "MCI_command"},
                           ExCd);

TEST(SoundFunctions, Classic) {
  RegisterAllFunctions();
  ExClassic();
}
TEST(SoundFunctions, Resources) {
  RegisterAllFunctions();
  ExResources();
}
TEST(SoundFunctions, AddAndReplace) {
  RegisterAllFunctions();
  ExAddAndReplace();
}
TEST(SoundFunctions, AudioVoices) {
  RegisterAllFunctions();
  ExAudioVoices();
}
TEST(SoundFunctions, AudioEmitters) {
  RegisterAllFunctions();
  ExAudioEmitters();
}
TEST(SoundFunctions, Music) {
  RegisterAllFunctions();
  ExMusic();
}

}  // namespace
