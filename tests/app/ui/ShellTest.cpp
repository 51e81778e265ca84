// The program as a whole: start-up with and without a settings file, the command line, closing,
// the program settings dialog, help and the about window. DRUMO_HOME points at a fresh folder.

#include <QDir>
#include <QDialog>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

#include "acquisition/ui/TfrmAlarm.h"
#include "acquisition/ui/TfrmScanM.h"
#include "app/AppPaths.h"
#include "app/ui/DesktopOpener.h"
#include "app/ui/Shell.h"
#include "support/StoreFill.h"
#include "app/ui/TfrmAbout.h"
#include "app/ui/TfrmMain.h"
#include "app/ui/TfrmProgSet.h"
#include "model/Formats.h"
#include "support/ScriptedOperator.h"
#include "support/Widgets.h"

using namespace drumo;
using drumo::test::Child;

class ShellTest : public QObject {
    Q_OBJECT

    QTemporaryDir home_;
    test::ScriptedOperator op_{test::Unscripted::Yes};

    QString Home(const QString& rel) const { return home_.filePath(rel); }
    QString IniPath() const { return Home("ini/ProgSet.ini"); }
    void WriteIni(const QByteArray& text) {
        QDir().mkpath(Home("ini"));
        QFile file(IniPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    QString Read(const QString& path) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) return {};
        return QString::fromLatin1(file.readAll());
    }

private slots:
    void initTestCase() {
        QVERIFY(home_.isValid());
        qputenv("DRUMO_HOME", home_.path().toLocal8Bit());
        qputenv("DRUMO_NO_OPEN", "1");
        QCOMPARE(QString::fromStdString(ProgramFolder()), home_.path());
    }
    void init() {
        QFile::remove(IniPath());
        QDir(Home("Archive")).removeRecursively();
        op_.Clear();
        SetDecimalMark('.');
    }

    void startWithoutSettingsFileUsesEveryDefault() {
        Shell shell({}, &op_);
        shell.Show();
        TfrmMain& m = shell.Main();
        QCOMPARE(m.windowTitle(), QString("Drumo"));
        // Left 600, unless the screen is too narrow for the window there (the offscreen one is).
        const QRect free = QGuiApplication::primaryScreen()->availableGeometry();
        QCOMPARE(m.pos(), QPoint(qMin(600, free.left() + free.width() - TfrmMain::FixedWidth), 0));
        QCOMPARE(m.height(), 433);
        QVERIFY(QDir(Home("Archive")).exists());
        QVERIFY(op_.Shown().empty());
        QCOMPARE(shell.Engine().PollingInterval(), 60000);
        QVERIFY(!shell.Engine().Scheduler().PollingTimerOn());
        QCOMPARE(shell.Engine().AutoSaver().PeriodSeconds(), 300);
        QCOMPARE(Child<Lamp>(m, "LEDSave").Colour(), QColor(Qt::red));
        QVERIFY(shell.ProgSet().PointButton()->isChecked());
        QVERIFY(shell.ProgSet().ShowHintBox()->isChecked());
        QCOMPARE(shell.ProgSet().TMinBox()->value(), -50.0);
        QCOMPARE(shell.ProgSet().TMinBox()->text(), QString("-50.0"));  // the chosen mark, not the language's
        // The device rules ran: without a device the firmware update is offered.
        QVERIFY(m.Action("actFirmware")->isVisible());
        QVERIFY(shell.ScanM().LogLines().first().endsWith(" --- Старт ---"));
    }

    void settingsFileIsAppliedToEveryControl() {
        WriteIni("[Main]\r\nTop=20\r\nLeft=30\r\nHeight=500\r\nDecPoint=0\r\nRequestAllIndex=0\r\n"
                 "AutoSaveEnabled=1\r\nAutoSaveIndex=13\r\nAlarmTMax=25,5\r\nShowHint=0\r\n"
                 "TableColor=255\r\n[ScanM]\r\nTop=100\r\nLeft=110\r\nHeight=300\r\n");
        Shell shell({}, &op_);
        shell.Show();
        TfrmMain& m = shell.Main();
        QCOMPARE(m.pos(), QPoint(30, 20));
        QCOMPARE(m.height(), 500);
        QCOMPARE(m.width(), 335);
        QCOMPARE(shell.ScanM().pos(), QPoint(110, 100));
        QCOMPARE(shell.ScanM().height(), 300);
        QCOMPARE(shell.Engine().PollingInterval(), 20000);
        QCOMPARE(shell.Engine().AutoSaver().PeriodSeconds(), 86400);
        QCOMPARE(Child<Lamp>(m, "LEDSave").Colour(), QColor(Qt::green));
        QCOMPARE(m.TableColour(), 255);
        QVERIFY(shell.ProgSet().CommaButton()->isChecked());
        QCOMPARE(shell.ProgSet().TMaxBox()->value(), 25.5);
        QCOMPARE(shell.ProgSet().TMaxBox()->text(), QString("25,5"));
        QCOMPARE(shell.ProgSet().RequestList()->currentIndex(), 0);
        QVERIFY(!shell.ShowHint());
        QCOMPARE(DecimalMark(), ',');
    }

    void archiveFolderThatCannotBeCreatedIsReportedAndStartGoesOn() {
        QFile blocker(Home("blocker"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QString folder = Home("blocker/Archive");
        WriteIni("[Main]\r\nArchiveFolder=" + folder.toLocal8Bit() + "\r\n");
        Shell shell({}, &op_);
        shell.Show();
        QCOMPARE(op_.Shown(), std::vector<std::string>{"error: Не удалось создать директорию " +
                                                       folder.toStdString() +
                                                       "\r\nВозможно установлена защита от записи"});
        QCOMPARE(QString::fromStdString(shell.Settings().Main.ArchiveFolder), folder);
        QVERIFY(shell.Main().Action("actFirmware")->isVisible());
        QFile::remove(Home("blocker"));
    }

    void commandLineFilesEndStartUp_data() {
        QTest::addColumn<QString>("arg");
        QTest::addColumn<QString>("message");
        QTest::newRow("sensor file") << "/data/cable.DMS" << "info: Доступ к файлу /data/cable.DMS отклонен";
        QTest::newRow("unknown") << "/data/readme.txt" << "error: Файл /data/readme.txt не поддерживается Drumo";
    }
    void commandLineFilesEndStartUp() {
        QFETCH(QString, arg);
        QFETCH(QString, message);
        Shell shell({arg.toStdString()}, &op_);
        int searches = 0;
        ShellHooks hooks;
        hooks.ShowSearchWindow = [&] { ++searches; };
        shell.SetHooks(hooks);
        shell.Show();
        QCOMPARE(op_.Shown(), std::vector<std::string>{message.toStdString()});
        QVERIFY(shell.StartedFromCommandLine());
        QCOMPARE(searches, 0);
        QVERIFY(!shell.Main().Action("actFirmware")->isVisible());  // device rules skipped
    }

    void archiveOnTheCommandLineGoesToTheLoader() {
        Shell shell({"/data/x/10.00.00.DML"}, &op_);
        std::string opened;
        ShellHooks hooks;
        hooks.OpenArchive = [&](const std::string& path) { opened = path; };
        shell.SetHooks(hooks);
        shell.Show();
        QCOMPARE(opened, std::string("/data/x/10.00.00.DML"));
        QVERIFY(op_.Shown().empty());
    }

    void otherArgumentsAreIgnoredAndTheSearchRuns() {
        Shell shell({"file.dml"}, &op_);
        int searches = 0;
        ShellHooks hooks;
        hooks.ShowSearchWindow = [&] { ++searches; };
        shell.SetHooks(hooks);
        shell.Show();
        QCOMPARE(searches, 1);
        QVERIFY(!shell.StartedFromCommandLine());
        QVERIFY(op_.Shown().empty());
    }

    void closingSavesPlacesAndTheNextStartRestoresThem() {
        {
            Shell shell({}, &op_);
            shell.Show();
            shell.Main().move(40, 50);
            shell.Main().resize(335, 520);
            shell.Main().SetTableColour(0x00FF00);
            shell.ScanM().move(70, 80);
            QVERIFY(shell.Main().close());
        }
        QVERIFY(Read(IniPath()).contains("Height=520"));
        Shell shell({}, &op_);
        shell.Show();
        QCOMPARE(shell.Main().pos(), QPoint(40, 50));
        QCOMPARE(shell.Main().height(), 520);
        QCOMPARE(shell.Main().TableColour(), 0x00FF00);
        QCOMPARE(shell.ScanM().pos(), QPoint(70, 80));
    }

    void storedPlacesOffTheScreenAreBroughtBackOnIt() {
        const QRect free = QGuiApplication::primaryScreen()->availableGeometry();
        WriteIni(QStringLiteral("[Main]\r\nTop=-60\r\nLeft=%1\r\nHeight=433\r\n"
                                "[ScanM]\r\nTop=%2\r\nLeft=600\r\nHeight=433\r\n")
                     .arg(free.right() + 100)
                     .arg(free.bottom() - 100)
                     .toLatin1());
        Shell shell({}, &op_);
        shell.Show();
        for (QWidget* window : {static_cast<QWidget*>(&shell.Main()), static_cast<QWidget*>(&shell.ScanM())}) {
            const QRect placed(window->pos(), window->size());
            QVERIFY2(free.contains(placed), window->objectName().toLatin1());
        }
        QCOMPARE(shell.Main().height(), 433);
    }

    void closingWithUnsavedReadingsAsksFirst() {
        Shell shell({}, &op_);
        int stops = 0;
        bool fileExistedWhenSaving = true;
        ShellHooks hooks;
        hooks.StopReception = [&] { ++stops; };
        hooks.SavingSettings = [&] { fileExistedWhenSaving = QFile::exists(IniPath()); };
        shell.SetHooks(hooks);
        shell.Show();
        test::AddDevice(shell.Store(), 4, {{1, 1, {100}}});
        const Temperature v[] = {1000};
        shell.Store().AppendSample(0, 0, 46000.5, v);
        shell.Store().SetReceiving(true);

        op_.Answer(false);
        QVERIFY(!shell.Main().close());
        QVERIFY(shell.Main().isVisible());
        QVERIFY(!QFile::exists(IniPath()));
        QCOMPARE(stops, 0);

        op_.Answer(true);
        QVERIFY(shell.Main().close());
        QCOMPARE(stops, 1);
        QVERIFY(!fileExistedWhenSaving);  // other parts put their settings in before the write
        QVERIFY(QFile::exists(IniPath()));
        QCOMPARE(op_.Shown().back(), std::string("ask: Действие приведет к потере данных.\r\nЗакрыть программу?"));
    }

    void terminationClosesOpenDialogsAndAsksNothing() {
        Shell shell({}, &op_);
        shell.Show();
        test::AddDevice(shell.Store(), 4, {{1, 1, {100}}});
        const Temperature v[] = {1000};
        shell.Store().AppendSample(0, 0, 46000.5, v);  // unsaved readings: "Выход" would ask
        QDialog dialog(&shell.Main());
        QTimer::singleShot(0, &shell, &Shell::Terminate);
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        QTRY_VERIFY(!shell.Main().isVisible());
        QVERIFY(op_.Shown().empty());
        QVERIFY(QFile::exists(IniPath()));
    }

    void settingsThatCannotBeWrittenAreReportedAtClosing() {
        QDir(Home("ini")).removeRecursively();
        QFile blocker(Home("ini"));  // a file where the settings folder belongs
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        {
            Shell shell({}, &op_);
            shell.Show();
            QVERIFY(shell.Main().close());
        }
        QFile::remove(Home("ini"));
        QCOMPARE(op_.Shown().size(), size_t(1));
        QVERIFY(op_.Shown()[0].rfind("error: Не удалось сохранить настройки в файл " +
                                         IniPath().toStdString() + "\r\n", 0) == 0);
    }

    void settingsDialogKeepsATimerWhoseIntervalDidNotChange() {
        Shell shell({}, &op_);
        shell.Show();
        TfrmProgSet& dlg = shell.ProgSet();
        Child<QProgressBar>(shell.Main(), "PBRequest").setValue(7);
        QSignalSpy changed(&dlg, &TfrmProgSet::PollingIntervalChanged);
        QSignalSpy applied(&dlg, &TfrmProgSet::Applied);
        dlg.PrepareOpening();
        dlg.Apply();  // the same interval: nothing restarts
        QCOMPARE(Child<QProgressBar>(shell.Main(), "PBRequest").value(), 7);
        QCOMPARE(Child<QProgressBar>(shell.Main(), "PBRequest").maximum(), 20);
        QCOMPARE(changed.count(), 0);
        QCOMPARE(applied.count(), 1);

        dlg.RequestList()->setCurrentIndex(1);  // 30 seconds
        dlg.Apply();
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.first().first().toInt(), 30000);
        QCOMPARE(shell.Engine().PollingInterval(), 30000);  // reception's one copy; the timer reads it
        QCOMPARE(Child<QProgressBar>(shell.Main(), "PBRequest").value(), 0);
        QCOMPARE(Child<QProgressBar>(shell.Main(), "PBRequest").maximum(), 30);
        QCOMPARE(shell.Settings().Main.RequestAllIndex, 1);
    }

    void settingsDialogAppliesSeparatorHintsLampAndAlarms() {
        Shell shell({}, &op_);
        shell.Show();
        TfrmProgSet& dlg = shell.ProgSet();
        dlg.PrepareOpening();
        QCOMPARE(dlg.Pages()->currentIndex(), 0);
        dlg.CommaButton()->setChecked(true);
        dlg.ShowHintBox()->setChecked(false);
        dlg.AutoSaveBox()->setChecked(true);
        dlg.TMaxBox()->setValue(25.0);
        dlg.AutoSaveList()->setCurrentIndex(0);
        dlg.Apply();
        QCOMPARE(DecimalMark(), ',');
        QVERIFY(!shell.ShowHint());
        QCOMPARE(Child<Lamp>(shell.Main(), "LEDSave").Colour(), QColor(Qt::green));
        QCOMPARE(shell.Settings().Main.AlarmTMax, 25.0);
        QCOMPARE(shell.Engine().AutoSaver().PeriodSeconds(), 20);
        QVERIFY(shell.Settings().Main.AutoSaveEnabled);
    }

    void autoSaveCannotBeSwitchedWhileReceiving() {
        Shell shell({}, &op_);
        shell.Show();
        shell.Store().SetReceiving(true);
        TfrmProgSet& dlg = shell.ProgSet();
        dlg.PrepareOpening();
        QVERIFY(!dlg.AutoSaveBox()->isEnabled());
        dlg.AutoSaveList()->setCurrentIndex(5);
        dlg.Apply();
        QVERIFY(!shell.Settings().Main.AutoSaveEnabled);
        QCOMPARE(shell.Engine().AutoSaver().PeriodSeconds(), 600);  // the interval still changes
        shell.Store().SetReceiving(false);
    }

    void archiveFolderRefusedWithNoKeepsTheOldOne() {
        Shell shell({}, &op_);
        shell.Show();
        QFile blocker(Home("blocker"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const std::string before = shell.Settings().Main.ArchiveFolder;
        const QString wanted = Home("blocker/new");
        shell.ProgSet().FolderBox()->setText(wanted);
        op_.Answer(false);
        shell.ProgSet().Apply();
        QCOMPARE(shell.Settings().Main.ArchiveFolder, before);
        QCOMPARE(shell.ProgSet().FolderBox()->text(), wanted);
        QCOMPARE(op_.Shown().size(), size_t(1));
        QVERIFY(op_.Shown()[0].find("Попытаться создать директорию по умолчанию?") != std::string::npos);
        QFile::remove(Home("blocker"));
    }

    void helpWithoutTheGuideSaysSo() {
        Shell shell({}, &op_);
        QFile::remove(Home("help/index.html"));
        shell.ShowHelp();
        QCOMPARE(op_.Shown(), std::vector<std::string>{"error: Не удалось найти файл справки Help.exe"});
        op_.Clear();
        QDir().mkpath(Home("help"));
        QFile guide(Home("help/index.html"));
        QVERIFY(guide.open(QIODevice::WriteOnly));
        guide.close();
        shell.ShowHelp();
        QVERIFY(op_.Shown().empty());
    }

    void helpAndHomePageSaySoWhenNoBrowserStarts_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("error");
        QTest::newRow("help") << "actHelp" << "Не удалось найти файл справки Help.exe";
        QTest::newRow("home page") << "actHomePage" << "Не удалось открыть домашнюю страницу https://drumo.ru/";
    }
    void helpAndHomePageSaySoWhenNoBrowserStarts() {
        QFETCH(QString, action);
        QFETCH(QString, error);
        QDir().mkpath(Home("help"));
        QFile guide(Home("help/index.html"));
        QVERIFY(guide.open(QIODevice::WriteOnly));
        guide.close();
        Shell shell({}, &op_);
        QList<QUrl> asked;
        shell.SetDesktopOpener([&](const QUrl& url) {
            asked << url;
            return false;
        });
        shell.Main().Action(action)->trigger();
        QCOMPARE(asked.size(), 1);
        QCOMPARE(op_.Shown(), std::vector<std::string>{"error: " + error.toStdString()});
    }

    // xdg-open starts at once, and fails afterwards when no browser is set up: its exit status
    // decides, and the page it was given is the one asked for.
    void desktopOpenerWaitsForXdgOpensExitStatus_data() {
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<bool>("contextKept");
        QTest::addColumn<int>("failures");
        QTest::newRow("opened") << 0 << true << 0;
        QTest::newRow("no browser") << 3 << true << 1;
        QTest::newRow("window gone meanwhile") << 3 << false << 0;
    }
    void desktopOpenerWaitsForXdgOpensExitStatus() {
        QFETCH(int, exitCode);
        QFETCH(bool, contextKept);
        QFETCH(int, failures);
        QTemporaryDir bin;
        QFile script(bin.filePath("xdg-open"));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write(QString("#!/bin/sh\nprintf %s \"$1\" > %1/asked\nexit %2\n").arg(bin.path()).arg(exitCode).toUtf8());
        script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
        script.close();
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", bin.path().toLocal8Bit());
        auto context = std::make_unique<QObject>();
        int failed = 0;
        QProcess* process = OpenOnDesktop(QUrl("https://drumo.ru/"), [&] { ++failed; }, context.get());
        qputenv("PATH", path);
        QVERIFY(process);
        if (!contextKept) context.reset();
        QVERIFY(process->waitForFinished(10000));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // the process deletes itself
        QCOMPARE(failed, failures);
        QCOMPARE(Read(bin.filePath("asked")), QString("https://drumo.ru/"));
    }

    void aboutNamesProgramVersionAndEveryModel() {
        Shell shell({}, &op_);
        const QString text = shell.About().Text();
        QVERIFY(text.contains("Drumo"));
        QVERIFY(text.contains(QString::fromStdString(ProgramVersion())));
        for (const char* model : {"Hexar-1/16", "Hexar-1/100", "Dorma-1/100", "Dorma-6/200", "Sevio-1/100-M"})
            QVERIFY2(text.contains(model), model);
        QVERIFY(text.contains("Hexar-1/100 (до 100 датчиков): прием данных, настройки, блокнот, "
                              "синхронизация времени, выключение, серийный номер, обновление "
                              "прошивки, автонастройка термокосы, чтение ROM-кодов датчиков"));
    }

    void logLinesWaitForTheDeviceManagerAndWindowsAreCreatedOnce() {
        Shell shell({}, &op_);
        shell.Store().ReleaseAll(false);
        QVERIFY(shell.ScanM().LogLines().last().endsWith(" > Динамическая память освобождена"));
        TfrmScanM* manager = &shell.ScanM();
        shell.Main().Action("actScanM")->trigger();
        QVERIFY(manager->isVisible());
        manager->close();
        shell.Main().Action("actScanM")->trigger();
        QCOMPARE(&shell.ScanM(), manager);
        QVERIFY(manager->isVisible());
    }
};

QTEST_MAIN(ShellTest)
#include "ShellTest.moc"
