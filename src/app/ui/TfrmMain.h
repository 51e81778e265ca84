#pragma once
// The main window "Drumo": every command in its menus and tool bar, the picture and identity of
// the selected device, the timers panel, the cable selector and the table of the newest
// temperatures of the selected cable. It owns the serial channel and the program's timers.

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QTableWidget>
#include <QTimer>

#include <functional>
#include <map>

#include "acquisition/SearchActivity.h"
#include "app/ui/Lamp.h"
#include "link/PosixSerialPort.h"
#include "link/SerialChannel.h"
#include "model/Store.h"

namespace drumo {

class TfrmMain : public QMainWindow, public StoreListener {
    Q_OBJECT
public:
    TfrmMain(MeasurementStore& store, Operator& op, EventLog& log, QWidget* parent = nullptr);
    ~TfrmMain() override;

    static constexpr int FixedWidth = 335;
    static constexpr int MinHeight = 433;

    // --- Commands, by object name ("actStart", "actFileOpen" ...).
    QAction* Action(const QString& name) const;
    // The device rules: which device commands are offered for the selection.
    void ShowDeviceActions();

    // --- Device panel.
    void ShowDevicePanel();
    void HideDevicePanel();
    bool DevicePanelShown() const;
    QString PanelValue(const QString& name) const;  // "lblType", "lblSerial" ...
    int ShownPicture() const { return shownPicture_; }

    // --- Cable selector and temperature table.
    void FillCableSelector();
    void ClearCableSelector();
    QComboBox* CableSelector() const { return cableSelector_; }
    void PickCable(int index);  // as when the operator picks an item
    void FillTable();
    void ClearTable();        // every cell, then 2 rows
    void ClearTableValues();  // the temperature column only
    QTableWidget* Table() const { return table_; }
    int TableRows() const { return table_->rowCount() + 1; }
    QString TableCell(int column, int row) const;  // row 0 is the header
    QString CopyTableText() const;
    void SetTableColour(int colour);
    int TableColour() const { return tableColour_; }

    // --- The view of the selection.
    void RebuildView();
    void ShowNewSample(int d, int c);

    // --- Timers panel and status bar.
    Lamp* ReceptionLamp() const { return ledRequest_; }
    Lamp* FileLamp() const { return ledSave_; }
    QProgressBar* RequestProgress() const { return pbRequest_; }
    QProgressBar* SaveProgress() const { return pbSave_; }
    QLabel* RequestCountdown() const { return lblRequest_; }
    QLabel* SaveCountdown() const { return lblSave_; }
    void SetStatusText(const QString& text);
    QString StatusText() const;
    void ReceptionLampRed();
    void ClearStatusBar();
    void PlainTitles();

    // --- Timers the main window owns.
    QTimer& TimerUpdate() { return timerUpdate_; }
    QTimer& TimerAutoSave() { return timerAutoSave_; }
    QTimer& TimerReceive() { return timerReceive_; }
    TSerialChannel& Channel() { return channel_; }

    // --- Program-wide values the windows share.
    // While a search runs the view is left as it is.
    void SetSearch(const SearchActivity* search) { search_ = search; }
    // Runs before the window closes; false keeps it open.
    void SetCloseQuery(std::function<bool()> query) { closeQuery_ = std::move(query); }

    // --- What the store tells: the view follows the selection and the newest samples.
    void StoreCleared() override { ClearTableValues(); }
    void StoreEmptied() override;
    void SelectionChanged() override { RebuildView(); }
    void SampleAdded(size_t d, size_t c) override {
        ShowNewSample(static_cast<int>(d), static_cast<int>(c));
    }

signals:
    void FirstShown();
    // The operator chose a cell of the table (by mouse or keys): its sensor's line (from 1) is the
    // one a graph of the cable follows.
    void SensorRowPicked(int line);
    void Closing();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateActions();
    void BuildMenus();
    void BuildToolBar();
    QWidget* BuildTimersPanel();
    QWidget* BuildDevicePanel();
    void BuildTable();
    void ShowPicture(int picture);
    void SetTableCell(int column, int row, const QString& text);
    void SetTableRows(int rows);
    QAction* AddAction(const char* name, const char* caption, const char* hint = nullptr);

    MeasurementStore& store_;
    Operator& operator_;
    EventLog& log_;
    PosixSerialPort port_;
    TSerialChannel channel_;
    const SearchActivity* search_ = nullptr;
    std::function<bool()> closeQuery_;

    std::map<QString, QAction*> actions_;
    QLabel* picture_ = nullptr;
    int shownPicture_ = 0;
    QWidget* devicePanel_ = nullptr;
    std::map<QString, QLabel*> panelValues_;
    QProgressBar* pbRequest_ = nullptr;
    QProgressBar* pbSave_ = nullptr;
    QLabel* lblRequest_ = nullptr;
    QLabel* lblSave_ = nullptr;
    Lamp* ledRequest_ = nullptr;
    Lamp* ledSave_ = nullptr;
    QComboBox* cableSelector_ = nullptr;
    QTableWidget* table_ = nullptr;
    QLabel* status_ = nullptr;
    QTimer timerUpdate_;
    QTimer timerAutoSave_;
    QTimer timerReceive_;
    int tableColour_ = -16777201;
    bool shownOnce_ = false;
};

}  // namespace drumo
