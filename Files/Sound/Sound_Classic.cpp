#include "Sound/Sound_Classic.h"

#include <algorithm>
#include <memory>

#include "Platform/Platform_Console.h"
#include "Room/Room_Main.h"
#include "Sound/Sound_Music.h"
#include "Sound/Sound_Output.h"
#include "Support/Support_ResourceTable.h"

namespace {

constexpr int kSourcesPerSound = 4;

struct HardwareSound {
  uint32_t buffer = 0;
  std::vector<uint32_t> sources;  // four, bound to the buffer
  int32_t next = 0;               // the source the next play takes
  double volume = 1.0;
  double fadeStep = 0;
  int32_t fadeSteps = 0;
};

struct Channel {
  bool inUse = false;
  int32_t kind = 0;
  std::unique_ptr<HardwareSound> hardware;
};

ResourceTable<CSound> g_sounds;
std::vector<Channel> g_channels;
double g_masterVolume = 1.0;

// The music of the classic system: its volume and fade (the file name is the music module's).
double g_musicVolume = 1.0;
double g_musicFadeStep = 0;
int32_t g_musicFadeSteps = 0;

HardwareSound* Hardware(const CSound& sound) {
  if (sound.channel < 0 || sound.channel >= int32_t(g_channels.size())) return nullptr;
  Channel& c = g_channels[size_t(sound.channel)];
  return c.inUse ? c.hardware.get() : nullptr;
}

void FreeChannel(int32_t index) {
  if (index < 0 || index >= int32_t(g_channels.size())) return;
  Channel& c = g_channels[size_t(index)];
  if (c.hardware) {
    SoundOut_DeleteSources(c.hardware->sources);
    SoundOut_DeleteBuffer(c.hardware->buffer);
  }
  c = Channel{};
}

int32_t TakeChannel(int32_t kind, std::unique_ptr<HardwareSound> hardware) {
  size_t i = 0;
  while (i < g_channels.size() && g_channels[i].inUse) ++i;
  if (i == g_channels.size()) g_channels.emplace_back();
  g_channels[i].inUse = true;
  g_channels[i].kind = kind;
  g_channels[i].hardware = std::move(hardware);
  return int32_t(i);
}

bool EndsWith(const std::string& text, const char* end) {
  const size_t n = std::char_traits<char>::length(end);
  if (text.size() < n) return false;
  for (size_t i = 0; i < n; ++i) {
    if (std::tolower(static_cast<unsigned char>(text[text.size() - n + i])) != end[i]) return false;
  }
  return true;
}

// Steps of a fade over `ms` at the current room speed, integer divisions, at least one.
int32_t FadeSteps(double ms) {
  const int32_t speed = std::max<int32_t>(1, Room_Speed());
  const int32_t stepMs = std::max<int32_t>(1, 1000 / speed);
  const double steps = ms / stepMs;
  const int32_t n = steps >= 2147483647.0 ? 2147483647 : steps >= 1 ? int32_t(steps) : 1;
  return n;
}

double Clamp01(double v) { return v < 0 ? 0 : v > 1 ? 1 : v; }

bool IsCurrentMusic(const CSound& sound) {
  return !Music_Current().empty() && sound.fileName == Music_Current();
}

// Plays a sound's file as music; a MIDI name also tries the MP3 beside it, as prepared builds did.
void PlayMusic(const CSound& sound, bool loop) {
  Music_Play(sound.fileName, sound.image, sound.imageSize, loop);
  Music_SetVolume(g_musicVolume * g_masterVolume);
}

}  // namespace

CSound::~CSound() { FreeChannel(channel); }

int32_t Sound_Count() { return g_sounds.Count(); }
CSound* Sound_Get(int32_t index) { return g_sounds.Get(index); }
bool Sound_Exists(int32_t index) { return g_sounds.Get(index) != nullptr; }
const char* Sound_Name(int32_t index) { return g_sounds.Name(index); }
int32_t Sound_Find(const char* name) { return g_sounds.Find(name); }
int32_t Sound_Add(CSound* sound, const std::string& name) { return g_sounds.Add(sound, name); }
void Sound_Set(int32_t index, CSound* sound, const std::string& name) { g_sounds.Set(index, sound, name); }

void Sound_FreeAll() {
  g_sounds.Clear();
  for (size_t i = 0; i < g_channels.size(); ++i) FreeChannel(int32_t(i));
  g_channels.clear();
  g_masterVolume = 1.0;
  g_musicVolume = 1.0;
  g_musicFadeSteps = 0;
}

void Sound_CreateHardware(CSound& sound) {
  if (sound.kind != kSoundNormal && sound.kind != kSound3D) return;
  if (sound.image == nullptr || sound.imageSize == 0 || !SoundOut_IsOpen()) return;
  std::string error;
  auto hardware = std::make_unique<HardwareSound>();
  hardware->buffer = SoundOut_BufferFromImage(sound.image, sound.imageSize, error);
  if (hardware->buffer == 0) {
    Console::Output("%s", error.c_str());
    return;
  }
  if (!SoundOut_CreateSources(kSourcesPerSound, hardware->sources)) {
    SoundOut_DeleteBuffer(hardware->buffer);
    sound.kind = kSoundMultimedia;
    return;
  }
  for (uint32_t s : hardware->sources) SoundOut_SetBuffer(s, hardware->buffer);
  SoundOut_CheckError();
  FreeChannel(sound.channel);
  sound.channel = TakeChannel(sound.kind, std::move(hardware));
}

void Sound_FreeHardware(CSound& sound) {
  FreeChannel(sound.channel);
  sound.channel = -1;
}

bool Sound_PrepareAll() {
  for (int32_t i = 0; i < g_sounds.Count(); ++i) {
    if (CSound* s = g_sounds.Get(i)) Sound_CreateHardware(*s);
  }
  return true;
}

void Sound_Play(CSound& sound, bool loop) {
  if (EndsWith(sound.fileName, ".mp3") || EndsWith(sound.fileName, ".mid") || EndsWith(sound.fileName, ".midi")) {
    PlayMusic(sound, loop);
    return;
  }
  HardwareSound* hw = Hardware(sound);
  if (hw == nullptr || hw->sources.empty()) return;
  const uint32_t source = hw->sources[size_t(hw->next)];
  hw->next = (hw->next + 1) % int32_t(hw->sources.size());
  SoundOut_Stop(source);  // a fifth play restarts the oldest copy
  SoundOut_SetGain(source, float(hw->volume * g_masterVolume));
  SoundOut_SetLooping(source, loop);
  SoundOut_Play(source);
  // Reaches the sound's own volume at the next audio tick.
  hw->fadeSteps = 1;
  hw->fadeStep = sound.volume - hw->volume;
}

void Sound_Stop(CSound& sound) {
  if (IsCurrentMusic(sound)) {
    Music_Stop();
    return;
  }
  if (HardwareSound* hw = Hardware(sound)) {
    for (uint32_t s : hw->sources) SoundOut_Stop(s);
  }
}

void Sound_StopAll() {
  for (Channel& c : g_channels) {
    if (!c.inUse || !c.hardware) continue;
    for (uint32_t s : c.hardware->sources) SoundOut_Stop(s);
  }
  Music_Stop();
}

bool Sound_IsPlaying(const CSound& sound) {
  if (IsCurrentMusic(sound)) return Music_IsPlaying();
  const HardwareSound* hw = Hardware(sound);
  if (hw == nullptr) return false;
  for (uint32_t s : hw->sources) {
    if (SoundOut_State(s) == SourceState::Playing) return true;
  }
  return false;
}

void Sound_Fade(CSound& sound, double volume, double ms) {
  if (IsCurrentMusic(sound)) {
    if (Music_IsPlaying()) {
      g_musicFadeSteps = FadeSteps(ms);
      g_musicFadeStep = (volume - g_musicVolume) / g_musicFadeSteps;
    } else {
      g_musicVolume = Clamp01(volume);
      g_musicFadeSteps = 0;
    }
    return;
  }
  HardwareSound* hw = Hardware(sound);
  if (hw == nullptr) return;
  hw->fadeSteps = FadeSteps(ms);
  hw->fadeStep = (volume - hw->volume) / hw->fadeSteps;
}

void Sound_SetGlobalVolume(double volume) {
  g_masterVolume = volume;
  // Sources playing now follow at once; the music too.
  for (Channel& c : g_channels) {
    if (!c.inUse || !c.hardware) continue;
    for (uint32_t s : c.hardware->sources) {
      if (SoundOut_State(s) == SourceState::Playing) SoundOut_SetGain(s, float(c.hardware->volume * g_masterVolume));
    }
  }
  if (Music_IsPlaying()) Music_SetVolume(g_musicVolume * g_masterVolume);
}

double Sound_GlobalVolume() { return g_masterVolume; }

void Sound_Tick() {
  for (Channel& c : g_channels) {
    if (!c.inUse || !c.hardware || c.hardware->fadeSteps <= 0) continue;
    HardwareSound& hw = *c.hardware;
    hw.volume = Clamp01(hw.volume + hw.fadeStep);
    --hw.fadeSteps;
    for (uint32_t s : hw.sources) {
      if (SoundOut_State(s) == SourceState::Playing) SoundOut_SetGain(s, float(hw.volume * g_masterVolume));
    }
  }
  if (g_musicFadeSteps > 0) {
    g_musicVolume = Clamp01(g_musicVolume + g_musicFadeStep);
    --g_musicFadeSteps;
    Music_SetVolume(g_musicVolume * g_masterVolume);
  }
}

HardwareView Sound_Hardware(const CSound& sound) {
  HardwareView v;
  if (const HardwareSound* hw = Hardware(sound)) {
    v.present = true;
    v.volume = hw->volume;
    v.fadeStep = hw->fadeStep;
    v.fadeSteps = hw->fadeSteps;
    v.nextSource = hw->next;
  }
  return v;
}
