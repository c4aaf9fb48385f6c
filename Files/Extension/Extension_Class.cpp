#include "Extension/Extension_Class.h"

#include <set>

#include "DataFile/DataFile_Container.h"
#include "DataFile/DataFile_View.h"

namespace {

std::vector<CExtensionPackage> g_packages;
int g_version = 0;

std::string Text(const DataView& view, uint64_t slot, const char* what) {
  const char* s = view.stringAt(slot, what);
  return s ? s : "";
}

CExtensionFunction LoadFunction(const DataView& view, uint32_t at, std::set<int32_t>& ids) {
  CExtensionFunction f;
  f.name = Text(view, at, "extension function name");
  f.externalName = Text(view, uint64_t(at) + 4, "extension function external name");
  f.id = view.i32(uint64_t(at) + 8, "extension function id");
  f.convention = view.i32(uint64_t(at) + 12, "extension calling convention");
  f.resultType = view.i32(uint64_t(at) + 16, "extension result type");
  f.argumentCount = view.i32(uint64_t(at) + 20, "extension argument count");
  if (f.name.empty()) ThrowFormatError("an extension function has no name");
  if (f.id < 0 || f.id > kExtensionMaxId) ThrowFormatError("extension function %s has the id %d", f.name.c_str(), f.id);
  if (!ids.insert(f.id).second) ThrowFormatError("extension function id %d is used twice", f.id);
  if (f.resultType != 0 && f.resultType != 1) {
    ThrowFormatError("extension function %s has the result type %d", f.name.c_str(), f.resultType);
  }
  if (f.argumentCount < kExtensionAnyCount || f.argumentCount > 16) {
    ThrowFormatError("extension function %s has %d arguments", f.name.c_str(), f.argumentCount);
  }
  for (int32_t i = 0; i < f.argumentCount; ++i) {
    const int32_t type = view.i32(uint64_t(at) + 24 + uint64_t(i) * 4, "extension argument type");
    if (type != 0 && type != 1) ThrowFormatError("extension function %s has the argument type %d", f.name.c_str(), type);
    f.argumentTypes.push_back(type);
  }
  return f;
}

CExtensionFile LoadFile(const DataView& view, uint32_t at, std::set<int32_t>& ids) {
  CExtensionFile file;
  file.fileName = Text(view, at, "extension file name");
  file.initName = Text(view, uint64_t(at) + 4, "extension initialisation function");
  file.finalName = Text(view, uint64_t(at) + 8, "extension finalisation function");
  file.kind = view.i32(uint64_t(at) + 12, "extension file kind");
  const ListView functions = view.list(uint64_t(at) + 16, "extension function list");
  for (uint32_t i = 0; i < functions.count(); ++i) {
    if (const uint32_t entry = functions.entry(i)) file.functions.push_back(LoadFunction(view, entry, ids));
  }
  return file;
}

}  // namespace

void Extension_LoadEXTN(const DataView& view, const ChunkInfo& chunk) {
  std::vector<CExtensionPackage> packages;
  std::set<int32_t> ids;
  const ListView list = view.list(chunk.body, "EXTN list");
  for (uint32_t p = 0; p < list.count(); ++p) {
    const uint32_t at = list.entry(p);
    if (at == 0) continue;
    CExtensionPackage package;
    package.name = Text(view, at, "extension package name");
    package.secondName = Text(view, uint64_t(at) + 4, "extension package second name");
    const ListView files = view.list(uint64_t(at) + 8, "extension file list");
    for (uint32_t i = 0; i < files.count(); ++i) {
      if (const uint32_t entry = files.entry(i)) package.files.push_back(LoadFile(view, entry, ids));
    }
    packages.push_back(std::move(package));
  }
  g_packages = std::move(packages);
  ++g_version;
}

int Extension_PackagesVersion() { return g_version; }

const std::vector<CExtensionPackage>& Extension_Packages() { return g_packages; }

void Extension_SetPackages(std::vector<CExtensionPackage> packages) {
  g_packages = std::move(packages);
  ++g_version;
}
