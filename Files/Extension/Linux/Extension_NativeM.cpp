#include "Extension/Extension_Native.h"

#include <dlfcn.h>
#include <ffi.h>
#include <setjmp.h>
#include <signal.h>

namespace {

// The crash guard. The handlers are installed once, at the first guarded call, and stay: outside
// native code (or on another thread) a signal goes back to the handler that was there before, so
// the runner's own faults behave as without the guard.
constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};
constexpr int kSignalCount = sizeof kSignals / sizeof kSignals[0];
struct sigaction g_previous[kSignalCount];
bool g_installed = false;
thread_local sigjmp_buf* t_landing = nullptr;  // set while this thread runs native code

void OnCrash(int sig, siginfo_t* info, void*) {
  if (sigjmp_buf* landing = t_landing) {
    t_landing = nullptr;
    siglongjmp(*landing, 1);
  }
  for (int i = 0; i < kSignalCount; ++i) {
    if (kSignals[i] == sig) sigaction(sig, &g_previous[i], nullptr);
  }
  // A fault repeats when the instruction runs again; a sent signal is sent again.
  if (info == nullptr || info->si_code <= 0) raise(sig);
}

void Install() {
  if (g_installed) return;
  g_installed = true;
  // Its own stack, so that a stack overflow in native code can be caught too.
  alignas(16) static char stack[64 * 1024];
  stack_t current;
  if (sigaltstack(nullptr, &current) == 0 && (current.ss_flags & SS_DISABLE) != 0) {
    stack_t ss{};
    ss.ss_sp = stack;
    ss.ss_size = sizeof stack;
    sigaltstack(&ss, nullptr);
  }
  struct sigaction sa{};
  sa.sa_sigaction = OnCrash;
  sa.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_NODEFER;  // NODEFER: nothing stays blocked after the jump
  sigemptyset(&sa.sa_mask);
  for (int i = 0; i < kSignalCount; ++i) sigaction(kSignals[i], &sa, &g_previous[i]);
}

// Runs `body`; false when it crashed.
template <class Body>
bool Guarded(Body&& body) {
  Install();
  sigjmp_buf landing;
  if (sigsetjmp(landing, 0) != 0) return false;
  t_landing = &landing;
  body();
  t_landing = nullptr;
  return true;
}

}  // namespace

namespace Native {

void* Open(const std::string& path, std::string& error, bool& crashed) {
  dlerror();
  void* module = nullptr;
  crashed = !Guarded([&] { module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL); });
  if (crashed) {
    error = "its initialisation crashed";
    return nullptr;
  }
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

Outcome Call(void* entry, int argc, const Argument* args, bool stringResult, double& real, const char*& text) {
  constexpr int kMax = 17;
  if (entry == nullptr || argc < 0 || argc > kMax) return Outcome::NotPrepared;
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
    return Outcome::NotPrepared;
  }
  if (stringResult) {
    ffi_arg slot = 0;  // a pointer result fills a whole ffi_arg
    if (!Guarded([&] { ffi_call(&cif, FFI_FN(entry), &slot, values); })) return Outcome::Crashed;
    text = reinterpret_cast<const char*>(static_cast<uintptr_t>(slot));
  } else {
    double slot = 0.0;
    if (!Guarded([&] { ffi_call(&cif, FFI_FN(entry), &slot, values); })) return Outcome::Crashed;
    real = slot;
  }
  return Outcome::Done;
}

}  // namespace Native
