#include "views/ui/ChartLine.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "model/DateTime.h"
#include "model/Formats.h"

namespace drumo {

// --- Tick labels -------------------------------------------------------------------------------

void EvenTicker::generate(const QCPRange& range, const QLocale&, QChar, int, QVector<double>& ticks,
                          QVector<double>* subTicks, QVector<QString>* tickLabels) {
    ticks.clear();
    // Multiples of the step, unless the range would hold more of them than an axis can show.
    if (Step > 0 && range.size() / Step <= MaxStepTicks) {
        // A tolerance of a millionth of a step, so that a tick on an end stays in.
        for (double k = std::ceil(range.lower / Step - 1e-6); k * Step <= range.upper + Step * 1e-6; ++k)
            ticks.push_back(k * Step);
    } else {
        const int n = std::max(Count, 2);
        for (int i = 0; i < n; ++i)
            ticks.push_back(i == n - 1 ? range.upper : range.lower + (range.upper - range.lower) * i / (n - 1));
    }
    if (subTicks) subTicks->clear();
    if (tickLabels) {
        tickLabels->clear();
        for (double t : ticks) tickLabels->push_back(Label(t));
    }
}

QString EvenTicker::Label(double value) const {
    if (DateTimePattern.isEmpty()) {
        // At most two decimals, no trailing zeros, no "-0".
        double rounded = std::nearbyint(value * 100) / 100;
        if (rounded == 0) rounded = 0;
        return QString::fromStdString(NumberText(rounded, DecimalMark()));
    }
    const CalendarTime c = DecodeDateTime(value);
    const QDateTime when(QDate(c.Year, c.Month, c.Day), QTime(c.Hour, c.Minute, c.Second, c.Millisecond));
    return when.toString(DateTimePattern);
}

// --- Line ------------------------------------------------------------------------------------

namespace {
// Pixel positions far outside the widget are cut so that the painter never meets huge numbers.
double Clip(double pixel) { return std::clamp(pixel, -1.0e6, 1.0e6); }

// The pixel columns of the last sample times asked for, kept for the other lines of one redraw.
struct ColumnCache {
    const Series<DateTime>* times = nullptr;
    size_t from = 0, to = 0;
    double lower = 0, perPixel = 0;
    std::vector<size_t> bounds;
};
ColumnCache& TheColumnCache() {
    static ColumnCache cache;
    return cache;
}
}  // namespace

void ChartLine::ForgetColumns() { TheColumnCache().times = nullptr; }

const std::vector<size_t>& ChartLine::ColumnBounds(const Series<DateTime>& times, size_t from, size_t to,
                                                   double lower, double perPixel) {
    ColumnCache& cache = TheColumnCache();
    if (cache.times == &times && cache.from == from && cache.to == to && cache.lower == lower &&
        cache.perPixel == perPixel)
        return cache.bounds;
    cache = {&times, from, to, lower, perPixel, {}};
    // Column of a key; keys left of the range (the one point kept there) give -1, keys far to
    // the right of a tiny range stay within what a long holds.
    const auto columnOf = [&](double key) {
        const double c = (key - lower) * perPixel;
        return c < 0 ? -1L : static_cast<long>(std::min(c, 1e12));
    };
    constexpr size_t TimePage = Series<DateTime>::PageSize;
    double next = -std::numeric_limits<double>::infinity();
    for (size_t i = from; i < to;) {
        const auto page = times.Page(i / TimePage);
        const size_t end = std::min(to, (i / TimePage + 1) * TimePage);
        const DateTime* t = page.data() + i % TimePage;
        for (size_t j = 0, n = end - i; j < n; ++j) {
            if (t[j] < next) continue;
            const long column = columnOf(t[j]);
            next = lower + static_cast<double>(column + 1) / perPixel;
            cache.bounds.push_back(i + j);
            cache.bounds.push_back(static_cast<size_t>(column));
        }
        i = end;
    }
    return cache.bounds;
}

ChartLine::ChartLine(QCPAxis* keyAxis, QCPAxis* valueAxis) : QCPAbstractPlottable(keyAxis, valueAxis) {
    setAntialiased(false);
    setAntialiasedScatters(false);
}

void ChartLine::Note(double key, double value) {
    if (!any_) {
        keyLo_ = keyHi_ = key;
        valueLo_ = valueHi_ = value;
        any_ = true;
        return;
    }
    keyLo_ = std::min(keyLo_, key);
    keyHi_ = std::max(keyHi_, key);
    valueLo_ = std::min(valueLo_, value);
    valueHi_ = std::max(valueHi_, value);
}

void ChartLine::Append(double key, double value) {
    if (bound_) Unbind();
    if (startPending_ && !keys_.empty()) starts_.push_back(keys_.size());
    startPending_ = false;
    if (!keys_.empty() && !SeriesStartsAt(keys_.size()) && key < keys_.back()) sorted_ = false;
    keys_.push_back(key);
    values_.push_back(static_cast<float>(value));
    Note(key, value);
}

void ChartLine::StartSeries() { startPending_ = true; }

void ChartLine::Replace(size_t k, double key, double value) {
    double oldKey = 0, oldValue = 0;
    if (!At(k, oldKey, oldValue)) return;
    // The same point again only asks for a repaint; a store series stays a store series.
    if (oldKey == key && static_cast<float>(oldValue) == static_cast<float>(value)) return;
    if (bound_) Unbind();
    keys_[k] = key;
    values_[k] = static_cast<float>(value);
    Recount();
}

bool ChartLine::ValueAt(size_t i, double& value) const {
    if (!bound_) {
        value = values_[i];
        return true;
    }
    const Temperature v = Values()[i];
    if (v == NoValue) return false;
    value = v / 100.0;
    return true;
}

bool ChartLine::At(size_t k, double& key, double& value) const {
    if (k >= Count()) return false;
    if (!bound_) {
        key = keys_[k];
        value = values_[k];
        return true;
    }
    // Point k is the k-th sample that holds a value; the newest is found from the end.
    if (k + 1 == Count()) {
        for (size_t i = Slots(); i-- > 0;)
            if (ValueAt(i, value)) {
                key = KeyAt(i);
                return true;
            }
        return false;
    }
    size_t seen = 0;
    for (size_t i = 0, n = Slots(); i < n; ++i)
        if (ValueAt(i, value) && seen++ == k) {
            key = KeyAt(i);
            return true;
        }
    return false;
}

void ChartLine::Clear() {
    bound_ = false;
    times_ = nullptr;
    samples_ = nullptr;
    store_ = nullptr;
    boundCount_ = boundValid_ = 0;
    keys_.clear();
    keys_.shrink_to_fit();
    values_.clear();
    values_.shrink_to_fit();
    starts_.clear();
    starts_.shrink_to_fit();
    startPending_ = false;
    drawn_ = {};
    any_ = false;
    sorted_ = true;
}

void ChartLine::Bind(const Series<DateTime>& times, const Series<Temperature>& values, size_t count) {
    Clear();
    bound_ = true;
    times_ = &times;
    samples_ = &values;
    ShowSamples(count);
}

void ChartLine::Bind(const MeasurementStore& store, size_t d, size_t c, size_t s, size_t count) {
    Clear();
    bound_ = true;
    store_ = &store;
    d_ = d;
    c_ = c;
    s_ = s;
    ShowSamples(count);
}

void ChartLine::ShowSamples(size_t count) {
    if (!bound_) return;
    const Series<DateTime>& times = Times();
    count = std::min({count, times.size(), Values().size()});
    if (count < boundCount_) {
        boundCount_ = count;
        Recount();
        return;
    }
    // A page of values at a time: their lowest and highest, how many hold a reading and where
    // the first and last of them are; with keys in order the key extent is the time of those two.
    constexpr size_t ValuePage = Series<Temperature>::PageSize;
    const Series<Temperature>& samples = Values();
    for (size_t i = boundCount_; i < count;) {
        const auto page = samples.Page(i / ValuePage);
        const size_t end = std::min(count, (i / ValuePage + 1) * ValuePage);
        const Temperature* v = page.data() + i % ValuePage;
        const size_t n = end - i;
        for (size_t j = 0; j < n; ++j)
            if (i + j > 0 && times[i + j] < times[i + j - 1]) sorted_ = false;
        int lo = std::numeric_limits<int>::max(), hi = std::numeric_limits<int>::min();
        size_t valid = 0;
        for (size_t j = 0; j < n; ++j) {
            const int x = v[j];
            // NoValue is below every reading: it never wins the highest.
            hi = std::max(hi, x);
            lo = std::min(lo, x == NoValue ? std::numeric_limits<int>::max() : x);
            valid += x != NoValue;
        }
        if (valid > 0) {
            boundValid_ += valid;
            size_t first = 0, last = n - 1;
            while (v[first] == NoValue) ++first;
            while (v[last] == NoValue) --last;
            Note(times[i + first], lo / 100.0);
            Note(times[i + last], hi / 100.0);
            if (!sorted_)
                for (size_t j = first; j <= last; ++j)
                    if (v[j] != NoValue) Note(times[i + j], v[j] / 100.0);
        }
        i = end;
    }
    boundCount_ = count;
}

void ChartLine::Unbind() {
    std::vector<double> keys;
    std::vector<float> values;
    keys.reserve(boundValid_);
    values.reserve(boundValid_);
    for (size_t i = 0, n = Slots(); i < n; ++i) {
        double v = 0;
        if (!ValueAt(i, v)) continue;
        keys.push_back(KeyAt(i));
        values.push_back(static_cast<float>(v));
    }
    bound_ = false;
    times_ = nullptr;
    samples_ = nullptr;
    store_ = nullptr;
    boundCount_ = boundValid_ = 0;
    drawn_ = {};
    keys_ = std::move(keys);
    values_ = std::move(values);
}

void ChartLine::Recount() {
    drawn_ = {};
    any_ = false;
    sorted_ = true;
    if (bound_) boundValid_ = 0;
    const size_t n = Slots();
    size_t nextStart = 0;  // index into starts_
    for (size_t i = 0; i < n; ++i) {
        const double t = KeyAt(i);
        const bool start = nextStart < starts_.size() && starts_[nextStart] == i;
        if (start) ++nextStart;
        if (i > 0 && !start && t < KeyAt(i - 1)) sorted_ = false;
        double v = 0;
        if (!ValueAt(i, v)) continue;
        if (bound_) ++boundValid_;
        Note(t, v);
    }
}

bool ChartLine::KeyExtent(double& lo, double& hi) const {
    if (!any_) return false;
    lo = keyLo_;
    hi = keyHi_;
    return true;
}

bool ChartLine::ValueExtent(double& lo, double& hi) const {
    if (!any_) return false;
    lo = valueLo_;
    hi = valueHi_;
    return true;
}

QCPRange ChartLine::getKeyRange(bool& found, QCP::SignDomain) const {
    found = any_;
    return QCPRange(keyLo_, keyHi_);
}

QCPRange ChartLine::getValueRange(bool& found, QCP::SignDomain, const QCPRange&) const {
    found = any_;
    return QCPRange(valueLo_, valueHi_);
}

size_t ChartLine::LowerBound(double key, size_t lo, size_t hi) const {
    while (lo < hi) {
        const size_t mid = lo + (hi - lo) / 2;
        if (KeyAt(mid) < key)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

// Both axes are linear: pixel = origin + scale × value.
struct ChartLine::Frame {
    QCPRange kr, vr;
    double k0 = 0, v0 = 0, kScale = 0, vScale = 0, pixelSpan = 0;
    bool keyAlongX = true;
    QPointF At(double kp, double vp) const {
        return keyAlongX ? QPointF(Clip(kp), Clip(vp)) : QPointF(Clip(vp), Clip(kp));
    }
    QPointF Of(double key, double value) const {
        return At(k0 + (key - kr.lower) * kScale, v0 + (value - vr.lower) * vScale);
    }
};

bool ChartLine::MakeFrame(Frame& f) const {
    const QCPAxis* keys = keyAxis();
    const QCPAxis* values = valueAxis();
    if (!keys || !values) return false;
    f.kr = keys->range();
    f.vr = values->range();
    f.k0 = keys->coordToPixel(f.kr.lower);
    const double k1 = keys->coordToPixel(f.kr.upper);
    f.v0 = values->coordToPixel(f.vr.lower);
    const double v1 = values->coordToPixel(f.vr.upper);
    f.kScale = f.kr.size() > 0 ? (k1 - f.k0) / f.kr.size() : 0;
    f.vScale = f.vr.size() > 0 ? (v1 - f.v0) / f.vr.size() : 0;
    f.keyAlongX = keys->orientation() == Qt::Horizontal;
    f.pixelSpan = std::abs(k1 - f.k0);
    return true;
}

void ChartLine::Paint(QCPPainter* painter, double bandFrom) {
    const size_t n = Slots();
    Frame f;
    if (n == 0 || !MakeFrame(f)) {
        drawn_ = {};
        return;
    }
    applyDefaultAntialiasingHint(painter);
    std::vector<QPointF> marks;
    // The key where the band's first pixel column begins.
    double bandKey = -std::numeric_limits<double>::infinity();
    if (!std::isnan(bandFrom) && f.kScale > 0) bandKey = f.kr.lower + std::floor(bandFrom - f.k0) / f.kScale;
    bool dense = false;
    size_t from = 0;
    for (size_t start : starts_) {
        DrawSeries(painter, f, from, std::min(start, n), marks, bandKey, dense);
        from = start;
    }
    if (from < n) DrawSeries(painter, f, from, n, marks, bandKey, dense);
    DrawMarks(painter, marks);
    drawn_ = {true, dense, n, KeyAt(n - 1)};
}

double ChartLine::BandStart() const {
    if (!drawn_.valid || !sorted_ || !starts_.empty() || DensePoints) return -std::numeric_limits<double>::infinity();
    if (Slots() == drawn_.count) return std::numeric_limits<double>::infinity();
    if (Slots() < drawn_.count) return -std::numeric_limits<double>::infinity();
    Frame f;
    if (!MakeFrame(f) || !f.keyAlongX || f.kScale <= 0) return -std::numeric_limits<double>::infinity();
    // A stretch drawn as points that has since grown past the pixels would now be drawn as
    // columns, and the other way round: that changes the whole line.
    const size_t n = Slots();
    const size_t from = LowerBound(f.kr.lower, 0, n);
    const size_t to = std::min(n, LowerBound(f.kr.upper, 0, n) + 1);
    const size_t shown = to - (from > 0 ? from - 1 : 0);
    if ((static_cast<double>(shown) > 2 * f.pixelSpan + 4) != drawn_.dense) return -std::numeric_limits<double>::infinity();
    // The new points join the last one drawn; its point and its pixel column may change.
    return Clip(f.k0 + (drawn_.lastKey - f.kr.lower) * f.kScale) - Size - 2;
}

void ChartLine::DrawMarks(QCPPainter* painter, const std::vector<QPointF>& marks) {
    if (!PointsOn || marks.empty()) return;
    const QCPScatterStyle style(Shape == PointShape::Circle ? QCPScatterStyle::ssCircle : QCPScatterStyle::ssSquare,
                                QPen(Border, 1), QBrush(Fill), Size);
    style.applyTo(painter, QPen(Border));
    const QRect area = clipRect().adjusted(-Size, -Size, Size, Size);
    if (area.isEmpty()) return;
    // Of points that fall on one pixel the first is drawn: a month of a thermal plot puts
    // hundreds of points on each pixel, and drawing them all would only repeat the same square.
    const size_t w = static_cast<size_t>(area.width()), h = static_cast<size_t>(area.height());
    std::vector<bool> taken(w * h, false);
    for (const QPointF& p : marks) {
        const long x = std::lround(p.x()) - area.left(), y = std::lround(p.y()) - area.top();
        if (x < 0 || y < 0 || x >= static_cast<long>(w) || y >= static_cast<long>(h)) continue;
        const size_t cell = static_cast<size_t>(y) * w + static_cast<size_t>(x);
        if (taken[cell]) continue;
        taken[cell] = true;
        style.drawShape(painter, p);
    }
}

void ChartLine::DrawSeries(QCPPainter* painter, const Frame& f, size_t from, size_t to,
                           std::vector<QPointF>& marks, double bandKey, bool& denseOut) {
    const size_t first = from, end = to;
    // Points just outside the range on each side keep the connecting lines to the edge.
    if (sorted_) {
        from = LowerBound(f.kr.lower, first, end);
        from = from > first ? from - 1 : first;
        to = std::min(end, LowerBound(f.kr.upper, first, end) + 1);
    }
    if (from >= to) return;
    // Points or pixel columns: decided on everything in view, also when only a band is drawn.
    const bool dense = static_cast<double>(to - from) > 2 * f.pixelSpan + 4;
    denseOut = denseOut || dense;
    // Only a band at the right: from the last point before it, which gives the connecting line
    // into the band and, as a column of its own, the same last value as its whole column.
    if (sorted_ && bandKey > f.kr.lower) {
        const size_t b = LowerBound(bandKey, first, end);
        from = std::max(from, b > first ? b - 1 : first);
    }
    if (from >= to) return;
    const double k0 = f.k0, v0 = f.v0, kScale = f.kScale, vScale = f.vScale;
    const QCPRange& kr = f.kr;
    const QCPRange& vr = f.vr;
    const auto pointAt = [&f](double kp, double vp) { return f.At(kp, vp); };
    const double pixelSpan = f.pixelSpan;

    std::vector<QPointF> points;
    if (!dense) {
        points.reserve(to - from);
        for (size_t i = from; i < to; ++i) {
            double v = 0;
            if (!ValueAt(i, v)) continue;
            points.push_back(pointAt(k0 + (KeyAt(i) - kr.lower) * kScale, v0 + (v - vr.lower) * vScale));
        }
        if (PointsOn) marks.insert(marks.end(), points.begin(), points.end());
    } else {
        if (PointsOn && DensePoints)
            for (size_t i = from; i < to; ++i) {
                double v = 0;
                if (ValueAt(i, v)) marks.push_back(f.Of(KeyAt(i), v));
            }
        if (!LineVisible) return;
        // One column per key pixel. Its points are the first value, the lowest and highest in
        // the order nearer the first, and the last: the column's whole spread shows, and the line
        // comes in at the first value and leaves from the last, so that a column drawn from its
        // last sample alone leaves it the same way (what drawing a band at the right relies on).
        points.reserve(static_cast<size_t>(pixelSpan) * 4 + 16);
        long column = std::numeric_limits<long>::min();
        double first = 0, lo = 0, hi = 0, last = 0;
        const auto flush = [&] {
            if (column == std::numeric_limits<long>::min()) return;
            const double kp = k0 + static_cast<double>(column) * (kScale < 0 ? -1 : 1);
            const bool lowFirst = std::abs(first - lo) <= std::abs(first - hi);
            const size_t before = points.size();
            for (double v : {first, lowFirst ? lo : hi, lowFirst ? hi : lo, last}) {
                const QPointF p = pointAt(kp, v0 + (v - vr.lower) * vScale);
                if (points.size() == before || points.back() != p) points.push_back(p);
            }
        };
        const double perPixel = std::abs(kScale);
        // Column of a key; keys left of the range (the one point kept there) give -1, keys far to
        // the right of a tiny range stay within what a long holds.
        const auto columnOf = [&](double key) {
            const double c = (key - kr.lower) * perPixel;
            return c < 0 ? -1L : static_cast<long>(std::min(c, 1e12));
        };
        const auto take = [&](double key, double v) {
            const long c = columnOf(key);
            if (c != column) {
                flush();
                column = c;
                first = lo = hi = last = v;
                return;
            }
            lo = std::min(lo, v);
            hi = std::max(hi, v);
            last = v;
        };
        if (bound_) {
            // Where each pixel column begins is the same for every sensor of a cable: found once
            // a redraw from the shared sample times, then each line only reads its own values.
            const std::vector<size_t>& bounds = ColumnBounds(Times(), from, to, kr.lower, perPixel);
            constexpr size_t ValuePage = Series<Temperature>::PageSize;
            const Series<Temperature>& samples = Values();
            for (size_t c = 0; c + 1 < bounds.size(); c += 2) {
                // bounds holds pairs: a column's first index and its pixel column.
                const size_t a = bounds[c], b = c + 2 < bounds.size() ? bounds[c + 2] : to;
                int lo100 = std::numeric_limits<int>::max(), hi100 = std::numeric_limits<int>::min();
                int first100 = NoValue, last100 = NoValue;
                for (size_t i = a; i < b;) {
                    const auto page = samples.Page(i / ValuePage);
                    const size_t end = std::min(b, (i / ValuePage + 1) * ValuePage);
                    const Temperature* v = page.data() + i % ValuePage;
                    const size_t n = end - i;
                    // NoValue is below every reading: it never wins the highest, and counts as
                    // the greatest for the lowest.
                    int pageLo = std::numeric_limits<int>::max(), pageHi = std::numeric_limits<int>::min();
                    for (size_t j = 0; j < n; ++j) {
                        const int x = v[j];
                        pageHi = std::max(pageHi, x);
                        pageLo = std::min(pageLo, x == NoValue ? std::numeric_limits<int>::max() : x);
                    }
                    if (pageHi != NoValue) {
                        lo100 = std::min(lo100, pageLo);
                        hi100 = std::max(hi100, pageHi);
                        if (first100 == NoValue)
                            for (size_t j = 0; j < n; ++j)
                                if (v[j] != NoValue) {
                                    first100 = v[j];
                                    break;
                                }
                        for (size_t j = n; j-- > 0;)
                            if (v[j] != NoValue) {
                                last100 = v[j];
                                break;
                            }
                    }
                    i = end;
                }
                if (first100 == NoValue) continue;  // no reading in this column
                column = static_cast<long>(bounds[c + 1]);
                first = first100 / 100.0;
                lo = lo100 / 100.0;
                hi = hi100 / 100.0;
                last = last100 / 100.0;
                flush();
            }
            column = std::numeric_limits<long>::min();
        } else {
            for (size_t i = from; i < to; ++i) take(keys_[i], values_[i]);
        }
        flush();
    }
    if (!LineVisible || points.size() < 2) return;
    // A one-pixel line is drawn with a cosmetic pen, the painter's fast path.
    QPen pen(mPen.color(), LineWidth <= 1 ? 0 : LineWidth);
    pen.setCosmetic(LineWidth <= 1);
    painter->setPen(pen);
    painter->setBrush(Qt::NoBrush);
    painter->drawPolyline(points.data(), static_cast<int>(points.size()));
}

}  // namespace drumo
