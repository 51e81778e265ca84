#pragma once
// The one place where the program meets its plotting library. A chart has a time axis (values are
// DateTime, shown as the local wall-clock time they encode) and a value axis, and any number of
// lines of points. The graph windows derive from it or hold one; none of them uses the library
// directly.

#include <QColor>
#include <QString>
#include <QWidget>

#include "model/DateTime.h"

class QCustomPlot;

namespace drumo {

class ChartBase : public QWidget {
    Q_OBJECT
public:
    explicit ChartBase(QWidget* parent = nullptr);
    ~ChartBase() override;

    // --- Lines. Lines are numbered from 0 in the order they were added.
    int AddLine(const QColor& colour, const QString& name = {}, int width = 1);
    void RemoveLines();
    void ClearPoints(int line);
    void AddPoint(int line, DateTime time, double value);
    int LineCount() const;
    int PointCount(int line) const;
    // The newest point of a line; false when it has none.
    bool LastPoint(int line, DateTime& time, double& value) const;
    QColor LineColour(int line) const;

    // --- Axes.
    void SetTimeAxis(DateTime from, DateTime to);
    DateTime TimeAxisFrom() const;
    DateTime TimeAxisTo() const;
    void SetTimeFormat(const QString& format);  // Qt date-time format of the tick labels
    void SetValueAxis(double from, double to);
    double ValueAxisFrom() const;
    double ValueAxisTo() const;
    void SetValueCaption(const QString& caption);
    void SetBackground(const QColor& field, const QColor& grid);

    // --- Painting. Many points are added between SuspendRepaint and ResumeRepaint with one
    // repaint at the end.
    void SuspendRepaint();
    void ResumeRepaint();
    void Replot();

    // The chart as a picture, for the clipboard and for printing.
    QPixmap Picture();

protected:
    QCustomPlot* Plot() const { return plot_; }

private:
    static double KeyOf(DateTime t);
    static DateTime TimeOf(double key);

    QCustomPlot* plot_;
    int suspended_ = 0;
};

}  // namespace drumo
