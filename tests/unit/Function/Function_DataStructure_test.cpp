#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "Function/Function_DataStructure.h"
#include "Function_TestCall.h"
#include "Support/Support_DataStructure.h"

using namespace testcall;

namespace {

struct DataStructureTest : testcall::LibraryScope {
  void SetUp() {
    Prepare();
    DataStructures_FreeAll();
    DS_SetPrecision(1e-08);
  }
  void TearDown() {
    DataStructures_FreeAll();
    DS_SetPrecision(1e-08);
  }
};

const char* kNoStructure = "Data structure with index does not exist.";

LIBRARY_CASE(DataStructureTest, IndicesAreReusedAndFamiliesIndependent, "ds_list_create", "ds_list_destroy", "ds_map_create") {
  EXPECT_EQ(Real("ds_list_create"), 0);
  EXPECT_EQ(Real("ds_list_create"), 1);
  EXPECT_EQ(Real("ds_map_create"), 0);
  Call("ds_list_destroy", {R(0)});
  EXPECT_EQ(Real("ds_list_create"), 0);
  EXPECT_EQ(Real("ds_list_create"), 2);
  EXPECT_FALSE(ErrorOccurred());
}

LIBRARY_CASE(DataStructureTest, MissingIndexReportsAndGivesZero, "ds_grid_copy", "ds_grid_create", "ds_list_size", "ds_map_find_value", "ds_stack_create", "ds_stack_destroy", "ds_stack_pop") {
  EXPECT_EQ(Real("ds_list_size", {R(3)}), 0);
  EXPECT_TRUE(ErrorOccurred());
  EXPECT_NE(std::string(LastErrorText()).find(kNoStructure), std::string::npos);
  ResetErrorReporter();
  Real("ds_stack_create");
  Call("ds_stack_destroy", {R(0)});
  EXPECT_EQ(Real("ds_stack_pop", {R(0)}), 0);
  EXPECT_TRUE(ErrorOccurred());
  ResetErrorReporter();
  // Copy checks both indices.
  Real("ds_grid_create", {R(2), R(2)});
  Call("ds_grid_copy", {R(0), R(5)});
  EXPECT_TRUE(ErrorOccurred());
  ResetErrorReporter();
  Call("ds_map_find_value", {R(-1), S("a")});
  EXPECT_TRUE(ErrorOccurred());
}

LIBRARY_CASE(DataStructureTest, StackAndQueueOrder, "ds_queue_create", "ds_queue_dequeue", "ds_queue_enqueue", "ds_queue_head", "ds_queue_size", "ds_queue_tail", "ds_stack_create", "ds_stack_empty", "ds_stack_pop", "ds_stack_push", "ds_stack_top") {
  double s = Real("ds_stack_create");
  Call("ds_stack_push", {R(s), R(1)});
  Call("ds_stack_push", {R(s), S("two")});
  EXPECT_EQ(Text("ds_stack_top", {R(s)}), "two");
  EXPECT_EQ(Text("ds_stack_pop", {R(s)}), "two");
  EXPECT_EQ(Real("ds_stack_pop", {R(s)}), 1);
  EXPECT_EQ(Real("ds_stack_pop", {R(s)}), 0);
  EXPECT_EQ(Real("ds_stack_empty", {R(s)}), 1);

  double q = Real("ds_queue_create");
  EXPECT_EQ(Real("ds_queue_head", {R(q)}), 0);
  EXPECT_EQ(Real("ds_queue_tail", {R(q)}), 0);
  EXPECT_EQ(Real("ds_queue_dequeue", {R(q)}), 0);
  for (int i = 1; i <= 40; ++i) Call("ds_queue_enqueue", {R(q), R(i)});
  // Thirty dequeues pass the point where the remaining elements move to the front.
  for (int i = 1; i <= 30; ++i) ASSERT_EQ(Real("ds_queue_dequeue", {R(q)}), i);
  EXPECT_EQ(Real("ds_queue_size", {R(q)}), 10);
  EXPECT_EQ(Real("ds_queue_head", {R(q)}), 31);
  EXPECT_EQ(Real("ds_queue_tail", {R(q)}), 40);
  EXPECT_FALSE(ErrorOccurred());
}

LIBRARY_CASE(DataStructureTest, ListPositionsOutOfRangeDoNothing, "ds_list_add", "ds_list_create", "ds_list_delete", "ds_list_find_value", "ds_list_insert", "ds_list_replace", "ds_list_size") {
  double l = Real("ds_list_create");
  Call("ds_list_add", {R(l), S("a")});
  Call("ds_list_insert", {R(l), R(-1), S("x")});
  Call("ds_list_insert", {R(l), R(2), S("x")});
  EXPECT_EQ(Real("ds_list_size", {R(l)}), 1);
  Call("ds_list_insert", {R(l), R(1), S("b")});  // at the count: appends
  Call("ds_list_insert", {R(l), R(0), S("c")});
  Call("ds_list_replace", {R(l), R(3), S("z")});
  Call("ds_list_delete", {R(l), R(3)});
  EXPECT_EQ(Real("ds_list_size", {R(l)}), 3);
  Call("ds_list_delete", {R(l), R(0.5)});  // rounds to 0 (halves to even)
  EXPECT_EQ(Text("ds_list_find_value", {R(l), R(0)}), "a");
  EXPECT_EQ(Text("ds_list_find_value", {R(l), R(1)}), "b");
  EXPECT_EQ(Real("ds_list_find_value", {R(l), R(2)}), 0);
  Call("ds_list_replace", {R(l), R(1.5), S("B")});  // rounds to 2: outside
  Call("ds_list_replace", {R(l), R(1), S("B")});
  EXPECT_EQ(Text("ds_list_find_value", {R(l), R(1)}), "B");
  EXPECT_FALSE(ErrorOccurred());
}

LIBRARY_CASE(DataStructureTest, FindIndexUsesThePrecision, "ds_list_add", "ds_list_create", "ds_list_find_index", "ds_set_precision") {
  double l = Real("ds_list_create");
  Call("ds_list_add", {R(l), R(1.0)});
  Call("ds_list_add", {R(l), S("1")});
  EXPECT_EQ(Real("ds_list_find_index", {R(l), R(1.0 + 1e-9)}), 0);
  EXPECT_EQ(Real("ds_list_find_index", {R(l), R(1.3)}), -1);
  EXPECT_EQ(Real("ds_list_find_index", {R(l), S("1")}), 1);
  Call("ds_set_precision", {R(-0.5)});
  EXPECT_EQ(Real("ds_list_find_index", {R(l), R(1.3)}), 0);
  EXPECT_EQ(Real("ds_list_find_index", {R(l), R(1.6)}), -1);

  double strings = Real("ds_list_create");
  Call("ds_list_add", {R(strings), S("1")});
  Call("ds_list_add", {R(strings), S("")});
  EXPECT_EQ(Real("ds_list_find_index", {R(strings), R(1)}), -1);
}

LIBRARY_CASE(DataStructureTest, CompareRules) {
  RValue none;
  none.kind = VALUE_STRING;  // a string with no text
  EXPECT_EQ(DS_Compare(none, none), 1);
  EXPECT_EQ(DS_Compare(RValue("a"), RValue("b")), -1);
  EXPECT_EQ(DS_Compare(RValue("b"), RValue("a")), 1);
  EXPECT_EQ(DS_Compare(RValue("\xC3\xA9"), RValue("z")), 1);  // unsigned bytes
  EXPECT_EQ(DS_Compare(RValue(2.0), RValue(1.0)), 1);
  EXPECT_EQ(DS_Compare(RValue(1.0), RValue("1")), 1);
  EXPECT_EQ(DS_Compare(RValue("1"), RValue(1.0)), 1);
  // Both sides are rounded to single precision first: these two are the same float.
  EXPECT_EQ(DS_Compare(RValue(16777216.0), RValue(16777217.0)), 0);
}

LIBRARY_CASE(DataStructureTest, SortIsStableAscendingAndReversesEqualsDescending, "ds_list_add", "ds_list_create", "ds_list_find_value", "ds_list_sort") {
  const double a = 1.0, b = 1.0 + 1e-10;  // equal within the precision
  double l = Real("ds_list_create");
  for (double v : {3.0, a, 2.0, b}) Call("ds_list_add", {R(l), R(v)});
  Call("ds_list_sort", {R(l), R(1)});
  EXPECT_EQ(Real("ds_list_find_value", {R(l), R(0)}), a);
  EXPECT_EQ(Real("ds_list_find_value", {R(l), R(1)}), b);
  EXPECT_EQ(Real("ds_list_find_value", {R(l), R(2)}), 2.0);
  EXPECT_EQ(Real("ds_list_find_value", {R(l), R(3)}), 3.0);

  double d = Real("ds_list_create");
  for (double v : {a, 2.0, b}) Call("ds_list_add", {R(d), R(v)});
  Call("ds_list_sort", {R(d), R(0)});
  EXPECT_EQ(Real("ds_list_find_value", {R(d), R(0)}), 2.0);
  EXPECT_EQ(Real("ds_list_find_value", {R(d), R(1)}), b);
  EXPECT_EQ(Real("ds_list_find_value", {R(d), R(2)}), a);
}

LIBRARY_CASE(DataStructureTest, LongListsSortToTheSameOrder, "ds_list_add", "ds_list_create", "ds_list_find_value", "ds_list_sort") {
  // Texts "k0000" .. in falling order with a duplicate of every key: the duplicates are told
  // apart by a list of which copy came first.
  const int n = CDS_List::kInsertionSortLimit + 100;
  double l = Real("ds_list_create");
  for (int i = n - 1; i >= 0; --i) {
    char key[16];
    std::snprintf(key, sizeof key, "k%05d", i / 2);
    Call("ds_list_add", {R(l), S(key)});
  }
  Call("ds_list_sort", {R(l), R(1)});
  for (int i = 0; i < n; ++i) {
    char key[16];
    std::snprintf(key, sizeof key, "k%05d", i / 2);
    ASSERT_EQ(Text("ds_list_find_value", {R(l), R(i)}), key) << i;
  }
  // Descending, with equal reals told apart below the precision: later ones come first.
  double d = Real("ds_list_create");
  for (int i = 0; i < n; ++i) Call("ds_list_add", {R(d), R((i % 2) + (i / 2) * 1e-12)});
  Call("ds_list_sort", {R(d), R(0)});
  EXPECT_EQ(Real("ds_list_find_value", {R(d), R(0)}), 1 + ((n - 1) / 2) * 1e-12);
  EXPECT_EQ(Real("ds_list_find_value", {R(d), R(n - 1)}), 0);
  EXPECT_EQ(Real("ds_list_find_value", {R(d), R(n / 2)}), ((n - 1) / 2) * 1e-12);
}

LIBRARY_CASE(DataStructureTest, ShuffleKeepsTheElementsAndFollowsTheSeed, "ds_list_add", "ds_list_create", "ds_list_find_index", "ds_list_find_value", "ds_list_shuffle", "random_set_seed") {
  double l = Real("ds_list_create");
  for (int i = 0; i < 10; ++i) Call("ds_list_add", {R(l), R(i)});
  Call("random_set_seed", {R(7)});
  Call("ds_list_shuffle", {R(l)});
  std::string first;
  double sum = 0;
  for (int i = 0; i < 10; ++i) {
    double v = Real("ds_list_find_value", {R(l), R(i)});
    first += std::to_string(static_cast<int>(v));
    sum += v;
  }
  EXPECT_EQ(sum, 45);
  for (int i = 0; i < 10; ++i) EXPECT_GE(Real("ds_list_find_index", {R(l), R(i)}), 0);
  double m = Real("ds_list_create");
  for (int i = 0; i < 10; ++i) Call("ds_list_add", {R(m), R(i)});
  Call("random_set_seed", {R(7)});
  Call("ds_list_shuffle", {R(m)});
  std::string second;
  for (int i = 0; i < 10; ++i) second += std::to_string(static_cast<int>(Real("ds_list_find_value", {R(m), R(i)})));
  EXPECT_EQ(first, second);
}

LIBRARY_CASE(DataStructureTest, MapEntriesAndIterationOrder, "ds_map_add", "ds_map_clear", "ds_map_create", "ds_map_delete", "ds_map_empty", "ds_map_exists", "ds_map_find_first", "ds_map_find_last", "ds_map_find_next", "ds_map_find_previous", "ds_map_find_value", "ds_map_replace", "ds_map_size", "ds_map_write") {
  // CRC-32 registers without the final inversion: "a" 0x174841BC (bucket 444), "b" 0x8E411006
  // (bucket 6), so "b" comes first.
  EXPECT_EQ(DS_KeyHash(RValue("a")), 0x174841BCu);
  EXPECT_EQ(DS_KeyHash(RValue("b")), 0x8E411006u);
  double m = Real("ds_map_create");
  EXPECT_EQ(Real("ds_map_add", {R(m), S("a"), R(1)}), 1);
  EXPECT_EQ(Real("ds_map_add", {R(m), S("a"), R(2)}), 0);
  EXPECT_EQ(Real("ds_map_find_value", {R(m), S("a")}), 1);
  Call("ds_map_replace", {R(m), S("b"), S("x")});
  EXPECT_EQ(Real("ds_map_size", {R(m)}), 2);
  EXPECT_EQ(Text("ds_map_find_first", {R(m)}), "b");
  EXPECT_EQ(Text("ds_map_find_last", {R(m)}), "a");
  EXPECT_EQ(Text("ds_map_find_next", {R(m), S("b")}), "a");
  EXPECT_EQ(Real("ds_map_find_next", {R(m), S("a")}), 0);
  EXPECT_EQ(Text("ds_map_find_previous", {R(m), S("a")}), "b");
  EXPECT_EQ(Real("ds_map_find_previous", {R(m), S("b")}), 0);
  EXPECT_EQ(Text("ds_map_write", {R(m)}), "3:62:78,1:61:3FF0");
  EXPECT_EQ(Real("ds_map_exists", {R(m), S("c")}), 0);
  EXPECT_EQ(Real("ds_map_find_value", {R(m), S("c")}), 0);
  Call("ds_map_delete", {R(m), S("b")});
  EXPECT_EQ(Real("ds_map_exists", {R(m), S("b")}), 0);
  EXPECT_EQ(Text("ds_map_write", {R(m)}), "1:61:3FF0");
  // A real key and a string key are different keys.
  Call("ds_map_add", {R(m), R(1), S("one")});
  EXPECT_EQ(Text("ds_map_find_value", {R(m), R(1)}), "one");
  EXPECT_EQ(Real("ds_map_exists", {R(m), S("1")}), 0);
  Call("ds_map_clear", {R(m)});
  EXPECT_EQ(Real("ds_map_empty", {R(m)}), 1);
  EXPECT_EQ(Text("ds_map_write", {R(m)}), "");
}

LIBRARY_CASE(DataStructureTest, MapTextReadsBack, "ds_map_copy", "ds_map_create", "ds_map_exists", "ds_map_find_value", "ds_map_read", "ds_map_size", "ds_map_write") {
  double m = Real("ds_map_create");
  Call("ds_map_read", {R(m), S("1:61:3FF0")});
  EXPECT_EQ(Real("ds_map_find_value", {R(m), S("a")}), 1);
  // Real keys and values: 0 writes nothing, 2.5 is 0x4004000000000000.
  Call("ds_map_read", {R(m), S("0::4004,2:3FF0:6869")});
  EXPECT_EQ(Real("ds_map_size", {R(m)}), 2);
  EXPECT_EQ(Real("ds_map_find_value", {R(m), R(0)}), 2.5);
  EXPECT_EQ(Text("ds_map_find_value", {R(m), R(1)}), "hi");
  EXPECT_EQ(Real("ds_map_exists", {R(m), S("a")}), 0);  // reading replaced the entries

  double copy = Real("ds_map_create");
  Call("ds_map_copy", {R(copy), R(m)});
  Call("ds_map_read", {R(m), Call("ds_map_write", {R(copy)})});
  EXPECT_EQ(Text("ds_map_write", {R(m)}), Text("ds_map_write", {R(copy)}));
  EXPECT_EQ(Real("ds_map_size", {R(m)}), 2);
}

LIBRARY_CASE(DataStructureTest, MalformedMapTextLeavesTheMap, "ds_map_add", "ds_map_create", "ds_map_find_value", "ds_map_read", "ds_map_size") {
  double m = Real("ds_map_create");
  Call("ds_map_add", {R(m), S("k"), R(5)});
  for (const char* bad : {"1:61", "1:6:3FF0", "1:61:3FZ0", "X:61:3FF0", "1:61:3FF0,", "1-61:3FF0",
                          "0:001122334455667788:00", "1:0061:00"}) {
    Call("ds_map_read", {R(m), S(bad)});
    EXPECT_EQ(Real("ds_map_size", {R(m)}), 1) << bad;
    EXPECT_EQ(Real("ds_map_find_value", {R(m), S("k")}), 5) << bad;
  }
  EXPECT_FALSE(ErrorOccurred());
}

LIBRARY_CASE(DataStructureTest, StreamFormsAreExact, "ds_grid_create", "ds_grid_set", "ds_grid_write", "ds_list_add", "ds_list_create", "ds_list_write", "ds_priority_add", "ds_priority_create", "ds_priority_write", "ds_stack_create", "ds_stack_write") {
  double s = Real("ds_stack_create");
  EXPECT_EQ(Text("ds_stack_write", {R(s)}), "6500000000000000");
  double l = Real("ds_list_create");
  Call("ds_list_add", {R(l), R(1)});
  Call("ds_list_add", {R(l), S("ab")});
  EXPECT_EQ(Text("ds_list_write", {R(l)}),
            "2D010000" "02000000"
            "00000000" "000000000000F03F" "00000000"
            "01000000" "0000000000000000" "02000000" "6162");
  double g = Real("ds_grid_create", {R(2), R(1)});
  Call("ds_grid_set", {R(g), R(1), R(0), R(1)});
  EXPECT_EQ(Text("ds_grid_write", {R(g)}),
            "59020000" "02000000" "01000000"
            "00000000" "0000000000000000" "00000000"
            "00000000" "000000000000F03F" "00000000");
  double p = Real("ds_priority_create");
  Call("ds_priority_add", {R(p), S("v"), R(1)});
  EXPECT_EQ(Text("ds_priority_write", {R(p)}),
            "F5010000" "01000000"
            "00000000" "000000000000F03F" "00000000"
            "01000000" "0000000000000000" "01000000" "76");
}

LIBRARY_CASE(DataStructureTest, RoundTripsRestoreEveryKind, "ds_grid_create", "ds_grid_get", "ds_grid_height", "ds_grid_read", "ds_grid_set", "ds_grid_width", "ds_grid_write", "ds_list_add", "ds_list_create", "ds_list_find_value", "ds_list_read", "ds_list_size", "ds_list_write", "ds_priority_add", "ds_priority_create", "ds_priority_find_max", "ds_priority_find_min", "ds_priority_read", "ds_priority_write", "ds_queue_create", "ds_queue_dequeue", "ds_queue_enqueue", "ds_queue_head", "ds_queue_read", "ds_queue_size", "ds_queue_tail", "ds_queue_write", "ds_stack_create", "ds_stack_pop", "ds_stack_push", "ds_stack_read", "ds_stack_write") {
  double l = Real("ds_list_create");
  Call("ds_list_add", {R(l), R(-2.25)});
  Call("ds_list_add", {R(l), S("h\xC3\xA9llo")});
  Call("ds_list_add", {R(l), S("")});
  double l2 = Real("ds_list_create");
  Call("ds_list_read", {R(l2), Call("ds_list_write", {R(l)})});
  EXPECT_EQ(Real("ds_list_size", {R(l2)}), 3);
  EXPECT_EQ(Real("ds_list_find_value", {R(l2), R(0)}), -2.25);
  EXPECT_EQ(Text("ds_list_find_value", {R(l2), R(1)}), "h\xC3\xA9llo");
  EXPECT_TRUE(Call("ds_list_find_value", {R(l2), R(2)}).IsString());

  double st = Real("ds_stack_create");
  Call("ds_stack_push", {R(st), R(1)});
  Call("ds_stack_push", {R(st), R(2)});
  double st2 = Real("ds_stack_create");
  Call("ds_stack_read", {R(st2), Call("ds_stack_write", {R(st)})});
  EXPECT_EQ(Real("ds_stack_pop", {R(st2)}), 2);
  EXPECT_EQ(Real("ds_stack_pop", {R(st2)}), 1);

  // A queue written after dequeues keeps the dequeued slots and the same head and tail.
  double q = Real("ds_queue_create");
  for (int i = 1; i <= 3; ++i) Call("ds_queue_enqueue", {R(q), R(i)});
  Call("ds_queue_dequeue", {R(q)});
  std::string text = Text("ds_queue_write", {R(q)});
  EXPECT_EQ(text.substr(0, 32), "C9000000" "03000000" "01000000" "10000000");
  EXPECT_EQ(text.size(), 32u + 16u * 32u);
  double q2 = Real("ds_queue_create");
  Call("ds_queue_read", {R(q2), S(text.c_str())});
  EXPECT_EQ(Real("ds_queue_size", {R(q2)}), 2);
  EXPECT_EQ(Real("ds_queue_head", {R(q2)}), 2);
  EXPECT_EQ(Real("ds_queue_tail", {R(q2)}), 3);
  EXPECT_EQ(Text("ds_queue_write", {R(q2)}), text);

  double p = Real("ds_priority_create");
  Call("ds_priority_add", {R(p), S("low"), R(1)});
  Call("ds_priority_add", {R(p), S("high"), R(9)});
  double p2 = Real("ds_priority_create");
  Call("ds_priority_read", {R(p2), Call("ds_priority_write", {R(p)})});
  EXPECT_EQ(Text("ds_priority_find_max", {R(p2)}), "high");
  EXPECT_EQ(Text("ds_priority_find_min", {R(p2)}), "low");

  double g = Real("ds_grid_create", {R(3), R(2)});
  Call("ds_grid_set", {R(g), R(2), R(1), S("corner")});
  double g2 = Real("ds_grid_create", {R(1), R(1)});
  Call("ds_grid_read", {R(g2), Call("ds_grid_write", {R(g)})});
  EXPECT_EQ(Real("ds_grid_width", {R(g2)}), 3);
  EXPECT_EQ(Real("ds_grid_height", {R(g2)}), 2);
  EXPECT_EQ(Text("ds_grid_get", {R(g2), R(2), R(1)}), "corner");
}

LIBRARY_CASE(DataStructureTest, BadStreamTextsLeaveTheCollection, "ds_grid_create", "ds_grid_read", "ds_grid_width", "ds_list_add", "ds_list_create", "ds_list_find_value", "ds_list_read", "ds_list_size", "ds_list_write", "ds_queue_create", "ds_queue_enqueue", "ds_queue_read", "ds_queue_size") {
  double l = Real("ds_list_create");
  Call("ds_list_add", {R(l), R(7)});
  std::string good = Text("ds_list_write", {R(l)});
  double target = Real("ds_list_create");
  Call("ds_list_add", {R(target), S("keep")});
  const std::string bad[] = {
      good.substr(0, good.size() - 2),                 // ends early
      good.substr(0, good.size() - 1),                 // odd number of digits
      "2D010000" "FFFFFF7F",                           // count the text cannot hold
      "2D010000" "FFFFFFFF",                           // negative count
      "2D010000" "01000000" "05000000" "0000000000000000" "00000000",  // unknown kind
      "2D010000" "01000000" "01000000" "0000000000000000" "10000000" "41",  // text ends early
      "ZZ" + good.substr(2),                           // not hexadecimal
      "6500000000000000",                              // a stack
  };
  for (const auto& text : bad) {
    Call("ds_list_read", {R(target), S(text.c_str())});
    EXPECT_EQ(Real("ds_list_size", {R(target)}), 1) << text;
    EXPECT_EQ(Text("ds_list_find_value", {R(target), R(0)}), "keep") << text;
  }
  double q = Real("ds_queue_create");
  Call("ds_queue_enqueue", {R(q), R(1)});
  // Head beyond tail.
  Call("ds_queue_read", {R(q), S("C9000000" "00000000" "01000000" "00000000")});
  EXPECT_EQ(Real("ds_queue_size", {R(q)}), 1);
  double g = Real("ds_grid_create", {R(1), R(1)});
  Call("ds_grid_read", {R(g), S("59020000" "FFFF0000" "FFFF0000")});
  EXPECT_EQ(Real("ds_grid_width", {R(g)}), 1);
  EXPECT_FALSE(ErrorOccurred());
}

LIBRARY_CASE(DataStructureTest, PriorityExtremesAndChanges, "ds_priority_add", "ds_priority_change_priority", "ds_priority_create", "ds_priority_delete_max", "ds_priority_delete_min", "ds_priority_delete_value", "ds_priority_empty", "ds_priority_find_max", "ds_priority_find_min", "ds_priority_find_priority", "ds_priority_size") {
  double p = Real("ds_priority_create");
  Call("ds_priority_add", {R(p), S("a"), R(5)});
  Call("ds_priority_add", {R(p), S("b"), R(1)});
  Call("ds_priority_add", {R(p), S("c"), R(1)});
  Call("ds_priority_add", {R(p), S("d"), R(5)});
  EXPECT_EQ(Text("ds_priority_find_min", {R(p)}), "b");  // the earliest of equals
  EXPECT_EQ(Text("ds_priority_find_max", {R(p)}), "a");
  EXPECT_EQ(Text("ds_priority_delete_min", {R(p)}), "b");
  // "d" moved into b's place, ahead of "c".
  EXPECT_EQ(Text("ds_priority_find_min", {R(p)}), "c");
  Call("ds_priority_change_priority", {R(p), S("d"), R(9)});
  EXPECT_EQ(Real("ds_priority_find_priority", {R(p), S("d")}), 9);
  EXPECT_EQ(Real("ds_priority_find_priority", {R(p), S("zz")}), 0);
  Call("ds_priority_delete_value", {R(p), S("d")});
  EXPECT_EQ(Real("ds_priority_size", {R(p)}), 2);
  EXPECT_EQ(Text("ds_priority_delete_max", {R(p)}), "a");
  EXPECT_EQ(Text("ds_priority_delete_max", {R(p)}), "c");
  EXPECT_EQ(Real("ds_priority_delete_max", {R(p)}), 0);
  EXPECT_EQ(Real("ds_priority_empty", {R(p)}), 1);
}

LIBRARY_CASE(DataStructureTest, GridCellUpdates, "ds_grid_add", "ds_grid_create", "ds_grid_get", "ds_grid_multiply", "ds_grid_set") {
  double g = Real("ds_grid_create", {R(3), R(3)});
  EXPECT_EQ(Real("ds_grid_get", {R(g), R(1), R(1)}), 0);
  Call("ds_grid_add", {R(g), R(1), R(1), S("s")});  // string onto a real replaces it
  EXPECT_EQ(Text("ds_grid_get", {R(g), R(1), R(1)}), "s");
  Call("ds_grid_add", {R(g), R(1), R(1), S("t")});
  EXPECT_EQ(Text("ds_grid_get", {R(g), R(1), R(1)}), "st");
  Call("ds_grid_multiply", {R(g), R(1), R(1), S("x")});
  EXPECT_EQ(Text("ds_grid_get", {R(g), R(1), R(1)}), "st");
  Call("ds_grid_multiply", {R(g), R(1), R(1), R(2)});
  EXPECT_EQ(Text("ds_grid_get", {R(g), R(1), R(1)}), "st");
  Call("ds_grid_set", {R(g), R(0), R(0), R(3)});
  Call("ds_grid_add", {R(g), R(0), R(0), R(4)});
  Call("ds_grid_multiply", {R(g), R(0), R(0), R(2)});
  EXPECT_EQ(Real("ds_grid_get", {R(g), R(0), R(0)}), 14);
  // Outside the grid: nothing happens and reads give 0.
  Call("ds_grid_set", {R(g), R(3), R(0), R(1)});
  EXPECT_EQ(Real("ds_grid_get", {R(g), R(3), R(0)}), 0);
  EXPECT_EQ(Real("ds_grid_get", {R(g), R(-1), R(0)}), 0);
  EXPECT_FALSE(ErrorOccurred());
}

LIBRARY_CASE(DataStructureTest, GridRegionsAndStatistics, "ds_grid_add_region", "ds_grid_clear", "ds_grid_create", "ds_grid_get", "ds_grid_get_max", "ds_grid_get_mean", "ds_grid_get_min", "ds_grid_get_sum", "ds_grid_multiply_region", "ds_grid_set_region") {
  double g = Real("ds_grid_create", {R(4), R(3)});
  // Corners in either order, clipped to the grid: columns 1..3, rows 0..2.
  Call("ds_grid_set_region", {R(g), R(9), R(2), R(1), R(-5), R(2)});
  EXPECT_EQ(Real("ds_grid_get_sum", {R(g), R(0), R(0), R(3), R(2)}), 18);
  Call("ds_grid_add_region", {R(g), R(0), R(0), R(1), R(0), R(1)});
  EXPECT_EQ(Real("ds_grid_get", {R(g), R(0), R(0)}), 1);
  EXPECT_EQ(Real("ds_grid_get", {R(g), R(1), R(0)}), 3);
  Call("ds_grid_multiply_region", {R(g), R(1), R(0), R(1), R(2), R(10)});
  EXPECT_EQ(Real("ds_grid_get_max", {R(g), R(0), R(0), R(3), R(2)}), 30);
  EXPECT_EQ(Real("ds_grid_get_min", {R(g), R(0), R(0), R(3), R(2)}), 0);
  // Column 0: 1, 0, 0 -> mean 1/3.
  EXPECT_DOUBLE_EQ(Real("ds_grid_get_mean", {R(g), R(0), R(0), R(0), R(2)}), 1.0 / 3.0);
  // Only strings in the region: the starting values come back.
  Call("ds_grid_set_region", {R(g), R(3), R(0), R(3), R(2), S("s")});
  EXPECT_EQ(Real("ds_grid_get_max", {R(g), R(3), R(0), R(3), R(2)}), -100000000);
  EXPECT_EQ(Real("ds_grid_get_min", {R(g), R(3), R(0), R(3), R(2)}), 100000000);
  EXPECT_EQ(Real("ds_grid_get_mean", {R(g), R(3), R(0), R(3), R(2)}), 0);
  Call("ds_grid_clear", {R(g), R(4)});
  EXPECT_EQ(Real("ds_grid_get_sum", {R(g), R(0), R(0), R(3), R(2)}), 48);
}

LIBRARY_CASE(DataStructureTest, GridDisks, "ds_grid_add_disk", "ds_grid_create", "ds_grid_get", "ds_grid_get_disk_max", "ds_grid_get_disk_mean", "ds_grid_get_disk_min", "ds_grid_get_disk_sum", "ds_grid_get_sum", "ds_grid_multiply_disk", "ds_grid_set_disk", "ds_grid_value_disk_exists", "ds_grid_value_disk_x", "ds_grid_value_disk_y") {
  double g = Real("ds_grid_create", {R(5), R(5)});
  Call("ds_grid_set_disk", {R(g), R(2), R(2), R(1), R(7)});
  // The centre and its four neighbours; the diagonal cells lie at distance sqrt(2).
  EXPECT_EQ(Real("ds_grid_get_sum", {R(g), R(0), R(0), R(4), R(4)}), 35);
  EXPECT_EQ(Real("ds_grid_get", {R(g), R(1), R(1)}), 0);
  EXPECT_EQ(Real("ds_grid_get", {R(g), R(2), R(1)}), 7);
  EXPECT_EQ(Real("ds_grid_get_disk_sum", {R(g), R(2), R(2), R(1.5)}), 35);
  EXPECT_EQ(Real("ds_grid_get_disk_max", {R(g), R(0), R(0), R(1)}), 0);
  EXPECT_EQ(Real("ds_grid_get_disk_mean", {R(g), R(2), R(2), R(1)}), 7);
  EXPECT_EQ(Real("ds_grid_get_disk_min", {R(g), R(2), R(2), R(1)}), 7);
  Call("ds_grid_add_disk", {R(g), R(0), R(0), R(1), R(1)});  // clipped: (0,0), (1,0), (0,1)
  EXPECT_EQ(Real("ds_grid_get_sum", {R(g), R(0), R(0), R(4), R(4)}), 38);
  Call("ds_grid_multiply_disk", {R(g), R(2), R(2), R(0), R(2)});
  EXPECT_EQ(Real("ds_grid_get", {R(g), R(2), R(2)}), 14);
  EXPECT_EQ(Real("ds_grid_value_disk_exists", {R(g), R(2), R(2), R(1), R(14)}), 1);
  EXPECT_EQ(Real("ds_grid_value_disk_x", {R(g), R(2), R(2), R(1), R(7)}), 1);
  EXPECT_EQ(Real("ds_grid_value_disk_y", {R(g), R(2), R(2), R(1), R(7)}), 2);
  EXPECT_EQ(Real("ds_grid_value_disk_exists", {R(g), R(2), R(2), R(1), R(99)}), 0);
}

LIBRARY_CASE(DataStructureTest, GridSearchScansColumnsFirst, "ds_grid_create", "ds_grid_set", "ds_grid_value_exists", "ds_grid_value_x", "ds_grid_value_y") {
  double g = Real("ds_grid_create", {R(3), R(3)});
  Call("ds_grid_set", {R(g), R(2), R(0), R(5)});
  Call("ds_grid_set", {R(g), R(0), R(2), R(5)});
  EXPECT_EQ(Real("ds_grid_value_exists", {R(g), R(0), R(0), R(2), R(2), R(5)}), 1);
  EXPECT_EQ(Real("ds_grid_value_x", {R(g), R(0), R(0), R(2), R(2), R(5)}), 0);
  EXPECT_EQ(Real("ds_grid_value_y", {R(g), R(0), R(0), R(2), R(2), R(5)}), 2);
  EXPECT_EQ(Real("ds_grid_value_x", {R(g), R(1), R(0), R(2), R(2), R(5)}), 2);
  EXPECT_EQ(Real("ds_grid_value_exists", {R(g), R(0), R(0), R(2), R(2), R(6)}), 0);
  EXPECT_EQ(Real("ds_grid_value_y", {R(g), R(0), R(0), R(2), R(2), R(6)}), 0);
}

LIBRARY_CASE(DataStructureTest, GridRegionCopiesWithinOneGridReadFirst, "ds_grid_add_grid_region", "ds_grid_clear", "ds_grid_create", "ds_grid_get", "ds_grid_multiply_grid_region", "ds_grid_set", "ds_grid_set_grid_region") {
  double g = Real("ds_grid_create", {R(4), R(1)});
  for (int x = 0; x < 4; ++x) Call("ds_grid_set", {R(g), R(x), R(0), R(x)});
  // Columns 0..2 onto 1..3 of the same grid.
  Call("ds_grid_set_grid_region", {R(g), R(g), R(0), R(0), R(2), R(0), R(1), R(0)});
  const double expected[] = {0, 0, 1, 2};
  for (int x = 0; x < 4; ++x) EXPECT_EQ(Real("ds_grid_get", {R(g), R(x), R(0)}), expected[x]) << x;
  // Columns 1..3 placed at -1: the first falls outside and is skipped.
  Call("ds_grid_add_grid_region", {R(g), R(g), R(1), R(0), R(3), R(0), R(-1), R(0)});
  const double back[] = {1, 2, 1, 2};
  for (int x = 0; x < 4; ++x) EXPECT_EQ(Real("ds_grid_get", {R(g), R(x), R(0)}), back[x]) << x;
  double h = Real("ds_grid_create", {R(2), R(2)});
  Call("ds_grid_clear", {R(h), R(2)});
  Call("ds_grid_multiply_grid_region", {R(h), R(g), R(2), R(0), R(3), R(0), R(0), R(1)});
  EXPECT_EQ(Real("ds_grid_get", {R(h), R(0), R(1)}), 2);
  EXPECT_EQ(Real("ds_grid_get", {R(h), R(1), R(1)}), 4);
  EXPECT_EQ(Real("ds_grid_get", {R(h), R(0), R(0)}), 2);
  // A source region cut by the grid's edge keeps its cells' places relative to its corner.
  double k = Real("ds_grid_create", {R(3), R(1)});
  Call("ds_grid_set_grid_region", {R(k), R(g), R(-1), R(0), R(1), R(0), R(0), R(0)});
  const double shifted[] = {0, 1, 2};
  for (int x = 0; x < 3; ++x) EXPECT_EQ(Real("ds_grid_get", {R(k), R(x), R(0)}), shifted[x]) << x;
}

LIBRARY_CASE(DataStructureTest, GridResizeCopyAndShuffle, "ds_grid_copy", "ds_grid_create", "ds_grid_destroy", "ds_grid_get", "ds_grid_get_sum", "ds_grid_height", "ds_grid_resize", "ds_grid_set", "ds_grid_shuffle", "ds_grid_width") {
  double g = Real("ds_grid_create", {R(2), R(2)});
  Call("ds_grid_set", {R(g), R(1), R(1), R(5)});
  Call("ds_grid_set", {R(g), R(0), R(1), S("s")});
  Call("ds_grid_resize", {R(g), R(3), R(1)});
  EXPECT_EQ(Real("ds_grid_width", {R(g)}), 3);
  EXPECT_EQ(Real("ds_grid_height", {R(g)}), 1);
  EXPECT_EQ(Real("ds_grid_get", {R(g), R(1), R(1)}), 0);
  Call("ds_grid_resize", {R(g), R(2), R(2)});
  EXPECT_EQ(Real("ds_grid_get", {R(g), R(1), R(1)}), 0);  // the lost cells come back as 0
  Call("ds_grid_set", {R(g), R(0), R(0), R(1)});
  Call("ds_grid_set", {R(g), R(1), R(0), R(2)});
  double c = Real("ds_grid_create", {R(7), R(7)});
  Call("ds_grid_copy", {R(c), R(g)});
  EXPECT_EQ(Real("ds_grid_width", {R(c)}), 2);
  Call("ds_grid_shuffle", {R(c)});
  EXPECT_EQ(Real("ds_grid_get_sum", {R(c), R(0), R(0), R(1), R(1)}), 3);
  EXPECT_EQ(Real("ds_grid_get_sum", {R(g), R(0), R(0), R(1), R(1)}), 3);
  Call("ds_grid_destroy", {R(g)});
  EXPECT_EQ(Real("ds_grid_create", {R(1), R(1)}), g);
}

LIBRARY_CASE(DataStructureTest, CopiesAndClears, "ds_list_add", "ds_list_clear", "ds_list_copy", "ds_list_create", "ds_list_empty", "ds_list_find_value", "ds_map_create", "ds_map_destroy", "ds_priority_add", "ds_priority_clear", "ds_priority_copy", "ds_priority_create", "ds_priority_destroy", "ds_priority_size", "ds_queue_clear", "ds_queue_copy", "ds_queue_create", "ds_queue_dequeue", "ds_queue_destroy", "ds_queue_empty", "ds_queue_enqueue", "ds_stack_clear", "ds_stack_copy", "ds_stack_create", "ds_stack_destroy", "ds_stack_push", "ds_stack_size") {
  double a = Real("ds_list_create"), b = Real("ds_list_create");
  Call("ds_list_add", {R(a), S("x")});
  Call("ds_list_copy", {R(b), R(a)});
  Call("ds_list_clear", {R(a)});
  EXPECT_EQ(Real("ds_list_empty", {R(a)}), 1);
  EXPECT_EQ(Text("ds_list_find_value", {R(b), R(0)}), "x");
  double s = Real("ds_stack_create"), t = Real("ds_stack_create");
  Call("ds_stack_push", {R(s), R(1)});
  Call("ds_stack_copy", {R(t), R(s)});
  Call("ds_stack_clear", {R(s)});
  EXPECT_EQ(Real("ds_stack_size", {R(t)}), 1);
  double q = Real("ds_queue_create"), r = Real("ds_queue_create");
  Call("ds_queue_enqueue", {R(q), R(4)});
  Call("ds_queue_copy", {R(r), R(q)});
  Call("ds_queue_clear", {R(q)});
  EXPECT_EQ(Real("ds_queue_empty", {R(q)}), 1);
  EXPECT_EQ(Real("ds_queue_dequeue", {R(r)}), 4);
  double p = Real("ds_priority_create"), p2 = Real("ds_priority_create");
  Call("ds_priority_add", {R(p), R(1), R(1)});
  Call("ds_priority_copy", {R(p2), R(p)});
  Call("ds_priority_clear", {R(p)});
  EXPECT_EQ(Real("ds_priority_size", {R(p2)}), 1);
  Call("ds_priority_destroy", {R(p)});
  Call("ds_queue_destroy", {R(q)});
  Call("ds_stack_destroy", {R(s)});
  Call("ds_map_destroy", {R(Real("ds_map_create"))});
  EXPECT_FALSE(ErrorOccurred());
}

}  // namespace

// Whole indices take a short path; everything else must end in the same cell, value or error as
// the argument rules give.
LIBRARY_CASE(DataStructureTest, GridCellIndicesRoundAndCheckTheSameOnEveryPath, "ds_grid_create", "ds_grid_destroy", "ds_grid_get", "ds_grid_set") {
  double g = Real("ds_grid_create", {R(3), R(3)});
  Call("ds_grid_set", {R(g), R(1.5), R(0.4), R(7)});  // halves to even: cell (2, 0)
  EXPECT_EQ(Real("ds_grid_get", {R(g), R(2), R(0)}), 7);
  Call("ds_grid_set", {R(g), R(2.5), R(1), R(8)});  // (2, 1)
  EXPECT_EQ(Real("ds_grid_get", {R(g), R(2), R(1)}), 8);
  Call("ds_grid_set", {R(g), S("1"), R(2), R(9)});  // a string index is 0: cell (0, 2)
  EXPECT_EQ(Real("ds_grid_get", {R(g), R(0), R(2)}), 9);
  EXPECT_EQ(Real("ds_grid_get", {R(g), R(-0.4), R(2.4)}), 9);  // rounds to (0, 2)
  EXPECT_EQ(Real("ds_grid_get", {R(g + 0.4), R(0), R(2)}), 9);  // the grid index rounds too
  Call("ds_grid_set", {R(g), R(1), R(1)});  // no value: the cell takes the zero value
  EXPECT_EQ(Real("ds_grid_get", {R(g), R(1), R(1)}), 0);
  Call("ds_grid_set", {R(g), R(1), R(1), S("v"), R(5)});  // an extra argument is ignored
  EXPECT_EQ(Text("ds_grid_get", {R(g), R(1), R(1), R(5)}), "v");
  EXPECT_FALSE(ErrorOccurred());
  // A cell inside the bounds of a grid that does not exist is still an error.
  Call("ds_grid_destroy", {R(g)});
  EXPECT_EQ(Real("ds_grid_get", {R(g), R(0), R(0)}), 0);
  EXPECT_TRUE(ErrorOccurred());
  EXPECT_NE(std::string(LastErrorText()).find(kNoStructure), std::string::npos);
  ResetErrorReporter();
  Call("ds_grid_set", {R(g), R(0), R(0), R(1)});
  EXPECT_TRUE(ErrorOccurred());
}

// Map and list calls with a whole index and the exact argument count take a short path; the
// same calls with a rounded index, a missing or extra argument, or a destroyed structure must
// give what the argument rules give.
LIBRARY_CASE(DataStructureTest, MapAndListIndicesRoundAndCheckTheSameOnEveryPath, "ds_list_add", "ds_list_create", "ds_list_destroy", "ds_list_find_value", "ds_list_size", "ds_map_add", "ds_map_create", "ds_map_destroy", "ds_map_exists", "ds_map_find_value", "ds_map_replace", "ds_map_size") {
  double m = Real("ds_map_create");
  EXPECT_EQ(Real("ds_map_add", {R(m + 0.4), S("a"), R(1)}), 1);  // rounds to the map
  EXPECT_EQ(Real("ds_map_add", {R(m), S("a"), R(2)}), 0);        // already there
  EXPECT_EQ(Real("ds_map_find_value", {R(m - 0.5), S("a")}), 1);  // -0.5 rounds to 0 (halves to even)
  EXPECT_EQ(Real("ds_map_add", {R(m), S("b")}), 1);               // no value: the zero value
  EXPECT_EQ(Real("ds_map_exists", {R(m), S("b"), R(9)}), 1);      // an extra argument is ignored
  Call("ds_map_replace", {R(m), S("b"), S("t"), R(9)});
  EXPECT_EQ(Text("ds_map_find_value", {R(m), S("b")}), "t");
  Call("ds_map_replace", {R(m), S("c"), S("u")});
  EXPECT_EQ(Text("ds_map_find_value", {R(m), S("c"), S("extra")}), "u");
  EXPECT_EQ(Real("ds_map_exists", {R(m), S("d")}), 0);
  EXPECT_EQ(Real("ds_map_size", {R(m)}), 3);

  double l = Real("ds_list_create");
  Call("ds_list_add", {R(l), R(5)});
  Call("ds_list_add", {R(l + 0.2), S("s")});
  Call("ds_list_add", {R(l), R(6), R(7)});  // an extra argument is ignored
  EXPECT_EQ(Real("ds_list_size", {R(l)}), 3);
  EXPECT_EQ(Real("ds_list_find_value", {R(l), R(0)}), 5);
  EXPECT_EQ(Text("ds_list_find_value", {R(l), R(0.6)}), "s");  // 0.6 rounds to 1
  EXPECT_EQ(Real("ds_list_find_value", {R(l), R(2), R(0)}), 6);
  EXPECT_EQ(Real("ds_list_find_value", {R(l), R(3)}), 0);  // past the end: the zero value
  EXPECT_EQ(Real("ds_list_find_value", {R(l), R(-1)}), 0);
  EXPECT_FALSE(ErrorOccurred());

  Call("ds_map_destroy", {R(m)});
  EXPECT_EQ(Real("ds_map_find_value", {R(m), S("a")}), 0);
  EXPECT_TRUE(ErrorOccurred());
  EXPECT_NE(std::string(LastErrorText()).find(kNoStructure), std::string::npos);
  ResetErrorReporter();
  Call("ds_list_destroy", {R(l)});
  EXPECT_EQ(Real("ds_list_find_value", {R(l), R(0)}), 0);
  EXPECT_TRUE(ErrorOccurred());
}
