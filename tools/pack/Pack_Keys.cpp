#include "Pack_Keys.h"

#include <algorithm>
#include <vector>

namespace {

// A key of a place. When `entries` names a place, the value's entries are checked against it: an
// object value itself, each object of an array value.
struct Key {
  const char* name;  // "*" accepts any key (a map such as an object's events)
  const char* entries = nullptr;
};

struct Place {
  const char* name;
  std::vector<Key> keys;
  bool fileName = false;  // a file name (a string) may stand in place of the object
};

// One list of allowed keys per place; a new key is one entry in its place's list.
const Place kPlaces[] = {
    {"game", {{"name"}, {"display_name"}, {"game_id"}, {"debug"}, {"window", "window"}, {"options"},
              {"constants"}, {"scripts", "script"}, {"objects", "object"}, {"timelines", "timeline"},
              {"rooms", "room"}, {"room_order"}, {"sprites", "sprite"}, {"backgrounds", "background"},
              {"texture_page_size"}, {"sounds", "sound"}, {"fonts", "font"}, {"paths", "path"}, {"extensions", "extension"},
              {"loading", "loading"}}},
    {"loading", {{"image"}, {"bar_back"}, {"bar_front"}}},
    {"extension", {{"name"}, {"files", "extension file"}}},
    {"extension file", {{"file"}, {"kind"}, {"init"}, {"final"}, {"functions", "extension function"}}},
    {"extension function", {{"name"}, {"external"}, {"args"}, {"result"}, {"convention"}, {"code"}, {"file"}}},
    {"window", {{"width"}, {"height"}, {"flags"}}},
    {"sound", {{"name"}, {"file"}, {"kind"}, {"volume"}, {"pan"}, {"preload"}}},
    {"code", {{"code"}}, true},
    {"script", {{"name"}, {"file"}, {"code"}}},
    {"sprite", {{"name"}, {"frames"}, {"strip", "strip"}, {"xorigin"}, {"yorigin"}, {"bbox_mode"},
                {"bbox", "bbox"}, {"precise"}, {"mask_kind"}, {"tolerance"}, {"separate_masks"},
                {"transparent"}, {"smooth"}, {"preload"}}},
    {"strip", {{"file"}, {"frames"}}},
    {"path", {{"name"}, {"points", "path point"}, {"smooth"}, {"closed"}, {"precision"}}},
    {"path point", {{"x"}, {"y"}, {"speed"}}},
    {"bbox", {{"left"}, {"top"}, {"right"}, {"bottom"}}},
    {"background", {{"name"}, {"file"}, {"transparent"}, {"smooth"}, {"preload"}}},
    {"font", {{"name"}, {"file"}, {"family"}, {"size"}, {"bold"}, {"italic"}, {"first"}, {"last"}, {"ranges"}}},
    {"object", {{"name"}, {"sprite"}, {"mask"}, {"visible"}, {"solid"}, {"persistent"}, {"depth"}, {"parent"},
                {"events", "events"}, {"physics", "object physics"}}},
    {"object physics", {{"shape"}, {"points", "physics point"}, {"density"}, {"restitution"}, {"group"},
                        {"linear_damping"}, {"angular_damping"}, {"sensor"}}},
    {"physics point", {{"x"}, {"y"}}},
    {"room physics", {{"scale"}, {"gravity_x"}, {"gravity_y"}}},
    {"events", {{"*", "code"}}},
    {"timeline", {{"name"}, {"moments", "moment"}}},
    {"moment", {{"time"}, {"code"}, {"file"}}},
    {"room", {{"name"}, {"caption"}, {"width"}, {"height"}, {"speed"}, {"persistent"}, {"colour"},
              {"show_colour"}, {"views_enabled"}, {"creation_code", "code"}, {"views", "view"},
              {"backgrounds", "room background"}, {"instances", "instance"}, {"tiles", "tile"},
              {"physics", "room physics"}}},
    {"view", {{"visible"}, {"xview"}, {"yview"}, {"wview"}, {"hview"}, {"xport"}, {"yport"}, {"wport"},
              {"hport"}, {"hborder"}, {"vborder"}, {"hspeed"}, {"vspeed"}, {"object"}}},
    {"room background", {{"visible"}, {"foreground"}, {"background"}, {"index"}, {"x"}, {"y"}, {"tile_x"}, {"tile_y"},
                         {"hspeed"}, {"vspeed"}, {"stretch"}}},
    {"instance", {{"object"}, {"x"}, {"y"}, {"id"}, {"xscale"}, {"yscale"}, {"rotation"},
                  {"creation_code", "code"}}},
    {"tile", {{"background"}, {"x"}, {"y"}, {"left"}, {"top"}, {"width"}, {"height"}, {"depth"},
              {"xscale"}, {"yscale"}, {"blend"}, {"alpha"}}},
};

const Place* FindPlace(const std::string& name) {
  for (const Place& p : kPlaces) {
    if (name == p.name) return &p;
  }
  return nullptr;
}

// Edits (insertions, deletions, substitutions) that turn `a` into `b`.
size_t Distance(const std::string& a, const std::string& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

std::string Unknown(const std::string& key, const Place& place, const std::string& path) {
  std::string message = "unknown key \"" + key + "\" " + (path.empty() ? "at the top level" : "in " + path);
  const Key* nearest = nullptr;
  size_t best = 3;  // suggest only a key within two edits
  for (const Key& k : place.keys) {
    const size_t d = Distance(key, k.name);
    if (d < best) best = d, nearest = &k;
  }
  if (nearest != nullptr) message += std::string(" (did you mean \"") + nearest->name + "\"?)";
  return message;
}

// The path of an entry: its name when it has one, else its position.
std::string EntryPath(const std::string& path, const nlohmann::ordered_json& entry, size_t index) {
  auto name = entry.find("name");
  if (name != entry.end() && name->is_string() && !name->get<std::string>().empty()) {
    return path + "[" + name->get<std::string>() + "]";
  }
  return path + "[" + std::to_string(index) + "]";
}

std::string Check(const nlohmann::ordered_json& j, const Place& place, const std::string& path) {
  if (!j.is_object()) {
    if (place.fileName && j.is_string()) return {};
    return (path.empty() ? std::string("the manifest") : path) + " must be an object" +
           (place.fileName ? " or a file name" : "");
  }
  for (auto it = j.begin(); it != j.end(); ++it) {
    const Key* key = nullptr;
    for (const Key& k : place.keys) {
      if (it.key() == k.name || std::string(k.name) == "*") {
        key = &k;
        break;
      }
    }
    if (key == nullptr) return Unknown(it.key(), place, path);
    if (key->entries == nullptr) continue;
    const Place* entries = FindPlace(key->entries);
    const std::string at = path.empty() ? it.key() : path + "." + it.key();
    std::string problem;
    if (it.value().is_array()) {
      for (size_t i = 0; i < it.value().size() && problem.empty(); ++i) {
        problem = Check(it.value()[i], *entries, EntryPath(at, it.value()[i], i));
      }
    } else {
      problem = Check(it.value(), *entries, at);
    }
    if (!problem.empty()) return problem;
  }
  return {};
}

}  // namespace

std::string Pack_CheckKeys(const nlohmann::ordered_json& manifest) { return Check(manifest, *FindPlace("game"), ""); }
