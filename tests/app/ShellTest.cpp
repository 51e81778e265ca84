// Program paths and the command-line decision.

#include "app/AppPaths.h"
#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <map>

namespace drumo {
namespace {

PathEnvironment Env(std::map<std::string, std::string> vars, bool writable) {
    auto shared = std::make_shared<std::map<std::string, std::string>>(std::move(vars));
    return {"/opt/drumo/bin",
            [shared](const char* name) -> const char* {
                const auto it = shared->find(name);
                return it == shared->end() ? nullptr : it->second.c_str();
            },
            [writable](const std::string&) { return writable; }};
}

TEST(AppPaths, PortableBesideAWritableProgram) {
    const AppPaths p = ResolvePaths(Env({{"HOME", "/home/op"}}, true));
    EXPECT_TRUE(p.Portable);
    EXPECT_EQ(p.ProgramFolder, "/opt/drumo/bin");
    EXPECT_EQ(p.SettingsFile, "/opt/drumo/bin/ini/ProgSet.ini");
    EXPECT_EQ(p.ArchiveFolder, "/opt/drumo/bin/Archive");
    EXPECT_EQ(p.HelpProgram, "/opt/drumo/bin/help/index.html");
}

TEST(AppPaths, UserFoldersWhenTheProgramFolderIsReadOnly) {
    AppPaths p = ResolvePaths(Env({{"HOME", "/home/op/"}}, false));
    EXPECT_FALSE(p.Portable);
    EXPECT_EQ(p.SettingsFile, "/home/op/.config/drumo/ProgSet.ini");
    EXPECT_EQ(p.ArchiveFolder, "/home/op/Drumo/Archive");
    EXPECT_EQ(p.HelpProgram, "/opt/drumo/share/drumo/help/index.html");
    p = ResolvePaths(Env({{"HOME", "/home/op"}, {"XDG_CONFIG_HOME", "/cfg/"}}, false));
    EXPECT_EQ(p.SettingsFile, "/cfg/drumo/ProgSet.ini");
    p = ResolvePaths(Env({{"HOME", "/home/op"}, {"XDG_CONFIG_HOME", "relative"}}, false));
    EXPECT_EQ(p.SettingsFile, "/home/op/.config/drumo/ProgSet.ini");
}

// Root may write to /usr/bin; the package's program still keeps its files in the user's folders.
TEST(AppPaths, SystemProgramFoldersAreNeverPortable) {
    for (const char* folder : {"/usr/bin", "/usr/local/bin/", "/bin"}) {
        PathEnvironment env = Env({{"HOME", "/root"}}, true);
        env.ExecutableFolder = folder;
        const AppPaths p = ResolvePaths(env);
        EXPECT_FALSE(p.Portable) << folder;
        EXPECT_EQ(p.SettingsFile, "/root/.config/drumo/ProgSet.ini") << folder;
        EXPECT_EQ(p.ArchiveFolder, "/root/Drumo/Archive") << folder;
    }
    PathEnvironment env = Env({{"HOME", "/root"}}, true);
    env.ExecutableFolder = "/usr/bin";
    EXPECT_EQ(ResolvePaths(env).HelpProgram, "/usr/share/drumo/help/index.html");
    env.ExecutableFolder = "/usr/bin/drumo";  // a folder of its own under a system folder stays portable
    EXPECT_TRUE(ResolvePaths(env).Portable);
}

TEST(AppPaths, DrumoHomeTakesTheRoleOfTheProgramFolder) {
    const AppPaths p = ResolvePaths(Env({{"DRUMO_HOME", "/tmp/t1/"}}, true));
    EXPECT_EQ(p.ProgramFolder, "/tmp/t1");
    EXPECT_EQ(p.SettingsFile, "/tmp/t1/ini/ProgSet.ini");
    EXPECT_EQ(p.ArchiveFolder, "/tmp/t1/Archive");
}

TEST(CommandLine, EndingsDecideInAnyLetterCase) {
    using A = CommandLineAction;
    EXPECT_EQ(DecideCommandLine({"/data/run.DML"}).Action, A::OpenArchive);
    EXPECT_EQ(DecideCommandLine({"/data/old.dmr"}).Action, A::OpenArchive);
    EXPECT_EQ(DecideCommandLine({"/data/log.Dmn"}).Action, A::OpenNotebook);
    EXPECT_EQ(DecideCommandLine({"/data/run.dml", "/x/y.dmn"}).Path, "/data/run.dml");

    const CommandLineDecision sensor = DecideCommandLine({"/data/cable.dms"});
    EXPECT_EQ(sensor.Action, A::RefuseSensorFile);
    EXPECT_EQ(sensor.Message, "Доступ к файлу /data/cable.dms отклонен");
    const CommandLineDecision other = DecideCommandLine({"/data/Отчёт.xls"});
    EXPECT_EQ(other.Action, A::Unsupported);
    EXPECT_EQ(other.Message, "Файл /data/Отчёт.xls не поддерживается Drumo");
}

TEST(CommandLine, OnlyAFullPathOfMoreThanFiveCharactersCounts) {
    using A = CommandLineAction;
    EXPECT_EQ(DecideCommandLine({}).Action, A::None);
    EXPECT_EQ(DecideCommandLine({"data/run.dml"}).Action, A::None);   // relative
    EXPECT_EQ(DecideCommandLine({"C:\\a\\run.dml"}).Action, A::None);  // not a path here
    EXPECT_EQ(DecideCommandLine({"/a.dm"}).Action, A::None);          // 5 characters
    EXPECT_EQ(DecideCommandLine({"/a.dml"}).Action, A::OpenArchive);   // 6 characters
    EXPECT_EQ(DecideCommandLine({"", "/data/run.dml"}).Action, A::None);
    EXPECT_EQ(DecideCommandLine({"--verbose"}).Action, A::None);
}

}  // namespace
}  // namespace drumo
