#include "acquisition/ui/GridRows.h"

#include "acquisition/ui/TfrmScanM.h"

namespace drumo {

void GridRows::Sync() {
    // The grid was emptied (or refilled) by someone else: what is listed now is what counts.
    const size_t listed = static_cast<size_t>(scanM_.ListedRows());
    if (enabled_.size() != listed) enabled_.resize(listed, false);
}

int GridRows::Add(bool checkEnabled) {
    Sync();
    const int rows = static_cast<int>(enabled_.size());
    std::vector<QStringList> cells(rows);
    for (int r = 1; r <= rows; ++r)
        for (int c = 0; c < TfrmScanM::ColumnCount; ++c) cells[r - 1] << scanM_.Cell(r, c);
    scanM_.SetListedRows(rows + 1);
    for (int r = 1; r <= rows; ++r) scanM_.SetRow(r, cells[r - 1], enabled_[r - 1]);
    enabled_.push_back(checkEnabled);
    scanM_.SetRow(rows + 1, {}, checkEnabled);
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

void GridRows::SetCell(int row, int column, const QString& text) {
    Sync();
    if (row < 1 || row > static_cast<int>(enabled_.size())) return;
    Write(row, column, text);
}

void GridRows::Write(int row, int column, const QString& text) {
    QStringList cells;
    for (int c = 0; c < TfrmScanM::ColumnCount; ++c) cells << (c == column ? text : scanM_.Cell(row, c));
    scanM_.SetRow(row, cells, enabled_[row - 1]);
}

}  // namespace drumo
