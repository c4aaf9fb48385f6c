#include "Pack_Sounds.h"

#include <cctype>
#include <fstream>
#include <iterator>
#include <map>

#include "Sound/Sound_Wav.h"

using json = nlohmann::ordered_json;

namespace {

std::map<std::string, int> g_names;

std::string Lower(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string Extension(const std::string& file) {
  const size_t dot = file.rfind('.');
  const size_t slash = file.find_last_of("/\\");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  return Lower(file.substr(dot));
}

std::string BaseName(const std::string& file) {
  const size_t slash = file.find_last_of("/\\");
  return slash == std::string::npos ? file : file.substr(slash + 1);
}

}  // namespace

void PackSounds::Fail(const std::string& what) const { throw PackFailure(m_manifestFile + ": " + what); }

int PackSounds::FindSound(const char* name) {
  auto it = g_names.find(name);
  return it == g_names.end() ? -1 : it->second;
}

void PackSounds::ReadNames(const json& m) {
  g_names.clear();
  if (!m.contains("sounds")) return;
  const json& list = m.at("sounds");
  if (!list.is_array()) Fail("\"sounds\" must be an array");
  for (const json& s : list) {
    if (!s.is_object() || !s.contains("name") || !s.at("name").is_string()) Fail("every sound needs a \"name\" text");
    const std::string name = s.at("name").get<std::string>();
    if (g_names.count(name)) Fail("the name \"" + name + "\" is used twice");
    const int index = int(g_names.size());
    g_names[name] = index;
  }
}

void PackSounds::Read(const json& m) {
  m_sounds.clear();
  if (!m.contains("sounds")) return;
  for (const json& s : m.at("sounds")) {
    SoundDesc desc;
    desc.name = s.at("name").get<std::string>();
    const std::string where = "sound " + desc.name;
    if (!s.contains("file") || !s.at("file").is_string()) Fail(where + ": \"file\" (a WAV, MP3 or MIDI file) is missing");
    const std::string file = s.at("file").get<std::string>();
    const std::string ext = Extension(file);
    const bool music = ext == ".mp3" || ext == ".mid" || ext == ".midi";
    if (ext != ".wav" && !music) {
      Fail(where + ": " + file + " is not a WAV, MP3 or MIDI file" + (ext == ".ogg" ? " (convert OGG to WAV)" : ""));
    }
    std::ifstream in(m_folder + "/" + file, std::ios::binary);
    if (!in) Fail(where + ": " + file + " cannot be read");
    desc.image.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (ext == ".wav") {
      WavInfo info;
      std::string error;
      if (!Wav_Read(desc.image.data(), desc.image.size(), info, error)) Fail(where + ": " + file + ": " + error);
    } else if (desc.image.empty()) {
      Fail(where + ": " + file + " is empty");
    }
    desc.fileType = ext;
    desc.fileName = BaseName(file);
    desc.kind = music ? 1 : 0;
    if (s.contains("kind")) {
      const json& k = s.at("kind");
      static const std::map<std::string, int> kinds = {{"normal", 0}, {"music", 1}, {"3d", 2}, {"multimedia", 3}};
      if (!k.is_string() || !kinds.count(k.get<std::string>())) {
        Fail(where + ": \"kind\" is one of \"normal\", \"music\", \"3d\", \"multimedia\"");
      }
      desc.kind = kinds.at(k.get<std::string>());
    }
    auto number = [&](const char* key, double fallback, double low, double high) {
      if (!s.contains(key)) return fallback;
      const json& v = s.at(key);
      if (!v.is_number() || v.get<double>() < low || v.get<double>() > high) {
        Fail(where + ": \"" + key + "\" must be a number from " + std::to_string(int(low)) + " to " +
             std::to_string(int(high)));
      }
      return v.get<double>();
    };
    desc.volume = float(number("volume", 1, 0, 1));
    desc.pan = float(number("pan", 0, -1, 1));
    if (s.contains("preload")) {
      if (!s.at("preload").is_boolean()) Fail(where + ": \"preload\" must be true or false");
      desc.preload = s.at("preload").get<bool>();
    }
    m_sounds.push_back(std::move(desc));
  }
}
