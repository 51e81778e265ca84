#include "acquisition/ManagerRows.h"

namespace drumo {

namespace {
int RowsOfDevice(int cables) { return cables > 0 ? cables : 1; }
}  // namespace

std::vector<int> CableCounts(const MeasurementStore& store) {
    std::vector<int> counts;
    counts.reserve(store.Devices());
    for (size_t d = 0; d < store.Devices(); ++d) counts.push_back(static_cast<int>(store.Cables(d)));
    return counts;
}

int ListedRowCount(const std::vector<int>& cableCounts) {
    int rows = 0;
    for (int cables : cableCounts) rows += RowsOfDevice(cables);
    return rows;
}

int RowOfCable(const std::vector<int>& cableCounts, int d, int c) {
    int row = 1 + c;
    for (int i = 0; i < d && i < static_cast<int>(cableCounts.size()); ++i)
        row += RowsOfDevice(cableCounts[i]);
    return row;
}

std::optional<CableRef> CableOfRow(const std::vector<int>& cableCounts, int r) {
    if (r < 1) return std::nullopt;
    int sum = 0;
    for (int d = 0; d < static_cast<int>(cableCounts.size()); ++d) {
        const int rows = RowsOfDevice(cableCounts[d]);
        sum += rows;
        if (sum >= r) return CableRef{d, rows + r - sum - 1};
    }
    return std::nullopt;
}

bool RowSelectable(bool searchRunning, int r, int listedRows, int currentRow) {
    return !searchRunning && r >= 1 && r <= listedRows && r != currentRow;
}

std::string TableText(const std::vector<std::vector<std::string>>& rows) {
    std::string text;
    for (const auto& row : rows) {
        for (const auto& cell : row) {
            text += cell;
            text += '\t';
        }
        text += "\r\n";
    }
    return text;
}

}  // namespace drumo
