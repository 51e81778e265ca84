#pragma once
// The archive as the archive window and the file dialogs see it: the day folders of the archive,
// the archive files of one day, and the filters of the file dialogs.

#include <string>
#include <utility>
#include <vector>

#include "model/DateTime.h"

namespace drumo {

// The folder of one day: archive folder + "/" + "dd.mm.yy".
std::string DayFolder(const std::string& archiveFolder, DateTime day);

// Names (without folder) of the archive files of a day: every regular file of the day folder
// (directly or behind a link) whose name ends in ".dml" in any letter case, hidden ones included,
// in the order the file system lists them. A missing folder gives an empty list.
std::vector<std::string> ArchiveFilesOfDay(const std::string& archiveFolder, DateTime day);

// A logger's clean-up: removes the day folders ("dd.mm.yy") of days more than keepDays before
// `today`: their archive files (and the temporary files of a save that died), then the folder
// when nothing else is left in it. Anything else is left as it is. Returns the folders emptied.
std::vector<std::string> RemoveOldDayFolders(const std::string& archiveFolder, DateTime today, int keepDays);

// The days the archive calendar offers: 01.01.2010 to 31.12.2099; other days are moved into it.
DateTime ClampArchiveDay(DateTime day);

// A file dialog filter written as "description|pattern|description|pattern..." as pairs.
// A trailing description without a pattern is dropped.
std::vector<std::pair<std::string, std::string>> FilterPairs(const std::string& filter);

// The dialog filters of the main window's file commands.
inline constexpr const char* ArchiveOpenFilter = "*.dml|*.dml|*.dmr|*.dmr|Все файлы|*.*";
inline constexpr const char* ArchiveSaveFilter = "*.dml|*.dml|Все файлы|*.*";
inline constexpr const char* ExcelFilter = "*.xls|*.xls|Все файлы|*.*";

}  // namespace drumo
