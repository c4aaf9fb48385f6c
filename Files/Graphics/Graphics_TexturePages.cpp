#include "Graphics/Graphics_TexturePages.h"

#include <cstring>
#include <deque>
#include <unordered_map>
#include <vector>

#include "Graphics/Graphics_Texture.h"

namespace {

struct StoredEntry {
  TexturePageEntry entry;  // handed out by pointer; texture becomes the page's texture id
  uint32_t offset = 0;
  int32_t page = 0;
};

struct Page {
  int texture = -1;
  int32_t width = 0, height = 0;
};

std::deque<StoredEntry> g_entries;  // a deque keeps the entries where they are as it grows
std::unordered_map<uint32_t, StoredEntry*> g_byOffset;
std::vector<Page> g_pages;
bool g_pagesLoaded = false;

// Gives an entry its page's texture once the pages exist; its rectangle must lie on the page.
void Bind(StoredEntry& s) {
  if (!g_pagesLoaded) return;
  const TexturePageEntry& e = s.entry;
  if (s.page >= int32_t(g_pages.size()) || g_pages[size_t(s.page)].texture < 0) {
    ThrowFormatError("texture-page entry at offset %u is on texture page %d, but the file has %zu pages", s.offset,
                     s.page, g_pages.size());
  }
  const Page& p = g_pages[size_t(s.page)];
  if (e.sourceX + e.sourceWidth > p.width || e.sourceY + e.sourceHeight > p.height) {
    ThrowFormatError("texture-page entry at offset %u: its rectangle (%d, %d, %d x %d) lies outside texture page %d "
                     "(%d x %d)",
                     s.offset, e.sourceX, e.sourceY, e.sourceWidth, e.sourceHeight, s.page, p.width, p.height);
  }
  s.entry.texture = int16_t(p.texture);
}

uint32_t BigEndian32(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

}  // namespace

TexturePageEntry* TexturePages_Entry(const DataView& view, uint32_t offset, const char* what) {
  if (offset == 0) ThrowFormatError("%s: names no texture-page entry (offset 0)", what);
  auto found = g_byOffset.find(offset);
  if (found != g_byOffset.end()) return &found->second->entry;
  const uint8_t* at = view.bytes(offset, 22, what);
  int16_t f[11];
  std::memcpy(f, at, sizeof f);
  const char* names[11] = {"source x", "source y", "source width", "source height", "target x offset",
                           "target y offset", "target width", "target height", "frame width", "frame height",
                           "texture page"};
  for (int i = 0; i < 11; ++i) {
    if (f[i] < 0) ThrowFormatError("%s: texture-page entry at offset %u has a negative %s (%d)", what, offset, names[i], f[i]);
  }
  StoredEntry& s = g_entries.emplace_back();
  s.offset = offset;
  s.page = f[10];
  TexturePageEntry& e = s.entry;
  e.sourceX = f[0];
  e.sourceY = f[1];
  e.sourceWidth = f[2];
  e.sourceHeight = f[3];
  e.targetX = f[4];
  e.targetY = f[5];
  e.targetWidth = f[6];
  e.targetHeight = f[7];
  e.frameWidth = f[8];
  e.frameHeight = f[9];
  e.texture = f[10];
  g_byOffset.emplace(offset, &s);
  Bind(s);
  return &e;
}

void TexturePages_LoadTPAG(const DataView& view, const ChunkInfo& chunk) {
  const ListView list = view.list(chunk.body, "TPAG list");
  for (uint32_t i = 0; i < list.count(); ++i) {
    const uint32_t at = list.entry(i);
    if (at != 0) TexturePages_Entry(view, at, "TPAG entry");
  }
}

bool TexturePages_PNGSize(const uint8_t* data, size_t length, int32_t& width, int32_t& height) {
  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  // Signature, then the IHDR chunk: length 13, "IHDR", width, height (big-endian).
  if (length < 24 || std::memcmp(data, kSignature, 8) != 0 || std::memcmp(data + 12, "IHDR", 4) != 0) return false;
  const uint32_t w = BigEndian32(data + 16), h = BigEndian32(data + 20);
  if (w > 0x7FFFFFFF || h > 0x7FFFFFFF) return false;
  width = int32_t(w);
  height = int32_t(h);
  return true;
}

TexturePageStream TexturePages_Stream(const DataView& view, const ChunkInfo& txtr, uint32_t page) {
  const ListView list = view.list(txtr.body, "TXTR list");
  if (page >= list.count()) ThrowFormatError("TXTR: there is no texture page %u", page);
  const uint32_t record = list.entry(page);
  if (record == 0) ThrowFormatError("TXTR: texture page %u has no record", page);
  const uint32_t offset = view.u32(uint64_t(record) + 4, "TXTR page record");
  const uint64_t end = uint64_t(txtr.body) + txtr.length;
  if (offset < txtr.body || offset >= end) {
    ThrowFormatError("TXTR: the image of texture page %u at offset %u lies outside the TXTR chunk", page, offset);
  }
  return TexturePageStream{offset, uint32_t(end - offset)};
}

void TexturePages_LoadTXTR(const DataView& view, const ChunkInfo& chunk) {
  if (g_pagesLoaded) ThrowFormatError("the data file has a second TXTR chunk");
  const ListView list = view.list(chunk.body, "TXTR list");
  for (uint32_t i = 0; i < list.count(); ++i) {
    const TexturePageStream s = TexturePages_Stream(view, chunk, i);
    const uint8_t* data = view.bytes(s.offset, s.maxLength, "TXTR page image");
    int32_t w = 0, h = 0;
    if (!TexturePages_PNGSize(data, s.maxLength, w, h)) {
      ThrowFormatError("TXTR: texture page %u at offset %u is not a PNG image", i, s.offset);
    }
    if (w < 1 || h < 1 || w > kTexturePageMaxSide || h > kTexturePageMaxSide) {
      ThrowFormatError("TXTR: texture page %u is %d x %d pixels; the device allows 1 to %d a side", i, w, h,
                       kTexturePageMaxSide);
    }
    const int id = GR_Texture_CreateFromImage(data, s.maxLength, kTextureFormatARGB);
    if (id < 0) ThrowFormatError("TXTR: the PNG image of texture page %u does not decode", i);
    g_pages.push_back(Page{id, w, h});
    const TextureSlot* slot = GR_Texture_Slot(id);
    if (id > INT16_MAX || slot == nullptr || slot->width != w || slot->height != h) {
      ThrowFormatError("TXTR: the PNG image of texture page %u does not decode to its declared %d x %d pixels", i, w, h);
    }
  }
  g_pagesLoaded = true;
  for (StoredEntry& s : g_entries) Bind(s);
}

void TexturePages_Finish() {
  if (!g_pagesLoaded && !g_entries.empty()) {
    ThrowFormatError("the data file has texture-page entries but no texture pages (TXTR)");
  }
}

void TexturePages_Reset() {
  for (const Page& p : g_pages) GR_Texture_Free(p.texture);
  g_pages.clear();
  g_entries.clear();
  g_byOffset.clear();
  g_pagesLoaded = false;
}

int32_t TexturePages_EntryCount() { return int32_t(g_entries.size()); }

const TexturePageEntry* TexturePages_EntryByIndex(int32_t index, uint32_t* offset, int32_t* page) {
  if (index < 0 || index >= int32_t(g_entries.size())) return nullptr;
  const StoredEntry& s = g_entries[size_t(index)];
  if (offset) *offset = s.offset;
  if (page) *page = s.page;
  return &s.entry;
}

int32_t TexturePages_PageCount() { return int32_t(g_pages.size()); }

int TexturePages_PageTexture(int32_t page) {
  return page >= 0 && page < int32_t(g_pages.size()) ? g_pages[size_t(page)].texture : -1;
}
