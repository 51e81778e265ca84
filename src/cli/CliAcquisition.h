#pragma once
// What drumo-cli scan and poll share: the device search on the port the options name, with the
// program's own search procedure, store and link.
//
// Options besides the link options:
//   --protocol modbus|hexar   Modbus RTU (default) or the maker's command protocol
//   --from A --to B           Modbus address range, 1..255 (default 1 and 247)
//   --all-ports               when nothing answers on the port (a number), try ports 1..255

#include "station/Station.h"
#include "cli/LinkSession.h"
#include "link/PosixSerialPort.h"

#include <iosfwd>
#include <memory>
#include <set>
#include <string>

namespace drumo::cli {

extern const char* const kSearchOptionsHelp;

// The names of the link and search options, for a subcommand's registration.
std::set<std::string> SearchOptionNames();

// Log lines of the procedures on standard error, each with the time of day in front.
class StreamLog final : public EventLog {
public:
    explicit StreamLog(std::ostream& out, const Clock& clock = SystemClock::Instance()) : out_(out), clock_(clock) {}
    void Log(const std::string& text) override;

private:
    std::ostream& out_;
    const Clock& clock_;
};

// The program's station over the port the options name.
class AcquisitionSession {
public:
    // Reads the options; null (and the reason on err) for a bad value. The station runs on
    // `clock` (the machine's clock unless a test gives another).
    static std::unique_ptr<AcquisitionSession> FromArgs(const CliArgs& args, std::ostream& err,
                                                        Clock& clock = SystemClock::Instance());

    // Runs the search; true when at least one device was found. When the port could not be
    // opened, the reason goes to standard error.
    bool Search();

    drumo::Station& Station() { return station_; }
    MeasurementStore& Store() { return station_.Store(); }
    const SearchSettings& Settings() const { return station_.SearchSettingsInUse(); }
    DeviceBus& Bus() { return station_.Bus(); }
    Operator& Op() { return op_; }

private:
    AcquisitionSession(std::ostream& err, Clock& clock);

    PosixSerialPort port_;
    ConsoleOperator op_;
    StreamLog log_;
    drumo::Station station_;
    SearchSettings wanted_;  // what the options ask for
    std::string portName_;
    std::ostream* err_ = nullptr;
};

// Numbers of hundredths as text with a point: 2150 -> "21.5"; NoValue -> "".
std::string ValueText(int hundredths);

}  // namespace drumo::cli
