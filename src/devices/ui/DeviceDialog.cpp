#include "devices/ui/DeviceDialog.h"

#include <QHBoxLayout>
#include <QPushButton>

#include "model/ui/WindowPlaces.h"

namespace drumo {

CornerSpot::CornerSpot(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("CornerSpot"));
    setFixedSize(6, 6);
}

void CornerSpot::Place() {
    if (parentWidget()) move(parentWidget()->width() - width(), 0);
    raise();
}

void CornerSpot::mouseDoubleClickEvent(QMouseEvent* event) {
    QWidget::mouseDoubleClickEvent(event);
    emit DoubleClicked();
}

void ShowCentredOn(QWidget& window, const QWidget* over) {
    window.adjustSize();
    if (over) {
        // Centred, but never beyond the screen's edge: a window taller than the main window would
        // otherwise open with its title bar out of reach.
        const QRect area = over->frameGeometry();
        const QPoint at = area.center() - QPoint(window.width() / 2, window.height() / 2);
        PlaceWindow(window, WindowPlace{at.y(), at.x(), window.height(), window.width()}, false, false);
    }
    window.show();
    window.raise();
    window.activateWindow();
}

DeviceDialog::DeviceDialog(Station& station, Operator& op, QWidget* mainWindow, const char* objectName,
                           const QString& caption)
    : QDialog(nullptr, Qt::Dialog | Qt::WindowStaysOnTopHint), station_(station), op_(op), main_(mainWindow) {
    setObjectName(QString::fromLatin1(objectName));
    setWindowTitle(caption);
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    body_ = new QVBoxLayout;
    layout->addLayout(body_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* apply = apply_ = new QPushButton(QStringLiteral("Применить"), this);
    apply->setObjectName(QStringLiteral("btnApply"));
    apply->setDefault(true);
    apply->setEnabled(false);
    auto* cancel = new QPushButton(QStringLiteral("Отмена"), this);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    buttons->addWidget(apply);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(apply, &QPushButton::clicked, this, [this] { Apply(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    corner_ = new CornerSpot(this);
}

void DeviceDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    corner_->Place();
}

void DeviceDialog::ShowDialog() {
    apply_->setEnabled(false);
    ShowCentredOn(*this, main_);
    apply_->setEnabled(Read());
}

bool DeviceDialog::Apply() {
    if (!apply_->isEnabled() || !Write()) return false;
    accept();
    return true;
}

bool DeviceDialog::Exchange(const std::function<bool(DeviceBus&)>& exchange) {
    LineLease line = station_.Take(LineUser::DeviceSettings);
    if (!line) return false;
    DeviceBus& bus = line.Bus();
    const bool ok = exchange(bus);
    line.Release();
    if (!ok && bus.LinkStatus() != 0) op_.Error(bus.LinkStatusMessage());
    return ok;
}

}  // namespace drumo
