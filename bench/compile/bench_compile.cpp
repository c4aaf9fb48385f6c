// Compiles the generated program of 100,000 lines (bench_program.h) with the runner's compiler
// (scanning to code generation, as tessera-pack compiles) and parses the same program written in
// Lua with "luac5.4 -p" (which also generates its code, without writing it), in one run; prints
// both times and their ratio. luac is started directly, without a shell, and the time it takes on
// an empty file (starting the process) is taken off its figure so that both sides count compiling
// only. Each side's best of five rounds is taken; the processor time (user and system) of each
// side is given too, which a busy machine disturbs less, and the first round alone, in which the
// compiler's process has not yet reused memory.
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

// Wall time and processor time (user and system) of one side's run.
struct Times {
  double wall = 1e9;
  double cpu = 1e9;
  void KeepBest(const Times& t) {
    wall = std::min(wall, t.wall);
    cpu = std::min(cpu, t.cpu);
  }
};

double Seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; }
double CpuSeconds(const rusage& u) { return Seconds(u.ru_utime) + Seconds(u.ru_stime); }

// Runs "luac5.4 -p path"; false when it fails.
bool RunLuac(const char* path, Times& times) {
  char* argv[] = {const_cast<char*>("luac5.4"), const_cast<char*>("-p"), const_cast<char*>(path), nullptr};
  const double t0 = Now();
  pid_t pid = 0;
  if (posix_spawnp(&pid, "luac5.4", nullptr, nullptr, argv, environ) != 0) return false;
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return false;
  times.wall = Now() - t0;
  times.cpu = CpuSeconds(usage);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string script, luaText;
  BenchProgram::Generate(script, luaText);
  if (argc == 3 && std::string(argv[1]) == "--lua") {
    std::ofstream(argv[2]) << luaText;
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
  std::ofstream(luaPath) << luaText;
  std::ofstream(emptyPath) << "";

  Times ours, lua, start, firstOurs, firstLua;
  for (int round = 0; round < 5; ++round) {
    rusage u0{}, u1{};
    getrusage(RUSAGE_SELF, &u0);
    const double t0 = Now();
    Compiler::CompileResult r = Compiler::Compile(script, Code_RunnerCompileHooks());
    const double t1 = Now();
    getrusage(RUSAGE_SELF, &u1);
    if (!r.ok) {
      std::fprintf(stderr, "compile error: %s\n", r.errorText.c_str());
      return 1;
    }
    const Times oursNow{t1 - t0, CpuSeconds(u1) - CpuSeconds(u0)};
    ours.KeepBest(oursNow);
    if (std::getenv("ROUNDS")) std::printf("round %d: %.2f ms\n", round, oursNow.wall * 1000);
    Times luaNow, startNow;
    if (!RunLuac(luaPath, luaNow) || !RunLuac(emptyPath, startNow)) {
      std::fprintf(stderr, "luac5.4 failed\n");
      return 1;
    }
    if (round == 0) {
      firstOurs = oursNow;
      firstLua = luaNow;
    }
    lua.KeepBest(luaNow);
    start.KeepBest(startNow);
  }
  std::printf("compile 100000 lines   %8.2f ms (processor %.2f ms; first round %.2f ms)\n", ours.wall * 1000,
              ours.cpu * 1000, firstOurs.wall * 1000);
  std::printf("luac5.4 -p             %8.2f ms (processor %.2f ms; %.2f ms of it starting the process)\n",
              lua.wall * 1000, lua.cpu * 1000, start.wall * 1000);
  std::printf("first round: ratio %.2f\n", firstOurs.wall / (firstLua.wall - start.wall));
  std::printf("processor time: ratio %.2f\n", ours.cpu / (lua.cpu - start.cpu));
  std::printf("ratio compile/luac: %.2f (target at most 1.0)\n", ours.wall / (lua.wall - start.wall));
  std::remove(luaPath);
  std::remove(emptyPath);
  return 0;
}
