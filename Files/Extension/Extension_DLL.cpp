#include "Extension/Extension_DLL.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <strings.h>

#include "Code/Code_Error.h"
#include "Extension/Extension_Native.h"
#include "Platform/Platform_Console.h"
#include "Runner/Runner_Folders.h"

namespace {

std::vector<CDLLDefinition> g_definitions;
bool g_skipCalls = false;

// Native code crashed: its library (and whatever it wrote) cannot be trusted, so the game does not
// go on. The report is fatal and the process ends at once with exit code 1, without running the
// finalisation of anything that may touch the library.
[[noreturn]] void NativeCrashed(const std::string& function) {
  ReportActionErrorF(true, "%s: the native code crashed", function.c_str());
  Console::Flush();
  std::fflush(nullptr);
  _exit(1);
}

bool IsFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string WorkingFolder() {
  char buffer[4096];
  if (getcwd(buffer, sizeof buffer) == nullptr) return "./";
  return std::string(buffer) + "/";
}

// The name and, for a ".dll" name, its ".so" forms.
std::vector<std::string> NameForms(const std::string& name) {
  std::vector<std::string> forms{name};
  if (name.size() > 4 && strcasecmp(name.c_str() + name.size() - 4, ".dll") == 0) {
    const std::string base = name.substr(0, name.size() - 4);
    const size_t slash = base.find_last_of("/\\");
    const std::string folder = slash == std::string::npos ? "" : base.substr(0, slash + 1);
    const std::string file = slash == std::string::npos ? base : base.substr(slash + 1);
    forms.push_back(folder + "lib" + file + ".so");
    forms.push_back(base + ".so");
  }
  return forms;
}

}  // namespace

std::vector<std::string> DLL_Candidates(const std::string& name) {
  std::vector<std::string> found, loaderNames;
  const std::vector<std::string> forms = NameForms(name);
  for (const std::string& form : forms) {
    if (!form.empty() && form[0] == '/') {
      if (IsFile(form)) found.push_back(form);
      continue;
    }
    for (const std::string& folder : {Folders_SaveFolder(), WorkingFolder(), Folders_GameFolder()}) {
      if (folder.empty()) continue;
      const std::string path = folder + form;
      if (IsFile(path)) found.push_back(path);
    }
  }
  if (!found.empty()) return {found.front()};
  // Not a file anywhere we look: the loader's own search, the ".so" forms first.
  loaderNames.insert(loaderNames.end(), forms.begin() + 1, forms.end());
  loaderNames.push_back(forms.front());
  return loaderNames;
}

int DLL_Define(const std::string& library, const std::string& name, int convention, int argumentCount,
               const int* argumentTypes, bool stringResult, std::string& error) {
  if (argumentCount < 0 || argumentCount > kDLLMaxArguments) {
    error = "DLL functions can have at most 16 arguments";
    return -1;
  }
  bool anyString = false;
  for (int i = 0; i < argumentCount; ++i) anyString = anyString || argumentTypes[i] == kDLLTypeString;
  if (anyString && argumentCount > kDLLMaxStringArguments) {
    error = "DLL functions with more than 4 arguments cannot have string arguments";
    return -1;
  }
  CDLLDefinition d;
  // A library already loaded under one of the candidate paths is shared.
  const std::vector<std::string> candidates = DLL_Candidates(library);
  for (const std::string& path : candidates) {
    for (const CDLLDefinition& other : g_definitions) {
      if (other.module != nullptr && other.path == path) {
        d.path = path;
        d.module = other.module;
        break;
      }
    }
    if (d.module != nullptr) break;
  }
  bool opened = false;
  if (d.module == nullptr) {
    std::string why;
    for (const std::string& path : candidates) {
      bool crashed = false;
      d.module = Native::Open(path, why, crashed);
      if (crashed) NativeCrashed(library);
      if (d.module != nullptr) {
        d.path = path;
        opened = true;
        break;
      }
    }
    if (d.module == nullptr) {
      error = "cannot load the library " + library + ": " + why;
      return -1;
    }
  }
  d.entry = Native::Symbol(d.module, name.c_str());
  if (d.entry == nullptr) {
    // The decorated stdcall name: 8 bytes per real argument, 4 per string.
    int bytes = 0;
    for (int i = 0; i < argumentCount; ++i) bytes += argumentTypes[i] == kDLLTypeString ? 4 : 8;
    char decorated[600];
    std::snprintf(decorated, sizeof decorated, "_%s@%d", name.c_str(), bytes);
    d.entry = Native::Symbol(d.module, decorated);
  }
  if (d.entry == nullptr) {
    if (opened) Native::Close(d.module);
    error = "the library " + library + " has no function " + name;
    return -1;
  }
  d.name = name;
  d.convention = convention;
  d.argumentCount = argumentCount;
  for (int i = 0; i < argumentCount; ++i) d.argumentTypes[i] = argumentTypes[i] == kDLLTypeString ? 1 : 0;
  d.stringResult = stringResult;
  g_definitions.push_back(std::move(d));
  return static_cast<int>(g_definitions.size()) - 1;
}

void DLL_Call(int id, int argc, const RValue* args, RValue& result) {
  result.Reset();
  if (id < 0 || id >= DLL_DefinitionCount()) return;
  const CDLLDefinition& d = g_definitions[size_t(id)];
  if (d.module == nullptr || argc != d.argumentCount) return;
  if (g_skipCalls) return;
  Native::Argument native[kDLLMaxArguments];
  for (int i = 0; i < argc; ++i) {
    const bool wantString = d.argumentTypes[i] == kDLLTypeString;
    if (wantString != args[i].IsString()) {
      ReportActionErrorF(false, "external_call: argument %d of %s must be a %s", i + 1, d.name.c_str(),
                         wantString ? "string" : "real");
      return;
    }
    native[i] = {wantString, wantString ? 0.0 : args[i].real, wantString ? args[i].Str() : nullptr};
  }
  double real = 0.0;
  const char* text = nullptr;
  const Native::Outcome outcome = Native::Call(d.entry, argc, native, d.stringResult, real, text);
  if (outcome == Native::Outcome::Crashed) NativeCrashed(d.name);
  if (outcome == Native::Outcome::NotPrepared) {
    ReportActionErrorF(false, "external_call: the call to %s could not be prepared", d.name.c_str());
    return;
  }
  if (d.stringResult) {
    result.SetString(text != nullptr ? text : "");
  } else {
    result = RValue(real);
  }
}

bool DLL_Free(const std::string& library) {
  const std::vector<std::string> candidates = DLL_Candidates(library);
  void* module = nullptr;
  for (CDLLDefinition& d : g_definitions) {
    if (d.module == nullptr) continue;
    bool match = false;
    for (const std::string& path : candidates) match = match || d.path == path;
    if (!match) continue;
    module = d.module;
    for (CDLLDefinition& same : g_definitions) {
      if (same.module == module) same.module = nullptr;
    }
    Native::Close(module);
  }
  return module != nullptr;
}

const CDLLDefinition* DLL_Definition(int id) {
  return id >= 0 && id < DLL_DefinitionCount() ? &g_definitions[size_t(id)] : nullptr;
}

int DLL_DefinitionCount() { return static_cast<int>(g_definitions.size()); }

void DLL_SetSkipCalls(bool skip) { g_skipCalls = skip; }

void DLL_FreeAll() {
  for (CDLLDefinition& d : g_definitions) {
    if (d.module == nullptr) continue;
    void* module = d.module;
    for (CDLLDefinition& same : g_definitions) {
      if (same.module == module) same.module = nullptr;
    }
    Native::Close(module);
  }
  g_definitions.clear();
}
