#include "notebook/NotebookTable.h"

#include <algorithm>
#include <charconv>

namespace drumo {

void NoteRow::Add(std::string_view cell) {
    text_.append(cell);
    text_.push_back('\t');
    NoteCell();
}

void NoteRow::SetCells(std::string text) {
    text.resize(text.find_last_of('\t') + 1);  // npos + 1: no cell at all
    text_ = std::move(text);
    marks_.clear();
    cells_ = 0;
    const size_t cells = static_cast<size_t>(std::count(text_.begin(), text_.end(), '\t'));
    marks_.reserve(cells / MarkEvery);  // rows are kept long
    for (size_t tab = text_.find('\t'); tab != std::string::npos; tab = text_.find('\t', tab + 1)) {
        if (++cells_ % MarkEvery == 0) marks_.push_back(static_cast<uint32_t>(tab + 1));
    }
}

void NoteRow::SetCells(std::string text, size_t cells, std::vector<uint32_t> eighths) {
    text_ = std::move(text);
    cells_ = cells;
    marks_ = std::move(eighths);
}

void NoteRow::Reserve(size_t cells, size_t bytes) {
    marks_.reserve(cells / MarkEvery);
    text_.reserve(bytes);
}

size_t NoteRow::Begin(size_t column) const {
    if (column >= cells_) return text_.size();
    size_t at = column < MarkEvery ? 0 : marks_[column / MarkEvery - 1];
    for (size_t skip = column % MarkEvery; skip > 0; --skip) at = text_.find('\t', at) + 1;
    return at;
}

std::string_view NoteRow::Cell(size_t column) const {
    if (column >= cells_) return {};
    const size_t begin = Begin(column);
    return std::string_view(text_).substr(begin, text_.find('\t', begin) - begin);
}

std::string NoteRow::Line(size_t columns) const {
    const size_t own = std::min(columns, cells_);
    std::string line = text_.substr(0, Begin(own));
    line.append(columns - own, '\t');
    return line;
}

void NotebookTable::Clear() {
    rows_.clear();
    fill_ = nullptr;
    sourceRecords_ = 0;
    filled_.clear();
    rowCount_ = EmptyRows;
    columnCount_ = EmptyColumns;
}

void NotebookTable::SetRecordSource(int records, RecordFill fill) {
    Clear();
    sourceRecords_ = std::max(records, 0);
    fill_ = std::move(fill);
    filled_.assign(static_cast<size_t>(sourceRecords_), false);
    rows_.resize(static_cast<size_t>(3 * sourceRecords_));
}

void NotebookTable::Fill(int row) const {
    const int k = (row - 1) / 3;
    if (!fill_ || k >= sourceRecords_ || filled_[k]) return;
    filled_[k] = true;
    if (static_cast<size_t>(RowB(k)) <= rows_.size()) fill_(k, rows_[RowA(k) - 1], rows_[RowB(k) - 1]);
}

std::string_view NotebookTable::Cell(int row, int column) const {
    if (row <= 0 || row >= rowCount_ || static_cast<size_t>(row) > rows_.size() || column < 0) return {};
    Fill(row);
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
    Fill(row);
    return rows_[row - 1];
}

const NoteRow* NotebookTable::RowAt(int row) const {
    if (row <= 0 || row >= rowCount_ || static_cast<size_t>(row) > rows_.size()) return nullptr;
    Fill(row);
    return &rows_[row - 1];
}

void NotebookTable::SetRowCount(int rows) {
    rowCount_ = std::max(rows, static_cast<int>(EmptyRows));
    if (rows_.size() >= static_cast<size_t>(rowCount_)) rows_.resize(rowCount_ - 1);
}

void NotebookTable::EnsureColumns(int columns) { columnCount_ = std::max(columnCount_, columns); }

int NotebookTable::Records() const {
    // Records from a source all have their date cell (a date or its placeholder).
    if (fill_) return std::min(sourceRecords_, (rowCount_ + 1) / 3);
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
    char text[16];
    char* p = text;
    unsigned magnitude = static_cast<unsigned>(value < 0 ? -static_cast<long>(value) : value);
    if (value < 0) *p++ = '-';
    const unsigned scale = decimals == 1 ? 10 : decimals == 2 ? 100 : 1;
    p = std::to_chars(p, text + sizeof text, magnitude / scale).ptr;
    unsigned fraction = magnitude % scale;
    if (fraction != 0) {
        *p++ = mark;
        for (unsigned unit = scale / 10; unit > 0 && fraction != 0; unit /= 10) {
            *p++ = static_cast<char>('0' + fraction / unit);
            fraction %= unit;
        }
    }
    out.append(text, p);
}

}  // namespace drumo
