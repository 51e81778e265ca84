#pragma once
// The sensor report: the samples of the shown cable as a table, one row per sample and one column
// per sensor, computed from the store when a cell is drawn so that a long archive costs nothing.

#include "model/Store.h"

#include <string>

namespace drumo {

class ReportTable {
public:
    explicit ReportTable(const MeasurementStore& store) : store_(store) {}

    // The cable the report shows: the store's selection, or none.
    bool HasCable() const { return store_.SelectionValid(); }
    int Sensors() const;
    int Samples() const;
    // At least one column and, below the heading, at least one row.
    int Columns() const { return std::max(Sensors() + 1, 1); }
    int Rows() const { return std::max(Samples(), 1); }

    // The heading of a column: the cable in column 0, the sensors' labels after it.
    std::string Heading(int column, char mark) const;
    // The cell of sample row `row` (from 0): its date and time in column 0, the values after it.
    std::string Cell(int row, int column, char mark) const;

    // Where the trend's sticker goes for the cell of sensor `column` (from 1) and sample `row`
    // (from 0): label and value, swapped in the ground view. False outside the sensors.
    bool StickerPlace(int row, int column, bool inGround, double& x, double& y) const;

private:
    const MeasurementStore& store_;
};

}  // namespace drumo
