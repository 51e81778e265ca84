#pragma once
// The main window "Drumo": every command in its menus and tool bar, the picture and identity of
// the selected device, the timers panel, the cable selector and the table of the newest
// temperatures of the selected cable.

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QTableWidget>

#include <functional>
#include <map>

#include "acquisition/MainPanel.h"
#include "acquisition/SearchActivity.h"
#include "app/ui/Lamp.h"
#include "model/Store.h"

namespace drumo {

class TfrmMain : public QMainWindow, public StationEvents, public MainPanel {
    Q_OBJECT
public:
    TfrmMain(MeasurementStore& store, Operator& op, EventLog& log, QWidget* parent = nullptr);
    ~TfrmMain() override;

    static constexpr int FixedWidth = 335;
    static constexpr int MinHeight = 433;

    // --- Commands, by object name ("actStart", "actFileOpen" ...). A name the window does not
    // have is a programming error: std::invalid_argument names it.
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
    void PickCable(int index);  // as when the operator picks an item
    void FillTable();
    void ClearTable();        // every cell, then 2 rows
    void ClearTableValues();  // the temperature column only
    int TableRows() const { return table_->rowCount() + 1; }
    QString TableCell(int column, int row) const;  // row 0 is the header
    QString CopyTableText() const;
    void SetTableColour(int colour);
    int TableColour() const { return tableColour_; }

    // --- The view of the selection.
    void RebuildView();
    void ShowNewSample(int d, int c);

    // --- Timers panel and status bar.
    TimerIndicators& ReceptionIndicators() override { return reception_; }
    TimerIndicators& SaveIndicators() override { return saving_; }
    void SetStatus(const std::string& text) override { SetStatusText(QString::fromStdString(text)); }
    void OfferDeviceCommands() override { ShowDeviceActions(); }
    void SetStatusText(const QString& text);
    QString StatusText() const;
    void ReceptionLampRed();
    void ClearStatusBar();
    void PlainTitles();

    // --- Program-wide values the windows share.
    // While a search runs the view is left as it is.
    void SetSearch(const SearchActivity* search) { search_ = search; }
    // Runs before the window closes; false keeps it open.
    void SetCloseQuery(std::function<bool()> query) { closeQuery_ = std::move(query); }

    // --- What the store tells: the view follows the selection and the newest samples.
    void StoreCleared() override { ClearTableValues(); }
    void StoreEmptied() override;
    void SelectionChanged() override { RebuildView(); }
    void SampleAdded(const SamplePlace& place) override {
        if (place.Selected) ShowNewSample(static_cast<int>(place.Device), static_cast<int>(place.Cable));
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
    // One row of the timers panel.
    class Indicators final : public TimerIndicators {
    public:
        void SetProgressMaximum(int maximum) override;
        void SetProgress(int value) override;
        int Progress() const override;
        int ProgressMaximum() const override;
        void SetCountdown(const std::string& hhnnss) override;
        void SetLampGreen(bool green) override;
        void SetLampLit(bool lit) override;

        QProgressBar* Bar = nullptr;
        QLabel* Countdown = nullptr;
        Lamp* Light = nullptr;
    };

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
    const SearchActivity* search_ = nullptr;
    std::function<bool()> closeQuery_;

    std::map<QString, QAction*> actions_;
    QLabel* picture_ = nullptr;
    int shownPicture_ = 0;
    QWidget* devicePanel_ = nullptr;
    std::map<QString, QLabel*> panelValues_;
    Indicators reception_;
    Indicators saving_;
    QComboBox* cableSelector_ = nullptr;
    QTableWidget* table_ = nullptr;
    QLabel* status_ = nullptr;
    int tableColour_ = -16777201;
    bool shownOnce_ = false;
};

}  // namespace drumo
