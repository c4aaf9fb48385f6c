// Writing compiled code: the code chunk (CODE) with one entry per compiled unit, and the variable
// and function reference chunks (VARI, FUNC) whose occurrence chains run through every entry in file
// order. String literals are entered into the writer's string table and each string operand is
// renumbered to its index there.
#pragma once
#include <string>
#include <vector>

#include "Code/Code_Generate.h"
#include "DataFileWriter.h"

struct CodeEntryDesc {
  std::string name;
  Compiler::CompiledCode code;
  std::string source;  // the text the code was compiled from (for the debug side file)
};

// Writes CODE, VARI and FUNC (in that order) for the entries; entry i gets code index i.
void WriteCode(DataFileWriter& writer, const std::vector<CodeEntryDesc>& entries);

// Writes the debug side file's chunks for the same entries: the position tables (DBGI) and the
// source texts (SCPT), with their string table.
void WriteDebugInfo(DataFileWriter& writer, const std::vector<CodeEntryDesc>& entries);
