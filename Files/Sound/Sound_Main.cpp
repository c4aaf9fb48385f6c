#include "Sound/Sound_Main.h"

#include <cstdio>
#include <memory>
#include <string>

#include "Option/Option_Main.h"
#include "Platform/Platform_Console.h"
#include "Sound/Sound_Audio.h"
#include "Sound/Sound_Classic.h"
#include "Sound/Sound_Music.h"

namespace {

OutputChoice g_choice;
bool g_newAudio = false;  // the system the loaded chunks went to

struct SoundRecord {
  std::string name, fileType, fileName;
  int32_t kind = 0;
  uint32_t effects = 0;
  float volume = 1, pan = 0;
  bool preload = false;
  int32_t audoIndex = -1;
};

std::string Text(const DataView& view, uint64_t slot, const char* what) {
  const char* t = view.stringAt(slot, what);
  return t != nullptr ? t : "";
}

SoundRecord ReadRecord(const DataView& view, uint32_t at) {
  SoundRecord r;
  r.name = Text(view, at, "sound name");
  r.kind = view.i32(at + 4, "sound kind");
  r.fileType = Text(view, uint64_t(at) + 8, "sound file type");
  r.fileName = Text(view, uint64_t(at) + 12, "sound file name");
  r.effects = view.u32(uint64_t(at) + 16, "sound effects");
  r.volume = view.f32(uint64_t(at) + 20, "sound volume");
  r.pan = view.f32(uint64_t(at) + 24, "sound pan");
  r.preload = view.u32(uint64_t(at) + 28, "sound preload") != 0;
  r.audoIndex = view.i32(uint64_t(at) + 32, "sound data index");
  if (r.kind < 0 || r.kind > 3) ThrowFormatError("sound %s has kind %d (0 to 3)", r.name.c_str(), r.kind);
  return r;
}

}  // namespace

bool Sound_NewAudio() { return g_newAudio; }
void Sound_SelectSystem(bool newAudio) { g_newAudio = newAudio; }

void Sound_LoadSOND(const DataView& view, const ChunkInfo& chunk) {
  g_newAudio = g_Options.newAudio;
  Console::Output(g_newAudio ? "Audio_Load()\n" : "Sound_Init()\n");
  const ListView list = view.list(chunk.body, "SOND list");
  Sound_FreeAll();
  Audio_ClearAssets();
  for (uint32_t i = 0; i < list.count(); ++i) {
    const uint32_t at = list.entry(i);
    if (at == 0) continue;
    const SoundRecord r = ReadRecord(view, at);
    if (g_newAudio) {
      AudioAsset a;
      a.name = r.name;
      a.volume = r.volume;
      a.music = r.kind > 0;
      a.fileName = r.fileName;
      a.audoIndex = r.audoIndex;
      Audio_SetAsset(int32_t(i), std::move(a));
    } else {
      auto s = std::make_unique<CSound>();
      s->kind = r.kind;
      s->fileType = r.fileType;
      s->fileName = r.fileName;
      s->effects = r.effects;
      s->volume = r.volume;
      s->pan = r.pan;
      s->preload = r.preload;
      s->audoIndex = r.audoIndex;
      Sound_Set(int32_t(i), s.release(), r.name);
    }
  }
}

void Sound_LoadAUDO(const DataView& view, const ChunkInfo& chunk) {
  Console::Output(g_newAudio ? "Audio_WAVs()\n" : "Wave_Init()\n");
  const ListView list = view.list(chunk.body, "AUDO list");
  auto blob = [&](int32_t index, const uint8_t*& data, size_t& size) {
    data = nullptr;
    size = 0;
    if (index < 0) return;
    if (uint32_t(index) >= list.count()) ThrowFormatError("a sound refers to audio data %d of %u", index, list.count());
    const uint32_t at = list.entry(uint32_t(index));
    if (at == 0) return;
    const uint32_t length = view.u32(at, "audio data length");
    data = view.bytes(uint64_t(at) + 4, length, "audio data");
    size = length;
  };
  if (g_newAudio) {
    for (int32_t i = 0; i < Audio_AssetCount(); ++i) {
      if (AudioAsset* a = Audio_Asset(i)) blob(a->audoIndex, a->image, a->imageSize);
    }
  } else {
    for (int32_t i = 0; i < Sound_Count(); ++i) {
      if (CSound* s = Sound_Get(i)) blob(s->audoIndex, s->image, s->imageSize);
    }
  }
}

void Sound_SetOutputChoice(const OutputChoice& choice) { g_choice = choice; }

bool Sound_Prepare() {
  SoundOut_Open(g_choice);
  if (g_newAudio) {
    Audio_Start();
    return Audio_PrepareAssets();
  }
  return Sound_PrepareAll();
}

void Sound_Update() {
  if (g_newAudio) {
    Audio_Tick();
  } else {
    Sound_Tick();
  }
  Music_Tick();
}

void Sound_StopAndFree() {
  Music_Shutdown();
  Sound_FreeAll();
  Audio_Shutdown();
  SoundOut_Close();
}

void Sound_Reset() {
  Sound_FreeAll();
  Audio_ClearAssets();
  g_newAudio = false;
}
