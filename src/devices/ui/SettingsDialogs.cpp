#include "devices/ui/SettingsDialogs.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>

#include "acquisition/SearchSettings.h"

namespace drumo {

namespace {

template <typename W>
W* Named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

DeviceList* List(QWidget* parent, const char* name, int items, const char* (*text)(int), int codeOffset = 0) {
    return new DeviceList(parent, name, items, text, codeOffset);
}

// A control in a group box whose caption names it.
QGroupBox* Group(QWidget* parent, const char* caption, QWidget* control) {
    auto* group = new QGroupBox(QString::fromUtf8(caption), parent);
    auto* layout = new QHBoxLayout(group);
    layout->addWidget(control);
    return group;
}

}  // namespace

// --- Hexar-1/16

TfrmHexar16Set::TfrmHexar16Set(Station& station, Operator& op, QWidget* mainWindow)
    : DeviceDialog(station, op, mainWindow, "frmHexar16Set", QStringLiteral("Настройки прибора")) {
    auto* form = new QFormLayout;
    sePeriod_ = new DeviceNumber(this, "SEPeriod", kHexar16PeriodMin, kHexar16PeriodMax, 20);
    form->addRow(QStringLiteral("Период измерений, сек."), sePeriod_);
    cbLight_ = Named(new QCheckBox(QStringLiteral("Подсветка индикатора"), this), "CBLight");
    cbAutoOff_ = Named(new QCheckBox(QStringLiteral("Автоотключение"), this), "CBAutoOff");
    form->addRow(cbLight_);
    form->addRow(cbAutoOff_);
    Body()->addLayout(form);
}

bool TfrmHexar16Set::Read() {
    if (!Exchange([&](DeviceBus& bus) { return ReadSettings(bus, settings_); })) return false;
    sePeriod_->ShowDevice(settings_.Period);
    cbLight_->setChecked(settings_.Backlight);
    cbAutoOff_->setChecked(settings_.AutoOff);
    return true;
}

bool TfrmHexar16Set::Write() {
    Hexar16Settings s = settings_;
    s.Period = sePeriod_->value();
    s.Backlight = cbLight_->isChecked();
    s.AutoOff = cbAutoOff_->isChecked();
    return Exchange([&](DeviceBus& bus) { return WriteSettings(bus, s); });
}

// --- Hexar-1/100

TfrmHexar100Set::TfrmHexar100Set(Station& station, Operator& op, QWidget* mainWindow)
    : DeviceDialog(station, op, mainWindow, "frmHexar100Set", QStringLiteral("Настройки прибора")) {
    cbPeriod_ = List(this, "CBPeriod", kHexar100Items, Hexar100PeriodText);
    cbAutoWrite_ = List(this, "CBAutoWrite", kHexar100Items, Hexar100AutoWriteText);
    cbSpeed_ = List(this, "CBSpeed", BaudItemCount, BaudItemText, 1);
    cbSpeed_->setCurrentIndex(3);
    cbLight_ = Named(new QCheckBox(QStringLiteral("Подсветка индикатора"), this), "CBLight");
    cbAutoOff_ = Named(new QCheckBox(QStringLiteral("Автоотключение"), this), "CBAutoOff");
    lbSupply_ = Named(new QLabel(QStringLiteral("undefined"), this), "LBSupply");
    Body()->addWidget(Group(this, " Период измерений ", cbPeriod_));
    Body()->addWidget(cbLight_);
    Body()->addWidget(cbAutoOff_);
    Body()->addWidget(Group(this, " Период автозаписи в блокнот ", cbAutoWrite_));
    Body()->addWidget(Group(this, " Скорость обмена (бит/с) ", cbSpeed_));
    Body()->addWidget(Group(this, " Напряжение питания ", lbSupply_));
    // The notebook is never written more often than the device measures (values outside the lists
    // are left as the device has them).
    auto couple = [this] {
        if (cbPeriod_->Unlisted() || cbAutoWrite_->Unlisted()) return;
        cbAutoWrite_->setCurrentIndex(CoupledAutoWrite(cbPeriod_->currentIndex(), cbAutoWrite_->currentIndex()));
    };
    connect(cbPeriod_, &QComboBox::currentIndexChanged, this, couple);
    connect(cbAutoWrite_, &QComboBox::currentIndexChanged, this, couple);
}

bool TfrmHexar100Set::Read() {
    if (!Exchange([&](DeviceBus& bus) { return ReadSettings(bus, settings_); })) return false;
    const Hexar100Settings& s = settings_;
    {
        // The lists show what the device holds; their coupling is for the operator's choices, and
        // a device's own pair must go back unchanged when the operator changes neither.
        const QSignalBlocker period(cbPeriod_), autoWrite(cbAutoWrite_);
        cbPeriod_->ShowDevice(s.Period);
        cbAutoWrite_->ShowDevice(s.AutoWrite);
    }
    cbSpeed_->ShowDevice(s.SpeedItem);
    cbLight_->setChecked(s.Backlight);
    cbAutoOff_->setChecked(s.AutoOff);
    lbSupply_->setText(QString::fromStdString(SupplyText(s)));
    return true;
}

bool TfrmHexar100Set::Write() {
    Hexar100Settings s = settings_;
    s.Period = cbPeriod_->Value();
    s.AutoWrite = cbAutoWrite_->Value();
    s.SpeedItem = cbSpeed_->Value();
    s.Backlight = cbLight_->isChecked();
    s.AutoOff = cbAutoOff_->isChecked();
    return Exchange([&](DeviceBus& bus) { return WriteSettings(bus, s); });
}

// --- Dorma

TfrmModbusDormaSet::TfrmModbusDormaSet(Station& station, Operator& op, QWidget* mainWindow)
    : DeviceDialog(station, op, mainWindow, "frmModbusDormaSet", QStringLiteral("Настройки прибора")) {
    auto* form = new QFormLayout;
    seAddress_ = new DeviceNumber(this, "SEAddress", 1, 255, 1);
    form->addRow(QStringLiteral("Адрес modbus"), seAddress_);
    auto* protocol = Named(new QGroupBox(QStringLiteral(" Протокол обмена "), this), "RGProtocol");
    auto* protocolLayout = new QHBoxLayout(protocol);
    rbDrumo_ = Named(new QRadioButton(QStringLiteral("Drumo"), protocol), "RBDrumo");
    rbModbus_ = Named(new QRadioButton(QStringLiteral("MODBUS RTU"), protocol), "RBModbus");
    rbModbus_->setChecked(true);
    protocolLayout->addWidget(rbDrumo_);
    protocolLayout->addWidget(rbModbus_);
    protocol->setEnabled(false);  // shown, not changed
    form->addRow(protocol);
    cbSpeed_ = List(this, "CBSpeed", BaudItemCount, BaudItemText, 5);
    cbSpeed_->setCurrentIndex(3);
    form->addRow(QStringLiteral("Скорость обмена"), cbSpeed_);
    cbPeriod_ = List(this, "CBPeriod", kDormaPeriodItems, DormaPeriodText);
    cbPeriod_->setCurrentIndex(kDormaPeriodDefault);
    form->addRow(QStringLiteral("Период измер."), cbPeriod_);
    cbAutoSave_ = Named(new QCheckBox(QStringLiteral("Автосохранение в блокнот"), this), "CBAutoSave");
    form->addRow(cbAutoSave_);
    cbAutoSavePeriod_ = List(this, "CBAutoSavePeriod", kDormaAutoSaveItems, DormaAutoSaveText);
    cbAutoSavePeriod_->setCurrentIndex(kDormaAutoSaveDefault);
    form->addRow(QStringLiteral("Период автосохр."), cbAutoSavePeriod_);
    lbInside_ = Named(new QLabel(this), "LBInside");
    auto* inside = new QGroupBox(QStringLiteral(" Температура внутри прибора "), this);
    (new QHBoxLayout(inside))->addWidget(lbInside_);
    form->addRow(inside);
    cbHeating_ = Named(new QCheckBox(QStringLiteral("Подогрев платы"), this), "CBHeating");
    form->addRow(cbHeating_);
    seDelay_ = new DeviceNumber(this, "SEDelay", 0, 60, 0);
    form->addRow(QStringLiteral("Задержка включения, сек"), seDelay_);
    Body()->addLayout(form);

    // The operator's choice of a test item holds only after the corner double-click.
    connect(corner_, &CornerSpot::DoubleClicked, this, [this] { unlocked_ = true; });
    connect(cbPeriod_, &QComboBox::activated, this, [this](int item) {
        cbPeriod_->setCurrentIndex(DormaListChoice(item, kDormaPeriodDefault, unlocked_));
    });
    connect(cbAutoSavePeriod_, &QComboBox::activated, this, [this](int item) {
        cbAutoSavePeriod_->setCurrentIndex(DormaListChoice(item, kDormaAutoSaveDefault, unlocked_));
    });
}

bool TfrmModbusDormaSet::Read() {
    const MeasurementStore& store = station_.Store();
    address_ = SelectedAddress(store);
    const bool selected = store.DeviceCount() != 0 && store.HasDevice(store.SelDevice());
    index_ = selected ? store.SelDevice() : 0;
    unlocked_ = false;
    if (!Exchange([&](DeviceBus& bus) { return ReadSettings(bus, address_, settings_); })) return false;
    const DormaSettings& s = settings_;
    seAddress_->ShowDevice(s.Address);
    // A protocol code other than 0 and 1 checks neither button; it is not changeable anyway.
    rbDrumo_->setAutoExclusive(false);
    rbModbus_->setAutoExclusive(false);
    rbDrumo_->setChecked(s.Protocol == 0);
    rbModbus_->setChecked(s.Protocol == 1);
    rbDrumo_->setAutoExclusive(true);
    rbModbus_->setAutoExclusive(true);
    cbSpeed_->ShowDevice(s.SpeedItem);
    cbPeriod_->ShowDevice(s.Period);
    cbAutoSave_->setChecked(s.AutoSave);
    cbAutoSavePeriod_->ShowDevice(s.AutoSavePeriod);
    lbInside_->setText(QString::fromStdString(InsideTemperatureText(s.InsideHundredths)));
    cbHeating_->setChecked(s.Heating);
    seDelay_->ShowDevice(s.SwitchOnDelay);
    return true;
}

bool TfrmModbusDormaSet::Write() {
    if (AddressTaken(station_.Store(), index_, seAddress_->value())) {
        op_.Error("Адрес уже занят!");
        return false;
    }
    // The protocol is shown, not changed: it goes back as read.
    DormaSettings s = settings_;
    s.Address = seAddress_->value();
    s.SpeedItem = cbSpeed_->Value();
    s.Period = cbPeriod_->Value();
    s.AutoSave = cbAutoSave_->isChecked();
    s.AutoSavePeriod = cbAutoSavePeriod_->Value();
    s.Heating = cbHeating_->isChecked();
    s.SwitchOnDelay = seDelay_->value();
    return Exchange([&](DeviceBus& bus) { return WriteSettings(bus, address_, s); });
}

}  // namespace drumo
