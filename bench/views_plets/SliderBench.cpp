// One step of the system trend's slider, as the operator drags it, over 24 cables of 100 sensors
// with 30 days of 20-second samples each (311 million values): every line interpolated at the new
// moment and the chart drawn (offscreen, 800 × 500). Goal: at most 16 ms a step. Also
// "Построить" of the thermal plots of the first cable with 21 levels, computed and drawn (goal
// 2 s), and clearing that result (goal 50 ms).
//
//   views_slider_bench [days]     (default 30)

#include <QApplication>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "views/ui/TfrmMGR.h"
#include "views/ui/TfrmPlet.h"

using namespace drumo;

namespace {
// Processor time of this thread: the machine may be shared, and wall time then counts the waits.
double CpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec * 1e-6;
}
}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int days = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    const long samples = days * 4320L;
    constexpr int kCables = 24, kSensors = 100;

    NullLog log;
    ConsoleOperator op(true);
    MeasurementStore store(op, log);
    store.SetDeviceCount(kCables);
    const DateTime start = EncodeDateTime(2026, 11, 1, 0, 0, 0);
    std::vector<Temperature> values(kSensors);
    for (int d = 0; d < kCables; ++d) {
        store.SetCableCount(d, 1);
        store.SetSensorCount(d, 0, kSensors);
        for (int s = 0; s < kSensors; ++s) store.SensorLabels(d, 0)[s] = static_cast<int16_t>(s * 50);
        for (long k = 0; k < samples; ++k) {
            for (int s = 0; s < kSensors; ++s)
                values[s] = static_cast<Temperature>(500 + d * 60 + 1500 * std::sin(s / 33.0) + (k % 4320) / 10);
            store.AppendSample(d, 0, start + k * 20 * OneSecond, values);
        }
    }

    TfrmMGR mgr(store);
    std::vector<std::vector<QColor>> colours(kCables, {QColor(Qt::red)});
    mgr.CreateSystemLines(colours);
    for (int d = 0; d < kCables; ++d) mgr.SetLineShown(d, 0, true);
    mgr.resize(800, 500);
    mgr.show();
    mgr.UpdateSystemTrend(true);
    mgr.ShowAll();
    mgr.ChartView().ReplotNow();
    QApplication::processEvents();

    constexpr int kSteps = 300;
    const int maximum = mgr.Slider().maximum();
    using Clock = std::chrono::steady_clock;
    double total = 0, worst = 0, worstCpu = 0;
    const double cpu0 = CpuMs();
    for (int i = 0; i < kSteps; ++i) {
        const auto t0 = Clock::now();
        const double c0 = CpuMs();
        mgr.Slider().setValue(maximum - 1 - (i * 37) % maximum);
        mgr.ChartView().ReplotNow();
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        total += ms;
        worst = std::max(worst, ms);
        worstCpu = std::max(worstCpu, CpuMs() - c0);
    }
    const double cpu = (CpuMs() - cpu0) / kSteps;
    int points = 0;
    for (int d = 0; d < kCables; ++d) points += mgr.ChartView().PointCount(mgr.LineOf(d, 0));
    std::printf("system trend slider step, %d cables x %d sensors x %ld samples, %d points drawn: "
                "%.2f ms on average, %.2f ms at worst (interpolation and redraw, wall time); processor %.2f ms on "
                "average, %.2f ms at worst (goal 16 ms)\n",
                kCables, kSensors, samples, points, total / kSteps, worst, cpu, worstCpu);

    const double c0 = CpuMs();
    const PletResult alone = ComputePlets(PletCableOf(store, 0, 0), {0, 20, 1, 1});
    std::printf("thermal plots of that cable computed alone: processor %.0f ms, %zu levels\n", CpuMs() - c0,
                alone.Levels.size());

    TfrmPlet plet(store, op);
    plet.resize(900, 560);
    plet.show();
    plet.SetParameters(1, 0, 20);
    QApplication::processEvents();  // the windows' first pictures are not part of the figure
    const auto p0 = Clock::now();
    const double pc0 = CpuMs();
    plet.MakePlets();
    const double made = std::chrono::duration<double, std::milli>(Clock::now() - p0).count();
    plet.ChartView().ReplotNow();
    std::printf("thermal plots window, 1 cable x %d sensors x %ld samples, %zu levels: \"Построить\" %.0f ms "
                "(computed and put on the chart), first picture after it %.0f ms more; processor %.0f ms in all, "
                "%d chart lines\n",
                kSensors, samples, plet.Levels().size(), made,
                std::chrono::duration<double, std::milli>(Clock::now() - p0).count() - made, CpuMs() - pc0,
                plet.ChartView().LineCount());
    size_t series = 0;
    for (const PletLevel& level : plet.Levels()) series += level.Series.size();
    const auto w0 = Clock::now();
    const double cc0 = CpuMs();
    plet.ClearPlets();
    plet.ChartView().ReplotNow();
    std::printf("clearing that result (%zu series): processor %.1f ms, wall %.1f ms (goal 50 ms)\n", series,
                CpuMs() - cc0, std::chrono::duration<double, std::milli>(Clock::now() - w0).count());
    return 0;
}
