#include "Code/Code_Compile.h"

#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "Code/Code_Constant.h"
#include "Code/Code_Error.h"
#include "Code/Code_Function.h"
#include "Code/Code_Script.h"
#include "Code/Code_VM.h"
#include "Runner/Runner_Folders.h"
#include "Variable/Variable_Global.h"
#include "Variable/Variable_Names.h"

namespace {

RValue ToValue(const Compiler::CompileConstant& c) {
  return c.isString ? RValue(c.text.c_str()) : RValue(c.real);
}

// Strings that compiled code entered into the runner's string table, by text. An entry is reused
// only while the table still holds that text at that index (the table is rebuilt per game).
std::map<std::string, int32_t>& EnteredStrings() {
  static std::map<std::string, int32_t> entered;
  return entered;
}

int32_t EnterString(const std::string& text) {
  auto& entered = EnteredStrings();
  auto it = entered.find(text);
  if (it != entered.end() && it->second < Code_StringCount()) {
    const char* held = Code_String(it->second);
    if (held != nullptr && text == held) return it->second;
  }
  const int32_t index = Code_AddString(text.c_str());
  entered[text] = index;
  return index;
}

void PutWord(uint8_t* bytes, uint32_t at, uint32_t w) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(w >> (8 * i));
}

}  // namespace

Compiler::CompileHooks Code_RunnerCompileHooks() {
  Compiler::CompileHooks hooks;
  hooks.findFunction = [](const std::string& name, int& id) { return FindFunction(name.c_str(), &id); };
  hooks.argumentCount = [](int id) { return ArgumentCount(id); };
  hooks.findValue = [](const std::string& name, Compiler::CompileConstant& value) {
    RValue v;
    if (!ResolveBareName(name.c_str(), &v)) return false;
    value = v.IsString() ? Compiler::CompileConstant::Text(v.Str()) : Compiler::CompileConstant::Real(v.real);
    return true;
  };
  hooks.variableId = [](const std::string& name) { return Variable_FindOrAddName(name.c_str()); };
  hooks.declareGlobal = [](const std::string&, int id) { Variable_DeclareGlobalVar(id); };
  return hooks;
}

CCode* Code_CompileText(const char* name, const char* text, Compiler::CompileAs as) {
  Compiler::CompileResult result = Compiler::Compile(text ? text : "", Code_RunnerCompileHooks(), as);
  if (!result.ok) return nullptr;
  const Compiler::CompiledCode& compiled = result.code;

  auto* unit = new CCode();
  unit->SetName(name);
  unit->SetSource(text);
  unit->code = VMBuffer::Copy(compiled.bytes.data(), static_cast<int32_t>(compiled.bytes.size()));
  unit->ownsCode = true;
  for (uint32_t at : compiled.stringUses) {
    uint32_t local = 0;
    std::memcpy(&local, unit->code->data + at + 4, 4);
    PutWord(unit->code->data, at + 4, static_cast<uint32_t>(EnterString(compiled.strings[local])));
  }
  if (!compiled.positions.empty()) {
    std::vector<uint8_t> table(compiled.positions.size() * 8);
    for (size_t i = 0; i < compiled.positions.size(); ++i) {
      PutWord(table.data(), static_cast<uint32_t>(i * 8), compiled.positions[i].first);
      PutWord(table.data(), static_cast<uint32_t>(i * 8 + 4), compiled.positions[i].second);
    }
    unit->positions = VMBuffer::Copy(table.data(), static_cast<int32_t>(table.size()));
    unit->ownsPositions = true;
  }
  if (compiled.isConstant) unit->SetConstant(ToValue(compiled.constant));
  return unit;
}

namespace {

// Runtime errors met while a constant's value is evaluated: the value is then not valid. The
// message of the first one is kept for the builder's report.
int g_constantRunErrors = 0;
std::string g_constantRunError;
void CountConstantRunError(const char* report) {
  if (g_constantRunErrors++ > 0 || report == nullptr) return;
  constexpr const char* kLead = "VMError!! Occurred - ";
  const char* start = std::strstr(report, kLead);
  start = start != nullptr ? start + std::strlen(kLead) : report;
  const char* end = std::strchr(start, '\n');
  g_constantRunError.assign(start, end != nullptr ? static_cast<size_t>(end - start) : std::strlen(start));
}

}  // namespace

bool Code_EvaluateConstantExpression(const char* codeName, const char* text, RValue* out) {
  g_constantRunErrors = 0;
  g_constantRunError.clear();
  CCode* code = Code_CompileText(codeName, text, Compiler::CompileAs::Expression);
  if (code == nullptr) return false;
  RValue value;
  // A folded expression is a constant unit; anything else (a call, say) runs without an instance.
  // A runtime error there (a variable read without an instance, say) makes the value not valid
  // instead of ending the process.
  const VMErrorSink outer = VM_CurrentErrorSink();
  VM_SetErrorSink(CountConstantRunError);
  const bool ran = VM_Execute(nullptr, nullptr, code, &value);
  VM_SetErrorSink(outer);
  delete code;
  const bool ok = ran && g_constantRunErrors == 0;
  if (ok && out) *out = std::move(value);
  return ok;
}

bool Code_CompileScripts() {
  return Script_CompileAll([](const char* name, const char* source) -> CCode* {
    CCode* code = Code_CompileText(name, source);
    if (code != nullptr) code->index = -1;  // not an entry of the code table
    return code;
  });
}

namespace {

// Compiles `text` as a code unit named `name` and runs it with self and other; the further
// arguments of the call fill the argument slots, and the caller's slots come back after.
void RunCodeText(const char* name, const char* text, RValue& result, CInstance* self, CInstance* other, int argc,
                 RValue* args) {
  CCode* code = Code_CompileText(name, text);
  if (code == nullptr) {
    ReportActionError(CompileErrorText(), false);
    return;
  }
  {
    CArgumentFrame frame(argc - 1, argc > 1 ? args + 1 : nullptr);
    if (!VM_Execute(self, other, code, &result)) result.Reset();
  }
  delete code;
}

}  // namespace

void Code_ExecuteString(RValue& result, CInstance* self, CInstance* other, int argc, RValue* args) {
  result.Reset();
  if (argc < 1 || args == nullptr || !args[0].IsString()) return;
  RunCodeText("execute_string", args[0].Str(), result, self, other, argc, args);
}

void Code_ExecuteFile(RValue& result, CInstance* self, CInstance* other, int argc, RValue* args) {
  result.Reset();
  if (argc < 1 || args == nullptr || !args[0].IsString()) return;
  const std::string path = Folders_FindForRead(args[0].Str());
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    ReportActionErrorF(false, "execute_file: unable to open the file %s", args[0].Str());
    return;
  }
  std::ostringstream text;
  text << in.rdbuf();
  RunCodeText("execute_file", text.str().c_str(), result, self, other, argc, args);
}

const char* Code_ConstantRunError() { return g_constantRunError.c_str(); }

void Code_InstallCompiler() {
  SetConstantEvaluateHook(&Code_EvaluateConstantExpression);
  ImplementFunction("execute_string", &Code_ExecuteString);
  ImplementFunction("execute_file", &Code_ExecuteFile);
}
