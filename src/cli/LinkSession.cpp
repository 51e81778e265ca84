#include "cli/LinkSession.h"

#include "acquisition/SearchSettings.h"
#include "app/IniFile.h"
#include "app/Settings.h"

#include <ostream>

namespace drumo::cli {

const char* const kLinkOptionsHelp =
    "  --port N|PATH    port number (\\\\.\\ComN, mapped through DRUMO_PORTS, the [Ports] section\n"
    "                   of the settings file, then /dev/ttyS*, /dev/ttyUSB*, /dev/ttyACM*) or a\n"
    "                   device node such as /dev/ttyUSB0; default 2\n"
    "  --baud RATE      2400, 4800, 9600, 19200, 38400, 57600 or 115200; default 19200\n"
    "  --delay MS       reply time-out added to every reply wait; default 100\n"
    "  --settings FILE  settings file whose [Ports] section maps port numbers\n";

std::set<std::string> LinkOptionNames() { return {"port", "baud", "delay", "settings"}; }

namespace {

// A rate of the program's "Скорость обмена" list.
bool ValidBaud(long baud) { return BaudFromItem(ItemFromBaud(static_cast<int>(baud))) == baud; }

}  // namespace

std::string DefaultSettingsFile(const PathEnvironment& env) { return ResolvePaths(env).SettingsFile; }

std::map<int, std::string> ConfiguredPorts(const std::string& settingsFile) {
    IniFile ini;
    if (settingsFile.empty() || !ReadSettingsFile(settingsFile, ini)) return {};
    return ReadPortsSection(ini);
}

LinkSession::LinkSession() : channel_(port_, SystemClock::Instance()), link_(channel_, SystemClock::Instance()) {}

bool ReadLinkOptions(const CliArgs& args, LinkOptions& options, std::ostream& err) {
    const auto get = [&](const char* name, const std::string& fallback) {
        const auto it = args.Options.find(name);
        return it == args.Options.end() ? fallback : it->second;
    };

    const std::string port = get("port", "2");
    long number = 0;
    if (!port.empty() && port.front() == '/') {
        options.PortName = port;
    } else if (ParseNumber(port, 1, 255, number)) {
        options.PortName = PortNameOf(static_cast<int>(number));
    } else {
        err << "drumo-cli: --port wants a number 1..255 or a device path, not '" << port << "'\n";
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

void ApplyLinkOptions(const LinkOptions& options, bool modbus, TSerialChannel& channel, DeviceLink& link) {
    channel.SetPortName(options.PortName);
    PortMap map;
    map.SetConfigured(options.Ports);
    channel.SetPortMap(std::move(map));
    channel.SetBaudRateValue(options.Baud);
    channel.SetStopBits(modbus ? 2 : 1);
    link.AdditionalDelay = static_cast<uint16_t>(options.Delay);
}

std::unique_ptr<LinkSession> LinkSession::FromArgs(const CliArgs& args, bool modbus, std::ostream& err) {
    LinkOptions options;
    if (!ReadLinkOptions(args, options, err)) return nullptr;
    std::unique_ptr<LinkSession> s(new LinkSession());
    ApplyLinkOptions(options, modbus, s->channel_, s->link_);
    s->modbus_ = modbus;
    return s;
}

bool LinkSession::Open(std::ostream& err) {
    if (channel_.Connect()) {
        // As after every connect of the search: RTS raised, DTR raised only for Modbus RTU.
        channel_.PausePolling();
        channel_.SetRTS(true);
        channel_.SetDTR(modbus_);
        return true;
    }
    err << "drumo-cli: cannot open " << channel_.PortName() << ": " << channel_.LastError() << '\n';
    return false;
}

int ReportStatus(const DeviceLink& link, std::ostream& out, std::ostream& err) {
    const std::string message = link.LinkStatusMessage();
    out << "status=" << link.LinkStatus << '\n' << "message=" << message << '\n';
    if (link.LinkStatus == 0) return kExitOk;
    err << "drumo-cli: " << message << '\n';
    return kExitFailed;
}

}  // namespace drumo::cli
