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

class GraphWiring : public QObject, public StoreListener {
    Q_OBJECT
public:
    // Listens to `store` after the main window, which counts the shown samples first.
    GraphWiring(TfrmGraphic& graphic, TfrmMain& main, MeasurementStore& store, const std::string& settingsFile);
    ~GraphWiring() override;

    // While a search runs the graph is left as it is.
    void SetSearch(const SearchActivity* search) { search_ = search; }

    // Reception's requests.
    void ResetGraphViews();
    void FollowMode(bool on);
    // Archive files were loaded and their first cable is shown.
    void ArchiveShown();
    // "График": shows the time graph window and brings it to the front.
    void ShowGraph();

    // --- StoreListener.
    void SelectionChanged() override;
    void SampleAdded(size_t d, size_t c) override;
    void StoreCleared() override;
    void StoreEmptied() override;

private:
    void ShowCounts();

    TfrmGraphic& graphic_;
    TfrmMain& main_;
    MeasurementStore& store_;
    const SearchActivity* search_ = nullptr;
};

}  // namespace drumo
