// The search window, the device editor and data reception as the operator drives them from the
// windows, against simulated Hexar and Dorma controllers on pseudo-terminals.

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QTimer>

#include "acquisition/ui/AcquisitionRig.h"
#include "support/Widgets.h"
#include "acquisition/ui/TfrmMAC.h"
#include "model/Cp1251.h"
#include "model/Formats.h"
#include "views/ui/Chart.h"

using namespace drumo;
using drumo::test::Child;
using drumo::test::AcquisitionRig;

namespace {

// Lets the background receive and the simulator's thread work until cond holds or 5 s passed.
template <class C>
bool WaitFor(C cond) {
    QElapsedTimer timer;
    timer.start();
    while (!cond() && timer.elapsed() < 5000) QTest::qWait(10);
    return cond();
}

}  // namespace

class SearchWindowTest : public QObject {
    Q_OBJECT

private slots:
    void hexarSearchFromTheWindowFillsGridStatusAndMainWindow() {
        AcquisitionRig rig;
        sim::SimLine& line = rig.Serve(3, "hexar100");
        const int sensors = rig.Locked(line, [&] { return static_cast<int>(line.Command->Device().Measured().size()); });
        rig.Controls(0);
        rig.Find().ShowSearchWindow(false);
        rig.Click(rig.Find(), "btnStart");

        QCOMPARE(rig.store.DeviceCount(), 1);
        QCOMPARE(rig.Find().StatusText(), QString("Поиск завершен. Приборов 1. Термокос 1. Датчиков %1").arg(sensors));
        QCOMPARE(rig.Find().PortText(), QString("Порт: 3"));
        QCOMPARE(rig.scanM.ListedRows(), 1);
        QCOMPARE(rig.scanM.Cell(1, 1), QString("Hexar-1/100"));
        QCOMPARE(rig.scanM.Cell(1, 4), QString::number(sensors));
        QCOMPARE(rig.scanM.SelectedRow(), 1);
        QCOMPARE(rig.main.StatusText(),
                 QString("\\\\.\\Com3: Приборов 1. Термокос 1. Датчиков %1").arg(sensors));
        QCOMPARE(Child<Lamp>(rig.main, "LEDRequest").Colour(), QColor(Qt::green));
        QCOMPARE(rig.main.PanelValue("lblType"), QString("Hexar-1/100"));
        QCOMPARE(rig.main.TableRows(), sensors + 1);
        QVERIFY(rig.LogHas(" > Поиск завершен. Приборов 1."));
        // A command-protocol search offers no Modbus change commands.
        QVERIFY(!rig.scanM.PopupMenu()->actions().at(0)->isEnabled());
    }

    void modbusSearchListsEveryStationAndOffersTheChangeCommands() {
        AcquisitionRig rig;
        rig.Serve(3, "dorma-bus");
        rig.Controls(1);
        rig.Find().ShowSearchWindow(false);
        rig.Find().RunSearch();

        QCOMPARE(rig.store.DeviceCount(), 3);
        QCOMPARE(rig.scanM.ListedRows(), 1 + 2 + 6);
        QCOMPARE(rig.scanM.Cell(1, 0), QString("1"));
        QCOMPARE(rig.scanM.Cell(2, 0), QString("2"));
        QCOMPARE(rig.scanM.Cell(3, 1), QString("—>"));
        QVERIFY(rig.scanM.isVisible());  // several devices show the device manager
        for (int i = 0; i < 3; ++i) QVERIFY(rig.scanM.PopupMenu()->actions().at(i)->isEnabled());
        QCOMPARE(rig.Find().AddressText(), QString("Адрес:"));
        QCOMPARE(rig.Find().Progress()->value(), 0);
    }

    void stoppingTheSearchDuringTheScanLeavesAnEmptyStore() {
        AcquisitionRig rig;
        rig.Serve(3, "dorma-bus");
        rig.Controls(1, 1, 247);
        rig.Find().ShowSearchWindow(false);
        // The operator's click arrives with the first pending events of the scan.
        QTimer::singleShot(0, &rig.Find(), [&] { rig.Click(rig.Find(), "btnStop"); });
        rig.Find().RunSearch();

        QCOMPARE(rig.Find().StatusText(), QString("Поиск прерван оператором"));
        QCOMPARE(rig.store.Devices(), size_t(0));
        QCOMPARE(rig.scanM.ListedRows(), 0);
        QVERIFY(rig.LogHas(" > Поиск прерван оператором"));
        QVERIFY(!rig.Find().Searching());
    }

    void stopAndExitClosesTheWindowAndEndsTheSearch() {
        AcquisitionRig rig;
        rig.Serve(3, "dorma-bus");
        rig.Controls(1, 1, 247);
        rig.Find().ShowSearchWindow(false);
        QTimer::singleShot(0, &rig.Find(), [&] { rig.Click(rig.Find(), "btnStopExit"); });
        rig.Find().RunSearch();
        QVERIFY(!rig.Find().isVisible());
        QCOMPARE(rig.store.Devices(), size_t(0));
    }

    void linkTestCountsAnsweredAndMissedRequestsAndDrawsBothLines() {
        AcquisitionRig rig;
        rig.Serve(3, "dorma-bus");
        rig.Controls(1);
        rig.Find().SetLinkTest(true);
        QVERIFY(rig.Find().LinkTestOn());
        for (int i = 0; i < 3; ++i) rig.Find().LinkTestTick();
        QCOMPARE(rig.Find().AnsweredText(), QString("3"));
        QCOMPARE(rig.Find().MissedText(), QString("0"));
        QCOMPARE(rig.Find().QualityText(), QString("1.000"));

        SearchControls c = rig.Find().Controls();
        c.TestModbusAddr = 9;  // nobody answers there
        rig.Find().SetControls(c);
        rig.Find().LinkTestTick();
        QCOMPARE(rig.Find().MissedText(), QString("1"));
        QCOMPARE(rig.Find().QualityText(), QString("0.750"));

        Chart& chart = rig.Find().Chart();
        QCOMPARE(chart.PointCount(0), 4);
        QCOMPARE(chart.PointCount(1), 4);
        QCOMPARE(chart.LineColour(0), QColor(Qt::blue));
        double t, overall, recent;
        QVERIFY(chart.LastPoint(0, t, overall));
        QVERIFY(chart.LastPoint(1, t, recent));
        QCOMPARE(float(overall), 0.75f);  // the chart keeps its own points as floats
        QCOMPARE(float(recent), 0.3f);    // three answers among the last ten
        // The time axis spans the 60 seconds from the start.
        QVERIFY(std::abs((chart.AxisMax(ChartAxis::Bottom) - chart.AxisMin(ChartAxis::Bottom)) * 86400 - 60) < 0.01);

        rig.Find().SetLinkTest(false);
        QVERIFY(!rig.Find().LinkTestOn());
        QVERIFY(rig.station.Port().Connected);  // the port stays open
    }

    void linkTestKeepsOffTheLineWhileSearchOrReceptionUseIt() {
        AcquisitionRig rig;
        rig.Serve(3, "dorma-bus");
        rig.Controls(1);
        rig.Find().SetLinkTest(true);
        // A tick that falls between two addresses of a search sends nothing and counts nothing.
        int counted = -1;
        QTimer::singleShot(0, &rig.Find(), [&] {
            rig.Find().LinkTestTick();
            counted = rig.Find().Test().Answered() + rig.Find().Test().Missed();
        });
        rig.Find().RunSearch();
        QCOMPARE(counted, 0);
        QCOMPARE(rig.store.DeviceCount(), 3);

        rig.Find().SetLinkTest(true);
        rig.main.Action("actStart")->trigger();
        QVERIFY(rig.store.Receiving());
        QVERIFY(!rig.Find().LinkTestOn());
    }

    void linkTestOnAPortThatCannotOpenReportsItAndStaysOff() {
        AcquisitionRig rig;
        rig.Controls(1);
        SearchControls c = rig.Find().Controls();
        c.PortDefault = 9;
        rig.Find().SetControls(c);
        rig.Click(rig.Find(), "btnApply");  // the test opens the default port in use
        rig.Find().SetLinkTest(true);
        QVERIFY(!rig.Find().LinkTestOn());
        QCOMPARE(rig.op.Shown().back(), std::string("error: Порт \\\\.\\Com9 недоступен"));
        QVERIFY(!rig.Find().findChild<QCheckBox*>("CBTest")->isChecked());
    }

    void receptionFromTheMainWindowPollsIntoTheTableAndStops() {
        AcquisitionRig rig;
        rig.Serve(3, "dorma-bus");
        rig.Controls(1);
        rig.Find().RunSearch();
        QCOMPARE(rig.scanM.SelectedRow(), 1);

        rig.main.Action("actStart")->trigger();
        QVERIFY(rig.store.Receiving());
        QVERIFY(rig.station.Scheduler().PollingTimerOn());
        QVERIFY(rig.station.Scheduler().UpdateTimerOn());
        QCOMPARE(rig.store.SampleCount(0, 0), size_t(1));
        QCOMPARE(rig.store.SelSamples(), 1u);
        const Temperature v = rig.store.Samples(0, 0, 0)[0];
        QVERIFY(v != NoValue);
        QCOMPARE(rig.main.TableCell(2, 1), " " + QString::fromStdString(HundredthsText(v)));
        QVERIFY(rig.LogHas(" > Получен пакет данных "));
        QVERIFY(!Child<Lamp>(rig.main, "LEDRequest").Lit());  // out again after the pass

        // The next pass runs when the polling timer is due.
        QVERIFY(rig.station.Scheduler().Step(rig.station.NowMs() + rig.station.PollingInterval()).Pass);
        QCOMPARE(rig.store.SampleCount(0, 0), size_t(2));

        rig.main.Action("actStop")->trigger();
        QVERIFY(!rig.store.Receiving());
        QVERIFY(!rig.station.Scheduler().PollingTimerOn());
        QVERIFY(!rig.station.Scheduler().UpdateTimerOn());
        QCOMPARE(Child<QLabel>(rig.main, "LblRequest").text(), QString("00:00:00"));
    }

    void alarmLimitsFromTheSettingsFillTheAlarmWindows() {
        AcquisitionRig rig;
        rig.Serve(3, "dorma-bus");
        rig.Controls(1);
        rig.Find().RunSearch();
        rig.settings.Main.AlarmTMax = -100.0;  // every reading is above
        rig.settings.Main.AlarmTMin = 200.0;   // and below
        rig.main.Action("actStart")->trigger();
        QVERIFY(rig.alarmMax.isVisible());
        QVERIFY(rig.alarmMin.isVisible());
        // One line per cable with readings in the pass, each for its own address and cable.
        const QStringList upper = rig.alarmMax.Lines();
        QVERIFY(upper.size() >= 3);
        QVERIFY(upper.first().contains(" > Адрес: 1 Термокоса: 1 Макс. температура: "));
        QVERIFY(rig.alarmMin.Lines().first().contains(" > Адрес: 1 Термокоса: 1 Мин. температура: "));
    }

    void hexarStreamReceptionShowsEachClosedSample() {
        AcquisitionRig rig;
        sim::SimLine& line = rig.Serve(3, "hexar100");
        rig.Controls(0);
        rig.Find().RunSearch();
        QCOMPARE(rig.store.DeviceCount(), 1);
        rig.main.Action("actStart")->trigger();
        QVERIFY(rig.store.Receiving());
        QVERIFY(!rig.station.Scheduler().PollingTimerOn());  // a stream is not polled
        rig.Locked(line, [&] {
            line.Command->Streaming = true;
            line.Command->StreamPeriodMs = 3600000;
            line.Command->StreamNow();
            return 0;
        });
        // The main window's background receive feeds the frames to the reception.
        QVERIFY(WaitFor([&] {
            return rig.store.SampleCount(0, 0) == 1 && rig.wiring.Receiver().StreamSampleClosed();
        }));
        QCOMPARE(rig.store.SelSamples(), 1u);
        QVERIFY(rig.main.TableCell(2, 1).startsWith(' '));
        QVERIFY(rig.main.TableCell(2, 1) != QString(" Error!"));
        QVERIFY(rig.LogHas(" > Получен пакет данных "));
    }

    void editorWritesTheCommentAndRefusesAnAddressInUse() {
        AcquisitionRig rig;
        sim::SimLine& line = rig.Serve(3, "dorma-bus");
        rig.Controls(1);
        rig.Find().RunSearch();
        QCOMPARE(rig.store.SelDevice(), 0);

        TfrmMAC& mac = rig.wiring.Editor();
        mac.Prepare(EditMode::Comment, rig.scanM.Cell(1, 5), 3);
        QVERIFY(mac.CommentBox()->isEnabled());
        QVERIFY(!mac.AddressBox()->isEnabled());
        QVERIFY(!mac.SpeedBox()->isEnabled());
        mac.CommentBox()->setText("Цех 5");
        QVERIFY(mac.Apply());
        const QString padded = QString("Цех 5") + QString(27, ' ');
        QCOMPARE(rig.scanM.Cell(1, 5), padded);
        QCOMPARE(rig.Locked(line, [&] { return line.Dormas[0]->Comment(); }),
                 Utf8ToCp1251(padded.toStdString()));
        QVERIFY(rig.LogHas(" > Комментарии к 1 изменены на: Цех 5"));

        mac.Prepare(EditMode::Address, rig.scanM.Cell(1, 5), 3);
        QCOMPARE(mac.AddressBox()->value(), 1);
        mac.AddressBox()->setValue(2);
        QVERIFY(!mac.Apply());
        QCOMPARE(rig.op.Shown().back(), std::string("error: Адрес уже занят!"));
        QCOMPARE(rig.store.DevSig(0).Address, 1);

        mac.AddressBox()->setValue(7);
        QVERIFY(mac.Apply());
        QCOMPARE(rig.scanM.Cell(1, 0), QString("7"));
        QCOMPARE(rig.Locked(line, [&] { return int(line.Dormas[0]->Address()); }), 7);
    }

    void speedChangeReachesEveryStationAndThenTheProgramsOwnLine() {
        AcquisitionRig rig;
        rig.Serve(3, "dorma-bus");
        rig.Controls(1);
        rig.Find().RunSearch();
        TfrmMAC& mac = rig.wiring.Editor();
        mac.Prepare(EditMode::Speed, QString(), rig.Find().Controls().BaudItem);
        QCOMPARE(mac.SpeedBox()->currentIndex(), 3);
        mac.SpeedBox()->setCurrentIndex(4);
        QVERIFY(mac.Apply());
        for (int address = 1; address <= 3; ++address)
            QVERIFY(rig.LogHas(QString(" > Скорость обмена по адресу %1 изменена на 38400 bit/s").arg(address)));
        QCOMPARE(rig.Find().Controls().BaudItem, 4);  // the search window shows the new speed
        QCOMPARE(rig.wiring.SearchSettingsInUse().BaudRate, 38400);
        QCOMPARE(rig.station.Port().BaudRate, 38400);
    }

    void editorChangesNothingWhileASearchHoldsTheLine() {
        AcquisitionRig rig;
        rig.Serve(3, "dorma-bus");
        rig.Controls(1);
        rig.Find().RunSearch();
        TfrmMAC& mac = rig.wiring.Editor();
        mac.Prepare(EditMode::Speed, QString(), rig.Find().Controls().BaudItem);
        mac.SpeedBox()->setCurrentIndex(4);
        int applied = -1;
        QTimer::singleShot(0, &rig.Find(), [&] { applied = mac.Apply() ? 1 : 0; });
        rig.Find().RunSearch();
        QCOMPARE(applied, 0);
        QVERIFY(!rig.LogHas(" > Скорость обмена по адресу"));
        QCOMPARE(rig.wiring.SearchSettingsInUse().BaudRate, 19200);
        QCOMPARE(rig.store.DeviceCount(), 3);
        QVERIFY(mac.Apply());  // the line is free again once the search is over
        QCOMPARE(rig.wiring.SearchSettingsInUse().BaudRate, 38400);
    }

    void switchingTheHexarOffLeavesOnlyTheFirmwareCommand() {
        AcquisitionRig rig;
        rig.Serve(3, "hexar100");
        rig.Controls(0);
        rig.Find().RunSearch();
        rig.main.ShowDeviceActions();
        QVERIFY(rig.main.Action("actPowerOff")->isVisible());
        rig.main.Action("actPowerOff")->trigger();
        QCOMPARE(rig.store.DeviceCount(), 0);
        QVERIFY(!rig.station.Port().Connected);  // it was the only device
        QVERIFY(!rig.main.Action("actPowerOff")->isVisible());
        QVERIFY(rig.main.Action("actFirmware")->isVisible());
    }
};

QTEST_MAIN(SearchWindowTest)
#include "SearchWindowTest.moc"
