#pragma once
// What the main window's view operations ask of the windows that show the selected cable besides
// it: the time graph, the length trend, the sensor report, the sensor auto-set and the notebook.
// Each of those windows implements its interface; until it exists the main window simply has no
// peer for it and skips that part.

#include <QString>

namespace drumo {

class TimeGraphPeer {
public:
    virtual ~TimeGraphPeer() = default;
    virtual void DestroyLines() = 0;
    virtual void CreateLines(int count) = 0;
    virtual void SetLineCaption(int line, const QString& caption) = 0;
    virtual void SetAxisCaption(const QString& caption) = 0;
    virtual void AddPoint(int line, double time, double value) = 0;
    virtual void SuspendRepaint() = 0;
    virtual void ResumeRepaint() = 0;
    virtual bool AutoZoomChecked() const = 0;
    virtual void ShowAll() = 0;                      // "Показать всё"
    virtual void RefreshTrackedLine() = 0;
    virtual void SetTrackedLine(int line) = 0;       // "Номер линии слежения"
    virtual void SetCountsText(const QString& text) = 0;  // status panel 2
    virtual void SetCaption(const QString& caption) = 0;
};

class LengthTrendPeer {
public:
    virtual ~LengthTrendPeer() = default;
    virtual void SetPositionAxis(int kind, int low, int high) = 0;
    virtual void UpdateTrend(bool follow, bool resetTrace) = 0;
    virtual bool SliderAtMaximum() const = 0;
    virtual void SetCaption(const QString& caption) = 0;
};

class ReportPeer {
public:
    virtual ~ReportPeer() = default;
    virtual void Empty() = 0;                        // every cell and the heading
    virtual void SetColumns(int count) = 0;
    virtual void SetRows(int count) = 0;
    virtual void SetHeading(const QString& heading) = 0;
    virtual void SetCell(int column, int row, const QString& text) = 0;
    virtual void SetReadRomVisible(bool visible) = 0;
    virtual void SetCaption(const QString& caption) = 0;
};

class AutoSetPeer {
public:
    virtual ~AutoSetPeer() = default;
    virtual void ResetSensorMarks() = 0;
};

class NotebookPeer {
public:
    virtual ~NotebookPeer() = default;
    virtual void SetInfoButtonVisible(bool visible) = 0;
};

class PletsPeer {
public:
    virtual ~PletsPeer() = default;
    virtual void SetCaption(const QString& caption) = 0;
};

// The peers the main window knows; any of them may be missing.
struct ViewPeers {
    TimeGraphPeer* Graph = nullptr;
    LengthTrendPeer* Trend = nullptr;
    ReportPeer* Report = nullptr;
    AutoSetPeer* AutoSet = nullptr;
    NotebookPeer* Notebook = nullptr;
    PletsPeer* Plets = nullptr;
};

}  // namespace drumo
