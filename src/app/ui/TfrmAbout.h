#pragma once
// "О программе": the program's name and version and the device models it supports with the
// commands each of them offers.

#include <QDialog>

namespace drumo {

class TfrmAbout : public QDialog {
    Q_OBJECT
public:
    TfrmAbout(const QString& version, QWidget* parent = nullptr);
    QString Text() const;  // everything the window says, for checks

private:
    QString text_;
};

// One line per model: its name and what the program can do with it.
QStringList SupportedModelLines();

}  // namespace drumo
