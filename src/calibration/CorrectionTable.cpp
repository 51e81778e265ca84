#include "calibration/CorrectionTable.h"

#include "model/Formats.h"

#include <cmath>
#include <cstdlib>
#include <utility>

namespace drumo {

namespace {

constexpr double S30Max = 0.4375, S30Min = -0.5;
constexpr double P100Max = 0.0, P100Min = -1.5;

const std::string& Empty() {
    static const std::string empty;
    return empty;
}

int Col(CorrectionColumn c) { return static_cast<int>(c); }

constexpr CorrectionColumn ValueColumns[] = {CorrectionColumn::Id, CorrectionColumn::S30, CorrectionColumn::P100,
                                             CorrectionColumn::Status};

}  // namespace

const std::array<std::string, CorrectionColumns>& CorrectionHeaders() {
    static const std::array<std::string, CorrectionColumns> headers = {"№", "ID Code", "S30, °С", "P100", "Status"};
    return headers;
}

uint16_t ToSignMagnitude(double value) {
    const double magnitude = std::nearbyint(std::fabs(value));
    uint16_t raw = static_cast<uint16_t>(std::min(magnitude, 32767.0));
    if (value < 0) raw |= 0x8000;
    return raw;
}

int FromSignMagnitude(uint16_t raw) {
    const int magnitude = raw & 0x7FFF;
    return (raw & 0x8000) ? -magnitude : magnitude;
}

SensorRecord SensorRecord::FromBytes(const uint8_t* six) {
    SensorRecord r;
    r.Status = six[0];
    r.Id = six[1];
    r.S30 = static_cast<uint16_t>(six[2] << 8 | six[3]);
    r.P100 = static_cast<uint16_t>(six[4] << 8 | six[5]);
    return r;
}

void SensorRecord::ToBytes(uint8_t* six) const {
    six[0] = Status;
    six[1] = Id;
    six[2] = static_cast<uint8_t>(S30 >> 8);
    six[3] = static_cast<uint8_t>(S30 & 0xFF);
    six[4] = static_cast<uint8_t>(P100 >> 8);
    six[5] = static_cast<uint8_t>(P100 & 0xFF);
}

std::string NotANumberText(std::string_view text) {
    return "'" + std::string(text) + "' не является числом";
}

const std::string& CorrectionTable::Cell(int row, CorrectionColumn column) const {
    if (row < 1 || row > CorrectionRows) return Empty();
    return cells_[row][Col(column)];
}

void CorrectionTable::SetCell(int row, CorrectionColumn column, std::string text) {
    if (row < 1 || row > CorrectionRows) return;
    cells_[row][Col(column)] = std::move(text);
}

void CorrectionTable::Clear() {
    for (int r = 0; r <= CorrectionRows; ++r) {
        for (auto& cell : cells_[r]) cell.clear();
        if (r > 0) cells_[r][0] = std::to_string(r);
    }
}

void CorrectionTable::SetRecord(int row, const SensorRecord& record, char mark) {
    SetCell(row, CorrectionColumn::Status, std::to_string(record.Status));
    SetCell(row, CorrectionColumn::Id, std::to_string(record.Id));
    SetCell(row, CorrectionColumn::S30, NumberText(FromSignMagnitude(record.S30) / 16.0, mark));
    // An ordinary sensor keeps its coefficient as a positive magnitude of tenths; any other status
    // puts the cable number there.
    const int p100 = FromSignMagnitude(record.P100);
    SetCell(row, CorrectionColumn::P100, record.Status == 0 ? NumberText(-p100 / 10.0, mark) : std::to_string(p100));
}

int CorrectionTable::CompleteRows() const {
    int rows = 0;
    for (int r = 1; r <= CorrectionRows; ++r) {
        for (auto c : ValueColumns)
            if (Cell(r, c).empty()) return rows;
        ++rows;
    }
    return rows;
}

bool CorrectionTable::Number(int row, CorrectionColumn column, char mark, double& out) const {
    return TryParseNumber(Cell(row, column), out, mark);
}

bool CorrectionTable::LimitCheck(int sensors, char mark, std::string& list, std::string& error) const {
    list.clear();
    for (int r = 1; r <= std::min(sensors, CorrectionRows); ++r) {
        double s30 = 0, p100 = 0, status = 0;
        const CorrectionColumn order[] = {CorrectionColumn::S30, CorrectionColumn::Status, CorrectionColumn::P100};
        double* values[] = {&s30, &status, &p100};
        for (int i = 0; i < 3; ++i)
            if (!Number(r, order[i], mark, *values[i])) {
                error = NotANumberText(Cell(r, order[i])) + CellPlace(r, order[i]);
                return false;
            }
        const std::string item = " №" + Cell(r, CorrectionColumn::Number);
        if (s30 > S30Max || s30 < S30Min) list += item;
        if (status == 0 && (p100 > P100Max || p100 < P100Min)) list += item;
    }
    return true;
}

std::string CorrectionTable::CellPlace(int row, CorrectionColumn column) const {
    return "\r\nСтрока №" + std::to_string(row) + ", «" + CorrectionHeaders()[Col(column)] + "»: " + Cell(row, column);
}

std::optional<CheckedRecords> CorrectionTable::Check(int rows, char mark, TableRefusal& refusal) const {
    rows = std::min(rows, CorrectionBlocks * CorrectionBlockSize);
    std::string list, error;
    if (!LimitCheck(rows, mark, list, error)) {
        refusal = {false, error};
        return std::nullopt;
    }
    if (!list.empty()) {
        refusal = {true, "Значения поправок превысили допустимые пределы! Запись отменена!\r\n" + list};
        return std::nullopt;
    }
    // A value the record cannot hold would reach the sensor cut to its low bits or clamped: the
    // ID Code 300 as 44, -1 as 255 (the damaged-sensor code). Such rows are named, and nothing
    // is written.
    CheckedRecords checked;
    std::vector<std::string> invalid;
    const auto wholeWithin = [](double v, double low, double high) { return std::floor(v) == v && v >= low && v <= high; };
    for (int r = 1; r <= rows; ++r) {
        double id = 0, s30 = 0, p100 = 0, status = 0;
        if (!Number(r, CorrectionColumn::Id, mark, id)) {
            refusal = {false, BadNumberFormatText + CellPlace(r, CorrectionColumn::Id)};
            return std::nullopt;
        }
        Number(r, CorrectionColumn::S30, mark, s30);  // the limit check has read these three
        Number(r, CorrectionColumn::P100, mark, p100);
        Number(r, CorrectionColumn::Status, mark, status);
        const size_t before = invalid.size();
        if (!wholeWithin(id, 0, 255)) invalid.push_back(CellPlace(r, CorrectionColumn::Id) + " (целое число от 0 до 255)");
        if (!wholeWithin(status, 0, 3))
            invalid.push_back(CellPlace(r, CorrectionColumn::Status) + " (целое число от 0 до 3)");
        else if (status != 0 && !wholeWithin(p100, -32767, 32767))
            invalid.push_back(CellPlace(r, CorrectionColumn::P100) + " (номер термокосы: целое число от -32767 до 32767)");
        if (invalid.size() != before) continue;  // no record is made of values it cannot hold
        SensorRecord record;
        record.Status = static_cast<uint8_t>(status);
        record.Id = static_cast<uint8_t>(id);
        record.S30 = ToSignMagnitude(s30 * 16);
        record.P100 = ToSignMagnitude(status == 0 ? -p100 * 10 : p100);
        checked.records_.push_back(record);
    }
    if (!invalid.empty()) {
        constexpr size_t Shown = 10;  // a message box of a hundred lines would not fit the screen
        std::string text = "Недопустимые значения в таблице! Запись отменена!";
        for (size_t i = 0; i < std::min(Shown, invalid.size()); ++i) text += invalid[i];
        if (invalid.size() > Shown) text += "\r\n… и еще " + std::to_string(invalid.size() - Shown);
        refusal = {true, text};
        return std::nullopt;
    }
    return checked;
}

std::optional<CheckedRecords> CorrectionTable::ForWrite(char mark, TableRefusal& refusal) const {
    // Without a whole read the controller's sensor count is unknown, and rows could go to sensors
    // that are not there or leave others with values nobody read.
    if (!ReadWhole || CompleteRows() != SensorCount) {
        refusal = {true, "Количество датчиков не совпадает!\r\nОбновите подключение к прибору"};
        return std::nullopt;
    }
    return Check(SensorCount, mark, refusal);
}

std::vector<uint8_t> CheckedRecords::Block(int block) const {
    std::vector<uint8_t> bytes;
    const int first = block * CorrectionBlockSize;
    const int n = std::min(CorrectionBlockSize, Count() - first);
    if (n <= 0) return bytes;
    bytes.resize(static_cast<size_t>(n) * 6);
    for (int j = 0; j < n; ++j) records_[static_cast<size_t>(first + j)].ToBytes(bytes.data() + j * 6);
    return bytes;
}

std::string CorrectionTable::FileText() const {
    std::string text;
    for (int r = 1; r <= CorrectionRows && !Cell(r, CorrectionColumn::Id).empty(); ++r) {
        for (auto c : ValueColumns) text += Cell(r, c) + '\t';
        text += "\r\n";
    }
    return text;
}

bool CorrectionTable::LoadFileText(std::string_view text, char mark, std::string& problem) {
    // The sensor file of another decimal mark (the program saves the mark it is set to) is read
    // all the same: a number is shown with this program's mark, and nothing else is changed.
    const char other = mark == '.' ? ',' : '.';
    const auto withMark = [&](std::string field) {
        double value = 0;
        const size_t at = field.find(other);
        if (at != std::string::npos && TryParseNumber(field, value, other)) field[at] = mark;
        return field;
    };
    CorrectionTable loaded;
    int row = 1;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        pos = end + 1;
        for (const char ch : line)
            if (static_cast<unsigned char>(ch) < 0x20 && ch != '\t') {
                problem = "Строка " + std::to_string(row) + " содержит недопустимый символ";
                return false;
            }
        if (row > CorrectionRows) {
            if (line.find_first_not_of("\t ") == std::string_view::npos) continue;
            problem = "В файле больше " + std::to_string(CorrectionRows) + " строк";
            return false;
        }
        int column = 1;
        size_t start = 0;
        while (column < CorrectionColumns) {
            const size_t tab = line.find('\t', start);
            const std::string_view field = line.substr(start, tab == std::string_view::npos ? line.npos : tab - start);
            if (tab == std::string_view::npos) {
                if (!field.empty()) loaded.SetCell(row, static_cast<CorrectionColumn>(column), withMark(std::string(field)));
                break;
            }
            loaded.SetCell(row, static_cast<CorrectionColumn>(column), withMark(std::string(field)));
            start = tab + 1;
            ++column;
        }
        ++row;
    }
    cells_ = std::move(loaded.cells_);
    return true;
}

}  // namespace drumo
