// Writing the world's chunks: scripts (SCPT), timelines (TMLN), objects (OBJT) and rooms (ROOM).
// Code is referred to either by code entry index (games that carry bytecode) or by its source text
// (games that carry source).
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "DataFileWriter.h"

// A piece of code as a data file refers to it.
struct CodeRef {
  int32_t index = -1;   // code entry index, -1 for none (bytecode games)
  std::string source;   // source text (source games); empty for none
  bool present() const { return index >= 0 || !source.empty(); }
};

struct ScriptDesc {
  std::string name;
  CodeRef code;
};

struct MomentDesc {
  int32_t time = 0;
  CodeRef code;
};

struct TimelineDesc {
  std::string name;
  std::vector<MomentDesc> moments;
};

struct EventDesc {
  int32_t type = 0;
  int32_t subtype = 0;
  CodeRef code;
};

// An object's physics block (written for version bytes above 5).
struct ObjectPhysicsDesc {
  bool uses = false;
  bool sensor = false;
  int32_t shape = 1;  // 0 circle, 1 box, 2 polygon (both from the points)
  float density = 0.5f, restitution = 0.1f;
  int32_t group = 0;
  float linearDamping = 0.1f, angularDamping = 0.1f;
  std::vector<std::pair<float, float>> points;
};

struct ObjectDesc {
  std::string name;
  int32_t sprite = -1;
  bool visible = true;
  bool solid = false;
  int32_t depth = 0;
  bool persistent = false;
  int32_t parent = -1;
  int32_t mask = -1;
  std::vector<EventDesc> events;
  ObjectPhysicsDesc physics;
};

struct BackgroundLayerDesc {
  bool visible = false, foreground = false;
  int32_t index = -1, x = 0, y = 0;
  bool tileX = true, tileY = true;
  int32_t hspeed = 0, vspeed = 0;
  bool stretch = false;
};

struct ViewDesc {
  bool visible = false;
  int32_t xview = 0, yview = 0, wview = 640, hview = 480;
  int32_t xport = 0, yport = 0, wport = 640, hport = 480;
  int32_t hborder = 32, vborder = 32, hspeed = -1, vspeed = -1;
  int32_t object = -1;
};

struct RoomInstanceDesc {
  int32_t x = 0, y = 0, object = 0, id = 0;
  CodeRef code;
  float xscale = 1, yscale = 1;
  uint32_t colour = 0xFFFFFFFFu;  // low 24 bits blend, top byte alpha
  float rotation = 0;
};

struct TileDesc {
  int32_t x = 0, y = 0, background = 0, left = 0, top = 0, width = 0, height = 0, depth = 0, id = 0;
  float xscale = 1, yscale = 1;
  uint32_t colour = 0xFFFFFFFFu;
};

struct RoomDesc {
  std::string name;
  std::string caption;
  int32_t width = 640, height = 480, speed = 30;
  bool persistent = false;
  int32_t colour = 0xC0C0C0;
  bool showColour = true;
  CodeRef code;
  bool viewsEnabled = false;
  BackgroundLayerDesc backgrounds[8];
  ViewDesc views[8];
  std::vector<RoomInstanceDesc> instances;
  std::vector<TileDesc> tiles;
  bool physicsWorld = false;
  float gravityX = 0, gravityY = 10, physicsScale = 0.1f;
};

// `version` is the general chunk's version byte (it decides the record layouts).
void WriteScripts(DataFileWriter& writer, const std::vector<ScriptDesc>& scripts, bool bytecode);
struct PathPointDesc {
  float x = 0, y = 0, speed = 100;
};

struct PathDesc {
  std::string name;
  bool smooth = false;
  bool closed = true;
  int32_t precision = 4;
  std::vector<PathPointDesc> points;
};

// PATH: name, kind (1 smooth), closed, precision and the points (x, y, speed as floats).
void WritePaths(DataFileWriter& writer, const std::vector<PathDesc>& paths);
void WriteTimelines(DataFileWriter& writer, const std::vector<TimelineDesc>& timelines, bool bytecode);
void WriteObjects(DataFileWriter& writer, const std::vector<ObjectDesc>& objects, bool bytecode, int version);
void WriteRooms(DataFileWriter& writer, const std::vector<RoomDesc>& rooms, bool bytecode, int version);
