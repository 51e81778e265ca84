#pragma once
// The rules of the time graph's view that are not drawing: where the axes go after a reset, after
// "Показать всё", a zoom or pan button, a mouse zoom and each auto-drag tick; which line is tracked
// and highlighted; and the texts of the mouse read-out with their place on the plot.
//
// The time axis holds DateTime values (days); the top axis always shows the bottom one's range.

#include <optional>
#include <string>

#include "model/DateTime.h"
#include "views/AxisSteps.h"

namespace drumo {

struct TimeGraphView {
    AxisRange Time;
    AxisRange Temperature;
    int TimeStepIndex = ResetTimeStepIndex;
    int TempStepIndex = ResetTemperatureStepIndex;
    // The temperature axis was centred on the tracked line since auto-drag was last switched.
    bool TrackYCentred = false;
};

// Steps 20 s and 10 °C: ±60 s around `now` rounded to 20 s, and −50 … +50 °C.
void ResetView(TimeGraphView& view, DateTime now);

// What "Показать всё" needs to know of the lines.
struct ShowAllInput {
    int LineCount = 0;
    int FirstLinePoints = 0;          // points of line 1
    DateTime FirstLineKey = 0;        // time of line 1's first point
    std::optional<AxisRange> TimeData;         // extent of the active lines' points, if any
    std::optional<AxisRange> TemperatureData;
};

// "Показать всё", a double click on the chart, "АвтоЗум": everything in view, snapped to whole
// steps; a single point of line 1 shows ±3 s; no lines or an empty line 1 reset the view.
void ShowAll(TimeGraphView& view, const ShowAllInput& input, DateTime now);

// Zoom buttons: `finer` is "Увеличить масштаб". Nothing happens past the finest or coarsest step.
void ZoomTime(TimeGraphView& view, bool finer);
void ZoomTemperature(TimeGraphView& view, bool finer);

// Pan buttons by a tenth of the current step; the content moves in the named direction.
enum class PanDirection { Left, Right, Up, Down };
void Pan(TimeGraphView& view, PanDirection direction);

// After a mouse zoom: the dragged rectangle widened to whole steps.
void SnapAfterMouseZoom(TimeGraphView& view);

// One auto-drag tick with the tracked line's last point (x, y): the view follows the point when it
// leaves it, and centres the temperatures on it once after auto-drag was switched. True when
// either range changed.
bool AutoDragTick(TimeGraphView& view, DateTime x, double y);

// The tracked line after "Номер линии слежения" changed to `spinValue`: the line to return to
// square markers and the back (0: none), and the line to highlight and bring to the front.
struct TrackedLineChange {
    int Plain = 0;
    int Highlighted = 0;
};
TrackedLineChange ChangeTrackedLine(int& trackedLine, double spinValue, int lineCount);

// "Номер линии слежения" after n lines were created: a value past n becomes 1 (0 without lines).
int TrackedLineAfterCreate(int spinValue, int lineCount);

// Mouse read-out: status panel 0 (temperature) and panel 1 (date and time).
std::string ReadoutTemperatureText(double celsius, char mark);
std::string ReadoutTimeText(DateTime t);

// Where the Ctrl read-out draws its two texts for the mouse at (x, y): right of the cursor, or
// left of it within 100 pixels of the plot's right edge.
struct ReadoutPlace {
    int TemperatureX = 0, TemperatureY = 0;
    int TimeX = 0, TimeY = 0;
};
ReadoutPlace PlaceReadout(int x, int y, int plotWidth);

}  // namespace drumo
