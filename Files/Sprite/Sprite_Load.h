// The SPRT chunk: sprite records into the sprite table, with their page entries and collision masks.
#pragma once
#include "DataFile/DataFile_Container.h"

// Replaces the sprite table with the chunk's sprites. Throws FileFormatError for a malformed record.
void Sprite_LoadSPRT(const DataView& view, const ChunkInfo& chunk);
