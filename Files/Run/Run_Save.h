// Saved games: game_save writes the running game into a file at once; game_load remembers the file
// and the load itself runs at the end of the frame (new-room request -300).
//
// The file is the raw byte image of a write stream (Support_Stream.h), in this order:
//   i32 540 (format version), i32 game id, i32 current room, i32 transition kind, i32 score,
//   i32 lives, real health, i32 cursor sprite, i32 step counter, bool automatic draw,
//   the global state (Variable_Global.h),
//   i32 room-state count R, then per room: bool stored, and when stored the room state (with its
//   instances and tiles, in the room module's save form, Room_Main.h),
//   i32 last instance id, i32 last tile id.
//
// Writing goes to a temporary file in the same folder that is renamed over the old file, so a failed
// write leaves the old save intact. Loading reads and checks the whole file before anything in the
// running game changes: a file of another version or another game, or a truncated or damaged one,
// reports its error and the game goes on exactly as it was. A load runs no events.
#pragma once
#include <cstdint>
#include <string>

class CStream;

inline constexpr int32_t kSaveGameVersion = 540;

// Writes the running game into a stream (the file image).
void SaveGame_Write(CStream* stream);
// Writes the save file at `path` (already mapped into the save folder). False when the file could
// not be written; an old file is then left as it was.
bool SaveGame_WriteFile(const std::string& path);

enum class LoadGameResult {
  Loaded,
  WrongVersion,  // "Cannot load game saved with other version."
  WrongGame,     // "This is a save file for a different game!"
  Damaged,       // truncated or corrupt: "Cannot load the saved game: the file is damaged."
};
// Reads a save image and, when the whole of it is sound, puts the game into the saved state.
// Reports the error of a refused file (non-fatal) and changes nothing then.
LoadGameResult SaveGame_Read(CStream* stream);

// game_load: finds the file (save folder first, then the working folder); when found remembers its
// path and requests the load (-300). False, with "game_load - unable to find file %s\n" on the
// console, when there is no such file.
bool SaveGame_RequestLoad(const std::string& name);
// The -300 handler: loads the remembered file. A file that has gone missing is ignored.
void SaveGame_LoadRemembered();
// The remembered path ("" when none).
const std::string& SaveGame_RememberedPath();
