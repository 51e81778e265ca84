#include "acquisition/ManagerRows.h"

#include <gtest/gtest.h>

namespace drumo {

// Devices with 2, 0 and 1 cables: rows 1-2 the first device, 3 the second, 4 the third.
TEST(ManagerRows, DevicesWithTwoNoAndOneCableMapBothWays) {
    const std::vector<int> cables{2, 0, 1};
    EXPECT_EQ(ListedRowCount(cables), 4);
    EXPECT_EQ(RowOfCable(cables, 0, 0), 1);
    EXPECT_EQ(RowOfCable(cables, 0, 1), 2);
    EXPECT_EQ(RowOfCable(cables, 1, 0), 3);
    EXPECT_EQ(RowOfCable(cables, 2, 0), 4);
    EXPECT_EQ(CableOfRow(cables, 1), (CableRef{0, 0}));
    EXPECT_EQ(CableOfRow(cables, 2), (CableRef{0, 1}));
    EXPECT_EQ(CableOfRow(cables, 3), (CableRef{1, 0}));
    EXPECT_EQ(CableOfRow(cables, 4), (CableRef{2, 0}));
}

TEST(ManagerRows, RowsOutsideTheListMapToNothing) {
    const std::vector<int> cables{2, 0, 1};
    EXPECT_FALSE(CableOfRow(cables, 0));
    EXPECT_FALSE(CableOfRow(cables, 5));
    EXPECT_FALSE(CableOfRow(cables, -1));
    EXPECT_FALSE(CableOfRow({}, 1));
    EXPECT_EQ(ListedRowCount({}), 0);
}

TEST(ManagerRows, EveryCableRoundTripsThroughItsRow) {
    const std::vector<int> cables{3, 1, 0, 6, 0, 0, 2};
    const int rows = ListedRowCount(cables);
    for (int r = 1; r <= rows; ++r) {
        const auto ref = CableOfRow(cables, r);
        ASSERT_TRUE(ref) << r;
        EXPECT_EQ(RowOfCable(cables, ref->Device, ref->Cable), r);
    }
}

TEST(ManagerRows, SelectionRefusesSearchHeaderRowsPastTheListAndTheSameRow) {
    EXPECT_TRUE(RowSelectable(false, 2, 4, 1));
    EXPECT_FALSE(RowSelectable(true, 2, 4, 1));
    EXPECT_FALSE(RowSelectable(false, 0, 4, 1));
    EXPECT_FALSE(RowSelectable(false, 5, 4, 1));
    EXPECT_FALSE(RowSelectable(false, 1, 4, 1));
    EXPECT_FALSE(RowSelectable(false, 1, 0, 0));
}

TEST(ManagerRows, TableTextEndsEveryCellWithTabAndEveryRowWithCrLf) {
    EXPECT_EQ(TableText({{"Адрес", "SN"}, {"1", ""}}), "Адрес\tSN\t\r\n1\t\t\r\n");
    EXPECT_EQ(TableText({}), "");
}

}  // namespace drumo
