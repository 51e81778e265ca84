#include "cli/LinkSession.h"

#include "acquisition/LinkTest.h"
#include "acquisition/SearchSettings.h"
#include "app/IniFile.h"
#include "app/Settings.h"
#include "model/DateTime.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <ostream>

namespace drumo::cli {

const char* const kLinkOptionsHelp =
    "  --port PORT      port number N or ComN (\\\\.\\ComN, mapped through DRUMO_PORTS, the [Ports]\n"
    "                   section of the settings file, then /dev/ttyS*, /dev/ttyUSB*, /dev/ttyACM*),\n"
    "                   a device node such as /dev/ttyUSB0, or its name in /dev (ttyUSB0);\n"
    "                   default 2\n"
    "  --baud RATE      2400, 4800, 9600, 19200, 38400, 57600 or 115200; default 19200\n"
    "  --delay MS       reply time-out added to every reply wait; default 100\n"
    "  --settings FILE  settings file whose [Ports] section maps port numbers\n";

std::set<std::string> LinkOptionNames() { return {"port", "baud", "delay", "settings"}; }

namespace {

// A rate of the program's "Скорость обмена" list.
bool ValidBaud(long baud) { return BaudFromItem(ItemFromBaud(static_cast<int>(baud))) == baud; }

}  // namespace

bool PortFromArgument(const std::string& text, const std::string& workingFolder, std::string& portName) {
    const auto digits = [](const std::string& t) {
        return !t.empty() && std::all_of(t.begin(), t.end(), [](unsigned char c) { return std::isdigit(c); });
    };
    std::string number = text;
    if (text.size() > 3 && digits(text.substr(3)) &&
        std::equal(text.begin(), text.begin() + 3, "com", [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; }))
        number = text.substr(3);
    if (digits(number)) {
        long n = 0;
        if (!ParseNumber(number, 1, 255, n)) return false;
        portName = PortNameOf(static_cast<int>(n));
        return true;
    }
    if (text.find('/') != std::string::npos) {
        portName = text.front() == '/' ? text
                                       : (std::filesystem::path(workingFolder) / text).lexically_normal().string();
        return true;
    }
    const bool nameChars = std::all_of(text.begin(), text.end(), [](unsigned char c) {
        return std::isalnum(c) || c == '_' || c == '-' || c == '.' || c == ':';
    });
    if (text.empty() || text.front() == '.' || text.front() == '-' || !nameChars) return false;
    portName = "/dev/" + text;
    return true;
}

std::string DefaultSettingsFile(const PathEnvironment& env) { return ResolvePaths(env).SettingsFile; }

std::map<int, std::string> ConfiguredPorts(const std::string& settingsFile) {
    IniFile ini;
    if (settingsFile.empty() || !ReadSettingsFile(settingsFile, ini)) return {};
    return ReadPortsSection(ini);
}

void StreamLog::Log(const std::string& text) {
    const CalendarTime t = DecodeDateTime(clock_.Now());
    char time[16];
    std::snprintf(time, sizeof time, "%02d:%02d:%02d", t.Hour, t.Minute, t.Second);
    out_ << time << text << '\n';
}

LinkSession::LinkSession(Logging logging, std::ostream& err, Clock& clock)
    : op_(false, &err), streamLog_(err, clock),
      station_(StationServices{port_, op_, logging == Logging::ToErr ? static_cast<EventLog&>(streamLog_) : noLog_,
                               clock, nullptr, ProgramVersion()}) {}

bool ReadLinkOptions(const CliArgs& args, LinkOptions& options, std::ostream& err) {
    const auto get = [&](const char* name, const std::string& fallback) {
        const auto it = args.Options.find(name);
        return it == args.Options.end() ? fallback : it->second;
    };

    const std::string port = get("port", "2");
    std::error_code noFolder;
    const std::string here = std::filesystem::current_path(noFolder).string();
    if (!PortFromArgument(port, here.empty() ? "/" : here, options.PortName)) {
        err << "drumo-cli: --port wants a number 1..255, ComN, a device path or a device name, not '" << port
            << "'\n";
        return false;
    }
    const SearchSettings defaults;
    long baud = 0;
    if (!ParseNumber(get("baud", std::to_string(defaults.BaudRate)), 1, 1000000, baud) || !ValidBaud(baud)) {
        err << "drumo-cli: --baud wants 2400, 4800, 9600, 19200, 38400, 57600 or 115200\n";
        return false;
    }
    long delay = 0;
    if (!ParseNumber(get("delay", std::to_string(defaults.AdditionalDelay)), 0, 65535, delay)) {
        err << "drumo-cli: --delay wants milliseconds 0..65535\n";
        return false;
    }
    options.Baud = static_cast<int>(baud);
    options.Delay = static_cast<int>(delay);
    if (const auto settings = args.Options.find("settings"); settings != args.Options.end()) {
        // A settings file named on the command line must be one the program itself would read.
        IniFile ini;
        std::string error;
        if (!ReadSettingsFile(settings->second, ini, &error)) {
            err << "drumo-cli: cannot read the settings file " << settings->second << ": " << error << '\n';
            return false;
        }
        options.Ports = ReadPortsSection(ini);
    } else {
        options.Ports = ConfiguredPorts(DefaultSettingsFile());
    }
    return true;
}

std::unique_ptr<LinkSession> LinkSession::FromArgs(const CliArgs& args, bool modbus, Logging logging,
                                                   std::ostream& err, Clock& clock) {
    LinkOptions options;
    if (!ReadLinkOptions(args, options, err)) return nullptr;
    std::unique_ptr<LinkSession> s(new LinkSession(logging, err, clock));
    drumo::Station& station = s->station_;
    station.Bus().SetPortName(options.PortName);
    station.UsePorts(options.Ports);
    station.Bus().SetLine(options.Baud, modbus ? 2 : 1);
    station.Bus().SetAdditionalDelay(options.Delay);
    s->options_ = std::move(options);
    s->modbus_ = modbus;
    return s;
}

LineLease LinkSession::Take(LineUser user, std::ostream& err) {
    LineLease line = station_.Take(user);
    if (!line) err << "drumo-cli: the line is held by another procedure\n";
    return line;
}

void LinkSession::Connect(DeviceBus& bus, std::ostream& err) {
    if (bus.Connect()) {
        PreparePortLines(bus, modbus_ ? ExchangeProtocol::Modbus : ExchangeProtocol::Command);
    } else {
        err << "drumo-cli: cannot open " << bus.PortName() << ": " << station_.PortError() << '\n';
    }
}

LineLease LinkSession::Open(LineUser user, std::ostream& err) {
    LineLease line = Take(user, err);
    if (line) Connect(line.Bus(), err);
    return line;
}

int ReportStatus(const DeviceBus& bus, std::ostream& out, std::ostream& err) {
    const std::string message = bus.LinkStatusMessage();
    out << "status=" << bus.LinkStatus() << '\n' << "message=" << message << '\n';
    if (bus.LinkStatus() == 0) return kExitOk;
    err << "drumo-cli: " << message << '\n';
    return kExitFailed;
}

}  // namespace drumo::cli
