// The one rule of every device write: composed only from a complete read, changed values as typed,
// the others exactly as read.

#include "link/ReadSnapshot.h"

#include <gtest/gtest.h>

namespace drumo::test {
namespace {

using Words = std::vector<uint16_t>;

TEST(ReadSnapshot, WritesAreComposedOnlyFromACompleteRead) {
    const uint16_t read[] = {2, 100, 9, 5};  // raw device values, two of them unlisted
    struct Case {
        const char* Name;
        size_t Received;  // of 4 asked
        Words Shown, Wanted;
        std::optional<Words> Block;
    };
    const Case cases[] = {
        {"nothing changed: every value as read, raw", 4, {3, 1, 5, 0}, {3, 1, 5, 0}, Words{2, 100, 9, 5}},
        {"one changed: only it as typed", 4, {3, 1, 5, 0}, {3, 1, 5, 1}, Words{2, 100, 9, 1}},
        {"all changed", 4, {3, 1, 5, 0}, {4, 0, 2, 1}, Words{4, 0, 2, 1}},
        {"a short read leaves nothing to write", 3, {3, 1, 5}, {3, 1, 5}, std::nullopt},
        {"an empty reply leaves nothing to write", 0, {}, {}, std::nullopt},
        {"blocks of another length are refused", 4, {3, 1, 5}, {3, 1, 5, 0}, std::nullopt},
    };
    for (const auto& c : cases) {
        ReadSnapshot snapshot;
        EXPECT_EQ(snapshot.Take(read, c.Received, 4), c.Received == 4) << c.Name;
        EXPECT_EQ(snapshot.Compose(c.Shown, c.Wanted), c.Block) << c.Name;
    }
}

TEST(ReadSnapshot, AFailedReadDropsTheSnapshotHeldBefore) {
    const uint8_t first[] = {20, 1, 0}, second[] = {30, 0};
    ReadSnapshot snapshot;
    ASSERT_TRUE(snapshot.Take(first, 3, 3));
    EXPECT_EQ(snapshot.Values(), (Words{20, 1, 0}));
    EXPECT_FALSE(snapshot.Take(second, 2, 3)) << "the device may have changed since the first read";
    EXPECT_FALSE(snapshot.Held());
    EXPECT_FALSE(snapshot.Compose({20, 1, 0}, {20, 1, 0}));
}

}  // namespace
}  // namespace drumo::test
