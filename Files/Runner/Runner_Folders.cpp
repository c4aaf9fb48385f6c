#include "Runner/Runner_Folders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "DataFile/DataFile_General.h"

namespace {

std::string g_gameFile;
std::string g_gameFolder;

bool IsAbsolute(const std::string& name) { return !name.empty() && name[0] == '/'; }

bool Exists(const std::string& path) {
  struct stat st{};
  return ::stat(path.c_str(), &st) == 0;
}

// A display name becomes one folder name: separators and a leading dot would escape the data
// folder, so they are replaced.
std::string FolderNameOf(const std::string& display) {
  std::string name = display;
  for (char& c : name) {
    if (c == '/' || c == '\\') c = '_';
  }
  if (name.empty() || name == "." || name == "..") name = "tessera-game";
  return name;
}

}  // namespace

void Folders_SetGameFile(const std::string& path) {
  g_gameFile = path;
  size_t cut = path.find_last_of('/');
  if (cut == std::string::npos) cut = path.find_last_of('\\');
  g_gameFolder = (cut == std::string::npos) ? std::string() : path.substr(0, cut + 1);
}

const std::string& Folders_GameFile() { return g_gameFile; }
const std::string& Folders_GameFolder() { return g_gameFolder; }

bool Folders_CreatePath(const std::string& path) {
  std::string partial;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '/') {
      if (!partial.empty() && !Exists(partial)) {
        if (::mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST) return false;
      }
    }
    if (i < path.size()) partial.push_back(path[i]);
  }
  return Exists(path);
}

std::string Folders_SaveFolder() {
  std::string base;
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg && *xdg) {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    base = std::string(home && *home ? home : ".") + "/.local/share";
  }
  std::string folder = base + "/" + FolderNameOf(g_General.displayName) + "/";
  Folders_CreatePath(folder);
  return folder;
}

std::string Folders_TempFolder() {
  const char* tmp = std::getenv("TMPDIR");
  std::string folder = (tmp && *tmp) ? tmp : "/tmp";
  if (folder.back() != '/') folder.push_back('/');
  return folder;
}

std::string Folders_MapForWrite(const std::string& name) {
  if (IsAbsolute(name)) return name;
  return Folders_SaveFolder() + name;
}

std::string Folders_FindForRead(const std::string& name) {
  if (IsAbsolute(name)) return name;
  std::string saved = Folders_SaveFolder() + name;
  if (Exists(saved)) return saved;
  return g_gameFolder + name;
}
