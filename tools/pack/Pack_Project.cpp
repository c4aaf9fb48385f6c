#include "Pack_Project.h"

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "Writer_Settings.h"

using nlohmann::json;

namespace {

struct PackError {
  std::string message;
};

bool ReadText(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  text = s.str();
  return true;
}

// Line and column (from 1) of a byte position in a text.
void LineColumn(const std::string& text, size_t pos, size_t& line, size_t& column) {
  line = 1;
  column = 1;
  for (size_t i = 0; i < pos && i < text.size(); ++i) {
    if (text[i] == '\n') {
      ++line;
      column = 1;
    } else {
      ++column;
    }
  }
}

[[noreturn]] void Fail(const std::string& file, const std::string& what) { throw PackError{file + ": " + what}; }

template <class T>
T Get(const json& j, const char* key, T fallback, const std::string& file) {
  if (!j.contains(key)) return fallback;
  try {
    return j.at(key).get<T>();
  } catch (const json::exception&) {
    Fail(file, std::string("\"") + key + "\" has the wrong kind of value");
  }
}

uint32_t OptionValue(const json& v, const std::string& key, const std::string& file) {
  if (v.is_boolean()) return v.get<bool>() ? 1 : 0;
  if (v.is_number_integer()) return static_cast<uint32_t>(v.get<int64_t>());
  Fail(file, "option \"" + key + "\" must be true, false or an integer");
}

void ReadOptions(const json& manifest, OptionsSpec& options, const std::string& file) {
  if (manifest.contains("options")) {
    const json& o = manifest.at("options");
    if (!o.is_object()) Fail(file, "\"options\" must be an object");
    for (auto it = o.begin(); it != o.end(); ++it) {
      bool known = false;
      for (const OptionName& n : OptionNames()) {
        if (it.key() == n.name) {
          options.set(n.offset, OptionValue(it.value(), it.key(), file));
          known = true;
        }
      }
      if (!known) Fail(file, "unknown option \"" + it.key() + "\"");
    }
  }
  if (manifest.contains("constants")) {
    const json& c = manifest.at("constants");
    if (!c.is_object()) Fail(file, "\"constants\" must be an object");
    for (auto it = c.begin(); it != c.end(); ++it) {
      const json& v = it.value();
      std::string text;
      if (v.is_string()) {
        text = v.get<std::string>();
      } else if (v.is_number()) {
        text = v.dump();
      } else {
        Fail(file, "constant \"" + it.key() + "\" must be a number or an expression text");
      }
      options.constants.emplace_back(it.key(), text);
    }
  }
}

}  // namespace

bool Pack_BuildProject(const std::string& folder, std::vector<uint8_t>& out, std::string& error) {
  const std::string file = folder + "/game.json";
  try {
    std::string text;
    if (!ReadText(file, text)) Fail(file, "cannot be read");
    json manifest;
    try {
      manifest = json::parse(text);
    } catch (const json::parse_error& e) {
      size_t line, column;
      LineColumn(text, e.byte > 0 ? e.byte - 1 : 0, line, column);
      std::string what = e.what();
      size_t cut = what.find("syntax error");
      throw PackError{file + ":" + std::to_string(line) + ":" + std::to_string(column) + ": " +
                      (cut == std::string::npos ? what : what.substr(cut))};
    }
    if (!manifest.is_object()) Fail(file, "the manifest must be a JSON object");

    GeneralSpec general;
    general.name = Get<std::string>(manifest, "name", "game", file);
    general.displayName = Get<std::string>(manifest, "display_name", general.name, file);
    general.gameId = Get<int32_t>(manifest, "game_id", 0, file);
    general.flags = Get<bool>(manifest, "debug", false, file) ? 0 : 1;
    if (manifest.contains("window")) {
      const json& w = manifest.at("window");
      general.windowWidth = Get<int32_t>(w, "width", 640, file);
      general.windowHeight = Get<int32_t>(w, "height", 480, file);
      general.windowFlags = Get<uint32_t>(w, "flags", 2, file);
    }
    OptionsSpec options;
    ReadOptions(manifest, options, file);

    DataFileWriter writer;
    WriteGeneral(writer, general);
    WriteOptions(writer, options);
    writer.chunk("DAFL").u32(0);
    writer.stringTable();
    out = writer.finish();
    return true;
  } catch (const PackError& e) {
    error = e.message;
    return false;
  }
}
