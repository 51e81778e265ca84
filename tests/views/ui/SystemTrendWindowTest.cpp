// The system trend and the thermal plots, offscreen: the trend following live samples and its
// slider, the whole program with a loaded archive and the device manager's check boxes, swatches
// and row selection, the settings kept over a restart, and the thermal plots built, highlighted
// and stopped.

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "acquisition/ui/TfrmFind.h"
#include "acquisition/ui/TfrmScanM.h"
#include "app/ui/ProgramWiring.h"
#include "app/ui/Shell.h"
#include "app/ui/TfrmMain.h"
#include "files/ArchiveStore.h"
#include "app/ui/FilesWiring.h"
#include "model/Formats.h"
#include "sim/SimClock.h"
#include "support/QuietHexar.h"
#include "support/RecordingLog.h"
#include "support/ScriptedOperator.h"
#include "support/StoreFill.h"
#include "support/Widgets.h"
#include "views/ui/TMFPrintDlg.h"
#include "views/ui/TfrmMGR.h"
#include "views/ui/TfrmPlet.h"

using namespace drumo;
using drumo::test::CableSpec;
using drumo::test::Child;

namespace {

const DateTime T10 = EncodeDateTime(2026, 12, 9, 10, 0, 0);

// Two devices, three cables: device 0 with cables of 3 and 2 sensors, device 1 with one of 2.
void FillSystem(MeasurementStore& store) {
    test::AddDevice(store, 4,
                    {CableSpec(1, 1, {100, 200, 300}, {{T10, {2000, 2100, NoValue}}, {T10 + OneMinute, {2200, 2300, 2400}}}),
                     CableSpec(2, 1, {0, 150}, {{T10, {-500, -400}}, {T10 + OneMinute, {-300, -200}}})},
                    1);
    test::AddDevice(store, 4, {CableSpec(3, 1, {0, 1500}, {{T10 + OneMinute, {1000, 1100}}})}, 2);
}

std::vector<double> Values(Chart& chart, int line) {
    std::vector<double> values;
    for (int k = 0; k < chart.PointCount(line); ++k) {
        double x = 0, y = 0;
        chart.Point(line, k, x, y);
        values.push_back(y);
    }
    return values;
}

std::vector<QCheckBox*> RowBoxes(TfrmScanM& scanM) {
    std::vector<QCheckBox*> boxes;
    for (auto* box : scanM.findChildren<QCheckBox*>())
        if (box->toolTip() == QStringLiteral("Показать/скрыть")) boxes.push_back(box);
    std::sort(boxes.begin(), boxes.end(), [](auto* a, auto* b) { return a->y() < b->y(); });
    return boxes;
}

}  // namespace

class SystemTrendWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir home_;
    test::ScriptedOperator op_{test::Unscripted::Yes};
    test::RecordingLog log_;

private slots:
    void initTestCase() {
        QVERIFY(home_.isValid());
        qputenv("DRUMO_HOME", home_.path().toLocal8Bit());
        SetDecimalMark('.');
    }

    void trendFollowsTheNewestSampleUntilTheSliderIsMovedBack() {
        MeasurementStore store(op_, log_);
        FillSystem(store);
        TfrmMGR mgr(store);
        store.Events().Subscribe(&mgr);
        mgr.CreateSystemLines({{Qt::yellow, Qt::cyan}, {Qt::green}});
        QCOMPARE(mgr.ChartView().AxisMax(ChartAxis::Bottom), 15.0);  // labels 0 .. 15 m
        mgr.UpdateSystemTrend(true);
        QCOMPARE(mgr.Slider().maximum(), 1);  // one minute a step
        QCOMPARE(Values(mgr.ChartView(), mgr.LineOf(0, 0)), (std::vector<double>{22, 23, 24}));
        QCOMPARE(Values(mgr.ChartView(), mgr.LineOf(1, 0)), (std::vector<double>{10, 11}));
        QCOMPARE(mgr.Panel(2), QString("09.12.26 10:01:00"));
        QCOMPARE(mgr.Panel(3), QString("от 09.12.26 10:00:00 до 09.12.26 10:01:00"));
        QCOMPARE(mgr.Panel(4), QString("Слежение....."));
        // At the window's first size every panel shows its whole text.
        mgr.show();
        QTRY_COMPARE(mgr.width(), 600);
        for (const char* panel : {"Panel2", "Panel3", "Panel4"})
            QVERIFY2(test::TextFits(Child<QLabel>(mgr, panel)), panel);
        mgr.hide();

        // "Дискретность:" 20 seconds: three steps a minute; the operator steps back by one.
        Child<QComboBox>(mgr, "CBDiscret").setCurrentIndex(0);
        emit Child<QComboBox>(mgr, "CBDiscret").activated(0);
        QCOMPARE(mgr.Slider().maximum(), 3);
        mgr.Slider().setValue(2);
        QCOMPARE(mgr.Panel(4), QString("Просмотр....."));
        const auto at40 = Values(mgr.ChartView(), mgr.LineOf(0, 0));  // the NoValue sensor has no point
        QCOMPARE(at40.size(), size_t(2));
        QVERIFY(qAbs(at40[0] - (20 + 2.0 * 2 / 3)) < 1e-6);
        QCOMPARE(mgr.ChartView().PointCount(mgr.LineOf(1, 0)), 0);  // its only sample is later

        // A new sample while looking back: the range grows, the view stays.
        const Temperature next[] = {2500, 2600, 2700};
        store.AppendSample(0, 0, T10 + 2 * OneMinute, next);
        mgr.UpdateSystemTrend();
        QCOMPARE(mgr.Slider().maximum(), 6);
        QCOMPARE(mgr.Slider().value(), 2);
        QVERIFY(qAbs(Values(mgr.ChartView(), mgr.LineOf(0, 0))[0] - at40[0]) < 1e-9);

        // "Показать всё" fits the shown lines only (21.33 .. 22.33: 0.2 degrees a step); the
        // zoom buttons step the temperature axis.
        mgr.SetLineShown(0, 0, true);
        Child<QPushButton>(mgr, "btnShowAll").click();
        QCOMPARE(mgr.View().TempStepIndex(), 7);
        Child<QPushButton>(mgr, "btnZoomOut").click();
        QCOMPARE(mgr.View().TempStepIndex(), 6);
        QCOMPARE(mgr.ChartView().AxisMin(ChartAxis::Left), 19.5);  // around 21.8 rounded to 22
        QCOMPARE(mgr.ChartView().AxisMax(ChartAxis::Left), 24.5);

        store.ClearResults();
        QCOMPARE(mgr.ChartView().PointCount(mgr.LineOf(0, 0)), 0);
        QCOMPARE(mgr.Slider().maximum(), 0);
        store.Events().Unsubscribe(&mgr);
    }

    void loadedArchiveDrawsEveryCableAsTheDeviceManagerChooses() {
        const QString file = home_.filePath("trend.dml");
        {
            MeasurementStore scratch(op_, log_);
            FillSystem(scratch);
            QCOMPARE(SaveDmlFile(scratch, file.toStdString(), "1.0.0.0", T10 + OneHour), SaveOutcome::Saved);
        }
        QDir().mkpath(home_.filePath("ini"));
        QFile ini(home_.filePath("ini/ProgSet.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Find]\r\nAutoFindEnabled=0\r\n[Graph]\r\nGColor1=65280\r\n[Plet]\r\nTStep=2\r\n");
        ini.close();
        {
            Shell shell({}, &op_);
            ProgramWiring wiring(shell);
            shell.Show();
            wiring.Files().OpenFromCommandLine(file.toStdString());
            TfrmMGR& mgr = shell.MGR();
            Chart& chart = mgr.ChartView();
            QCOMPARE(mgr.windowTitle(), QString("Тренд системы - trend.dml"));
            QCOMPARE(chart.LineCount(), 3);
            QVERIFY(mgr.AutoZoom());
            QCOMPARE(mgr.Panel(4), QString("Файл....."));
            QCOMPARE(Values(chart, mgr.LineOf(0, 0)), (std::vector<double>{22, 23, 24}));

            // Row r starts with line colour r of the time graph; every checked row's line shows.
            const auto boxes = RowBoxes(shell.ScanM());
            QCOMPARE(boxes.size(), size_t(3));
            for (int line = 0; line < 3; ++line) {
                QVERIFY(boxes[line]->isChecked());
                QVERIFY(chart.LineActive(line));
            }
            QCOMPARE(chart.LineColour(mgr.LineOf(0, 0)), QColor(Qt::red));
            QCOMPARE(chart.LineColour(mgr.LineOf(0, 1)), QColor(Qt::green));
            boxes[1]->click();
            QVERIFY(!chart.LineActive(mgr.LineOf(0, 1)));
            QVERIFY(chart.LineActive(mgr.LineOf(1, 0)));
            emit shell.ScanM().SwatchColourChanged(3, QColor(Qt::blue));
            QCOMPARE(chart.LineColour(mgr.LineOf(1, 0)), QColor(Qt::blue));
            QCOMPARE(chart.PointFill(mgr.LineOf(1, 0)), QColor(Qt::blue));

            // The selected row's line is in front with round points; the one before goes back.
            QCOMPARE(chart.PointShapeOf(mgr.LineOf(0, 0)), PointShape::Circle);
            QVERIFY(shell.ScanM().SelectRow(3));
            QCOMPARE(chart.PointShapeOf(mgr.LineOf(0, 0)), PointShape::Square);
            QCOMPARE(chart.PointBorder(mgr.LineOf(0, 0)), QColor(Qt::black));
            QCOMPARE(chart.PointShapeOf(mgr.LineOf(1, 0)), PointShape::Circle);
            QCOMPARE(chart.PointBorder(mgr.LineOf(1, 0)), QColor(Qt::white));
            QCOMPARE(chart.DrawingPosition(mgr.LineOf(1, 0)), 2);

            QCOMPARE(shell.Plet().windowTitle(), QString("Термоплеты - trend.dml"));
            QCOMPARE(shell.Plet().Parameters().TStep, 2.0);
            shell.Main().Action("actSysTrend")->trigger();
            QVERIFY(mgr.isVisible());
            mgr.SetPointSize(11);
            shell.Store().ReleaseAll(false);
            QCOMPARE(chart.LineCount(), 0);
            QCOMPARE(mgr.windowTitle(), QString("Тренд системы"));
            QVERIFY(shell.Main().close());
        }
        QVERIFY(ini.open(QIODevice::ReadOnly));
        const QByteArray saved = ini.readAll();
        QVERIFY(saved.contains("[MGR]\r\n"));
        QVERIFY(saved.contains("PointSize=11\r\n"));
        QVERIFY(saved.contains("TStep=2"));
    }

    void liveReceptionFromTheSimulatedControllerIsDrawnAndPrinted() {
        sim::ManualClock simClock;
        std::string error;
        auto line = test::QuietHexar100(simClock, error);
        QVERIFY2(line, error.c_str());
        setenv("DRUMO_PORTS", ("3=" + line->Line->SlavePath()).c_str(), 1);
        const QString pdf = home_.filePath("systrend.pdf");
        qputenv("DRUMO_PRINT_PDF", pdf.toLocal8Bit());
        QFile ini(home_.filePath("ini/ProgSet.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Find]\r\nProtocol=0\r\nPortDefault=3\r\nAutoPortEnabled=0\r\nAutoFindEnabled=1\r\n");
        ini.close();
        {
            Shell shell({}, &op_);
            ProgramWiring wiring(shell);
            shell.Show();
            QCOMPARE(shell.Store().DeviceCount(), 1);
            QTRY_VERIFY_WITH_TIMEOUT(!wiring.Acquisition().Find().isVisible(), 3000);
            TfrmMGR& mgr = shell.MGR();
            QCOMPARE(mgr.ChartView().LineCount(), 1);
            QVERIFY(RowBoxes(shell.ScanM()).at(0)->isChecked());
            QVERIFY(mgr.ChartView().LineActive(0));

            shell.Main().Action("actStart")->trigger();
            QVERIFY(shell.Store().Receiving());
            for (size_t n = 1; n <= 2; ++n) {
                line->Line->With([&] {
                    line->Command->Streaming = true;
                    line->Command->StreamPeriodMs = 3600000;
                    line->Command->StreamNow();
                    return 0;
                });
                QTRY_VERIFY_WITH_TIMEOUT(shell.Store().SampleCount(0, 0) == n &&
                                             wiring.Acquisition().Receiver().StreamSampleClosed(),
                                         5000);
            }
            QCOMPARE(mgr.Panel(4), QString("Слежение....."));
            QCOMPARE(mgr.ChartView().PointCount(0), int(shell.Store().Sensors(0, 0)));

            shell.Main().Action("actPrintSysTrend")->trigger();
            QVERIFY(shell.PrintDlg().isVisible());
            shell.PrintDlg().Print();
            QVERIFY(QFileInfo(pdf).size() > 1000);
            shell.PrintDlg().close();

            shell.Main().Action("actPlets")->trigger();
            QVERIFY(shell.Plet().isVisible());
            shell.Plet().SetParameters(0.5, -60, 130);
            shell.Plet().MakePlets();
            QCOMPARE(shell.Plet().Levels().size(), size_t(381));
            shell.Main().Action("actStop")->trigger();
            QVERIFY(shell.Main().close());
        }
        line->Line->Close();
        unsetenv("DRUMO_PORTS");
        qunsetenv("DRUMO_PRINT_PDF");
    }

    void thermalPlotsAreBuiltHighlightedAndStopped() {
        MeasurementStore store(op_, log_);
        // 40 sensors along 3.9 m warming from 0 to 20 degrees; the warm end creeps down the cable.
        std::vector<int16_t> labels;
        for (int s = 0; s < 40; ++s) labels.push_back(static_cast<int16_t>(s * 10));
        CableSpec::SampleList samples;
        for (int k = 0; k < 3000; ++k) {
            std::vector<int16_t> values;
            for (int s = 0; s < 40; ++s) values.push_back(static_cast<int16_t>(s * 50 + k / 10));
            samples.push_back({T10 + k * 20 * OneSecond, values});
        }
        test::AddDevice(store, 4, {CableSpec(1, 1, labels, samples)});
        TfrmPlet plet(store, op_);
        store.Events().Subscribe(&plet);
        plet.SetParameters(1, 0, 10);

        // "Стоп" pressed while it runs: nothing is shown.
        QTimer::singleShot(0, &plet, [&plet] { Child<QPushButton>(plet, "btnStopPlet").click(); });
        plet.MakePlets();
        QVERIFY(!plet.Running());
        QCOMPARE(plet.ChartView().LineCount(), 0);
        QVERIFY(plet.LevelBoxes().empty());

        Child<QPushButton>(plet, "btnMakePlet").click();
        QCOMPARE(plet.Levels().size(), size_t(11));
        // 0 degrees is never above the coldest reading: its level has no row in the list.
        const auto boxes = plet.LevelBoxes();
        QCOMPARE(boxes.size(), size_t(10));
        QCOMPARE(boxes[0]->text(), QString("1 °C"));
        QCOMPARE(boxes[9]->text(), QString("10 °C"));
        QCOMPARE(plet.ChartView().LineColour(plet.LevelLines(1).front()), QColor(0, 0, 255));
        QCOMPARE(plet.ChartView().LineColour(plet.LevelLines(10).front()), QColor(255, 0, 0));
        // One chart line per level with crossings, however many series the level has.
        QCOMPARE(plet.ChartView().LineCount(), 10);
        QCOMPARE(plet.LevelLines(5).size(), size_t(1));
        QVERIFY(Child<QDoubleSpinBox>(plet, "RxSpinTSel").isEnabled());
        QCOMPARE(plet.HighlightedLevel(), -1);  // "Выделить,°C" is 0, a level without crossings

        Child<QDoubleSpinBox>(plet, "RxSpinTSel").setValue(5.5);
        QCOMPARE(plet.HighlightedLevel(), 5);
        QCOMPARE(plet.ChartView().LineColour(plet.LevelLines(5).front()), QColor(Qt::white));
        boxes[4]->click();
        QVERIFY(!plet.ChartView().LineActive(plet.LevelLines(5).front()));
        Child<QDoubleSpinBox>(plet, "RxSpinTBeg").setValue(1);
        QVERIFY(!Child<QDoubleSpinBox>(plet, "RxSpinTSel").isEnabled());

        plet.SetParameters(1, 10, 10);
        op_.Clear();
        plet.MakePlets();
        QCOMPARE(op_.Shown(), std::vector<std::string>{"error: Неверно задан диапазон температур"});
        store.ClearResults();
        QCOMPARE(plet.ChartView().LineCount(), 0);

        // The devices are dropped while it runs (a search starts): it stops before it reads the
        // freed cable again.
        for (int k = 0; k < 3000; ++k) store.AppendSample(0, 0, T10 + k * 20 * OneSecond, samples[k].second);
        plet.SetParameters(1, 0, 10);
        QTimer::singleShot(0, &plet, [&store] { store.ReleaseAll(false); });
        plet.MakePlets();
        QVERIFY(!plet.Running());
        QCOMPARE(plet.ChartView().LineCount(), 0);
        store.Events().Unsubscribe(&plet);
    }
};

QTEST_MAIN(SystemTrendWindowTest)
#include "SystemTrendWindowTest.moc"
