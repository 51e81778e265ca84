// Saves pictures of the device set-up windows into a folder (first argument, /tmp/drumo-shots by
// default), the Dorma dialogs and the firmware window filled from a simulated controller whose
// settings and factory data hold values the dialogs' lists do not have.

#include <QApplication>

#include <cstdlib>

#include "app/ui/DesktopStation.h"
#include "app/ui/Language.h"
#include "app/ui/DevicesWiring.h"
#include "devices/ui/SerialDialogs.h"
#include "devices/ui/SettingsDialogs.h"
#include "devices/ui/TfrmModbusFWUpd.h"
#include "screenshots/Pictures.h"
#include "sim/Presets.h"

using namespace drumo;

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    UseRussianLanguage(app);
    const QString folder = shots::PictureFolder(argc, argv);
    const auto save = [&](QWidget& w, const QString& name) { shots::SavePicture(w, folder, name); };

    ConsoleOperator op(false);
    DesktopStation desktop(op);
    Station& station = desktop.Get();
    station.UseSettings(DefaultSettings("/tmp"));
    QWidget main;
    main.resize(800, 600);
    main.show();
    DevicesWiring wiring(station, op, SystemClock::Instance(), main);

    std::string error;
    auto line = sim::BuildLine(*sim::PresetConfig("dorma-bus"), SystemClock::Instance(), error);
    if (!line || !line->Line->Open()) return 1;
    line->Line->Start();
    setenv("DRUMO_PORTS", ("3=" + line->Line->SlavePath()).c_str(), 1);
    SearchSettings s;
    s.Protocol = ExchangeProtocol::Modbus;
    s.PortDefault = 3;
    s.FindFinishAddr = 3;
    station.RunSearch(s);
    station.Store().Select(1, 0);
    // The second device holds values its lists do not have: the dialogs show them marked.
    line->Line->With([&] {
        sim::Dorma& d = *line->Dormas[1];
        d.StrictSpeed = false;
        d.SetSettings({2, 1, 2, 9, 1, 4, 0, 0, 120});
        d.Identity().Type = 99;
        return d.Interface = 9;
    });

    wiring.OpenSettings();
    save(wiring.DormaSet(), QStringLiteral("devices-dorma-settings"));
    wiring.OpenSerial();
    save(wiring.DormaSerial(), QStringLiteral("devices-dorma-serial"));
    wiring.OpenFirmware();
    wiring.Firmware().Engine().ShowImageDump();
    wiring.Firmware().resize(760, 520);
    save(wiring.Firmware(), QStringLiteral("devices-firmware"));
    station.Bus().Disconnect();
    ShowCentredOn(wiring.Hexar16Set(), &main);
    save(wiring.Hexar16Set(), QStringLiteral("devices-hexar16-settings"));
    ShowCentredOn(wiring.Hexar100Set(), &main);
    save(wiring.Hexar100Set(), QStringLiteral("devices-hexar100-settings"));
    ShowCentredOn(wiring.Serial96(), &main);
    save(wiring.Serial96(), QStringLiteral("devices-serial96"));
    line->Line->Close();
    return 0;
}
