// The included-file table: files shipped with a game, exported before it starts and optionally
// removed when it ends.
#pragma once
#include <string>
#include <vector>

struct CDataFile {
  enum ExportKind { kNoExport = 0, kToTemp = 1, kToOwnName = 2, kToFolder = 3 };
  std::string name;
  bool loaded = false;
  std::vector<unsigned char> data;
  int exportKind = kNoExport;
  std::string exportFolder;
  bool overwrite = false;
  bool freeAfterExport = false;
  bool removeAtEnd = false;
};

// The table (a slot may be empty). A game loaded from the data file's container has none: the
// container's included-file chunk is only checked, never turned into records.
std::vector<CDataFile*>& IncludedFiles();

// Where a file of the given kind is exported; empty for kNoExport.
std::string IncludedFile_ExportPath(const CDataFile& file);
// Exports every file whose kind asks for it; false when one cannot be written.
bool IncludedFiles_Export();
// Deletes the exported files marked for removal and empties the table.
void IncludedFiles_RemoveAndClear();
