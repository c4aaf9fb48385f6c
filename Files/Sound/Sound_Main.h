// The sound chunks and the life of the sound systems: which system the game uses, loading SOND and
// AUDO into it, preparation, the per-step audio update and the stop at game end.
#pragma once
#include "DataFile/DataFile_Container.h"
#include "DataFile/DataFile_View.h"
#include "Sound/Sound_Output.h"

// True when the game's options select the newer audio system.
bool Sound_NewAudio();
// Selects the system without loading (the loaders do this from the options; tests).
void Sound_SelectSystem(bool newAudio);

// The chunk loaders; each picks the loader of the system the options chose.
void Sound_LoadSOND(const DataView& view, const ChunkInfo& chunk);
void Sound_LoadAUDO(const DataView& view, const ChunkInfo& chunk);

// How the output is to be opened; set once at start-up, before preparation.
void Sound_SetOutputChoice(const OutputChoice& choice);
// Preparation: opens the output, starts the chosen system and gives sounds their buffers.
bool Sound_Prepare();
// Once a step, before the game step.
void Sound_Update();
// Game end: every sound stops and is freed; the output is closed.
void Sound_StopAndFree();
// Forgets every loaded sound (another data file in the same process).
void Sound_Reset();
