// The ini_ functions: one INI file open for game code at a time. A relative name is read from the
// save folder when the file exists there, else from the game's working folder, and is always
// written into the save folder. Every write goes through a temporary file renamed into place.
#include <cstdio>
#include <memory>
#include <string>

#include "Base/Base_IniFile.h"
#include "Code/Code_Error.h"
#include "Function/Function_Library.h"
#include "Runner/Runner_Folders.h"
#include "Variable/Variable_Value.h"

using namespace Library;

namespace {

constexpr const char* kReadUndefined = "Trying to read from undefined INI file";
constexpr const char* kChangeUndefined = "Trying to change undefined INI file";

struct OpenIni {
  std::string name;  // as game code gave it
  IniFile ini;
  bool changed = false;
  bool failureReported = false;  // a failed write is reported once per opening
};
std::unique_ptr<OpenIni> g_Ini;

// Writes the file through a temporary file, so a failed write keeps the old one. The entries stay
// changed, so the next write (or the closing) tries again, without a second report.
void WriteIni() {
  if (!g_Ini) return;
  if (!WriteFileAtomic(Folders_MapForWrite(g_Ini->name), g_Ini->ini.ToText())) {
    if (!g_Ini->failureReported) ReportActionErrorF(false, "Cannot write INI file %s", g_Ini->name.c_str());
    g_Ini->failureReported = true;
    return;
  }
  g_Ini->changed = false;
}

void CloseIni() {
  if (g_Ini && g_Ini->changed) WriteIni();
  g_Ini.reset();
}

OpenIni* ForRead() {
  if (!g_Ini) ReportActionError(kReadUndefined, false);
  return g_Ini.get();
}

void F_IniOpen(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  CloseIni();
  auto open = std::make_unique<OpenIni>();
  open->name = ArgText(argc, args, 0);
  std::string text;
  if (ReadWholeFile(Folders_FindForRead(open->name), text)) open->ini = IniFile::Parse(text);
  g_Ini = std::move(open);
}

void F_IniClose(RValue&, CInstance*, CInstance*, int, RValue*) { CloseIni(); }

void F_IniReadString(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  OpenIni* f = ForRead();
  const std::string* value = f ? f->ini.Find(ArgText(argc, args, 0), ArgText(argc, args, 1)) : nullptr;
  if (value != nullptr) {
    SetStringResult(result, *value);
  } else {
    result = Arg(argc, args, 2);  // a copy of the default, whatever its kind
  }
}

void F_IniReadReal(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  OpenIni* f = ForRead();
  const std::string* value = f ? f->ini.Find(ArgText(argc, args, 0), ArgText(argc, args, 1)) : nullptr;
  if (value != nullptr) {
    result.SetReal(StringToReal(value->c_str()));
    return;
  }
  const RValue& def = Arg(argc, args, 2);
  result.SetReal(def.IsReal() ? def.real : StringToReal(def.Str()));
}

// Line breaks in a name, key or value would split its line when written: they become blanks.
std::string OneLine(std::string s) {
  for (char& c : s) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return s;
}

// Sets an entry and writes the file at once; the flush command stores nothing.
void Store(const std::string& rawSection, const std::string& rawKey, const std::string& rawValue) {
  std::string section = OneLine(rawSection), key = OneLine(rawKey), value = OneLine(rawValue);
  if (section == "SYSTEM_COMMAND" && key == "INI_FILE_FLUSH" && value == "NOW") {
    WriteIni();
    return;
  }
  g_Ini->ini.Set(section, key, value);
  g_Ini->changed = true;
  WriteIni();
}

void F_IniWriteString(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  if (!ForRead()) return;
  Store(ArgText(argc, args, 0), ArgText(argc, args, 1), ArgText(argc, args, 2));
}

void F_IniWriteReal(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  if (!ForRead()) return;
  if (!Arg(argc, args, 0).IsString() || !Arg(argc, args, 1).IsString() || !Arg(argc, args, 2).IsReal()) {
    ReportActionError("Wrong argument types for ini_write_real", false);
    return;
  }
  char buffer[512];
  std::snprintf(buffer, sizeof buffer, "%f", ArgReal(argc, args, 2));
  Store(ArgText(argc, args, 0), ArgText(argc, args, 1), buffer);
}

void F_IniKeyExists(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  if (OpenIni* f = ForRead()) {
    result.SetReal(f->ini.KeyExists(ArgText(argc, args, 0), ArgText(argc, args, 1)) ? 1 : 0);
  }
}

void F_IniSectionExists(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  if (OpenIni* f = ForRead()) result.SetReal(f->ini.SectionExists(ArgText(argc, args, 0)) ? 1 : 0);
}

void F_IniKeyDelete(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  if (!g_Ini) {
    ReportActionError(kChangeUndefined, false);
    return;
  }
  if (g_Ini->ini.DeleteKey(ArgText(argc, args, 0), ArgText(argc, args, 1))) {
    g_Ini->changed = true;
    WriteIni();
  }
}

// Removes the section; the file is written when it is closed.
void F_IniSectionDelete(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  if (!g_Ini) {
    ReportActionError(kChangeUndefined, false);
    return;
  }
  if (g_Ini->ini.DeleteSection(ArgText(argc, args, 0))) g_Ini->changed = true;
}

}  // namespace

void Function_Ini_CloseOpenFile() { CloseIni(); }

void Function_Ini_Implement() {
  ImplementFunction("ini_open", F_IniOpen);
  ImplementFunction("ini_close", F_IniClose);
  ImplementFunction("ini_read_string", F_IniReadString);
  ImplementFunction("ini_read_real", F_IniReadReal);
  ImplementFunction("ini_write_string", F_IniWriteString);
  ImplementFunction("ini_write_real", F_IniWriteReal);
  ImplementFunction("ini_key_exists", F_IniKeyExists);
  ImplementFunction("ini_section_exists", F_IniSectionExists);
  ImplementFunction("ini_key_delete", F_IniKeyDelete);
  ImplementFunction("ini_section_delete", F_IniSectionDelete);
}
