#include "Writer_Settings.h"

void WriteGeneral(DataFileWriter& writer, const GeneralDesc& settings) {
  DataFileWriter::Body& b = writer.chunk(settings.version == 8 ? "GEN8" : "GEN7");
  b.u8(settings.flags).u8(settings.version).u16(0);
  b.stringRef(settings.name);
  b.stringRef(settings.configName);
  b.i32(settings.lastInstanceId).i32(settings.lastTileId).i32(settings.gameId);
  b.zeros(16);  // the two stored 8-byte fields at 24 and 32
  if (settings.version != 8) {
    // Older bodies: the room-order count sits inside the second stored field, at offset 36.
    b.bytes.resize(36);
    b.u32(static_cast<uint32_t>(settings.roomOrder.size()));
    for (int32_t r : settings.roomOrder) b.i32(r);
    return;
  }
  b.stringRef(settings.displayName);  // 40
  b.zeros(16);                    // 44..59
  b.i32(settings.windowWidth).i32(settings.windowHeight).u32(settings.windowFlags);  // 60, 64, 68
  b.zeros(24 + 4);                // 72..99
  b.u32(static_cast<uint32_t>(settings.roomOrder.size()));  // 100
  for (int32_t r : settings.roomOrder) b.i32(r);
}

std::array<uint32_t, 35> OptionsDesc::Defaults() {
  std::array<uint32_t, 35> w{};
  auto at = [&](uint32_t offset, uint32_t v) { w[offset / 4] = v; };
  at(16, 1);          // show the cursor
  at(20, 100);
  at(32, 0xFFFFFF);   // window colour
  for (uint32_t o : {60u, 64u, 68u, 72u, 76u, 80u, 92u, 116u, 120u}) at(o, 1);
  at(112, 255);
  return w;
}

const std::vector<OptionName>& OptionNames() {
  static const std::vector<OptionName> names = {
      {"full_screen", 0},         {"new_audio", 8},          {"show_cursor", 16},
      {"window_colour", 32},      {"set_resolution", 36},    {"colour_depth", 40},
      {"resolution", 44},         {"frequency", 48},         {"alt_enter_switches", 60},
      {"freeze_when_inactive", 88}, {"show_progress_bar", 92}, {"display_errors", 120},
      {"abort_on_all_errors", 128}, {"strict_variables", 132}, {"create_event_first", 136},
  };
  return names;
}

void WriteOptions(DataFileWriter& writer, const OptionsDesc& settings) {
  DataFileWriter::Body& b = writer.chunk("OPTN");
  for (uint32_t w : settings.words) b.u32(w);
  b.u32(static_cast<uint32_t>(settings.constants.size()));
  for (const auto& [name, value] : settings.constants) {
    b.stringRef(name);
    b.stringRef(value);
  }
  if (!settings.loadingRecord.empty()) {
    b.refAt(104, b.here());
    b.raw(settings.loadingRecord.data(), settings.loadingRecord.size());
  }
}
