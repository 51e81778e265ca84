#include "files/ArchiveFiles.h"

#include <cerrno>
#include <sys/stat.h>

#include "files/ArchiveReader.h"
#include "model/SafeFile.h"

namespace drumo {

namespace {

std::string NameWithoutFolder(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

const char* const AskContinue = "\r\nИгнорировать и продолжить?";

// Why a file was not opened or not read to its end, in the operator's words, to follow its name;
// "" when nothing went wrong. A FIFO or a device is never read: it could block or never end.
std::string ReadFailureText(const ArchiveResult& r) {
    if (r.ReadError.empty()) return {};
    if (r.ReadError == NotRegularFileError) return "не является обычным файлом";
    switch (r.ReadErrno) {
    case 0:
        // The reader's own refusal: a line beyond what any archive holds.
        return "не прочитан: строка " + std::to_string(r.StopLine) + " длиннее " +
               std::to_string(FileLineReader::DefaultMaxLineLength) + " байт";
    case ENOENT: return "не существует";
    case EACCES:
    case EPERM: return "недоступен: нет права на чтение";
    case EIO: return "не прочитан: ошибка ввода-вывода";
    default: return "не прочитан: системная ошибка " + std::to_string(r.ReadErrno);
    }
}

}  // namespace

std::string FileTypeOf(const std::string& fileName) {
    if (fileName.size() <= 3) return {};
    std::string type = fileName.substr(fileName.size() - 3);
    for (char& c : type)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return type;
}

std::string WithExtension(const std::string& fileName, const std::string& extension) {
    const size_t slash = fileName.find_last_of('/');
    const size_t dot = fileName.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        return fileName.substr(0, dot) + extension;
    return fileName + extension;
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

ArchiveFiles::ArchiveFiles(MeasurementStore& store, Operator& op, EventLog& log, const Clock& clock,
                           std::string programVersion, ArchiveView* view)
    : store_(store), op_(op), log_(log), clock_(clock), programVersion_(std::move(programVersion)),
      view_(view ? view : &noView_) {}

bool ArchiveFiles::FileSaveArhiv(const std::string& fileName, bool interactive) {
    bool exists = false;
    return Save(fileName, interactive, false, exists) == SaveOutcome::Saved;
}

SaveOutcome ArchiveFiles::FileSaveNewArhiv(const std::string& fileName, bool& exists) {
    return Save(fileName, false, true, exists);
}

SaveOutcome ArchiveFiles::Save(const std::string& fileName, bool interactive, bool onlyNew, bool& exists) {
    view_->BusyCursor(true);
    const long long failAfter = failAfter_;
    failAfter_ = -1;
    const SaveResult result = SaveDmlFileChecked(store_, fileName, programVersion_, clock_.Now(), onlyNew, failAfter);
    view_->BusyCursor(false);
    return Report(result, fileName, interactive, exists);
}

SaveOutcome ArchiveFiles::FileAppendArhiv(ArchiveAppender& appender, const std::string& fileName,
                                          size_t samplesToCome, bool onlyNew, bool& exists) {
    if (failAfter_ >= 0) appender.FailAfter(failAfter_);
    failAfter_ = -1;
    const SaveResult result = appender.Save(store_, fileName, programVersion_, clock_.Now(), samplesToCome, onlyNew);
    appender.FailAfter(-1);
    return Report(result, fileName, false, exists);
}

SaveOutcome ArchiveFiles::Report(const SaveResult& result, const std::string& fileName, bool interactive,
                                 bool& exists) {
    exists = result.Exists;
    if (exists) return result.Outcome;
    switch (result.Outcome) {
    case SaveOutcome::Saved:
        log_.Log(" > Файл " + fileName + " сохранен");
        break;
    case SaveOutcome::Busy:
        log_.Log(" > Файл " + fileName + " занят другим приложением");
        if (interactive) op_.Error("Файл " + fileName + " занят другим приложением");
        break;
    case SaveOutcome::Failed:
        log_.Log(" > Критическая ошибка при сохранении файла " + fileName);
        if (interactive) op_.Error("Критическая ошибка при сохранении файла " + fileName);
        break;
    }
    // The message above is the program's own; the system's reason (a full disk, a folder without
    // the right to write, a stick pulled out) follows it so that the cause can be mended.
    if (result.Outcome != SaveOutcome::Saved && !result.Reason.empty())
        log_.Log(" > " + fileName + ": " + result.Reason);
    return result.Outcome;
}

bool ArchiveFiles::SaveAs(const std::string& chosenName) {
    if (store_.ArchiveLoaded() && !SignaturesConfirmed) {
        op_.Error("Данные не имеют юридической силы.\r\nСохранение запрещено");
        return false;
    }
    const std::string name = WithExtension(chosenName, ".dml");
    if (FileExists(name) && !op_.AskDanger("Файл " + name + " уже существует.\r\nЗаменить?")) return false;
    return FileSaveArhiv(name, true);
}

ArchiveFiles::FileOutcome ArchiveFiles::LoadOne(const std::string& fileName, const std::string& type) {
    StoreSink sink(store_, fileName, view_);
    const ArchiveResult result = type == "dml" ? LoadArhivFile(fileName, sink) : LoadArhivLegacy(fileName, sink);
    // The reason follows the message in a log line of its own.
    const std::string reason = ReadFailureText(result);
    if (!result.Opened) {
        log_.Log(" > Отказано в доступе к " + fileName);
        if (!reason.empty()) log_.Log(" > " + fileName + " " + reason);
        return FileOutcome::Skipped;
    }
    if (!result.Completed) {
        log_.Log(" > Критическая ошибка при загрузке файла " + fileName);
        if (!reason.empty()) log_.Log(" > " + fileName + " " + reason);
        if (!op_.Ask("Критическая ошибка при загрузке файла " + fileName + AskContinue))
            return FileOutcome::Abort;
        // What was read stays in the store, but a file not read to its end has no confirmed
        // signature: its data must not be saved again as signed.
        if (result.DeviceCount > 0) {
            SignaturesConfirmed = false;
            view_->ColourUnsigned();
        }
        return FileOutcome::Skipped;
    }
    if (result.Damaged() > 0 &&
        !op_.Ask("Файл " + fileName + "\r\nсодержит поврежденные записи (" +
                 std::to_string(result.Damaged()) + ")." + AskContinue))
        return FileOutcome::Abort;
    if (!result.Signed) {
        SignaturesConfirmed = false;
        if (!op_.Ask("Файл " + fileName +
                     "\r\nне имеет электронной подписи!\r\nДанные не имеют юридической силы." +
                     AskContinue))
            return FileOutcome::Abort;
        view_->ColourUnsigned();
    }
    log_.Log(" > Файл " + fileName + " загружен. " +
             (result.Signed ? "Электронная подпись подтверждена" : "Электронная подпись отсутствует"));
    return FileOutcome::Loaded;
}

size_t ArchiveFiles::FileOpenArhiv(const std::vector<std::string>& fileNames) {
    if (fileNames.empty()) return 0;
    if (!store_.ReleaseAll(true)) return 0;
    SignaturesConfirmed = true;
    size_t loaded = 0;
    std::string lastLoaded;
    view_->BusyCursor(true);
    for (size_t i = fileNames.size(); i-- > 0;) {
        const std::string& name = fileNames[i];
        const std::string type = FileTypeOf(name);
        if (type == "dmn") {
            view_->ShowNotebookWindow();
            if (fileNames.size() == 1) {
                view_->OpenNotebook(name);
                view_->BusyCursor(false);
                return 0;
            }
            op_.Error("Групповая загрузка файлов Блокнота не поддерживается.\r\n"
                      "Для загрузки файлов Блокнота *.dmn используйте форму \"Блокнот\"");
            continue;
        }
        if (type != "dml" && type != "dmr") {
            log_.Log(" > Файл " + name + " не поддерживается Drumo");
            op_.Error("Файл " + name + " не поддерживается Drumo");
            continue;
        }
        const FileOutcome outcome = LoadOne(name, type);
        if (outcome == FileOutcome::Abort) {
            loaded = 0;
            break;
        }
        if (outcome == FileOutcome::Loaded) {
            ++loaded;
            lastLoaded = name;
        }
    }
    view_->BusyCursor(false);
    if (loaded == 0) {
        store_.ReleaseAll(false);
        return 0;
    }

    ArchiveLoad load;
    load.Devices = store_.DeviceCount();
    if (loaded == 1) {
        const std::string shortName = NameWithoutFolder(lastLoaded);
        load.DeviceManagerTitle = "Диспетчер приборов - " + shortName;
        load.SystemTrendTitle = "Тренд системы - " + shortName;
    } else {
        const std::string group = "группа файлов (" + std::to_string(loaded) + ")";
        load.DeviceManagerTitle = "Диспетчер приборов - " + group;
        load.SystemTrendTitle = "Тренд системы - " + group;
    }
    load.Status = "Файлов " + std::to_string(loaded) + ". Приборов " + std::to_string(store_.DeviceCount()) +
                  ". Термокос " + std::to_string(store_.CableCount()) + ". Датчиков " +
                  std::to_string(store_.SensorCount()) + ". •" + std::to_string(store_.ValidValues());
    log_.Log(" > Обработка файлов завершена. " + load.Status);
    store_.MarkArchiveLoaded();
    store_.Events().Send(&StationEvents::ArchiveLoaded, load);
    return loaded;
}

}  // namespace drumo
