// Prints one hash per code file of everything the compiler gives for it: the code, its name and
// string tables, positions, locals, the stack high-water mark, a folded constant, and on failure
// the message, its position and the error text. Each file is compiled whole, cut short at seven
// points, with a character changed at those points, as one expression, and line by line as
// expressions; each of these with the runner's lookups and with lookups that know every function
// name. "--bench" adds the generated benchmark program. same_code.sh compares the output with the
// hashes kept beside it, so that a change to the compiler's speed is shown to change no output.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "Code/Code_Compile.h"
#include "Code/Code_Function.h"
#include "Platform/Platform_Console.h"
#include "Variable/Variable_Names.h"
#include "bench_program.h"

namespace {

struct Hash {
  uint64_t value = 1469598103934665603ull;
  void Bytes(const void* data, size_t size) {
    const auto* p = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i) value = (value ^ p[i]) * 1099511628211ull;
  }
  void Text(std::string_view s) {
    Int(static_cast<int64_t>(s.size()));
    Bytes(s.data(), s.size());
  }
  void Int(int64_t v) { Bytes(&v, sizeof v); }
};

uint64_t NameHash(std::string_view name) {
  Hash h;
  h.Text(name);
  return h.value;
}

Hash g_declared;  // globalvar declarations seen by the second set of lookups

// The runner's lookups, except that every unknown function name is a function of any argument
// count, and user variable ids come from the name alone.
Compiler::CompileHooks KnowingHooks() {
  Compiler::CompileHooks hooks = Code_RunnerCompileHooks();
  hooks.findFunction = [](const std::string& name, int& id) {
    if (FindFunction(name.c_str(), &id)) return true;
    id = 300000 + static_cast<int>(NameHash(name) % 100000);
    return true;
  };
  hooks.argumentCount = [](int id) { return id >= 300000 && id < 400000 ? -1 : ArgumentCount(id); };
  hooks.variableId = [](const std::string& name) {
    const int32_t id = Variable_FindName(name.c_str());
    if (VariableIdIsBuiltIn(id)) return static_cast<int>(id);
    return 100000 + static_cast<int>(NameHash(name) % 1000000);
  };
  hooks.declareGlobal = [](const std::string& name, int id) {
    g_declared.Text(name);
    g_declared.Int(id);
  };
  return hooks;
}

void AddUses(Hash& h, const std::vector<Compiler::SymbolUse>& uses) {
  h.Int(static_cast<int64_t>(uses.size()));
  for (const Compiler::SymbolUse& u : uses) {
    h.Text(u.name);
    h.Int(u.id);
    h.Int(static_cast<int64_t>(u.offsets.size()));
    h.Bytes(u.offsets.data(), u.offsets.size() * sizeof(uint32_t));
  }
}

void AddResult(Hash& h, const Compiler::CompileResult& r) {
  h.Int(r.ok);
  h.Text(r.errorText);
  h.Text(r.problem.message);
  h.Int(r.problem.position);
  h.Int(r.unclosedComment);
  const Compiler::CompiledCode& c = r.code;
  h.Int(static_cast<int64_t>(c.bytes.size()));
  h.Bytes(c.bytes.data(), c.bytes.size());
  AddUses(h, c.variables);
  AddUses(h, c.functions);
  h.Int(static_cast<int64_t>(c.strings.size()));
  for (const std::string& s : c.strings) h.Text(s);
  h.Int(static_cast<int64_t>(c.stringUses.size()));
  h.Bytes(c.stringUses.data(), c.stringUses.size() * sizeof(uint32_t));
  h.Int(static_cast<int64_t>(c.positions.size()));
  for (const auto& [offset, position] : c.positions) {
    h.Int(offset);
    h.Int(position);
  }
  h.Int(static_cast<int64_t>(c.localNames.size()));
  for (const std::string& s : c.localNames) h.Text(s);
  h.Int(c.maxStackItems);
  h.Int(c.isConstant);
  h.Int(c.constant.isString);
  h.Bytes(&c.constant.real, sizeof c.constant.real);
  h.Text(c.constant.text);
}

void CompileBoth(Hash& h, const std::string& text, Compiler::CompileAs as, const Compiler::CompileHooks& runner,
                 const Compiler::CompileHooks& knowing) {
  AddResult(h, Compiler::Compile(text, runner, as));
  AddResult(h, Compiler::Compile(text, knowing, as));
}

uint64_t HashOf(const std::string& text) {
  static const Compiler::CompileHooks runner = Code_RunnerCompileHooks();
  static const Compiler::CompileHooks knowing = KnowingHooks();
  using Compiler::CompileAs;
  Hash h;
  CompileBoth(h, text, CompileAs::Statements, runner, knowing);
  CompileBoth(h, text, CompileAs::Expression, runner, knowing);
  constexpr const char* kReplacements[] = {")", "{", "\"", ";", "(", "]", "/*", "1.5e"};
  for (size_t k = 1; k < 8; ++k) {
    const size_t cut = text.size() * k / 8;
    CompileBoth(h, text.substr(0, cut), CompileAs::Statements, runner, knowing);
    std::string changed = text;
    changed.replace(cut, cut < text.size() ? 1 : 0, kReplacements[k]);
    CompileBoth(h, changed, CompileAs::Statements, runner, knowing);
  }
  if (text.size() < 1000000) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) CompileBoth(h, line, CompileAs::Expression, runner, knowing);
  }
  h.Int(static_cast<int64_t>(g_declared.value));
  return h.value;
}

}  // namespace

int main(int argc, char** argv) {
  Console::SetMuted(true);
  RegisterAllFunctions();
  Code_InstallCompiler();
  uint64_t total = 0;
  for (int i = 1; i < argc; ++i) {
    std::string text, label = argv[i];
    if (std::strcmp(argv[i], "--bench") == 0) {
      std::string lua;
      BenchProgram::Generate(text, lua);
      label = "(benchmark program)";
    } else {
      std::ifstream in(argv[i], std::ios::binary);
      if (!in) {
        std::fprintf(stderr, "cannot read %s\n", argv[i]);
        return 1;
      }
      std::ostringstream all;
      all << in.rdbuf();
      text = all.str();
    }
    const uint64_t h = HashOf(text);
    total = total * 31 + h;
    std::printf("%016llx %s\n", static_cast<unsigned long long>(h), label.c_str());
  }
  std::printf("%016llx (all)\n", static_cast<unsigned long long>(total));
  return 0;
}
