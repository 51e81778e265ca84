#pragma once
// The device set-up windows joined to the main window's commands: "Настройки прибора" and
// "Серийный номер прибора" open the dialog of the selected device's model (nothing for a model
// without one), "Обновить прошивку прибора" the firmware window. Created once after the main
// window and kept as long as it lives.

#include <QObject>

#include <memory>

#include "station/Station.h"

namespace drumo {

class TfrmHexar16Set;
class TfrmHexar100Set;
class TfrmModbusDormaSet;
class TfrmSerial96;
class TfrmModbusDormaSerial;
class TfrmModbusFWUpd;
class DeviceDialog;

class DevicesWiring : public QObject {
    Q_OBJECT
public:
    DevicesWiring(Station& station, Operator& op, Clock& clock, QWidget& mainWindow);
    ~DevicesWiring() override;

    void OpenSettings();  // "Настройки прибора"
    void OpenSerial();    // "Серийный номер прибора"
    void OpenFirmware();  // "Обновить прошивку прибора"
    // Closing the program: a running firmware transfer stops at its next page.
    void StopLongLoops();

    // The dialog each command opens for the selected device now; null for none.
    DeviceDialog* SettingsDialog() const;
    DeviceDialog* SerialDialog() const;

    TfrmHexar16Set& Hexar16Set() { return *hexar16_; }
    TfrmHexar100Set& Hexar100Set() { return *hexar100_; }
    TfrmModbusDormaSet& DormaSet() { return *dorma_; }
    TfrmSerial96& Serial96() { return *serial96_; }
    TfrmModbusDormaSerial& DormaSerial() { return *dormaSerial_; }
    TfrmModbusFWUpd& Firmware() { return *firmware_; }

private:
    int SelectedType() const;

    Station& station_;
    std::unique_ptr<TfrmModbusFWUpd> firmware_;
    std::unique_ptr<TfrmSerial96> serial96_;
    std::unique_ptr<TfrmModbusDormaSerial> dormaSerial_;
    std::unique_ptr<TfrmHexar16Set> hexar16_;
    std::unique_ptr<TfrmHexar100Set> hexar100_;
    std::unique_ptr<TfrmModbusDormaSet> dorma_;
};

}  // namespace drumo
