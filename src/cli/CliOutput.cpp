// Checks and writers for the files drumo-cli produces (this file registers no subcommand).
#include "cli/CliOutput.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

#include "base/Version.h"
#include "files/ArchiveFiles.h"
#include "files/ArchiveStore.h"
#include "model/SafeFile.h"

namespace drumo::cli {

namespace {

// What an existing file of a kind the program signs or keeps is called in a refusal; "" for
// other files (spreadsheets, CSV), which the tools replace without being asked. Firmware images
// are files whose name ends in "bin".
std::string StoredKindOf(const std::string& path) {
    const std::string type = FileTypeOf(path);
    if (type == "dml" || type == "dmr") return "archive file";
    if (type == "dmn") return "notebook file";
    if (type == "dms") return "sensor file";
    if (type == "bin") return "firmware image";
    return {};
}

// Creates the last folder level; on failure the reason.
bool PrepareFolder(const std::string& target, std::string& reason) {
    errno = 0;
    if (CreateFileFolder(target)) return true;
    const int code = errno;
    reason = "cannot create the folder " + FolderOf(target) + (code ? std::string(": ") + std::strerror(code) : "");
    return false;
}

}  // namespace

std::string OutputRefusal(const std::string& target, const std::vector<std::string>& inputs, bool replaceArchive) {
    struct stat st {};
    if (::lstat(target.c_str(), &st) != 0) {
        // A new name (or one whose folder is still to be made) is fine; anything else is reported
        // with the system's reason.
        if (errno == ENOENT) return {};
        return "cannot write " + target + ": " + std::strerror(errno);
    }
    if (S_ISLNK(st.st_mode)) return target + " is a symbolic link; give the file it points to";
    if (!S_ISREG(st.st_mode)) return target + " is not a regular file";
    for (const auto& input : inputs) {
        struct stat in {};
        if (::stat(input.c_str(), &in) == 0 && in.st_dev == st.st_dev && in.st_ino == st.st_ino)
            return target + " is the file being read";
    }
    if (const std::string kind = StoredKindOf(target); !kind.empty() && !replaceArchive)
        return target + " is an existing " + kind + "; give --replace to replace it";
    return {};
}

bool WriteOutput(const std::string& target, std::string_view bytes, std::string& reason) {
    if (!PrepareFolder(target, reason)) return false;
    SafeFileWriter file;
    if (file.Open(target) && file.Write(bytes) && file.Commit()) return true;
    reason = file.Error().empty() ? std::string("the file could not be completed") : file.Error();
    return false;
}

bool WriteArchiveOutput(const MeasurementStore& store, const std::string& target, std::string& reason) {
    if (!PrepareFolder(target, reason)) return false;
    SafeFileWriter file;
    if (file.Open(target) &&
        WriteDml(store, ProgramVersion(), SystemClock::Instance().Now(),
                 [&](std::string_view piece) { return file.Write(piece); }) &&
        file.Commit())
        return true;
    reason = file.Error().empty() ? std::string("the file could not be completed") : file.Error();
    return false;
}

}  // namespace drumo::cli
