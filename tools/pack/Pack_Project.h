// Reading a project folder and building its data file in memory.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "DataFileWriter.h"

struct PackOptions {
  bool source = false;  // write source text instead of bytecode
};

// Builds the data file of the project in `folder`. On failure returns false with a message that
// names the project file and, where known, the line and column.
bool Pack_BuildProject(const std::string& folder, const PackOptions& options, std::vector<uint8_t>& out,
                       std::string& error);
