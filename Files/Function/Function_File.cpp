// Text, binary and legacy files, file and folder management, file search, file names, included
// files and the environment.
//
// Names: a relative name is read from the save folder when the file exists there, else from the
// game's working folder; it is always written (created, deleted, renamed) in the save folder. An
// absolute name is used as given.
//
// An open file is held in memory: a file opened for reading is read whole at opening, a file
// opened for writing is collected and written at closing (or at game end) through a temporary
// file renamed into place, so a failed write never leaves half a file. A file that cannot be
// opened gives -1; handles of closed or never opened files are reported as errors.
#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "Code/Code_Error.h"
#include "DataFile/DataFile_Included.h"
#include "Function/Function_Library.h"
#include "Platform/Platform_Process.h"
#include "Runner/Runner_Folders.h"
#include "Variable/Variable_Value.h"

using namespace Library;

namespace {

constexpr int kMaxFiles = 32;

struct COpenFile {
  bool text = true;
  bool readable = false;
  bool writable = false;
  bool dirty = false;
  std::string path;  // where a writable file goes
  std::string data;
  size_t pos = 0;
};

// Handles 1..kMaxFiles; slot 0 stays empty so that no valid handle reads as false.
std::unique_ptr<COpenFile> g_Files[kMaxFiles + 1];
// The file of the legacy file_ functions (a handle, or 0).
int g_LegacyFile = 0;

bool IsDirectory(const std::string& path) {
  struct stat st;
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsRegularFile(const std::string& path) {
  struct stat st;
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The folder part of a path, "." when there is none.
std::string FolderOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool CanWriteInto(const std::string& path) {
  std::string folder = FolderOf(path);
  return IsDirectory(folder) && access(folder.c_str(), W_OK) == 0 && !IsDirectory(path);
}

int NewHandle(std::unique_ptr<COpenFile> file) {
  for (int i = 1; i <= kMaxFiles; ++i) {
    if (!g_Files[i]) {
      g_Files[i] = std::move(file);
      return i;
    }
  }
  ReportActionError("Cannot open another file: too many files are open.", false);
  return -1;
}

COpenFile* Handle(int handle, bool text) {
  COpenFile* f = (handle >= 1 && handle <= kMaxFiles) ? g_Files[handle].get() : nullptr;
  if (f == nullptr || f->text != text) {
    ReportActionErrorF(false, "File handle %d is not an open %s file.", handle, text ? "text" : "binary");
    return nullptr;
  }
  return f;
}

// Writes a changed writable file; false when the write failed.
bool Commit(COpenFile& f) {
  if (!f.writable || !f.dirty) return true;
  if (!WriteFileAtomic(f.path, f.data)) {
    ReportActionErrorF(false, "Cannot write file %s", f.path.c_str());
    return false;
  }
  f.dirty = false;
  return true;
}

void CloseHandle(int handle) {
  if (handle < 1 || handle > kMaxFiles || !g_Files[handle]) return;
  Commit(*g_Files[handle]);
  g_Files[handle].reset();
  if (g_LegacyFile == handle) g_LegacyFile = 0;
}

enum class Mode { Read, Write, Append, ReadWrite };

int Open(const std::string& name, bool text, Mode mode) {
  auto f = std::make_unique<COpenFile>();
  f->text = text;
  if (name.empty()) return -1;
  switch (mode) {
    case Mode::Read:
      if (!ReadWholeFile(Folders_FindForRead(name), f->data)) return -1;
      f->readable = true;
      break;
    case Mode::Write:
      f->path = Folders_MapForWrite(name);
      if (!CanWriteInto(f->path)) return -1;
      f->writable = true;
      f->dirty = true;  // closing creates the file even when nothing was written
      break;
    case Mode::Append:
    case Mode::ReadWrite:
      f->path = Folders_MapForWrite(name);
      if (!CanWriteInto(f->path)) return -1;
      if (IsRegularFile(f->path)) {
        if (!ReadWholeFile(f->path, f->data)) return -1;
      } else if (mode == Mode::ReadWrite) {
        ReadWholeFile(Folders_FindForRead(name), f->data);
      }
      f->writable = true;
      f->readable = mode == Mode::ReadWrite;
      f->dirty = true;
      if (mode == Mode::Append) f->pos = f->data.size();
      break;
  }
  return NewHandle(std::move(f));
}

// ---- Text reading and writing ----------------------------------------------------------------

bool IsLineBreak(char c) { return c == '\n' || c == '\r'; }

// The text up to the end of the line; the position stops at the line break.
std::string ReadString(COpenFile& f) {
  size_t start = f.pos;
  while (f.pos < f.data.size() && !IsLineBreak(f.data[f.pos])) ++f.pos;
  return f.data.substr(start, f.pos - start);
}

// The rest of the line, and the position moves past its line break (LF, CR LF or CR).
std::string ReadLine(COpenFile& f) {
  std::string rest = ReadString(f);
  if (f.pos < f.data.size()) {
    char c = f.data[f.pos++];
    if (c == '\r' && f.pos < f.data.size() && f.data[f.pos] == '\n') ++f.pos;
  }
  return rest;
}

// A number after any blanks and line breaks; 0 when none follows (the position is then after the
// blanks).
double ReadReal(COpenFile& f) {
  while (f.pos < f.data.size() && (f.data[f.pos] == ' ' || f.data[f.pos] == '\t' || IsLineBreak(f.data[f.pos]))) {
    ++f.pos;
  }
  const char* begin = f.data.c_str() + f.pos;
  char* end = nullptr;
  double x = std::strtod(begin, &end);
  if (end == begin) return 0.0;
  f.pos += static_cast<size_t>(end - begin);
  return x;
}

void WriteText(COpenFile& f, const std::string& text) {
  f.data.insert(f.pos, text);
  f.pos += text.size();
  f.dirty = true;
}

// A number as text: a whole number in full, any other with the fewest digits that read back as
// the same value. A number that directly follows other text on the line is set off by a blank.
void WriteReal(COpenFile& f, double x) {
  char buffer[512];
  if (RealIsIntegral(x)) {
    FormatIntegralReal(x, buffer, sizeof buffer);
  } else {
    for (int digits = 15; digits <= 17; ++digits) {
      std::snprintf(buffer, sizeof buffer, "%.*g", digits, x);
      if (std::strtod(buffer, nullptr) == x) break;
    }
  }
  std::string text = buffer;
  if (f.pos > 0 && !IsLineBreak(f.data[f.pos - 1]) && f.data[f.pos - 1] != ' ' && f.data[f.pos - 1] != '\t') {
    text.insert(text.begin(), ' ');
  }
  WriteText(f, text);
}

bool CheckReadable(COpenFile* f) {
  if (f == nullptr) return false;
  if (!f->readable) {
    ReportActionError("The file is not open for reading.", false);
    return false;
  }
  return true;
}

bool CheckWritable(COpenFile* f) {
  if (f == nullptr) return false;
  if (!f->writable) {
    ReportActionError("The file is not open for writing.", false);
    return false;
  }
  return true;
}

// ---- file_text_ ---------------------------------------------------------------------------------

template <Mode M>
void F_TextOpen(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  result.SetReal(Open(ArgText(argc, args, 0), true, M));
}
void F_TextClose(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  int h = ArgIndex(argc, args, 0);
  if (Handle(h, true) != nullptr) CloseHandle(h);
}
void F_TextReadString(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  COpenFile* f = Handle(ArgIndex(argc, args, 0), true);
  SetStringResult(result, CheckReadable(f) ? ReadString(*f) : std::string());
}
void F_TextReadReal(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  COpenFile* f = Handle(ArgIndex(argc, args, 0), true);
  if (CheckReadable(f)) result.SetReal(ReadReal(*f));
}
void F_TextReadln(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  COpenFile* f = Handle(ArgIndex(argc, args, 0), true);
  SetStringResult(result, CheckReadable(f) ? ReadLine(*f) : std::string());
}
void F_TextEof(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  COpenFile* f = Handle(ArgIndex(argc, args, 0), true);
  result.SetReal(f == nullptr || f->pos >= f->data.size() ? 1 : 0);
}
void F_TextWriteString(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  COpenFile* f = Handle(ArgIndex(argc, args, 0), true);
  if (CheckWritable(f)) WriteText(*f, ArgText(argc, args, 1));
}
void F_TextWriteReal(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  COpenFile* f = Handle(ArgIndex(argc, args, 0), true);
  if (CheckWritable(f)) WriteReal(*f, ArgReal(argc, args, 1));
}
void F_TextWriteln(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  COpenFile* f = Handle(ArgIndex(argc, args, 0), true);
  if (CheckWritable(f)) WriteText(*f, "\r\n");
}

// ---- The legacy file_ functions: one implicit file -------------------------------------------

template <Mode M>
void F_LegacyOpen(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  if (g_LegacyFile != 0) CloseHandle(g_LegacyFile);
  std::string name = ArgText(argc, args, 0);
  int h = Open(name, true, M);
  if (h < 0) {
    ReportActionErrorF(false, "Cannot open file %s", name.c_str());
    return;
  }
  g_LegacyFile = h;
}
COpenFile* Legacy() {
  COpenFile* f = g_LegacyFile != 0 ? g_Files[g_LegacyFile].get() : nullptr;
  if (f == nullptr) ReportActionError("No file is open.", false);
  return f;
}
void F_LegacyClose(RValue&, CInstance*, CInstance*, int, RValue*) {
  if (g_LegacyFile != 0) CloseHandle(g_LegacyFile);
}
void F_LegacyReadString(RValue& result, CInstance*, CInstance*, int, RValue*) {
  COpenFile* f = Legacy();
  SetStringResult(result, CheckReadable(f) ? ReadString(*f) : std::string());
}
void F_LegacyReadReal(RValue& result, CInstance*, CInstance*, int, RValue*) {
  COpenFile* f = Legacy();
  if (CheckReadable(f)) result.SetReal(ReadReal(*f));
}
void F_LegacyReadln(RValue& result, CInstance*, CInstance*, int, RValue*) {
  COpenFile* f = Legacy();
  SetStringResult(result, CheckReadable(f) ? ReadLine(*f) : std::string());
}
void F_LegacyEof(RValue& result, CInstance*, CInstance*, int, RValue*) {
  COpenFile* f = g_LegacyFile != 0 ? g_Files[g_LegacyFile].get() : nullptr;
  result.SetReal(f == nullptr || f->pos >= f->data.size() ? 1 : 0);
}
void F_LegacyWriteString(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  COpenFile* f = Legacy();
  if (CheckWritable(f)) WriteText(*f, ArgText(argc, args, 0));
}
void F_LegacyWriteReal(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  COpenFile* f = Legacy();
  if (CheckWritable(f)) WriteReal(*f, ArgReal(argc, args, 0));
}
void F_LegacyWriteln(RValue&, CInstance*, CInstance*, int, RValue*) {
  COpenFile* f = Legacy();
  if (CheckWritable(f)) WriteText(*f, "\r\n");
}

// ---- file_bin_ ----------------------------------------------------------------------------------

// file_bin_open(name, mode): 0 read only, 1 write only (emptied), 2 read and write.
void F_BinOpen(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  int mode = ArgIndex(argc, args, 1);
  Mode m = mode == 1 ? Mode::Write : (mode == 2 ? Mode::ReadWrite : Mode::Read);
  int h = Open(ArgText(argc, args, 0), false, m);
  if (h > 0) g_Files[h]->pos = 0;
  result.SetReal(h);
}
void F_BinRewrite(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  COpenFile* f = Handle(ArgIndex(argc, args, 0), false);
  if (!CheckWritable(f)) return;
  f->data.clear();
  f->pos = 0;
  f->dirty = true;
}
void F_BinClose(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  int h = ArgIndex(argc, args, 0);
  if (Handle(h, false) != nullptr) CloseHandle(h);
}
void F_BinPosition(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  if (COpenFile* f = Handle(ArgIndex(argc, args, 0), false)) result.SetReal(static_cast<double>(f->pos));
}
void F_BinSize(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  if (COpenFile* f = Handle(ArgIndex(argc, args, 0), false)) result.SetReal(static_cast<double>(f->data.size()));
}
// Moves to a position within 0..size.
void F_BinSeek(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  COpenFile* f = Handle(ArgIndex(argc, args, 0), false);
  if (f == nullptr) return;
  double pos = std::fmax(0.0, std::floor(ArgReal(argc, args, 1)));
  f->pos = pos >= static_cast<double>(f->data.size()) ? f->data.size() : static_cast<size_t>(pos);
}
// The byte at the position (the position advances); 0 at the end of the file.
void F_BinReadByte(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  COpenFile* f = Handle(ArgIndex(argc, args, 0), false);
  if (!CheckReadable(f) || f->pos >= f->data.size()) return;
  result.SetReal(static_cast<uint8_t>(f->data[f->pos++]));
}
// Writes the byte (value AND 255) at the position, over the old byte or at the end.
void F_BinWriteByte(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  COpenFile* f = Handle(ArgIndex(argc, args, 0), false);
  if (!CheckWritable(f)) return;
  char byte = static_cast<char>(static_cast<int64_t>(ArgReal(argc, args, 1)) & 0xFF);
  if (f->pos < f->data.size()) {
    f->data[f->pos] = byte;
  } else {
    f->data.push_back(byte);
  }
  ++f->pos;
  f->dirty = true;
}

// ---- Files and folders ---------------------------------------------------------------------

void SetBool(RValue& result, bool on) { result.SetReal(on ? 1.0 : 0.0); }

void F_FileExists(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  std::string name = ArgText(argc, args, 0);
  SetBool(result, !name.empty() && IsRegularFile(Folders_FindForRead(name)));
}
void F_FileDelete(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  std::string path = Folders_MapForWrite(ArgText(argc, args, 0));
  SetBool(result, IsRegularFile(path) && std::remove(path.c_str()) == 0);
}
void F_FileRename(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  std::string from = Folders_MapForWrite(ArgText(argc, args, 0));
  std::string to = Folders_MapForWrite(ArgText(argc, args, 1));
  // An existing target is not replaced.
  bool ok = IsRegularFile(from) && access(to.c_str(), F_OK) != 0 && std::rename(from.c_str(), to.c_str()) == 0;
  SetBool(result, ok);
}
void F_FileCopy(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  std::string data;
  std::string from = ArgText(argc, args, 0);
  std::string to = Folders_MapForWrite(ArgText(argc, args, 1));
  bool ok = !from.empty() && ReadWholeFile(Folders_FindForRead(from), data) && WriteFileAtomic(to, data);
  SetBool(result, ok);
}
void F_DirectoryExists(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  std::string name = ArgText(argc, args, 0);
  if (name.empty()) return;
  bool found = IsDirectory(Folders_MapForWrite(name)) ||
               (name[0] != '/' && IsDirectory(Folders_GameFolder() + name));
  SetBool(result, found);
}
void F_DirectoryCreate(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  std::string name = ArgText(argc, args, 0);
  SetBool(result, !name.empty() && Folders_CreatePath(Folders_MapForWrite(name)));
}

// ---- Attributes and search -----------------------------------------------------------------

constexpr int kAttrReadOnly = 1;
constexpr int kAttrHidden = 2;
constexpr int kAttrSystem = 4;
constexpr int kAttrVolume = 8;
constexpr int kAttrDirectory = 16;
constexpr int kAttrArchive = 32;

// The attributes of an existing entry; -1 when there is none. Names starting with '.' are hidden;
// entries that are neither files nor folders (devices, sockets) are system entries.
int AttributesOf(const std::string& path, const std::string& leaf) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return -1;
  int attrs = 0;
  if (S_ISDIR(st.st_mode)) {
    attrs |= kAttrDirectory;
  } else if (S_ISREG(st.st_mode)) {
    attrs |= kAttrArchive;
  } else {
    attrs |= kAttrSystem;
  }
  if (!leaf.empty() && leaf[0] == '.') attrs |= kAttrHidden;
  if (access(path.c_str(), W_OK) != 0) attrs |= kAttrReadOnly;
  return attrs;
}

std::string LeafOf(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// file_attributes(name, attr): whether the file exists and has every attribute given.
void F_FileAttributes(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  std::string name = ArgText(argc, args, 0);
  if (name.empty()) return;
  int want = ArgIndex(argc, args, 1) & ~kAttrVolume;
  int attrs = AttributesOf(Folders_FindForRead(name), LeafOf(name));
  SetBool(result, attrs >= 0 && (attrs & want) == want);
}

std::vector<std::string> g_Found;
size_t g_FoundNext = 0;

void NextFound(RValue& result) {
  SetStringResult(result, g_FoundNext < g_Found.size() ? g_Found[g_FoundNext++] : std::string());
}

// file_find_first(mask, attr): the names (without folder) matching the mask's last part in the
// mask's folder, sorted; plain files always, folders only with fa_directory, hidden entries only
// with fa_hidden, other entries only with fa_sysfile. A relative mask looks in the save folder
// and the game's working folder.
void F_FindFirst(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  g_Found.clear();
  g_FoundNext = 0;
  std::string mask = ArgText(argc, args, 0);
  int attr = ArgIndex(argc, args, 1);
  size_t slash = mask.find_last_of('/');
  std::string folder = slash == std::string::npos ? std::string() : mask.substr(0, slash + 1);
  std::string pattern = slash == std::string::npos ? mask : mask.substr(slash + 1);
  std::vector<std::string> folders;
  if (!folder.empty() && folder[0] == '/') {
    folders.push_back(folder);
  } else {
    folders.push_back(Folders_MapForWrite(folder));
    folders.push_back(Folders_GameFolder() + folder);
  }
  std::set<std::string> names;
  for (const auto& f : folders) {
    DIR* dir = opendir(f.empty() ? "." : f.c_str());
    if (dir == nullptr) continue;
    while (dirent* e = readdir(dir)) {
      std::string leaf = e->d_name;
      if (leaf == "." || leaf == ".." || fnmatch(pattern.c_str(), leaf.c_str(), 0) != 0) continue;
      int attrs = AttributesOf(f + leaf, leaf);
      if (attrs < 0) continue;
      if ((attrs & kAttrDirectory) && !(attr & kAttrDirectory)) continue;
      if ((attrs & kAttrHidden) && !(attr & kAttrHidden)) continue;
      if ((attrs & kAttrSystem) && !(attr & kAttrSystem)) continue;
      names.insert(leaf);
    }
    closedir(dir);
  }
  g_Found.assign(names.begin(), names.end());
  NextFound(result);
}
void F_FindNext(RValue& result, CInstance*, CInstance*, int, RValue*) { NextFound(result); }
void F_FindClose(RValue&, CInstance*, CInstance*, int, RValue*) {
  g_Found.clear();
  g_FoundNext = 0;
}

// ---- File names (both '/' and '\' separate folders) -----------------------------------------

size_t LastSeparator(const std::string& s) { return s.find_last_of("/\\"); }

void F_FilenameName(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  SetStringResult(result, LeafOf(ArgText(argc, args, 0)));
}
void F_FilenamePath(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  std::string s = ArgText(argc, args, 0);
  size_t sep = LastSeparator(s);
  SetStringResult(result, sep == std::string::npos ? std::string() : s.substr(0, sep + 1));
}
void F_FilenameDir(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  std::string s = ArgText(argc, args, 0);
  size_t sep = LastSeparator(s);
  SetStringResult(result, sep == std::string::npos ? std::string() : s.substr(0, sep));
}
void F_FilenameDrive(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  std::string s = ArgText(argc, args, 0);
  bool drive = s.size() >= 2 && s[1] == ':' &&
               ((s[0] >= 'a' && s[0] <= 'z') || (s[0] >= 'A' && s[0] <= 'Z'));
  SetStringResult(result, drive ? s.substr(0, 2) : std::string());
}
// The position of the extension's '.' in the name part; npos when there is none.
size_t ExtensionAt(const std::string& s) {
  size_t sep = LastSeparator(s);
  size_t dot = s.find_last_of('.');
  if (dot == std::string::npos || (sep != std::string::npos && dot < sep)) return std::string::npos;
  return dot;
}
void F_FilenameExt(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  std::string s = ArgText(argc, args, 0);
  size_t dot = ExtensionAt(s);
  SetStringResult(result, dot == std::string::npos ? std::string() : s.substr(dot));
}
void F_FilenameChangeExt(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  std::string s = ArgText(argc, args, 0);
  size_t dot = ExtensionAt(s);
  SetStringResult(result, (dot == std::string::npos ? s : s.substr(0, dot)) + ArgText(argc, args, 1));
}

// ---- Included files --------------------------------------------------------------------------

CDataFile* FindIncluded(const std::string& name) {
  for (CDataFile* f : IncludedFiles()) {
    if (f != nullptr && (f->name == name || LeafOf(f->name) == name)) return f;
  }
  ReportActionErrorF(false, "There is no included file named %s", name.c_str());
  return nullptr;
}

bool ExportIncluded(CDataFile& f, const std::string& path) {
  if (!f.loaded && f.data.empty()) {
    ReportActionErrorF(false, "The included file %s has been discarded", f.name.c_str());
    return false;
  }
  std::string data(reinterpret_cast<const char*>(f.data.data()), f.data.size());
  if (!WriteFileAtomic(path, data)) {
    ReportActionErrorF(false, "Cannot write file %s", path.c_str());
    return false;
  }
  return true;
}

// export_include_file(name): to the place its settings name (the temporary folder when they name
// none).
void F_ExportIncludeFile(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  CDataFile* f = FindIncluded(ArgText(argc, args, 0));
  if (f == nullptr) return;
  std::string path = IncludedFile_ExportPath(*f);
  if (path.empty()) path = Folders_TempFolder() + LeafOf(f->name);
  if (f->exportKind == CDataFile::kToFolder) Folders_CreatePath(f->exportFolder);
  ExportIncluded(*f, path);
}
// export_include_file_location(name, location): to the given file name.
void F_ExportIncludeFileLocation(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  CDataFile* f = FindIncluded(ArgText(argc, args, 0));
  std::string location = ArgText(argc, args, 1);
  if (f == nullptr || location.empty()) return;
  ExportIncluded(*f, Folders_MapForWrite(location));
}
// discard_include_file(name): frees the file's bytes; it can no longer be exported.
void F_DiscardIncludeFile(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  CDataFile* f = FindIncluded(ArgText(argc, args, 0));
  if (f == nullptr) return;
  f->data.clear();
  f->data.shrink_to_fit();
  f->loaded = false;
}

// parameter_string(0) is the program, 1 .. parameter_count() what followed it; anything else "".
void F_ParameterCount(RValue& result, CInstance*, CInstance*, int, RValue*) {
  result.SetReal(Platform_ParameterCount());
}

void F_ParameterString(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  const char* text = Platform_Parameter(ArgIndex(argc, args, 0));
  SetStringResult(result, text != nullptr ? text : "");
}

void F_EnvironmentGetVariable(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  const char* value = std::getenv(ArgText(argc, args, 0).c_str());
  SetStringResult(result, value != nullptr ? value : "");
}

}  // namespace

void Function_CloseAllFiles() {
  for (int i = 1; i <= kMaxFiles; ++i) CloseHandle(i);
  g_LegacyFile = 0;
  g_Found.clear();
  g_FoundNext = 0;
  Function_Ini_CloseOpenFile();
}

void Function_File_Implement() {
  ImplementFunction("file_bin_open", F_BinOpen);
  ImplementFunction("file_bin_rewrite", F_BinRewrite);
  ImplementFunction("file_bin_close", F_BinClose);
  ImplementFunction("file_bin_position", F_BinPosition);
  ImplementFunction("file_bin_size", F_BinSize);
  ImplementFunction("file_bin_seek", F_BinSeek);
  ImplementFunction("file_bin_read_byte", F_BinReadByte);
  ImplementFunction("file_bin_write_byte", F_BinWriteByte);
  ImplementFunction("file_text_open_read", F_TextOpen<Mode::Read>);
  ImplementFunction("file_text_open_write", F_TextOpen<Mode::Write>);
  ImplementFunction("file_text_open_append", F_TextOpen<Mode::Append>);
  ImplementFunction("file_text_close", F_TextClose);
  ImplementFunction("file_text_read_string", F_TextReadString);
  ImplementFunction("file_text_read_real", F_TextReadReal);
  ImplementFunction("file_text_readln", F_TextReadln);
  ImplementFunction("file_text_eof", F_TextEof);
  ImplementFunction("file_text_write_string", F_TextWriteString);
  ImplementFunction("file_text_write_real", F_TextWriteReal);
  ImplementFunction("file_text_writeln", F_TextWriteln);
  ImplementFunction("file_open_read", F_LegacyOpen<Mode::Read>);
  ImplementFunction("file_open_write", F_LegacyOpen<Mode::Write>);
  ImplementFunction("file_open_append", F_LegacyOpen<Mode::Append>);
  ImplementFunction("file_close", F_LegacyClose);
  ImplementFunction("file_read_string", F_LegacyReadString);
  ImplementFunction("file_read_real", F_LegacyReadReal);
  ImplementFunction("file_readln", F_LegacyReadln);
  ImplementFunction("file_eof", F_LegacyEof);
  ImplementFunction("file_write_string", F_LegacyWriteString);
  ImplementFunction("file_write_real", F_LegacyWriteReal);
  ImplementFunction("file_writeln", F_LegacyWriteln);
  ImplementFunction("file_exists", F_FileExists);
  ImplementFunction("file_delete", F_FileDelete);
  ImplementFunction("file_rename", F_FileRename);
  ImplementFunction("file_copy", F_FileCopy);
  ImplementFunction("directory_exists", F_DirectoryExists);
  ImplementFunction("directory_create", F_DirectoryCreate);
  ImplementFunction("file_find_first", F_FindFirst);
  ImplementFunction("file_find_next", F_FindNext);
  ImplementFunction("file_find_close", F_FindClose);
  ImplementFunction("file_attributes", F_FileAttributes);
  ImplementFunction("filename_name", F_FilenameName);
  ImplementFunction("filename_path", F_FilenamePath);
  ImplementFunction("filename_dir", F_FilenameDir);
  ImplementFunction("filename_drive", F_FilenameDrive);
  ImplementFunction("filename_ext", F_FilenameExt);
  ImplementFunction("filename_change_ext", F_FilenameChangeExt);
  ImplementFunction("export_include_file", F_ExportIncludeFile);
  ImplementFunction("export_include_file_location", F_ExportIncludeFileLocation);
  ImplementFunction("discard_include_file", F_DiscardIncludeFile);
  ImplementFunction("environment_get_variable", F_EnvironmentGetVariable);
  ImplementFunction("parameter_count", F_ParameterCount);
  ImplementFunction("parameter_string", F_ParameterString);
}
