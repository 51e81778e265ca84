#pragma once
// Automatic saving during data reception. One run of reception writes one file, named after the
// moment reception started and kept in that day's folder; every due save rewrites it with the
// whole store. The window owns the real timer and calls TimerTick at each period; the file is
// written at the end of the next polling pass, never in the middle of device traffic.

#include <string>

#include "files/ArchiveFiles.h"
#include "base/Services.h"
#include "model/DateTime.h"

namespace drumo {

// The auto-save period of list position index (0..13), in seconds; other indices give 300.
int AutoSavePeriodSeconds(int index);

// What auto-save shows in the main window and how it drives the window's timer.
class AutoSaveView {
public:
    virtual ~AutoSaveView() = default;
    virtual void StartTimer(int /*intervalMs*/) {}
    virtual void StopTimer() {}
    virtual void SetTimerInterval(int /*intervalMs*/) {}
    virtual void FileIndicator(bool /*lit*/) {}  // lit while a file is written
    virtual void SetProgressMaximum(int /*maximum*/) {}
    virtual void SetProgress(int /*value*/) {}
    virtual void StepProgress() {}
    virtual void ShowCountdown(const std::string& /*hhnnss*/) {}
};

class AutoSave {
public:
    AutoSave(ArchiveFiles& files, const Clock& clock, AutoSaveView* view = nullptr);

    // Settings: the archive root, on/off and the period's list position.
    std::string ArchiveFolder;
    bool AutoSaveEnabled = false;
    // A logger's auto-save writes only what is new into its file (see ArchiveAppender), with
    // room for the samples expected until the end of the start day at this many seconds apart.
    // 0: every save writes the whole file (the program).
    double AppendSampleSeconds = 0;

    int PeriodSeconds() const { return AutoSavePeriodSeconds(periodIndex_); }
    // A new period from the settings dialog: takes effect at once when the timer runs.
    void SetPeriodIndex(int index);

    // Reception started: fixes the file name and starts waiting one period.
    void StartReception();
    // The auto-save timer fired: a save is due.
    void TimerTick();
    // A polling pass (or a streamed sample) ended: writes the file when a save is due.
    void EndOfPass();
    // The main window's once-a-second update while reception runs.
    void UpdateTick(int updateIntervalMs = 1000);
    // Writes the running reception's file now, due or not (the program is being ended). Does
    // nothing when auto-save is off or no reception runs.
    void SaveNow();
    void StopReception();

    // The file of the running reception. Its first save writes it only under a name no other
    // writer has taken (two loggers started in the same second, a program and a logger on one
    // archive folder); a taken name gives way to the next second's.
    const std::string& FileName() const { return fileName_; }
    // False once a save failed, true again after the next one that succeeded.
    bool LastSaveOk() const { return lastSaveOk_; }
    bool Due() const { return due_; }
    bool TimerRunning() const { return timerRunning_; }

private:
    int ProgressMaximum(int updateIntervalMs) const;
    bool Write();
    SaveOutcome SaveOnce(bool onlyNew, bool& exists);
    size_t SamplesToCome() const;
    std::string AutoSaveFileName(DateTime start) const;

    ArchiveFiles& files_;
    const Clock& clock_;
    AutoSaveView* view_;
    AutoSaveView noView_;
    int periodIndex_ = 4;
    std::string fileName_;
    bool due_ = false;
    bool timerRunning_ = false;
    bool claimed_ = false;    // the first save under fileName_ succeeded: the file is ours
    bool lastSaveOk_ = true;
    ArchiveAppender appender_;
    DateTime next_ = 0;
    DateTime start_ = 0;
    int progress_ = 0;
    int progressMax_ = 0;
};

}  // namespace drumo
