#pragma once
// "Настройки программы": the program-wide settings that belong to no particular window. Changes
// take effect in memory when applied; the settings file receives them when the program closes.

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>

#include <functional>

#include "app/ShellRules.h"
#include "app/Settings.h"
#include "base/Services.h"

namespace drumo {

// What applying the dialog changes outside the settings themselves.
struct ProgSetHooks {
    std::function<bool()> Receiving;                 // data reception runs
    std::function<void(bool)> ShowHint;              // tool tips of the whole program
    std::function<int()> PollingIntervalMs;          // the polling timer's interval in force
    std::function<void(const TimerPlan&)> SetPollingInterval;
    std::function<int()> AutoSaveIntervalMs;
    std::function<void(const TimerPlan&)> SetAutoSaveInterval;
    std::function<void(bool)> AutoSaveLamp;          // the file lamp: green when enabled
    int UpdateIntervalMs = 1000;                     // the once-a-second update timer
};

class TfrmProgSet : public QDialog {
    Q_OBJECT
public:
    TfrmProgSet(ProgramSettings& settings, Operator& op, std::string defaultArchiveFolder,
                QWidget* parent = nullptr);

    void SetHooks(ProgSetHooks hooks) { hooks_ = std::move(hooks); }
    // Fills the controls from the settings; done once, at start-up.
    void LoadControls();
    // Opens the dialog modally, centred over its owner.
    int Execute();
    // Prepares the controls as opening does, without running the dialog.
    void PrepareOpening();
    void Apply();

    QTabWidget* Pages() const { return pages_; }
    QCheckBox* ShowHintBox() const { return cbShowHint_; }
    QCheckBox* ConfirmCloseBox() const { return cbConfirmClose_; }
    QCheckBox* AutoFindBox() const { return cbAutoFind_; }
    QRadioButton* CommaButton() const { return rbComma_; }
    QRadioButton* PointButton() const { return rbPoint_; }
    QComboBox* RequestList() const { return cbRequest_; }
    QCheckBox* AutoSaveBox() const { return cbAutoSave_; }
    QComboBox* AutoSaveList() const { return cbAutoSaveIndex_; }
    QDoubleSpinBox* TMaxBox() const { return seTMax_; }
    QDoubleSpinBox* TMinBox() const { return seTMin_; }
    QLineEdit* FolderBox() const { return edFolder_; }

signals:
    // After the settings took effect: reception reads the alarm limits and the separator anew.
    void Applied();
    // A timer's interval changed; its next time counts from now.
    void PollingIntervalChanged(int intervalMs);
    void AutoSaveIntervalChanged(int intervalMs);

private:
    QWidget* BuildGeneralPage();
    QWidget* BuildMeasurementPage();

    ProgramSettings& settings_;
    Operator& operator_;
    std::string defaultArchiveFolder_;
    ProgSetHooks hooks_;
    QTabWidget* pages_;
    QCheckBox* cbShowHint_ = nullptr;
    QCheckBox* cbConfirmClose_ = nullptr;
    QCheckBox* cbAutoFind_ = nullptr;
    QRadioButton* rbComma_ = nullptr;
    QRadioButton* rbPoint_ = nullptr;
    QComboBox* cbRequest_ = nullptr;
    QCheckBox* cbAutoSave_ = nullptr;
    QComboBox* cbAutoSaveIndex_ = nullptr;
    QDoubleSpinBox* seTMax_ = nullptr;
    QDoubleSpinBox* seTMin_ = nullptr;
    QLineEdit* edFolder_ = nullptr;
};

}  // namespace drumo
