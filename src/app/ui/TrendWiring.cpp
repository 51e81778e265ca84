#include "app/ui/TrendWiring.h"

#include <QAction>
#include <QFileInfo>

#include "model/ViewTexts.h"
#include "views/ui/Colours.h"
#include "app/ui/TfrmMain.h"
#include "views/ui/TMFPrintDlg.h"
#include "views/ui/TfrmTrend.h"

namespace drumo {

void LoadTrendSettings(TfrmTrend& trend, const TrendSettings& s) {
    TrendLook look;
    look.Field = ColourOf(s.FieldColor);
    look.Grid = ColourOf(s.GridColor);
    look.Line = ColourOf(s.LineColor1);
    look.Point = ColourOf(s.PointColor);
    look.Border = ColourOf(s.BorderColor);
    look.Sticker = ColourOf(s.StickerColor);
    look.Trace = ColourOf(s.LineColor2);
    look.PointSize = s.PointSize;
    look.InGround = s.TrendInversed;
    look.ZeroBegin = s.TrendZeroBegin;
    trend.SetLook(look);
}

void SaveTrendSettings(const TfrmTrend& trend, TrendSettings& s) {
    const TrendLook look = trend.Look();
    s.FieldColor = ColourValue(look.Field);
    s.GridColor = ColourValue(look.Grid);
    s.LineColor1 = ColourValue(look.Line);
    s.PointColor = ColourValue(look.Point);
    s.BorderColor = ColourValue(look.Border);
    s.StickerColor = ColourValue(look.Sticker);
    s.LineColor2 = ColourValue(look.Trace);
    s.PointSize = look.PointSize;
    s.TrendInversed = look.InGround;
    s.TrendZeroBegin = look.ZeroBegin;
}

void JoinPrintCommand(TfrmMain& main, const char* action, TrendWiring& wiring, Chart& chart) {
    QAction* command = main.Action(QString::fromLatin1(action));
    command->setEnabled(true);
    QObject::connect(command, &QAction::triggered, &wiring, [&wiring, &chart] { wiring.PrintChart(chart); });
}

TrendWiring::TrendWiring(TfrmTrend& trend, TMFPrintDlg& print, TfrmMain& main, MeasurementStore& store)
    : trend_(trend), print_(print), store_(store) {
    store_.Events().Subscribe(this);
    QAction* show = main.Action(QStringLiteral("actTrend"));
    show->setEnabled(true);
    connect(show, &QAction::triggered, this, &TrendWiring::ShowTrend);
    JoinPrintCommand(main, "actPrintTrend", *this, trend_.Plot());
    connect(&trend_, &TfrmTrend::PrintRequested, this, [this] { PrintChart(trend_.Plot()); });
}

TrendWiring::~TrendWiring() { store_.Events().Unsubscribe(this); }

void TrendWiring::ShowTrend() {
    trend_.show();
    trend_.raise();
    trend_.activateWindow();
}

void TrendWiring::PrintChart(Chart& chart) { print_.PrintGraph(chart); }

void TrendWiring::ReceptionStarted(bool fresh) {
    if (fresh) trend_.ResetTrendView();
}

void TrendWiring::ArchiveShown() { trend_.SetAutoZoom(true); }

void TrendWiring::StoreCleared() { trend_.ClearTrend(); }

void TrendWiring::StoreEmptied() {
    trend_.ClearTrend();
    trend_.ForgetPositionAxis();
    trend_.setWindowTitle(QStringLiteral("Тренд"));
}

// The main window rebuilt its view of the selection: the trend shows the newest sample of the
// selected cable along a position axis fitted to the cable's labels.
void TrendWiring::SelectionChanged() {
    if (search_ && search_->SearchRunning()) return;
    const size_t d = store_.SelDevice(), c = store_.SelCable();
    if (!store_.HasDevice(d)) return;
    if (store_.ArchiveLoaded())
        trend_.setWindowTitle(QStringLiteral("Тренд - ") +
                              QFileInfo(QString::fromStdString(store_.DevSig(d).Source)).fileName());
    if (store_.HasCable(d, c) && store_.Sensors(d, c) > 0) {
        const auto labels = store_.SensorLabels(d, c);
        trend_.SetPositionAxis(store_.CableKinds(d)[c], PositionAxisLow(labels.front()),
                               PositionAxisHigh(labels.back()));
    }
    trend_.UpdateTrend(true, true);
}

// A new sample is followed when the main slider stood at the newest one before it came.
void TrendWiring::SampleAdded(const SamplePlace& place) {
    if (!place.Selected || store_.SelSamples() == 0) return;
    trend_.UpdateTrend(trend_.MainAtMaximum(), false);
}

}  // namespace drumo
