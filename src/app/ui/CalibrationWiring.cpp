#include "app/ui/CalibrationWiring.h"

#include <QAction>
#include <QFileInfo>

#include "app/DeviceActions.h"
#include "app/ui/TfrmMain.h"
#include "model/ui/WindowPlaces.h"
#include "calibration/Report.h"
#include "calibration/RomCodes.h"
#include "calibration/ui/TfrmAutoNum.h"
#include "calibration/ui/TfrmAutoSet.h"
#include "calibration/ui/TfrmReport.h"
#include "app/ui/FilesWiring.h"

namespace drumo {

namespace {
QString Q(const std::string& text) { return QString::fromStdString(text); }
}  // namespace

CalibrationWiring::CalibrationWiring(TfrmMain& main, Station& station, Operator& op, FilesWiring& files)
    : main_(main), station_(station), op_(op), files_(files), lines_(station.Store()) {
    MeasurementStore& store = station.Store();
    report_ = std::make_unique<TfrmReport>(store, &main);
    AutoSetServices services{station, store, op, SystemClock::Instance(), lines_, graphs_};
    autoSet_ = std::make_unique<TfrmAutoSet>(services, &main);
    AutoNumHooks hooks;
    hooks.Running = [this](bool running) { autoSet_->SetNumberingRunning(running); };
    hooks.TableChanged = [this] { autoSet_->ShowTable(); };
    hooks.Stopped = [this] { autoSet_->PlaceReferenceMarkers(); };
    autoNum_ = std::make_unique<TfrmAutoNum>(autoSet_->Table(), store, graphs_, SystemClock::Instance(),
                                             std::move(hooks), autoSet_.get());

    connect(autoSet_.get(), &TfrmAutoSet::NumberingRequested, this, [this] {
        autoNum_->show();
        autoNum_->raise();
    });
    connect(autoSet_.get(), &TfrmAutoSet::OpenFileRequested, this, &CalibrationWiring::OpenSensorFile);
    connect(autoSet_.get(), &TfrmAutoSet::SaveFileRequested, this, &CalibrationWiring::SaveSensorFile);
    connect(report_.get(), &TfrmReport::ReadRomClicked, this, &CalibrationWiring::ReadRomCodes);
    connect(report_.get(), &TfrmReport::CellPicked, this, &CalibrationWiring::ReportCellPicked);

    for (const auto& [name, window] : {std::pair<const char*, QWidget*>{"actAutoSet", autoSet_.get()},
                                       std::pair<const char*, QWidget*>{"actReport", report_.get()}}) {
        QAction* action = main.Action(QString::fromLatin1(name));
        action->setEnabled(true);
        connect(action, &QAction::triggered, window, [window] {
            window->show();
            window->raise();
            window->activateWindow();
        });
    }
    files.UnsignedShown = [this] { ArchiveUnsigned(); };
    files.CorrectionWindowClosing = [this] { CloseCorrectionWindow(); };
    store.Events().Subscribe(this);
    report_->LiveColours();
    ShowReadRomButton();
}

CalibrationWiring::~CalibrationWiring() { station_.Store().Events().Unsubscribe(this); }

void CalibrationWiring::ApplySettings(const ProgramSettings& settings) {
    PlaceWindow(*report_, settings.Report, true, true);
    PlaceWindow(*autoSet_, settings.AutoSet, true, false);
    WindowPlace numbering = settings.AutoNum.Place;
    PlaceWindow(*autoNum_, numbering, false, false);
    autoNum_->LevelSlider()->setValue(settings.AutoNum.DetectLevel);
    autoNum_->DriftSlider()->setValue(settings.AutoNum.DriftComp);
}

void CalibrationWiring::CollectSettings(ProgramSettings& settings) const {
    NotePlace(*report_, settings.Report, true, true);
    NotePlace(*autoSet_, settings.AutoSet, true, false);
    NotePlace(*autoNum_, settings.AutoNum.Place, false, false);
    settings.AutoNum.DetectLevel = autoNum_->LevelSlider()->value();
    settings.AutoNum.DriftComp = autoNum_->DriftSlider()->value();
}

void CalibrationWiring::CloseCorrectionWindow() {
    autoNum_->close();
    autoSet_->close();
}

void CalibrationWiring::ArchiveUnsigned() { report_->FileColours(); }

void CalibrationWiring::OpenSensorFile() {
    const QStringList names = files_.Dialogs().OpenFiles(autoSet_.get(), Q(station_.Settings().Main.ArchiveFolder),
                                                 QtFilter(SensorOpenFilter));
    if (!names.isEmpty()) autoSet_->LoadFile(names.first().toStdString());
}

void CalibrationWiring::SaveSensorFile() {
    const QString name = files_.Dialogs().SaveFile(autoSet_.get(), Q(station_.Settings().Main.ArchiveFolder),
                                           QtFilter(SensorSaveFilter));
    if (name.isEmpty()) return;
    const int filter = name.endsWith(QStringLiteral(".xls"), Qt::CaseInsensitive) ? 2 : 1;
    autoSet_->SaveFile(SensorFileTarget(name.toStdString(), filter));
}

void CalibrationWiring::ReadRomCodes() {
    const LineLease line = station_.Take(LineUser::Calibration);
    if (!line) return;
    std::vector<RomCodeRow> rows;
    for (int r = 0; r < report_->RomCodes()->rowCount(); ++r)
        rows.push_back({report_->RomCodes()->item(r, 0)->text().toStdString(),
                        report_->RomCodes()->item(r, 1)->text().toStdString()});
    drumo::ReadRomCodes(line.Bus(), station_.Store(), rows, op_);
    report_->ShowRomCodes(rows);
}

void CalibrationWiring::ReportCellPicked(int column, int row) {
    graphs_.SetTrackedLine(column);
    graphs_.ShowTrendSample(row - 1);
    bool inGround = false;
    double x = 0, y = 0;
    if (graphs_.TrendSticker(inGround) && ReportTable(station_.Store()).StickerPlace(row - 1, column, inGround, x, y))
        graphs_.PlaceSticker(x, y);
}

void CalibrationWiring::ShowReadRomButton() {
    report_->ReadRomButton()->setVisible(DeviceActionsFor(DeviceActionInputOf(station_.Store())).ReadRom);
}

void CalibrationWiring::StoreCleared() {
    report_->Rebuild();
    autoSet_->ResetMarks();
}

void CalibrationWiring::StoreEmptied() {
    report_->Rebuild();
    report_->LiveColours();
    report_->setWindowTitle(QStringLiteral("Отчет"));
    autoSet_->ResetMarks();
    ShowReadRomButton();
}

void CalibrationWiring::SelectionChanged() {
    const MeasurementStore& store = station_.Store();
    report_->Rebuild();
    if (store.ArchiveLoaded() && store.HasDevice(store.SelDevice()))
        report_->setWindowTitle(QStringLiteral("Отчет - ") + QFileInfo(Q(store.DevSig(store.SelDevice()).Source)).fileName());
    if (!store.SelectionValid() || store.Sensors(store.SelDevice(), store.SelCable()) == 0) autoSet_->ResetMarks();
    ShowReadRomButton();
}

void CalibrationWiring::SampleAdded(const SamplePlace& place) {
    if (place.Selected) report_->SampleAdded();
}

}  // namespace drumo
