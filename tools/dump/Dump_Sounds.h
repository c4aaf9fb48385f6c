// tessera-dump: the sounds of a data file (SOND records and the AUDO images they name).
#pragma once
#include "DataFile/DataFile_View.h"

// Prints "Sounds: N" and one line a sound. Throws FileFormatError for a malformed chunk.
void Dump_Sounds(const DataView& view);
