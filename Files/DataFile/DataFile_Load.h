// The two chunk passes over a loaded data file: the pre-pass (general chunk, code, strings and
// variables, before the window exists) and the main pass that hands every chunk to its owner.
#pragma once
#include <vector>

#include "DataFile/DataFile_Container.h"

// A subsystem's handler for one chunk; it may throw FileFormatError for a malformed body.
using ChunkHandler = void (*)(const DataView& view, const ChunkInfo& chunk);

// Attaches the pre-pass or main-pass handler of a known tag. Tags whose owner has not attached a
// handler are still known: they are listed, their resource lists are checked, and the chunk is kept
// for its loader.
void DataFile_SetPrePassHandler(uint32_t tag, ChunkHandler handler);
void DataFile_SetMainHandler(uint32_t tag, ChunkHandler handler);
// Called by the pre-pass after the general chunk has been read, to register the built-in functions.
void DataFile_SetRegisterFunctions(void (*registerFunctions)());

// Attaches a check that runs at the end of the main pass, once every chunk is loaded (for what spans
// chunks, such as texture-page entries and their pages). It may throw FileFormatError.
void DataFile_AddLoadFinishedHandler(void (*handler)());
// Registers how a store forgets what a load put into it. DataFile_ResetLoadedState runs every
// registered reset in the order they were added (each once) and forgets the chunk list, so that
// another data file can be loaded into the same process (tests, the fuzz target).
void DataFile_AddResetHandler(void (*reset)());
void DataFile_ResetLoadedState();

// Checks what the main pass checks of a chunk before handing it over (its resource list, for the
// tags that start with one). Throws FileFormatError.
void DataFile_CheckChunk(const DataView& view, const ChunkInfo& chunk);

// True for the tags the main pass dispatches.
bool DataFile_IsKnownTag(uint32_t tag);

// The chunks of the loaded file, kept for the loaders that read them later.
const std::vector<ChunkInfo>& DataFile_Chunks();
const ChunkInfo* DataFile_FindChunk(uint32_t tag);

// True once the pre-pass met a code chunk: the game carries compiled bytecode.
bool DataFile_HasBytecode();

// Walks the container and runs the pre-pass. Throws FileFormatError on a malformed file.
void DataFile_PrePass(const DataView& view);
// The main pass ("LoadGameData"): false when an unknown chunk was met (the walk still continues).
// Throws FileFormatError on a malformed chunk.
bool LoadGameData(const DataView& view);
