// The time graph as the main window feeds it: the selected cable's lines from live samples and
// from a loaded archive, the table's row choosing the tracked line, auto-drag, colours and their
// settings, the mouse read-out, clearing and emptying.

#include <QAction>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "app/AppPaths.h"
#include "app/ui/GraphWiring.h"
#include "app/ui/ProgramWiring.h"
#include "app/ui/Shell.h"
#include "app/ui/TfrmMain.h"
#include "model/Formats.h"
#include "support/FakeClock.h"
#include "support/RecordingLog.h"
#include "support/ScriptedOperator.h"
#include "support/StoreFill.h"
#include "support/Widgets.h"
#include "views/ui/ColourSwatch.h"
#include "views/ui/TfrmGraphic.h"

using namespace drumo;
using drumo::test::Child;

namespace {

const DateTime T0 = EncodeDateTime(2026, 12, 9, 10, 0, 0);

struct GraphRig {
    test::ScriptedOperator op{test::Unscripted::Yes};
    test::RecordingLog log;
    test::FakeClock clock;
    MeasurementStore store{op, log};
    TfrmMain main{store, op, log};
    TfrmGraphic graphic{op, clock};
    GraphWiring wiring;

    explicit GraphRig(const std::string& settingsFile = "/nonexistent/ProgSet.ini")
        : wiring(graphic, main, store, settingsFile) {
        clock.SetStartDay(T0);
        graphic.resize(800, 500);
    }

    // A cable of three sensors at 1, 2 and 3 m with two samples, one value missing.
    void Fill(const std::string& source = "\\\\.\\Com3") {
        test::DeviceSpec device;
        device.Source = source;
        device.Cables = {{1234, 1, {100, 200, 300}, {{T0, {2150, NoValue, -300}}, {T0 + 20 * OneSecond, {2160, 1000, -310}}}}};
        test::AddDevice(store, device);
        store.AnnounceSelection();
    }
    // A live sample of the selected cable, as reception appends and announces it.
    void Sample(DateTime t, std::vector<Temperature> values) {
        store.AppendSample(0, 0, t, values);
        store.AnnounceSample(0, 0);
    }
    Chart& chart() { return graphic.Graph(); }
};

}  // namespace

class GraphWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir home_;

private slots:
    void initTestCase() {
        QVERIFY(home_.isValid());
        qputenv("DRUMO_HOME", home_.path().toLocal8Bit());
    }
    void init() { SetDecimalMark('.'); }

    // The program places the window and applies the section "Graph" at start, and writes them back
    // at closing; the graph command shows the window.
    void settingsSurviveARestart() {
        QDir().mkpath(home_.filePath("ini"));
        QFile ini(home_.filePath("ini/ProgSet.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Graph]\r\nTop=40\r\nLeft=50\r\nHeight=450\r\nWidth=640\r\nPointSize=9\r\n"
                  "PointVisible=0\r\nGColor0=65280\r\n");
        ini.close();
        test::ScriptedOperator op{test::Unscripted::Yes};
        {
            Shell shell({}, &op);
            ProgramWiring wiring(shell);
            shell.Show();
            TfrmGraphic& graphic = shell.Graphic();
            QCOMPARE(graphic.pos(), QPoint(50, 40));
            QCOMPARE(graphic.size(), QSize(640, 450));
            QCOMPARE(Child<QSpinBox>(graphic, "RxSpGraphPSize").value(), 9);
            graphic.CreateLines(2);
            QCOMPARE(graphic.Graph().LineColour(0), QColor(Qt::green));
            QCOMPARE(graphic.Graph().LineColour(1), QColor(Qt::red));
            QCOMPARE(graphic.Graph().PointsVisible(0), false);
            shell.Main().Action("actGraph")->trigger();
            QVERIFY(graphic.isVisible());
            Child<QSpinBox>(graphic, "RxSpGraphPSize").setValue(11);
            QVERIFY(shell.Main().close());
        }
        QVERIFY(ini.open(QIODevice::ReadOnly));
        const QByteArray text = ini.readAll();
        QVERIFY(text.contains("PointSize=11\r\n"));
        QVERIFY(text.contains("GColor0=65280\r\n"));
        QVERIFY(text.contains("GColor255=255\r\n"));
        QVERIFY(text.contains("PointVisible=0\r\n"));
    }

    void liveSamplesFillTheSelectedCablesLines() {
        GraphRig rig;
        rig.Fill();
        QCOMPARE(rig.graphic.LineCount(), 3);
        QCOMPARE(rig.graphic.LineCaption(2), QString("№2  2 м"));
        QCOMPARE(rig.chart().AxisCaption(ChartAxis::Left), QString("Температура, °C"));
        QCOMPARE(rig.chart().PointCount(1), 1);  // the missing value is no point
        QCOMPARE(rig.graphic.StatusPanel(2), QString("Измерений: 2/•5"));
        QCOMPARE(rig.graphic.windowTitle(), QString("График"));

        rig.Sample(T0 + 40 * OneSecond, {2170, NoValue, -320});
        QCOMPARE(rig.chart().PointCount(0), 3);
        QCOMPARE(rig.chart().PointCount(1), 1);
        QCOMPARE(rig.graphic.StatusPanel(2), QString("Измерений: 3/•7"));
        // With "АвтоЗум" every sample shows everything: 40 s of data in 10 s steps.
        rig.graphic.SetAutoZoom(true);
        rig.Sample(T0 + 60 * OneSecond, {2180, 1010, -330});
        QCOMPARE(rig.graphic.View().TimeStepIndex, 22);
        QVERIFY(rig.chart().AxisMin(ChartAxis::Bottom) <= T0);
        QVERIFY(rig.chart().AxisMax(ChartAxis::Bottom) >= T0 + 60 * OneSecond);
        QCOMPARE(rig.chart().AxisMin(ChartAxis::Top), rig.chart().AxisMin(ChartAxis::Bottom));

        // "Очистить результаты" empties the lines and keeps them; new samples fill them again.
        QVERIFY(rig.store.ClearResults());
        QCOMPARE(rig.graphic.LineCount(), 3);
        QCOMPARE(rig.chart().PointCount(0), 0);
        QCOMPARE(rig.graphic.StatusPanel(2), QString("Измерений: 0/•0"));
        rig.Sample(T0 + 80 * OneSecond, {2190, 1020, -340});
        QCOMPARE(rig.chart().PointCount(2), 1);

        // The device search empties the store: the lines go.
        rig.store.ReleaseAll(false);
        QCOMPARE(rig.graphic.LineCount(), 0);
        QCOMPARE(rig.graphic.StatusPanel(2), QString());
    }

    void archiveDataGetTheFileNameAndAutomaticZoom() {
        GraphRig rig;
        rig.store.MarkArchiveLoaded();
        rig.Fill("/data/Archive/09.12.26/10.00.00.dml");
        QCOMPARE(rig.graphic.windowTitle(), QString("График - 10.00.00.dml"));
        QCOMPARE(rig.chart().PointCount(0), 2);
        rig.wiring.ArchiveShown();
        QVERIFY(rig.graphic.AutoZoom());
        // Show all ran: 20 s of data and 2.5 % margins fit six steps of 5 s.
        QCOMPARE(rig.graphic.View().TimeStepIndex, 24);
        QVERIFY(rig.chart().AxisMin(ChartAxis::Bottom) <= T0);
        rig.store.ReleaseAll(false);
        QCOMPARE(rig.graphic.windowTitle(), QString("График"));
    }

    void theTablesRowChoosesTheTrackedLine() {
        GraphRig rig;
        rig.Fill();
        QCOMPARE(rig.graphic.TrackedLine(), 1);
        QCOMPARE(rig.chart().PointShapeOf(0), PointShape::Circle);
        Child<QTableWidget>(rig.main, "SGTemp").setCurrentCell(2, 0);
        QCOMPARE(rig.graphic.TrackedLineNumber(), 3);
        QCOMPARE(rig.graphic.TrackedLine(), 3);
        QCOMPARE(rig.chart().PointShapeOf(2), PointShape::Circle);
        QCOMPARE(rig.chart().PointBorder(2), QColor(Qt::white));
        QCOMPARE(rig.chart().DrawingPosition(2), 2);
        QCOMPARE(rig.chart().PointShapeOf(0), PointShape::Square);
        QCOMPARE(rig.chart().PointBorder(0), QColor(Qt::black));
        QCOMPARE(rig.chart().DrawingPosition(0), 0);
    }

    void autoDragMovesTheViewWhenASampleLandsOutside() {
        GraphRig rig;
        rig.Fill();
        rig.graphic.SetFollow(true);
        QVERIFY(Child<QCheckBox>(rig.graphic, "cbAutoDrag").isChecked());
        rig.graphic.ResetView();  // ±60 s around 10:00:00
        rig.graphic.AutoDragTick();
        const double before = rig.chart().AxisMax(ChartAxis::Bottom);
        rig.Sample(T0 + 5 * OneMinute, {2500, 1000, -300});
        rig.graphic.AutoDragTick();
        const DateTime a = RoundToStep(T0 + 5 * OneMinute, 20 * OneSecond);
        QVERIFY(rig.chart().AxisMax(ChartAxis::Bottom) > before);
        QVERIFY(std::abs(rig.chart().AxisMax(ChartAxis::Bottom) - (a + 20 * OneSecond)) < 1e-9);
        // The temperatures centred on the tracked line's 21.5 at the first tick.
        QCOMPARE(rig.chart().AxisMin(ChartAxis::Left), -30.0);
        rig.graphic.SetFollow(false);
        QVERIFY(!rig.graphic.View().TrackYCentred);
    }

    void coloursGoToTheSettingsAndTheDefaultsComeFromTheFile() {
        QTemporaryDir dir;
        const QString ini = dir.filePath("ProgSet.ini");
        {
            QFile file(ini);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("[DefaultColor]\r\nFieldColor=16777215\r\nGridColor=255\r\nLineColor1=65280\r\n");
        }
        GraphRig rig(ini.toStdString());
        rig.Fill();
        rig.graphic.SetColourChooser([](QColor& c) {
            c = QColor(0, 0, 255);
            return true;
        });
        QTest::mouseRelease(&Child<ColourSwatch>(rig.graphic, "LineSwatch2"), Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(rig.chart().LineColour(1), QColor(0, 0, 255));
        QCOMPARE(rig.chart().PointFill(1), QColor(0, 0, 255));
        GraphSettings settings;
        rig.graphic.SaveSettings(settings);
        QCOMPARE(settings.GColor[1], 0xFF0000);
        QCOMPARE(settings.GColor[0], 255);

        // A cancelled dialog changes nothing; "Нет" to the question neither.
        rig.graphic.SetColourChooser([](QColor&) { return false; });
        QTest::mouseRelease(&Child<ColourSwatch>(rig.graphic, "ShapeFon"), Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(rig.chart().FieldColour(), QColor(Qt::black));
        rig.op.Answer(false);
        Child<QPushButton>(rig.graphic, "BtnColorDefault").click();
        QCOMPARE(rig.op.messages.back().Text, std::string("Установить цвета линий графика по умолчанию?"));
        QCOMPARE(rig.chart().LineColour(1), QColor(0, 0, 255));
        rig.op.Answer(true);
        Child<QPushButton>(rig.graphic, "BtnColorDefault").click();
        QCOMPARE(rig.chart().FieldColour(), QColor(Qt::white));
        QCOMPARE(rig.chart().GridColour(ChartAxis::Left), QColor(Qt::red));
        QCOMPARE(rig.chart().LineColour(1), QColor(Qt::green));
        QCOMPARE(rig.chart().LineColour(0), QColor(Qt::red));

        // Loaded settings colour the next lines.
        settings.GColor[2] = 0x00FFFF;  // yellow
        rig.graphic.LoadSettings(settings);
        rig.store.AnnounceSelection();
        QCOMPARE(rig.chart().LineColour(2), QColor(Qt::yellow));
    }

    void mouseReadoutAndCtrlTexts() {
        GraphRig rig;
        rig.Fill();
        rig.graphic.show();
        rig.chart().ReplotNow();
        QWidget* plot = reinterpret_cast<QWidget*>(&rig.chart().Plot());
        const int y = int(rig.chart().ValueToPixel(ChartAxis::Left, 20));
        const int x = int(rig.chart().ValueToPixel(ChartAxis::Bottom, T0));
        QMouseEvent move(QEvent::MouseMove, QPointF(x, y), plot->mapToGlobal(QPointF(x, y)), Qt::NoButton,
                         Qt::NoButton, Qt::ControlModifier);
        QApplication::sendEvent(plot, &move);
        QVERIFY2(std::abs(rig.graphic.StatusPanel(0).split(' ')[0].toDouble() - 20) < 0.5,
                 qPrintable(rig.graphic.StatusPanel(0)));
        QVERIFY(rig.graphic.StatusPanel(0).endsWith(" °C "));
        QVERIFY(rig.graphic.StatusPanel(1).startsWith("09.12.26 "));
        QCOMPARE(rig.chart().TextCount(), 2);
    }

    void windowsOwnControlsAndLimits() {
        GraphRig rig;
        QCOMPARE(rig.graphic.minimumSize(), QSize(600, 433));
        QCOMPARE(Child<QSpinBox>(rig.graphic, "RxSpGraphPSize").singleStep(), 2);
        QCOMPARE(Child<QToolButton>(rig.graphic, "btnZoomInX").toolTip(), QString("Увеличить масштаб по X"));
        QCOMPARE(rig.graphic.PopupMenu().actions().at(0)->text(), QString("Копировать"));
        QVERIFY(!rig.chart().MarkerVisible(rig.graphic.MarkerIndex(TfrmGraphic::Marker::S25)));
        rig.graphic.SetMarker(TfrmGraphic::Marker::P100, 99.5, true);
        QVERIFY(rig.chart().MarkerVisible(rig.graphic.MarkerIndex(TfrmGraphic::Marker::P100)));
        QVERIFY(rig.main.Action("actGraph")->isEnabled());

        // "Номер линии слежения" past the new lines becomes 1, without lines 0.
        rig.graphic.CreateLines(6);
        rig.graphic.SetTrackedLineNumber(5);
        rig.graphic.CreateLines(3);
        QCOMPARE(rig.graphic.TrackedLineNumber(), 1);
        QCOMPARE(rig.graphic.TrackedLine(), 1);
        QCOMPARE(rig.graphic.LineCount(), 3);
        rig.graphic.CreateLines(0);
        QCOMPARE(rig.graphic.TrackedLineNumber(), 0);
        // A mouse zoom is widened to whole steps when its timer fires.
        rig.chart().SetAxisRange(ChartAxis::Left, 10.3, 14.1);
        rig.graphic.AutoZoomTick();
        QCOMPARE(rig.chart().AxisMin(ChartAxis::Left), 9.5);
        QCOMPARE(rig.chart().AxisMax(ChartAxis::Left), 14.5);
    }
};

QTEST_MAIN(GraphWindowTest)
#include "GraphWindowTest.moc"
