#pragma once
// Decisions of the program's start, closing and settings dialog that involve the operator or the
// file system, kept out of the windows so they can be checked without them.

#include <string>

#include "base/Services.h"

namespace drumo {

// True when the folder exists or could be created (with any missing parents).
bool EnsureFolder(const std::string& folder);

// At start: the archive folder is created when missing; when that fails the operator is told and
// the program goes on with that folder name. Returns whether the folder is usable.
bool PrepareArchiveFolder(const std::string& folder, Operator& op);

// The settings dialog's archive folder step. `wanted` is the text of the folder box, `current` the
// folder in force, `fallback` the default archive folder. Returns the folder in force afterwards.
// A folder whose path the settings file cannot hold (characters outside Windows-1251) or that is
// no absolute path is refused with a message naming it.
std::string ApplyArchiveFolder(const std::string& wanted, const std::string& current,
                               const std::string& fallback, Operator& op);

// Closing: asks when readings received in this run would be lost. False keeps the program open.
bool ConfirmProgramClose(bool confirmClose, bool archiveLoaded, unsigned validValues, Operator& op);

// A periodic timer whose interval the settings dialog may change. Choosing the interval already in
// force changes nothing (the timer keeps counting and its progress bar keeps its place).
struct TimerPlan {
    bool Change = false;
    int IntervalMs = 0;
    int ProgressMax = 0;  // the progress bar's maximum in ticks of the update timer
};
TimerPlan PlanTimerInterval(int currentMs, int wantedMs, int updateMs);

}  // namespace drumo
