#pragma once
// Writes the device manager's grid one cell at a time, as the search and the archive loaders
// produce it: a new row with its line check box, single cells, and the check box enabled later.
// The grid itself only takes whole rows, so the enabled state of every row is kept here.

#include <QString>

#include <vector>

namespace drumo {

class TfrmScanM;

class GridRows {
public:
    explicit GridRows(TfrmScanM& scanM) : scanM_(scanM) {}

    // Adds a row below the listed ones; returns its number (rows count from 1).
    int Add(bool checkEnabled);
    void SetCheckEnabled(int row, bool enabled);
    bool CheckEnabled(int row) const;
    void SetCell(int row, int column, const QString& text);

private:
    void Sync();
    void Write(int row, int column, const QString& text);

    TfrmScanM& scanM_;
    std::vector<bool> enabled_;
};

}  // namespace drumo
