// The search shared by drumo-cli scan and poll (this file registers no subcommand).
#include "cli/CliAcquisition.h"

#include "model/Formats.h"
#include "link/PortMap.h"

#include <ostream>

namespace drumo::cli {

const char* const kSearchOptionsHelp =
    "  --protocol P     modbus (Modbus RTU, default) or hexar (the maker's command protocol)\n"
    "  --from A         first Modbus address, 1..255; default 1\n"
    "  --to B           last Modbus address, 1..255; default 247\n"
    "  --all-ports      when nothing answers on the port (given by number), try ports 1..255\n"
    "                   (a search's reply time-out is 100, 200, 400 or 800 ms; another value\n"
    "                   counts as 100, as in the program's search window)\n";

std::set<std::string> SearchOptionNames() {
    std::set<std::string> names = LinkOptionNames();
    names.insert({"protocol", "from", "to"});
    return names;
}

std::string ValueText(int hundredths) {
    return hundredths == NoValue ? std::string() : HundredthsText(hundredths, '.');
}

std::unique_ptr<AcquisitionSession> AcquisitionSession::FromArgs(const CliArgs& args, std::ostream& err,
                                                                 Clock& clock) {
    std::string protocol = args.Options.count("protocol") ? args.Options.at("protocol") : "modbus";
    if (protocol != "modbus" && protocol != "hexar") {
        err << "drumo-cli: --protocol wants modbus or hexar\n";
        return nullptr;
    }
    long from = 1, to = 247;
    if (args.Options.count("from") && !ParseNumber(args.Options.at("from"), 1, 255, from)) {
        err << "drumo-cli: --from wants an address 1..255\n";
        return nullptr;
    }
    if (args.Options.count("to") && !ParseNumber(args.Options.at("to"), 1, 255, to)) {
        err << "drumo-cli: --to wants an address 1..255\n";
        return nullptr;
    }
    if (from > to) {
        err << "drumo-cli: --from " << from << " is above --to " << to << '\n';
        return nullptr;
    }
    const bool modbus = protocol == "modbus";
    auto link = LinkSession::FromArgs(args, modbus, LinkSession::Logging::ToErr, err, clock);
    if (!link) return nullptr;
    const LinkOptions& options = link->Options();
    std::unique_ptr<AcquisitionSession> s(new AcquisitionSession(std::move(link), err));
    SearchSettings& wanted = s->wanted_;
    wanted.Protocol = modbus ? ExchangeProtocol::Modbus : ExchangeProtocol::Command;
    wanted.FindBeginAddr = static_cast<int>(from);
    wanted.FindFinishAddr = static_cast<int>(to);
    wanted.BaudRate = options.Baud;
    wanted.AdditionalDelay = options.Delay;  // the search takes it as the search window does
    wanted.AutoPortEnabled = args.Has("all-ports");
    if (const auto n = PortNumberOf(options.PortName)) wanted.PortDefault = *n;
    s->Station().SearchSettingsInUse().PortDefault = wanted.PortDefault;
    return s;
}

bool AcquisitionSession::Search() {
    const std::string& portName = link_->Options().PortName;
    drumo::Station& station = Station();
    const bool found =
        PortNumberOf(portName) ? station.RunSearch(wanted_) : station.SearchNamedPort(wanted_, portName);
    // A port that could not be opened is not the same as a line where nothing answers: name the
    // system's reason (missing, no serial port, held by another program, no right to it). After
    // trying every port the last one's reason would only mislead.
    const std::string& reason = station.PortError();
    if (!found && !wanted_.AutoPortEnabled && !reason.empty())
        *err_ << "drumo-cli: cannot open " << portName << ": " << reason << '\n';
    return found;
}

}  // namespace drumo::cli
