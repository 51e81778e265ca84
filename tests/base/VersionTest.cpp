// The version text every program prints and writes into its files.

#include "base/Version.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace drumo {
namespace {

TEST(ProgramVersion, FourNumbersEachModulo256) {
    EXPECT_EQ(VersionText("3.0.0.20"), "3.0.0.20");
    EXPECT_EQ(VersionText("1.2.300.65535"), "1.2.44.255");
    EXPECT_EQ(VersionText("2.1"), "2.1.0.0");
    EXPECT_EQ(VersionText(""), "0.0.0.0");
    const std::string v = ProgramVersion();
    EXPECT_EQ(std::count(v.begin(), v.end(), '.'), 3);
}

}  // namespace
}  // namespace drumo
