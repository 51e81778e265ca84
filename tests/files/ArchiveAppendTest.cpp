// A logger's file kept current by appending: after every save it reads back signed and holding
// exactly what the store holds, it costs about its own size in writes, a full disk or a kill -9
// leaves whole lines only.

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

#include "files/ArchiveAppend.h"
#include "files/ArchiveReader.h"
#include "files/FilesTestSupport.h"
#include "support/ScriptedOperator.h"

namespace drumo {
namespace {

// What a reader finds in the bytes, as one text: devices, cables, times and values.
std::string Content(const ArchiveResult& r) {
    std::string s;
    for (const ArchiveDevice& dev : r.Devices) {
        s += "D" + std::to_string(dev.Id.Serial) + ";";
        for (const ArchiveCable& cable : dev.Cables) {
            s += "C" + std::to_string(cable.Serial) + ":";
            for (size_t k = 0; k < cable.Times.size(); ++k) {
                s += std::to_string(DateTimeToUnix(cable.Times[k])) + "=";
                for (const auto& sensor : cable.Values) s += std::to_string(sensor[k]) + ",";
            }
        }
    }
    return s;
}

class ArchiveAppendTest : public ::testing::Test {
protected:
    ArchiveAppendTest() {
        // Two devices: the first with two cables (both get room), the second with one (the file's
        // last cable, which grows at the end).
        for (uint16_t serial : {11, 12}) {
            test::DeviceSpec dev = test::ExampleDevice();
            dev.Serial = serial;
            dev.Comment = "Силос " + std::to_string(serial);
            for (auto& cable : dev.Cables) cable.Samples.clear();
            if (serial == 11) dev.Cables.push_back(dev.Cables.front());
            test::AddDevice(store_, dev);
        }
    }
    // One pass: a sample for every cable, with values that differ per pass.
    void Pass() {
        ++passes_;
        for (size_t d = 0; d < store_.Devices(); ++d)
            for (size_t c = 0; c < store_.Cables(d); ++c)
                store_.AppendSample(d, c, start_ + passes_ * 20 * OneSecond,
                                    std::vector<Temperature>{static_cast<Temperature>(passes_ * 7 - 900),
                                                             passes_ % 5 ? Temperature(1234) : NoValue});
    }
    SaveResult Save(size_t samplesToCome = 1000) {
        return appender_.Save(store_, file_, "1.0.0.1", start_, samplesToCome, false);
    }
    void ExpectFileHoldsTheStore() {
        const ArchiveResult r = ReadDml(test::ReadFile(file_));
        EXPECT_TRUE(r.Completed && r.Signed);
        EXPECT_EQ(r.Damaged(), 0u);
        EXPECT_EQ(Content(r), Content(ReadDml(DmlBytes(store_, "1.0.0.1", start_))));
    }

    test::TempFolder dir_;
    test::ScriptedOperator op_;
    test::RecordingLog log_;
    MeasurementStore store_{op_, log_};
    ArchiveAppender appender_;
    std::string file_ = dir_ / "10.12.26/06.00.00.dml";
    DateTime start_ = EncodeDateTime(2026, 12, 10, 6, 0, 0);
    int passes_ = 0;
};

// Rooms that suffice, rooms that run out (the whole file is written again with more), and passes
// saved one by one or several at once: the file always reads back as the store, signed, and the
// bytes written stay within 1.2 times the content once the room suffices.
TEST_F(ArchiveAppendTest, EverySaveLeavesASignedFileHoldingTheStore) {
    struct Row {
        size_t Room;
        int Rounds;
        int PassesPerSave;
    };
    for (const Row& row : std::vector<Row>{{1000, 300, 1}, {3, 40, 1}, {1000, 60, 4}, {0, 30, 2}}) {
        SCOPED_TRACE(row.Room);
        store_.ClearResults(false);
        appender_.Reset();
        ::unlink(file_.c_str());
        const uint64_t before = appender_.BytesWritten();
        for (int round = 0; round < row.Rounds; ++round) {
            for (int p = 0; p < row.PassesPerSave; ++p) Pass();
            ASSERT_EQ(Save(row.Room).Outcome, SaveOutcome::Saved);
            ExpectFileHoldsTheStore();
        }
        if (row.Room == 1000) {
            EXPECT_LE(appender_.BytesWritten() - before, DmlBytes(store_, "1.0.0.1", start_).size() * 12 / 10);
        }
    }
}

// The disk fills up in the middle of an append: the save fails with the system's reason, the file
// still reads back signed with whole lines, and the next save brings it up to the store.
TEST_F(ArchiveAppendTest, AFailedAppendLeavesWholeLinesAndTheNextSaveCompletesIt) {
    Pass();
    ASSERT_EQ(Save().Outcome, SaveOutcome::Saved);
    for (long long failAfter : {0, 1, 30, 75, 140}) {
        SCOPED_TRACE(failAfter);
        Pass();
        Pass();
        appender_.FailAfter(failAfter);
        const SaveResult failed = Save();
        EXPECT_EQ(failed.Outcome, SaveOutcome::Failed);
        EXPECT_EQ(failed.Reason, std::strerror(ENOSPC));
        const ArchiveResult r = ReadDml(test::ReadFile(file_));
        EXPECT_TRUE(r.Completed && r.Signed);
        EXPECT_EQ(r.Damaged(), 0u);
        appender_.FailAfter(-1);
        ASSERT_EQ(Save().Outcome, SaveOutcome::Saved);
        ExpectFileHoldsTheStore();
    }
}

// A file deleted (or moved to the trash) while the logger runs is written anew, whole, at the
// next save rather than appended to where nobody finds it.
TEST_F(ArchiveAppendTest, AFileDeletedMeanwhileIsWrittenAnew) {
    Pass();
    ASSERT_EQ(Save().Outcome, SaveOutcome::Saved);
    ASSERT_EQ(::unlink(file_.c_str()), 0);
    Pass();
    ASSERT_EQ(Save().Outcome, SaveOutcome::Saved);
    ExpectFileHoldsTheStore();
}

// What a power loss can leave: a sample line cut short inside a cable's room (its tail never
// written) and an unfinished last line. The repair makes both comments or cuts them off, leaves
// every whole line as it was, and never touches a file its writer still holds.
TEST_F(ArchiveAppendTest, ARepairMendsLinesAPowerLossCutShort) {
    for (int p = 0; p < 3; ++p) Pass();
    ASSERT_EQ(Save().Outcome, SaveOutcome::Saved);
    EXPECT_EQ(RepairAppendedArchive(file_), -1);  // the writer holds it
    const std::string whole = test::ReadFile(file_);
    appender_.Reset();
    std::string cut = whole;
    const size_t room = cut.find("//", cut.find("\r\nT"));  // the first cable's room
    ASSERT_NE(room, std::string::npos);
    cut.replace(room, 20, "10.12.26 06:01:20 n/");
    cut += "10.12.26 06:01";
    test::WriteFile(file_, cut);
    ASSERT_GT(ReadDml(cut).Damaged(), 0u);
    EXPECT_EQ(RepairAppendedArchive(file_), 2);
    const std::string mended = test::ReadFile(file_);
    EXPECT_EQ(mended.size(), whole.size());
    EXPECT_EQ(mended.substr(0, room), whole.substr(0, room));
    ExpectFileHoldsTheStore();
    EXPECT_EQ(RepairAppendedArchive(file_), 0);
}

// A writer killed (SIGKILL) at random moments while it appends pass after pass: the file it
// leaves reads back signed, without damaged lines, every cable holding a prefix of the passes.
TEST_F(ArchiveAppendTest, AWriterKilledAtRandomMomentsLeavesASignedFile) {
    std::mt19937 random(20261210);
    int withSamples = 0;
    for (int run = 0; run < 20; ++run) {
        SCOPED_TRACE(run);
        ::unlink(file_.c_str());
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (;;) {
                Pass();
                Save(100000);
            }
        }
        ::usleep(std::uniform_int_distribution<useconds_t>(5000, 60000)(random));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        const std::string bytes = test::ReadFile(file_);
        if (bytes.empty()) continue;  // killed before its first save
        const ArchiveResult r = ReadDml(bytes);
        EXPECT_TRUE(r.Completed && r.Signed);
        EXPECT_EQ(r.Damaged(), 0u);
        withSamples += r.SampleCount > 0;
        for (const ArchiveDevice& dev : r.Devices)
            for (const ArchiveCable& cable : dev.Cables)
                for (size_t k = 0; k < cable.Times.size(); ++k)
                    EXPECT_EQ(cable.Times[k], start_ + static_cast<int>(k + 1) * 20 * OneSecond);
    }
    EXPECT_GE(withSamples, 10);
}

}  // namespace
}  // namespace drumo
