#include "calibration/ui/TfrmAutoSet.h"

#include <QAction>
#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHideEvent>
#include <QShowEvent>
#include <QLabel>
#include <QScrollBar>
#include <QVBoxLayout>

#include "calibration/ui/TfrmASHelp.h"
#include "model/Formats.h"

namespace drumo {

namespace {
QString Q(const std::string& text) { return QString::fromStdString(text); }
const char* const RedEdit = "QLineEdit { background: #ff0000; }";
}  // namespace

TfrmAutoSet::TfrmAutoSet(const AutoSetServices& services, QWidget* parent)
    : QWidget(parent, Qt::Window), s_(services), help_(std::make_unique<TfrmASHelp>(this)),
      grid_(new QTableWidget(CorrectionRows, CorrectionColumns)), s25_(new QLineEdit(QStringLiteral("30"))),
      p100_(new QLineEdit(QStringLiteral("-30"))), d1_(new QLineEdit), d2_(new QLineEdit),
      progress_(new QProgressBar) {
    setObjectName(QStringLiteral("frmAutoSet"));
    setWindowTitle(QStringLiteral("Автонастройка датчиков"));
    setMinimumSize(MinWidth, MinHeight);

    grid_->setObjectName(QStringLiteral("strgrdCorTab"));
    QStringList headers;
    for (const auto& h : CorrectionHeaders()) headers << Q(h);
    grid_->setHorizontalHeaderLabels(headers);
    grid_->verticalHeader()->hide();
    grid_->verticalHeader()->setDefaultSectionSize(15);
    grid_->horizontalHeader()->setMinimumSectionSize(20);
    // The given widths, widened where the font needs more for the longest value a column holds
    // (row 110, a 16-bit code, a clamped correction) or for its header.
    const int widths[] = {27, 50, 50, 50, 50};
    const char* longest[] = {"110", "65535", "-0.4375", "-1.5", "255"};
    int tableWidth = 0;
    for (int c = 0; c < CorrectionColumns; ++c) {
        const int cell = grid_->fontMetrics().horizontalAdvance(QString::fromLatin1(longest[c])) + 8;
        const int header = grid_->horizontalHeader()->fontMetrics().horizontalAdvance(headers[c]) + 8;
        const int width = std::max({widths[c], cell, header});
        grid_->setColumnWidth(c, width);
        tableWidth += width;
    }
    // Every column in sight: the operator reads a whole row at once.
    grid_->setMinimumWidth(tableWidth + grid_->verticalScrollBar()->sizeHint().width() + 2 * grid_->frameWidth());
    grid_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(grid_, &QTableWidget::itemChanged, this, &TfrmAutoSet::CellEdited);
    connect(grid_, &QTableWidget::currentCellChanged, this,
            [this](int row, int, int, int) { if (row >= 0) s_.Graphs.SetTrackedLine(row + 1); });
    auto* zero = new QAction(QStringLiteral("Обнулить"), grid_);
    connect(zero, &QAction::triggered, this, &TfrmAutoSet::ZeroColumn);
    grid_->addAction(zero);
    grid_->setContextMenuPolicy(Qt::ActionsContextMenu);

    // The calculation group.
    auto* group = new QGroupBox(QStringLiteral("Автонастройка"));
    auto* g = new QGridLayout(group);
    g->setContentsMargins(4, 4, 4, 4);
    s25_->setObjectName(QStringLiteral("EditS25"));
    p100_->setObjectName(QStringLiteral("EditP100"));
    for (QLineEdit* e : {s25_, p100_}) {
        e->setToolTip(QStringLiteral("Температура образцового датчика"));
        e->setMaximumWidth(50);
    }
    calcS25_ = new QPushButton(QStringLiteral("S30"));
    calcS25_->setObjectName(QStringLiteral("BBCalcS25"));
    calcS25_->setToolTip(QStringLiteral("Автоматический расчет поправки при 30'С"));
    calcP100_ = new QPushButton(QStringLiteral("P100"));
    calcP100_->setObjectName(QStringLiteral("BBCalcP100"));
    calcP100_->setToolTip(QStringLiteral("Автоматический расчет поправки P100"));
    for (QPushButton* b : {calcS25_, calcP100_}) b->setEnabled(false);
    g->addWidget(s25_, 0, 0);
    g->addWidget(calcS25_, 0, 1);
    g->addWidget(p100_, 1, 0);
    g->addWidget(calcP100_, 1, 1);
    connect(calcS25_, &QPushButton::clicked, this, [this] { Calculate(Correction::S30); });
    connect(calcP100_, &QPushButton::clicked, this, [this] { Calculate(Correction::P100); });
    connect(s25_, &QLineEdit::textChanged, this, [this] { ReferenceChanged(s25_, &CalibrationGraphs::PlaceMarkerS25); });
    connect(p100_, &QLineEdit::textChanged, this, [this] { ReferenceChanged(p100_, &CalibrationGraphs::PlaceMarkerP100); });

    // The buttons.
    buttons_ = new QWidget;
    buttons_->setFixedWidth(128);
    auto* b = new QVBoxLayout(buttons_);
    b->setContentsMargins(0, 0, 0, 0);
    b->setSpacing(3);
    b->addWidget(group);
    auto* rangeLabel = new QLabel(QStringLiteral("Диапазон номеров\nдатчиков в таблице:"));
    QFont small = rangeLabel->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    rangeLabel->setFont(small);
    b->addWidget(rangeLabel);
    d1_->setObjectName(QStringLiteral("EditD1"));
    d2_->setObjectName(QStringLiteral("EditD2"));
    auto* range = new QHBoxLayout;
    range->addWidget(RangeEdit(d1_, QStringLiteral("Начать с датчика в строке №"), table_.D1));
    range->addWidget(RangeEdit(d2_, QStringLiteral("Выполнять до датчика в строке №"), table_.D2));
    b->addLayout(range);
    connect(AddButton("BBHelp", QStringLiteral("Справка"), {}), &QPushButton::clicked, this, [this] {
        help_->ShowCentred();
    });
    connect(AddButton("BBRefresh", QStringLiteral("Обновить"),
                      QStringLiteral("Считать информацию о датчиках\nиз памяти контроллера")),
            &QPushButton::clicked, this, &TfrmAutoSet::Refresh);
    connect(AddButton("BBFind", QStringLiteral("Поиск"), QStringLiteral("Запустить поиск и сортировку \nдатчиков (контроллер)")),
            &QPushButton::clicked, this, &TfrmAutoSet::SensorSearch);
    connect(AddButton("ApplayBtn", QStringLiteral("Записать"), QStringLiteral("Записать параметры из \nтаблицы в датчики")),
            &QPushButton::clicked, this, &TfrmAutoSet::Write);
    connect(AddButton("BBNew", QStringLiteral("Новая"), QStringLiteral("Присвоить датчикам номера \nи обнулить все поправки")),
            &QPushButton::clicked, this, &TfrmAutoSet::NewGroup);
    connect(AddButton("BBAutoNum", QStringLiteral("Нумератор"),
                      QStringLiteral("Запустить программу автоматической\nсортировки датчиков")),
            &QPushButton::clicked, this, &TfrmAutoSet::NumberingRequested);
    connect(AddButton("BBOpen", QStringLiteral("Открыть"), QStringLiteral("Загрузить информацию\nо датчиках из файла")),
            &QPushButton::clicked, this, &TfrmAutoSet::OpenFileRequested);
    connect(AddButton("BBSave", QStringLiteral("Сохранить"), QStringLiteral("Сохранить информацию\nо датчиках в файл")),
            &QPushButton::clicked, this, &TfrmAutoSet::SaveFileRequested);
    b->addStretch(1);

    auto* top = new QHBoxLayout;
    top->addWidget(grid_, 1);
    top->addWidget(buttons_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(top, 1);
    progress_->setObjectName(QStringLiteral("ProgressBar"));
    progress_->setTextVisible(false);
    progress_->setMaximumHeight(12);
    layout->addWidget(progress_);
    ShowTable();
}

TfrmAutoSet::~TfrmAutoSet() = default;

QPushButton* TfrmAutoSet::AddButton(const char* name, const QString& text, const QString& hint) {
    auto* button = new QPushButton(text);
    button->setObjectName(QString::fromLatin1(name));
    if (!hint.isEmpty()) button->setToolTip(hint);
    buttons_->layout()->addWidget(button);
    return button;
}

QWidget* TfrmAutoSet::RangeEdit(QLineEdit* edit, const QString& hint, int& value) {
    auto* box = new QWidget;
    auto* h = new QHBoxLayout(box);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(0);
    edit->setToolTip(hint);
    edit->setMaximumWidth(36);
    h->addWidget(edit);
    auto* arrows = new QVBoxLayout;
    arrows->setSpacing(0);
    for (int step : {1, -1}) {
        auto* arrow = new QToolButton;
        arrow->setArrowType(step > 0 ? Qt::UpArrow : Qt::DownArrow);
        arrow->setFixedSize(14, 11);
        connect(arrow, &QToolButton::clicked, this, [edit, &value, step] {
            value = std::clamp(value + step, 1, CorrectionRows);
            edit->setText(QString::number(value));
        });
        arrows->addWidget(arrow);
    }
    h->addLayout(arrows);
    connect(edit, &QLineEdit::textChanged, this, [this, edit, &value] { ReadRange(edit, value); });
    return box;
}

void TfrmAutoSet::ReadRange(QLineEdit* edit, int& value) {
    int entered = 0;
    const bool ok = TryParseInt(edit->text().toStdString(), entered);
    if (ok) value = entered & 0xFF;  // the range is kept in a byte
    edit->setStyleSheet(ok ? QString() : QString::fromLatin1(RedEdit));
}

void TfrmAutoSet::ReferenceChanged(QLineEdit* edit, void (CalibrationGraphs::*place)(double)) {
    double t = 0;
    const bool ok = TryParseNumber(edit->text().toStdString(), t);
    if (ok) (s_.Graphs.*place)(t);
    edit->setStyleSheet(ok ? QString() : QString::fromLatin1(RedEdit));
}

void TfrmAutoSet::PlaceReferenceMarkers() {
    ReferenceChanged(s25_, &CalibrationGraphs::PlaceMarkerS25);
    ReferenceChanged(p100_, &CalibrationGraphs::PlaceMarkerP100);
}

void TfrmAutoSet::ShowTable() {
    filling_ = true;
    for (int r = 1; r <= CorrectionRows; ++r)
        for (int c = 0; c < CorrectionColumns; ++c) {
            const QString text = Q(table_.Cell(r, static_cast<CorrectionColumn>(c)));
            QTableWidgetItem* item = grid_->item(r - 1, c);
            if (!item) {
                item = new QTableWidgetItem;
                if (c == 0) item->setFlags(item->flags() & ~Qt::ItemIsEditable);
                grid_->setItem(r - 1, c, item);
            }
            if (item->text() != text) item->setText(text);
        }
    filling_ = false;
}

void TfrmAutoSet::CellEdited(QTableWidgetItem* item) {
    if (filling_ || item->column() == 0) return;
    table_.SetCell(item->row() + 1, static_cast<CorrectionColumn>(item->column()), item->text().toStdString());
}

void TfrmAutoSet::Progress(int position, int maximum) {
    progress_->setMaximum(std::max(maximum, 1));
    progress_->setValue(position);
}

void TfrmAutoSet::BusyCursor(bool busy) {
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void TfrmAutoSet::WithLine(const std::function<void(DeviceBus&)>& exchange) {
    const LineLease line = s_.Line.Take(LineUser::Calibration);
    if (line) exchange(line.Bus());
}

void TfrmAutoSet::Refresh() {
    WithLine([this](DeviceBus& bus) {
        const bool offer = ReadCorrections(bus, s_.Store, table_, s_.Op, *this);
        ShowTable();
        if (offer) {
            calcS25_->setEnabled(true);
            calcP100_->setEnabled(true);
            calcS25_->setText(QStringLiteral("S30"));
            calcP100_->setText(QStringLiteral("P100"));
        }
    });
}

void TfrmAutoSet::Write() {
    WithLine([this](DeviceBus& bus) { WriteCorrections(bus, s_.Store, table_, s_.Lines, s_.Op, s_.Time, *this); });
}

namespace {
// Passes questions and messages on, showing the table first: a message about computed values
// (the limits warning) is read beside those values, not beside the old ones.
class TableFirstOperator final : public Operator {
public:
    TableFirstOperator(Operator& op, std::function<void()> show) : op_(op), show_(std::move(show)) {}
    bool Ask(const std::string& text) override { return show_(), op_.Ask(text); }
    bool AskDanger(const std::string& text) override { return show_(), op_.AskDanger(text); }
    void Error(const std::string& text) override { show_(), op_.Error(text); }
    void Info(const std::string& text) override { show_(), op_.Info(text); }
    void Warning(const std::string& text) override { show_(), op_.Warning(text); }

private:
    Operator& op_;
    std::function<void()> show_;
};
}  // namespace

void TfrmAutoSet::Calculate(Correction which) {
    QPushButton* button = CalcButton(which);
    const QLineEdit* reference = ReferenceEdit(which);
    TableFirstOperator op(s_.Op, [this] { ShowTable(); });
    const auto outcome = CalculateCorrections(which, table_, reference->text().toStdString(), s_.Lines, op);
    if (outcome.ButtonDisabled) button->setEnabled(false);
    if (outcome.AverageCount >= 0) button->setText(QStringLiteral("AVG=") + QString::number(outcome.AverageCount));
    ShowTable();
}

void TfrmAutoSet::NewGroup() {
    if (!NewSensorGroup(table_, s_.Op)) return;
    calcS25_->setEnabled(false);
    calcP100_->setEnabled(false);
    ShowTable();
}

void TfrmAutoSet::ZeroColumn() {
    const int column = grid_->currentColumn();
    if (column < 0) return;
    ZeroCorrectionColumn(table_, static_cast<CorrectionColumn>(column), s_.Op);
    ShowTable();
}

void TfrmAutoSet::SensorSearch() {
    WithLine([this](DeviceBus& bus) {
        StartSensorSearch(bus, s_.Store, [this] { s_.Line.StopReception(); }, s_.Op);
    });
}

bool TfrmAutoSet::SaveFile(const std::string& path) { return SaveSensorFile(path, table_, s_.Op); }

bool TfrmAutoSet::LoadFile(const std::string& path) {
    const bool loaded = LoadSensorFile(path, table_, s_.Op);
    if (loaded) ShowTable();
    return loaded;
}

void TfrmAutoSet::SetNumberingRunning(bool running) {
    buttons_->setEnabled(!running);
    grid_->setEnabled(!running);
}

void TfrmAutoSet::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous()) return;
    Refresh();
    d1_->setText(QStringLiteral("1"));
    d2_->setText(QString::number(table_.SensorCount));
    PlaceReferenceMarkers();
    s_.Graphs.ShowReferenceMarkers(true);
}

void TfrmAutoSet::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (!event->spontaneous()) s_.Graphs.ShowReferenceMarkers(false);
}

}  // namespace drumo
