// The ".dml" archive format: the written bytes, the check bytes, and reading them back.

#include <gtest/gtest.h>

#include "files/ArchiveReader.h"
#include "files/ArchiveStore.h"
#include "files/Crc8.h"
#include "files/FilesTestSupport.h"
#include "model/Cp1251.h"

namespace drumo {
namespace {

using test::AddDevice;
using test::ExampleDevice;

const DateTime Saved = EncodeDateTime(2017, 12, 5, 14, 3, 22);

std::string Cp(const std::string& utf8) { return Utf8ToCp1251(utf8); }

// The file after its four header lines.
std::string Body(const std::string& file) {
    size_t pos = 0;
    for (int i = 0; i < 4; ++i) pos = file.find("\r\n", pos) + 2;
    return file.substr(pos);
}

std::string SaveToString(const MeasurementStore& store) { return DmlBytes(store, "3.0.0.20", Saved); }

// Replaces the first occurrence of `from` in the file.
std::string Patched(std::string file, const std::string& from, const std::string& to) {
    const size_t at = file.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) file.replace(at, from.size(), to);
    return file;
}

class ArchiveFormat : public ::testing::Test {
protected:
    NullLog log_;
    ConsoleOperator op_{false};
    MeasurementStore store_{op_, log_};
};

TEST(Crc8, IsTheDallasOneWireCrc) {
    EXPECT_EQ(Crc8("123456789"), 161);
    EXPECT_EQ(Crc8(""), 0);
    // Feeding in pieces gives the same register as feeding at once.
    EXPECT_EQ(Crc8Update(Crc8("1234"), "56789"), 161);

    // Against the polynomial applied bit by bit, from every start value, for every length around
    // the eight-byte blocks and the long pieces of 64 bytes and more (computed another way).
    std::string text;
    for (int i = 0; i < 300; ++i) {
        const uint8_t start = static_cast<uint8_t>(i * 101);
        uint8_t reference = start;
        for (unsigned char c : text) {
            reference ^= c;
            for (int bit = 0; bit < 8; ++bit)
                reference = (reference & 1) ? static_cast<uint8_t>((reference >> 1) ^ 0x8C)
                                            : static_cast<uint8_t>(reference >> 1);
        }
        EXPECT_EQ(Crc8Update(start, text), reference) << text.size();
        text.push_back(static_cast<char>(i * 37 + 11));
    }
}

TEST_F(ArchiveFormat, WorkedExampleIsWrittenByteForByte) {
    AddDevice(store_, ExampleDevice());
    const std::string file = SaveToString(store_);
    const std::string expectedHead = "//[dml] Created by Drumo 3.0.0.20 05.12.17 14:03:22\r\n" +
                                     Cp("//Предупреждение: Внесение изменений в данные приведет к "
                                        "нарушению электронной подписи\r\n//Комментарии:\r\n//\r\n");
    EXPECT_EQ(file.substr(0, expectedHead.size()), expectedHead);
    const std::string expectedBody =
        "\r\n"
        "D103 SN 01234 Y  2017 F 1.5   A 00001 \xA9 Silo 1\r\n"
        "T1   SN 00123              50    150\r\n"
        "05.12.17 14:03:22 n/a    2150   2175 (036)\r\n"
        "05.12.17 14:08:22 n/a    2150 -27300 (028)\r\n";
    EXPECT_EQ(Body(file), expectedBody);

    // 036 is the register over CR LF, the device line, CR LF, the cable line, CR LF and the first
    // sample line up to " ("; 028 covers the second line alone.
    EXPECT_EQ(Crc8("\r\nD103 SN 01234 Y  2017 F 1.5   A 00001 \xA9 Silo 1\r\n"
                   "T1   SN 00123              50    150\r\n05.12.17 14:03:22 n/a    2150   2175"),
              36);
    EXPECT_EQ(Crc8("05.12.17 14:08:22 n/a    2150 -27300"), 28);
}

TEST_F(ArchiveFormat, SavedStoreReadsBackEqualAndSigned) {
    test::DeviceSpec a = ExampleDevice();
    a.Comment = "Силос №3, северная сторона";
    a.Cables.push_back({-5, 4, {0, 100, 200}, {{Saved, {1234, NoValue, -4000}}}});
    a.Cables.push_back({40000 - 65536, 0, {}, {}});  // a cable without sensors
    test::DeviceSpec b;
    b.DevType = 105;
    b.Serial = 65535;
    b.Address = 247;
    b.Firmware = "2.10 beta FAY";  // only five characters fit the field
    AddDevice(store_, a);
    AddDevice(store_, b);

    const ArchiveResult r = ReadDml(SaveToString(store_));
    EXPECT_TRUE(r.Completed);
    EXPECT_TRUE(r.Signed);
    EXPECT_EQ(r.Damaged(), 0u);
    ASSERT_EQ(r.Devices.size(), 2u);
    EXPECT_EQ(r.Devices[0].Id.Comment, "Силос №3, северная сторона");
    EXPECT_EQ(r.Devices[0].Id.Firmware, "1.5  ");  // the field is read with its padding
    EXPECT_EQ(r.Devices[1].Id.Serial, 65535);
    EXPECT_EQ(r.Devices[1].Id.Address, 247);
    EXPECT_EQ(r.Devices[1].Id.Year, 0);
    EXPECT_EQ(r.Devices[1].Id.Firmware, "2.10 ");
    EXPECT_TRUE(r.Devices[1].Cables.empty());

    const auto& cables = r.Devices[0].Cables;
    ASSERT_EQ(cables.size(), 3u);
    EXPECT_EQ(cables[0].Labels, (std::vector<int16_t>{50, 150}));
    EXPECT_EQ(cables[0].Values[1], (std::vector<int16_t>{2175, NoValue}));
    EXPECT_EQ(cables[1].Kind, 4);
    EXPECT_EQ(cables[1].Serial, -5);
    EXPECT_EQ(cables[1].Values[2], (std::vector<int16_t>{-4000}));
    EXPECT_EQ(cables[2].Serial, 40000 - 65536);
    EXPECT_TRUE(cables[2].Labels.empty());
    // NoValue is read back as NoValue and not counted.
    EXPECT_EQ(r.ValidValues, 3u + 2u);
    EXPECT_DOUBLE_EQ(r.FirstSampleTime, Saved);
    EXPECT_NEAR(r.LastSampleTime, Saved + 5 * OneMinute, OneMillisecond);
}

TEST_F(ArchiveFormat, AChangedDeviceLineBreaksTheSignatureWithoutDamage) {
    AddDevice(store_, ExampleDevice());
    const std::string file = SaveToString(store_);
    for (const auto& [from, to] : std::vector<std::pair<std::string, std::string>>{
             {"SN 01234", "SN 01235"}, {"Silo 1", "Silo 2"}, {"00123 ", "00124 "}, {"   2150   2175", "   2151   2175"}}) {
        const ArchiveResult r = ReadDml(Patched(file, from, to));
        EXPECT_FALSE(r.Signed) << from;
        EXPECT_EQ(r.Damaged(), 0u) << from;
        EXPECT_TRUE(r.Completed);
    }
    // The second sample line vouches only for itself.
    const ArchiveResult second = ReadDml(Patched(file, "-27300 (028)", "-27300 (029)"));
    EXPECT_FALSE(second.Signed);
    // Header and comment lines are not protected.
    EXPECT_TRUE(ReadDml(Patched(file, "//\r\n", "//checked by the lab\r\n")).Signed);
}

TEST_F(ArchiveFormat, DamagedLinesAreCountedWithTheirNumbersAndSkipped) {
    AddDevice(store_, ExampleDevice());
    std::string file = SaveToString(store_);
    // Lines: 1-4 header, 5 empty, 6 device, 7 cable, 8 and 9 samples.
    file = Patched(file, "05.12.17 14:08:22", "05.13.17 14:08:22");  // no 13th month
    file += "\r\nD1x3 SN 00001 Y  2017 F 1.5   A 00001 \xA9 bad type\r\n";      // line 11
    file += "D103 SN 99999 Y  2017 F 1.5   A 00001 \xA9 serial too big\r\n";   // line 12
    file += "D103 SN 00001 Y 70000 F 1.5   A 00001 \xA9 year too big\r\n";     // line 13
    file += "D103 SN 00001 Y  2017 F 1.5   A 65536 \xA9 address too big\r\n";  // line 14
    file += "Tx   SN 00001              50\r\n";                                // 15: kind not a digit
    file += "T1   SN 00001              50  40000\r\n";                         // 16: label too big
    file += "T1   SN 00001              50    abc\r\n";                         // 17: label text
    file += "T1   SN 70000              50\r\n";                                // 18: serial too big
    file += "05.12.1\r\n";                                                      // short: skipped
    const ArchiveResult r = ReadDml(file);
    EXPECT_EQ(r.DamagedLines, (std::vector<size_t>{9, 11, 12, 13, 14, 15, 16, 17, 18}));
    EXPECT_TRUE(r.Completed);
    ASSERT_EQ(r.Devices.size(), 1u);
    EXPECT_EQ(r.Devices[0].Cables[0].Times.size(), 1u);  // the bad date added no sample
}

TEST_F(ArchiveFormat, LinesOutOfPlaceAreSkippedSilently) {
    const std::string file =
        "T1   SN 00123              50    150\r\n"           // cable before any device
        "05.12.17 14:03:22 n/a    2150   2175 (036)\r\n"      // sample before any cable
        "D103 SN 01234 Y  2017 F 1.5   A 00001 \xA9 Silo 1\r\n"
        "05.12.17 14:03:22 n/a    2150   2175 (036)\r\n";     // sample after a device, no cable
    const ArchiveResult r = ReadDml(file);
    EXPECT_EQ(r.Damaged(), 0u);
    ASSERT_EQ(r.Devices.size(), 1u);
    EXPECT_TRUE(r.Devices[0].Cables.empty());
    EXPECT_TRUE(r.Signed);

    const ArchiveResult none = ReadDml("//[dml] Created by Drumo 1.0\r\n\r\nsome words here\r\n");
    EXPECT_TRUE(none.Completed);
    EXPECT_TRUE(none.Signed);
    EXPECT_TRUE(none.Devices.empty());
}

TEST_F(ArchiveFormat, SampleLinesShortOfFieldsGiveNoValue) {
    const std::string file =
        "\r\nD103 SN 01234 Y  2017 F 1.5   A 00001 \xA9 Silo 1\r\n"
        "T1   SN 00123              50    150    250\r\n"
        "05.12.17 14:03:22 n/a    2150 (000)\r\n"            // one field, check field read as text
        "05.12.17 14:04:22 n/a    2150  2x175    123 (000)\r\n";  // unreadable field
    const ArchiveResult r = ReadDml(file);
    EXPECT_EQ(r.Damaged(), 0u);
    const auto& c = r.Devices.at(0).Cables.at(0);
    ASSERT_EQ(c.Times.size(), 2u);
    EXPECT_EQ(c.Values[0], (std::vector<int16_t>{2150, 2150}));
    EXPECT_EQ(c.Values[1], (std::vector<int16_t>{NoValue, NoValue}));
    EXPECT_EQ(c.Values[2], (std::vector<int16_t>{NoValue, 123}));
    EXPECT_EQ(r.ValidValues, 3u);
    EXPECT_FALSE(r.Signed);
}

TEST_F(ArchiveFormat, ACableWithoutSensorsKeepsItsSampleTimes) {
    const std::string file =
        "D103 SN 01234 Y  2017 F 1.5   A 00001 \xA9 Silo 1\r\n"
        "T1   SN 00123\r\n"
        "05.12.17 14:03:22 n/a (000)\r\n"
        "05.12.17 14:04:22 n/a (000)\r\n";
    const ArchiveResult r = ReadDml(file);
    const auto& c = r.Devices.at(0).Cables.at(0);
    EXPECT_TRUE(c.Labels.empty());
    EXPECT_EQ(c.Times.size(), 2u);
    EXPECT_EQ(r.Damaged(), 0u);
}

TEST_F(ArchiveFormat, TemperaturesBeyondSixteenBitsAreNotWrapped) {
    const std::string file =
        "D103 SN 01234 Y  2017 F 1.5   A 00001 \xA9 Silo 1\r\n"
        "T1   SN 00123              50    150\r\n"
        "05.12.17 14:03:22 n/a   40000 -32768 (000)\r\n";
    const ArchiveResult r = ReadDml(file);
    const auto& c = r.Devices.at(0).Cables.at(0);
    EXPECT_EQ(c.Values[0][0], NoValue);
    EXPECT_EQ(c.Values[1][0], -32768);
}

TEST_F(ArchiveFormat, TemperatureFieldsReadAsTheFilesIntegers) {
    // Every field of seven characters reads as ParseFileInt16 reads it, or gives no value: edge
    // cases, then random fields (mostly in the written form: spaces, perhaps a sign, digits; the
    // others of digits, signs and spaces), in every position of a line of 20 fields, the last one
    // also cut off right after its field.
    // Groups of eight as a save writes them (the second of seven digits each), then other forms.
    std::vector<std::string> fields = {
        "     12", "0000007", "  32767", "  32768", " -32768", " -32769", "9999999", "-000012",
        "1234567", "0000000", "0032767", "0032768", "0000001", "0012345", "0000100", "9999999",
        "-27300 ", "  +0012", "      -", "      +", "  - 123", "  12 34", "       ", "  -0   ", "    -0", "-0",
        "   1-2 ", "  ++12 ", "\t   123", "  12:34", "   /123", "  -+12", "+  12", "-123456", "\xB0\xB1 123",
        "  10000", " -10000", "-9999  ", "   -  1", " 0-0000",
        // A line's first eight as devices give them, of four digits at most.
        "   2150", "  -1500", "      0", "  -9999", "   9999", "     -5", "   0001", "  -0000"};
    constexpr size_t Sensors = 20;
    uint32_t seed = 7;
    auto next = [&seed](uint32_t n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % n;
    };
    for (int i = 0; i < 6000; ++i) {
        std::string f;
        // Every other line holds mostly temperatures as devices give them, of four digits at most.
        const bool shortLine = fields.size() / Sensors % 2 == 0;
        if (next(shortLine ? 40 : 10) > 0) {
            const size_t digits = 1 + next(shortLine ? 4 : 7);
            for (size_t k = 0; k < digits; ++k) f += static_cast<char>('0' + next(10));
            if (digits < 7 && next(3) == 0) f = "-" + f;
            f = std::string(7 - f.size(), ' ') + f;
        } else {
            for (int k = 0; k < 7; ++k) f += "0123456789    -+"[next(16)];
        }
        fields.push_back(f);
    }
    std::string file = "D103 SN 01234 Y  2017 F 1.5   A 00001 \xA9 Silo 1\r\nT1   SN 00123" + std::string(9, ' ');
    for (size_t s = 0; s < Sensors; ++s) file += "     50";
    file += "\r\n";
    for (size_t i = 0; i < fields.size(); i += Sensors) {
        std::string line = "05.12.17 14:03:22 n/a ";
        for (size_t s = 0; s < Sensors; ++s) line += (fields[(i + s) % fields.size()] + "       ").substr(0, 7);
        file += line + " (000)\r\n" + line + "\r\n";
    }
    const ArchiveResult r = ReadDml(file);
    const auto& c = r.Devices.at(0).Cables.at(0);
    ASSERT_EQ(c.Times.size(), 2 * ((fields.size() + Sensors - 1) / Sensors));
    uint32_t valid = 0;
    for (size_t k = 0; k < c.Times.size(); ++k) {
        for (size_t s = 0; s < Sensors; ++s) {
            const std::string f = (fields[(k / 2 * Sensors + s) % fields.size()] + "       ").substr(0, 7);
            int16_t expected = NoValue;
            ParseFileInt16(f, expected);
            ASSERT_EQ(c.Values[s][k], expected) << "'" << f << "'";
            valid += expected != NoValue;
        }
    }
    EXPECT_EQ(r.ValidValues, valid);
}

TEST_F(ArchiveFormat, SampleLinesOfOneDayShareTheirDateButEachIsChecked) {
    // A date read once serves the lines after it that begin with it; a date or time that does not
    // exist makes its line damaged however often it comes.
    std::string file = "D103 SN 01234 Y  2017 F 1.5   A 00001 \xA9 Silo 1\r\nT1   SN 00123              50\r\n";
    for (const char* time : {"05.12.17 14:03:22", "05.12.17 14:04:22", "31.02.17 10:00:00", "31.02.17 10:00:01",
                             "05.12.17 25:00:00", "05.12.17-14:05:22", "05.12.17 14:05:22", "06.12.17 00:00:00"})
        file += std::string(time) + " n/a     150 (000)\r\n";
    const ArchiveResult r = ReadDml(file);
    EXPECT_EQ(r.DamagedLines, (std::vector<size_t>{5, 6, 7, 8}));
    const auto& times = r.Devices.at(0).Cables.at(0).Times;
    EXPECT_EQ(times, (std::vector<DateTime>{EncodeDateTime(2017, 12, 5, 14, 3, 22), EncodeDateTime(2017, 12, 5, 14, 4, 22),
                                            EncodeDateTime(2017, 12, 5, 14, 5, 22), EncodeDateTime(2017, 12, 6, 0, 0, 0)}));
}

TEST_F(ArchiveFormat, OtherFieldWidthsAndSamplesAfterAFailedCableLine) {
    // A width of 5 found from the first label; the failed second cable line leaves its samples to
    // the first cable, read with that cable's width. A field that does not parse is no value.
    const std::string file =
        "D103 SN 01234 Y  2017 F 1.5   A 00001 \xA9 Silo 1\r\n"
        "T2   SN 00001            50  150\r\n"
        "05.12.17 14:03:22 n/a  2150 2175 (000)\r\n"
        "T2   SN 0000x            50  150\r\n"
        "05.12.17 14:04:22 n/a  21x1 2176 (000)\r\n";
    const ArchiveResult r = ReadDml(file);
    EXPECT_EQ(r.DamagedLines, (std::vector<size_t>{4}));
    const auto& c = r.Devices.at(0).Cables;
    ASSERT_EQ(c.size(), 1u);
    EXPECT_EQ(c[0].Values[0], (std::vector<int16_t>{2150, NoValue}));
    EXPECT_EQ(c[0].Values[1], (std::vector<int16_t>{2175, 2176}));
    EXPECT_EQ(r.ValidValues, 3u);
}

TEST_F(ArchiveFormat, LineEndsOtherThanCrLfAndAMissingLastLineEnd) {
    AddDevice(store_, ExampleDevice());
    std::string file = SaveToString(store_);
    file.resize(file.size() - 2);  // no CR LF after the last line
    EXPECT_TRUE(ReadDml(file).Signed);
    std::string lf;
    for (char ch : file)
        if (ch != '\r') lf += ch;
    const ArchiveResult r = ReadDml(lf);
    EXPECT_TRUE(r.Signed);  // the check bytes cover CR LF, whatever the file holds
    EXPECT_EQ(r.SampleCount, 2u);
}

TEST_F(ArchiveFormat, FileReaderAgreesWithTheInMemoryReader) {
    test::TempFolder dir;
    AddDevice(store_, ExampleDevice());
    // Enough samples to cross the reader's piece boundaries many times.
    test::DeviceSpec big;
    big.Cables.push_back({1, 7, std::vector<int16_t>(100, 50), {}});
    auto value = [](int k, int s) { return static_cast<int16_t>((k * 7919 + s * 13) % 65536 - 32768); };
    for (int k = 0; k < 3000; ++k) {
        std::vector<int16_t> row(100);
        for (int s = 0; s < 100; ++s) row[s] = value(k, s);
        big.Cables[0].Samples.push_back({Saved + k * OneSecond, row});
    }
    AddDevice(store_, big);
    const std::string bytes = SaveToString(store_);
    test::WriteFile(dir / "a.dml", bytes);
    const ArchiveResult fromFile = LoadArhivFile(dir / "a.dml");
    const ArchiveResult inMemory = ReadDml(bytes);
    EXPECT_TRUE(fromFile.Opened && fromFile.Completed && fromFile.Signed);
    EXPECT_EQ(fromFile.SampleCount, 3002u);
    EXPECT_EQ(fromFile.ValidValues, inMemory.ValidValues);
    EXPECT_EQ(fromFile.Devices.at(1).Cables.at(0).Values[99], inMemory.Devices.at(1).Cables.at(0).Values[99]);
    // Every value of every 16 bits comes back as it was, across the pages of the series.
    const auto& values = fromFile.Devices.at(1).Cables.at(0).Values;
    for (int k = 0; k < 3000; ++k)
        for (int s = 0; s < 100; ++s) ASSERT_EQ(values[s][k], value(k, s)) << k << " " << s;

    EXPECT_FALSE(LoadArhivFile(dir / "missing.dml").Opened);
    EXPECT_FALSE(LoadArhivFile(dir.Path()).Opened);  // a folder is not a file
}

}  // namespace
}  // namespace drumo
