// A full notebook in the window: 20,000 records of 100 sensors (4.1 million words) parsed into the
// table and shown in the notebook window, from the last block to a drawn table (goal: at most
// 0.2 s), and how long a scroll step takes to draw (smooth: well under a frame of 16 ms). Runs
// on the offscreen platform unless a display is given.

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTableView>

#include "station/Station.h"
#include "notebook/NotebookRecords.h"
#include "notebook/ui/TfrmNoteBig.h"
#include "sim/Notebook.h"
#include "support/FakeClock.h"
#include "support/FakeSerialPort.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace drumo;

int main(int argc, char* argv[]) {
    if (!std::getenv("DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    test::FakeClock clock;
    test::FakeSerialPort port(clock);
    ConsoleOperator op(false);
    NullLog log;
    Station station(StationServices{port, op, log, clock, nullptr, "bench"});
    NotebookGraphs graphs;
    TfrmNoteBig window(station, op, graphs, "bench");
    window.resize(900, 600);
    window.show();
    QApplication::processEvents();

    constexpr int kRecords = 20000;
    const auto content = sim::SampleNotebook({sim::MakeCable(2101, 1, 100)}, sim::Climate(5), 46000.5, kRecords, false);
    std::vector<double> shows;
    for (int i = 0; i < 5; ++i) {
        window.Engine().Clear();
        QApplication::processEvents();
        QElapsedTimer t;
        t.start();
        window.Engine().ShowRecords(content.Words, content.Records);
        window.Table().viewport()->repaint();
        shows.push_back(t.nsecsElapsed() / 1e9);
    }
    std::sort(shows.begin(), shows.end());
    // The engine's share: the words parsed into the table's texts.
    std::vector<double> parses;
    for (int i = 0; i < 5; ++i) {
        NotebookTable table;
        QElapsedTimer t;
        t.start();
        ParseRecords(content.Words, content.Records, '.', table);
        parses.push_back(t.nsecsElapsed() / 1e9);
    }
    std::sort(parses.begin(), parses.end());
    std::printf("of which parsing: median %.3f s, best %.3f s\n", parses[2], parses[0]);
    std::printf("%d records x 100 sensors (%zu words) parsed and drawn: median %.3f s, best %.3f s, worst %.3f s "
                "(goal 0.2 s)\n",
                kRecords, content.Words.size(), shows[shows.size() / 2], shows.front(), shows.back());

    // Scrolling: page steps down the table and jumps across it, each drawn at once.
    QScrollBar* bar = window.Table().verticalScrollBar();
    std::vector<double> steps;
    for (int i = 0; i < 200; ++i) {
        QElapsedTimer t;
        t.start();
        if (i % 10 == 9)
            bar->setValue(static_cast<int>(static_cast<long long>(bar->maximum()) * ((i * 37) % 100) / 100));
        else
            bar->setValue(bar->value() + bar->pageStep());
        window.Table().viewport()->repaint();
        steps.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(steps.begin(), steps.end());
    std::printf("scroll step drawn: median %.2f ms, worst %.2f ms (200 steps)\n", steps[steps.size() / 2],
                steps.back());
    return 0;
}
