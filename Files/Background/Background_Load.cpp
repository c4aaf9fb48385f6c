#include "Background/Background_Load.h"

#include <cstdio>
#include <memory>

#include "Background/Background_Class.h"
#include "Graphics/Graphics_TexturePages.h"

void Background_LoadBGND(const DataView& view, const ChunkInfo& chunk) {
  const ListView list = view.list(chunk.body, "BGND list");
  Background_FreeAll();
  for (uint32_t i = 0; i < list.count(); ++i) {
    const uint32_t at = list.entry(i);
    if (at == 0) {
      Background_Set(int32_t(i), nullptr, "");
      continue;
    }
    const char* text = view.stringAt(at, "background name");
    const std::string name = text != nullptr ? text : "";
    auto* b = new CBackground();
    std::unique_ptr<CBackground> owner(b);
    b->transparent = view.u32(at + 4, "background flags") != 0;
    b->smooth = view.u32(at + 8, "background flags") != 0;
    b->preload = view.u32(at + 12, "background flags") != 0;
    char what[160];
    std::snprintf(what, sizeof what, "background %u (%s)", i, name.c_str());
    b->entry = TexturePages_Entry(view, view.u32(at + 16, "background page entry"), what);
    b->width = b->entry->frameWidth;
    b->height = b->entry->frameHeight;
    Background_Set(int32_t(i), owner.release(), name);
  }
}
