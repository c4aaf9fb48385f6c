#include <gtest/gtest.h>

#include "Function_TestCall.h"

using namespace testcall;

namespace {

struct StringTest : testcall::LibraryScope {
  void SetUp() { Prepare(); }
};

const char* kE = "\xC3\xA9";               // é, two bytes
const char* kSmile = "\xF0\x9F\x98\x80";   // a four-byte character

LIBRARY_CASE(StringTest, StringOfNumbers, "string") {
  EXPECT_EQ(Text("string", {R(3)}), "3");
  EXPECT_EQ(Text("string", {R(2.5)}), "2.50");
  EXPECT_EQ(Text("string", {R(-0.004)}), "-0.00");
  EXPECT_EQ(Text("string", {R(-7)}), "-7");
  EXPECT_EQ(Text("string", {R(10000000000.0)}), "10000000000");
  EXPECT_EQ(Text("string", {R(1.005e20)}), "100500000000000000000");
  EXPECT_EQ(Text("string", {S("text")}), "text");
}

LIBRARY_CASE(StringTest, RealOfTexts, "real") {
  EXPECT_EQ(Real("real", {S(" 12abc ")}), 12);
  EXPECT_EQ(Real("real", {S("abc")}), 0);
  EXPECT_EQ(Real("real", {S("")}), 0);
  EXPECT_EQ(Real("real", {S("\t\n-2.5e1\r")}), -25);
  EXPECT_EQ(Real("real", {R(4.25)}), 4.25);
}

LIBRARY_CASE(StringTest, CharactersAndBytes, "string_byte_at", "string_byte_length", "string_char_at", "string_copy", "string_length", "string_pos") {
  std::string s = std::string(kE) + "b";
  EXPECT_EQ(Real("string_length", {S(s.c_str())}), 2);
  EXPECT_EQ(Real("string_byte_length", {S(s.c_str())}), 3);
  EXPECT_EQ(Real("string_pos", {S("b"), S(s.c_str())}), 3);
  EXPECT_EQ(Real("string_pos", {S("z"), S(s.c_str())}), 0);
  EXPECT_EQ(Real("string_pos", {S(""), S(s.c_str())}), 0);
  EXPECT_EQ(Real("string_byte_at", {S("abc"), R(2)}), 98);
  EXPECT_EQ(Real("string_byte_at", {S(s.c_str()), R(0)}), 0xC3);
  EXPECT_EQ(Real("string_byte_at", {S("abc"), R(4)}), 0);

  std::string wide = std::string("a") + kSmile + "b";
  EXPECT_EQ(Real("string_length", {S(wide.c_str())}), 3);
  EXPECT_EQ(Text("string_char_at", {S(wide.c_str()), R(2)}), kSmile);
  // A byte that is not UTF-8 is a character of its own and survives cutting.
  std::string broken = "\xFF" "a\xC3";
  EXPECT_EQ(Real("string_length", {S(broken.c_str())}), 3);
  EXPECT_EQ(Text("string_copy", {S(broken.c_str()), R(1), R(1)}), "\xFF");
  EXPECT_EQ(Text("string_char_at", {S(broken.c_str()), R(3)}), "\xC3");
}

LIBRARY_CASE(StringTest, CharAtAndCopy, "string_char_at", "string_copy") {
  std::string s = std::string("a") + kE + "c";
  EXPECT_EQ(Text("string_char_at", {S(s.c_str()), R(2)}), kE);
  EXPECT_EQ(Text("string_char_at", {S(s.c_str()), R(0)}), "a");
  EXPECT_EQ(Text("string_char_at", {S(s.c_str()), R(4)}), "");
  EXPECT_EQ(Text("string_copy", {S("abc"), R(2), R(5)}), "");   // 5 is more than the length 3
  EXPECT_EQ(Text("string_copy", {S("abc"), R(2), R(3)}), "bc");  // shortened to the end
  EXPECT_EQ(Text("string_copy", {S("abc"), R(0), R(2)}), "ab");
  EXPECT_EQ(Text("string_copy", {S("abc"), R(4), R(1)}), "");
  EXPECT_EQ(Text("string_copy", {S("abc"), R(2), R(-1)}), "");
  EXPECT_EQ(Text("string_copy", {S("abc"), R(2), R(0)}), "");
  EXPECT_EQ(Text("string_copy", {S(s.c_str()), R(2), R(2)}), std::string(kE) + "c");
}

LIBRARY_CASE(StringTest, Editing, "string_count", "string_delete", "string_digits", "string_insert", "string_letters", "string_lettersdigits", "string_lower", "string_repeat", "string_replace", "string_replace_all", "string_upper") {
  EXPECT_EQ(Text("string_delete", {S("hello"), R(2), R(3)}), "ho");
  EXPECT_EQ(Text("string_delete", {S("hello"), R(4), R(10)}), "hel");
  EXPECT_EQ(Text("string_delete", {S("hello"), R(9), R(1)}), "hello");
  std::string s = std::string(kE) + "x";
  EXPECT_EQ(Text("string_delete", {S(s.c_str()), R(1), R(1)}), "x");
  EXPECT_EQ(Text("string_insert", {S("XY"), S("abc"), R(2)}), "aXYbc");
  EXPECT_EQ(Text("string_insert", {S("XY"), S("abc"), R(9)}), "abcXY");
  EXPECT_EQ(Text("string_insert", {S("XY"), S(s.c_str()), R(2)}), std::string(kE) + "XYx");
  EXPECT_EQ(Text("string_replace", {S("aaa"), S("a"), S("b")}), "baa");
  EXPECT_EQ(Text("string_replace_all", {S("aaa"), S("a"), S("b")}), "bbb");
  EXPECT_EQ(Text("string_replace_all", {S("aaaa"), S("aa"), S("a")}), "aa");
  EXPECT_EQ(Text("string_replace_all", {S("abc"), S(""), S("x")}), "abc");
  EXPECT_EQ(Real("string_count", {S("aa"), S("aaaa")}), 2);
  EXPECT_EQ(Real("string_count", {S("x"), S("aaaa")}), 0);
  EXPECT_EQ(Text("string_upper", {S((std::string("a") + kE + "z").c_str())}), std::string("A") + kE + "Z");
  EXPECT_EQ(Text("string_lower", {S("AbC1")}), "abc1");
  EXPECT_EQ(Text("string_repeat", {S("ab"), R(3)}), "ababab");
  EXPECT_EQ(Text("string_repeat", {S("ab"), R(-1)}), "");
  EXPECT_EQ(Text("string_letters", {S("a1-B2")}), "aB");
  EXPECT_EQ(Text("string_digits", {S("a1-B2")}), "12");
  EXPECT_EQ(Text("string_lettersdigits", {S("a1-B2 ")}), "a1B2");
}

LIBRARY_CASE(StringTest, CharacterCodesAndFormat, "ansi_char", "chr", "ord", "string_format") {
  EXPECT_EQ(Text("chr", {R(65)}), "A");
  EXPECT_EQ(Text("chr", {R(233)}), kE);
  EXPECT_EQ(Text("chr", {R(0x1F600)}), kSmile);
  EXPECT_EQ(Text("ansi_char", {R(233)}), "\xE9");
  EXPECT_EQ(Real("ord", {S("A")}), 65);
  EXPECT_EQ(Real("ord", {S(kE)}), 233);
  EXPECT_EQ(Real("ord", {S(kSmile)}), 0x1F600);
  EXPECT_EQ(Real("ord", {S("")}), 0);
  EXPECT_EQ(Text("string_format", {R(3.14159), R(8), R(2)}), "    3.14");
  EXPECT_EQ(Text("string_format", {R(-2), R(0), R(3)}), "-2.000");
  EXPECT_EQ(Text("string_format", {R(12345.6), R(2), R(0)}), "12346");
}

}  // namespace
