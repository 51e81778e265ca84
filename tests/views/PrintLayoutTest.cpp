// The print dialog's arithmetic: picture size, page frame, printable area, placing, the operator's
// moves and resizes, and the rectangle that reaches the printer.

#include "views/PrintLayout.h"

#include <gtest/gtest.h>

namespace drumo {
namespace {

TEST(PrintLayout, SizesAndProportions) {
    EXPECT_EQ(PictureSize(80, 60), (PixelSize{101, 76}));  // factor 1.25
    EXPECT_EQ(PictureSize(200, 50), (PixelSize{301, 76}));  // 75 / 50 wins
    EXPECT_EQ(PictureSize(640, 480), (PixelSize{640, 480}));

    EXPECT_EQ(FitProportion(2.0, {10, 10, 300, 100}), (PixelRect{60, 10, 200, 100}));  // height-bound
    EXPECT_EQ(FitProportion(1.5, {0, 0, 300, 300}), (PixelRect{0, 50, 300, 200}));    // width-bound
    EXPECT_EQ(PrintableArea({4, 4, 200, 150}), (PixelRect{24, 19, 160, 120}));
    EXPECT_EQ(PrintableArea({0, 0, 4, 3}), (PixelRect{1, 1, 2, 1}));  // margins of at least 1 pixel

    EXPECT_FALSE(ProportionChanged({400, 300}, {407, 300}));
    EXPECT_TRUE(ProportionChanged({400, 300}, {409, 300}));

    const PixelRect printable{0, 0, 300, 200};
    EXPECT_EQ(DrawingSize({400, 300}, false, printable), (PixelSize{400, 300}));
    EXPECT_EQ(DrawingSize({400, 300}, true, printable), (PixelSize{400, 267}));
    EXPECT_EQ(DrawingSize({300, 400}, true, printable), (PixelSize{600, 400}));

    EXPECT_EQ(PrintedRect({24, 19, 80, 60}, {4, 4, 200, 150}, 4000, 3000), (PixelRect{400, 300, 1600, 1200}));
}

// A preview of 400 x 400 and an A4 page in landscape, 3508 x 2480 printer pixels.
class LayoutFixture : public ::testing::Test {
protected:
    void Open(int w, int h) {
        layout.TakeChart(w, h);
        layout.ArrangeForChart(3508, 2480);
    }
    PrintLayout layout{{0, 0, 400, 400}};
};

TEST_F(LayoutFixture, ThePlacementStaysUntilAChartOfAnotherProportionComes) {
    layout.TakeChart(600, 400);
    EXPECT_TRUE(layout.FirstUse());
    EXPECT_TRUE(layout.WantsLandscape());
    layout.ArrangeForChart(3508, 2480);
    EXPECT_EQ(layout.Frame(), (PixelRect{4, 61, 392, 277}));
    EXPECT_EQ(layout.Printable(), (PixelRect{43, 89, 314, 221}));
    EXPECT_EQ(layout.Place(), (PixelRect{43, 95, 314, 209}));

    ASSERT_TRUE(layout.Press(100, 150));
    layout.Drag(90, 140);
    layout.Release();
    const PixelRect moved{33, 85, 314, 209};
    EXPECT_EQ(layout.Place(), moved);
    Open(606, 400);  // within 2 %: the operator's place stays
    EXPECT_EQ(layout.Place(), moved);
    Open(400, 400);
    EXPECT_EQ(layout.Place(), (PixelRect{89, 89, 221, 221}));

    layout.SetStretched(true);
    EXPECT_EQ(layout.Place(), layout.Printable());
    EXPECT_EQ(layout.Drawing(), (PixelSize{568, 400}));
    Open(800, 200);  // stretched pictures are not placed anew
    EXPECT_EQ(layout.Place(), layout.Printable());
    EXPECT_EQ(layout.Printed(3508, 2480), (PixelRect{349, 251, 2810, 1979}));

    // A new page of another shape: laid out again, and placed again only when both sides changed.
    EXPECT_FALSE(layout.PrinterChanged(3508, 2480, 3508, 1000));
    EXPECT_TRUE(layout.PrinterChanged(3508, 1000, 2480, 3508));
    EXPECT_EQ(layout.Place(), layout.Printable());
}

TEST_F(LayoutFixture, MovesStayInTheFrameAndResizesKeepTheProportion) {
    Open(600, 400);  // frame 4,61 392x277; picture 43,95 314x209
    EXPECT_EQ(layout.GripAt(355, 150), PictureGrip::ResizeWidth);
    EXPECT_EQ(layout.GripAt(200, 300), PictureGrip::ResizeHeight);
    EXPECT_EQ(layout.GripAt(200, 200), PictureGrip::Move);
    EXPECT_FALSE(layout.Press(20, 20));

    layout.Press(200, 200);
    EXPECT_EQ(layout.Drag(-500, 900), (PixelRect{4, 129, 314, 209}));  // into the frame's corner
    EXPECT_EQ(layout.Drag(-500, -900), (PixelRect{4, 61, 314, 209}));
    layout.Release();

    // Width resize: the height follows, the frame is the limit.
    layout.Press(318, 100);
    EXPECT_EQ(layout.Drag(338, 100), (PixelRect{4, 61, 334, 222}));
    EXPECT_EQ(layout.Drag(900, 100), (PixelRect{4, 61, 392, 261}));
    // 22 x 15 is the smallest taken; below it the outline stays at the last one taken.
    EXPECT_EQ(layout.Drag(26, 100), (PixelRect{4, 61, 22, 15}));
    EXPECT_EQ(layout.Drag(25, 100), (PixelRect{4, 61, 22, 15}));
    EXPECT_EQ(layout.Drag(-300, 100), (PixelRect{4, 61, 22, 15}));
    layout.Release();
    EXPECT_EQ(layout.Place(), (PixelRect{4, 61, 22, 15}));

    // Height resize from the bottom edge; a width past the frame is cut and the height follows.
    ASSERT_EQ(layout.GripAt(10, 76), PictureGrip::ResizeHeight);
    layout.Press(10, 76);
    EXPECT_EQ(layout.Drag(10, 106), (PixelRect{4, 61, 66, 45}));
    EXPECT_EQ(layout.Drag(10, 75), (PixelRect{4, 61, 66, 45}));  // 14 high is refused
    EXPECT_EQ(layout.Drag(10, 1000), (PixelRect{4, 61, 392, 267}));
}

}  // namespace
}  // namespace drumo
