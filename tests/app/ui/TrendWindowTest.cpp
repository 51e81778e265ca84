// The length trend in the program: it follows the shown cable live and from a loaded archive,
// its sliders and status texts, the turn into the ground, its settings across a restart, and
// "Печатать Тренд" printing its chart into a PDF file. DRUMO_HOME points at a fresh folder.

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include "app/ui/ProgramWiring.h"
#include "app/ui/Shell.h"
#include "app/ui/TfrmMain.h"
#include "support/ScriptedOperator.h"
#include "support/StoreFill.h"
#include "support/Widgets.h"
#include "views/ui/Chart.h"
#include "views/ui/TMFPrintDlg.h"
#include "views/ui/TfrmGraphic.h"
#include "views/ui/TfrmTrend.h"

using namespace drumo;
using drumo::test::Child;

namespace {

const DateTime T0 = EncodeDateTime(2026, 12, 9, 10, 0, 0);
constexpr int MainLine = 1;  // the trace is drawn first, behind it

// A cable of four sensors at 0.5 ... 30.2 m with one sample, shown by the main window.
void ShowCable(MeasurementStore& store) {
    test::AddDevice(store, 3, {{1234, 1, {50, 1000, 2000, 3020}, {{T0, {1500, NoValue, 1700, 1800}}}}});
    store.Select(0, 0);
}

void NewSample(MeasurementStore& store, DateTime t) {
    const Temperature v[] = {1000, 1100, 1200, 1300};
    store.AppendSample(0, 0, t, v);
    store.AnnounceSample(0, 0);
}

}  // namespace

class TrendWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir home_;
    test::ScriptedOperator op_{test::Unscripted::Yes};

private slots:
    void initTestCase() {
        QVERIFY(home_.isValid());
        qputenv("DRUMO_HOME", home_.path().toLocal8Bit());
        qputenv("DRUMO_PRINT_PDF", home_.filePath("trend.pdf").toLocal8Bit());
        QDir().mkpath(home_.filePath("ini"));
    }
    // Every test starts from the same settings file.
    void init() {
        op_.Clear();
        QFile ini(home_.filePath("ini/ProgSet.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ini.write("[Find]\r\nAutoFindEnabled=0\r\n[Trend]\r\nFieldColor=255\r\nPointSize=9\r\nTrendZeroBegin=1\r\n");
    }

    void followsTheShownCableLiveUntilTheOperatorStepsBack() {
        Shell shell({}, &op_);
        ProgramWiring wiring(shell);
        shell.Show();
        TfrmTrend& trend = shell.Trend();
        shell.Main().Action("actTrend")->trigger();
        QVERIFY(trend.isVisible());
        ShowCable(shell.Store());
        // "0...Ln" from the settings file: 0 ... 32 m in steps of 2.
        QCOMPARE(trend.Plot().AxisCaption(ChartAxis::Bottom), QString("Расстояние, м"));
        QCOMPARE(trend.Plot().AxisMax(ChartAxis::Bottom), 32.0);
        QCOMPARE(trend.Plot().PointCount(MainLine), 3);  // no point without a reading

        QSlider& slider = Child<QSlider>(trend, "TrTB1");
        for (int i = 1; i <= 2; ++i) NewSample(shell.Store(), T0 + i * OneMinute);
        QCOMPARE(slider.maximum(), 2);
        QCOMPARE(slider.value(), 2);
        QCOMPARE(trend.PanelText(2), QString("main:  09.12.26 10:02:00"));
        QCOMPARE(trend.PanelText(4), QString("Слежение....."));
        QCOMPARE(trend.Plot().PointCount(MainLine), 4);

        slider.setValue(0);
        QCOMPARE(trend.PanelText(4), QString("Просмотр....."));
        NewSample(shell.Store(), T0 + 3 * OneMinute);
        QCOMPARE(slider.maximum(), 3);
        QCOMPARE(slider.value(), 0);
        QCOMPARE(trend.PanelText(2), QString("main:  09.12.26 10:00:00"));

        // Turned into the ground: positions down the left axis; the temperature axis keeps its range.
        const double top = trend.Plot().AxisMax(ChartAxis::Left);
        Child<QCheckBox>(trend, "CBTrendInv").click();
        QVERIFY(trend.Plot().AxisReversed(ChartAxis::Left));
        QCOMPARE(trend.Plot().AxisCaption(ChartAxis::Left), QString("Расстояние, м"));
        QCOMPARE(trend.Plot().AxisMax(ChartAxis::Bottom), top);
        double key = 0, value = 0;
        QVERIFY(trend.Plot().Point(MainLine, 0, key, value));
        QCOMPARE(key, 0.5);
        QCOMPARE(value, 15.0);

        // Reception starting anew shows -50 ... +50 degrees; "Очистить результаты" empties the trend.
        shell.Store().Events().Send(&StationEvents::ReceptionStarted, true);
        QCOMPARE(trend.Plot().AxisMin(ChartAxis::Bottom), -50.0);
        shell.Store().ClearResults();
        QCOMPARE(trend.Plot().PointCount(MainLine), 0);
        QCOMPARE(slider.maximum(), 0);
        QVERIFY(shell.Main().close());
    }

    void aCablePickedInTheMainWindowIsShown() {
        Shell shell({}, &op_);
        ProgramWiring wiring(shell);
        shell.Show();
        test::AddDevice(shell.Store(), 3, {{1, 0, {100, 200}, {{T0, {1000, 1100}}}},
                                           {2, 0, {100, 200, 300}, {{T0, {1, 2, 3}}, {T0 + OneMinute, {4, 5, 6}}}}});
        shell.Store().AnnounceSelection();
        TfrmTrend& trend = shell.Trend();
        QCOMPARE(trend.Plot().PointCount(MainLine), 2);
        shell.Main().PickCable(1);
        QCOMPARE(trend.Plot().PointCount(MainLine), 3);
        QCOMPARE(Child<QSlider>(trend, "TrTB1").maximum(), 1);
        QCOMPARE(trend.Plot().AxisMax(ChartAxis::Bottom), 3.0);
        QVERIFY(shell.Main().close());
    }

    void settingsComeBackAfterARestart() {
        {
            Shell shell({}, &op_);
            shell.Show();
            TfrmTrend& trend = shell.Trend();
            QCOMPARE(trend.Look().Field, QColor(Qt::red));
            QCOMPARE(Child<QSpinBox>(trend, "RxSpTrendPSize").value(), 9);
            QVERIFY(Child<QCheckBox>(trend, "CBTrendZeroBegin").isChecked());
            Child<QCheckBox>(trend, "CBTrendInv").click();
            QVERIFY(shell.Main().close());
        }
        Shell shell({}, &op_);
        shell.Show();
        QVERIFY(Child<QCheckBox>(shell.Trend(), "CBTrendInv").isChecked());
        QVERIFY(shell.Trend().Plot().AxisReversed(ChartAxis::Left));
        QVERIFY(shell.Main().close());
    }

    void aLoadedArchiveNamesTheTrendAndZoomsOnItsOwn() {
        Shell shell({}, &op_);
        ProgramWiring wiring(shell);
        shell.Show();
        const QString file = home_.filePath("silo.dml");
        ShowCable(shell.Store());
        QVERIFY(wiring.Files().Files().FileSaveArhiv(file.toStdString(), false));
        shell.Store().ReleaseAll(false);
        QCOMPARE(shell.Trend().windowTitle(), QString("Тренд"));
        wiring.Files().OpenFromCommandLine(file.toStdString());
        QCOMPARE(shell.Trend().windowTitle(), QString("Тренд - silo.dml"));
        QVERIFY(Child<QCheckBox>(shell.Trend(), "CBAutoZoom").isChecked());
        QCOMPARE(shell.Trend().PanelText(4), QString("Файл....."));
        QCOMPARE(shell.Trend().Plot().AxisMin(ChartAxis::Left), 14.0);  // 15 ... 18 fitted in steps of 0.5

        shell.Main().Action("actPrintTrend")->trigger();
        QVERIFY(shell.PrintDlg().isVisible());
        shell.PrintDlg().Print();
        QVERIFY(QFile(home_.filePath("trend.pdf")).size() > 2000);
        for (const auto& m : op_.messages) QVERIFY2(m.Kind != "error", m.Text.c_str());
        QVERIFY(shell.Main().close());

        // The same file named on the command line shows both the time graph and the trend.
        Shell started({file.toStdString()}, &op_);
        ProgramWiring startedWiring(started);
        started.Show();
        QTRY_COMPARE(started.Trend().windowTitle(), QString("Тренд - silo.dml"));
        QVERIFY(started.Graphic().isVisible());
        QVERIFY(started.Trend().isVisible());
        QVERIFY(started.Main().close());
    }
};

QTEST_MAIN(TrendWindowTest)
#include "TrendWindowTest.moc"
