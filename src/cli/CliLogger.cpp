// The loop of drumo-cli log (this file registers no subcommand; CliLog.cpp does).
#include "cli/CliLogger.h"

#include "acquisition/Reception.h"
#include "cli/CliAcquisition.h"
#include "files/ArchiveBrowser.h"
#include "model/SafeFile.h"

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <sys/statvfs.h>

namespace drumo::cli {

namespace {

// The longest the loop sleeps at a time, so that a stop request is seen quickly.
constexpr int kLongestNap = 100;

std::string Seconds(int ms) { return std::to_string((ms + 999) / 1000) + " s"; }

bool AnySample(const MeasurementStore& store) {
    for (size_t d = 0; d < store.Devices(); ++d)
        for (size_t c = 0; c < store.Cables(d); ++c)
            if (store.SampleCount(d, c) > 0) return true;
    return false;
}

}  // namespace

UnattendedLogger::UnattendedLogger(Station& station, Clock& clock, const LoggerOptions& options, std::ostream& out,
                                   std::ostream& err)
    : station_(station), clock_(clock), options_(options), out_(out), err_(err), fresh_(station.Subscribers()) {}

void UnattendedLogger::RemoveOldDays() {
    if (options_.KeepDays <= 0) return;
    for (const std::string& folder : RemoveOldDayFolders(options_.ArchiveFolder, clock_.Now(), options_.KeepDays))
        Say("removed the archive files of " + folder + " (older than " + std::to_string(options_.KeepDays) + " days)");
}

void UnattendedLogger::MendCutFiles() {
    // A power loss may have cut the last lines an earlier run wrote into its file (today's or,
    // after midnight, yesterday's); a file another logger is writing is locked and left alone.
    for (const DateTime day : {DateOf(clock_.Now()) - 1, DateOf(clock_.Now())})
        for (const std::string& name : ArchiveFilesOfDay(options_.ArchiveFolder, day)) {
            const std::string file = DayFolder(options_.ArchiveFolder, day) + "/" + name;
            if (const int mended = RepairAppendedArchive(file); mended > 0)
                Say("mended " + std::to_string(mended) + " cut line(s) of " + file + " (a write that did not finish)");
        }
}

bool UnattendedLogger::RoomOnDisk() {
    if (options_.MinFreeBytes == 0) return true;
    struct statvfs fs {};
    if (::statvfs(options_.ArchiveFolder.c_str(), &fs) != 0) return true;  // the save tells what is wrong
    const uint64_t free = static_cast<uint64_t>(fs.f_bavail) * fs.f_frsize;
    const bool low = free < options_.MinFreeBytes;
    if (low != diskLow_) {
        const std::string mb = std::to_string(free >> 20) + " MB free";
        Say(low ? "the archive disk has " + mb + ", less than --min-free; the readings stay in memory and are "
                  "written once there is room"
                : "the archive disk has " + mb + " again; writing the readings");
        if (mqtt_)
            mqtt_->Publish(mqtt_->Prefix() + "disk", "{\"state\":\"" + std::string(low ? "low" : "ok") +
                                                     "\",\"free_bytes\":" + std::to_string(free) +
                                                     ",\"min_free_bytes\":" + std::to_string(options_.MinFreeBytes) + "}");
    }
    diskLow_ = low;
    return !low;
}

void UnattendedLogger::PublishTo(const MqttSettings& settings, MqttQueue& queue) {
    mqtt_ = std::make_unique<MqttPublisher>(settings, queue, clock_, [this](const std::string& text) { Say(text); });
}

void UnattendedLogger::PublishSample(size_t d, size_t c, size_t k, const SampleHealth& health) {
    const MeasurementStore& store = station_.Store();
    const TDevSig& dev = store.DevSig(d);
    // A Modbus device is known on its line by its address; controllers of the maker's protocol
    // all answer at 255, so theirs is the serial number (as the JSON writes it: "01001").
    char serial[8];
    std::snprintf(serial, sizeof serial, "%05u", static_cast<unsigned>(dev.Serial));
    const std::string device = options_.Modbus ? std::to_string(dev.Address) : std::string(serial);
    std::string payload = SampleLine(SampleFormat::Json, store, d, c, k, {}, &health);
    payload.pop_back();  // the line end
    mqtt_->Publish(mqtt_->Prefix() + device + "/" + std::to_string(c + 1), payload);

    // The alarm topic tells when a cable crosses a limit and when it is back within both.
    std::vector<Temperature> values(store.Sensors(d, c));
    for (size_t s = 0; s < values.size(); ++s) values[s] = store.Samples(d, c, s)[k];
    const double tMax = station_.Receiver().AlarmTMax(), tMin = station_.Receiver().AlarmTMin();
    const AlarmLines alarms = CheckAlarms(RangeOf(values.data(), values.size()), tMax, tMin, dev.Address,
                                          static_cast<int>(c), TimeOfDayText(store.SampleTimes(d, c)[k]), '.');
    std::string state = alarms.Upper.empty() ? "" : "upper";
    if (!alarms.Lower.empty()) state += state.empty() ? "lower" : ",lower";
    if (state.empty()) state = "normal";
    if (d >= alarmState_.size() || c >= alarmState_[d].size() || alarmState_[d][c] == state) return;
    alarmState_[d][c] = state;
    std::string lines = alarms.Upper;
    if (!alarms.Lower.empty()) lines += (lines.empty() ? "" : "\n") + alarms.Lower;
    mqtt_->Publish(mqtt_->Prefix() + "alarm", AlarmJson(store, d, c, k, state, tMax, tMin, lines));
}

void UnattendedLogger::Say(const std::string& text) {
    StreamLog(err_, clock_).Log(" drumo-cli log: " + text);
}

int UnattendedLogger::Run(const std::function<bool()>& stopRequested) {
    MeasurementStore& store = station_.Store();
    // Auto-save runs with every reception the station starts; the loop makes it due before a
    // pass, so the file takes the pass's samples at its end.
    ProgramSettings& settings = station_.Settings();
    settings.Main.ArchiveFolder = options_.ArchiveFolder;
    settings.Main.AutoSaveEnabled = true;
    // Each save writes only what is new: an SD card that takes the day's file once, not once per
    // pass. A streaming controller's pace is not known beforehand; its file makes more room when
    // it needs it.
    station_.AutoSaver().AppendSampleSeconds = options_.Modbus ? options_.IntervalMs / 1000.0 : 10.0;
    station_.SetPollingInterval(options_.IntervalMs);
    // Every sample carries its device's fault bits as the device reports them at that pass.
    station_.Receiver().SetReadFaultBits(options_.Modbus);
    // A stop that came during the search ends the logger before anything is received.
    if (stopRequested()) return kExitOk;
    RemoveOldDays();
    MendCutFiles();
    day_ = DateOf(clock_.Now());
    station_.StartReception();
    if (!store.Receiving()) {
        Say("reception did not start");
        return kExitFailed;
    }
    size_t widest = 0;
    lastPass_.assign(store.Devices(), {});
    passes_ = options_.Modbus ? 1 : 0;  // a Modbus reception runs its first pass as it starts
    for (size_t d = 0; d < store.Devices(); ++d) {
        lastPass_[d].assign(store.Cables(d), 0);
        for (size_t c = 0; c < store.Cables(d); ++c) widest = std::max(widest, store.Sensors(d, c));
    }
    if (options_.Format == SampleFormat::Csv) out_ << CsvHeader(widest, true) << std::flush;
    if (mqtt_) {
        alarmState_.assign(store.Devices(), {});
        for (size_t d = 0; d < store.Devices(); ++d) alarmState_[d].assign(store.Cables(d), "normal");
        mqtt_->Start(DevicesJson(store));
    }
    lastSampleMs_ = clock_.TickMs();
    // A Modbus reception's first pass ran as it started, before a save was due.
    if (AnySample(store) && RoomOnDisk()) station_.AutoSaver().SaveNow();
    EmitNew();

    while (!stopRequested()) {
        if (connected_)
            Step();
        else
            Reconnect();
        if (mqtt_) mqtt_->Tick();
    }

    // A pass that was running when the stop came has ended: the file gets everything received.
    bool written = true;
    AutoSave& saver = station_.AutoSaver();
    if (AnySample(store)) {
        saver.SaveNow();
        written = saver.LastSaveOk();
    }
    const std::string file = saver.FileName();
    EmitNew();
    if (mqtt_) mqtt_->Stop(3000);
    station_.StopReception();
    Say(written ? "stopped" : "stopped; the last write of " + file + " failed");
    return written ? kExitOk : kExitFailed;
}

void UnattendedLogger::Step() {
    // A new day starts a new file, between two passes and never inside a streamed sample.
    if (DateOf(clock_.Now()) != day_ && clock_.TickMs() >= newDayTryMs_ &&
        (options_.Modbus || station_.Receiver().StreamSampleClosed()))
        StartNewDay();
    ReceptionScheduler& timers = station_.Scheduler();
    const int64_t wait = timers.NextDueMs() - clock_.TickMs();
    if (wait > 0) {
        clock_.SleepMs(static_cast<int>(std::min<int64_t>(wait, kLongestNap)));
        return;
    }
    // The file is written after the pass when a save is due: after every pass, or once per
    // --save-every (fewer, fuller blocks written to an SD card; a power loss loses at most that).
    if (clock_.TickMs() - lastSaveMs_ >= options_.SaveEveryMs && RoomOnDisk()) {
        station_.AutoSaver().TimerTick();
        lastSaveMs_ = clock_.TickMs();
    }
    const ReceptionScheduler::Fired fired = timers.Step(clock_.TickMs());
    if (fired.Pass) ++passes_;
    const int64_t now = clock_.TickMs();
    if (EmitNew() > 0) {
        lastSampleMs_ = now;
        emptyPasses_ = 0;
        retryPauseMs_ = FirstRetryMs;
    } else if (options_.Modbus && fired.Pass && ++emptyPasses_ >= EmptyPassesForLoss) {
        LineLost("no device answered " + std::to_string(EmptyPassesForLoss) + " passes in a row");
        return;
    }
    if (!station_.Bus().Connected()) {
        LineLost("port " + station_.Bus().PortName() + " went away");  // the channel has logged why
    } else if (!options_.Modbus && now - lastSampleMs_ >= options_.SilenceMs) {
        LineLost("no readings for " + Seconds(options_.SilenceMs));
    }
}

void UnattendedLogger::LineLost(const std::string& why) {
    // Closed and opened again: a converter that was plugged back gets a fresh descriptor.
    station_.Bus().Disconnect();
    connected_ = false;
    retryAtMs_ = clock_.TickMs() + retryPauseMs_;
    Say(why + "; opening the port again in " + Seconds(retryPauseMs_));
}

void UnattendedLogger::Reconnect() {
    const int64_t now = clock_.TickMs();
    if (now < retryAtMs_) {
        clock_.SleepMs(static_cast<int>(std::min<int64_t>(retryAtMs_ - now, kLongestNap)));
        return;
    }
    // The pause grows with every attempt until readings come back.
    retryPauseMs_ = std::min(retryPauseMs_ * 2, std::max(options_.RetryMaxMs, FirstRetryMs));
    if (!station_.Bus().Connect()) {
        retryAtMs_ = now + retryPauseMs_;
        Say("cannot open port " + station_.Bus().PortName() + ": " + station_.PortError() +
            "; next attempt in " + Seconds(retryPauseMs_));
        return;
    }
    // The line levels the search set after its connect (some converters draw their power from
    // them); the background receive keeps running as reception left it.
    station_.Bus().SetRTS(true);
    station_.Bus().SetDTR(options_.Modbus);
    // What a converter kept while nobody read it would be stamped with this one moment: dropped,
    // as starting reception drops it.
    station_.Bus().FlushBuffers();
    connected_ = true;
    emptyPasses_ = 0;
    lastSampleMs_ = now;
    Say("port " + station_.Bus().PortName() + " open again");
}

void UnattendedLogger::StartNewDay() {
    MeasurementStore& store = station_.Store();
    // The day's readings leave memory only once its file holds them all. While it cannot be
    // written (a full disk, a stick pulled out) they stay, the next readings join them in the same
    // file, and the day change is tried again after the next pass.
    AutoSave& saver = station_.AutoSaver();
    if (AnySample(store)) saver.SaveNow();
    if (!saver.LastSaveOk()) {
        newDayTryMs_ = clock_.TickMs() + options_.IntervalMs;
        Say("a new day, but " + saver.FileName() + " could not be written; its readings stay in memory");
        return;
    }
    newDayTryMs_ = 0;
    store.ClearResults(false);
    RemoveOldDays();
    station_.AutoSaver().StartReception();
    day_ = DateOf(clock_.Now());
    Say("a new day: readings go to " + station_.AutoSaver().FileName());
}

size_t UnattendedLogger::EmitNew() {
    const MeasurementStore& store = station_.Store();
    size_t lines = 0;
    for (const SamplePlace& p : fresh_.Take()) {
        const size_t d = p.Device, c = p.Cable;
        if (d >= lastPass_.size() || c >= lastPass_[d].size()) continue;  // not of the search's devices
        ++lines;
        // A polled cable's sample tells how many passes brought nothing from it before.
        int lost = -1;
        if (options_.Modbus) {
            lost = static_cast<int>(std::max<int64_t>(0, passes_ - lastPass_[d][c] - 1));
            lastPass_[d][c] = passes_;
        }
        const SampleHealth health = health_.Next(station_.Receiver(), d, c, lost);
        if (!outputFailed_) out_ << SampleLine(options_.Format, store, d, c, p.Index, options_.Influx, &health);
        if (mqtt_) PublishSample(d, c, p.Index, health);
    }
    if (lines > 0 && !outputFailed_ && !out_.flush()) {
        // A collector that went away must not end the logging: the archive goes on.
        outputFailed_ = true;
        Say("standard output is closed; the readings go on into the archive only");
    }
    return lines;
}

}  // namespace drumo::cli
