#include "Room/Room_Load.h"

#include <cstdint>
#include <string>

#include "Code/Code_Compile.h"
#include "Code/Code_Error.h"
#include "Code/Code_Load.h"
#include "DataFile/DataFile_General.h"
#include "DataFile/DataFile_Load.h"
#include "Room/Room_Class.h"

namespace {

// The gravity pair is stored as floats and kept as integers; a value beyond the integer range (or
// not a number) from a damaged file is clamped rather than converted with undefined results.
int32_t TruncateGravity(float v) {
  if (!(v == v)) return 0;
  if (v >= 2147483647.0f) return INT32_MAX;
  if (v <= -2147483648.0f) return INT32_MIN;
  return static_cast<int32_t>(v);
}

bool Bytecode() { return DataFile_HasBytecode() || Code_HasBytecode(); }

std::shared_ptr<CCode> CodeFromIndex(int32_t index) {
  if (index < 0) return nullptr;
  return std::shared_ptr<CCode>(Code_CreateFromIndex(index));
}

std::string SourceAt(const DataView& view, uint32_t offset, const char* what) {
  if (offset == 0) return std::string();
  const char* text = view.string(offset, what);
  return text != nullptr ? text : "";
}

void ReadBackgrounds(const DataView& view, uint32_t at, CRoom* room) {
  if (at == 0) return;
  const ListView list = view.list(at, "room background list");
  for (uint32_t i = 0; i < list.count() && i < uint32_t(kRoomBackgroundCount); ++i) {
    const uint32_t e = list.entry(i);
    if (e == 0) continue;
    CBackgroundLayer& b = room->backgrounds[i];
    b.visible = view.i32(e, "background visible") != 0;
    b.foreground = view.i32(e + 4, "background foreground") != 0;
    b.index = view.i32(e + 8, "background index");
    b.x = float(view.i32(e + 12, "background x"));
    b.y = float(view.i32(e + 16, "background y"));
    b.htiled = view.i32(e + 20, "background htiled") != 0;
    b.vtiled = view.i32(e + 24, "background vtiled") != 0;
    b.hspeed = float(view.i32(e + 28, "background hspeed"));
    b.vspeed = float(view.i32(e + 32, "background vspeed"));
    const bool stretch = view.i32(e + 36, "background stretch") != 0;
    int32_t w = 0, h = 0;
    if (stretch && Room_BackgroundSize(b.index, &w, &h)) {
      if (w > 0) b.xscale = float(room->width) / float(w);
      if (h > 0) b.yscale = float(room->height) / float(h);
    }
  }
}

void ReadViews(const DataView& view, uint32_t at, CRoom* room) {
  if (at == 0) return;
  const ListView list = view.list(at, "room view list");
  for (uint32_t i = 0; i < list.count() && i < uint32_t(kRoomViewCount); ++i) {
    const uint32_t e = list.entry(i);
    if (e == 0) continue;
    CView& v = room->views[i];
    int32_t* fields[] = {&v.xview, &v.yview, &v.wview, &v.hview, &v.xport, &v.yport, &v.wport,
                         &v.hport, &v.hborder, &v.vborder, &v.hspeed, &v.vspeed, &v.object};
    v.visible = view.i32(e, "view visible") != 0;
    for (int f = 0; f < 13; ++f) *fields[f] = view.i32(e + 4 + uint32_t(f) * 4, "view field");
  }
}

void ReadInstances(const DataView& view, uint32_t at, CRoom* room, int version, bool bytecode) {
  if (at == 0) return;
  const ListView list = view.list(at, "room instance list");
  for (uint32_t i = 0; i < list.count(); ++i) {
    const uint32_t e = list.entry(i);
    if (e == 0) continue;
    CRoomInstance inst;
    inst.x = view.i32(e, "instance x");
    inst.y = view.i32(e + 4, "instance y");
    inst.objectIndex = view.i32(e + 8, "instance object");
    inst.id = view.i32(e + 12, "instance id");
    const int32_t code = view.i32(e + 16, "instance code");
    if (bytecode) {
      inst.code = CodeFromIndex(code);
    } else {
      inst.source = SourceAt(view, uint32_t(code), "instance code text");
    }
    if (version != 2) {
      inst.xscale = view.f32(e + 20, "instance xscale");
      inst.yscale = view.f32(e + 24, "instance yscale");
      const uint32_t colour = view.u32(e + 28, "instance colour");
      inst.blend = colour & 0xFFFFFF;
      inst.alpha = float(colour >> 24) * (1.0f / 255.0f);
      if (version != 3) inst.angle = view.f32(e + 32, "instance angle");
    }
    room->instances.push_back(std::move(inst));
  }
}

void ReadTiles(const DataView& view, uint32_t at, CRoom* room, int version) {
  if (at == 0) return;
  const ListView list = view.list(at, "room tile list");
  for (uint32_t i = 0; i < list.count(); ++i) {
    const uint32_t e = list.entry(i);
    if (e == 0) continue;
    CTile t;
    t.x = float(view.i32(e, "tile x"));
    t.y = float(view.i32(e + 4, "tile y"));
    t.background = view.i32(e + 8, "tile background");
    t.left = view.i32(e + 12, "tile left");
    t.top = view.i32(e + 16, "tile top");
    t.width = view.i32(e + 20, "tile width");
    t.height = view.i32(e + 24, "tile height");
    t.depth = float(view.i32(e + 28, "tile depth"));
    t.id = view.i32(e + 32, "tile id");
    if (version != 2) {
      t.xscale = view.f32(e + 36, "tile xscale");
      t.yscale = view.f32(e + 40, "tile yscale");
      const uint32_t colour = view.u32(e + 44, "tile colour");
      t.blend = int32_t(colour & 0xFFFFFF);
      t.alpha = float(colour >> 24) * (1.0f / 255.0f);
    }
    room->tiles.push_back(t);
  }
}

}  // namespace

void Room_LoadROOM(const DataView& view, const ChunkInfo& chunk) {
  const ListView list = view.list(chunk.body, "ROOM list");
  Room_ResetTable(int32_t(list.count()));
  const bool bytecode = Bytecode();
  const int version = g_General.version;
  for (uint32_t i = 0; i < list.count(); ++i) {
    const uint32_t at = list.entry(i);
    if (at == 0) continue;
    const char* name = view.stringAt(at, "room name");
    auto* room = new CRoom();  // owned by the table from here on, also when a later read throws
    Room_SetDefinition(int32_t(i), room, name != nullptr ? name : "");
    const char* caption = view.stringAt(at + 4, "room caption");
    room->caption = caption != nullptr ? caption : "";
    room->width = view.i32(at + 8, "room width");
    room->height = view.i32(at + 12, "room height");
    room->speed = view.i32(at + 16, "room speed");
    room->persistent = view.i32(at + 20, "room persistent") != 0;
    room->colour = view.i32(at + 24, "room colour");
    room->showColour = view.i32(at + 28, "room show colour") != 0;
    const int32_t code = view.i32(at + 32, "room code");
    if (bytecode) {
      room->code = CodeFromIndex(code);
    } else {
      room->codeText = SourceAt(view, uint32_t(code), "room code text");
    }
    room->viewsEnabled = view.i32(at + 36, "room views enabled") != 0;
    ReadBackgrounds(view, view.u32(at + 40, "room backgrounds"), room);
    ReadViews(view, view.u32(at + 44, "room views"), room);
    ReadInstances(view, view.u32(at + 48, "room instances"), room, version, bytecode);
    ReadTiles(view, view.u32(at + 52, "room tiles"), room, version);
    if (version > 5) {
      room->physicsWorld = view.i32(at + 56, "room physics") != 0;
      room->gravityX = TruncateGravity(view.f32(at + 76, "room gravity x"));
      room->gravityY = TruncateGravity(view.f32(at + 80, "room gravity y"));
      room->physicsScale = view.f32(at + 84, "room physics scale");
    }
  }
}

bool Room_Prepare() {
  if (Bytecode()) return true;
  for (int32_t r = 0; r < Room_Count(); ++r) {
    CRoom* room = Room_Definition(r);
    if (room == nullptr) continue;
    const std::string name = Room_Name(r);
    if (!room->codeText.empty()) {
      CCode* code = Code_CompileText(("Room." + name).c_str(), room->codeText.c_str());
      if (code == nullptr) {
        ReportErrorF(false, "COMPILATION ERROR in room script\n%s", CompileErrorText());
        return false;
      }
      room->code.reset(code);
    }
    for (size_t i = 0; i < room->instances.size(); ++i) {
      CRoomInstance& inst = room->instances[i];
      if (inst.source.empty()) continue;
      CCode* code = Code_CompileText(("Instance." + name + "." + std::to_string(i)).c_str(), inst.source.c_str());
      if (code == nullptr) {
        ReportErrorF(false, "COMPILATION ERROR in room script\n%s", CompileErrorText());
        break;
      }
      inst.code.reset(code);
    }
  }
  return true;
}
