// The table the registry is built from: every built-in function's name and argument count, grouped
// in the fifteen families, in registration order.
#pragma once

struct FunctionEntry {
  const char* name;
  int argumentCount;  // -1: any number
};

struct FunctionFamilyTable {
  const char* name;
  const FunctionEntry* entries;
  int count;
};

extern const FunctionFamilyTable g_FunctionFamilyTables[];
extern const int g_FunctionFamilyTableCount;
