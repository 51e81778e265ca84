#include "app/ui/DevicesWiring.h"

#include "devices/ui/SerialDialogs.h"
#include "devices/ui/SettingsDialogs.h"
#include "devices/ui/TfrmModbusFWUpd.h"

namespace drumo {

DevicesWiring::DevicesWiring(Station& station, Operator& op, Clock& clock, QWidget& mainWindow)
    : station_(station),
      // The fixed order of creation: firmware, serial number and settings dialogs.
      firmware_(std::make_unique<TfrmModbusFWUpd>(station, op, clock, &mainWindow)),
      serial96_(std::make_unique<TfrmSerial96>(station, op, &mainWindow)),
      dormaSerial_(std::make_unique<TfrmModbusDormaSerial>(station, op, &mainWindow)),
      hexar16_(std::make_unique<TfrmHexar16Set>(station, op, &mainWindow)),
      hexar100_(std::make_unique<TfrmHexar100Set>(station, op, &mainWindow)),
      dorma_(std::make_unique<TfrmModbusDormaSet>(station, op, &mainWindow)) {}

DevicesWiring::~DevicesWiring() = default;

int DevicesWiring::SelectedType() const {
    const MeasurementStore& store = station_.Store();
    return store.HasDevice(store.SelDevice()) ? store.DevSig(store.SelDevice()).DevType : 0;
}

DeviceDialog* DevicesWiring::SettingsDialog() const {
    switch (SelectedType()) {
    case 100: return hexar16_.get();
    case 101: return hexar100_.get();
    case 103: case 105: case 106: case 107: return dorma_.get();
    default: return nullptr;
    }
}

DeviceDialog* DevicesWiring::SerialDialog() const {
    switch (SelectedType()) {
    case 100: case 101: return serial96_.get();
    case 103: case 105: case 106: case 107: return dormaSerial_.get();
    default: return nullptr;
    }
}

void DevicesWiring::OpenSettings() {
    if (DeviceDialog* dialog = SettingsDialog()) dialog->ShowDialog();
}

void DevicesWiring::OpenSerial() {
    if (DeviceDialog* dialog = SerialDialog()) dialog->ShowDialog();
}

void DevicesWiring::OpenFirmware() { firmware_->ShowFirmwareWindow(); }

void DevicesWiring::StopLongLoops() { firmware_->StopLongLoops(); }

}  // namespace drumo
