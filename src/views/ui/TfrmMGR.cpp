#include "views/ui/TfrmMGR.h"

#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QEvent>
#include <QHBoxLayout>
#include <QMenu>
#include <QStatusBar>
#include <QVBoxLayout>

#include <algorithm>

#include "model/Formats.h"
#include "model/Intervals.h"
#include "views/TimeGraphView.h"

namespace drumo {

namespace {

const int kPanelWidths[] = {65, 65, 120, 240, 50};

ColourSwatch* Swatch(const char* name, QWidget* parent) {
    auto* swatch = new ColourSwatch(parent);
    swatch->setObjectName(QString::fromLatin1(name));
    swatch->setFixedSize(22, 16);
    return swatch;
}

QPushButton* Button(const char* name, const QString& glyph, const char* hint, QWidget* parent) {
    auto* button = new QPushButton(glyph, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setToolTip(QString::fromUtf8(hint));
    button->setFixedHeight(24);
    return button;
}

}  // namespace

TfrmMGR::TfrmMGR(MeasurementStore& store, QWidget* parent)
    : QWidget(parent, Qt::Window), store_(store),
      choose_([this](const QColor& c) { return QColorDialog::getColor(c, this); }) {
    setObjectName(QStringLiteral("frmMGR"));
    setWindowTitle(QStringLiteral("Тренд системы"));
    setMinimumSize(600, 250);
    resize(600, 433);

    chart_ = new Chart(this);
    chart_->setObjectName(QStringLiteral("ChartMGR"));
    chart_->SetAxisCaption(ChartAxis::Left, QStringLiteral("Температура, °C"));
    chart_->SetAxisNumberLabels(ChartAxis::Left);
    chart_->SetAxisTickCount(ChartAxis::Left, 11);
    chart_->SetAxisCaption(ChartAxis::Bottom, QStringLiteral("Расстояние, м (номер датчика)"));
    chart_->SetAxisNumberLabels(ChartAxis::Bottom);
    chart_->SetAxisVisible(ChartAxis::Top, false);
    chart_->SetAxisVisible(ChartAxis::Right, false);
    chart_->SetPanZoomDirections(Qt::Vertical);
    markerMax_ = chart_->AddMarker(ChartAxis::Left, Qt::red, Qt::DotLine);
    markerMin_ = chart_->AddMarker(ChartAxis::Left, Qt::red, Qt::DotLine);
    auto* popup = new QMenu(this);
    popup->addAction(QStringLiteral("Копировать"), this,
                     [this] { QApplication::clipboard()->setPixmap(chart_->Picture()); });
    chart_->SetPopupMenu(popup);

    trackBar_ = new QSlider(Qt::Horizontal, this);
    trackBar_->setObjectName(QStringLiteral("TrackBar"));
    trackBar_->setRange(0, 0);

    auto* status = new QStatusBar(this);
    status->setObjectName(QStringLiteral("StatusBar"));
    status->setSizeGripEnabled(false);
    // The five panels' longest texts need a little more than the 600 pixels the window has at
    // first in the usual font: the bar uses a font one tenth smaller, and every panel is at
    // least as wide as its longest text.
    QFont statusFont = status->font();
    statusFont.setPointSizeF(statusFont.pointSizeF() * 0.9);
    status->setFont(statusFont);
    const QFontMetrics metrics(statusFont);
    const DateTime widest = EncodeDateTime(2028, 12, 28, 20, 28, 28);
    const QString longest[] = {QStringLiteral("-273.00 °C "), QStringLiteral("L 3276.70 м "),
                               QString::fromStdString(MomentText(widest)),
                               QString::fromStdString(SpanText(widest, widest)),
                               QString::fromStdString(SliceModeText(false, false))};
    for (int i = 0; i < 5; ++i) {
        auto* label = new QLabel(status);
        label->setObjectName(QStringLiteral("Panel%1").arg(i));
        label->setFrameShape(QFrame::StyledPanel);
        label->setFont(statusFont);
        const int width = std::max(kPanelWidths[i], metrics.horizontalAdvance(longest[i]) + 2 * label->frameWidth() + 4);
        if (i == 3 || i == 4)
            label->setMinimumWidth(width);
        else
            label->setFixedWidth(width);
        status->addWidget(label, i == 4 ? 1 : 0);
        panels_.push_back(label);
    }

    auto* panel = new QWidget(this);
    BuildPanel(panel);

    auto* top = new QHBoxLayout;
    top->setContentsMargins(0, 0, 0, 0);
    top->addWidget(chart_, 1);
    top->addWidget(panel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 0);
    layout->setSpacing(2);
    layout->addLayout(top, 1);
    layout->addWidget(trackBar_);
    layout->addWidget(status);

    zoomTimer_.setSingleShot(true);
    zoomTimer_.setInterval(100);
    connect(&zoomTimer_, &QTimer::timeout, this, [this] {
        TakeChartRange();
        view_.AfterMouseZoom();
        ApplyView();
    });
    connect(chart_, &Chart::AxisZoomed, this, [this] { zoomTimer_.start(); });
    connect(chart_, &Chart::DoubleClicked, this, &TfrmMGR::ShowAll);
    connect(chart_, &Chart::MouseMoved, this, &TfrmMGR::MouseMoved);
    connect(trackBar_, &QSlider::valueChanged, this, [this](int position) {
        slider_.SetPosition(position);
        ShowTimeSlice();
    });

    const LengthAxis axis = SetLengthAxis(1, 10);
    chart_->SetAxisRange(ChartAxis::Bottom, axis.Min, axis.Max);
    chart_->SetAxisTickCount(ChartAxis::Bottom, axis.Ticks);
    SetFieldColour(QColor(0, 64, 128));
    SetGridColour(QColor(192, 192, 192));
    view_.Reset();
    ApplyView();
}

TfrmMGR::~TfrmMGR() = default;

void TfrmMGR::BuildPanel(QWidget* panel) {
    panel->setObjectName(QStringLiteral("PanelMGR"));
    panel->setFixedWidth(112);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(2, 2, 2, 2);
    column->setSpacing(4);

    auto swatchRow = [&](const char* caption, ColourSwatch* swatch) {
        auto* row = new QHBoxLayout;
        row->addWidget(new QLabel(QString::fromUtf8(caption), panel));
        row->addStretch(1);
        row->addWidget(swatch);
        column->addLayout(row);
    };
    swFon_ = Swatch("ShapeFon", panel);
    swGrid_ = Swatch("ShapeGrid", panel);
    swatchRow("Цвет фона", swFon_);
    swatchRow("Цвет сетки", swGrid_);
    connect(swFon_, &ColourSwatch::Released, this, [this] {
        const QColor chosen = choose_(FieldColour());
        if (chosen.isValid()) SetFieldColour(chosen);
        FocusSlider();
    });
    connect(swGrid_, &ColourSwatch::Released, this, [this] {
        const QColor chosen = choose_(GridColour());
        if (chosen.isValid()) SetGridColour(chosen);
        FocusSlider();
    });

    cbAutoZoom_ = new QCheckBox(QStringLiteral("АвтоЗум"), panel);
    cbAutoZoom_->setObjectName(QStringLiteral("CBAutoZoom"));
    cbAutoZoom_->setToolTip(QStringLiteral("Показывать все точки"));
    column->addWidget(cbAutoZoom_);
    connect(cbAutoZoom_, &QCheckBox::toggled, this, [this](bool on) {
        if (on) ShowAll();
        FocusSlider();
    });

    cbPoints_ = new QCheckBox(QStringLiteral("Точки"), panel);
    cbPoints_->setObjectName(QStringLiteral("CheckBoxPoints"));
    cbPoints_->setChecked(true);
    column->addWidget(cbPoints_);
    connect(cbPoints_, &QCheckBox::toggled, this, [this](bool on) {
        ForEachLine([this, on](int line) { chart_->SetPointsVisible(line, on); });
        FocusSlider();
    });

    spPointSize_ = new QSpinBox(panel);
    spPointSize_->setObjectName(QStringLiteral("RxSpPSize"));
    spPointSize_->setToolTip(QStringLiteral("Размер точки"));
    spPointSize_->setRange(5, 15);
    spPointSize_->setSingleStep(2);
    spPointSize_->setValue(7);
    btnPrint_ = Button("BtnPrintMGR", QStringLiteral("Печать"), "Печатать Тренд системы", panel);
    column->addWidget(spPointSize_);
    column->addWidget(btnPrint_);
    connect(spPointSize_, &QSpinBox::valueChanged, this, [this](int size) {
        ForEachLine([this, size](int line) { chart_->SetPointSize(line, size); });
        FocusSlider();
    });
    connect(btnPrint_, &QPushButton::clicked, this, [this] {
        Print();
        FocusSlider();
    });

    column->addWidget(new QLabel(QStringLiteral("Дискретность:"), panel));
    cbDiscret_ = new QComboBox(panel);
    cbDiscret_->setObjectName(QStringLiteral("CBDiscret"));
    for (int i = 0; i < IntervalCount; ++i) cbDiscret_->addItem(QString::fromUtf8(IntervalCaption(i).data(),
                                                                                  IntervalCaption(i).size()));
    cbDiscret_->setCurrentIndex(2);
    column->addWidget(cbDiscret_);
    connect(cbDiscret_, &QComboBox::activated, this, [this] {
        UpdateSystemTrend(true);
        FocusSlider();
    });

    auto* zoomIn = Button("btnZoomIn", QStringLiteral("+"), "Увеличить масштаб", panel);
    auto* showAll = Button("btnShowAll", QStringLiteral("[ ]"), "Показать всё", panel);
    auto* zoomOut = Button("btnZoomOut", QStringLiteral("−"), "Уменьшить масштаб", panel);
    for (auto* b : {zoomIn, showAll, zoomOut}) column->addWidget(b);
    connect(zoomIn, &QPushButton::clicked, this, &TfrmMGR::ZoomIn);
    connect(showAll, &QPushButton::clicked, this, [this] {
        ShowAll();
        FocusSlider();
    });
    connect(zoomOut, &QPushButton::clicked, this, &TfrmMGR::ZoomOut);
    column->addStretch(1);
}

// --- Lines -----------------------------------------------------------------------------------

void TfrmMGR::CreateSystemLines(const std::vector<std::vector<QColor>>& colours) {
    DestroySystemLines();
    int smallest = NoSmallestLabel, largest = 0;
    chart_->SuspendRepaint();
    for (size_t d = 0; d < store_.Devices(); ++d) {
        lines_.emplace_back();
        orders_.emplace_back(store_.Cables(d));
        for (size_t c = 0; c < store_.Cables(d); ++c) {
            const QColor colour = d < colours.size() && c < colours[d].size() ? colours[d][c] : QColor(Qt::red);
            const int line = chart_->AddLine(colour);
            chart_->SetLineActive(line, false);
            chart_->SetPointShape(line, PointShape::Square);
            chart_->SetPointFill(line, colour);
            chart_->SetPointBorder(line, Qt::black);
            chart_->SetPointsVisible(line, PointsVisible());
            chart_->SetPointSize(line, PointSize());
            lines_.back().push_back(line);
            for (const int16_t label : store_.SensorLabels(d, c)) {
                smallest = std::min<int>(smallest, label);
                largest = std::max<int>(largest, label);
            }
        }
    }
    if (const auto axis = LengthAxisOfLabels(smallest, largest)) {
        chart_->SetAxisRange(ChartAxis::Bottom, axis->Min, axis->Max);
        chart_->SetAxisTickCount(ChartAxis::Bottom, axis->Ticks);
    }
    chart_->ResumeRepaint();
}

void TfrmMGR::DestroySystemLines() {
    chart_->RemoveLines();
    lines_.clear();
    orders_.clear();
}

void TfrmMGR::ClearSystemLines() {
    chart_->SuspendRepaint();
    ForEachLine([this](int line) { chart_->ClearLine(line); });
    chart_->ResumeRepaint();
}

void TfrmMGR::ResetTimeSlider() {
    slider_.Reset();
    const QSignalBlocker quiet(trackBar_);
    trackBar_->setRange(0, 0);
    trackBar_->setValue(0);
}

int TfrmMGR::LineOf(size_t d, size_t c) const {
    return d < lines_.size() && c < lines_[d].size() ? lines_[d][c] : -1;
}

void TfrmMGR::ForEachLine(const std::function<void(int)>& f) {
    for (const auto& device : lines_)
        for (const int line : device) f(line);
}

void TfrmMGR::SetLineShown(size_t d, size_t c, bool shown) {
    if (const int line = LineOf(d, c); line >= 0) chart_->SetLineActive(line, shown);
}

void TfrmMGR::SetLineColour(size_t d, size_t c, const QColor& colour) {
    const int line = LineOf(d, c);
    if (line < 0) return;
    chart_->SetLineColour(line, colour);
    chart_->SetPointFill(line, colour);
}

void TfrmMGR::EmphasiseCable(int previousD, int previousC, int d, int c) {
    if (previousD >= 0 && previousC >= 0) {
        if (const int line = LineOf(previousD, previousC); line >= 0) {
            chart_->SetPointShape(line, PointShape::Square);
            chart_->SetPointBorder(line, Qt::black);
            chart_->SendToBack(line);
        }
    }
    if (d >= 0 && c >= 0) {
        if (const int line = LineOf(d, c); line >= 0) {
            chart_->SetPointShape(line, PointShape::Circle);
            chart_->SetPointBorder(line, Qt::white);
            chart_->BringToFront(line);
        }
    }
}

// --- The moment ------------------------------------------------------------------------------

void TfrmMGR::UpdateSystemTrend(bool follow) {
    const DateTime first = store_.FirstSampleTime(), last = store_.LastSampleTime();
    if (last < first) return;
    const bool draw = slider_.Update(first, last, IntervalSeconds(DiscretIndex()), follow);
    {
        const QSignalBlocker quiet(trackBar_);
        trackBar_->setRange(0, slider_.Maximum());
        trackBar_->setValue(slider_.Position());
    }
    if (draw) ShowTimeSlice();
    panels_[3]->setText(QString::fromStdString(SpanText(first, last)));
}

void TfrmMGR::ShowTimeSlice() {
    if (!slider_.TakeSlice(store_.ValidValues() > 0)) return;
    const DateTime t = slider_.Moment(store_.FirstSampleTime(), store_.LastSampleTime());
    chart_->SuspendRepaint();
    for (size_t d = 0; d < lines_.size(); ++d) {
        for (size_t c = 0; c < lines_[d].size(); ++c) {
            const int line = lines_[d][c];
            chart_->ClearLine(line);
            if (!store_.HasCable(d, c)) continue;
            orders_[d][c].Update(store_.SampleTimes(d, c));
            CableProfile(store_, d, c, t, orders_[d][c], profile_);
            for (const auto& p : profile_) chart_->AppendPoint(line, p.Position, p.Temperature);
        }
    }
    chart_->ResumeRepaint();
    panels_[2]->setText(QString::fromStdString(MomentText(t)));
    panels_[4]->setText(QString::fromStdString(SliceModeText(store_.ArchiveLoaded(), slider_.AtEnd())));
    if (AutoZoom()) ShowAll();
}

// --- The temperature axis --------------------------------------------------------------------

void TfrmMGR::TakeChartRange() {
    view_.SetTemperature({chart_->AxisMin(ChartAxis::Left), chart_->AxisMax(ChartAxis::Left)});
}

void TfrmMGR::ApplyView() {
    chart_->SetAxisRange(ChartAxis::Left, view_.Temperature().Min, view_.Temperature().Max);
}

void TfrmMGR::ShowAll() {
    bool anyPoints = false;
    std::optional<AxisRange> shown;
    ForEachLine([&](int line) {
        const int n = chart_->PointCount(line);
        anyPoints = anyPoints || n > 0;
        if (!chart_->LineActive(line)) return;
        for (int k = 0; k < n; ++k) {
            double x = 0, y = 0;
            chart_->Point(line, k, x, y);
            if (!shown) shown = AxisRange{y, y};
            shown->Min = std::min(shown->Min, y);
            shown->Max = std::max(shown->Max, y);
        }
    });
    TakeChartRange();
    view_.ShowAll(anyPoints, shown);
    ApplyView();
}

void TfrmMGR::ZoomIn() {
    TakeChartRange();
    if (view_.ZoomIn()) ApplyView();
    FocusSlider();
}

void TfrmMGR::ZoomOut() {
    TakeChartRange();
    if (view_.ZoomOut()) ApplyView();
    FocusSlider();
}

// --- Other controls --------------------------------------------------------------------------

void TfrmMGR::SetAlarmMarkers(double tMax, double tMin) {
    chart_->SetMarkerPosition(markerMax_, tMax);
    chart_->SetMarkerPosition(markerMin_, tMin);
    chart_->SetMarkerVisible(markerMax_, true);
    chart_->SetMarkerVisible(markerMin_, true);
}

void TfrmMGR::Print() {
    if (print_) print_(*chart_);
}

void TfrmMGR::SetDiscretIndex(int index) {
    const QSignalBlocker quiet(cbDiscret_);
    cbDiscret_->setCurrentIndex(std::clamp(index, 0, IntervalCount - 1));
}

void TfrmMGR::SetFieldColour(const QColor& colour) {
    chart_->SetFieldColour(colour);
    swFon_->SetColour(colour);
}

void TfrmMGR::SetGridColour(const QColor& colour) {
    chart_->SetGrid(ChartAxis::Left, true, colour);
    chart_->SetGrid(ChartAxis::Bottom, true, colour);
    swGrid_->SetColour(colour);
}

QString TfrmMGR::Panel(int i) const { return i >= 0 && i < 5 ? panels_[i]->text() : QString(); }

void TfrmMGR::MouseMoved(int x, int y, Qt::KeyboardModifiers modifiers) {
    const QString temperature =
        QString::fromStdString(ReadoutTemperatureText(chart_->PixelToValue(ChartAxis::Left, y), DecimalMark()));
    const QString position = QString::fromStdString(ReadoutPositionText(chart_->PixelToValue(ChartAxis::Bottom, x)));
    panels_[0]->setText(temperature);
    panels_[1]->setText(position);
    if (!(modifiers & Qt::ControlModifier)) return;
    chart_->Replot();
    const SliceReadoutPlace at = SystemReadoutPlace(x, y, chart_->width());
    chart_->DrawText(at.X, at.TemperatureY, temperature, font(), Qt::white, FieldColour());
    chart_->DrawText(at.X, at.PositionY, position, font(), Qt::white, FieldColour());
}

void TfrmMGR::FocusSlider() { trackBar_->setFocus(); }

void TfrmMGR::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) FocusSlider();
    QWidget::changeEvent(event);
}

// --- The store -------------------------------------------------------------------------------

void TfrmMGR::StoreCleared() {
    ClearSystemLines();
    ResetTimeSlider();
}

void TfrmMGR::StoreEmptied() {
    DestroySystemLines();
    ResetTimeSlider();
    setWindowTitle(QStringLiteral("Тренд системы"));
}

}  // namespace drumo
