#pragma once
// Views that pass every call on to a target set later, or drop it while there is none. The
// station takes its views when it is built, before the windows that show its procedures exist;
// the desktop program gives it these and points them at the windows' wiring once that is made.
// Also the log that keeps its lines until the window that shows them exists.

#include <string>
#include <vector>

#include "acquisition/Reception.h"
#include "station/Station.h"
#include "files/ArchiveView.h"
#include "files/AutoSave.h"

namespace drumo {

// Log lines written before the device manager exists wait for it.
class LogRelay final : public EventLog {
public:
    void Log(const std::string& text) override {
        if (target_)
            target_->Log(text);
        else
            pending_.push_back(text);
    }
    void Attach(EventLog* target) {
        target_ = target;
        if (!target_) return;
        for (const auto& line : pending_) target_->Log(line);
        pending_.clear();
    }

private:
    EventLog* target_ = nullptr;
    std::vector<std::string> pending_;
};

class SearchRelay final : public SearchView {
public:
    void SetTarget(SearchView* target) { t_ = target; }

    void SearchStatus(const std::string& text) override { if (t_) t_->SearchStatus(text); }
    void PortLabel(const std::string& text) override { if (t_) t_->PortLabel(text); }
    void AddressLabel(const std::string& text) override { if (t_) t_->AddressLabel(text); }
    void ProgressRange(int min, int max) override { if (t_) t_->ProgressRange(min, max); }
    void Progress(int position) override { if (t_) t_->Progress(position); }
    void BusyCursor(bool on) override { if (t_) t_->BusyCursor(on); }
    void DefaultPortChosen(int port) override { if (t_) t_->DefaultPortChosen(port); }
    void AddRow(bool checkEnabled) override { if (t_) t_->AddRow(checkEnabled); }
    void SetRowCheckEnabled(int row, bool enabled) override { if (t_) t_->SetRowCheckEnabled(row, enabled); }
    void SetCell(int row, int column, const std::string& text) override { if (t_) t_->SetCell(row, column, text); }
    void DevicesFound(int devices, bool modbus, const std::string& mainStatus) override {
        if (t_) t_->DevicesFound(devices, modbus, mainStatus);
    }

private:
    SearchView* t_ = nullptr;
};

class LineRelay final : public LineView {
public:
    void SetTarget(LineView* target) { t_ = target; }
    void LinkTestStopped() override { if (t_) t_->LinkTestStopped(); }

private:
    LineView* t_ = nullptr;
};

class ReceptionRelay final : public ReceptionView {
public:
    void SetTarget(ReceptionView* target) { t_ = target; }

    void PollingTimer(bool on) override { if (t_) t_->PollingTimer(on); }
    void UpdateTimer(bool on) override { if (t_) t_->UpdateTimer(on); }
    void RequestProgress(int position, int maximum) override { if (t_) t_->RequestProgress(position, maximum); }
    void RequestCountdown(const std::string& text) override { if (t_) t_->RequestCountdown(text); }
    void ReceptionLamp(bool lit) override { if (t_) t_->ReceptionLamp(lit); }
    void ShowNewSample(size_t d, size_t c) override { if (t_) t_->ShowNewSample(d, c); }
    void ResetGraphViews() override { if (t_) t_->ResetGraphViews(); }
    void RebuildView() override { if (t_) t_->RebuildView(); }
    void FollowMode(bool on) override { if (t_) t_->FollowMode(on); }
    void FitSystemTrend() override { if (t_) t_->FitSystemTrend(); }
    void UpdateSystemTrend() override { if (t_) t_->UpdateSystemTrend(); }
    void UpperAlarm(const std::string& line) override { if (t_) t_->UpperAlarm(line); }
    void LowerAlarm(const std::string& line) override { if (t_) t_->LowerAlarm(line); }
    void ShowSearchWindow() override { if (t_) t_->ShowSearchWindow(); }

private:
    ReceptionView* t_ = nullptr;
};

class ArchiveRelay final : public ArchiveView {
public:
    void SetTarget(ArchiveView* target) { t_ = target; }

    void BusyCursor(bool busy) override { if (t_) t_->BusyCursor(busy); }
    void AddDeviceRow(const TDevSig& device, const std::string& fileNameOnly) override {
        if (t_) t_->AddDeviceRow(device, fileNameOnly);
    }
    void AddCableRow(size_t d, size_t c, int16_t serial, size_t sensors, bool firstOfDevice) override {
        if (t_) t_->AddCableRow(d, c, serial, sensors, firstOfDevice);
    }
    void EnableLastRowCheck() override { if (t_) t_->EnableLastRowCheck(); }
    void ColourUnsigned() override { if (t_) t_->ColourUnsigned(); }
    // Notebook files go to the notebook window's side when it is there.
    void SetNotebookTarget(ArchiveView* target) { notebook_ = target; }
    void ShowNotebookWindow() override {
        if (ArchiveView* t = notebook_ ? notebook_ : t_) t->ShowNotebookWindow();
    }
    void OpenNotebook(const std::string& fileName) override {
        if (ArchiveView* t = notebook_ ? notebook_ : t_) t->OpenNotebook(fileName);
    }
    void SetTitles(const std::string& deviceManager, const std::string& systemTrend) override {
        if (t_) t_->SetTitles(deviceManager, systemTrend);
    }
    void ShowStatus(const std::string& text) override { if (t_) t_->ShowStatus(text); }
    void CloseCorrectionWindow() override { if (t_) t_->CloseCorrectionWindow(); }
    void ShowLoadedDevices(size_t deviceCount) override { if (t_) t_->ShowLoadedDevices(deviceCount); }

private:
    ArchiveView* t_ = nullptr;
    ArchiveView* notebook_ = nullptr;
};

class AutoSaveRelay final : public AutoSaveView {
public:
    void SetTarget(AutoSaveView* target) { t_ = target; }

    void StartTimer(int intervalMs) override { if (t_) t_->StartTimer(intervalMs); }
    void StopTimer() override { if (t_) t_->StopTimer(); }
    void SetTimerInterval(int intervalMs) override { if (t_) t_->SetTimerInterval(intervalMs); }
    void FileIndicator(bool lit) override { if (t_) t_->FileIndicator(lit); }
    void SetProgressMaximum(int maximum) override { if (t_) t_->SetProgressMaximum(maximum); }
    void SetProgress(int value) override { if (t_) t_->SetProgress(value); }
    void StepProgress() override { if (t_) t_->StepProgress(); }
    void ShowCountdown(const std::string& hhnnss) override { if (t_) t_->ShowCountdown(hhnnss); }

private:
    AutoSaveView* t_ = nullptr;
};

struct ViewRelays {
    SearchRelay Search;
    ReceptionRelay Receiving;
    ArchiveRelay Archive;
    AutoSaveRelay Saving;
    LineRelay Line;

    StationViews Views() { return {&Search, &Receiving, &Archive, &Saving, &Line}; }
};

}  // namespace drumo
