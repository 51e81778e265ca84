#include "acquisition/ui/TfrmMAC.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>

namespace drumo {

TfrmMAC::TfrmMAC(Station& station, Operator& op, EventLog& log, Clock& clock, QWidget* parent)
    : QDialog(parent), station_(station), store_(station.Store()),
      settings_(station.SearchSettingsInUse()), op_(op), log_(log), clock_(clock) {
    setObjectName(QStringLiteral("frmMAC"));
    setWindowTitle(QStringLiteral("Редактирование"));
    setModal(true);

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("Адрес:"), this), 0, 0);
    seAddress_ = new QSpinBox(this);
    seAddress_->setObjectName(QStringLiteral("SEAddress"));
    seAddress_->setRange(1, 255);
    grid->addWidget(seAddress_, 0, 1);

    grid->addWidget(new QLabel(QStringLiteral("Комментарии:"), this), 1, 0);
    edComment_ = new QLineEdit(this);
    edComment_->setObjectName(QStringLiteral("EdComment"));
    edComment_->setMaxLength(32);
    edComment_->setMinimumWidth(260);
    grid->addWidget(edComment_, 1, 1);

    grid->addWidget(new QLabel(QStringLiteral("Скорость обмена для всех\nустройств в сети"), this), 2, 0);
    cbSpeed_ = new QComboBox(this);
    cbSpeed_->setObjectName(QStringLiteral("CBSpeed"));
    for (int i = 0; i < BaudItemCount; ++i) cbSpeed_->addItem(QString::fromUtf8(BaudItemText(i)));
    grid->addWidget(cbSpeed_, 2, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* cancel = new QPushButton(QStringLiteral("Отмена"), this);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    auto* apply = new QPushButton(QStringLiteral("Применить"), this);
    apply->setObjectName(QStringLiteral("btnApply"));
    apply->setDefault(true);
    buttons->addWidget(cancel);
    buttons->addWidget(apply);
    grid->addLayout(buttons, 3, 0, 1, 2);

    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(apply, &QPushButton::clicked, this, [this] { Apply(); });
}

void TfrmMAC::Prepare(EditMode mode, const QString& gridComment, int searchBaudItem) {
    edit_ = ShowDeviceEdit(store_, mode, gridComment.toStdString(), searchBaudItem);
    seAddress_->setValue(edit_.OldAddress >= 1 ? edit_.OldAddress : 1);
    edComment_->setText(QString::fromStdString(edit_.Comment));
    cbSpeed_->setCurrentIndex(searchBaudItem >= 0 && searchBaudItem < BaudItemCount ? searchBaudItem : 3);
    seAddress_->setEnabled(mode == EditMode::Address);
    edComment_->setEnabled(mode == EditMode::Comment);
    cbSpeed_->setEnabled(mode == EditMode::Speed);
}

int TfrmMAC::Execute(EditMode mode, const QString& gridComment, int searchBaudItem) {
    Prepare(mode, gridComment, searchBaudItem);
    return exec();
}

bool TfrmMAC::Apply() {
    DeviceEdit edit = edit_;
    edit.NewAddress = seAddress_->value();
    edit.Comment = edComment_->text().toStdString();
    edit.SpeedItem = cbSpeed_->currentIndex();
    const SearchSettings shown = shown_ ? shown_() : settings_;
    LineLease line = station_.Take(LineUser::DeviceSettings);
    if (!line) return false;
    const bool done = ApplyDeviceEdit(edit, line.Bus(), store_, shown, settings_, op_, log_, clock_, *view_);
    line.Release();
    if (!done) return false;
    accept();
    return true;
}

}  // namespace drumo
