#include "app/ShellRules.h"

#include <cmath>
#include <filesystem>
#include <system_error>

#include "model/Cp1251.h"

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
    if (!wanted.empty()) {
        // The settings file is kept in Windows-1251: a character it cannot hold would become "?"
        // there, and the next start would write into another folder. The same goes for line
        // breaks and for spaces at either end, which the file's lines do not keep.
        const bool keptAsItIs = Cp1251ToUtf8(Utf8ToCp1251(wanted)) == wanted &&
                                wanted.find_first_of("\r\n") == std::string::npos &&
                                std::string(" \t").find(wanted.back()) == std::string::npos &&
                                std::string(" \t").find(wanted.front()) == std::string::npos;
        if (!keptAsItIs) {
            op.Error("Имя директории " + wanted + "\r\nсодержит символы, которые нельзя сохранить в файле настроек.\r\n" +
                     "Выберите другую директорию");
            return current;
        }
        // A relative name would mean another folder for every working directory.
        if (wanted.front() != '/') {
            op.Error("Директория " + wanted + " задана не полным путем.\r\nУкажите полный путь");
            return current;
        }
    }
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
