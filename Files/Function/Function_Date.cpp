// Dates and times.
//
// A date-time is a real: the whole part counts days from 30 December 1899 (day 0), the fraction is
// the time of day. Before day 0 the whole part is negative and the fraction still counts forward
// from midnight, so -1.25 is 29 December 1899 at 06:00; arithmetic therefore goes through a linear
// time line (ToLinear / FromLinear). Years run from 1 to 9999. Weeks are ISO 8601 weeks (Monday
// first, week 1 holds the year's first Thursday); weekdays count 0 = Sunday to 6 = Saturday. Spans
// are fractional and count a year as 365.25 days and a month as 30.4375 days. Date texts are ISO
// 8601: "YYYY-MM-DD", "HH:MM:SS" and "YYYY-MM-DD HH:MM:SS", the same on every machine.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "Function/Function_Register.h"
#include "Platform/Platform_Memory.h"

namespace {

constexpr double kMsPerDay = 86400000.0;
// Day numbers of 1 January 0001 and 31 December 9999.
constexpr double kFirstDay = -693593.0;
constexpr double kLastDay = 2958465.0;

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
constexpr int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2 ? 1 : 0;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int64_t& y, int& m, int& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = yoe + era * 400 + (m <= 2 ? 1 : 0);
}

constexpr int64_t kEpoch = DaysFromCivil(1899, 12, 30);  // day 0, counted from 1970-01-01
static_assert(kEpoch == -25569);

bool IsLeap(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int64_t y, int m) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return (m == 2 && IsLeap(y)) ? 29 : kDays[m - 1];
}

// A date-time value as a point on a linear time line (days, fraction forward), and back.
double ToLinear(double v) {
  if (std::isnan(v)) return 0.0;
  double day = std::trunc(v);
  if (day < kFirstDay) return kFirstDay;
  if (day > kLastDay) return kLastDay + 0.99999999;
  return day + std::fabs(v - day);
}

double FromLinear(double x) {
  double day = std::floor(x);
  double time = x - day;
  return day >= 0.0 ? day + time : day - time;
}

struct DateParts {
  int64_t day;  // day number
  int64_t year;
  int month, dayOfMonth, hour, minute, second, ms;
};

DateParts Decode(double v) {
  double linear = ToLinear(v);
  double whole = std::floor(linear);
  int64_t ms = std::llround((linear - whole) * kMsPerDay);
  if (ms >= static_cast<int64_t>(kMsPerDay)) ms = static_cast<int64_t>(kMsPerDay) - 1;
  DateParts p;
  p.day = static_cast<int64_t>(whole);
  CivilFromDays(p.day + kEpoch, p.year, p.month, p.dayOfMonth);
  p.hour = static_cast<int>(ms / 3600000);
  p.minute = static_cast<int>(ms / 60000 % 60);
  p.second = static_cast<int>(ms / 1000 % 60);
  p.ms = static_cast<int>(ms % 1000);
  return p;
}

bool ValidDate(int64_t y, int64_t m, int64_t d) {
  return y >= 1 && y <= 9999 && m >= 1 && m <= 12 && d >= 1 && d <= DaysInMonth(y, static_cast<int>(m));
}
bool ValidTime(int64_t h, int64_t mi, int64_t s) {
  return h >= 0 && h <= 23 && mi >= 0 && mi <= 59 && s >= 0 && s <= 59;
}

double TimeFraction(int64_t h, int64_t mi, int64_t s, int64_t ms) {
  return static_cast<double>(((h * 60 + mi) * 60 + s) * 1000 + ms) / kMsPerDay;
}

// The value of a civil date and time (arguments already valid).
double Encode(int64_t y, int64_t m, int64_t d, double time) {
  return FromLinear(static_cast<double>(DaysFromCivil(y, m, d) - kEpoch) + time);
}

double Now(bool date, bool time) {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  std::tm local{};
  time_t seconds = ts.tv_sec;
  localtime_r(&seconds, &local);
  double fraction = time ? TimeFraction(local.tm_hour, local.tm_min, local.tm_sec, ts.tv_nsec / 1000000) : 0.0;
  if (!date) return fraction;
  return Encode(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, fraction);
}

// A whole-number argument: rounded to the nearest integer, halves to even.
int64_t Whole(int argc, const RValue* args, int i) {
  const RValue& v = FunctionArgument(argc, args, i);
  if (!v.IsReal() || !std::isfinite(v.real)) return 0;
  double r = std::nearbyint(v.real);
  if (r > 1e15) return static_cast<int64_t>(1e15);
  if (r < -1e15) return static_cast<int64_t>(-1e15);
  return static_cast<int64_t>(r);
}

double Real(int argc, const RValue* args, int i) {
  const RValue& v = FunctionArgument(argc, args, i);
  return v.IsReal() ? v.real : 0.0;
}

// The date moved by whole months, the day kept or cut to the new month's length, the time kept.
double AddMonths(double v, int64_t months) {
  DateParts p = Decode(v);
  int64_t index = p.year * 12 + (p.month - 1) + months;
  int64_t year = index >= 0 ? index / 12 : (index - 11) / 12;
  int month = static_cast<int>(index - year * 12) + 1;
  if (year < 1 || year > 9999) return v;  // outside the calendar: unchanged
  int day = p.dayOfMonth;
  if (day > DaysInMonth(year, month)) day = DaysInMonth(year, month);
  return Encode(year, month, day, TimeFraction(p.hour, p.minute, p.second, p.ms));
}

// ISO 8601 week number.
int IsoWeek(const DateParts& p) {
  auto isoWeekday = [](int64_t dayNumber) {  // Monday 1 .. Sunday 7; day 0 was a Saturday
    int64_t w = ((dayNumber + 5) % 7 + 7) % 7;  // Monday 0
    return static_cast<int>(w) + 1;
  };
  auto weeksIn = [&](int64_t year) {
    int jan1 = isoWeekday(DaysFromCivil(year, 1, 1) - kEpoch);
    return (jan1 == 4 || (jan1 == 3 && IsLeap(year))) ? 53 : 52;
  };
  int64_t doy = p.day - (DaysFromCivil(p.year, 1, 1) - kEpoch) + 1;
  int week = static_cast<int>((doy - isoWeekday(p.day) + 10) / 7);
  if (week < 1) return weeksIn(p.year - 1);
  if (week > weeksIn(p.year)) return 1;
  return week;
}

int64_t DayOfYear(const DateParts& p) { return p.day - (DaysFromCivil(p.year, 1, 1) - kEpoch) + 1; }

int Sign(double d) { return d > 0 ? 1 : (d < 0 ? -1 : 0); }

int64_t LinearMs(double v) { return std::llround(ToLinear(v) * kMsPerDay); }

char* DateText(double v, bool date, bool time) {
  DateParts p = Decode(v);
  char buffer[64];
  if (date && time) {
    std::snprintf(buffer, sizeof buffer, "%04lld-%02d-%02d %02d:%02d:%02d", static_cast<long long>(p.year),
                  p.month, p.dayOfMonth, p.hour, p.minute, p.second);
  } else if (date) {
    std::snprintf(buffer, sizeof buffer, "%04lld-%02d-%02d", static_cast<long long>(p.year), p.month,
                  p.dayOfMonth);
  } else {
    std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", p.hour, p.minute, p.second);
  }
  return MemDupString(buffer);
}

#define DATE_FN(name) void name(RValue& result, CInstance*, CInstance*, int argc, RValue* args)

DATE_FN(F_CurrentDatetime) { result.SetReal(Now(true, true)); }
DATE_FN(F_CurrentDate) { result.SetReal(Now(true, false)); }
DATE_FN(F_CurrentTime) { result.SetReal(Now(false, true)); }

DATE_FN(F_CreateDatetime) {
  int64_t y = Whole(argc, args, 0), m = Whole(argc, args, 1), d = Whole(argc, args, 2);
  int64_t h = Whole(argc, args, 3), mi = Whole(argc, args, 4), s = Whole(argc, args, 5);
  result.SetReal(ValidDate(y, m, d) && ValidTime(h, mi, s) ? Encode(y, m, d, TimeFraction(h, mi, s, 0)) : 0.0);
}
DATE_FN(F_CreateDate) {
  int64_t y = Whole(argc, args, 0), m = Whole(argc, args, 1), d = Whole(argc, args, 2);
  result.SetReal(ValidDate(y, m, d) ? Encode(y, m, d, 0.0) : 0.0);
}
DATE_FN(F_CreateTime) {
  int64_t h = Whole(argc, args, 0), mi = Whole(argc, args, 1), s = Whole(argc, args, 2);
  result.SetReal(ValidTime(h, mi, s) ? TimeFraction(h, mi, s, 0) : 0.0);
}
DATE_FN(F_ValidDatetime) {
  bool ok = ValidDate(Whole(argc, args, 0), Whole(argc, args, 1), Whole(argc, args, 2)) &&
            ValidTime(Whole(argc, args, 3), Whole(argc, args, 4), Whole(argc, args, 5));
  result.SetReal(ok ? 1.0 : 0.0);
}
DATE_FN(F_ValidDate) {
  result.SetReal(ValidDate(Whole(argc, args, 0), Whole(argc, args, 1), Whole(argc, args, 2)) ? 1.0 : 0.0);
}
DATE_FN(F_ValidTime) {
  result.SetReal(ValidTime(Whole(argc, args, 0), Whole(argc, args, 1), Whole(argc, args, 2)) ? 1.0 : 0.0);
}

DATE_FN(F_IncYear) { result.SetReal(AddMonths(Real(argc, args, 0), Whole(argc, args, 1) * 12)); }
DATE_FN(F_IncMonth) { result.SetReal(AddMonths(Real(argc, args, 0), Whole(argc, args, 1))); }

// Adds `unitDays` per whole unit of the amount.
double AddLinear(double v, int64_t amount, double unitDays) {
  double x = ToLinear(v) + static_cast<double>(amount) * unitDays;
  if (x < kFirstDay) x = kFirstDay;
  if (x >= kLastDay + 1.0) x = kLastDay + 0.99999999;
  return FromLinear(x);
}
DATE_FN(F_IncWeek) { result.SetReal(AddLinear(Real(argc, args, 0), Whole(argc, args, 1), 7.0)); }
DATE_FN(F_IncDay) { result.SetReal(AddLinear(Real(argc, args, 0), Whole(argc, args, 1), 1.0)); }
DATE_FN(F_IncHour) { result.SetReal(AddLinear(Real(argc, args, 0), Whole(argc, args, 1), 1.0 / 24.0)); }
DATE_FN(F_IncMinute) { result.SetReal(AddLinear(Real(argc, args, 0), Whole(argc, args, 1), 1.0 / 1440.0)); }
DATE_FN(F_IncSecond) { result.SetReal(AddLinear(Real(argc, args, 0), Whole(argc, args, 1), 1.0 / 86400.0)); }

DATE_FN(F_GetYear) { result.SetReal(static_cast<double>(Decode(Real(argc, args, 0)).year)); }
DATE_FN(F_GetMonth) { result.SetReal(Decode(Real(argc, args, 0)).month); }
DATE_FN(F_GetWeek) { result.SetReal(IsoWeek(Decode(Real(argc, args, 0)))); }
DATE_FN(F_GetDay) { result.SetReal(Decode(Real(argc, args, 0)).dayOfMonth); }
DATE_FN(F_GetHour) { result.SetReal(Decode(Real(argc, args, 0)).hour); }
DATE_FN(F_GetWeekday) {
  int64_t day = Decode(Real(argc, args, 0)).day;
  result.SetReal(static_cast<double>(((day + 6) % 7 + 7) % 7));  // day 0 was a Saturday
}
DATE_FN(F_GetDayOfYear) { result.SetReal(static_cast<double>(DayOfYear(Decode(Real(argc, args, 0))))); }
DATE_FN(F_GetHourOfYear) {
  DateParts p = Decode(Real(argc, args, 0));
  result.SetReal(static_cast<double>((DayOfYear(p) - 1) * 24 + p.hour));
}

double SpanDays(int argc, const RValue* args) {
  return static_cast<double>(std::llabs(LinearMs(Real(argc, args, 1)) - LinearMs(Real(argc, args, 0)))) / kMsPerDay;
}
DATE_FN(F_YearSpan) { result.SetReal(SpanDays(argc, args) / 365.25); }
DATE_FN(F_MonthSpan) { result.SetReal(SpanDays(argc, args) / 30.4375); }
DATE_FN(F_WeekSpan) { result.SetReal(SpanDays(argc, args) / 7.0); }
DATE_FN(F_DaySpan) { result.SetReal(SpanDays(argc, args)); }
DATE_FN(F_HourSpan) { result.SetReal(SpanDays(argc, args) * 24.0); }
DATE_FN(F_MinuteSpan) { result.SetReal(SpanDays(argc, args) * 1440.0); }
DATE_FN(F_SecondSpan) { result.SetReal(SpanDays(argc, args) * 86400.0); }

// Comparisons are to the millisecond.
DATE_FN(F_CompareDatetime) {
  result.SetReal(Sign(static_cast<double>(LinearMs(Real(argc, args, 0)) - LinearMs(Real(argc, args, 1)))));
}
DATE_FN(F_CompareDate) {
  result.SetReal(Sign(static_cast<double>(Decode(Real(argc, args, 0)).day - Decode(Real(argc, args, 1)).day)));
}
DATE_FN(F_CompareTime) {
  auto msOfDay = [](const DateParts& p) { return ((p.hour * 60 + p.minute) * 60 + p.second) * 1000 + p.ms; };
  result.SetReal(Sign(msOfDay(Decode(Real(argc, args, 0))) - msOfDay(Decode(Real(argc, args, 1)))));
}
DATE_FN(F_DateOf) { result.SetReal(static_cast<double>(Decode(Real(argc, args, 0)).day)); }
DATE_FN(F_TimeOf) {
  DateParts p = Decode(Real(argc, args, 0));
  result.SetReal(TimeFraction(p.hour, p.minute, p.second, p.ms));
}

DATE_FN(F_DatetimeString) { result.AdoptText(DateText(Real(argc, args, 0), true, true)); }
DATE_FN(F_DateString) { result.AdoptText(DateText(Real(argc, args, 0), true, false)); }
DATE_FN(F_TimeString) { result.AdoptText(DateText(Real(argc, args, 0), false, true)); }

DATE_FN(F_DaysInMonth) {
  DateParts p = Decode(Real(argc, args, 0));
  result.SetReal(DaysInMonth(p.year, p.month));
}
DATE_FN(F_DaysInYear) { result.SetReal(IsLeap(Decode(Real(argc, args, 0)).year) ? 366 : 365); }
DATE_FN(F_LeapYear) { result.SetReal(IsLeap(Decode(Real(argc, args, 0)).year) ? 1 : 0); }
DATE_FN(F_IsToday) { result.SetReal(Decode(Real(argc, args, 0)).day == Decode(Now(true, false)).day ? 1 : 0); }

#undef DATE_FN

}  // namespace

void Function_Date_Bind() {
  ImplementFunction("date_current_datetime", F_CurrentDatetime);
  ImplementFunction("date_current_date", F_CurrentDate);
  ImplementFunction("date_current_time", F_CurrentTime);
  ImplementFunction("date_create_datetime", F_CreateDatetime);
  ImplementFunction("date_create_date", F_CreateDate);
  ImplementFunction("date_create_time", F_CreateTime);
  ImplementFunction("date_valid_datetime", F_ValidDatetime);
  ImplementFunction("date_valid_date", F_ValidDate);
  ImplementFunction("date_valid_time", F_ValidTime);
  ImplementFunction("date_inc_year", F_IncYear);
  ImplementFunction("date_inc_month", F_IncMonth);
  ImplementFunction("date_inc_week", F_IncWeek);
  ImplementFunction("date_inc_day", F_IncDay);
  ImplementFunction("date_inc_hour", F_IncHour);
  ImplementFunction("date_inc_minute", F_IncMinute);
  ImplementFunction("date_inc_second", F_IncSecond);
  ImplementFunction("date_get_year", F_GetYear);
  ImplementFunction("date_get_month", F_GetMonth);
  ImplementFunction("date_get_week", F_GetWeek);
  ImplementFunction("date_get_day", F_GetDay);
  ImplementFunction("date_get_hour", F_GetHour);
  ImplementFunction("date_get_weekday", F_GetWeekday);
  ImplementFunction("date_get_day_of_year", F_GetDayOfYear);
  ImplementFunction("date_get_hour_of_year", F_GetHourOfYear);
  ImplementFunction("date_year_span", F_YearSpan);
  ImplementFunction("date_month_span", F_MonthSpan);
  ImplementFunction("date_week_span", F_WeekSpan);
  ImplementFunction("date_day_span", F_DaySpan);
  ImplementFunction("date_hour_span", F_HourSpan);
  ImplementFunction("date_minute_span", F_MinuteSpan);
  ImplementFunction("date_second_span", F_SecondSpan);
  ImplementFunction("date_compare_datetime", F_CompareDatetime);
  ImplementFunction("date_compare_date", F_CompareDate);
  ImplementFunction("date_compare_time", F_CompareTime);
  ImplementFunction("date_date_of", F_DateOf);
  ImplementFunction("date_time_of", F_TimeOf);
  ImplementFunction("date_datetime_string", F_DatetimeString);
  ImplementFunction("date_date_string", F_DateString);
  ImplementFunction("date_time_string", F_TimeString);
  ImplementFunction("date_days_in_month", F_DaysInMonth);
  ImplementFunction("date_days_in_year", F_DaysInYear);
  ImplementFunction("date_leap_year", F_LeapYear);
  ImplementFunction("date_is_today", F_IsToday);
}
