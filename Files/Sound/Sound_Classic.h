// The classic sound system: CSound resources, their hardware sounds (one buffer, four sources in
// rotation) in the channel table, fades by game step, the master volume, and music by file name.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

class CSound {
 public:
  CSound() = default;
  virtual ~CSound();  // frees its channel
  CSound(const CSound&) = delete;
  CSound& operator=(const CSound&) = delete;

  int32_t kind = 0;  // 0 normal, 1 background music, 2 three-dimensional, 3 multimedia
  std::string fileType;
  std::string fileName;
  uint32_t effects = 0;
  float volume = 1;
  float pan = 0;
  bool preload = false;
  // The file image: in the data file's block, or `ownedImage` for sounds added at run time.
  const uint8_t* image = nullptr;
  size_t imageSize = 0;
  std::vector<uint8_t> ownedImage;
  int32_t audoIndex = -1;
  int32_t channel = -1;  // index into the channel table, -1 when none
};

enum SoundKind : int32_t { kSoundNormal = 0, kSoundMusic = 1, kSound3D = 2, kSoundMultimedia = 3 };

// ---- The sound table --------------------------------------------------------------------------------
int32_t Sound_Count();
CSound* Sound_Get(int32_t index);
bool Sound_Exists(int32_t index);
const char* Sound_Name(int32_t index);  // "<undefined>" for a missing sound
int32_t Sound_Find(const char* name);
int32_t Sound_Add(CSound* sound, const std::string& name);
void Sound_Set(int32_t index, CSound* sound, const std::string& name);
void Sound_FreeAll();  // also frees every channel

// Gives the sound a hardware sound when it is of kind 0 or 2 and has a file image (a sound for
// which no channel can be had becomes kind 3). Decoder errors are printed; the sound stays silent.
void Sound_CreateHardware(CSound& sound);
// Stops and frees the sound's hardware sound and its channel (the sound stays).
void Sound_FreeHardware(CSound& sound);
// Every sound of the table (preparation).
bool Sound_PrepareAll();

// ---- Playing ----------------------------------------------------------------------------------------
// A missing sound is the caller's to report; these act on existing sounds.
void Sound_Play(CSound& sound, bool loop);
void Sound_Stop(CSound& sound);
void Sound_StopAll();
bool Sound_IsPlaying(const CSound& sound);
// Fades the hardware sound (and the music, for the current music's sound) to `volume` over `ms`.
void Sound_Fade(CSound& sound, double volume, double ms);
void Sound_SetGlobalVolume(double volume);
double Sound_GlobalVolume();
// The audio tick of the classic system: fades advance one step.
void Sound_Tick();

// ---- For tests ----------------------------------------------------------------------------------------
struct HardwareView {
  bool present = false;
  double volume = 0, fadeStep = 0;
  int32_t fadeSteps = 0;
  int32_t nextSource = 0;
};
HardwareView Sound_Hardware(const CSound& sound);
