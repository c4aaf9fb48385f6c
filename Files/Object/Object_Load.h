// The OBJT chunk and the preparation of object handlers.
#pragma once
#include <cstdint>

#include "DataFile/DataFile_Container.h"
#include "DataFile/DataFile_View.h"

// Main pass: one object per non-empty index of the resource list; the object count becomes the
// list's count. Throws FileFormatError for a malformed body (an offset outside the file, a sub-type
// outside 0..255, an event part that does not hold 12 types).
void Object_LoadOBJT(const DataView& view, const ChunkInfo& chunk);

// Object_Prepare: prints "Preparing %d objects:\n" and one line per object, compiles the handlers of
// a game that carries source text under the names "Object.<object>.<event>.<number>", and resolves
// the parent links again. False when a handler does not compile.
bool Object_Prepare();
