#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Code/Code_Error.h"
#include "Code/Code_Function.h"
#include "Code/Code_Load.h"
#include "Code/Code_Script.h"
#include "Code/Code_TestAsm.h"
#include "Code/Code_VM.h"
#include "Variable/Variable_Names.h"
#include "Variable/Variable_Route.h"

using namespace asmtest;

namespace {

// A file image built piece by piece; offsets are from its start, like a data file's.
class FileImage {
 public:
  FileImage() { bytes.assign({'F', 'O', 'R', 'M', 0, 0, 0, 0}); }
  uint32_t here() const { return uint32_t(bytes.size()); }
  uint32_t u32(uint32_t v) {
    uint32_t at = here();
    bytes.resize(at + 4);
    std::memcpy(bytes.data() + at, &v, 4);
    return at;
  }
  uint32_t blob(const std::vector<uint8_t>& data) {
    uint32_t at = here();
    bytes.insert(bytes.end(), data.begin(), data.end());
    while (bytes.size() % 4) bytes.push_back(0);
    return at;
  }
  uint32_t cstring(const char* text) {
    uint32_t at = here();
    bytes.insert(bytes.end(), text, text + std::strlen(text) + 1);
    while (bytes.size() % 4) bytes.push_back(0);
    return at;
  }
  // A string-table record: length, bytes, NUL.
  uint32_t record(const char* text) {
    uint32_t at = u32(uint32_t(std::strlen(text)));
    bytes.insert(bytes.end(), text, text + std::strlen(text) + 1);
    while (bytes.size() % 4) bytes.push_back(0);
    return at;
  }
  // A code entry; returns the entry's offset. The bytecode starts 8 bytes further.
  uint32_t entry(const char* name, const std::vector<uint8_t>& code) {
    uint32_t nameAt = cstring(name);
    uint32_t at = u32(nameAt);
    u32(uint32_t(code.size()));
    blob(code);
    return at;
  }
  uint32_t list(const std::vector<uint32_t>& offsets) {
    uint32_t at = u32(uint32_t(offsets.size()));
    for (uint32_t o : offsets) u32(o);
    return at;
  }
  void patch(uint32_t at, uint32_t v) { std::memcpy(bytes.data() + at, &v, 4); }
  uint32_t word(uint32_t at) const {
    uint32_t v;
    std::memcpy(&v, bytes.data() + at, 4);
    return v;
  }
  DataView view() const { return DataView(bytes.data(), bytes.size()); }

  std::vector<uint8_t> bytes;
};

uint32_t Chain(uint32_t flags, int32_t distance) { return (flags & kRefFlagMask) | (uint32_t(distance) & kRefIdMask); }

uint32_t WordAt(int entry, uint32_t offset) {
  uint32_t w;
  std::memcpy(&w, Code_EntryBuffer(entry)->data + offset, 4);
  return w;
}

class LoadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Code_Reset();
    RegisterAllFunctions();
    VM_Install();
  }
  void TearDown() override {
    Code_Reset();
    ReleaseFunctions();
    RegisterAllFunctions();
  }

  // Two entries: A = push.v; pop.v.i   B = push.v; push.s 0; conv.s.v; ret.v
  // with the variable chain A+0 -> A+8 -> B+0 carrying three different flag sets.
  void BuildVariableChain() {
    Assembler a;
    a.word(Encode(OP_PUSH, TYPE_VARIABLE, 0, uint16_t(SELECTOR_GLOBAL))).raw(uint32_t(0));
    a.word(Encode(OP_POP, TYPE_VARIABLE, TYPE_INT, uint16_t(SELECTOR_GLOBAL))).raw(uint32_t(0));
    Assembler b;
    b.word(Encode(OP_PUSH, TYPE_VARIABLE)).raw(uint32_t(0)).pushS(0).conv(TYPE_STRING, TYPE_VARIABLE).ret();
    strg = file.list({0});
    file.patch(strg + 4, file.record("hello"));
    entryA = file.entry("code_a", a.finish());
    entryB = file.entry("code_b", b.finish());
    uint32_t codeA = entryA + 8, codeB = entryB + 8;
    file.patch(codeA + 4, Chain(kRefNoIndex | kRefImmediateSel, 8));
    file.patch(codeA + 12, Chain(kRefImmediateSel | kRefInstanceBias, int32_t(codeB) - int32_t(codeA + 8)));
    file.patch(codeB + 4, Chain(kRefNoIndex, 0));
    code = file.list({entryA, entryB});
    vari = file.here();
    file.u32(file.cstring("vm_link_x"));
    vari = file.here() - 4;
    file.u32(3);
    file.u32(codeA);
  }

  FileImage file;
  uint32_t strg = 0, entryA = 0, entryB = 0, code = 0, vari = 0;
};

}  // namespace

TEST_F(LoadTest, VariableChainAcrossEntriesKeepsFlagBits) {
  BuildVariableChain();
  std::vector<uint8_t> before = file.bytes;
  DataView view = file.view();
  Code_LoadSTRG(view, strg, 12);
  Code_LoadCODE(view, code, 12);
  Code_LinkVARI(view, vari, 12);
  int32_t id = Variable_FindName("vm_link_x");
  ASSERT_GE(id, 100000);
  EXPECT_EQ(WordAt(0, 4), (kRefNoIndex | kRefImmediateSel) | uint32_t(id));
  EXPECT_EQ(WordAt(0, 12), (kRefImmediateSel | kRefInstanceBias) | uint32_t(id));
  EXPECT_EQ(WordAt(1, 4), kRefNoIndex | uint32_t(id));
  // The data block itself is not written.
  EXPECT_EQ(file.bytes, before);
  EXPECT_STREQ(Code_EntryName(1), "code_b");
}

TEST_F(LoadTest, VariablesMetBeforeTheCodeAreLinkedWhenItArrives) {
  BuildVariableChain();
  DataView view = file.view();
  Code_LoadSTRG(view, strg, 12);
  Code_LinkVARI(view, vari, 12);
  Code_LoadCODE(view, code, 12);
  EXPECT_EQ(WordAt(1, 4), kRefNoIndex | uint32_t(Variable_FindName("vm_link_x")));
}

TEST_F(LoadTest, StringOperandZeroIsTheFirstRecordsText) {
  BuildVariableChain();
  DataView view = file.view();
  Code_LoadSTRG(view, strg, 12);
  Code_LoadCODE(view, code, 12);
  Code_LinkVARI(view, vari, 12);
  Code_LinkCODE(view, code, 12);
  VMBuffer* b = Code_EntryBuffer(1);
  // Skip the push.v: run from the push.s on.
  VMBuffer tail(b->data + 8, b->size - 8);
  RValue out;
  VM_Run("code_b", nullptr, nullptr, &tail, &out, nullptr, nullptr);
  EXPECT_STREQ(out.Str(), "hello");
}

TEST_F(LoadTest, MalformedChainsAreRefused) {
  // Each case edits a fresh image, then links it.
  struct Case {
    const char* what;
    void (*edit)(FileImage&, uint32_t codeA, uint32_t vari);
  };
  const Case cases[] = {
      {"first occurrence outside the code", [](FileImage& f, uint32_t, uint32_t v) { f.patch(v + 8, 12); }},
      {"occurrence not on a variable access",
       [](FileImage& f, uint32_t a, uint32_t) { f.patch(a + 4, Chain(kRefNoIndex, 4)); }},
      {"chain that loops back onto a linked reference",
       [](FileImage& f, uint32_t a, uint32_t) { f.patch(a + 4, Chain(kRefNoIndex, 0)); }},
      {"more occurrences than the chain holds", [](FileImage& f, uint32_t, uint32_t v) { f.patch(v + 4, 4); }},
      {"misaligned occurrence", [](FileImage& f, uint32_t a, uint32_t v) { f.patch(v + 8, a + 2); }},
  };
  for (const Case& c : cases) {
    Code_Reset();
    file = FileImage();
    BuildVariableChain();
    c.edit(file, entryA + 8, vari);
    DataView view = file.view();
    Code_LoadSTRG(view, strg, 12);
    Code_LoadCODE(view, code, 12);
    EXPECT_THROW(Code_LinkVARI(view, vari, 12), FileFormatError) << c.what;
  }
  Code_Reset();
  file = FileImage();
  BuildVariableChain();
  DataView view = file.view();
  Code_LoadCODE(view, code, 12);
  EXPECT_THROW(Code_LinkVARI(view, vari, 11), FileFormatError) << "partial record";
}

TEST_F(LoadTest, MalformedCodeTablesAreRefused) {
  // A second entry record placed 4 bytes into the first: its bytecode (of the length held by the
  // first code word, 4) starts inside the first entry's bytecode.
  FileImage f;
  Assembler a;
  a.word(4).pushE(1).pushE(2).pushE(3);
  uint32_t e1 = f.entry("one", a.finish());
  uint32_t list = f.list({e1, e1 + 4});
  DataView view = f.view();
  EXPECT_THROW(Code_LoadCODE(view, list, 12), FileFormatError);
  // The same entry listed twice shares one copy and is accepted.
  uint32_t twice = f.list({e1, e1});
  DataView grown = f.view();
  EXPECT_NO_THROW(Code_LoadCODE(grown, twice, 12));
  EXPECT_EQ(Code_EntryBuffer(0), Code_EntryBuffer(1));

  FileImage g;
  uint32_t bad = g.u32(g.cstring("long"));
  g.u32(4000);  // far past the end of the file
  uint32_t list2 = g.list({bad});
  DataView view2 = g.view();
  EXPECT_THROW(Code_LoadCODE(view2, list2, 8), FileFormatError);
}

TEST_F(LoadTest, CodeVerificationCatchesBadOperandsAndBranches) {
  FileImage f;
  uint32_t strgAt = f.list({0});
  f.patch(strgAt + 4, f.record("s"));
  Assembler good;
  good.pushS(0).popz(TYPE_STRING).branch(OP_B, "End").label("End");
  Assembler badString;
  badString.pushS(3).popz(TYPE_STRING);
  Assembler badBranch;
  badBranch.pushD(1).word(EncodeBranch(OP_B, -1));  // into the double operand
  uint32_t e1 = f.entry("good", good.finish());
  uint32_t e2 = f.entry("bad_string", badString.finish());
  uint32_t e3 = f.entry("bad_branch", badBranch.finish());
  uint32_t l1 = f.list({e1});
  uint32_t l2 = f.list({e1, e2});
  uint32_t l3 = f.list({e3});
  DataView view = f.view();
  Code_LoadSTRG(view, strgAt, 8);
  Code_LoadCODE(view, l1, 8);
  EXPECT_NO_THROW(Code_LinkCODE(view, l1, 8));
  Code_LoadCODE(view, l2, 12);
  EXPECT_THROW(Code_LinkCODE(view, l2, 12), FileFormatError);
  Code_LoadCODE(view, l3, 8);
  EXPECT_THROW(Code_LinkCODE(view, l3, 8), FileFormatError);
}

TEST_F(LoadTest, FunctionChainsPreferScriptsAndEmptyScriptSlotsStayEmpty) {
  int builtin = -1;
  if (!FindFunction("vmtest_shadow", &builtin)) {
    builtin = RegisterFunction("vmtest_shadow", [](RValue& r, CInstance*, CInstance*, int, RValue*) { r.SetReal(1); }, 0, false) - 1;
  }
  FileImage f;
  Assembler a;
  a.call(0, 0).popz(TYPE_VARIABLE);
  Assembler b;
  b.call(0, 0).ret();
  uint32_t ea = f.entry("code_a", a.finish());
  uint32_t eb = f.entry("code_b", b.finish());
  f.patch(ea + 8 + 4, (eb + 8) - (ea + 8));
  uint32_t codeList = f.list({ea, eb});
  uint32_t scriptRecord = f.u32(f.cstring("vmtest_shadow"));
  f.u32(1);
  uint32_t scpt = f.list({0, scriptRecord});
  uint32_t func = f.u32(f.cstring("vmtest_shadow"));
  f.u32(2);
  f.u32(ea + 8);
  DataView view = f.view();
  Code_LoadCODE(view, codeList, 12);
  Code_LoadSCPT(view, scpt, 12);
  Code_LinkFUNC(view, func, 12);
  EXPECT_EQ(Script_Get(0), nullptr);
  EXPECT_STREQ(Script_Name(0), "<undefined>");
  EXPECT_STREQ(Script_Name(7), "<undefined>");
  ASSERT_NE(Script_Get(1), nullptr);
  EXPECT_EQ(Script_Get(1)->Code()->code, Code_EntryBuffer(1));
  EXPECT_EQ(WordAt(0, 4), uint32_t(kScriptIdBase + 1));
  EXPECT_EQ(WordAt(1, 4), uint32_t(kScriptIdBase + 1));

  // A chain step onto an instruction that is not a call is refused.
  Code_Reset();
  FileImage g;
  Assembler c;
  c.pushE(1).pushE(2);
  uint32_t ec = g.entry("code_c", c.finish());
  uint32_t list = g.list({ec});
  uint32_t rec = g.u32(g.cstring("vmtest_shadow"));
  g.u32(1);
  g.u32(ec + 8);
  DataView view2 = g.view();
  Code_LoadCODE(view2, list, 8);
  EXPECT_THROW(Code_LinkFUNC(view2, rec, 12), FileFormatError);
}

TEST_F(LoadTest, UnresolvedNamesFailTheLoadAsFatalErrors) {
  FileImage f;
  uint32_t rec = f.u32(f.cstring("no_such_function_anywhere"));
  f.u32(0);
  f.u32(0);
  DataView view = f.view();
  try {
    Code_LinkFUNC(view, rec, 12);
    ADD_FAILURE() << "the load went on";
  } catch (const FatalLoadError& e) {
    EXPECT_STREQ(e.what(), "Error on load\nUnable to find function no_such_function_anywhere\n");
  }
  FileImage g;
  uint32_t empty = g.u32(g.cstring(""));
  g.u32(0);
  g.u32(0);
  uint32_t list = g.list({});
  DataView view2 = g.view();
  Code_LoadCODE(view2, list, 4);
  EXPECT_THROW(Code_LinkVARI(view2, empty, 12), FatalLoadError);
}

TEST_F(LoadTest, InstructionListing) {
  int32_t v = Variable_FindOrAddName("vm_list_var");
  Code_AddString("hi");
  Assembler a;
  a.pushE(5);                                            // 0
  a.pushD(1.5);                                          // 4
  a.op2(OP_ADD, TYPE_VARIABLE, TYPE_INT);                // 16
  a.pushV(v, SELECTOR_SELF);                             // 20
  a.pushS(0);                                            // 28
  a.word(EncodeBranch(OP_BF, -2));                       // 36 -> 28
  a.popV(v, SELECTOR_SELF, TYPE_INT);                    // 40
  std::vector<uint8_t> code = a.finish();
  CTextBuffer out;
  Code_List(code.data(), uint32_t(code.size()), out);
  std::string pad17(17, ' ');
  // The operand words of push.v and pop.v sit between the word and the mnemonic column.
  std::string ref = "";
  {
    uint32_t r = EncodeVariableRef(kRefNoIndex | kRefImmediateSel, v);
    char hex[9];
    std::snprintf(hex, sizeof hex, "%02x%02x%02x%02x", r & 0xFF, (r >> 8) & 0xFF, (r >> 16) & 0xFF, r >> 24);
    ref = hex;
  }
  std::string pad9(9, ' ');
  std::string expected = std::string("00000000 : 05000fc0") + pad17 + "push.e    5\n" +
             "00000004 : 000000c0000000000000f83f push.d    1.500000\n" +
             "00000010 : 00005208" + pad17 + "add.i.v   \n" +
             "00000014 : ffff05c0" + ref + pad9 + "push.v    $vm_list_var$\n" +
             "0000001c : 000006c000000000" + pad9 + "push.s    \"hi\"\n" +
             "00000024 : feffffb9" + pad17 + "bf        0x0000001c\n" +
             "00000028 : ffff2541" + ref + pad9 + "pop.v.i   $vm_list_var$\n";
  EXPECT_EQ(std::string(out.Text()), expected);
}

TEST_F(LoadTest, SourcePositionsAndLines) {
  uint32_t pairs[6] = {0, 0, 8, 5, 16, 9};
  VMBuffer table(reinterpret_cast<uint8_t*>(pairs), sizeof pairs);
  EXPECT_EQ(Code_SourcePosition(&table, 4), 0);
  EXPECT_EQ(Code_SourcePosition(&table, 12), 5);
  EXPECT_EQ(Code_SourcePosition(&table, 16), 9);
  EXPECT_EQ(Code_SourcePosition(&table, 400), 9);
  EXPECT_EQ(Code_SourcePosition(nullptr, 12), 0);
  const char* source = "a = 1;\r\nb = 2;\r\nc = 3;";
  EXPECT_EQ(Code_LineNumber(source, 0), 0);
  EXPECT_EQ(Code_LineNumber(source, 8), 1);
  EXPECT_EQ(Code_LineNumber(source, 17), 2);
  char line[64];
  EXPECT_STREQ(Code_LineText(source, 10, line, sizeof line), "b = 2;");
  EXPECT_STREQ(Code_LineText(source, 17, line, sizeof line), "c = 3;");
  EXPECT_STREQ(Code_LineText("x\ny", 2, line, sizeof line), "y");
  EXPECT_STREQ(Code_LineText(nullptr, 3, line, sizeof line), "<unknown source line>");
}

TEST_F(LoadTest, DebugSideFileGivesUnitsTheirSourceAndPositions) {
  FileImage main;
  Assembler a;
  a.pushE(1).popz(TYPE_INT);
  uint32_t e = main.entry("code_dbg", a.finish());
  uint32_t list = main.list({e});
  DataView view = main.view();
  Code_LoadCODE(view, list, 8);

  FileImage side;
  uint32_t table = side.u32(2);
  side.u32(0);
  side.u32(0);
  side.u32(4);
  side.u32(3);
  uint32_t dbgi = side.list({table});
  uint32_t src = side.cstring("x;\ny;");
  uint32_t rec = side.u32(src);
  uint32_t scpt = side.list({rec});
  DataView sideView = side.view();
  Code_LoadDebugDBGI(sideView, dbgi, 8);
  Code_LoadDebugSCPT(sideView, scpt, 8);

  CCode* unit = Code_CreateFromIndex(0);
  EXPECT_STREQ(unit->Name(), "code_dbg");
  EXPECT_STREQ(unit->Source(), "x;\ny;");
  ASSERT_NE(unit->positions, nullptr);
  EXPECT_EQ(Code_LineNumber(unit->Source(), Code_SourcePosition(unit->positions, 4)), 1);
  delete unit;
  CCode* none = Code_CreateFromIndex(5);
  EXPECT_EQ(none->code, nullptr);
  EXPECT_TRUE(VM_Execute(nullptr, nullptr, none, nullptr));
  delete none;
}

TEST_F(LoadTest, SourceScriptsAreCompiledAtPreparation) {
  // Without a CODE chunk the script record's second word is its source text.
  FileImage f;
  uint32_t n1 = f.cstring("scr_one"), s1 = f.cstring("return 1;");
  uint32_t n2 = f.cstring("scr_two"), s2 = f.cstring("broken(");
  uint32_t r1 = f.u32(n1);
  f.u32(s1);
  uint32_t r2 = f.u32(n2);
  f.u32(s2);
  uint32_t scpt = f.list({r1, r2});
  DataView view = f.view();
  Code_LoadSCPT(view, scpt, 12);
  ASSERT_NE(Script_Get(1), nullptr);
  EXPECT_STREQ(Script_Get(1)->Source(), "broken(");
  EXPECT_EQ(Script_Get(1)->Code(), nullptr);
  // A compiler that accepts only the first script's text.
  ScriptCompileHook compile = [](const char* name, const char* source) -> CCode* {
    if (std::strcmp(source, "return 1;") != 0) return nullptr;
    auto* unit = new CCode();
    unit->SetName(name);
    unit->SetConstant(RValue(1.0));
    return unit;
  };
  ResetErrorReporter();
  ::testing::internal::CaptureStdout();
  EXPECT_FALSE(Script_CompileAll(compile));
  std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_NE(Script_Get(0)->Code(), nullptr);
  EXPECT_STREQ(LastErrorText(), (std::string("COMPILATION ERROR in Script: scr_two\n") + CompileErrorText()).c_str());
  ResetErrorReporter();
}
