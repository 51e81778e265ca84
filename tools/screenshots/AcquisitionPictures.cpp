// Saves pictures of the search window, the device editor and the archive window, filled from
// simulated controllers, into a folder (first argument, /tmp/drumo-shots by default), so that
// their layouts and texts can be looked at without a desktop.

#include <QApplication>
#include <QDir>
#include <QTabWidget>

#include <cstdlib>

#include "app/ui/ProgramWiring.h"
#include "acquisition/ui/TfrmFind.h"
#include "acquisition/ui/TfrmMAC.h"
#include "acquisition/ui/TfrmScanM.h"
#include "app/ui/Language.h"
#include "app/ui/Shell.h"
#include "app/ui/TfrmMain.h"
#include "files/ui/TfrmArhiv.h"
#include "sim/Presets.h"
#include "sim/SimClock.h"
#include "screenshots/Pictures.h"

using namespace drumo;

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    UseRussianLanguage(app);
    const QString folder = shots::PictureFolder(argc, argv);
    const auto save = [&](QWidget& w, const QString& name) { shots::SavePicture(w, folder, name); };

    sim::ManualClock simClock;
    std::string error;
    auto line = sim::BuildLine(*sim::PresetConfig("dorma-bus"), simClock, error);
    if (!line || !line->Line->Open()) return 1;
    line->Line->Start();
    setenv("DRUMO_PORTS", ("4=" + line->Line->SlavePath()).c_str(), 1);

    ConsoleOperator op(true);
    Shell shell({}, &op);
    ProgramWiring wiring(shell);
    shell.Show();
    TfrmFind& find = wiring.Acquisition().Find();
    SearchControls c = find.Controls();
    c.ProtocolItem = 1;
    c.PortDefault = 4;
    c.FindBeginAddr = 1;
    c.FindFinishAddr = 3;
    find.SetControls(c);
    find.ApplySearchSettings();
    find.ShowSearchWindow(false);
    find.RunSearch();
    save(find, QStringLiteral("find-search"));

    find.Pages()->setCurrentIndex(1);
    find.SetLinkTest(true);
    for (int i = 0; i < 5; ++i) find.LinkTestTick();
    save(find, QStringLiteral("find-linktest"));
    find.SetLinkTest(false);

    shell.Main().Action("actStart")->trigger();
    save(shell.Main(), QStringLiteral("main-receiving"));
    save(shell.ScanM(), QStringLiteral("scanm-found"));
    shell.Main().Action("actStop")->trigger();

    TfrmMAC& mac = wiring.Acquisition().Editor();
    mac.Prepare(EditMode::Address, shell.ScanM().Cell(1, 5), 3);
    save(mac, QStringLiteral("mac-address"));
    mac.Prepare(EditMode::Comment, shell.ScanM().Cell(1, 5), 3);
    save(mac, QStringLiteral("mac-comment"));
    mac.Prepare(EditMode::Speed, shell.ScanM().Cell(1, 5), 3);
    save(mac, QStringLiteral("mac-speed"));
    mac.hide();

    save(wiring.Files().Arhiv(), QStringLiteral("arhiv"));
    line->Line->Close();
    return 0;
}
