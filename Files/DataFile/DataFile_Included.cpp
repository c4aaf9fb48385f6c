#include "DataFile/DataFile_Included.h"

#include <cstdio>
#include <fstream>

#include "Runner/Runner_Folders.h"

std::vector<CDataFile*>& IncludedFiles() {
  static std::vector<CDataFile*> table;
  return table;
}

std::string IncludedFile_ExportPath(const CDataFile& file) {
  switch (file.exportKind) {
    case CDataFile::kToTemp:
      return Folders_TempFolder() + file.name;
    case CDataFile::kToOwnName:
      return Folders_GameFolder() + file.name;
    case CDataFile::kToFolder: {
      std::string folder = file.exportFolder;
      if (!folder.empty() && folder.back() != '/') folder.push_back('/');
      return folder + file.name;
    }
    default:
      return std::string();
  }
}

bool IncludedFiles_Export() {
  for (CDataFile* f : IncludedFiles()) {
    if (f == nullptr || f->exportKind == CDataFile::kNoExport) continue;
    const std::string path = IncludedFile_ExportPath(*f);
    if (!f->overwrite && std::ifstream(path).good()) continue;
    if (f->exportKind == CDataFile::kToFolder) Folders_CreatePath(f->exportFolder);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(f->data.data()), static_cast<std::streamsize>(f->data.size()));
    if (!out) return false;
    if (f->freeAfterExport) {
      f->data.clear();
      f->data.shrink_to_fit();
      f->loaded = false;
    }
  }
  return true;
}

void IncludedFiles_RemoveAndClear() {
  for (CDataFile* f : IncludedFiles()) {
    if (f == nullptr) continue;
    if (f->removeAtEnd && f->exportKind != CDataFile::kNoExport) {
      std::remove(IncludedFile_ExportPath(*f).c_str());
    }
    delete f;
  }
  IncludedFiles().clear();
}
