#include "views/ui/TfrmTrend.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QColorDialog>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "views/ui/Chart.h"

namespace drumo {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

void Paint(QToolButton& swatch, const QColor& colour) {
    swatch.setStyleSheet(
        QStringLiteral("QToolButton { background: %1; border: 1px solid black; border-radius: 3px; }").arg(colour.name()));
}

QToolButton* ZoomButton(const char* name, const char* glyph, const char* hint, QWidget* parent) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(QString::fromUtf8(glyph));
    b->setToolTip(QString::fromUtf8(hint));
    b->setFixedSize(40, 26);
    return b;
}

}  // namespace

TfrmTrend::TfrmTrend(const MeasurementStore& store, QWidget* parent) : QWidget(parent), view_(store) {
    setObjectName(QStringLiteral("frmTrend"));
    setWindowTitle(QStringLiteral("Тренд"));
    setMinimumSize(MinWidth, MinHeight);
    resize(MinWidth, 433);

    chart_ = new Chart(this);
    chart_->setObjectName(QStringLiteral("TrendChart"));
    chart_->SetAxisVisible(ChartAxis::Top, false);
    chart_->SetAxisVisible(ChartAxis::Right, false);
    chart_->SetAxisNumberLabels(ChartAxis::Left);
    chart_->SetAxisNumberLabels(ChartAxis::Bottom);
    markerX_ = chart_->AddMarker(ChartAxis::Bottom, look_.Sticker, Qt::DashDotDotLine);
    markerY_ = chart_->AddMarker(ChartAxis::Left, look_.Sticker, Qt::DashDotDotLine);
    for (auto& pair : references_) {
        pair[0] = chart_->AddMarker(ChartAxis::Left, Qt::red, Qt::DotLine);
        pair[1] = chart_->AddMarker(ChartAxis::Bottom, Qt::red, Qt::DotLine);
    }
    popup_ = new QMenu(this);
    popup_->addAction(QStringLiteral("Копировать"), this,
                      [this] { QApplication::clipboard()->setPixmap(chart_->Picture()); });
    chart_->SetPopupMenu(popup_);
    connect(chart_, &Chart::DoubleClicked, this, [this] { ShowAll(); });
    connect(chart_, &Chart::MouseMoved, this, &TfrmTrend::MouseMoved);
    // A zoom to a dragged rectangle is widened to whole steps a moment later.
    autoZoomTimer_ = new QTimer(this);
    autoZoomTimer_->setObjectName(QStringLiteral("TimerTrendAutoZoom"));
    autoZoomTimer_->setSingleShot(true);
    autoZoomTimer_->setInterval(100);
    connect(chart_, &Chart::AxisZoomed, autoZoomTimer_, qOverload<>(&QTimer::start));
    connect(autoZoomTimer_, &QTimer::timeout, this, [this] {
        SyncTemperatureRange();
        view_.SnapAfterMouseZoom();
        ApplyAxes();
    });

    main_ = new QSlider(Qt::Horizontal, this);
    main_->setObjectName(QStringLiteral("TrTB1"));
    main_->setToolTip(QStringLiteral("main"));
    main_->setTickPosition(QSlider::TicksBelow);
    main_->setRange(0, 0);
    connect(main_, &QSlider::valueChanged, this, &TfrmTrend::MainMoved);
    trace_ = new QSlider(Qt::Horizontal, this);
    trace_->setObjectName(QStringLiteral("TrTB2"));
    trace_->setToolTip(QStringLiteral("trace"));
    trace_->setTickPosition(QSlider::NoTicks);
    trace_->setRange(0, 0);
    connect(trace_, &QSlider::valueChanged, this, &TfrmTrend::TraceMoved);

    auto* status = new QStatusBar(this);
    status->setSizeGripEnabled(false);
    const int widths[5] = {80, 80, 150, 150, 0};
    for (int i = 0; i < 5; ++i) {
        panels_[i] = new QLabel(status);
        panels_[i]->setObjectName(QStringLiteral("Panel%1").arg(i));
        if (widths[i] > 0) panels_[i]->setMinimumWidth(widths[i]);
        status->addWidget(panels_[i], widths[i] > 0 ? 0 : 1);
    }

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(2, 2, 2, 0);
    grid->setSpacing(2);
    grid->addWidget(chart_, 0, 0);
    grid->addWidget(BuildPanel(), 0, 1, 3, 1);
    grid->addWidget(main_, 1, 0);
    grid->addWidget(trace_, 2, 0);
    grid->addWidget(status, 3, 0, 1, 2);
    grid->setRowStretch(0, 1);
    grid->setColumnStretch(0, 1);

    BuildLines();
    ApplyLook();
    Refresh();
}

TfrmTrend::~TfrmTrend() = default;

QWidget* TfrmTrend::BuildPanel() {
    auto* panel = new QWidget(this);
    panel->setFixedWidth(150);
    auto* box = new QVBoxLayout(panel);
    box->setContentsMargins(4, 4, 4, 4);
    box->setSpacing(3);

    auto* swatches = new QGridLayout;
    swatches->setSpacing(3);
    int row = 0;
    const auto swatch = [&](const char* name, const char* caption, QColor TrendLook::*field) {
        auto* button = new QToolButton(panel);
        button->setObjectName(QString::fromLatin1(name));
        button->setFixedSize(14, 14);
        connect(button, &QToolButton::clicked, this, [this, field] { ChooseColour(field); });
        swatches->addWidget(button, row, 0);
        swatches->addWidget(new QLabel(QString::fromUtf8(caption), panel), row, 1);
        swatches_.emplace_back(button, field);
        ++row;
    };
    swatch("ShapeFon", "Фон", &TrendLook::Field);
    swatch("ShapeGrid", "Сетка", &TrendLook::Grid);
    swatch("ShapeLine", "Линия", &TrendLook::Line);
    swatch("ShapePoint", "Точка", &TrendLook::Point);
    swatch("ShapeBorder", "Рамка", &TrendLook::Border);
    swatch("ShapeSticker", "Стикер", &TrendLook::Sticker);
    swatch("ShapeTrace", "Трасса", &TrendLook::Trace);
    swatches->setColumnStretch(1, 1);
    box->addLayout(swatches);

    pointSize_ = new QSpinBox(panel);
    pointSize_->setObjectName(QStringLiteral("RxSpTrendPSize"));
    pointSize_->setToolTip(QStringLiteral("Размер точки"));
    pointSize_->setRange(5, 15);
    pointSize_->setSingleStep(2);
    pointSize_->setValue(look_.PointSize);
    connect(pointSize_, &QSpinBox::valueChanged, this, [this](int size) {
        look_.PointSize = size;
        ApplyLook();
        FocusSlider();
    });
    box->addWidget(pointSize_);

    const auto check = [&](const char* name, const char* caption, const char* hint) {
        auto* c = new QCheckBox(QString::fromUtf8(caption), panel);
        c->setObjectName(QString::fromLatin1(name));
        c->setToolTip(QString::fromUtf8(hint));
        box->addWidget(c);
        return c;
    };
    autoZoom_ = check("CBAutoZoom", "АвтоЗум", "Показывать все точки");
    sticker_ = check("CBSticker", "Стикер", "Отображать перекрестие,\r\nприлипающее к точкам графика");
    inGround_ = check("CBTrendInv", "В грунте", "Отображать ось расстояний слева");
    zeroBegin_ = check("CBTrendZeroBegin", "0...Ln", "Начинать шкалу расстояний с нуля");
    connect(autoZoom_, &QCheckBox::clicked, this, [this](bool on) {
        SetAutoZoom(on);
        FocusSlider();
    });
    connect(sticker_, &QCheckBox::clicked, this, [this] {
        ApplyMarkers();
        FocusSlider();
    });
    connect(inGround_, &QCheckBox::clicked, this, [this](bool on) {
        Turn(on);
        FocusSlider();
    });
    connect(zeroBegin_, &QCheckBox::clicked, this, [this](bool on) {
        SyncTemperatureRange();
        view_.SetZeroBegin(on, true);
        ApplyAxes();
        FocusSlider();
    });

    auto* print = new QToolButton(panel);
    print->setObjectName(QStringLiteral("BtnPrintTrend"));
    print->setText(QStringLiteral("Печать"));
    print->setToolTip(QStringLiteral("Печатать Тренд"));
    connect(print, &QToolButton::clicked, this, &TfrmTrend::PrintRequested);
    box->addWidget(print);

    auto* zoom = new QHBoxLayout;
    zoom->setSpacing(2);
    QToolButton* in = ZoomButton("btnZoomInY", "+", "Увеличить масштаб", panel);
    QToolButton* all = ZoomButton("bbShowAll", "[ ]", "Показать всё", panel);
    QToolButton* out = ZoomButton("btnZoomOutY", "−", "Уменьшить масштаб", panel);
    for (QToolButton* b : {in, all, out}) zoom->addWidget(b);
    connect(in, &QToolButton::clicked, this, [this] {
        SyncTemperatureRange();
        view_.ZoomIn();
        ApplyAxes();
        FocusSlider();
    });
    connect(all, &QToolButton::clicked, this, [this] {
        ShowAll();
        FocusSlider();
    });
    connect(out, &QToolButton::clicked, this, [this] {
        SyncTemperatureRange();
        view_.ZoomOut();
        ApplyAxes();
        FocusSlider();
    });
    box->addLayout(zoom);
    box->addStretch(1);
    return panel;
}

// --- Settings --------------------------------------------------------------------------------

void TfrmTrend::SetLook(const TrendLook& look) {
    const bool turn = look.InGround != view_.InGround();
    look_ = look;
    {
        const QSignalBlocker block(pointSize_);
        pointSize_->setValue(look.PointSize);
    }
    look_.PointSize = pointSize_->value();  // within 5 ... 15
    zeroBegin_->setChecked(look.ZeroBegin);
    view_.SetZeroBegin(look.ZeroBegin, false);
    inGround_->setChecked(look.InGround);
    ApplyLook();
    if (turn) Turn(look.InGround);
}

TrendLook TfrmTrend::Look() const {
    TrendLook look = look_;
    look.InGround = inGround_->isChecked();
    look.ZeroBegin = zeroBegin_->isChecked();
    return look;
}

void TfrmTrend::ChooseColour(QColor TrendLook::*field) {
    const QColor chosen = QColorDialog::getColor(look_.*field, this);
    if (!chosen.isValid()) return;
    look_.*field = chosen;
    ApplyLook();
}

void TfrmTrend::ApplyLook() {
    for (auto& [swatch, field] : swatches_) Paint(*swatch, look_.*field);
    chart_->SetFieldColour(look_.Field);
    chart_->SetGrid(ChartAxis::Left, true, look_.Grid);
    chart_->SetGrid(ChartAxis::Bottom, true, look_.Grid);
    chart_->SetLineColour(mainLine_, look_.Line);
    chart_->SetPointFill(mainLine_, look_.Point);
    chart_->SetPointBorder(mainLine_, look_.Border);
    chart_->SetPointSize(mainLine_, look_.PointSize);
    chart_->SetLineColour(traceLine_, look_.Trace);
    chart_->SetPointFill(traceLine_, look_.Trace);
    chart_->SetPointBorder(traceLine_, look_.Trace);
    chart_->SetPointSize(traceLine_, look_.PointSize - 2);
    for (int marker : {markerX_, markerY_}) chart_->SetMarkerPen(marker, look_.Sticker, Qt::DashDotDotLine);
    chart_->Replot();
}

// --- Showing the view ------------------------------------------------------------------------

// The operator may have dragged the temperature axis since the view last set it.
void TfrmTrend::SyncTemperatureRange() {
    const ChartAxis axis = view_.InGround() ? ChartAxis::Bottom : ChartAxis::Left;
    view_.SetTemperatureRange({chart_->AxisMin(axis), chart_->AxisMax(axis)});
}

void TfrmTrend::ApplyAxes() {
    const auto apply = [this](ChartAxis which, const TrendAxis& axis) {
        chart_->SetAxisCaption(which, Q(axis.Caption));
        chart_->SetAxisTickCount(which, axis.Ticks);
        chart_->SetAxisRange(which, axis.Range.Min, axis.Range.Max);
    };
    apply(ChartAxis::Left, view_.LeftAxis());
    apply(ChartAxis::Bottom, view_.BottomAxis());
    chart_->SetAxisReversed(ChartAxis::Left, view_.LeftInverted());
}

// The lines' keys are positions along the cable, their values temperatures: the keys go along the
// bottom axis, or along the left one in the ground. The trace is drawn first, behind the main line.
void TfrmTrend::BuildLines() {
    const ChartAxis keys = view_.InGround() ? ChartAxis::Left : ChartAxis::Bottom;
    const ChartAxis values = view_.InGround() ? ChartAxis::Bottom : ChartAxis::Left;
    chart_->RemoveLines();
    traceLine_ = chart_->AddLine(look_.Trace, keys, values);
    mainLine_ = chart_->AddLine(look_.Line, keys, values);
    for (int line : {traceLine_, mainLine_}) chart_->SetPointShape(line, PointShape::Square);
    chart_->SetPanZoomDirections(view_.TemperatureHorizontal() ? Qt::Horizontal : Qt::Vertical);
    chart_->setCursor(view_.TemperatureHorizontal() ? Qt::SizeHorCursor : Qt::SizeVerCursor);
}

void TfrmTrend::DrawLines() {
    chart_->SuspendRepaint();
    for (const auto& [line, points] : {std::pair{mainLine_, &view_.MainLine()}, {traceLine_, &view_.TraceLine()}}) {
        chart_->ClearLine(line);
        for (const ProfilePoint& p : *points) chart_->AppendPoint(line, p.Position, p.Temperature);
    }
    chart_->ResumeRepaint();
}

void TfrmTrend::ShowPanels() {
    for (int i = 2; i < 5; ++i) panels_[i]->setText(Q(view_.Panel(i)));
}

void TfrmTrend::ShowSliders() {
    for (const auto& [slider, value] : {std::pair{main_, view_.MainSlider()}, {trace_, view_.TraceSlider()}}) {
        const QSignalBlocker block(slider);
        slider->setRange(0, view_.SliderMaximum());
        slider->setValue(value);
    }
}

void TfrmTrend::Refresh() {
    ApplyAxes();
    DrawLines();
    ShowPanels();
    ShowSliders();
    ApplyMarkers();
}

void TfrmTrend::FocusSlider() { main_->setFocus(); }

void TfrmTrend::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) FocusSlider();
    QWidget::changeEvent(event);
}

void TfrmTrend::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    FocusSlider();
}

// --- Operations ------------------------------------------------------------------------------

void TfrmTrend::ClearTrend() {
    SyncTemperatureRange();
    view_.Clear();
    Refresh();
}

void TfrmTrend::UpdateTrend(bool follow, bool resetTrace) {
    SyncTemperatureRange();
    view_.Update(follow, resetTrace);
    Refresh();
}

void TfrmTrend::ResetTrendView() {
    view_.ResetTrendView();
    ApplyAxes();
}

void TfrmTrend::SetPositionAxis(int kind, int lo, int hi) {
    SyncTemperatureRange();
    view_.SetPositionAxis(kind, lo, hi);
    ApplyAxes();
}

void TfrmTrend::ShowAll() {
    view_.ShowAll();
    ApplyAxes();
}

void TfrmTrend::SetAutoZoom(bool on) {
    autoZoom_->setChecked(on);
    SyncTemperatureRange();
    view_.SetAutoZoom(on);
    ApplyAxes();
}

void TfrmTrend::SetMainSlider(int p) { main_->setValue(p); }

void TfrmTrend::MainMoved(int p) {
    SyncTemperatureRange();
    if (view_.MoveMain(p)) Refresh();
}

void TfrmTrend::TraceMoved(int p) {
    SyncTemperatureRange();
    if (view_.MoveTrace(p)) Refresh();
}

void TfrmTrend::SetMainLine(std::vector<ProfilePoint> points) {
    view_.SetMainLine(std::move(points));
    DrawLines();
}

QString TfrmTrend::PanelText(int index) const { return index >= 0 && index < 5 ? panels_[index]->text() : QString(); }

void TfrmTrend::SetPanelText(int index, const QString& text) {
    if (index < 0 || index >= 5) return;
    if (index >= 2) view_.SetPanel(index, text.toStdString());
    panels_[index]->setText(text);
}

void TfrmTrend::Turn(bool inGround) {
    inGround_->setChecked(inGround);
    SyncTemperatureRange();
    view_.SetInGround(inGround);
    BuildLines();
    ApplyLook();
    Refresh();
}

// --- Markers and the mouse read-out -----------------------------------------------------------

bool TfrmTrend::StickerOn() const { return sticker_->isChecked(); }

void TfrmTrend::SetStickerMarkers(double x, double y) {
    chart_->SetMarkerPosition(markerX_, x);
    chart_->SetMarkerPosition(markerY_, y);
}

void TfrmTrend::SetReferenceMarker(int which, double temperature, bool visible) {
    if (which < 0 || which > 1) return;
    referencePos_[which] = temperature;
    referenceOn_[which] = visible;
    ApplyMarkers();
}

// The reference markers lie across the temperature axis: horizontal, or vertical in the ground.
void TfrmTrend::ApplyMarkers() {
    chart_->SetMarkerVisible(markerX_, StickerOn());
    chart_->SetMarkerVisible(markerY_, StickerOn());
    const int across = view_.InGround() ? 1 : 0;
    for (int which = 0; which < 2; ++which)
        for (int side = 0; side < 2; ++side) {
            const int marker = references_[which][side];
            chart_->SetMarkerPosition(marker, referencePos_[which]);
            chart_->SetMarkerVisible(marker, referenceOn_[which] && side == across);
        }
}

void TfrmTrend::MouseMoved(int x, int y, Qt::KeyboardModifiers modifiers) {
    const TrendReadOut out = view_.ReadOut(chart_->PixelToValue(ChartAxis::Left, y),
                                           chart_->PixelToValue(ChartAxis::Bottom, x), StickerOn());
    if (!out.Shown) return;
    if (out.Sticker) SetStickerMarkers(out.Marker.X, out.Marker.Y);
    panels_[0]->setText(Q(out.TemperatureText));
    panels_[1]->setText(Q(out.PositionText));
    if (!(modifiers & Qt::ControlModifier)) {
        if (out.Sticker) chart_->Replot();
        return;
    }
    chart_->Replot();
    const ReadOutPlace place = CtrlReadOutPlace(x, y, chart_->width());
    chart_->DrawText(place.TemperatureX, place.TemperatureY, panels_[0]->text(), font(), look_.Sticker, look_.Field);
    chart_->DrawText(place.PositionX, place.PositionY, panels_[1]->text(), font(), look_.Sticker, look_.Field);
}

}  // namespace drumo
