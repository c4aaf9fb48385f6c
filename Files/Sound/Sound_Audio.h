// The newer audio system: assets with buffers, a pool of output sources shared by voices with
// priorities, emitters that carry their voices' positions, and one listener.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct AudioAsset {
  std::string name;
  float volume = 1;
  bool music = false;  // kind > 0: played as music, never given a buffer
  std::string fileName;
  const uint8_t* image = nullptr;
  size_t imageSize = 0;
  int32_t audoIndex = -1;
  uint32_t buffer = 0;  // 0 until created
};

// ---- Assets -------------------------------------------------------------------------------------------
void Audio_ClearAssets();
void Audio_SetAsset(int32_t index, AudioAsset asset);
int32_t Audio_AssetCount();
AudioAsset* Audio_Asset(int32_t index);  // null when missing
int32_t Audio_FindAsset(const char* name);
// Buffers for every asset that is not music and has an image (preparation).
bool Audio_PrepareAssets();

// ---- The system ---------------------------------------------------------------------------------------
constexpr int32_t kAudioDefaultSources = 128;
// Creates the sources and sets up the listener; does nothing while no output is open.
void Audio_Start();
// Stops everything and frees the sources and buffers (game end).
void Audio_Shutdown();
// The audio tick: the listener, then every emitter's voices follow it.
void Audio_Tick();

// ---- Voices ---------------------------------------------------------------------------------------------
// Each returns the voice id, or -1 when nothing plays.
int32_t Audio_PlaySound(int32_t sound, double priority);
int32_t Audio_PlaySoundAt(int32_t sound, double x, double y, double z, double falloffReference, bool loop,
                          double priority);
int32_t Audio_PlaySoundOn(int32_t emitter, int32_t sound, bool loop, double priority);
void Audio_StopSound(int32_t voiceId);
void Audio_PauseSound(int32_t voiceId);
void Audio_ResumeSound(int32_t voiceId);
void Audio_PauseAll();
void Audio_ResumeAll();
void Audio_StopAll();
bool Audio_IsPlaying(int32_t voiceId);
void Audio_SetChannelCount(int32_t count);
int32_t Audio_ChannelCount();
// Length in seconds, -1 when it cannot be had.
double Audio_SoundLength(int32_t sound);

// ---- Emitters and listener ---------------------------------------------------------------------------
int32_t Audio_EmitterCreate();
void Audio_EmitterFree(int32_t emitter);
bool Audio_EmitterExists(int32_t emitter);
void Audio_EmitterPosition(int32_t emitter, double x, double y, double z);
void Audio_EmitterVelocity(int32_t emitter, double x, double y, double z);
void Audio_EmitterGain(int32_t emitter, double gain);    // ignored unless gain >= 0
void Audio_EmitterPitch(int32_t emitter, double pitch);  // ignored unless pitch >= 0
void Audio_EmitterFalloff(int32_t emitter, double reference);
struct EmitterView {
  bool active = false;
  float x = 0, y = 0, z = 0, gain = 1, pitch = 1, reference = 1;
  size_t voices = 0;
};
EmitterView Audio_Emitter(int32_t emitter);
void Audio_ListenerPosition(double x, double y, double z);
void Audio_ListenerVelocity(double x, double y, double z);
void Audio_ListenerOrientation(double ax, double ay, double az, double ux, double uy, double uz);
void Audio_MasterGain(double gain);  // negative gives 0
double Audio_MasterGainValue();
