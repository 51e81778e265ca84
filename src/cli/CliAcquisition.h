#pragma once
// What drumo-cli scan and poll share: the device search on the port the options name, with the
// program's own search procedure, store and link.
//
// Options besides the link options:
//   --protocol modbus|hexar   Modbus RTU (default) or the maker's command protocol
//   --from A --to B           Modbus address range, 1..255 (default 1 and 247)
//   --all-ports               when nothing answers on the port (a number), try ports 1..255

#include "cli/LinkSession.h"

#include <iosfwd>
#include <memory>
#include <set>
#include <string>

namespace drumo::cli {

extern const char* const kSearchOptionsHelp;

// The names of the link and search options, for a subcommand's registration.
std::set<std::string> SearchOptionNames();

// The program's station over the port the options name, with the search the options ask for.
class AcquisitionSession {
public:
    // Reads the options; null (and the reason on err) for a bad value. The station runs on
    // `clock` (the machine's clock unless a test gives another).
    static std::unique_ptr<AcquisitionSession> FromArgs(const CliArgs& args, std::ostream& err,
                                                        Clock& clock = SystemClock::Instance());

    // Runs the search; true when at least one device was found. When the port could not be
    // opened, the reason goes to standard error.
    bool Search();

    drumo::Station& Station() { return link_->Station(); }
    MeasurementStore& Store() { return Station().Store(); }
    const SearchSettings& Settings() const { return link_->Station().SearchSettingsInUse(); }
    DeviceBus& Bus() { return Station().Bus(); }
    Operator& Op() { return link_->Op(); }

private:
    AcquisitionSession(std::unique_ptr<LinkSession> link, std::ostream& err) : link_(std::move(link)), err_(&err) {}

    std::unique_ptr<LinkSession> link_;
    SearchSettings wanted_;  // what the options ask for
    std::ostream* err_ = nullptr;
};

// Numbers of hundredths as text with a point: 2150 -> "21.5"; NoValue -> "".
std::string ValueText(int hundredths);

}  // namespace drumo::cli
