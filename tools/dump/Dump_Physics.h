// tessera-dump: the physics settings of a data file: each object that uses physics with its block,
// each room with a physics world with its scale and gravity.
#pragma once
#include "DataFile/DataFile_View.h"

// Prints "Physics objects: N" and "Physics rooms: N", each followed by one line an entry. Throws
// FileFormatError for a malformed chunk. Prints nothing for version bytes of 5 and below.
void Dump_Physics(const DataView& view, int version);
