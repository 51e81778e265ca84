#include "app/ui/GraphWiring.h"

#include <QAction>
#include <QFileInfo>

#include "model/ViewTexts.h"
#include "app/GraphColoursFile.h"
#include "app/ui/TfrmMain.h"
#include "model/Formats.h"
#include "views/ui/TfrmGraphic.h"

namespace drumo {

namespace {
QString Q(const std::string& text) { return QString::fromStdString(text); }
}  // namespace

GraphWiring::GraphWiring(TfrmGraphic& graphic, TfrmMain& main, MeasurementStore& store,
                         const std::string& settingsFile)
    : graphic_(graphic), main_(main), store_(store) {
    store_.Events().Subscribe(this);
    QAction* show = main.Action(QStringLiteral("actGraph"));
    show->setEnabled(true);
    connect(show, &QAction::triggered, this, &GraphWiring::ShowGraph);
    // The window's print button runs the main window's "Печатать График".
    graphic_.SetPrintHook([this] { main_.Action(QStringLiteral("actPrintGraph"))->trigger(); });
    graphic_.SetDefaultColours([settingsFile] { return ReadDefaultColoursFile(settingsFile); });
    connect(&main, &TfrmMain::SensorRowPicked, this, [this](int line) { graphic_.SetTrackedLineNumber(line); });
}

GraphWiring::~GraphWiring() { store_.Events().Unsubscribe(this); }

void GraphWiring::ShowGraph() {
    graphic_.show();
    graphic_.raise();
}

void GraphWiring::ReceptionStarted(bool fresh) {
    if (fresh) graphic_.ResetView();
    graphic_.SetFollow(true);
}

void GraphWiring::ReceptionStopped() { graphic_.SetFollow(false); }
void GraphWiring::ArchiveShown() { graphic_.SetAutoZoom(true); }

void GraphWiring::ShowCounts() {
    graphic_.SetStatusPanel(2, Q(CountsText(store_.SelSamples(), store_.ShownValues())));
}

void GraphWiring::SelectionChanged() {
    if (search_ && search_->SearchRunning()) return;
    const size_t d = store_.SelDevice(), c = store_.SelCable();
    if (!store_.HasDevice(d)) return;
    if (store_.ArchiveLoaded())
        graphic_.setWindowTitle(QStringLiteral("График - ") + QFileInfo(Q(store_.DevSig(d).Source)).fileName());

    graphic_.DestroyLines();
    const int sensors = store_.SelSensors();
    graphic_.CreateLines(sensors);
    if (store_.HasCable(d, c)) {
        const int kind = store_.CableKinds(d)[c];
        const auto labels = store_.SensorLabels(d, c);
        const char mark = DecimalMark();
        for (int i = 1; i <= sensors && i <= static_cast<int>(labels.size()); ++i)
            graphic_.SetLineCaption(i, Q(GraphLineCaption(kind, i, labels[i - 1], mark)));
        graphic_.SetAxisCaption(Q(GraphAxisCaption(kind)));
    }
    if (store_.SelSamples() > 0) {
        // The lines read the store's series; nothing is copied.
        graphic_.SuspendRepaint();
        for (int s = 0; s < sensors; ++s) graphic_.ShowStoreSeries(s + 1, store_, d, c, s, store_.SelSamples());
        if (graphic_.AutoZoom()) graphic_.ShowAll();
        graphic_.ResumeRepaint();
    }
    ShowCounts();
}

void GraphWiring::SampleAdded(const SamplePlace& place) {
    const size_t d = place.Device, c = place.Cable;
    if (!place.Selected || store_.SelSamples() == 0 || !store_.HasCable(d, c)) return;
    const int sensors = std::min<int>(store_.SelSensors(), static_cast<int>(store_.Sensors(d, c)));
    graphic_.SuspendRepaint();
    for (int s = 0; s < sensors && s < graphic_.LineCount(); ++s)
        graphic_.ShowStoreSeries(s + 1, store_, d, c, s, store_.SelSamples());
    graphic_.ResumeRepaint();
    ShowCounts();
    if (graphic_.AutoZoom())
        graphic_.ShowAll();
    else if (store_.SelSensors() > 1)
        graphic_.RefreshTrackedLine();
}

void GraphWiring::StoreCleared() { graphic_.ClearLines(); }

void GraphWiring::StoreEmptied() {
    graphic_.DestroyLines();
    graphic_.setWindowTitle(QStringLiteral("График"));
}

}  // namespace drumo
