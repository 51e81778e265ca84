#pragma once
// The chart of the graph windows: the one place where they meet the plotting library. It has four
// axes (left, bottom, top, right), any number of lines of points, horizontal and vertical line
// markers, and the mouse rules every graph window shares: a left drag pans, a left drag with Shift
// zooms to the dragged rectangle (AxisZoomed), a double click and mouse moves are reported, and the
// right button opens the window's pop-up menu.
//
// A line keeps its own points (a key and a value each, 12 bytes), or shows a sensor's series of
// the measurement store straight from the store: a month of samples of a whole cable is drawn
// without a copy, one minimum and maximum per pixel column where the samples are denser than the
// pixels. NoValue samples of a store series are no points of the line.
//
// Time axes carry DateTime values (days); their labels are the local wall-clock time the value
// encodes, in a Qt date-time pattern ("hh:mm:ss", "dd.MM.yy").

#include <QColor>
#include <QFont>
#include <QPicture>
#include <QPixmap>
#include <QString>
#include <QWidget>

#include <memory>
#include <vector>

#include "model/Series.h"
#include "model/Store.h"

class QCustomPlot;
class QCPAxis;
class QCPItemStraightLine;
class QCPItemText;
class QMenu;
class QRubberBand;

namespace drumo {

enum class ChartAxis { Left, Bottom, Top, Right };
enum class PointShape { Square, Circle };

class ChartLine;
class LineCanvas;

class Chart : public QWidget {
    Q_OBJECT
public:
    explicit Chart(QWidget* parent = nullptr);
    ~Chart() override;

    // --- Axes. Setting a range switches automatic ranging off (it only runs on demand).
    void SetAxisRange(ChartAxis axis, double min, double max);
    double AxisMin(ChartAxis axis) const;
    double AxisMax(ChartAxis axis) const;
    void SetAxisVisible(ChartAxis axis, bool visible);  // ticks, labels and caption
    void SetAxisCaption(ChartAxis axis, const QString& caption);
    QString AxisCaption(ChartAxis axis) const;
    // Tick labels as numbers with at most two decimals and the program's decimal mark
    // ("###0.##"), or as the date and time of DateTime values in a Qt pattern.
    void SetAxisNumberLabels(ChartAxis axis);
    void SetAxisDateTimeLabels(ChartAxis axis, const QString& pattern);
    // Ticks spread evenly from the axis minimum to its maximum, both included.
    void SetAxisTickCount(ChartAxis axis, int count);
    // Ticks at the whole multiples of `step` instead (0: evenly spread again); a DateTime axis
    // with a step of 15 seconds is labelled at :00, :15, :30 and :45.
    void SetAxisTickStep(ChartAxis axis, double step);
    QString TickLabel(ChartAxis axis, double value) const;
    // Grid lines at the ticks, dotted.
    void SetGrid(ChartAxis axis, bool visible, const QColor& colour);
    QColor GridColour(ChartAxis axis) const;
    // The axis value at a pixel of the chart widget (x for horizontal axes, y for vertical).
    double PixelToValue(ChartAxis axis, double pixel) const;
    double ValueToPixel(ChartAxis axis, double value) const;
    // The top axis always shows the range of the bottom axis.
    void SetTopFollowsBottom(bool on);
    // Automatic ranging, once: the extent of the active lines' points on this axis, widened by
    // 2.5 % of its width on each side. False (range unchanged) when no active line has a point.
    bool AutoRangeAxis(ChartAxis axis);
    // The extent of the active lines' points on an axis, without margins; false when none.
    bool DataExtent(ChartAxis axis, double& lo, double& hi) const;

    // --- Lines, numbered from 0 in the order they were added. A line's keys go along `keyAxis`
    // and its values along `valueAxis` (the trend turned by 90 degrees swaps them).
    int AddLine(const QColor& colour, ChartAxis keyAxis = ChartAxis::Bottom,
                ChartAxis valueAxis = ChartAxis::Left);
    void RemoveLines();
    int LineCount() const;
    // An inactive line is not drawn and does not count for automatic ranging.
    void SetLineActive(int line, bool active);
    bool LineActive(int line) const;
    void SetLineColour(int line, const QColor& colour);
    QColor LineColour(int line) const;
    void SetLineVisible(int line, bool visible);  // the connecting line; points stay
    void SetLineWidth(int line, int width);       // of the connecting line, in pixels
    void SetPointShape(int line, PointShape shape);
    PointShape PointShapeOf(int line) const;
    void SetPointSize(int line, int size);  // width and height in pixels
    int PointSize(int line) const;
    void SetPointFill(int line, const QColor& colour);
    QColor PointFill(int line) const;
    void SetPointBorder(int line, const QColor& colour);
    QColor PointBorder(int line) const;
    void SetPointsVisible(int line, bool visible);
    // Points also where they lie denser than the pixels (one drawn per pixel); otherwise such a
    // stretch of a line shows only the connecting line.
    void SetDensePoints(int line, bool on);
    bool PointsVisible(int line) const;
    // The front line is drawn last, over the others.
    void BringToFront(int line);
    void SendToBack(int line);
    int DrawingPosition(int line) const;  // 0 is drawn first

    // Points of a line: append, replace, read, clear, count. A line showing a store series turns
    // into a line of its own points when a different point is appended or put in its place.
    void AppendPoint(int line, double key, double value);
    // The next point appended to the line begins a new series: no connecting line joins it to the
    // point before. A thermal plot level is one line of many series.
    void StartSeries(int line);
    void ReplacePoint(int line, int k, double key, double value);
    bool Point(int line, int k, double& key, double& value) const;
    bool LastPoint(int line, double& key, double& value) const;
    void ClearLine(int line);
    int PointCount(int line) const;
    // Shows the first `count` samples of a sensor's series of the store: key = the sample time,
    // value = the stored hundredths ÷ 100; NoValue samples are skipped. The series must outlive
    // the line or its next ClearLine / ShowSeries / RemoveLines.
    void ShowSeries(int line, const Series<DateTime>& times, const Series<Temperature>& values,
                    size_t count);
    // The same for sensor s of cable (d, c) of the store, looked up at every use, so that the line
    // stays sound while the store grows, moves or empties its series.
    void ShowSeries(int line, const MeasurementStore& store, size_t d, size_t c, size_t s, size_t count);
    // More samples of the series shown (a new sample arrived).
    void ShowSamples(int line, size_t count);
    // The line shows a store series (rather than points of its own).
    bool ShowsSeries(int line) const;

    // --- Line markers: a horizontal line at a value of a vertical axis, or a vertical line at a
    // value of a horizontal axis; drawn over the lines.
    int AddMarker(ChartAxis axis, const QColor& colour, Qt::PenStyle style = Qt::DotLine);
    void SetMarkerPosition(int marker, double value);
    double MarkerPosition(int marker) const;
    void SetMarkerVisible(int marker, bool visible);
    bool MarkerVisible(int marker) const;
    void SetMarkerPen(int marker, const QColor& colour, Qt::PenStyle style);

    // --- The plot.
    void SetFieldColour(const QColor& colour);  // background of the plotting area
    QColor FieldColour() const;
    // Which directions the mouse pans and zooms (the trend allows only one).
    void SetPanZoomDirections(Qt::Orientations directions);
    // The menu the right button opens.
    void SetPopupMenu(QMenu* menu);
    // Text drawn over the plot at a pixel position (its top left corner) until the next Replot.
    void DrawText(int x, int y, const QString& text, const QFont& font, const QColor& colour,
                  const QColor& background);
    int TextCount() const;

    // --- Painting. Appends between SuspendRepaint and ResumeRepaint are painted once at the end.
    void SuspendRepaint();
    void ResumeRepaint();
    // Repaints the chart (soon, once), removing drawn texts.
    void Replot();
    // Draws the chart now; for measuring and for pictures.
    void ReplotNow();
    // The chart as it looks, at its size: for the clipboard.
    QPixmap Picture();
    // The chart drawn into a vector picture of `size` with white surroundings and `field` as the
    // plotting area's colour, for printing; the chart on screen keeps its colours.
    QPicture VectorPicture(QSize size, const QColor& field);

    // For tests and measurements: the library's widget, and how many redraws drew every line
    // rather than only the newest samples.
    QCustomPlot& Plot() const { return *plot_; }
    int WholeLineDraws() const;

    // An axis whose values grow the other way: downwards (left, right) or leftwards (bottom, top).
    void SetAxisReversed(ChartAxis axis, bool reversed);
    bool AxisReversed(ChartAxis axis) const;

signals:
    // The operator zoomed to a rectangle with Shift and the left button.
    void AxisZoomed();
    void DoubleClicked();
    void MouseMoved(int x, int y, Qt::KeyboardModifiers modifiers);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QCPAxis* AxisOf(ChartAxis axis) const;
    ChartLine* LineAt(int line) const;
    void ZoomToRect(const QRect& rect);
    void KeepRoomForLastLabels();
    // New or replaced points: the lines know themselves whether their picture can grow.
    void ChangedData();
    // A line's look, order or presence changed: every line is drawn again.
    void LinesChanged();

    QCustomPlot* plot_;
    std::vector<ChartLine*> lines_;  // owned by the plot
    LineCanvas* canvas_;             // draws the lines; owned by the plot
    std::vector<QCPItemStraightLine*> markers_;
    std::vector<ChartAxis> markerAxes_;
    std::vector<QCPItemText*> texts_;
    QMenu* popup_ = nullptr;
    QRubberBand* band_ = nullptr;
    QPoint bandOrigin_;
    bool zooming_ = false;
    bool topFollowsBottom_ = false;
    Qt::Orientations directions_ = Qt::Horizontal | Qt::Vertical;
    int suspended_ = 0;
};

}  // namespace drumo
