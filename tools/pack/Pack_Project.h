// Reading a project folder and building its data file in memory.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "DataFileWriter.h"

struct PackOptions {
  bool source = false;  // write source text instead of bytecode
};

// Builds the data file of the project in `folder`, and for bytecode games its debug side file
// (source texts and positions, so that runtime errors show source lines). On failure returns false
// with a message that names the project file and, where known, the line and column.
bool Pack_BuildProject(const std::string& folder, const PackOptions& options, std::vector<uint8_t>& out,
                       std::vector<uint8_t>& debug, std::string& error);

// The side file's path for a data file: its name up to the last '.', then ".brindledebug".
std::string Pack_DebugFilePath(const std::string& dataFile);
