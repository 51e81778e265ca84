#include "acquisition/DeviceGrid.h"

namespace drumo {

void GridRows::Sync() {
    // The grid was emptied (or refilled) by someone else: what is listed now is what counts.
    const size_t listed = static_cast<size_t>(grid_.ListedRows());
    if (enabled_.size() != listed) enabled_.resize(listed, false);
}

std::vector<std::string> GridRows::Cells(int row) const {
    std::vector<std::string> cells;
    for (int c = 0; c < DeviceGrid::ColumnCount; ++c) cells.push_back(grid_.CellText(row, c));
    return cells;
}

int GridRows::Add(bool checkEnabled) {
    Sync();
    const int rows = static_cast<int>(enabled_.size());
    std::vector<std::vector<std::string>> cells;
    for (int r = 1; r <= rows; ++r) cells.push_back(Cells(r));
    grid_.SetListedRows(rows + 1);
    for (int r = 1; r <= rows; ++r) grid_.SetRowCells(r, cells[r - 1], enabled_[r - 1]);
    enabled_.push_back(checkEnabled);
    grid_.SetRowCells(rows + 1, {}, checkEnabled);
    return rows + 1;
}

void GridRows::SetCheckEnabled(int row, bool enabled) {
    Sync();
    if (row < 1 || row > static_cast<int>(enabled_.size())) return;
    enabled_[row - 1] = enabled;
    Write(row, -1, {});
}

bool GridRows::CheckEnabled(int row) const {
    return row >= 1 && row <= static_cast<int>(enabled_.size()) && enabled_[row - 1];
}

void GridRows::SetCell(int row, int column, const std::string& text) {
    Sync();
    if (row < 1 || row > static_cast<int>(enabled_.size())) return;
    Write(row, column, text);
}

void GridRows::Write(int row, int column, const std::string& text) {
    std::vector<std::string> cells = Cells(row);
    if (column >= 0 && column < DeviceGrid::ColumnCount) cells[column] = text;
    grid_.SetRowCells(row, cells, enabled_[row - 1]);
}

}  // namespace drumo
