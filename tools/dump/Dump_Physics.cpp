#include "Dump_Physics.h"

#include <cstdio>
#include <string>
#include <vector>

#include "DataFile/DataFile_Container.h"

namespace {

std::string Name(const DataView& view, uint64_t slot) {
  const char* t = view.stringAt(slot, "name");
  return t != nullptr ? t : "";
}

const char* ShapeName(int32_t shape) {
  switch (shape) {
    case 0: return "circle";
    case 1: return "box";
    case 2: return "polygon";
    default: return "?";
  }
}

void Objects(const DataView& view, const ChunkInfo& chunk) {
  const ListView list = view.list(chunk.body, "OBJT list");
  std::vector<std::string> lines;
  for (uint32_t i = 0; i < list.count(); ++i) {
    const uint64_t at = list.entry(i);
    if (at == 0 || view.i32(at + 32, "object physics") == 0) continue;
    char line[256];
    std::snprintf(line, sizeof line, "  %u %s: %s%s, density %g, restitution %g, group %d, damping %g/%g, points:", i,
                  Name(view, at).c_str(), ShapeName(view.i32(at + 40, "object shape")),
                  view.i32(at + 36, "object sensor") != 0 ? " sensor" : "", double(view.f32(at + 44, "density")),
                  double(view.f32(at + 48, "restitution")), view.i32(at + 52, "group"),
                  double(view.f32(at + 56, "linear damping")), double(view.f32(at + 60, "angular damping")));
    std::string text = line;
    const uint32_t points = view.u32(at + 64, "point count");
    for (uint32_t p = 0; p < points; ++p) {
      std::snprintf(line, sizeof line, " (%g, %g)", double(view.f32(at + 68 + 8 * uint64_t(p), "point")),
                    double(view.f32(at + 72 + 8 * uint64_t(p), "point")));
      text += line;
    }
    lines.push_back(text);
  }
  std::printf("Physics objects: %zu\n", lines.size());
  for (const std::string& l : lines) std::printf("%s\n", l.c_str());
}

void Rooms(const DataView& view, const ChunkInfo& chunk) {
  const ListView list = view.list(chunk.body, "ROOM list");
  std::vector<std::string> lines;
  for (uint32_t i = 0; i < list.count(); ++i) {
    const uint64_t at = list.entry(i);
    if (at == 0 || view.i32(at + 56, "room physics") == 0) continue;
    char line[256];
    std::snprintf(line, sizeof line, "  %u %s: scale %g, gravity (%g, %g)", i, Name(view, at).c_str(),
                  double(view.f32(at + 84, "physics scale")), double(view.f32(at + 76, "gravity x")),
                  double(view.f32(at + 80, "gravity y")));
    lines.push_back(line);
  }
  std::printf("Physics rooms: %zu\n", lines.size());
  for (const std::string& l : lines) std::printf("%s\n", l.c_str());
}

}  // namespace

void Dump_Physics(const DataView& view, int version) {
  if (version <= 5) return;
  for (const ChunkInfo& c : Container_Walk(view)) {
    if (c.length == 0) continue;
    if (c.tag == MakeTag("OBJT")) Objects(view, c);
    if (c.tag == MakeTag("ROOM")) Rooms(view, c);
  }
}
