// Writing compiled code: the code chunk (CODE) with one entry per compiled unit, and the variable
// and function reference chunks (VARI, FUNC) whose occurrence chains run through every entry in file
// order. String literals are entered into the writer's string table and each string operand is
// renumbered to its index there.
#pragma once
#include <string>
#include <vector>

#include "Code/Code_Generate.h"
#include "DataFileWriter.h"

struct CodeEntrySpec {
  std::string name;
  Compiler::CompiledCode code;
};

// Writes CODE, VARI and FUNC (in that order) for the entries; entry i gets code index i.
void WriteCode(DataFileWriter& writer, const std::vector<CodeEntrySpec>& entries);
