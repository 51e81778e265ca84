#pragma once
// Where the program keeps its files. The program folder is the folder of the executable, or the
// folder named by the environment variable DRUMO_HOME. When that folder is writable the program
// is portable: "ini/ProgSet.ini" and "Archive/" beside it. Otherwise (installed system-wide) the
// settings file is $XDG_CONFIG_HOME/drumo/ProgSet.ini (~/.config by default), the default
// archive folder ~/Drumo/Archive, and the help document, for a program in a "bin" folder, is
// share/drumo/help/index.html beside that folder. A program in the system's own program folders
// (/usr/bin, /usr/local/bin, /bin) counts as installed even where root may write there.

#include <functional>
#include <string>

// ProgramVersion is in base; the windows' wirings and the station still reach it through here.
#include "base/Version.h"

namespace drumo {

struct AppPaths {
    std::string ProgramFolder;  // without a trailing "/"
    std::string HelpProgram;    // the help document in the program folder
    std::string SettingsFile;
    std::string ArchiveFolder;  // the default; the settings may name another
    bool Portable = true;
};

// What the decision needs from the system, so that tests can give their own.
struct PathEnvironment {
    std::string ExecutableFolder;
    std::function<const char*(const char*)> GetEnv;
    std::function<bool(const std::string&)> IsWritableFolder;
};

AppPaths ResolvePaths(const PathEnvironment& env);

// The real system: the folder of the running executable, the process environment and the
// file system's write permission.
PathEnvironment SystemPathEnvironment();

// The paths of this run, worked out once from the real system.
const AppPaths& Paths();

// Shortcuts to Paths().
const std::string& ProgramFolder();
const std::string& HelpProgram();
const std::string& SettingsFile();
const std::string& ArchiveFolder();

}  // namespace drumo
