#include "views/ui/TfrmPlet.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QColorDialog>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

#include "model/Formats.h"

namespace drumo {

namespace {

constexpr int kRowHeight = 14;


QDoubleSpinBox* Spin(const char* name, double lo, double hi, double step, const char* hint, QWidget* parent) {
    auto* spin = new QDoubleSpinBox(parent);
    spin->setObjectName(QString::fromLatin1(name));
    spin->setRange(lo, hi);
    spin->setSingleStep(step);
    spin->setDecimals(1);
    spin->setToolTip(QString::fromUtf8(hint));
    return spin;
}

QPushButton* Button(const char* name, const QString& text, const char* hint, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setToolTip(QString::fromUtf8(hint));
    return button;
}

}  // namespace

TfrmPlet::TfrmPlet(MeasurementStore& store, Operator& op, QWidget* parent)
    : QWidget(parent, Qt::Window), store_(store), op_(op),
      choose_([this](const QColor& c) { return QColorDialog::getColor(c, this); }) {
    setObjectName(QStringLiteral("frmPlet"));
    setWindowTitle(QStringLiteral("Термоплеты"));
    setMinimumSize(600, 433);
    resize(760, 480);

    chart_ = new Chart(this);
    chart_->setObjectName(QStringLiteral("ChartPlet"));
    chart_->SetAxisCaption(ChartAxis::Left, QStringLiteral("Расстояние, м"));
    chart_->SetAxisNumberLabels(ChartAxis::Left);
    chart_->SetAxisTickCount(ChartAxis::Left, 11);
    chart_->SetAxisCaption(ChartAxis::Bottom, QStringLiteral("Время"));
    chart_->SetAxisDateTimeLabels(ChartAxis::Bottom, QStringLiteral("hh:mm:ss"));
    chart_->SetAxisTickCount(ChartAxis::Bottom, 7);
    chart_->SetAxisCaption(ChartAxis::Top, QStringLiteral("Дата"));
    chart_->SetAxisDateTimeLabels(ChartAxis::Top, QStringLiteral("dd:MM:yy"));
    chart_->SetAxisTickCount(ChartAxis::Top, 7);
    chart_->SetAxisVisible(ChartAxis::Top, true);
    chart_->SetGrid(ChartAxis::Top, false, Qt::gray);
    chart_->SetAxisVisible(ChartAxis::Right, false);
    chart_->SetTopFollowsBottom(true);
    auto* popup = new QMenu(this);
    popup->addAction(QStringLiteral("Копировать"), this,
                     [this] { QApplication::clipboard()->setPixmap(chart_->Picture()); });
    chart_->SetPopupMenu(popup);

    auto* panel = new QWidget(this);
    BuildPanel(panel);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(chart_, 1);
    layout->addWidget(panel);

    zoomTimer_.setObjectName(QStringLiteral("TimerPletAutoZoom"));
    zoomTimer_.setSingleShot(true);
    zoomTimer_.setInterval(100);
    connect(&zoomTimer_, &QTimer::timeout, this, [this] {
        TakeChartRanges();
        view_.AfterMouseZoom();
        ApplyView();
    });
    connect(chart_, &Chart::AxisZoomed, this, [this] { zoomTimer_.start(); });
    connect(chart_, &Chart::DoubleClicked, this, &TfrmPlet::ShowAll);

    SetFieldColour(Qt::black);
    SetGridColour(QColor(128, 128, 128));
    view_.Reset(SystemClock::Instance().Now());
    ApplyView();
}

TfrmPlet::~TfrmPlet() { running_ = false; }

void TfrmPlet::BuildPanel(QWidget* panel) {
    panel->setObjectName(QStringLiteral("PanelPlet"));
    panel->setFixedWidth(150);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(2, 2, 2, 2);
    column->setSpacing(3);

    auto* grid = new QGridLayout;
    spTStep_ = Spin("RxSpinTStep", 0.1, 20, 0.1, "Шаг термоплет по температуре", panel);
    spTStep_->setValue(1);
    spTBeg_ = Spin("RxSpinTBeg", -60, 130, 1, "Производить расчет от\r\nуказанной температуры", panel);
    spTFin_ = Spin("RxSpinTFin", -60, 130, 1, "Производить расчет до\r\nуказанной температуры", panel);
    spResampling_ = Spin("RxSpinResampling", 0.1, 100, 0.1,
                         ">1: пропускать указанное число измерений\r\n<1: интерполировать между измерениями",
                         panel);
    spResampling_->setValue(1);
    spTSel_ = Spin("RxSpinTSel", -60, 130, 0.1, "Выделить термоплету\r\nс указанной температурой", panel);
    spTSel_->setEnabled(false);
    const std::pair<const char*, QDoubleSpinBox*> rows[] = {{"Шаг, °C", spTStep_},
                                                            {"от,°C", spTBeg_},
                                                            {"до,°C", spTFin_},
                                                            {"Проредить", spResampling_},
                                                            {"Выделить,°C", spTSel_}};
    int row = 0;
    for (const auto& [caption, spin] : rows) {
        grid->addWidget(new QLabel(QString::fromUtf8(caption), panel), row, 0);
        grid->addWidget(spin, row++, 1);
    }
    column->addLayout(grid);
    // Finer steps of the resampling below 2, whole ones from 2 on.
    connect(spResampling_, &QDoubleSpinBox::valueChanged, this,
            [this](double r) { spResampling_->setSingleStep(r < 2 ? 0.1 : 1); });
    connect(spTBeg_, &QDoubleSpinBox::valueChanged, this, [this] { spTSel_->setEnabled(false); });
    connect(spTStep_, &QDoubleSpinBox::valueChanged, this, [this] { spTSel_->setEnabled(false); });
    connect(spTSel_, &QDoubleSpinBox::valueChanged, this, &TfrmPlet::Highlight);

    auto* buttons = new QHBoxLayout;
    btnMake_ = Button("btnMakePlet", QStringLiteral("Построить"), "Запустить расчет термоплет", panel);
    btnStop_ = Button("btnStopPlet", QStringLiteral("Стоп"), "Прервать расчет термоплет", panel);
    buttons->addWidget(btnMake_);
    buttons->addWidget(btnStop_);
    column->addLayout(buttons);
    connect(btnMake_, &QPushButton::clicked, this, &TfrmPlet::MakePlets);
    connect(btnStop_, &QPushButton::clicked, this, &TfrmPlet::StopComputation);
    progress_ = new QProgressBar(panel);
    progress_->setObjectName(QStringLiteral("ProgBarPlet"));
    progress_->setToolTip(QStringLiteral("Прогресс расчета"));
    progress_->setTextVisible(false);
    progress_->setFixedHeight(10);
    progress_->setRange(0, 1);
    progress_->setValue(0);
    column->addWidget(progress_);

    cbLineAll_ = new QCheckBox(QStringLiteral("Все термоплеты"), panel);
    cbLineAll_->setObjectName(QStringLiteral("cbLineAll"));
    cbLineAll_->setToolTip(QStringLiteral("Показать/скрыть все термоплеты"));
    cbLineAll_->setChecked(true);
    column->addWidget(cbLineAll_);
    connect(cbLineAll_, &QCheckBox::clicked, this, [this](bool on) {
        for (size_t r = 0; r < boxes_.size(); ++r) {
            if (!boxes_[r]) continue;
            boxes_[r]->setChecked(on);
            ShowLevel(static_cast<int>(r), on);
        }
    });

    levelList_ = new QScrollArea(panel);
    levelList_->setObjectName(QStringLiteral("ScrollBoxPlet"));
    levelList_->setWidgetResizable(false);
    levelList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    levelRows_ = new QWidget;
    levelRows_->resize(126, 4);
    levelList_->setWidget(levelRows_);
    column->addWidget(levelList_, 1);

    cbShowLines_ = new QCheckBox(QStringLiteral("Построить линии"), panel);
    cbShowLines_->setObjectName(QStringLiteral("cbShowLines"));
    cbShowLines_->setToolTip(QStringLiteral("Соединить линиями\r\n(возможны ошибки)"));
    column->addWidget(cbShowLines_);
    connect(cbShowLines_, &QCheckBox::toggled, this, [this](bool on) {
        chart_->SuspendRepaint();
        ForEachLine([this, on](int line) { chart_->SetLineVisible(line, on); });
        chart_->ResumeRepaint();
    });

    auto* pointsRow = new QHBoxLayout;
    cbPoints_ = new QCheckBox(QStringLiteral("Точки"), panel);
    cbPoints_->setObjectName(QStringLiteral("CheckBoxPoints"));
    cbPoints_->setChecked(true);
    spPointSize_ = new QSpinBox(panel);
    spPointSize_->setObjectName(QStringLiteral("RxSpPSize"));
    spPointSize_->setToolTip(QStringLiteral("Размер точки"));
    spPointSize_->setRange(3, 15);
    spPointSize_->setSingleStep(2);
    spPointSize_->setValue(7);
    pointsRow->addWidget(cbPoints_);
    pointsRow->addWidget(spPointSize_);
    column->addLayout(pointsRow);
    connect(cbPoints_, &QCheckBox::toggled, this, [this](bool on) {
        chart_->SuspendRepaint();
        ForEachLine([this, on](int line) { chart_->SetPointsVisible(line, on); });
        chart_->ResumeRepaint();
    });
    connect(spPointSize_, &QSpinBox::valueChanged, this, [this](int size) {
        chart_->SuspendRepaint();
        ForEachLine([this, size](int line) { chart_->SetPointSize(line, size); });
        chart_->ResumeRepaint();
    });

    auto* colours = new QHBoxLayout;
    swFon_ = new ColourSwatch(panel);
    swFon_->setObjectName(QStringLiteral("ShapeFon"));
    swGrid_ = new ColourSwatch(panel);
    swGrid_->setObjectName(QStringLiteral("ShapeGrid"));
    for (auto [swatch, caption] : {std::pair{swFon_, "Фон"}, std::pair{swGrid_, "Сетка"}}) {
        swatch->setFixedSize(16, 16);
        colours->addWidget(swatch);
        colours->addWidget(new QLabel(QString::fromUtf8(caption), panel));
    }
    column->addLayout(colours);
    connect(swFon_, &ColourSwatch::Released, this, [this] {
        const QColor chosen = choose_(FieldColour());
        if (chosen.isValid()) SetFieldColour(chosen);
    });
    connect(swGrid_, &ColourSwatch::Released, this, [this] {
        const QColor chosen = choose_(GridColour());
        if (chosen.isValid()) SetGridColour(chosen);
    });

    auto* zoom = new QGridLayout;
    auto* inX = Button("btnZoomInX", QStringLiteral("X+"), "Увеличить масштаб по X", panel);
    auto* outX = Button("btnZoomOutX", QStringLiteral("X−"), "Уменьшить масштаб по X", panel);
    auto* inY = Button("btnZoomInY", QStringLiteral("Y+"), "Увеличить масштаб по Y", panel);
    auto* outY = Button("btnZoomOutY", QStringLiteral("Y−"), "Уменьшить масштаб по Y", panel);
    auto* all = Button("btnShowAll", QStringLiteral("[ ]"), "Показать всё", panel);
    auto* print = Button("BtnPrintPlet", QStringLiteral("Печать"), "Печатать График", panel);
    zoom->addWidget(inX, 0, 0);
    zoom->addWidget(outX, 0, 1);
    zoom->addWidget(all, 0, 2);
    zoom->addWidget(inY, 1, 0);
    zoom->addWidget(outY, 1, 1);
    zoom->addWidget(print, 2, 0, 1, 3);
    column->addLayout(zoom);
    auto step = [this](bool (PletView::*zoomStep)()) {
        return [this, zoomStep] {
            TakeChartRanges();
            if ((view_.*zoomStep)()) ApplyView();
        };
    };
    connect(inX, &QPushButton::clicked, this, step(&PletView::ZoomInX));
    connect(outX, &QPushButton::clicked, this, step(&PletView::ZoomOutX));
    connect(inY, &QPushButton::clicked, this, step(&PletView::ZoomInY));
    connect(outY, &QPushButton::clicked, this, step(&PletView::ZoomOutY));
    connect(all, &QPushButton::clicked, this, &TfrmPlet::ShowAll);
    connect(print, &QPushButton::clicked, this, [this] {
        if (print_) print_(*chart_);
    });
}

PletParameters TfrmPlet::Parameters() const {
    return {spTBeg_->value(), spTFin_->value(), spTStep_->value(), spResampling_->value()};
}

void TfrmPlet::SetParameters(double tStep, double tBeg, double tFin) {
    spTStep_->setValue(tStep);
    spTBeg_->setValue(tBeg);
    spTFin_->setValue(tFin);
    spTSel_->setValue(0);
    spResampling_->setValue(1);
}

// --- The computation -------------------------------------------------------------------------

void TfrmPlet::MakePlets() {
    if (running_ || !store_.SelectionValid()) return;
    const PletCable cable = PletCableOf(store_, store_.SelDevice(), store_.SelCable());
    if (!PletComputable(cable)) return;
    const PletParameters p = Parameters();
    if (p.TFin <= p.TBeg) {
        op_.Error("Неверно задан диапазон температур");
        return;
    }
    btnMake_->setEnabled(false);
    ClearPlets();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    running_ = true;
    const size_t samples = cable.Times->size();
    progress_->setRange(0, static_cast<int>(samples - 1));
    progress_->setValue(0);
    // The window's events run every 20 ms or so, and once at the end: often enough for "Стоп" to act at once, seldom
    // enough that repainting the progress bar costs little of the computation. The store may be
    // emptied while they run; the computation then stops before it reads the cable again.
    QElapsedTimer sinceEvents;
    sinceEvents.start();
    PletResult result = ComputePlets(cable, p, [this, &sinceEvents](size_t s, size_t total) {
        if (s < total && sinceEvents.elapsed() < 20) return running_;
        progress_->setValue(static_cast<int>(s));
        QCoreApplication::processEvents();
        sinceEvents.restart();
        return running_;
    });
    if (running_ && !result.Stopped) {
        computed_ = p;
        levels_ = std::move(result.Levels);
        DrawLevels(p);
        ShowAll();
        highlighted_ = -1;
        spTSel_->setEnabled(true);
        Highlight();
    }
    progress_->setValue(0);
    QApplication::restoreOverrideCursor();
    btnMake_->setEnabled(true);
    running_ = false;
}

void TfrmPlet::DrawLevels(const PletParameters& p) {
    const std::vector<Color> colours = PletColours(levels_, p);
    levelLines_.assign(levels_.size(), {});
    levelColours_.assign(levels_.size(), QColor());
    boxes_.assign(levels_.size(), nullptr);
    chart_->SuspendRepaint();
    int q = 0;
    for (size_t r = 0; r < levels_.size(); ++r) {
        if (!levels_[r].HasSeries()) continue;
        const QColor colour = ToQColor(colours[r]);
        levelColours_[r] = colour;
        // One chart line holds all series of a level: they share their look, and a month of
        // data makes thousands of series that the chart could not add or remove quickly one by one.
        const int line = chart_->AddLine(colour);
        chart_->SetLineVisible(line, cbShowLines_->isChecked());
        chart_->SetPointShape(line, PointShape::Square);
        chart_->SetPointFill(line, colour);
        chart_->SetPointBorder(line, colour);
        chart_->SetPointsVisible(line, PointsVisible());
        chart_->SetPointSize(line, PointSize());
        chart_->SetDensePoints(line, true);
        for (const auto& series : levels_[r].Series) {
            chart_->StartSeries(line);
            for (const auto& point : series) chart_->AppendPoint(line, point.Time, point.Position);
        }
        levelLines_[r].push_back(line);
        const int level = static_cast<int>(r);
        auto* box = new QCheckBox(QString::fromStdString(NumberText(levels_[r].Temperature)) + QStringLiteral(" °C"),
                                  levelRows_);
        box->setGeometry(16, q * kRowHeight + 2, 100, kRowHeight);
        box->setChecked(true);
        box->setProperty("tag", level);
        connect(box, &QCheckBox::clicked, this, [this, level](bool on) { ShowLevel(level, on); });
        box->show();
        boxes_[r] = box;
        auto* swatch = new ColourSwatch(levelRows_);
        swatch->setGeometry(2, q * kRowHeight + 3, 11, 11);
        swatch->setProperty("tag", level);
        swatch->SetColour(colour);
        connect(swatch, &ColourSwatch::Released, this, [this, level, swatch] {
            const QColor chosen = choose_(swatch->Colour());
            if (!chosen.isValid()) return;
            swatch->SetColour(chosen);
            if (level == highlighted_)
                highlightedColour_ = chosen;  // it takes the colour once the highlight moves on
            else
                SetLevelColour(level, chosen, chosen);
            levelColours_[level] = chosen;
        });
        swatch->show();
        swatches_.push_back(swatch);
        ++q;
    }
    chart_->ResumeRepaint();
    levelRows_->resize(126, q * kRowHeight + 4);
    levelList_->verticalScrollBar()->setValue(0);
}

void TfrmPlet::ClearPlets() {
    chart_->RemoveLines();
    for (auto* box : boxes_) delete box;
    for (auto* swatch : swatches_) delete swatch;
    boxes_.clear();
    swatches_.clear();
    levels_.clear();
    levelLines_.clear();
    levelColours_.clear();
    highlighted_ = -1;
    levelRows_->resize(126, 0);
    levelList_->verticalScrollBar()->setValue(0);
}

std::vector<QCheckBox*> TfrmPlet::LevelBoxes() const {
    std::vector<QCheckBox*> rows;
    for (auto* box : boxes_)
        if (box) rows.push_back(box);
    return rows;
}

void TfrmPlet::ForEachLine(const std::function<void(int)>& f) {
    for (int line = 0; line < chart_->LineCount(); ++line) f(line);
}

void TfrmPlet::SetLevelColour(int r, const QColor& colour, const QColor& border) {
    chart_->SuspendRepaint();
    for (const int line : levelLines_[r]) {
        chart_->SetLineColour(line, colour);
        chart_->SetPointFill(line, colour);
        chart_->SetPointBorder(line, border);
    }
    chart_->ResumeRepaint();
}

void TfrmPlet::ShowLevel(int r, bool shown) {
    chart_->SuspendRepaint();
    for (const int line : levelLines_.at(r)) chart_->SetLineActive(line, shown);
    chart_->ResumeRepaint();
}

void TfrmPlet::Highlight() {
    if (highlighted_ >= 0 && highlighted_ < static_cast<int>(levelLines_.size())) {
        SetLevelColour(highlighted_, highlightedColour_, highlightedColour_);
        for (const int line : levelLines_[highlighted_]) chart_->SendToBack(line);
    }
    highlighted_ = -1;
    const int r = PletHighlightLevel(spTSel_->value(), computed_, levels_);
    if (r < 0 || levelLines_[r].empty()) return;
    highlightedColour_ = chart_->LineColour(levelLines_[r].front());
    SetLevelColour(r, Qt::white, Qt::black);
    for (const int line : levelLines_[r]) chart_->BringToFront(line);
    highlighted_ = r;
}

// --- The view --------------------------------------------------------------------------------

void TfrmPlet::TakeChartRanges() {
    view_.SetRanges({chart_->AxisMin(ChartAxis::Bottom), chart_->AxisMax(ChartAxis::Bottom)},
                    {chart_->AxisMin(ChartAxis::Left), chart_->AxisMax(ChartAxis::Left)});
}

void TfrmPlet::ApplyView() {
    chart_->SetAxisRange(ChartAxis::Bottom, view_.Time().Min, view_.Time().Max);
    chart_->SetAxisRange(ChartAxis::Left, view_.Position().Min, view_.Position().Max);
}

void TfrmPlet::ShowAll() {
    std::optional<AxisRange> time, position;
    for (size_t r = 0; r < levels_.size(); ++r) {
        if (!boxes_.at(r) || !boxes_[r]->isChecked()) continue;
        for (const auto& series : levels_[r].Series) {
            for (const auto& p : series) {
                if (!time) {
                    time = AxisRange{p.Time, p.Time};
                    position = AxisRange{p.Position, p.Position};
                }
                time->Min = std::min(time->Min, p.Time);
                time->Max = std::max(time->Max, p.Time);
                position->Min = std::min(position->Min, p.Position);
                position->Max = std::max(position->Max, p.Position);
            }
        }
    }
    TakeChartRanges();
    if (levels_.empty())
        view_.Reset(SystemClock::Instance().Now());
    else
        view_.ShowAll(time, position, SystemClock::Instance().Now());
    ApplyView();
}

void TfrmPlet::SetFieldColour(const QColor& colour) {
    chart_->SetFieldColour(colour);
    swFon_->SetColour(colour);
}

void TfrmPlet::SetGridColour(const QColor& colour) {
    chart_->SetGrid(ChartAxis::Left, true, colour);
    chart_->SetGrid(ChartAxis::Bottom, true, colour);
    swGrid_->SetColour(colour);
}

// --- The store and the window ----------------------------------------------------------------

void TfrmPlet::StoreCleared() {
    running_ = false;
    ClearPlets();
}

void TfrmPlet::StoreEmptied() {
    running_ = false;
    ClearPlets();
    setWindowTitle(QStringLiteral("Термоплеты"));
}

void TfrmPlet::SelectionChanged() {
    if (!store_.ArchiveLoaded() || !store_.HasDevice(store_.SelDevice())) return;
    const QString name = QFileInfo(QString::fromStdString(store_.DevSig(store_.SelDevice()).Source)).fileName();
    setWindowTitle(QStringLiteral("Термоплеты - ") + name);
}

void TfrmPlet::closeEvent(QCloseEvent* event) {
    running_ = false;
    QWidget::closeEvent(event);
}

}  // namespace drumo
