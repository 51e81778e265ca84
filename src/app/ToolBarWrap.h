#pragma once
// Splits a tool bar that is too wide for its window into rows. The buttons keep their order left
// to right, top to bottom; rows break where a separator stands (the break takes its place), and
// only a group of buttons too wide for a row of its own is broken between two buttons.

#include <cstddef>
#include <vector>

namespace drumo {

struct ToolBarItem {
    int Width = 0;
    bool Separator = false;
};

// The measures of the bar around and between its items, in pixels.
struct ToolBarMetrics {
    int Available = 0;  // the width the rows may take
    int Margins = 0;    // both ends of a row together
    int Spacing = 0;    // between two neighbouring items
};

// The rows, each the indices of its items in order. The separators where a row breaks belong to
// no row; no row is empty and no row begins or ends with a separator.
std::vector<std::vector<size_t>> WrapToolBar(const std::vector<ToolBarItem>& items,
                                             const ToolBarMetrics& m);

}  // namespace drumo
