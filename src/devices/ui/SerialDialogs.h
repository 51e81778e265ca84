#pragma once
// "Серийный номер прибора": the factory data dialogs of the Hexar models (maker's protocol) and of
// the Dorma models (Modbus). Neither changes the device record in the store: the new data appear
// after the next search.

#include <QComboBox>
#include <QSpinBox>

#include "devices/SerialNumbers.h"
#include "devices/ui/DeviceControls.h"
#include "devices/ui/DeviceDialog.h"

namespace drumo {

class TfrmSerial96 : public DeviceDialog {
    Q_OBJECT
public:
    TfrmSerial96(Station& station, Operator& op, QWidget* mainWindow);

protected:
    bool Read() override;
    bool Write() override;

private:
    HexarFactory factory_;  // as last read; the write is composed from it
    DeviceNumber* seSerial_;
    DeviceNumber* seYear_;
};

class TfrmModbusDormaSerial : public DeviceDialog {
    Q_OBJECT
public:
    TfrmModbusDormaSerial(Station& station, Operator& op, QWidget* mainWindow);

protected:
    bool Read() override;
    bool Write() override;

private:
    uint8_t address_ = 255;
    DormaFactory factory_;  // as last read; the write is composed from it
    DeviceList* cbType_;
    DeviceList* cbInterface_;
    DeviceNumber* seSerial_;
    DeviceNumber* seYear_;
};

}  // namespace drumo
