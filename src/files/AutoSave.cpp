#include "files/AutoSave.h"

#include <algorithm>
#include <cmath>

#include "files/ArchiveFormat.h"
#include "model/Intervals.h"

namespace drumo {

int AutoSavePeriodSeconds(int index) { return IntervalSeconds(IsIntervalIndex(index) ? index : 4); }

AutoSave::AutoSave(ArchiveFiles& files, const Clock& clock, AutoSaveView* view)
    : files_(files), clock_(clock), view_(view ? view : &noView_) {}

int AutoSave::ProgressMaximum(int updateIntervalMs) const {
    if (updateIntervalMs <= 0) updateIntervalMs = 1000;
    return static_cast<int>(std::lround(PeriodSeconds() * 1000.0 / updateIntervalMs));
}

void AutoSave::SetPeriodIndex(int index) {
    const int old = PeriodSeconds();
    periodIndex_ = IsIntervalIndex(index) ? index : 4;
    if (PeriodSeconds() == old) return;
    view_->SetTimerInterval(PeriodSeconds() * 1000);
    next_ = clock_.Now() + PeriodSeconds() * OneSecond;
    progress_ = 0;
    progressMax_ = ProgressMaximum(1000);
    view_->SetProgress(0);
    view_->SetProgressMaximum(progressMax_);
}

void AutoSave::StartReception() {
    if (!AutoSaveEnabled) return;
    const DateTime start = clock_.Now();
    next_ = start + PeriodSeconds() * OneSecond;
    progressMax_ = ProgressMaximum(1000);
    progress_ = 0;
    view_->SetProgressMaximum(progressMax_);
    start_ = start;
    fileName_ = AutoSaveFileName(start);
    claimed_ = false;
    lastSaveOk_ = true;
    appender_.Reset();
    due_ = false;
    timerRunning_ = true;
    view_->StartTimer(PeriodSeconds() * 1000);
}

void AutoSave::TimerTick() {
    next_ = clock_.Now() + PeriodSeconds() * OneSecond;
    due_ = true;
}

void AutoSave::EndOfPass() {
    if (!AutoSaveEnabled || !due_ || fileName_.empty()) return;
    view_->FileIndicator(true);
    lastSaveOk_ = Write();
    due_ = false;
    progress_ = 0;
    view_->SetProgress(0);
    view_->FileIndicator(false);
}

std::string AutoSave::AutoSaveFileName(DateTime start) const {
    std::string time = FileTime(start);
    for (char& c : time)
        if (c == ':') c = '.';
    return ArchiveFolder + "/" + FileDate(start) + "/" + time + ".dml";
}

size_t AutoSave::SamplesToCome() const {
    const double seconds = (DateOf(start_) + 1 - clock_.Now()) / OneSecond;
    return static_cast<size_t>(std::max(0.0, seconds) / AppendSampleSeconds * 1.1) + 16;
}

SaveOutcome AutoSave::SaveOnce(bool onlyNew, bool& exists) {
    if (AppendSampleSeconds > 0) return files_.FileAppendArhiv(appender_, fileName_, SamplesToCome(), onlyNew, exists);
    if (!onlyNew) return files_.FileSaveArhiv(fileName_, false) ? SaveOutcome::Saved : SaveOutcome::Failed;
    return files_.FileSaveNewArhiv(fileName_, exists);
}

bool AutoSave::Write() {
    bool exists = false;
    if (claimed_) return SaveOnce(false, exists) == SaveOutcome::Saved;
    // A name that another writer took moves on by a second, within the start day's folder.
    constexpr int Tries = 600;
    for (int i = 0; i < Tries; ++i) {
        const SaveOutcome outcome = SaveOnce(true, exists);
        if (!exists) {
            claimed_ = outcome == SaveOutcome::Saved;
            return claimed_;
        }
        const DateTime next = start_ + (i + 1) * OneSecond;
        if (DateOf(next) != DateOf(start_)) break;
        fileName_ = AutoSaveFileName(next);
    }
    return false;
}

void AutoSave::SaveNow() {
    if (!timerRunning_) return;
    due_ = true;
    EndOfPass();
}

void AutoSave::UpdateTick(int /*updateIntervalMs*/) {
    if (!AutoSaveEnabled || !timerRunning_) return;
    if (progress_ < progressMax_) {
        ++progress_;
        view_->StepProgress();
    }
    const DateTime left = next_ - clock_.Now();
    view_->ShowCountdown(FileTime(left > 0 ? left : 0));
}

void AutoSave::StopReception() {
    timerRunning_ = false;
    view_->StopTimer();
    view_->ShowCountdown("00:00:00");
    progress_ = 0;
    view_->SetProgress(0);
}

}  // namespace drumo
