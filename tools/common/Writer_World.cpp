#include "Writer_World.h"

namespace {

using Body = DataFileWriter::Body;

// The word that names code: a code entry index, or the file offset of the source text.
void CodeWord(Body& b, const CodeRef& code, bool bytecode, bool noneIsMinusOne) {
  if (bytecode) {
    b.i32(code.index >= 0 ? code.index : (noneIsMinusOne ? -1 : 0));
  } else if (code.source.empty()) {
    b.u32(0);
  } else {
    b.stringRef(code.source);
  }
}

// An action list of one action whose record holds the code index at word 32 and the source at 60.
void ActionList(Body& b, const CodeRef& code, bool bytecode) {
  b.u32(1);
  const uint32_t slot = b.size();
  b.u32(0);
  b.refAt(slot, b.here());
  b.zeros(32);
  if (bytecode) {
    b.i32(code.index);
    b.zeros(28);
  } else {
    b.zeros(28);
    CodeWord(b, code, false, false);
  }
}

}  // namespace

void WriteScripts(DataFileWriter& writer, const std::vector<ScriptDesc>& scripts, bool bytecode) {
  Body& b = writer.chunk("SCPT");
  b.list(scripts, [&](const ScriptDesc& s) {
    b.stringRef(s.name);
    CodeWord(b, s.code, bytecode, false);
  });
}

void WritePaths(DataFileWriter& writer, const std::vector<PathDesc>& paths) {
  Body& b = writer.chunk("PATH");
  b.list(paths, [&](const PathDesc& p) {
    b.stringRef(p.name);
    b.u32(p.smooth ? 1 : 0).u32(p.closed ? 1 : 0).u32(static_cast<uint32_t>(p.precision));
    b.u32(static_cast<uint32_t>(p.points.size()));
    for (const PathPointDesc& pt : p.points) b.f32(pt.x).f32(pt.y).f32(pt.speed);
  });
}

void WriteTimelines(DataFileWriter& writer, const std::vector<TimelineDesc>& timelines, bool bytecode) {
  Body& b = writer.chunk("TMLN");
  b.list(timelines, [&](const TimelineDesc& t) {
    b.stringRef(t.name);
    b.u32(static_cast<uint32_t>(t.moments.size()));
    const uint32_t pairs = b.size();
    for (const MomentDesc& m : t.moments) b.i32(m.time).u32(0);
    for (size_t i = 0; i < t.moments.size(); ++i) {
      b.refAt(pairs + 8 * static_cast<uint32_t>(i) + 4, b.here());
      ActionList(b, t.moments[i].code, bytecode);
    }
  });
}

void WriteObjects(DataFileWriter& writer, const std::vector<ObjectDesc>& objects, bool bytecode, int version) {
  Body& b = writer.chunk("OBJT");
  b.list(objects, [&](const ObjectDesc& o) {
    b.stringRef(o.name).i32(o.sprite).i32(o.visible).i32(o.solid).i32(o.depth).i32(o.persistent);
    b.i32(o.parent).i32(o.mask);
    if (version > 5) {
      const ObjectPhysicsDesc& p = o.physics;
      b.i32(p.uses).i32(p.sensor).i32(p.shape).f32(p.density).f32(p.restitution).i32(p.group);
      b.f32(p.linearDamping).f32(p.angularDamping).u32(static_cast<uint32_t>(p.points.size()));
      for (const auto& [x, y] : p.points) b.f32(x).f32(y);
    }
    // Event part: 12 type lists, each holding the entries of that type.
    b.u32(12);
    const uint32_t types = b.size();
    b.zeros(4 * 12);
    for (int type = 0; type < 12; ++type) {
      b.refAt(types + 4 * type, b.here());
      std::vector<const EventDesc*> mine;
      for (const EventDesc& e : o.events) {
        if (e.type == type) mine.push_back(&e);
      }
      b.u32(static_cast<uint32_t>(mine.size()));
      const uint32_t entries = b.size();
      b.zeros(4 * mine.size());
      for (size_t i = 0; i < mine.size(); ++i) {
        b.refAt(entries + 4 * static_cast<uint32_t>(i), b.here());
        b.i32(mine[i]->subtype);
        ActionList(b, mine[i]->code, bytecode);
      }
    }
  });
}

void WriteRooms(DataFileWriter& writer, const std::vector<RoomDesc>& rooms, bool bytecode, int version) {
  Body& b = writer.chunk("ROOM");
  b.list(rooms, [&](const RoomDesc& r) {
    const uint32_t start = b.size();
    b.stringRef(r.name).stringRef(r.caption).i32(r.width).i32(r.height).i32(r.speed).i32(r.persistent);
    b.i32(r.colour).i32(r.showColour);
    CodeWord(b, r.code, bytecode, true);
    b.i32(r.viewsEnabled);
    const uint32_t lists = b.size();
    b.zeros(16);  // background, view, instance and tile list offsets
    if (version > 5) b.i32(r.physicsWorld).zeros(16).f32(r.gravityX).f32(r.gravityY).f32(r.physicsScale);
    (void)start;
    // Backgrounds.
    b.refAt(lists, b.here());
    b.u32(8);
    uint32_t slots = b.size();
    b.zeros(32);
    for (int i = 0; i < 8; ++i) {
      const BackgroundLayerDesc& l = r.backgrounds[i];
      b.refAt(slots + 4 * i, b.here());
      b.i32(l.visible).i32(l.foreground).i32(l.index).i32(l.x).i32(l.y).i32(l.tileX).i32(l.tileY);
      b.i32(l.hspeed).i32(l.vspeed).i32(l.stretch);
    }
    // Views.
    b.refAt(lists + 4, b.here());
    b.u32(8);
    slots = b.size();
    b.zeros(32);
    for (int i = 0; i < 8; ++i) {
      const ViewDesc& v = r.views[i];
      b.refAt(slots + 4 * i, b.here());
      b.i32(v.visible).i32(v.xview).i32(v.yview).i32(v.wview).i32(v.hview).i32(v.xport).i32(v.yport);
      b.i32(v.wport).i32(v.hport).i32(v.hborder).i32(v.vborder).i32(v.hspeed).i32(v.vspeed).i32(v.object);
    }
    // Instances.
    b.refAt(lists + 8, b.here());
    b.u32(static_cast<uint32_t>(r.instances.size()));
    slots = b.size();
    b.zeros(4 * r.instances.size());
    for (size_t i = 0; i < r.instances.size(); ++i) {
      const RoomInstanceDesc& in = r.instances[i];
      b.refAt(slots + 4 * static_cast<uint32_t>(i), b.here());
      b.i32(in.x).i32(in.y).i32(in.object).i32(in.id);
      CodeWord(b, in.code, bytecode, true);
      if (version != 2) b.f32(in.xscale).f32(in.yscale).u32(in.colour);
      if (version != 2 && version != 3) b.f32(in.rotation);
    }
    // Tiles.
    b.refAt(lists + 12, b.here());
    b.u32(static_cast<uint32_t>(r.tiles.size()));
    slots = b.size();
    b.zeros(4 * r.tiles.size());
    for (size_t i = 0; i < r.tiles.size(); ++i) {
      const TileDesc& t = r.tiles[i];
      b.refAt(slots + 4 * static_cast<uint32_t>(i), b.here());
      b.i32(t.x).i32(t.y).i32(t.background).i32(t.left).i32(t.top).i32(t.width).i32(t.height).i32(t.depth);
      b.i32(t.id);
      if (version != 2) b.f32(t.xscale).f32(t.yscale).u32(t.colour);
    }
  });
}
