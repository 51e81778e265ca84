#include "app/ui/SystemTrendWiring.h"

#include <QAction>

#include "app/ui/AcquisitionWiring.h"
#include "acquisition/ui/TfrmScanM.h"
#include "views/ui/Colours.h"
#include "app/ui/Shell.h"
#include "app/ui/TfrmMain.h"
#include "app/ui/TfrmProgSet.h"
#include "app/ui/FilesWiring.h"
#include "views/ui/TMFPrintDlg.h"
#include "views/ui/TfrmGraphic.h"
#include "views/ui/TfrmMGR.h"
#include "views/ui/TfrmPlet.h"

namespace drumo {

namespace {

void ShowWindow(QWidget& window) {
    window.show();
    window.raise();
    window.activateWindow();
}

}  // namespace

SystemTrendWiring::SystemTrendWiring(Shell& shell, AcquisitionWiring& acquisition, FilesWiring& files)
    : shell_(shell) {
    TfrmMain& main = shell.Main();
    TfrmMGR& mgr = shell.MGR();
    TfrmPlet& plet = shell.Plet();
    TfrmScanM& scanM = shell.ScanM();
    const auto join = [&](const char* name, auto slot) {
        QAction* action = main.Action(QString::fromLatin1(name));
        action->setEnabled(true);
        connect(action, &QAction::triggered, this, slot);
    };
    join("actSysTrend", [&mgr] { ShowWindow(mgr); });
    join("actPlets", [&plet] { ShowWindow(plet); });
    join("actPrintSysTrend", [&mgr] { mgr.Print(); });
    // Both windows' print buttons hand their chart to the graph print dialog.
    mgr.SetPrintHook([&shell](Chart& chart) { shell.PrintDlg().PrintGraph(chart); });
    plet.SetPrintHook([&shell](Chart& chart) { shell.PrintDlg().PrintGraph(chart); });

    connect(&scanM, &TfrmScanM::LineToggled, this, [this, &mgr](int row, bool shown) {
        if (const auto cable = CableAt(row)) mgr.SetLineShown(cable->Device, cable->Cable, shown);
    });
    connect(&scanM, &TfrmScanM::AllLinesToggled, this, [this] { ShowCheckedLines(); });
    connect(&scanM, &TfrmScanM::SwatchColourChanged, this, [this, &mgr](int row, const QColor& colour) {
        if (const auto cable = CableAt(row)) mgr.SetLineColour(cable->Device, cable->Cable, colour);
    });
    connect(&scanM, &TfrmScanM::RowSelected, this, [this, &mgr](int previousRow, int row) {
        const auto before = CableAt(previousRow);
        const auto now = CableAt(row);
        mgr.EmphasiseCable(before ? before->Device : -1, before ? before->Cable : -1, now ? now->Device : -1,
                           now ? now->Cable : -1);
    });

    connect(&acquisition, &AcquisitionWiring::DevicesListed, this, &SystemTrendWiring::CreateLines);
    connect(&files, &FilesWiring::DevicesLoaded, this, [this, &mgr] {
        CreateLines();
        mgr.SetAutoZoom(true);
        mgr.UpdateSystemTrend(true);
    });
    connect(&files, &FilesWiring::SystemTrendTitle, &mgr, &QWidget::setWindowTitle);
    connect(&shell.ProgSet(), &TfrmProgSet::Applied, &mgr, [this, &mgr] {
        mgr.SetAlarmMarkers(shell_.Settings().Main.AlarmTMax, shell_.Settings().Main.AlarmTMin);
    });
    mgr.SetAlarmMarkers(shell.Settings().Main.AlarmTMax, shell.Settings().Main.AlarmTMin);
    shell.Store().Events().Subscribe(this);
}

SystemTrendWiring::~SystemTrendWiring() { shell_.Store().Events().Unsubscribe(this); }

void SystemTrendWiring::ReceptionStarted(bool) {
    if (!shell_.MGR().AutoZoom()) shell_.MGR().ShowAll();
}

void SystemTrendWiring::PacketReceived(DateTime, int) { shell_.MGR().UpdateSystemTrend(); }

std::optional<CableRef> SystemTrendWiring::CableAt(int row) const {
    const MeasurementStore& store = shell_.Store();
    const auto cable = CableOfRow(CableCounts(store), row);
    if (!cable || !store.HasCable(cable->Device, cable->Cable)) return std::nullopt;
    return cable;
}

void SystemTrendWiring::CreateLines() {
    const MeasurementStore& store = shell_.Store();
    TfrmScanM& scanM = shell_.ScanM();
    const auto counts = CableCounts(store);
    // Row r starts with the colour of line r of the time graph.
    std::vector<QColor> rowColours;
    for (int r = 0; r < scanM.ListedRows(); ++r)
        rowColours.push_back(shell_.Graphic().LineColour(std::min(r, LineColorCount - 1) + 1));
    std::vector<std::vector<QColor>> colours(store.Devices());
    for (size_t d = 0; d < store.Devices(); ++d)
        for (size_t c = 0; c < store.Cables(d); ++c) {
            const size_t row = static_cast<size_t>(RowOfCable(counts, static_cast<int>(d), static_cast<int>(c)));
            colours[d].push_back(row >= 1 && row <= rowColours.size() ? rowColours[row - 1] : QColor(Qt::red));
        }
    shell_.MGR().CreateSystemLines(colours);
    scanM.CreateSwatches(rowColours);
    ShowCheckedLines();
}

void SystemTrendWiring::ShowCheckedLines() {
    for (int row = 1; row <= shell_.ScanM().ListedRows(); ++row)
        if (const auto cable = CableAt(row))
            shell_.MGR().SetLineShown(cable->Device, cable->Cable, shell_.ScanM().LineChecked(row));
}

void SystemTrendWiring::LoadSettings() {
    const ProgramSettings& s = shell_.Settings();
    TfrmMGR& mgr = shell_.MGR();
    mgr.SetPointsVisible(s.MGR.PointVisible);
    mgr.SetPointSize(s.MGR.PointSize);
    mgr.SetDiscretIndex(s.MGR.DiscretIndex);
    mgr.SetFieldColour(ColourOf(s.MGR.FieldColor));
    mgr.SetGridColour(ColourOf(s.MGR.GridColor));
    mgr.SetAlarmMarkers(s.Main.AlarmTMax, s.Main.AlarmTMin);
    TfrmPlet& plet = shell_.Plet();
    plet.SetPointsVisible(s.Plet.PointVisible);
    plet.SetPointSize(s.Plet.PointSize);
    plet.SetFieldColour(ColourOf(s.Plet.FieldColor));
    plet.SetGridColour(ColourOf(s.Plet.GridColor));
    plet.SetParameters(s.Plet.TStep, s.Plet.TBeg, s.Plet.TFin);
}

void SystemTrendWiring::SaveSettings() {
    ProgramSettings& s = shell_.Settings();
    const TfrmMGR& mgr = shell_.MGR();
    s.MGR.PointVisible = mgr.PointsVisible();
    s.MGR.PointSize = mgr.PointSize();
    s.MGR.DiscretIndex = mgr.DiscretIndex();
    s.MGR.FieldColor = ColourValue(mgr.FieldColour());
    s.MGR.GridColor = ColourValue(mgr.GridColour());
    const TfrmPlet& plet = shell_.Plet();
    const PletParameters p = plet.Parameters();
    s.Plet.PointVisible = plet.PointsVisible();
    s.Plet.PointSize = plet.PointSize();
    s.Plet.FieldColor = ColourValue(plet.FieldColour());
    s.Plet.GridColor = ColourValue(plet.GridColour());
    s.Plet.TStep = p.TStep;
    s.Plet.TBeg = p.TBeg;
    s.Plet.TFin = p.TFin;
}

void SystemTrendWiring::StopLongLoops() { shell_.Plet().StopComputation(); }

}  // namespace drumo
