#pragma once
// The help window "Помощь" of the correction window: the error codes, the meaning of the four
// sensor values, the calibration and sorting procedures, and the two supported sensors.

#include <QScrollArea>

#include <vector>

class QLabel;

namespace drumo {

class TfrmASHelp : public QScrollArea {
    Q_OBJECT
public:
    explicit TfrmASHelp(QWidget* owner);

    static constexpr int FixedWidth = 316, MinHeight = 220, PageHeight = 2200;

    // The text lines as shown, top to bottom.
    QStringList Lines() const;
    // Shows the window centred on its owner.
    void ShowCentred();

private:
    QWidget* owner_;
    std::vector<QLabel*> lines_;  // the text lines, top to bottom
};

}  // namespace drumo
