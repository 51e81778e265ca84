// Date, time and number texts, the interval table and colours.

#include "model/Colors.h"
#include "model/Formats.h"
#include "model/Intervals.h"

#include <gtest/gtest.h>

namespace drumo {
namespace {

TEST(DateTimeTexts, WrittenInTheProgramsOwnFormat) {
    const DateTime t = EncodeDateTime(2026, 3, 7, 9, 5, 4);
    EXPECT_EQ(DateText(t), "07.03.26");
    EXPECT_EQ(TimeText(t), "09:05:04");
    EXPECT_EQ(DateTimeText(t), "07.03.26 09:05:04");
    // A value a hair below the next second is written as that second.
    EXPECT_EQ(TimeText(EncodeTime(23, 59, 59) + OneSecond - 1e-11), "00:00:00");
    EXPECT_EQ(DateText(EncodeDate(2026, 3, 8) - 1e-11), "08.03.26");
    EXPECT_EQ(DateText(EncodeDate(1999, 12, 31)), "31.12.99");
}

TEST(DateTimeTexts, ReadBackIntoTheGivenCentury) {
    DateTime d = 0;
    ASSERT_TRUE(TryParseDate("07.03.26", d, 2000));
    EXPECT_EQ(d, EncodeDate(2026, 3, 7));
    ASSERT_TRUE(TryParseDate("31.12.99", d, 2000));
    EXPECT_EQ(d, EncodeDate(2099, 12, 31));
    ASSERT_TRUE(TryParseDate("01.01.00", d, 2100));
    EXPECT_EQ(d, EncodeDate(2100, 1, 1));
    ASSERT_TRUE(TryParseDate(" 1.2.2024 ", d, 2000));  // short parts, four-digit year
    EXPECT_EQ(d, EncodeDate(2024, 2, 1));
    ASSERT_TRUE(TryParseDate("29.02.24", d));          // the current century
    EXPECT_EQ(DecodeDateTime(d).Year % 100, 24);

    DateTime t = 0;
    ASSERT_TRUE(TryParseDateTime("07.03.26 09:05:04", t, 2000));
    EXPECT_EQ(DateTimeText(t), "07.03.26 09:05:04");
    ASSERT_TRUE(TryParseTime("23:59", t));
    EXPECT_EQ(TimeText(t), "23:59:00");
    // Every second of a day survives the round trip.
    for (int s = 0; s < 86400; s += 7) {
        DateTime back = -1;
        const DateTime value = EncodeDate(2025, 6, 30) + s * OneSecond;
        ASSERT_TRUE(TryParseDateTime(DateTimeText(value), back, 2000));
        ASSERT_EQ(DateTimeText(back), DateTimeText(value));
        ASSERT_NEAR(back, value, 1e-9);
    }
}

TEST(DateTimeTexts, NonsenseIsRejectedAndLeavesTheValue) {
    DateTime d = 123.0;
    for (const char* bad : {"", "  ", "32.01.24", "29.02.23", "00.01.24", "01.13.24", "1.2",
                            "01.02.2", "01.02.024", "01-02-24", "aa.bb.cc", "01.02.24x",
                            "01..02.24", "001.02.24", "01.02.24.5", "+1.02.24", "01.02.24 10:00"}) {
        EXPECT_FALSE(TryParseDate(bad, d, 2000)) << bad;
    }
    for (const char* bad : {"", "24:00:00", "12:60:00", "12:00:60", "12", "1:2:3:4", "12:00:",
                            "123:00", "12:00:00.5", "-1:00", "ab:cd"}) {
        EXPECT_FALSE(TryParseTime(bad, d)) << bad;
    }
    for (const char* bad : {"07.03.26", "07.03.26 25:00:00", "32.03.26 10:00:00", "07.03.26T10:00"}) {
        EXPECT_FALSE(TryParseDateTime(bad, d, 2000)) << bad;
    }
    EXPECT_EQ(d, 123.0);
}

TEST(NumberTexts, ShortestFormWithTheDecimalMark) {
    EXPECT_EQ(NumberText(21.53, '.'), "21.53");
    EXPECT_EQ(NumberText(21.5, ','), "21,5");
    EXPECT_EQ(NumberText(100.0, '.'), "100");
    EXPECT_EQ(NumberText(-50.0, '.'), "-50");
    EXPECT_EQ(NumberText(-0.0, '.'), "0");
    EXPECT_EQ(NumberText(0.1 + 0.2, '.'), "0.3");  // 15 significant digits
    EXPECT_EQ(NumberText(1.0 / 3, '.'), "0.333333333333333");
    EXPECT_EQ(NumberText(0.0001, '.'), "0.0001");
    EXPECT_EQ(NumberText(1e-7, '.'), "1E-7");
    EXPECT_EQ(NumberText(1.5e20, ','), "1,5E20");
    EXPECT_EQ(NumberText(123456789012345.0, '.'), "123456789012345");
    EXPECT_EQ(HundredthsText(-27300), "-273");
    EXPECT_EQ(HundredthsText(2150), "21.5");
    EXPECT_EQ(HundredthsText(-5), "-0.05");
}

TEST(NumberTexts, ProgramWideMarkIsUsedAndReadBack) {
    SetDecimalMark(',');
    EXPECT_EQ(DecimalMark(), ',');
    EXPECT_EQ(NumberText(-12.25), "-12,25");
    double v = 0;
    EXPECT_TRUE(TryParseNumber("-12,25", v));
    EXPECT_EQ(v, -12.25);
    EXPECT_FALSE(TryParseNumber("-12.25", v));  // the other mark is not a number here
    SetDecimalMark('x');                          // anything but "," means "."
    EXPECT_EQ(DecimalMark(), '.');
    EXPECT_EQ(HundredthsText(2153), "21.53");
}

TEST(NumberTexts, ParsingAcceptsNumbersOnly) {
    double v = 7;
    EXPECT_TRUE(TryParseNumber(" +3.5 ", v, '.'));
    EXPECT_EQ(v, 3.5);
    EXPECT_TRUE(TryParseNumber("1E-7", v, '.'));
    EXPECT_EQ(v, 1e-7);
    EXPECT_TRUE(TryParseNumber("1,5e+20", v, ','));
    EXPECT_EQ(v, 1.5e20);
    EXPECT_TRUE(TryParseNumber("5.", v, '.'));
    EXPECT_EQ(v, 5.0);
    EXPECT_TRUE(TryParseNumber(".5", v, '.'));
    EXPECT_EQ(v, 0.5);
    v = 7;
    for (const char* bad : {"", " ", "-", ".", "1.2.3", "1e", "1e+", "12a", "inf", "nan", "0x10",
                            "1 2", "--1", "1e999"}) {
        EXPECT_FALSE(TryParseNumber(bad, v, '.')) << bad;
    }
    EXPECT_EQ(v, 7);
    // Values written read back as the same value (to the 15 digits written).
    for (double x : {0.0, 100.0, -50.0, 21.53, -273.15, 12345.678, 1e-9}) {
        double back = 0;
        ASSERT_TRUE(TryParseNumber(NumberText(x, ','), back, ','));
        EXPECT_EQ(back, x);
    }
    double seventh = 0;
    ASSERT_TRUE(TryParseNumber(NumberText(1.0 / 7, '.'), seventh, '.'));
    EXPECT_NEAR(seventh, 1.0 / 7, 1e-15);
}

TEST(NumberTexts, Integers) {
    int v = 0;
    EXPECT_TRUE(TryParseInt("-16777201", v));
    EXPECT_EQ(v, -16777201);
    EXPECT_TRUE(TryParseInt(" 42 ", v));
    EXPECT_EQ(v, 42);
    EXPECT_TRUE(TryParseInt("$FF00000F", v));
    EXPECT_EQ(v, -16777201);
    EXPECT_TRUE(TryParseInt("0x10", v));
    EXPECT_EQ(v, 16);
    EXPECT_TRUE(TryParseInt("-2147483648", v));
    EXPECT_EQ(v, INT32_MIN);
    v = 5;
    for (const char* bad : {"", "+", "2147483648", "-2147483649", "99999999999999999999", "1.0",
                            "12x", "$", "0x", "$1FFFFFFFF", "1 2"}) {
        EXPECT_FALSE(TryParseInt(bad, v)) << bad;
    }
    EXPECT_EQ(v, 5);
}

TEST(Intervals, TableOfFourteenChoices) {
    EXPECT_EQ(IntervalCaption(0), "20 секунд");
    EXPECT_EQ(IntervalSeconds(0), 20);
    EXPECT_EQ(IntervalCaption(2), "1 минута");
    EXPECT_EQ(IntervalMs(4), 300000);
    EXPECT_EQ(IntervalCaption(8), "1 час");
    EXPECT_EQ(IntervalCaption(13), "24 часа");
    EXPECT_EQ(IntervalSeconds(13), 86400);
    for (int i = 1; i < IntervalCount; ++i) EXPECT_GT(IntervalSeconds(i), IntervalSeconds(i - 1));
    EXPECT_FALSE(IsIntervalIndex(14));
    EXPECT_FALSE(IsIntervalIndex(-1));
    EXPECT_EQ(IntervalSeconds(99), 86400);  // clamped, never past the table
    EXPECT_EQ(IntervalSeconds(-3), 20);
}

TEST(Colors, ByteOrderAndSystemColours) {
    EXPECT_EQ(RgbColor(255, 128, 0), 33023);         // orange
    EXPECT_EQ(RgbColor(0, 64, 128), 8404992);        // dark blue
    EXPECT_EQ(ColorToRgb(13158600), (Rgb{200, 200, 200}));
    EXPECT_EQ(ColorToRgb(65535), (Rgb{255, 255, 0}));
    EXPECT_EQ(clBtnFace, -16777201);
    EXPECT_TRUE(IsSystemColor(-16777201));
    EXPECT_EQ(SystemColorIndex(-16777201), 15);
    EXPECT_EQ(ColorToRgb(clBtnFace), (Rgb{240, 240, 240}));
    EXPECT_EQ(ColorToRgb(SystemColor(5)), (Rgb{255, 255, 255}));
    EXPECT_EQ(ColorToRgb(SystemColor(200)), Rgb{});
    EXPECT_FALSE(IsSystemColor(clRed));
}

TEST(NumberTexts, HundredthsGiveTheShortestDecimalWithTheChosenMark) {
    EXPECT_EQ(HundredthsText(2150, '.'), "21.5");
    EXPECT_EQ(HundredthsText(2100, '.'), "21");
    EXPECT_EQ(HundredthsText(2153, ','), "21,53");
    EXPECT_EQ(HundredthsText(5, '.'), "0.05");
    EXPECT_EQ(HundredthsText(-5001, '.'), "-50.01");
    EXPECT_EQ(HundredthsText(-50, '.'), "-0.5");
    EXPECT_EQ(HundredthsText(0, '.'), "0");
    EXPECT_EQ(HundredthsText(-32768, '.'), "-327.68");
}

TEST(NumberTexts, CountdownCountsHoursPastADayAndNeverGoesNegative) {
    EXPECT_EQ(CountdownText(0), "00:00:00");
    EXPECT_EQ(CountdownText(61.0 / 86400), "00:01:01");
    EXPECT_EQ(CountdownText(1.0), "24:00:00");
    EXPECT_EQ(CountdownText(-5.0 / 86400), "00:00:00");
}

}  // namespace
}  // namespace drumo
