#include "Pack_Fonts.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "Font/Font_Class.h"
#include "Font/Font_Face.h"
#include "Font/Font_Make.h"
#include "Pack_Images.h"

using json = nlohmann::ordered_json;

namespace {

constexpr int32_t kMaxCode = 65535;
constexpr int32_t kMaxSize = 500;

template <class T>
T Get(const json& j, const char* key, T fallback, const std::string& where, const std::string& manifest) {
  if (!j.contains(key)) return fallback;
  try {
    return j.at(key).get<T>();
  } catch (const json::exception&) {
    throw PackFailure(manifest + ": " + where + ": \"" + key + "\" has the wrong kind of value");
  }
}

}  // namespace

FontDesc Pack_ReadFont(const json& f, const std::string& folder, const std::string& manifest) {
  if (!f.is_object()) throw PackFailure(manifest + ": fonts: every entry is an object");
  FontDesc desc;
  desc.name = Get<std::string>(f, "name", "", "font", manifest);
  const std::string where = "font " + desc.name;
  auto fail = [&](const std::string& what) { throw PackFailure(manifest + ": " + where + ": " + what); };
  const bool hasFile = f.contains("file"), hasFamily = f.contains("family");
  if (hasFile == hasFamily) fail("give either \"file\" (a TrueType or OpenType file) or \"family\"");
  const double size = Get<double>(f, "size", 12, where, manifest);
  if (!(size >= 1 && size <= kMaxSize)) fail("\"size\" is 1 to " + std::to_string(kMaxSize) + " points");
  desc.size = int32_t(std::lround(size));
  desc.bold = Get<bool>(f, "bold", false, where, manifest);
  desc.italic = Get<bool>(f, "italic", false, where, manifest);
  // The character ranges: "ranges": [[first, last], ...], or "first" and "last" (32 to 127).
  std::vector<std::pair<int32_t, int32_t>> ranges;
  if (f.contains("ranges")) {
    if (f.contains("first") || f.contains("last")) fail("give either \"ranges\" or \"first\" and \"last\"");
    const json& r = f.at("ranges");
    if (!r.is_array() || r.empty()) fail("\"ranges\" is a non-empty array of [first, last] pairs");
    for (const json& pair : r) {
      if (!pair.is_array() || pair.size() != 2 || !pair[0].is_number_integer() || !pair[1].is_number_integer()) {
        fail("\"ranges\" is a non-empty array of [first, last] pairs");
      }
      ranges.emplace_back(pair[0].get<int32_t>(), pair[1].get<int32_t>());
    }
  } else {
    ranges.emplace_back(Get<int32_t>(f, "first", 32, where, manifest), Get<int32_t>(f, "last", 127, where, manifest));
  }
  for (const auto& [first, last] : ranges) {
    if (first < 0 || last > kMaxCode || first > last) {
      fail("the range " + std::to_string(first) + " to " + std::to_string(last) + " is not within 0 to 65535");
    }
  }
  std::string file;
  int32_t index = 0;
  if (hasFile) {
    const json& v = f.at("file");
    if (!v.is_string() || v.get<std::string>().empty()) fail("\"file\" names a font file");
    file = v.get<std::string>();
    if (file.front() != '/') file = folder + "/" + file;  // relative to the manifest's folder
    if (!std::filesystem::is_regular_file(file)) throw PackFailure(file + ": there is no such font file");
  } else {
    const json& v = f.at("family");
    if (!v.is_string() || v.get<std::string>().empty()) fail("\"family\" names a typeface family");
    FaceMatch match;
    if (!Face_Find(v.get<std::string>(), desc.bold, desc.italic, match)) fail("no typeface is installed");
    if (!match.exact) {
      std::fprintf(stderr, "%s: warning: %s: typeface \"%s\" not found; using \"%s\"\n", manifest.c_str(),
                   where.c_str(), v.get<std::string>().c_str(), match.family.c_str());
    }
    file = match.file;
    index = match.index;
  }
  FaceStyle style;
  style.size = size;
  style.bold = desc.bold;
  style.italic = desc.italic;
  FaceRender all;
  std::string error;
  for (const auto& [first, last] : ranges) {
    FaceRender part;
    if (!Face_Render(file, index, style, first, last, part, error)) fail(error);
    if (all.glyphs.empty()) {
      all.family = part.family, all.style = part.style, all.lineHeight = part.lineHeight, all.ascender = part.ascender;
    }
    for (FaceGlyph& g : part.glyphs) all.glyphs.push_back(std::move(g));
  }
  std::sort(all.glyphs.begin(), all.glyphs.end(), [](const FaceGlyph& a, const FaceGlyph& b) { return a.code < b.code; });
  all.glyphs.erase(std::unique(all.glyphs.begin(), all.glyphs.end(),
                               [](const FaceGlyph& a, const FaceGlyph& b) { return a.code == b.code; }),
                   all.glyphs.end());
  if (all.glyphs.empty()) fail("the typeface has no glyph in the character ranges");
  CFontTessera packed;
  Font_PackGlyphs(all, packed);
  desc.typeface = hasFamily ? f.at("family").get<std::string>() : all.family;
  desc.first = uint16_t(ranges.front().first);
  desc.last = ranges.front().second;
  for (const auto& [first, last] : ranges) {
    desc.first = uint16_t(std::min<int32_t>(desc.first, first));
    desc.last = std::max(desc.last, last);
  }
  desc.image = CBitmap32(packed.regionWidth, packed.regionHeight);
  for (size_t i = 0; i < packed.coverage.size(); ++i) {
    uint8_t* p = desc.image.Data() + i * 4;
    p[0] = p[1] = p[2] = 255;
    p[3] = packed.coverage[i];
  }
  desc.label = where;
  for (const FontGlyph& g : packed.glyphs) {
    desc.glyphs.push_back(FontGlyphDesc{g.code, g.x, g.y, g.width, g.height, g.shift, g.offset});
  }
  return desc;
}
