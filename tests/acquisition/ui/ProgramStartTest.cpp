// The whole program with its acquisition and archive commands wired: the automatic search at
// start-up finds the simulated controller, the search settings survive closing, and an archive
// file named on the command line opens. DRUMO_HOME points at a fresh folder.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <cstdlib>
#include <optional>

#include "app/ui/ProgramWiring.h"
#include "acquisition/ui/TfrmFind.h"
#include "acquisition/ui/TfrmScanM.h"
#include "app/ui/Shell.h"
#include "support/StoreFill.h"
#include "app/ui/TfrmMain.h"
#include "app/ui/TfrmProgSet.h"
#include "files/ArchiveReader.h"
#include "sim/Presets.h"
#include "sim/SimClock.h"
#include "support/QuietHexar.h"
#include "support/ScriptedOperator.h"
#include "support/Widgets.h"

using namespace drumo;
using drumo::test::Child;

using drumo::test::QuietHexar100;

class ProgramStartTest : public QObject {
    Q_OBJECT

    QTemporaryDir home_;
    QString Ini() const { return home_.filePath("ini/ProgSet.ini"); }
    void WriteIni(const QByteArray& text) {
        QDir().mkpath(home_.filePath("ini"));
        QFile file(Ini());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

private slots:
    void initTestCase() {
        QVERIFY(home_.isValid());
        qputenv("DRUMO_HOME", home_.path().toLocal8Bit());
        qputenv("DRUMO_NO_OPEN", "1");
    }

    void automaticSearchAtStartFindsTheControllerAndClosingKeepsTheSettings() {
        sim::ManualClock simClock;
        std::string error;
        auto line = QuietHexar100(simClock, error);
        QVERIFY2(line, error.c_str());
        setenv("DRUMO_PORTS", ("3=" + line->Line->SlavePath() + ",4=/nonexistent/tty4").c_str(), 1);
        WriteIni("[Find]\r\nProtocol=0\r\nPortDefault=3\r\nAutoPortEnabled=0\r\nAutoFindEnabled=1\r\n"
                 "TestModbusAddr=7\r\n");

        test::ScriptedOperator op{test::Unscripted::Yes};
        {
            Shell shell({}, &op);
            ProgramWiring wiring(shell);
            shell.Show();
            QCOMPARE(shell.Store().DeviceCount(), 1);
            QCOMPARE(shell.Store().DevSig(0).TypeName, std::string("Hexar-1/100"));
            QVERIFY(shell.Main().StatusText().startsWith("\\\\.\\Com3: Приборов 1."));
            TfrmFind& find = wiring.Acquisition().Find();
            QCOMPARE(find.Controls().TestModbusAddr, 7);
            // The window closes itself a second after the automatic search.
            QTRY_VERIFY_WITH_TIMEOUT(!find.isVisible(), 3000);
            QVERIFY(shell.Main().Action("actStart")->isEnabled());

            SearchControls c = find.Controls();
            c.ProtocolItem = 1;
            c.PortDefault = 4;
            find.SetControls(c);
            find.ApplySearchSettings();
            QVERIFY(shell.Main().close());
        }
        line->Line->Close();
        unsetenv("DRUMO_PORTS");
        QFile file(Ini());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray ini = file.readAll();
        QVERIFY(ini.contains("Protocol=1\r\n"));
        QVERIFY(ini.contains("PortDefault=4\r\n"));
        QVERIFY(ini.contains("TestModbusAddr=7\r\n"));
        QFile::remove(Ini());
    }

    void alarmLimitsAppliedInTheSettingsDialogReachReceptionAtOnce() {
        unsetenv("DRUMO_PORTS");
        WriteIni("[Find]\r\nAutoFindEnabled=0\r\n");
        test::ScriptedOperator op{test::Unscripted::Yes};
        Shell shell({}, &op);
        ProgramWiring wiring(shell);
        shell.Show();
        shell.ProgSet().TMaxBox()->setValue(55.5);
        shell.ProgSet().TMinBox()->setValue(-12.5);
        shell.ProgSet().Apply();
        // A Hexar's stream has no polling pass that would pick the limits up later.
        QCOMPARE(wiring.Acquisition().Receiver().AlarmTMax(), 55.5);
        QCOMPARE(wiring.Acquisition().Receiver().AlarmTMin(), -12.5);
        QFile::remove(Ini());
    }

    void autoSavePeriodChangedDuringReceptionTakesEffectAtOnce() {
        unsetenv("DRUMO_PORTS");
        WriteIni("[Main]\r\nAutoSaveEnabled=1\r\nAutoSaveIndex=4\r\n[Find]\r\nAutoFindEnabled=0\r\n");
        test::ScriptedOperator op;
        Shell shell({}, &op);
        ProgramWiring wiring(shell);
        shell.Show();
        AutoSaveHooks& reception = wiring.Files().Hooks();
        reception.Start();
        reception.DisplayTick();
        QVERIFY(Child<QLabel>(shell.Main(), "LblSave").text() > QString("00:04:50"));
        shell.ProgSet().AutoSaveList()->setCurrentIndex(0);  // 20 seconds
        shell.ProgSet().Apply();
        // Schedule and countdown follow before the next polling pass.
        QCOMPARE(wiring.Files().AutoSaver().PeriodSeconds(), 20);
        reception.DisplayTick();
        QVERIFY(Child<QLabel>(shell.Main(), "LblSave").text() <= QString("00:00:20"));
        QCOMPARE(Child<QProgressBar>(shell.Main(), "PBSave").maximum(), 20);
        reception.Stop();
        QFile::remove(Ini());
    }

    void terminationSignalDuringReceptionWritesAutoSaveAndSettings() {
        sim::ManualClock simClock;
        std::string error;
        auto line = QuietHexar100(simClock, error);
        QVERIFY2(line, error.c_str());
        setenv("DRUMO_PORTS", ("3=" + line->Line->SlavePath()).c_str(), 1);
        // A day-long period: no auto-save falls due on its own during the test.
        WriteIni("[Main]\r\nAutoSaveEnabled=1\r\nAutoSaveIndex=13\r\n[Find]\r\nProtocol=0\r\n"
                 "PortDefault=3\r\nAutoPortEnabled=0\r\nAutoFindEnabled=1\r\n");
        test::ScriptedOperator op;
        for (int i = 0; i < 4; ++i) op.Answer(false);  // a question would keep the program open
        std::string autoSaveFile;
        {
            Shell shell({}, &op);
            ProgramWiring wiring(shell);
            shell.EndOnTerminationSignals();
            shell.Show();
            QCOMPARE(shell.Store().DeviceCount(), 1);
            QTRY_VERIFY_WITH_TIMEOUT(!wiring.Acquisition().Find().isVisible(), 3000);
            shell.ProgSet().TMaxBox()->setValue(55.5);
            shell.ProgSet().Apply();
            shell.Main().Action("actStart")->trigger();
            QVERIFY(shell.Store().Receiving());
            line->Line->With([&] {
                line->Command->Streaming = true;
                line->Command->StreamPeriodMs = 3600000;
                line->Command->StreamNow();
                return 0;
            });
            QTRY_VERIFY_WITH_TIMEOUT(shell.Store().SampleCount(0, 0) == 1 &&
                                         wiring.Acquisition().Receiver().StreamSampleClosed(),
                                     5000);
            autoSaveFile = wiring.Files().AutoSaver().FileName();
            QVERIFY(!QFile::exists(QString::fromStdString(autoSaveFile)));

            std::raise(SIGTERM);
            QTRY_VERIFY_WITH_TIMEOUT(!shell.Main().isVisible(), 5000);
            QVERIFY(!shell.Store().Receiving());
            QVERIFY(op.Shown().empty());
        }
        line->Line->Close();
        unsetenv("DRUMO_PORTS");
        const ArchiveResult saved = LoadArhivFile(autoSaveFile);
        QVERIFY(saved.Signed);
        QCOMPARE(saved.SampleCount, size_t(1));
        QFile file(Ini());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray ini = file.readAll();
        QVERIFY(ini.contains("AlarmTMax=55.5\r\n"));
        QVERIFY(ini.contains("AutoSaveIndex=13\r\n"));
        QFile::remove(Ini());
        QDir(home_.filePath("Archive")).removeRecursively();
    }

    void portsSectionOfTheSettingsFileLeadsThePortNumbers() {
        sim::ManualClock simClock;
        std::string error;
        auto line = QuietHexar100(simClock, error);
        QVERIFY2(line, error.c_str());
        unsetenv("DRUMO_PORTS");
        WriteIni("[Ports]\r\nCom6=" + QByteArray::fromStdString(line->Line->SlavePath()) +
                 "\r\n[Find]\r\nProtocol=0\r\nPortDefault=6\r\nAutoPortEnabled=0\r\nAutoFindEnabled=1\r\n");
        test::ScriptedOperator op{test::Unscripted::Yes};
        {
            Shell shell({}, &op);
            ProgramWiring wiring(shell);
            shell.Show();
            QCOMPARE(shell.Store().DeviceCount(), 1);
            QVERIFY(shell.Main().StatusText().startsWith("\\\\.\\Com6: "));
            shell.Main().close();
        }
        line->Line->Close();
        QFile::remove(Ini());
    }

    void archiveFileOnTheCommandLineOpensThroughTheGroupLoader() {
        WriteIni("[Find]\r\nAutoFindEnabled=0\r\n");
        const QString path = home_.filePath("given.dml");
        test::ScriptedOperator op{test::Unscripted::Yes};
        {
            Shell shell({}, &op);
            ProgramWiring wiring(shell);
            test::AddDevice(shell.Store(), 3, {{1234, 1, {100, 200}}}, 1, 77);
            const Temperature v[] = {2150, 2160};
            shell.Store().AppendSample(0, 0, EncodeDateTime(2026, 12, 9, 10, 0, 0), v);
            QVERIFY(wiring.Files().Files().FileSaveArhiv(path.toStdString(), false));
            shell.Store().ReleaseAll(false);
        }
        Shell shell({path.toStdString()}, &op);
        ProgramWiring wiring(shell);
        shell.Show();
        QVERIFY(shell.StartedFromCommandLine());
        QVERIFY(shell.Store().ArchiveLoaded());
        QCOMPARE(shell.Store().DevSig(0).Serial, 77);
        QCOMPARE(shell.ScanM().windowTitle(), QString("Диспетчер приборов - given.dml"));
        QCOMPARE(shell.Main().windowTitle(), QString("Drumo - given.dml"));
        shell.Main().close();
    }
};

QTEST_MAIN(ProgramStartTest)
#include "ProgramStartTest.moc"
