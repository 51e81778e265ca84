// The two older ".dmr" formats.

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <random>

#include "files/ArchiveReader.h"
#include "files/FilesTestSupport.h"
#include "link/Crc16.h"

namespace drumo {
namespace {

// A "[dmr]" file with its hash chain: every line hashed with the hash so far appended.
std::string SignedDmr(const std::vector<std::string>& lines, bool withSignature = true) {
    std::string file, hash;
    for (const auto& line : lines) {
        file += line + "\r\n";
        char buf[8];
        std::snprintf(buf, sizeof buf, "%04X", Crc16OfString(line + hash));
        hash = buf;
    }
    if (withSignature) file += hash + "\r\n";
    return file;
}

const std::vector<std::string> Lines = {
    "[dmr] Drumo",
    "second",
    "third",
    "Hexar-1/100 SN: 01234 Version: 2.3",
    "123 1 3",
    "50 150 250 ",
    "43074.5 2150 2175 100000 ",
    "43074.6 2151 ",
    "short",
    "43074.7 1 2 3 4 5 ",
    " ",
};

TEST(SignedDmr, LoadsOneDeviceWithItsCableAndConfirmsTheHashChain) {
    const ArchiveResult r = ReadDmr(SignedDmr(Lines));
    EXPECT_TRUE(r.Completed);
    EXPECT_TRUE(r.Signed);
    EXPECT_EQ(r.Damaged(), 0u);
    ASSERT_EQ(r.Devices.size(), 1u);
    const ArchiveDevice& d = r.Devices[0];
    EXPECT_TRUE(d.HasTypeName);
    EXPECT_EQ(d.TypeNameFromFile, "Hexar-1/100");
    EXPECT_EQ(d.Id.Serial, 1234);
    EXPECT_EQ(d.Id.Firmware, "2.3");
    EXPECT_EQ(d.Id.Year, 0);
    ASSERT_EQ(d.Cables.size(), 1u);
    const ArchiveCable& c = d.Cables[0];
    EXPECT_EQ(c.Serial, 123);
    EXPECT_EQ(c.Kind, 1);
    EXPECT_EQ(c.Labels, (std::vector<int16_t>{50, 150, 250}));
    ASSERT_EQ(c.Times.size(), 3u);
    EXPECT_DOUBLE_EQ(c.Times[0], 43074.5);
    EXPECT_EQ(c.Values[0], (std::vector<int16_t>{2150, 2151, 1}));
    EXPECT_EQ(c.Values[1], (std::vector<int16_t>{2175, ArchiveNoValue, 2}));
    // 100000 is no value; fields beyond the sensor count go to the last sensor.
    EXPECT_EQ(c.Values[2], (std::vector<int16_t>{ArchiveNoValue, ArchiveNoValue, 5}));
    EXPECT_EQ(r.ValidValues, 6u);
}

TEST(SignedDmr, ChangedLineMissingOrLastSeparatorLeavesItUnsigned) {
    std::string file = SignedDmr(Lines);
    file.replace(file.find("2151"), 4, "2152");
    EXPECT_FALSE(ReadDmr(file).Signed);
    // The separator as the last line: nothing to compare with.
    EXPECT_FALSE(ReadDmr(SignedDmr(Lines, false)).Signed);
    // No separator at all.
    std::vector<std::string> noSeparator(Lines.begin(), Lines.end() - 1);
    const ArchiveResult r = ReadDmr(SignedDmr(noSeparator, false));
    EXPECT_FALSE(r.Signed);
    EXPECT_TRUE(r.Completed);
    EXPECT_EQ(r.SampleCount, 3u);
}

TEST(SignedDmr, ShortDeviceLineLoadsNothingAndCountsAsConfirmed) {
    const ArchiveResult r = ReadDmr("[dmr]\r\na\r\nb\r\nabc\r\n");
    EXPECT_TRUE(r.Completed);
    EXPECT_TRUE(r.Signed);
    EXPECT_TRUE(r.Devices.empty());
}

TEST(SignedDmr, UnreadableNumbersEndTheFileAsNotCompleted) {
    std::vector<std::string> bad = Lines;
    bad[7] = "43074.6 21x1 ";
    const ArchiveResult r = ReadDmr(SignedDmr(bad));
    EXPECT_FALSE(r.Completed);
    EXPECT_EQ(r.StopLine, 8u);
    EXPECT_EQ(r.Devices.at(0).Cables.at(0).Times.size(), 2u);  // what was read stays

    bad = Lines;
    bad[3] = "Hexar-1/100 SN: 99999 Version: 2.3";  // serial beyond 16 bits
    EXPECT_FALSE(ReadDmr(SignedDmr(bad)).Completed);
    bad = Lines;
    bad[4] = "123 1 300";  // more sensors than a cable can have
    EXPECT_FALSE(ReadDmr(SignedDmr(bad)).Completed);
}

TEST(NumericDmr, ReadsSensorMajorLinesIntoSamples) {
    const std::string file =
        "3 77 4321 1\r\n"
        "1 0.5 43074.5 21.5\r\n"
        "1 0.5 43074.6 21.515\r\n"
        "2 1.005 43074.5 1000\r\n"     // 1000 means no value
        "2 1.005 43074.6 -273\r\n"
        "2 1.005 43074.7 22.25\r\n"    // past the last sample: stays on it
        "0 9 43074.5 5\r\n"            // index 0: skipped
        "4 9 43074.5 5\r\n"            // beyond the sensor count: skipped
        "\r\n"
        "3\t+2.5  4.30745e4 -5.125 rest\r\n";  // any blanks, numbers in any form, more than four
    const ArchiveResult r = ReadDmr(file);
    EXPECT_TRUE(r.Completed);
    // The format has no signature: its data never count as signed.
    EXPECT_FALSE(r.Signed);
    EXPECT_FALSE(r.CarriesSignature);
    ASSERT_EQ(r.Devices.size(), 1u);
    const ArchiveDevice& d = r.Devices[0];
    EXPECT_EQ(d.Id.DevType, 101);
    EXPECT_EQ(d.Id.Serial, 4321);
    EXPECT_EQ(d.Id.Firmware, "n/a");
    const ArchiveCable& c = d.Cables.at(0);
    EXPECT_EQ(c.Serial, 77);
    EXPECT_EQ(c.Kind, 1);
    // Positions in hundredths of a metre, halves to even.
    EXPECT_EQ(c.Labels, (std::vector<int16_t>{50, 100, 250}));
    ASSERT_EQ(c.Times.size(), 2u);
    EXPECT_EQ(c.Values[0], (std::vector<int16_t>{2150, 2152}));
    EXPECT_EQ(c.Values[1], (std::vector<int16_t>{ArchiveNoValue, 2225}));
    EXPECT_EQ(c.Values[2], (std::vector<int16_t>{-512, ArchiveNoValue}));
    EXPECT_EQ(r.ValidValues, 4u);
}

TEST(NumericDmr, BadHeadOrValueLinesStopTheFile) {
    EXPECT_FALSE(ReadDmr("300 1 1 1\r\n1 0 0 0\r\n").Completed);  // more than 255 sensors
    EXPECT_FALSE(ReadDmr("2 1 1\r\n1 0 0 0\r\n").Completed);      // three numbers only
    const ArchiveResult r = ReadDmr("2 1 1 1\r\n1 0.5 43074.5 20\r\nx y z w\r\n");
    EXPECT_FALSE(r.Completed);
    EXPECT_EQ(r.StopLine, 3u);
    EXPECT_EQ(r.SampleCount, 1u);
    // Far into the file (the lines are read in batches): the damaged line is named all the same.
    std::string many = "2 1 1 1\r\n";
    for (int k = 0; k < 70000; ++k) many += "1 0.5 " + std::to_string(43074 + k) + " 20\r\n";
    const ArchiveResult far = ReadDmr(many + "1 0.5 x 20\r\n1 0.5 43074.5 20\r\n");
    EXPECT_FALSE(far.Completed);
    EXPECT_EQ(far.StopLine, 70002u);
    EXPECT_EQ(far.SampleCount, 70000u);
    // A sensor number beyond +-1e9 is damaged; up to it, merely no sensor of the cable.
    EXPECT_TRUE(ReadDmr("2 1 1 1\r\n1000000000 0.5 43074.5 20\r\n").Completed);
    EXPECT_TRUE(ReadDmr("2 1 1 1\r\n-1000000000.4 0.5 43074.5 20\r\n").Completed);
    EXPECT_EQ(ReadDmr("2 1 1 1\r\n1000000001 0.5 43074.5 20\r\n").StopLine, 2u);
    EXPECT_EQ(ReadDmr("2 1 1 1\r\n-10000000000 0.5 43074.5 20\r\n").StopLine, 2u);
    // A value for a sensor before any sample time has nowhere to go.
    EXPECT_EQ(ReadDmr("2 1 1 1\r\n2 0.5 43074.5 20\r\n").ValidValues, 0u);
}

// Numbers of every shape, read as std::from_chars reads them (a leading "+" allowed): as sample
// times, kept exactly, and as temperatures in hundredths, halves to even. Short and long lines,
// any blanks; a token that is no number stops the file at its line.
TEST(NumericDmr, NumbersOfEveryShapeReadAsFromChars) {
    std::mt19937 random(26);
    const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const auto token = [&] {
        std::string t = std::vector<std::string>{"", "", "-", "+"}[pick(4)];
        for (int n = pick(19); n > 0; --n) t += static_cast<char>('0' + pick(10));
        if (pick(3) > 0) t += '.';
        for (int n = pick(3) == 0 ? pick(19) : pick(4); n > 0; --n) t += static_cast<char>('0' + pick(10));
        if (pick(20) == 0) t += "e-2";
        if (pick(30) == 0) t.insert(t.begin() + pick(static_cast<int>(t.size()) + 1), "x.\0,"[pick(4)]);
        return t;
    };
    const auto reference = [](const std::string& t, double& v) {
        const char* first = t.data() + (!t.empty() && t[0] == '+');
        const auto res = std::from_chars(first, t.data() + t.size(), v);
        return !t.empty() && res.ec == std::errc() && res.ptr == t.data() + t.size() && std::isfinite(v);
    };
    const auto blanks = [&] { return std::string(1 + pick(2), pick(2) ? ' ' : '\t'); };
    std::string file = "1 1 1 1\r\n";
    std::vector<double> times;
    std::vector<int16_t> values;
    for (int k = 0; k < 20000; ++k) {
        const std::string t = token(), value = token();
        double time, temperature;
        // The same sensor, its number and position written now and then otherwise.
        const std::string line = (pick(8) ? "1" : "01") + blanks() + (pick(8) ? "0.5" : "0.55") + blanks() + t +
                                 blanks() + value +
                                 (pick(4) == 0 ? std::string(60, ' ') + "rest" : std::string());
        if (!reference(t, time) || !reference(value, temperature)) {
            const ArchiveResult bad = ReadDmr("1 1 1 1\r\n1 0.5 1 1\r\n" + line + "\r\n");
            EXPECT_FALSE(bad.Completed) << line;
            EXPECT_EQ(bad.StopLine, 3u) << line;
            continue;
        }
        file += line + "\r\n";
        times.push_back(time);
        const double hundredths = std::nearbyint(temperature * 100.0);
        const bool none = temperature == 1000.0 || temperature == -273.0 || !(hundredths >= -32768) ||
                          !(hundredths <= 32767);
        values.push_back(none ? ArchiveNoValue : static_cast<int16_t>(hundredths));
    }
    const ArchiveResult r = ReadDmr(file);
    ASSERT_TRUE(r.Completed);
    const ArchiveCable& c = r.Devices.at(0).Cables.at(0);
    ASSERT_EQ(c.Times.size(), times.size());
    for (size_t k = 0; k < times.size(); ++k) {
        EXPECT_EQ(c.Times[k], times[k]) << k;
        EXPECT_EQ(c.Values[0][k], values[k]) << k;
    }
}

TEST(Dmr, AnEmptySecondLineLoadsNothing) {
    const ArchiveResult r = ReadDmr("3 77 4321 1\r\n\r\n1 0.5 43074.5 21.5\r\n");
    EXPECT_TRUE(r.Completed);
    EXPECT_TRUE(r.Signed);
    EXPECT_TRUE(r.Devices.empty());
    EXPECT_TRUE(ReadDmr("").Devices.empty());
}

// Reading a file from the disk, in pieces and passed to a sink as it goes, gives what the reader of
// bytes in memory gives, whether the file is read whole, stops at a damaged line or at a line
// without end; the file has no size limit of its own.
TEST(Dmr, FileOnDiskReadsAsTheSameBytesInMemory) {
    std::vector<std::string> damaged = Lines;
    damaged[7] = "43074.6 2151 x ";
    // Many pieces of the disk reader's buffer, with lines across their ends.
    std::string manyPieces = "3 77 4321 1\r\n";
    for (int i = 0; i < 40000; ++i)
        manyPieces += "1 0.5 " + std::to_string(43074.5 + i / 1000.0) + " " + std::to_string(i % 97) + "\r\n";
    ASSERT_EQ(ReadDmr(manyPieces).SampleCount, 40000u);
    const std::string files[] = {
        SignedDmr(Lines),
        SignedDmr(damaged),
        "3 77 4321 1\r\n1 0.5 43074.5 21.5\r\n2 1.5 43074.5 -273\r\n2 1.5 43074.6 9\r\n3 2 43074.5 4\r\n",
        "2 1 1 1\r\n1 0.5 43074.5 20\r\nx y z w\r\n",
        "3 77 4321 1\r\n1 0.5 43074.5 21.5\r\n" + std::string(3 << 20, '7'),
        manyPieces,
    };
    test::TempFolder dir;
    for (const std::string& bytes : files) {
        test::WriteFile(dir / "a.dmr", bytes);
        const ArchiveResult memory = ReadDmr(bytes), disk = LoadArhivLegacy(dir / "a.dmr");
        const std::string what = bytes.substr(0, 40);
        EXPECT_TRUE(disk.Opened) << what;
        EXPECT_EQ(disk.Signed, memory.Signed) << what;
        EXPECT_EQ(disk.StopLine, memory.StopLine) << what;
        EXPECT_EQ(disk.SampleCount, memory.SampleCount) << what;
        EXPECT_EQ(disk.ValidValues, memory.ValidValues) << what;
        ASSERT_EQ(disk.Devices.size(), memory.Devices.size()) << what;
        for (size_t d = 0; d < disk.Devices.size(); ++d) {
            ASSERT_EQ(disk.Devices[d].Cables.size(), memory.Devices[d].Cables.size()) << what;
            for (size_t c = 0; c < disk.Devices[d].Cables.size(); ++c) {
                EXPECT_EQ(disk.Devices[d].Cables[c].Times, memory.Devices[d].Cables[c].Times) << what;
                EXPECT_EQ(disk.Devices[d].Cables[c].Values, memory.Devices[d].Cables[c].Values) << what;
            }
        }
        // Only the line without end differs: the disk reader refuses it instead of holding it.
        if (bytes.size() > (1u << 20)) {
            EXPECT_FALSE(disk.Completed);
            EXPECT_EQ(disk.ReadError, "a line longer than 1048576 bytes");
        } else {
            EXPECT_EQ(disk.Completed, memory.Completed) << what;
        }
    }
}

}  // namespace
}  // namespace drumo
