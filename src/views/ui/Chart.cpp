#include "views/ui/Chart.h"

#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QRubberBand>
#include <QVBoxLayout>

#include "views/AxisSteps.h"
#include "views/ui/ChartLine.h"

namespace drumo {

namespace {

const QString MarkersLayer = QStringLiteral("markers");
const QString TextLayer = QStringLiteral("texts");
// The colour around the plotting area on screen.
const QColor WidgetBackground = Qt::white;

QSharedPointer<EvenTicker> TickerOf(QCPAxis* axis) { return axis->ticker().dynamicCast<EvenTicker>(); }

}  // namespace

Chart::Chart(QWidget* parent) : QWidget(parent), plot_(new QCustomPlot(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(plot_);
    plot_->setNoAntialiasingOnDrag(true);
    plot_->setPlottingHint(QCP::phCacheLabels, true);
    // The legend is never shown; a plottable in it would make every removal lay the legend out
    // again, which turns clearing thousands of lines into minutes.
    plot_->setAutoAddPlottableToLegend(false);
    plot_->legend->setVisible(false);
    plot_->setBackground(QBrush(WidgetBackground));

    QFont small = font();
    small.setPixelSize(10);
    for (ChartAxis a : {ChartAxis::Left, ChartAxis::Bottom, ChartAxis::Top, ChartAxis::Right}) {
        QCPAxis* axis = AxisOf(a);
        axis->setTicker(QSharedPointer<EvenTicker>::create());
        axis->setTickLabelFont(small);
        axis->setLabelFont(small);
        axis->setSubTicks(false);
        axis->grid()->setZeroLinePen(Qt::NoPen);
        axis->grid()->setSubGridVisible(false);
        axis->grid()->setPen(QPen(Qt::gray, 0, Qt::DotLine));
        axis->grid()->setVisible(false);
    }
    plot_->xAxis2->setVisible(false);
    plot_->yAxis2->setVisible(false);
    // The time labels sit far enough below (above) the plot that they clear the half of the
    // value label centred on the plot's corner.
    const int halfLabel = QFontMetrics(small).height() / 2 + 3;
    plot_->xAxis->setTickLabelPadding(halfLabel);
    plot_->xAxis2->setTickLabelPadding(halfLabel);

    plot_->addLayer(MarkersLayer, plot_->layer(QStringLiteral("main")), QCustomPlot::limAbove);
    plot_->addLayer(TextLayer, plot_->layer(MarkersLayer), QCustomPlot::limAbove);
    plot_->layer(TextLayer)->setMode(QCPLayer::lmBuffered);
    plot_->setCurrentLayer(QStringLiteral("main"));
    canvas_ = new LineCanvas(plot_, plot_->axisRect());

    plot_->setInteraction(QCP::iRangeDrag, true);
    plot_->axisRect()->setRangeDragAxes({plot_->xAxis, plot_->xAxis2}, {plot_->yAxis, plot_->yAxis2});
    connect(plot_->xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this, [this](const QCPRange& r) {
        if (topFollowsBottom_) plot_->xAxis2->setRange(r);
    });
    connect(plot_, &QCustomPlot::mouseDoubleClick, this, [this](QMouseEvent*) { emit DoubleClicked(); });
    connect(plot_, &QCustomPlot::mouseMove, this, [this](QMouseEvent* e) {
        emit MouseMoved(e->pos().x(), e->pos().y(), e->modifiers());
    });
    plot_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(plot_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        if (popup_) popup_->popup(plot_->mapToGlobal(at));
    });
    plot_->installEventFilter(this);
    setMouseTracking(true);
    plot_->setMouseTracking(true);
}

Chart::~Chart() = default;

QCPAxis* Chart::AxisOf(ChartAxis axis) const {
    switch (axis) {
    case ChartAxis::Left: return plot_->yAxis;
    case ChartAxis::Bottom: return plot_->xAxis;
    case ChartAxis::Top: return plot_->xAxis2;
    case ChartAxis::Right: return plot_->yAxis2;
    }
    return plot_->yAxis;
}

ChartLine* Chart::LineAt(int line) const {
    return line >= 0 && line < static_cast<int>(lines_.size()) ? lines_[line] : nullptr;
}

// --- Axes ------------------------------------------------------------------------------------

void Chart::SetAxisRange(ChartAxis axis, double min, double max) {
    AxisOf(axis)->setRange(min, max);
    Replot();
}

double Chart::AxisMin(ChartAxis axis) const { return AxisOf(axis)->range().lower; }
double Chart::AxisMax(ChartAxis axis) const { return AxisOf(axis)->range().upper; }

void Chart::SetAxisVisible(ChartAxis axis, bool visible) {
    AxisOf(axis)->setVisible(visible);
    Replot();
}

void Chart::SetAxisCaption(ChartAxis axis, const QString& caption) {
    AxisOf(axis)->setLabel(caption);
    Replot();
}

QString Chart::AxisCaption(ChartAxis axis) const { return AxisOf(axis)->label(); }

void Chart::SetAxisNumberLabels(ChartAxis axis) {
    TickerOf(AxisOf(axis))->DateTimePattern.clear();
    KeepRoomForLastLabels();
    Replot();
}

void Chart::SetAxisDateTimeLabels(ChartAxis axis, const QString& pattern) {
    TickerOf(AxisOf(axis))->DateTimePattern = pattern;
    KeepRoomForLastLabels();
    Replot();
}

void Chart::KeepRoomForLastLabels() {
    // A horizontal axis's last tick label is centred on the plot's right edge: without room for
    // its right half the library leaves it out. The widest label a pattern gives is its
    // pattern with every field at its widest digits.
    int right = 0;
    for (QCPAxis* axis : {plot_->xAxis, plot_->xAxis2}) {
        const QString pattern = TickerOf(axis)->DateTimePattern;
        const QString widest = pattern.isEmpty()
                                   ? QStringLiteral("-0000.00")
                                   : QString(pattern).replace(QRegularExpression(QStringLiteral("[a-zA-Z]")),
                                                              QStringLiteral("0"));
        right = std::max(right, QFontMetrics(axis->tickLabelFont()).horizontalAdvance(widest) / 2 + 4);
    }
    plot_->axisRect()->setMinimumMargins(QMargins(0, 0, right, 0));
}

void Chart::SetAxisTickCount(ChartAxis axis, int count) {
    TickerOf(AxisOf(axis))->Count = count;
    Replot();
}

void Chart::SetAxisTickStep(ChartAxis axis, double step) {
    TickerOf(AxisOf(axis))->Step = step;
    Replot();
}

QString Chart::TickLabel(ChartAxis axis, double value) const { return TickerOf(AxisOf(axis))->Label(value); }

void Chart::SetGrid(ChartAxis axis, bool visible, const QColor& colour) {
    QCPGrid* grid = AxisOf(axis)->grid();
    grid->setVisible(visible);
    grid->setPen(QPen(colour, 0, Qt::DotLine));
    Replot();
}

QColor Chart::GridColour(ChartAxis axis) const { return AxisOf(axis)->grid()->pen().color(); }

double Chart::PixelToValue(ChartAxis axis, double pixel) const { return AxisOf(axis)->pixelToCoord(pixel); }
double Chart::ValueToPixel(ChartAxis axis, double value) const { return AxisOf(axis)->coordToPixel(value); }

void Chart::SetTopFollowsBottom(bool on) {
    topFollowsBottom_ = on;
    if (on) plot_->xAxis2->setRange(plot_->xAxis->range());
}

bool Chart::DataExtent(ChartAxis axis, double& lo, double& hi) const {
    const QCPAxis* target = AxisOf(axis);
    bool any = false;
    for (const ChartLine* line : lines_) {
        if (!line->visible()) continue;
        double a = 0, b = 0;
        bool found = false;
        if (line->keyAxis() == target)
            found = line->KeyExtent(a, b);
        else if (line->valueAxis() == target)
            found = line->ValueExtent(a, b);
        if (!found) continue;
        lo = any ? std::min(lo, a) : a;
        hi = any ? std::max(hi, b) : b;
        any = true;
    }
    return any;
}

bool Chart::AutoRangeAxis(ChartAxis axis) {
    double lo = 0, hi = 0;
    if (!DataExtent(axis, lo, hi)) return false;
    const AxisRange r = AutoRange(lo, hi);
    AxisOf(axis)->setRange(r.Min, r.Max);
    Replot();
    return true;
}

// --- Lines -----------------------------------------------------------------------------------

int Chart::AddLine(const QColor& colour, ChartAxis keyAxis, ChartAxis valueAxis) {
    auto* line = new ChartLine(AxisOf(keyAxis), AxisOf(valueAxis));
    line->setPen(QPen(colour));
    line->Fill = colour;
    lines_.push_back(line);
    LinesChanged();
    return static_cast<int>(lines_.size()) - 1;
}

void Chart::RemoveLines() {
    // Newest first: the library keeps its plottables in a list, and taking from its end costs
    // nothing.
    for (auto line = lines_.rbegin(); line != lines_.rend(); ++line) plot_->removePlottable(*line);
    lines_.clear();
    LinesChanged();
}

int Chart::LineCount() const { return static_cast<int>(lines_.size()); }

void Chart::SetLineActive(int line, bool active) {
    if (auto* l = LineAt(line)) l->setVisible(active);
    LinesChanged();
}

bool Chart::LineActive(int line) const {
    const auto* l = LineAt(line);
    return l && l->visible();
}

void Chart::SetLineColour(int line, const QColor& colour) {
    if (auto* l = LineAt(line)) l->setPen(QPen(colour));
    LinesChanged();
}

QColor Chart::LineColour(int line) const {
    const auto* l = LineAt(line);
    return l ? l->pen().color() : QColor();
}

void Chart::SetLineVisible(int line, bool visible) {
    if (auto* l = LineAt(line)) l->LineVisible = visible;
    LinesChanged();
}

void Chart::SetLineWidth(int line, int width) {
    if (auto* l = LineAt(line)) l->LineWidth = width;
    LinesChanged();
}

void Chart::SetPointShape(int line, PointShape shape) {
    if (auto* l = LineAt(line)) l->Shape = shape;
    LinesChanged();
}

PointShape Chart::PointShapeOf(int line) const {
    const auto* l = LineAt(line);
    return l ? l->Shape : PointShape::Square;
}

void Chart::SetPointSize(int line, int size) {
    if (auto* l = LineAt(line)) l->Size = size;
    LinesChanged();
}

int Chart::PointSize(int line) const {
    const auto* l = LineAt(line);
    return l ? l->Size : 0;
}

void Chart::SetPointFill(int line, const QColor& colour) {
    if (auto* l = LineAt(line)) l->Fill = colour;
    LinesChanged();
}

QColor Chart::PointFill(int line) const {
    const auto* l = LineAt(line);
    return l ? l->Fill : QColor();
}

void Chart::SetPointBorder(int line, const QColor& colour) {
    if (auto* l = LineAt(line)) l->Border = colour;
    LinesChanged();
}

QColor Chart::PointBorder(int line) const {
    const auto* l = LineAt(line);
    return l ? l->Border : QColor();
}

void Chart::SetPointsVisible(int line, bool visible) {
    if (auto* l = LineAt(line)) l->PointsOn = visible;
    LinesChanged();
}

void Chart::SetDensePoints(int line, bool on) {
    if (auto* l = LineAt(line)) l->DensePoints = on;
    LinesChanged();
}

bool Chart::PointsVisible(int line) const {
    const auto* l = LineAt(line);
    return l && l->PointsOn;
}

void Chart::BringToFront(int line) {
    if (auto* l = LineAt(line)) l->ToFront();
    LinesChanged();
}

void Chart::SendToBack(int line) {
    if (auto* l = LineAt(line)) l->ToBack();
    LinesChanged();
}

int Chart::DrawingPosition(int line) const {
    const auto* l = LineAt(line);
    if (!l || !l->layer()) return -1;
    const QList<QCPLayerable*> order = l->layer()->children();
    int position = 0;
    for (const QCPLayerable* item : order) {
        if (item == l) return position;
        if (dynamic_cast<const ChartLine*>(item)) ++position;
    }
    return -1;
}

void Chart::LinesChanged() {
    canvas_->Invalidate();
    Replot();
}

void Chart::ChangedData() {
    if (suspended_ == 0) Replot();
}

void Chart::AppendPoint(int line, double key, double value) {
    if (auto* l = LineAt(line)) l->Append(key, value);
    ChangedData();
}

void Chart::StartSeries(int line) {
    if (auto* l = LineAt(line)) l->StartSeries();
}

void Chart::ReplacePoint(int line, int k, double key, double value) {
    if (auto* l = LineAt(line); l && k >= 0) l->Replace(static_cast<size_t>(k), key, value);
    ChangedData();
}

bool Chart::Point(int line, int k, double& key, double& value) const {
    const auto* l = LineAt(line);
    return l && k >= 0 && l->At(static_cast<size_t>(k), key, value);
}

bool Chart::LastPoint(int line, double& key, double& value) const {
    return Point(line, PointCount(line) - 1, key, value);
}

void Chart::ClearLine(int line) {
    if (auto* l = LineAt(line)) l->Clear();
    ChangedData();
}

int Chart::PointCount(int line) const {
    const auto* l = LineAt(line);
    return l ? static_cast<int>(l->Count()) : 0;
}

void Chart::ShowSeries(int line, const Series<DateTime>& times, const Series<Temperature>& values,
                       size_t count) {
    if (auto* l = LineAt(line)) l->Bind(times, values, count);
    ChangedData();
}

void Chart::ShowSeries(int line, const MeasurementStore& store, size_t d, size_t c, size_t s, size_t count) {
    if (auto* l = LineAt(line)) l->Bind(store, d, c, s, count);
    ChangedData();
}

bool Chart::ShowsSeries(int line) const {
    const auto* l = LineAt(line);
    return l && l->Bound();
}

void Chart::ShowSamples(int line, size_t count) {
    if (auto* l = LineAt(line)) l->ShowSamples(count);
    ChangedData();
}

// --- Markers ---------------------------------------------------------------------------------

int Chart::AddMarker(ChartAxis axis, const QColor& colour, Qt::PenStyle style) {
    auto* marker = new QCPItemStraightLine(plot_);
    marker->setLayer(MarkersLayer);
    marker->setClipToAxisRect(true);
    marker->setPen(QPen(colour, 1, style));
    marker->setVisible(false);
    markers_.push_back(marker);
    markerAxes_.push_back(axis);
    const int index = static_cast<int>(markers_.size()) - 1;
    SetMarkerPosition(index, 0);
    return index;
}

void Chart::SetMarkerPosition(int marker, double value) {
    if (marker < 0 || marker >= static_cast<int>(markers_.size())) return;
    QCPItemStraightLine* m = markers_[marker];
    QCPAxis* axis = AxisOf(markerAxes_[marker]);
    // A horizontal line for a vertical axis, a vertical one for a horizontal axis: two points at
    // the same value, placed in axis units along `axis` and in the rect's fraction across it.
    for (QCPItemPosition* p : {m->point1, m->point2}) {
        p->setAxes(axis->orientation() == Qt::Horizontal ? axis : plot_->xAxis,
                   axis->orientation() == Qt::Vertical ? axis : plot_->yAxis);
        if (axis->orientation() == Qt::Vertical) {
            p->setTypeX(QCPItemPosition::ptAxisRectRatio);
            p->setTypeY(QCPItemPosition::ptPlotCoords);
        } else {
            p->setTypeX(QCPItemPosition::ptPlotCoords);
            p->setTypeY(QCPItemPosition::ptAxisRectRatio);
        }
        p->setAxisRect(plot_->axisRect());
    }
    if (axis->orientation() == Qt::Vertical) {
        m->point1->setCoords(0, value);
        m->point2->setCoords(1, value);
    } else {
        m->point1->setCoords(value, 0);
        m->point2->setCoords(value, 1);
    }
    Replot();
}

double Chart::MarkerPosition(int marker) const {
    if (marker < 0 || marker >= static_cast<int>(markers_.size())) return 0;
    const QCPItemStraightLine* m = markers_[marker];
    return AxisOf(markerAxes_[marker])->orientation() == Qt::Vertical ? m->point1->coords().y()
                                                                       : m->point1->coords().x();
}

void Chart::SetMarkerVisible(int marker, bool visible) {
    if (marker < 0 || marker >= static_cast<int>(markers_.size())) return;
    markers_[marker]->setVisible(visible);
    Replot();
}

bool Chart::MarkerVisible(int marker) const {
    return marker >= 0 && marker < static_cast<int>(markers_.size()) && markers_[marker]->visible();
}

void Chart::SetMarkerPen(int marker, const QColor& colour, Qt::PenStyle style) {
    if (marker < 0 || marker >= static_cast<int>(markers_.size())) return;
    markers_[marker]->setPen(QPen(colour, 1, style));
    Replot();
}

// --- The plot --------------------------------------------------------------------------------

void Chart::SetFieldColour(const QColor& colour) {
    plot_->axisRect()->setBackground(colour);
    Replot();
}

QColor Chart::FieldColour() const { return plot_->axisRect()->backgroundBrush().color(); }

void Chart::SetPanZoomDirections(Qt::Orientations directions) {
    directions_ = directions;
    plot_->axisRect()->setRangeDrag(directions);
}

void Chart::SetPopupMenu(QMenu* menu) { popup_ = menu; }

void Chart::DrawText(int x, int y, const QString& text, const QFont& font, const QColor& colour,
                     const QColor& background) {
    auto* item = new QCPItemText(plot_);
    item->setLayer(TextLayer);
    item->setClipToAxisRect(false);
    item->position->setType(QCPItemPosition::ptAbsolute);
    item->position->setCoords(x, y);
    item->setPositionAlignment(Qt::AlignLeft | Qt::AlignTop);
    item->setText(text);
    item->setFont(font);
    item->setColor(colour);
    item->setBrush(background);
    item->setPen(Qt::NoPen);
    texts_.push_back(item);
    plot_->layer(TextLayer)->replot();
}

int Chart::TextCount() const { return static_cast<int>(texts_.size()); }

void Chart::SuspendRepaint() { ++suspended_; }

void Chart::ResumeRepaint() {
    if (suspended_ > 0) --suspended_;
    Replot();
}

void Chart::Replot() {
    if (suspended_ > 0) return;
    for (QCPItemText* text : texts_) plot_->removeItem(text);
    texts_.clear();
    plot_->replot(QCustomPlot::rpQueuedReplot);
}

int Chart::WholeLineDraws() const { return canvas_->WholeDraws(); }

void Chart::ReplotNow() { plot_->replot(QCustomPlot::rpImmediateRefresh); }

QPixmap Chart::Picture() {
    plot_->replot();
    return plot_->toPixmap();
}

QPicture Chart::VectorPicture(QSize size, const QColor& field) {
    const QBrush oldField = plot_->axisRect()->backgroundBrush();
    plot_->axisRect()->setBackground(field);
    plot_->setBackground(Qt::white);
    QPicture picture;
    {
        QCPPainter painter(&picture);
        plot_->toPainter(&painter, size.width(), size.height());
    }
    // The library hands out its background only as a pixmap, which is empty here; restoring that
    // would leave the widget without a background and every redraw would paint over the last.
    plot_->axisRect()->setBackground(oldField);
    plot_->setBackground(QBrush(WidgetBackground));
    plot_->replot(QCustomPlot::rpQueuedReplot);
    return picture;
}

// --- Mouse: Shift and the left button zoom to a rectangle --------------------------------------

bool Chart::eventFilter(QObject* watched, QEvent* event) {
    if (watched != plot_) return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (e->button() == Qt::LeftButton && (e->modifiers() & Qt::ShiftModifier)) {
            zooming_ = true;
            bandOrigin_ = e->pos();
            if (!band_) band_ = new QRubberBand(QRubberBand::Rectangle, plot_);
            band_->setGeometry(QRect(bandOrigin_, QSize()));
            band_->show();
            return true;
        }
        break;
    }
    case QEvent::MouseMove: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (zooming_) {
            band_->setGeometry(QRect(bandOrigin_, e->pos()).normalized());
            emit MouseMoved(e->pos().x(), e->pos().y(), e->modifiers());
            return true;
        }
        break;
    }
    case QEvent::MouseButtonRelease: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (zooming_ && e->button() == Qt::LeftButton) {
            zooming_ = false;
            band_->hide();
            const QRect rect = QRect(bandOrigin_, e->pos()).normalized();
            // A click without a drag is no zoom.
            if (rect.width() > 2 && rect.height() > 2) ZoomToRect(rect);
            return true;
        }
        break;
    }
    default: break;
    }
    return QWidget::eventFilter(watched, event);
}

void Chart::ZoomToRect(const QRect& rect) {
    // Every axis is read before any changes: a following top axis moves with the bottom one.
    std::vector<std::pair<QCPAxis*, QCPRange>> ranges;
    for (QCPAxis* axis : plot_->axisRect()->axes()) {
        const bool horizontal = axis->orientation() == Qt::Horizontal;
        if (!(directions_ & (horizontal ? Qt::Horizontal : Qt::Vertical))) continue;
        if (axis == plot_->xAxis2 && topFollowsBottom_) continue;
        const double a = axis->pixelToCoord(horizontal ? rect.left() : rect.bottom());
        const double b = axis->pixelToCoord(horizontal ? rect.right() : rect.top());
        ranges.push_back({axis, QCPRange(std::min(a, b), std::max(a, b))});
    }
    for (const auto& [axis, range] : ranges) axis->setRange(range);
    Replot();
    emit AxisZoomed();
}

void Chart::SetAxisReversed(ChartAxis axis, bool reversed) {
    AxisOf(axis)->setRangeReversed(reversed);
    Replot();
}

bool Chart::AxisReversed(ChartAxis axis) const { return AxisOf(axis)->rangeReversed(); }

}  // namespace drumo
