#pragma once
// The notebook table: the text grid the notebook window shows and the notebook file holds. Row 0
// is the fixed header; record k fills rows 3k + 1 (row A) and 3k + 2 (row B), the row after them
// stays empty. Cells are UTF-8 text.
//
// A full notebook holds tens of thousands of rows of a hundred cells, so a row is kept as one
// string in which every cell is followed by a TAB (exactly the line the notebook file holds for
// it), rather than as a string per cell. Beside it the row notes where every eighth cell begins;
// a cell is found from the mark before it by skipping at most seven TABs, so that the marks cost
// half a byte per cell instead of the four of an end per cell. The records of a
// notebook just read are written into their rows only when a row is first looked at, so that a
// full notebook shows at once and only the rows on the screen are ever formatted before a save.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace drumo {

class NoteRow {
public:
    void Add(std::string_view cell);
    // Replaces the row with cells given as the row keeps them: each cell followed by a TAB (text
    // after the last TAB is no cell).
    void SetCells(std::string text);
    // The same for a reader that went through the text anyway: its `cells` cells, and where every
    // eighth begins (eighths[i]: cell (i + 1) * MarkEvery).
    void SetCells(std::string text, size_t cells, std::vector<uint32_t> eighths);
    void Reserve(size_t cells, size_t bytes);
    size_t Cells() const { return cells_; }
    std::string_view Cell(size_t column) const;
    // The first `columns` cells, each followed by a TAB (empty cells for those the row lacks).
    std::string Line(size_t columns) const;
    // The cells from `first` on: the row's own text (each cell with its TAB).
    std::string_view Text() const { return text_; }
    bool Empty() const { return cells_ == 0; }

    static constexpr size_t MarkEvery = 8;

private:
    // Where cell `column` (at most Cells()) begins in the text.
    size_t Begin(size_t column) const;
    void NoteCell() {
        if (++cells_ % MarkEvery == 0) marks_.push_back(static_cast<uint32_t>(text_.size()));
    }

    std::string text_;
    std::vector<uint32_t> marks_;  // marks_[i]: where cell (i + 1) * MarkEvery begins
    size_t cells_ = 0;
};

class NotebookTable {
public:
    static constexpr int EmptyRows = 2;
    static constexpr int EmptyColumns = 5;

    // 2 rows, 5 columns, no cells.
    void Clear();

    int RowCount() const { return rowCount_; }
    int ColumnCount() const { return columnCount_; }
    // The cell's text; "" outside the rows that hold cells and for the header row (HeaderCell).
    std::string_view Cell(int row, int column) const;
    static std::string HeaderCell(int column);

    // The row `row` (1 and more) for filling; rows are made as needed.
    NoteRow& Row(int row);
    const NoteRow* RowAt(int row) const;
    void ReserveRows(int rows) { rows_.reserve(static_cast<size_t>(rows)); }
    // The number of rows shown (at least 2); rows past it are dropped.
    void SetRowCount(int rows);
    void EnsureColumns(int columns);

    // Record k's rows.
    static int RowA(int record) { return 3 * record + 1; }
    static int RowB(int record) { return 3 * record + 2; }
    // The records of the table: rows 1, 4, 7, ... as long as the date cell of the row is not
    // empty.
    int Records() const;

    // Records whose rows are filled when first read: `fill(k, rowA, rowB)` writes record k.
    // Replaces what the table held; the row count stays to be set.
    using RecordFill = std::function<void(int record, NoteRow& a, NoteRow& b)>;
    void SetRecordSource(int records, RecordFill fill);

    // The clipboard text of whole rows (row numbers from the top): every cell of each row
    // followed by a TAB, each row ended by CR LF.
    std::string CopyRows(const std::vector<int>& rows) const;

private:
    void Fill(int row) const;

    // rows_[r - 1] is table row r. Rows of records from a source are filled when first read,
    // which a const reader may cause: the table belongs to one thread.
    mutable std::vector<NoteRow> rows_;
    RecordFill fill_;
    int sourceRecords_ = 0;
    mutable std::vector<bool> filled_;
    int rowCount_ = EmptyRows;
    int columnCount_ = EmptyColumns;
};

// Numbers as the notebook table writes them: value / 10^decimals as the shortest decimal text
// with the given mark ("21.5", "-0.05", "3"). The same text as NumberText gives for such values,
// without going through a double and printf, which a table of two million cells cannot afford.
void AppendScaled(std::string& out, int value, int decimals, char mark);

}  // namespace drumo
