// The main window's view of the selected cable: cable selector, temperature table, and the parts
// of the other windows that show the same cable.

#include <QApplication>
#include <QFileInfo>

#include <set>

#include "acquisition/ManagerRows.h"
#include "model/ViewTexts.h"
#include "views/ui/Colours.h"
#include "app/ui/TfrmMain.h"
#include "model/Formats.h"

namespace drumo {

namespace {
QString Q(const std::string& text) { return QString::fromStdString(text); }
}  // namespace

// --- Cable selector -------------------------------------------------------------------------

void TfrmMain::FillCableSelector() {
    cableSelector_->clear();
    const size_t d = store_.SelDevice();
    const int count = static_cast<int>(store_.Cables(d));
    if (count == 0) {
        cableSelector_->addItem(QString::fromUtf8(kNoCableItem));
    } else {
        const auto serials = store_.CableSerials(d);
        const auto kinds = store_.CableKinds(d);
        for (int i = 0; i < count; ++i)
            cableSelector_->addItem(Q(CableItemText(i, count, serials[i], kinds[i],
                                                    static_cast<int>(store_.Sensors(d, i)))));
    }
    cableSelector_->setCurrentIndex(store_.SelCable() < cableSelector_->count() ? store_.SelCable() : -1);
}

void TfrmMain::ClearCableSelector() { cableSelector_->clear(); }

void TfrmMain::PickCable(int index) {
    cableSelector_->setCurrentIndex(index);
    if (cableSelector_->count() < 2 || index < 0 || index == store_.SelCable()) return;
    // Every window that shows the selected cable follows, this one among them.
    store_.Select(store_.SelDevice(), static_cast<uint16_t>(index));
}

// --- Temperature table ----------------------------------------------------------------------
// Row 0 of the table is its fixed header; rows 1.. are the widget's rows 0...

QString TfrmMain::TableCell(int column, int row) const {
    if (row == 0) {
        const auto* item = table_->horizontalHeaderItem(column);
        return item ? item->text() : QString();
    }
    const auto* item = table_->item(row - 1, column);
    return item ? item->text() : QString();
}

void TfrmMain::SetTableCell(int column, int row, const QString& text) {
    if (row == 0) {
        table_->setHorizontalHeaderItem(column, new QTableWidgetItem(text));
        return;
    }
    if (row - 1 >= table_->rowCount()) return;
    auto* item = table_->item(row - 1, column);
    if (!item) {
        item = new QTableWidgetItem;
        table_->setItem(row - 1, column, item);
    }
    item->setText(text);
}

void TfrmMain::SetTableRows(int rows) {
    // A change of the row count is no choice of a cell by the operator.
    const QSignalBlocker block(table_);
    table_->setRowCount(std::max(1, rows - 1));
}

void TfrmMain::ClearTable() {
    const QSignalBlocker block(table_);
    table_->clearContents();
    for (int c = 0; c < 3; ++c) SetTableCell(c, 0, QString());
    SetTableRows(2);
}

void TfrmMain::ClearTableValues() {
    for (int r = 1; r < TableRows(); ++r)
        if (auto* item = table_->item(r - 1, 2)) item->setText(QString());
}

QString TfrmMain::CopyTableText() const {
    // For each row with a selected cell, its selected cells in column order.
    std::set<std::pair<int, int>> cells;
    for (const auto& range : table_->selectedRanges())
        for (int r = range.topRow(); r <= range.bottomRow(); ++r)
            for (int c = range.leftColumn(); c <= range.rightColumn(); ++c) cells.insert({r, c});
    std::vector<std::vector<std::string>> rows;
    int current = -1;
    for (const auto& [r, c] : cells) {
        if (r != current) {
            rows.emplace_back();
            current = r;
        }
        rows.back().push_back(TableCell(c, r + 1).toStdString());
    }
    return Q(TableText(rows));
}

void TfrmMain::SetTableColour(int colour) {
    tableColour_ = colour;
    table_->setStyleSheet(QStringLiteral("QTableWidget { background: %1; }"
                                         " QTableWidget::item { padding: 0px 1px; }")
                              .arg(ColourOf(colour).name()));
}

void TfrmMain::FillTable() {
    const size_t d = store_.SelDevice(), c = store_.SelCable();
    const int n = store_.SelSensors();
    if (!store_.HasCable(d, c) || n == 0) {
        ClearTable();
        return;
    }
    const char mark = DecimalMark();
    const int kind = store_.CableKinds(d)[c];
    const auto labels = store_.SensorLabels(d, c);

    SetTableRows(n + 1);
    SetTableCell(0, 0, QStringLiteral(" №"));
    SetTableCell(1, 0, Q(LabelHeader(kind)));
    SetTableCell(2, 0, Q(ValueHeader(kind)));
    for (int i = 1; i <= n && i <= static_cast<int>(labels.size()); ++i) {
        SetTableCell(0, i, QStringLiteral(" ") + QString::number(i));
        SetTableCell(1, i, Q(LabelCellText(kind, labels[i - 1], mark)));
        SetTableCell(2, i, QString());
    }
}

// --- The view of the selection --------------------------------------------------------------

void TfrmMain::RebuildView() {
    if (search_ && search_->SearchRunning()) return;
    const size_t d = store_.SelDevice();
    if (!store_.HasDevice(d)) return;

    if (store_.ArchiveLoaded()) {
        setWindowTitle(QStringLiteral("Drumo - ") + QFileInfo(Q(store_.DevSig(d).Source)).fileName());
    } else {
        ShowDeviceActions();
    }

    FillCableSelector();
    ShowDevicePanel();

    // The store has counted the selection's sensors, samples and shown values.
    const size_t c = store_.SelCable();
    FillTable();

    if (store_.SelSamples() > 0) {
        const char mark = DecimalMark();
        const uint32_t samples = store_.SelSamples();
        for (int s = 0; s < store_.SelSensors(); ++s)
            SetTableCell(2, s + 1, Q(TableValueText(store_.Samples(d, c, s)[samples - 1], mark)));
    }
}

void TfrmMain::ShowNewSample(int d, int c) {
    if (store_.SelSamples() == 0 || !store_.HasCable(d, c)) return;
    if (store_.SampleTimes(d, c).empty()) return;
    const char mark = DecimalMark();
    const int sensors = std::min<int>(store_.SelSensors(), static_cast<int>(store_.Sensors(d, c)));
    for (int r = 1; r <= sensors; ++r)
        SetTableCell(2, r, Q(TableValueText(store_.Samples(d, c, r - 1).back(), mark)));
}

}  // namespace drumo
