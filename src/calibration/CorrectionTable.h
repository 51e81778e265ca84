#pragma once
// The correction table of a controller's sensors: for each sensor its identification code, its
// offset S30, its quadratic coefficient P100 and its status, as the controller transfers them
// (six bytes a sensor) and as the operator sees and edits them (texts of a grid). The table holds
// the texts, because the operator edits them freely and every check reads them back as numbers;
// the checks, the block bytes and the sensor file (.dms) all work from here.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace drumo {

inline constexpr int CorrectionRows = 110;      // rows of the grid
inline constexpr int CorrectionBlockSize = 26;  // sensor records in one transfer block
inline constexpr int CorrectionBlocks = 4;      // so at most 104 sensors are transferred
inline constexpr int SnapshotLines = 128;       // graph lines whose point counts a write remembers

// The grid's columns, the row number first.
enum class CorrectionColumn { Number = 0, Id = 1, S30 = 2, P100 = 3, Status = 4 };
inline constexpr int CorrectionColumns = 5;

// Header texts of the five columns.
const std::array<std::string, CorrectionColumns>& CorrectionHeaders();

// 16-bit sign and magnitude, high byte first: bit 15 is the sign (1 = negative). A value is
// rounded to a whole magnitude, halves to even; a negative value whose magnitude rounds to 0
// keeps its sign bit.
uint16_t ToSignMagnitude(double value);
int FromSignMagnitude(uint16_t raw);

// One sensor as the controller transfers it.
struct SensorRecord {
    uint8_t Status = 0;
    uint8_t Id = 0;
    uint16_t S30 = 0;   // sign and magnitude, sixteenths of a degree
    uint16_t P100 = 0;  // sign and magnitude: tenths of the coefficient (Status 0) or a cable number
    static SensorRecord FromBytes(const uint8_t* six);
    void ToBytes(uint8_t* six) const;
};

// The texts of a failed number conversion.
std::string NotANumberText(std::string_view text);
inline constexpr const char* BadNumberFormatText =
    "Неверный формат числа!\r\nВозможно ошибка разделителя целой и дробной части";

// What a write sends: one record per sensor, each converted from its row and checked. Only
// CorrectionTable::Check makes one, so a value that was not checked never reaches a sensor.
class CheckedRecords {
public:
    int Count() const { return static_cast<int>(records_.size()); }
    // The bytes of block `block` (0..3): six a sensor; empty when the block holds no sensor.
    std::vector<uint8_t> Block(int block) const;

private:
    friend class CorrectionTable;
    std::vector<SensorRecord> records_;
};

// Why a table may not be written, as the operator is told: a warning or an error box.
struct TableRefusal {
    bool Warning = false;
    std::string Text;
};

class CorrectionTable {
public:
    CorrectionTable() { Clear(); }

    // Rows count from 1; other rows read as empty and are not written.
    const std::string& Cell(int row, CorrectionColumn column) const;
    void SetCell(int row, CorrectionColumn column, std::string text);

    // Every row emptied, its "№" cell set to the row number.
    void Clear();
    // A record read from the controller into row `row`, numbers with the decimal mark `mark`.
    void SetRecord(int row, const SensorRecord& record, char mark);
    // Rows from row 1 on for as long as all four value cells are filled.
    int CompleteRows() const;

    // Reads a cell as a number with the decimal mark; false when it is none.
    bool Number(int row, CorrectionColumn column, char mark, double& out) const;

    // Rows 1..sensors whose values are outside what the sensors accept, each listed as " №" + the
    // row's number (a row twice when both its S30 and its P100 are). False, with the conversion
    // error naming the row in `error`, when a cell is no number.
    bool LimitCheck(int sensors, char mark, std::string& list, std::string& error) const;

    // Rows 1..rows converted into the records a write sends, or nothing, with the reason, when any
    // row cannot be: a cell that is no number, a correction beyond the limits, an ID Code that is
    // no whole number 0..255, a Status that is no whole number 0..3, a cable number that is no
    // whole number of at most 15 bits. Every row is checked before anything may be sent.
    std::optional<CheckedRecords> Check(int rows, char mark, TableRefusal& refusal) const;
    // The same for writing into the controller of the last read: refused unless that read ended
    // well and the complete rows from row 1 are as many as the sensors it found.
    std::optional<CheckedRecords> ForWrite(char mark, TableRefusal& refusal) const;

    // The sensor file: the four value cells of each row from row 1, each followed by a TAB, CR LF
    // after each row, up to the last row whose "ID Code" is filled (rows stop at the first empty one).
    std::string FileText() const;
    // Fills the table from a sensor file's text: the table is cleared, then line r gives row r,
    // its TAB-separated fields going to "ID Code", "S30, °С", "P100", "Status". A number written
    // with the other decimal mark is shown with `mark`. False, with the reason in `problem` and the
    // table untouched, when the text holds control characters or more lines than the table rows.
    bool LoadFileText(std::string_view text, char mark, std::string& problem);

    // The state that goes with the grid.
    int SensorCount = 0;     // sensors of the last read
    bool ReadWhole = false;  // the last read ended well, so SensorCount is the controller's
    int D1 = 0, D2 = 0;   // first and last row of the working range
    bool RangeValid() const { return D1 != 0 && D1 <= D2 && D2 <= SensorCount; }
    // Point counts of graph lines 1..128 when the table was last written.
    std::array<size_t, SnapshotLines + 1> Snapshot{};
    void ResetSnapshot() { Snapshot.fill(0); }

private:
    // Where a cell is, for messages: "\r\nСтрока №r, «column»: text".
    std::string CellPlace(int row, CorrectionColumn column) const;

    std::array<std::array<std::string, CorrectionColumns>, CorrectionRows + 1> cells_;
};

}  // namespace drumo
