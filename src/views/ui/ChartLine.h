#pragma once
// The parts of the chart that the plotting library draws: a line of points that reads either its
// own compact points or a series of the measurement store, the tick labels of an axis, and the
// canvas that draws all lines. Only Chart uses them; this is the one header that includes the
// library.

#include <qcustomplot.h>

#include <QImage>

#include <algorithm>
#include <cmath>
#include <vector>

#include "model/Series.h"
#include "model/Store.h"
#include "views/ui/Chart.h"

namespace drumo {

// Ticks spread evenly over the axis range, or at the whole multiples of a step, labelled as numbers
// ("###0.##") or as the date and time of DateTime values.
class EvenTicker final : public QCPAxisTicker {
public:
    int Count = 5;
    double Step = 0;          // above 0: ticks at its multiples within the range, not `Count`
    static constexpr double MaxStepTicks = 100;
    QString DateTimePattern;  // empty: numbers

    void generate(const QCPRange& range, const QLocale& locale, QChar formatChar, int precision,
                  QVector<double>& ticks, QVector<double>* subTicks, QVector<QString>* tickLabels) override;
    QString Label(double value) const;
};

class ChartLine final : public QCPAbstractPlottable {
public:
    ChartLine(QCPAxis* keyAxis, QCPAxis* valueAxis);

    // --- Points.
    size_t Count() const { return bound_ ? boundValid_ : keys_.size(); }
    bool Bound() const { return bound_; }
    void Append(double key, double value);
    // The next appended point begins a new series of the line: the connecting line does not join
    // it to the point before. One line may so hold many short series of one look.
    void StartSeries();
    void Replace(size_t k, double key, double value);
    bool At(size_t k, double& key, double& value) const;
    void Clear();
    void Bind(const Series<DateTime>& times, const Series<Temperature>& values, size_t count);
    // Bound to sensor s of cable (d, c) of the store, looked up at each use: the store may move
    // its series when devices are added, and readers of missing cables get empty series.
    void Bind(const MeasurementStore& store, size_t d, size_t c, size_t s, size_t count);
    void ShowSamples(size_t count);
    // Extents of the points; false when there is none.
    bool KeyExtent(double& lo, double& hi) const;
    bool ValueExtent(double& lo, double& hi) const;

    // --- Look.
    bool LineVisible = true;
    int LineWidth = 1;
    PointShape Shape = PointShape::Square;
    int Size = 7;
    QColor Fill = Qt::red;
    QColor Border = Qt::black;
    bool PointsOn = true;
    // Points also where they are denser than the pixels (at most one is drawn per pixel); else
    // such a stretch shows only its connecting line.
    bool DensePoints = false;

    // --- Drawing, by the chart's LineCanvas (the library's own call draws nothing).
    // The line as far as it lies in the axes' ranges; with `bandFrom` (a pixel x) only what lies
    // from that pixel column on, exactly as the whole line puts it there.
    void Paint(QCPPainter* painter, double bandFrom = std::nan(""));
    // The pixel x from which the line's picture changed since it was last painted: +infinity
    // when it has not, -infinity when it must be drawn whole (not only points appended, keys
    // out of order, series breaks, another choice between points and pixel columns).
    double BandStart() const;
    // The pixel columns found for one redraw are kept for the next line of the same cable; a
    // redraw begins by forgetting them, since the store may have changed in between.
    static void ForgetColumns();

    // --- Drawing order within the layer.
    void ToFront() { moveToLayer(layer(), false); }
    void ToBack() { moveToLayer(layer(), true); }

    double selectTest(const QPointF&, bool, QVariant* = nullptr) const override { return -1; }
    QCPRange getKeyRange(bool& found, QCP::SignDomain = QCP::sdBoth) const override;
    QCPRange getValueRange(bool& found, QCP::SignDomain = QCP::sdBoth,
                           const QCPRange& = QCPRange()) const override;

protected:
    void draw(QCPPainter*) override {}
    void drawLegendIcon(QCPPainter*, const QRectF&) const override {}

private:
    struct Frame;
    // What the line's last picture showed.
    struct Drawn {
        bool valid = false;
        bool dense = false;  // pixel columns rather than points
        size_t count = 0;    // points read
        double lastKey = 0;  // key of the last of them
    };
    bool MakeFrame(Frame& f) const;
    // Pairs (first index, pixel column) of the pixel columns of samples [from, to).
    static const std::vector<size_t>& ColumnBounds(const Series<DateTime>& times, size_t from, size_t to,
                                                   double lower, double perPixel);
    // Index of the first point in [from, to) whose key is at least `key` (points sorted by key).
    size_t LowerBound(double key, size_t from, size_t to) const;
    // Draws points [from, to) as one series, from the pixel column of `bandKey` on; tells
    // whether they were drawn as pixel columns; the points' pixels go to `marks`.
    void DrawSeries(QCPPainter* painter, const Frame& f, size_t from, size_t to, std::vector<QPointF>& marks,
                    double bandKey, bool& dense);
    void DrawMarks(QCPPainter* painter, const std::vector<QPointF>& marks);
    bool SeriesStartsAt(size_t i) const { return !starts_.empty() && starts_.back() == i; }
    const Series<DateTime>& Times() const { return store_ ? store_->SampleTimes(d_, c_) : *times_; }
    const Series<Temperature>& Values() const { return store_ ? store_->Samples(d_, c_, s_) : *samples_; }
    double KeyAt(size_t i) const { return bound_ ? Times()[i] : keys_[i]; }
    bool ValueAt(size_t i, double& value) const;
    // Samples or points that can be read now.
    size_t Slots() const {
        return bound_ ? std::min({boundCount_, Times().size(), Values().size()}) : keys_.size();
    }
    void Unbind();
    void Note(double key, double value);
    void Recount();

    // Own points.
    std::vector<double> keys_;
    std::vector<float> values_;
    // Index of the first point of each series after the first, ascending.
    std::vector<size_t> starts_;
    bool startPending_ = false;
    // A store series: the first boundCount_ samples, boundValid_ of them not NoValue.
    bool bound_ = false;
    const Series<DateTime>* times_ = nullptr;
    const Series<Temperature>* samples_ = nullptr;
    const MeasurementStore* store_ = nullptr;
    size_t d_ = 0, c_ = 0, s_ = 0;
    size_t boundCount_ = 0;
    size_t boundValid_ = 0;
    // Extents and order, kept as points come.
    bool any_ = false;
    double keyLo_ = 0, keyHi_ = 0, valueLo_ = 0, valueHi_ = 0;
    bool sorted_ = true;
    Drawn drawn_;
};

// Draws all lines of a chart. On screen it keeps their picture: while the axes stay where they
// are and the lines only receive new points, a redraw paints just the newest pixel columns over
// that picture instead of reading a month of samples again. Pictures for the clipboard and for
// printing draw every line afresh, as vectors where the target wants them.
class LineCanvas final : public QCPLayerable {
public:
    // Placed on the current layer of `plot`, which must hold the lines.
    LineCanvas(QCustomPlot* plot, QCPAxisRect* rect);

    // Something other than new points changed (a line's look, order or data): the next redraw
    // draws every line again.
    void Invalidate() { valid_ = false; }
    // For tests and measurements: how many redraws drew every line.
    int WholeDraws() const { return wholeDraws_; }

protected:
    void applyDefaultAntialiasingHint(QCPPainter*) const override {}
    QRect clipRect() const override;
    void draw(QCPPainter* painter) override;

private:
    // The visible lines in drawing order.
    std::vector<ChartLine*> Lines() const;
    // The plotting area and every axis's range and direction: the picture fits while these stay.
    std::vector<double> Geometry() const;

    QCPAxisRect* rect_;
    QImage image_;
    std::vector<double> geometry_;
    bool valid_ = false;
    int wholeDraws_ = 0;
};

}  // namespace drumo
