#include "Variable/Variable_List.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "Platform/Platform_Memory.h"
#include "Support/Support_Stream.h"
#include "Variable/Variable_Global.h"
#include "Variable/Variable_Instance.h"
#include "Variable/Variable_Names.h"

namespace {

constexpr int32_t A = 100000;
constexpr int32_t B = 100001;

double ReadReal(const CVariableList& list, int32_t id, int32_t index, bool* ok = nullptr) {
  RValue out(123.0);
  bool r = list.Get(id, index, &out);
  if (ok) *ok = r;
  EXPECT_TRUE(out.IsReal());
  return out.real;
}

std::string DumpOf(const CVariableList& list) {
  CTextBuffer out;
  list.Dump(out);
  return out.Text();
}

// Registers v0 .. v(n-1), so that vK has id 100000 + K.
void NameVariables(int n) {
  Variable_ClearNames();
  for (int i = 0; i < n; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "v%d", i);
    Variable_FindOrAddName(name);
  }
}

}  // namespace

TEST(VariableList, ScalarIsIndexZeroAndArraysStartEmpty) {
  CVariableList list;
  list.Set(A, 0, RValue(5.0));
  EXPECT_DOUBLE_EQ(ReadReal(list, A, 0), 5.0);

  // a[3] = 1: the scalar stays the zero value, a[1] reads 0, a[4] is outside the array.
  list.Set(B, 3, RValue(1.0));
  EXPECT_DOUBLE_EQ(ReadReal(list, B, 0), 0.0);
  EXPECT_DOUBLE_EQ(ReadReal(list, B, 1), 0.0);
  EXPECT_DOUBLE_EQ(ReadReal(list, B, 3), 1.0);
  bool ok = true;
  Variable_SetOutOfRange(false);
  EXPECT_DOUBLE_EQ(ReadReal(list, B, 4, &ok), 0.0);
  EXPECT_FALSE(ok);
  EXPECT_TRUE(Variable_OutOfRange());
  // The next access clears the flag.
  ReadReal(list, B, 3, &ok);
  EXPECT_TRUE(ok);
  EXPECT_FALSE(Variable_OutOfRange());
  EXPECT_EQ(list.Count(), 2);
}

TEST(VariableList, TwoDimensionalIndexesUseRowsOf32000) {
  CVariableList list;
  list.Set(A, 2 * 32000 + 3, RValue(7.0));  // a[2,3]
  RVariable* n = list.Find(A);
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(n->rowCount, 3);
  EXPECT_EQ(n->rows[0].count, 0);
  EXPECT_EQ(n->rows[1].count, 0);
  EXPECT_EQ(n->rows[2].count, 4);
  bool ok = true;
  ReadReal(list, A, 1 * 32000 + 0, &ok);  // a[1,0]: row 1 has no elements
  EXPECT_FALSE(ok);
  EXPECT_TRUE(Variable_OutOfRange());
  EXPECT_DOUBLE_EQ(ReadReal(list, A, 2 * 32000 + 0, &ok), 0.0);
  EXPECT_TRUE(ok);
  EXPECT_DOUBLE_EQ(ReadReal(list, A, 2 * 32000 + 3), 7.0);

  // A one-dimensional index of 32000 reaches the next row: a[32000] is a[1,0].
  list.Set(B, 32000, RValue(9.0));
  EXPECT_EQ(list.Find(B)->rowCount, 2);
  EXPECT_EQ(list.Find(B)->rows[1].count, 1);
  EXPECT_DOUBLE_EQ(ReadReal(list, B, 32000), 9.0);
}

TEST(VariableList, NegativeIndexStoresNothingButCreatesTheVariable) {
  CVariableList list;
  EXPECT_FALSE(list.Set(A, -1, RValue(4.0)));
  EXPECT_TRUE(Variable_OutOfRange());
  ASSERT_NE(list.Find(A), nullptr);
  EXPECT_EQ(list.Find(A)->rowCount, 0);
  EXPECT_FALSE(list.Set(A, -32000, RValue(4.0)));  // row -1
  bool ok = false;
  EXPECT_DOUBLE_EQ(ReadReal(list, A, 0, &ok), 0.0);
  EXPECT_TRUE(ok);
  EXPECT_FALSE(Variable_OutOfRange());
  ReadReal(list, A, -5, &ok);
  EXPECT_FALSE(ok);
  EXPECT_TRUE(Variable_OutOfRange());
}

TEST(VariableList, UnsetVariablesReadZeroUnlessStrict) {
  CVariableList list;
  bool ok = false;
  EXPECT_DOUBLE_EQ(ReadReal(list, A, 0, &ok), 0.0);
  EXPECT_TRUE(ok);
  EXPECT_EQ(list.Count(), 0);  // a read creates nothing

  Variable_SetStrictVariables(true);
  RValue out("untouched");
  EXPECT_FALSE(list.Get(A, 0, &out));
  EXPECT_STREQ(out.Str(), "untouched");
  Variable_SetStrictVariables(false);
}

TEST(VariableList, StoredStringsAreIndependentCopies) {
  {
    CVariableList warm;  // makes sure the node pool has a free node, so no pool block is counted
    warm.Set(A, 0, RValue(0.0));
  }
  const int64_t blocks = MemoryManager::TotalBlocks();
  {
    CVariableList list;
    RValue s("abc\xF0");
    list.Set(A, 0, s);
    list.Set(A, 5, s);
    s.SetString("changed");
    RValue out;
    list.Get(A, 0, &out);
    EXPECT_STREQ(out.Str(), "abc\xF0");
    list.Get(A, 5, &out);
    EXPECT_STREQ(out.Str(), "abc\xF0");
    // Overwriting frees the old text; storing an element of the array into itself is safe.
    list.Set(A, 0, RValue(1.0));
    list.Set(A, 31999, *list.Find(A)->Element(5));
    list.Get(A, 31999, &out);
    EXPECT_STREQ(out.Str(), "abc\xF0");
  }
  // Texts, rows and the row table are all freed with the list.
  EXPECT_EQ(MemoryManager::TotalBlocks(), blocks);
}

TEST(VariableList, DumpFollowsBucketOrderNewestFirst) {
  NameVariables(65);
  CVariableList list;
  // 100000 and 100064 share bucket 32; 100063 is in bucket 31 and 100001 in bucket 33.
  list.Set(A + 0, 0, RValue(2.5));
  list.Set(A + 1, 2, RValue(7.0));
  list.Set(A + 64, 0, RValue("s"));
  list.Set(A + 63, 0, RValue(1.0));
  EXPECT_EQ(DumpOf(list),
            "v63 = 1\n"
            "v64 = \"s\"\n"
            "v0 = 2.500000\n"
            "v1 = { { 0 ,0 ,7},   }\n");
  EXPECT_EQ(list.Newest()->id, A + 63);
  EXPECT_EQ(list.Newest()->listNext->id, A + 64);

  CVariableList rows;
  rows.Set(A + 2, 32000, RValue(1.0));
  EXPECT_EQ(DumpOf(rows), "v2 = { { },  { 1},   }\n");
  Variable_ClearNames();
  EXPECT_EQ(DumpOf(rows), "<unknown variable> = { { },  { 1},   }\n");
}

TEST(VariableList, ClearReturnsNodesToThePoolAndStaysUsable) {
  CVariableList list;
  for (int i = 0; i < 300; ++i) list.Set(A + i, i % 3, RValue("x"));
  const int64_t freeBefore = Variable_PoolNodesFree();
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Newest(), nullptr);
  EXPECT_EQ(Variable_PoolNodesFree(), freeBefore + 300);
  const int64_t allocated = Variable_PoolNodesAllocated();
  list.Set(A, 0, RValue(1.0));
  EXPECT_EQ(Variable_PoolNodesAllocated(), allocated);  // a freed node was reused
  EXPECT_DOUBLE_EQ(ReadReal(list, A, 0), 1.0);
}

// ---- Save format --------------------------------------------------------------------------------

TEST(VariableListSave, OneRealVariableHasTheDocumentedBytes) {
  CVariableList list;
  list.Set(A, 0, RValue(5.0));
  CStream s;
  list.Save(&s);
  char* hex = s.ConvertToString();
  // 442, count 1, id 100000, kind 0, real 5.0, empty text, no rows.
  EXPECT_STREQ(hex, "BA010000" "01000000" "A0860100" "00000000" "0000000000001440" "00000000" "00000000");
  MemFree(hex);
}

TEST(VariableListSave, RoundTripKeepsValuesArraysAndBytes) {
  CVariableList list;
  list.Set(A, 0, RValue("h\xE9"));
  list.Set(A + 64, 0, RValue(-1.25));
  list.Set(B, 32000 + 2, RValue("row1"));
  list.Set(B, 1, RValue(3.0));
  list.Set(A + 7, 0, RValue(static_cast<const char*>(nullptr)));
  CStream s;
  list.Save(&s);
  s.Seek(0, CStream::SEEK_FROM_START);

  CVariableList loaded;
  loaded.Set(A + 9, 0, RValue(8.0));  // loading adds to what is there
  ASSERT_TRUE(loaded.Load(&s));
  EXPECT_FALSE(s.Failed());
  EXPECT_EQ(loaded.Count(), 5);
  RValue out;
  loaded.Get(A, 0, &out);
  EXPECT_STREQ(out.Str(), "h\xE9");
  EXPECT_DOUBLE_EQ(ReadReal(loaded, A + 64, 0), -1.25);
  loaded.Get(B, 32002, &out);
  EXPECT_STREQ(out.Str(), "row1");
  EXPECT_DOUBLE_EQ(ReadReal(loaded, B, 1), 3.0);
  EXPECT_EQ(loaded.Find(B)->rows[0].count, 2);
  EXPECT_EQ(loaded.Find(B)->rows[1].count, 3);
  loaded.Get(A + 7, 0, &out);
  EXPECT_TRUE(out.IsString());
  EXPECT_DOUBLE_EQ(ReadReal(loaded, A + 9, 0), 8.0);
  // Bucket 32 was saved newest first (100064, 100000); each loaded node goes to the head again.
  EXPECT_EQ(loaded.Bucket(32)->id, A);
  EXPECT_EQ(loaded.Bucket(32)->bucketNext->id, A + 64);
}

TEST(VariableListSave, LoadReplacesAVariableItAlreadyHolds) {
  CVariableList saved;
  saved.Set(A, 0, RValue(1.0));
  CStream s;
  saved.Save(&s);
  s.Seek(0, CStream::SEEK_FROM_START);
  CVariableList list;
  list.Set(A, 40, RValue(2.0));
  ASSERT_TRUE(list.Load(&s));
  EXPECT_EQ(list.Count(), 1);
  EXPECT_DOUBLE_EQ(ReadReal(list, A, 0), 1.0);
  EXPECT_EQ(list.Find(A)->rowCount, 0);
}

TEST(VariableListSave, OlderVersionsLoad) {
  // 441: after the scalar one count n = 2 * 32000 + 3 stands for 2 rows of 3 elements.
  CStream s;
  s.WriteInteger(441);
  s.WriteInteger(1);
  s.WriteInteger(A);
  s.WriteInteger(VALUE_REAL);
  s.WriteReal(4.0);
  s.WriteString(nullptr);
  s.WriteInteger(2 * 32000 + 3);
  for (int e = 0; e < 6; ++e) {
    s.WriteInteger(VALUE_REAL);
    s.WriteReal(10.0 + e);
    s.WriteString(nullptr);
  }
  // 440: the current layout.
  s.WriteInteger(440);
  s.WriteInteger(1);
  s.WriteInteger(B);
  s.WriteInteger(VALUE_STRING);
  s.WriteReal(0.0);
  s.WriteString("old");
  s.WriteInteger(0);
  s.Seek(0, CStream::SEEK_FROM_START);

  CVariableList list;
  ASSERT_TRUE(list.Load(&s));
  RVariable* n = list.Find(A);
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(n->rowCount, 2);
  EXPECT_EQ(n->rows[0].count, 3);
  EXPECT_EQ(n->rows[1].count, 3);
  EXPECT_DOUBLE_EQ(ReadReal(list, A, 0), 4.0);
  EXPECT_DOUBLE_EQ(ReadReal(list, A, 2), 12.0);
  EXPECT_DOUBLE_EQ(ReadReal(list, A, 32000 + 1), 14.0);
  ASSERT_TRUE(list.Load(&s));
  RValue out;
  list.Get(B, 0, &out);
  EXPECT_STREQ(out.Str(), "old");

  // 441 with n = 5 * 32000: five rows of no elements, which hold nothing and are not kept.
  CStream empty;
  empty.WriteInteger(441);
  empty.WriteInteger(1);
  empty.WriteInteger(A + 2);
  empty.WriteInteger(VALUE_REAL);
  empty.WriteReal(1.0);
  empty.WriteString(nullptr);
  empty.WriteInteger(5 * 32000);
  empty.Seek(0, CStream::SEEK_FROM_START);
  ASSERT_TRUE(list.Load(&empty));
  EXPECT_EQ(list.Find(A + 2)->rowCount, 0);
  EXPECT_DOUBLE_EQ(ReadReal(list, A + 2, 0), 1.0);
}

TEST(VariableListSave, BadBlocksChangeNothing) {
  CVariableList full;
  full.Set(A, 0, RValue("text"));
  full.Set(B, 70000, RValue(2.0));
  CStream saved;
  full.Save(&saved);

  // Every truncation of a valid block is refused and leaves the list as it was.
  for (int64_t cut = 0; cut < saved.GetPosition(); ++cut) {
    CStream part;
    part.WriteBuffer(saved.GetBuffer(), cut);
    part.Seek(0, CStream::SEEK_FROM_START);
    CVariableList list;
    list.Set(A + 5, 0, RValue(1.0));
    EXPECT_FALSE(list.Load(&part)) << "cut at " << cut;
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Find(A), nullptr);
  }

  auto refused = [](CStream& s) {
    s.Seek(0, CStream::SEEK_FROM_START);
    CVariableList list;
    bool ok = list.Load(&s);
    return !ok && list.Count() == 0;
  };
  CStream version;
  version.WriteInteger(443);
  version.WriteInteger(0);
  EXPECT_TRUE(refused(version));

  CStream kind;  // a kind that is neither real nor string
  kind.WriteInteger(442);
  kind.WriteInteger(1);
  kind.WriteInteger(A);
  kind.WriteInteger(7);
  kind.WriteReal(0.0);
  kind.WriteString(nullptr);
  kind.WriteInteger(0);
  EXPECT_TRUE(refused(kind));

  CStream rows;  // a row count far beyond the bytes that follow
  rows.WriteInteger(442);
  rows.WriteInteger(1);
  rows.WriteInteger(A);
  rows.WriteInteger(0);
  rows.WriteReal(0.0);
  rows.WriteString(nullptr);
  rows.WriteInteger(0x7FFFFFFF);
  EXPECT_TRUE(refused(rows));

  CStream count;  // a negative node count
  count.WriteInteger(442);
  count.WriteInteger(-1);
  EXPECT_TRUE(refused(count));
}

// ---- Globals ------------------------------------------------------------------------------------

TEST(VariableGlobals, GlobalvarFlagsGrowInStepsAndCreateTheVariable) {
  Variable_PrepareGlobals();
  ASSERT_NE(g_pGlobalVariables, nullptr);
  EXPECT_EQ(Variable_GlobalVarFlagCount(), 10000);
  EXPECT_FALSE(Variable_IsGlobalVar(A + 5));
  EXPECT_TRUE(Variable_DeclareGlobalVar(A + 5));
  EXPECT_TRUE(Variable_IsGlobalVar(A + 5));
  EXPECT_NE(g_pGlobalVariables->Find(A + 5), nullptr);
  EXPECT_TRUE(Variable_DeclareGlobalVar(A + 10000));
  EXPECT_EQ(Variable_GlobalVarFlagCount(), 11000);
  EXPECT_TRUE(Variable_DeclareGlobalVar(A + 12500));
  EXPECT_EQ(Variable_GlobalVarFlagCount(), 13000);
  EXPECT_FALSE(Variable_IsGlobalVar(A + 12499));
  // Built-in ids have no flag.
  EXPECT_FALSE(Variable_DeclareGlobalVar(5));
  EXPECT_FALSE(Variable_IsGlobalVar(5));
  EXPECT_EQ(g_pGlobalVariables->Find(5), nullptr);
  Variable_FreeGlobals();
}

TEST(VariableGlobals, SavedStateRoundTripsAndBadStateChangesNothing) {
  Variable_PrepareGlobals();
  Variable_DeclareGlobalVar(A + 3);
  g_pGlobalVariables->Set(A + 3, 0, RValue("g"));
  CStream s;
  Variable_SaveGlobals(&s);
  EXPECT_EQ(s.GetPosition(), 4 + (4 + 4 + 4 + 16 + 1 + 4) + 4 + 10000);

  Variable_PrepareGlobals();
  s.Seek(0, CStream::SEEK_FROM_START);
  s.WriteInteger(0);  // skipping checks the block and moves past it, changing nothing
  s.Seek(0, CStream::SEEK_FROM_START);
  ASSERT_FALSE(Variable_SkipGlobals(&s));
  s.Seek(0, CStream::SEEK_FROM_START);
  s.WriteInteger(700);
  s.Seek(0, CStream::SEEK_FROM_START);
  ASSERT_TRUE(Variable_SkipGlobals(&s));
  EXPECT_EQ(s.Remaining(), 0);
  EXPECT_FALSE(Variable_IsGlobalVar(A + 3));
  EXPECT_EQ(g_pGlobalVariables->Count(), 0);
  s.Seek(0, CStream::SEEK_FROM_START);
  ASSERT_TRUE(Variable_LoadGlobals(&s));
  EXPECT_TRUE(Variable_IsGlobalVar(A + 3));
  RValue out;
  g_pGlobalVariables->Get(A + 3, 0, &out);
  EXPECT_STREQ(out.Str(), "g");

  // Flags cut short: nothing changes.
  CStream cut;
  cut.WriteBuffer(s.GetBuffer(), s.GetPosition() - 1);
  cut.Seek(0, CStream::SEEK_FROM_START);
  Variable_PrepareGlobals();
  g_pGlobalVariables->Set(A + 1, 0, RValue(1.0));
  EXPECT_FALSE(Variable_LoadGlobals(&cut));
  EXPECT_EQ(g_pGlobalVariables->Count(), 1);
  EXPECT_FALSE(Variable_IsGlobalVar(A + 3));

  CStream wrong;
  wrong.WriteInteger(701);
  wrong.Seek(0, CStream::SEEK_FROM_START);
  EXPECT_FALSE(Variable_LoadGlobals(&wrong));
  Variable_FreeGlobals();
}

// ---- Names --------------------------------------------------------------------------------------

namespace {
// A built-in table that knows `x` (0) and `y` (1).
class CTwoBuiltIns final : public CBuiltInVariables {
 public:
  int32_t Find(const char* name) override {
    if (std::string(name) == "x") return 0;
    if (std::string(name) == "y") return 1;
    return -1;
  }
  const char* Name(int32_t id) override { return id == 0 ? "x" : id == 1 ? "y" : nullptr; }
  bool Get(CInstance*, int32_t, int32_t, RValue*) override { return false; }
  bool Set(CInstance*, int32_t, int32_t, const RValue&) override { return false; }
};
}  // namespace

TEST(VariableNames, IdsFollowFirstAppearanceAndBuiltInsComeFirst) {
  Variable_ClearNames();
  CTwoBuiltIns builtIns;
  SetBuiltInVariables(&builtIns);
  EXPECT_EQ(Variable_FindOrAddName("score2"), 100000);
  EXPECT_EQ(Variable_FindOrAddName("hp"), 100001);
  EXPECT_EQ(Variable_FindOrAddName("score2"), 100000);
  EXPECT_EQ(Variable_FindOrAddName("HP"), 100002);  // case-sensitive
  EXPECT_EQ(Variable_FindOrAddName("y"), 1);
  EXPECT_EQ(Variable_FindOrAddName("X"), 100003);
  EXPECT_EQ(Variable_FindName("never"), -1);
  EXPECT_EQ(Variable_NameCount(), 4);
  EXPECT_STREQ(Variable_GetName(100001), "hp");
  EXPECT_STREQ(Variable_GetName(1), "y");
  EXPECT_STREQ(Variable_GetName(7), "<unknown built-in variable>");
  EXPECT_STREQ(Variable_GetName(100004), "<unknown variable>");
  EXPECT_STREQ(Variable_GetName(50000), "<unknown variable>");
  SetBuiltInVariables(nullptr);
  EXPECT_EQ(Variable_FindName("x"), -1);
  Variable_ClearNames();
}

// The fuzz target's seed files are hand-made saves; each must be accepted whole.
TEST(VariableListSave, FuzzSeedsAreValidSaves) {
  // __FILE__ is relative to the build folder, one level above the test binary, unless absolute.
  std::string here = __FILE__;
  if (here[0] != '/') {
    char exe[4096] = {};
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    ASSERT_GT(n, 0);
    std::string dir(exe, static_cast<size_t>(n));
    here = dir.substr(0, dir.rfind('/')) + "/../" + here;
  }
  std::string corpus = here.substr(0, here.rfind("/unit/")) + "/fuzz/corpus/fuzz_stream/";
  for (const char* name : {"list440.bin", "list441.bin", "list442.bin"}) {
    CStream s;
    ASSERT_TRUE(s.LoadFromFile((corpus + name).c_str())) << name;
    CVariableList list;
    EXPECT_TRUE(list.Load(&s)) << name;
    EXPECT_EQ(s.Remaining(), 0) << name;
    EXPECT_GT(list.Count(), 0) << name;
  }
  CStream g;
  ASSERT_TRUE(g.LoadFromFile((corpus + "globals700.bin").c_str()));
  Variable_PrepareGlobals();
  EXPECT_TRUE(Variable_LoadGlobals(&g));
  EXPECT_EQ(g.Remaining(), 0);
  EXPECT_TRUE(Variable_IsGlobalVar(100004));
  Variable_FreeGlobals();
}
