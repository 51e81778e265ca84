#include "calibration/CorrectionTable.h"

#include "model/Formats.h"

#include <cmath>
#include <cstdlib>

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
                error = NotANumberText(Cell(r, order[i]));
                return false;
            }
        const std::string item = " №" + Cell(r, CorrectionColumn::Number);
        if (s30 > S30Max || s30 < S30Min) list += item;
        if (status == 0 && (p100 > P100Max || p100 < P100Min)) list += item;
    }
    return true;
}

bool CorrectionTable::BlockBytes(int block, int sensors, char mark, std::vector<uint8_t>& bytes) const {
    bytes.clear();
    const int first = block * CorrectionBlockSize;
    const int n = std::min(CorrectionBlockSize, sensors - first);
    if (n <= 0) return true;
    bytes.resize(static_cast<size_t>(n) * 6);
    for (int j = 1; j <= n; ++j) {
        const int row = first + j;
        double id = 0, s30 = 0, p100 = 0, status = 0;
        if (!Number(row, CorrectionColumn::Id, mark, id) || !Number(row, CorrectionColumn::S30, mark, s30) ||
            !Number(row, CorrectionColumn::P100, mark, p100) || !Number(row, CorrectionColumn::Status, mark, status))
            return false;
        SensorRecord record;
        record.Status = static_cast<uint8_t>(static_cast<long>(std::nearbyint(status)) & 0xFF);
        record.Id = static_cast<uint8_t>(static_cast<long>(std::nearbyint(id)) & 0xFF);
        record.S30 = ToSignMagnitude(s30 * 16);
        record.P100 = ToSignMagnitude(record.Status == 0 ? -p100 * 10 : p100);
        record.ToBytes(bytes.data() + (j - 1) * 6);
    }
    return true;
}

std::string CorrectionTable::FileText() const {
    std::string text;
    for (int r = 1; r <= CorrectionRows && !Cell(r, CorrectionColumn::Id).empty(); ++r) {
        for (auto c : ValueColumns) text += Cell(r, c) + '\t';
        text += "\r\n";
    }
    return text;
}

void CorrectionTable::LoadFileText(std::string_view text) {
    Clear();
    int row = 1;
    size_t pos = 0;
    while (pos < text.size() && row <= CorrectionRows) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        int column = 1;
        size_t start = 0;
        while (column < CorrectionColumns) {
            const size_t tab = line.find('\t', start);
            const std::string_view field = line.substr(start, tab == std::string_view::npos ? line.npos : tab - start);
            if (tab == std::string_view::npos) {
                if (!field.empty()) SetCell(row, static_cast<CorrectionColumn>(column), std::string(field));
                break;
            }
            SetCell(row, static_cast<CorrectionColumn>(column), std::string(field));
            start = tab + 1;
            ++column;
        }
        ++row;
        pos = end + 1;
    }
}

}  // namespace drumo
