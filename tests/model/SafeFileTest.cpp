// Reading files by lines: where lines end and how long one may be.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "model/SafeFile.h"

namespace drumo {
namespace {

class SafeFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/drumo-safefile-XXXXXX";
        root_ = mkdtemp(pattern);
    }
    void TearDown() override { std::system(("rm -rf '" + root_ + "'").c_str()); }
    std::string Write(const std::string& bytes) {
        const std::string path = root_ + "/f";
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    std::string root_;
};

TEST_F(SafeFileTest, LinesEndWithLfOrCrLfAndALongLineEndsTheReading) {
    struct Case {
        std::string bytes;
        std::vector<std::string> lines;
        std::string error;
    };
    const std::string six(6, 'x'), seven(7, 'x');
    const std::vector<Case> cases = {
        {"", {}, ""},
        {"a\r\nb\n\nc", {"a", "b", "", "c"}, ""},
        {"a\rb\r\n", {"a\rb"}, ""},  // a lone CR is no line end
        {six + "\r\n" + six, {six, six}, ""},
        {"a\n" + seven + "\nb\n", {"a"}, "a line longer than 6 bytes"},
        {"a\n" + seven, {"a"}, "a line longer than 6 bytes"},
        {std::string(200000, 'y'), {}, "a line longer than 6 bytes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes.substr(0, 20));
        FileLineReader reader(6);
        ASSERT_TRUE(reader.Open(Write(c.bytes)));
        std::vector<std::string> lines;
        std::string_view line;
        while (reader.Next(line)) lines.emplace_back(line);
        EXPECT_EQ(lines, c.lines);
        EXPECT_EQ(reader.Error(), c.error);
    }
}

}  // namespace
}  // namespace drumo
