#include "model/ViewTexts.h"

#include <gtest/gtest.h>

namespace drumo {

TEST(ViewTexts, DeviceNumberIsPaddedAndShowsOnlyRealYears) {
    EXPECT_EQ(DeviceNumberText(42, 2010), "00042  2010 г.");
    EXPECT_EQ(DeviceNumberText(42, 2098), "00042  2098 г.");
    EXPECT_EQ(DeviceNumberText(42, 2009), "00042");
    EXPECT_EQ(DeviceNumberText(42, 2099), "00042");
    EXPECT_EQ(DeviceNumberText(42, 0), "00042");
    EXPECT_EQ(DeviceNumberText(65535, 0), "65535");
    EXPECT_EQ(ConnectedText(2, 31), "тк: 2/дат: 31");
}

TEST(ViewTexts, CableItemsShowSerialOrPlaceholderForKindZero) {
    EXPECT_EQ(CableItemText(0, 2, 1234, 1, 16), "1/2 SNтк 1234 дат:16");
    EXPECT_EQ(CableItemText(1, 2, 0, 0, 8), "2/2 SNтк [ --- ] дат:8");
    // A cable of kind 0 never shows a serial, even one the file happened to carry.
    EXPECT_EQ(CableItemText(0, 1, 77, 0, 3), "1/1 SNтк [ --- ] дат:3");
}

TEST(ViewTexts, TableHeadingsFollowTheCableKind) {
    EXPECT_EQ(LabelHeader(0), " №дат");
    EXPECT_EQ(LabelHeader(3), " №дат");
    EXPECT_EQ(LabelHeader(1), " L, м");
    EXPECT_EQ(LabelHeader(2), " L, м");
    EXPECT_EQ(LabelHeader(4), " ->");
    EXPECT_EQ(ValueHeader(4), " ->");
    EXPECT_EQ(ValueHeader(1), " T, °C");
    EXPECT_EQ(GraphAxisCaption(4), "To, °C;  RH, %;  AH, g/m;  DP, °C");
    EXPECT_EQ(GraphAxisCaption(0), "Температура, °C");
}

TEST(ViewTexts, ProbeSlotsAreNamedByTheirRoundedCode) {
    EXPECT_EQ(LabelCellText(4, 0, '.'), "To, °C");
    EXPECT_EQ(LabelCellText(4, 100, '.'), "RH, %");
    EXPECT_EQ(LabelCellText(4, 200, '.'), "AH, g/m");
    EXPECT_EQ(LabelCellText(4, 349, '.'), "DP, °C");
    EXPECT_EQ(LabelCellText(4, 351, '.'), "Pa, mm");
    EXPECT_EQ(QuantityName(900), "9");  // unknown slot: its code, not a wrong name
}

TEST(ViewTexts, LabelsAndValuesOfOrdinaryCables) {
    EXPECT_EQ(LabelCellText(1, 1250, ','), " 12,5");
    EXPECT_EQ(LabelCellText(0, 300, '.'), " 3");
    EXPECT_EQ(TableValueText(2150, '.'), " 21.5");
    EXPECT_EQ(TableValueText(NoValue, '.'), " Error!");
    EXPECT_EQ(ReportValueText(2150, '.'), "21.5");
    EXPECT_EQ(ReportValueText(NoValue, '.'), " Error!");
}

TEST(ViewTexts, ReportAndGraphCaptions) {
    EXPECT_EQ(ReportHeading(1234, 16), "SNтк 1234 дат:16");
    EXPECT_EQ(ReportHeading(0, 16), "SNтк [ --- ] дат:16");
    EXPECT_EQ(ReportColumnHeading(0, 700, '.'), "№дат 7");
    EXPECT_EQ(ReportColumnHeading(2, 1050, '.'), "10.5 м");
    EXPECT_EQ(ReportColumnHeading(4, 100, '.'), "RH, %");
    EXPECT_EQ(GraphLineCaption(3, 2, 700, '.'), "№2  №дат 7");
    EXPECT_EQ(GraphLineCaption(1, 3, 1050, '.'), "№3  10.5 м");
    EXPECT_EQ(GraphLineCaption(4, 1, 0, '.'), "(1) To, °C");
    EXPECT_EQ(CountsText(12, 30), "Измерений: 12/•30");
}

TEST(ViewTexts, PositionAxisBoundsEncloseTheLabels) {
    EXPECT_EQ(PositionAxisLow(150), 1);
    EXPECT_EQ(PositionAxisHigh(1050), 11);
    EXPECT_EQ(PositionAxisHigh(1000), 10);
    EXPECT_EQ(PositionAxisLow(-150), -1);
}

}  // namespace drumo
