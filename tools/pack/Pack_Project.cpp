#include "Pack_Project.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "Code/Code_Compile.h"
#include "Code/Code_Constant.h"
#include "Code/Code_Error.h"
#include "Code/Code_Function.h"
#include "Code/Code_Opcodes.h"
#include "Code/Code_Parser.h"
#include "Code/Code_Scanner.h"
#include "Extension/Extension_Main.h"
#include "Pack_Events.h"
#include "Pack_Extensions.h"
#include "Pack_Images.h"
#include "Pack_Keys.h"
#include "Pack_Sounds.h"
#include "Physics/Physics_Fixture.h"
#include "Platform/Platform_Console.h"
#include "Variable/Variable_BuiltIn.h"
#include "Variable/Variable_Global.h"
#include "Variable/Variable_Names.h"
#include "Writer_Code.h"
#include "Writer_Extension.h"
#include "Writer_Settings.h"
#include "Writer_World.h"

// Objects keep the order they are written in: constants are defined in that order, so a constant
// may name an earlier one.
using json = nlohmann::ordered_json;

namespace {

struct PackError {
  std::string message;
};

[[noreturn]] void Fail(const std::string& file, const std::string& what) { throw PackError{file + ": " + what}; }

bool ReadText(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  text = s.str();
  return true;
}

// Line and column (from 1) of a byte position in a text.
std::string LineColumn(const std::string& text, size_t pos) {
  size_t line = 1, column = 1;
  for (size_t i = 0; i < pos && i < text.size(); ++i) {
    if (text[i] == '\n') {
      ++line;
      column = 1;
    } else if (text[i] != '\r') {
      ++column;
    }
  }
  return std::to_string(line) + ":" + std::to_string(column);
}

// The names of the project's resources, by kind; the compiler resolves bare names through them.
struct NameTable {
  std::map<std::string, int> byName;
  std::vector<std::string> names;
  int Find(const std::string& n) const {
    auto it = byName.find(n);
    return it == byName.end() ? -1 : it->second;
  }
  void Add(const std::string& n, const std::string& file) {
    if (byName.count(n)) Fail(file, "the name \"" + n + "\" is used twice");
    byName[n] = static_cast<int>(names.size());
    names.push_back(n);
  }
};

NameTable g_objects, g_scripts, g_rooms, g_timelines, g_paths;

int FindObject(const char* n) { return g_objects.Find(n); }
int FindScript(const char* n) { return g_scripts.Find(n); }
int FindRoom(const char* n) { return g_rooms.Find(n); }
int FindTimeline(const char* n) { return g_timelines.Find(n); }
int FindPath(const char* n) { return g_paths.Find(n); }
const char* ScriptName(int i) {
  return i >= 0 && i < static_cast<int>(g_scripts.names.size()) ? g_scripts.names[i].c_str() : nullptr;
}

std::string g_constantMessage;

// Warnings do not stop the build; they go to the error stream as they are found.
void Warn(const std::string& where, const std::string& what) {
  std::fprintf(stderr, "%s: warning: %s\n", where.c_str(), what.c_str());
}

class Builder {
 public:
  Builder(const std::string& folder, const PackOptions& options)
      : m_folder(folder), m_manifestFile(folder + "/game.json"), m_options(options), m_images(folder, m_manifestFile), m_sounds(folder, m_manifestFile) {}

  std::vector<uint8_t> Build();
  // The debug side file of the last build (empty for source games).
  std::vector<uint8_t> DebugFile();

 private:
  json Manifest();
  template <class T>
  T Get(const json& j, const char* key, T fallback, const std::string& where);
  const json& Array(const json& j, const char* key);
  void ReadNames(const json& m);
  void ReadSettings(const json& m, GeneralDesc& general, OptionsDesc& options);
  void DefineGameConstants(const OptionsDesc& options);
  // The code of a manifest value: a file name (relative to the project) or {"code": text}.
  CodeRef Code(const json& value, const std::string& unitName, const std::string& where);
  void ReadScripts(const json& m);
  void ReadObjects(const json& m);
  void ReadRooms(const json& m, GeneralDesc& general);
  void ReadObjectPhysics(const json& p, ObjectPhysicsDesc& out, const std::string& where);
  void ReadRoomPhysics(const json& p, RoomDesc& out, const std::string& where);
  void ReadTimelines(const json& m);
  void ReadPaths(const json& m);
  int Resolve(const NameTable& table, const json& v, const char* kind, const std::string& where);

  std::string m_folder;
  std::string m_manifestFile;
  PackOptions m_options;
  std::vector<CodeEntryDesc> m_code;
  std::vector<ScriptDesc> m_scripts;
  std::vector<ObjectDesc> m_objects;
  std::vector<RoomDesc> m_rooms;
  std::vector<TimelineDesc> m_timelines;
  std::vector<PathDesc> m_paths;
  PackImages m_images;
  PackSounds m_sounds;
};

json Builder::Manifest() {
  std::string text;
  if (!ReadText(m_manifestFile, text)) Fail(m_manifestFile, "cannot be read");
  try {
    json m = json::parse(text);
    if (!m.is_object()) Fail(m_manifestFile, "the manifest must be a JSON object");
    return m;
  } catch (const json::parse_error& e) {
    std::string what = e.what();
    size_t cut = what.find("syntax error");
    throw PackError{m_manifestFile + ":" + LineColumn(text, e.byte > 0 ? e.byte - 1 : 0) + ": " +
                    (cut == std::string::npos ? what : what.substr(cut))};
  }
}

template <class T>
T Builder::Get(const json& j, const char* key, T fallback, const std::string& where) {
  if (!j.is_object() || !j.contains(key)) return fallback;
  try {
    return j.at(key).get<T>();
  } catch (const json::exception&) {
    Fail(m_manifestFile, where + ": \"" + key + "\" has the wrong kind of value");
  }
}

const json& Builder::Array(const json& j, const char* key) {
  static const json empty = json::array();
  if (!j.contains(key)) return empty;
  const json& a = j.at(key);
  if (!a.is_array()) Fail(m_manifestFile, std::string("\"") + key + "\" must be an array");
  return a;
}

int Builder::Resolve(const NameTable& table, const json& v, const char* kind, const std::string& where) {
  if (v.is_null()) return -1;
  if (v.is_number_integer()) return v.get<int>();
  if (!v.is_string()) Fail(m_manifestFile, where + ": a " + kind + " is named by a string");
  const int i = table.Find(v.get<std::string>());
  if (i < 0) Fail(m_manifestFile, where + ": there is no " + kind + " named \"" + v.get<std::string>() + "\"");
  return i;
}

void Builder::ReadNames(const json& m) {
  for (const json& s : Array(m, "scripts")) g_scripts.Add(Get<std::string>(s, "name", "", "script"), m_manifestFile);
  for (const json& o : Array(m, "objects")) g_objects.Add(Get<std::string>(o, "name", "", "object"), m_manifestFile);
  for (const json& r : Array(m, "rooms")) g_rooms.Add(Get<std::string>(r, "name", "", "room"), m_manifestFile);
  for (const json& t : Array(m, "timelines")) {
    g_timelines.Add(Get<std::string>(t, "name", "", "timeline"), m_manifestFile);
  }
  for (const json& p : Array(m, "paths")) g_paths.Add(Get<std::string>(p, "name", "", "path"), m_manifestFile);
  m_images.ReadNames(m);
  m_sounds.ReadNames(m);
}

uint32_t OptionValue(const json& v, const std::string& key, const std::string& file) {
  if (v.is_boolean()) return v.get<bool>() ? 1 : 0;
  if (v.is_number_integer()) return static_cast<uint32_t>(v.get<int64_t>());
  Fail(file, "option \"" + key + "\" must be true, false or an integer");
}

void Builder::ReadSettings(const json& m, GeneralDesc& general, OptionsDesc& options) {
  general.name = Get<std::string>(m, "name", "game", "game");
  general.displayName = Get<std::string>(m, "display_name", general.name, "game");
  general.gameId = Get<int32_t>(m, "game_id", 0, "game");
  general.flags = Get<bool>(m, "debug", false, "game") ? 0 : 1;
  if (m.contains("window")) {
    const json& w = m.at("window");
    general.windowWidth = Get<int32_t>(w, "width", 640, "window");
    general.windowHeight = Get<int32_t>(w, "height", 480, "window");
    general.windowFlags = Get<uint32_t>(w, "flags", 2, "window");
  }
  if (m.contains("options")) {
    const json& o = m.at("options");
    if (!o.is_object()) Fail(m_manifestFile, "\"options\" must be an object");
    for (auto it = o.begin(); it != o.end(); ++it) {
      bool known = false;
      for (const OptionName& n : OptionNames()) {
        if (it.key() == n.name) {
          options.set(n.offset, OptionValue(it.value(), it.key(), m_manifestFile));
          known = true;
        }
      }
      if (!known) Fail(m_manifestFile, "unknown option \"" + it.key() + "\"");
    }
  }
  if (m.contains("constants")) {
    const json& c = m.at("constants");
    if (!c.is_object()) Fail(m_manifestFile, "\"constants\" must be an object");
    for (auto it = c.begin(); it != c.end(); ++it) {
      const json& v = it.value();
      std::string text;
      if (v.is_string()) {
        text = v.get<std::string>();
      } else if (v.is_number()) {
        text = v.dump();
      } else {
        Fail(m_manifestFile, "constant \"" + it.key() + "\" must be a number or an expression text");
      }
      options.constants.emplace_back(it.key(), text);
    }
  }
}

// What went wrong with the value of a game constant, with its position in the value text.
struct ConstantProblem {
  std::string codeName;  // "Constant.<index>"
  std::string message;
  int position = -1;     // -1: no position (a runtime error)
};
ConstantProblem g_constantProblem;

// The first name in `text` that is neither a resource, a constant nor a built-in variable; the
// position of its token, or -1.
int FirstUnknownName(const std::string& text, std::string& name) {
  std::vector<Compiler::Token> tokens;
  Compiler::CompileProblem problem;
  Compiler::ClassifyStore store;
  Compiler::CompileHooks hooks = Code_RunnerCompileHooks();
  hooks.variableId = [](const std::string& n) { return Variable_FindName(n.c_str()); };
  if (!Compiler::Scan(text, tokens, problem) || !Compiler::Classify(tokens, hooks, store, problem)) return -1;
  for (const Compiler::Token& t : tokens) {
    if (t.kind == Compiler::TokenKind::Variable && !VariableIdIsBuiltIn(t.id)) {
      name.assign(t.text);
      return t.position;
    }
  }
  return -1;
}

// The builder's evaluator of game constants: the runner's, after a compile and a check of the
// names that say where the value went wrong. At build time a name in a value can only be a
// resource, an earlier constant or a built-in variable.
bool EvaluateConstant(const char* codeName, const char* text, RValue* out) {
  g_constantProblem = ConstantProblem{codeName, "", -1};
  Compiler::CompileResult r = Compiler::Compile(text, Code_RunnerCompileHooks(), Compiler::CompileAs::Expression);
  if (!r.ok) {
    g_constantProblem.message = r.problem.message;
    g_constantProblem.position = r.problem.position;
    return false;
  }
  std::string name;
  const int unknown = FirstUnknownName(text, name);
  if (unknown >= 0) {
    g_constantProblem.message = "\"" + name + "\" is not the name of a resource or of an earlier constant";
    g_constantProblem.position = unknown;
    return false;
  }
  return Code_EvaluateConstantExpression(codeName, text, out);
}

void Builder::DefineGameConstants(const OptionsDesc& options) {
  std::vector<CGameConstant> constants;
  for (const auto& [name, value] : options.constants) constants.push_back({name.c_str(), value.c_str()});
  g_constantMessage.clear();
  g_constantProblem = ConstantProblem{};
  SetConstantMessageHook([](const char* message) { g_constantMessage = message; });
  SetConstantEvaluateHook(EvaluateConstant);
  const bool ok = DefineConstants(constants.data(), static_cast<int>(constants.size()));
  SetConstantEvaluateHook(Code_EvaluateConstantExpression);
  if (ok) return;
  int index = -1;
  if (g_constantProblem.position >= 0 && std::sscanf(g_constantProblem.codeName.c_str(), "Constant.%d", &index) == 1 &&
      index >= 0 && static_cast<size_t>(index) < options.constants.size()) {
    const auto& [name, text] = options.constants[static_cast<size_t>(index)];
    throw PackError{m_manifestFile + " (constant " + name + "):" +
                    LineColumn(text, static_cast<size_t>(g_constantProblem.position)) + ": " + g_constantProblem.message};
  }
  std::string message = g_constantMessage.empty() ? "a constant is not valid" : g_constantMessage;
  if (*Code_ConstantRunError() != '\0') message += " (" + std::string(Code_ConstantRunError()) + ")";
  Fail(m_manifestFile, message);
}

CodeRef Builder::Code(const json& value, const std::string& unitName, const std::string& where) {
  std::string file, text;
  if (value.is_string()) {
    file = m_folder + "/" + value.get<std::string>();
    if (!ReadText(file, text)) Fail(m_manifestFile, where + ": cannot read " + value.get<std::string>());
  } else if (value.is_object() && value.contains("code") && value.at("code").is_string()) {
    file = m_manifestFile + " (" + where + ")";
    text = value.at("code").get<std::string>();
  } else {
    Fail(m_manifestFile, where + ": code is a file name or {\"code\": text}");
  }
  ClearCompileFailure();
  Compiler::CompileResult r = Compiler::Compile(text, Code_RunnerCompileHooks());
  if (!r.ok) {
    throw PackError{file + ":" + LineColumn(text, static_cast<size_t>(r.problem.position)) + ": " +
                    r.problem.message};
  }
  if (r.unclosedComment >= 0) {
    Warn(file + ":" + LineColumn(text, static_cast<size_t>(r.unclosedComment)),
         "this /* comment is not closed: it runs to the end of the code");
  }
  CodeRef ref;
  if (m_options.source) {
    ref.source = text.empty() ? std::string(" ") : text;  // an empty source would read as no code
  } else {
    ref.index = static_cast<int32_t>(m_code.size());
    m_code.push_back(CodeEntryDesc{unitName, std::move(r.code), text});
  }
  return ref;
}

void Builder::ReadScripts(const json& m) {
  for (const json& s : Array(m, "scripts")) {
    ScriptDesc item;
    item.name = Get<std::string>(s, "name", "", "script");
    if (FindBuiltinFunction(item.name.c_str()) >= 0) {
      Warn(m_manifestFile, "script " + item.name + " hides the built-in function " + item.name +
                               ": calls of " + item.name + "() run the script");
    }
    if (!s.contains("file") && !s.contains("code")) Fail(m_manifestFile, "script " + item.name + " has no code");
    item.code = Code(s.contains("file") ? s.at("file") : json{{"code", s.at("code")}}, item.name, "script " + item.name);
    m_scripts.push_back(std::move(item));
  }
}

void Builder::ReadObjects(const json& m) {
  for (const json& o : Array(m, "objects")) {
    ObjectDesc item;
    item.name = Get<std::string>(o, "name", "", "object");
    const std::string where = "object " + item.name;
    m_images.ReadObject(o, item, where);
    item.visible = Get<bool>(o, "visible", true, where);
    item.solid = Get<bool>(o, "solid", false, where);
    item.persistent = Get<bool>(o, "persistent", false, where);
    item.depth = Get<int32_t>(o, "depth", 0, where);
    item.parent = o.contains("parent") ? Resolve(g_objects, o.at("parent"), "object", where) : -1;
    if (o.contains("events")) {
      const json& ev = o.at("events");
      if (!ev.is_object()) Fail(m_manifestFile, where + ": \"events\" must be an object");
      for (auto it = ev.begin(); it != ev.end(); ++it) {
        EventDesc e;
        std::string eventName, problem;
        if (!Pack_ParseEvent(it.key(), g_objects.byName, e.type, e.subtype, eventName, problem)) {
          Fail(m_manifestFile, where + ": " + problem);
        }
        e.code = Code(it.value(), "Object." + item.name + "." + eventName + "." + std::to_string(e.subtype),
                      where + " event " + it.key());
        item.events.push_back(std::move(e));
      }
    }
    if (o.contains("physics")) ReadObjectPhysics(o.at("physics"), item.physics, where);
    m_objects.push_back(std::move(item));
  }
}

void Builder::ReadObjectPhysics(const json& p, ObjectPhysicsDesc& out, const std::string& where) {
  const std::string pw = where + " physics";
  if (!p.is_object()) Fail(m_manifestFile, pw + " must be an object");
  out.uses = true;
  const std::string shape = Get<std::string>(p, "shape", "box", pw);
  if (shape == "circle") {
    out.shape = 0;
  } else if (shape == "box") {
    out.shape = 1;
  } else if (shape == "polygon") {
    out.shape = 2;
  } else {
    Fail(m_manifestFile, pw + ": \"shape\" must be circle, box or polygon");
  }
  out.density = Get<float>(p, "density", 0.5f, pw);
  out.restitution = Get<float>(p, "restitution", 0.1f, pw);
  out.group = Get<int32_t>(p, "group", 0, pw);
  out.linearDamping = Get<float>(p, "linear_damping", 0.1f, pw);
  out.angularDamping = Get<float>(p, "angular_damping", 0.1f, pw);
  out.sensor = Get<bool>(p, "sensor", false, pw);
  std::vector<b2Vec2> points;
  for (const json& pt : Array(p, "points")) {
    const float x = Get<float>(pt, "x", 0, pw), y = Get<float>(pt, "y", 0, pw);
    points.push_back(b2Vec2(x, y));
    out.points.emplace_back(x, y);
  }
  for (float v : {out.density, out.restitution, out.linearDamping, out.angularDamping}) {
    if (!std::isfinite(v)) Fail(m_manifestFile, pw + ": the numbers must be finite");
  }
  if (out.shape == 0) {
    if (points.size() != 2) Fail(m_manifestFile, pw + ": a circle takes two points, the centre and (radius, 0)");
    if (!(out.points[1].first > 0)) Fail(m_manifestFile, pw + ": the circle radius must be above 0");
  } else {
    const std::string problem = Physics_CheckPolygon(points, 1.0f);
    if (!problem.empty()) Fail(m_manifestFile, pw + ": " + problem);
  }
}

void Builder::ReadRoomPhysics(const json& p, RoomDesc& out, const std::string& where) {
  const std::string pw = where + " physics";
  if (!p.is_object()) Fail(m_manifestFile, pw + " must be an object");
  out.physicsWorld = true;
  out.physicsScale = Get<float>(p, "scale", 0.1f, pw);
  out.gravityX = Get<float>(p, "gravity_x", 0, pw);
  out.gravityY = Get<float>(p, "gravity_y", 10, pw);
  if (!std::isfinite(out.physicsScale) || out.physicsScale <= 0) Fail(m_manifestFile, pw + ": \"scale\" must be above 0");
  if (!std::isfinite(out.gravityX) || !std::isfinite(out.gravityY)) Fail(m_manifestFile, pw + ": the gravity must be finite");
}

void Builder::ReadTimelines(const json& m) {
  for (const json& t : Array(m, "timelines")) {
    TimelineDesc item;
    item.name = Get<std::string>(t, "name", "", "timeline");
    for (const json& mo : Array(t, "moments")) {
      MomentDesc moment;
      moment.time = Get<int32_t>(mo, "time", 0, "timeline " + item.name);
      if (!item.moments.empty() && moment.time <= item.moments.back().time) {
        Fail(m_manifestFile, "timeline " + item.name + ": moments must be in ascending time");
      }
      const json code = mo.contains("file") ? mo.at("file") : json{{"code", Get<std::string>(mo, "code", "", "moment")}};
      moment.code = Code(code, "Timeline." + item.name + "." + std::to_string(moment.time),
                         "timeline " + item.name + " moment " + std::to_string(moment.time));
      item.moments.push_back(std::move(moment));
    }
    m_timelines.push_back(std::move(item));
  }
}

void Builder::ReadPaths(const json& m) {
  for (const json& p : Array(m, "paths")) {
    PathDesc item;
    item.name = Get<std::string>(p, "name", "", "path");
    const std::string where = "path " + item.name;
    item.smooth = Get<bool>(p, "smooth", false, where);
    item.closed = Get<bool>(p, "closed", true, where);
    item.precision = Get<int32_t>(p, "precision", 4, where);
    if (item.precision < 0 || item.precision > 8) Fail(m_manifestFile, where + ": \"precision\" must be 0 to 8");
    for (const json& pt : Array(p, "points")) {
      PathPointDesc point;
      point.x = Get<float>(pt, "x", 0, where);
      point.y = Get<float>(pt, "y", 0, where);
      point.speed = Get<float>(pt, "speed", 100, where);
      if (!std::isfinite(point.x) || !std::isfinite(point.y) || !std::isfinite(point.speed)) {
        Fail(m_manifestFile, where + ": a point's x, y and speed must be finite numbers");
      }
      item.points.push_back(point);
    }
    m_paths.push_back(std::move(item));
  }
}

void Builder::ReadRooms(const json& m, GeneralDesc& general) {
  int32_t nextId = general.lastInstanceId;
  int32_t nextTile = general.lastTileId;
  for (const json& r : Array(m, "rooms")) {
    RoomDesc item;
    item.name = Get<std::string>(r, "name", "", "room");
    const std::string where = "room " + item.name;
    item.caption = Get<std::string>(r, "caption", "", where);
    item.width = Get<int32_t>(r, "width", 640, where);
    item.height = Get<int32_t>(r, "height", 480, where);
    item.speed = Get<int32_t>(r, "speed", 30, where);
    item.persistent = Get<bool>(r, "persistent", false, where);
    item.colour = Get<int32_t>(r, "colour", 0xC0C0C0, where);
    item.showColour = Get<bool>(r, "show_colour", true, where);
    item.viewsEnabled = Get<bool>(r, "views_enabled", false, where);
    if (r.contains("physics")) ReadRoomPhysics(r.at("physics"), item, where);
    if (r.contains("creation_code")) item.code = Code(r.at("creation_code"), "Room." + item.name, where + " creation code");
    const json& views = Array(r, "views");
    if (views.size() > 8) Fail(m_manifestFile, where + ": a room has at most 8 views");
    for (size_t i = 0; i < views.size(); ++i) {
      const json& v = views[i];
      ViewDesc& s = item.views[i];
      const std::string vw = where + " view " + std::to_string(i);
      s.visible = Get<bool>(v, "visible", true, vw);
      s.xview = Get<int32_t>(v, "xview", 0, vw);
      s.yview = Get<int32_t>(v, "yview", 0, vw);
      s.wview = Get<int32_t>(v, "wview", 640, vw);
      s.hview = Get<int32_t>(v, "hview", 480, vw);
      s.xport = Get<int32_t>(v, "xport", 0, vw);
      s.yport = Get<int32_t>(v, "yport", 0, vw);
      s.wport = Get<int32_t>(v, "wport", s.wview, vw);
      s.hport = Get<int32_t>(v, "hport", s.hview, vw);
      s.hborder = Get<int32_t>(v, "hborder", 32, vw);
      s.vborder = Get<int32_t>(v, "vborder", 32, vw);
      s.hspeed = Get<int32_t>(v, "hspeed", -1, vw);
      s.vspeed = Get<int32_t>(v, "vspeed", -1, vw);
      s.object = v.contains("object") ? Resolve(g_objects, v.at("object"), "object", vw) : -1;
    }
    const json& backgrounds = Array(r, "backgrounds");
    if (backgrounds.size() > 8) Fail(m_manifestFile, where + ": a room has at most 8 backgrounds");
    for (size_t i = 0; i < backgrounds.size(); ++i) {
      const json& b = backgrounds[i];
      BackgroundLayerDesc& s = item.backgrounds[i];
      const std::string bw = where + " background " + std::to_string(i);
      s.visible = Get<bool>(b, "visible", true, bw);
      s.foreground = Get<bool>(b, "foreground", false, bw);
      m_images.ReadLayer(b, s, bw);
      s.x = Get<int32_t>(b, "x", 0, bw);
      s.y = Get<int32_t>(b, "y", 0, bw);
      s.tileX = Get<bool>(b, "tile_x", true, bw);
      s.tileY = Get<bool>(b, "tile_y", true, bw);
      s.hspeed = Get<int32_t>(b, "hspeed", 0, bw);
      s.vspeed = Get<int32_t>(b, "vspeed", 0, bw);
      s.stretch = Get<bool>(b, "stretch", false, bw);
    }
    const json& instances = Array(r, "instances");
    for (size_t i = 0; i < instances.size(); ++i) {
      const json& in = instances[i];
      RoomInstanceDesc s;
      const std::string iw = where + " instance " + std::to_string(i);
      if (!in.contains("object")) Fail(m_manifestFile, iw + ": an instance names its object");
      s.object = Resolve(g_objects, in.at("object"), "object", iw);
      s.x = Get<int32_t>(in, "x", 0, iw);
      s.y = Get<int32_t>(in, "y", 0, iw);
      s.id = Get<int32_t>(in, "id", nextId + 1, iw);
      if (s.id <= 100000) Fail(m_manifestFile, iw + ": instance ids are above 100000");
      nextId = std::max(nextId, s.id);
      s.xscale = Get<float>(in, "xscale", 1.0f, iw);
      s.yscale = Get<float>(in, "yscale", 1.0f, iw);
      s.rotation = Get<float>(in, "rotation", 0.0f, iw);
      if (in.contains("creation_code")) {
        s.code = Code(in.at("creation_code"), "Instance." + item.name + "." + std::to_string(i), iw + " creation code");
      }
      item.instances.push_back(std::move(s));
    }
    for (const json& t : Array(r, "tiles")) {
      TileDesc s;
      const std::string tw = where + " tile";
      m_images.ReadTile(t, s, tw);
      s.id = ++nextTile;
      item.tiles.push_back(s);
    }
    m_rooms.push_back(std::move(item));
  }
  general.lastInstanceId = nextId;
  general.lastTileId = nextTile;
  if (m.contains("room_order")) {
    for (const json& name : Array(m, "room_order")) general.roomOrder.push_back(Resolve(g_rooms, name, "room", "room_order"));
  } else {
    for (size_t i = 0; i < m_rooms.size(); ++i) general.roomOrder.push_back(static_cast<int32_t>(i));
  }
}

// A plain name that code anywhere in the game declares with globalvar is a global variable in all
// code. A game that carries source text learns this as the runner compiles it; bytecode carries no
// declarations, so the builder writes such names with the global selector, where the flag would
// route them.
void PlainGlobalVarsToGlobalSelector(std::vector<CodeEntryDesc>& entries) {
  constexpr uint32_t kPlainName = static_cast<uint16_t>(Compiler::kSelectorPlainName);
  constexpr uint32_t kGlobal = static_cast<uint16_t>(Compiler::kSelectorGlobal);
  for (CodeEntryDesc& entry : entries) {
    std::vector<uint8_t>& bytes = entry.code.bytes;
    for (const Compiler::SymbolUse& use : entry.code.variables) {
      if (!Variable_IsGlobalVar(use.id)) continue;
      for (uint32_t at : use.offsets) {
        if (at + 8 > bytes.size()) continue;
        uint32_t word = 0, reference = 0;
        std::memcpy(&word, &bytes[at], 4);
        std::memcpy(&reference, &bytes[at + 4], 4);
        const bool immediateSelector = (reference & VM::kRefImmediateSel) != 0 && (reference & VM::kRefInstanceBias) == 0;
        if (!immediateSelector || (word & 0xFFFFu) != kPlainName) continue;
        word = (word & 0xFFFF0000u) | kGlobal;
        std::memcpy(&bytes[at], &word, 4);
      }
    }
  }
}

std::vector<uint8_t> Builder::Build() {
  const json m = Manifest();
  const std::string unknownKey = Pack_CheckKeys(m);
  if (!unknownKey.empty()) Fail(m_manifestFile, unknownKey);
  g_objects = g_scripts = g_rooms = g_timelines = g_paths = NameTable{};
  ReadNames(m);
  GeneralDesc general;
  OptionsDesc options;
  ReadSettings(m, general, options);

  // The compiler resolves names as the runner will: scripts, then built-in functions; resources,
  // then constants.
  RegisterAllFunctions();
  Variable_InitBuiltIns();  // built-in variable names compile as built-ins, as in the runner
  Variable_PrepareGlobals();  // globalvar declarations are gathered while compiling
  CFunctionHooks fh;
  fh.findScript = FindScript;
  fh.scriptName = ScriptName;
  SetFunctionHooks(fh);
  // Extension functions compile to their ids, as the runner links them.
  const std::vector<CExtensionPackage> extensions = Pack_ReadExtensions(m, m_folder);
  Extension_SetPackages(extensions);
  Extension_InstallLookups();
  SetResourceFindHook(ResourceKind::Object, FindObject);
  SetResourceFindHook(ResourceKind::Script, FindScript);
  SetResourceFindHook(ResourceKind::Room, FindRoom);
  SetResourceFindHook(ResourceKind::Sprite, PackImages::FindSprite);
  SetResourceFindHook(ResourceKind::Background, PackImages::FindBackground);
  SetResourceFindHook(ResourceKind::Font, PackImages::FindFont);
  SetResourceFindHook(ResourceKind::Timeline, FindTimeline);
  SetResourceFindHook(ResourceKind::Path, FindPath);
  SetResourceFindHook(ResourceKind::Sound, PackSounds::FindSound);
  Code_InstallCompiler();
  DefineGameConstants(options);

  m_images.Read(m);
  options.loadingRecord = m_images.LoadingRecord(m);
  m_sounds.Read(m);
  ReadScripts(m);
  ReadTimelines(m);
  ReadPaths(m);
  ReadObjects(m);
  ReadRooms(m, general);

  const bool bytecode = !m_options.source;
  DataFileWriter writer;
  WriteGeneral(writer, general);
  WriteOptions(writer, options);
  if (!extensions.empty()) WriteExtensions(writer, extensions);
  m_images.Write(writer);
  WritePaths(writer, m_paths);
  m_sounds.Write(writer);
  WriteScripts(writer, m_scripts, bytecode);
  WriteTimelines(writer, m_timelines, bytecode);
  WriteObjects(writer, m_objects, bytecode, general.version);
  WriteRooms(writer, m_rooms, bytecode, general.version);
  writer.chunk("DAFL").u32(0);
  if (bytecode) {
    PlainGlobalVarsToGlobalSelector(m_code);
    WriteCode(writer, m_code);
  }
  writer.stringTable();
  return writer.finish();
}

std::vector<uint8_t> Builder::DebugFile() {
  if (m_options.source || m_code.empty()) return {};
  DataFileWriter writer;
  WriteDebugInfo(writer, m_code);
  return writer.finish();
}

}  // namespace

bool Pack_BuildProject(const std::string& folder, const PackOptions& options, std::vector<uint8_t>& out,
                       std::vector<uint8_t>& debug, std::string& error) {
  Console::SetMuted(true);  // the registry and the constants speak on the console; the builder does not
  try {
    Builder builder(folder, options);
    out = builder.Build();
    debug = builder.DebugFile();
    Console::SetMuted(false);
    return true;
  } catch (const PackError& e) {
    error = e.message;
  } catch (const PackFailure& e) {
    error = e.what();
  } catch (const std::exception& e) {
    error = folder + ": " + e.what();
  }
  Console::SetMuted(false);
  return false;
}

std::string Pack_DebugFilePath(const std::string& dataFile) {
  const size_t dot = dataFile.find_last_of('.');
  const size_t slash = dataFile.find_last_of('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return dataFile + ".brindledebug";
  return dataFile.substr(0, dot) + ".brindledebug";
}
