#pragma once
// The time graph fed by the main window's selection: the selected cable's sensors become its lines,
// drawn straight from the store, live samples extend them, and the commands and events of the rest
// of the program reach it: "График по времени", the table's row choosing the tracked line,
// reception switching "Слежение" and resetting the view, archive loads switching "АвтоЗум" on,
// "Очистить результаты" and the device search emptying it.

#include <QObject>

#include "acquisition/SearchActivity.h"
#include "model/Store.h"

namespace drumo {

class TfrmGraphic;
class TfrmMain;

class GraphWiring : public QObject, public StationEvents {
    Q_OBJECT
public:
    // Subscribes to the store's events; the store counts the selection's samples before it tells.
    GraphWiring(TfrmGraphic& graphic, TfrmMain& main, MeasurementStore& store, const std::string& settingsFile);
    ~GraphWiring() override;

    // While a search runs the graph is left as it is.
    void SetSearch(const SearchActivity* search) { search_ = search; }

    // Archive files were loaded and their first cable is shown.
    void ArchiveShown();
    // "График": shows the time graph window and brings it to the front.
    void ShowGraph();

    // --- StationEvents.
    void SelectionChanged() override;
    void SampleAdded(const SamplePlace& place) override;
    void StoreCleared() override;
    void StoreEmptied() override;
    // Reception starts anew the view of a fresh selection and switches "Слежение" on; its stop
    // switches it off.
    void ReceptionStarted(bool fresh) override;
    void ReceptionStopped() override;

private:
    void ShowCounts();

    TfrmGraphic& graphic_;
    TfrmMain& main_;
    MeasurementStore& store_;
    const SearchActivity* search_ = nullptr;
};

}  // namespace drumo
