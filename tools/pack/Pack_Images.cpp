#include "Pack_Images.h"

#include "Pack_Fonts.h"

#include <cmath>
#include <map>

using json = nlohmann::ordered_json;

namespace {

std::map<std::string, int32_t> g_spriteNames, g_backgroundNames, g_fontNames;
std::vector<int32_t> g_backgroundSizes;  // width, height of each background, once read

// The value of an optional key of the kind T, or `fallback`.
template <class T>
T Value(const json& j, const char* key, T fallback, const std::string& where, const std::string& manifest) {
  if (!j.is_object() || !j.contains(key)) return fallback;
  try {
    return j.at(key).get<T>();
  } catch (const json::exception&) {
    throw PackFailure(manifest + ": " + where + ": \"" + key + "\" has the wrong kind of value");
  }
}

const char* const kModes[] = {"automatic", "full", "manual"};
const char* const kKinds[] = {"precise", "rectangle", "ellipse", "diamond"};

int32_t Lookup(const std::map<std::string, int32_t>& names, int32_t count, const json& v, const char* kind,
               const std::string& where, const std::string& manifest) {
  if (v.is_null()) return -1;
  if (v.is_number_integer()) {
    const int64_t i = v.get<int64_t>();
    if (i < -1 || i >= count) {
      throw PackFailure(manifest + ": " + where + ": there is no " + kind + " number " + std::to_string(i));
    }
    return int32_t(i);
  }
  if (!v.is_string()) throw PackFailure(manifest + ": " + where + ": a " + kind + " is named by a string");
  auto it = names.find(v.get<std::string>());
  if (it == names.end()) {
    throw PackFailure(manifest + ": " + where + ": there is no " + kind + " named \"" + v.get<std::string>() + "\"");
  }
  return it->second;
}

}  // namespace

void PackImages::Fail(const std::string& what) const { throw PackFailure(m_manifestFile + ": " + what); }

void PackImages::ReadNames(const json& m) {
  g_spriteNames.clear();
  g_backgroundNames.clear();
  g_backgroundSizes.clear();
  g_fontNames.clear();
  for (const char* list : {"sprites", "backgrounds", "fonts"}) {
    if (!m.contains(list)) continue;
    if (!m.at(list).is_array()) Fail(std::string("\"") + list + "\" must be an array");
    auto& names = list[0] == 's' ? g_spriteNames : list[0] == 'b' ? g_backgroundNames : g_fontNames;
    for (const json& item : m.at(list)) {
      const std::string name = Value<std::string>(item, "name", "", list, m_manifestFile);
      if (name.empty()) Fail(std::string(list) + ": every entry has a \"name\"");
      if (names.count(name)) Fail("the name \"" + name + "\" is used twice");
      const int32_t index = int32_t(names.size());
      names[name] = index;
    }
  }
}

int PackImages::FindSprite(const char* name) {
  auto it = g_spriteNames.find(name);
  return it == g_spriteNames.end() ? -1 : it->second;
}

int PackImages::FindFont(const char* name) {
  auto it = g_fontNames.find(name);
  return it == g_fontNames.end() ? -1 : it->second;
}

int PackImages::FindBackground(const char* name) {
  auto it = g_backgroundNames.find(name);
  return it == g_backgroundNames.end() ? -1 : it->second;
}

std::vector<uint8_t> PackImages::LoadingRecord(const json& manifest) const {
  std::vector<uint8_t> record;
  if (!manifest.contains("loading")) return record;
  const json& l = manifest.at("loading");
  if (!l.is_object()) Fail("\"loading\" must be an object");
  auto word = [&record](uint32_t v) {
    for (int i = 0; i < 4; ++i) record.push_back(uint8_t(v >> (8 * i)));
  };
  for (const char* key : {"image", "bar_back", "bar_front"}) {
    if (!l.contains(key)) {
      word(0), word(0), word(0);
      continue;
    }
    std::string path;
    const CBitmap32 image = LoadPNG(l.at(key), std::string("loading ") + key, path);
    std::vector<uint8_t> png;
    if (!Image_EncodePNG(image, png)) throw PackFailure(path + ": the image could not be encoded");
    word(uint32_t(image.Width())), word(uint32_t(image.Height())), word(uint32_t(png.size()));
    record.insert(record.end(), png.begin(), png.end());
  }
  return record;
}

CBitmap32 PackImages::LoadPNG(const json& value, const std::string& where, std::string& path) const {
  if (!value.is_string() || value.get<std::string>().empty()) Fail(where + ": an image is named by its file name");
  path = m_folder + "/" + value.get<std::string>();
  CBitmap32 image;
  std::string error;
  if (!Image_LoadPNGFile(path, image, error)) throw PackFailure(path + ": " + error);
  return image;
}

void PackImages::ReadSprite(const json& s) {
  SpriteDesc desc;
  desc.name = Value<std::string>(s, "name", "", "sprite", m_manifestFile);
  const std::string where = "sprite " + desc.name;
  auto get = [&](const char* key, auto fallback) { return Value(s, key, fallback, where, m_manifestFile); };
  const bool hasFrames = s.contains("frames"), hasStrip = s.contains("strip");
  if (hasFrames == hasStrip) Fail(where + ": give either \"frames\" (PNG files) or \"strip\"");
  if (hasFrames) {
    const json& frames = s.at("frames");
    if (!frames.is_array() || frames.empty()) Fail(where + ": \"frames\" is a non-empty array of PNG files");
    for (const json& f : frames) {
      std::string path;
      desc.frames.push_back(LoadPNG(f, where, path));
      desc.frameLabels.push_back(path);
      const CBitmap32& first = desc.frames.front();
      if (desc.frames.back().Width() != first.Width() || desc.frames.back().Height() != first.Height()) {
        throw PackFailure(path + ": the frame is " + std::to_string(desc.frames.back().Width()) + " x " +
                          std::to_string(desc.frames.back().Height()) + " pixels, the sprite's first frame " +
                          std::to_string(first.Width()) + " x " + std::to_string(first.Height()));
      }
    }
  } else {
    const json& strip = s.at("strip");
    if (!strip.is_object() || !strip.contains("file")) Fail(where + ": \"strip\" is {\"file\": PNG, \"frames\": N}");
    const int32_t count = Value<int32_t>(strip, "frames", 1, where + " strip", m_manifestFile);
    std::string path;
    const CBitmap32 image = LoadPNG(strip.at("file"), where, path);
    if (count < 1 || image.Width() % count != 0) {
      throw PackFailure(path + ": a strip " + std::to_string(image.Width()) + " pixels wide cannot be cut into " +
                        std::to_string(count) + " frames of equal width");
    }
    const int32_t w = image.Width() / count;
    for (int32_t i = 0; i < count; ++i) {
      desc.frames.push_back(image.Crop(i * w, 0, w, image.Height()));
      desc.frameLabels.push_back(path + " frame " + std::to_string(i));
    }
  }
  desc.xorigin = get("xorigin", int32_t(0));
  desc.yorigin = get("yorigin", int32_t(0));
  desc.precise = get("precise", false);
  desc.separateMasks = get("separate_masks", false);
  desc.transparent = get("transparent", true);
  desc.smooth = get("smooth", false);
  desc.preload = get("preload", true);
  desc.tolerance = get("tolerance", int32_t(0));
  if (desc.tolerance < 0 || desc.tolerance > 255) Fail(where + ": \"tolerance\" is 0 to 255");
  const std::string mode = get("bbox_mode", std::string("automatic"));
  const std::string kind = get("mask_kind", std::string("precise"));
  int found = -1;
  for (int i = 0; i < 3; ++i) found = mode == kModes[i] ? i : found;
  if (found < 0) Fail(where + ": \"bbox_mode\" is \"automatic\", \"full\" or \"manual\"");
  desc.boxMode = BoxMode(found);
  found = -1;
  for (int i = 0; i < 4; ++i) found = kind == kKinds[i] ? i : found;
  if (found < 0) Fail(where + ": \"mask_kind\" is \"precise\", \"rectangle\", \"ellipse\" or \"diamond\"");
  desc.maskKind = MaskKind(found);
  if (desc.boxMode == BoxMode::Manual) {
    if (!s.contains("bbox") || !s.at("bbox").is_object()) {
      Fail(where + ": a manual bounding box is given as \"bbox\": {\"left\", \"top\", \"right\", \"bottom\"}");
    }
    const json& b = s.at("bbox");
    desc.bboxLeft = Value<int32_t>(b, "left", 0, where + " bbox", m_manifestFile);
    desc.bboxTop = Value<int32_t>(b, "top", 0, where + " bbox", m_manifestFile);
    desc.bboxRight = Value<int32_t>(b, "right", desc.Width() - 1, where + " bbox", m_manifestFile);
    desc.bboxBottom = Value<int32_t>(b, "bottom", desc.Height() - 1, where + " bbox", m_manifestFile);
    if (desc.bboxLeft < 0 || desc.bboxTop < 0 || desc.bboxLeft > desc.bboxRight || desc.bboxTop > desc.bboxBottom ||
        desc.bboxRight >= desc.Width() || desc.bboxBottom >= desc.Height()) {
      Fail(where + ": the bounding box must lie inside the " + std::to_string(desc.Width()) + " x " +
           std::to_string(desc.Height()) + " frame with left <= right and top <= bottom");
    }
  } else if (s.contains("bbox")) {
    Fail(where + ": \"bbox\" is given only with \"bbox_mode\": \"manual\"");
  }
  Writer_FinishSpriteBox(desc);
  m_sprites.push_back(std::move(desc));
}

void PackImages::ReadBackground(const json& b) {
  BackgroundDesc desc;
  desc.name = Value<std::string>(b, "name", "", "background", m_manifestFile);
  const std::string where = "background " + desc.name;
  if (!b.contains("file")) Fail(where + ": a background names its PNG \"file\"");
  desc.image = LoadPNG(b.at("file"), where, desc.label);
  desc.transparent = Value(b, "transparent", false, where, m_manifestFile);
  desc.smooth = Value(b, "smooth", false, where, m_manifestFile);
  desc.preload = Value(b, "preload", true, where, m_manifestFile);
  g_backgroundSizes.push_back(desc.image.Width());
  g_backgroundSizes.push_back(desc.image.Height());
  m_backgrounds.push_back(std::move(desc));
}

void PackImages::Read(const json& m) {
  m_pageSize = Value<int32_t>(m, "texture_page_size", 2048, "game", m_manifestFile);
  if (m_pageSize < 1 || m_pageSize > 8192) Fail("\"texture_page_size\" is 1 to 8192");
  if (m.contains("sprites")) {
    for (const json& s : m.at("sprites")) ReadSprite(s);
  }
  if (m.contains("backgrounds")) {
    for (const json& b : m.at("backgrounds")) ReadBackground(b);
  }
  if (m.contains("fonts")) {
    for (const json& f : m.at("fonts")) m_fonts.push_back(Pack_ReadFont(f, m_folder, m_manifestFile));
  }
}

void PackImages::Write(DataFileWriter& writer) const {
  std::string error;
  if (!WriteGraphics(writer, m_sprites, m_backgrounds, m_fonts, m_pageSize, error)) throw PackFailure(error);
}

int32_t PackImages::Sprite(const json& value, const std::string& where) const {
  return Lookup(g_spriteNames, int32_t(g_spriteNames.size()), value, "sprite", where, m_manifestFile);
}

int32_t PackImages::Background(const json& value, const std::string& where) const {
  return Lookup(g_backgroundNames, int32_t(g_backgroundNames.size()), value, "background", where, m_manifestFile);
}

void PackImages::ReadObject(const json& o, ObjectDesc& desc, const std::string& where) const {
  if (o.contains("sprite")) desc.sprite = Sprite(o.at("sprite"), where + " sprite");
  if (o.contains("mask")) desc.mask = Sprite(o.at("mask"), where + " mask");
}

void PackImages::ReadLayer(const json& layer, BackgroundLayerDesc& desc, const std::string& where) const {
  if (layer.contains("background") && layer.contains("index")) Fail(where + ": give \"background\" or \"index\", not both");
  if (layer.contains("background")) desc.index = Background(layer.at("background"), where);
  if (layer.contains("index")) desc.index = Background(layer.at("index"), where);
}

void PackImages::ReadTile(const json& t, TileDesc& desc, const std::string& where) const {
  if (!t.contains("background")) Fail(where + ": a tile names its \"background\"");
  desc.background = Background(t.at("background"), where);
  if (desc.background < 0) Fail(where + ": a tile names its \"background\"");
  auto get = [&](const char* key, auto fallback) { return Value(t, key, fallback, where, m_manifestFile); };
  const int32_t bw = g_backgroundSizes[2 * size_t(desc.background)], bh = g_backgroundSizes[2 * size_t(desc.background) + 1];
  desc.left = get("left", int32_t(0));
  desc.top = get("top", int32_t(0));
  desc.width = get("width", bw - desc.left);
  desc.height = get("height", bh - desc.top);
  if (desc.left < 0 || desc.top < 0 || desc.width < 1 || desc.height < 1 || desc.left + desc.width > bw ||
      desc.top + desc.height > bh) {
    Fail(where + ": the tile's rectangle must lie inside its background (" + std::to_string(bw) + " x " +
         std::to_string(bh) + ")");
  }
  desc.x = get("x", int32_t(0));
  desc.y = get("y", int32_t(0));
  desc.depth = get("depth", int32_t(1000000));
  desc.xscale = get("xscale", 1.0f);
  desc.yscale = get("yscale", 1.0f);
  const int32_t blend = get("blend", int32_t(0xFFFFFF));
  const double alpha = get("alpha", 1.0);
  if (blend < 0 || blend > 0xFFFFFF) Fail(where + ": \"blend\" is a colour from 0 to 16777215");
  if (!(alpha >= 0.0 && alpha <= 1.0)) Fail(where + ": \"alpha\" is 0 to 1");
  desc.colour = uint32_t(blend) | (uint32_t(std::lround(alpha * 255.0)) << 24);
}
