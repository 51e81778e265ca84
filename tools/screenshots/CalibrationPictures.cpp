// Saves pictures of the calibration windows into a folder (first argument, /tmp/drumo-shots by
// default): the report, the correction window with its help, the numbering window.

#include <QApplication>
#include <QDir>
#include <QScrollBar>

#include "station/Station.h"
#include "app/ui/Language.h"
#include "calibration/ui/TfrmASHelp.h"
#include "calibration/ui/TfrmAutoNum.h"
#include "calibration/ui/TfrmAutoSet.h"
#include "calibration/ui/TfrmReport.h"
#include "link/PosixSerialPort.h"
#include "support/StoreFill.h"
#include "screenshots/Pictures.h"

using namespace drumo;

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    UseRussianLanguage(app);
    const QString folder = shots::PictureFolder(argc, argv);
    const auto save = [&](QWidget& w, const QString& name) { shots::SavePicture(w, folder, name); };

    ConsoleOperator op(false);
    PosixSerialPort port;
    NullLog log;
    Station station{StationServices{port, op, log, SystemClock::Instance()}};
    MeasurementStore& store = station.Store();
    test::CableSpec cable(1234, 1, {50, 150, 250, 350, 450, 550});
    for (int k = 0; k < 40; ++k)
        cable.Samples.push_back({46000.5 + k / 1440.0, {2150, 2153, NoValue, static_cast<int16_t>(2100 + k), 1998, -501}});
    test::DeviceSpec device;
    device.Cables = {cable};
    test::AddDevice(store, device);

    TfrmReport report(store);
    report.Rebuild();
    report.resize(346, 433);
    save(report, QStringLiteral("report"));
    report.ShowRomCodes({{"№1", " A300 0005 1A4B FF28"}, {"№2", " 1200 0005 1A4B FF28"}});
    report.Pages()->setCurrentIndex(1);
    report.grab().save(folder + QStringLiteral("/report-rom.png"));

    CalibrationGraphs graphs;
    StoreCalibrationLines lines(store);
    TfrmAutoSet autoSet({station, store, op, SystemClock::Instance(), lines, graphs});
    for (int r = 1; r <= 6; ++r) {
        autoSet.Table().SetRecord(r, SensorRecord{0, static_cast<uint8_t>(r), 5, 8}, '.');
    }
    autoSet.ShowTable();
    autoSet.resize(TfrmAutoSet::MinWidth, TfrmAutoSet::MinHeight);
    save(autoSet, QStringLiteral("autoset"));
    autoSet.Help().resize(TfrmASHelp::FixedWidth, 600);
    save(autoSet.Help(), QStringLiteral("autoset-help"));
    autoSet.Help().verticalScrollBar()->setValue(1400);
    save(autoSet.Help(), QStringLiteral("autoset-help-end"));

    TfrmAutoNum autoNum(autoSet.Table(), store, graphs, SystemClock::Instance(), {});
    save(autoNum, QStringLiteral("autonum"));
    return 0;
}
