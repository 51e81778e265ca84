#include "calibration/ui/TfrmReport.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QVBoxLayout>

#include "acquisition/ManagerRows.h"
#include "calibration/RomCodes.h"
#include "model/Formats.h"
#include "views/ui/Colours.h"

namespace drumo {

// --- The measurement table as a model over the store ---------------------------------------

ReportModel::ReportModel(const MeasurementStore& store, QObject* parent)
    : QAbstractTableModel(parent), table_(store) {
    SetColours(TfrmReport::LiveCells, TfrmReport::LiveHeading);
}

int ReportModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }
int ReportModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : columns_; }

QVariant ReportModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (role == Qt::DisplayRole) return QString::fromStdString(table_.Cell(index.row(), index.column(), DecimalMark()));
    if (role == Qt::BackgroundRole) return cells_;
    return {};
}

QVariant ReportModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) return {};
    if (role == Qt::DisplayRole) return QString::fromStdString(table_.Heading(section, DecimalMark()));
    if (role == Qt::BackgroundRole) return heading_;
    return {};
}

void ReportModel::Rebuild() {
    beginResetModel();
    rows_ = table_.Rows();
    columns_ = table_.Columns();
    endResetModel();
}

void ReportModel::Grow() {
    const int rows = table_.Rows();
    if (table_.Columns() != columns_ || rows < rows_) {
        Rebuild();
        return;
    }
    if (rows > rows_ && table_.Samples() > 1) {
        beginInsertRows({}, rows_, rows - 1);
        rows_ = rows;
        endInsertRows();
    }
    // The one row shown while there was no sample now holds the first: only its cells change.
    emit dataChanged(index(rows_ - 1, 0), index(rows_ - 1, columns_ - 1));
}

void ReportModel::SetColours(int cells, int heading) {
    cells_ = ColourOf(cells);
    heading_ = ColourOf(heading);
    if (rows_ > 0 && columns_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, columns_ - 1));
    emit headerDataChanged(Qt::Horizontal, 0, columns_ - 1);
}

// --- The window --------------------------------------------------------------------------------

TfrmReport::TfrmReport(const MeasurementStore& store, QWidget* parent)
    : QWidget(parent, Qt::Window), model_(store), pages_(new QTabWidget(this)),
      measurements_(new QTableView), rom_(new QTableWidget), readRom_(new QToolButton) {
    setWindowTitle(QStringLiteral("Отчет"));
    setObjectName(QStringLiteral("frmReport"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(pages_);

    measurements_->setObjectName(QStringLiteral("SGReport"));
    measurements_->setModel(&model_);
    measurements_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    measurements_->setSelectionMode(QAbstractItemView::ContiguousSelection);
    measurements_->verticalHeader()->hide();
    measurements_->verticalHeader()->setDefaultSectionSize(18);
    measurements_->horizontalHeader()->setDefaultSectionSize(50);
    measurements_->horizontalHeader()->setMinimumSectionSize(20);
    measurements_->setWordWrap(false);
    // The time column is 102 pixels wide, or wider where the font needs it for a whole date and time.
    const int timeWidth = std::max(102, measurements_->fontMetrics().horizontalAdvance(QStringLiteral("00.00.00 00:00:00")) + 10);
    connect(&model_, &QAbstractItemModel::modelReset, this,
            [this, timeWidth] { measurements_->setColumnWidth(0, timeWidth); });
    measurements_->setColumnWidth(0, timeWidth);
    connect(measurements_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid()) emit CellPicked(current.column(), current.row() + 1);
            });
    pages_->addTab(measurements_, QStringLiteral("Результаты измерений"));

    auto* romPage = new QWidget;
    auto* romLayout = new QHBoxLayout(romPage);
    rom_->setObjectName(QStringLiteral("SGRomCode"));
    rom_->setColumnCount(2);
    rom_->horizontalHeader()->hide();
    rom_->verticalHeader()->hide();
    // Wide enough for a sensor number and a whole ROM code in the table's font.
    rom_->setColumnWidth(0, std::max(43, rom_->fontMetrics().horizontalAdvance(QStringLiteral("№255")) + 10));
    const uint8_t widestCode[8] = {0xDD, 0xDD, 0xDD, 0xDD, 0xDD, 0xDD, 0xDD, 0xDD};
    rom_->setColumnWidth(1, std::max(125, rom_->fontMetrics().horizontalAdvance(QString::fromStdString(RomCodeText(widestCode))) + 10));
    rom_->verticalHeader()->setDefaultSectionSize(18);
    rom_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    rom_->setSelectionMode(QAbstractItemView::ContiguousSelection);
    romLayout->addWidget(rom_, 1);
    readRom_->setObjectName(QStringLiteral("btnReadRom"));
    readRom_->setText(QStringLiteral("Считать"));
    readRom_->setToolTip(QStringLiteral("Считать коды ROM датчиков"));
    connect(readRom_, &QToolButton::clicked, this, &TfrmReport::ReadRomClicked);
    romLayout->addWidget(readRom_, 0, Qt::AlignTop);
    pages_->addTab(romPage, QStringLiteral("Rom Code"));

    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(measurements_), static_cast<QAbstractItemView*>(rom_)}) {
        auto* copy = new QAction(QStringLiteral("Копировать"), view);
        copy->setShortcut(QKeySequence::Copy);
        copy->setShortcutContext(Qt::WidgetShortcut);
        connect(copy, &QAction::triggered, this, &TfrmReport::Copy);
        view->addAction(copy);
        view->setContextMenuPolicy(Qt::ActionsContextMenu);
    }
    model_.Rebuild();
}

void TfrmReport::ShowRomCodes(const std::vector<RomCodeRow>& rows) {
    rom_->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        rom_->setItem(r, 0, new QTableWidgetItem(QString::fromStdString(rows[static_cast<size_t>(r)].Number)));
        rom_->setItem(r, 1, new QTableWidgetItem(QString::fromStdString(rows[static_cast<size_t>(r)].Code)));
    }
}

QString TfrmReport::CopyText() const {
    const QAbstractItemView* view = pages_->currentIndex() == 0 ? static_cast<const QAbstractItemView*>(measurements_)
                                                                : static_cast<const QAbstractItemView*>(rom_);
    const auto selection = view->selectionModel()->selection();
    if (selection.isEmpty()) return {};
    const QItemSelectionRange& range = selection.first();
    std::vector<std::vector<std::string>> rows;
    for (int r = range.top(); r <= range.bottom(); ++r) {
        rows.emplace_back();
        for (int c = range.left(); c <= range.right(); ++c)
            rows.back().push_back(view->model()->index(r, c).data().toString().toStdString());
    }
    return QString::fromStdString(TableText(rows));
}

void TfrmReport::Copy() { QApplication::clipboard()->setText(CopyText()); }

void TfrmReport::showEvent(QShowEvent* event) {
    pages_->setCurrentIndex(0);
    QWidget::showEvent(event);
}

}  // namespace drumo
