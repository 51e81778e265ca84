#include "views/ui/TfrmGraphic.h"

#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QVBoxLayout>

#include <algorithm>

#include "model/Formats.h"
#include "views/ui/ColourSwatch.h"

namespace drumo {

namespace {

constexpr int RowHeight = 14;
constexpr int PanelWidth = 176;

QString Q(const std::string& text) { return QString::fromStdString(text); }

// A small printer for the print button.
QIcon PrinterIcon() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawRect(4, 1, 7, 5);    // paper going in
    p.setBrush(QColor(120, 120, 120));
    p.drawRect(1, 6, 13, 6);   // body
    p.setBrush(Qt::white);
    p.drawRect(4, 10, 7, 5);   // paper coming out
    return QIcon(pixmap);
}

}  // namespace

TfrmGraphic::TfrmGraphic(Operator& op, Clock& clock, QWidget* parent)
    : QWidget(parent, Qt::Window), operator_(op), clock_(clock) {
    setObjectName(QStringLiteral("frmGraphic"));
    setWindowTitle(QStringLiteral("График"));
    setMinimumSize(MinWidth, MinHeight);
    resize(MinWidth, MinHeight);
    lineColors_.fill(qRgb(255, 0, 0));
    gridColour_ = ToQColor(GraphSettings{}.GridColor);

    chart_ = new Chart(this);
    chart_->setObjectName(QStringLiteral("Graph"));
    chart_->SetTopFollowsBottom(true);
    chart_->SetAxisCaption(ChartAxis::Left, QStringLiteral("Температура, °C"));
    chart_->SetAxisNumberLabels(ChartAxis::Left);
    chart_->SetAxisTickCount(ChartAxis::Left, 11);
    chart_->SetAxisCaption(ChartAxis::Bottom, QStringLiteral("Время"));
    chart_->SetAxisDateTimeLabels(ChartAxis::Bottom, QStringLiteral("hh:mm:ss"));
    chart_->SetAxisTickCount(ChartAxis::Bottom, 7);
    chart_->SetAxisVisible(ChartAxis::Top, true);
    chart_->SetAxisCaption(ChartAxis::Top, QStringLiteral("Дата"));
    chart_->SetAxisDateTimeLabels(ChartAxis::Top, QStringLiteral("dd.MM.yy"));
    chart_->SetAxisTickCount(ChartAxis::Top, 7);
    chart_->SetAxisVisible(ChartAxis::Right, false);
    chart_->SetFieldColour(ToQColor(GraphSettings{}.FieldColor));
    ApplyGridColour(gridColour_);
    markerS25_ = chart_->AddMarker(ChartAxis::Left, Qt::red, Qt::DotLine);
    markerP100_ = chart_->AddMarker(ChartAxis::Left, Qt::red, Qt::DotLine);

    popup_.addAction(QStringLiteral("Копировать"), this, &TfrmGraphic::CopyPicture);
    chart_->SetPopupMenu(&popup_);
    connect(chart_, &Chart::AxisZoomed, this, [this] { autoZoomTimer_.start(); });
    connect(chart_, &Chart::DoubleClicked, this, &TfrmGraphic::ShowAll);
    connect(chart_, &Chart::MouseMoved, this, &TfrmGraphic::MouseMoved);

    autoDrag_.setObjectName(QStringLiteral("TimerGraphAutoDrag"));
    autoDrag_.setInterval(250);
    connect(&autoDrag_, &QTimer::timeout, this, &TfrmGraphic::AutoDragTick);
    autoZoomTimer_.setObjectName(QStringLiteral("TimerGraphAutoZoom"));
    autoZoomTimer_.setInterval(100);
    autoZoomTimer_.setSingleShot(true);
    connect(&autoZoomTimer_, &QTimer::timeout, this, &TfrmGraphic::AutoZoomTick);

    auto* status = new QStatusBar(this);
    status->setSizeGripEnabled(false);
    const int widths[] = {90, 140, 0};
    for (int i = 0; i < 3; ++i) {
        panels_[i] = new QLabel(status);
        panels_[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        if (widths[i] > 0) panels_[i]->setFixedWidth(widths[i]);
        status->addWidget(panels_[i], widths[i] > 0 ? 0 : 1);
    }

    auto* top = new QHBoxLayout;
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(2);
    top->addWidget(chart_, 1);
    top->addWidget(BuildPanel());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(top, 1);
    layout->addWidget(status);

    ResetView();
}

TfrmGraphic::~TfrmGraphic() = default;

QToolButton* TfrmGraphic::AddButton(const char* name, const QString& glyph, const char* hint) {
    auto* button = new QToolButton;
    button->setObjectName(QString::fromLatin1(name));
    button->setText(glyph);
    button->setToolTip(QString::fromUtf8(hint));
    button->setFixedSize(28, 24);
    return button;
}

QWidget* TfrmGraphic::BuildPanel() {
    auto* panel = new QWidget(this);
    panel->setFixedWidth(PanelWidth);
    auto* v = new QVBoxLayout(panel);
    v->setContentsMargins(2, 2, 2, 2);
    v->setSpacing(3);

    lineList_ = new QWidget;
    lineList_->setObjectName(QStringLiteral("LineList"));
    lineList_->resize(PanelWidth - 24, 4);
    lineScroll_ = new QScrollArea(panel);
    lineScroll_->setWidget(lineList_);
    lineScroll_->setWidgetResizable(false);
    lineScroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    v->addWidget(lineScroll_, 1);

    autoZoom_ = new QCheckBox(QStringLiteral("АвтоЗум"));
    autoZoom_->setObjectName(QStringLiteral("CBAutoZoom"));
    autoZoom_->setToolTip(QStringLiteral("Показывать весь график"));
    connect(autoZoom_, &QCheckBox::toggled, this, [this](bool on) {
        if (on) ShowAll();
    });
    allLines_ = new QCheckBox(QStringLiteral("Все линии"));
    allLines_->setObjectName(QStringLiteral("cbLineAll"));
    allLines_->setToolTip(QStringLiteral("Показать/скрыть все линии"));
    allLines_->setChecked(true);
    connect(allLines_, &QCheckBox::clicked, this, [this](bool on) {
        for (QCheckBox* box : lineBoxes_) box->setChecked(on);
    });
    v->addWidget(autoZoom_);
    v->addWidget(allLines_);

    auto* colours = new QGridLayout;
    colours->setHorizontalSpacing(4);
    fieldSwatch_ = new ColourSwatch;
    fieldSwatch_->setObjectName(QStringLiteral("ShapeFon"));
    fieldSwatch_->setFixedSize(16, 16);
    fieldSwatch_->SetColour(chart_->FieldColour());
    connect(fieldSwatch_, &ColourSwatch::Released, this, &TfrmGraphic::ChooseFieldColour);
    gridSwatch_ = new ColourSwatch;
    gridSwatch_->setObjectName(QStringLiteral("ShapeGrid"));
    gridSwatch_->setFixedSize(16, 16);
    gridSwatch_->SetColour(gridColour_);
    connect(gridSwatch_, &ColourSwatch::Released, this, &TfrmGraphic::ChooseGridColour);
    auto* defaults = new QPushButton(QStringLiteral("↺"));
    defaults->setObjectName(QStringLiteral("BtnColorDefault"));
    defaults->setFixedSize(28, 24);
    connect(defaults, &QPushButton::clicked, this, &TfrmGraphic::DefaultColoursClicked);
    colours->addWidget(fieldSwatch_, 0, 0);
    colours->addWidget(new QLabel(QStringLiteral("Фон")), 0, 1);
    colours->addWidget(gridSwatch_, 1, 0);
    colours->addWidget(new QLabel(QStringLiteral("Сетка")), 1, 1);
    colours->addWidget(defaults, 0, 2, 2, 1);
    v->addLayout(colours);

    auto* tracking = new QHBoxLayout;
    trackSpin_ = new QSpinBox;
    trackSpin_->setObjectName(QStringLiteral("RxSpAutoDrag"));
    trackSpin_->setToolTip(QStringLiteral("Номер линии слежения"));
    trackSpin_->setRange(0, 255);
    trackSpin_->setValue(1);
    connect(trackSpin_, &QSpinBox::valueChanged, this, &TfrmGraphic::TrackedLineChanged);
    follow_ = new QCheckBox(QStringLiteral("Слежение"));
    follow_->setObjectName(QStringLiteral("cbAutoDrag"));
    connect(follow_, &QCheckBox::toggled, this, &TfrmGraphic::FollowSwitched);
    tracking->addWidget(trackSpin_);
    tracking->addWidget(follow_);
    v->addLayout(tracking);

    auto* look = new QHBoxLayout;
    auto* print = AddButton("BtnPrintGraph", QString(), "Печатать График");
    print->setIcon(PrinterIcon());
    connect(print, &QToolButton::clicked, this, [this] {
        if (print_) print_();
    });
    pointSize_ = new QSpinBox;
    pointSize_->setObjectName(QStringLiteral("RxSpGraphPSize"));
    pointSize_->setToolTip(QStringLiteral("Размер точки"));
    pointSize_->setRange(5, 15);
    pointSize_->setSingleStep(2);
    pointSize_->setValue(7);
    connect(pointSize_, &QSpinBox::valueChanged, this, &TfrmGraphic::ApplyPointLook);
    points_ = new QCheckBox(QStringLiteral("Точки"));
    points_->setObjectName(QStringLiteral("CheckBoxPoints"));
    points_->setChecked(true);
    connect(points_, &QCheckBox::toggled, this, &TfrmGraphic::ApplyPointLook);
    look->addWidget(print);
    look->addWidget(pointSize_);
    look->addWidget(points_);
    v->addLayout(look);

    // Zoom buttons on the left, the pan cross on the right, "Показать всё" in its middle.
    auto* buttons = new QGridLayout;
    buttons->setSpacing(1);
    const auto view = [this](auto rule) {
        return [this, rule] {
            ReadView();
            rule(view_);
            ApplyView();
        };
    };
    struct Button {
        const char* name;
        const char* glyph;
        const char* hint;
        int row, column;
        std::function<void(TimeGraphView&)> rule;
    } const table[] = {
        {"btnZoomInY", "Y+", "Увеличить масштаб по Y", 0, 0, [](TimeGraphView& v) { ZoomTemperature(v, true); }},
        {"btnZoomOutY", "Y−", "Уменьшить масштаб по Y", 1, 0, [](TimeGraphView& v) { ZoomTemperature(v, false); }},
        {"btnZoomInX", "X+", "Увеличить масштаб по X", 2, 0, [](TimeGraphView& v) { ZoomTime(v, true); }},
        {"btnZoomOutX", "X−", "Уменьшить масштаб по X", 3, 0, [](TimeGraphView& v) { ZoomTime(v, false); }},
        {"UpButton", "▲", "Сдвинуть вверх на 1/10", 0, 3, [](TimeGraphView& v) { Pan(v, PanDirection::Up); }},
        {"DownButton", "▼", "Сдвинуть вниз на 1/10", 2, 3, [](TimeGraphView& v) { Pan(v, PanDirection::Down); }},
        {"LeftButton", "◀", "Сдвинуть влево на 1/10", 1, 2, [](TimeGraphView& v) { Pan(v, PanDirection::Left); }},
        {"RightButton", "▶", "Сдвинуть вправо на 1/10", 1, 4, [](TimeGraphView& v) { Pan(v, PanDirection::Right); }},
    };
    for (const Button& b : table) {
        QToolButton* button = AddButton(b.name, QString::fromUtf8(b.glyph), b.hint);
        connect(button, &QToolButton::clicked, this, view(b.rule));
        buttons->addWidget(button, b.row, b.column);
    }
    QToolButton* all = AddButton("btnShowAll", QStringLiteral("▣"), "Показать всё");
    connect(all, &QToolButton::clicked, this, &TfrmGraphic::ShowAll);
    buttons->addWidget(all, 1, 3);
    buttons->setColumnMinimumWidth(1, 4);
    v->addLayout(buttons);

    // The mouse legend: two grey columns.
    auto* legend = new QGridLayout;
    legend->setSpacing(0);
    const char* const keys[] = {"mause left", "mause right", "ctrl+mause move", "shift+mause left", "doublе click"};
    const char* const acts[] = {"- сдвиг", "- копировать", "- координаты", "- зум", "- показать"};
    QFont small = font();
    small.setPixelSize(9);
    for (int i = 0; i < 5; ++i) {
        for (int c = 0; c < 2; ++c) {
            auto* label = new QLabel(QString::fromUtf8(c == 0 ? keys[i] : acts[i]));
            label->setFont(small);
            label->setStyleSheet(QStringLiteral("color: grey;"));
            legend->addWidget(label, i, c);
        }
    }
    v->addLayout(legend);
    return panel;
}

// --- The view --------------------------------------------------------------------------------

void TfrmGraphic::ReadView() {
    view_.Time = {chart_->AxisMin(ChartAxis::Bottom), chart_->AxisMax(ChartAxis::Bottom)};
    view_.Temperature = {chart_->AxisMin(ChartAxis::Left), chart_->AxisMax(ChartAxis::Left)};
}

void TfrmGraphic::ApplyView() {
    chart_->SuspendRepaint();
    chart_->SetAxisRange(ChartAxis::Bottom, view_.Time.Min, view_.Time.Max);
    chart_->SetAxisRange(ChartAxis::Left, view_.Temperature.Min, view_.Temperature.Max);
    chart_->ResumeRepaint();
}

void TfrmGraphic::ResetView() {
    drumo::ResetView(view_, clock_.Now());
    ApplyView();
}

void TfrmGraphic::ShowAll() {
    ReadView();
    ShowAllInput input;
    input.LineCount = chart_->LineCount();
    input.FirstLinePoints = chart_->PointCount(0);
    double key = 0, value = 0;
    if (chart_->Point(0, 0, key, value)) input.FirstLineKey = key;
    double lo = 0, hi = 0;
    if (chart_->DataExtent(ChartAxis::Bottom, lo, hi)) input.TimeData = AxisRange{lo, hi};
    if (chart_->DataExtent(ChartAxis::Left, lo, hi)) input.TemperatureData = AxisRange{lo, hi};
    drumo::ShowAll(view_, input, clock_.Now());
    ApplyView();
}

void TfrmGraphic::AutoZoomTick() {
    autoZoomTimer_.stop();
    ReadView();
    SnapAfterMouseZoom(view_);
    ApplyView();
}

void TfrmGraphic::AutoDragTick() {
    if (trackedLine_ < 1 || trackedLine_ > chart_->LineCount()) return;
    double x = 0, y = 0;
    if (!chart_->LastPoint(trackedLine_ - 1, x, y)) return;
    ReadView();
    if (drumo::AutoDragTick(view_, x, y)) ApplyView();
}

void TfrmGraphic::FollowSwitched(bool on) {
    if (on)
        autoDrag_.start();
    else
        autoDrag_.stop();
    view_.TrackYCentred = false;
}

void TfrmGraphic::SetFollow(bool on) { follow_->setChecked(on); }
bool TfrmGraphic::Follow() const { return follow_->isChecked(); }
void TfrmGraphic::SetAutoZoom(bool on) { autoZoom_->setChecked(on); }
bool TfrmGraphic::AutoZoom() const { return autoZoom_->isChecked(); }

// --- Lines -----------------------------------------------------------------------------------

void TfrmGraphic::CreateLines(int n) {
    // Lines of an earlier cable would keep boxes that no longer match their lines.
    if (chart_->LineCount() > 0) DestroyLines();
    n = std::clamp(n, 0, LineColorCount - 1);
    lineScroll_->verticalScrollBar()->setValue(0);
    lineList_->resize(lineList_->width(), n * RowHeight + 4);
    chart_->SuspendRepaint();
    for (int i = 0; i < n; ++i) {
        const QColor colour(lineColors_[i]);
        const int line = chart_->AddLine(colour);
        chart_->SetPointShape(line, PointShape::Square);
        chart_->SetPointFill(line, colour);
        chart_->SetPointBorder(line, Qt::black);
        chart_->SetPointsVisible(line, points_->isChecked());
        chart_->SetPointSize(line, pointSize_->value());

        auto* box = new QCheckBox(lineList_);
        box->setObjectName(QStringLiteral("LineBox%1").arg(i + 1));
        box->setGeometry(16, i * RowHeight + 2, 100, RowHeight);
        box->setChecked(true);
        connect(box, &QCheckBox::toggled, this, [this, i](bool on) { LineBoxClicked(i, on); });
        box->show();
        lineBoxes_.push_back(box);

        auto* swatch = new ColourSwatch(lineList_);
        swatch->setObjectName(QStringLiteral("LineSwatch%1").arg(i + 1));
        swatch->setGeometry(2, i * RowHeight + 3, 11, 11);
        swatch->SetColour(colour);
        connect(swatch, &ColourSwatch::Released, this, [this, i] { LineSwatchReleased(i); });
        swatch->show();
        lineSwatches_.push_back(swatch);
    }
    {
        const QSignalBlocker quiet(trackSpin_);
        const int value = TrackedLineAfterCreate(trackSpin_->value(), n);
        trackSpin_->setMaximum(n);
        trackSpin_->setValue(value);
    }
    TrackedLineChanged();
    chart_->ResumeRepaint();
}

void TfrmGraphic::DestroyLines() {
    chart_->RemoveLines();
    for (QCheckBox* box : lineBoxes_) delete box;
    for (ColourSwatch* swatch : lineSwatches_) delete swatch;
    lineBoxes_.clear();
    lineSwatches_.clear();
    lineScroll_->verticalScrollBar()->setValue(0);
    lineList_->resize(lineList_->width(), 0);
    SetStatusPanel(2, QString());
}

void TfrmGraphic::ClearLines() {
    chart_->SuspendRepaint();
    for (int i = 0; i < chart_->LineCount(); ++i) chart_->ClearLine(i);
    chart_->ResumeRepaint();
    SetStatusPanel(2, QStringLiteral("Измерений: 0/•0"));
}

void TfrmGraphic::RefreshTrackedLine() {
    if (trackedLine_ < 1 || trackedLine_ > chart_->LineCount()) return;
    const int k = chart_->PointCount(trackedLine_ - 1) - 1;
    double x = 0, y = 0;
    if (k < 0 || !chart_->Point(trackedLine_ - 1, k, x, y)) return;
    chart_->ReplacePoint(trackedLine_ - 1, k, x, y);
}

void TfrmGraphic::SetLineCaption(int line, const QString& caption) {
    if (line >= 1 && line <= static_cast<int>(lineBoxes_.size())) lineBoxes_[line - 1]->setText(caption);
}

QString TfrmGraphic::LineCaption(int line) const {
    if (line < 1 || line > static_cast<int>(lineBoxes_.size())) return {};
    return lineBoxes_[line - 1]->text();
}

void TfrmGraphic::SetAxisCaption(const QString& caption) { chart_->SetAxisCaption(ChartAxis::Left, caption); }

void TfrmGraphic::AddPoint(int line, DateTime time, double celsius) {
    chart_->AppendPoint(line - 1, time, celsius);
}

void TfrmGraphic::ShowStoreSeries(int line, const MeasurementStore& store, size_t d, size_t c, size_t s,
                                  size_t count) {
    if (chart_->ShowsSeries(line - 1))
        chart_->ShowSamples(line - 1, count);
    else
        chart_->ShowSeries(line - 1, store, d, c, s, count);
}

void TfrmGraphic::SetStatusPanel(int panel, const QString& text) {
    if (panel >= 0 && panel < 3) panels_[panel]->setText(text);
}

QString TfrmGraphic::StatusPanel(int panel) const {
    return panel >= 0 && panel < 3 ? panels_[panel]->text() : QString();
}

void TfrmGraphic::LineBoxClicked(int index, bool checked) { chart_->SetLineActive(index, checked); }

void TfrmGraphic::SetLineShown(int line, bool shown) {
    if (line < 1 || line > static_cast<int>(lineBoxes_.size())) return;
    lineBoxes_[line - 1]->setChecked(shown);
    LineBoxClicked(line - 1, shown);
}

void TfrmGraphic::LineSwatchReleased(int index) {
    QColor colour = lineSwatches_[index]->Colour();
    if (!Choose(colour)) return;
    lineColors_[index] = colour.rgb();
    lineSwatches_[index]->SetColour(colour);
    chart_->SetLineColour(index, colour);
    chart_->SetPointFill(index, colour);
}

// --- Tracked line and markers ------------------------------------------------------------------

void TfrmGraphic::SetTrackedLineNumber(int line) { trackSpin_->setValue(line); }
int TfrmGraphic::TrackedLineNumber() const { return trackSpin_->value(); }

void TfrmGraphic::TrackedLineChanged() {
    const TrackedLineChange change = ChangeTrackedLine(trackedLine_, trackSpin_->value(), chart_->LineCount());
    chart_->SuspendRepaint();
    if (change.Plain > 0) {
        chart_->SetPointShape(change.Plain - 1, PointShape::Square);
        chart_->SetPointBorder(change.Plain - 1, Qt::black);
        chart_->SendToBack(change.Plain - 1);
    }
    if (change.Highlighted > 0) {
        chart_->SetPointShape(change.Highlighted - 1, PointShape::Circle);
        chart_->SetPointBorder(change.Highlighted - 1, Qt::white);
        chart_->BringToFront(change.Highlighted - 1);
    }
    chart_->ResumeRepaint();
}

void TfrmGraphic::SetMarker(Marker marker, double celsius, bool visible) {
    const int index = MarkerIndex(marker);
    chart_->SetMarkerPosition(index, celsius);
    chart_->SetMarkerVisible(index, visible);
}

// --- Colours and points ----------------------------------------------------------------------

bool TfrmGraphic::Choose(QColor& colour) {
    if (chooseColour_) return chooseColour_(colour);
    const QColor chosen = QColorDialog::getColor(colour, this);
    if (!chosen.isValid()) return false;
    colour = chosen;
    return true;
}

void TfrmGraphic::ChooseFieldColour() {
    QColor colour = chart_->FieldColour();
    if (!Choose(colour)) return;
    chart_->SetFieldColour(colour);
    fieldSwatch_->SetColour(colour);
}

void TfrmGraphic::ApplyGridColour(const QColor& colour) {
    gridColour_ = colour;
    chart_->SetGrid(ChartAxis::Left, true, colour);
    chart_->SetGrid(ChartAxis::Bottom, true, colour);
    if (gridSwatch_) gridSwatch_->SetColour(colour);
}

void TfrmGraphic::ChooseGridColour() {
    QColor colour = gridColour_;
    if (Choose(colour)) ApplyGridColour(colour);
}

void TfrmGraphic::DefaultColoursClicked() {
    if (!operator_.Ask("Установить цвета линий графика по умолчанию?")) return;
    const GraphColours colours = defaultColours_ ? defaultColours_() : GraphColours{};
    chart_->SetFieldColour(ToQColor(colours.Field));
    fieldSwatch_->SetColour(ToQColor(colours.Field));
    ApplyGridColour(ToQColor(colours.Grid));
    for (int i = 0; i < LineColorCount; ++i) lineColors_[i] = ToQColor(colours.Lines[i]).rgb();
    chart_->SuspendRepaint();
    for (int i = 0; i < chart_->LineCount(); ++i) {
        const QColor colour(lineColors_[i]);
        chart_->SetLineColour(i, colour);
        chart_->SetPointFill(i, colour);
        lineSwatches_[i]->SetColour(colour);
    }
    chart_->ResumeRepaint();
}

void TfrmGraphic::ApplyPointLook() {
    chart_->SuspendRepaint();
    for (int i = 0; i < chart_->LineCount(); ++i) {
        chart_->SetPointsVisible(i, points_->isChecked());
        chart_->SetPointSize(i, pointSize_->value());
    }
    chart_->ResumeRepaint();
}

// --- Mouse -----------------------------------------------------------------------------------

void TfrmGraphic::MouseMoved(int x, int y, Qt::KeyboardModifiers modifiers) {
    const QString temperature =
        Q(ReadoutTemperatureText(chart_->PixelToValue(ChartAxis::Left, y), DecimalMark()));
    const QString time = Q(ReadoutTimeText(chart_->PixelToValue(ChartAxis::Bottom, x)));
    SetStatusPanel(0, temperature);
    SetStatusPanel(1, time);
    if (!(modifiers & Qt::ControlModifier)) return;
    chart_->Replot();
    const ReadoutPlace place = PlaceReadout(x, y, chart_->width());
    chart_->DrawText(place.TemperatureX, place.TemperatureY, temperature, font(), Qt::white, chart_->FieldColour());
    chart_->DrawText(place.TimeX, place.TimeY, time, font(), Qt::white, chart_->FieldColour());
}

void TfrmGraphic::CopyPicture() { QApplication::clipboard()->setPixmap(chart_->Picture()); }

// --- Settings --------------------------------------------------------------------------------

void TfrmGraphic::LoadSettings(const GraphSettings& settings) {
    points_->setChecked(settings.PointVisible);
    pointSize_->setValue(settings.PointSize);
    const QColor field = ToQColor(settings.FieldColor);
    chart_->SetFieldColour(field);
    fieldSwatch_->SetColour(field);
    ApplyGridColour(ToQColor(settings.GridColor));
    for (int i = 0; i < LineColorCount; ++i) lineColors_[i] = ToQColor(settings.GColor[i]).rgb();
}

void TfrmGraphic::SaveSettings(GraphSettings& settings) const {
    settings.PointVisible = points_->isChecked();
    settings.PointSize = pointSize_->value();
    settings.FieldColor = FromQColor(chart_->FieldColour());
    settings.GridColor = FromQColor(gridColour_);
    for (int i = 0; i < LineColorCount; ++i) settings.GColor[i] = FromQColor(QColor(lineColors_[i]));
}

}  // namespace drumo
