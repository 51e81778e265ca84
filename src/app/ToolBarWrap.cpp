#include "app/ToolBarWrap.h"

namespace drumo {

std::vector<std::vector<size_t>> WrapToolBar(const std::vector<ToolBarItem>& items,
                                             const ToolBarMetrics& m) {
    // Groups of buttons between separators; each remembers the separator before it.
    struct Group {
        long SeparatorBefore = -1;
        std::vector<size_t> Buttons;
    };
    std::vector<Group> groups(1);
    for (size_t i = 0; i < items.size(); ++i) {
        if (!items[i].Separator) {
            groups.back().Buttons.push_back(i);
        } else if (!groups.back().Buttons.empty()) {
            groups.push_back({static_cast<long>(i), {}});
        }
    }

    std::vector<std::vector<size_t>> rows;
    std::vector<size_t> row;
    long width = 0;  // of the row so far, margins included
    const auto widthWith = [&](size_t item) {
        return row.empty() ? m.Margins + items[item].Width : width + m.Spacing + items[item].Width;
    };
    const auto add = [&](size_t item) {
        width = widthWith(item);
        row.push_back(item);
    };
    const auto breakRow = [&] {
        if (row.empty()) return;
        rows.push_back(row);
        row.clear();
    };

    for (const Group& g : groups) {
        if (g.Buttons.empty()) continue;
        long groupWidth = 0;
        for (size_t b : g.Buttons) groupWidth += items[b].Width;
        groupWidth += m.Spacing * static_cast<long>(g.Buttons.size() - 1);
        if (!row.empty()) {
            const long joined = width + m.Spacing + items[g.SeparatorBefore].Width + m.Spacing + groupWidth;
            if (joined <= m.Available) {
                add(static_cast<size_t>(g.SeparatorBefore));
            } else {
                breakRow();
            }
        }
        // A group that does not fit a row of its own is broken between buttons.
        for (size_t b : g.Buttons) {
            if (!row.empty() && widthWith(b) > m.Available && !items[row.back()].Separator) breakRow();
            add(b);
        }
    }
    breakRow();
    return rows;
}

}  // namespace drumo
