#include "views/ui/ChartBase.h"

#include <QVBoxLayout>
#include <qcustomplot.h>

namespace drumo {

namespace {
// DateTime 25569 is 01.01.1970. The tick labels read the key as UTC, so a DateTime (local wall
// clock) is shown exactly as it is written, whatever the machine's time zone.
constexpr double UnixEpochDays = 25569.0;
constexpr double SecondsPerDay = 86400.0;
}  // namespace

ChartBase::ChartBase(QWidget* parent) : QWidget(parent), plot_(new QCustomPlot(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(plot_);
    auto ticker = QSharedPointer<QCPAxisTickerDateTime>::create();
    ticker->setDateTimeSpec(Qt::UTC);
    ticker->setDateTimeFormat(QStringLiteral("hh:mm:ss"));
    plot_->xAxis->setTicker(ticker);
    QFont small = font();
    small.setPixelSize(10);
    plot_->xAxis->setTickLabelFont(small);
    plot_->yAxis->setTickLabelFont(small);
    plot_->yAxis->setLabelFont(small);
}

ChartBase::~ChartBase() = default;

double ChartBase::KeyOf(DateTime t) { return (t - UnixEpochDays) * SecondsPerDay; }
DateTime ChartBase::TimeOf(double key) { return key / SecondsPerDay + UnixEpochDays; }

int ChartBase::AddLine(const QColor& colour, const QString& name, int width) {
    QCPGraph* graph = plot_->addGraph();
    graph->setPen(QPen(colour, width));
    graph->setName(name);
    graph->setLineStyle(QCPGraph::lsLine);
    Replot();
    return plot_->graphCount() - 1;
}

void ChartBase::RemoveLines() {
    plot_->clearGraphs();
    Replot();
}

void ChartBase::ClearPoints(int line) {
    if (line < 0 || line >= plot_->graphCount()) return;
    plot_->graph(line)->data()->clear();
    Replot();
}

void ChartBase::AddPoint(int line, DateTime time, double value) {
    if (line < 0 || line >= plot_->graphCount()) return;
    plot_->graph(line)->addData(KeyOf(time), value);
    Replot();
}

int ChartBase::LineCount() const { return plot_->graphCount(); }

int ChartBase::PointCount(int line) const {
    if (line < 0 || line >= plot_->graphCount()) return 0;
    return plot_->graph(line)->data()->size();
}

bool ChartBase::LastPoint(int line, DateTime& time, double& value) const {
    if (PointCount(line) == 0) return false;
    const auto last = plot_->graph(line)->data()->constEnd() - 1;
    time = TimeOf(last->key);
    value = last->value;
    return true;
}

QColor ChartBase::LineColour(int line) const {
    if (line < 0 || line >= plot_->graphCount()) return {};
    return plot_->graph(line)->pen().color();
}

void ChartBase::SetTimeAxis(DateTime from, DateTime to) {
    plot_->xAxis->setRange(KeyOf(from), KeyOf(to));
    Replot();
}

DateTime ChartBase::TimeAxisFrom() const { return TimeOf(plot_->xAxis->range().lower); }
DateTime ChartBase::TimeAxisTo() const { return TimeOf(plot_->xAxis->range().upper); }

void ChartBase::SetTimeFormat(const QString& format) {
    if (auto ticker = plot_->xAxis->ticker().dynamicCast<QCPAxisTickerDateTime>())
        ticker->setDateTimeFormat(format);
    Replot();
}

void ChartBase::SetValueAxis(double from, double to) {
    plot_->yAxis->setRange(from, to);
    Replot();
}

double ChartBase::ValueAxisFrom() const { return plot_->yAxis->range().lower; }
double ChartBase::ValueAxisTo() const { return plot_->yAxis->range().upper; }

void ChartBase::SetValueCaption(const QString& caption) {
    plot_->yAxis->setLabel(caption);
    Replot();
}

void ChartBase::SetBackground(const QColor& field, const QColor& grid) {
    plot_->axisRect()->setBackground(field);
    for (QCPAxis* axis : {plot_->xAxis, plot_->yAxis})
        axis->grid()->setPen(QPen(grid, 0, Qt::DotLine));
    Replot();
}

void ChartBase::SuspendRepaint() { ++suspended_; }

void ChartBase::ResumeRepaint() {
    if (suspended_ > 0) --suspended_;
    Replot();
}

void ChartBase::Replot() {
    if (suspended_ == 0) plot_->replot(QCustomPlot::rpQueuedReplot);
}

QPixmap ChartBase::Picture() {
    plot_->replot();
    return plot_->toPixmap();
}

}  // namespace drumo
