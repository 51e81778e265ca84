#pragma once
// Keeps a window that is placed from the settings file on a screen. A stored place may come from
// another screen, another resolution or another scale factor; a window placed there literally
// opens partly or wholly out of reach.

#include <vector>

#include "model/ProgramSettings.h"

namespace drumo {

// A rectangle in the desktop's coordinates (a screen's area free of panels).
struct ScreenArea {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
};

// The place of a window of `wanted` position and size on the screens at hand (primary first):
// the screen it overlaps most, or the primary one when it overlaps none. A window larger than that
// screen's area shrinks to it, though never below its minimum size; then it moves the least
// distance that brings it inside, and a window still too large keeps its top left corner in view.
WindowPlace KeepOnScreen(const WindowPlace& wanted, const std::vector<ScreenArea>& screens,
                         int minWidth = 0, int minHeight = 0);

}  // namespace drumo
