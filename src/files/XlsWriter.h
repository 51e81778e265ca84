#pragma once
// TXlsWriter: a small worksheet writer that builds an Excel BIFF record stream in memory (labels,
// numbers, blanks, column widths) and saves it in one step. It needs no spreadsheet software.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace drumo {

enum class TBiffVersion { bvBIFF2, bvBIFF3, bvBIFF4, bvBIFF5 };
enum class TMoveAfterEnter { maNone, maUp, maDown, maLeft, maRight };
enum class TXlsAlignment { eaGeneral, eaLeft, eaRight, eaCenter, eaFill, eaMultiPlan };

// Cell borders, combined as bit flags.
enum TXlsBorders : uint8_t { ebTop = 1, ebBottom = 2, ebLeft = 4, ebRight = 8 };

class TXlsWriter {
public:
    static constexpr uint16_t LastRow = 65535;
    static constexpr uint16_t LastColumn = 256;

    // An empty stream holding the beginning-of-file and dimensions records.
    TXlsWriter();

    // Drops everything written and starts again with the two opening records of the current BIFF.
    void NewStream();

    TBiffVersion BIFF = TBiffVersion::bvBIFF5;
    TMoveAfterEnter MoveAfterEnter = TMoveAfterEnter::maRight;
    uint8_t ActiveFont = 0;  // 0..3
    TXlsAlignment Alignment = TXlsAlignment::eaGeneral;
    uint8_t Borders = 0;     // TXlsBorders flags
    bool Shading = false;
    bool Hidden = false;
    bool Locked = true;

    // Any extension other than ".xls" (in any case) is replaced by ".XLS".
    void SetFileName(const std::string& name);
    const std::string& FileName() const { return fileName_; }

    // The cursor, counted from 1. A value of 0 or beyond the last row or column is ignored.
    void SetRow(uint16_t row);
    void SetColumn(uint16_t column);
    uint16_t Row() const { return row_; }
    uint16_t Column() const { return column_; }

    // Width of columns first..last (counted from 1, up to 256) in characters.
    void SetColumnWidth(uint16_t first, uint16_t last, uint8_t widthChars);

    // Cells at (row, column), counted from 1. Label text is UTF-8 and is stored in Windows-1251,
    // cut to 255 bytes. After each cell the cursor moves as MoveAfterEnter says.
    void WriteLabel(uint16_t row, uint16_t column, std::string_view text);
    void WriteNumber(uint16_t row, uint16_t column, double value);
    void WriteBlank(uint16_t row, uint16_t column);

    // Ends the stream with the end-of-file record. A cell written afterwards starts a new stream.
    void Close();
    bool Closed() const { return closed_; }

    const std::vector<uint8_t>& Bytes() const { return stream_; }

    // Writes the stream to FileName() (replacing a file only once the new one is complete).
    bool SaveToFile() const;

    // The three attribute bytes of a cell under the current settings.
    std::array<uint8_t, 3> Attributes() const;

private:
    void Record(uint16_t number, const std::vector<uint8_t>& data);
    void CellHeader(std::vector<uint8_t>& data);
    void BeginCell(uint16_t row, uint16_t column);
    void Advance();

    std::vector<uint8_t> stream_;
    std::string fileName_;
    uint16_t row_ = 1;
    uint16_t column_ = 1;
    bool closed_ = false;
};

}  // namespace drumo
