#pragma once
// What the device set-up dialogs share: a modeless dialog that stays on top and opens centred on
// the main window, reads the device when it is shown and writes with "Применить" ("Отмена" closes
// without writing). Each exchange takes the station's line for device settings, which lets
// reception run on between its passes; while a search or another long procedure holds the line
// nothing is sent. A failed exchange shows its status message and leaves the dialog open.
// "Применить" works only after a complete read of this showing: what it writes is composed from
// that read, so after a failed one there is nothing to write.

#include <QDialog>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

#include <functional>

#include "station/Station.h"

namespace drumo {

// A small borderless area that only answers a double-click (the dialogs' hidden switches).
class CornerSpot : public QWidget {
    Q_OBJECT
public:
    explicit CornerSpot(QWidget* parent);
    // Keeps the spot in the top right corner of its parent.
    void Place();

signals:
    void DoubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

class DeviceDialog : public QDialog {
    Q_OBJECT
public:
    DeviceDialog(Station& station, Operator& op, QWidget* mainWindow, const char* objectName, const QString& caption);

    // Shows the dialog centred on the main window and reads the device.
    void ShowDialog();
    // "Применить": true when the write succeeded and the dialog closed; refused (false) while the
    // button is disabled.
    bool Apply();

protected:
    virtual bool Read() = 0;
    virtual bool Write() = 0;
    // Runs one exchange with the line taken; a failure shows the status message.
    bool Exchange(const std::function<bool(DeviceBus&)>& exchange);
    // The place for the controls, above the buttons.
    QVBoxLayout* Body() const { return body_; }
    void resizeEvent(QResizeEvent* event) override;

    Station& station_;
    Operator& op_;
    CornerSpot* corner_ = nullptr;

private:
    QWidget* main_;
    QPushButton* apply_;
    QVBoxLayout* body_;
};

// Centres a window on another (the main window) and brings it to the front.
void ShowCentredOn(QWidget& window, const QWidget* over);

}  // namespace drumo
