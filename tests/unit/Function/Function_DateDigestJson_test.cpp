#include <gtest/gtest.h>

#include <cmath>

#include "Function/Function_DataStructure.h"
#include "Function_FileTestFolder.h"

using namespace testcall;

namespace {

class DateTest : public ::testing::Test {
 protected:
  void SetUp() override { Prepare(); }
};

// 1 January 2000 is 36526 days after 30 December 1899 (100 years of 365 days, 24 leap days from
// 1904 to 1996, plus the 2 days of December 1899).
TEST_F(DateTest, CreatingAndTakingApart) {
  EXPECT_EQ(Real("date_create_date", {R(1899), R(12), R(30)}), 0);
  EXPECT_EQ(Real("date_create_date", {R(2000), R(1), R(1)}), 36526);
  double d = Real("date_create_datetime", {R(2000), R(3), R(1), R(18), R(30), R(15)});
  EXPECT_DOUBLE_EQ(d, 36526 + 60 + (18 * 3600 + 30 * 60 + 15) / 86400.0);
  EXPECT_EQ(Real("date_get_year", {R(d)}), 2000);
  EXPECT_EQ(Real("date_get_month", {R(d)}), 3);
  EXPECT_EQ(Real("date_get_day", {R(d)}), 1);
  EXPECT_EQ(Real("date_get_hour", {R(d)}), 18);
  EXPECT_EQ(Real("date_get_day_of_year", {R(d)}), 61);
  EXPECT_EQ(Real("date_get_hour_of_year", {R(d)}), 60 * 24 + 18);
  EXPECT_EQ(Real("date_get_week", {R(d)}), 9);      // day 61: (61 - 1) / 7 + 1
  EXPECT_EQ(Real("date_get_weekday", {R(d)}), 3);   // a Wednesday
  EXPECT_EQ(Real("date_get_weekday", {R(0)}), 6);   // 30 December 1899, a Saturday
  EXPECT_EQ(Text("date_datetime_string", {R(d)}), "2000-03-01 18:30:15");
  EXPECT_EQ(Text("date_date_string", {R(d)}), "2000-03-01");
  EXPECT_EQ(Text("date_time_string", {R(d)}), "18:30:15");
  EXPECT_EQ(Real("date_date_of", {R(d)}), 36526 + 60);
  EXPECT_DOUBLE_EQ(Real("date_time_of", {R(d)}), (18 * 3600 + 30 * 60 + 15) / 86400.0);
  EXPECT_EQ(Real("date_create_time", {R(12), R(0), R(0)}), 0.5);
}

TEST_F(DateTest, ValidityAndCalendar) {
  EXPECT_EQ(Real("date_valid_date", {R(2000), R(2), R(29)}), 1);
  EXPECT_EQ(Real("date_valid_date", {R(2001), R(2), R(29)}), 0);
  EXPECT_EQ(Real("date_valid_date", {R(1900), R(2), R(29)}), 0);
  EXPECT_EQ(Real("date_valid_time", {R(23), R(59), R(59)}), 1);
  EXPECT_EQ(Real("date_valid_time", {R(24), R(0), R(0)}), 0);
  EXPECT_EQ(Real("date_valid_datetime", {R(2000), R(13), R(1), R(0), R(0), R(0)}), 0);
  EXPECT_EQ(Real("date_create_datetime", {R(2001), R(2), R(29), R(0), R(0), R(0)}), 0);
  double feb = Real("date_create_date", {R(2000), R(2), R(10)});
  EXPECT_EQ(Real("date_days_in_month", {R(feb)}), 29);
  EXPECT_EQ(Real("date_days_in_year", {R(feb)}), 366);
  EXPECT_EQ(Real("date_leap_year", {R(feb)}), 1);
  EXPECT_EQ(Real("date_leap_year", {R(Real("date_create_date", {R(1900), R(6), R(1)}))}), 0);
}

TEST_F(DateTest, ArithmeticSpansAndComparisons) {
  double jan31 = Real("date_create_datetime", {R(2000), R(1), R(31), R(6), R(0), R(0)});
  double feb29 = Real("date_inc_month", {R(jan31), R(1)});
  EXPECT_EQ(Text("date_datetime_string", {R(feb29)}), "2000-02-29 06:00:00");
  EXPECT_EQ(Text("date_datetime_string", {R(Real("date_inc_year", {R(feb29), R(1)}))}), "2001-02-28 06:00:00");
  EXPECT_EQ(Text("date_datetime_string", {R(Real("date_inc_month", {R(jan31), R(-2)}))}), "1999-11-30 06:00:00");
  EXPECT_EQ(Text("date_date_string", {R(Real("date_inc_week", {R(jan31), R(1)}))}), "2000-02-07");
  EXPECT_EQ(Text("date_date_string", {R(Real("date_inc_day", {R(jan31), R(1)}))}), "2000-02-01");
  EXPECT_EQ(Text("date_time_string", {R(Real("date_inc_hour", {R(jan31), R(20)}))}), "02:00:00");
  EXPECT_EQ(Text("date_time_string", {R(Real("date_inc_minute", {R(jan31), R(90)}))}), "07:30:00");
  EXPECT_EQ(Text("date_time_string", {R(Real("date_inc_second", {R(jan31), R(61)}))}), "06:01:01");

  double a = Real("date_create_date", {R(2000), R(1), R(15)});
  double b = Real("date_create_date", {R(2000), R(3), R(15)});
  EXPECT_DOUBLE_EQ(Real("date_month_span", {R(b), R(a)}), 2);
  EXPECT_DOUBLE_EQ(Real("date_year_span", {R(a), R(b)}), 2.0 / 12.0);
  EXPECT_EQ(Real("date_day_span", {R(a), R(b)}), 60);
  EXPECT_DOUBLE_EQ(Real("date_week_span", {R(a), R(b)}), 60.0 / 7.0);
  EXPECT_EQ(Real("date_hour_span", {R(a), R(b)}), 1440);
  EXPECT_EQ(Real("date_minute_span", {R(a), R(b)}), 86400);
  EXPECT_EQ(Real("date_second_span", {R(a), R(b)}), 5184000);
  EXPECT_EQ(Real("date_compare_datetime", {R(a), R(b)}), -1);
  EXPECT_EQ(Real("date_compare_datetime", {R(b), R(a)}), 1);
  EXPECT_EQ(Real("date_compare_datetime", {R(a), R(a)}), 0);
  EXPECT_EQ(Real("date_compare_date", {R(a + 0.75), R(a + 0.25)}), 0);
  EXPECT_EQ(Real("date_compare_time", {R(a + 0.75), R(b + 0.25)}), 1);
}

TEST_F(DateTest, TheClock) {
  double now = Real("date_current_datetime");
  double today = Real("date_current_date");
  double time = Real("date_current_time");
  EXPECT_GT(now, Real("date_create_date", {R(2020), R(1), R(1)}));
  EXPECT_EQ(today, std::floor(today));
  EXPECT_GE(time, 0);
  EXPECT_LT(time, 1);
  EXPECT_EQ(Real("date_is_today", {R(now)}), 1);
  EXPECT_EQ(Real("date_is_today", {R(now - 3)}), 0);
}

class DigestTest : public FileFolderTest {};

TEST_F(DigestTest, KnownDigests) {
  EXPECT_EQ(Text("md5_string_utf8", {S("")}), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(Text("md5_string_utf8", {S("abc")}), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(Text("md5_string_utf8", {S("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")}),
            "8215ef0796a20bcaaae116d3876c664a");
  EXPECT_EQ(Text("sha1_string_utf8", {S("")}), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
  EXPECT_EQ(Text("sha1_string_utf8", {S("abc")}), "a9993e364706816aba3e25717850c26c9cd0d89d");
  EXPECT_EQ(Text("sha1_string_utf8", {S("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")}),
            "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
  // "a" as UTF-16 little-endian is the bytes 61 00.
  EXPECT_EQ(Text("md5_string_unicode", {S("a")}), "4144e195f46de78a3623da7364d04f11");
  EXPECT_EQ(Text("sha1_string_unicode", {S("a")}), "0a04b971b03da607ce6c455184037b660ca89f78");
  Put(m_save + "abc.txt", "abc");
  EXPECT_EQ(Text("md5_file", {S("abc.txt")}), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(Text("sha1_file", {S("abc.txt")}), "a9993e364706816aba3e25717850c26c9cd0d89d");
  EXPECT_EQ(Text("sha1_file", {S("none.txt")}), "");
}

TEST_F(DigestTest, Base64) {
  EXPECT_EQ(Text("base64_encode", {S("hello")}), "aGVsbG8=");
  EXPECT_EQ(Text("base64_encode", {S("ab")}), "YWI=");
  EXPECT_EQ(Text("base64_encode", {S("abc")}), "YWJj");
  EXPECT_EQ(Text("base64_encode", {S("")}), "");
  EXPECT_EQ(Text("base64_decode", {S("aGVsbG8=")}), "hello");
  EXPECT_EQ(Text("base64_decode", {S("YW\r\nJj")}), "abc");
  EXPECT_EQ(Text("base64_decode", {S("YWI")}), "ab");
  EXPECT_EQ(Text("base64_decode", {S("YWJj!!!!")}), "abc");
}

class JsonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Prepare();
    DataStructures_FreeAll();
  }
  void TearDown() override { DataStructures_FreeAll(); }
};

TEST_F(JsonTest, DecodeBuildsMapsAndLists) {
  double m = Real("json_decode", {S(R"({"a":1,"b":"x","c":[1,"two"],"d":{"e":true,"f":null}})")});
  ASSERT_GE(m, 0);
  EXPECT_EQ(Real("ds_map_find_value", {R(m), S("a")}), 1);
  EXPECT_EQ(Text("ds_map_find_value", {R(m), S("b")}), "x");
  double list = Real("ds_map_find_value", {R(m), S("c")});
  EXPECT_EQ(Real("ds_list_size", {R(list)}), 2);
  EXPECT_EQ(Text("ds_list_find_value", {R(list), R(1)}), "two");
  double inner = Real("ds_map_find_value", {R(m), S("d")});
  EXPECT_NE(inner, m);
  EXPECT_EQ(Real("ds_map_find_value", {R(inner), S("e")}), 1);
  EXPECT_EQ(Real("ds_map_exists", {R(inner), S("f")}), 1);

  double top = Real("json_decode", {S("[1,2,3]")});
  double wrapped = Real("ds_map_find_value", {R(top), S("default")});
  EXPECT_EQ(Real("ds_list_size", {R(wrapped)}), 3);
  EXPECT_EQ(Real("json_decode", {S("{not json")}), -1);
  EXPECT_EQ(Real("json_decode", {S(std::string(100000, '[').c_str())}), -1);
  EXPECT_FALSE(ErrorOccurred());
}

TEST_F(JsonTest, EncodeWritesOneObject) {
  double m = Real("ds_map_create");
  Call("ds_map_add", {R(m), S("a"), R(1)});
  EXPECT_EQ(Text("json_encode", {R(m)}), R"({"a":1})");
  Call("ds_map_add", {R(m), S("b"), S("q\"")});
  Call("ds_map_add", {R(m), R(2), R(0.5)});
  double back = Real("json_decode", {Call("json_encode", {R(m)})});
  EXPECT_EQ(Real("ds_map_find_value", {R(back), S("a")}), 1);
  EXPECT_EQ(Text("ds_map_find_value", {R(back), S("b")}), "q\"");
  EXPECT_EQ(Real("ds_map_find_value", {R(back), S("2")}), 0.5);
  EXPECT_EQ(Text("json_encode", {R(99)}), "");
  EXPECT_TRUE(ErrorOccurred());
}

}  // namespace
