// The archive window and the main window's file commands with the files engine: saving, loading
// one or several files, the archive of a day, deleting to the trash, and auto-save during
// reception. The archive and the trash live in a fresh folder.

#include <QAction>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QtTest>

#include "acquisition/ui/TfrmScanM.h"
#include "app/ui/DesktopStation.h"
#include "app/ui/ProgramWiring.h"
#include "app/ui/TfrmMain.h"
#include "files/ArchiveBrowser.h"
#include "app/ui/FilesWiring.h"
#include "files/ui/TfrmArhiv.h"
#include "support/FakeSearchActivity.h"
#include "support/ScriptedOperator.h"
#include "support/StoreFill.h"
#include "support/Widgets.h"

using namespace drumo;
using drumo::test::Child;

namespace {

// File dialogs that return what the test put in.
struct ScriptedDialogs : FileDialogs {
    QStringList open;
    QString save;
    QString lastFilter;
    QStringList OpenFiles(QWidget*, const QString&, const QString& filter) override {
        lastFilter = filter;
        return open;
    }
    QString SaveFile(QWidget*, const QString&, const QString& filter) override {
        lastFilter = filter;
        return save;
    }
};

struct FilesRig {
    test::ScriptedOperator op{test::Unscripted::Yes};
    DesktopStation desktop{op};
    MeasurementStore& store = desktop.Get().Store();
    TfrmScanM scanM{store};
    TfrmMain main{store, op, scanM};
    ProgramSettings& settings = desktop.Get().Settings();
    ScriptedDialogs dialogs;
    std::unique_ptr<FilesWiring> files;

    explicit FilesRig(const QString& archive) {
        desktop.Get().UseSettings(DefaultSettings(archive.toStdString()));
        desktop.Log().Attach(&scanM);
        store.Events().Subscribe(&scanM);
        files = std::make_unique<FilesWiring>(FilesWindows{main, main, scanM}, desktop.Get(), op, scanM);
        desktop.Get().SetViews({nullptr, nullptr, files.get(), files.get()});
        JoinFileCommands(main, *files);
        files->SetDialogs(&dialogs);
    }
    ~FilesRig() {
        desktop.Get().SetViews({});
        files.reset();
        store.Events().Unsubscribe(&scanM);
        desktop.Log().Attach(nullptr);
    }

    // A device with one cable of three sensors and two samples, as a search and a pass leave it.
    void Fill(int serial) {
        test::AddDevice(store, 3, {{1234, 1, {100, 200, 300}}}, 1, serial);
        const Temperature a[] = {2150, NoValue, -300};
        const Temperature b[] = {2160, 1000, -310};
        store.AppendSample(0, 0, EncodeDateTime(2026, 12, 9, 10, 0, 0), a);
        store.AppendSample(0, 0, EncodeDateTime(2026, 12, 9, 10, 0, 20), b);
    }
    void SaveStore(const QString& path, int serial) {
        store.ReleaseAll(false);
        Fill(serial);
        QVERIFY(files->Files().FileSaveArhiv(path.toStdString(), false));
        store.ReleaseAll(false);
    }
    bool LogHas(const QString& text) const {
        for (const QString& line : scanM.LogLines())
            if (line.contains(text)) return true;
        return false;
    }
};

QStringList Names(const TfrmArhiv& arhiv) {
    QStringList names;
    for (int i = 0; i < arhiv.Files()->count(); ++i) names << arhiv.Files()->itemText(i);
    return names;
}

}  // namespace

class ArchiveWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir home_;
    QString Archive() const { return home_.filePath("Archive"); }
    QString Today() const {
        return QString::fromStdString(DayFolder(Archive().toStdString(),
                                                EncodeDate(QDate::currentDate().year(),
                                                           QDate::currentDate().month(),
                                                           QDate::currentDate().day())));
    }

private slots:
    void initTestCase() {
        QVERIFY(home_.isValid());
        // The desktop trash of this test run.
        qputenv("XDG_DATA_HOME", home_.filePath("share").toLocal8Bit());
        QDir().mkpath(home_.filePath("share"));
    }
    void init() {
        QDir(Archive()).removeRecursively();
        QDir().mkpath(Archive());
    }

    void archiveWindowListsTodaysFilesAndOpensOne() {
        FilesRig rig(Archive());
        rig.SaveStore(Today() + "/10.00.00.dml", 42);
        QFile(Today() + "/readme.txt").open(QIODevice::WriteOnly);

        rig.main.Action("actFileArhiv")->trigger();
        TfrmArhiv& arhiv = rig.files->Arhiv();
        QVERIFY(arhiv.isVisible());
        QCOMPARE(arhiv.windowTitle(), QString("Архив"));
        QCOMPARE(Names(arhiv), QStringList{"10.00.00.dml"});
        QCOMPARE(arhiv.Files()->currentText(), QString("10.00.00.dml"));

        arhiv.OpenSelected();
        QVERIFY(rig.store.ArchiveLoaded());
        QCOMPARE(rig.store.DeviceCount(), 1);
        QCOMPARE(rig.store.SampleCount(0, 0), size_t(2));
        QCOMPARE(rig.scanM.windowTitle(), QString("Диспетчер приборов - 10.00.00.dml"));
        QCOMPARE(rig.scanM.Cell(1, 2), QString("00042"));
        QCOMPARE(rig.scanM.Cell(1, 6), QString("10.00.00.dml"));
        QCOMPARE(rig.main.StatusText(), QString("Файлов 1. Приборов 1. Термокос 1. Датчиков 3. •5"));
        QCOMPARE(rig.main.windowTitle(), QString("Drumo - 10.00.00.dml"));
        QCOMPARE(rig.main.TableCell(2, 1), QString(" 21.6"));
        QVERIFY(arhiv.isVisible());  // the window stays open

        // A day without files lists nothing, and Open then does nothing.
        arhiv.Calendar()->setSelectedDate(QDate(2015, 6, 1));
        arhiv.FillList(QDate(2015, 6, 1));
        QVERIFY(Names(arhiv).isEmpty());
        rig.store.ReleaseAll(false);
        arhiv.OpenSelected();
        QCOMPARE(rig.store.Devices(), size_t(0));
    }

    void deletingMovesTheFileToTheTrashAndRefreshesTheList() {
        FilesRig rig(Archive());
        rig.SaveStore(Today() + "/11.00.00.dml", 7);
        rig.SaveStore(Today() + "/12.00.00.dml", 8);
        TfrmArhiv& arhiv = rig.files->Arhiv();
        arhiv.show();
        QCOMPARE(Names(arhiv).size(), 2);
        const QString doomed = arhiv.Files()->currentText();
        arhiv.DeleteSelected();
        QCOMPARE(Names(arhiv).size(), 1);
        QVERIFY(!Names(arhiv).contains(doomed));
        QVERIFY(!QFileInfo::exists(Today() + "/" + doomed));
        QVERIFY(QFileInfo::exists(home_.filePath("share/Trash/files/" + doomed)));
        QCOMPARE(rig.op.Shown(), (std::vector<std::string>{"ask: Удалить файл " + doomed.toStdString() + "?"}));
    }

    void saveCommandGivesTheNameItsEndingAndAsksBeforeReplacing() {
        FilesRig rig(Archive());
        rig.Fill(42);
        rig.dialogs.save = home_.filePath("mine.txt");
        rig.main.Action("actFileSave")->trigger();
        QCOMPARE(rig.dialogs.lastFilter, QString("*.dml (*.dml);;Все файлы (*)"));
        const QString written = home_.filePath("mine.dml");
        QVERIFY(QFileInfo::exists(written));
        QVERIFY(rig.LogHas(" > Диалог сохранения файла"));

        const qint64 size = QFileInfo(written).size();
        rig.store.AppendSample(0, 0, EncodeDateTime(2026, 12, 9, 10, 0, 40),
                               std::vector<Temperature>{1, 2, 3});
        rig.op.Answer(false);
        rig.main.Action("actFileSave")->trigger();
        QCOMPARE(rig.op.Shown().back(),
                 "ask: Файл " + written.toStdString() + " уже существует.\r\nЗаменить?");
        QCOMPARE(QFileInfo(written).size(), size);  // No keeps the old file
        QFile::remove(written);
    }

    void openCommandLoadsTheChosenFilesLastFirst() {
        FilesRig rig(Archive());
        const QString a = home_.filePath("A.dml"), b = home_.filePath("B.dml");
        rig.SaveStore(a, 111);
        rig.SaveStore(b, 222);
        rig.dialogs.open = {a, b};
        rig.main.Action("actFileOpen")->trigger();
        QCOMPARE(rig.dialogs.lastFilter, QString("*.dml (*.dml);;*.dmr (*.dmr);;Все файлы (*)"));
        QVERIFY(rig.LogHas(" > Диалог загрузки файлов"));
        QCOMPARE(rig.store.DeviceCount(), 2);
        QCOMPARE(rig.scanM.Cell(1, 2), QString("00222"));
        QCOMPARE(rig.scanM.Cell(2, 2), QString("00111"));
        QCOMPARE(rig.scanM.windowTitle(), QString("Диспетчер приборов - группа файлов (2)"));
        QVERIFY(rig.scanM.isVisible());
        QFile::remove(a);
        QFile::remove(b);
    }

    void fileCommandsDoNothingWhileASearchRuns() {
        for (const char* command : {"actFileOpen", "actFileSave", "actFileExcelExport"}) {
            FilesRig rig(Archive());
            rig.Fill(42);
            test::FakeSearchActivity search(true);
            rig.files->SetSearch(&search);
            rig.dialogs.open = {home_.filePath("none.dml")};
            rig.dialogs.save = home_.filePath("none");
            const int logLines = rig.scanM.LogLines().size();
            rig.main.Action(command)->trigger();
            QVERIFY2(rig.dialogs.lastFilter.isEmpty(), command);  // no dialog was shown
            QCOMPARE(rig.scanM.LogLines().size(), logLines);
            QVERIFY(rig.op.Shown().empty());
            QVERIFY(QDir(home_.path()).entryList({"none*"}).isEmpty());
        }
    }

    void exportCommandLogsItsDialogAndWritesTheSheet() {
        FilesRig rig(Archive());
        rig.Fill(42);
        rig.dialogs.save = home_.filePath("sheet");
        rig.main.Action("actFileExcelExport")->trigger();
        QCOMPARE(rig.dialogs.lastFilter, QString("*.xls (*.xls);;Все файлы (*)"));
        QVERIFY(rig.LogHas(" > Диалог экспорта в Excel"));
        const QString written = home_.filePath("sheet.xls");
        QVERIFY(QFileInfo(written).size() > 0);
        QVERIFY(rig.LogHas(" > Файл " + written + " сохранен"));
        QFile::remove(written);
    }

    void autoSaveWritesTheReceptionFileAtTheEndOfTheNextPass() {
        FilesRig rig(Archive());
        rig.Fill(42);
        rig.settings.Main.AutoSaveEnabled = true;
        rig.settings.Main.AutoSaveIndex = 0;  // 20 seconds
        AutoSaveHooks& hooks = rig.files->Hooks();
        hooks.Start();
        QVERIFY(rig.desktop.Get().Scheduler().AutoSaveTimerOn());
        QCOMPARE(rig.files->AutoSaver().PeriodSeconds(), 20);
        QCOMPARE(Child<QProgressBar>(rig.main, "PBSave").maximum(), 20);
        const QString file = QString::fromStdString(rig.files->AutoSaver().FileName());
        QCOMPARE(QFileInfo(file).absolutePath(), QDir(Today()).absolutePath());

        hooks.EndOfPass();
        QVERIFY(!QFileInfo::exists(file));  // not due yet
        hooks.DisplayTick();
        QCOMPARE(Child<QProgressBar>(rig.main, "PBSave").value(), 1);
        Station& station = rig.desktop.Get();
        QVERIFY(station.Scheduler().Step(station.NowMs() + 20000).AutoSave);
        hooks.EndOfPass();
        QVERIFY(QFileInfo::exists(file));
        QVERIFY(!Child<Lamp>(rig.main, "LEDSave").Lit());
        QCOMPARE(Child<QProgressBar>(rig.main, "PBSave").value(), 0);

        hooks.Stop();
        QVERIFY(!rig.desktop.Get().Scheduler().AutoSaveTimerOn());
        QCOMPARE(Child<QLabel>(rig.main, "LblSave").text(), QString("00:00:00"));
    }

    void commandLineFileOpensThroughTheGroupLoader() {
        FilesRig rig(Archive());
        const QString a = home_.filePath("cmd.dml");
        rig.SaveStore(a, 5);
        rig.files->OpenFromCommandLine(a.toStdString());
        QVERIFY(rig.store.ArchiveLoaded());
        QCOMPARE(rig.scanM.windowTitle(), QString("Диспетчер приборов - cmd.dml"));
        QFile::remove(a);
    }
};

QTEST_MAIN(ArchiveWindowTest)
#include "ArchiveWindowTest.moc"
