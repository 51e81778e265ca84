#include "files/XlsWriter.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "model/SafeFile.h"
#include "model/Cp1251.h"

namespace drumo {

namespace {

void Put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v & 0xFF));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

}  // namespace

TXlsWriter::TXlsWriter() { NewStream(); }

void TXlsWriter::NewStream() {
    stream_.clear();
    closed_ = false;
    // Beginning of file: three words 0x0200, 0x0010, 0x0000; BIFF2 keeps only the first four bytes.
    std::vector<uint8_t> bof;
    Put16(bof, 0x0200);
    Put16(bof, 0x0010);
    Put16(bof, 0x0000);
    // Dimensions: first row, last row, first column, last column, reserved.
    std::vector<uint8_t> dim;
    Put16(dim, 0);
    Put16(dim, 0xFFFF);
    Put16(dim, 0);
    Put16(dim, 0x0100);
    Put16(dim, 0);
    switch (BIFF) {
    case TBiffVersion::bvBIFF2:
        bof.resize(4);
        dim.resize(8);
        Record(0x0009, bof);
        Record(0x0000, dim);
        break;
    case TBiffVersion::bvBIFF3:
        Record(0x0209, bof);
        Record(0x0200, dim);
        break;
    case TBiffVersion::bvBIFF4:
        Record(0x0409, bof);
        Record(0x0200, dim);
        break;
    case TBiffVersion::bvBIFF5:
        Record(0x0809, bof);
        Record(0x0200, dim);
        break;
    }
}

void TXlsWriter::SetFileName(const std::string& name) {
    const size_t slash = name.find_last_of('/');
    const size_t dot = name.find_last_of('.');
    const bool hasExt = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    std::string ext = hasExt ? name.substr(dot) : std::string();
    std::string lower = ext;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower == ".xls")
        fileName_ = name;
    else
        fileName_ = (hasExt ? name.substr(0, dot) : name) + ".XLS";
}

void TXlsWriter::SetRow(uint16_t row) {
    if (row != 0 && row <= LastRow) row_ = row;
}

void TXlsWriter::SetColumn(uint16_t column) {
    if (column != 0 && column <= LastColumn) column_ = column;
}

std::array<uint8_t, 3> TXlsWriter::Attributes() const {
    uint8_t a1 = 0;
    if (Locked) a1 |= 0x40;
    if (Hidden) a1 |= 0x80;
    const uint8_t a2 = static_cast<uint8_t>((ActiveFont & 3) * 64);
    uint8_t a3 = 0;
    if (Shading) a3 |= 0x80;
    switch (Alignment) {
    case TXlsAlignment::eaGeneral: break;
    case TXlsAlignment::eaLeft: a3 |= 1; break;
    case TXlsAlignment::eaRight: a3 |= 3; break;
    case TXlsAlignment::eaCenter: a3 |= 2; break;
    case TXlsAlignment::eaFill: a3 |= 4; break;
    case TXlsAlignment::eaMultiPlan: a3 |= 7; break;
    }
    if (Borders & ebTop) a3 |= 0x20;
    if (Borders & ebBottom) a3 |= 0x40;
    if (Borders & ebLeft) a3 |= 0x08;
    if (Borders & ebRight) a3 |= 0x10;
    return {a1, a2, a3};
}

void TXlsWriter::Record(uint16_t number, const std::vector<uint8_t>& data) {
    Put16(stream_, number);
    Put16(stream_, static_cast<uint16_t>(data.size()));
    stream_.insert(stream_.end(), data.begin(), data.end());
}

void TXlsWriter::SetColumnWidth(uint16_t first, uint16_t last, uint8_t widthChars) {
    if (closed_) NewStream();
    if (first == 0 || last == 0 || first > LastColumn || last > LastColumn) return;
    std::vector<uint8_t> data{static_cast<uint8_t>(first - 1), static_cast<uint8_t>(last - 1)};
    Put16(data, static_cast<uint16_t>(widthChars * 256));
    Record(0x0024, data);
}

void TXlsWriter::BeginCell(uint16_t row, uint16_t column) {
    if (closed_) NewStream();
    SetRow(row);
    SetColumn(column);
}

void TXlsWriter::CellHeader(std::vector<uint8_t>& data) {
    Put16(data, static_cast<uint16_t>(row_ - 1));
    Put16(data, static_cast<uint16_t>(column_ - 1));
    const auto attr = Attributes();
    data.insert(data.end(), attr.begin(), attr.end());
}

void TXlsWriter::Advance() {
    switch (MoveAfterEnter) {
    case TMoveAfterEnter::maNone: break;
    case TMoveAfterEnter::maUp:
        if (row_ > 1) --row_;
        break;
    case TMoveAfterEnter::maDown:
        if (row_ < LastRow) ++row_;
        break;
    case TMoveAfterEnter::maLeft:
        if (column_ > 1) --column_;
        break;
    case TMoveAfterEnter::maRight:
        if (column_ < LastColumn) {
            ++column_;
        } else if (row_ < LastRow) {
            column_ = 1;
            ++row_;
        }
        break;
    }
}

void TXlsWriter::WriteLabel(uint16_t row, uint16_t column, std::string_view text) {
    BeginCell(row, column);
    std::string bytes = Utf8ToCp1251(text);
    if (bytes.size() > 255) bytes.resize(255);
    std::vector<uint8_t> data;
    data.reserve(8 + bytes.size());
    CellHeader(data);
    data.push_back(static_cast<uint8_t>(bytes.size()));
    data.insert(data.end(), bytes.begin(), bytes.end());
    Record(0x0004, data);
    Advance();
}

void TXlsWriter::WriteNumber(uint16_t row, uint16_t column, double value) {
    BeginCell(row, column);
    std::vector<uint8_t> data;
    data.reserve(15);
    CellHeader(data);
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    for (int i = 0; i < 8; ++i) data.push_back(static_cast<uint8_t>(bits >> (8 * i)));
    Record(0x0003, data);
    Advance();
}

void TXlsWriter::WriteBlank(uint16_t row, uint16_t column) {
    BeginCell(row, column);
    std::vector<uint8_t> data;
    CellHeader(data);
    Record(0x0001, data);
    Advance();
}

void TXlsWriter::Close() {
    if (closed_) return;
    Record(0x000A, {});
    closed_ = true;
}

bool TXlsWriter::SaveToFile() const {
    if (fileName_.empty()) return false;
    return WriteFileSafely(fileName_, std::string_view(reinterpret_cast<const char*>(stream_.data()),
                                                       stream_.size()));
}

}  // namespace drumo
