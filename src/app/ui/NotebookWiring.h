#pragma once
// Puts the notebook in the operator's hands: the window "Блокнот", shown by the main window's
// command and by notebook files chosen in the group loader or named on the command line, the
// file commands of the notebook, the "Инфо" button hidden for the Hexar-1/16, and the graphs that
// notebook records go to.

#include <QObject>

#include <functional>
#include <memory>
#include <string>

#include "station/Station.h"
#include "model/Store.h"
#include "notebook/NotebookGraphs.h"

namespace drumo {

class TfrmNoteBig;

class NotebookWiring : public QObject, public StationEvents {
    Q_OBJECT
public:
    // `graphs` are the graph windows the records go to; none: they go nowhere.
    NotebookWiring(Station& station, Operator& op, std::function<std::string()> archiveFolder,
                   NotebookGraphs* graphs = nullptr);
    ~NotebookWiring() override;

    TfrmNoteBig& Window() { return *window_; }
    // The graph windows, once they exist.
    void SetGraphs(NotebookGraphs* graphs);

    // "Блокнот": shows the window.
    void ShowWindow();
    void OpenCommand();  // actFileOpenNote
    void SaveCommand();  // actFileSaveNote
    // A notebook file named on the command line: the window first, then the file.
    void OpenFromCommandLine(const std::string& path);
    // The program closes: a running read ends at its next block.
    void StopReading();

    // A notebook file chosen in the group loader.
    void OpenNotebook(const std::string& fileName);

    // --- StationEvents: "Инфо" follows the selected device.
    void SelectionChanged() override { UpdateInfoButton(); }
    void StoreEmptied() override { UpdateInfoButton(); }

private:
    // Passes every call on to the graph windows set later.
    class GraphsRelay;
    void UpdateInfoButton();

    Station& station_;
    std::unique_ptr<GraphsRelay> graphs_;
    std::unique_ptr<TfrmNoteBig> window_;
};

}  // namespace drumo
