// drumo-cli log against simulated controllers on pseudo-terminals: the day file, each output
// format parsed back, a port that goes away and comes back, a day change, and SIGTERM mid-pass.

#include "cli/Cli.h"
#include "cli/CliLogger.h"
#include "files/ArchiveFormat.h"
#include "files/ArchiveReader.h"
#include "model/DateTime.h"
#include "model/Store.h"
#include "sim/Presets.h"
#include "support/MosquittoBroker.h"
#include "support/RecordingLog.h"
#include "support/ScriptedOperator.h"
#include "support/ShiftedClock.h"
#include "support/StoreFill.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cmath>
#include <csignal>
#include <fcntl.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <regex>
#include <spawn.h>
#include <sstream>
#include <sys/mount.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace drumo::test {
namespace {

namespace fs = std::filesystem;

// Per Modbus address and cable, the samples in the order they came: one value per sensor, and
// their times in seconds since 1970.
using Readings = std::map<std::pair<int, int>, std::vector<std::vector<int>>>;
using Times = std::map<std::pair<int, int>, std::vector<long long>>;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

int Hundredths(const std::string& text) {
    return text.empty() || text == "null" ? NoValue : static_cast<int>(std::lround(std::stod(text) * 100));
}

// Splits at separators that no backslash escapes, keeping the escapes.
std::vector<std::string> Split(const std::string& text, char sep) {
    std::vector<std::string> parts(1);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            parts.back() += text.substr(i++, 2);
        } else if (text[i] == sep) {
            parts.emplace_back();
        } else {
            parts.back() += text[i];
        }
    }
    return parts;
}

std::string Unescape(const std::string& text) {
    std::string s;
    for (size_t i = 0; i < text.size(); ++i) s += text[i] == '\\' && i + 1 < text.size() ? text[++i] : text[i];
    return s;
}

struct ArchiveReadings {
    ArchiveResult Result;
    Readings Values;
    Times SampleTimes;
};

ArchiveReadings ReadArchive(const std::string& file) {
    ArchiveReadings a;
    a.Result = ReadDml(ReadAll(file));
    for (const ArchiveDevice& dev : a.Result.Devices)
        for (size_t c = 0; c < dev.Cables.size(); ++c) {
            const ArchiveCable& cable = dev.Cables[c];
            const std::pair<int, int> key{dev.Id.Address, static_cast<int>(c + 1)};
            for (size_t k = 0; k < cable.Times.size(); ++k) {
                std::vector<int> row;
                for (const auto& sensor : cable.Values) row.push_back(sensor[k]);
                a.Values[key].push_back(row);
                a.SampleTimes[key].push_back(static_cast<long long>(DateTimeToUnix(cable.Times[k])));
            }
        }
    return a;
}

// Line protocol by its rules: "measurement,tag=v,... field=v,... timestamp", where commas,
// equal signs and spaces inside names and tag values are escaped with a backslash.
void ParseInflux(const std::string& text, const ArchiveReadings& archive, Readings& got,
                 Times& times) {
    for (const std::string& line : Split(text, '\n')) {
        if (line.empty()) continue;
        const auto parts = Split(line, ' ');
        ASSERT_EQ(parts.size(), 3u) << line;
        const auto key = Split(parts[0], ',');
        ASSERT_EQ(key[0], "drumo");
        std::map<std::string, std::string> tags;
        for (size_t i = 1; i < key.size(); ++i) {
            const auto kv = Split(key[i], '=');
            ASSERT_EQ(kv.size(), 2u) << key[i];
            tags[kv[0]] = Unescape(kv[1]);
        }
        ASSERT_TRUE(tags.count("address") && tags.count("cable") && tags.count("serial")) << line;
        EXPECT_EQ(tags.count("device"), 1u);
        const std::pair<int, int> where{std::stoi(tags["address"]), std::stoi(tags["cable"])};
        ASSERT_TRUE(archive.Values.count(where)) << line;
        std::vector<int> row(archive.Values.at(where).front().size(), NoValue);
        for (const std::string& field : Split(parts[1], ',')) {
            const auto kv = Split(field, '=');
            ASSERT_EQ(kv.size(), 2u);
            if (kv[0] == "lost" || kv[0] == "failed" || kv[0] == "failed_total") {
                EXPECT_EQ(kv[1], "0i") << kv[0];  // no pass went without this cable
                continue;
            }
            if (kv[0] == "faults" || kv[0] == "port") {
                EXPECT_TRUE(std::regex_match(kv[1], std::regex(kv[0] == "port" ? "\".*/port\"" : "[0-9]+i"))) << field;
                continue;
            }
            ASSERT_TRUE(std::regex_match(kv[0], std::regex("t[1-9][0-9]*"))) << field;
            ASSERT_TRUE(std::regex_match(kv[1], std::regex("-?[0-9]+(\\.[0-9]+)?"))) << field;
            const size_t s = std::stoul(kv[0].substr(1)) - 1;
            ASSERT_LT(s, row.size());
            row[s] = Hundredths(kv[1]);
        }
        ASSERT_TRUE(std::regex_match(parts[2], std::regex("[0-9]+000000000"))) << parts[2];
        got[where].push_back(row);
        times[where].push_back(std::stoll(parts[2].substr(0, parts[2].size() - 9)));
    }
}

// JSON lines through Python's own parser: every object's keys, then one plain line per object.
void ParseJson(const std::string& text, Readings& got, Times& times) {
    const std::string file = testing::TempDir() + "drumo-log-json.txt";
    std::ofstream(file, std::ios::binary) << text;
    const std::string script =
        "import json, sys, datetime\n"
        "for line in open(sys.argv[1], encoding='utf-8'):\n"
        "    o = json.loads(line)\n"
        "    assert sorted(o) == ['address', 'cable', 'cable_serial', 'comment', 'device', 'failed', 'failed_total',"
        " 'faults', 'kind', 'labels', 'lost', 'port', 'serial', 't', 'time'], o\n"
        "    assert o['lost'] == o['failed'] == o['failed_total'] == 0 and isinstance(o['faults'], int), o\n"
        "    assert len(o['labels']) == len(o['t']) and o['port'].endswith('/port'), o\n"
        "    assert o['comment'] == o['comment'].rstrip() and o['device'].startswith('Dorma-'), o\n"
        "    when = int(datetime.datetime.fromisoformat(o['time']).timestamp())\n"
        "    print(o['address'], o['cable'], when, *['null' if v is None else v for v in o['t']])\n";
    const std::string scriptFile = testing::TempDir() + "drumo-log-json.py";
    std::ofstream(scriptFile) << script;
    FILE* p = ::popen(("/usr/bin/python3 " + scriptFile + " " + file).c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string parsed;
    std::array<char, 4096> buf{};
    for (size_t n; (n = std::fread(buf.data(), 1, buf.size(), p)) > 0;) parsed.append(buf.data(), n);
    ASSERT_EQ(::pclose(p), 0) << "python3 refused the JSON lines";
    for (const std::string& line : Split(parsed, '\n')) {
        if (line.empty()) continue;
        const auto words = Split(line, ' ');
        ASSERT_GE(words.size(), 4u);
        const std::pair<int, int> where{std::stoi(words[0]), std::stoi(words[1])};
        std::vector<int> row;
        for (size_t i = 3; i < words.size(); ++i) row.push_back(Hundredths(words[i]));
        got[where].push_back(row);
        times[where].push_back(std::stoll(words[2]));
    }
}

void ParseCsv(const std::string& text, Readings& got, Times& times) {
    const auto lines = Split(text, '\n');
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0].rfind("time,address,cable,port,lost,failed,failed_total,faults,t1,t2,", 0), 0u);
    for (size_t i = 1; i < lines.size(); ++i) {
        if (lines[i].empty()) continue;
        const auto fields = Split(lines[i], ',');
        ASSERT_GE(fields.size(), 9u);
        EXPECT_TRUE(std::regex_match(fields[3] + "," + fields[4] + "," + fields[5] + "," + fields[6] + "," + fields[7],
                                     std::regex(".*/port,\\d+,\\d+,\\d+,\\d+")))
            << lines[i];
        ASSERT_TRUE(std::regex_match(fields[0], std::regex("\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d(\\.\\d{3})?[+-]\\d\\d:\\d\\d")))
            << lines[i];
        CalendarTime c;
        std::sscanf(fields[0].c_str(), "%d-%d-%dT%d:%d:%d", &c.Year, &c.Month, &c.Day, &c.Hour, &c.Minute, &c.Second);
        const std::pair<int, int> where{std::stoi(fields[1]), std::stoi(fields[2])};
        std::vector<int> row;
        for (size_t s = 8; s < fields.size(); ++s) row.push_back(Hundredths(fields[s]));
        got[where].push_back(row);
        times[where].push_back(static_cast<long long>(
            DateTimeToUnix(EncodeDateTime(c.Year, c.Month, c.Day, c.Hour, c.Minute, c.Second, 0))));
    }
}

class CliLogTest : public ::testing::Test {
protected:
    CliLogTest() {
        char dir[] = "/tmp/drumo-log-XXXXXX";
        folder = ::mkdtemp(dir) ? dir : "";
        archive = folder + "/Archive";
    }
    ~CliLogTest() override {
        if (line.Line) line.Line->Close();
        fs::remove_all(folder);
    }
    // Serves the three-controller Modbus line, reached through a link that stays put when the
    // line is served anew.
    void Serve() {
        if (line.Line) line.Line->Close();
        std::string error;
        auto built = sim::BuildLine(*sim::PresetConfig("dorma-bus"), SystemClock::Instance(), error);
        ASSERT_TRUE(built) << error;
        line = std::move(*built);
        ASSERT_TRUE(line.Line->Open()) << line.Line->Error();
        ASSERT_TRUE(line.Line->MakeLink(folder + "/port"));
        line.Line->Start();
    }
    int Log(std::vector<std::string> words, Clock& clock, const std::function<bool()>& stop) {
        words.insert(words.begin(), {"--port", folder + "/port", "--delay", "800", "--to", "3", "--interval", "1",
                                     "--archive", archive});
        const auto& all = cli::Subcommands();
        const auto log = std::find_if(all.begin(), all.end(), [](const auto& s) { return s.Name == "log"; });
        cli::CliArgs args;
        std::string error;
        EXPECT_TRUE(cli::ParseArgs(words, log->Flags, log->Options, args, error)) << error;
        return cli::RunLogger(args, out, err, clock, stop);
    }
    size_t OutLines() const {
        const std::string s = out.str();
        return static_cast<size_t>(std::count(s.begin(), s.end(), '\n'));
    }
    bool ErrHas(const std::string& text) const { return err.str().find(text) != std::string::npos; }
    // The archive files, in name order (day folders, then files).
    std::vector<std::string> Files() const {
        std::vector<std::string> files;
        if (fs::exists(archive))
            for (const auto& e : fs::recursive_directory_iterator(archive))
                if (e.is_regular_file()) files.push_back(e.path().string());
        std::sort(files.begin(), files.end());
        return files;
    }

    std::string folder, archive;
    sim::SimLine line;
    std::ostringstream out, err;
};

constexpr size_t kCables = 9;  // of the three controllers

// Two passes logged in each format: the day file is signed and holds exactly what was printed,
// and every printed line parses back by its format's rules to the archived readings and times.
TEST_F(CliLogTest, DayFileIsSignedAndEveryOutputFormatParsesBackToIt) {
    Serve();
    for (const std::string format : {"csv", "json", "influx"}) {
        SCOPED_TRACE(format);
        fs::remove_all(archive);
        out.str("");
        const size_t header = format == "csv" ? 1 : 0;
        ASSERT_EQ(Log({"--stdout", format}, SystemClock::Instance(), [&] { return OutLines() >= header + 2 * kCables; }),
                  cli::kExitOk)
            << err.str();
        const auto files = Files();
        ASSERT_EQ(files.size(), 1u);
        EXPECT_TRUE(std::regex_search(files[0], std::regex("/Archive/\\d\\d\\.\\d\\d\\.\\d\\d/\\d\\d\\.\\d\\d\\.\\d\\d\\.dml$")))
            << files[0];
        const ArchiveReadings a = ReadArchive(files[0]);
        EXPECT_TRUE(a.Result.Completed && a.Result.Signed) << files[0];
        EXPECT_EQ(a.Result.SampleCount, 2 * kCables);
        Readings got;
        Times times;
        if (format == "csv") ParseCsv(out.str(), got, times);
        if (format == "json") ParseJson(out.str(), got, times);
        if (format == "influx") ParseInflux(out.str(), a, got, times);
        EXPECT_EQ(got, a.Values);
        EXPECT_EQ(times, a.SampleTimes);
    }
}

// The port disappears after the first pass and stays away a while: every attempt is logged with
// a growing pause; when it comes back the readings go on into the same file, and everything
// received before the gap is still in it.
TEST_F(CliLogTest, PortThatGoesAndComesBackContinuesTheSameFile) {
    Serve();
    int phase = 0;
    size_t beforeGap = 0;
    const auto script = [&] {
        if (phase == 0 && OutLines() >= kCables) {
            beforeGap = OutLines();
            line.Line->With([&] {
                line.Dormas[0]->Faults().Set(*sim::ParseFault("port-gone"));
                return 0;
            });
            phase = 1;
        } else if (phase == 1 && ErrHas("next attempt in 4 s")) {
            Serve();  // the converter is plugged back
            phase = 2;
        }
        return phase == 2 && OutLines() >= beforeGap + 2 * kCables;
    };
    ASSERT_EQ(Log({"--stdout", "csv", "--retry-max", "4"}, SystemClock::Instance(), script), cli::kExitOk) << err.str();
    EXPECT_TRUE(ErrHas("went away")) << err.str();
    EXPECT_TRUE(ErrHas("opening the port again in 1 s")) << err.str();
    EXPECT_TRUE(ErrHas("next attempt in 2 s")) << err.str();
    EXPECT_TRUE(ErrHas("open again")) << err.str();
    const auto files = Files();
    ASSERT_EQ(files.size(), 1u);
    const ArchiveReadings a = ReadArchive(files[0]);
    EXPECT_TRUE(a.Result.Signed);
    Readings got;
    Times times;
    ParseCsv(out.str(), got, times);
    EXPECT_EQ(got, a.Values);
    EXPECT_EQ(a.Result.SampleCount, OutLines() - 1);
    EXPECT_GE(a.Result.SampleCount, beforeGap - 1 + 2 * kCables);
}

// A clock that reaches midnight during the run: the passes of each day go into a file of that
// day's folder, and the new day's file starts empty.
TEST_F(CliLogTest, DayChangeStartsANewFileInTheNewDaysFolder) {
    Serve();
    const DateTime day = EncodeDate(2026, 12, 31);
    ShiftedClock clock(day);
    bool searched = false;  // the logger asks first when the search is over: midnight is 2.5 s away
    const auto stop = [&] {
        if (!searched) clock.Set(day + 1 - 2.5 * OneSecond);
        searched = true;
        return clock.Now() > day + 1 + 2.5 * OneSecond;
    };
    ASSERT_EQ(Log({}, clock, stop), cli::kExitOk) << err.str();
    auto files = Files();
    ASSERT_EQ(files.size(), 2u) << err.str();
    std::swap(files[0], files[1]);  // "01.01.27" sorts before "31.12.26"
    EXPECT_EQ(fs::path(files[0]).parent_path().filename(), "31.12.26");
    EXPECT_EQ(fs::path(files[1]).parent_path().filename(), "01.01.27");
    EXPECT_EQ(fs::path(files[1]).filename().string().rfind("00.00.0", 0), 0u) << files[1];
    for (size_t i = 0; i < 2; ++i) {
        const ArchiveResult r = ReadDml(ReadAll(files[i]));
        EXPECT_TRUE(r.Completed && r.Signed);
        EXPECT_GE(r.SampleCount, kCables);
        EXPECT_EQ(DateOf(r.FirstSampleTime), day + i) << files[i];
        EXPECT_EQ(DateOf(r.LastSampleTime), day + i) << files[i];
    }
}

// Midnight with the archive disk full (a small tmpfs, filled up before midnight and emptied a
// few seconds after it): the day's readings are not dropped while their file cannot be written,
// and once it can, every printed sample is in one of the two files. Mounting needs root.
TEST_F(CliLogTest, AFullDiskAtMidnightLosesNoReading) {
    fs::create_directories(archive);
    if (::mount("tmpfs", archive.c_str(), "tmpfs", 0, "size=256k") != 0)
        GTEST_SKIP() << "mounting a tmpfs needs root: " << std::strerror(errno);
    struct Unmount {
        std::string Path;
        ~Unmount() { ::umount2(Path.c_str(), MNT_DETACH); }
    } unmount{archive};
    Serve();
    const DateTime day = EncodeDate(2026, 12, 31);
    ShiftedClock clock(day);
    const std::string filler = archive + "/filler";
    int phase = 0;
    const auto stop = [&] {
        if (phase == 0) {
            clock.Set(day + 1 - 2.5 * OneSecond);
            std::ofstream fill(filler, std::ios::binary);
            const std::string chunk(4096, 'x');
            while (fill.write(chunk.data(), chunk.size()) && fill.flush()) {}
            phase = 1;
        } else if (phase == 1 && clock.Now() > day + 1 + 2.5 * OneSecond) {
            fs::remove(filler);
            phase = 2;
        }
        return clock.Now() > day + 1 + 5.5 * OneSecond;
    };
    ASSERT_EQ(Log({"--stdout", "csv"}, clock, stop), cli::kExitOk) << err.str();
    EXPECT_TRUE(ErrHas("could not be written; its readings stay in memory")) << err.str();
    EXPECT_TRUE(ErrHas(std::strerror(ENOSPC))) << err.str();
    const auto files = Files();
    ASSERT_EQ(files.size(), 2u) << err.str();
    size_t archived = 0;
    for (const std::string& file : files) {
        const ArchiveResult r = ReadDml(ReadAll(file));
        EXPECT_TRUE(r.Completed && r.Signed) << file;
        archived += r.SampleCount;
    }
    EXPECT_EQ(archived, OutLines() - 1) << err.str();
}

// Two loggers on one archive folder whose runs start in the same second (the calendar held still):
// the second takes the next second's name, and each file keeps its own run's readings.
TEST_F(CliLogTest, LoggersStartedInTheSameSecondKeepOneFileEach) {
    Serve();
    ShiftedClock clock(0);
    std::vector<size_t> printed;
    for (int run = 0; run < 2; ++run) {
        clock.Hold(EncodeDateTime(2026, 12, 9, 10, 20, 44, 0));
        out.str("");
        ASSERT_EQ(Log({"--stdout", "csv"}, clock, [&] { return OutLines() >= 1 + 2 * kCables; }), cli::kExitOk)
            << err.str();
        printed.push_back(OutLines() - 1);
    }
    const auto files = Files();
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0], archive + "/09.12.26/10.20.44.dml");
    EXPECT_EQ(files[1], archive + "/09.12.26/10.20.45.dml");
    for (size_t i = 0; i < 2; ++i) EXPECT_EQ(ReadDml(ReadAll(files[i])).SampleCount, printed[i]) << files[i];
}

// --keep-days removes the archive files of old day folders and nothing else; below --min-free the
// logger says so once and keeps the readings in memory, and the file is written at the stop.
TEST_F(CliLogTest, OldDaysAreRemovedAndALowDiskIsSaidOnce) {
    Serve();
    const DateTime today = DateOf(SystemClock::Instance().Now());
    const std::string old = archive + "/" + FileDate(today - 3), kept = archive + "/" + FileDate(today - 2);
    for (const std::string& day : {old, kept}) {
        fs::create_directories(day);
        std::ofstream(day + "/10.00.00.dml") << "x";
    }
    std::ofstream(old + "/notes.txt") << "operator's";
    fs::create_directories(archive + "/01.13.26");  // no day
    ASSERT_EQ(Log({"--stdout", "csv", "--keep-days", "2", "--min-free", "1048576"}, SystemClock::Instance(),
                  [&] { return OutLines() >= 1 + 2 * kCables; }),
              cli::kExitOk)
        << err.str();
    EXPECT_FALSE(fs::exists(old + "/10.00.00.dml"));
    EXPECT_TRUE(fs::exists(old + "/notes.txt"));
    EXPECT_TRUE(fs::exists(kept + "/10.00.00.dml"));
    EXPECT_TRUE(fs::exists(archive + "/01.13.26"));
    const std::string log = err.str();
    EXPECT_NE(log.find("removed the archive files of " + old), std::string::npos) << log;
    const std::string low = "less than --min-free";
    ASSERT_NE(log.find(low), std::string::npos) << log;
    EXPECT_EQ(log.find(low, log.find(low) + 1), std::string::npos) << "said more than once";
    size_t saves = 0;
    for (size_t at = log.find(" сохранен"); at != std::string::npos; at = log.find(" сохранен", at + 1)) ++saves;
    EXPECT_EQ(saves, 1u) << "only the write at the stop";
}

// An archive folder that is relative or cannot be written is refused before the search starts,
// with the system's reason.
TEST_F(CliLogTest, ArchiveFolderIsCheckedBeforeTheSearch) {
    std::ofstream(folder + "/plain-file") << "x";
    struct Row {
        std::string Folder;
        int Status;
        std::string Says;
    };
    for (const Row& row : std::vector<Row>{
             {"relative/Archive", cli::kExitUsage, "must be an absolute path"},
             {folder + "/plain-file/Archive", cli::kExitFailed, std::strerror(ENOTDIR)},
         }) {
        archive = row.Folder;
        err.str("");
        EXPECT_EQ(Log({}, SystemClock::Instance(), [] { return true; }), row.Status) << row.Folder;
        EXPECT_TRUE(ErrHas(row.Says)) << err.str();
        EXPECT_FALSE(ErrHas("Запуск сканирования")) << err.str();
    }
    EXPECT_FALSE(fs::exists("relative"));
}

// The tool itself, ended by SIGTERM while a pass waits for a slow reply of the first controller: it
// finishes the pass, writes the file whole and signed with that pass in it, and exits with 0.
TEST_F(CliLogTest, SigtermInTheMiddleOfAPassLeavesASignedFileWithThatPass) {
    Serve();
    std::vector<std::string> words = {DRUMO_CLI_PATH, "log", "--port", folder + "/port", "--delay", "800", "--to", "3",
                                      "--interval", "1", "--archive", archive};
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string errFile = folder + "/err.txt";
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = -1;
    ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    // Waits (boundedly) for a condition on the simulated line.
    const auto awaitLine = [&](const std::function<bool()>& done) {
        for (int i = 0; i < 30000 && !line.Line->With(done); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return line.Line->With(done);
    };
    uint64_t afterFirst = 0;
    // The first pass is in the file; then the second pass begins at the first controller.
    ASSERT_TRUE(awaitLine([&] { return !Files().empty(); })) << ReadAll(errFile);
    ASSERT_TRUE(awaitLine([&] {
        if (!afterFirst) {
            afterFirst = line.Dormas[0]->Requests();
            line.Dormas[0]->Faults().Set(*sim::ParseFault("slow:500*1"));
        }
        return line.Dormas[0]->Requests() > afterFirst;
    }));
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << ReadAll(errFile);
    EXPECT_EQ(WEXITSTATUS(status), cli::kExitOk) << ReadAll(errFile);
    const auto files = Files();
    ASSERT_EQ(files.size(), 1u);
    const ArchiveResult r = ReadDml(ReadAll(files[0]));
    EXPECT_TRUE(r.Completed && r.Signed);
    EXPECT_GE(r.SampleCount, 2 * kCables) << ReadAll(errFile);
    EXPECT_EQ(r.SampleCount % kCables, 0u) << "a pass was cut short";
}

// The logger killed (kill -9) at random moments, 20 times, each run started again on the same
// archive folder: a start mends what the kill before it cut short, and then every file reads back
// signed, without a damaged line, holding whole passes.
TEST_F(CliLogTest, KilledAtRandomMomentsTwentyTimesEveryFileVerifiesAfterTheNextStart) {
    Serve();
    std::mt19937 random(20261210);
    const std::vector<std::string> words = {DRUMO_CLI_PATH, "log", "--port", folder + "/port", "--to", "1",
                                            "--interval", "1", "--archive", archive};
    for (int run = 0; run < 20; ++run) {
        pid_t logger = SpawnInto(words, folder + "/err.txt");
        ASSERT_GT(logger, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(std::uniform_int_distribution<int>(300, 2500)(random)));
        EndProcess(logger, SIGKILL);
    }
    const size_t killed = Files().size();
    pid_t last = SpawnInto(words, folder + "/err.txt");
    for (int i = 0; i < 100 && Files().size() <= killed; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(EndProcess(last), cli::kExitOk) << ReadAll(folder + "/err.txt");
    size_t withSamples = 0;
    for (const std::string& file : Files()) {
        const ArchiveResult r = ReadDml(ReadAll(file));
        EXPECT_TRUE(r.Completed && r.Signed) << file;
        EXPECT_EQ(r.Damaged(), 0u) << file;
        withSamples += r.SampleCount > 0;
    }
    EXPECT_GE(withSamples, 15u) << ReadAll(folder + "/err.txt");
}

// Each sample tells its device's health: the fault bits the controller reported at that pass,
// the reads that failed since the cable's previous sample and in all, the samples it missed.
TEST_F(CliLogTest, SamplesCarryTheFaultBitsAndFailedReadsOfTheirDevice) {
    Serve();
    line.Line->With([&] { return line.Dormas[0]->FaultBits = 0x11; });
    bool changed = false;
    const auto script = [&] {
        if (!changed && OutLines() >= kCables) {  // between the first and the second pass
            changed = true;
            line.Line->With([&] {
                line.Dormas[0]->FaultBits = 0x01;
                line.Dormas[1]->Faults().Set(*sim::ParseFault("silence*2"));  // its fault bits and cable 1's switch
                return 0;
            });
        }
        return OutLines() >= 3 * kCables - 1;
    };
    ASSERT_EQ(Log({"--stdout", "json"}, SystemClock::Instance(), script), cli::kExitOk) << err.str();
    std::map<std::pair<int, int>, std::vector<std::string>> health;  // "lost failed failed_total faults"
    static const std::regex fields(
        R"re("address":(\d+),"cable":(\d+),.*"lost":(\w+),"failed":(\w+),"failed_total":(\w+),"faults":(\w+),"t")re");
    for (const std::string& text : Split(out.str(), '\n'))
        if (std::smatch m; std::regex_search(text, m, fields))
            health[{std::stoi(m[1]), std::stoi(m[2])}].push_back(m.str(3) + " " + m.str(4) + " " + m.str(5) + " " +
                                                                 m.str(6));
    using H = std::vector<std::string>;
    EXPECT_EQ(health[std::make_pair(1, 1)], (H{"0 0 0 17", "0 0 0 1", "0 0 0 1"}));
    const std::string f = health[std::make_pair(2, 2)].empty() ? "" : Split(health[std::make_pair(2, 2)][0], ' ')[3];
    EXPECT_TRUE(std::regex_match(f, std::regex("\\d+"))) << out.str();
    EXPECT_EQ(health[std::make_pair(2, 1)], (H{"0 0 0 " + f, "1 2 2 " + f})) << out.str();
    EXPECT_EQ(health[std::make_pair(2, 2)], (H{"0 0 0 " + f, "0 2 2 null", "0 0 2 " + f})) << out.str();
    // The bits are logged as the search words them when they change, not at every pass.
    const std::string log = err.str();
    size_t reports = 0;
    for (size_t at = 0; (at = log.find("внутренних сбоях по адресу 1:", at)) != std::string::npos; ++at)
        ++reports;
    EXPECT_EQ(reports, 3u) << log;  // the search, the first pass, the change
    EXPECT_NE(log.find(std::string(30, ' ') + "->сбой EEPROM"), std::string::npos);
}

// Texts a collector must not misread: quotes, backslashes and control characters in JSON strings;
// commas, equal signs and spaces in line protocol tags; sensors without a reading.
TEST(SampleLines, EscapeTextsAndLeaveOutMissingReadings) {
    ScriptedOperator op;
    RecordingLog log;
    MeasurementStore store(op, log);
    const DateTime t = EncodeDateTime(2026, 7, 1, 10, 20, 44, 0);
    DeviceSpec dev;
    dev.TypeName = "Dorma-2/200";
    dev.Address = 7;
    dev.Serial = 42;
    dev.Comment = "Силос \"A\", ряд=2\\\t   ";
    dev.Source = "/dev/tty,\"1\"";
    dev.Cables = {CableSpec(-5, 1, {50, 150, 250}, {{t, {2150, NoValue, -75}}, {t + OneSecond, {NoValue, NoValue, NoValue}}})};
    AddDevice(store, dev);
    const long long unix = static_cast<long long>(DateTimeToUnix(t));
    using cli::SampleFormat;
    struct Row {
        SampleFormat Format;
        size_t Sample;
        std::string Want;  // "@" stands for the zone offset, "#" for the seconds since 1970
        cli::InfluxStyle Style = {};
        const cli::SampleHealth* Health = nullptr;
    };
    const cli::SampleHealth sick{2, 3, 7, 0x44}, unknown{};
    cli::InfluxStyle named;
    named.Measurement = "silo data,x=1";
    named.Tags = {{"site", "north\\"}, {"a b", "c,d"}};
    for (const Row& row : std::vector<Row>{
             {SampleFormat::Json, 0,
              "{\"time\":\"2026-07-01T10:20:44@\",\"address\":7,\"cable\":1,\"device\":\"Dorma-2/200\","
              "\"serial\":\"00042\",\"cable_serial\":-5,\"comment\":\"Силос \\\"A\\\", ряд=2\\\\\\u0009\","
              "\"port\":\"/dev/tty,\\\"1\\\"\",\"kind\":1,\"labels\":[0.5,1.5,2.5],\"t\":[21.5,null,-0.75]}\n"},
             {SampleFormat::Json, 0,
              "\"labels\":[0.5,1.5,2.5],\"lost\":2,\"failed\":3,\"failed_total\":7,\"faults\":68,\"t\":[21.5,null,-0.75]}\n",
              {}, &sick},
             {SampleFormat::Json, 1,
              "\"lost\":null,\"failed\":null,\"failed_total\":null,\"faults\":null,\"t\":[null,null,null]}\n", {},
              &unknown},
             {SampleFormat::Csv, 0, "2026-07-01T10:20:44@,7,1,\"/dev/tty,\"\"1\"\"\",2,3,7,68,21.5,,-0.75\n", {}, &sick},
             {SampleFormat::Csv, 0, "2026-07-01T10:20:44@,7,1,21.5,,-0.75\n"},
             {SampleFormat::Json, 1, "\"t\":[null,null,null]}\n"},
             {SampleFormat::Influx, 0,
              "drumo,address=7,cable=1,device=Dorma-2/200,serial=00042,comment=Силос\\ \"A\"\\,\\ ряд\\=2/\\  "
              "t1=21.5,t3=-0.75 #000000000\n"},
             // A backslash never ends a tag value (InfluxDB 1.x would take it as an escape).
             {SampleFormat::Influx, 0,
              "silo\\ data\\,x=1,address=7,cable=1,device=Dorma-2/200,serial=00042,comment=Силос\\ \"A\"\\,\\ ряд\\=2/\\ "
              ",site=north/,a\\ b=c\\,d t1=21.5,t3=-0.75,lost=2i,failed=3i,failed_total=7i,faults=68i,"
              "port=\"/dev/tty,\\\"1\\\"\" #000000000\n",
              named, &sick},
             {SampleFormat::Influx, 1, ""},
         }) {
        std::string want = row.Want;
        if (const size_t at = want.find('#'); at != std::string::npos) want.replace(at, 1, std::to_string(unix));
        const std::string got = cli::SampleLine(row.Format, store, 0, 0, row.Sample, row.Style, row.Health);
        if (const size_t at = want.find('@'); at != std::string::npos) {
            EXPECT_TRUE(std::regex_search(got, std::regex("T10:20:44[+-]\\d\\d:\\d\\d[\",]"))) << got;
            want.replace(at, 1, got.substr(got.find("T10:20:44") + 9, 6));
        }
        if (row.Format == SampleFormat::Json && (row.Sample == 1 || row.Health))
            EXPECT_TRUE(got.size() > want.size() && got.compare(got.size() - want.size(), want.size(), want) == 0) << got;
        else
            EXPECT_EQ(got, want);
    }
}

}  // namespace
}  // namespace drumo::test
