// The texture pages of the data file: the TPAG entries (the runner's checked copies, shared by file
// offset) and the TXTR pages (one texture each).
//
// SPRT, BGND and FONT name entries by file offset in any chunk order: an entry is read and checked
// the first time any chunk names it. Loading TXTR creates the page textures and gives every entry
// (those met before and those met after) the texture id of its page; each entry's rectangle must lie
// inside its page. Everything here throws FileFormatError for a malformed file.
#pragma once
#include <cstdint>

#include "DataFile/DataFile_Container.h"
#include "Graphics/Graphics_PageEntry.h"

// The largest page side the device allows.
inline constexpr int32_t kTexturePageMaxSide = 8192;

// The checked entry at a file offset (read when first named). `what` names the referrer in errors.
TexturePageEntry* TexturePages_Entry(const DataView& view, uint32_t offset, const char* what);

void TexturePages_LoadTPAG(const DataView& view, const ChunkInfo& chunk);
void TexturePages_LoadTXTR(const DataView& view, const ChunkInfo& chunk);
// After the main pass: every entry must have met its page.
void TexturePages_Finish();
// Frees the entries and the page textures.
void TexturePages_Reset();

// The entries in the order they were met, with their file offsets and page numbers.
int32_t TexturePages_EntryCount();
const TexturePageEntry* TexturePages_EntryByIndex(int32_t index, uint32_t* offset, int32_t* page);
int32_t TexturePages_PageCount();
// The texture id of a page, or -1.
int TexturePages_PageTexture(int32_t page);

// A page's PNG stream in a TXTR chunk: its file offset and how far the decoder may read (to the end
// of the chunk). Checks the page record.
struct TexturePageStream {
  uint32_t offset = 0;
  uint32_t maxLength = 0;
};
TexturePageStream TexturePages_Stream(const DataView& view, const ChunkInfo& txtr, uint32_t page);
// The width and height a PNG stream declares (its header), without decoding it; false when the
// bytes do not start a PNG.
bool TexturePages_PNGSize(const uint8_t* data, size_t length, int32_t& width, int32_t& height);
