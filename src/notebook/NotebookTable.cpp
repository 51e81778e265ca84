#include "notebook/NotebookTable.h"

#include <algorithm>

namespace drumo {

void NoteRow::Add(std::string_view cell) {
    text_.append(cell);
    ends_.push_back(static_cast<uint32_t>(text_.size()));
    text_.push_back('\t');
}

void NoteRow::PadTo(size_t columns) {
    while (ends_.size() < columns) Add({});
}

std::string_view NoteRow::Cell(size_t column) const {
    if (column >= ends_.size()) return {};
    const size_t begin = column == 0 ? 0 : ends_[column - 1] + 1;
    return std::string_view(text_).substr(begin, ends_[column] - begin);
}

std::string NoteRow::Line(size_t columns) const {
    const size_t own = std::min(columns, ends_.size());
    std::string line = own == 0 ? std::string() : text_.substr(0, ends_[own - 1] + 1);
    line.append(columns - own, '\t');
    return line;
}

void NotebookTable::Clear() {
    rows_.clear();
    rowCount_ = EmptyRows;
    columnCount_ = EmptyColumns;
}

std::string_view NotebookTable::Cell(int row, int column) const {
    if (row <= 0 || row >= rowCount_ || static_cast<size_t>(row) > rows_.size() || column < 0) return {};
    return rows_[row - 1].Cell(static_cast<size_t>(column));
}

std::string NotebookTable::HeaderCell(int column) {
    switch (column) {
    case 0: return "№";
    case 1: return "Дата и время";
    case 2: return "Параметры";
    case 3: return "Ед. изм.";
    default: return column > 3 ? " №" + std::to_string(column - 3) : std::string();
    }
}

NoteRow& NotebookTable::Row(int row) {
    if (static_cast<size_t>(row) > rows_.size()) rows_.resize(row);
    return rows_[row - 1];
}

const NoteRow* NotebookTable::RowAt(int row) const {
    if (row <= 0 || row >= rowCount_ || static_cast<size_t>(row) > rows_.size()) return nullptr;
    return &rows_[row - 1];
}

void NotebookTable::SetRowCount(int rows) {
    rowCount_ = std::max(rows, static_cast<int>(EmptyRows));
    if (rows_.size() >= static_cast<size_t>(rowCount_)) rows_.resize(rowCount_ - 1);
}

void NotebookTable::EnsureColumns(int columns) { columnCount_ = std::max(columnCount_, columns); }

int NotebookTable::Records() const {
    int k = 0;
    while (RowA(k) < rowCount_ && !Cell(RowA(k), 1).empty()) ++k;
    return k;
}

std::string NotebookTable::CopyRows(const std::vector<int>& rows) const {
    std::string text;
    for (int r : rows) {
        for (int c = 0; c < columnCount_; ++c) {
            text.append(r == 0 ? HeaderCell(c) : std::string(Cell(r, c)));
            text.push_back('\t');
        }
        text.append("\r\n");
    }
    return text;
}

void AppendScaled(std::string& out, int value, int decimals, char mark) {
    if (value < 0) {
        out.push_back('-');
        value = -value;
    }
    const int scale = decimals == 1 ? 10 : decimals == 2 ? 100 : 1;
    out.append(std::to_string(value / scale));
    int fraction = value % scale;
    if (fraction == 0) return;
    out.push_back(mark);
    char digits[2];
    int n = 0;
    for (int d = 0; d < decimals; ++d) {
        digits[decimals - 1 - d] = static_cast<char>('0' + fraction % 10);
        fraction /= 10;
    }
    n = decimals;
    while (n > 0 && digits[n - 1] == '0') --n;
    out.append(digits, n);
}

}  // namespace drumo
