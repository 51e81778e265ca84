#include "acquisition/ui/TfrmScanM.h"

#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QDate>
#include <QHeaderView>
#include <QLocale>
#include <QScrollBar>
#include <QTime>
#include <QVBoxLayout>

#include "acquisition/ManagerRows.h"
#include "acquisition/ServiceCommands.h"

namespace drumo {

namespace {

const int kWidths[TfrmScanM::ColumnCount] = {40, 80, 40, 40, 40, 190, 104};
const char* const kHeaders[TfrmScanM::ColumnCount] = {
    "Адрес", "Тип прибора", "SN", "SNтк", "дат", "Комментарии", "Источник данных"};
constexpr int kRowHeight = 15;
constexpr int kHeaderHeight = 18;
constexpr int kGridWidth = 40 + 80 + 40 + 40 + 40 + 190 + 104 + 2;
const QColor kGridColour(131, 183, 255);
const QColor kUnsignedColour(255, 168, 227);
const QColor kHeaderColour(131, 183, 236);

void PaintSwatch(QToolButton* swatch, const QColor& colour) {
    swatch->setStyleSheet(QStringLiteral("QToolButton { background: %1; border: 1px solid #404040;"
                                         " border-radius: 3px; }")
                              .arg(colour.name()));
    swatch->setProperty("colour", colour);
}

}  // namespace

TfrmScanM::TfrmScanM(MeasurementStore& store, QWidget* parent)
    : QWidget(parent, Qt::Window), store_(store) {
    setObjectName(QStringLiteral("frmScanM"));
    setWindowTitle(QStringLiteral("Диспетчер приборов"));
    setFixedWidth(600);
    setMinimumHeight(261);
    resize(600, 433);

    auto* content = new QWidget;
    grid_ = new QTableWidget(1, ColumnCount, content);
    grid_->setObjectName(QStringLiteral("SGDevices"));
    grid_->horizontalHeader()->hide();
    grid_->verticalHeader()->hide();
    grid_->verticalHeader()->setMinimumSectionSize(kRowHeight);
    grid_->setTextElideMode(Qt::ElideNone);
    grid_->setWordWrap(false);
    grid_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::ContiguousSelection);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    SetGridColour(kGridColour);
    QFont narrow(QStringLiteral("DejaVu Sans Condensed"));
    narrow.setPixelSize(11);
    grid_->setFont(narrow);
    for (int c = 0; c < ColumnCount; ++c) {
        grid_->setColumnWidth(c, kWidths[c]);
        auto* item = new QTableWidgetItem(QString::fromUtf8(kHeaders[c]));
        item->setBackground(kHeaderColour);
        item->setFlags(Qt::ItemIsEnabled);
        grid_->setItem(0, c, item);
    }
    grid_->setRowHeight(0, kHeaderHeight);
    grid_->move(0, 0);

    side_ = new QWidget(content);
    side_->setObjectName(QStringLiteral("pnlLines"));
    allLines_ = new QCheckBox(side_);
    allLines_->setObjectName(QStringLiteral("cbAllLines"));
    allLines_->setToolTip(QStringLiteral("Показать/скрыть все линии"));
    allLines_->move(2, 1);
    allLines_->hide();
    connect(allLines_, &QCheckBox::clicked, this, [this](bool on) {
        for (auto* box : boxes_)
            if (box->isEnabled()) box->setChecked(on);
        emit AllLinesToggled(on);
    });

    scroll_ = new QScrollArea(this);
    scroll_->setWidget(content);
    scroll_->setWidgetResizable(false);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    log_ = new QPlainTextEdit(this);
    log_->setObjectName(QStringLiteral("memoLog"));
    log_->setReadOnly(true);
    log_->setStyleSheet(QStringLiteral("QPlainTextEdit { background: rgb(0, 78, 152); color: white; }"));
    log_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(scroll_, 3);
    layout->addWidget(log_, 2);

    popup_ = new QMenu(this);
    actEditAddress_ = popup_->addAction(QStringLiteral("Изменить адрес"), this, &TfrmScanM::EditAddress);
    actEditComment_ =
        popup_->addAction(QStringLiteral("Изменить комментарии"), this, &TfrmScanM::EditComment);
    actEditSpeed_ = popup_->addAction(QStringLiteral("Изменить скорость обмена (для всех)"), this,
                                      &TfrmScanM::EditSpeed);
    popup_->addAction(QStringLiteral("Копировать"), this, &TfrmScanM::CopyToClipboard);
    popup_->addAction(QStringLiteral("Отмена"), popup_, &QMenu::close);
    SetChangeCommandsEnabled(false);
    for (QWidget* w : {static_cast<QWidget*>(grid_), side_}) {
        w->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(w, &QWidget::customContextMenuRequested, this, [this, w](const QPoint& at) {
            PreparePopup();
            popup_->popup(w->mapToGlobal(at));
        });
    }

    connect(grid_, &QTableWidget::currentCellChanged, this,
            [this](int row, int, int, int) { OnCurrentCellChanged(row); });

    AfterRowCountChange();
    Log(" > " + QLocale().toString(QDate::currentDate(), QLocale::ShortFormat).toStdString() +
        " --- Старт ---");
}

void TfrmScanM::Log(const std::string& text) {
    log_->appendPlainText(QTime::currentTime().toString(QStringLiteral("HH:mm:ss")) +
                          QString::fromStdString(text));
}

QStringList TfrmScanM::LogLines() const { return log_->toPlainText().split(QLatin1Char('\n')); }

void TfrmScanM::SetListedRows(int rows) {
    restoring_ = true;
    grid_->clearSelection();
    grid_->setRowCount(1 + std::max(0, rows));
    for (int r = 1; r < grid_->rowCount(); ++r) {
        grid_->setRowHeight(r, kRowHeight);
        for (int c = 0; c < ColumnCount; ++c)
            if (!grid_->item(r, c)) grid_->setItem(r, c, new QTableWidgetItem);
    }
    grid_->setCurrentCell(-1, -1);
    restoring_ = false;
    selectedRow_ = 0;
    while (static_cast<int>(boxes_.size()) > rows) {
        delete boxes_.back();
        boxes_.pop_back();
    }
    while (static_cast<int>(boxes_.size()) < rows) {
        auto* box = new QCheckBox(side_);
        const int row = static_cast<int>(boxes_.size()) + 1;
        box->setToolTip(QStringLiteral("Показать/скрыть"));
        box->setEnabled(false);
        box->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(box, &QCheckBox::customContextMenuRequested, this, [this, box](const QPoint& at) {
            PreparePopup();
            popup_->popup(box->mapToGlobal(at));
        });
        connect(box, &QCheckBox::clicked, this, [this, row](bool on) { emit LineToggled(row, on); });
        box->show();
        boxes_.push_back(box);
    }
    AfterRowCountChange();
}

void TfrmScanM::SetRow(int row, const QStringList& cells, bool hasSensors) {
    if (row < 1 || row > ListedRows()) return;
    for (int c = 0; c < ColumnCount; ++c)
        grid_->item(row, c)->setText(c < cells.size() ? cells[c] : QString());
    boxes_[row - 1]->setEnabled(hasSensors);
    if (row - 1 < static_cast<int>(swatches_.size())) swatches_[row - 1]->setVisible(hasSensors);
}

void TfrmScanM::SetRowCells(int row, const std::vector<std::string>& cells, bool hasSensors) {
    QStringList texts;
    for (const auto& cell : cells) texts << QString::fromStdString(cell);
    SetRow(row, texts, hasSensors);
}

void TfrmScanM::ShowManager() { show(); }
void TfrmScanM::SetManagerTitle(const std::string& title) { setWindowTitle(QString::fromStdString(title)); }
void TfrmScanM::ColourUnsigned() { SetGridColour(kUnsignedColour); }

QString TfrmScanM::Cell(int row, int column) const {
    const auto* item = grid_->item(row, column);
    return item ? item->text() : QString();
}

bool TfrmScanM::SelectRow(int row) {
    const int before = selectedRow_;
    grid_->setCurrentCell(row, 0);
    return selectedRow_ == row && row != before;
}

void TfrmScanM::OnCurrentCellChanged(int row) {
    if (restoring_) return;
    const bool searching = search_ && search_->SearchRunning();
    if (!RowSelectable(searching, row, ListedRows(), selectedRow_)) {
        if (row == selectedRow_) return;
        // Put the highlight back where the selection really is.
        restoring_ = true;
        if (selectedRow_ > 0) {
            grid_->setCurrentCell(selectedRow_, 0);
        } else {
            grid_->setCurrentCell(-1, -1);
            grid_->clearSelection();
        }
        restoring_ = false;
        return;
    }
    const auto ref = CableOfRow(CableCounts(store_), row);
    if (!ref) return;
    const int previous = selectedRow_;
    selectedRow_ = row;
    store_.Select(static_cast<uint16_t>(ref->Device), static_cast<uint16_t>(ref->Cable));
    emit RowSelected(previous, row);
}

QString TfrmScanM::CopyText() const {
    std::vector<std::vector<std::string>> rows;
    std::vector<int> selected;
    for (const auto& range : grid_->selectedRanges())
        for (int r = range.topRow(); r <= range.bottomRow(); ++r)
            if (r >= 1) selected.push_back(r);
    std::sort(selected.begin(), selected.end());
    selected.insert(selected.begin(), 0);
    for (int r : selected) {
        std::vector<std::string> cells;
        for (int c = 0; c < ColumnCount; ++c) cells.push_back(Cell(r, c).toStdString());
        rows.push_back(std::move(cells));
    }
    return QString::fromStdString(TableText(rows));
}

void TfrmScanM::CopyToClipboard() { QApplication::clipboard()->setText(CopyText()); }

bool TfrmScanM::LineChecked(int row) const {
    return row >= 1 && row <= static_cast<int>(boxes_.size()) && boxes_[row - 1]->isChecked();
}

void TfrmScanM::SetAllLinesBoxVisible(bool visible) { allLines_->setVisible(visible); }

void TfrmScanM::CreateSwatches(const std::vector<QColor>& colours) {
    DestroySwatches();
    for (size_t i = 0; i < boxes_.size(); ++i) {
        auto* swatch = new QToolButton(side_);
        const int row = static_cast<int>(i) + 1;
        swatch->setFixedSize(11, 11);
        PaintSwatch(swatch, i < colours.size() ? colours[i] : QColor(Qt::red));
        connect(swatch, &QToolButton::clicked, this, [this, swatch, row] {
            const QColor chosen = QColorDialog::getColor(swatch->property("colour").value<QColor>(), this);
            if (!chosen.isValid()) return;
            PaintSwatch(swatch, chosen);
            emit SwatchColourChanged(row, chosen);
        });
        swatch->setVisible(boxes_[i]->isEnabled());
        swatches_.push_back(swatch);
    }
    // Creating the lines shows every line of a cable with sensors.
    for (auto* box : boxes_)
        if (box->isEnabled()) box->setChecked(true);
    allLines_->setChecked(true);
    allLines_->show();
    PlaceRowWidgets();
}

void TfrmScanM::DestroySwatches() {
    for (auto* swatch : swatches_) delete swatch;
    swatches_.clear();
    allLines_->hide();
}

void TfrmScanM::SetChangeCommandsEnabled(bool enabled) {
    actEditAddress_->setEnabled(enabled);
    actEditComment_->setEnabled(enabled);
    actEditSpeed_->setEnabled(enabled);
}

void TfrmScanM::PreparePopup() {
    if (store_.HasDevice(store_.SelDevice())) {
        const int address = store_.DevSig(store_.SelDevice()).Address;
        actEditAddress_->setText(QString::fromStdString(EditCommandText(EditMode::Address, address)));
        actEditComment_->setText(QString::fromStdString(EditCommandText(EditMode::Comment, address)));
    } else {
        actEditAddress_->setText(QStringLiteral("Изменить адрес"));
        actEditComment_->setText(QStringLiteral("Изменить комментарии"));
    }
}

void TfrmScanM::ResetDeviceManager() {
    SetChangeCommandsEnabled(false);
    DestroySwatches();
    SetListedRows(0);
    SetGridColour(kGridColour);
}

void TfrmScanM::SetGridColour(const QColor& colour) {
    grid_->setStyleSheet(QStringLiteral("QTableWidget { background: %1; }"
                                        " QTableWidget::item { padding: 0px 1px; }")
                             .arg(colour.name()));
}

void TfrmScanM::PlainTitles() { setWindowTitle(QStringLiteral("Диспетчер приборов")); }

void TfrmScanM::StoreEmptied() {
    ResetDeviceManager();
    PlainTitles();
}

void TfrmScanM::PlaceRowWidgets() {
    for (size_t i = 0; i < boxes_.size(); ++i) {
        const int y = kHeaderHeight + 1 + static_cast<int>(i) * kRowHeight;
        boxes_[i]->setGeometry(2, y - 2, 18, kRowHeight + 2);
        if (i < swatches_.size()) swatches_[i]->move(22, y + 2);
    }
}

void TfrmScanM::AfterRowCountChange() {
    const int height = kHeaderHeight + ListedRows() * kRowHeight + 2;
    grid_->setFixedSize(kGridWidth, height);
    side_->setGeometry(kGridWidth + 2, 0, 36, height);
    scroll_->widget()->resize(kGridWidth + 40, (ListedRows() + 1) * 16 + 2);
    PlaceRowWidgets();
    scroll_->verticalScrollBar()->setValue(0);
}

}  // namespace drumo
