#include "Pack_Events.h"

#include <cctype>
#include <cstdlib>

#include "Code/Code_Constant.h"

namespace {

bool Number(const std::string& s, int& out) {
  if (s.empty()) return false;
  char* end = nullptr;
  long v = std::strtol(s.c_str(), &end, 10);
  if (*end != 0 || v < 0 || v > 255) return false;
  out = static_cast<int>(v);
  return true;
}

bool Constant(const std::string& name, int& out) {
  RValue v;
  if (!FindConstant(name.c_str(), &v) || v.IsString()) return false;
  out = static_cast<int>(v.real);
  return true;
}

bool Key(const std::string& s, int& out) {
  if (Number(s, out)) return true;
  if (s.size() == 1 && std::isalnum(static_cast<unsigned char>(s[0]))) {
    out = std::toupper(static_cast<unsigned char>(s[0]));
    return true;
  }
  return Constant(s, out);
}

bool OtherOrMouse(const std::string& s, int& out) {
  if (Number(s, out)) return true;
  for (const char* prefix : {"outside_view", "boundary_view"}) {
    const std::string p = prefix;
    int n;
    if (s.rfind(p, 0) == 0 && Number(s.substr(p.size()), n) && n < 8) {
      out = (p[0] == 'o' ? 40 : 50) + n;
      return true;
    }
  }
  return Constant("ev_" + s, out);
}

}  // namespace

bool Pack_ParseEvent(const std::string& key, const std::map<std::string, int>& objects, int& type, int& subtype,
                     std::string& displayName, std::string& problem) {
  const size_t colon = key.find(':');
  const std::string kind = key.substr(0, colon);
  const std::string arg = colon == std::string::npos ? std::string() : key.substr(colon + 1);
  subtype = 0;
  if (key == "create") {
    type = 0, displayName = "Create";
  } else if (key == "destroy") {
    type = 1, displayName = "Destroy";
  } else if (key.rfind("alarm", 0) == 0 && Number(key.substr(5), subtype) && subtype < 12) {
    type = 2, displayName = "Alarm " + std::to_string(subtype);
  } else if (key == "step") {
    type = 3, displayName = "Step";
  } else if (key == "step_begin") {
    type = 3, subtype = 1, displayName = "BeginStep";
  } else if (key == "step_end") {
    type = 3, subtype = 2, displayName = "EndStep";
  } else if (key == "draw") {
    type = 8, displayName = "Draw";
  } else if (key == "draw_gui") {
    type = 8, subtype = 64, displayName = "DrawGUI";
  } else if (kind == "collision" && colon != std::string::npos) {
    auto it = objects.find(arg);
    if (it == objects.end() && !Number(arg, subtype)) {
      problem = "event \"" + key + "\": there is no object named \"" + arg + "\"";
      return false;
    }
    if (it != objects.end()) subtype = it->second;
    type = 4, displayName = arg;
  } else if ((kind == "keyboard" || kind == "keypress" || kind == "keyrelease") && colon != std::string::npos) {
    if (!Key(arg, subtype)) {
      problem = "event \"" + key + "\": \"" + arg + "\" is not a key";
      return false;
    }
    type = kind == "keyboard" ? 5 : kind == "keypress" ? 9 : 10;
    displayName = (type == 9 ? "press " : type == 10 ? "release " : "") + arg;
  } else if ((kind == "mouse" || kind == "other") && colon != std::string::npos) {
    if (!OtherOrMouse(arg, subtype)) {
      problem = "event \"" + key + "\": \"" + arg + "\" is not a " + kind + " event";
      return false;
    }
    type = kind == "mouse" ? 6 : 7;
    displayName = arg;
  } else {
    problem = "unknown event \"" + key + "\"";
    return false;
  }
  return true;
}
