// The archive's day folders as the archive window lists them, and the file dialogs' filters.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "files/ArchiveBrowser.h"

namespace drumo {
namespace {

class ArchiveBrowserTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/drumo-browser-XXXXXX";
        root_ = mkdtemp(pattern);
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    void Touch(const std::string& path) { std::ofstream(path) << "x"; }

    std::string root_;
};

TEST_F(ArchiveBrowserTest, DayFolderUsesTheTwoDigitYear) {
    EXPECT_EQ(DayFolder("/a", EncodeDate(2017, 12, 5)), "/a/05.12.17");
    EXPECT_EQ(DayFolder("/a", EncodeDateTime(2099, 1, 31, 23, 59, 59)), "/a/31.01.99");
}

TEST_F(ArchiveBrowserTest, ListsArchiveFilesOfTheDayOnly) {
    const DateTime day = EncodeDate(2026, 12, 9);
    const std::string folder = DayFolder(root_, day);
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    Touch(folder + "/14.03.22.dml");
    Touch(folder + "/.hidden.dml");
    Touch(folder + "/OLD.DML");
    Touch(folder + "/notes.txt");
    Touch(folder + "/dml");
    ASSERT_EQ(mkdir((folder + "/folder.dml").c_str(), 0755), 0);
    // Special entries would block or never end when opened; a link to a regular file is listed.
    ASSERT_EQ(mkfifo((folder + "/fifo.dml").c_str(), 0644), 0);
    ASSERT_EQ(symlink("/dev/zero", (folder + "/zero.dml").c_str()), 0);
    ASSERT_EQ(symlink("14.03.22.dml", (folder + "/link.dml").c_str()), 0);
    Touch(DayFolder(root_, day + 1) + ".dml");  // beside the folder, not in it

    auto names = ArchiveFilesOfDay(root_, day);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".hidden.dml", "14.03.22.dml", "OLD.DML", "link.dml"}));
    EXPECT_TRUE(ArchiveFilesOfDay(root_, day - 1).empty());
    EXPECT_TRUE(ArchiveFilesOfDay(root_ + "/missing", day).empty());
}

TEST_F(ArchiveBrowserTest, CalendarDaysStayWithin2010To2099) {
    EXPECT_EQ(ClampArchiveDay(EncodeDate(2009, 12, 31)), EncodeDate(2010, 1, 1));
    EXPECT_EQ(ClampArchiveDay(EncodeDate(2100, 1, 1)), EncodeDate(2099, 12, 31));
    EXPECT_EQ(ClampArchiveDay(EncodeDateTime(2026, 12, 9, 13, 0, 0)), EncodeDate(2026, 12, 9));
}

TEST_F(ArchiveBrowserTest, FilterPairsSplitDescriptionsAndPatterns) {
    using Pairs = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(FilterPairs(ArchiveOpenFilter),
              (Pairs{{"*.dml", "*.dml"}, {"*.dmr", "*.dmr"}, {"Все файлы", "*.*"}}));
    EXPECT_EQ(FilterPairs("a|*.a|dangling"), (Pairs{{"a", "*.a"}}));
    EXPECT_TRUE(FilterPairs("").empty());
}

}  // namespace
}  // namespace drumo
