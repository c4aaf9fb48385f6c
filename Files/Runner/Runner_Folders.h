// The folders the runner works with: the game's folder, the per-user save folder and the temporary
// folder, and how file names given by game code map onto them.
#pragma once
#include <string>

// Remembers the game file; the game folder is the part of the path up to its last '/' (or, failing
// that, '\'), with the separator kept.
void Folders_SetGameFile(const std::string& path);
const std::string& Folders_GameFile();
const std::string& Folders_GameFolder();

// The per-user save folder: $XDG_DATA_HOME (default ~/.local/share), then a folder named after the
// game's display name, with a trailing '/'. Created on first use.
std::string Folders_SaveFolder();
// $TMPDIR or /tmp, with a trailing '/'.
std::string Folders_TempFolder();

// A name given by game code for writing: a relative name lands in the save folder, an absolute one
// is used as given.
std::string Folders_MapForWrite(const std::string& name);
// For reading: an absolute name as given; a relative name from the save folder when it exists
// there, else from the game's working folder. Returns the path to try.
std::string Folders_FindForRead(const std::string& name);

// Creates a folder and its parents; true when it exists afterwards.
bool Folders_CreatePath(const std::string& path);
