// Reading the header of a WAV file image: what it holds and whether it is whole, before the image is
// handed to the decoder.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

struct WavInfo {
  int channels = 0;
  int rate = 0;
  int bits = 0;
  size_t dataOffset = 0;  // of the first sample
  size_t dataSize = 0;    // bytes of whole frames
  size_t frames() const { return channels > 0 && bits > 0 ? dataSize / (size_t(channels) * size_t(bits / 8)) : 0; }
};

// True for a RIFF/WAVE image of PCM samples (8 or 16 bits, 1 or 2 channels, 1 to 384000 Hz) whose
// format and data chunks lie inside it. Otherwise false with `error` saying why.
bool Wav_Read(const uint8_t* data, size_t size, WavInfo& out, std::string& error);
