// The ROOM chunk and the preparation of room and instance creation code.
#pragma once

#include "DataFile/DataFile_Container.h"
#include "DataFile/DataFile_View.h"

// Main pass: one definition per non-empty index, laid out by the general chunk's version byte.
// Throws FileFormatError for a malformed body.
void Room_LoadROOM(const DataView& view, const ChunkInfo& chunk);

// Room_Prepare: for a game that carries source text, compiles every room's creation code as
// "Room.<name>" and every instance creation code as "Instance.<name>.<position>". False when a
// room's creation code does not compile; an instance code that does not compile is reported and
// the rest of that room's instances are skipped.
bool Room_Prepare();
