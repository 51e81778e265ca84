// drumo-cli verify and export over real files.

#include <gtest/gtest.h>

#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "cli/Cli.h"
#include "cli/CliOutput.h"
#include "files/ArchiveFiles.h"
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
    EXPECT_EQ(r.Status, 4);
    EXPECT_NE(r.Out.find("samples=1\nvalues=2\ndamaged=1\ndamaged_lines=9\nsignature=unsigned\n"), std::string::npos)
        << r.Out;

    r = Cli({"verify", unsigned_, dir_ / "missing.dml"});
    EXPECT_EQ(r.Status, 5);
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
    EXPECT_EQ(r.Status, 4) << r.Err;
    EXPECT_EQ(r.Out, "file=" + (dir_ / "b.XLS") + "\nsignature=unsigned\n");
    const std::string xls = test::ReadFile(dir_ / "b.XLS");
    ASSERT_GE(xls.size(), 4u);
    EXPECT_EQ(xls.substr(0, 4), std::string("\x09\x08\x06\x00", 4));

    EXPECT_EQ(Cli({"export", dir_ / "missing.dml", "--csv", dir_ / "x.csv"}).Status, 5);
    EXPECT_EQ(Cli({"export", signed_}).Status, 2);
    EXPECT_EQ(Cli({"export", signed_, "--csv", "a", "--xls", "b"}).Status, 2);
}

// Exit 0 only for a file with a device, read to its end, undamaged and signed; every other
// file gets the status of what is wrong with it and a reason on standard error. A FIFO must not
// block the reader.
TEST_F(CliFilesTest, VerifyGivesEachKindOfBadFileItsOwnStatus) {
    const std::string good = test::ReadFile(signed_);
    std::string edited = good;
    test::WriteFile(dir_ / "comment.dml", edited.replace(edited.find("Silo 1"), 6, "Silo 2"));
    edited = good;
    test::WriteFile(dir_ / "device.dml", edited.replace(edited.find("Silo 1") - 4, 2, "x"));
    std::string crOnly;
    for (const char c : good)
        if (c != '\n') crOnly += c;
    test::WriteFile(dir_ / "cr.dml", crOnly);
    test::WriteFile(dir_ / "empty.dml", "");
    test::WriteFile(dir_ / "nul.dml", std::string(4096, '\0'));
    test::WriteFile(dir_ / "numeric.dmr", "2 10 20 1\n1 0.5 44000.5 12.5\n2 1.5 44000.5 13\n");
    test::WriteFile(dir_ / "notes.txt", good);
    test::WriteFile(dir_ / "long.dml", std::string(2 << 20, 'D') + "\r\n" + good);
    std::string noise;
    for (int i = 0; i < 4000; ++i) noise += static_cast<char>((i * 7919 + i / 13) & 0xFF);
    test::WriteFile(dir_ / "noise.dmn", noise);
    ASSERT_EQ(::mkfifo((dir_ / "fifo.dml").c_str(), 0600), 0);

    struct Case {
        std::string File;
        int Status;
        std::string Signature, Why;
    };
    const Case cases[] = {
        {signed_, 0, "signed", ""},
        {dir_ / "comment.dml", 3, "unsigned", "is unsigned"},
        {dir_ / "numeric.dmr", 3, "none", "of a format without an electronic signature"},
        {unsigned_, 4, "unsigned", "has 1 damaged record(s)"},
        {dir_ / "device.dml", 5, "unsigned", "holds no device"},
        {dir_ / "cr.dml", 5, "unsigned", "holds no device"},
        {dir_ / "empty.dml", 5, "unsigned", "holds no device"},
        {dir_ / "nul.dml", 5, "unsigned", "holds no device"},
        {dir_ / "fifo.dml", 5, "unsigned", "is not a regular file"},
        {dir_ / "notes.txt", 5, "unsigned", "is not an archive file"},
        {dir_ / "long.dml", 5, "unsigned", "holds no device (reading stopped at line 1: a line longer than"},
        {dir_ / "noise.dmn", 5, "unsigned", "is not a notebook file or is damaged (no record in it)"},
        {dir_ / "missing.dml", 5, "unsigned", "No such file or directory"},
    };
    for (const auto& c : cases) {
        const CliRun r = Cli({"verify", c.File});
        EXPECT_EQ(r.Status, c.Status) << c.File << '\n' << r.Out << r.Err;
        EXPECT_NE(r.Out.find("\nsignature=" + c.Signature + "\n"), std::string::npos) << c.File << '\n' << r.Out;
        EXPECT_NE(r.Err.find(c.Why), std::string::npos) << c.File << '\n' << r.Err;
        EXPECT_EQ(r.Err.empty(), c.Why.empty()) << c.File << '\n' << r.Err;
    }
    // Several files: the worst one counts.
    EXPECT_EQ(Cli({"verify", signed_, dir_ / "comment.dml", unsigned_}).Status, 4);
}

// The tool writes a new name or an existing regular file, never a device, a FIFO, a folder, a
// symbolic link or the file it reads, and an existing archive only with --replace. A refused
// target is left as it was.
TEST_F(CliFilesTest, ExportWritesOnlyWhereItMay) {
    const std::string other = dir_ / "other.dml";
    test::WriteFile(other, "kept");
    ASSERT_EQ(::mkfifo((dir_ / "fifo.csv").c_str(), 0600), 0);
    ASSERT_EQ(::symlink(other.c_str(), (dir_ / "link.csv").c_str()), 0);
    ASSERT_EQ(::link(signed_.c_str(), (dir_ / "hard.csv").c_str()), 0);
    ASSERT_EQ(::mkdir((dir_ / "folder.csv").c_str(), 0700), 0);
    struct Case {
        std::vector<std::string> Args;
        int Status;
        std::string Why;
    };
    const Case cases[] = {
        {{"--csv", "/dev/full"}, 2, "/dev/full is not a regular file"},
        {{"--csv", dir_ / "fifo.csv"}, 2, "is not a regular file"},
        {{"--csv", dir_ / "folder.csv"}, 2, "is not a regular file"},
        {{"--csv", dir_ / "link.csv"}, 2, "is a symbolic link"},
        {{"--csv", signed_}, 2, "is the file being read"},
        {{"--csv", dir_ / "hard.csv"}, 2, "is the file being read"},
        {{"--csv", other}, 2, "is an existing archive file; give --replace"},
        {{"--csv", "/proc/drumo.csv"}, 1, "cannot write /proc/drumo.csv: "},
        {{"--csv", dir_ / "new.csv"}, 0, ""},
        {{"--csv", other, "--replace"}, 0, ""},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"export", signed_};
        args.insert(args.end(), c.Args.begin(), c.Args.end());
        const std::string before = c.Status == 0 ? "" : test::ReadFile(other);
        const CliRun r = Cli(args);
        EXPECT_EQ(r.Status, c.Status) << c.Args[1] << '\n' << r.Err;
        EXPECT_NE(r.Err.find(c.Why), std::string::npos) << c.Args[1] << '\n' << r.Err;
        if (c.Status != 0) {
            EXPECT_EQ(test::ReadFile(other), before) << c.Args[1];
        }
    }
    struct stat st {};
    EXPECT_TRUE(::lstat((dir_ / "fifo.csv").c_str(), &st) == 0 && S_ISFIFO(st.st_mode));
    EXPECT_TRUE(::lstat((dir_ / "link.csv").c_str(), &st) == 0 && S_ISLNK(st.st_mode));
    EXPECT_TRUE(::lstat("/dev/full", &st) == 0 && S_ISCHR(st.st_mode));
    EXPECT_EQ(Cli({"verify", signed_}).Status, 0);
    EXPECT_EQ(test::ReadFile(other).substr(0, 7), "device,");
}

// The one output rule of every tool that writes a file: each kind of file the program signs or
// keeps is replaced only with --replace, other files (CSV, worksheets) are; nothing but a regular
// file that is not an input is ever written, --replace or not.
TEST_F(CliFilesTest, OutputRuleForEveryKindAndTarget) {
    const std::pair<const char*, const char*> kinds[] = {
        {"a.dml", "archive file"}, {"a.DMR", "archive file"}, {"a.dmn", "notebook file"},
        {"a.dms", "sensor file"},  {"fw.bin", "firmware image"}, {"a.csv", ""}, {"a.xls", ""},
    };
    for (const auto& [name, kind] : kinds) {
        const std::string existing = dir_ / (std::string("old-") + name);
        test::WriteFile(existing, "kept");
        EXPECT_EQ(cli::OutputRefusal(dir_ / (std::string("new/") + name), {signed_}, false), "") << name;
        const std::string refusal = cli::OutputRefusal(existing, {signed_}, false);
        EXPECT_EQ(refusal, *kind ? existing + " is an existing " + kind + "; give --replace to replace it" : "");
        EXPECT_EQ(cli::OutputRefusal(existing, {signed_}, true), "") << name;
    }
    ASSERT_EQ(::mkfifo((dir_ / "fifo.dmn").c_str(), 0600), 0);
    ASSERT_EQ(::symlink(unsigned_.c_str(), (dir_ / "link.dmn").c_str()), 0);
    ASSERT_EQ(::mkdir((dir_ / "folder.dmn").c_str(), 0700), 0);
    const std::pair<std::string, const char*> never[] = {
        {signed_, "is the file being read"},         {dir_ / "fifo.dmn", "is not a regular file"},
        {dir_ / "folder.dmn", "is not a regular file"}, {"/dev/null", "is not a regular file"},
        {dir_ / "link.dmn", "is a symbolic link"},
    };
    for (const auto& [target, why] : never) {
        for (const bool replace : {false, true})
            EXPECT_NE(cli::OutputRefusal(target, {signed_}, replace).find(why), std::string::npos) << target;
    }
}

// Damaged records are left out of an export and counted; a file without a device writes nothing;
// rows that do not fit a worksheet are counted too.
TEST_F(CliFilesTest, ExportCountsWhatItLeavesOut) {
    CliRun r = Cli({"export", unsigned_, "--csv", dir_ / "b.csv"});
    EXPECT_EQ(r.Status, 4);
    EXPECT_NE(r.Err.find("has 1 damaged record(s), left out"), std::string::npos) << r.Err;
    EXPECT_TRUE(FileExists(dir_ / "b.csv"));

    test::WriteFile(dir_ / "empty.dml", "");
    r = Cli({"export", dir_ / "empty.dml", "--csv", dir_ / "e.csv"});
    EXPECT_EQ(r.Status, 5);
    EXPECT_NE(r.Err.find("holds no device; nothing written"), std::string::npos) << r.Err;
    EXPECT_FALSE(FileExists(dir_ / "e.csv"));

    // Header row, device row and cable row, then one row per sample: four samples too many.
    NullLog log;
    ConsoleOperator op;
    MeasurementStore store(op, log);
    test::DeviceSpec device = test::ExampleDevice();
    device.Cables[0].Samples.assign(65535, {EncodeDateTime(2017, 12, 5, 14, 3, 22), {2150, 2175}});
    test::AddDevice(store, device);
    test::WriteFile(dir_ / "big.dml", DmlBytes(store, "1.0.0.1", EncodeDateTime(2017, 12, 5, 14, 3, 22)));
    r = Cli({"export", dir_ / "big.dml", "--xls", dir_ / "big.xls"});
    EXPECT_EQ(r.Status, 6);
    EXPECT_NE(r.Err.find("drumo-cli export: 4 rows did not fit the worksheet"), std::string::npos) << r.Err;
    EXPECT_TRUE(FileExists(dir_ / "big.xls"));
}

}  // namespace
}  // namespace drumo
