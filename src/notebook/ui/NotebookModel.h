#pragma once
// The notebook table as a Qt model: it reads the engine's table directly, so that a notebook of
// tens of thousands of rows opens at once. Table row 0 is the fixed header (the horizontal header
// here); model row i is table row i + 1.

#include <QAbstractTableModel>
#include <QColor>

#include "notebook/NotebookTable.h"

namespace drumo {

class NotebookModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit NotebookModel(const NotebookTable& table, QObject* parent = nullptr)
        : QAbstractTableModel(parent), table_(table) {}

    // The engine's table changed as a whole.
    void Reset() {
        beginResetModel();
        endResetModel();
    }
    void SetBackground(const QColor& colour);

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : table_.RowCount() - 1;
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : table_.ColumnCount();
    }
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const NotebookTable& table_;
    QColor background_{131, 183, 236};
};

}  // namespace drumo
