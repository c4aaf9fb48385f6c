// Sounds from game code: the classic sound functions, the sound resources, the audio functions with
// voices, emitters and the listener, music, and the CD functions of a machine without a CD drive.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "Code/Code_Error.h"
#include "Function/Function_Register.h"
#include "Runner/Runner_Folders.h"
#include "Sound/Sound_Audio.h"
#include "Sound/Sound_Classic.h"
#include "Sound/Sound_Main.h"
#include "Sound/Sound_Music.h"

namespace {

using Args = RValue*;

double Real(int argc, Args args, int i) {
  const RValue& v = FunctionArgument(argc, args, i);
  return v.IsReal() ? v.real : 0.0;
}
int Index(int argc, Args args, int i) { return FunctionArgumentIndex(FunctionArgument(argc, args, i)); }

// ---- Classic sounds -----------------------------------------------------------------------------------

// The sound an argument names, reporting a missing one; null (and nothing to do) in the audio system.
CSound* ClassicSound(int argc, Args args) {
  if (Sound_NewAudio()) return nullptr;
  CSound* s = Sound_Get(Index(argc, args, 0));
  if (s == nullptr) ReportActionError("Sound does not exist.", false);
  return s;
}

void F_SoundPlay(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(0);
  if (CSound* s = ClassicSound(argc, args)) Sound_Play(*s, false);
}
void F_SoundLoop(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(0);
  if (CSound* s = ClassicSound(argc, args)) Sound_Play(*s, true);
}
void F_SoundStop(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(0);
  if (CSound* s = ClassicSound(argc, args)) Sound_Stop(*s);
}
void F_SoundStopAll(RValue& r, CInstance*, CInstance*, int, Args) {
  r.SetReal(0);
  if (!Sound_NewAudio()) Sound_StopAll();
}
void F_SoundIsPlaying(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  const CSound* s = Sound_NewAudio() ? nullptr : Sound_Get(Index(argc, args, 0));
  r.SetReal(s != nullptr && Sound_IsPlaying(*s) ? 1 : 0);
}
void F_SoundVolume(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(0);
  if (CSound* s = ClassicSound(argc, args)) {
    s->volume = float(Real(argc, args, 1));
    Sound_Fade(*s, Real(argc, args, 1), 1);
  }
}
void F_SoundFade(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(0);
  if (CSound* s = ClassicSound(argc, args)) Sound_Fade(*s, Real(argc, args, 1), Real(argc, args, 2));
}
void F_SoundGlobalVolume(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(0);
  if (!Sound_NewAudio()) Sound_SetGlobalVolume(Real(argc, args, 0));
}
// Pan, tempo, effects and the 3-D settings: the sound must exist; nothing more is done.
void F_SoundChecked(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(0);
  ClassicSound(argc, args);
}
// Takes no sound (tempo, search directory): nothing to do.
void F_SoundIgnored(RValue& r, CInstance*, CInstance*, int, Args) { r.SetReal(0); }

// ---- Sound resources (either system's table) -----------------------------------------------------------

void F_SoundExists(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  const int i = Index(argc, args, 0);
  r.SetReal((Sound_NewAudio() ? Audio_Asset(i) != nullptr : Sound_Exists(i)) ? 1 : 0);
}
void F_SoundGetName(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  const int i = Index(argc, args, 0);
  if (Sound_NewAudio()) {
    const AudioAsset* a = Audio_Asset(i);
    r.SetString(a != nullptr ? a->name.c_str() : "<undefined>");
  } else {
    r.SetString(Sound_Name(i));
  }
}
void F_SoundGetKind(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  const int i = Index(argc, args, 0);
  if (Sound_NewAudio()) {
    const AudioAsset* a = Audio_Asset(i);
    r.SetReal(a == nullptr ? -1 : a->music ? 1 : 0);
  } else {
    const CSound* s = Sound_Get(i);
    r.SetReal(s != nullptr ? s->kind : -1);
  }
}
void F_SoundGetPreload(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  const CSound* s = Sound_NewAudio() ? nullptr : Sound_Get(Index(argc, args, 0));
  r.SetReal(s != nullptr && s->preload ? 1 : 0);
}

// Fills a classic sound from a file: a WAV file's bytes become its image; music keeps its name (the
// file is read when played). False when the file cannot be read.
bool LoadSoundFile(CSound& s, const std::string& name, int kind, bool preload) {
  std::vector<uint8_t> bytes;
  if (Music_FormatOf(name) == MusicFormat::None) {
    std::ifstream in(Folders_FindForRead(name), std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  s.kind = kind < 0 || kind > 3 ? 0 : kind;
  s.preload = preload;
  s.fileName = name;
  const size_t dot = name.rfind('.');
  s.fileType = dot == std::string::npos ? "" : name.substr(dot);
  s.ownedImage = std::move(bytes);
  s.image = s.ownedImage.empty() ? nullptr : s.ownedImage.data();
  s.imageSize = s.ownedImage.size();
  s.audoIndex = -1;
  Sound_CreateHardware(s);
  return true;
}

void F_SoundAdd(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(-1);
  const RValue& name = FunctionArgument(argc, args, 0);
  if (Sound_NewAudio() || !name.IsString()) return;
  auto* s = new CSound();
  if (!LoadSoundFile(*s, name.Str(), Index(argc, args, 1), FunctionArgumentBool(FunctionArgument(argc, args, 2)))) {
    delete s;
    return;
  }
  char label[32];
  std::snprintf(label, sizeof label, "__newsound%d", Sound_Count());
  r.SetReal(Sound_Add(s, label));
}
void F_SoundReplace(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(0);
  const RValue& name = FunctionArgument(argc, args, 1);
  CSound* old = Sound_NewAudio() ? nullptr : Sound_Get(Index(argc, args, 0));
  if (old == nullptr || !name.IsString()) return;
  auto* s = new CSound();
  s->volume = old->volume;
  s->pan = old->pan;
  if (!LoadSoundFile(*s, name.Str(), Index(argc, args, 2), FunctionArgumentBool(FunctionArgument(argc, args, 3)))) {
    delete s;
    return;
  }
  const int index = Index(argc, args, 0);
  Sound_Stop(*old);
  Sound_Set(index, s, Sound_Name(index));
  r.SetReal(1);
}
void F_SoundDelete(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(0);
  const int index = Index(argc, args, 0);
  if (Sound_NewAudio() || !Sound_Exists(index)) return;
  Sound_Stop(*Sound_Get(index));
  Sound_Set(index, nullptr, "");
}
// Discarding frees the sound's buffer and sources; restoring makes them again.
void F_SoundDiscard(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(0);
  if (CSound* s = Sound_NewAudio() ? nullptr : Sound_Get(Index(argc, args, 0))) Sound_FreeHardware(*s);
}
void F_SoundRestore(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(0);
  CSound* s = Sound_NewAudio() ? nullptr : Sound_Get(Index(argc, args, 0));
  if (s != nullptr && !Sound_Hardware(*s).present) Sound_CreateHardware(*s);
}

// ---- Audio ------------------------------------------------------------------------------------------------

void F_AudioPlaySound(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(Audio_PlaySound(Index(argc, args, 0), Real(argc, args, 1)));
}
void F_AudioPlaySoundOn(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(Audio_PlaySoundOn(Index(argc, args, 0), Index(argc, args, 1), Real(argc, args, 2) > 0, Real(argc, args, 3)));
}
void F_AudioPlaySoundAt(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(Audio_PlaySoundAt(Index(argc, args, 0), Real(argc, args, 1), Real(argc, args, 2), Real(argc, args, 3),
                              Real(argc, args, 4), Real(argc, args, 5) > 0, Real(argc, args, 6)));
}
void F_AudioStopSound(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(0);
  Audio_StopSound(Index(argc, args, 0));
}
void F_AudioPauseSound(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(0);
  Audio_PauseSound(Index(argc, args, 0));
}
void F_AudioResumeSound(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(0);
  Audio_ResumeSound(Index(argc, args, 0));
}
void F_AudioPauseAll(RValue& r, CInstance*, CInstance*, int, Args) {
  r.SetReal(0);
  Audio_PauseAll();
}
void F_AudioResumeAll(RValue& r, CInstance*, CInstance*, int, Args) {
  r.SetReal(0);
  Audio_ResumeAll();
}
void F_AudioStopAll(RValue& r, CInstance*, CInstance*, int, Args) {
  r.SetReal(0);
  Audio_StopAll();
}
void F_AudioIsPlaying(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(Audio_IsPlaying(Index(argc, args, 0)) ? 1 : 0);
}
void F_AudioMasterGain(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(0);
  Audio_MasterGain(Real(argc, args, 0));
}
void F_AudioEmitterCreate(RValue& r, CInstance*, CInstance*, int, Args) { r.SetReal(Audio_EmitterCreate()); }
void F_AudioEmitterFree(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(0);
  Audio_EmitterFree(Index(argc, args, 0));
}
void F_AudioEmitterPosition(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(0);
  Audio_EmitterPosition(Index(argc, args, 0), Real(argc, args, 1), Real(argc, args, 2), Real(argc, args, 3));
}
void F_AudioEmitterVelocity(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(0);
  Audio_EmitterVelocity(Index(argc, args, 0), Real(argc, args, 1), Real(argc, args, 2), Real(argc, args, 3));
}
void F_AudioEmitterGain(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(0);
  Audio_EmitterGain(Index(argc, args, 0), Real(argc, args, 1));
}
void F_AudioEmitterPitch(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(0);
  Audio_EmitterPitch(Index(argc, args, 0), Real(argc, args, 1));
}
void F_AudioEmitterFalloff(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(0);
  Audio_EmitterFalloff(Index(argc, args, 0), Real(argc, args, 1));
}
void F_AudioListenerPosition(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(0);
  Audio_ListenerPosition(Real(argc, args, 0), Real(argc, args, 1), Real(argc, args, 2));
}
void F_AudioListenerVelocity(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(0);
  Audio_ListenerVelocity(Real(argc, args, 0), Real(argc, args, 1), Real(argc, args, 2));
}
void F_AudioListenerOrientation(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(0);
  Audio_ListenerOrientation(Real(argc, args, 0), Real(argc, args, 1), Real(argc, args, 2), Real(argc, args, 3),
                            Real(argc, args, 4), Real(argc, args, 5));
}
void F_AudioChannelNum(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(0);
  Audio_SetChannelCount(Index(argc, args, 0));
}
void F_AudioSoundLength(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(Audio_SoundLength(Index(argc, args, 0)));
}
void F_AudioPlayMusic(RValue& r, CInstance*, CInstance*, int argc, Args args) {
  r.SetReal(0);
  const AudioAsset* a = Audio_Asset(Index(argc, args, 0));
  if (a == nullptr || Music_FormatOf(a->fileName) == MusicFormat::None) return;
  Music_Play(a->fileName, a->image, a->imageSize, Real(argc, args, 1) > 0);
}
void F_AudioStopMusic(RValue& r, CInstance*, CInstance*, int, Args) {
  r.SetReal(0);
  Music_Stop();
}

// ---- CD audio: no drive ----------------------------------------------------------------------------------

void F_CdZero(RValue& r, CInstance*, CInstance*, int, Args) { r.SetReal(0); }
// The media interface's reply to any command: none.
void F_MciCommand(RValue& r, CInstance*, CInstance*, int, Args) { r.SetString(""); }

}  // namespace

void Function_Sound_Bind() {
  ImplementFunction("sound_play", F_SoundPlay);
  ImplementFunction("sound_loop", F_SoundLoop);
  ImplementFunction("sound_stop", F_SoundStop);
  ImplementFunction("sound_stop_all", F_SoundStopAll);
  ImplementFunction("sound_isplaying", F_SoundIsPlaying);
  ImplementFunction("sound_volume", F_SoundVolume);
  ImplementFunction("sound_fade", F_SoundFade);
  ImplementFunction("sound_global_volume", F_SoundGlobalVolume);
  for (const char* name : {"sound_pan", "sound_effect_set", "sound_effect_chorus", "sound_effect_compressor",
                           "sound_effect_echo", "sound_effect_flanger", "sound_effect_gargle", "sound_effect_equalizer",
                           "sound_effect_reverb", "sound_3d_set_sound_position", "sound_3d_set_sound_velocity",
                           "sound_3d_set_sound_distance", "sound_3d_set_sound_cone"}) {
    ImplementFunction(name, F_SoundChecked);
  }
  ImplementFunction("sound_background_tempo", F_SoundIgnored);
  ImplementFunction("sound_set_search_directory", F_SoundIgnored);
  ImplementFunction("sound_exists", F_SoundExists);
  ImplementFunction("sound_get_name", F_SoundGetName);
  ImplementFunction("sound_name", F_SoundGetName);
  ImplementFunction("sound_get_kind", F_SoundGetKind);
  ImplementFunction("sound_get_preload", F_SoundGetPreload);
  ImplementFunction("sound_add", F_SoundAdd);
  ImplementFunction("sound_replace", F_SoundReplace);
  ImplementFunction("sound_delete", F_SoundDelete);
  ImplementFunction("sound_discard", F_SoundDiscard);
  ImplementFunction("sound_restore", F_SoundRestore);

  ImplementFunction("audio_play_sound", F_AudioPlaySound);
  ImplementFunction("audio_play_sound_on", F_AudioPlaySoundOn);
  ImplementFunction("audio_play_sound_at", F_AudioPlaySoundAt);
  ImplementFunction("audio_stop_sound", F_AudioStopSound);
  ImplementFunction("audio_pause_sound", F_AudioPauseSound);
  ImplementFunction("audio_resume_sound", F_AudioResumeSound);
  ImplementFunction("audio_pause_all", F_AudioPauseAll);
  ImplementFunction("audio_resume_all", F_AudioResumeAll);
  ImplementFunction("audio_stop_all", F_AudioStopAll);
  ImplementFunction("audio_is_playing", F_AudioIsPlaying);
  ImplementFunction("audio_master_gain", F_AudioMasterGain);
  ImplementFunction("audio_emitter_create", F_AudioEmitterCreate);
  ImplementFunction("audio_emitter_free", F_AudioEmitterFree);
  ImplementFunction("audio_emitter_position", F_AudioEmitterPosition);
  ImplementFunction("audio_emitter_velocity", F_AudioEmitterVelocity);
  ImplementFunction("audio_emitter_gain", F_AudioEmitterGain);
  ImplementFunction("audio_emitter_pitch", F_AudioEmitterPitch);
  ImplementFunction("audio_emitter_falloff", F_AudioEmitterFalloff);
  ImplementFunction("audio_listener_position", F_AudioListenerPosition);
  ImplementFunction("audio_listener_velocity", F_AudioListenerVelocity);
  ImplementFunction("audio_listener_orientation", F_AudioListenerOrientation);
  ImplementFunction("audio_channel_num", F_AudioChannelNum);
  ImplementFunction("audio_sound_length", F_AudioSoundLength);
  ImplementFunction("audio_play_music", F_AudioPlayMusic);
  ImplementFunction("audio_stop_music", F_AudioStopMusic);

  for (const char* name : {"cd_init", "cd_present", "cd_number", "cd_playing", "cd_paused", "cd_track", "cd_length",
                           "cd_track_length", "cd_position", "cd_track_position", "cd_play", "cd_stop", "cd_pause",
                           "cd_resume", "cd_set_position", "cd_set_track_position", "cd_open_door", "cd_close_door"}) {
    ImplementFunction(name, F_CdZero);
  }
  ImplementFunction("MCI_command", F_MciCommand);
}
