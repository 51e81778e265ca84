#pragma once
// Rows of the device manager grid. Row 0 is the header; after it every device takes one row per
// cable, and one row when it has no cable. The grid knows devices only by their cable counts.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "model/Store.h"

namespace drumo {

struct CableRef {
    int Device = 0;
    int Cable = 0;
    bool operator==(const CableRef&) const = default;
};

// Cable counts of the store's devices, in store order.
std::vector<int> CableCounts(const MeasurementStore& store);

// Number of listed rows (without the header) for devices with the given cable counts.
int ListedRowCount(const std::vector<int>& cableCounts);

// Row of cable c of device d (rows count from 1).
int RowOfCable(const std::vector<int>& cableCounts, int d, int c);

// Device and cable listed in row r; nothing for the header and for rows past the last one.
// A device without cables is listed with cable 0.
std::optional<CableRef> CableOfRow(const std::vector<int>& cableCounts, int r);

// The operator may select row r only when no search runs, r is a listed row and not the one
// already selected.
bool RowSelectable(bool searchRunning, int r, int listedRows, int currentRow);

// Plain text of a table for the clipboard: each cell followed by a tab, each row ended by CR LF.
std::string TableText(const std::vector<std::vector<std::string>>& rows);

}  // namespace drumo
