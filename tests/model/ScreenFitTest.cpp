// Windows placed from the settings file stay within the screens' free areas.

#include "model/ScreenFit.h"

#include <gtest/gtest.h>

namespace drumo {
namespace {

struct FitCase {
    const char* name;
    WindowPlace wanted;  // Top, Left, Height, Width
    std::vector<ScreenArea> screens;
    int minWidth, minHeight;
    WindowPlace expected;
};

const ScreenArea kLaptop{0, 0, 1366, 740};  // 768 pixels less a 28-pixel panel
const ScreenArea kScaled{0, 0, 683, 384};   // the same screen at a scale factor of 2
const ScreenArea kRight{1366, 0, 1920, 1080};
const ScreenArea kAbove{0, -1080, 1920, 1080};

TEST(ScreenFit, StoredPlacesAreKeptInsideTheFreeArea) {
    const FitCase cases[] = {
        {"device manager below the bottom", {433, 600, 433, 495}, {kLaptop}, 0, 433, {307, 600, 433, 495}},
        {"past the right edge", {0, 1300, 433, 335}, {kLaptop}, 335, 433, {0, 1031, 433, 335}},
        {"above and left of the screen", {-40, -500, 433, 600}, {kLaptop}, 0, 0, {0, 0, 433, 600}},
        {"taller than the screen shrinks", {200, 0, 900, 600}, {kLaptop}, 0, 200, {0, 0, 740, 600}},
        {"main window at scale 2 keeps its minimum", {0, 600, 433, 335}, {kScaled}, 335, 433, {0, 348, 433, 335}},
        {"on the second screen stays", {100, 2000, 433, 600}, {kLaptop, kRight}, 0, 0, {100, 2000, 433, 600}},
        {"across both goes to the one it covers most", {100, 1300, 433, 600}, {kLaptop, kRight}, 0, 0,
         {100, 1366, 433, 600}},
        {"screen above the primary", {-900, 100, 433, 600}, {kLaptop, kAbove}, 0, 0, {-900, 100, 433, 600}},
        {"on no screen goes to the primary", {3000, 5000, 433, 600}, {kLaptop, kRight}, 0, 0, {307, 766, 433, 600}},
    };
    for (const FitCase& c : cases) {
        const WindowPlace p = KeepOnScreen(c.wanted, c.screens, c.minWidth, c.minHeight);
        EXPECT_EQ(p.Top, c.expected.Top) << c.name;
        EXPECT_EQ(p.Left, c.expected.Left) << c.name;
        EXPECT_EQ(p.Height, c.expected.Height) << c.name;
        EXPECT_EQ(p.Width, c.expected.Width) << c.name;
    }
}

}  // namespace
}  // namespace drumo
