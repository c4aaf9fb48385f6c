// Music in place of the system's media interface: one piece at a time, MP3 through libmpg123 and MIDI
// through FluidSynth, decoded on one worker thread into blocks of samples that the game thread queues
// on an output source of its own.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class MusicFormat { None, Mp3, Midi };

// The format a file name asks for by its ending (.mp3, .mid, .midi; any letter case).
MusicFormat Music_FormatOf(const std::string& name);

// Plays `name` (a relative name is taken from the working directory). When no such file exists and
// `image` is given, the image (the file's bytes kept in the data file) is played instead. Playing
// stops the current music first. False, with a console line, when the file cannot be opened.
bool Music_Play(const std::string& name, const uint8_t* image, size_t size, bool loop);
void Music_Stop();
// True while music is playing (not yet at its end, or looping).
bool Music_IsPlaying();
// The file name of the current music, "" when none.
const std::string& Music_Current();
// 0 to 1.
void Music_SetVolume(double volume);
// The game thread's part, once a step: decoded blocks go to the output, finished ones come back.
void Music_Tick();
// Stops the worker and frees the source (game end).
void Music_Shutdown();

// Decodes a whole file image to interleaved 16-bit samples at the piece's own rate and channels (MIDI:
// stereo at 44100 Hz). False with `error` set when it does not decode.
struct DecodedMusic {
  std::vector<int16_t> samples;
  int channels = 0, rate = 0;
};
bool Music_DecodeAll(const uint8_t* image, size_t size, MusicFormat format, DecodedMusic& out, std::string& error);
