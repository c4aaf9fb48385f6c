#include "Dump_Sounds.h"

#include <cstdio>
#include <string>

#include "DataFile/DataFile_Container.h"
#include "Sound/Sound_Wav.h"

namespace {

const char* KindName(int32_t kind) {
  switch (kind) {
    case 0: return "normal";
    case 1: return "music";
    case 2: return "3d";
    case 3: return "multimedia";
    default: return "?";
  }
}

std::string Text(const DataView& view, uint64_t slot) {
  const char* t = view.stringAt(slot, "sound text");
  return t != nullptr ? t : "";
}

}  // namespace

void Dump_Sounds(const DataView& view) {
  const ChunkInfo* sond = nullptr;
  const ChunkInfo* audo = nullptr;
  const auto chunks = Container_Walk(view);
  for (const ChunkInfo& c : chunks) {
    if (c.tag == MakeTag("SOND") && c.length > 0) sond = &c;
    if (c.tag == MakeTag("AUDO") && c.length > 0) audo = &c;
  }
  if (sond == nullptr) {
    std::printf("Sounds: 0\n");
    return;
  }
  const ListView list = view.list(sond->body, "SOND list");
  std::printf("Sounds: %u\n", list.count());
  for (uint32_t i = 0; i < list.count(); ++i) {
    const uint32_t at = list.entry(i);
    if (at == 0) {
      std::printf("  %3u  (none)\n", i);
      continue;
    }
    const int32_t kind = view.i32(uint64_t(at) + 4, "sound kind");
    const int32_t index = view.i32(uint64_t(at) + 32, "sound data index");
    std::printf("  %3u  %-20s %-10s %-6s file %-16s volume %.2f pan %.2f preload %u", i, Text(view, at).c_str(),
                KindName(kind), Text(view, uint64_t(at) + 8).c_str(), Text(view, uint64_t(at) + 12).c_str(),
                double(view.f32(uint64_t(at) + 20, "sound volume")), double(view.f32(uint64_t(at) + 24, "sound pan")),
                view.u32(uint64_t(at) + 28, "sound preload"));
    if (index < 0 || audo == nullptr) {
      std::printf("  no data\n");
      continue;
    }
    const ListView blobs = view.list(audo->body, "AUDO list");
    if (uint32_t(index) >= blobs.count() || blobs.entry(uint32_t(index)) == 0) {
      std::printf("  data %d missing\n", index);
      continue;
    }
    const uint32_t blob = blobs.entry(uint32_t(index));
    const uint32_t length = view.u32(blob, "audio data length");
    const uint8_t* image = view.bytes(uint64_t(blob) + 4, length, "audio data");
    std::printf("  data %d (%u bytes", index, length);
    WavInfo w;
    std::string error;
    if (Wav_Read(image, length, w, error)) {
      std::printf(", WAV %d Hz %d-bit %s %.3f s", w.rate, w.bits, w.channels == 1 ? "mono" : "stereo",
                  double(w.frames()) / w.rate);
    }
    std::printf(")\n");
  }
}
