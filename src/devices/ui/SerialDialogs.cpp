#include "devices/ui/SerialDialogs.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>

#include "devices/DeviceSettings.h"

namespace drumo {

TfrmSerial96::TfrmSerial96(Station& station, Operator& op, QWidget* mainWindow)
    : DeviceDialog(station, op, mainWindow, "frmSerial96", QStringLiteral("Серийный номер")) {
    seSerial_ = new DeviceNumber(this, "SESerial", 0, 32000, 0);
    seYear_ = new DeviceNumber(this, "SEYear", 2010, 2099, 2013);
    auto* serial = new QGroupBox(QStringLiteral(" Серийный номер прибора "), this);
    (new QHBoxLayout(serial))->addWidget(seSerial_);
    auto* year = new QGroupBox(QStringLiteral("Год выпуска "), this);
    (new QHBoxLayout(year))->addWidget(seYear_);
    Body()->addWidget(serial);
    Body()->addWidget(year);
}

bool TfrmSerial96::Read() {
    factory_.Year = seYear_->value();
    if (!Exchange([&](DeviceBus& bus) { return ReadFactory(bus, factory_); })) return false;
    seSerial_->ShowDevice(factory_.Serial);
    seYear_->ShowDevice(factory_.Year);
    return true;
}

bool TfrmSerial96::Write() {
    HexarFactory f = factory_;
    f.Serial = seSerial_->value();
    f.Year = seYear_->value();
    // A year the device did not give is written only when the operator changed the box.
    f.YearTyped = f.Year != factory_.Year;
    return Exchange([&](DeviceBus& bus) { return WriteFactory(bus, f); });
}

TfrmModbusDormaSerial::TfrmModbusDormaSerial(Station& station, Operator& op, QWidget* mainWindow)
    : DeviceDialog(station, op, mainWindow, "frmModbusDormaSerial", QStringLiteral("Серийный номер")) {
    cbType_ = new DeviceList(this, "CBType", kDormaTypeItems, DormaTypeText, 100);
    cbInterface_ = new DeviceList(this, "CBInterface", kInterfaceItems, InterfaceItemText);
    seSerial_ = new DeviceNumber(this, "SESerial", 1, 32000, 1);
    seYear_ = new DeviceNumber(this, "SEYear", 2011, 2099, 2011);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Тип прибора"), cbType_);
    form->addRow(QStringLiteral("Модификация"), cbInterface_);
    form->addRow(QStringLiteral("Серийный номер"), seSerial_);
    form->addRow(QStringLiteral("Год выпуска"), seYear_);
    Body()->addLayout(form);
}

bool TfrmModbusDormaSerial::Read() {
    address_ = SelectedAddress(station_.Store());
    if (!Exchange([&](DeviceBus& bus) { return ReadFactory(bus, address_, factory_); })) return false;
    cbType_->ShowDevice(factory_.TypeItem);
    cbInterface_->ShowDevice(factory_.Interface);
    seSerial_->ShowDevice(factory_.Serial);
    seYear_->ShowDevice(factory_.Year);
    return true;
}

bool TfrmModbusDormaSerial::Write() {
    DormaFactory f = factory_;
    f.TypeItem = cbType_->Value();
    f.Interface = cbInterface_->Value();
    f.Serial = seSerial_->value();
    f.Year = seYear_->value();
    return Exchange([&](DeviceBus& bus) { return WriteFactory(bus, address_, f); });
}

}  // namespace drumo
