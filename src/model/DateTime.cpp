#include "model/DateTime.h"

#include <algorithm>
#include <cmath>

namespace drumo {
namespace {

constexpr int64_t kMsPerDay = 86400000;
// Days from 1.3.0000 (proleptic Gregorian) to 30.12.1899, the zero of DateTime.
constexpr int64_t kEpochShift = 693899;
// 1.1.0001 00:00 and 31.12.9999 23:59:59.999.
constexpr double kFirstDay = -693593.0;
constexpr double kLastDay = 2958465.0 + 86399999.0 / kMsPerDay;

// Days since 1.3.0000 of a civil date (Howard Hinnant's days-from-civil, shifted).
int64_t DaysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2 ? 1 : 0;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

// Whole days and milliseconds of the day. Values before the zero keep the time of day as a
// positive fraction of their own day, the way the integer and fraction parts are read elsewhere.
void Split(DateTime value, int64_t& days, int64_t& ms) {
    // Values from damaged files may be anything; keep them to the years 1..9999.
    if (!std::isfinite(value)) value = 0;
    value = std::clamp(value, kFirstDay, kLastDay);
    double whole = std::floor(value);
    if (value < 0 && whole != value) whole = std::ceil(value);  // -1.25 is day -1, 06:00
    days = static_cast<int64_t>(whole);
    ms = std::llround(std::fabs(value - whole) * kMsPerDay);
    if (ms >= kMsPerDay) {
        ms -= kMsPerDay;
        days += value < 0 ? -1 : 1;
    }
}

}  // namespace

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool TryEncodeDate(int year, int month, int day, DateTime& out) {
    if (year < 1 || year > 9999 || month < 1 || month > 12) return false;
    if (day < 1 || day > DaysInMonth(year, month)) return false;
    out = static_cast<DateTime>(DaysFromCivil(year, month, day) - kEpochShift);
    return true;
}

bool TryEncodeTime(int hour, int minute, int second, int millisecond, DateTime& out) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
        millisecond < 0 || millisecond > 999) {
        return false;
    }
    out = ((hour * 3600 + minute * 60 + second) * 1000.0 + millisecond) / kMsPerDay;
    return true;
}

DateTime EncodeDate(int year, int month, int day) {
    DateTime d = 0;
    return TryEncodeDate(year, month, day, d) ? d : 0;
}

DateTime EncodeTime(int hour, int minute, int second, int millisecond) {
    DateTime t = 0;
    return TryEncodeTime(hour, minute, second, millisecond, t) ? t : 0;
}

DateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second,
                        int millisecond) {
    const DateTime d = EncodeDate(year, month, day);
    const DateTime t = EncodeTime(hour, minute, second, millisecond);
    return d >= 0 ? d + t : d - t;
}

CalendarTime DecodeDateTime(DateTime value) {
    int64_t days = 0, ms = 0;
    Split(value, days, ms);
    CalendarTime c;
    CivilFromDays(days + kEpochShift, c.Year, c.Month, c.Day);
    c.Hour = static_cast<int>(ms / 3600000);
    c.Minute = static_cast<int>(ms / 60000 % 60);
    c.Second = static_cast<int>(ms / 1000 % 60);
    c.Millisecond = static_cast<int>(ms % 1000);
    // 30.12.1899 was a Saturday.
    c.DayOfWeek = static_cast<int>(((days % 7) + 7 + 6) % 7);
    return c;
}

DateTime DateOf(DateTime value) {
    int64_t days = 0, ms = 0;
    Split(value, days, ms);
    return static_cast<DateTime>(days);
}

DateTime TimeOf(DateTime value) {
    int64_t days = 0, ms = 0;
    Split(value, days, ms);
    return static_cast<DateTime>(ms) / kMsPerDay;
}

int64_t SecondsBetween(DateTime later, DateTime earlier) {
    return std::llround((later - earlier) * 86400.0);
}

DateTime DateTimeFromUnix(std::time_t seconds) {
    std::tm local{};
    localtime_r(&seconds, &local);
    return EncodeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                          local.tm_min, local.tm_sec);
}

std::time_t DateTimeToUnix(DateTime value) {
    const CalendarTime c = DecodeDateTime(value);
    std::tm local{};
    local.tm_year = c.Year - 1900;
    local.tm_mon = c.Month - 1;
    local.tm_mday = c.Day;
    local.tm_hour = c.Hour;
    local.tm_min = c.Minute;
    local.tm_sec = c.Second;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

}  // namespace drumo
