// The pool of series pages: pages are whole, separate and reused, and a store that lets go of its
// series gives the memory back to the system.

#include "model/SeriesPages.h"
#include "model/Store.h"
#include "support/RecordingLog.h"
#include "support/ScriptedOperator.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <vector>

namespace drumo {
namespace {

constexpr size_t PagesPerChunk = SeriesPages::ChunkBytes / SeriesPages::PageBytes;

TEST(SeriesPages, PagesAreSeparateReusedAndTheirChunksGoBackWhenAllAreReturned) {
    const size_t before = SeriesPages::MappedBytes();
    // Pages of several chunks.
    std::vector<void*> pages;
    for (size_t i = 0; i < 3 * PagesPerChunk + 5; ++i) {
        pages.push_back(SeriesPages::Take());
        ASSERT_EQ(reinterpret_cast<uintptr_t>(pages.back()) % SeriesPages::PageBytes, 0u);
        std::memset(pages.back(), static_cast<int>(i), SeriesPages::PageBytes);
    }
    EXPECT_EQ(std::set<void*>(pages.begin(), pages.end()).size(), pages.size());
    for (size_t i = 0; i < pages.size(); i += 97) {
        const auto* bytes = static_cast<const unsigned char*>(pages[i]);
        EXPECT_EQ(bytes[0], static_cast<unsigned char>(i));
        EXPECT_EQ(bytes[SeriesPages::PageBytes - 1], static_cast<unsigned char>(i));
    }
    const size_t held = SeriesPages::MappedBytes();
    EXPECT_GE(held, before + 3 * SeriesPages::ChunkBytes);

    // A page given back is the next one taken: nothing new is mapped.
    void* const middle = pages[PagesPerChunk + 1];
    SeriesPages::Give(middle);
    pages[PagesPerChunk + 1] = SeriesPages::Take();
    EXPECT_EQ(pages[PagesPerChunk + 1], middle);
    EXPECT_EQ(SeriesPages::MappedBytes(), held);

    for (void* page : pages) SeriesPages::Give(page);
    EXPECT_EQ(SeriesPages::MappedBytes(), before);
}

TEST(SeriesPages, AStoreThatLetsGoOfItsSeriesReturnsTheirMemory) {
    test::RecordingLog log;
    test::ScriptedOperator op;
    const size_t before = SeriesPages::MappedBytes();
    MeasurementStore store(op, log);
    store.SetDeviceCount(2);
    std::vector<Temperature> values(40 * 3000, 2150);
    std::vector<DateTime> times(3000);
    for (size_t k = 0; k < times.size(); ++k) times[k] = 45000 + k * OneSecond;
    for (size_t d = 0; d < 2; ++d) {
        store.SetCableCount(d, 3);
        for (size_t c = 0; c < 3; ++c) {
            store.SetSensorCount(d, c, 40);
            store.AppendSamples(d, c, times, values);
        }
    }
    EXPECT_GT(SeriesPages::MappedBytes(), before);
    // Each cable: 40 series of two pages of values and its times in six pages, all counted.
    EXPECT_EQ(store.DataBytes(), 6u * (40 * 2 + 6) * SeriesPages::PageBytes);
    ASSERT_TRUE(store.ClearResults(false));
    EXPECT_EQ(SeriesPages::MappedBytes(), before);
    store.AppendSamples(1, 2, times, values);
    ASSERT_TRUE(store.ReleaseAll(false));
    EXPECT_EQ(SeriesPages::MappedBytes(), before);
}

}  // namespace
}  // namespace drumo
