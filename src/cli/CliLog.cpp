// drumo-cli log: the unattended logger (see CliLogger.h).
#include "cli/CliLogger.h"

#include "app/AppPaths.h"
#include "app/Settings.h"
#include "cli/CliAcquisition.h"
#include "cli/MqttPublisher.h"
#include "cli/ServiceNotify.h"

#include "model/SafeFile.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <ostream>

namespace drumo::cli {

namespace {

const std::string kUsage = std::string(
    "usage: drumo-cli log [options]\n\n"
    "Searches the port as drumo-cli scan does, then receives without end: Modbus controllers are\n"
    "polled once per interval, a controller of the maker's protocol sends its readings by itself.\n"
    "The readings go into the archive folder as the program's auto-save keeps them: a folder per\n"
    "day (dd.mm.yy), a file per run named after its start (hh.nn.ss.dml; a name another writer\n"
    "took gives way to the next second's), to which every pass appends its new samples (the file\n"
    "stays whole and signed), and a new file when the day changes. When the port goes away or the\n"
    "devices stop answering, the port is opened again after a pause that starts at 1 s and\n"
    "doubles up to --retry-max; the readings go on into the same file. SIGTERM or SIGINT ends the\n"
    "logger after the pass under way, once the file is written.\n\n"
    "options:\n") + kLinkOptionsHelp + kSearchOptionsHelp +
    "  --interval S     Modbus: seconds from the start of one pass to the next, 1..86400;\n"
    "                   default 20\n"
    "  --archive DIR    the archive folder, an absolute path; default: the one in the settings\n"
    "                   file, as the program's auto-save uses it\n"
    "  --stdout FORMAT  also print every cable sample on standard output as one line:\n"
    "                   csv (as drumo-cli poll, after a header line), json (one object per\n"
    "                   line) or influx (the InfluxDB line protocol)\n"
    "  --silence S      the maker's protocol: the port counts as lost after S seconds without a\n"
    "                   whole sample, 10..86400; default 600\n"
    "  --retry-max S    the longest pause between two attempts to open the port, 1..3600;\n"
    "                   default 60\n"
    "  --save-every S   write the file after the first pass once S seconds have passed since\n"
    "                   the last write, 0..3600 (fewer writes to an SD card; a power loss\n"
    "                   loses at most S seconds); default 0, after every pass\n"
    "  --keep-days N    remove the day folders more than N days old (at the start and at every\n"
    "                   day change), 1..36500; default: keep everything\n"
    "  --min-free MB    below this much free room on the archive disk nothing is written (said\n"
    "                   once, also on MQTT); the readings wait in memory; default 0\n"
    "  --measurement NAME  influx: the measurement name; default drumo\n"
    "  --tags K=V,...   influx: tags added to every line (site=north,silo=3)\n"
    "  --mqtt URL       also publish to an MQTT broker: mqtt://host[:port] (1883) or\n"
    "                   mqtts://host[:port] (TLS, 8883); user and password from --mqtt-auth\n"
    "                   or DRUMO_MQTT_USER and DRUMO_MQTT_PASSWORD\n"
    "  --mqtt-auth FILE a file whose first line is user:password; without it, a service reads\n"
    "                   its credential mqtt-auth ($CREDENTIALS_DIRECTORY/mqtt-auth) when not empty\n"
    "  --mqtt-ca FILE   TLS: the certificate authority to trust; default the system's\n"
    "  --station NAME   MQTT: the station in every topic; default the host name\n"
    "  --mqtt-queue-max MB  MQTT: the most the queue of unsent messages keeps on disk\n"
    "                   (DIR/mqtt-queue/PORT), 1..4096; default 64\n"
    "\nMQTT topics (QoS 1): drumo/STATION/status \"online\" or \"offline\" (retained, the last\n"
    "will), drumo/STATION/devices (retained JSON), drumo/STATION/DEVICE/CABLE one JSON object per\n"
    "cable sample as --stdout json prints it (DEVICE: the Modbus address, or the serial number of\n"
    "a controller of the maker's protocol), drumo/STATION/alarm a cable crossing an alarm limit,\n"
    "drumo/STATION/disk the archive disk below --min-free or back.\n"
    "Messages the broker has not acknowledged wait on disk and are sent in order when it is back,\n"
    "also after a restart; a message may arrive twice, never not at all.\n"
    "\noutput (--stdout), one line per cable and sample:\n"
    "  csv     time,address,cable,port,lost,failed,failed_total,faults,t1,...,tN (a header line), then\n"
    "          2026-12-09T10:20:44+03:00,1,1,/dev/ttyUSB0,0,0,2,0,15.7,15.05,,14.42\n"
    "  json    {\"time\":\"2026-12-09T10:20:44+03:00\",\"address\":1,\"cable\":1,\"device\":\"Dorma-1/100\",\n"
    "          \"serial\":\"01001\",\"cable_serial\":2101,\"comment\":\"Склад 1\",\"port\":\"/dev/ttyUSB0\",\n"
    "          \"kind\":1,\"labels\":[0.5,1,1.5,2],\"lost\":0,\"failed\":0,\"failed_total\":2,\"faults\":0,\n"
    "          \"t\":[15.7,15.05,null,14.42]}\n"
    "  influx  drumo,address=1,cable=1,device=Dorma-1/100,serial=01001,comment=Склад\\ 1\n"
    "          t1=15.7,t2=15.05,t4=14.42,lost=0i,failed=0i,failed_total=2i,faults=0i,\n"
    "          port=\"/dev/ttyUSB0\" 1796800844000000000   (one line)\n"
    "Temperatures are in °C; a sensor without a reading is an empty CSV field, a JSON null, a\n"
    "missing line protocol field. Beside the readings, the device's health: lost (Modbus) the\n"
    "passes since the cable's previous sample that brought nothing from it; failed the device's\n"
    "failed reads since the cable's previous sample, failed_total since the start; faults the\n"
    "fault bits the controller reports (Modbus register 13, bits 0..7, read every pass); a value\n"
    "not known is an empty CSV field, a JSON null, a missing field. Log lines go to standard\n"
    "error.\n"
    "exit status: 0 stopped by SIGTERM or SIGINT, the file written; 1 no device was found,\n"
    "reception did not start, or the archive folder or the last write of the file failed;\n"
    "2 wrong usage.\n";

volatile std::sig_atomic_t stopSignal = 0;

extern "C" void OnStopSignal(int) { stopSignal = 1; }

// Creates the folder when it is missing and checks that files can be made in it.
bool ArchiveFolderWritable(const std::string& folder, std::string& why) {
    if (!MakeFolders(folder)) {
        // Asked once more for the reason of the last level: a file in the way reads as such.
        const int code = ::mkdir(folder.c_str(), 0777) == 0 ? 0 : errno;
        why = std::strerror(code == EEXIST ? ENOTDIR : code);
        return false;
    }
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        why = std::strerror(errno);
        return false;
    }
    return true;
}

std::string HostName() {
    char name[256] = {};
    return ::gethostname(name, sizeof name - 1) == 0 && name[0] ? name : "drumo";
}

// "user:password" on the first line of a credentials file's text into the settings.
bool ParseCredentials(const std::string& text, const std::string& origin, MqttSettings& mqtt, std::string& why) {
    const std::string line = text.substr(0, text.find_first_of("\r\n"));
    const size_t colon = line.find(':');
    if (colon == std::string::npos || colon == 0) {
        why = origin + ": the first line wants user:password";
        return false;
    }
    mqtt.User = line.substr(0, colon);
    mqtt.Password = line.substr(colon + 1);
    return true;
}

// The broker's user and password, so that they stay out of the process list: from --mqtt-auth
// (a file whose first line is user:password); else from the credential "mqtt-auth" that systemd
// hands the service ($CREDENTIALS_DIRECTORY/mqtt-auth, loaded from /etc/drumo/mqtt-auth, which
// the service's own user could not read; blank when that file is missing); else from the
// environment.
bool MqttCredentials(const CliArgs& args, MqttSettings& mqtt, std::string& why) {
    std::string text;
    if (args.Options.count("mqtt-auth")) {
        const std::string file = args.Options.at("mqtt-auth");
        if (!ReadSmallFile(file, text, 4096, &why)) {
            why = "--mqtt-auth " + file + ": " + why;
            if (std::getenv("CREDENTIALS_DIRECTORY"))
                why += " (as a service, leave --mqtt-auth out: the unit hands /etc/drumo/mqtt-auth over as the "
                       "credential mqtt-auth)";
            return false;
        }
        return ParseCredentials(text, "--mqtt-auth " + file, mqtt, why);
    }
    if (const char* dir = std::getenv("CREDENTIALS_DIRECTORY"); dir && *dir) {
        const std::string file = std::string(dir) + "/mqtt-auth";
        if (::access(file.c_str(), F_OK) == 0) {
            if (!ReadSmallFile(file, text, 4096, &why)) {
                why = "the credential " + file + ": " + why;
                return false;
            }
            if (text.find_first_not_of(" \t\r\n") != std::string::npos)
                return ParseCredentials(text, "the credential " + file, mqtt, why);
        }
    }
    if (const char* user = std::getenv("DRUMO_MQTT_USER"); user && *user) mqtt.User = user;
    if (const char* password = std::getenv("DRUMO_MQTT_PASSWORD"); password && *password) mqtt.Password = password;
    return true;
}

int Usage(std::ostream& err, const std::string& why) {
    err << "drumo-cli log: " << why << "\n";
    return kExitUsage;
}

int RunLog(const CliArgs& args, std::ostream& out, std::ostream& err) {
    // The handlers are set at the logger's first question, once the search is over: a search
    // ends at a signal as any tool does, a reception finishes its pass and writes its file.
    return RunLogger(args, out, err, SystemClock::Instance(), [] {
        static const bool installed = [] {
            struct sigaction action {};
            action.sa_handler = OnStopSignal;
            sigemptyset(&action.sa_mask);
            sigaction(SIGTERM, &action, nullptr);
            sigaction(SIGINT, &action, nullptr);
            std::signal(SIGPIPE, SIG_IGN);  // a collector that goes away must not end the logging
            return true;
        }();
        static ServiceNotify service(SystemClock::Instance());  // ready, watchdog and stopping for systemd
        service.Tick(stopSignal != 0);
        return installed && stopSignal != 0;
    });
}

const CliRegistration reg({"log", "receive without end into the archive folder (a service)", kUsage, RunLog,
                           {"all-ports"}, [] {
                               auto names = SearchOptionNames();
                               names.insert({"interval", "archive", "stdout", "silence", "retry-max",
                                             "save-every", "keep-days", "min-free", "measurement", "tags", "mqtt",
                                             "mqtt-auth", "mqtt-ca", "station", "mqtt-queue-max"});
                               return names;
                           }()});

}  // namespace

int RunLogger(const CliArgs& args, std::ostream& out, std::ostream& err, Clock& clock,
              const std::function<bool()>& stopRequested) {
    LoggerOptions options;
    long interval = 20, silence = 600, retryMax = 60;
    if (args.Options.count("interval") && !ParseNumber(args.Options.at("interval"), 1, 86400, interval))
        return Usage(err, "--interval wants seconds 1..86400");
    if (args.Options.count("silence") && !ParseNumber(args.Options.at("silence"), 10, 86400, silence))
        return Usage(err, "--silence wants seconds 10..86400");
    if (args.Options.count("retry-max") && !ParseNumber(args.Options.at("retry-max"), 1, 3600, retryMax))
        return Usage(err, "--retry-max wants seconds 1..3600");
    if (args.Options.count("stdout") && !ParseSampleFormat(args.Options.at("stdout"), options.Format))
        return Usage(err, "--stdout wants csv, json or influx");
    long saveEvery = 0;
    if (args.Options.count("save-every") && !ParseNumber(args.Options.at("save-every"), 0, 3600, saveEvery))
        return Usage(err, "--save-every wants seconds 0..3600");
    options.SaveEveryMs = static_cast<int>(saveEvery * 1000);
    long keepDays = 0, minFree = 0;
    if (args.Options.count("keep-days") && !ParseNumber(args.Options.at("keep-days"), 1, 36500, keepDays))
        return Usage(err, "--keep-days wants days 1..36500");
    if (args.Options.count("min-free") && !ParseNumber(args.Options.at("min-free"), 0, 1 << 20, minFree))
        return Usage(err, "--min-free wants megabytes 0..1048576");
    options.KeepDays = static_cast<int>(keepDays);
    options.MinFreeBytes = static_cast<uint64_t>(minFree) << 20;
    if (args.Options.count("measurement")) options.Influx.Measurement = args.Options.at("measurement");
    if (options.Influx.Measurement.empty()) return Usage(err, "--measurement wants a name");
    if (args.Options.count("tags") && !ParseTags(args.Options.at("tags"), options.Influx.Tags))
        return Usage(err, "--tags wants name=value pairs separated by commas");
    MqttSettings mqtt;
    long queueMb = 64;
    if (args.Options.count("mqtt")) {
        std::string why;
        if (!ParseMqttUrl(args.Options.at("mqtt"), mqtt, why)) return Usage(err, "--mqtt " + why);
        if (!MqttCredentials(args, mqtt, why)) return Usage(err, why);
        if (args.Options.count("mqtt-ca")) {
            // Checked now: the library would only say "invalid arguments" at every attempt.
            mqtt.CaFile = args.Options.at("mqtt-ca");
            if (!mqtt.Tls) return Usage(err, "--mqtt-ca wants an mqtts:// broker");
            struct stat st {};
            if (::stat(mqtt.CaFile.c_str(), &st) != 0 || ::access(mqtt.CaFile.c_str(), R_OK) != 0)
                return Usage(err, "--mqtt-ca " + mqtt.CaFile + ": " + std::strerror(errno));
            if (!S_ISREG(st.st_mode)) return Usage(err, "--mqtt-ca " + mqtt.CaFile + ": not a regular file");
        }
        if (args.Options.count("mqtt-queue-max") && !ParseNumber(args.Options.at("mqtt-queue-max"), 1, 4096, queueMb))
            return Usage(err, "--mqtt-queue-max wants megabytes 1..4096");
        mqtt.Station = args.Options.count("station") ? args.Options.at("station") : HostName();
    } else {
        for (const char* name : {"mqtt-auth", "mqtt-ca", "station", "mqtt-queue-max"})
            if (args.Options.count(name)) return Usage(err, std::string("--") + name + " wants --mqtt");
    }
    if (!args.Positional.empty()) return Usage(err, "unexpected '" + args.Positional.front() + "'");
    options.IntervalMs = static_cast<int>(interval * 1000);
    options.SilenceMs = static_cast<int>(silence * 1000);
    options.RetryMaxMs = static_cast<int>(retryMax * 1000);
    if (args.Options.count("archive")) {
        options.ArchiveFolder = args.Options.at("archive");
    } else {
        const std::string file =
            args.Options.count("settings") ? args.Options.at("settings") : DefaultSettingsFile();
        options.ArchiveFolder = LoadSettings(file, ArchiveFolder()).Main.ArchiveFolder;
    }
    if (options.ArchiveFolder.empty() || options.ArchiveFolder.front() != '/')
        return Usage(err, "the archive folder must be an absolute path (beginning with /): '" + options.ArchiveFolder + "'");
    // The folder is made ready before the search, so that a logger that could not keep its
    // readings never starts receiving.
    if (std::string why; !ArchiveFolderWritable(options.ArchiveFolder, why)) {
        err << "drumo-cli log: the archive folder " << options.ArchiveFolder << " cannot be written: " << why << "\n";
        return kExitFailed;
    }

    // The queue of a logger publishing to MQTT belongs to its port; a second logger on the same
    // port finds it locked and does not start.
    MqttQueue queue;
    if (!mqtt.Host.empty()) {
        const std::string port = args.Options.count("port") ? args.Options.at("port") : "default";
        std::string why;
        if (!queue.Open(options.ArchiveFolder + "/mqtt-queue/" + TopicLevel(port),
                        static_cast<size_t>(queueMb) << 20, why)) {
            err << "drumo-cli log: the MQTT queue " << why << "\n";
            return kExitFailed;
        }
    }

    auto session = AcquisitionSession::FromArgs(args, err, clock);
    if (!session) return kExitUsage;
    if (!session->Search()) {
        err << "drumo-cli log: no device found\n";
        return kExitFailed;
    }
    options.Modbus = session->Settings().Protocol == ExchangeProtocol::Modbus;
    UnattendedLogger logger(session->Station(), clock, options, out, err);
    if (!mqtt.Host.empty()) logger.PublishTo(mqtt, queue);
    return logger.Run(stopRequested);
}

}  // namespace drumo::cli
