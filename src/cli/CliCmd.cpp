// drumo-cli cmd: one command of the maker's protocol.
#include "cli/LinkSession.h"

#include <array>
#include <ostream>

namespace drumo::cli {

namespace {

const std::string kUsage = std::string(
    "usage: drumo-cli cmd [options] CODE [BYTE...]\n\n"
    "Sends one command of the maker's protocol and prints the outcome. CODE 1..63 reads (no\n"
    "bytes), 64..127 writes: the BYTEs are its data, exactly as many as the command takes (any\n"
    "number up to 255 for the correction-table writes 84..87). Numbers are decimal or 0x hex.\n\n"
    "options:\n") + kLinkOptionsHelp +
    "\noutput:\n"
    "  status=N         0 on success, otherwise the status code\n"
    "  message=TEXT     the status message (empty on success)\n"
    "  length=N         reads only, on success: number of data bytes received\n"
    "  data=HH HH ...   reads only, on success: the data bytes in hex\n"
    "exit status: 0 status 0; 1 the command failed (the message also goes to standard error;\n"
    "a port that cannot be opened gives status 30); 2 wrong usage.\n";

int RunCmd(const CliArgs& args, std::ostream& out, std::ostream& err) {
    if (args.Positional.empty()) {
        err << "drumo-cli cmd: CODE is missing\n\n" << kUsage;
        return kExitUsage;
    }
    long code = 0;
    if (!ParseNumber(args.Positional[0], 1, 127, code)) {
        err << "drumo-cli cmd: CODE must be 1..127\n";
        return kExitUsage;
    }
    const size_t given = args.Positional.size() - 1;
    const int tableLength = CommandLength(static_cast<int>(code), static_cast<int>(given));
    if (tableLength < 0) {
        err << "drumo-cli cmd: " << code << " is not a command of the protocol\n";
        return kExitUsage;
    }
    if (code <= 63 && given > 0) {
        err << "drumo-cli cmd: a read (code 1..63) takes no data bytes\n";
        return kExitUsage;
    }
    if (code >= 64 && (given != static_cast<size_t>(tableLength) || given > 255)) {
        err << "drumo-cli cmd: command " << code << " takes " << tableLength << " data bytes, " << given
            << " given\n";
        return kExitUsage;
    }

    auto session = LinkSession::FromArgs(args, false, LinkSession::Logging::Quiet, err);
    if (!session) return kExitUsage;
    std::array<uint8_t, kCommandBufferSize> data{};
    for (size_t i = 0; i < given; ++i) {
        long b = 0;
        if (!ParseNumber(args.Positional[i + 1], 0, 255, b)) {
            err << "drumo-cli cmd: data byte '" << args.Positional[i + 1] << "' is not 0..255\n";
            return kExitUsage;
        }
        data[i] = static_cast<uint8_t>(b);
    }
    const LineLease line = session->Open(LineUser::DeviceSettings, err);
    if (!line) return kExitFailed;
    DeviceBus& bus = line.Bus();
    // A read answered by a bare status gives no count: start from none.
    uint16_t length = code <= 63 ? 0 : static_cast<uint16_t>(given);
    const bool ok = bus.DeviceCommand(static_cast<int>(code), data.data(), length);
    const int exit = ReportStatus(bus, out, err);
    if (ok && code <= 63) {
        out << "length=" << length << '\n' << "data=" << HexBytes(data.data(), length) << '\n';
    }
    return exit;
}

const CliRegistration reg({"cmd", "one command of the maker's protocol (Hexar controllers)", kUsage, RunCmd, {},
                           LinkOptionNames()});

}  // namespace

}  // namespace drumo::cli
