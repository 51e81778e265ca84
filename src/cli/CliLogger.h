#pragma once
// The unattended logger behind drumo-cli log: after the search it receives without end, keeps the
// readings in the archive folder through the station's auto-save (a file per run and day, in the
// day's folder, rewritten safely at the end of every pass), optionally prints every cable sample
// on standard output, and rides out a port that goes away or devices that stop answering.
//
// Lost line: the port is closed and opened again after a pause that starts at one second and
// doubles after every attempt that brings no reading, up to a longest pause; every attempt is
// logged. Nothing is dropped from the store meanwhile, so the same file goes on growing once the
// readings come back. The line counts as lost when the channel closed the port (its device went
// away), when three Modbus passes in a row brought nothing, or when a streaming controller sent no
// whole sample for the silence time.
//
// Day change: the first pass of a new day starts a new file in the new day's folder; the store
// keeps the configuration and drops the samples once the previous file holds them. While that
// file cannot be written, the samples stay and the day change waits.

#include "station/Station.h"
#include "cli/Cli.h"
#include "cli/CliSampleHealth.h"
#include "cli/CliSampleLines.h"
#include "cli/MqttPublisher.h"
#include "cli/NewSamples.h"

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

namespace drumo::cli {

struct LoggerOptions {
    bool Modbus = true;
    int IntervalMs = 20000;   // Modbus: from the start of one pass to the next
    int SilenceMs = 600000;   // the maker's protocol: no whole sample for this long is a lost line
    int RetryMaxMs = 60000;   // the longest pause between two attempts to open the port again
    int SaveEveryMs = 0;      // the file is written at the end of a pass once this long has passed
    int KeepDays = 0;         // day folders older than this many days are removed; 0 keeps all
    uint64_t MinFreeBytes = 0;  // below this much free room on the archive disk nothing is written
    SampleFormat Format = SampleFormat::None;
    InfluxStyle Influx;
    std::string ArchiveFolder;
};

class UnattendedLogger {
public:
    static constexpr int FirstRetryMs = 1000;
    static constexpr int EmptyPassesForLoss = 3;

    // The station has found its devices and runs on `clock`; samples go to out, log lines to err.
    UnattendedLogger(Station& station, Clock& clock, const LoggerOptions& options, std::ostream& out,
                     std::ostream& err);

    // Receives until stopRequested() says so (it is asked between two steps, never in the middle
    // of a pass), writes the file a last time and stops reception. Returns the exit status: 0, or
    // 1 when reception could not start or the last write of the file failed.
    int Run(const std::function<bool()>& stopRequested);

    // Every cable sample, and every change of a cable's alarm state, also goes to an MQTT broker
    // through the queue on disk (which the caller opened and keeps).
    void PublishTo(const MqttSettings& settings, MqttQueue& queue);

private:
    void Step();
    void Reconnect();
    void LineLost(const std::string& why);
    void StartNewDay();
    void RemoveOldDays();
    void MendCutFiles();
    // False (said once) while the archive disk has less free room than the floor.
    bool RoomOnDisk();
    // Prints the samples completed since the last call; returns how many there were.
    size_t EmitNew();
    void PublishSample(size_t d, size_t c, size_t k, const SampleHealth& health);
    void Say(const std::string& text);

    Station& station_;
    Clock& clock_;
    LoggerOptions options_;
    std::ostream& out_;
    std::ostream& err_;
    NewSamples fresh_;                            // completed samples not printed yet
    std::vector<std::vector<int64_t>> lastPass_;  // Modbus: the pass of each cable's last sample
    int64_t passes_ = 0;                          // Modbus passes run
    SampleHealthReader health_;                   // the device health beside each sample
    DateTime day_ = 0;                            // the day of the file being written
    int64_t newDayTryMs_ = 0;                     // a held day change is tried again from here
    bool connected_ = true;
    int64_t retryAtMs_ = 0;
    int retryPauseMs_ = FirstRetryMs;
    int emptyPasses_ = 0;
    int64_t lastSampleMs_ = 0;
    int64_t lastSaveMs_ = INT64_MIN / 2;
    bool diskLow_ = false;
    bool outputFailed_ = false;
    std::unique_ptr<MqttPublisher> mqtt_;
    std::vector<std::vector<std::string>> alarmState_;  // per device and cable, as published
};

// drumo-cli log on its parsed words: the search, then the logger until stopRequested() says so.
// The subcommand passes the machine's clock and the SIGTERM and SIGINT flag; tests their own.
int RunLogger(const CliArgs& args, std::ostream& out, std::ostream& err, Clock& clock,
              const std::function<bool()>& stopRequested);

}  // namespace drumo::cli
