// Windows-1251 conversion and the DateTime calendar.

#include "model/Cp1251.h"
#include "model/DateTime.h"

#include <gtest/gtest.h>

#include <limits>

namespace drumo {
namespace {

TEST(Cp1251, RussianTextConvertsBothWays) {
    const std::string utf8 = "Ёлка: ТЕРМОКОСА №5, ёж — «да» 20°C";
    const std::string bytes = Utf8ToCp1251(utf8);
    EXPECT_EQ(bytes.size(), 34u);  // one byte per character
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0xA8);   // Ё
    EXPECT_EQ(static_cast<unsigned char>(bytes[1]), 0xEB);   // л
    EXPECT_EQ(static_cast<unsigned char>(bytes[16]), 0xB9);  // №
    EXPECT_EQ(Cp1251ToUtf8(bytes), utf8);
    EXPECT_EQ(Utf8ToCp1251("АЯая"), "\xC0\xDF\xE0\xFF");
}

TEST(Cp1251, EveryByteSurvivesTheRoundTrip) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    EXPECT_EQ(Utf8ToCp1251(Cp1251ToUtf8(all)), all);
}

TEST(Cp1251, CharactersWithoutAFormAndBrokenUtf8BecomeQuestionMarks) {
    EXPECT_EQ(Utf8ToCp1251("a€b"), "a\x88" "b");        // the euro sign has a form
    EXPECT_EQ(Utf8ToCp1251("x中y"), "x?y");              // CJK has none
    EXPECT_EQ(Utf8ToCp1251("😀"), "?");                  // four-byte sequence, one mark
    EXPECT_EQ(Utf8ToCp1251("a\x80z"), "a?z");           // stray continuation byte
    EXPECT_EQ(Utf8ToCp1251("a\xD0"), "a?");             // truncated at the end
    EXPECT_EQ(Utf8ToCp1251("\xE2\x82" "b"), "?b");      // truncated in the middle
    EXPECT_EQ(Utf8ToCp1251("\xC0\xAF"), "?");           // overlong form of "/"
    EXPECT_EQ(Utf8ToCp1251("\xED\xA0\x80"), "?");       // surrogate
    EXPECT_EQ(Utf8ToCp1251(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(DateTime, KnownDaysOfTheCalendar) {
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDate(1899, 12, 31), 1.0);
    EXPECT_EQ(EncodeDate(1900, 3, 1), 61.0);
    EXPECT_EQ(EncodeDate(2000, 1, 1), 36526.0);
    EXPECT_EQ(EncodeDate(2024, 2, 29), 45351.0);
    EXPECT_DOUBLE_EQ(EncodeTime(12, 0, 0), 0.5);
    EXPECT_DOUBLE_EQ(EncodeTime(6, 0, 0) + 20 * OneSecond * 3 * 60 * 6, 0.5);
}

TEST(DateTime, InvalidPartsAreRejected) {
    DateTime out = 123;
    EXPECT_FALSE(TryEncodeDate(2023, 2, 29, out));
    EXPECT_FALSE(TryEncodeDate(2024, 13, 1, out));
    EXPECT_FALSE(TryEncodeDate(2024, 4, 31, out));
    EXPECT_FALSE(TryEncodeDate(0, 1, 1, out));
    EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0, out));
    EXPECT_FALSE(TryEncodeTime(0, 60, 0, 0, out));
    EXPECT_FALSE(TryEncodeTime(0, 0, 0, 1000, out));
    EXPECT_EQ(out, 123);
    EXPECT_TRUE(TryEncodeDate(2000, 2, 29, out));
    EXPECT_FALSE(TryEncodeDate(1900, 2, 29, out));
}

TEST(DateTime, DecodeGivesBackWhatWasEncoded) {
    for (int year : {1899, 1900, 1999, 2000, 2024, 2100}) {
        for (int month = 1; month <= 12; ++month) {
            const int day = DaysInMonth(year, month);
            const CalendarTime c = DecodeDateTime(EncodeDateTime(year, month, day, 23, 59, 58, 999));
            EXPECT_EQ(c.Year, year);
            EXPECT_EQ(c.Month, month);
            EXPECT_EQ(c.Day, day);
            EXPECT_EQ(c.Hour, 23);
            EXPECT_EQ(c.Minute, 59);
            EXPECT_EQ(c.Second, 58);
            EXPECT_EQ(c.Millisecond, 999);
        }
    }
    EXPECT_EQ(DecodeDateTime(EncodeDate(2026, 12, 9)).DayOfWeek, 3);  // a Wednesday
}

TEST(DateTime, ValuesJustBelowAWholeSecondDecodeToThatSecond) {
    // Times computed as start + n * 20 s carry rounding error in the last bits.
    const DateTime start = EncodeDateTime(2024, 1, 1, 0, 0, 0);
    const DateTime t = start + 129600 * (20 * OneSecond);
    const CalendarTime c = DecodeDateTime(t);
    EXPECT_EQ(c.Month, 1);
    EXPECT_EQ(c.Day, 31);
    EXPECT_EQ(c.Hour, 0);
    EXPECT_EQ(c.Second, 0);
    EXPECT_EQ(c.Millisecond, 0);
    EXPECT_EQ(DecodeDateTime(EncodeTime(10, 0, 7) - 1e-12).Second, 7);
    // A value a hair below midnight belongs to the next day.
    const CalendarTime m = DecodeDateTime(EncodeDate(2024, 3, 1) - 1e-10);
    EXPECT_EQ(m.Day, 1);
    EXPECT_EQ(m.Hour, 0);
    EXPECT_EQ(DateOf(EncodeDate(2024, 3, 1) - 1e-10), EncodeDate(2024, 3, 1));
    EXPECT_EQ(TimeOf(EncodeDate(2024, 3, 1) - 1e-10), 0.0);
    EXPECT_EQ(SecondsBetween(t, start), 129600 * 20);
}

TEST(DateTime, AbsurdValuesDecodeWithinTheCalendar) {
    // Times read from damaged files can be anything; decoding must stay defined.
    EXPECT_EQ(DecodeDateTime(1e300).Year, 9999);
    EXPECT_EQ(DecodeDateTime(-1e300).Year, 1);
    EXPECT_EQ(DecodeDateTime(std::numeric_limits<double>::quiet_NaN()), DecodeDateTime(0));
    EXPECT_EQ(DecodeDateTime(std::numeric_limits<double>::infinity()), DecodeDateTime(0));
    const CalendarTime last = DecodeDateTime(EncodeDateTime(9999, 12, 31, 23, 59, 59, 999));
    EXPECT_EQ(last.Day, 31);
    EXPECT_EQ(last.Millisecond, 999);
    const CalendarTime before = DecodeDateTime(-1.25);  // day -1, 06:00
    EXPECT_EQ(before.Day, 29);
    EXPECT_EQ(before.Hour, 6);
}

TEST(DateTime, UnixSecondsInLocalTimeRoundTrip) {
    const DateTime d = EncodeDateTime(2025, 7, 14, 10, 20, 30);
    EXPECT_EQ(DateTimeFromUnix(DateTimeToUnix(d)), d);
}

}  // namespace
}  // namespace drumo
