#pragma once
// Controls of the set-up dialogs that show the device's own value also where it has no place: a
// list position beyond the list, a number beyond the field's range. Such a value is shown marked
// and stays as read until the operator chooses another; the operator can only choose values the
// control offers.

#include <QComboBox>
#include <QSpinBox>

namespace drumo {

// A list whose items are positions 0 .. items - 1; the device holds position + codeOffset.
class DeviceList : public QComboBox {
    Q_OBJECT
public:
    DeviceList(QWidget* parent, const char* name, int items, const char* (*text)(int), int codeOffset = 0);
    // Shows position `value`, or, when the list has none, an extra item with the device's own code
    // ("<value + codeOffset> (нет в списке)").
    void ShowDevice(int value);
    // The position chosen, or the device's value while its extra item is chosen.
    int Value() const;
    bool Unlisted() const { return currentIndex() >= items_; }

private:
    int items_;
    int offset_;
    int device_ = 0;
};

// A number field of lo..hi.
class DeviceNumber : public QSpinBox {
    Q_OBJECT
public:
    DeviceNumber(QWidget* parent, const char* name, int lo, int hi, int value);
    // Shows the value; one outside lo..hi widens the range to it and is marked " (вне диапазона)".
    // A step away from it lands inside lo..hi again.
    void ShowDevice(int value);

private:
    void Leave(int value);
    int lo_, hi_;
    int device_ = 0;
};

}  // namespace drumo
