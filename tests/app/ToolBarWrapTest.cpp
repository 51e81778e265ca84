// A tool bar too wide for its window is split into rows at separators.

#include "app/ToolBarWrap.h"

#include <gtest/gtest.h>

#include <string>

namespace drumo {
namespace {

// "B" a 26-pixel button, "W" a 100-pixel one, "|" a 6-pixel separator.
std::vector<ToolBarItem> Bar(const std::string& layout) {
    std::vector<ToolBarItem> items;
    for (char c : layout) items.push_back({c == 'W' ? 100 : c == '|' ? 6 : 26, c == '|'});
    return items;
}

// The rows written back in the same letters, separated by "/".
std::string Rows(const std::string& layout, int available) {
    const auto items = Bar(layout);
    std::string text;
    for (const auto& row : WrapToolBar(items, {available, 8, 1})) {
        if (!text.empty()) text += '/';
        for (size_t i : row) text += layout[i];
    }
    return text;
}

TEST(ToolBarWrap, RowsBreakAtSeparatorsAndNeverOverflow) {
    const std::string program = "B|BBBB|BBBBBB|BBBBBB|BB|BB";
    struct Case {
        const char* name;
        std::string layout;
        int available;
        std::string rows;
    } cases[] = {
        {"everything fits one row", "BB|BB", 335, "BB|BB"},
        {"the program's bar in the 335-pixel window", program, 335, "B|BBBB|BBBBBB/BBBBBB|BB|BB"},
        {"a narrower window takes more rows", program, 250, "B|BBBB/BBBBBB/BBBBBB|BB/BB"},
        {"a group wider than a row breaks between buttons", "BBBBBB", 100, "BBB/BBB"},
        {"a button wider than a row stands alone", "BWB", 90, "B/W/B"},
        {"stray separators at the ends and doubled are dropped", "|BB||BB|", 335, "BB|BB"},
    };
    for (const Case& c : cases) EXPECT_EQ(Rows(c.layout, c.available), c.rows) << c.name;
}

}  // namespace
}  // namespace drumo
