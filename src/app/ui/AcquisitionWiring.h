#pragma once
// Puts the station's acquisition in the operator's hands: the search window and the device
// editor over the station's bus, the station's data reception shown on the main window's panel,
// the alarm windows, and the acquisition
// commands ("Поиск приборов", "Начать прием данных", "Остановить прием данных",
// "Синхронизация времени", "Выключить прибор"), which the program joins to its menus.
//
// It is created once after the windows and lives as long as they do.

#include <QObject>

#include <memory>

#include "acquisition/DeviceGrid.h"
#include "acquisition/Discovery.h"
#include "acquisition/LinkBus.h"
#include "acquisition/MainPanel.h"
#include "acquisition/Reception.h"
#include "acquisition/SearchActivity.h"
#include "acquisition/ServiceCommands.h"
#include "app/Settings.h"
#include "station/Station.h"

namespace drumo {

class TfrmScanM;
class TfrmAlarm;
class TfrmFind;
class TfrmMAC;

// What the acquisition commands show and use besides their own windows.
struct AcquisitionWindows {
    MainPanel& Panel;
    QWidget& MainWindow;  // the search window opens centred over it
    TfrmScanM& ScanM;
    TfrmAlarm& AlarmMax;
    TfrmAlarm& AlarmMin;
};

class AcquisitionWiring : public QObject,
                          public SearchView,
                          public ReceptionView,
                          public DeviceEditView,
                          public SearchActivity,
                          public StationEvents {
    Q_OBJECT
public:
    // Reception's progress shows here once the station's reception view is pointed at this.
    AcquisitionWiring(const AcquisitionWindows& windows, Station& station, Operator& op, EventLog& log);
    ~AcquisitionWiring() override;

    TfrmFind& Find() { return *find_; }
    TfrmMAC& Editor() { return *mac_; }
    Reception& Receiver() { return *reception_; }
    DeviceBus& Bus() { return station_.Bus(); }
    const SearchSettings& SearchSettingsInUse() const { return station_.SearchSettingsInUse(); }
    bool Searching() const;

    // --- Start-up and closing.
    // The search settings of the settings file become the controls and the settings in use.
    void LoadFindSettings();
    // The same, unless it was done already (the main window's first show).
    void LoadFindSettingsOnce() {
        if (!findLoaded_) LoadFindSettings();
    }
    // The settings in use go back into the settings that are written at closing.
    void SaveFindSettings();
    // Start-up with automatic search: the search window shows and searches.
    void ShowSearchWindowAtStart();
    // Closing: the search and a running pass end at their next check.
    void StopLongLoops();
    void StopReceptionNow();
    // The alarm limits and the decimal mark in force reach reception; the
    // settings dialog calls it after every apply, so that a running stream checks the new limits.
    void ApplyReceptionSettings();

    // --- Commands of the main window.
    void OpenSearchWindow();  // "Поиск приборов"
    void StartReception();
    void StopReception();
    void SyncTime();
    void SwitchOff();
    void OpenEditor(EditMode mode);

    // --- SearchView: the device manager's part.
    void AddRow(bool checkEnabled) override;
    void SetRowCheckEnabled(int row, bool enabled) override;
    void SetCell(int row, int column, const std::string& text) override;

    // --- ReceptionView.
    void RequestProgress(int position, int maximum) override;
    void RequestCountdown(const std::string& text) override;
    void ReceptionLamp(bool lit) override;

    // --- StationEvents.
    // A search that was not stopped found devices: the device manager shows when there are
    // several, the system trend makes its lines, the reception lamp turns green, the first row is
    // selected, the address, comment and speed commands follow a Modbus search, and the main
    // window's status bar tells the counts.
    void SearchFinished(const SearchOutcome& outcome) override;
    void AlarmRaised(AlarmKind kind, const std::string& line) override;  // the alarm window shows it
    // Another procedure took the line from the link test: its switch "Тест" goes off.
    void LineGivenBack(LineUser user) override;

    // --- DeviceEditView.
    void CommentCell(size_t device, const std::string& text) override;
    void AddressCell(size_t device, int address) override;
    void BaudItemChosen(int item) override;

    // --- SearchActivity.
    bool SearchRunning() const override { return Searching(); }

signals:
    // A search found devices; the system trend makes its lines before the first row is selected.
    void DevicesListed();

private:
    void WireCommands();
    int DeviceRow(size_t device) const;

    AcquisitionWindows w_;
    Station& station_;
    MeasurementStore& store_;
    ProgramSettings& settings_;
    Operator& op_;
    EventLog& log_;
    SearchSettings& searchSettings_;
    Reception* reception_;
    GridRows rows_;
    std::unique_ptr<TfrmFind> find_;
    std::unique_ptr<TfrmMAC> mac_;
    bool findLoaded_ = false;
};

}  // namespace drumo
