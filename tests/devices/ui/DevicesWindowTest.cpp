// The device set-up windows over the station the program builds, against simulated controllers on
// pseudo-terminals found by the program's own search: which dialog each command opens, the
// dialogs' texts, list rules and round trips, and the firmware window.

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSpinBox>
#include <QStatusBar>
#include <QTextBlock>
#include <QTimer>
#include <QtTest>

#include <cstdlib>
#include <fstream>

#include "app/DeviceActions.h"
#include "app/ui/DesktopStation.h"
#include "devices/ui/DeviceDialog.h"
#include "app/ui/DevicesWiring.h"
#include "devices/ui/SerialDialogs.h"
#include "devices/ui/SettingsDialogs.h"
#include "devices/ui/TfrmModbusFWUpd.h"
#include "sim/Faults.h"
#include "sim/Presets.h"
#include "sim/SimClock.h"
#include "support/ScriptedOperator.h"
#include "support/StoreFill.h"
#include "support/Widgets.h"

namespace drumo::test {

struct DevicesRig {
    ScriptedOperator op{Unscripted::Yes};
    DesktopStation desktop{op};
    Station& station = desktop.Get();
    MeasurementStore& store = station.Store();
    QWidget main;
    sim::ManualClock simClock;
    DevicesWiring wiring{station, op, simClock, main};
    sim::SimLine line;

    DevicesRig() {
        station.UseSettings(DefaultSettings("/tmp"));
        main.setGeometry(100, 100, 900, 700);
        main.show();
    }
    ~DevicesRig() {
        station.Bus().Disconnect();
        if (line.Line) line.Line->Close();
        unsetenv("DRUMO_PORTS");
    }
    // Serves the preset as port 3 and searches it as the operator would.
    bool Find(const std::string& preset, ExchangeProtocol protocol) {
        std::string error;
        auto built = sim::BuildLine(*sim::PresetConfig(preset), simClock, error);
        if (!built || !built->Line->Open()) return false;
        if (built->Command) built->Command->Streaming = false;
        built->Line->Start();
        line = std::move(*built);
        setenv("DRUMO_PORTS", ("3=" + line.Line->SlavePath()).c_str(), 1);
        SearchSettings s;
        s.Protocol = protocol;
        s.PortDefault = 3;
        s.FindFinishAddr = 3;
        s.AdditionalDelay = 400;
        return station.RunSearch(s);
    }
    template <class F>
    auto Device(F&& f) {
        return line.Line->With(std::forward<F>(f));
    }
    static void Click(QWidget& window, const char* name) { Child<QAbstractButton>(window, name).click(); }
};

class DevicesWindowTest : public QObject {
    Q_OBJECT
private slots:
    void EachCommandOpensTheDialogOfTheModelItOffers();
    void DialogsAreModelessOnTopAndCentred();
    void DormaSettingsTestItemsAndTakenAddress();
    void DormaSettingsAreWrittenOnlyAfterACompleteReadAndKeepUnlistedValues();
    void Hexar100ListsAreCoupledAndTheSupplyShown();
    void SerialNumberDialogsWriteWhatTheyShow();
    void FirmwareWindowIdentifiesLoadsAndCancels();
};

void DevicesWindowTest::EachCommandOpensTheDialogOfTheModelItOffers() {
    DevicesRig rig;
    DeviceSpec device;
    device.Address = 1;
    for (int pos = 0; pos < DeviceTypeCount; ++pos) {
        device.TypePos = pos;
        rig.store.SetDeviceCount(0);
        rig.store.DeviceSwitchedOff();
        AddDevice(rig.store, device);
        rig.store.Select(0, 0);
        const DeviceActionSet set = DeviceActionsFor(DeviceActionInputOf(rig.store));
        const QString name = QString::fromLatin1(DeviceTypes[pos].Name.data(), DeviceTypes[pos].Name.size());
        QVERIFY2(set.Settings == (rig.wiring.SettingsDialog() != nullptr), qPrintable(name));
        QVERIFY2(set.Serial == (rig.wiring.SerialDialog() != nullptr), qPrintable(name));
        QCOMPARE(set.Firmware, (DeviceTypes[pos].Caps & capFirmware) != 0);
    }
    rig.store.DeviceSwitchedOff();
    QVERIFY(DeviceActionsFor(DeviceActionInputOf(rig.store)).Firmware);
}

void DevicesWindowTest::DialogsAreModelessOnTopAndCentred() {
    DevicesRig rig;
    QWidget* windows[] = {&rig.wiring.Hexar16Set(), &rig.wiring.Hexar100Set(), &rig.wiring.DormaSet(),
                          &rig.wiring.Serial96(), &rig.wiring.DormaSerial(), &rig.wiring.Firmware()};
    const QString captions[] = {"Настройки прибора", "Настройки прибора", "Настройки прибора",
                                "Серийный номер",    "Серийный номер",    "Update firmware"};
    for (int i = 0; i < 6; ++i) {
        QCOMPARE(windows[i]->windowTitle(), captions[i]);
        QVERIFY(windows[i]->windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(!windows[i]->isModal());
    }
    rig.op.fallback = false;
    rig.wiring.DormaSet().ShowDialog();  // no port: the read fails with its message, the dialog stays
    QVERIFY(rig.wiring.DormaSet().isVisible());
    QCOMPARE(rig.op.Shown().size(), size_t{1});
    const QPoint off = rig.wiring.DormaSet().frameGeometry().center() - rig.main.frameGeometry().center();
    QVERIFY2(off.manhattanLength() <= 2, qPrintable(QString("%1 %2").arg(off.x()).arg(off.y())));
}

void DevicesWindowTest::DormaSettingsTestItemsAndTakenAddress() {
    DevicesRig rig;
    QVERIFY(rig.Find("dorma-bus", ExchangeProtocol::Modbus));
    rig.store.Select(1, 0);
    TfrmModbusDormaSet& dialog = rig.wiring.DormaSet();
    rig.wiring.OpenSettings();
    QVERIFY(rig.op.Shown().empty());
    QCOMPARE(Child<QSpinBox>(dialog, "SEAddress").value(), 2);
    QCOMPARE(Child<QComboBox>(dialog, "CBSpeed").currentText(), QString("19200 bit/s *"));
    auto& period = Child<QComboBox>(dialog, "CBPeriod");
    auto& autoSave = Child<QComboBox>(dialog, "CBAutoSavePeriod");
    QCOMPARE(period.currentText(), QString("60 секунд *"));
    QVERIFY(Child<QLabel>(dialog, "LBInside").text().endsWith("°C"));
    period.setCurrentIndex(2);
    emit period.activated(0);  // the operator picks "10 секунд (тест)"
    QCOMPARE(period.currentText(), QString("60 секунд *"));
    emit autoSave.activated(0);
    QCOMPARE(autoSave.currentText(), QString("24 часа *"));
    QTest::mouseDClick(&Child<QWidget>(dialog, "CornerSpot"), Qt::LeftButton);
    QVERIFY(dialog.TestItemsUnlocked());
    period.setCurrentIndex(0);
    emit period.activated(0);
    QCOMPARE(period.currentIndex(), 0);

    // Another device of the list has address 3.
    Child<QSpinBox>(dialog, "SEAddress").setValue(3);
    QVERIFY(!dialog.Apply());
    QCOMPARE(rig.op.Shown(), std::vector<std::string>{"error: Адрес уже занят!"});
    QVERIFY(dialog.isVisible());
    Child<QSpinBox>(dialog, "SEAddress").setValue(2);
    Child<QSpinBox>(dialog, "SEDelay").setValue(9);
    QVERIFY(dialog.Apply());
    QVERIFY(!dialog.isVisible());
    const auto stored = rig.Device([&] { return rig.line.Dormas[1]->Settings(); });
    QCOMPARE(stored[3], uint16_t{0});
    QCOMPARE(stored[8], uint16_t{9});
    // Shown again, the lock is on again.
    rig.wiring.OpenSettings();
    QVERIFY(!dialog.TestItemsUnlocked());
    rig.Click(dialog, "btnCancel");
    QVERIFY(!dialog.isVisible());
}

void DevicesWindowTest::DormaSettingsAreWrittenOnlyAfterACompleteReadAndKeepUnlistedValues() {
    DevicesRig rig;
    QVERIFY(rig.Find("dorma-bus", ExchangeProtocol::Modbus));
    rig.store.Select(1, 0);
    sim::Dorma& device = *rig.line.Dormas[1];
    TfrmModbusDormaSet& dialog = rig.wiring.DormaSet();
    auto& apply = Child<QAbstractButton>(dialog, "btnApply");
    // The device is silent while the dialog reads, and answers again when "Применить" is pressed.
    rig.Device([&] { device.Faults().Set(*sim::ParseFault("silence")); return 0; });
    rig.wiring.OpenSettings();
    QCOMPARE(rig.op.Shown().size(), size_t{1});
    QVERIFY(!apply.isEnabled());
    rig.Device([&] {
        device.Faults().Clear();
        device.StrictSpeed = false;
        device.SetSettings({2, 1, 2, 9, 1, 4, 0, 0, 120});
        return 0;
    });
    QVERIFY(!dialog.Apply());
    QCOMPARE(rig.Device([&] { return device.Settings()[3]; }), uint16_t{9});  // the dialog's defaults stay out

    // Read now: the values the lists and fields do not have are shown marked and go back unchanged.
    rig.op.Clear();
    rig.wiring.OpenSettings();
    QVERIFY(rig.op.Shown().empty());
    QVERIFY(apply.isEnabled());
    QCOMPARE(Child<QComboBox>(dialog, "CBSpeed").currentText(), QString("2 (нет в списке)"));
    QCOMPARE(Child<QComboBox>(dialog, "CBPeriod").currentText(), QString("9 (нет в списке)"));
    QCOMPARE(Child<QSpinBox>(dialog, "SEDelay").text(), QString("120 (вне диапазона)"));
    Child<QAbstractButton>(dialog, "CBHeating").click();
    QVERIFY(dialog.Apply());
    QCOMPARE(rig.Device([&] { return device.Settings(); }), (std::array<uint16_t, 9>{2, 1, 2, 9, 1, 4, 0, 1, 120}));
}

void DevicesWindowTest::Hexar100ListsAreCoupledAndTheSupplyShown() {
    DevicesRig rig;
    QVERIFY(rig.Find("hexar100", ExchangeProtocol::Command));
    QCOMPARE(int{rig.store.DevSig(0).DevType}, 101);
    TfrmHexar100Set& dialog = rig.wiring.Hexar100Set();
    // The device's own pair, auto-write more often than it measures, is shown as it is.
    rig.Device([&] {
        rig.line.Command->Device().Settings100[0] = 6;
        return rig.line.Command->Device().Settings100[3] = 2;
    });
    rig.wiring.OpenSettings();
    QVERIFY(rig.op.Shown().empty());
    QCOMPARE(Child<QLabel>(dialog, "LBSupply").text(), QString("12 V"));
    auto& period = Child<QComboBox>(dialog, "CBPeriod");
    auto& autoWrite = Child<QComboBox>(dialog, "CBAutoWrite");
    QCOMPARE(autoWrite.currentIndex(), 2);
    period.setCurrentIndex(6);
    autoWrite.setCurrentIndex(3);
    QCOMPARE(autoWrite.currentText(), QString("5 минут"));
    autoWrite.setCurrentIndex(0);
    QCOMPARE(autoWrite.currentText(), QString("отключено"));
    autoWrite.setCurrentIndex(8);
    rig.Click(dialog, "btnApply");
    QVERIFY(!dialog.isVisible());
    const auto stored = rig.Device([&] { return rig.line.Command->Device().Settings100; });
    QCOMPARE(int{stored[0]}, 6);
    QCOMPARE(int{stored[3]}, 8);
}

void DevicesWindowTest::SerialNumberDialogsWriteWhatTheyShow() {
    DevicesRig rig;
    QVERIFY(rig.Find("dorma-bus", ExchangeProtocol::Modbus));
    rig.store.Select(2, 0);
    TfrmModbusDormaSerial& dorma = rig.wiring.DormaSerial();
    rig.wiring.OpenSerial();
    QVERIFY(dorma.isVisible());
    const uint16_t type = rig.Device([&] { return rig.line.Dormas[2]->Identity().Type; });
    QCOMPARE(Child<QComboBox>(dorma, "CBType").currentText().left(3), QString::number(type));
    Child<QComboBox>(dorma, "CBType").setCurrentIndex(2);
    QCOMPARE(Child<QComboBox>(dorma, "CBType").currentText(), QString("102: reserved"));
    Child<QSpinBox>(dorma, "SESerial").setValue(4321);
    const int listed = rig.store.DevSig(2).Serial;
    QVERIFY(dorma.Apply());
    QCOMPARE(rig.Device([&] { return rig.line.Dormas[2]->Identity().Type; }), uint16_t{102});
    QCOMPARE(rig.Device([&] { return rig.line.Dormas[2]->Identity().Serial; }), uint16_t{4321});
    QCOMPARE(int{rig.store.DevSig(2).Serial}, listed);  // the list shows it after the next search
}

void DevicesWindowTest::FirmwareWindowIdentifiesLoadsAndCancels() {
    DevicesRig rig;
    QVERIFY(rig.Find("dorma-bus", ExchangeProtocol::Modbus));
    rig.store.Select(1, 0);
    rig.station.StartReception();
    QVERIFY(rig.store.Receiving());
    TfrmModbusFWUpd& window = rig.wiring.Firmware();
    rig.main.setGeometry(100, 20, 600, 120);  // a main window lower than the firmware window
    rig.wiring.OpenFirmware();
    QVERIFY(!rig.store.Receiving());
    QCOMPARE(Child<QStatusBar>(window, "sbStatus").currentMessage(), QString("Device connected (2)"));
    QVERIFY(Child<QLabel>(window, "lbType").text().startsWith("Dorma-"));
    auto& boot = Child<QAbstractButton>(window, "tsBoot");
    QVERIFY(boot.isEnabled());
    QVERIFY(!boot.isChecked());
    boot.click();
    QVERIFY(rig.Device([&] { return rig.line.Dormas[1]->Boot().Active(); }));
    window.Engine().BootCountdownTick();
    QCOMPARE(Child<QLabel>(window, "lbTime").text(), QString("00:00:34"));

    // Opened on a screen: its title bar within reach.
    QVERIFY(window.frameGeometry().top() >= window.screen()->availableGeometry().top());
    // Nothing loaded yet, or a file that ends at page 3: nothing to write or compare.
    auto& write = Child<QWidget>(window, "btnWrite");
    QVERIFY(!write.isEnabled());
    const QString shortFile = QDir::temp().filePath(QString("drumo-ui-fw-short-%1.bin").arg(getpid()));
    std::ofstream(shortFile.toStdString(), std::ios::binary) << std::string(768, 'x');
    QVERIFY(!window.LoadFile(shortFile));
    QVERIFY(!write.isEnabled());
    QVERIFY(!Child<QWidget>(window, "btnVerify").isEnabled());
    QCOMPARE(Child<QStatusBar>(window, "sbStatus").currentMessage(), QString("Process aborted!"));
    QCOMPARE(rig.op.Shown(), std::vector<std::string>{"error: Сбой при загрузке страницы 3"});
    rig.op.Clear();
    QFile::remove(shortFile);

    const QString file = QDir::temp().filePath(QString("drumo-ui-fw-%1.bin").arg(getpid()));
    {
        std::ofstream out(file.toStdString(), std::ios::binary);
        for (int i = 0; i < 126976; ++i) out.put(static_cast<char>(i % 251));
    }
    QVERIFY(window.LoadFile(file));
    QCOMPARE(Child<QPlainTextEdit>(window, "mmDump").document()->blockCount(), 496 * 16);
    QCOMPARE(Child<QPlainTextEdit>(window, "mmDump").document()->findBlockByNumber(1).text(),
             QString("000010  10 11 12 13 14 15 16 17 18 19 1A 1B 1C 1D 1E 1F "));
    QCOMPARE(Child<QStatusBar>(window, "sbStatus").currentMessage(), file);
    QVERIFY(write.isEnabled());
    // The cancel button, pressed while the write runs.
    QTimer::singleShot(0, &window, [&] { DevicesRig::Click(window, "btnAbort"); });
    DevicesRig::Click(window, "btnWrite");
    QCOMPARE(Child<QStatusBar>(window, "sbStatus").currentMessage(), QString("Process aborted!"));
    QVERIFY(!window.Engine().Busy());
    QVERIFY(rig.op.Shown().empty());
    QFile::remove(file);
}

}  // namespace drumo::test

QTEST_MAIN(drumo::test::DevicesWindowTest)
#include "DevicesWindowTest.moc"
