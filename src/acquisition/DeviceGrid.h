#pragma once
// The device manager's grid as the search and the archive loaders fill it: rows count from 1
// (row 0 is the header), each with its cells and a line check box enabled for a cable with
// sensors. Also the few things those loaders do to the device manager as a whole.

#include <string>
#include <vector>

namespace drumo {

class DeviceGrid {
public:
    static constexpr int ColumnCount = 7;

    virtual ~DeviceGrid() = default;
    virtual int ListedRows() const = 0;
    virtual void SetListedRows(int rows) = 0;
    virtual void SetRowCells(int row, const std::vector<std::string>& cells, bool hasSensors) = 0;
    virtual std::string CellText(int row, int column) const = 0;
    // Selects a row as the operator would; false when the selection rules refuse it or the row
    // was already the selected one.
    virtual bool SelectRow(int row) = 0;
    virtual void ShowManager() = 0;
    virtual void SetManagerTitle(const std::string& title) = 0;
    // The colour of data without a confirmed signature.
    virtual void ColourUnsigned() = 0;
    // The address, comment and speed commands, enabled after a Modbus search.
    virtual void SetChangeCommandsEnabled(bool enabled) = 0;
};

// Writes the grid one cell at a time, as the search and the archive loaders produce it: a new row
// with its line check box, single cells, and the check box enabled later. The grid itself only
// takes whole rows, so the enabled state of every row is kept here.
class GridRows {
public:
    explicit GridRows(DeviceGrid& grid) : grid_(grid) {}
    // Adds a row below the listed ones; returns its number.
    int Add(bool checkEnabled);
    void SetCheckEnabled(int row, bool enabled);
    bool CheckEnabled(int row) const;
    void SetCell(int row, int column, const std::string& text);

private:
    void Sync();
    void Write(int row, int column, const std::string& text);
    std::vector<std::string> Cells(int row) const;

    DeviceGrid& grid_;
    std::vector<bool> enabled_;
};

}  // namespace drumo
