#pragma once
// The length trend "Тренд" joined to the program: it follows the cable the main window shows, live
// and from loaded archives, with its caption naming a shown archive file; the main window's
// commands "График по длине" and "Печатать Тренд" and the trend's own print button reach it and the
// print dialog. The trend's settings (section "Trend") go into its controls and back.

#include <QObject>

#include "acquisition/SearchActivity.h"
#include "app/Settings.h"
#include "model/Store.h"

namespace drumo {

class Chart;
class TfrmMain;
class TfrmTrend;
class TMFPrintDlg;

// The section "Trend" into the window's controls (the place is the shell's), and back.
void LoadTrendSettings(TfrmTrend& trend, const TrendSettings& settings);
void SaveTrendSettings(const TfrmTrend& trend, TrendSettings& settings);

class TrendWiring;

// A print command of the main window ("Печатать График", "Печатать Тренд", "Печатать Тренд
// системы") opens the print dialog with `chart`; the command is enabled.
void JoinPrintCommand(TfrmMain& main, const char* action, TrendWiring& wiring, Chart& chart);

class TrendWiring : public QObject, public StationEvents {
    Q_OBJECT
public:
    TrendWiring(TfrmTrend& trend, TMFPrintDlg& print, TfrmMain& main, MeasurementStore& store);
    ~TrendWiring() override;

    // While a device search runs the trend keeps what it shows.
    void SetSearch(const SearchActivity* search) { search_ = search; }

    // "График по длине".
    void ShowTrend();
    // The print dialog with a graph window's chart ("Печатать График", "Печатать Тренд" ...).
    void PrintChart(Chart& chart);
    // Archive files were loaded: "АвтоЗум" goes on.
    void ArchiveShown();

    // --- What the store tells.
    void StoreCleared() override;
    void StoreEmptied() override;
    void SelectionChanged() override;
    void SampleAdded(const SamplePlace& place) override;
    // Reception starts with no samples yet, or after notebook data: the view starts anew.
    void ReceptionStarted(bool fresh) override;

private:
    TfrmTrend& trend_;
    TMFPrintDlg& print_;
    MeasurementStore& store_;
    const SearchActivity* search_ = nullptr;
};

}  // namespace drumo
