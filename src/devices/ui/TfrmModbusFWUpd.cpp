#include "devices/ui/TfrmModbusFWUpd.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPainter>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "acquisition/LinkTest.h"
#include "devices/DeviceSettings.h"
#include "devices/ui/DeviceDialog.h"

namespace drumo {

namespace {

// The signature pictures: a small chip in the colour of the program it stands for.
QPixmap Chip(const QColor& colour) {
    QPixmap picture(16, 16);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setBrush(colour);
    painter.setPen(Qt::darkGray);
    painter.drawRoundedRect(1, 3, 14, 10, 2, 2);
    return picture;
}

QLabel* Named(QLabel* label, const char* name) {
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

}  // namespace

TfrmModbusFWUpd::TfrmModbusFWUpd(Station& station, Operator& op, Clock& clock, QWidget* mainWindow)
    : QDialog(nullptr, Qt::Dialog | Qt::WindowStaysOnTopHint),
      station_(station),
      op_(op),
      main_(mainWindow),
      fw_(station.Bus(), op, station.Events(), clock) {
    setObjectName(QStringLiteral("frmModbusFWUpd"));
    setWindowTitle(QStringLiteral("Update firmware"));
    setModal(false);
    fw_.SetView(this);
    auto* layout = new QVBoxLayout(this);

    auto* buttons = new QHBoxLayout;
    auto button = [&](const char* name, QStyle::StandardPixmap icon, const char* hint,
                      std::function<void()> slot) -> QToolButton* {
        auto* b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setIcon(style()->standardIcon(icon));
        b->setToolTip(QString::fromUtf8(hint));
        connect(b, &QToolButton::clicked, this, std::move(slot));
        buttons->addWidget(b);
        return b;
    };
    button("btnOpen", QStyle::SP_DialogOpenButton, "Открыть файл прошивки", [this] {
        const QString path = QFileDialog::getOpenFileName(this, QString(), QString(),
                                                          QStringLiteral("*.bin (*.bin);;Все файлы (*.*)"));
        if (!path.isEmpty()) LoadFile(path);
    });
    button("btnRead", QStyle::SP_ArrowDown, "Считать прошивку из прибора", [this] { Run([this] { return fw_.ReadImage(); }); });
    btnWrite_ = button("btnWrite", QStyle::SP_ArrowUp, "Записать прошивку в прибор", [this] { Run([this] { return fw_.WriteImage(); }); });
    btnVerify_ = button("btnVerify", QStyle::SP_DialogApplyButton, "Побайтно сличить прошивку\r\nв приборе с буфером",
           [this] { Run([this] { return fw_.VerifyImage(); }); });
    button("btnErase", QStyle::SP_TrashIcon, "Стереть прошивку в приборе", [this] { Run([this] { return fw_.EraseDevice(); }); });
    button("btnAbort", QStyle::SP_BrowserStop, "Прервать текущую операцию", [this] { fw_.Abort(); });
    button("btnConnect", QStyle::SP_BrowserReload, "Обновить подключение к прибору", [this] {
        fw_.SetAddress(WantedAddress());
        Run([this] { return fw_.ConnectDevice(); });
    });
    ImageWhole(fw_.HasImage());
    buttons->addSpacing(12);
    tsBoot_ = new QCheckBox(QStringLiteral("Boot"), this);
    tsBoot_->setObjectName(QStringLiteral("tsBoot"));
    tsBoot_->setEnabled(false);
    connect(tsBoot_, &QCheckBox::clicked, this, &TfrmModbusFWUpd::BootClicked);
    buttons->addWidget(tsBoot_);
    cbForce255_ = new QCheckBox(QStringLiteral("Forse set address 255\n(for non-modbus devices)"), this);
    cbForce255_->setObjectName(QStringLiteral("CBForce255"));
    connect(cbForce255_, &QCheckBox::toggled, this, [this] { fw_.SetAddress(WantedAddress()); });
    buttons->addWidget(cbForce255_);
    buttons->addStretch(1);
    lbTime_ = Named(new QLabel(this), "lbTime");
    buttons->addWidget(lbTime_);
    layout->addLayout(buttons);

    auto* info = new QGridLayout;
    lbType_ = Named(new QLabel(this), "lbType");
    lbSerial_ = Named(new QLabel(this), "lbSerial");
    lbVersion_ = Named(new QLabel(this), "lbVersion");
    lbComment_ = Named(new QLabel(this), "lbComment");
    lbCommentCaption_ = new QLabel(QStringLiteral("Комментарии:"), this);
    info->addWidget(new QLabel(QStringLiteral("Тип прибора:"), this), 0, 0);
    info->addWidget(lbType_, 0, 1);
    info->addWidget(new QLabel(QStringLiteral("Серийный номер:"), this), 1, 0);
    info->addWidget(lbSerial_, 1, 1);
    info->addWidget(new QLabel(QStringLiteral("Версия прошивки:"), this), 2, 0);
    info->addWidget(lbVersion_, 2, 1);
    info->addWidget(lbCommentCaption_, 3, 0);
    info->addWidget(lbComment_, 3, 1);
    imgBios_ = Named(new QLabel(this), "imgBios");
    imgBios_->setPixmap(Chip(QColor(0x3C, 0x8D, 0xDC)));
    imgBios_->setToolTip(QStringLiteral("Подпись BIOS "));
    imgFirmware_ = Named(new QLabel(this), "imgFirmware");
    imgFirmware_->setPixmap(Chip(QColor(0x4C, 0xB0, 0x50)));
    imgFirmware_->setToolTip(QStringLiteral("Подпись прошивки"));
    imgBios_->hide();
    imgFirmware_->hide();
    info->addWidget(imgBios_, 0, 2);
    info->addWidget(imgFirmware_, 1, 2);
    info->setColumnStretch(1, 1);
    layout->addLayout(info);

    pbProgress_ = new QProgressBar(this);
    pbProgress_->setObjectName(QStringLiteral("pbProgress"));
    pbProgress_->setRange(0, kImagePages);
    pbProgress_->setValue(0);
    layout->addWidget(pbProgress_);
    mmDump_ = new QPlainTextEdit(this);
    mmDump_->setObjectName(QStringLiteral("mmDump"));
    mmDump_->setReadOnly(true);
    mmDump_->setEnabled(false);
    mmDump_->setFont(QFont(QStringLiteral("Monospace")));
    mmDump_->setMinimumSize(480, 240);
    mmDump_->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(mmDump_, 1);
    sbStatus_ = new QStatusBar(this);
    sbStatus_->setObjectName(QStringLiteral("sbStatus"));
    sbStatus_->setSizeGripEnabled(false);
    layout->addWidget(sbStatus_);

    // The hidden switch that lets the operator scroll and select in the dump (it stays read-only).
    auto* corner = new CornerSpot(this);
    connect(corner, &CornerSpot::DoubleClicked, this, [this] { mmDump_->setEnabled(true); });
    corner_ = corner;

    countdown_.setInterval(1000);
    connect(&countdown_, &QTimer::timeout, this, [this] { fw_.BootCountdownTick(); });
    countdown_.start();
}

TfrmModbusFWUpd::~TfrmModbusFWUpd() { fw_.SetView(nullptr); }

void TfrmModbusFWUpd::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    static_cast<CornerSpot*>(corner_)->Place();
}

uint8_t TfrmModbusFWUpd::WantedAddress() const {
    return cbForce255_->isChecked() ? 255 : SelectedAddress(station_.Store());
}

void TfrmModbusFWUpd::ShowFirmwareWindow() {
    ShowCentredOn(*this, main_);
    if (fw_.Busy()) return;
    const LineLease line = station_.Take(LineUser::Firmware);
    if (!line) return;
    SearchSettings& inUse = station_.SearchSettingsInUse();
    const SearchSettings wanted = inUse;
    if (OpenLinkTestPort(line.Bus(), wanted, inUse, op_, nullptr)) {
        fw_.SetAddress(WantedAddress());
        fw_.Restart();
        fw_.ConnectDevice();
    }
}

bool TfrmModbusFWUpd::LoadFile(const QString& path) { return fw_.LoadImageFile(path.toStdString()); }

bool TfrmModbusFWUpd::Run(const std::function<bool()>& operation) {
    if (fw_.Busy()) return false;
    const LineLease line = station_.Take(LineUser::Firmware);
    return line && operation();
}

void TfrmModbusFWUpd::BootClicked(bool on) {
    const bool ok = Run([this, on] { return on ? fw_.BootOn() : fw_.BootOff(); });
    if (!ok) tsBoot_->setChecked(!on);  // the switch shows where the device is
}

void TfrmModbusFWUpd::closeEvent(QCloseEvent* event) {
    fw_.Abort();
    QDialog::closeEvent(event);
}

void TfrmModbusFWUpd::reject() {
    fw_.Abort();
    QDialog::reject();
}

void TfrmModbusFWUpd::Status(const std::string& text) { sbStatus_->showMessage(QString::fromStdString(text)); }
void TfrmModbusFWUpd::Progress(int page) { pbProgress_->setValue(page); }

void TfrmModbusFWUpd::ShowIdentity(const FirmwareIdentity& id) {
    lbType_->setText(QString::fromStdString(id.Type));
    lbSerial_->setText(QString::fromStdString(id.Serial));
    lbVersion_->setText(QString::fromStdString(id.Version));
    lbComment_->setText(QString::fromStdString(id.Comment.value_or("")));
    lbComment_->setVisible(id.Comment.has_value());
    lbCommentCaption_->setVisible(id.Comment.has_value());
    if (id.BiosSign) imgBios_->setVisible(*id.BiosSign);
    if (id.FirmwareSign) imgFirmware_->setVisible(*id.FirmwareSign);
}

void TfrmModbusFWUpd::BootSwitch(bool enabled, bool on) {
    tsBoot_->setEnabled(enabled);
    tsBoot_->setChecked(on);  // setChecked does not emit clicked: the handlers do not run
}

void TfrmModbusFWUpd::TimeLabel(const std::string& text) { lbTime_->setText(QString::fromStdString(text)); }
void TfrmModbusFWUpd::ClearDump() { mmDump_->clear(); }

void TfrmModbusFWUpd::AddDumpLines(const std::vector<std::string>& lines) {
    QString text;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i) text += QLatin1Char('\n');
        text += QString::fromLatin1(lines[i].c_str());
    }
    mmDump_->appendPlainText(text);
}

void TfrmModbusFWUpd::ImageWhole(bool whole) {
    btnWrite_->setEnabled(whole);
    btnVerify_->setEnabled(whole);
}

void TfrmModbusFWUpd::Working(bool on) {
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

}  // namespace drumo
