// Built-in calls whose arguments are variables, run decoded as one group through the function's
// direct form, against the same code run word by word: values, variables, error reports and
// memory must agree.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Code/Code_Compile.h"
#include "Code/Code_Constant.h"
#include "Code/Code_Decode.h"
#include "Code/Code_Error.h"
#include "Code/Code_Function.h"
#include "Code/Code_Load.h"
#include "Code/Code_Script.h"
#include "Code/Code_TestAsm.h"
#include "Code/Code_VM.h"
#include "Function/Function_DataStructure.h"
#include "Platform/Platform_Memory.h"
#include "Variable/Variable_Global.h"
#include "Variable/Variable_Names.h"
#include "Variable/Variable_Route.h"

using namespace asmtest;

namespace {

// What one run left: its value, the reports it made and the last report's text.
struct Outcome {
  std::string value;
  int64_t errors = 0;
  std::string lastError;
};

std::string Show(const RValue& v) { return v.IsString() ? "s:" + std::string(v.Str()) : std::to_string(v.real); }

class CallGroup : public ::testing::Test {
 protected:
  void SetUp() override { self = asmtest::StartMachine(world); }
  void TearDown() override { asmtest::StopMachine(); }

  // The bytes of `text` compiled.
  static std::vector<uint8_t> Compile(const char* text) {
    CCode* code = Code_CompileText("group", text);
    EXPECT_NE(code, nullptr) << text << "\n" << CompileErrorText();
    std::vector<uint8_t> bytes;
    if (code != nullptr && code->code != nullptr) bytes.assign(code->code->data, code->code->data + code->code->size);
    delete code;
    return bytes;
  }

  // Runs `bytes` on self with fresh variables: as a copy, which passes the stack check and runs
  // decoded, or as a view, which runs word by word.
  Outcome Run(std::vector<uint8_t>& bytes, bool decoded, int rounds = 1) {
    VMBuffer* buffer = decoded ? VMBuffer::Copy(bytes.data(), int32_t(bytes.size()))
                               : new VMBuffer(bytes.data(), int32_t(bytes.size()));
    Outcome o;
    for (int round = 0; round < rounds; round++) {
      self->variables.Clear();
      int64_t errors = ErrorReportCount();
      SetLastErrorText("");
      RValue out;
      VM_Run("group", self, self, buffer, &out, nullptr, nullptr);
      o.value = Show(out);
      o.errors = ErrorReportCount() - errors;
      o.lastError = LastErrorText();
    }
    EXPECT_EQ(buffer->ops != nullptr, decoded);
    delete buffer;
    self->variables.Clear();
    return o;
  }

  // Runs `text` both ways (twice decoded: the second run takes the entries the first one left);
  // the decoded outcome, after checking that both agree and free what they make.
  Outcome Both(const char* text) {
    std::vector<uint8_t> bytes = Compile(text);
    Outcome words = Run(bytes, false);
    int64_t blocks = MemoryManager::TotalBlocks();
    Outcome decoded = Run(bytes, true, 2);
    EXPECT_EQ(MemoryManager::TotalBlocks(), blocks) << text;
    EXPECT_EQ(decoded.value, words.value) << text;
    EXPECT_EQ(decoded.errors, words.errors) << text;
    EXPECT_EQ(decoded.lastError, words.lastError) << text;
    return decoded;
  }

  TestWorld world;
  CInstance* self = nullptr;
};

// grp_join(...): the arguments joined by commas, through the routine or its direct form (which
// declines a first argument below 0); each notes which of them ran.
std::string& Seen() {
  static std::string seen;
  return seen;
}
std::string Joined(int argc, const RValue* const* args) {
  std::string text;
  for (int i = 0; i < argc; i++) {
    if (i > 0) text += ",";
    text += args[i]->IsString() ? std::string(args[i]->Str()) : std::to_string(int(args[i]->real));
  }
  return text;
}
void JoinRoutine(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  std::vector<const RValue*> refs;
  for (int i = 0; i < argc; i++) refs.push_back(&args[i]);
  Seen() += "R";
  result.SetString(Joined(argc, refs.data()).c_str());
}
bool JoinDirect(RValue& result, int argc, const RValue* const* args) {
  if (args[0]->IsReal() && args[0]->real < 0) return false;
  Seen() += "D";
  result.SetString(Joined(argc, args).c_str());
  return true;
}

}  // namespace

// The direct form sees the arguments in order (variables of each list, a value left on the stack
// as the last one) and its result is the call's; when it declines, the routine runs.
TEST_F(CallGroup, TheDirectFormTakesTheCallWithItsArgumentsInOrder) {
  int join = RegisterFunction("grp_join", JoinRoutine, -1, false) - 1;
  ASSERT_EQ(SetDirectRoutine("grp_join", JoinDirect), 1);
  int32_t a = Variable_FindOrAddName("grp_a"), b = Variable_FindOrAddName("grp_b");
  int32_t r = Variable_FindOrAddName("grp_r"), t = Variable_FindOrAddName("grp_t");
  Code_AddString("x");
  for (int16_t selector : {int16_t(SELECTOR_SELF), int16_t(SELECTOR_GLOBAL)}) {
    Assembler c;
    // a = 1; b = "x"; r = grp_join(a, b, a); t = grp_join(b, a, 7); grp_join(a); a = -1;
    // return r + "|" + t + "|" + grp_join(a, b)
    c.pushE(1).popV(a, selector, TYPE_INT).pushS(0).conv(TYPE_STRING, TYPE_VARIABLE).popV(b, selector);
    c.pushV(a, selector).pushV(b, selector).pushV(a, selector).call(join, 3).popV(r, selector);
    c.pushE(7).conv(TYPE_INT, TYPE_VARIABLE).pushV(a, selector).pushV(b, selector).call(join, 3).popV(t, selector);
    c.pushV(a, selector).call(join, 1).popz(TYPE_VARIABLE);
    c.pushE(-1).popV(a, selector, TYPE_INT);
    c.pushV(r, selector).pushV(t, selector).op2(OP_ADD, TYPE_VARIABLE, TYPE_VARIABLE);
    c.pushV(b, selector).pushV(a, selector).call(join, 2).op2(OP_ADD, TYPE_VARIABLE, TYPE_VARIABLE).ret();
    std::vector<uint8_t> code = c.finish();
    Run(code, false);  // the lists' first nodes
    g_pGlobalVariables->Clear();
    for (int decoded = 0; decoded < 2; decoded++) {
      SCOPED_TRACE(decoded ? "decoded" : "words");
      Seen().clear();
      int64_t blocks = MemoryManager::TotalBlocks();
      EXPECT_EQ(Run(code, decoded == 1).value, "s:1,x,1x,1,7-1,x");
      EXPECT_EQ(Seen(), decoded ? "DDDR" : "RRRR");
      g_pGlobalVariables->Clear();
      EXPECT_EQ(MemoryManager::TotalBlocks(), blocks);
    }
  }
}

// Cells set, added to and read with variables as arguments, the value a variable, an expression
// or a text; reads outside the grid, of a fraction and of a missing grid go the general way.
TEST_F(CallGroup, GridCellsAgreeWithTheWordForm) {
  Outcome o = Both(
      "g = ds_grid_create(3, 2); gx = 2; gy = 1; v = 5;"
      "ds_grid_set(g, gx, gy, v); ds_grid_add(g, gx, gy, v * 2); ds_grid_multiply(g, gx, gy, v);"
      "t = \"ab\"; ds_grid_set(g, gy, gy, t); ds_grid_add(g, gy, gy, t);"
      "a = ds_grid_get(g, gx, gy); b = ds_grid_get(g, gy, gy);"
      "gx = 3; c = ds_grid_get(g, gx, gy); gx = -1; ds_grid_set(g, gx, gy, v);"
      "gx = 0.5; ds_grid_set(g, gx, gy, 4); gx = 0; d = ds_grid_get(g, gx, gy);"
      "h = g + 7; e = ds_grid_get(h, gx, gy);"
      "ds_grid_destroy(g);"
      "return string(a) + \"|\" + b + \"|\" + string(c) + \"|\" + string(d) + \"|\" + string(e);");
  // (5 + 10) * 5; "ab" + "ab"; outside: 0
  EXPECT_EQ(o.value.substr(0, 12), "s:75|abab|0|");
  EXPECT_EQ(o.errors, 1);  // grid g + 7 does not exist
  EXPECT_NE(o.lastError.find("Data structure with index does not exist."), std::string::npos);
}

// Map and list calls with variable keys, values and indices, and a missing key, index and map.
TEST_F(CallGroup, MapAndListCallsAgreeWithTheWordForm) {
  Outcome o = Both(
      "m = ds_map_create(); k = \"key\"; v = 3;"
      "r1 = ds_map_add(m, k, v); r2 = ds_map_add(m, k, v + 1); ds_map_replace(m, k, v + 4);"
      "f1 = ds_map_find_value(m, k); k2 = 9; f2 = ds_map_find_value(m, k2);"
      "e1 = ds_map_exists(m, k); e2 = ds_map_exists(m, k2);"
      "l = ds_list_create(); ds_list_add(l, k); ds_list_add(l, v); i = 1; f3 = ds_list_find_value(l, i);"
      "i = 0; f4 = ds_list_find_value(l, i);"
      "k3 = 4; ds_map_add(m, k3, \"w\"); st = \"v\"; st += ds_map_find_value(m, k3);"
      "sum = 1; sum += ds_map_find_value(m, k); i = 1; sum += ds_list_find_value(l, i);"
      "ds_map_destroy(m); ds_list_destroy(l); f5 = ds_map_find_value(m, k);"
      "return string(r1) + string(r2) + string(f1) + string(f2) + string(e1) + string(e2) + string(f3) + f4"
      "  + st + string(sum);");
  EXPECT_EQ(o.value, "s:1070103keyvw11");  // sum: 1 + 7 + 3
  EXPECT_EQ(o.errors, 1);  // the destroyed map
  EXPECT_NE(o.lastError.find("Data structure with index does not exist."), std::string::npos);
}

// A variable never set stops the group before the call; the read goes its own way.
TEST_F(CallGroup, AnUnsetVariableReadsAsItsPushWould) {
  Outcome o = Both(
      "g = ds_grid_create(2, 2); ds_grid_set(g, 0, 1, 8); gy = 1;"
      "a = ds_grid_get(g, nothing_here, gy); ds_grid_destroy(g); return a;");
  EXPECT_EQ(o.value, std::to_string(8.0));
  EXPECT_EQ(o.errors, 0);
}

// Calls counted by the source interpreter and traced go the general way; functions without a
// direct form (and scripts) run as before.
TEST_F(CallGroup, CallCountsAndOtherFunctionsGoTheGeneralWay) {
  std::vector<uint8_t> bytes = Compile(
      "g = ds_grid_create(2, 2); gx = 1; s = 0; repeat 3 { s += ds_grid_get(g, gx, gx); }"
      "a = 2; b = 7; return string(s) + string(max(a, b));");
  int get = FindBuiltinFunction("ds_grid_get");
  ASSERT_GE(get, 0);
  VM_SetSourceInterpreter(true);
  int before = FunctionAt(get)->callCount;
  EXPECT_EQ(Run(bytes, true).value, "s:07");
  EXPECT_EQ(FunctionAt(get)->callCount - before, 3);
  VM_SetSourceInterpreter(false);
  EXPECT_EQ(Run(bytes, true, 2).value, "s:07");
}

// A script called with variable arguments (its entry turns back into a push at the first run),
// and a branch into the middle of a group.
TEST_F(CallGroup, ScriptCallsAndBranchesIntoAGroup) {
  Assembler s;
  s.pushV(kArgument0VariableId + 1, SELECTOR_SELF).pushV(kArgument0VariableId, SELECTOR_SELF);
  s.op2(OP_SUB, TYPE_VARIABLE, TYPE_VARIABLE).ret();
  std::vector<uint8_t> body = s.finish();
  auto* script = new CScript();
  script->SetName("group_sub");
  script->SetCode(new CCode());
  script->Code()->SetName("group_sub");
  script->Code()->code = VMBuffer::Copy(body.data(), int32_t(body.size()));
  script->Code()->ownsCode = true;
  int sub = Script_Add(script) + kScriptIdBase;
  int get = FindBuiltinFunction("ds_grid_get");
  int32_t a = Variable_FindOrAddName("grp_a"), b = Variable_FindOrAddName("grp_b");
  int32_t g = Variable_FindOrAddName("grp_g"), r = Variable_FindOrAddName("grp_r");

  int32_t n = Variable_FindOrAddName("grp_n"), t = Variable_FindOrAddName("grp_t");
  Assembler c;
  // a = 2; b = 9; g = ds_grid_create(3, 3); ds_grid_set(g, a, 1, 6); r = group_sub(a, b) (b - a)
  c.pushE(2).popV(a, SELECTOR_SELF, TYPE_INT).pushE(9).popV(b, SELECTOR_SELF, TYPE_INT);
  c.pushE(3).conv(TYPE_INT, TYPE_VARIABLE).pushE(3).conv(TYPE_INT, TYPE_VARIABLE);
  c.call(FindBuiltinFunction("ds_grid_create"), 2).popV(g, SELECTOR_SELF);
  c.pushE(6).conv(TYPE_INT, TYPE_VARIABLE).pushE(1).conv(TYPE_INT, TYPE_VARIABLE);
  c.pushV(a, SELECTOR_SELF).pushV(g, SELECTOR_SELF);
  c.call(FindBuiltinFunction("ds_grid_set"), 4).popz(TYPE_VARIABLE);
  c.pushV(b, SELECTOR_SELF).pushV(a, SELECTOR_SELF).call(sub, 2).popV(r, SELECTOR_SELF);
  // n = 0; Top: t = ds_grid_get(g, a, n + 1) twice: the first time as one group, the second time
  // from a branch to its second push with n + 1 already pushed; r += t each time
  c.pushE(0).popV(n, SELECTOR_SELF, TYPE_INT);
  c.pushV(n, SELECTOR_SELF).pushE(1).op2(OP_ADD, TYPE_VARIABLE, TYPE_INT);
  c.label("Top").pushV(a, SELECTOR_SELF).pushV(g, SELECTOR_SELF).call(get, 3).popV(t, SELECTOR_SELF);
  c.pushV(r, SELECTOR_SELF).pushV(t, SELECTOR_SELF).op2(OP_ADD, TYPE_VARIABLE, TYPE_VARIABLE).popV(r, SELECTOR_SELF);
  c.pushV(n, SELECTOR_SELF).pushE(1).op2(OP_ADD, TYPE_VARIABLE, TYPE_INT).popV(n, SELECTOR_SELF);
  c.pushV(n, SELECTOR_SELF).pushE(2).op2(OP_SGE, TYPE_VARIABLE, TYPE_INT).branch(OP_BT, "End");
  c.pushE(1).conv(TYPE_INT, TYPE_VARIABLE).branch(OP_B, "Top");
  c.label("End").pushV(r, SELECTOR_SELF).ret();
  std::vector<uint8_t> code = c.finish();
  for (int decoded = 0; decoded < 2; decoded++) {
    SCOPED_TRACE(decoded ? "decoded" : "words");
    EXPECT_EQ(Run(code, decoded == 1, 2).value, std::to_string(7.0 + 6 + 6));
  }
}

// A call made as a statement (its popz.v run with the call): texts and reals it returns are freed.
TEST_F(CallGroup, AStatementCallFreesItsResult) {
  RegisterFunction("grp_join", JoinRoutine, -1, false);
  std::vector<uint8_t> bytes = Compile(
      "a = 1; b = \"y\"; grp_join(a + 1, \"x\"); grp_join(a * 3); grp_join(b + b, a);"
      "return grp_join(a + 4, b);");
  Run(bytes, false);  // the lists' first nodes
  int64_t blocks = MemoryManager::TotalBlocks();
  Seen().clear();
  EXPECT_EQ(Run(bytes, false).value, "s:5,y");
  EXPECT_EQ(Run(bytes, true, 2).value, "s:5,y");
  EXPECT_EQ(Seen(), std::string(12, 'R'));
  EXPECT_EQ(MemoryManager::TotalBlocks(), blocks);
}

// Sizes, widths and heights through their direct forms; a missing list reports as the routine does.
TEST_F(CallGroup, SizesOfStructuresAgreeWithTheWordForm) {
  Outcome o = Both(
      "l = ds_list_create(); ds_list_add(l, 5); ds_list_add(l, 6); g = ds_grid_create(3, 2);"
      "m = ds_map_create(); k = 1; ds_map_add(m, k, k); q = ds_queue_create();"
      "r = string(ds_list_size(l)) + string(ds_grid_width(g)) + string(ds_grid_height(g))"
      "  + string(ds_map_size(m)) + string(ds_queue_size(q)); h = l + 9; r += string(ds_list_size(h));"
      "ds_list_destroy(l); ds_grid_destroy(g); ds_map_destroy(m); ds_queue_destroy(q); return r;");
  EXPECT_EQ(o.value, "s:232100");
  EXPECT_EQ(o.errors, 1);
  EXPECT_NE(o.lastError.find("Data structure with index does not exist."), std::string::npos);
}

// A found value stored and tested at once (v = ds_map_find_value(m, k); if (v != 0)): found and
// missing keys, the compare's tolerance, a long constant, and a test of another variable than the
// one stored, which stays apart; then a text found, whose compare with a number is an error that
// ends the run.
TEST_F(CallGroup, AFoundValueStoredAndTestedAgreesWithTheWordForm) {
  const char* text =
      "m = ds_map_create(); ds_map_add(m, 1, 50); ds_map_add(m, 2, 1.0000001); ds_map_add(m, 3, 70001);"
      "n = 0; k = 0; v = \"old\";"  // the first store frees the text
      "repeat 4 { k += 1; v = ds_map_find_value(m, k); if (v != 0) n += 1; }"
      "k = 2; v = ds_map_find_value(m, k); if (v != 1) n += 10;"
      "k = 3; v = ds_map_find_value(m, k); if (v < 70000) n += 100;"
      "k = 1; v = ds_map_find_value(m, k); if (v < 70000) n += 1000;"
      "w = ds_map_find_value(m, k); if (v >= 51) n += 10000;"
      "ds_map_destroy(m); return n;";
  std::vector<uint8_t> bytes = Compile(text);
  VMOp* ops = Code_Decode(bytes.data(), uint32_t(bytes.size()));
  int tails[4] = {};
  for (uint32_t i = 0; i < bytes.size() / 4; i++) {
    if (ops[i].handler == VMH_call_group) tails[ops[i].slot >> 6]++;
  }
  MemFree(ops);
  // Both pushes of each call start a group (m alone takes k from the stack).
  EXPECT_EQ(tails[3], 8);
  EXPECT_EQ(tails[1], 2);
  Outcome o = Both(text);
  EXPECT_EQ(o.value, std::to_string(1003.0));  // keys 1 to 3 found, 4 missing; 50 < 70000
  EXPECT_EQ(o.errors, 0);

  ReportCapture capture;
  std::vector<uint8_t> textual = Compile(
      "m = ds_map_create(); ds_map_add(m, 4, \"t\"); n = 0; k = 4;"
      "v = ds_map_find_value(m, k); if (v != 0) n += 1; return n;");
  Outcome words = Run(textual, false);
  DataStructures_FreeAll();
  Outcome decoded = Run(textual, true);
  DataStructures_FreeAll();
  EXPECT_EQ(decoded.value, words.value);
  ASSERT_EQ(capture.reports().size(), 2u);  // once a run
  for (const std::string& report : capture.reports()) {
    EXPECT_NE(report.find("DoSet :: Invalid comparison type"), std::string::npos);
    EXPECT_EQ(report, capture.reports()[0]);
  }
}

// Arithmetic by two constants stored (k = (k * 16807) mod 2147483647) as one entry: the same
// variable read and stored, another one stored, fractions and negative dividends, a target holding
// a text or not made yet (both left to the pop's own way), and a text operand's error.
TEST_F(CallGroup, ArithmeticByTwoConstantsStoredAgreesWithTheWordForm) {
  std::vector<uint8_t> bytes = Compile("k = 1; repeat 3 { k = (k * 16807) mod 2147483647; } return k;");
  VMOp* ops = Code_Decode(bytes.data(), uint32_t(bytes.size()));
  int groups = 0;
  for (uint32_t i = 0; i < bytes.size() / 4; i++) groups += ops[i].handler == VMH_push_op_k_pop;
  MemFree(ops);
  EXPECT_EQ(groups, 1);
  // The Park-Miller sequence from 1: 16807, 282475249, 1622650073.
  EXPECT_EQ(Both("k = 1; repeat 3 { k = (k * 16807) mod 2147483647; } return k;").value, std::to_string(1622650073.0));
  EXPECT_EQ(Both("j = 5; h = (j + 3) * 2; return h;").value, std::to_string(16.0));
  EXPECT_EQ(Both("n = -7; r = (n * 3) mod 4; return r;").value, std::to_string(-1.0));
  EXPECT_EQ(Both("f = 2.5; g = (f * 3) mod 4; return g;").value, std::to_string(3.5));
  EXPECT_EQ(Both("j = 5; s = \"x\"; s = (j - 1) / 8; return s;").value, std::to_string(0.5));
  EXPECT_EQ(Both("var y; j = 5; y = (j * 2) mod 3; return y;").value, std::to_string(1.0));
  ReportCapture capture;
  Both("t = \"a\"; q = (t - 2) mod 3; return 4;");
  ASSERT_EQ(capture.reports().size(), 3u);  // once a run: words, then decoded twice
  EXPECT_EQ(capture.reports()[1], capture.reports()[0]);
  EXPECT_EQ(capture.reports()[2], capture.reports()[0]);
}
