#include "Dump_Images.h"

#include <cstdio>

#include "Background/Background_Class.h"
#include "Background/Background_Load.h"
#include "DataFile/DataFile_Load.h"
#include "Font/Font_Class.h"
#include "Font/Font_Load.h"
#include "Graphics/Graphics_Image.h"
#include "Graphics/Graphics_Texture.h"
#include "Graphics/Graphics_TexturePages.h"
#include "Sprite/Sprite_Class.h"
#include "Sprite/Sprite_Load.h"

namespace {

const char* const kBoxModes[] = {"automatic", "full", "manual"};

void PrintEntry(const TexturePageEntry& e) {
  std::printf("source %d,%d %dx%d  target %d,%d %dx%d  frame %dx%d", e.sourceX, e.sourceY, e.sourceWidth,
              e.sourceHeight, e.targetX, e.targetY, e.targetWidth, e.targetHeight, e.frameWidth, e.frameHeight);
}

}  // namespace

void Dump_Images(const DataView& view) {
  const ChunkInfo* tpag = DataFile_FindChunk(MakeTag("TPAG"));
  const ChunkInfo* txtr = DataFile_FindChunk(MakeTag("TXTR"));
  const ChunkInfo* sprt = DataFile_FindChunk(MakeTag("SPRT"));
  const ChunkInfo* bgnd = DataFile_FindChunk(MakeTag("BGND"));
  const ChunkInfo* font = DataFile_FindChunk(MakeTag("FONT"));
  if (!tpag && !txtr && !sprt && !bgnd && !font) return;
  // In file order, as the main pass would.
  for (const ChunkInfo& c : DataFile_Chunks()) {
    if (c.length == 0) continue;
    if (&c == tpag) TexturePages_LoadTPAG(view, c);
    if (&c == txtr) TexturePages_LoadTXTR(view, c);
    if (&c == sprt) Sprite_LoadSPRT(view, c);
    if (&c == bgnd) Background_LoadBGND(view, c);
    if (&c == font) Font_LoadFONT(view, c);
  }
  TexturePages_Finish();
  std::printf("Texture pages: %d\n", TexturePages_PageCount());
  for (int32_t p = 0; p < TexturePages_PageCount(); ++p) {
    const TextureSlot* slot = GR_Texture_Slot(TexturePages_PageTexture(p));
    std::printf("  %d: %d x %d\n", p, slot ? slot->width : 0, slot ? slot->height : 0);
  }
  std::printf("Page entries: %d\n", TexturePages_EntryCount());
  for (int32_t i = 0; i < TexturePages_EntryCount(); ++i) {
    uint32_t offset = 0;
    int32_t page = 0;
    const TexturePageEntry* e = TexturePages_EntryByIndex(i, &offset, &page);
    std::printf("  offset %u  page %d  ", offset, page);
    PrintEntry(*e);
    std::printf("\n");
  }
  std::printf("Sprites: %d\n", Sprite_Count());
  for (int32_t i = 0; i < Sprite_Count(); ++i) {
    const CSprite* s = Sprite_Get(i);
    if (s == nullptr) {
      std::printf("  %d: (none)\n", i);
      continue;
    }
    std::printf("  %d %s: %d x %d  origin %d,%d  frames %d  bbox %d,%d to %d,%d (%s)  precise %d  masks %zu%s\n", i,
                Sprite_Name(i), s->width, s->height, s->xorigin, s->yorigin, s->frameCount, s->bboxLeft, s->bboxTop,
                s->bboxRight, s->bboxBottom,
                s->bboxMode >= 0 && s->bboxMode <= 2 ? kBoxModes[s->bboxMode] : "?", s->precise ? 1 : 0,
                s->masks.size(), s->masks.empty() ? "" : (s->oneMaskForAll ? " (one for all)" : " (one a frame)"));
  }
  std::printf("Backgrounds: %d\n", Background_Count());
  for (int32_t i = 0; i < Background_Count(); ++i) {
    const CBackground* b = Background_Get(i);
    if (b == nullptr) {
      std::printf("  %d: (none)\n", i);
      continue;
    }
    std::printf("  %d %s: %d x %d  transparent %d  smooth %d  preload %d\n", i, Background_Name(i), b->width,
                b->height, b->transparent, b->smooth, b->preload);
  }
  std::printf("Fonts: %d\n", Font_Count());
  for (int32_t i = 0; i < Font_Count(); ++i) {
    const CFontTessera* f = Font_Get(i);
    if (f == nullptr) {
      std::printf("  %d: (none)\n", i);
      continue;
    }
    std::printf("  %d %s: \"%s\" %d pt%s%s  characters %d to %d  glyphs %zu  line height %d  region %d x %d\n", i,
                Font_Name(i), f->typeface.c_str(), f->size, f->bold ? " bold" : "", f->italic ? " italic" : "",
                f->first, f->last, f->glyphs.size(), f->tallest, f->regionWidth, f->regionHeight);
  }
}

bool Dump_WritePage(const DataView& view, long page, const std::string& out, std::string& error) {
  const ChunkInfo* txtr = DataFile_FindChunk(MakeTag("TXTR"));
  const uint32_t count = txtr && txtr->length >= 4 ? view.list(txtr->body, "TXTR list").count() : 0;
  if (page < 0 || uint64_t(page) >= count) {
    error = "there is no texture page " + std::to_string(page) + " (the file has " + std::to_string(count) + ")";
    return false;
  }
  const TexturePageStream s = TexturePages_Stream(view, *txtr, uint32_t(page));
  CBitmap32 image;
  if (!Image_DecodePNG(view.bytes(s.offset, s.maxLength, "TXTR page image"), s.maxLength, image, error)) {
    error = "texture page " + std::to_string(page) + " does not decode: " + error;
    return false;
  }
  return Image_SavePNGFile(out, image.Data(), image.Width(), image.Height(), error);
}
