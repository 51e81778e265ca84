// The chart layer as the graph windows use it: lines of own points and lines over store series,
// automatic ranging, tick labels, drawing order, markers, the mouse rules and pictures.

#include <cmath>

#include <QSignalSpy>
#include <QTest>
#include <qcustomplot.h>

#include "model/Formats.h"
#include "model/Store.h"
#include "support/RecordingLog.h"
#include "support/ScriptedOperator.h"
#include "views/ui/Chart.h"

using namespace drumo;

namespace {

// A chart of 400 × 300 pixels, time along the bottom, degrees on the left.
struct ShownChart {
    Chart chart;
    ShownChart() {
        chart.resize(400, 300);
        chart.SetAxisRange(ChartAxis::Bottom, 0, 10);
        chart.SetAxisRange(ChartAxis::Left, -50, 50);
        chart.show();
        chart.ReplotNow();
    }
};

}  // namespace

class ChartTest : public QObject {
    Q_OBJECT

private slots:
    void storeSeriesIsShownWithoutNoValueSamples() {
        test::ScriptedOperator op;
        test::RecordingLog log;
        MeasurementStore store(op, log);
        store.SetDeviceCount(1);
        store.SetCableCount(0, 1);
        store.SetSensorCount(0, 0, 1);
        const Temperature values[][1] = {{2150}, {NoValue}, {-325}, {NoValue}};
        for (int i = 0; i < 4; ++i) store.AppendSample(0, 0, 100 + i * OneMinute, values[i]);

        Chart chart;
        const int line = chart.AddLine(Qt::red);
        chart.ShowSeries(line, store, 0, 0, 0, 3);
        QCOMPARE(chart.PointCount(line), 2);
        QVERIFY(chart.ShowsSeries(line));
        double key = 0, value = 0;
        QVERIFY(chart.Point(line, 1, key, value));
        QCOMPARE(value, -3.25);
        QCOMPARE(key, 100 + 2 * OneMinute);
        // The newest sample without a value leaves the last point where it was.
        chart.ShowSamples(line, 4);
        QVERIFY(chart.LastPoint(line, key, value));
        QCOMPARE(value, -3.25);
        // Automatic ranging sees only real points: 21.5 and -3.25, plus 2.5 % each side.
        QVERIFY(chart.AutoRangeAxis(ChartAxis::Left));
        QCOMPARE(chart.AxisMin(ChartAxis::Left), -3.25 - 24.75 * 0.025);
        QCOMPARE(chart.AxisMax(ChartAxis::Left), 21.5 + 24.75 * 0.025);

        // Putting the same point in place again keeps the line on the store: it still grows.
        chart.ReplacePoint(line, 1, key, value);
        const Temperature more[] = {700};
        store.AppendSample(0, 0, 101, more);
        chart.ShowSamples(line, 5);
        QCOMPARE(chart.PointCount(line), 3);
        // Appending a point of its own makes it a line of its own points, the shown ones kept.
        chart.AppendPoint(line, 102, 1.5);
        QCOMPARE(chart.PointCount(line), 4);
        QVERIFY(chart.Point(line, 2, key, value));
        QCOMPARE(value, 7.0);
        QVERIFY(!chart.ShowsSeries(line));
        chart.ClearLine(line);
        QCOMPARE(chart.PointCount(line), 0);
        QVERIFY(!chart.LastPoint(line, key, value));

        // A line on the store reads the series where it is now: devices added later move the
        // series, and an emptied store leaves nothing to read.
        chart.ShowSeries(line, store, 0, 0, 0, 5);
        store.SetDeviceCount(40);
        QVERIFY(chart.LastPoint(line, key, value));
        QCOMPARE(value, 7.0);
        QVERIFY(!chart.Picture().isNull());
        store.ReleaseAll(false);
        QVERIFY(!chart.LastPoint(line, key, value));
        QVERIFY(!chart.Picture().isNull());
    }

    // Sparse samples are drawn point by point, dense ones one column per pixel; neither draws a
    // NoValue sample, even where -273 °C is inside the view.
    void storeSeriesExtentsCountOnlyReadings() {
        // Keys in order and out of order, with no reading at either end; the extents are those
        // of the readings alone, over more than one page of the store.
        for (const bool inOrder : {true, false}) {
            test::ScriptedOperator op;
            test::RecordingLog log;
            MeasurementStore store(op, log);
            store.SetDeviceCount(1);
            store.SetCableCount(0, 1);
            store.SetSensorCount(0, 0, 1);
            const int n = 50000;
            for (int i = 0; i < n; ++i) {
                const Temperature v[] = {i == 0 || i == n - 1 ? NoValue : Temperature(i % 1000 - 300)};
                const double key = inOrder || i != n / 2 ? i : -7;
                store.AppendSample(0, 0, key, v);
            }
            Chart chart;
            chart.ShowSeries(chart.AddLine(Qt::red), store, 0, 0, 0, n);
            double lo = 0, hi = 0;
            QVERIFY(chart.DataExtent(ChartAxis::Bottom, lo, hi));
            QCOMPARE(lo, inOrder ? 1.0 : -7.0);
            QCOMPARE(hi, double(n - 2));
            QVERIFY(chart.DataExtent(ChartAxis::Left, lo, hi));
            QCOMPARE(lo, -3.0);
            QCOMPARE(hi, 6.99);
        }
    }

    void noValueIsNeverDrawn_data() {
        QTest::addColumn<int>("samples");
        QTest::newRow("sparse") << 40;
        QTest::newRow("dense") << 20000;
    }
    void noValueIsNeverDrawn() {
        QFETCH(int, samples);
        test::ScriptedOperator op;
        test::RecordingLog log;
        MeasurementStore store(op, log);
        store.SetDeviceCount(1);
        store.SetCableCount(0, 1);
        store.SetSensorCount(0, 0, 1);
        for (int i = 0; i < samples; ++i) {
            const Temperature v[] = {i == samples / 2 ? NoValue : Temperature(2000)};
            store.AppendSample(0, 0, i * OneSecond, v);
        }
        ShownChart s;
        s.chart.SetFieldColour(Qt::black);
        const int line = s.chart.AddLine(Qt::red);
        s.chart.ShowSeries(line, store.SampleTimes(0, 0), store.Samples(0, 0, 0), samples);
        s.chart.SetAxisRange(ChartAxis::Bottom, 0, samples * OneSecond);
        s.chart.SetAxisRange(ChartAxis::Left, -300, 50);
        const QImage image = s.chart.Picture().toImage();
        const auto redIn = [&](double celsius) {
            const int y = int(s.chart.ValueToPixel(ChartAxis::Left, celsius));
            int red = 0;
            for (int x = 0; x < image.width(); ++x)
                for (int dy = -3; dy <= 3; ++dy) red += image.pixelColor(x, y + dy) == QColor(Qt::red);
            return red;
        };
        QVERIFY(redIn(20) > 100);
        QCOMPARE(redIn(-273), 0);
        QCOMPARE(redIn(-150), 0);
    }

    void newSamplesDrawnOnTheKeptPictureLookAsIfAllWereDrawnAgain_data() {
        QTest::addColumn<int>("samples");
        QTest::addColumn<int>("added");
        QTest::newRow("points") << 30 << 10;
        QTest::newRow("pixel columns") << 20000 << 300;
    }
    void newSamplesDrawnOnTheKeptPictureLookAsIfAllWereDrawnAgain() {
        QFETCH(int, samples);
        QFETCH(int, added);
        test::ScriptedOperator op;
        test::RecordingLog log;
        MeasurementStore store(op, log);
        store.SetDeviceCount(1);
        store.SetCableCount(0, 1);
        store.SetSensorCount(0, 0, 2);
        // Two wobbling sensors, one reading in seven missing.
        const auto valueAt = [](int i, int s) {
            return i % 7 == 3 ? NoValue : Temperature(1000 * s + 1500 * std::sin(i * 0.37 + s) + i % 11 * 40);
        };
        const auto append = [&](int i) {
            const Temperature v[] = {valueAt(i, 0), valueAt(i, 1)};
            store.AppendSample(0, 0, i * OneSecond, v);
        };
        for (int i = 0; i < samples; ++i) append(i);
        ShownChart s;
        s.chart.SetAxisRange(ChartAxis::Bottom, 0, (samples + added + 5) * OneSecond);
        int lines[2];
        for (int k = 0; k < 2; ++k) {
            lines[k] = s.chart.AddLine(k ? Qt::blue : Qt::red);
            s.chart.ShowSeries(lines[k], store, 0, 0, k, samples);
        }
        s.chart.ReplotNow();
        const int whole = s.chart.WholeLineDraws();
        // Samples come one by one; each is drawn on the picture kept from before.
        for (int i = samples; i < samples + added; ++i) {
            append(i);
            for (int line : lines) s.chart.ShowSamples(line, i + 1);
            if (i % 3 == 0 || i + 1 == samples + added) s.chart.ReplotNow();
        }
        QCOMPARE(s.chart.WholeLineDraws(), whole);
        const QImage grown = s.chart.grab().toImage();
        s.chart.SetLineColour(lines[0], Qt::red);  // draws every line again
        s.chart.ReplotNow();
        QCOMPARE(s.chart.WholeLineDraws(), whole + 1);
        QCOMPARE(s.chart.grab().toImage(), grown);
    }

    void ownPointsAppendReplaceAndRange() {
        Chart chart;
        const int a = chart.AddLine(Qt::red);
        const int b = chart.AddLine(Qt::green);
        chart.AppendPoint(a, 1, 10);
        chart.AppendPoint(a, 3, 30);
        chart.ReplacePoint(a, 1, 2, -10);
        chart.AppendPoint(b, 0, 100);
        double key = 0, value = 0;
        QVERIFY(chart.Point(a, 1, key, value));
        QCOMPARE(key, 2.0);
        QCOMPARE(value, -10.0);
        QVERIFY(!chart.Point(a, 2, key, value));
        // An inactive line counts for nothing; with no active points the range stays.
        chart.SetLineActive(b, false);
        QVERIFY(chart.AutoRangeAxis(ChartAxis::Bottom));
        QCOMPARE(chart.AxisMin(ChartAxis::Bottom), 1 - 0.025);
        QCOMPARE(chart.AxisMax(ChartAxis::Bottom), 2 + 0.025);
        chart.SetLineActive(a, false);
        QVERIFY(!chart.AutoRangeAxis(ChartAxis::Left));
    }

    void seriesOfOneLineAreNotJoinedAndDensePointsShow() {
        ShownChart s;
        s.chart.SetFieldColour(Qt::black);
        const int line = s.chart.AddLine(Qt::red);
        s.chart.SetPointsVisible(line, false);
        s.chart.SetPointBorder(line, Qt::red);
        // Two series at 10 and -10 degrees, and a third far denser than the pixels at 30.
        for (double key : {1.0, 2.0, 3.0}) s.chart.AppendPoint(line, key, 10);
        s.chart.StartSeries(line);
        for (double key : {4.0, 5.0, 6.0}) s.chart.AppendPoint(line, key, -10);
        s.chart.StartSeries(line);
        for (int i = 0; i < 20000; ++i) s.chart.AppendPoint(line, 7 + i * 0.0001, 30);
        QCOMPARE(s.chart.PointCount(line), 20006);
        const auto redAt = [&](const QImage& image, double key, double value) {
            const int x = int(s.chart.ValueToPixel(ChartAxis::Bottom, key));
            const int y = int(s.chart.ValueToPixel(ChartAxis::Left, value));
            int red = 0;
            for (int dy = -2; dy <= 2; ++dy) red += image.pixelColor(x, y + dy).red() > 200;
            return red > 0;
        };
        QImage image = s.chart.Picture().toImage();
        QVERIFY(redAt(image, 2, 10) && redAt(image, 5, -10));
        QVERIFY2(!redAt(image, 3.5, 0), "no line from the end of one series to the start of the next");
        QVERIFY(!redAt(image, 6.5, 10));
        // Dense points show only where asked for.
        s.chart.SetLineVisible(line, false);
        s.chart.SetPointsVisible(line, true);
        QVERIFY(!redAt(s.chart.Picture().toImage(), 7.5, 30));
        s.chart.SetDensePoints(line, true);
        image = s.chart.Picture().toImage();
        QVERIFY(redAt(image, 7.5, 30));
        QVERIFY(redAt(image, 2, 10));
    }

    void thousandsOfLinesAreClearedAtOnce() {
        // Every line once also went into the never shown legend, whose layout each removal
        // redid: clearing a month's thermal plots hung the window for minutes.
        Chart chart;
        for (int i = 0; i < 5000; ++i) chart.AppendPoint(chart.AddLine(Qt::red), i, i);
        QCOMPARE(chart.Plot().legend->itemCount(), 0);
        chart.RemoveLines();
        QCOMPARE(chart.Plot().plottableCount(), 0);
        QCOMPARE(chart.LineCount(), 0);
    }

    void tickLabelsAndCounts() {
        SetDecimalMark(',');
        Chart chart;
        chart.SetAxisNumberLabels(ChartAxis::Left);
        QCOMPARE(chart.TickLabel(ChartAxis::Left, 12.3456), QString("12,35"));
        QCOMPARE(chart.TickLabel(ChartAxis::Left, -0.001), QString("0"));
        QCOMPARE(chart.TickLabel(ChartAxis::Left, 1500), QString("1500"));
        SetDecimalMark('.');
        const DateTime t = EncodeDateTime(2026, 12, 9, 14, 5, 9);
        chart.SetAxisDateTimeLabels(ChartAxis::Bottom, "hh:mm:ss");
        chart.SetAxisDateTimeLabels(ChartAxis::Top, "dd.MM.yy");
        QCOMPARE(chart.TickLabel(ChartAxis::Bottom, t), QString("14:05:09"));
        QCOMPARE(chart.TickLabel(ChartAxis::Top, t), QString("09.12.26"));
        // The last time label, centred on the plot's right edge, has room for its right half.
        chart.resize(400, 300);
        chart.ReplotNow();
        const QFontMetrics metrics(chart.Plot().xAxis->tickLabelFont());
        QVERIFY(chart.Plot().axisRect()->margins().right() > metrics.horizontalAdvance("14:05:09") / 2);
        // Ticks at whole multiples of a step rather than spread over the range.
        chart.SetAxisRange(ChartAxis::Bottom, t, t + 60 * OneSecond);
        chart.SetAxisTickStep(ChartAxis::Bottom, 15 * OneSecond);
        chart.SetAxisRange(ChartAxis::Left, 0, 1.05);
        chart.SetAxisTickStep(ChartAxis::Left, 0.2);
        chart.ReplotNow();
        QCOMPARE(chart.Plot().xAxis->tickVectorLabels(), QVector<QString>({"14:05:15", "14:05:30", "14:05:45", "14:06:00"}));
        QCOMPARE(chart.Plot().yAxis->tickVectorLabels(), QVector<QString>({"0", "0.2", "0.4", "0.6", "0.8", "1"}));
    }

    void drawingOrderAndMarkers() {
        Chart chart;
        for (int i = 0; i < 3; ++i) chart.AddLine(Qt::red);
        chart.BringToFront(0);
        QCOMPARE(chart.DrawingPosition(0), 2);
        chart.SendToBack(0);
        QCOMPARE(chart.DrawingPosition(0), 0);
        const int m = chart.AddMarker(ChartAxis::Left, Qt::red);
        QVERIFY(!chart.MarkerVisible(m));
        chart.SetMarkerPosition(m, 25);
        chart.SetMarkerVisible(m, true);
        QCOMPARE(chart.MarkerPosition(m), 25.0);
        QVERIFY(chart.MarkerVisible(m));
    }

    void mouseDragPansShiftDragZoomsToTheRectangle() {
        ShownChart s;
        Chart& chart = s.chart;
        chart.SetTopFollowsBottom(true);
        QSignalSpy zoomed(&chart, &Chart::AxisZoomed);
        QWidget* plot = reinterpret_cast<QWidget*>(&chart.Plot());
        const double x1 = chart.ValueToPixel(ChartAxis::Bottom, 2), x2 = chart.ValueToPixel(ChartAxis::Bottom, 6);
        const double y1 = chart.ValueToPixel(ChartAxis::Left, 40), y2 = chart.ValueToPixel(ChartAxis::Left, -20);
        QTest::mousePress(plot, Qt::LeftButton, Qt::ShiftModifier, QPoint(int(x1), int(y1)));
        QTest::mouseMove(plot, QPoint(int(x2), int(y2)));
        QTest::mouseRelease(plot, Qt::LeftButton, Qt::ShiftModifier, QPoint(int(x2), int(y2)));
        QCOMPARE(zoomed.count(), 1);
        QVERIFY(std::abs(chart.AxisMin(ChartAxis::Bottom) - 2) < 0.1);
        QVERIFY(std::abs(chart.AxisMax(ChartAxis::Bottom) - 6) < 0.1);
        QVERIFY(std::abs(chart.AxisMin(ChartAxis::Left) + 20) < 1);
        QVERIFY(std::abs(chart.AxisMax(ChartAxis::Left) - 40) < 1);
        QCOMPARE(chart.AxisMin(ChartAxis::Top), chart.AxisMin(ChartAxis::Bottom));

        // A plain drag to the left by a quarter of the width pans; a horizontal-only chart keeps
        // its values.
        chart.SetPanZoomDirections(Qt::Horizontal);
        const double before = chart.AxisMin(ChartAxis::Bottom), lowBefore = chart.AxisMin(ChartAxis::Left);
        const QPoint from(200, 150);
        QTest::mousePress(plot, Qt::LeftButton, Qt::NoModifier, from);
        QMouseEvent move(QEvent::MouseMove, QPointF(100, 100), plot->mapToGlobal(QPointF(100, 100)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(plot, &move);
        QTest::mouseRelease(plot, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
        QVERIFY(chart.AxisMin(ChartAxis::Bottom) > before);
        QCOMPARE(chart.AxisMin(ChartAxis::Left), lowBefore);
        QCOMPARE(zoomed.count(), 1);
    }

    void mouseMovesAndDoubleClicksAreReported() {
        ShownChart s;
        QSignalSpy moved(&s.chart, &Chart::MouseMoved);
        QSignalSpy doubled(&s.chart, &Chart::DoubleClicked);
        QWidget* plot = reinterpret_cast<QWidget*>(&s.chart.Plot());
        QMouseEvent move(QEvent::MouseMove, QPointF(120, 80), plot->mapToGlobal(QPointF(120, 80)), Qt::NoButton,
                         Qt::NoButton, Qt::ControlModifier);
        QApplication::sendEvent(plot, &move);
        QCOMPARE(moved.count(), 1);
        QCOMPARE(moved.at(0).at(0).toInt(), 120);
        QCOMPARE(moved.at(0).at(1).toInt(), 80);
        QCOMPARE(moved.at(0).at(2).value<Qt::KeyboardModifiers>(), Qt::KeyboardModifiers(Qt::ControlModifier));
        QTest::mouseDClick(plot, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
        QCOMPARE(doubled.count(), 1);
    }

    void textsLastUntilTheNextReplotAndPicturesHaveTheSize() {
        ShownChart s;
        s.chart.DrawText(10, 10, "21.50 °C ", s.chart.font(), Qt::white, Qt::black);
        QCOMPARE(s.chart.TextCount(), 1);
        s.chart.Replot();
        QCOMPARE(s.chart.TextCount(), 0);
        QCOMPARE(s.chart.Picture().size(), s.chart.size());
        const QPicture picture = s.chart.VectorPicture(QSize(800, 600), Qt::yellow);
        QVERIFY(picture.size() > 0);
        QCOMPARE(picture.boundingRect().size(), QSize(800, 600));
        // The chart on screen keeps its own field colour.
        s.chart.SetFieldColour(Qt::black);
        s.chart.VectorPicture(QSize(100, 100), Qt::yellow);
        QCOMPARE(s.chart.FieldColour(), QColor(Qt::black));
    }
};

QTEST_MAIN(ChartTest)
#include "ChartTest.moc"
