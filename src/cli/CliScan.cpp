// drumo-cli scan: the device search, and what it found.
#include "cli/CliAcquisition.h"

#include "model/DeviceTypes.h"

#include <ostream>

namespace drumo::cli {

namespace {

const std::string kUsage = std::string(
    "usage: drumo-cli scan [options]\n\n"
    "Searches the port for devices as the program's search does: the one controller of the\n"
    "maker's protocol, or every Modbus address of the range; prints what it found.\n\n"
    "options:\n") + kLinkOptionsHelp + kSearchOptionsHelp +
    "\noutput (one line per item; the last field of a line runs to its end):\n"
    "  port=NAME\n"
    "  devices=N  cables=N  sensors=N   (one line each)\n"
    "  device=D address=A type=NAME serial=NNNNN firmware=X.Y year=Y cables=N sensors=N comment=TEXT\n"
    "  cable=D/C serial=N kind=K sensors=N labels=L ...   (labels in the kind's unit)\n"
    "The search's log lines go to standard error. Exit status 0 when a device was found, 1 when\n"
    "none was, 2 for wrong usage.\n";

// The device keeps its comment padded with spaces to the field's width; the listing shows the text.
std::string CommentText(const std::string& comment) {
    const size_t end = comment.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : comment.substr(0, end + 1);
}

int RunScan(const CliArgs& args, std::ostream& out, std::ostream& err) {
    if (!args.Positional.empty()) {
        err << "drumo-cli scan: unexpected '" << args.Positional.front() << "'\n\n" << kUsage;
        return kExitUsage;
    }
    auto session = AcquisitionSession::FromArgs(args, err);
    if (!session) return kExitUsage;
    const bool found = session->Search();
    MeasurementStore& store = session->Store();
    out << "port=" << session->Bus().PortName() << '\n'
        << "devices=" << store.DeviceCount() << '\n'
        << "cables=" << store.CableCount() << '\n'
        << "sensors=" << store.SensorCount() << '\n';
    for (size_t d = 0; d < store.Devices() && d < store.DeviceCount(); ++d) {
        const TDevSig& dev = store.DevSig(d);
        out << "device=" << d + 1 << " address=" << dev.Address << " type=" << dev.TypeName
            << " serial=" << SerialText(dev.Serial) << " firmware=" << dev.Firmware << " year=" << dev.Year
            << " cables=" << int{dev.Cables} << " sensors=" << dev.Sensors
            << " comment=" << CommentText(dev.Comment) << '\n';
        for (size_t c = 0; c < store.Cables(d); ++c) {
            out << "cable=" << d + 1 << '/' << c + 1 << " serial=" << store.CableSerials(d)[c]
                << " kind=" << int{store.CableKinds(d)[c]} << " sensors=" << store.Sensors(d, c) << " labels=";
            const auto labels = store.SensorLabels(d, c);
            for (size_t s = 0; s < labels.size(); ++s) out << (s ? " " : "") << ValueText(labels[s]);
            out << '\n';
        }
    }
    if (!found) err << "drumo-cli scan: no device found\n";
    return found ? kExitOk : kExitFailed;
}

const CliRegistration reg({"scan", "search a port for devices and list them", kUsage, RunScan, {"all-ports"},
                           SearchOptionNames()});

}  // namespace

}  // namespace drumo::cli
