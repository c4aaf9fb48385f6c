// Compiles a generated program of 100,000 lines with the runner's compiler (scanning to code
// generation, as tessera-pack compiles) and parses the same program written in Lua with
// "luac5.4 -p" (which also generates its code, without writing it), in one run; prints both times
// and their ratio. luac is started directly, without a shell, and the time it takes on an empty
// file (starting the process) is taken off its figure so that both sides count compiling only.
#include <spawn.h>
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

namespace {

constexpr int kBlocks = 10000;  // ten lines each

void Generate(std::string& script, std::string& lua) {
  for (int i = 0; i < kBlocks; ++i) {
    const std::string n = std::to_string(i);
    script += "var a" + n + ", b" + n + ";\n";
    script += "a" + n + " = " + n + " * 2 + 1;\n";
    script += "b" + n + " = a" + n + " mod 7;\n";
    script += "if (a" + n + " > b" + n + ") { total += a" + n + "; } else { total -= b" + n + "; }\n";
    script += "while (b" + n + " > 0) {\n";
    script += "  b" + n + " -= 1;\n";
    script += "  total = total + abs(b" + n + " - 3);\n";
    script += "}\n";
    script += "name = \"item\" + string(" + n + ");\n";
    script += "for (k = 0; k < 3; k += 1) { total += k; }\n";

    lua += "local a" + n + ", b" + n + "\n";
    lua += "a" + n + " = " + n + " * 2 + 1\n";
    lua += "b" + n + " = a" + n + " % 7\n";
    lua += "if a" + n + " > b" + n + " then total = total + a" + n + " else total = total - b" + n + " end\n";
    lua += "while b" + n + " > 0 do\n";
    lua += "  b" + n + " = b" + n + " - 1\n";
    lua += "  total = total + math.abs(b" + n + " - 3)\n";
    lua += "end\n";
    lua += "name = \"item\" .. tostring(" + n + ")\n";
    lua += "for k = 0, 2 do total = total + k end\n";
    // Lua allows at most 200 locals per function: close a scope now and then.
    if (i % 50 == 49) lua += "do end\n";
  }
}

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

int main() {
  std::string script, lua;
  Generate(script, lua);
  // Lua's local limit is per function: wrap every 50 blocks in its own function.
  std::string wrapped;
  {
    size_t blocks = 0, at = 0;
    wrapped = "local total = 0\nlocal name\nfunction part0()\n";
    while (at < lua.size()) {
      size_t end = lua.find("\n", at);
      std::string line = lua.substr(at, end - at + 1);
      at = end + 1;
      if (line == "do end\n") {
        ++blocks;
        wrapped += "end\nfunction part" + std::to_string(blocks) + "()\n";
        continue;
      }
      wrapped += line;
    }
    wrapped += "end\n";
  }
  const char* luaPath = "/tmp/tessera-bench-compile.lua";
  const char* emptyPath = "/tmp/tessera-bench-compile-empty.lua";
  std::ofstream(luaPath) << wrapped;
  std::ofstream(emptyPath) << "";

  Console::SetMuted(true);
  RegisterAllFunctions();
  Code_InstallCompiler();
  Console::SetMuted(false);

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
