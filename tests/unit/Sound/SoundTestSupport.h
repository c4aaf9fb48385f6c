// Test sounds made in memory, and the null output opened once for the whole test binary.
#pragma once
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Sound/Sound_Output.h"

// A WAV image of a 440 Hz sine, amplitude 0.5, 16-bit.
inline std::vector<uint8_t> ToneWav(double seconds, int rate = 44100, int channels = 1) {
  const uint32_t frames = uint32_t(seconds * rate);
  const uint32_t dataBytes = frames * uint32_t(channels) * 2;
  std::vector<uint8_t> w(44 + size_t(dataBytes));
  size_t at = 0;
  auto put = [&](uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) w.at(at++) = uint8_t(v >> (8 * i));
  };
  auto tag = [&](const char* t) { for (int i = 0; i < 4; ++i) w.at(at++) = uint8_t(t[i]); };
  tag("RIFF"); put(36 + dataBytes, 4); tag("WAVE");
  tag("fmt "); put(16, 4); put(1, 2); put(uint32_t(channels), 2); put(uint32_t(rate), 4);
  put(uint32_t(rate * channels * 2), 4); put(uint32_t(channels * 2), 2); put(16, 2);
  tag("data"); put(dataBytes, 4);
  for (uint32_t i = 0; i < frames; ++i) {
    const int16_t v = int16_t(std::lround(0.5 * 32767 * std::sin(2 * M_PI * 440.0 * i / rate)));
    for (int c = 0; c < channels; ++c) put(uint16_t(v), 2);
  }
  return w;
}

// The null output (sources play in real time and make no sound).
inline bool OpenNullOutput() {
  ::setenv("ALSOFT_DRIVERS", "null", 1);
  OutputChoice choice;
  choice.headless = true;
  return SoundOut_Open(choice);
}
