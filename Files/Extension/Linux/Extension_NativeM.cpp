#include "Extension/Extension_Native.h"

#include <dlfcn.h>
#include <ffi.h>

namespace Native {

void* Open(const std::string& path, std::string& error) {
  dlerror();
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    const char* why = dlerror();
    error = why ? why : "unknown error";
  }
  return module;
}

void Close(void* module) {
  if (module != nullptr) dlclose(module);
}

void* Symbol(void* module, const char* name) {
  if (module == nullptr || name == nullptr) return nullptr;
  return dlsym(module, name);
}

bool Call(void* entry, int argc, const Argument* args, bool stringResult, double& real, const char*& text) {
  constexpr int kMax = 17;
  if (entry == nullptr || argc < 0 || argc > kMax) return false;
  ffi_type* types[kMax];
  void* values[kMax];
  for (int i = 0; i < argc; ++i) {
    types[i] = args[i].isString ? &ffi_type_pointer : &ffi_type_double;
    values[i] = args[i].isString ? const_cast<void*>(static_cast<const void*>(&args[i].text))
                                 : const_cast<void*>(static_cast<const void*>(&args[i].real));
  }
  ffi_cif cif;
  if (ffi_prep_cif(&cif, FFI_DEFAULT_ABI, unsigned(argc), stringResult ? &ffi_type_pointer : &ffi_type_double,
                   types) != FFI_OK) {
    return false;
  }
  if (stringResult) {
    ffi_arg slot = 0;  // a pointer result fills a whole ffi_arg
    ffi_call(&cif, FFI_FN(entry), &slot, values);
    text = reinterpret_cast<const char*>(static_cast<uintptr_t>(slot));
  } else {
    double slot = 0.0;
    ffi_call(&cif, FFI_FN(entry), &slot, values);
    real = slot;
  }
  return true;
}

}  // namespace Native
