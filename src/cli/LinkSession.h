#pragma once
// The link as the subcommands use it: one port opened from the common options, a channel and a
// DeviceLink over it.
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
#include "link/DeviceLink.h"
#include "link/PosixSerialPort.h"

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

// Puts the options into a channel and its link: port name, port map, baud rate, the reply
// time-out, and 2 stop bits for Modbus RTU or 1 for the command protocol.
void ApplyLinkOptions(const LinkOptions& options, bool modbus, TSerialChannel& channel, DeviceLink& link);

class LinkSession {
public:
    // Reads the common options; on a bad value returns null and writes why to err.
    // Modbus RTU runs with 2 stop bits and DTR raised, the command protocol with 1 and DTR low.
    static std::unique_ptr<LinkSession> FromArgs(const CliArgs& args, bool modbus, std::ostream& err);

    // Opens the port. On failure the reason goes to err; the transaction that follows then
    // reports status 30 like any other closed port.
    bool Open(std::ostream& err);

    DeviceLink& Link() { return link_; }
    TSerialChannel& Channel() { return channel_; }

private:
    LinkSession();
    PosixSerialPort port_;
    TSerialChannel channel_;
    DeviceLink link_;
    bool modbus_ = false;
};

// Prints status and message; on failure also the message to err. Returns the exit status.
int ReportStatus(const DeviceLink& link, std::ostream& out, std::ostream& err);

// The settings file used when --settings is not given: the one the program would use, found the
// way the program finds it (DRUMO_HOME or the executable's folder when writable, otherwise the
// user's configuration folder).
std::string DefaultSettingsFile(const PathEnvironment& env = SystemPathEnvironment());

// The [Ports] section of a settings file, read as the program reads it; none when the file is
// missing, unreadable, no regular file or too large.
std::map<int, std::string> ConfiguredPorts(const std::string& settingsFile);

}  // namespace drumo::cli
