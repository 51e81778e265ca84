#pragma once
// The device editor "Редактирование": a small modal dialog opened from the device manager's pop-up
// commands with exactly one of its three fields enabled: the new Modbus address of the selected
// device, its comment, or the exchange speed of every device on the line. "Применить" carries
// out the enabled field's change and closes the dialog when it succeeded. Each change takes the
// station's line for its exchanges and gives it back after; while a search, a notebook read or
// another long procedure holds the line, "Применить" does nothing. Reception keeps running: the
// single reads and writes fit between two of its passes.

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include <functional>

#include "acquisition/ServiceCommands.h"
#include "station/Station.h"

namespace drumo {

class TfrmMAC : public QDialog {
    Q_OBJECT
public:
    TfrmMAC(Station& station, Operator& op, EventLog& log, Clock& clock, QWidget* parent = nullptr);

    // Where a successful change shows (the device manager's grid, the search window's list).
    void SetView(DeviceEditView* view) { view_ = view; }
    // The search window's controls as they stand; the speed change starts from them.
    void SetShownSettings(std::function<SearchSettings()> shown) { shown_ = std::move(shown); }

    // Fills the fields from the selected device and enables the one field of the mode.
    void Prepare(EditMode mode, const QString& gridComment, int searchBaudItem);
    // Prepare, then shows the dialog modally.
    int Execute(EditMode mode, const QString& gridComment, int searchBaudItem);
    // "Применить". True when the dialog closed; false when the change failed or the line was not
    // to be had.
    bool Apply();

    EditMode Mode() const { return edit_.Mode; }
    QSpinBox* AddressBox() const { return seAddress_; }
    QLineEdit* CommentBox() const { return edComment_; }
    QComboBox* SpeedBox() const { return cbSpeed_; }

private:
    Station& station_;
    MeasurementStore& store_;
    SearchSettings& settings_;
    Operator& op_;
    EventLog& log_;
    Clock& clock_;
    DeviceEditView noView_;
    DeviceEditView* view_ = &noView_;
    std::function<SearchSettings()> shown_;
    DeviceEdit edit_;

    QSpinBox* seAddress_;
    QLineEdit* edComment_;
    QComboBox* cbSpeed_;
};

}  // namespace drumo
