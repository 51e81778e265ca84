#pragma once
// The operator's settings and every window's place, kept from one run to the next in the settings
// file "ProgSet.ini" (Windows-1251, CR LF). The file is read once when the main window is first
// shown and written once when it closes; in between the windows read and change the one
// ProgramSettings object. Every key has its default, used when the file, its section or the key
// is missing or the value does not read.

#include "app/IniFile.h"
#include "model/ProgramSettings.h"

#include <map>
#include <string>

namespace drumo {

// Reads the settings from an INI document. "DecPoint" is read before the floats, which are read
// with the decimal mark it chooses. A stored archive folder that is no absolute path (a Windows
// path such as "C:\Drumo\Archive" copied with the file, a relative name) would make auto-save
// create a folder of that literal name: the default takes its place, and `note` gets the log
// line that says so.
ProgramSettings ReadSettings(const IniFile& ini, const std::string& archiveFolder, std::string* note = nullptr);

// Puts every key into an INI document; other sections and keys of the document stay as they are.
// Floats are written with the decimal mark that the settings' own "DecPoint" chooses, so that the
// file always reads back.
void WriteSettings(const ProgramSettings& settings, IniFile& ini);

// The port map of a [Ports] section: keys "Com" + 1..255, values device paths; others skipped.
std::map<int, std::string> ReadPortsSection(const IniFile& ini);

// Reads the settings file as an INI document: only a regular file of at most 4 MB (a FIFO or a
// device is never read). False with the reason in `error` when given.
bool ReadSettingsFile(const std::string& path, IniFile& ini, std::string* error = nullptr);

// Reads the settings file; a missing, unreadable, oversized or damaged file gives the defaults
// for what it does not hold. Also makes the program-wide decimal mark the one "DecPoint" chooses.
// `note`: as for ReadSettings.
ProgramSettings LoadSettings(const std::string& path, const std::string& archiveFolder, std::string* note = nullptr);

// Writes the settings file, keeping sections and keys of the present file that are not settings
// of the program (such as [Ports]). The old file is replaced only once the new one is complete.
// False with a reason in `error` when it cannot be written.
bool SaveSettings(const std::string& path, const ProgramSettings& settings,
                  std::string* error = nullptr);

}  // namespace drumo
