#include "acquisition/ShellRules.h"

#include <cmath>
#include <filesystem>
#include <system_error>

namespace drumo {

namespace {
std::string CannotCreate(const std::string& folder) {
    return "Не удалось создать директорию " + folder + "\r\n" + "Возможно установлена защита от записи";
}
}  // namespace

bool EnsureFolder(const std::string& folder) {
    if (folder.empty()) return false;
    std::error_code ec;
    const std::filesystem::path path(folder);
    if (std::filesystem::is_directory(path, ec)) return true;
    std::filesystem::create_directories(path, ec);
    return std::filesystem::is_directory(path, ec);
}

bool PrepareArchiveFolder(const std::string& folder, Operator& op) {
    if (EnsureFolder(folder)) return true;
    op.Error(CannotCreate(folder));
    return false;
}

std::string ApplyArchiveFolder(const std::string& wanted, const std::string& current,
                               const std::string& fallback, Operator& op) {
    if (EnsureFolder(wanted)) return wanted;
    const std::string question = "Создать директорию " + wanted + " не удалось." + "\r\n" +
                                 "Попытаться создать директорию по умолчанию?" + "\r\n" + fallback;
    if (!op.Ask(question)) return current;
    if (EnsureFolder(fallback)) return fallback;
    op.Error(CannotCreate(fallback));
    return current;
}

bool ConfirmProgramClose(bool confirmClose, bool archiveLoaded, unsigned validValues, Operator& op) {
    if (!confirmClose || archiveLoaded || validValues == 0) return true;
    return op.AskDanger("Действие приведет к потере данных.\r\nЗакрыть программу?");
}

TimerPlan PlanTimerInterval(int currentMs, int wantedMs, int updateMs) {
    TimerPlan plan;
    plan.IntervalMs = wantedMs;
    plan.Change = wantedMs != currentMs;
    plan.ProgressMax = updateMs > 0 ? static_cast<int>(std::lround(double(wantedMs) / updateMs)) : 0;
    return plan;
}

}  // namespace drumo
