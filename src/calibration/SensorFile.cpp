#include "calibration/SensorFile.h"

#include "model/Cp1251.h"
#include "model/Formats.h"
#include "model/SafeFile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace drumo {

namespace {

bool EndsWithDms(const std::string& name) {
    if (name.size() <= 2) return false;
    std::string tail = name.substr(name.size() - 3);
    std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) { return std::tolower(c); });
    return tail == "dms";
}

std::string NotSensorFileText(const std::string& name) {
    return "Файл " + name + " не является файлом поправок датчиков Drumo";
}

std::string SaveFailedText(const std::string& path, const std::string& reason) {
    return "Не удалось сохранить файл " + path + "\r\n" + FileReasonText(reason);
}

}  // namespace

std::string FileReasonText(const std::string& reason) {
    if (reason == NotRegularFileError) return "Это не обычный файл (канал, устройство или папка)";
    constexpr std::string_view larger = "larger than ";
    if (reason.rfind(larger, 0) == 0) {  // "larger than N bytes"
        const size_t digits = reason.find(' ', larger.size());
        return "Файл больше " + reason.substr(larger.size(), digits - larger.size()) + " байт";
    }
    // The safe file layer and the reader give the system's own text (strerror) of these.
    static const std::pair<int, const char*> known[] = {
        {ENOENT, "Нет такого файла или папки"},
        {EACCES, "Нет прав доступа"},
        {EPERM, "Операция не разрешена"},
        {EISDIR, "Это папка"},
        {ENOTDIR, "Часть пути не является папкой"},
        {ENOSPC, "Нет места на диске"},
        {EDQUOT, "Превышена дисковая квота"},
        {EROFS, "Файловая система только для чтения"},
        {EIO, "Ошибка ввода-вывода"},
        {ENAMETOOLONG, "Слишком длинное имя файла"},
        {ELOOP, "Слишком много символических ссылок"},
    };
    for (const auto& [code, text] : known)
        if (reason == std::strerror(code)) return text;
    return reason;
}

std::string SensorFileTarget(const std::string& path, int filterIndex) {
    const std::string extension = filterIndex == 2 ? ".xls" : ".dms";
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    const std::string stem = dot != std::string::npos && (slash == std::string::npos || dot > slash) ? path.substr(0, dot) : path;
    return stem + extension;
}

bool SaveSensorFile(const std::string& path, const CorrectionTable& table, Operator& op) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        // A FIFO, a device or a folder is never replaced; asking first would only mislead.
        if (!S_ISREG(st.st_mode)) {
            op.Error(SaveFailedText(path, NotRegularFileError));
            return false;
        }
        if (!op.AskDanger("Файл уже существует.\r\nЗаменить?")) return false;
    }
    if (!CreateFileFolder(path)) {
        op.Error("Не удалось создать папку " + FolderOf(path) + "\r\n" + FileReasonText(std::strerror(errno)));
        return false;
    }
    SafeFileWriter writer;
    if (!writer.Open(path) || !writer.Write(Utf8ToCp1251(table.FileText())) || !writer.Commit()) {
        op.Error(SaveFailedText(path, writer.Error()));
        return false;
    }
    return true;
}

bool LoadSensorFile(const std::string& path, CorrectionTable& table, Operator& op) {
    const std::string& name = path;
    if (!EndsWithDms(name)) {
        op.Error(NotSensorFileText(name));
        return false;
    }
    std::string bytes, reason;
    if (!ReadSmallFile(path, bytes, SensorFileLimit, &reason)) {
        const std::string head = "Произошла ошибка при чтении файла " + name + "\r\n";
        op.Error(head + (reason == std::strerror(ENOENT) ? "Возможно файл не существует" : FileReasonText(reason)));
        return false;
    }
    std::string problem;
    if (!table.LoadFileText(Cp1251ToUtf8(bytes), DecimalMark(), problem)) {
        op.Error(NotSensorFileText(name) + "\r\n" + problem);
        return false;
    }
    return true;
}

}  // namespace drumo
