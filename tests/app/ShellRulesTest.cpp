#include "app/ShellRules.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/ScriptedOperator.h"

namespace drumo {

namespace fs = std::filesystem;

class ArchiveFolderRules : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() /
                ("drumo-folders-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                 "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root_);
        fs::create_directories(root_);
        // A plain file stands where a folder is wanted, so creating below it always fails.
        std::ofstream(root_ / "blocker") << "x";
    }
    void TearDown() override { fs::remove_all(root_); }
    std::string Path(const std::string& rel) const { return (root_ / rel).string(); }

    fs::path root_;
    test::ScriptedOperator op_{test::Unscripted::Yes};
};

TEST_F(ArchiveFolderRules, MissingFolderIsCreatedWithItsParents) {
    EXPECT_TRUE(PrepareArchiveFolder(Path("a/b/Archive"), op_));
    EXPECT_TRUE(fs::is_directory(Path("a/b/Archive")));
    EXPECT_TRUE(op_.Shown().empty());
}

TEST_F(ArchiveFolderRules, FolderThatCannotBeCreatedIsReportedAtStart) {
    EXPECT_FALSE(PrepareArchiveFolder(Path("blocker/Archive"), op_));
    ASSERT_EQ(op_.Shown().size(), 1u);
    EXPECT_EQ(op_.Shown()[0], "error: Не удалось создать директорию " + Path("blocker/Archive") +
                                  "\r\nВозможно установлена защита от записи");
}

TEST_F(ArchiveFolderRules, NewFolderThatCanBeCreatedIsTakenWithoutQuestion) {
    EXPECT_EQ(ApplyArchiveFolder(Path("new"), Path("old"), Path("def"), op_), Path("new"));
    EXPECT_TRUE(op_.Shown().empty());
}

TEST_F(ArchiveFolderRules, AnsweringNoKeepsTheOldFolder) {
    op_.Answer(false);
    EXPECT_EQ(ApplyArchiveFolder(Path("blocker/x"), Path("old"), Path("def"), op_), Path("old"));
    ASSERT_EQ(op_.Shown().size(), 1u);
    EXPECT_EQ(op_.Shown()[0], "ask: Создать директорию " + Path("blocker/x") +
                                  " не удалось.\r\nПопытаться создать директорию по умолчанию?\r\n" +
                                  Path("def"));
    EXPECT_FALSE(op_.messages[0].PresetNo);  // nothing is lost either way
    EXPECT_FALSE(fs::exists(Path("def")));
}

TEST_F(ArchiveFolderRules, AnsweringYesFallsBackToTheDefaultFolder) {
    op_.Answer(true);
    EXPECT_EQ(ApplyArchiveFolder(Path("blocker/x"), Path("old"), Path("def"), op_), Path("def"));
    EXPECT_TRUE(fs::is_directory(Path("def")));
}

TEST_F(ArchiveFolderRules, DefaultFolderThatFailsTooKeepsTheOldOneAndSaysSo) {
    op_.Answer(true);
    EXPECT_EQ(ApplyArchiveFolder(Path("blocker/x"), Path("old"), Path("blocker/def"), op_),
              Path("old"));
    ASSERT_EQ(op_.Shown().size(), 2u);
    EXPECT_EQ(op_.Shown()[1], "error: Не удалось создать директорию " + Path("blocker/def") +
                                  "\r\nВозможно установлена защита от записи");
}

// A folder the settings file cannot hold as it is would turn into another folder at the next start.
TEST_F(ArchiveFolderRules, FoldersTheSettingsFileCannotHoldAreRefusedByName) {
    const auto unsavable = [](const std::string& path) {
        return "error: Имя директории " + path +
               "\r\nсодержит символы, которые нельзя сохранить в файле настроек.\r\nВыберите другую директорию";
    };
    const auto relative = [](const std::string& path) {
        return "error: Директория " + path + " задана не полным путем.\r\nУкажите полный путь";
    };
    const struct {
        std::string wanted, message;
    } cases[] = {
        {Path("Müller"), unsavable(Path("Müller"))},
        {Path("日本"), unsavable(Path("日本"))},
        {Path("x "), unsavable(Path("x "))},
        {"Archive", relative("Archive")},
        {"C:\\Drumo\\Archive", relative("C:\\Drumo\\Archive")},
    };
    for (const auto& c : cases) {
        op_.Clear();
        EXPECT_EQ(ApplyArchiveFolder(c.wanted, Path("old"), Path("def"), op_), Path("old"));
        EXPECT_EQ(op_.Shown(), std::vector<std::string>{c.message});
        EXPECT_FALSE(fs::exists(c.wanted));
    }
    // Cyrillic letters are Windows-1251 letters.
    EXPECT_EQ(ApplyArchiveFolder(Path("Архив"), Path("old"), Path("def"), op_), Path("Архив"));
}

TEST(CloseRules, AsksOnlyWhenLiveReadingsWouldBeLost) {
    test::ScriptedOperator op{test::Unscripted::Yes};
    EXPECT_TRUE(ConfirmProgramClose(true, false, 0, op));    // nothing received
    EXPECT_TRUE(ConfirmProgramClose(true, true, 50, op));    // data came from files
    EXPECT_TRUE(ConfirmProgramClose(false, false, 50, op));  // operator turned the question off
    EXPECT_TRUE(op.Shown().empty());
    op.Answer(false);
    EXPECT_FALSE(ConfirmProgramClose(true, false, 50, op));
    op.Answer(true);
    EXPECT_TRUE(ConfirmProgramClose(true, false, 50, op));
    ASSERT_EQ(op.Shown().size(), 2u);
    EXPECT_EQ(op.Shown()[0], "ask: Действие приведет к потере данных.\r\nЗакрыть программу?");
    EXPECT_TRUE(op.messages[0].PresetNo);
}

TEST(TimerPlan, SameIntervalChangesNothingAndNewOneGivesProgressSteps) {
    EXPECT_FALSE(PlanTimerInterval(60000, 60000, 1000).Change);
    const auto plan = PlanTimerInterval(60000, 20000, 1000);
    EXPECT_TRUE(plan.Change);
    EXPECT_EQ(plan.IntervalMs, 20000);
    EXPECT_EQ(plan.ProgressMax, 20);
}

}  // namespace drumo
