// Feeds arbitrary bytes to the sound data readers: the WAV header reader, and the SOND and AUDO
// loaders of both systems over the same block. Nothing may crash; a header the reader accepts must
// describe samples inside the image; every image a loader hands out must lie inside the block.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "DataFile/DataFile_Container.h"
#include "DataFile/DataFile_View.h"
#include "Option/Option_Main.h"
#include "Platform/Platform_Console.h"
#include "Sound/Sound_Audio.h"
#include "Sound/Sound_Classic.h"
#include "Sound/Sound_Main.h"
#include "Sound/Sound_Wav.h"

namespace {

void CheckImage(const uint8_t* data, size_t size, const uint8_t* image, size_t imageSize) {
  if (image == nullptr) return;
  if (image < data || imageSize > size || size_t(image - data) > size - imageSize) std::abort();
  WavInfo w;
  std::string error;
  if (Wav_Read(image, imageSize, w, error) && w.dataOffset + w.dataSize > imageSize) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Console::SetMuted(true);
  WavInfo w;
  std::string error;
  if (Wav_Read(data, size, w, error) && (w.dataOffset + w.dataSize > size || w.channels < 1 || w.rate < 1)) {
    std::abort();
  }
  if (size < 8) return 0;
  const DataView view(data, size);
  // The first word splits the block: SOND's body starts at 8, AUDO's at the offset in the second word.
  uint32_t split = 0;
  std::memcpy(&split, data + 4, 4);
  for (bool newAudio : {false, true}) {
    g_Options.newAudio = newAudio;
    ChunkInfo sond{MakeTag("SOND"), 0, 8, uint32_t(size - 8)};
    ChunkInfo audo{MakeTag("AUDO"), 0, split % uint32_t(size), uint32_t(size - split % uint32_t(size))};
    try {
      Sound_LoadSOND(view, sond);
      Sound_LoadAUDO(view, audo);
    } catch (const FileFormatError&) {
    }
    for (int32_t i = 0; i < Sound_Count(); ++i) {
      if (const CSound* s = Sound_Get(i)) CheckImage(data, size, s->image, s->imageSize);
    }
    for (int32_t i = 0; i < Audio_AssetCount(); ++i) {
      if (const AudioAsset* a = Audio_Asset(i)) CheckImage(data, size, a->image, a->imageSize);
      Audio_SoundLength(i);
    }
    Sound_Reset();
  }
  return 0;
}
