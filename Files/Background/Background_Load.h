// The BGND chunk: background records into the background table, each on one texture-page entry.
#pragma once
#include "DataFile/DataFile_Container.h"

// Replaces the background table with the chunk's backgrounds. Throws FileFormatError.
void Background_LoadBGND(const DataView& view, const ChunkInfo& chunk);
