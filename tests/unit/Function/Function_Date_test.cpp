// Dates: day 0 is 30 December 1899; serial numbers below are counted by hand from 2000-01-01 =
// 36526 (day 0 + 100 years of 365 days + 24 leap days + 2 days of 1899).
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "Function/Function_Exercise.h"

namespace {

double D(const char* name, std::vector<RValue> args = {}) {
  RValue r = CallBuiltin(name, std::move(args));
  EXPECT_TRUE(r.IsReal()) << name;
  return r.real;
}
std::string S(const char* name, std::vector<RValue> args) {
  RValue r = CallBuiltin(name, std::move(args));
  EXPECT_TRUE(r.IsString()) << name;
  return r.Str();
}
RValue R(double x) { return RValue(x); }
double Date(int y, int m, int d) { return D("date_create_date", {R(y), R(m), R(d)}); }
double DateTime(int y, int m, int d, int h, int mi, int s) {
  return D("date_create_datetime", {R(y), R(m), R(d), R(h), R(mi), R(s)});
}

void ExCreateAndValidate() {
  EXPECT_EQ(DateTime(2000, 1, 1, 0, 0, 0), 36526);
  EXPECT_EQ(DateTime(1899, 12, 30, 12, 0, 0), 0.5);
  // Before day 0 the whole part counts back and the fraction still counts forward from midnight.
  EXPECT_EQ(DateTime(1899, 12, 29, 6, 0, 0), -1.25);
  EXPECT_EQ(Date(2024, 2, 29), 45351);  // 2024-01-01 = 45292, + 31 + 28
  EXPECT_EQ(Date(2024, 2, 30), 0);      // invalid: 0
  EXPECT_EQ(D("date_create_time", {R(6), R(0), R(0)}), 0.25);
  EXPECT_EQ(D("date_create_time", {R(24), R(0), R(0)}), 0);
  EXPECT_EQ(D("date_valid_date", {R(2000), R(2), R(29)}), 1);
  EXPECT_EQ(D("date_valid_date", {R(1900), R(2), R(29)}), 0);
  EXPECT_EQ(D("date_valid_date", {R(0), R(1), R(1)}), 0);
  EXPECT_EQ(D("date_valid_date", {R(10000), R(1), R(1)}), 0);
  EXPECT_EQ(D("date_valid_time", {R(23), R(59), R(59)}), 1);
  EXPECT_EQ(D("date_valid_time", {R(12), R(60), R(0)}), 0);
  EXPECT_EQ(D("date_valid_datetime", {R(2023), R(2), R(29), R(0), R(0), R(0)}), 0);
  EXPECT_EQ(D("date_valid_datetime", {R(2023), R(2), R(28), R(23), R(0), R(0)}), 1);
}

void ExParts() {
  double t = 36526.75;  // 2000-01-01 18:00
  EXPECT_EQ(D("date_get_year", {R(t)}), 2000);
  EXPECT_EQ(D("date_get_month", {R(t)}), 1);
  EXPECT_EQ(D("date_get_day", {R(t)}), 1);
  EXPECT_EQ(D("date_get_hour", {R(t)}), 18);
  EXPECT_EQ(D("date_get_day", {R(-1.25)}), 29);
  EXPECT_EQ(D("date_get_hour", {R(-1.25)}), 6);
  // 2000-01-01 was a Saturday, 2000-01-03 a Monday, 1899-12-29 a Friday.
  EXPECT_EQ(D("date_get_weekday", {R(36526)}), 6);
  EXPECT_EQ(D("date_get_weekday", {R(36528)}), 1);
  EXPECT_EQ(D("date_get_weekday", {R(36527)}), 0);
  EXPECT_EQ(D("date_get_weekday", {R(-1.25)}), 5);
  // ISO weeks: 2000-01-01 is in 1999's week 52, 2000-01-03 starts week 1; 2004-12-31 and
  // 2005-01-01 are in 2004's week 53; Monday 2008-12-29 is in 2009's week 1.
  EXPECT_EQ(D("date_get_week", {R(36526)}), 52);
  EXPECT_EQ(D("date_get_week", {R(36528)}), 1);
  EXPECT_EQ(D("date_get_week", {R(38352)}), 53);
  EXPECT_EQ(D("date_get_week", {R(38353)}), 53);
  EXPECT_EQ(D("date_get_week", {R(Date(2008, 12, 29))}), 1);
  EXPECT_EQ(D("date_get_day_of_year", {R(Date(2000, 3, 1))}), 61);
  EXPECT_EQ(D("date_get_day_of_year", {R(Date(2000, 12, 31))}), 366);
  EXPECT_EQ(D("date_get_day_of_year", {R(Date(2001, 12, 31))}), 365);
  EXPECT_EQ(D("date_get_hour_of_year", {R(DateTime(2000, 1, 2, 5, 0, 0))}), 29);
}

void ExIncrements() {
  EXPECT_EQ(D("date_inc_month", {R(Date(2000, 1, 31)), R(1)}), Date(2000, 2, 29));
  EXPECT_EQ(D("date_inc_year", {R(Date(2000, 2, 29)), R(1)}), Date(2001, 2, 28));
  EXPECT_EQ(D("date_inc_month", {R(Date(2000, 3, 31)), R(-13)}), Date(1999, 2, 28));
  EXPECT_EQ(D("date_inc_month", {R(36526.25), R(1)}), 36557.25);  // the time is kept
  EXPECT_EQ(D("date_inc_week", {R(36526), R(2)}), 36540);
  EXPECT_EQ(D("date_inc_day", {R(36526), R(-1)}), 36525);
  EXPECT_EQ(D("date_inc_hour", {R(36526), R(30)}), 36527.25);
  EXPECT_EQ(D("date_inc_minute", {R(36526), R(90)}), 36526.0625);
  EXPECT_EQ(D("date_inc_second", {R(36526), R(43200)}), 36526.5);
  // Back across day 0: 30 Dec 06:00 minus 12 hours is 29 Dec 18:00.
  EXPECT_EQ(D("date_inc_hour", {R(0.25), R(-12)}), -1.75);
}

void ExSpans() {
  EXPECT_EQ(D("date_day_span", {R(36526), R(36527.5)}), 1.5);
  EXPECT_EQ(D("date_hour_span", {R(36527.5), R(36526)}), 36);
  EXPECT_EQ(D("date_week_span", {R(0), R(14)}), 2);
  EXPECT_EQ(D("date_minute_span", {R(0), R(0.5)}), 720);
  EXPECT_EQ(D("date_second_span", {R(0), R(1)}), 86400);
  EXPECT_EQ(D("date_year_span", {R(0), R(730.5)}), 2);
  EXPECT_EQ(D("date_month_span", {R(0), R(30.4375)}), 1);
  EXPECT_EQ(D("date_day_span", {R(-1.25), R(0.25)}), 1);  // 29 Dec 06:00 to 30 Dec 06:00
}

void ExCompareAndSplit() {
  EXPECT_EQ(D("date_compare_datetime", {R(36526.5), R(36526.25)}), 1);
  EXPECT_EQ(D("date_compare_datetime", {R(36526.5), R(36526.5)}), 0);
  EXPECT_EQ(D("date_compare_date", {R(36526.9), R(36526.1)}), 0);
  EXPECT_EQ(D("date_compare_date", {R(36525.9), R(36526.1)}), -1);
  EXPECT_EQ(D("date_compare_time", {R(36526.1), R(36527.2)}), -1);
  EXPECT_EQ(D("date_compare_time", {R(36526.5), R(10.5)}), 0);
  EXPECT_EQ(D("date_date_of", {R(36526.75)}), 36526);
  EXPECT_EQ(D("date_time_of", {R(36526.75)}), 0.75);
  EXPECT_EQ(D("date_date_of", {R(-1.25)}), -1);
  EXPECT_EQ(D("date_time_of", {R(-1.25)}), 0.25);
}

void ExTexts() {
  EXPECT_EQ(S("date_datetime_string", {R(36526.5)}), "2000-01-01 12:00:00");
  EXPECT_EQ(S("date_date_string", {R(DateTime(2024, 2, 29, 23, 59, 59))}), "2024-02-29");
  EXPECT_EQ(S("date_time_string", {R(DateTime(2024, 2, 29, 23, 59, 59))}), "23:59:59");
  EXPECT_EQ(S("date_time_string", {R(0.0)}), "00:00:00");
}

void ExCalendar() {
  EXPECT_EQ(D("date_days_in_month", {R(Date(2000, 2, 10))}), 29);
  EXPECT_EQ(D("date_days_in_month", {R(Date(1900, 2, 1))}), 28);
  EXPECT_EQ(D("date_days_in_month", {R(Date(2023, 4, 1))}), 30);
  EXPECT_EQ(D("date_days_in_year", {R(Date(1900, 6, 1))}), 365);
  EXPECT_EQ(D("date_days_in_year", {R(36526)}), 366);
  EXPECT_EQ(D("date_leap_year", {R(36526)}), 1);
  EXPECT_EQ(D("date_leap_year", {R(Date(2100, 1, 1))}), 0);
}

void ExNow() {
  double now = D("date_current_datetime");
  double today = D("date_current_date");
  double time = D("date_current_time");
  EXPECT_GE(D("date_get_year", {R(now)}), 2024);
  EXPECT_EQ(today, std::floor(today));
  EXPECT_GE(time, 0.0);
  EXPECT_LT(time, 1.0);
  EXPECT_EQ(D("date_is_today", {R(today)}), 1);
  EXPECT_EQ(D("date_is_today", {R(now)}), 1);
  EXPECT_EQ(D("date_is_today", {R(0.0)}), 0);
}

const RegisterExercise kCreate({"date_create_datetime", "date_create_date", "date_create_time",
                                "date_valid_datetime", "date_valid_date", "date_valid_time"},
                               ExCreateAndValidate);
const RegisterExercise kParts({"date_get_year", "date_get_month", "date_get_week", "date_get_day",
                               "date_get_hour", "date_get_weekday", "date_get_day_of_year",
                               "date_get_hour_of_year"},
                              ExParts);
const RegisterExercise kInc({"date_inc_year", "date_inc_month", "date_inc_week", "date_inc_day",
                             "date_inc_hour", "date_inc_minute", "date_inc_second"},
                            ExIncrements);
const RegisterExercise kSpans({"date_year_span", "date_month_span", "date_week_span", "date_day_span",
                               "date_hour_span", "date_minute_span", "date_second_span"},
                              ExSpans);
const RegisterExercise kCompare({"date_compare_datetime", "date_compare_date", "date_compare_time",
                                 "date_date_of", "date_time_of"},
                                ExCompareAndSplit);
const RegisterExercise kTexts({"date_datetime_string", "date_date_string", "date_time_string"}, ExTexts);
const RegisterExercise kCalendar({"date_days_in_month", "date_days_in_year", "date_leap_year"}, ExCalendar);
const RegisterExercise kNow({"date_current_datetime", "date_current_date", "date_current_time",
                             "date_is_today"},
                            ExNow);

TEST(Dates, CreateAndValidate) { RegisterAllFunctions(); ExCreateAndValidate(); }
TEST(Dates, PartsWeeksAndWeekdays) { RegisterAllFunctions(); ExParts(); }
TEST(Dates, IncrementsKeepTheCalendar) { RegisterAllFunctions(); ExIncrements(); }
TEST(Dates, Spans) { RegisterAllFunctions(); ExSpans(); }
TEST(Dates, CompareAndSplit) { RegisterAllFunctions(); ExCompareAndSplit(); }
TEST(Dates, Texts) { RegisterAllFunctions(); ExTexts(); }
TEST(Dates, Calendar) { RegisterAllFunctions(); ExCalendar(); }
TEST(Dates, Now) { RegisterAllFunctions(); ExNow(); }

}  // namespace
