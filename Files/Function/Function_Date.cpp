// Dates and times. A date-time is a real: whole days since 30 December 1899 plus the time of day as
// a fraction of a day, in local time. Calendar arithmetic uses the proleptic Gregorian calendar.
#include <sys/time.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>

#include "Function/Function_Library.h"

using namespace Library;

namespace {

// Days from 1 January 1970 to the given civil date.
int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  int64_t era = (y >= 0 ? y : y - 399) / 400;
  int64_t yoe = y - era * 400;
  int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int64_t& y, int& m, int& d) {
  z += 719468;
  int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  int64_t doe = z - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = yoe + era * 400 + (m <= 2);
}

constexpr int64_t kEpochOffset = 25569;  // days from 30 December 1899 to 1 January 1970
constexpr double kMaxDays = 1e9;         // dates further out are not calendar dates

bool IsLeap(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
int DaysInMonth(int64_t y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

struct Parts {
  int64_t year = 1899;
  int month = 12, day = 30, hour = 0, minute = 0, second = 0;
  int64_t days = 0;  // whole days since the epoch of date-times
};

Parts Split(double value) {
  Parts p;
  if (!std::isfinite(value) || std::fabs(value) > kMaxDays) value = 0;
  double whole = std::floor(value);
  int64_t seconds = static_cast<int64_t>(std::llround((value - whole) * 86400.0));
  int64_t days = static_cast<int64_t>(whole);
  if (seconds >= 86400) {
    seconds -= 86400;
    ++days;
  }
  p.days = days;
  CivilFromDays(days - kEpochOffset, p.year, p.month, p.day);
  p.hour = static_cast<int>(seconds / 3600);
  p.minute = static_cast<int>(seconds / 60 % 60);
  p.second = static_cast<int>(seconds % 60);
  return p;
}

double Join(int64_t y, int m, int d, double seconds) {
  return static_cast<double>(DaysFromCivil(y, m, d) + kEpochOffset) + seconds / 86400.0;
}

bool ValidDate(double y, double m, double d) {
  if (y != std::floor(y) || m != std::floor(m) || d != std::floor(d)) return false;
  if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1) return false;
  return d <= DaysInMonth(static_cast<int64_t>(y), static_cast<int>(m));
}

bool ValidTime(double h, double mi, double s) {
  if (h != std::floor(h) || mi != std::floor(mi) || s != std::floor(s)) return false;
  return h >= 0 && h < 24 && mi >= 0 && mi < 60 && s >= 0 && s < 60;
}

double Now() {
  timeval tv;
  gettimeofday(&tv, nullptr);
  time_t t = tv.tv_sec;
  tm local;
  localtime_r(&t, &local);
  double seconds = local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + tv.tv_usec / 1e6;
  return Join(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, seconds);
}

double A(int argc, RValue* args, int i) { return ArgReal(argc, args, i); }

void F_CurrentDatetime(RValue& r, CInstance*, CInstance*, int, RValue*) { r.SetReal(Now()); }
void F_CurrentDate(RValue& r, CInstance*, CInstance*, int, RValue*) { r.SetReal(std::floor(Now())); }
void F_CurrentTime(RValue& r, CInstance*, CInstance*, int, RValue*) {
  double now = Now();
  r.SetReal(now - std::floor(now));
}

// The create functions give 0 for a date or time that does not exist.
void F_CreateDatetime(RValue& r, CInstance*, CInstance*, int argc, RValue* args) {
  if (!ValidDate(A(argc, args, 0), A(argc, args, 1), A(argc, args, 2)) ||
      !ValidTime(A(argc, args, 3), A(argc, args, 4), A(argc, args, 5))) {
    return;
  }
  r.SetReal(Join(static_cast<int64_t>(A(argc, args, 0)), static_cast<int>(A(argc, args, 1)),
                 static_cast<int>(A(argc, args, 2)),
                 A(argc, args, 3) * 3600 + A(argc, args, 4) * 60 + A(argc, args, 5)));
}
void F_CreateDate(RValue& r, CInstance*, CInstance*, int argc, RValue* args) {
  if (!ValidDate(A(argc, args, 0), A(argc, args, 1), A(argc, args, 2))) return;
  r.SetReal(Join(static_cast<int64_t>(A(argc, args, 0)), static_cast<int>(A(argc, args, 1)),
                 static_cast<int>(A(argc, args, 2)), 0));
}
void F_CreateTime(RValue& r, CInstance*, CInstance*, int argc, RValue* args) {
  if (!ValidTime(A(argc, args, 0), A(argc, args, 1), A(argc, args, 2))) return;
  r.SetReal((A(argc, args, 0) * 3600 + A(argc, args, 1) * 60 + A(argc, args, 2)) / 86400.0);
}
void F_ValidDatetime(RValue& r, CInstance*, CInstance*, int argc, RValue* args) {
  r.SetReal(ValidDate(A(argc, args, 0), A(argc, args, 1), A(argc, args, 2)) &&
                    ValidTime(A(argc, args, 3), A(argc, args, 4), A(argc, args, 5))
                ? 1
                : 0);
}
void F_ValidDate(RValue& r, CInstance*, CInstance*, int argc, RValue* args) {
  r.SetReal(ValidDate(A(argc, args, 0), A(argc, args, 1), A(argc, args, 2)) ? 1 : 0);
}
void F_ValidTime(RValue& r, CInstance*, CInstance*, int argc, RValue* args) {
  r.SetReal(ValidTime(A(argc, args, 0), A(argc, args, 1), A(argc, args, 2)) ? 1 : 0);
}

// Adds whole months, keeping the time of day; a day beyond the new month's end becomes its last.
double AddMonths(double date, int64_t months) {
  Parts p = Split(date);
  int64_t total = p.year * 12 + (p.month - 1) + months;
  int64_t y = total >= 0 ? total / 12 : (total - 11) / 12;
  int m = static_cast<int>(total - y * 12) + 1;
  int d = std::min(p.day, DaysInMonth(y, m));
  return Join(y, m, d, p.hour * 3600.0 + p.minute * 60.0 + p.second);
}
int64_t WholeAmount(double x) { return std::isfinite(x) ? static_cast<int64_t>(std::trunc(std::fmax(std::fmin(x, 1e8), -1e8))) : 0; }
void F_IncYear(RValue& r, CInstance*, CInstance*, int argc, RValue* args) {
  r.SetReal(AddMonths(A(argc, args, 0), WholeAmount(A(argc, args, 1)) * 12));
}
void F_IncMonth(RValue& r, CInstance*, CInstance*, int argc, RValue* args) {
  r.SetReal(AddMonths(A(argc, args, 0), WholeAmount(A(argc, args, 1))));
}
template <int SecondsPerUnit>
void F_IncBy(RValue& r, CInstance*, CInstance*, int argc, RValue* args) {
  r.SetReal(A(argc, args, 0) + A(argc, args, 1) * SecondsPerUnit / 86400.0);
}

void F_GetYear(RValue& r, CInstance*, CInstance*, int argc, RValue* args) { r.SetReal(static_cast<double>(Split(A(argc, args, 0)).year)); }
void F_GetMonth(RValue& r, CInstance*, CInstance*, int argc, RValue* args) { r.SetReal(Split(A(argc, args, 0)).month); }
void F_GetDay(RValue& r, CInstance*, CInstance*, int argc, RValue* args) { r.SetReal(Split(A(argc, args, 0)).day); }
void F_GetHour(RValue& r, CInstance*, CInstance*, int argc, RValue* args) { r.SetReal(Split(A(argc, args, 0)).hour); }
int DayOfYear(const Parts& p) {
  return static_cast<int>(DaysFromCivil(p.year, p.month, p.day) - DaysFromCivil(p.year, 1, 1)) + 1;
}
// Sunday is 0, Saturday 6 (30 December 1899 was a Saturday).
void F_GetWeekday(RValue& r, CInstance*, CInstance*, int argc, RValue* args) {
  int64_t days = Split(A(argc, args, 0)).days;
  r.SetReal(static_cast<double>(((days + 6) % 7 + 7) % 7));
}
void F_GetDayOfYear(RValue& r, CInstance*, CInstance*, int argc, RValue* args) { r.SetReal(DayOfYear(Split(A(argc, args, 0)))); }
void F_GetHourOfYear(RValue& r, CInstance*, CInstance*, int argc, RValue* args) {
  Parts p = Split(A(argc, args, 0));
  r.SetReal((DayOfYear(p) - 1) * 24.0 + p.hour);
}
// Weeks are counted from 1 January: days 1-7 are week 1.
void F_GetWeek(RValue& r, CInstance*, CInstance*, int argc, RValue* args) {
  r.SetReal((DayOfYear(Split(A(argc, args, 0))) - 1) / 7 + 1);
}

// The spans are absolute and count incomplete units as fractions.
double MonthSpan(double a, double b) {
  if (a > b) std::swap(a, b);
  Parts pa = Split(a);
  Parts pb = Split(b);
  int64_t months = (pb.year - pa.year) * 12 + (pb.month - pa.month);
  if (AddMonths(a, months) > b) --months;
  double start = AddMonths(a, months);
  double next = AddMonths(a, months + 1);
  double part = next > start ? (b - start) / (next - start) : 0.0;
  return static_cast<double>(months) + part;
}
void F_YearSpan(RValue& r, CInstance*, CInstance*, int argc, RValue* args) { r.SetReal(MonthSpan(A(argc, args, 0), A(argc, args, 1)) / 12.0); }
void F_MonthSpan(RValue& r, CInstance*, CInstance*, int argc, RValue* args) { r.SetReal(MonthSpan(A(argc, args, 0), A(argc, args, 1))); }
template <int UnitsPerDay, int DaysPerUnit>
void F_Span(RValue& r, CInstance*, CInstance*, int argc, RValue* args) {
  r.SetReal(std::fabs(A(argc, args, 1) - A(argc, args, 0)) * UnitsPerDay / DaysPerUnit);
}

int Sign(double d) { return d < 0 ? -1 : (d > 0 ? 1 : 0); }
// Compared to the second.
void F_CompareDatetime(RValue& r, CInstance*, CInstance*, int argc, RValue* args) {
  Parts a = Split(A(argc, args, 0)), b = Split(A(argc, args, 1));
  double sa = a.days * 86400.0 + a.hour * 3600 + a.minute * 60 + a.second;
  double sb = b.days * 86400.0 + b.hour * 3600 + b.minute * 60 + b.second;
  r.SetReal(Sign(sa - sb));
}
void F_CompareDate(RValue& r, CInstance*, CInstance*, int argc, RValue* args) {
  r.SetReal(Sign(static_cast<double>(Split(A(argc, args, 0)).days - Split(A(argc, args, 1)).days)));
}
void F_CompareTime(RValue& r, CInstance*, CInstance*, int argc, RValue* args) {
  Parts a = Split(A(argc, args, 0)), b = Split(A(argc, args, 1));
  r.SetReal(Sign((a.hour * 3600 + a.minute * 60 + a.second) - (b.hour * 3600 + b.minute * 60 + b.second)));
}
void F_DateOf(RValue& r, CInstance*, CInstance*, int argc, RValue* args) { r.SetReal(static_cast<double>(Split(A(argc, args, 0)).days)); }
void F_TimeOf(RValue& r, CInstance*, CInstance*, int argc, RValue* args) {
  Parts p = Split(A(argc, args, 0));
  r.SetReal((p.hour * 3600.0 + p.minute * 60.0 + p.second) / 86400.0);
}

// Texts: the date as YYYY-MM-DD, the time as HH:MM:SS.
void F_DatetimeString(RValue& r, CInstance*, CInstance*, int argc, RValue* args) {
  Parts p = Split(A(argc, args, 0));
  char buffer[96];
  std::snprintf(buffer, sizeof buffer, "%04lld-%02d-%02d %02d:%02d:%02d", static_cast<long long>(p.year),
                p.month, p.day, p.hour, p.minute, p.second);
  SetStringResult(r, buffer);
}
void F_DateString(RValue& r, CInstance*, CInstance*, int argc, RValue* args) {
  Parts p = Split(A(argc, args, 0));
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%04lld-%02d-%02d", static_cast<long long>(p.year), p.month, p.day);
  SetStringResult(r, buffer);
}
void F_TimeString(RValue& r, CInstance*, CInstance*, int argc, RValue* args) {
  Parts p = Split(A(argc, args, 0));
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", p.hour, p.minute, p.second);
  SetStringResult(r, buffer);
}
void F_DaysInMonth(RValue& r, CInstance*, CInstance*, int argc, RValue* args) {
  Parts p = Split(A(argc, args, 0));
  r.SetReal(DaysInMonth(p.year, p.month));
}
void F_DaysInYear(RValue& r, CInstance*, CInstance*, int argc, RValue* args) { r.SetReal(IsLeap(Split(A(argc, args, 0)).year) ? 366 : 365); }
void F_LeapYear(RValue& r, CInstance*, CInstance*, int argc, RValue* args) { r.SetReal(IsLeap(Split(A(argc, args, 0)).year) ? 1 : 0); }
void F_IsToday(RValue& r, CInstance*, CInstance*, int argc, RValue* args) {
  r.SetReal(Split(A(argc, args, 0)).days == Split(Now()).days ? 1 : 0);
}

}  // namespace

double Date_FromParts(int year, int month, int day, int hour, int minute, int second) {
  return Join(year, month, day, hour * 3600.0 + minute * 60.0 + second);
}
double Date_Now() { return Now(); }

void Function_Date_Implement() {
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
  ImplementFunction("date_inc_week", F_IncBy<7 * 86400>);
  ImplementFunction("date_inc_day", F_IncBy<86400>);
  ImplementFunction("date_inc_hour", F_IncBy<3600>);
  ImplementFunction("date_inc_minute", F_IncBy<60>);
  ImplementFunction("date_inc_second", F_IncBy<1>);
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
  ImplementFunction("date_week_span", F_Span<1, 7>);
  ImplementFunction("date_day_span", F_Span<1, 1>);
  ImplementFunction("date_hour_span", F_Span<24, 1>);
  ImplementFunction("date_minute_span", F_Span<1440, 1>);
  ImplementFunction("date_second_span", F_Span<86400, 1>);
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
