// The time graph over a month of one cable: 100 sensors, 30 days of 20-second samples (12.96
// million values). Prints the time to show the cable (lines created and filled, first picture),
// one replot after a pan or a zoom with every line visible beside the replot of an empty chart of
// the same size, one live sample appended and drawn, and the resident memory the graph adds per
// shown value. Then the same work on plain QCustomPlot graphs (QCPGraph with adaptive sampling,
// the data copied in) of the chart's size, printed beside the chart's figures with the lead.
// Runs offscreen.
//
//   views_bench [days]     (default 30)

#include <QApplication>
#include <QMouseEvent>
#include <qcustomplot.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <functional>

#include "app/ui/GraphWiring.h"
#include "app/ui/TfrmMain.h"
#include "base/Services.h"
#include "model/Store.h"
#include "views/ui/TfrmGraphic.h"

using namespace drumo;

namespace {

long ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * 4096;
}

double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec * 1e-9;
}

struct Figure {
    double cpuMs = 0, wallMs = 0;
};

// The mean of `runs` calls.
Figure Measure(int runs, const std::function<void()>& work) {
    const double cpu0 = CpuSeconds();
    const auto wall0 = std::chrono::steady_clock::now();
    for (int i = 0; i < runs; ++i) work();
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    return {(CpuSeconds() - cpu0) * 1e3 / runs, wall * 1e3 / runs};
}

void Print(const char* what, const Figure& f, const char* goal) {
    std::printf("%-44s %8.2f ms processor, %8.2f ms wall   (goal %s)\n", what, f.cpuMs, f.wallMs, goal);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int days = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    constexpr int kSensors = 100;
    const long samples = days * 4320L;

    NullLog log;
    ConsoleOperator op(true);
    MeasurementStore store(op, log);
    TfrmMain main(store, op, log);
    TfrmGraphic graphic(op, SystemClock::Instance());
    GraphWiring wiring(graphic, main, store, "/nonexistent");
    graphic.resize(1000, 600);
    graphic.show();
    QApplication::processEvents();

    store.SetDeviceCount(1);
    store.SetCableCount(0, 1);
    store.SetSensorCount(0, 0, kSensors);
    store.CableKinds(0)[0] = 1;
    for (int s = 0; s < kSensors; ++s) store.SensorLabels(0, 0)[s] = static_cast<int16_t>(s * 50);
    store.CountDevice();
    std::vector<Temperature> values(kSensors);
    const DateTime start = EncodeDateTime(2026, 1, 1, 0, 0, 0);
    for (long k = 0; k < samples; ++k) {
        for (int s = 0; s < kSensors; ++s) {
            const long x = k * 7919L + s * 13;
            values[s] = x % 1000 == 0 ? NoValue
                                      : static_cast<Temperature>(1500 + s * 10 + 300 * std::sin(k / 500.0 + s));
        }
        store.AppendSample(0, 0, start + k * (20 * OneSecond), values);
    }
    const double stored = static_cast<double>(samples) * kSensors;
    std::printf("cable                    %d sensors x %ld samples (%d days at 20 s) = %.0f values\n", kSensors,
                samples, days, stored);
    std::printf("store data               %.1f MB\n", store.DataBytes() / 1e6);

    Chart& chart = graphic.Graph();
    graphic.SetAutoZoom(true);
    const long before = ResidentBytes();
    const Figure show = Measure(1, [&] {
        store.AnnounceSelection();
        chart.ReplotNow();
    });
    const long after = ResidentBytes();
    std::printf("lines %d, shown values %u\n", chart.LineCount(), store.ShownValues());
    Print("show the cable (main window + graph + picture)", show, "500 ms");

    // A pan by a tenth of the view, and a zoom to one day, each with every line drawn.
    const double width = chart.AxisMax(ChartAxis::Bottom) - chart.AxisMin(ChartAxis::Bottom);
    int step = 0;
    const Figure pan = Measure(20, [&] {
              const double shift = (++step % 2 ? 0.1 : -0.1) * width;
              chart.SetAxisRange(ChartAxis::Bottom, chart.AxisMin(ChartAxis::Bottom) + shift,
                                 chart.AxisMax(ChartAxis::Bottom) + shift);
              chart.ReplotNow();
          });
    Print("replot after a pan, whole month in view", pan, "50 ms");
    Print("replot after a zoom to one day", Measure(20, [&] {
              const double from = start + (++step % 20);
              chart.SetAxisRange(ChartAxis::Bottom, from, from + 1);
              chart.ReplotNow();
          }), "50 ms");
    Print("replot after a zoom to one hour (points drawn)", Measure(20, [&] {
              const double from = start + 3 + (++step % 20) * OneHour;
              chart.SetAxisRange(ChartAxis::Bottom, from, from + OneHour);
              chart.ReplotNow();
          }), "50 ms");
    {
        TfrmGraphic empty(op, SystemClock::Instance());
        empty.resize(1000, 600);
        empty.show();
        QApplication::processEvents();
        Print("replot of an empty chart of the same size", Measure(20, [&] {
                  const double shift = (++step % 2 ? 0.1 : -0.1);
                  empty.Graph().SetAxisRange(ChartAxis::Bottom, empty.Graph().AxisMin(ChartAxis::Bottom) + shift,
                                             empty.Graph().AxisMax(ChartAxis::Bottom) + shift);
                  empty.Graph().ReplotNow();
              }), "-");
    }

    // Live samples: appended to the store, shown by the main window and the graph, drawn.
    long k = samples;
    const auto live = [&] {
        store.AppendSample(0, 0, start + k++ * (20 * OneSecond), values);
        store.AnnounceSample(0, 0);
        chart.ReplotNow();
    };
    graphic.SetAutoZoom(false);
    // As reception shows it: 20-second steps, the view following the newest sample.
    graphic.SetFollow(true);
    graphic.ResetView();
    chart.SetAxisRange(ChartAxis::Bottom, start + (k - 5) * (20 * OneSecond), start + (k + 1) * (20 * OneSecond));
    Print("live sample appended and drawn, 2 min shown", Measure(20, [&] {
              live();
              graphic.AutoDragTick();
          }), "5 ms");
    graphic.SetFollow(false);
    chart.SetAxisRange(ChartAxis::Bottom, start + days - 1, start + days + 0.1);
    const Figure liveDay = Measure(20, live);
    Print("live sample appended and drawn, one day shown", liveDay, "3 ms");
    graphic.SetAutoZoom(true);
    Print("the same with АвтоЗум (show all each sample)", Measure(20, live), "5 ms");
    // The Ctrl read-out: a mouse move with Ctrl held over the whole month, drawn.
    graphic.ShowAll();
    chart.ReplotNow();
    QWidget* plotWidget = &chart.Plot();
    int x = 100;
    Print("Ctrl read-out, one mouse move over the month", Measure(20, [&] {
              x = x % 800 + 7;
              const QPointF at(x, 200);
              QMouseEvent move(QEvent::MouseMove, at, plotWidget->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                               Qt::ControlModifier);
              QApplication::sendEvent(plotWidget, &move);
              chart.ReplotNow();
          }), "5 ms");

    const double perValue = static_cast<double>(after - before) / store.ShownValues();
    std::printf("resident memory added    %.2f MB for %u shown values: %.3f bytes per value (goal 4)\n",
                (after - before) / 1e6, store.ShownValues(), perValue);

    // --- The same month on plain QCustomPlot graphs of the chart's size.
    QCustomPlot plain;
    plain.resize(chart.Plot().size());
    plain.show();
    QApplication::processEvents();
    const long plainBefore = ResidentBytes();
    long shownPlain = 0;
    const Figure plainShow = Measure(1, [&] {
        for (int s = 0; s < kSensors; ++s) {
            QCPGraph* graph = plain.addGraph();
            graph->setAdaptiveSampling(true);
            QVector<QCPGraphData> data;
            data.reserve(samples);
            const auto& times = store.SampleTimes(0, 0);
            const auto& series = store.Samples(0, 0, s);
            for (long k = 0; k < samples; ++k)
                if (series[k] != NoValue) data.push_back({times[k], series[k] / 100.0});
            shownPlain += data.size();
            graph->data()->set(data, true);
        }
        plain.rescaleAxes();
        plain.replot(QCustomPlot::rpImmediateRefresh);
    });
    const long plainAfter = ResidentBytes();
    const double plainWidth = plain.xAxis->range().size();
    const Figure plainPan = Measure(20, [&] {
        const double shift = (++step % 2 ? 0.1 : -0.1) * plainWidth;
        plain.xAxis->setRange(plain.xAxis->range().lower + shift, plain.xAxis->range().upper + shift);
        plain.replot(QCustomPlot::rpImmediateRefresh);
    });
    const double lastKey = plain.graph(0)->data()->at(plain.graph(0)->data()->size() - 1)->key;
    plain.xAxis->setRange(lastKey - 1, lastKey + 0.1);
    long kp = 1;
    const Figure plainLive = Measure(20, [&] {
        const double key = lastKey + kp++ * 20 * OneSecond;
        for (int s = 0; s < kSensors; ++s) plain.graph(s)->addData(key, values[s] / 100.0);
        plain.replot(QCustomPlot::rpImmediateRefresh);
    });
    const double plainPerValue = static_cast<double>(plainAfter - plainBefore) / shownPlain;

    std::printf("\n%-44s %12s %16s %8s\n", "processor time (memory)", "chart", "plain QCustomPlot", "lead");
    const auto row = [](const char* what, double ours, double theirs, const char* unit) {
        std::printf("%-44s %9.2f %s %13.2f %s %7.1fx\n", what, ours, unit, theirs, unit, theirs / ours);
    };
    row("show the cable", show.cpuMs, plainShow.cpuMs, "ms");
    row("replot after a pan, whole month in view", pan.cpuMs, plainPan.cpuMs, "ms");
    row("live sample, one day shown", liveDay.cpuMs, plainLive.cpuMs, "ms");
    row("resident bytes per shown value", perValue, plainPerValue, "B ");
    return 0;
}
