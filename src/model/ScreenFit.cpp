#include "model/ScreenFit.h"

#include <algorithm>

namespace drumo {

namespace {

long long Overlap(const WindowPlace& w, const ScreenArea& s) {
    const long long width = std::min(w.Left + w.Width, s.Left + s.Width) - std::max(w.Left, s.Left);
    const long long height = std::min(w.Top + w.Height, s.Top + s.Height) - std::max(w.Top, s.Top);
    return width > 0 && height > 0 ? width * height : 0;
}

// The start of a span of `size` that lies inside [from, from + room), or begins at `from` when it
// cannot.
int Fit(int start, int size, int from, int room) {
    return std::max(from, std::min(start, from + room - size));
}

}  // namespace

WindowPlace KeepOnScreen(const WindowPlace& wanted, const std::vector<ScreenArea>& screens,
                         int minWidth, int minHeight) {
    if (screens.empty()) return wanted;
    const ScreenArea* area = &screens.front();
    long long best = 0;
    for (const ScreenArea& s : screens) {
        const long long o = Overlap(wanted, s);
        if (o > best) {
            best = o;
            area = &s;
        }
    }
    WindowPlace placed = wanted;
    placed.Width = std::min(wanted.Width, std::max(area->Width, minWidth));
    placed.Height = std::min(wanted.Height, std::max(area->Height, minHeight));
    placed.Left = Fit(wanted.Left, placed.Width, area->Left, area->Width);
    placed.Top = Fit(wanted.Top, placed.Height, area->Top, area->Height);
    return placed;
}

}  // namespace drumo
