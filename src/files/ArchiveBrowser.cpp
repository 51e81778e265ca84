#include "files/ArchiveBrowser.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>

#include "files/ArchiveFormat.h"

namespace drumo {

namespace {
const DateTime FirstArchiveDay = EncodeDate(2010, 1, 1);
const DateTime LastArchiveDay = EncodeDate(2099, 12, 31);

bool EndsWithDml(const std::string& name) {
    if (name.size() < 4) return false;
    std::string tail = name.substr(name.size() - 4);
    std::transform(tail.begin(), tail.end(), tail.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return tail == ".dml";
}
}  // namespace

std::string DayFolder(const std::string& archiveFolder, DateTime day) {
    // The same day text as the auto-save folders, so the window finds what auto-save wrote.
    return archiveFolder + "/" + FileDate(day);
}

std::vector<std::string> ArchiveFilesOfDay(const std::string& archiveFolder, DateTime day) {
    std::vector<std::string> names;
    const std::string folder = DayFolder(archiveFolder, day);
    DIR* dir = opendir(folder.c_str());
    if (!dir) return names;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == ".." || !EndsWithDml(name)) continue;
        // Only regular files (also behind a link): a folder is no file, and a FIFO or a device
        // named like an archive file would block or never end when opened.
        struct stat st {};
        if (fstatat(dirfd(dir), name.c_str(), &st, 0) != 0 || !S_ISREG(st.st_mode)) continue;
        names.push_back(name);
    }
    closedir(dir);
    return names;
}

std::vector<std::string> RemoveOldDayFolders(const std::string& archiveFolder, DateTime today, int keepDays) {
    std::vector<std::string> removed;
    DIR* dir = opendir(archiveFolder.c_str());
    if (!dir) return removed;
    std::vector<std::string> old;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        DateTime day = 0;
        // Only folders named exactly as the day folders are: "dd.mm.yy" of a real day.
        if (name.size() != 8 || !ParseFileDateTime(name + " 00:00:00", day) || FileDate(day) != name) continue;
        if (DateOf(today) - day > keepDays) old.push_back(name);
    }
    closedir(dir);
    for (const std::string& name : old) {
        const std::string folder = archiveFolder + "/" + name;
        DIR* files = opendir(folder.c_str());
        if (!files) continue;
        std::vector<std::string> names;
        while (const dirent* entry = readdir(files)) {
            const std::string file = entry->d_name;
            const bool leftover = file.find(".dml.tmp-") != std::string::npos;
            struct stat st {};
            if ((EndsWithDml(file) || leftover) && fstatat(dirfd(files), file.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISREG(st.st_mode))
                names.push_back(file);
        }
        closedir(files);
        for (const std::string& file : names) unlinkat(AT_FDCWD, (folder + "/" + file).c_str(), 0);
        if (rmdir(folder.c_str()) == 0 || !names.empty()) removed.push_back(folder);
    }
    return removed;
}

DateTime ClampArchiveDay(DateTime day) {
    const DateTime date = DateOf(day);
    return std::clamp(date, FirstArchiveDay, LastArchiveDay);
}

std::vector<std::pair<std::string, std::string>> FilterPairs(const std::string& filter) {
    std::vector<std::string> parts;
    size_t from = 0;
    while (from <= filter.size()) {
        const size_t bar = filter.find('|', from);
        if (bar == std::string::npos) {
            parts.push_back(filter.substr(from));
            break;
        }
        parts.push_back(filter.substr(from, bar - from));
        from = bar + 1;
    }
    std::vector<std::pair<std::string, std::string>> pairs;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) pairs.emplace_back(parts[i], parts[i + 1]);
    return pairs;
}

}  // namespace drumo
