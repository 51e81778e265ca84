// The pure encodings of the link: the Modbus CRC and the sign-and-magnitude numbers.
#include "link/Crc16.h"
#include "link/SignMagnitude.h"

#include <gtest/gtest.h>

#include <vector>

namespace drumo {

TEST(Crc16, KnownTextsGiveTheirCheckValues) {
    EXPECT_EQ(Crc16OfString("123456789"), 0x374B);
    EXPECT_EQ(Crc16OfString(""), 0xFFFF);
    EXPECT_EQ(Crc16OfString("abc"), 0x4957);
    const uint8_t digits[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(Crc16(digits, sizeof digits), 0x4B37);
}

// Every length and split point against the bitwise definition: the table-driven CRC takes bytes
// several at a time, and a text may be checked in two pieces.
TEST(Crc16, AgreesWithTheBitwiseDefinitionForEveryLengthAndSplit) {
    const auto bitwise = [](const std::vector<uint8_t>& bytes) {
        unsigned crc = 0xFFFF;
        for (uint8_t b : bytes) {
            crc ^= b;
            for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
        }
        return static_cast<uint16_t>(crc);
    };
    std::vector<uint8_t> bytes;
    for (unsigned i = 0; i < 40; ++i) {
        EXPECT_EQ(Crc16(bytes.data(), bytes.size()), bitwise(bytes)) << i;
        for (size_t cut = 0; cut <= bytes.size(); ++cut)
            EXPECT_EQ(Crc16Continue(Crc16(bytes.data(), cut), bytes.data() + cut, bytes.size() - cut), bitwise(bytes));
        bytes.push_back(static_cast<uint8_t>(i * 97 + 13));
    }
}

TEST(Crc16, AppendedCrcMatchesTheWorkedRequestFrames) {
    uint8_t read[8] = {0x01, 0x03, 0x00, 0x00, 0x00, 0x01};
    AppendCrc16(read, 6);
    EXPECT_EQ(read[6], 0x84);
    EXPECT_EQ(read[7], 0x0A);
    uint8_t ident[4] = {0x01, 0x11};
    AppendCrc16(ident, 2);
    EXPECT_EQ(ident[2], 0xC0);
    EXPECT_EQ(ident[3], 0x2C);
}

TEST(Crc16, FrameWithItsOwnCrcChecksToZeroAndAnyFlippedBitDoesNot) {
    std::vector<uint8_t> frame = {0x11, 0x03, 0x06, 0xAE, 0x41, 0x56, 0x52, 0x43, 0x40, 0, 0};
    AppendCrc16(frame.data(), frame.size() - 2);
    EXPECT_EQ(Crc16(frame.data(), frame.size()), 0);
    for (size_t i = 0; i < frame.size(); ++i) {
        for (int bit = 0; bit < 8; ++bit) {
            auto broken = frame;
            broken[i] ^= static_cast<uint8_t>(1u << bit);
            EXPECT_NE(Crc16(broken.data(), broken.size()), 0) << "byte " << i << " bit " << bit;
        }
    }
}

TEST(SignMagnitude, DecodesFifteenAndTwentyThreeBitNumbers) {
    EXPECT_EQ(SignMagnitudeToInt(0x80, 0x0C, -1), -12);
    EXPECT_EQ(SignMagnitudeToInt(0x81, 0x02, 0x03), -66051);
    EXPECT_EQ(SignMagnitudeToInt(0x7F, 0xFF, -1), 32767);
    EXPECT_EQ(SignMagnitudeToInt(0x7F, 0xFF, 0xFF), 0x7FFFFF);
    EXPECT_EQ(SignMagnitudeToInt(0x00, 0x00, 0x00), 0);
}

TEST(SignMagnitude, EncodesWithHalvesToEvenAndTheSignInBitSeven) {
    uint8_t hi = 0, lo = 0;
    IntToSignMagnitude(-12.5, hi, lo);
    EXPECT_EQ(hi, 0x80);
    EXPECT_EQ(lo, 0x0C);
    IntToSignMagnitude(13.5, hi, lo);
    EXPECT_EQ(hi, 0x00);
    EXPECT_EQ(lo, 0x0E);
    IntToSignMagnitude(300.4, hi, lo);
    EXPECT_EQ(SignMagnitudeToInt(hi, lo, -1), 300);
    IntToSignMagnitude(-1234.6, hi, lo);
    EXPECT_EQ(SignMagnitudeToInt(hi, lo, -1), -1235);
}

TEST(SignMagnitude, OversizedMagnitudeNeverSpillsIntoTheSignBit) {
    uint8_t hi = 0, lo = 0;
    IntToSignMagnitude(40000.0, hi, lo);
    EXPECT_EQ(SignMagnitudeToInt(hi, lo, -1), 32767);
    IntToSignMagnitude(-1e9, hi, lo);
    EXPECT_EQ(SignMagnitudeToInt(hi, lo, -1), -32767);
}

}  // namespace drumo
