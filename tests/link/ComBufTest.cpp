// Decoding the unsolicited sensor frames of older controllers.
#include "link/ComBuf.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace drumo {

class ComBufTest : public ::testing::Test {
protected:
    ComBufTest() {
        decoder.SetHandler([this](int sensor, double celsius) { readings.emplace_back(sensor, celsius); });
    }
    void Feed(const std::vector<uint8_t>& bytes) { decoder.PutBytes(bytes.data(), bytes.size()); }
    TComBuf decoder{7};
    std::vector<std::pair<int, double>> readings;
};

TEST_F(ComBufTest, TheWorkedFrameIsSensorOneAtZero) {
    Feed({0x40, 0x80, 0x80, 0x80, 0x80, 0xFB, 0xBE});
    ASSERT_EQ(readings.size(), 1u);
    EXPECT_EQ(readings[0].first, 1);
    EXPECT_EQ(readings[0].second, 0.0);
    EXPECT_TRUE(decoder.FrameShapeOk());
    EXPECT_TRUE(decoder.ChecksumOk());
    EXPECT_EQ(decoder.Count(), 7u);
}

TEST_F(ComBufTest, EncodedReadingsRoundTripOverTheWholeRange) {
    const std::pair<int, int> values[] = {{1, 21375}, {16, -5125}, {17, 0}, {100, 85000},
                                          {255, -55000}, {256, 8388607}};
    for (auto [sensor, milli] : values) Feed(EncodeSensorFrame(sensor, milli));
    ASSERT_EQ(readings.size(), std::size(values));
    for (size_t i = 0; i < std::size(values); ++i) {
        EXPECT_EQ(readings[i].first, values[i].first);
        EXPECT_DOUBLE_EQ(readings[i].second, values[i].second / 1000.0);
    }
}

TEST_F(ComBufTest, GarbageAndSplitFeedsStillYieldExactlyOneReading) {
    Feed({0x00, 0x13, 0x7F, 0x40, 0x41});  // bit 7 clear: never part of a frame's tail
    const auto frame = EncodeSensorFrame(42, -12345);
    Feed({frame.begin(), frame.begin() + 3});
    EXPECT_TRUE(readings.empty());
    Feed({frame.begin() + 3, frame.end()});
    ASSERT_EQ(readings.size(), 1u);
    EXPECT_EQ(readings[0].first, 42);
    EXPECT_DOUBLE_EQ(readings[0].second, -12.345);
    // The window slides on; the same bytes do not report twice.
    Feed({0x85});
    EXPECT_EQ(readings.size(), 1u);
}

TEST_F(ComBufTest, NoReadingMarkerBecomesAbsoluteZeroOnlyWhenPositive) {
    Feed(EncodeSensorFrame(3, 1000000));
    Feed(EncodeSensorFrame(4, -1000000));
    ASSERT_EQ(readings.size(), 2u);
    EXPECT_EQ(readings[0].second, -273.0);
    EXPECT_EQ(readings[1].second, -1000.0);
}

TEST_F(ComBufTest, AnyFlippedMagnitudeBitIsRejected) {
    const auto frame = EncodeSensorFrame(9, 23456);
    for (int byte = 2; byte <= 4; ++byte) {
        for (int bit = 0; bit < 7; ++bit) {
            auto broken = frame;
            broken[byte] ^= static_cast<uint8_t>(1 << bit);
            Feed(broken);
        }
    }
    EXPECT_TRUE(readings.empty());
}

TEST_F(ComBufTest, WithoutHandlerFramesAreCheckedAndDropped) {
    TComBuf bare(7);
    const auto frame = EncodeSensorFrame(1, 0);
    bare.PutBytes(frame.data(), frame.size());
    EXPECT_EQ(bare.SensorNumber(), 1);
    EXPECT_TRUE(bare.ChecksumOk());
}

TEST_F(ComBufTest, ShortFrameLengthNeverReadsPastTheWindow) {
    TComBuf small(3);
    int calls = 0;
    small.SetHandler([&](int, double) { ++calls; });
    const auto frame = EncodeSensorFrame(1, 0);
    small.PutBytes(frame.data(), frame.size());
    EXPECT_EQ(small.Count(), 3u);
    EXPECT_FALSE(small.FrameShapeOk());
    EXPECT_EQ(calls, 0);
}

}  // namespace drumo
