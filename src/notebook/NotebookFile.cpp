#include "notebook/NotebookFile.h"

#include "files/ArchiveFormat.h"
#include "model/Cp1251.h"
#include "model/Formats.h"
#include "notebook/NotebookGraphs.h"
#include "notebook/NotebookRecords.h"
#include "model/SafeFile.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstring>

namespace drumo {

namespace {

const char* const kTag = "[dmn]";
const char* const kWarning = "Предупреждение: Внесение изменений приведет к нарушению электронной подписи";

class SignedText {
public:
    void Line(std::string_view utf8) {
        const std::string bytes = Utf8ToCp1251(utf8);
        HashTextLine(hash_, bytes);
        text_ += bytes;
        text_ += "\r\n";
    }
    std::string Finish() {
        text_ += hash_;
        text_ += "\r\n";
        return std::move(text_);
    }

private:
    std::string text_;
    std::string hash_;
};

// The columns written for a record: up to its last cell that holds something in either row, so
// that a record keeps all its values even where a cell of row A is empty.
size_t WrittenColumns(const NoteRow* a, const NoteRow* b) {
    size_t columns = 0;
    for (const NoteRow* row : {a, b}) {
        if (!row) continue;
        for (size_t c = row->Cells(); c > columns; --c) {
            if (!row->Cell(c - 1).empty()) {
                columns = c;
                break;
            }
        }
    }
    return columns;
}

}  // namespace

bool HasNotebookEnding(const std::string& fileName) {
    if (fileName.size() < 3) return false;
    std::string ending = fileName.substr(fileName.size() - 3);
    for (char& ch : ending) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return ending == "dmn";
}

std::string NotebookFileText(const NotebookTable& table, const std::string& header, const std::string& version,
                             DateTime saved) {
    SignedText file;
    file.Line(std::string(kTag) + " Created by Drumo " + version + " " + FileDate(saved) + " " + FileTime(saved));
    file.Line(kWarning);
    file.Line(" ");
    file.Line(header);
    file.Line(" ");
    // Counting the records walks the table: once, not once a record.
    const int records = table.Records();
    for (int k = 0; k < records; ++k) {
        const NoteRow* a = table.RowAt(NotebookTable::RowA(k));
        const NoteRow* b = table.RowAt(NotebookTable::RowB(k));
        const size_t columns = WrittenColumns(a, b);
        file.Line(a ? a->Line(columns) : std::string(columns, '\t'));
        file.Line(b ? b->Line(columns) : std::string(columns, '\t'));
        file.Line("\t");
    }
    file.Line(" ");
    return file.Finish();
}

NotebookWrite WriteNotebookFile(const std::string& fileName, const NotebookTable& table, const std::string& header,
                                const std::string& version, DateTime saved, bool sign) {
    if (!CreateFileFolder(fileName)) return NotebookWrite::CannotCreate;
    SafeFileWriter out;
    if (!out.Open(fileName)) return NotebookWrite::CannotCreate;
    std::string text = NotebookFileText(table, header, version, saved);
    if (!sign) text.resize(text.rfind("\r\n", text.size() - 3) + 2);  // the hash line goes
    out.Write(text);
    return out.Commit() ? NotebookWrite::Ok : NotebookWrite::WriteFailed;
}

NotebookFileResult ScanNotebookFile(const std::string& fileName, const NotebookRowHandler& onRow) {
    NotebookFileResult result;
    if (!HasNotebookEnding(fileName)) return result;
    FileLineReader in;
    if (!in.Open(fileName)) {
        result.Status = NotebookFileStatus::CannotOpen;
        return result;
    }
    std::string hash;
    std::string_view line;
    const auto next = [&](bool hashed) {
        if (!in.Next(line)) return false;
        if (hashed) HashTextLine(hash, line);
        return true;
    };
    const auto fail = [&] {
        result = NotebookFileResult{};
        result.Status = NotebookFileStatus::NotNotebook;
        return result;
    };

    int r = 1;
    bool numbered = false;  // row A of the record being read starts with its number
    const auto addRow = [&](std::string_view bytes) {
        // Record k's row A is row 3k + 1; the record counts once its row B is read.
        if (r % 3 == 1) {
            const std::string_view number = bytes.substr(0, bytes.find('\t'));
            numbered = number.size() >= 2 && number.size() < bytes.size() && number[0] == 'n' &&
                       std::all_of(number.begin() + 1, number.end(), [](char c) { return c >= '0' && c <= '9'; });
        } else if (r % 3 == 2 && numbered) {
            ++result.NumberedRecords;
        }
        onRow(r, bytes);
        ++r;
    };

    std::string firstLine;
    if (!next(true)) {
        if (in.Failed()) return fail();
    } else if (line.substr(0, 5) != kTag) {
        // An older file without the header: its first line is already table data.
        result.Legacy = true;
        firstLine = line;
    } else {
        for (int i = 2; i <= 5; ++i) {
            if (!next(true)) return fail();
            if (i == 4) result.Header = Cp1251ToUtf8(line);
        }
    }

    bool ended = false;
    if (result.Legacy) {
        // The first line is read again as data, and hashes again, as if the file started over.
        HashTextLine(hash, firstLine);
        if (firstLine == " ")
            ended = true;
        else
            addRow(firstLine);
    }
    while (!ended) {
        if (!next(true)) {
            if (in.Failed()) return fail();
            break;
        }
        if (line == " ") {
            ended = true;
            break;
        }
        addRow(line);
    }
    if (ended) {
        if (next(false)) {
            result.Signed = !result.Legacy && line == hash;
        } else if (in.Failed()) {
            return fail();
        }
    }
    if (r <= 2) {
        result.Status = NotebookFileStatus::NoData;
        return result;
    }
    result.Records = r / 3;
    result.Status = NotebookFileStatus::Ok;
    return result;
}

namespace {

// Turns notebook file lines into table rows, each in one pass over the line: in UTF-8, each cell
// followed by its TAB as the line holds it, where every eighth cell begins noted on the way. Only
// the decimal marks of number cells (their last character a digit) from column 4 on change to
// `mark`. Text after the last TAB is no cell and is left out. Its buffers are kept from line to
// line, so that a row costs two allocations, each of its exact size.
class RowReader {
public:
    explicit RowReader(char mark) : mark_(mark), other_(mark == '.' ? ',' : '.') {}

    // Fills `row` and returns its cells.
    size_t Read(std::string_view cp1251, NoteRow& row) {
        const size_t last = cp1251.rfind('\t');
        if (last == std::string_view::npos) {
            row.SetCells(std::string(), 0, {});
            return 0;
        }
        if (text_.size() < 3 * (last + 1)) text_.resize(3 * (last + 1));  // three bytes at most a byte
        char* const out = text_.data();
        eighths_.clear();
        size_t o = 0, cells = 0, cell = 0;  // cell: where the cell being written begins
        bool other = false;                 // it holds the other mark
        for (size_t i = 0; i <= last; ++i) {
            const char c = cp1251[i];
            if (static_cast<unsigned char>(c) >= 0x80) {
                const std::string_view utf8 = Cp1251ByteToUtf8(static_cast<unsigned char>(c));
                std::memcpy(out + o, utf8.data(), utf8.size());
                o += utf8.size();
            } else if (c == '\t') {
                if (other && cells >= 4 && o > cell && out[o - 1] >= '0' && out[o - 1] <= '9')
                    std::replace(out + cell, out + o, other_, mark_);
                out[o++] = '\t';
                cell = o;
                other = false;
                if (++cells % NoteRow::MarkEvery == 0) eighths_.push_back(static_cast<uint32_t>(o));
            } else {
                other |= c == other_;
                out[o++] = c;
            }
        }
        row.SetCells(std::string(out, o), cells, std::vector<uint32_t>(eighths_.begin(), eighths_.end()));
        return cells;
    }

private:
    char mark_, other_;
    std::string text_;
    std::vector<uint32_t> eighths_;
};

}  // namespace

NotebookFileResult ReadNotebookFile(const std::string& fileName, char mark, NotebookTable& table) {
    // The table is cleared once the file is open, and again when reading it fails.
    bool cleared = false;
    RowReader rows(mark);
    NotebookFileResult result = ScanNotebookFile(fileName, [&](int r, std::string_view bytes) {
        if (!cleared) {
            table.Clear();
            cleared = true;
        }
        table.EnsureColumns(static_cast<int>(rows.Read(bytes, table.Row(r))));
    });
    if (result.Status == NotebookFileStatus::CannotOpen) return result;
    if (result.Status != NotebookFileStatus::Ok) {
        table.Clear();
        return result;
    }
    if (!cleared) table.Clear();
    table.SetRowCount(result.Records > 0 ? 3 * result.Records : NotebookTable::EmptyRows);
    return result;
}

namespace {

void AppendCsvField(std::string& out, std::string_view field) {
    if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
        out.append(field);
        return;
    }
    out.push_back('"');
    for (char ch : field) {
        if (ch == '"') out.push_back('"');
        out.push_back(ch);
    }
    out.push_back('"');
}

// Number cells with the point, whatever mark the table was written with; names stay as they are.
std::string PointNumber(std::string_view cell) {
    std::string text(cell);
    if (!text.empty() && std::isdigit(static_cast<unsigned char>(text.back())))
        std::replace(text.begin(), text.end(), ',', '.');
    return text;
}

// The cable serial of a "SNтк: [ -77 ]" cell with its sign; 0 for "SNтк: [ --- ]". A cell
// without brackets gives the number its digits form.
long CableSerialOf(std::string_view cell) {
    const size_t open = cell.find('[');
    if (open == std::string_view::npos) return DigitsOf(cell);
    std::string_view inside = cell.substr(open + 1);
    inside = inside.substr(0, inside.find(']'));
    while (!inside.empty() && inside.front() == ' ') inside.remove_prefix(1);
    while (!inside.empty() && inside.back() == ' ') inside.remove_suffix(1);
    long serial = 0;
    const auto [end, ec] = std::from_chars(inside.data(), inside.data() + inside.size(), serial);
    return ec == std::errc() && end == inside.data() + inside.size() ? serial : 0;
}

}  // namespace

std::string NotebookCsv(const NotebookTable& table) {
    std::string out = "record,time,cable_serial,kind,sensor,label,value\n";
    const int records = table.Records();
    for (int k = 0; k < records; ++k) {
        const int a = NotebookTable::RowA(k), b = NotebookTable::RowB(k);
        std::string record(table.Cell(a, 0));
        if (!record.empty() && record[0] == 'n') record.erase(0, 1);
        std::string time;
        DateTime date = 0, clock = 0;
        if (TryParseDate(table.Cell(a, 1), date) && TryParseTime(table.Cell(b, 1), clock)) {
            const CalendarTime c = DecodeDateTime(date + clock);
            char text[32];
            std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", c.Year, c.Month, c.Day, c.Hour, c.Minute,
                          c.Second);
            time = text;
        }
        const long serial = CableSerialOf(table.Cell(a, 2));
        const int kind = KindOfUnitText(table.Cell(a, 3));
        for (int c = 4; !table.Cell(a, c).empty() || !table.Cell(b, c).empty(); ++c) {
            AppendCsvField(out, record);
            out += ',' + time + ',' + (serial ? std::to_string(serial) : std::string()) + ',' +
                   (kind >= 0 ? std::to_string(kind) : std::string()) + ',' + std::to_string(c - 3) + ',';
            AppendCsvField(out, PointNumber(table.Cell(a, c)));
            out += ',';
            AppendCsvField(out, PointNumber(table.Cell(b, c)));
            out += '\n';
        }
    }
    return out;
}

}  // namespace drumo
