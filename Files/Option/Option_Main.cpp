#include "Option/Option_Main.h"

#include <cstdlib>

GameOptions g_Options;

void Options_Reset() { g_Options = GameOptions{}; }

void Options_Load(const DataView& view, const ChunkInfo& chunk, int generalVersion) {
  if (chunk.length < 144) {
    ThrowFormatError("OPTN chunk of %u bytes is too short for its 36 fields (144 bytes)", chunk.length);
  }
  const uint64_t b = chunk.body;
  auto word = [&](uint32_t at) { return view.u32(b + at, "OPTN field"); };
  auto flag = [&](uint32_t at) { return word(at) != 0; };
  auto integer = [&](uint32_t at) { return static_cast<int32_t>(word(at)); };
  GameOptions& o = g_Options;
  o.fullScreen = flag(0);
  o.stored4 = flag(4);
  o.newAudio = flag(8);
  o.stored12 = flag(12);
  o.showCursor = flag(16);
  o.stored20 = integer(20);
  o.stored24 = flag(24);
  o.stored28 = flag(28);
  o.windowColour = word(32) & 0xFFFFFFu;
  o.setResolution = flag(36);
  o.colourDepth = integer(40);
  o.resolution = integer(44);
  o.frequency = integer(48);
  o.stored52 = flag(52);
  o.stored56 = integer(56);
  o.altEnterSwitches = flag(60);
  o.stored64 = flag(64);
  o.stored68 = flag(68);
  o.stored72 = flag(72);
  o.stored76 = flag(76);
  o.stored80 = flag(80);
  o.stored84 = integer(84);
  o.freezeWhenInactive = flag(88);
  o.showProgressBar = flag(92);
  o.stored96 = word(96);
  o.stored100 = word(100);
  o.loadingImage = word(104);
  if (o.loadingImage != 0) {
    uint64_t at = o.loadingImage;
    for (LoadingPicture* p : {&o.loadingPicture, &o.barBack, &o.barFront}) {
      const int32_t w = static_cast<int32_t>(view.u32(at, "OPTN loading picture width"));
      const int32_t h = static_cast<int32_t>(view.u32(at + 4, "OPTN loading picture height"));
      const uint32_t length = view.u32(at + 8, "OPTN loading picture length");
      at += 12;
      if (length == 0) continue;
      if (w < 1 || h < 1 || w > 8192 || h > 8192) {
        ThrowFormatError("OPTN: a loading picture of %d x %d pixels", w, h);
      }
      view.require(at, length, "OPTN loading picture");
      *p = LoadingPicture{w, h, view.data() + at, length};
      at += length;
    }
  }
  o.stored108 = flag(108);
  o.stored112 = word(112);
  o.stored116 = flag(116);
  o.displayErrors = flag(120);
  o.stored124 = flag(124);
  o.abortOnAllErrors = flag(128);
  o.strictVariables = flag(132);
  if (generalVersion >= 5) o.createEventFirst = flag(136);

  const uint32_t count = word(140);
  if (uint64_t(count) * 8 > chunk.length - 144) {
    ThrowFormatError("OPTN: %u constants do not fit in the chunk (%u bytes)", count, chunk.length);
  }
  o.constantNames.assign(count, std::string());
  o.constantValues.assign(count, std::string());
  for (uint32_t i = 0; i < count; ++i) {
    const char* name = view.stringAt(b + 144 + uint64_t(i) * 8, "OPTN constant name");
    const char* value = view.stringAt(b + 148 + uint64_t(i) * 8, "OPTN constant value");
    o.constantNames[i] = name ? name : "";
    o.constantValues[i] = value ? value : "";
    if (o.constantNames[i] == "VersionMajor") o.versionMajor = std::atoi(o.constantValues[i].c_str());
    if (o.constantNames[i] == "VersionMinor") o.versionMinor = std::atoi(o.constantValues[i].c_str());
  }
}
