// The report, correction and numbering windows offscreen over a filled store.

#include <QApplication>
#include <QSignalSpy>
#include <QStatusBar>
#include <QtTest>

#include "station/Station.h"
#include "calibration/ui/TfrmASHelp.h"
#include "calibration/ui/TfrmAutoNum.h"
#include "calibration/ui/TfrmAutoSet.h"
#include "calibration/ui/TfrmReport.h"
#include "link/PosixSerialPort.h"
#include "support/FakeClock.h"
#include "support/RecordingLog.h"
#include "support/ScriptedOperator.h"
#include "support/StoreFill.h"

namespace drumo::test {

// What the windows steer in the graphs, as calls.
struct RecordingGraphs final : CalibrationGraphs {
    QStringList Calls;
    void SetTrackedLine(int line) override { Calls << QStringLiteral("track %1").arg(line); }
    void ShowLine(int line, bool shown) override { Calls << QStringLiteral("line %1 %2").arg(line).arg(shown); }
    void PlaceMarkerS25(double t) override { Calls << QStringLiteral("S25 %1").arg(t); }
    void PlaceMarkerP100(double t) override { Calls << QStringLiteral("P100 %1").arg(t); }
    void ShowReferenceMarkers(bool visible) override { Calls << QStringLiteral("markers %1").arg(visible); }
};

class CalibrationWindowsTest : public QObject {
    Q_OBJECT

    // One cable of three numbered sensors with `samples` samples a minute apart, all at 21.50 °C.
    void Fill(int samples) {
        store.SetDeviceCount(0);
        CableSpec cable(1234, 3, {100, 200, 300});
        for (int k = 0; k < samples; ++k) cable.Samples.push_back({t0 + k / 1440.0, {2150, 2150, 2150}});
        DeviceSpec device;
        device.Cables = {cable};
        AddDevice(store, device);
    }

    ScriptedOperator op;
    RecordingLog log;
    FakeClock clock;
    PosixSerialPort port;
    Station station{StationServices{port, op, log, clock}};
    MeasurementStore& store = station.Store();
    DateTime t0 = EncodeDateTime(2026, 12, 9, 12, 0, 0);

private slots:
    void reportShowsTheCableAndCopiesItsSelection() {
        Fill(2);
        TfrmReport report(store);
        report.Rebuild();
        auto* model = report.Measurements()->model();
        QCOMPARE(model->columnCount(), 4);
        QCOMPARE(model->rowCount(), 2);
        QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("SNтк 1234 дат:3"));
        QCOMPARE(model->headerData(2, Qt::Horizontal).toString(), QStringLiteral("№дат 2"));
        QCOMPARE(model->index(1, 0).data().toString(), QStringLiteral("09.12.26 12:01:00"));

        store.AppendSample(0, 0, t0 + 2 / 1440.0, std::vector<Temperature>{2161, NoValue, 2150});
        report.SampleAdded();
        QCOMPARE(model->rowCount(), 3);
        QCOMPARE(model->index(2, 2).data().toString(), QStringLiteral(" Error!"));

        QSignalSpy picked(&report, &TfrmReport::CellPicked);
        report.Measurements()->setCurrentIndex(model->index(2, 1));
        QCOMPARE(picked.last(), (QList<QVariant>{1, 3}));
        report.Measurements()->selectionModel()->select(
            QItemSelection(model->index(1, 1), model->index(2, 3)), QItemSelectionModel::ClearAndSelect);
        QCOMPARE(report.CopyText(), QStringLiteral("21.5\t21.5\t21.5\t\r\n21.61\t Error!\t21.5\t\r\n"));
    }

    void correctionWindowColoursItsEditsAndPlacesTheMarkers() {
        RecordingGraphs graphs;
        StoreCalibrationLines lines(store);
        TfrmAutoSet window({station, store, op, clock, lines, graphs});
        window.show();
        QVERIFY(graphs.Calls.contains(QStringLiteral("S25 30")));
        QVERIFY(graphs.Calls.contains(QStringLiteral("P100 -30")));
        QCOMPARE(graphs.Calls.last(), QStringLiteral("markers 1"));
        QVERIFY(!window.CalcButton(Correction::S30)->isEnabled());

        graphs.Calls.clear();
        window.ReferenceEdit(Correction::S30)->setText(QStringLiteral("3x"));
        QVERIFY(window.ReferenceEdit(Correction::S30)->styleSheet().contains(QStringLiteral("#ff0000")));
        QVERIFY(graphs.Calls.isEmpty());
        window.ReferenceEdit(Correction::S30)->setText(QStringLiteral("25.5"));
        QVERIFY(window.ReferenceEdit(Correction::S30)->styleSheet().isEmpty());
        QCOMPARE(graphs.Calls, QStringList{QStringLiteral("S25 25.5")});

        // An edited cell reaches the table; the range and "Новая" work on it.
        window.Grid()->item(0, 1)->setText(QStringLiteral("42"));
        QCOMPARE(window.Table().Cell(1, CorrectionColumn::Id), std::string("42"));
        window.Table().SensorCount = 2;
        window.FirstRowEdit()->setText(QStringLiteral("1"));
        window.LastRowEdit()->setText(QStringLiteral("2"));
        window.NewGroup();
        QCOMPARE(window.Grid()->item(0, 1)->text(), QStringLiteral("1"));
        QCOMPARE(window.Grid()->item(1, 4)->text(), QStringLiteral("0"));

        // "S30" with a reference far above the readings: the clamped values are in the table
        // when the limits warning shows.
        Fill(5);
        window.Table().SensorCount = 3;
        window.LastRowEdit()->setText(QStringLiteral("3"));
        window.NewGroup();
        window.ReferenceEdit(Correction::S30)->setText(QStringLiteral("30"));
        QStringList shownS30;
        op.OnShown = [&](const ScriptedOperator::Message& m) {
            if (m.Kind == "warning")
                for (int r = 0; r < 3; ++r) shownS30 << window.Grid()->item(r, int(CorrectionColumn::S30))->text();
        };
        window.CalcButton(Correction::S30)->setEnabled(true);
        window.CalcButton(Correction::S30)->click();
        op.OnShown = nullptr;
        QCOMPARE(op.Shown().back(), std::string("warning: Значения поправок превысили допустимые пределы!\r\n №1 №2 №3"));
        QCOMPARE(shownS30, QStringList({"0.4375", "0.4375", "0.4375"}));
        // Every column shows its longest values whole: row 110, a negative clamped correction.
        const QFontMetrics cells = window.Grid()->fontMetrics();
        for (const auto& [column, text] : {std::pair{0, "110"}, {1, "65535"}, {2, "-0.4375"}, {3, "-1.5"}})
            QVERIFY2(window.Grid()->columnWidth(column) > cells.horizontalAdvance(QString::fromLatin1(text)) + 4, text);

        window.hide();
        QCOMPARE(graphs.Calls.last(), QStringLiteral("markers 0"));
        QVERIFY(window.Help().Lines().contains(QStringLiteral("Коды ошибок (Error X)")));
        QCOMPARE(window.Help().width(), TfrmASHelp::FixedWidth);
    }

    // "Записать" with a row the numbering left at "---" names the row and sends nothing (with no
    // port open, any attempt would end in the port's own message instead).
    void correctionWindowRefusesATableWithAnUnnumberedRow() {
        Fill(2);
        RecordingGraphs graphs;
        StoreCalibrationLines lines(store);
        TfrmAutoSet window({station, store, op, clock, lines, graphs});
        CorrectionTable& table = window.Table();
        for (int r = 1; r <= 3; ++r)
            for (auto c : {CorrectionColumn::Id, CorrectionColumn::S30, CorrectionColumn::P100, CorrectionColumn::Status})
                table.SetCell(r, c, c == CorrectionColumn::Id && r == 2 ? "---" : "0");
        table.SensorCount = 3;
        table.ReadWhole = true;
        op.Clear();
        window.Write();
        QCOMPARE(op.Shown(), (std::vector<std::string>{"error: " + std::string(BadNumberFormatText) +
                                                       "\r\nСтрока №2, «ID Code»: ---"}));
    }

    void numberingGivesTheWarmedSensorItsCodeAndHidesItsLine() {
        Fill(2);
        CorrectionTable table;
        for (int r = 1; r <= 3; ++r) table.SetCell(r, CorrectionColumn::Status, "0");
        RecordingGraphs graphs;
        int changes = 0;
        bool running = false;
        AutoNumHooks hooks;
        hooks.Running = [&](bool on) { running = on; };
        hooks.TableChanged = [&] { ++changes; };
        TfrmAutoNum window(table, store, graphs, clock, hooks);
        window.Start();
        QVERIFY(running);
        QVERIFY(window.Timer().isActive());
        QCOMPARE(window.Finded()->text(), QStringLiteral("Start"));
        QCOMPARE(table.Cell(2, CorrectionColumn::Id), std::string("---"));

        store.AppendSample(0, 0, t0 + 2 / 1440.0, std::vector<Temperature>{2150, 2500, 2150});
        store.AppendSample(0, 0, t0 + 3 / 1440.0, std::vector<Temperature>{2150, 2150, 2150});
        window.Tick();
        QCOMPARE(table.Cell(2, CorrectionColumn::Id), std::string("1"));
        QCOMPARE(window.Finded()->text(), QStringLiteral("2 / 3"));
        QCOMPARE(window.Finded()->palette().color(QPalette::Window), QColor(0, 255, 0));
        QVERIFY(graphs.Calls.contains(QStringLiteral("line 2 0")));
        QVERIFY(graphs.Calls.contains(QStringLiteral("track 2")));
        QCOMPARE(window.LevelBar()->value(), 155);  // 3.5 degrees against a level of 3
        QVERIFY2(window.StatusText().startsWith(QStringLiteral("Beg=2 Cur=4 Drift=00:02:00")),
                 qPrintable(window.StatusText()));
        // The whole line fits the window's status bar, also with five-digit sample counts.
        QString longest = window.StatusText();
        longest.replace(QStringLiteral("Beg=2 Cur=4"), QStringLiteral("Beg=99999 Cur=99999"));
        const QStatusBar& bar = *window.findChild<QStatusBar*>();
        QVERIFY(bar.fontMetrics().horizontalAdvance(longest) < bar.minimumWidth() - 8);

        window.Stop();
        QVERIFY(!running);
        QCOMPARE(window.Finded()->text(), QStringLiteral("Stop"));
        QCOMPARE(window.LevelLabel()->text(), QStringLiteral("0.00__"));
        QVERIFY(graphs.Calls.endsWith(QStringLiteral("line 3 1")));
        QVERIFY(changes >= 2);
    }
};

}  // namespace drumo::test

QTEST_MAIN(drumo::test::CalibrationWindowsTest)
#include "CalibrationWindowsTest.moc"
