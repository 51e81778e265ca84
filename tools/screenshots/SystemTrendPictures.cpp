// Saves pictures of the system trend, the thermal plots and the device manager beside them, with
// a loaded archive of four cables over a day, into a folder (first argument, /tmp/drumo-shots by
// default), so that their layouts can be looked at without a desktop.

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cmath>

#include "acquisition/ui/TfrmScanM.h"
#include "app/ui/Language.h"
#include "app/ui/ProgramWiring.h"
#include "app/ui/Shell.h"
#include "files/ArchiveStore.h"
#include "app/ui/FilesWiring.h"
#include "support/StoreFill.h"
#include "views/ui/TfrmMGR.h"
#include "views/ui/TfrmPlet.h"
#include "screenshots/Pictures.h"

using namespace drumo;

int main(int argc, char* argv[]) {
    QTemporaryDir home;
    qputenv("DRUMO_HOME", home.path().toLocal8Bit());
    qputenv("DRUMO_NO_OPEN", "1");
    QApplication app(argc, argv);
    UseRussianLanguage(app);
    const QString folder = shots::PictureFolder(argc, argv);
    const auto save = [&](QWidget& w, const QString& name) { shots::SavePicture(w, folder, name); };

    ConsoleOperator op(true);
    const std::string file = home.filePath("silos.dml").toStdString();
    {
        NullLog log;
        MeasurementStore scratch(op, log);
        const DateTime start = EncodeDateTime(2026, 12, 8, 8, 0, 0);
        std::vector<test::CableSpec> cables;
        for (int c = 0; c < 4; ++c) {
            test::CableSpec cable(static_cast<int16_t>(100 + c), 1);
            for (int s = 0; s < 24; ++s) cable.Labels.push_back(static_cast<int16_t>(50 + s * 50));
            for (int k = 0; k < 288; ++k) {
                std::vector<int16_t> values;
                for (int s = 0; s < 24; ++s) {
                    const double t = 4 + c * 3 + 12 * std::sin(s / 24.0 * 3.1416) + 3 * std::sin(k / 288.0 * 6.283 + s / 6.0);
                    values.push_back(static_cast<int16_t>(std::lround(t * 100)));
                }
                cable.Samples.push_back({start + k * 5 * OneMinute, values});
            }
            cables.push_back(cable);
        }
        test::AddDevice(scratch, 4, {cables[0], cables[1], cables[2]}, 1);
        test::AddDevice(scratch, 4, {cables[3]}, 2);
        SaveDmlFile(scratch, file, "1.0.0.0", start + 1);
    }

    Shell shell({}, &op);
    ProgramWiring wiring(shell);
    shell.Show();
    wiring.Files().OpenFromCommandLine(file);
    shell.ScanM().SelectRow(2);
    save(shell.ScanM(), QStringLiteral("systrend-manager"));
    TfrmMGR& mgr = shell.MGR();
    mgr.resize(760, 480);
    mgr.Slider().setValue(mgr.Slider().maximum() / 3);
    save(mgr, QStringLiteral("systrend"));

    TfrmPlet& plet = shell.Plet();
    plet.SetParameters(1, 0, 20);
    plet.resize(900, 560);
    plet.show();
    plet.MakePlets();
    save(plet, QStringLiteral("plets"));
    return 0;
}
