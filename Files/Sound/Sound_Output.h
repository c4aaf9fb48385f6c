// What the sound systems need from the output: buffers made from file images or PCM, sources that
// play them, and the listener. Handles are plain numbers; 0 is never a valid one. While no output is
// open (no device, "-noaudio", or not opened yet) every call does nothing, buffers cannot be made and
// sources read as stopped.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class SourceState { Initial, Playing, Paused, Stopped };

// How the output was opened, for the console line and for tests.
enum class OutputKind { Closed, Off, NoDevice, Device };

struct OutputChoice {
  bool noAudio = false;   // "-noaudio": nothing is opened
  bool headless = false;  // a headless run with no output settings of its own gets the null output
};

// Opens the output once (later calls return what the first found) and prints one console line that
// says what happened. True when sound is heard (or captured).
bool SoundOut_Open(const OutputChoice& choice);
void SoundOut_Close();
bool SoundOut_IsOpen();
OutputKind SoundOut_Kind();

// ---- Buffers ------------------------------------------------------------------------------------
// A buffer from a complete WAV file image; 0 on failure with `error` set to the decoder's or the
// output's message (already in the console format of the loaders).
uint32_t SoundOut_BufferFromImage(const uint8_t* data, size_t size, std::string& error);
// A buffer of interleaved signed 16-bit samples (1 or 2 channels); 0 on failure.
uint32_t SoundOut_BufferFromPcm(const int16_t* samples, size_t frames, int channels, int rate);
void SoundOut_DeleteBuffer(uint32_t buffer);
struct BufferInfo {
  int32_t size = 0, bits = 0, channels = 0, frequency = 0;
};
bool SoundOut_BufferInfo(uint32_t buffer, BufferInfo& out);

// ---- Sources ------------------------------------------------------------------------------------
// Creates `count` sources; false (and none kept) when the output cannot make them all.
bool SoundOut_CreateSources(int count, std::vector<uint32_t>& out);
void SoundOut_DeleteSources(std::vector<uint32_t>& sources);
void SoundOut_SetBuffer(uint32_t source, uint32_t buffer);
void SoundOut_SetGain(uint32_t source, float gain);
void SoundOut_SetPitch(uint32_t source, float pitch);
void SoundOut_SetLooping(uint32_t source, bool loop);
void SoundOut_SetRelative(uint32_t source, bool relative);
void SoundOut_SetPosition(uint32_t source, float x, float y, float z);
void SoundOut_SetVelocity(uint32_t source, float x, float y, float z);
void SoundOut_SetReferenceDistance(uint32_t source, float distance);
void SoundOut_SetMaxDistance(uint32_t source, float distance);
// Each returns false when the output reported an error (printed by the caller with its own text).
bool SoundOut_Play(uint32_t source);
bool SoundOut_Stop(uint32_t source, int* errorCode = nullptr);
bool SoundOut_Pause(uint32_t source, int* errorCode = nullptr);
SourceState SoundOut_State(uint32_t source, bool* failed = nullptr);

// Streaming (music): buffers queued on a source; `Unqueue` takes back those finished.
void SoundOut_Queue(uint32_t source, uint32_t buffer);
std::vector<uint32_t> SoundOut_UnqueueProcessed(uint32_t source);
int SoundOut_Queued(uint32_t source);

// ---- Listener -----------------------------------------------------------------------------------
void SoundOut_UseInverseDistance();
// False when the output reported an error.
bool SoundOut_Listener(const float position[3], const float velocity[3], const float orientation[6], float gain);

// Prints "AL Error : %08x(%d)\n" when the output has an error pending; true when there was none.
bool SoundOut_CheckError();
