// drumo-cli poll: data reception for a number of samples, printed as CSV.
#include "cli/CliAcquisition.h"

#include "app/AppPaths.h"
#include "cli/CliOutput.h"
#include "cli/CliSampleLines.h"
#include "cli/NewSamples.h"

#include <algorithm>
#include <ostream>
#include <vector>

namespace drumo::cli {

namespace {

const std::string kUsage = std::string(
    "usage: drumo-cli poll [options]\n\n"
    "Searches the port as drumo-cli scan does, then receives samples as the program's data\n"
    "reception does: Modbus controllers are polled once per interval, a controller of the maker's\n"
    "protocol sends its readings by itself.\n\n"
    "options:\n") + kLinkOptionsHelp + kSearchOptionsHelp +
    "  --samples N      samples to receive, 1..100000; default 1\n"
    "  --interval S     Modbus: seconds from the start of one pass to the next, 0..86400; default 20\n"
    "  --timeout S      the maker's protocol: give up after S seconds; default 600\n"
    "  --out FILE.dml   also keep the readings in a signed archive file, written anew (safely:\n"
    "                   the previous version stays whole until the new one is complete) after\n"
    "                   every sample and before the sample is printed, as the program's\n"
    "                   auto-save does; a new name or an existing regular file\n"
    "  --replace        FILE.dml may be an existing archive, which the readings then replace\n"
    "\noutput: CSV on standard output, one line per cable and sample:\n"
    "  time,address,cable,t1,t2,...\n"
    "  2025-12-09T14:05:00.250+03:00,1,1,21.5,21.44,,20.9\n"
    "time is local time in ISO 8601 with its zone offset (and milliseconds where the sample has\n"
    "them); cable counts from 1; temperatures in °C, empty where a sensor\n"
    "gave no reading. Log lines go to standard error.\n"
    "exit status: 0 every sample of every cable came; 6 some were lost (\"N of M cable samples\n"
    "lost\" on standard error); 1 no device was found or the archive file could not be written;\n"
    "2 wrong usage, or --out names an existing archive without --replace, a device, a FIFO, a\n"
    "folder or a symbolic link (checked before the search).\n";

int Usage(std::ostream& err, const std::string& why) {
    err << "drumo-cli poll: " << why << "\n";
    return kExitUsage;
}

int RunPoll(const CliArgs& args, std::ostream& out, std::ostream& err) {
    long samples = 1, interval = 20, timeout = 600;
    if (args.Options.count("samples") && !ParseNumber(args.Options.at("samples"), 1, 100000, samples))
        return Usage(err, "--samples wants 1..100000");
    if (args.Options.count("interval") && !ParseNumber(args.Options.at("interval"), 0, 86400, interval))
        return Usage(err, "--interval wants seconds 0..86400");
    if (args.Options.count("timeout") && !ParseNumber(args.Options.at("timeout"), 1, 86400, timeout))
        return Usage(err, "--timeout wants seconds 1..86400");
    if (!args.Positional.empty()) return Usage(err, "unexpected '" + args.Positional.front() + "'");
    const std::string outFile = args.Options.count("out") ? args.Options.at("out") : std::string();
    if (args.Options.count("out") && (outFile.size() < 5 || outFile.substr(outFile.size() - 4) != ".dml"))
        return Usage(err, "--out wants a file name ending in .dml");
    if (!outFile.empty())
        if (const std::string why = OutputRefusal(outFile, {}, args.Has("replace")); !why.empty())
            return Usage(err, why);
    auto session = AcquisitionSession::FromArgs(args, err);
    if (!session) return kExitUsage;
    if (!session->Search()) {
        err << "drumo-cli poll: no device found\n";
        return kExitFailed;
    }
    Station& station = session->Station();
    MeasurementStore& store = station.Store();
    ReceptionScheduler& timers = station.Scheduler();
    Clock& clock = SystemClock::Instance();
    station.SetPollingInterval(static_cast<int>(interval * 1000));
    // Waits for the next of reception's timers and runs what is due.
    auto step = [&] {
        const int64_t wait = timers.NextDueMs() - clock.TickMs();
        if (wait > 0) clock.SleepMs(static_cast<int>(wait));
        return timers.Step(clock.TickMs());
    };

    size_t widest = 0;
    for (size_t d = 0; d < store.Devices(); ++d)
        for (size_t c = 0; c < store.Cables(d); ++c) widest = std::max(widest, store.Sensors(d, c));
    out << CsvHeader(widest);

    size_t cables = 0;
    for (size_t d = 0; d < store.Devices(); ++d) cables += store.Cables(d);
    NewSamples fresh(station.Subscribers());
    // The archive file is rewritten whole after every new sample, so that it is always a complete,
    // signed file; a failed write keeps the previous version and is reported once.
    bool archiveOk = true;
    auto saveArchive = [&] {
        if (outFile.empty()) return;
        std::string reason;
        if (!WriteArchiveOutput(store, outFile, reason)) {
            if (archiveOk) err << "drumo-cli poll: cannot write " << outFile << ": " << reason << "\n";
            archiveOk = false;
        }
    };
    // Prints the samples completed since the last call and returns how many lines that made.
    // The archive is written first: when the reader of standard output goes away
    // (poll ... | head -1), the sample is kept all the same.
    auto printNew = [&] {
        if (fresh.Empty()) return size_t{0};
        saveArchive();
        const std::vector<SamplePlace> places = fresh.Take();
        for (const SamplePlace& p : places)
            out << SampleLine(SampleFormat::Csv, store, p.Device, p.Cable, p.Index);
        out.flush();
        return places.size();
    };

    // Cable samples expected and lost over the whole run.
    size_t expected = 0, lost = 0;
    if (session->Settings().Protocol == ExchangeProtocol::Modbus) {
        expected = static_cast<size_t>(samples) * cables;
        station.StartReception();  // the first pass runs at once
        size_t delivered = printNew();
        for (long i = 1; i < samples && store.Receiving();)
            if (step().Pass) {
                ++i;
                delivered += printNew();
            }
        lost = expected > delivered ? expected - delivered : 0;
    } else {
        station.StartReception();
        const int64_t deadline = clock.TickMs() + timeout * 1000;
        long got = 0;
        while (store.Receiving() && got < samples && clock.TickMs() < deadline) {
            step();
            got += static_cast<long>(printNew());  // the stream fills the first cable only
        }
        // The stream comes from one controller; a sample covers all of its cables.
        const size_t streamCables = store.Cables(0);
        expected = static_cast<size_t>(samples) * streamCables;
        lost = got < samples ? static_cast<size_t>(samples - got) * streamCables : 0;
    }
    station.StopReception();
    if (lost > 0) err << "drumo-cli poll: " << lost << " of " << expected << " cable samples lost\n";
    if (!archiveOk) return kExitFailed;
    return lost > 0 ? kExitLost : kExitOk;
}

const CliRegistration reg({"poll", "receive samples and print them as CSV", kUsage, RunPoll, {"all-ports", "replace"},
                           [] {
                               auto names = SearchOptionNames();
                               names.insert({"samples", "interval", "timeout", "out"});
                               return names;
                           }()});

}  // namespace

}  // namespace drumo::cli
