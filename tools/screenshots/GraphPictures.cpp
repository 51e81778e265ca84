// Saves pictures of the time graph into a folder (first argument, /tmp/drumo-shots by default):
// a cable of eight sensors over six hours as the main window shows it, and a closer view with the
// tracked line, a marker and a read-out text.

#include <QApplication>
#include <QDir>

#include <cmath>

#include "app/ui/GraphWiring.h"
#include "app/ui/Language.h"
#include "app/ui/TfrmMain.h"
#include "base/Services.h"
#include "support/StoreFill.h"
#include "views/ui/TMFPrintDlg.h"
#include "views/ui/TfrmGraphic.h"
#include "screenshots/Pictures.h"

using namespace drumo;

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    UseRussianLanguage(app);
    const QString folder = shots::PictureFolder(argc, argv);
    const auto save = [&](QWidget& w, const QString& name) { shots::SavePicture(w, folder, name); };

    ConsoleOperator op(false);
    NullLog log;
    MeasurementStore store(op, log);
    TfrmMain main(store, op, log);
    TfrmGraphic graphic(op, SystemClock::Instance());
    GraphWiring wiring(graphic, main, store, "/nonexistent");
    GraphSettings settings;
    const Color colours[] = {RgbColor(255, 0, 0), RgbColor(0, 200, 0), RgbColor(0, 128, 255), RgbColor(255, 255, 0),
                             RgbColor(255, 0, 255), RgbColor(0, 255, 255), RgbColor(255, 128, 0), RgbColor(255, 255, 255)};
    for (int i = 0; i < 8; ++i) settings.GColor[i] = colours[i];
    graphic.LoadSettings(settings);

    test::DeviceSpec device;
    device.Cables = {{1234, 1, {50, 150, 250, 350, 450, 550, 650, 750}, {}}};
    test::AddDevice(store, device);
    const DateTime start = EncodeDateTime(2026, 12, 9, 8, 0, 0);
    std::vector<Temperature> values(8);
    for (int k = 0; k < 6 * 60; ++k) {
        for (int s = 0; s < 8; ++s)
            values[s] = static_cast<Temperature>(1500 + s * 150 + 300 * std::sin(k / 40.0 + s));
        if (k % 50 == 7) values[3] = NoValue;
        store.AppendSample(0, 0, start + k * OneMinute, values);
    }
    store.AnnounceSelection();
    graphic.ShowAll();
    save(graphic, QStringLiteral("graph-cable"));
    TMFPrintDlg print(op, folder + QStringLiteral("/graph.pdf"));
    print.PrintGraph(graphic.Graph());
    print.Print();
    print.hide();

    graphic.SetTrackedLineNumber(3);
    graphic.Graph().SetAxisRange(ChartAxis::Bottom, start + 2 * OneHour, start + 2 * OneHour + 30 * OneMinute);
    graphic.Graph().SetAxisRange(ChartAxis::Left, 10, 40);
    graphic.SetMarker(TfrmGraphic::Marker::S25, 25, true);
    graphic.show();
    QApplication::processEvents();
    graphic.Graph().ReplotNow();
    graphic.Graph().DrawText(300, 150, QStringLiteral("21.50 °C "), graphic.font(), Qt::white, Qt::black);
    save(graphic, QStringLiteral("graph-tracked"));
    return 0;
}
