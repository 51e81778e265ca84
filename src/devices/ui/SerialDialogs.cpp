#include "devices/ui/SerialDialogs.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>

#include "devices/DeviceSettings.h"

namespace drumo {

namespace {

QSpinBox* Spin(QWidget* parent, const char* name, int lo, int hi, int value) {
    auto* box = new QSpinBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(lo, hi);
    box->setValue(value);
    return box;
}

}  // namespace

TfrmSerial96::TfrmSerial96(Station& station, Operator& op, QWidget* mainWindow)
    : DeviceDialog(station, op, mainWindow, "frmSerial96", QStringLiteral("Серийный номер")) {
    seSerial_ = Spin(this, "SESerial", 0, 32000, 0);
    seYear_ = Spin(this, "SEYear", 2010, 2099, 2013);
    auto* serial = new QGroupBox(QStringLiteral(" Серийный номер прибора "), this);
    (new QHBoxLayout(serial))->addWidget(seSerial_);
    auto* year = new QGroupBox(QStringLiteral("Год выпуска "), this);
    (new QHBoxLayout(year))->addWidget(seYear_);
    Body()->addWidget(serial);
    Body()->addWidget(year);
}

bool TfrmSerial96::Read() {
    HexarFactory f{seSerial_->value(), seYear_->value()};
    if (!Exchange([&](DeviceBus& bus) { return ReadFactory(bus, f); })) return false;
    seSerial_->setValue(f.Serial);
    seYear_->setValue(f.Year);
    return true;
}

bool TfrmSerial96::Write() {
    const HexarFactory f{seSerial_->value(), seYear_->value()};
    return Exchange([&](DeviceBus& bus) { return WriteFactory(bus, f); });
}

TfrmModbusDormaSerial::TfrmModbusDormaSerial(Station& station, Operator& op, QWidget* mainWindow)
    : DeviceDialog(station, op, mainWindow, "frmModbusDormaSerial", QStringLiteral("Серийный номер")) {
    cbType_ = new QComboBox(this);
    cbType_->setObjectName(QStringLiteral("CBType"));
    for (int i = 0; i < kDormaTypeItems; ++i) cbType_->addItem(QString::fromUtf8(DormaTypeText(i)));
    cbInterface_ = new QComboBox(this);
    cbInterface_->setObjectName(QStringLiteral("CBInterface"));
    for (int i = 0; i < kInterfaceItems; ++i) cbInterface_->addItem(QString::fromUtf8(InterfaceItemText(i)));
    seSerial_ = Spin(this, "SESerial", 1, 32000, 1);
    seYear_ = Spin(this, "SEYear", 2011, 2099, 2011);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Тип прибора"), cbType_);
    form->addRow(QStringLiteral("Модификация"), cbInterface_);
    form->addRow(QStringLiteral("Серийный номер"), seSerial_);
    form->addRow(QStringLiteral("Год выпуска"), seYear_);
    Body()->addLayout(form);
}

bool TfrmModbusDormaSerial::Read() {
    address_ = SelectedAddress(station_.Store());
    DormaFactory f{cbType_->currentIndex(), cbInterface_->currentIndex(), seSerial_->value(), seYear_->value()};
    if (!Exchange([&](DeviceBus& bus) { return ReadFactory(bus, address_, f); })) return false;
    cbType_->setCurrentIndex(f.TypeItem);
    cbInterface_->setCurrentIndex(f.Interface);
    seSerial_->setValue(f.Serial);
    seYear_->setValue(f.Year);
    return true;
}

bool TfrmModbusDormaSerial::Write() {
    const DormaFactory f{cbType_->currentIndex(), cbInterface_->currentIndex(), seSerial_->value(), seYear_->value()};
    return Exchange([&](DeviceBus& bus) { return WriteFactory(bus, address_, f); });
}

}  // namespace drumo
