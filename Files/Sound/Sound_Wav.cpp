#include "Sound/Sound_Wav.h"

#include <cstring>

namespace {

uint32_t U32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

bool Fail(std::string& error, const char* why) {
  error = why;
  return false;
}

}  // namespace

bool Wav_Read(const uint8_t* data, size_t size, WavInfo& out, std::string& error) {
  out = WavInfo{};
  if (data == nullptr || size < 12) return Fail(error, "too short for a WAV file");
  if (std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WAVE", 4) != 0) {
    return Fail(error, "not a RIFF WAVE file");
  }
  bool haveFormat = false;
  size_t at = 12;
  while (size - at >= 8) {
    const uint8_t* header = data + at;
    const uint32_t length = U32(header + 4);
    at += 8;
    if (length > size - at) return Fail(error, "a chunk runs past the end of the file");
    if (std::memcmp(header, "fmt ", 4) == 0) {
      if (length < 16) return Fail(error, "the format chunk is too short");
      const uint8_t* f = data + at;
      const uint16_t tag = U16(f);
      out.channels = U16(f + 2);
      out.rate = int(U32(f + 4));
      out.bits = U16(f + 14);
      if (tag != 1) return Fail(error, "the samples are not PCM");
      if (out.channels != 1 && out.channels != 2) return Fail(error, "only mono and stereo sounds are supported");
      if (out.bits != 8 && out.bits != 16) return Fail(error, "only 8-bit and 16-bit samples are supported");
      if (U32(f + 4) == 0 || U32(f + 4) > 384000) return Fail(error, "the sample rate is out of range");
      haveFormat = true;
    } else if (std::memcmp(header, "data", 4) == 0) {
      if (!haveFormat) return Fail(error, "the data chunk comes before the format chunk");
      const size_t frame = size_t(out.channels) * size_t(out.bits / 8);
      out.dataOffset = at;
      out.dataSize = length / frame * frame;
      return true;
    }
    at += length + (length & 1);
    if (at > size) break;
  }
  return Fail(error, haveFormat ? "there is no data chunk" : "there is no format chunk");
}
