// drumo-cli verify and export over real files.

#include <gtest/gtest.h>

#include <sstream>

#include "cli/Cli.h"
#include "files/ArchiveStore.h"
#include "files/FilesTestSupport.h"

namespace drumo {
namespace {

struct CliRun {
    int Status;
    std::string Out, Err;
};

CliRun Cli(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = cli::RunCli(args, out, err);
    return {status, out.str(), err.str()};
}

class CliFilesTest : public ::testing::Test {
protected:
    CliFilesTest() {
        NullLog log;
        ConsoleOperator op;
        MeasurementStore store(op, log);
        test::AddDevice(store, test::ExampleDevice());
        signed_ = dir_ / "a.dml";
        test::WriteFile(signed_, DmlBytes(store, "1.0.0.1", EncodeDateTime(2017, 12, 5, 14, 3, 22)));
        std::string bytes = test::ReadFile(signed_);
        bytes.replace(bytes.find("Silo 1"), 6, "Silo 2");
        bytes.replace(bytes.find("\r\n05.12.17 14:08") + 2, 2, "99");
        unsigned_ = dir_ / "b.dml";
        test::WriteFile(unsigned_, bytes);
    }
    test::TempFolder dir_;
    std::string signed_, unsigned_;
};

TEST_F(CliFilesTest, VerifyReportsCountsAndTellsTheSignatureByItsStatus) {
    CliRun r = Cli({"verify", signed_});
    EXPECT_EQ(r.Status, 0);
    EXPECT_NE(r.Out.find("devices=1\ncables=1\nsensors=2\nsamples=2\nvalues=3\ndamaged=0\nsignature=signed\n"),
              std::string::npos) << r.Out;

    r = Cli({"verify", signed_, unsigned_});
    EXPECT_EQ(r.Status, 3);
    EXPECT_NE(r.Out.find("samples=1\nvalues=2\ndamaged=1\ndamaged_lines=9\nsignature=unsigned\n"), std::string::npos)
        << r.Out;

    r = Cli({"verify", unsigned_, dir_ / "missing.dml"});
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(Cli({"verify"}).Status, 2);
}

TEST_F(CliFilesTest, ExportWritesCsvAndXls) {
    CliRun r = Cli({"export", signed_, "--csv", dir_ / "out/a.csv"});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(test::ReadFile(dir_ / "out/a.csv"),
              "device,device_serial,cable,cable_serial,time,t1,t2\r\n"
              "Dorma-1/100,1234,1,123,2017-12-05T14:03:22,21.50,21.75\r\n"
              "Dorma-1/100,1234,1,123,2017-12-05T14:08:22,21.50,\r\n");

    r = Cli({"export", unsigned_, "--xls", dir_ / "b"});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out, "file=" + (dir_ / "b.XLS") + "\nsignature=unsigned\n");
    const std::string xls = test::ReadFile(dir_ / "b.XLS");
    ASSERT_GE(xls.size(), 4u);
    EXPECT_EQ(xls.substr(0, 4), std::string("\x09\x08\x06\x00", 4));

    EXPECT_EQ(Cli({"export", dir_ / "missing.dml", "--csv", dir_ / "x.csv"}).Status, 1);
    EXPECT_EQ(Cli({"export", signed_}).Status, 2);
    EXPECT_EQ(Cli({"export", signed_, "--csv", "a", "--xls", "b"}).Status, 2);
}

}  // namespace
}  // namespace drumo
