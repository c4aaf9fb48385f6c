// Compiles a generated program of 100,000 lines with the runner's compiler and parses the same
// program written in Lua with "luac5.4 -p", in one run; prints both times and their ratio.
#include <sys/wait.h>

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
  std::ofstream(luaPath) << wrapped;

  Console::SetMuted(true);
  RegisterAllFunctions();
  Code_InstallCompiler();
  Console::SetMuted(false);

  double bestOurs = 1e9, bestLua = 1e9;
  for (int round = 0; round < 5; ++round) {
    double t0 = Now();
    Compiler::CompileResult r = Compiler::Compile(script, Code_RunnerCompileHooks());
    double t1 = Now();
    if (!r.ok) {
      std::fprintf(stderr, "compile error: %s\n", r.errorText.c_str());
      return 1;
    }
    bestOurs = std::min(bestOurs, t1 - t0);
    double t2 = Now();
    int status = std::system((std::string("luac5.4 -p ") + luaPath).c_str());
    double t3 = Now();
    if (status != 0) {
      std::fprintf(stderr, "luac5.4 failed (%d)\n", status);
      return 1;
    }
    bestLua = std::min(bestLua, t3 - t2);
  }
  std::printf("compile 100000 lines   %8.2f ms\n", bestOurs * 1000);
  std::printf("luac5.4 -p             %8.2f ms\n", bestLua * 1000);
  std::printf("ratio compile/luac: %.2f (target at most 1.0)\n", bestOurs / bestLua);
  std::remove(luaPath);
  return 0;
}
