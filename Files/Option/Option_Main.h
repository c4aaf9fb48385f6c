// The options chunk ("OPTN"): 36 words of settings followed by the game's constants.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "DataFile/DataFile_Container.h"

// One picture of the loading screen: its size and its encoded image (PNG or "RAW "), in place in
// the data file. No picture when `data` is null.
struct LoadingPicture {
  int32_t width = 0, height = 0;
  const uint8_t* data = nullptr;
  uint32_t length = 0;
};

struct GameOptions {
  bool fullScreen = false;            // 0; forced off by "-inawindow"
  bool stored4 = false;               // 4
  bool newAudio = false;              // 8: selects the loader of the sound chunks
  bool stored12 = false;              // 12
  bool showCursor = true;             // 16
  int32_t stored20 = 100;             // 20
  bool stored24 = false;              // 24
  bool stored28 = false;              // 28
  uint32_t windowColour = 0xFFFFFFu;  // 32: low 24 bits, stored as an opaque colour (alpha 255)
  bool setResolution = false;         // 36
  int32_t colourDepth = 0;            // 40: 1 = 16 bits, 2 = 32 bits, other = unchanged
  int32_t resolution = 0;             // 44: 1..6 = 320x240 .. 1600x1200, other = unchanged
  int32_t frequency = 0;              // 48: 1..5 = 60, 70, 85, 100, 120 Hz, other = unchanged
  bool stored52 = false;              // 52
  int32_t stored56 = 0;               // 56
  bool altEnterSwitches = true;       // 60
  bool stored64 = true;               // 64
  bool stored68 = true;               // 68
  bool stored72 = true;               // 72
  bool stored76 = true;               // 76
  bool stored80 = true;               // 80
  int32_t stored84 = 0;               // 84
  bool freezeWhenInactive = false;    // 88
  bool showProgressBar = true;        // 92
  uint32_t stored96 = 0;              // 96
  uint32_t stored100 = 0;             // 100
  uint32_t loadingImage = 0;          // 104: file offset of the loading image record (0 = none)
  // The record holds three pictures in turn (the image, the bar's back, the bar's front), each as
  // i32 width, i32 height, u32 length and that many bytes; a length of 0 is no picture.
  LoadingPicture loadingPicture, barBack, barFront;
  bool stored108 = false;             // 108
  uint32_t stored112 = 255;           // 112: a full word as read
  bool stored116 = true;              // 116
  bool displayErrors = true;          // 120
  bool stored124 = false;             // 124
  bool abortOnAllErrors = false;      // 128
  bool strictVariables = false;       // 132: reading a never-set variable is an error
  bool createEventFirst = false;      // 136: create event before creation code (version byte 5 or more)

  // The game's constants, as name and value texts in pair order.
  std::vector<std::string> constantNames;
  std::vector<std::string> constantValues;

  int versionMajor = 0;  // from the constant "VersionMajor"
  int versionMinor = 0;  // from the constant "VersionMinor"

  // The window colour as an opaque ARGB-style value: alpha 255 over the low 24 bits.
  uint32_t WindowColourOpaque() const { return 0xFF000000u | (windowColour & 0xFFFFFFu); }
};

// The options of the loaded game (runner-wide).
extern GameOptions g_Options;

void Options_Reset();
// Reads the chunk; `generalVersion` is the general chunk's version byte.
void Options_Load(const DataView& view, const ChunkInfo& chunk, int generalVersion);
