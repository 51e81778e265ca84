#include "app/ui/TfrmAbout.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ui/DevicePictures.h"
#include "model/DeviceTypes.h"

namespace drumo {

QStringList SupportedModelLines() {
    static const std::pair<uint16_t, const char*> features[] = {
        {capSettings, "настройки"},        {capNotebook, "блокнот"},
        {capTimeSync, "синхронизация времени"}, {capPowerOff, "выключение"},
        {capSerial, "серийный номер"},     {capFirmware, "обновление прошивки"},
        {capAutoSet, "автонастройка термокосы"}, {capReadRom, "чтение ROM-кодов датчиков"}};
    QStringList lines;
    for (int pos = 1; pos < DeviceTypeCount; ++pos) {
        const TDAct& type = DeviceTypes[pos];
        QStringList can{QStringLiteral("прием данных")};
        for (const auto& [cap, name] : features)
            if (type.Caps & cap) can << QString::fromUtf8(name);
        lines << QString::fromUtf8(type.Name.data(), static_cast<int>(type.Name.size())) +
                     QStringLiteral(" (до %1 датчиков): ").arg(type.MaxSensors) +
                     can.join(QStringLiteral(", "));
    }
    return lines;
}

TfrmAbout::TfrmAbout(const QString& version, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("О программе"));

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* picture = new QLabel(this);
    picture->setPixmap(QPixmap::fromImage(DevicePicture(5)));
    top->addWidget(picture);
    auto* title = new QLabel(this);
    title->setText(QStringLiteral("<b style='font-size:20px'>Drumo</b><br>"
                                  "Сервисная программа для контроллеров и регистраторов "
                                  "термокос<br><br>Версия %1")
                       .arg(version));
    title->setWordWrap(true);
    title->setMinimumWidth(260);
    top->addWidget(title, 1);
    layout->addLayout(top);

    auto* models = new QLabel(this);
    models->setObjectName(QStringLiteral("lblModels"));
    models->setText(QStringLiteral("Поддерживаемые приборы:\n") +
                    SupportedModelLines().join(QLatin1Char('\n')));
    models->setWordWrap(true);
    layout->addWidget(models);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("ОК"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::hide);
    layout->addWidget(buttons);
    setFixedWidth(520);

    text_ = title->text() + QLatin1Char('\n') + models->text();
}

QString TfrmAbout::Text() const { return text_; }

}  // namespace drumo
