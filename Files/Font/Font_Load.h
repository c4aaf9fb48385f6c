// The FONT chunk: the fonts of the data file (glyph rectangles on texture-page regions) and the
// 256-entry character table at the chunk's end that font_add_sprite maps through.
#pragma once

#include "DataFile/DataFile_Container.h"

// Throws FileFormatError for a malformed chunk (the fonts read so far are freed with the table).
void Font_LoadFONT(const DataView& view, const ChunkInfo& chunk);
