#include "Writer_Sound.h"

void WriteSounds(DataFileWriter& writer, const std::vector<SoundDesc>& sounds) {
  if (sounds.empty()) return;
  using Body = DataFileWriter::Body;
  Body& sond = writer.chunk("SOND");
  sond.u32(uint32_t(sounds.size()));
  const uint32_t slots = sond.size();
  for (size_t i = 0; i < sounds.size(); ++i) sond.u32(0);
  int32_t next = 0;
  for (size_t i = 0; i < sounds.size(); ++i) {
    const SoundDesc& s = sounds[i];
    sond.refAt(slots + uint32_t(i) * 4, sond.here());
    sond.stringRef(s.name).i32(s.kind).stringRef(s.fileType).stringRef(s.fileName).u32(s.effects);
    sond.f32(s.volume).f32(s.pan).u32(s.preload ? 1 : 0).i32(s.image.empty() ? -1 : next);
    if (!s.image.empty()) ++next;
  }
  Body& audo = writer.chunk("AUDO");
  audo.u32(uint32_t(next));
  const uint32_t entries = audo.size();
  for (int32_t i = 0; i < next; ++i) audo.u32(0);
  int32_t n = 0;
  for (const SoundDesc& s : sounds) {
    if (s.image.empty()) continue;
    audo.refAt(entries + uint32_t(n++) * 4, audo.here());
    audo.u32(uint32_t(s.image.size())).raw(s.image.data(), s.image.size());
    while (audo.size() % 4 != 0) audo.u8(0);
  }
}
