#include "notebook/ui/NotebookModel.h"

namespace drumo {

void NotebookModel::SetBackground(const QColor& colour) {
    background_ = colour;
    if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::BackgroundRole});
}

QVariant NotebookModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (role == Qt::DisplayRole) {
        const std::string_view cell = table_.Cell(index.row() + 1, index.column());
        return QString::fromUtf8(cell.data(), static_cast<qsizetype>(cell.size()));
    }
    if (role == Qt::BackgroundRole) return background_;
    return {};
}

QVariant NotebookModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal) return QString::fromStdString(NotebookTable::HeaderCell(section));
    return {};
}

}  // namespace drumo
