// The device manager's grid, selection, copy, pop-up menu and log, and the two alarm windows.

#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

#include "acquisition/ui/TfrmAlarm.h"
#include "acquisition/ui/TfrmScanM.h"
#include "model/DeviceTypes.h"
#include "support/FakeSearchActivity.h"
#include "support/ScriptedOperator.h"

using namespace drumo;

namespace {

// Devices with 2, 0 and 1 cables at addresses 10, 11, 12; the grid rows as discovery writes them.
void FillThreeDevices(MeasurementStore& store, TfrmScanM& manager) {
    const int cables[] = {2, 0, 1};
    store.SetDeviceCount(3);
    for (int d = 0; d < 3; ++d) {
        ApplyDeviceType(store.DevSig(d), 3);
        store.DevSig(d).Address = static_cast<uint16_t>(10 + d);
        store.SetCableCount(d, cables[d]);
        store.CountDevice();
    }
    manager.SetListedRows(4);
    manager.SetRow(1, {"10", "Dorma-1/100", "00001", "1234", "16", "north", "\\\\.\\Com3"}, true);
    manager.SetRow(2, {"10", "—>", "00001", "[ --- ]", "0", "north", "\\\\.\\Com3"}, false);
    manager.SetRow(3, {"11", "Dorma-1/100", "00002", "[ --- ]", "0", "", "\\\\.\\Com3"}, false);
    manager.SetRow(4, {"12", "Dorma-1/100", "00003", "77", "8", "", "\\\\.\\Com3"}, true);
}

}  // namespace

class DeviceManagerTest : public QObject {
    Q_OBJECT

    test::ScriptedOperator op_{test::Unscripted::Yes};
    NullLog nolog_;

private slots:
    void windowHasItsCaptionSizeAndFirstLogLine() {
        MeasurementStore store(op_, nolog_);
        TfrmScanM manager(store);
        QCOMPARE(manager.windowTitle(), QString("Диспетчер приборов"));
        QCOMPARE(manager.width(), 600);
        QCOMPARE(manager.minimumHeight(), 261);
        QCOMPARE(manager.ListedRows(), 0);
        QCOMPARE(manager.Cell(0, 0), QString("Адрес"));
        QCOMPARE(manager.Cell(0, 6), QString("Источник данных"));
        QVERIFY(manager.LogLines().first().endsWith(" --- Старт ---"));
    }

    void logLinesBeginWithTheTime() {
        MeasurementStore store(op_, nolog_);
        TfrmScanM manager(store);
        manager.Log(" > Порт \\\\.\\Com3 недоступен");
        const QString line = manager.LogLines().last();
        QVERIFY(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d > Порт ").match(line).hasMatch());
    }

    void selectingRowsMapsThemToDevicesAndCables() {
        MeasurementStore store(op_, nolog_);
        TfrmScanM manager(store);
        FillThreeDevices(store, manager);
        QSignalSpy selected(&manager, &TfrmScanM::RowSelected);

        QVERIFY(manager.SelectRow(2));
        QCOMPARE(store.SelDevice(), 0);
        QCOMPARE(store.SelCable(), 1);
        QVERIFY(manager.SelectRow(3));  // the device without cables
        QCOMPARE(store.SelDevice(), 1);
        QCOMPARE(store.SelCable(), 0);
        QVERIFY(manager.SelectRow(4));
        QCOMPARE(store.SelDevice(), 2);
        QCOMPARE(selected.count(), 3);
        QCOMPARE(selected.last().at(0).toInt(), 3);  // previous row
        QCOMPARE(selected.last().at(1).toInt(), 4);
    }

    void refusedSelectionsChangeNothing() {
        MeasurementStore store(op_, nolog_);
        TfrmScanM manager(store);
        FillThreeDevices(store, manager);
        QVERIFY(manager.SelectRow(4));
        QSignalSpy selected(&manager, &TfrmScanM::RowSelected);
        QVERIFY(!manager.SelectRow(0));
        QVERIFY(!manager.SelectRow(4));
        QVERIFY(!manager.SelectRow(5));
        test::FakeSearchActivity search(true);
        manager.SetSearch(&search);
        QVERIFY(!manager.SelectRow(1));
        QCOMPARE(selected.count(), 0);
        QCOMPARE(manager.SelectedRow(), 4);
        QCOMPARE(store.SelDevice(), 2);
        search.running = false;
        QVERIFY(manager.SelectRow(1));
    }

    void copyGivesTheHeaderThenTheSelectedRows() {
        MeasurementStore store(op_, nolog_);
        TfrmScanM manager(store);
        FillThreeDevices(store, manager);
        const QString header = "Адрес\tТип прибора\tSN\tSNтк\tдат\tКомментарии\tИсточник данных\t\r\n";
        QCOMPARE(manager.CopyText(), header);
        manager.SelectRow(4);
        QCOMPARE(manager.CopyText(), header + "12\tDorma-1/100\t00003\t77\t8\t\t\\\\.\\Com3\t\r\n");
    }

    void lineBoxesFollowSensorsAndTheAllLinesBox() {
        MeasurementStore store(op_, nolog_);
        TfrmScanM manager(store);
        FillThreeDevices(store, manager);
        manager.CreateSwatches({Qt::red, Qt::green, Qt::blue, Qt::yellow});
        QVERIFY(manager.LineChecked(1));
        QVERIFY(!manager.LineChecked(2));  // no sensors: disabled and unchecked
        QVERIFY(manager.LineChecked(4));
        auto* all = manager.findChild<QCheckBox*>("cbAllLines");
        QVERIFY(all && !all->isHidden());
        QSignalSpy toggled(&manager, &TfrmScanM::AllLinesToggled);
        all->click();
        QVERIFY(!manager.LineChecked(1));
        QVERIFY(!manager.LineChecked(4));
        QCOMPARE(toggled.count(), 1);
    }

    void popupNamesTheSelectedDeviceAndReleaseResetsTheGrid() {
        MeasurementStore store(op_, nolog_);
        TfrmScanM manager(store);
        store.Events().Subscribe(&manager);
        FillThreeDevices(store, manager);
        const auto items = manager.PopupMenu()->actions();
        QCOMPARE(items.size(), 5);
        QVERIFY(!items[0]->isEnabled() && !items[1]->isEnabled() && !items[2]->isEnabled());
        QVERIFY(items[3]->isEnabled() && items[4]->isEnabled());
        QCOMPARE(items[2]->text(), QString("Изменить скорость обмена (для всех)"));
        QCOMPARE(items[3]->text(), QString("Копировать"));
        QCOMPARE(items[4]->text(), QString("Отмена"));

        manager.SetChangeCommandsEnabled(true);
        manager.SelectRow(4);
        manager.PreparePopup();
        QCOMPARE(items[0]->text(), QString("Изменить Modbus адрес 12"));
        QCOMPARE(items[1]->text(), QString("Изменить комментарии 12"));

        manager.setWindowTitle("Диспетчер приборов - a.dml");
        QVERIFY(store.ReleaseAll(false));
        QCOMPARE(manager.ListedRows(), 0);
        QVERIFY(!items[0]->isEnabled());
        QCOMPARE(manager.windowTitle(), QString("Диспетчер приборов"));
        manager.PreparePopup();
        QCOMPARE(items[0]->text(), QString("Изменить адрес"));
        store.Events().Unsubscribe(&manager);
    }

    void alarmWindowsCollectLinesAndOnlyHide() {
        TfrmAlarm upper(TfrmAlarm::Kind::Upper);
        TfrmAlarm lower(TfrmAlarm::Kind::Lower);
        QCOMPARE(upper.windowTitle(), QString("Alarm"));
        QCOMPARE(upper.width(), 400);
        QCOMPARE(upper.minimumHeight(), 250);
        QCOMPARE(upper.pos(), QPoint(0, 0));
        QCOMPARE(lower.pos(), QPoint(0, 248));
        QVERIFY(upper.windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(upper.isHidden());

        upper.AddLine("10:00:00 > Адрес: 1 Термокоса: 1 Макс. температура: 26.3");
        QVERIFY(upper.isVisible());
        upper.close();
        QVERIFY(upper.isHidden());
        upper.AddLine("10:00:20 > Адрес: 1 Термокоса: 1 Макс. температура: 26.4");
        QVERIFY(upper.isVisible());
        QCOMPARE(upper.Lines().size(), 2);
        QVERIFY(lower.Lines().isEmpty());
    }

    void alarmWindowsKeepTheNewestWholeLineInView() {
        TfrmAlarm upper(TfrmAlarm::Kind::Upper);
        QScrollBar* down = upper.List()->verticalScrollBar();
        QScrollBar* across = upper.List()->horizontalScrollBar();
        const auto add = [&](int k) {
            upper.AddLine(QString("10:%1:00 > Адрес: 247 Термокоса: 12 Макс. температура: -19.38").arg(k));
            QApplication::processEvents();
        };
        for (int k = 10; k < 40; ++k) add(k);
        QVERIFY(down->maximum() > 0);
        QCOMPARE(down->value(), down->maximum());
        QCOMPARE(across->maximum(), 0);  // every line fits: no value is cut
        down->setValue(0);               // the operator scrolled up to the first alarms
        add(40);
        QCOMPARE(down->value(), down->maximum());
        QCOMPARE(upper.Lines().size(), 31);
    }
};

QTEST_MAIN(DeviceManagerTest)
#include "DeviceManagerTest.moc"
