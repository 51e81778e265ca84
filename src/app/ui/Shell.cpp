#include "app/ui/Shell.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QUrl>

#include "app/ShellRules.h"
#include "acquisition/ui/TfrmAlarm.h"
#include "acquisition/ui/TfrmScanM.h"
#include "app/CommandLine.h"
#include "model/ScreenFit.h"
#include "views/ui/Colours.h"
#include "app/ui/DesktopOpener.h"
#include "app/ui/QtOperator.h"
#include "app/ui/TerminationSignals.h"
#include "app/ui/TfrmAbout.h"
#include "app/ui/TfrmMain.h"
#include "app/ui/TfrmProgSet.h"
#include "model/ui/WindowPlaces.h"
#include "app/ui/TrendWiring.h"
#include "views/ui/TMFPrintDlg.h"
#include "views/ui/TfrmTrend.h"
#include "model/Intervals.h"
#include "views/ui/TfrmMGR.h"
#include "views/ui/TfrmPlet.h"
#include "views/ui/TfrmGraphic.h"

namespace drumo {

namespace {

// Files and pages are handed to the desktop unless the environment asks not to (tests do).
bool MayOpenOnDesktop() { return qEnvironmentVariableIsEmpty("DRUMO_NO_OPEN"); }

const char* const kHomePage = "https://drumo.ru/";

}  // namespace

Shell::Shell(std::vector<std::string> args, Operator* op)
    : args_(std::move(args)),
      ownOperator_(op ? nullptr : std::make_unique<QtOperator>()),
      operator_(op ? *op : *ownOperator_),
      station_(operator_),
      paths_(Paths()),
      openUrl_([this](const QUrl& url, std::function<void()> failed) {
          if (MayOpenOnDesktop()) OpenOnDesktop(url, std::move(failed), this);
      }) {
    QApplication::setApplicationName(QStringLiteral("Drumo"));
    qApp->installEventFilter(this);
    Engine().UseSettings(DefaultSettings(paths_.ArchiveFolder));
    CreateWindows();
    WireCommands();
}

Shell::~Shell() {
    terminationSignals_.reset();
    qApp->removeEventFilter(this);
    // The windows leave the store's listeners before the store goes.
    if (plet_) Store().Events().Unsubscribe(plet_.get());
    if (mgr_) Store().Events().Unsubscribe(mgr_.get());
    plet_.reset();
    mgr_.reset();
    alarmMin_.reset();
    alarmMax_.reset();
    if (scanM_) Store().Events().Unsubscribe(scanM_.get());
    station_.Log().Attach(nullptr);
    scanM_.reset();
    progSet_.reset();
    trend_.reset();
    about_.reset();
    graphic_.reset();
    printDlg_.reset();
    main_.reset();
}

void Shell::CreateWindows() {
    // The fixed order of creation; the windows of the other parts of the program take their
    // places in it as they join: time graph, graph print dialog, archive after the main window;
    // length trend, sensor auto-set, notebook, auto-set help after the program settings; address
    // and comment editor and system trend after the device manager; report, numbering, search,
    // firmware, serial number and settings dialogs, thermal plots after the alarm windows.
    main_ = std::make_unique<TfrmMain>(Store(), operator_, Log());
    graphic_ = std::make_unique<TfrmGraphic>(operator_, SystemClock::Instance());
    printDlg_ = std::make_unique<TMFPrintDlg>(operator_);
    about_ = std::make_unique<TfrmAbout>(QString::fromStdString(ProgramVersion()), main_.get());
    progSet_ = std::make_unique<TfrmProgSet>(Settings(), operator_, paths_.ArchiveFolder, main_.get());
    trend_ = std::make_unique<TfrmTrend>(Store());
    scanM_ = std::make_unique<TfrmScanM>(Store());
    station_.Log().Attach(scanM_.get());
    Store().Events().Subscribe(scanM_.get());
    mgr_ = std::make_unique<TfrmMGR>(Store());
    Store().Events().Subscribe(mgr_.get());
    alarmMax_ = std::make_unique<TfrmAlarm>(TfrmAlarm::Kind::Upper);
    alarmMin_ = std::make_unique<TfrmAlarm>(TfrmAlarm::Kind::Lower);
    plet_ = std::make_unique<TfrmPlet>(Store(), operator_);
    Store().Events().Subscribe(plet_.get());
}

void Shell::WireCommands() {
    TfrmMain& m = *main_;
    connect(&m, &TfrmMain::FirstShown, this, &Shell::OnFirstShown);
    connect(&m, &TfrmMain::Closing, this, &Shell::OnClosing);
    m.SetCloseQuery([this] { return CloseQuery(); });

    connect(m.Action(QStringLiteral("actScanM")), &QAction::triggered, this, [this] {
        scanM_->show();
        scanM_->raise();
    });
    connect(m.Action(QStringLiteral("actProgSet")), &QAction::triggered, this,
            [this] { progSet_->Execute(); });
    connect(m.Action(QStringLiteral("actAbout")), &QAction::triggered, this, [this] {
        about_->show();
        about_->raise();
    });
    connect(m.Action(QStringLiteral("actHelp")), &QAction::triggered, this, &Shell::ShowHelp);
    connect(m.Action(QStringLiteral("actHomePage")), &QAction::triggered, this, &Shell::ShowHomePage);
    connect(m.Action(QStringLiteral("actClearResults")), &QAction::triggered, this,
            [this] { Store().ClearResults(); });
    connect(m.Action(QStringLiteral("actReleaseAll")), &QAction::triggered, this,
            [this] { Store().ReleaseAll(true); });

    ProgSetHooks hooks;
    hooks.Receiving = [this] { return Store().Receiving(); };
    hooks.ShowHint = [this](bool on) { SetShowHint(on); };
    // Reception keeps the polling interval in force, auto-save its period; their timers follow
    // (a running timer counts anew).
    hooks.PollingIntervalMs = [this] { return Engine().PollingInterval(); };
    hooks.SetPollingInterval = [this](const TimerPlan& plan) {
        Engine().SetPollingInterval(plan.IntervalMs);
        main_->ReceptionIndicators().SetProgress(0);
        main_->ReceptionIndicators().SetProgressMaximum(plan.ProgressMax);
    };
    hooks.AutoSaveIntervalMs = [this] { return Engine().AutoSaver().PeriodSeconds() * 1000; };
    hooks.SetAutoSaveInterval = [this](const TimerPlan& plan) {
        Engine().AutoSaver().SetPeriodIndex(Settings().Main.AutoSaveIndex);
        main_->SaveIndicators().SetProgress(0);
        main_->SaveIndicators().SetProgressMaximum(plan.ProgressMax);
    };
    hooks.AutoSaveLamp = [this](bool on) { main_->SaveIndicators().SetLampGreen(on); };
    hooks.UpdateIntervalMs = Reception::UpdateIntervalMs;
    progSet_->SetHooks(std::move(hooks));
}

void Shell::Show() { main_->show(); }

void Shell::OnFirstShown() {
    std::string settingsNote;
    Engine().UseSettings(LoadSettings(paths_.SettingsFile, paths_.ArchiveFolder, &settingsNote));
    if (!settingsNote.empty()) Log().Log(settingsNote);
    settingsLoaded_ = true;
    ApplySettings();
    if (hooks_.SettingsLoaded) hooks_.SettingsLoaded();
    PrepareArchiveFolder(Settings().Main.ArchiveFolder, operator_);

    const CommandLineDecision decision = DecideCommandLine(args_);
    switch (decision.Action) {
    case CommandLineAction::None: break;
    case CommandLineAction::OpenArchive:
        if (hooks_.OpenArchive) hooks_.OpenArchive(decision.Path);
        break;
    case CommandLineAction::OpenNotebook:
        if (hooks_.OpenNotebook) hooks_.OpenNotebook(decision.Path);
        break;
    case CommandLineAction::RefuseSensorFile: operator_.Info(decision.Message); break;
    case CommandLineAction::Unsupported: operator_.Error(decision.Message); break;
    }
    if (decision.Action != CommandLineAction::None) {
        fromCommandLine_ = true;
        return;
    }
    main_->ShowDeviceActions();
    if (Settings().Find.AutoFindEnabled && hooks_.ShowSearchWindow) hooks_.ShowSearchWindow();
}

void Shell::ApplySettings() {
    const MainSettings& m = Settings().Main;
    PlaceWindow(*main_, m.Place, true, false);
    PlaceWindow(*scanM_, Settings().ScanM, true, false);
    PlaceWindow(*mgr_, Settings().MGR.Place, true, true);
    PlaceWindow(*plet_, Settings().Plet.Place, true, true);
    PlaceWindow(*graphic_, Settings().Graph.Place, true, true);
    graphic_->LoadSettings(Settings().Graph);
    PlaceWindow(*trend_, Settings().Trend.Place, true, true);
    LoadTrendSettings(*trend_, Settings().Trend);
    main_->SetTableColour(m.TableColor);
    SetShowHint(m.ShowHint);
    progSet_->LoadControls();
    main_->SaveIndicators().SetLampGreen(m.AutoSaveEnabled);
}

void Shell::CollectSettings() {
    NotePlace(*main_, Settings().Main.Place, true, false);
    NotePlace(*scanM_, Settings().ScanM, true, false);
    NotePlace(*mgr_, Settings().MGR.Place, true, true);
    NotePlace(*plet_, Settings().Plet.Place, true, true);
    NotePlace(*graphic_, Settings().Graph.Place, true, true);
    graphic_->SaveSettings(Settings().Graph);
    NotePlace(*trend_, Settings().Trend.Place, true, true);
    SaveTrendSettings(*trend_, Settings().Trend);
    Settings().Main.TableColor = main_->TableColour();
}

bool Shell::CloseQuery() {
    if (terminating_) return true;
    return ConfirmProgramClose(Settings().Main.ConfirmClose, Store().ArchiveLoaded(), Store().ValidValues(),
                               operator_);
}

void Shell::OnClosing() {
    if (hooks_.StopLongLoops) hooks_.StopLongLoops();
    // Ended by the system, the readings since the last auto-save would be lost: the running
    // reception's file is written once more before reception stops.
    if (terminating_ && Store().Receiving() && hooks_.SaveRunningAutoSave) hooks_.SaveRunningAutoSave();
    if (Store().Receiving() && hooks_.StopReception) hooks_.StopReception();
    CollectSettings();
    if (hooks_.SavingSettings) hooks_.SavingSettings();
    std::string error;
    // The operator learns that his settings are lost rather than finding out at the next start;
    // while the system ends the program nobody is there to answer a message, so it is logged.
    if (!SaveSettings(paths_.SettingsFile, Settings(), &error)) {
        const std::string text =
            "Не удалось сохранить настройки в файл " + paths_.SettingsFile + "\r\n" + error;
        if (terminating_)
            Log().Log(" > " + text);
        else
            operator_.Error(text);
    }
    station_.Close();
}

void Shell::SetShowHint(bool on) { showHint_ = on; }

bool Shell::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ToolTip && !showHint_) return true;
    return QObject::eventFilter(watched, event);
}

void Shell::ShowHelp() {
    const QString help = QString::fromStdString(paths_.HelpProgram);
    if (!QFileInfo::exists(help)) {
        operator_.Error("Не удалось найти файл справки Help.exe");
        return;
    }
    openUrl_(QUrl::fromLocalFile(help), [this] { operator_.Error("Не удалось найти файл справки Help.exe"); });
}

void Shell::ShowHomePage() {
    openUrl_(QUrl(QString::fromLatin1(kHomePage)),
             [this] { operator_.Error(std::string("Не удалось открыть домашнюю страницу ") + kHomePage); });
}

void Shell::EndOnTerminationSignals() {
    if (terminationSignals_) return;
    terminationSignals_ = std::make_unique<TerminationSignals>();
    connect(terminationSignals_.get(), &TerminationSignals::Requested, this, &Shell::Terminate);
}

void Shell::Terminate() {
    if (terminating_ && modalCloseTries_ == 0) return;  // already closing
    terminating_ = true;
    // Before the settings were read there is nothing of the operator's to keep, and writing the
    // file now would replace his settings with the defaults.
    if (!settingsLoaded_) {
        QCoreApplication::quit();
        return;
    }
    // A question, a file dialog or the settings dialog runs an event loop of its own. It is
    // closed as if answered with No or Cancel, and the closing runs once it has returned.
    if (QWidget* modal = QApplication::activeModalWidget(); modal && modalCloseTries_ < 20) {
        ++modalCloseTries_;
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
        QTimer::singleShot(0, this, &Shell::Terminate);
        return;
    }
    modalCloseTries_ = 0;
    main_->close();
}

}  // namespace drumo
