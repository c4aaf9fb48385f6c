#include "Extension/Extension_Main.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "Code/Code_Compile.h"
#include "Code/Code_Error.h"
#include "Code/Code_Function.h"
#include "Code/Code_VM.h"
#include "Extension/Extension_Class.h"
#include "Extension/Extension_DLL.h"
#include "Platform/Platform_Console.h"
#include "Runner/Runner_Folders.h"

namespace {

// The package whose functions the runner provides itself.
constexpr const char* kBuiltInPackage = "Brindle";

struct Binding {
  const CExtensionPackage* package = nullptr;
  const CExtensionFunction* function = nullptr;
  int definition = -1;  // native definition number, or -1
  bool isScript = false;
  std::unique_ptr<CCode> code;
};

// Indexed by extension-function id; sized to the largest id + 1.
std::vector<Binding> g_bindings;
int g_indexedVersion = -1;

bool Served(const CExtensionPackage& package) { return package.name != kBuiltInPackage; }

// Fills the id table from the packages (names are known as soon as the chunk is read, so that
// linking finds them).
void Index() {
  if (g_indexedVersion == Extension_PackagesVersion()) return;
  g_indexedVersion = Extension_PackagesVersion();
  g_bindings.clear();
  int largest = -1;
  for (const CExtensionPackage& p : Extension_Packages()) {
    if (!Served(p)) continue;
    for (const CExtensionFile& file : p.files) {
      for (const CExtensionFunction& f : file.functions) largest = f.id > largest ? f.id : largest;
    }
  }
  g_bindings.resize(size_t(largest + 1));
  for (const CExtensionPackage& p : Extension_Packages()) {
    if (!Served(p)) continue;
    for (const CExtensionFile& file : p.files) {
      for (const CExtensionFunction& f : file.functions) {
        Binding& b = g_bindings[size_t(f.id)];
        b.package = &p;
        b.function = &f;
        b.isScript = file.kind == kExtensionKindSource;
      }
    }
  }
}

const Binding* At(int index) {
  Index();
  if (index < 0 || index >= static_cast<int>(g_bindings.size())) return nullptr;
  const Binding& b = g_bindings[size_t(index)];
  return b.function ? &b : nullptr;
}

bool DefineLibraryFunction(const CExtensionFile& file, const CExtensionFunction& f, Binding& b) {
  const std::string path = Folders_GameFolder() + file.fileName;
  std::vector<int> types(f.argumentTypes.begin(), f.argumentTypes.end());
  const int count = f.argumentCount < 0 ? 0 : f.argumentCount;
  std::string why;
  b.definition = DLL_Define(path, f.externalName.empty() ? f.name : f.externalName,
                            f.convention == kExtensionCdecl ? 0 : 1, count, types.data(), f.resultType == 1, why);
  if (b.definition < 0) {
    Console::Output("Extension function %s: %s\n", f.name.c_str(), why.c_str());
    ReportErrorF(false, "Error defining an external function.");
  }
  return true;
}

bool CompileSourceFunction(const CExtensionPackage& p, const CExtensionFunction& f, Binding& b) {
  const std::string unit = "Extension." + p.name + "." + f.name;
  b.code.reset(Code_CompileText(unit.c_str(), f.externalName.c_str()));
  if (b.code == nullptr) {
    ReportErrorF(true, "COMPILATION ERROR in extension package %s\n%s", p.name.c_str(), CompileErrorText());
    return false;
  }
  return true;
}

bool CallNamed(const std::string& name, const char* missing) {
  if (name.empty()) return true;
  const int index = Extension_Find(name.c_str());
  if (index < 0) {
    ReportErrorF(false, missing, name.c_str());
    return false;
  }
  RValue result;
  Extension_Call(index, nullptr, nullptr, 0, nullptr, result);
  return !ErrorAborting();
}

}  // namespace

bool Extension_Prepare() {
  Index();
  for (const CExtensionPackage& p : Extension_Packages()) {
    if (!Served(p)) continue;
    for (const CExtensionFile& file : p.files) {
      for (const CExtensionFunction& f : file.functions) {
        Binding& b = g_bindings[size_t(f.id)];
        if (file.kind == kExtensionKindLibrary && !DefineLibraryFunction(file, f, b)) return false;
        if (file.kind == kExtensionKindSource && !CompileSourceFunction(p, f, b)) return false;
      }
    }
  }
  return true;
}

bool Extension_Call(int index, CInstance* self, CInstance* other, int argc, RValue* args, RValue& result) {
  result.Reset();
  Index();
  if (index < 0 || index >= static_cast<int>(g_bindings.size()) || g_bindings[size_t(index)].function == nullptr) {
    return false;
  }
  Binding& b = g_bindings[size_t(index)];
  if (b.isScript) {
    if (b.code == nullptr) return true;
    CArgumentFrame frame(argc, args);
    VM_Execute(self, other, b.code.get(), &result);
    return true;
  }
  DLL_Call(b.definition, argc, args, result);
  return true;
}

bool Extension_Initialise() {
  for (const CExtensionPackage& p : Extension_Packages()) {
    if (!Served(p)) continue;
    for (const CExtensionFile& file : p.files) {
      if (!CallNamed(file.initName, "Could not locate initialization function %s")) return false;
    }
  }
  return true;
}

void Extension_Finalise() {
  for (const CExtensionPackage& p : Extension_Packages()) {
    if (!Served(p)) continue;
    for (const CExtensionFile& file : p.files) CallNamed(file.finalName, "Could not locate finalization function %s");
  }
}

int Extension_Find(const char* name) {
  if (name == nullptr || *name == '\0') return -1;
  for (const CExtensionPackage& p : Extension_Packages()) {
    if (!Served(p)) continue;
    for (const CExtensionFile& file : p.files) {
      for (const CExtensionFunction& f : file.functions) {
        if (f.name == name) return f.id;
      }
    }
  }
  return -1;
}

const char* Extension_Name(int index) {
  const Binding* b = At(index);
  return b ? b->function->name.c_str() : nullptr;
}

int Extension_ArgumentCount(int index) {
  const Binding* b = At(index);
  if (b == nullptr) return kArgumentCountNone;
  return b->function->argumentCount < 0 ? kArgumentCountAny : b->function->argumentCount;
}

void Extension_InstallLookups() {
  CFunctionHooks hooks = FunctionHooks();
  hooks.findExtension = Extension_Find;
  hooks.extensionName = Extension_Name;
  hooks.extensionArgumentCount = Extension_ArgumentCount;
  SetFunctionHooks(hooks);
  VM_SetExtensionCall([](int index, CInstance* self, CInstance* other, int argc, RValue* args, RValue& result) {
    Extension_Call(index, self, other, argc, args, result);
  });
}

void Extension_Reset() {
  g_bindings.clear();
  g_indexedVersion = -1;
}
