#pragma once
// "Настройки прибора": the settings dialogs of the Hexar-1/16, the Hexar-1/100 and the Dorma models.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>

#include "devices/DeviceSettings.h"
#include "devices/ui/DeviceControls.h"
#include "devices/ui/DeviceDialog.h"

namespace drumo {

class TfrmHexar16Set : public DeviceDialog {
    Q_OBJECT
public:
    TfrmHexar16Set(Station& station, Operator& op, QWidget* mainWindow);

protected:
    bool Read() override;
    bool Write() override;

private:
    Hexar16Settings settings_;  // as last read; the write is composed from it
    DeviceNumber* sePeriod_;
    QCheckBox* cbLight_;
    QCheckBox* cbAutoOff_;
};

class TfrmHexar100Set : public DeviceDialog {
    Q_OBJECT
public:
    TfrmHexar100Set(Station& station, Operator& op, QWidget* mainWindow);

protected:
    bool Read() override;
    bool Write() override;

private:
    void Show(const Hexar100Settings& s);
    Hexar100Settings settings_;  // as last read: bytes 5 to 9 go back as the device sent them
    DeviceList* cbPeriod_;
    DeviceList* cbAutoWrite_;
    DeviceList* cbSpeed_;
    QCheckBox* cbLight_;
    QCheckBox* cbAutoOff_;
    QLabel* lbSupply_;
};

class TfrmModbusDormaSet : public DeviceDialog {
    Q_OBJECT
public:
    TfrmModbusDormaSet(Station& station, Operator& op, QWidget* mainWindow);
    bool TestItemsUnlocked() const { return unlocked_; }

protected:
    bool Read() override;
    bool Write() override;

private:
    uint8_t address_ = 255;
    int index_ = 0;
    bool unlocked_ = false;
    DormaSettings settings_;  // as last read; the write is composed from it
    DeviceNumber* seAddress_;
    QRadioButton* rbDrumo_;
    QRadioButton* rbModbus_;
    DeviceList* cbSpeed_;
    DeviceList* cbPeriod_;
    QCheckBox* cbAutoSave_;
    DeviceList* cbAutoSavePeriod_;
    QLabel* lbInside_;
    QCheckBox* cbHeating_;
    DeviceNumber* seDelay_;
};

}  // namespace drumo
