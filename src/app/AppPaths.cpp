#include "app/AppPaths.h"

#include <climits>
#include <cstdlib>
#include <unistd.h>

namespace drumo {
namespace {

std::string WithoutTrailingSlash(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

std::string Env(const PathEnvironment& env, const char* name) {
    const char* value = env.GetEnv ? env.GetEnv(name) : nullptr;
    return value ? std::string(value) : std::string();
}

std::string ExecutableFolder() {
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return ".";
    const std::string exe(buf, static_cast<size_t>(n));
    const size_t slash = exe.find_last_of('/');
    return slash == 0 ? "/" : exe.substr(0, slash);
}

// The system's own program folders: a program there is installed by the package manager, even
// when the folder is writable (for root), and never keeps its files beside itself.
bool SystemProgramFolder(const std::string& folder) {
    return folder == "/usr/bin" || folder == "/usr/local/bin" || folder == "/bin";
}

}  // namespace

AppPaths ResolvePaths(const PathEnvironment& env) {
    AppPaths p;
    const std::string home = Env(env, "DRUMO_HOME");
    p.ProgramFolder = WithoutTrailingSlash(home.empty() ? env.ExecutableFolder : home);
    p.HelpProgram = p.ProgramFolder + "/help/index.html";
    p.Portable = env.IsWritableFolder && env.IsWritableFolder(p.ProgramFolder) &&
                 (!home.empty() || !SystemProgramFolder(p.ProgramFolder));
    // Installed under a prefix (/usr/bin/drumo), the guide is in the prefix's shared data.
    const size_t slash = p.ProgramFolder.find_last_of('/');
    if (!p.Portable && slash != std::string::npos && p.ProgramFolder.substr(slash) == "/bin")
        p.HelpProgram = p.ProgramFolder.substr(0, slash) + "/share/drumo/help/index.html";
    if (p.Portable) {
        p.SettingsFile = p.ProgramFolder + "/ini/ProgSet.ini";
        p.ArchiveFolder = p.ProgramFolder + "/Archive";
        return p;
    }
    const std::string userHome = WithoutTrailingSlash(Env(env, "HOME"));
    std::string config = Env(env, "XDG_CONFIG_HOME");
    // A relative XDG_CONFIG_HOME is invalid and is ignored, as the freedesktop rules say.
    if (config.empty() || config.front() != '/') config = userHome + "/.config";
    p.SettingsFile = WithoutTrailingSlash(config) + "/drumo/ProgSet.ini";
    p.ArchiveFolder = userHome + "/Drumo/Archive";
    return p;
}

PathEnvironment SystemPathEnvironment() {
    return {ExecutableFolder(), [](const char* name) { return std::getenv(name); },
            [](const std::string& folder) { return access(folder.c_str(), W_OK | X_OK) == 0; }};
}

const AppPaths& Paths() {
    static const AppPaths paths = ResolvePaths(SystemPathEnvironment());
    return paths;
}

const std::string& ProgramFolder() { return Paths().ProgramFolder; }
const std::string& HelpProgram() { return Paths().HelpProgram; }
const std::string& SettingsFile() { return Paths().SettingsFile; }
const std::string& ArchiveFolder() { return Paths().ArchiveFolder; }

}  // namespace drumo
