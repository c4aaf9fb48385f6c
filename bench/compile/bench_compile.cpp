// Compiles the generated program of 100,000 lines (bench_program.h) with the runner's compiler
// (scanning to code generation, as tessera-pack compiles) and parses the same program written in
// Lua with "luac5.4 -p" (which also generates its code, without writing it), in one run; prints
// both times and their ratio. luac is started directly, without a shell, and the time it takes on
// an empty file (starting the process) is taken off its figure so that both sides count compiling
// only. Each side's best of five rounds is taken.
//
// "--once" compiles once and starts no luac (for callgrind); "--lua PATH" only writes the Lua
// program to PATH; with --once the compile time and its page faults are printed, and ROUNDS=1
// prints the time of every round.
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "Code/Code_Compile.h"
#include "Code/Code_Function.h"
#include "Platform/Platform_Console.h"
#include "bench_program.h"

namespace {

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Runs "luac5.4 -p path" and returns its wall time, or a negative value when it fails.
double RunLuac(const char* path) {
  char* argv[] = {const_cast<char*>("luac5.4"), const_cast<char*>("-p"), const_cast<char*>(path), nullptr};
  const double t0 = Now();
  pid_t pid = 0;
  if (posix_spawnp(&pid, "luac5.4", nullptr, nullptr, argv, environ) != 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return Now() - t0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string script, lua;
  BenchProgram::Generate(script, lua);
  if (argc == 3 && std::string(argv[1]) == "--lua") {
    std::ofstream(argv[2]) << lua;
    return 0;
  }
  const bool once = argc == 2 && std::string(argv[1]) == "--once";
  Console::SetMuted(true);
  RegisterAllFunctions();
  Code_InstallCompiler();
  Console::SetMuted(false);
  if (once) {
    rusage u0{}, u1{};
    getrusage(RUSAGE_SELF, &u0);
    const double t0 = Now();
    const Compiler::CompileResult r = Compiler::Compile(script, Code_RunnerCompileHooks());
    const double t1 = Now();
    getrusage(RUSAGE_SELF, &u1);
    std::printf("compile %.2f ms, %ld page faults\n", (t1 - t0) * 1000, u1.ru_minflt - u0.ru_minflt);
    if (!r.ok) std::fprintf(stderr, "compile error: %s\n", r.errorText.c_str());
    return r.ok ? 0 : 1;
  }
  const char* luaPath = "/tmp/tessera-bench-compile.lua";
  const char* emptyPath = "/tmp/tessera-bench-compile-empty.lua";
  std::ofstream(luaPath) << lua;
  std::ofstream(emptyPath) << "";

  double bestOurs = 1e9, bestLua = 1e9, bestStart = 1e9;
  for (int round = 0; round < 5; ++round) {
    double t0 = Now();
    Compiler::CompileResult r = Compiler::Compile(script, Code_RunnerCompileHooks());
    double t1 = Now();
    if (!r.ok) {
      std::fprintf(stderr, "compile error: %s\n", r.errorText.c_str());
      return 1;
    }
    bestOurs = std::min(bestOurs, t1 - t0);
    if (std::getenv("ROUNDS")) std::printf("round %d: %.2f ms\n", round, (t1 - t0) * 1000);
    const double lua = RunLuac(luaPath);
    const double start = RunLuac(emptyPath);
    if (lua < 0 || start < 0) {
      std::fprintf(stderr, "luac5.4 failed\n");
      return 1;
    }
    bestLua = std::min(bestLua, lua);
    bestStart = std::min(bestStart, start);
  }
  const double luaCompile = bestLua - bestStart;
  std::printf("compile 100000 lines   %8.2f ms\n", bestOurs * 1000);
  std::printf("luac5.4 -p             %8.2f ms (%.2f ms of it starting the process)\n", bestLua * 1000,
              bestStart * 1000);
  std::printf("ratio compile/luac: %.2f (target at most 1.0)\n", bestOurs / luaCompile);
  std::remove(luaPath);
  std::remove(emptyPath);
  return 0;
}
