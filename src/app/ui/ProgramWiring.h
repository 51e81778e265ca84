#pragma once
// The acquisition and archive procedures joined to the program's windows and to its start-up and
// closing: created once, right after the windows, and destroyed before them. Together with Shell,
// which creates the windows, this is the only place that knows the windows of every part of the
// program; the parts reach the main window only through its panel and its commands.

#include "app/ui/AcquisitionWiring.h"
#include "app/ui/SystemTrendWiring.h"
#include "app/ui/GraphWiring.h"
#include "app/ui/GraphWindowsJoin.h"
#include "app/ui/CalibrationWiring.h"
#include "app/ui/DevicesWiring.h"
#include "app/ui/FilesWiring.h"
#include "app/ui/TrendWiring.h"
#include "app/ui/NotebookWiring.h"

namespace drumo {

class Shell;
class TfrmMain;

// The main window's acquisition commands ("Поиск приборов", "Начать прием данных", ...) call
// `acquisition`; the search settings are read when the window is first shown.
void JoinAcquisitionCommands(TfrmMain& main, AcquisitionWiring& acquisition);
// "Открыть", "Сохранить", "Экспорт в Excel" and "Архив" call `files`.
void JoinFileCommands(TfrmMain& main, FilesWiring& files);
// Archive loads reach the time graph; the device search keeps it as it is.
void JoinGraph(GraphWiring& graph, AcquisitionWiring& acquisition, FilesWiring& files);
// "Настройки прибора", "Серийный номер прибора" and "Обновить прошивку прибора" call `devices`.
void JoinDeviceCommands(TfrmMain& main, DevicesWiring& devices);
// "Блокнот" and the notebook's file commands call `notebook`.
void JoinNotebookCommands(TfrmMain& main, NotebookWiring& notebook);

class ProgramWiring {
public:
    // The station's procedures show their progress in these windows until the wiring goes.
    explicit ProgramWiring(Shell& shell);
    ~ProgramWiring();

    AcquisitionWiring& Acquisition() { return acquisition_; }
    FilesWiring& Files() { return files_; }
    GraphWiring& Graph() { return graph_; }
    CalibrationWiring& Calibration() { return calibration_; }
    TrendWiring& Trend() { return trend_; }
    DevicesWiring& Devices() { return devices_; }

    NotebookWiring& Notebook() { return notebook_; }

private:
    Station& station_;
    AcquisitionWiring acquisition_;
    FilesWiring files_;
    SystemTrendWiring systemTrend_;
    GraphWiring graph_;
    TrendWiring trend_;
    // The notebook and the calibration windows on the two graph windows.
    NotebookOnGraphWindows notebookGraphs_;
    CalibrationOnGraphWindows calibrationGraphs_;
    CalibrationWiring calibration_;
    DevicesWiring devices_;
    NotebookWiring notebook_;
};

}  // namespace drumo
