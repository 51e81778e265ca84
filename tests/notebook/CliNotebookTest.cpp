// drumo-cli notebook, and verify and export of notebook files, against simulated loggers.

#include "cli/Cli.h"
#include "model/SafeFile.h"
#include "notebook/NotebookFile.h"
#include "sim/Faults.h"
#include "sim/Presets.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace drumo::test {
namespace {

namespace fs = std::filesystem;

class CliNotebookTest : public ::testing::Test {
protected:
    CliNotebookTest() {
        dir = fs::path(::testing::TempDir()) / ("cli-dmn-" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    ~CliNotebookTest() override {
        if (line.Line) line.Line->Close();
        fs::remove_all(dir);
    }
    void Serve(const std::string& preset) {
        std::string error;
        auto built = sim::BuildLine(*sim::PresetConfig(preset), SystemClock::Instance(), error);
        ASSERT_TRUE(built) << error;
        line = std::move(*built);
        if (line.Command) line.Command->Streaming = false;
        ASSERT_TRUE(line.Line->Open()) << line.Line->Error();
        line.Line->Start();
    }
    int Run(std::vector<std::string> args, bool device = true) {
        if (device) {
            for (const char* a : {"--port", "", "--from", "1", "--to", "1", "--delay", "800"}) args.push_back(a);
            args[args.size() - 7] = line.Line->SlavePath();
            if (line.Command) args.insert(args.end(), {"--protocol", "hexar"});
        }
        out.str("");
        err.str("");
        return cli::RunCli(args, out, err);
    }
    std::string Has(const std::string& text) const {
        return out.str().find(text) != std::string::npos ? "" : out.str() + err.str();
    }
    std::string Path(const std::string& name) const { return (dir / name).string(); }

    sim::SimLine line;
    fs::path dir;
    std::ostringstream out, err;
};

TEST_F(CliNotebookTest, ReadWritesTheSignedFileThatVerifyAndExportTake) {
    Serve("dorma-bus");
    const int records = line.Line->With([&] { return line.Dormas[0]->NotebookRecords(); });
    ASSERT_EQ(Run({"notebook", "info"}), 0) << err.str();
    EXPECT_EQ(Has("records=" + std::to_string(records) + "\n"), "");
    EXPECT_EQ(Has("autowrite="), "");

    ASSERT_EQ(Run({"notebook", "read", "--out", Path("a.dmn")}), 0) << err.str();
    EXPECT_EQ(Has("records=" + std::to_string(records) + "\nbytes="), "");
    EXPECT_EQ(Has("revised failure\n"), "");
    EXPECT_NE(err.str().find("words"), std::string::npos);  // the progress line
    NotebookTable table;
    const NotebookFileResult r = ReadNotebookFile(Path("a.dmn"), '.', table);
    EXPECT_TRUE(r.Signed);
    EXPECT_EQ(r.Records, records);
    EXPECT_EQ(r.Header.rfind("Dorma-1/100 SN:01001 firmware:", 0), 0u) << r.Header;

    EXPECT_EQ(Run({"verify", Path("a.dmn")}, false), 0) << err.str();
    EXPECT_EQ(Has("records=" + std::to_string(records) + "\nsignature=signed\n"), "");

    ASSERT_EQ(Run({"export", Path("a.dmn"), "--csv", Path("a.csv")}, false), 0) << err.str();
    std::string csv;
    ASSERT_TRUE(ReadSmallFile(Path("a.csv"), csv, 1 << 20));
    EXPECT_EQ(csv.rfind("record,time,cable_serial,kind,sensor,label,value\n1,", 0), 0u) << csv.substr(0, 200);
    EXPECT_NE(csv.find(",2101,1,1,0.5,"), std::string::npos);
    EXPECT_NE(csv.find("\n2,,"), std::string::npos);  // the record with 25 o'clock has no time

    // An unsigned file: verify and export tell.
    std::string bytes;
    ASSERT_TRUE(ReadSmallFile(Path("a.dmn"), bytes, 1 << 20));
    bytes[bytes.rfind('\t') - 1] ^= 1;
    ASSERT_TRUE(WriteFileSafely(Path("a.dmn"), bytes));
    EXPECT_EQ(Run({"verify", Path("a.dmn")}, false), 3);
    EXPECT_EQ(Has("signature=unsigned"), "");
    EXPECT_EQ(Run({"verify", Path("none.dmn")}, false), 5);
}

TEST_F(CliNotebookTest, EraseOnlyWithYes_AnEmptyNotebookWritesNoFile) {
    Serve("hexar100");
    EXPECT_EQ(Run({"notebook", "erase"}), 2);
    EXPECT_NE(err.str().find("give --yes"), std::string::npos);
    EXPECT_FALSE(line.Line->With([&] { return line.Command->Device().NotebookWords.empty(); }));
    ASSERT_EQ(Run({"notebook", "erase", "--yes"}), 0) << err.str();
    EXPECT_TRUE(line.Line->With([&] { return line.Command->Device().NotebookWords.empty(); }));
    EXPECT_EQ(Run({"notebook", "read"}), 2);
    EXPECT_EQ(Run({"notebook", "read", "--out", Path("x.txt")}), 2);
    EXPECT_EQ(Run({"notebook", "read", "--out", Path("empty.dmn")}), 7);
    EXPECT_NE(err.str().find("the notebook is empty; no file written"), std::string::npos) << err.str();
    EXPECT_FALSE(fs::exists(Path("empty.dmn")));
}

// An existing notebook file is kept without --replace, refused before any traffic; the nine
// pages are counted one to nine.
TEST_F(CliNotebookTest, ExistingFileIsReplacedOnlyWithReplace) {
    Serve("hexar16");
    ASSERT_TRUE(WriteFileSafely(Path("old.dmn"), "kept"));
    EXPECT_EQ(Run({"notebook", "read", "--out", Path("old.dmn")}), 2);
    EXPECT_EQ(line.Line->With([&] { return line.Command->Requests(); }), 0u);
    EXPECT_EQ(Run({"verify", Path("old.dmn")}, false), 5);  // still "kept"
    ASSERT_EQ(Run({"notebook", "read", "--out", Path("old.dmn"), "--replace"}), 0) << err.str();
    EXPECT_NE(err.str().find("\rnotebook: 9 of 9 pages\n"), std::string::npos) << err.str();
    EXPECT_EQ(Run({"verify", Path("old.dmn")}, false), 0) << err.str();
}

// A device that falls silent after two blocks: the whole records that came are written without
// a signature, counted against what the device announced, with the partial-data status.
TEST_F(CliNotebookTest, ReadEndingEarlyWritesWholeRecordsUnsigned) {
    Serve("hexar100");
    ASSERT_EQ(Run({"notebook", "info"}), 0) << err.str();
    const std::string info = out.str();
    line.Line->With([&] {
        // The search and the info request, then two blocks.
        const int answered = static_cast<int>(line.Command->Requests()) + 2;
        line.Command->Faults().Set(*sim::ParseFault("stop-after:" + std::to_string(answered)));
        return 0;
    });
    EXPECT_EQ(Run({"notebook", "read", "--out", Path("part.dmn")}), 6) << err.str();
    const std::string announced = info.substr(info.find("used_words=") + 11);
    EXPECT_NE(err.str().find("the read ended early: 1 of 6 records (128 of " +
                             announced.substr(0, announced.find('\n')) +
                             " words) arrived; the file holds them without a signature"),
              std::string::npos) << err.str();
    EXPECT_EQ(Has("records=1\n"), "");
    EXPECT_EQ(Has("log entry with critical failure!\n"), "");
    EXPECT_EQ(Run({"verify", Path("part.dmn")}, false), 3);
    EXPECT_EQ(Has("records=1\nsignature=unsigned\n"), "");
}

}  // namespace
}  // namespace drumo::test
