#pragma once
// Points in time as the whole program keeps them: a double counting days since 30.12.1899 00:00,
// local time, with the time of day as the fraction. Day 1 is 31.12.1899; 1.1.2000 is day 36526.

#include <cstdint>
#include <ctime>

namespace drumo {

using DateTime = double;

inline constexpr DateTime OneSecond = 1.0 / 86400.0;
inline constexpr DateTime OneMinute = 60.0 / 86400.0;
inline constexpr DateTime OneHour = 3600.0 / 86400.0;
inline constexpr DateTime OneMillisecond = OneSecond / 1000.0;

// A DateTime taken apart. Decoding rounds to the nearest millisecond, so a value a hair below a
// whole second (as sums of OneSecond produce) reads as that whole second.
struct CalendarTime {
    int Year = 1899;
    int Month = 12;
    int Day = 30;
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    int Millisecond = 0;
    int DayOfWeek = 6;  // 0 Sunday .. 6 Saturday

    bool operator==(const CalendarTime&) const = default;
};

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);  // 0 for a month outside 1..12

// Checked conversions: false (and `out` untouched) when a part is out of range.
// Years 1..9999 are accepted.
bool TryEncodeDate(int year, int month, int day, DateTime& out);
bool TryEncodeTime(int hour, int minute, int second, int millisecond, DateTime& out);

// Unchecked forms for values known to be valid; an invalid part gives 0.
DateTime EncodeDate(int year, int month, int day);
DateTime EncodeTime(int hour, int minute, int second, int millisecond = 0);
DateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second,
                        int millisecond = 0);

CalendarTime DecodeDateTime(DateTime value);

// The whole day and the time of day of a value, rounded to the millisecond as DecodeDateTime does.
DateTime DateOf(DateTime value);
DateTime TimeOf(DateTime value);

// Seconds between two values, rounded to the nearest whole second.
int64_t SecondsBetween(DateTime later, DateTime earlier);

// A moment of the system clock (seconds since 1970 UTC) as local DateTime, and back.
DateTime DateTimeFromUnix(std::time_t seconds);
std::time_t DateTimeToUnix(DateTime value);

}  // namespace drumo
