// The manifest's images: sprites and backgrounds read from PNG files, fonts rendered from typefaces, the texture page size, and the
// parts of objects and rooms that name them (sprites, masks, background layers, tiles).
#pragma once
#include <cstdint>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <vector>

#include "Writer_Graphics.h"
#include "Writer_World.h"

// A builder error whose text already names the file and what is wrong.
class PackFailure : public std::runtime_error {
 public:
  explicit PackFailure(const std::string& what) : std::runtime_error(what) {}
};

class PackImages {
 public:
  PackImages(const std::string& folder, const std::string& manifestFile)
      : m_folder(folder), m_manifestFile(manifestFile) {}

  // The loading-screen record of the manifest's "loading" pictures (image, bar back, bar front: each
  // i32 width, i32 height, u32 length and a PNG); empty without the key. Throws PackFailure.
  std::vector<uint8_t> LoadingRecord(const nlohmann::ordered_json& manifest) const;
  // The names of the sprites and backgrounds (read before any code is compiled).
  void ReadNames(const nlohmann::ordered_json& manifest);
  // Reads every image and works out boxes and masks. Throws PackFailure.
  void Read(const nlohmann::ordered_json& manifest);
  // Writes TPAG, TXTR, SPRT and BGND. Throws PackFailure.
  void Write(DataFileWriter& writer) const;

  // A sprite or background named by a string, an index or null (-1). Throws PackFailure naming
  // `where` for an unknown name.
  int32_t Sprite(const nlohmann::ordered_json& value, const std::string& where) const;
  int32_t Background(const nlohmann::ordered_json& value, const std::string& where) const;
  // The object keys "sprite" and "mask".
  void ReadObject(const nlohmann::ordered_json& object, ObjectDesc& desc, const std::string& where) const;
  // Room background layer keys beyond the plain ones, and a tile.
  void ReadLayer(const nlohmann::ordered_json& layer, BackgroundLayerDesc& desc, const std::string& where) const;
  void ReadTile(const nlohmann::ordered_json& tile, TileDesc& desc, const std::string& where) const;

  const std::vector<SpriteDesc>& sprites() const { return m_sprites; }
  const std::vector<BackgroundDesc>& backgrounds() const { return m_backgrounds; }
  const std::vector<FontDesc>& fonts() const { return m_fonts; }
  int32_t pageSize() const { return m_pageSize; }

  // Name lookups for the compiler (bare sprite and background names), over the last names read.
  static int FindSprite(const char* name);
  static int FindBackground(const char* name);
  static int FindFont(const char* name);

 private:
  [[noreturn]] void Fail(const std::string& what) const;
  CBitmap32 LoadPNG(const nlohmann::ordered_json& value, const std::string& where, std::string& path) const;
  void ReadSprite(const nlohmann::ordered_json& s);
  void ReadBackground(const nlohmann::ordered_json& b);

  std::string m_folder;
  std::string m_manifestFile;
  std::vector<SpriteDesc> m_sprites;
  std::vector<BackgroundDesc> m_backgrounds;
  std::vector<FontDesc> m_fonts;
  int32_t m_pageSize = 2048;
};
