// The registry_ functions and program execution.
//
// The registry is a per-game key store in the save folder (file "registry.ini", see
// Support/Support_KeyStore.h), written through a temporary file after every change. The plain
// forms keep their values under the key "game"; the _ext forms take a key path (separators '\' or
// '/') below the root that registry_set_root chose: 0 HKEY_CURRENT_USER (the start), 1
// HKEY_LOCAL_MACHINE, 2 HKEY_CLASSES_ROOT, 3 HKEY_USERS. Names ignore the case of letters. A
// value keeps its kind: reading a real as text gives its text as string() prints it, reading a
// text as a real gives the number the text starts with (0 when none). Reals are kept in full.
//
// execute_program(prog, arg, wait) and execute_shell(prog, arg): `arg` is split like a command
// line (blanks separate, double quotes group). A program is found as a file (relative names from
// the save folder, else the game's folder) or, for a bare name, in PATH. An executable file is
// started with the arguments; a URL or any other existing file is handed to xdg-open.
// execute_program waits when asked and then returns the program's exit code; otherwise both
// return 0 once started. A program that cannot be started is reported and gives -1.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "Code/Code_Error.h"
#include "Function/Function_Library.h"
#include "Function/Function_Register.h"
#include "Platform/Platform_Spawn.h"
#include "Runner/Runner_Folders.h"
#include "Support/Support_KeyStore.h"

using namespace Library;

namespace {

constexpr const char* kStoreFile = "registry.ini";
constexpr const char* kGameKey = "game";
constexpr const char* kRoots[] = {"HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_CLASSES_ROOT", "HKEY_USERS"};

struct Registry {
  std::string path;  // the file the store was read from
  CKeyStore store;
  int root = 0;
  bool failureReported = false;
};
Registry g_Registry;

// The store of the current save folder, read the first time it is needed.
CKeyStore& Store() {
  const std::string path = Folders_SaveFolder() + kStoreFile;
  if (path != g_Registry.path) {
    std::string text;
    g_Registry.store = ReadWholeFile(path, text) ? CKeyStore::Parse(text) : CKeyStore();
    g_Registry.path = path;
    g_Registry.failureReported = false;
  }
  return g_Registry.store;
}

void Save() {
  if (WriteFileAtomic(g_Registry.path, g_Registry.store.ToText())) return;
  if (!g_Registry.failureReported) ReportActionErrorF(false, "Cannot write the registry file %s", g_Registry.path.c_str());
  g_Registry.failureReported = true;
}

// The key of a call: "game" for the plain forms, root and path for the _ext forms.
std::string KeyOf(bool ext, int argc, const RValue* args) {
  if (!ext) return kGameKey;
  std::string path = KeyStore_NormalPath(ArgText(argc, args, 0));
  return std::string(kRoots[g_Registry.root]) + (path.empty() ? "" : "\\" + path);
}

template <bool Ext>
void F_WriteString(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  const int n = Ext ? 1 : 0;
  Store().SetText(KeyOf(Ext, argc, args), ArgText(argc, args, n), ArgText(argc, args, n + 1));
  Save();
}

template <bool Ext>
void F_WriteReal(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  const int n = Ext ? 1 : 0;
  Store().SetReal(KeyOf(Ext, argc, args), ArgText(argc, args, n), ArgReal(argc, args, n + 1));
  Save();
}

const CKeyStore::Value* Lookup(bool ext, int argc, const RValue* args) {
  return Store().Find(KeyOf(ext, argc, args), ArgText(argc, args, ext ? 1 : 0));
}

template <bool Ext>
void F_ReadString(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  const CKeyStore::Value* v = Lookup(Ext, argc, args);
  if (v == nullptr) {
    result.SetString("");
  } else if (v->isText) {
    SetStringResult(result, v->text);
  } else {
    result.AdoptText(StringOfValue(RValue(v->real)));
  }
}

template <bool Ext>
void F_ReadReal(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  const CKeyStore::Value* v = Lookup(Ext, argc, args);
  if (v == nullptr) return;
  result.SetReal(v->isText ? std::strtod(v->text.c_str(), nullptr) : v->real);
}

template <bool Ext>
void F_Exists(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  result.SetReal(Lookup(Ext, argc, args) != nullptr ? 1 : 0);
}

void F_SetRoot(RValue&, CInstance*, CInstance*, int argc, RValue* args) {
  const int root = ArgIndex(argc, args, 0);
  if (root < 0 || root > 3) {
    ReportActionErrorF(false, "registry_set_root: unknown root %d (0 to 3)", root);
    return;
  }
  g_Registry.root = root;
}

// ---- Programs ----------------------------------------------------------------------------------

bool IsUrl(const std::string& s) { return s.find("://") != std::string::npos || s.rfind("mailto:", 0) == 0; }

// Where a program name names an existing file: as given when it holds a '/', else through the
// save and game folders; empty when there is no such file.
std::string ExistingFile(const std::string& name) {
  const std::string path = Folders_FindForRead(name);
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? path : std::string();
}

bool IsExecutable(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

void Run(const char* function, bool wait, RValue& result, int argc, const RValue* args) {
  const std::string prog = ArgText(argc, args, 0);
  std::string file = IsUrl(prog) || prog.empty() ? std::string() : ExistingFile(prog);
  // A file of the working folder named without a folder: neither looked up in PATH nor, when it
  // starts with '-', taken for an option.
  if (!file.empty() && file.find('/') == std::string::npos) file = "./" + file;
  SpawnOutcome out;
  if (IsUrl(prog) || (!file.empty() && !IsExecutable(file))) {
    out = Platform_OpenDocument(file.empty() ? prog : file);
  } else {
    out = Platform_Spawn(file.empty() ? prog : file, Platform_SplitCommandLine(ArgText(argc, args, 1)), wait);
  }
  if (!out.started) {
    ReportActionErrorF(false, "%s: cannot start %s: %s", function, prog.c_str(), out.error.c_str());
    result.SetReal(-1);
    return;
  }
  result.SetReal(wait ? out.exitCode : 0);
}

void F_ExecuteProgram(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  Run("execute_program", ArgBool(argc, args, 2), result, argc, args);
}

void F_ExecuteShell(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  Run("execute_shell", false, result, argc, args);
}

}  // namespace

void Function_Registry_Forget() { g_Registry = Registry(); }

void Function_Registry_Implement() {
  ImplementFunction("registry_write_string", F_WriteString<false>);
  ImplementFunction("registry_write_real", F_WriteReal<false>);
  ImplementFunction("registry_read_string", F_ReadString<false>);
  ImplementFunction("registry_read_real", F_ReadReal<false>);
  ImplementFunction("registry_exists", F_Exists<false>);
  ImplementFunction("registry_write_string_ext", F_WriteString<true>);
  ImplementFunction("registry_write_real_ext", F_WriteReal<true>);
  ImplementFunction("registry_read_string_ext", F_ReadString<true>);
  ImplementFunction("registry_read_real_ext", F_ReadReal<true>);
  ImplementFunction("registry_exists_ext", F_Exists<true>);
  ImplementFunction("registry_set_root", F_SetRoot);
  ImplementFunction("execute_program", F_ExecuteProgram);
  ImplementFunction("execute_shell", F_ExecuteShell);
}
