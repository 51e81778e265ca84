#include "devices/ui/DeviceControls.h"

#include <algorithm>

namespace drumo {

namespace {
const QString kUnlisted = QStringLiteral(" (нет в списке)");
const QString kOutside = QStringLiteral(" (вне диапазона)");
}  // namespace

DeviceList::DeviceList(QWidget* parent, const char* name, int items, const char* (*text)(int), int codeOffset)
    : QComboBox(parent), items_(items), offset_(codeOffset) {
    setObjectName(QString::fromLatin1(name));
    for (int i = 0; i < items; ++i) addItem(QString::fromUtf8(text(i)));
}

void DeviceList::ShowDevice(int value) {
    while (count() > items_) removeItem(count() - 1);
    device_ = value;
    if (value >= 0 && value < items_) {
        setCurrentIndex(value);
        return;
    }
    addItem(QString::number(value + offset_) + kUnlisted);
    setCurrentIndex(items_);
}

int DeviceList::Value() const { return Unlisted() ? device_ : currentIndex(); }

DeviceNumber::DeviceNumber(QWidget* parent, const char* name, int lo, int hi, int value)
    : QSpinBox(parent), lo_(lo), hi_(hi) {
    setObjectName(QString::fromLatin1(name));
    setRange(lo, hi);
    setValue(value);
    connect(this, &QSpinBox::valueChanged, this, &DeviceNumber::Leave);
}

void DeviceNumber::ShowDevice(int value) {
    device_ = value;
    const QSignalBlocker quiet(this);
    setRange(std::min(lo_, value), std::max(hi_, value));
    setValue(value);
    setSuffix(value < lo_ || value > hi_ ? kOutside : QString());
}

void DeviceNumber::Leave(int value) {
    if (value == device_ && (value < lo_ || value > hi_)) return;
    const QSignalBlocker quiet(this);
    setSuffix(QString());
    setRange(lo_, hi_);
    setValue(std::clamp(value, lo_, hi_));
}

}  // namespace drumo
