#include "Sound/Sound_Audio.h"

#include <algorithm>
#include <cfloat>
#include <unordered_map>

#include "Platform/Platform_Console.h"
#include "Sound/Sound_Output.h"
#include "Sound/Sound_Wav.h"

namespace {

struct Voice {
  bool active = false;
  bool stopping = false;  // its source was taken by a voice of higher priority
  int32_t source = -1;    // index into the pool
  bool loop = false;
  int32_t id = -1;
  double priority = 0;
};

struct Emitter {
  bool active = false;
  float x = 0, y = 0, z = 0;
  float vx = 0, vy = 0, vz = 0;
  float reference = 1;
  float gain = 1;
  float pitch = 1;
  std::vector<int32_t> voices;  // voice records playing on it
};

struct Listener {
  float position[3] = {0, 0, 0};
  float velocity[3] = {0, 0, 0};
  float orientation[6] = {0, 0, 1, 0, 1, 0};
  float gain = 1;
};

std::vector<AudioAsset> g_assets;
std::vector<bool> g_assetPresent;
std::vector<uint32_t> g_sources;
int32_t g_sourceCount = kAudioDefaultSources;
std::vector<Voice> g_voices;
int32_t g_nextVoiceId = 0;
std::vector<Emitter> g_emitters;
Listener g_listener;
// Every source played gets this maximum distance; the output's own default (no maximum).
float g_falloffMax = FLT_MAX;

bool SourceFree(int32_t index) {
  const SourceState s = SoundOut_State(g_sources[size_t(index)]);
  return s == SourceState::Stopped || s == SourceState::Initial;
}

// The pool index of a source to play on, or -1.
int32_t AllocateSource(double priority) {
  for (int32_t i = 0; i < int32_t(g_sources.size()); ++i) {
    if (!SourceFree(i)) continue;
    for (Voice& v : g_voices) {
      if (v.active && v.source == i) v.active = false;
    }
    return i;
  }
  int32_t candidate = -1;
  for (int32_t i = 0; i < int32_t(g_voices.size()); ++i) {
    const Voice& v = g_voices[size_t(i)];
    if (!v.active || v.stopping || v.priority >= priority) continue;
    if (candidate < 0 || v.priority < g_voices[size_t(candidate)].priority) candidate = i;
  }
  if (candidate < 0) return -1;
  Voice& victim = g_voices[size_t(candidate)];
  int code = 0;
  if (victim.source < 0 || victim.source >= int32_t(g_sources.size())) return -1;
  if (!SoundOut_Stop(g_sources[size_t(victim.source)], &code)) Console::Output("Error stopping sample %d\n", code);
  victim.stopping = true;
  return victim.source;
}

Voice* FindVoice(int32_t id) {
  if (id < 0) return nullptr;
  for (Voice& v : g_voices) {
    if (v.active && v.id == id) return &v;
  }
  return nullptr;
}

int32_t NewVoice(int32_t source, bool loop, double priority) {
  size_t i = 0;
  while (i < g_voices.size() && g_voices[i].active) ++i;
  if (i == g_voices.size()) g_voices.emplace_back();
  Voice& v = g_voices[i];
  v = Voice{true, false, source, loop, g_nextVoiceId++, priority};
  return int32_t(i);
}

uint32_t SourceOf(const Voice& v) {
  return v.source >= 0 && v.source < int32_t(g_sources.size()) ? g_sources[size_t(v.source)] : 0;
}

// The common part of every play: a source, a voice, the buffer, and the source's settings.
// Returns the voice record, or -1.
int32_t Start(int32_t sound, bool loop, double priority, float gain, float pitch, bool relative) {
  const AudioAsset* asset = Audio_Asset(sound);
  if (asset == nullptr || asset->buffer == 0) return -1;
  const int32_t index = AllocateSource(priority);
  if (index < 0) return -1;
  const int32_t record = NewVoice(index, loop, priority);
  const uint32_t s = g_sources[size_t(index)];
  SoundOut_SetMaxDistance(s, g_falloffMax);
  SoundOut_SetBuffer(s, asset->buffer);
  SoundOut_SetLooping(s, loop);
  SoundOut_SetGain(s, gain);
  SoundOut_SetPitch(s, pitch);
  SoundOut_SetRelative(s, relative);
  SoundOut_SetPosition(s, 0, 0, 0);
  SoundOut_SetVelocity(s, 0, 0, 0);
  return record;
}

float AssetVolume(int32_t sound) {
  const AudioAsset* a = Audio_Asset(sound);
  return a != nullptr ? a->volume : 1.0f;
}

Emitter* EmitterAt(int32_t index) {
  if (index < 0 || index >= int32_t(g_emitters.size())) return nullptr;
  Emitter& e = g_emitters[size_t(index)];
  return e.active ? &e : nullptr;
}

}  // namespace

// ---- Assets -------------------------------------------------------------------------------------------

void Audio_ClearAssets() {
  for (AudioAsset& a : g_assets) SoundOut_DeleteBuffer(a.buffer);
  g_assets.clear();
  g_assetPresent.clear();
}

void Audio_SetAsset(int32_t index, AudioAsset asset) {
  if (index < 0) return;
  if (index >= int32_t(g_assets.size())) {
    g_assets.resize(size_t(index) + 1);
    g_assetPresent.resize(size_t(index) + 1, false);
  }
  g_assets[size_t(index)] = std::move(asset);
  g_assetPresent[size_t(index)] = true;
}

int32_t Audio_AssetCount() { return int32_t(g_assets.size()); }

AudioAsset* Audio_Asset(int32_t index) {
  if (index < 0 || index >= int32_t(g_assets.size()) || !g_assetPresent[size_t(index)]) return nullptr;
  return &g_assets[size_t(index)];
}

int32_t Audio_FindAsset(const char* name) {
  for (size_t i = 0; i < g_assets.size(); ++i) {
    if (g_assetPresent[i] && g_assets[i].name == name) return int32_t(i);
  }
  return -1;
}

bool Audio_PrepareAssets() {
  for (size_t i = 0; i < g_assets.size(); ++i) {
    AudioAsset& a = g_assets[i];
    if (!g_assetPresent[i] || a.music || a.image == nullptr || a.buffer != 0) continue;
    std::string error;
    a.buffer = SoundOut_BufferFromImage(a.image, a.imageSize, error);
    if (a.buffer == 0 && !error.empty()) Console::Output("%s", error.c_str());
  }
  return true;
}

// ---- The system ---------------------------------------------------------------------------------------

void Audio_Start() {
  if (!SoundOut_IsOpen() || !g_sources.empty()) return;
  g_listener = Listener{};
  if (!SoundOut_CreateSources(g_sourceCount, g_sources)) Console::Output("Error creating audio sources %d\n", g_sourceCount);
  SoundOut_UseInverseDistance();
  SoundOut_Listener(g_listener.position, g_listener.velocity, g_listener.orientation, g_listener.gain);
}

void Audio_Shutdown() {
  SoundOut_DeleteSources(g_sources);
  g_voices.clear();
  g_emitters.clear();
  g_nextVoiceId = 0;
  g_sourceCount = kAudioDefaultSources;
  g_listener = Listener{};
  Audio_ClearAssets();
}

void Audio_Tick() {
  if (!SoundOut_IsOpen()) return;
  if (!SoundOut_Listener(g_listener.position, g_listener.velocity, g_listener.orientation, g_listener.gain)) {
    Console::Output("Error updating emitter\n");
  }
  for (Emitter& e : g_emitters) {
    if (!e.active) continue;
    for (size_t i = 0; i < e.voices.size();) {
      const Voice& v = g_voices[size_t(e.voices[i])];
      if (!v.active || v.stopping) {
        ++i;
        continue;
      }
      bool failed = false;
      const uint32_t s = SourceOf(v);
      const SourceState state = s != 0 ? SoundOut_State(s, &failed) : SourceState::Stopped;
      if (failed) Console::Output("Error getting source state\n");
      if (state == SourceState::Stopped || state == SourceState::Initial) {
        e.voices.erase(e.voices.begin() + std::ptrdiff_t(i));
        continue;
      }
      SoundOut_SetPosition(s, e.x, e.y, e.z);
      SoundOut_SetVelocity(s, e.vx, e.vy, e.vz);
      if (!SoundOut_CheckError()) Console::Output("Error updating emitter\n");
      ++i;
    }
  }
}

// ---- Voices ---------------------------------------------------------------------------------------------

int32_t Audio_PlaySound(int32_t sound, double priority) {
  const int32_t record = Start(sound, false, priority, AssetVolume(sound), 1, true);
  if (record < 0) return -1;
  const Voice& v = g_voices[size_t(record)];
  SoundOut_Play(SourceOf(v));
  return v.id;
}

int32_t Audio_PlaySoundAt(int32_t sound, double x, double y, double z, double falloffReference, bool loop,
                          double priority) {
  const int32_t record = Start(sound, loop, priority, AssetVolume(sound), 1, false);
  if (record < 0) return -1;
  const Voice& v = g_voices[size_t(record)];
  const uint32_t s = SourceOf(v);
  SoundOut_SetPosition(s, float(x), float(y), float(z));
  SoundOut_SetReferenceDistance(s, float(falloffReference));
  SoundOut_Play(s);
  return v.id;
}

int32_t Audio_PlaySoundOn(int32_t emitter, int32_t sound, bool loop, double priority) {
  Emitter* e = EmitterAt(emitter);
  if (e == nullptr) {
    Console::Output("Audio_PlaySound Attempting to play sound on inactive emitter %d\n", emitter);
    return -1;
  }
  const int32_t record = Start(sound, loop, priority, e->gain * AssetVolume(sound), e->pitch, false);
  if (record < 0) return -1;
  e = EmitterAt(emitter);
  const Voice& v = g_voices[size_t(record)];
  const uint32_t s = SourceOf(v);
  SoundOut_SetReferenceDistance(s, e->reference);
  SoundOut_SetPosition(s, e->x, e->y, e->z);
  SoundOut_SetVelocity(s, e->vx, e->vy, e->vz);
  SoundOut_Play(s);
  e->voices.push_back(record);
  return v.id;
}

void Audio_StopSound(int32_t voiceId) {
  Voice* v = FindVoice(voiceId);
  if (v == nullptr) return;
  if (!v->stopping) {
    int code = 0;
    if (!SoundOut_Stop(SourceOf(*v), &code)) Console::Output("Error stopping sound %d error code %d\n", voiceId, code);
  }
  v->active = false;
}

void Audio_PauseSound(int32_t voiceId) {
  Voice* v = FindVoice(voiceId);
  if (v == nullptr || v->stopping) return;
  int code = 0;
  if (!SoundOut_Pause(SourceOf(*v), &code)) Console::Output("Error pausing sound %d error code %d\n", voiceId, code);
}

void Audio_ResumeSound(int32_t voiceId) {
  Voice* v = FindVoice(voiceId);
  if (v == nullptr || v->stopping) return;
  const uint32_t s = SourceOf(*v);
  if (SoundOut_State(s) != SourceState::Paused) return;
  if (!SoundOut_Play(s)) Console::Output("Error resuming sound %d error code %d\n", voiceId, 0);
}

void Audio_PauseAll() {
  for (const Voice& v : g_voices) {
    if (v.active && !v.stopping) Audio_PauseSound(v.id);
  }
}

void Audio_ResumeAll() {
  for (uint32_t s : g_sources) {
    if (SoundOut_State(s) == SourceState::Paused) SoundOut_Play(s);
  }
}

void Audio_StopAll() {
  for (Voice& v : g_voices) {
    if (v.active) Audio_StopSound(v.id);
  }
}

bool Audio_IsPlaying(int32_t voiceId) {
  const Voice* v = FindVoice(voiceId);
  // A voice whose source was taken by another has ended, whatever its old source plays now.
  if (v == nullptr || v->stopping) return false;
  const uint32_t s = SourceOf(*v);
  return s != 0 && SoundOut_State(s) == SourceState::Playing;
}

void Audio_SetChannelCount(int32_t count) {
  if (count < 0) count = 0;
  g_sourceCount = count;
  if (!SoundOut_IsOpen()) return;
  SoundOut_DeleteSources(g_sources);
  if (count > 0 && !SoundOut_CreateSources(count, g_sources)) Console::Output("Error creating audio sources %d\n", count);
}

int32_t Audio_ChannelCount() { return g_sourceCount; }

double Audio_SoundLength(int32_t sound) {
  const AudioAsset* a = Audio_Asset(sound);
  if (a == nullptr) return -1;
  BufferInfo b;
  if (a->buffer != 0 && SoundOut_BufferInfo(a->buffer, b) && b.channels > 0 && b.bits >= 8 && b.frequency > 0) {
    const int32_t samples = b.size / b.channels / (b.bits / 8);
    return double(samples) / b.frequency;
  }
  // No output: the same from the image's header.
  WavInfo w;
  std::string error;
  if (a->music || a->image == nullptr || !Wav_Read(a->image, a->imageSize, w, error)) return -1;
  return double(w.frames()) / w.rate;
}

// ---- Emitters and listener ---------------------------------------------------------------------------

int32_t Audio_EmitterCreate() {
  size_t i = 0;
  while (i < g_emitters.size() && g_emitters[i].active) ++i;
  if (i == g_emitters.size()) g_emitters.resize(g_emitters.size() + 8);
  g_emitters[i] = Emitter{};
  g_emitters[i].active = true;
  return int32_t(i);
}

void Audio_EmitterFree(int32_t emitter) {
  Emitter* e = EmitterAt(emitter);
  if (e == nullptr) return;
  for (int32_t record : e->voices) {
    const Voice& v = g_voices[size_t(record)];
    if (v.active && !v.stopping) Audio_StopSound(v.id);
  }
  *e = Emitter{};
}

bool Audio_EmitterExists(int32_t emitter) { return EmitterAt(emitter) != nullptr; }

void Audio_EmitterPosition(int32_t emitter, double x, double y, double z) {
  if (Emitter* e = EmitterAt(emitter)) {
    e->x = float(x), e->y = float(y), e->z = float(z);
  }
}

void Audio_EmitterVelocity(int32_t emitter, double x, double y, double z) {
  if (Emitter* e = EmitterAt(emitter)) {
    e->vx = float(x), e->vy = float(y), e->vz = float(z);
  }
}

void Audio_EmitterGain(int32_t emitter, double gain) {
  Emitter* e = EmitterAt(emitter);
  if (e == nullptr || !(gain >= 0)) return;
  e->gain = float(gain);
}

void Audio_EmitterPitch(int32_t emitter, double pitch) {
  Emitter* e = EmitterAt(emitter);
  if (e == nullptr || !(pitch >= 0)) return;
  e->pitch = float(pitch);
}

void Audio_EmitterFalloff(int32_t emitter, double reference) {
  if (Emitter* e = EmitterAt(emitter)) e->reference = float(reference);
}

EmitterView Audio_Emitter(int32_t emitter) {
  EmitterView v;
  if (const Emitter* e = EmitterAt(emitter)) {
    v = EmitterView{true, e->x, e->y, e->z, e->gain, e->pitch, e->reference, e->voices.size()};
  }
  return v;
}

void Audio_ListenerPosition(double x, double y, double z) {
  g_listener.position[0] = float(x), g_listener.position[1] = float(y), g_listener.position[2] = float(z);
}

void Audio_ListenerVelocity(double x, double y, double z) {
  g_listener.velocity[0] = float(x), g_listener.velocity[1] = float(y), g_listener.velocity[2] = float(z);
}

void Audio_ListenerOrientation(double ax, double ay, double az, double ux, double uy, double uz) {
  const float o[6] = {float(ax), float(ay), float(az), float(ux), float(uy), float(uz)};
  std::copy(o, o + 6, g_listener.orientation);
}

void Audio_MasterGain(double gain) { g_listener.gain = gain < 0 ? 0.0f : float(gain); }
double Audio_MasterGainValue() { return g_listener.gain; }
