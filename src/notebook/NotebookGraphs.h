#pragma once
// What the notebook asks of the graph windows: a run of records of one cable becomes one line per
// sensor in the time graph, and a single record is drawn along the cable in the length trend.
// The graph windows implement this; the base class does nothing, for a program without them
// (drumo-cli) and for windows not yet joined.

#include "model/DateTime.h"
#include "notebook/NotebookTable.h"

#include <string>

namespace drumo {

class NotebookGraphs {
public:
    virtual ~NotebookGraphs() = default;

    // --- The time graph "График".
    virtual void DestroyLines() {}
    virtual void CreateLines(int /*count*/) {}
    virtual void SetLineCaption(int /*line*/, const std::string& /*caption*/) {}  // line from 1
    virtual void SetLeftAxisCaption(const std::string& /*caption*/) {}
    virtual void AddPoint(int /*line*/, DateTime /*time*/, double /*value*/) {}
    virtual void ShowGraphWindow() {}  // shows it when hidden
    virtual void SetGraphStatus(const std::string& /*text*/) {}  // status panel 2
    virtual void GraphShowAll() {}

    // --- The length trend "Тренд".
    virtual void ClearTrend() {}
    virtual void AddTrendPoint(double /*x*/, double /*y*/) {}  // to the main line
    virtual bool TrendInGround() const { return false; }        // "В грунте" ticked
    virtual bool TrendAutoZoom() const { return false; }        // "АвтоЗум" ticked
    virtual void SetTrendStatus(int /*panel*/, const std::string& /*text*/) {}  // panels 2..4
    virtual void SetPositionAxis(int /*kind*/, int /*lo*/, int /*hi*/) {}
    virtual void TrendShowAll() {}
};

// The run of records first..last (from 0) can go to the time graph: two records or more, all of
// one cable (the serial of the first is not 0, and every record has the same cable and sensor
// count cells as the first).
bool OfferableRun(const NotebookTable& table, int first, int last);

// The digits of a cell read as one number ("SNтк: [ 123 ]" gives 123); 0 without digits.
long DigitsOf(std::string_view cell);

// The caption of line i (from 1) for a record of `kind` whose label cell is `label`.
std::string LineCaption(int kind, int line, std::string_view label);

// What putting a run on the time graph counted.
struct GraphRun {
    int Records = 0;    // records with a time
    int Undefined = 0;  // records without one, left out
    int Points = 0;
};

// Puts records first..last on the time graph as the rules say (the run must be offerable).
GraphRun DrawRun(const NotebookTable& table, int first, int last, char mark, NotebookGraphs& graphs);

// Draws the record of table row `row` in the length trend. False for a record of quantities,
// which are not drawn.
bool DrawRecordInTrend(const NotebookTable& table, int row, char mark, NotebookGraphs& graphs);

}  // namespace drumo
