// The sound output on OpenAL Soft, with freealut decoding WAV images. OpenAL Soft reads its settings
// once, at the first call, and does not fall back to another back end when opening the default one
// fails; so the back end is chosen before that first call.
#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alut.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "Platform/Platform_Console.h"
#include "Sound/Sound_Output.h"
#include "Sound/Sound_Wav.h"

namespace {

ALCdevice* g_device = nullptr;
ALCcontext* g_context = nullptr;
OutputKind g_kind = OutputKind::Closed;
bool g_alut = false;

bool Set(const char* name) {
  const char* v = std::getenv(name);
  return v != nullptr && v[0] != 0;
}

bool Exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

// A machine where the default device has a chance: a sound card, or a sound server to talk to.
bool MachineHasSound() {
  if (Exists("/dev/snd")) return true;
  if (Set("PULSE_SERVER")) return true;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  return runtime != nullptr && (Exists(std::string(runtime) + "/pulse/native") ||
                                Exists(std::string(runtime) + "/pipewire-0"));
}

// Chooses the null back end when the user configured nothing and no device can be expected (or the
// run is headless). True when the null back end was chosen here.
bool ChooseBackEnd(bool headless) {
  if (Set("ALSOFT_DRIVERS") || Set("ALSOFT_CONF")) return false;
  if (!headless && MachineHasSound()) return false;
  ::setenv("ALSOFT_DRIVERS", "null", 1);
  return true;
}

ALuint Source(uint32_t s) { return static_cast<ALuint>(s); }

}  // namespace

bool SoundOut_Open(const OutputChoice& choice) {
  if (g_kind != OutputKind::Closed) return g_kind == OutputKind::Device;
  if (choice.noAudio) {
    g_kind = OutputKind::Off;
    Console::Output("Audio: off (-noaudio)\n");
    return false;
  }
  const bool null = ChooseBackEnd(choice.headless);
  g_device = alcOpenDevice(nullptr);
  if (g_device != nullptr) {
    g_context = alcCreateContext(g_device, nullptr);
    if (g_context == nullptr || !alcMakeContextCurrent(g_context)) {
      if (g_context != nullptr) alcDestroyContext(g_context);
      alcCloseDevice(g_device);
      g_context = nullptr;
      g_device = nullptr;
    }
  }
  if (g_device == nullptr) {
    g_kind = OutputKind::NoDevice;
    Console::Output("Audio: no output device, sound is off\n");
    return false;
  }
  g_alut = alutInitWithoutContext(nullptr, nullptr) == AL_TRUE;
  if (!g_alut) Console::Output("ALUT Error : %s\n", alutGetErrorString(alutGetError()));
  g_kind = OutputKind::Device;
  const char* name = alcGetString(g_device, ALC_DEVICE_SPECIFIER);
  Console::Output("Audio: %s%s\n", name != nullptr ? name : "OpenAL", null ? " (null output)" : "");
  return true;
}

void SoundOut_Close() {
  if (g_alut) alutExit();
  g_alut = false;
  if (g_context != nullptr) {
    alcMakeContextCurrent(nullptr);
    alcDestroyContext(g_context);
  }
  if (g_device != nullptr) alcCloseDevice(g_device);
  g_context = nullptr;
  g_device = nullptr;
  g_kind = OutputKind::Closed;
}

bool SoundOut_IsOpen() { return g_kind == OutputKind::Device; }
OutputKind SoundOut_Kind() { return g_kind; }

bool SoundOut_CheckError() {
  if (!SoundOut_IsOpen()) return true;
  const ALenum e = alGetError();
  if (e == AL_NO_ERROR) return true;
  Console::Output("AL Error : %08x(%d)\n", unsigned(e), int(e));
  return false;
}

uint32_t SoundOut_BufferFromImage(const uint8_t* data, size_t size, std::string& error) {
  error.clear();
  if (!SoundOut_IsOpen() || !g_alut) return 0;
  char line[256];
  // The image is checked first: the decoder is not trusted with a damaged header.
  WavInfo info;
  std::string why;
  if (!Wav_Read(data, size, info, why)) {
    std::snprintf(line, sizeof line, "ALUT error on load %08x(%d) : %s\n", unsigned(ALUT_ERROR_CORRUPT_OR_TRUNCATED_DATA),
                  int(ALUT_ERROR_CORRUPT_OR_TRUNCATED_DATA), why.c_str());
    error = line;
    return 0;
  }
  alGetError();
  alutGetError();
  const ALuint buffer = alutCreateBufferFromFileImage(data, static_cast<ALsizei>(size));
  if (buffer == AL_NONE) {
    const ALenum e = alutGetError();
    std::snprintf(line, sizeof line, "ALUT error on load %08x(%d) : %s\n", unsigned(e), int(e), alutGetErrorString(e));
    error = line;
    return 0;
  }
  const ALenum e = alGetError();
  if (e != AL_NO_ERROR) {
    std::snprintf(line, sizeof line, "AL error on load %08x(%d)\n", unsigned(e), int(e));
    error = line;
    alDeleteBuffers(1, &buffer);
    return 0;
  }
  return buffer;
}

uint32_t SoundOut_BufferFromPcm(const int16_t* samples, size_t frames, int channels, int rate) {
  if (!SoundOut_IsOpen() || (channels != 1 && channels != 2) || rate <= 0) return 0;
  alGetError();
  ALuint buffer = 0;
  alGenBuffers(1, &buffer);
  if (alGetError() != AL_NO_ERROR) return 0;
  alBufferData(buffer, channels == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16, samples,
               static_cast<ALsizei>(frames * size_t(channels) * 2), rate);
  if (!SoundOut_CheckError()) {
    alDeleteBuffers(1, &buffer);
    return 0;
  }
  return buffer;
}

void SoundOut_DeleteBuffer(uint32_t buffer) {
  if (!SoundOut_IsOpen() || buffer == 0) return;
  const ALuint b = buffer;
  alDeleteBuffers(1, &b);
  SoundOut_CheckError();
}

bool SoundOut_BufferInfo(uint32_t buffer, BufferInfo& out) {
  if (!SoundOut_IsOpen() || buffer == 0) return false;
  alGetError();
  ALint v[4] = {};
  alGetBufferi(buffer, AL_SIZE, &v[0]);
  alGetBufferi(buffer, AL_BITS, &v[1]);
  alGetBufferi(buffer, AL_CHANNELS, &v[2]);
  alGetBufferi(buffer, AL_FREQUENCY, &v[3]);
  if (alGetError() != AL_NO_ERROR) return false;
  out = BufferInfo{v[0], v[1], v[2], v[3]};
  return true;
}

bool SoundOut_CreateSources(int count, std::vector<uint32_t>& out) {
  out.clear();
  if (!SoundOut_IsOpen() || count <= 0) return false;
  std::vector<ALuint> ids(size_t(count), 0);
  alGetError();
  alGenSources(count, ids.data());
  if (alGetError() != AL_NO_ERROR) return false;
  out.assign(ids.begin(), ids.end());
  return true;
}

void SoundOut_DeleteSources(std::vector<uint32_t>& sources) {
  if (SoundOut_IsOpen()) {
    for (uint32_t s : sources) {
      const ALuint id = s;
      alSourceStop(id);
      alSourcei(id, AL_BUFFER, 0);
      alDeleteSources(1, &id);
    }
    SoundOut_CheckError();
  }
  sources.clear();
}

void SoundOut_SetBuffer(uint32_t source, uint32_t buffer) {
  if (SoundOut_IsOpen()) alSourcei(Source(source), AL_BUFFER, static_cast<ALint>(buffer));
}
void SoundOut_SetGain(uint32_t source, float gain) {
  if (SoundOut_IsOpen()) alSourcef(Source(source), AL_GAIN, gain);
}
void SoundOut_SetPitch(uint32_t source, float pitch) {
  if (SoundOut_IsOpen()) alSourcef(Source(source), AL_PITCH, pitch);
}
void SoundOut_SetLooping(uint32_t source, bool loop) {
  if (SoundOut_IsOpen()) alSourcei(Source(source), AL_LOOPING, loop ? AL_TRUE : AL_FALSE);
}
void SoundOut_SetRelative(uint32_t source, bool relative) {
  if (SoundOut_IsOpen()) alSourcei(Source(source), AL_SOURCE_RELATIVE, relative ? AL_TRUE : AL_FALSE);
}
void SoundOut_SetPosition(uint32_t source, float x, float y, float z) {
  if (SoundOut_IsOpen()) alSource3f(Source(source), AL_POSITION, x, y, z);
}
void SoundOut_SetVelocity(uint32_t source, float x, float y, float z) {
  if (SoundOut_IsOpen()) alSource3f(Source(source), AL_VELOCITY, x, y, z);
}
void SoundOut_SetReferenceDistance(uint32_t source, float distance) {
  if (SoundOut_IsOpen()) alSourcef(Source(source), AL_REFERENCE_DISTANCE, distance);
}
void SoundOut_SetMaxDistance(uint32_t source, float distance) {
  if (SoundOut_IsOpen()) alSourcef(Source(source), AL_MAX_DISTANCE, distance);
}

bool SoundOut_Play(uint32_t source) {
  if (!SoundOut_IsOpen()) return true;
  alGetError();
  alSourcePlay(Source(source));
  return SoundOut_CheckError();
}

namespace {
bool Act(void (*op)(ALuint), uint32_t source, int* errorCode) {
  if (!SoundOut_IsOpen()) return true;
  alGetError();
  op(Source(source));
  const ALenum e = alGetError();
  if (errorCode != nullptr) *errorCode = int(e);
  return e == AL_NO_ERROR;
}
}  // namespace

bool SoundOut_Stop(uint32_t source, int* errorCode) { return Act(alSourceStop, source, errorCode); }
bool SoundOut_Pause(uint32_t source, int* errorCode) { return Act(alSourcePause, source, errorCode); }

SourceState SoundOut_State(uint32_t source, bool* failed) {
  if (failed != nullptr) *failed = false;
  if (!SoundOut_IsOpen()) return SourceState::Stopped;
  alGetError();
  ALint state = AL_STOPPED;
  alGetSourcei(Source(source), AL_SOURCE_STATE, &state);
  if (alGetError() != AL_NO_ERROR) {
    if (failed != nullptr) *failed = true;
    return SourceState::Stopped;
  }
  switch (state) {
    case AL_INITIAL: return SourceState::Initial;
    case AL_PLAYING: return SourceState::Playing;
    case AL_PAUSED: return SourceState::Paused;
    default: return SourceState::Stopped;
  }
}

void SoundOut_Queue(uint32_t source, uint32_t buffer) {
  if (!SoundOut_IsOpen()) return;
  const ALuint b = buffer;
  alSourceQueueBuffers(Source(source), 1, &b);
  SoundOut_CheckError();
}

std::vector<uint32_t> SoundOut_UnqueueProcessed(uint32_t source) {
  std::vector<uint32_t> done;
  if (!SoundOut_IsOpen()) return done;
  ALint processed = 0;
  alGetSourcei(Source(source), AL_BUFFERS_PROCESSED, &processed);
  for (ALint i = 0; i < processed; ++i) {
    ALuint b = 0;
    alSourceUnqueueBuffers(Source(source), 1, &b);
    done.push_back(b);
  }
  SoundOut_CheckError();
  return done;
}

int SoundOut_Queued(uint32_t source) {
  if (!SoundOut_IsOpen()) return 0;
  ALint queued = 0;
  alGetSourcei(Source(source), AL_BUFFERS_QUEUED, &queued);
  return queued;
}

void SoundOut_UseInverseDistance() {
  if (!SoundOut_IsOpen()) return;
  alDistanceModel(AL_INVERSE_DISTANCE);
  SoundOut_CheckError();
}

bool SoundOut_Listener(const float position[3], const float velocity[3], const float orientation[6], float gain) {
  if (!SoundOut_IsOpen()) return true;
  alGetError();
  alListenerfv(AL_POSITION, position);
  alListenerfv(AL_VELOCITY, velocity);
  alListenerfv(AL_ORIENTATION, orientation);
  alListenerf(AL_GAIN, gain);
  return alGetError() == AL_NO_ERROR;
}
