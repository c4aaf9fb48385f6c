#include "Variable/Variable_Value.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "Platform/Platform_Memory.h"

namespace {

// Raw stack item bytes, large enough for any item.
struct Item {
  alignas(8) unsigned char bytes[sizeof(RValue)] = {};
};

Item Double(double x) { Item i; std::memcpy(i.bytes, &x, 8); return i; }
Item Float(float x) { Item i; std::memcpy(i.bytes, &x, 4); return i; }
Item Int(int32_t x) { Item i; std::memcpy(i.bytes, &x, 4); return i; }
Item Long(int64_t x) { Item i; std::memcpy(i.bytes, &x, 8); return i; }
Item Bool(int32_t x) { Item i; std::memcpy(i.bytes, &x, 4); return i; }
Item Str(const char* s) { Item i; char* t = s ? MemDupString(s) : nullptr; std::memcpy(i.bytes, &t, sizeof t); return i; }
Item Var(RValue v) { Item i; RValue::StoreRaw(i.bytes, std::move(v)); return i; }

template <class T>
T As(const Item& i) { T v; std::memcpy(&v, i.bytes, sizeof v); return v; }

// Converts and returns the destination item; fails the test on an error.
Item Conv(VMType from, Item src, VMType to) {
  Item dst;
  EXPECT_EQ(ConvertItem(from, src.bytes, to, dst.bytes), ValueError::None);
  return dst;
}

std::string TakeString(const Item& i) {
  char* s = As<char*>(i);
  std::string out = s ? s : "";
  MemFree(s);
  return out;
}

}  // namespace

TEST(RValue, ZeroValueIsAllZeroBytesAndCopiesDuplicateText) {
  // Zero-filled memory holds the zero value.
  unsigned char bytes[sizeof(RValue)] = {};
  RValue zero = RValue::LoadRaw(bytes);
  EXPECT_EQ(zero.kind, VALUE_REAL);
  EXPECT_EQ(zero.text, nullptr);
  EXPECT_EQ(zero.real, 0.0);
  EXPECT_FALSE(std::signbit(zero.real));

  const int64_t blocks = MemoryManager::TotalBlocks();
  {
    RValue a("h\xE9llo");
    RValue b(a);
    EXPECT_NE(a.text, b.text);
    EXPECT_STREQ(b.text, "h\xE9llo");
    RValue c(std::move(a));
    EXPECT_EQ(a.text, nullptr);
    EXPECT_TRUE(a.IsReal());
    RValue& same = c;
    c = same;  // self-assignment keeps the text
    EXPECT_STREQ(c.Str(), "h\xE9llo");
    b = RValue(2.5);
    EXPECT_TRUE(b.IsReal());
    EXPECT_EQ(b.text, nullptr);
    EXPECT_EQ(MemoryManager::TotalBlocks(), blocks + 1);  // only c's text is left
  }
  EXPECT_EQ(MemoryManager::TotalBlocks(), blocks);
  EXPECT_STREQ(RValue(static_cast<const char*>(nullptr)).Str(), "");
  EXPECT_TRUE(RValue(0).IsReal());
  EXPECT_DOUBLE_EQ(RValue(true).real, 1.0);
  EXPECT_DOUBLE_EQ(RValue(-7).real, -7.0);
}

TEST(ValueConversion, StringsReadTheLongestNumericPrefix) {
  EXPECT_DOUBLE_EQ(As<double>(Conv(VM_STRING, Str("  3.5abc"), VM_DOUBLE)), 3.5);
  EXPECT_DOUBLE_EQ(As<double>(Conv(VM_STRING, Str(""), VM_DOUBLE)), 0.0);
  EXPECT_DOUBLE_EQ(As<double>(Conv(VM_STRING, Str(nullptr), VM_DOUBLE)), 0.0);
  EXPECT_DOUBLE_EQ(As<double>(Conv(VM_STRING, Str("\t-.5e2x"), VM_DOUBLE)), -50.0);
  EXPECT_DOUBLE_EQ(As<double>(Conv(VM_STRING, Str("7e"), VM_DOUBLE)), 7.0);
  EXPECT_DOUBLE_EQ(As<double>(Conv(VM_STRING, Str("nancy"), VM_DOUBLE)), 0.0);
  EXPECT_DOUBLE_EQ(As<double>(Conv(VM_STRING, Str("infinity"), VM_DOUBLE)), 0.0);
  EXPECT_DOUBLE_EQ(As<double>(Conv(VM_STRING, Str("0x1A"), VM_DOUBLE)), 0.0);
  EXPECT_EQ(As<double>(Conv(VM_STRING, Str("1e999"), VM_DOUBLE)), INFINITY);
  EXPECT_EQ(As<int32_t>(Conv(VM_STRING, Str("12abc"), VM_INT)), 12);
  EXPECT_EQ(As<int32_t>(Conv(VM_STRING, Str("99999999999"), VM_INT)), INT32_MAX);
  EXPECT_EQ(As<int32_t>(Conv(VM_STRING, Str("abc"), VM_INT)), 0);
  EXPECT_EQ(As<int32_t>(Conv(VM_STRING, Str("  -7.9"), VM_INT)), -7);
  EXPECT_EQ(As<int64_t>(Conv(VM_STRING, Str("5000000000"), VM_LONG)), 5000000000LL);
  EXPECT_FLOAT_EQ(As<float>(Conv(VM_STRING, Str("0.25"), VM_FLOAT)), 0.25f);
  EXPECT_EQ(As<int32_t>(Conv(VM_STRING, Str("true"), VM_BOOL)), 1);
  EXPECT_EQ(As<int32_t>(Conv(VM_STRING, Str("True"), VM_BOOL)), 0);
  EXPECT_EQ(As<int32_t>(Conv(VM_STRING, Str("true "), VM_BOOL)), 0);
}

TEST(ValueConversion, StringSourcesAreReleasedOrMovedIntoTheVariable) {
  const int64_t blocks = MemoryManager::TotalBlocks();
  Conv(VM_STRING, Str("42"), VM_DOUBLE);
  Conv(VM_VARIABLE, Var(RValue("true")), VM_BOOL);
  EXPECT_EQ(MemoryManager::TotalBlocks(), blocks);

  Item src = Str("caf\xC3\xA9\xFF");
  char* original = As<char*>(src);
  Item dst = Conv(VM_STRING, src, VM_VARIABLE);
  RValue v = RValue::LoadRaw(dst.bytes);
  EXPECT_TRUE(v.IsString());
  EXPECT_EQ(v.text, original);  // moved, not copied
  EXPECT_STREQ(v.text, "caf\xC3\xA9\xFF");
}

TEST(ValueConversion, NumbersTruncateTowardZeroAndTestAgainstOneHalf) {
  EXPECT_EQ(As<int32_t>(Conv(VM_DOUBLE, Double(2.7), VM_INT)), 2);
  EXPECT_EQ(As<int32_t>(Conv(VM_DOUBLE, Double(-2.7), VM_INT)), -2);
  EXPECT_EQ(As<int32_t>(Conv(VM_DOUBLE, Double(3e9), VM_INT)), INT32_MIN);
  EXPECT_EQ(As<int32_t>(Conv(VM_DOUBLE, Double(-3e9), VM_INT)), INT32_MIN);
  EXPECT_EQ(As<int32_t>(Conv(VM_DOUBLE, Double(NAN), VM_INT)), INT32_MIN);
  EXPECT_EQ(As<int64_t>(Conv(VM_DOUBLE, Double(-1e10 - 0.5), VM_LONG)), -10000000000LL);
  EXPECT_EQ(As<int32_t>(Conv(VM_FLOAT, Float(-1.5f), VM_INT)), -1);

  EXPECT_EQ(As<int32_t>(Conv(VM_DOUBLE, Double(0.5), VM_BOOL)), 0);
  EXPECT_EQ(As<int32_t>(Conv(VM_DOUBLE, Double(0.51), VM_BOOL)), 1);
  EXPECT_EQ(As<int32_t>(Conv(VM_VARIABLE, Var(RValue(-1.0)), VM_BOOL)), 0);
  EXPECT_EQ(As<int32_t>(Conv(VM_VARIABLE, Var(RValue(0.5)), VM_BOOL)), 0);
  EXPECT_EQ(As<int32_t>(Conv(VM_VARIABLE, Var(RValue(0.500001)), VM_BOOL)), 1);
  EXPECT_EQ(As<int32_t>(Conv(VM_INT, Int(-3), VM_BOOL)), 1);
  EXPECT_EQ(As<int32_t>(Conv(VM_LONG, Long(1LL << 40), VM_BOOL)), 1);
}

TEST(ValueConversion, IntegerWidthsAndBooleans) {
  EXPECT_EQ(As<int64_t>(Conv(VM_INT, Int(-1), VM_LONG)), -1);
  EXPECT_EQ(As<int32_t>(Conv(VM_LONG, Long(0x100000005LL), VM_INT)), 5);
  EXPECT_EQ(As<int32_t>(Conv(VM_LONG, Long(0xFFFFFFFFLL), VM_INT)), -1);
  EXPECT_DOUBLE_EQ(As<double>(Conv(VM_LONG, Long(1LL << 53), VM_DOUBLE)), 9007199254740992.0);
  EXPECT_EQ(As<double>(Conv(VM_FLOAT, Float(0.1f), VM_DOUBLE)), static_cast<double>(0.1f));
  EXPECT_EQ(As<float>(Conv(VM_DOUBLE, Double(0.1), VM_FLOAT)), 0.1f);
  EXPECT_EQ(As<float>(Conv(VM_DOUBLE, Double(1e300), VM_FLOAT)), INFINITY);
  EXPECT_DOUBLE_EQ(As<double>(Conv(VM_BOOL, Bool(1), VM_DOUBLE)), 1.0);
  EXPECT_DOUBLE_EQ(As<double>(Conv(VM_BOOL, Bool(0x100), VM_DOUBLE)), 0.0);  // only the low byte counts
  EXPECT_EQ(As<int64_t>(Conv(VM_BOOL, Bool(1), VM_LONG)), 1);

  RValue v = RValue::LoadRaw(Conv(VM_INT, Int(-9), VM_VARIABLE).bytes);
  EXPECT_TRUE(v.IsReal());
  EXPECT_DOUBLE_EQ(v.real, -9.0);
  v = RValue::LoadRaw(Conv(VM_BOOL, Bool(1), VM_VARIABLE).bytes);
  EXPECT_DOUBLE_EQ(v.real, 1.0);
}

TEST(ValueConversion, NumbersPrintWithTheStandardFormats) {
  EXPECT_EQ(TakeString(Conv(VM_DOUBLE, Double(0.1), VM_STRING)), "0.1");
  EXPECT_EQ(TakeString(Conv(VM_DOUBLE, Double(1.0 / 3.0), VM_STRING)), "0.333333");
  EXPECT_EQ(TakeString(Conv(VM_DOUBLE, Double(1000000.0), VM_STRING)), "1e+06");
  EXPECT_EQ(TakeString(Conv(VM_DOUBLE, Double(-42.0), VM_STRING)), "-42");
  EXPECT_EQ(TakeString(Conv(VM_INT, Int(-2147483647 - 1), VM_STRING)), "-2147483648");
  EXPECT_EQ(TakeString(Conv(VM_LONG, Long(-5000000000LL), VM_STRING)), "-5000000000");
  EXPECT_EQ(TakeString(Conv(VM_BOOL, Bool(1), VM_STRING)), "true");
  EXPECT_EQ(TakeString(Conv(VM_BOOL, Bool(0), VM_STRING)), "false");
  EXPECT_EQ(TakeString(Conv(VM_VARIABLE, Var(RValue(2.5)), VM_STRING)), "2.5");
}

TEST(ValueConversion, SameTypeAfterUnwrappingAndUnknownCodesAreErrors) {
  Item dst;
  Item d = Double(1.0);
  EXPECT_EQ(ConvertItem(VM_DOUBLE, d.bytes, VM_DOUBLE, dst.bytes), ValueError::Conversion);
  Item i = Int(1);
  EXPECT_EQ(ConvertItem(VM_INT, i.bytes, VM_INT, dst.bytes), ValueError::Conversion);
  Item vr = Var(RValue(3.0));
  EXPECT_EQ(ConvertItem(VM_VARIABLE, vr.bytes, VM_DOUBLE, dst.bytes), ValueError::Conversion);
  Item vs = Var(RValue("x"));
  EXPECT_EQ(ConvertItem(VM_VARIABLE, vs.bytes, VM_STRING, dst.bytes), ValueError::Conversion);
  RValue::LoadRaw(vs.bytes);  // the failed conversion left the text with the item: release it
  EXPECT_EQ(ConvertItem(VM_INT, i.bytes, static_cast<VMType>(9), dst.bytes), ValueError::Conversion);
  EXPECT_EQ(ConvertItem(static_cast<VMType>(8), i.bytes, VM_DOUBLE, dst.bytes), ValueError::Conversion);

  // A variable holding a real converts to everything but a double.
  EXPECT_EQ(As<int32_t>(Conv(VM_VARIABLE, Var(RValue(3.9)), VM_INT)), 3);
  EXPECT_EQ(As<int32_t>(Conv(VM_VARIABLE, Var(RValue(3.9)), VM_BOOL)), 1);

  Item bad;
  int32_t kind = 7;
  std::memcpy(bad.bytes, &kind, 4);
  EXPECT_EQ(ConvertItem(VM_VARIABLE, bad.bytes, VM_INT, dst.bytes), ValueError::Malformed);
  EXPECT_STREQ(ValueErrorMessage(ValueError::Malformed), "Malformed variable");
  EXPECT_STREQ(ValueErrorMessage(ValueError::Conversion), "DoConv :: Execution Error");
  EXPECT_STREQ(ValueErrorMessage(ValueError::ComparisonType), "DoSet :: Invalid comparison type");
}

TEST(ValueCompare, NumbersUseTheTolerance) {
  EXPECT_TRUE(CompareReal(0.1 + 0.2, 0.3, CMP_EQ));
  EXPECT_TRUE(CompareReal(1.000001, 1.0, CMP_EQ));
  EXPECT_FALSE(CompareReal(1.000001, 1.0, CMP_GT));
  EXPECT_FALSE(CompareReal(0.00001, 0.00002, CMP_LT));
  EXPECT_TRUE(CompareReal(0.00001, 0.00002, CMP_LE));
  EXPECT_TRUE(CompareReal(0.00001, 0.00002, CMP_GE));
  EXPECT_TRUE(CompareReal(1.0, 1.1, CMP_LT));
  EXPECT_TRUE(CompareReal(1.0, 1.1, CMP_NE));
  EXPECT_FALSE(CompareReal(1.1, 1.0, CMP_LE));
  EXPECT_TRUE(CompareReal(1.1, 1.0, CMP_GT));
}

TEST(ValueCompare, AdmissiblePairsAndStringOrder) {
  bool r = false;
  Item a = Double(2.0), b = Int(2);
  EXPECT_EQ(CompareItems(VM_DOUBLE, a.bytes, VM_INT, b.bytes, CMP_EQ, &r), ValueError::None);
  EXPECT_TRUE(r);
  Item l = Long(3);
  EXPECT_EQ(CompareItems(VM_LONG, l.bytes, VM_DOUBLE, a.bytes, CMP_GT, &r), ValueError::None);
  EXPECT_TRUE(r);
  Item t = Bool(1), one = Int(1);
  EXPECT_EQ(CompareItems(VM_INT, one.bytes, VM_BOOL, t.bytes, CMP_EQ, &r), ValueError::None);
  EXPECT_TRUE(r);
  Item f = Bool(0);
  EXPECT_EQ(CompareItems(VM_BOOL, t.bytes, VM_BOOL, f.bytes, CMP_GT, &r), ValueError::None);
  EXPECT_TRUE(r);
  Item vr = Var(RValue(2.0));
  EXPECT_EQ(CompareItems(VM_VARIABLE, vr.bytes, VM_INT, b.bytes, CMP_EQ, &r), ValueError::None);
  EXPECT_TRUE(r);

  // Not in the table: long with long or int, float with anything, bool with double.
  EXPECT_EQ(CompareItems(VM_LONG, l.bytes, VM_LONG, l.bytes, CMP_EQ, &r), ValueError::ComparisonType);
  EXPECT_FALSE(r);
  EXPECT_EQ(CompareItems(VM_LONG, l.bytes, VM_INT, b.bytes, CMP_EQ, &r), ValueError::ComparisonType);
  Item fl = Float(2.0f);
  EXPECT_EQ(CompareItems(VM_FLOAT, fl.bytes, VM_DOUBLE, a.bytes, CMP_EQ, &r), ValueError::ComparisonType);
  EXPECT_EQ(CompareItems(VM_BOOL, t.bytes, VM_DOUBLE, a.bytes, CMP_EQ, &r), ValueError::ComparisonType);

  const int64_t blocks = MemoryManager::TotalBlocks();
  Item s1 = Str("abc"), s2 = Str("abd");
  EXPECT_EQ(CompareItems(VM_STRING, s1.bytes, VM_STRING, s2.bytes, CMP_LT, &r), ValueError::None);
  EXPECT_TRUE(r);
  Item n = Str(nullptr), e = Var(RValue(""));
  EXPECT_EQ(CompareItems(VM_STRING, n.bytes, VM_VARIABLE, e.bytes, CMP_EQ, &r), ValueError::None);
  EXPECT_TRUE(r);
  Item lower = Str("a"), upper = Str("B");
  EXPECT_EQ(CompareItems(VM_STRING, lower.bytes, VM_STRING, upper.bytes, CMP_GT, &r), ValueError::None);
  EXPECT_TRUE(r);
  Item high = Str("\xE9"), low = Str("z");  // bytes compare unsigned: 0xE9 is above 'z'
  EXPECT_EQ(CompareItems(VM_STRING, high.bytes, VM_STRING, low.bytes, CMP_GT, &r), ValueError::None);
  EXPECT_TRUE(r);
  // A string with a number is refused, and the text is still released.
  Item s3 = Str("1");
  EXPECT_EQ(CompareItems(VM_STRING, s3.bytes, VM_DOUBLE, a.bytes, CMP_EQ, &r), ValueError::ComparisonType);
  EXPECT_FALSE(r);
  EXPECT_EQ(MemoryManager::TotalBlocks(), blocks);
}

TEST(ValueTruth, RealsAboveOneHalfAndTheExactTextTrue) {
  EXPECT_FALSE(ValueIsTrue(RValue(0.5)));
  EXPECT_TRUE(ValueIsTrue(RValue(0.51)));
  EXPECT_FALSE(ValueIsTrue(RValue(-3.0)));
  EXPECT_TRUE(ValueIsTrue(RValue("true")));
  EXPECT_FALSE(ValueIsTrue(RValue("TRUE")));
  EXPECT_FALSE(ValueIsTrue(RValue("1")));
}

TEST(ValuePrint, WholeRealsPrintInFull) {
  auto print = [](const RValue& v) {
    CTextBuffer out;
    PrintValue(v, out);
    return std::string(out.Text());
  };
  EXPECT_EQ(print(RValue(5.0)), "5");
  EXPECT_EQ(print(RValue(-0.0)), "0");
  EXPECT_EQ(print(RValue(-2147483648.0)), "-2147483648");
  EXPECT_EQ(print(RValue(3000000000.0)), "3000000000");
  EXPECT_EQ(print(RValue(-9007199254740993.0)), "-9007199254740992");
  EXPECT_EQ(print(RValue(1e20)), "100000000000000000000");
  EXPECT_EQ(print(RValue(2.5)), "2.500000");
  EXPECT_EQ(print(RValue("hi")), "\"hi\"");
  EXPECT_EQ(print(RValue(static_cast<const char*>(nullptr))), "\"\"");

  CTextBuffer big(16);
  std::string line(1000, 'x');
  big.Printf("%s=%d", line.c_str(), 7);
  EXPECT_EQ(std::string(big.Text()), line + "=7");
}

TEST(ValueTypes, CodesSuffixesAndWidths) {
  EXPECT_STREQ(VMTypeSuffix(VM_DOUBLE), ".d");
  EXPECT_STREQ(VMTypeSuffix(VM_VARIABLE), ".v");
  EXPECT_STREQ(VMTypeSuffix(VM_IMM16), ".e");
  EXPECT_STREQ(VMTypeSuffix(7), "");
  EXPECT_EQ(VMTypeOperandWidth(VM_DOUBLE), 8);
  EXPECT_EQ(VMTypeOperandWidth(VM_LONG), 8);
  EXPECT_EQ(VMTypeOperandWidth(VM_VARIABLE), 4);
  EXPECT_EQ(VMTypeOperandWidth(VM_STRING), 4);
  EXPECT_EQ(VMTypeOperandWidth(VM_IMM16), 0);
  EXPECT_EQ(VMTypeStackWidth(VM_VARIABLE), static_cast<int>(sizeof(RValue)));
  EXPECT_EQ(VMTypeStackWidth(VM_BOOL), 4);
  EXPECT_FALSE(VMTypeIsValid(10));
  EXPECT_TRUE(VMTypeIsValid(15));
}

TEST(ValueItems, StoresTakeItemsAsValuesAndReleaseFreesTexts) {
  const int64_t blocks = MemoryManager::TotalBlocks();
  RValue v;
  Item i = Int(-4);
  ASSERT_TRUE(ItemToValue(VM_INT, i.bytes, &v));
  EXPECT_TRUE(v.IsReal());
  EXPECT_DOUBLE_EQ(v.real, -4.0);
  Item b = Bool(0x201);
  ASSERT_TRUE(ItemToValue(VM_BOOL, b.bytes, &v));
  EXPECT_DOUBLE_EQ(v.real, 1.0);
  Item s = Str("moved");
  char* text = As<char*>(s);
  ASSERT_TRUE(ItemToValue(VM_STRING, s.bytes, &v));
  EXPECT_EQ(v.text, text);
  Item var = Var(RValue("kept"));
  ASSERT_TRUE(ItemToValue(VM_VARIABLE, var.bytes, &v));
  EXPECT_STREQ(v.Str(), "kept");
  EXPECT_FALSE(ItemToValue(static_cast<VMType>(7), i.bytes, &v));
  EXPECT_STREQ(v.Str(), "kept");
  v.Reset();

  Item s2 = Str("gone");
  ReleaseItem(VM_STRING, s2.bytes);
  Item v2 = Var(RValue("gone too"));
  ReleaseItem(VM_VARIABLE, v2.bytes);
  ReleaseItem(VM_DOUBLE, i.bytes);
  EXPECT_EQ(MemoryManager::TotalBlocks(), blocks);
}
