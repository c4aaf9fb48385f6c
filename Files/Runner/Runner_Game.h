// Finding the game's data file, reading its side files and loading it into one block.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "DataFile/DataFile_View.h"
#include "Runner/Runner_CommandLine.h"

// The loaded data file: one block that lives for the whole run.
struct LoadedGame {
  uint8_t* block = nullptr;
  size_t size = 0;
  DataView view() const { return DataView(block, size); }
  // The debug-information side file, when one sits beside the data file.
  uint8_t* debugBlock = nullptr;
  size_t debugSize = 0;
  DataView debugView() const { return DataView(debugBlock, debugSize); }
};

// "data.win" in the executable's own folder, when it can be opened; else empty.
std::string Runner_DataWinBesideExecutable();

// Asks the user for a game file (the open-file dialog): zenity or kdialog when a display and one
// of them exist.
// Returns empty when there is no way to ask or the user cancelled.
std::string Runner_AskForGameFile();

// Reads the side files and the data file. The switches receive what "options.ini" says. Returns
// false with a message on the console when the file cannot be read.
bool RunnerLoadGame(const std::string& path, CommandLineSwitches& switches, LoadedGame& game);

// Reads a whole file into a block of the memory manager. False when it cannot be read.
bool Runner_ReadFile(const std::string& path, uint8_t*& block, size_t& size);

// Runs the debug-information pre-pass over a side file: lists its chunks and checks the string,
// debug-information and script-name tables. Does nothing when its FORM length is wrong.
void Runner_DebugPrePass(const DataView& view);
