// drumo-cli scan and poll against simulated controllers on pseudo-terminals.

#include "cli/Cli.h"
#include "files/ArchiveReader.h"
#include "link/PosixSerialPort.h"
#include "sim/Presets.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace drumo::test {
namespace {

class CliAcquisitionTest : public ::testing::Test {
protected:
    ~CliAcquisitionTest() override {
        if (line.Line) line.Line->Close();
    }
    void Serve(const std::string& preset, int streamPeriodMs = 0) {
        auto config = *sim::PresetConfig(preset);
        config.StreamPeriodMs = streamPeriodMs;
        std::string error;
        auto built = sim::BuildLine(config, SystemClock::Instance(), error);
        ASSERT_TRUE(built) << error;
        line = std::move(*built);
        ASSERT_TRUE(line.Line->Open()) << line.Line->Error();
        line.Line->Start();
    }
    // Runs the tool; the longest reply time-out keeps a busy machine from losing replies.
    int Run(std::vector<std::string> args) {
        if (args.size() > 1 && args[1] == "--port") {
            args.push_back("--delay");
            args.push_back("800");
        }
        out.str("");
        err.str("");
        return cli::RunCli(args, out, err);
    }
    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        std::istringstream in(out.str());
        for (std::string l; std::getline(in, l);) lines.push_back(l);
        return lines;
    }

    sim::SimLine line;
    std::ostringstream out, err;
};

TEST_F(CliAcquisitionTest, ScanListsDevicesCablesAndLabels) {
    Serve("dorma-bus");
    ASSERT_EQ(Run({"scan", "--port", line.Line->SlavePath(), "--from", "1", "--to", "4"}), 0) << err.str();
    const auto lines = Lines();
    ASSERT_GE(lines.size(), 4u + 3 + 9);
    EXPECT_EQ(lines[0], "port=" + line.Line->SlavePath());
    EXPECT_EQ(lines[1], "devices=3");
    EXPECT_EQ(lines[2], "cables=9");
    EXPECT_TRUE(std::regex_match(lines[4], std::regex("device=1 address=1 type=Dorma-1/100 serial=01001 "
                                                      "firmware=\\d\\.\\d year=\\d+ cables=1 sensors=\\d+ "
                                                      "comment=Склад 1")))
        << lines[4];
    EXPECT_TRUE(std::regex_match(lines[5], std::regex("cable=1/1 serial=2101 kind=1 sensors=\\d+ labels=0\\.5 1 1\\.5 .*")))
        << lines[5];
    EXPECT_NE(out.str().find("cable=2/2 serial=0 kind=0"), std::string::npos);
    EXPECT_NE(err.str().find(" > Поиск завершен. Приборов 3. Термокос 9."), std::string::npos);
}

TEST_F(CliAcquisitionTest, ScanExitCodes) {
    Serve("dorma-bus");
    EXPECT_EQ(Run({"scan", "--port", line.Line->SlavePath(), "--from", "10", "--to", "11"}), 1);
    EXPECT_EQ(Lines()[1], "devices=0");
    EXPECT_EQ(err.str().find("cannot open"), std::string::npos) << err.str();  // the port opened
    EXPECT_EQ(Run({"scan", "--protocol", "dnp3"}), 2);
    EXPECT_EQ(Run({"scan", "--from", "0"}), 2);
    EXPECT_EQ(Run({"scan", "--from", "5", "--to", "3"}), 2);
    EXPECT_NE(err.str().find("--from 5 is above --to 3"), std::string::npos) << err.str();
    EXPECT_EQ(Run({"scan", "extra"}), 2);
}

// A port that cannot be opened is named with the system's reason, not only "no device found".
TEST_F(CliAcquisitionTest, ScanNamesWhyThePortDidNotOpen) {
    Serve("dorma-bus");
    const std::string fifo = ::testing::TempDir() + "/scan-fifo-" + std::to_string(::getpid());
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    PosixSerialPort holder;  // another program that holds the simulated line's port
    ASSERT_TRUE(holder.Open(line.Line->SlavePath())) << holder.LastError();
    const std::pair<std::string, std::string> cases[] = {
        {"/nonexistent", "cannot open /nonexistent: /nonexistent: No such file or directory\n"},
        {"/etc/passwd", "cannot open /etc/passwd: /etc/passwd: не последовательный порт\n"},
        {fifo, ": не последовательный порт\n"},
        {line.Line->SlavePath(), ": порт занят другой программой\n"},
    };
    for (const auto& [port, why] : cases) {
        EXPECT_EQ(Run({"scan", "--port", port, "--to", "1"}), 1) << port;
        EXPECT_NE(err.str().find(why), std::string::npos) << err.str();
    }
    ::unlink(fifo.c_str());
}

TEST_F(CliAcquisitionTest, PollPrintsOneCsvLinePerCableAndPass) {
    Serve("dorma-bus");
    ASSERT_EQ(Run({"poll", "--port", line.Line->SlavePath(), "--from", "1", "--to", "3", "--samples", "2",
                   "--interval", "0"}),
              0)
        << err.str();
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 1u + 2 * 9);
    EXPECT_EQ(lines[0].rfind("time,address,cable,t1,t2,", 0), 0u);
    const std::regex row("\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d(\\.\\d{3})?[+-]\\d\\d:\\d\\d,[123],[1-6](,-?[0-9.]*)+");
    for (size_t i = 1; i < lines.size(); ++i) EXPECT_TRUE(std::regex_match(lines[i], row)) << lines[i];
    EXPECT_EQ(lines[1].substr(lines[1].find(','), 4), ",1,1");
    EXPECT_EQ(lines[9].substr(lines[9].find(','), 4), ",3,6");
    EXPECT_NE(err.str().find(" > Автоматический прием данных остановлен"), std::string::npos);
}

TEST_F(CliAcquisitionTest, PollReceivesTheStreamOfTheMakersProtocol) {
    Serve("hexar100", 200);
    ASSERT_EQ(Run({"poll", "--port", line.Line->SlavePath(), "--protocol", "hexar", "--samples", "1",
                   "--timeout", "20"}),
              0)
        << err.str();
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(std::regex_match(lines[1], std::regex("[0-9T:-]{19}(\\.\\d{3})?[+-]\\d\\d:\\d\\d,255,1(,-?[0-9.]*){50}"))) << lines[1];
}

TEST_F(CliAcquisitionTest, PollOutKeepsASignedArchiveOfEverySample) {
    Serve("dorma-bus");
    char dir[] = "/tmp/drumo-poll-out-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const std::string file = std::string(dir) + "/day/poll.dml";
    ASSERT_EQ(Run({"poll", "--port", line.Line->SlavePath(), "--from", "1", "--to", "3", "--samples", "2",
                   "--interval", "0", "--out", file}),
              0)
        << err.str();
    const ArchiveResult result = LoadArhivFile(file);
    EXPECT_TRUE(result.Opened);
    EXPECT_TRUE(result.Completed);
    EXPECT_TRUE(result.Signed);
    EXPECT_EQ(result.Damaged(), 0u);
    EXPECT_EQ(result.DeviceCount, 3u);
    EXPECT_EQ(result.CableCount, 9u);
    EXPECT_EQ(result.SampleCount, 2u * 9);
    std::filesystem::remove_all(dir);

    EXPECT_EQ(Run({"poll", "--out", "/tmp/readings.csv"}), 2);
}

TEST_F(CliAcquisitionTest, PollWithoutDevicesFails) {
    Serve("dorma-bus");
    EXPECT_EQ(Run({"poll", "--port", line.Line->SlavePath(), "--from", "9", "--to", "9"}), 1);
    EXPECT_NE(err.str().find("no device found"), std::string::npos);
    EXPECT_EQ(Run({"poll", "--samples", "0"}), 2);
}

// Standard output that notes, as each sample line begins, how many samples the archive on disk
// already holds.
class ArchiveWatch final : public std::streambuf {
public:
    explicit ArchiveWatch(std::string file) : file_(std::move(file)) {}
    std::vector<size_t> SamplesOnDisk;

protected:
    int overflow(int c) override {
        if (c == EOF) return c;
        if (lineStart_ && lines_ > 0) SamplesOnDisk.push_back(LoadArhivFile(file_).SampleCount);
        lineStart_ = c == '\n';
        lines_ += lineStart_;
        return c;
    }

private:
    std::string file_;
    bool lineStart_ = true;
    size_t lines_ = 0;
};

// An existing archive is replaced only when asked; each sample reaches the archive before its
// line is printed, so a reader that goes away (poll ... | head -1) costs no sample.
TEST_F(CliAcquisitionTest, PollKeepsTheArchiveAheadOfItsOutputAndReplacesOnlyWhenAsked) {
    Serve("dorma-bus");
    char dir[] = "/tmp/drumo-poll-out-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const std::string file = std::string(dir) + "/poll.dml";
    std::ofstream(file) << "kept";
    const std::vector<std::string> args = {"poll", "--port", line.Line->SlavePath(), "--delay", "800", "--to", "1",
                                           "--samples", "2", "--interval", "0", "--out", file};
    EXPECT_EQ(Run(args), 2);
    EXPECT_NE(err.str().find(file + " is an existing archive file; give --replace to replace it"), std::string::npos)
        << err.str();
    std::ifstream kept(file);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "kept");

    ArchiveWatch watch(file);
    std::ostream watched(&watch);
    auto replacing = args;
    replacing.push_back("--replace");
    ASSERT_EQ(cli::RunCli(replacing, watched, err), 0) << err.str();
    EXPECT_EQ(watch.SamplesOnDisk, (std::vector<size_t>{1, 2}));
    std::filesystem::remove_all(dir);
}

// A controller that stops answering after the first pass: the passes it misses are counted.
TEST_F(CliAcquisitionTest, PollCountsLostSamples) {
    Serve("dorma-bus");
    const std::vector<std::string> args = {"poll", "--port", line.Line->SlavePath(), "--delay", "800",
                                           "--to", "1", "--interval", "0"};
    ASSERT_EQ(Run(args), 0) << err.str();
    {
        auto lock = line.Line->Lock();
        const auto searchAndPass = line.Dormas[0]->Requests();
        line.Dormas[0]->Faults().Set(*sim::ParseFault("stop-after:" + std::to_string(searchAndPass)));
    }
    auto more = args;
    more.insert(more.end(), {"--samples", "3"});
    EXPECT_EQ(Run(more), 6);
    EXPECT_EQ(Lines().size(), 2u);
    EXPECT_NE(err.str().find("drumo-cli poll: 2 of 3 cable samples lost"), std::string::npos) << err.str();
}

}  // namespace
}  // namespace drumo::test
