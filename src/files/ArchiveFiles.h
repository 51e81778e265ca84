#pragma once
// Archive files as the operator meets them: saving the store with its log lines and messages,
// the operator's Save with the signature rule, and the group loader that reads one or several
// files into the store and turns what each reader found into questions and log lines.

#include <string>
#include <vector>

#include "files/ArchiveAppend.h"
#include "files/ArchiveStore.h"
#include "files/ArchiveView.h"
#include "base/Services.h"
#include "model/Store.h"

namespace drumo {

class ArchiveFiles {
public:
    ArchiveFiles(MeasurementStore& store, Operator& op, EventLog& log, const Clock& clock,
                 std::string programVersion, ArchiveView* view = nullptr);

    // The view that shows the loads' progress; null shows nothing.
    void SetView(ArchiveView* view) { view_ = view ? view : &noView_; }
    // True when every file of the last group load had a confirmed signature.
    bool SignaturesConfirmed = true;

    // Writes the whole store to fileName, replacing a file of that name only once the new one is
    // complete. interactive: the operator's command (failures are also shown); otherwise
    // auto-save (failures go to the log only). True when the file was written.
    bool FileSaveArhiv(const std::string& fileName, bool interactive);

    // Auto-save's first save of the file it named itself: written only when no file of that name
    // exists (another writer's file is never replaced). Saved, Busy with `exists` set when the
    // name is taken (nothing is logged then), or a failure logged as FileSaveArhiv logs it.
    SaveOutcome FileSaveNewArhiv(const std::string& fileName, bool& exists);

    // Auto-save of a logger: brings fileName up to the store through `appender`, writing only
    // what is new (room for samplesToCome further samples per cable when the whole file is
    // written); onlyNew and exists as for FileSaveNewArhiv. Logged as FileSaveArhiv logs.
    SaveOutcome FileAppendArhiv(ArchiveAppender& appender, const std::string& fileName, size_t samplesToCome,
                                bool onlyNew, bool& exists);

    // The operator's Save with the chosen name: refused for loaded data without a confirmed
    // signature, ".dml" given to the name, the replace question for an existing file.
    bool SaveAs(const std::string& chosenName);

    // Reads the listed files, the last first, into the emptied store. Returns the number of files
    // loaded.
    size_t FileOpenArhiv(const std::vector<std::string>& fileNames);

    // For tests: the next save fails after this many bytes, as on a full disk.
    void FailNextSaveAfter(long long bytes) { failAfter_ = bytes; }

private:
    enum class FileOutcome { Skipped, Loaded, Abort };
    FileOutcome LoadOne(const std::string& fileName, const std::string& type);
    SaveOutcome Save(const std::string& fileName, bool interactive, bool onlyNew, bool& exists);
    SaveOutcome Report(const SaveResult& result, const std::string& fileName, bool interactive, bool& exists);

    MeasurementStore& store_;
    Operator& op_;
    EventLog& log_;
    const Clock& clock_;
    std::string programVersion_;
    ArchiveView* view_;
    ArchiveView noView_;
    long long failAfter_ = -1;
};

// The last three characters of a name in lower case ("" for three characters or fewer).
std::string FileTypeOf(const std::string& fileName);

// The name with its extension replaced by `extension` (".dml"); a name without one gets it added.
std::string WithExtension(const std::string& fileName, const std::string& extension);

bool FileExists(const std::string& path);

}  // namespace drumo
