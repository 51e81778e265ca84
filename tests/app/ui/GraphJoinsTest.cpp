// The notebook's records and the calibration windows' steering reach the time graph and the length
// trend.

#include <QtTest>

#include "app/ui/GraphWindowsJoin.h"
#include "support/FakeClock.h"
#include "support/RecordingLog.h"
#include "support/ScriptedOperator.h"
#include "views/ui/TfrmGraphic.h"
#include "views/ui/TfrmTrend.h"

using namespace drumo;

class GraphJoinsTest : public QObject {
    Q_OBJECT

    test::ScriptedOperator op{test::Unscripted::Yes};
    test::RecordingLog log;
    test::FakeClock clock;
    MeasurementStore store{op, log};

private slots:
    void notebookRecordsBecomeLinesAndTheTrendsMainLine() {
        TfrmGraphic graph(op, clock);
        TfrmTrend trend(store);
        NotebookOnGraphWindows join(graph, trend);
        join.CreateLines(2);
        join.SetLineCaption(2, "№2  1.5 м");
        join.AddPoint(2, 46000.5, 21.5);
        join.SetGraphStatus("Блокнот: 1");
        QCOMPARE(graph.LineCount(), 2);
        QCOMPARE(graph.LineCaption(2), QStringLiteral("№2  1.5 м"));
        QCOMPARE(graph.Graph().PointCount(1), 1);
        QCOMPARE(graph.StatusPanel(2), QStringLiteral("Блокнот: 1"));

        join.ClearTrend();
        join.AddTrendPoint(0.5, 21.5);
        join.AddTrendPoint(1.5, 22);
        join.SetTrendStatus(4, "Блокнот.....");
        join.SetPositionAxis(1, 0, 2);
        QCOMPARE(trend.MainPointCount(), 2);
        QCOMPARE(trend.PanelText(4), QStringLiteral("Блокнот....."));
        join.ClearTrend();
        QCOMPARE(trend.MainPointCount(), 0);
    }

    void calibrationSteersTrackedLineCheckBoxesAndBothWindowsMarkers() {
        TfrmGraphic graph(op, clock);
        TfrmTrend trend(store);
        CalibrationOnGraphWindows join(graph, trend);
        graph.CreateLines(3);
        join.SetTrackedLine(2);
        QCOMPARE(graph.TrackedLineNumber(), 2);
        join.ShowLine(3, false);
        QVERIFY(!graph.Graph().LineActive(2));
        join.ShowLine(3, true);
        QVERIFY(graph.Graph().LineActive(2));

        const int s25 = graph.MarkerIndex(TfrmGraphic::Marker::S25);
        join.PlaceMarkerS25(24.5);
        QVERIFY(!graph.Graph().MarkerVisible(s25));  // placed, shown only with the correction window
        join.ShowReferenceMarkers(true);
        QVERIFY(graph.Graph().MarkerVisible(s25));
        QCOMPARE(graph.Graph().MarkerPosition(s25), 24.5);
        QCOMPARE(graph.Graph().MarkerPosition(graph.MarkerIndex(TfrmGraphic::Marker::P100)), -30.0);
        join.ShowReferenceMarkers(false);
        QVERIFY(!graph.Graph().MarkerVisible(s25));
    }
};

QTEST_MAIN(GraphJoinsTest)
#include "GraphJoinsTest.moc"
