// Auto-save timing with a clock the test moves.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "files/ArchiveReader.h"
#include "files/AutoSave.h"
#include "files/FilesTestSupport.h"
#include "model/SafeFile.h"
#include "support/FakeClock.h"
#include "support/ScriptedOperator.h"

namespace drumo {
namespace {

class RecordingAutoSaveView final : public AutoSaveView {
public:
    void StartTimer(int ms) override { timerMs = ms; }
    void StopTimer() override { timerMs = 0; }
    void SetTimerInterval(int ms) override { timerMs = ms; }
    void FileIndicator(bool lit) override { indicatorChanges += lit ? 1 : 0; }
    void SetProgressMaximum(int m) override { progressMax = m; }
    void SetProgress(int v) override { progress = v; }
    void StepProgress() override { ++progress; }
    void ShowCountdown(const std::string& text) override { countdown = text; }
    int timerMs = 0, indicatorChanges = 0, progressMax = 0, progress = 0;
    std::string countdown;
};

class AutoSaveTest : public ::testing::Test {
protected:
    AutoSaveTest() {
        StartAt(EncodeDateTime(2017, 12, 5, 14, 3, 22));
        autoSave_.ArchiveFolder = dir_.Path();
        autoSave_.AutoSaveEnabled = true;
        test::AddDevice(store_, test::ExampleDevice());
    }

    // The fake clock's Now() counts its millisecond tick on top of the start day.
    void StartAt(DateTime t) { clock_.SetStartDay(t - clock_.TickMs() * OneMillisecond); }

    // One polling pass every 20 seconds for `seconds`; the window's timer fires every period.
    void Run(int seconds) {
        for (int t = 0; t < seconds; t += 20) {
            clock_.Advance(20000);
            elapsedMs_ += 20000;
            if (elapsedMs_ % (autoSave_.PeriodSeconds() * 1000LL) == 0) autoSave_.TimerTick();
            store_.AppendSample(0, 0, clock_.Now(), std::vector<Temperature>{2000, 2001});
            autoSave_.EndOfPass();
        }
    }

    size_t SavesLogged() const {
        size_t n = 0;
        for (const auto& l : log_.Lines) n += l.find(" сохранен") != std::string::npos;
        return n;
    }

    test::TempFolder dir_;
    test::FakeClock clock_;
    test::ScriptedOperator op_;
    test::RecordingLog log_;
    MeasurementStore store_{op_, log_};
    ArchiveFiles files_{store_, op_, log_, clock_, "1.0.0.1"};
    RecordingAutoSaveView view_;
    AutoSave autoSave_{files_, clock_, &view_};
    int64_t elapsedMs_ = 0;
};

TEST_F(AutoSaveTest, FirstSaveComesOnePeriodAfterTheStartAndRewritesOneFile) {
    autoSave_.StartReception();
    const std::string expected = dir_ / "05.12.17/14.03.22.dml";
    EXPECT_EQ(autoSave_.FileName(), expected);
    EXPECT_EQ(view_.timerMs, 300000);  // the default period, five minutes
    EXPECT_EQ(view_.progressMax, 300);

    Run(280);
    EXPECT_FALSE(FileExists(expected));
    Run(20);  // five minutes after the start
    ASSERT_TRUE(FileExists(expected));
    EXPECT_EQ(SavesLogged(), 1u);
    EXPECT_EQ(LoadArhivFile(expected).SampleCount, 2u + 15u);

    Run(300);
    EXPECT_EQ(SavesLogged(), 2u);
    const ArchiveResult r = LoadArhivFile(expected);
    EXPECT_TRUE(r.Signed);
    EXPECT_EQ(r.SampleCount, 2u + 30u);
    EXPECT_EQ(view_.indicatorChanges, 2);
}

TEST_F(AutoSaveTest, ARunPastMidnightStaysInTheStartDaysFolder) {
    StartAt(EncodeDateTime(2017, 12, 5, 23, 58, 0));
    autoSave_.SetPeriodIndex(2);  // one minute
    autoSave_.StartReception();
    Run(600);
    EXPECT_TRUE(FileExists(dir_ / "05.12.17/23.58.00.dml"));
    EXPECT_FALSE(FileExists(dir_ / "06.12.17"));
    EXPECT_EQ(SavesLogged(), 10u);
}

TEST_F(AutoSaveTest, NothingIsWrittenWhenDisabledOrNotDue) {
    autoSave_.StartReception();
    autoSave_.EndOfPass();
    EXPECT_EQ(SavesLogged(), 0u);
    autoSave_.TimerTick();
    autoSave_.AutoSaveEnabled = false;  // switching off only stops the writing
    autoSave_.EndOfPass();
    EXPECT_EQ(SavesLogged(), 0u);
    EXPECT_TRUE(autoSave_.Due());
    autoSave_.AutoSaveEnabled = true;
    autoSave_.EndOfPass();
    EXPECT_EQ(SavesLogged(), 1u);

    // Disabled at the start of reception: no file name, no timer.
    AutoSave off(files_, clock_);
    off.StartReception();
    EXPECT_TRUE(off.FileName().empty());
    EXPECT_FALSE(off.TimerRunning());
}

TEST_F(AutoSaveTest, CountdownProgressAndPeriodChange) {
    autoSave_.StartReception();
    clock_.Advance(61000);
    autoSave_.UpdateTick();
    EXPECT_EQ(view_.countdown, "00:03:59");
    EXPECT_EQ(view_.progress, 1);
    autoSave_.SetPeriodIndex(8);  // one hour
    EXPECT_EQ(view_.timerMs, 3600000);
    EXPECT_EQ(view_.progressMax, 3600);
    EXPECT_EQ(view_.progress, 0);
    autoSave_.UpdateTick();
    EXPECT_EQ(view_.countdown, "01:00:00");
    autoSave_.StopReception();
    EXPECT_EQ(view_.countdown, "00:00:00");
    EXPECT_EQ(view_.timerMs, 0);
}

TEST_F(AutoSaveTest, SaveNowWritesTheRunningFileOnlyWhileReceptionRuns) {
    autoSave_.SaveNow();  // no reception yet
    EXPECT_EQ(SavesLogged(), 0u);
    autoSave_.StartReception();
    Run(40);  // not yet due: the file would lack these samples at an abrupt end
    autoSave_.SaveNow();
    ASSERT_EQ(SavesLogged(), 1u);
    const ArchiveResult r = LoadArhivFile(autoSave_.FileName());
    EXPECT_TRUE(r.Signed);
    EXPECT_EQ(r.SampleCount, 2u + 2u);
    autoSave_.StopReception();
    autoSave_.SaveNow();
    EXPECT_EQ(SavesLogged(), 1u);
}

TEST_F(AutoSaveTest, AFailedAutoSaveIsLoggedAndTheNextDueSaveTriesAgain) {
    autoSave_.StartReception();
    Run(300);
    const std::string first = test::ReadFile(autoSave_.FileName());
    files_.FailNextSaveAfter(10);
    Run(300);
    EXPECT_TRUE(log_.Has(" > Критическая ошибка при сохранении файла " + autoSave_.FileName()));
    EXPECT_TRUE(log_.Has(" > " + autoSave_.FileName() + ": " + std::strerror(ENOSPC)));
    EXPECT_FALSE(autoSave_.LastSaveOk());
    EXPECT_TRUE(op_.messages.empty());
    EXPECT_EQ(test::ReadFile(autoSave_.FileName()), first);
    Run(300);
    EXPECT_EQ(LoadArhivFile(autoSave_.FileName()).SampleCount, 2u + 45u);
    EXPECT_TRUE(autoSave_.LastSaveOk());
}

// Writers that start in the same second on one archive folder (two loggers, the program and a
// logger) never replace each other's file: the later first save takes the next free second.
TEST_F(AutoSaveTest, AWriterNeverReplacesAFileAnotherWriterMade) {
    AutoSave other{files_, clock_};
    other.ArchiveFolder = dir_.Path();
    other.AutoSaveEnabled = true;
    for (AutoSave* saver : {&autoSave_, &other}) saver->StartReception();
    const std::string taken = dir_ / "05.12.17/14.03.23.dml";  // a third writer's, a second later
    ASSERT_TRUE(CreateFileFolder(taken));
    ASSERT_TRUE(WriteFileSafely(taken, "foreign"));
    Run(300);
    other.SaveNow();
    EXPECT_EQ(autoSave_.FileName(), dir_ / "05.12.17/14.03.22.dml");
    EXPECT_EQ(other.FileName(), dir_ / "05.12.17/14.03.24.dml");
    EXPECT_EQ(test::ReadFile(taken), "foreign");
    for (AutoSave* saver : {&autoSave_, &other}) EXPECT_EQ(LoadArhivFile(saver->FileName()).SampleCount, 2u + 15u);
    Run(300);  // later saves keep each writer's own file
    other.SaveNow();
    EXPECT_EQ(other.FileName(), dir_ / "05.12.17/14.03.24.dml");
    EXPECT_EQ(LoadArhivFile(other.FileName()).SampleCount, 2u + 30u);
}

}  // namespace
}  // namespace drumo
