#pragma once
// The link as the subcommands use it: the common options, and the program's station over the
// port they name, whose line a subcommand takes for its transactions.
//
// Common options:
//   --port PORT      port number N or ComN (as "\\.\Com" + N, mapped to a device node through
//                    DRUMO_PORTS, the [Ports] section of the settings file, then the built-in
//                    table), a device path such as /dev/ttyUSB0, or a device name in /dev such
//                    as ttyUSB0; default 2
//   --baud RATE      2400, 4800, 9600, 19200, 38400, 57600 or 115200; default 19200
//   --delay MS       reply time-out added to every reply wait (AdditionalDelay); default 100
//   --settings FILE  settings file whose [Ports] section maps port numbers

#include "app/AppPaths.h"
#include "cli/Cli.h"
#include "link/PosixSerialPort.h"
#include "station/Station.h"

#include <iosfwd>
#include <map>
#include <memory>
#include <set>
#include <string>

namespace drumo::cli {

extern const char* const kLinkOptionsHelp;

// The names of the options above, for a subcommand's registration.
std::set<std::string> LinkOptionNames();

// The common options as read.
struct LinkOptions {
    std::string PortName;  // "\\.\Com" + N, or a device node
    int Baud = 19200;
    int Delay = 100;
    std::map<int, std::string> Ports;  // the settings file's [Ports] section
};

// The port named by --port: "3" or "Com3" (any case) is the program's port 3 ("\\.\Com3"); a
// text with a "/" is a device path, taken from `workingFolder` when relative (a service's
// instance "dev/ttyUSB0" read from the root); a plain name such as "ttyUSB0" is the device of
// that name in /dev, the way serial-getty@ instances name ports. Returns false for anything
// else: an empty text, a port number outside 1..255, a name with characters a device name has not.
bool PortFromArgument(const std::string& text, const std::string& workingFolder, std::string& portName);

// Reads the common options; on a bad value returns false and writes why to err.
bool ReadLinkOptions(const CliArgs& args, LinkOptions& options, std::ostream& err);

// Log lines of the procedures on standard error, each with the time of day in front.
class StreamLog final : public EventLog {
public:
    explicit StreamLog(std::ostream& out, const Clock& clock = SystemClock::Instance()) : out_(out), clock_(clock) {}
    void Log(const std::string& text) override;

private:
    std::ostream& out_;
    const Clock& clock_;
};

// The program's station over the port the common options name.
class LinkSession {
public:
    // Reads the common options; on a bad value returns null and writes why to err. The line is
    // set up for Modbus RTU (2 stop bits) or for the command protocol (1). The station runs on
    // `clock`; its operator answers No and writes to err, and its log goes to err or nowhere.
    enum class Logging { Quiet, ToErr };
    static std::unique_ptr<LinkSession> FromArgs(const CliArgs& args, bool modbus, Logging logging, std::ostream& err,
                                                 Clock& clock = SystemClock::Instance());

    // The line for `user`; an empty lease (and a message on err) when refused.
    [[nodiscard]] LineLease Take(LineUser user, std::ostream& err);
    // Opens the port of a line taken as the search does after every connect: the background
    // receive paused, RTS raised, DTR raised for Modbus RTU only. When it does not open the reason
    // goes to err; the transaction that follows reports status 30 like any other closed port.
    void Connect(DeviceBus& bus, std::ostream& err);
    // Both: the line taken and its port opened.
    [[nodiscard]] LineLease Open(LineUser user, std::ostream& err);

    drumo::Station& Station() { return station_; }
    Operator& Op() { return op_; }
    const LinkOptions& Options() const { return options_; }

private:
    LinkSession(Logging logging, std::ostream& err, Clock& clock);

    PosixSerialPort port_;
    ConsoleOperator op_;
    StreamLog streamLog_;
    NullLog noLog_;
    drumo::Station station_;
    LinkOptions options_;
    bool modbus_ = false;
};

// Prints the last transaction's status and message; on failure also the message to err. Returns
// the exit status.
int ReportStatus(const DeviceBus& bus, std::ostream& out, std::ostream& err);

// The settings file used when --settings is not given: the one the program would use, found the
// way the program finds it (DRUMO_HOME or the executable's folder when writable, otherwise the
// user's configuration folder).
std::string DefaultSettingsFile(const PathEnvironment& env = SystemPathEnvironment());

// The [Ports] section of a settings file, read as the program reads it; none when the file is
// missing, unreadable, no regular file or too large.
std::map<int, std::string> ConfiguredPorts(const std::string& settingsFile);

}  // namespace drumo::cli
