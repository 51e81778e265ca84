// drumo-cli modbus: one Modbus RTU request.
#include "cli/LinkSession.h"

#include <array>
#include <ostream>

namespace drumo::cli {

namespace {

const std::string kUsage = std::string(
    "usage: drumo-cli modbus [options] ADDRESS FUNCTION START COUNT [VALUE...]\n\n"
    "Sends one Modbus RTU request (8 data bits, no parity, 2 stop bits) and prints the outcome.\n"
    "  function 3   read COUNT holding registers (1..124) from START\n"
    "  function 8   diagnostics: START is the sub-function, COUNT the data word\n"
    "  function 16  write the VALUEs (COUNT of them, 1..123) to the registers from START\n"
    "  function 17  report server identification (START and COUNT are not used; give 0 0)\n"
    "ADDRESS is 1..255. Numbers are decimal or 0x hex.\n\n"
    "options:\n") + kLinkOptionsHelp +
    "\noutput:\n"
    "  status=N         0 on success, otherwise the status code\n"
    "  message=TEXT     the status message (empty on success)\n"
    "  count=N          functions 3 and 17, on success: registers received\n"
    "  registers=V ...  functions 3 and 17, on success: the registers in decimal\n"
    "  data=HH HH ...   function 17, on success: the same as bytes in hex\n"
    "exit status: 0 status 0; 1 the request failed (the message also goes to standard error;\n"
    "a port that cannot be opened gives status 30); 2 wrong usage.\n";

int Usage(std::ostream& err, const std::string& why) {
    err << "drumo-cli modbus: " << why << "\n";
    return kExitUsage;
}

int RunModbus(const CliArgs& args, std::ostream& out, std::ostream& err) {
    const auto& p = args.Positional;
    if (p.size() < 4) {
        err << "drumo-cli modbus: ADDRESS FUNCTION START COUNT are needed\n\n" << kUsage;
        return kExitUsage;
    }
    long address = 0, function = 0, start = 0, count = 0;
    if (!ParseNumber(p[0], 1, 255, address)) return Usage(err, "ADDRESS must be 1..255");
    if (!ParseNumber(p[1], 0, 255, function) || (function != 3 && function != 8 && function != 16 && function != 17))
        return Usage(err, "FUNCTION must be 3, 8, 16 or 17");
    if (!ParseNumber(p[2], 0, 65535, start)) return Usage(err, "START must be 0..65535");
    if (!ParseNumber(p[3], 0, 65535, count)) return Usage(err, "COUNT must be 0..65535");
    const size_t values = p.size() - 4;
    if (function == 3 && (count < 1 || count > 124)) return Usage(err, "function 3 reads 1..124 registers");
    if (function == 16 && (count < 1 || count > 123)) return Usage(err, "function 16 writes 1..123 registers");
    if (function == 16 && values != static_cast<size_t>(count))
        return Usage(err, "function 16 needs COUNT values, " + std::to_string(values) + " given");
    if (function != 16 && values > 0) return Usage(err, "only function 16 takes values");

    auto session = LinkSession::FromArgs(args, true, LinkSession::Logging::Quiet, err);
    if (!session) return kExitUsage;
    std::array<uint16_t, kRegisterBufferSize> data{};
    for (size_t i = 0; i < values; ++i) {
        long v = 0;
        if (!ParseNumber(p[4 + i], 0, 65535, v)) return Usage(err, "value '" + p[4 + i] + "' is not 0..65535");
        data[i] = static_cast<uint16_t>(v);
    }
    const LineLease line = session->Open(LineUser::DeviceSettings, err);
    if (!line) return kExitFailed;
    DeviceBus& bus = line.Bus();
    uint16_t received = static_cast<uint16_t>(count);
    const bool ok = bus.ModbusRequest(static_cast<uint8_t>(address), static_cast<uint8_t>(function),
                                      static_cast<uint16_t>(start), received, data.data());
    const int exit = ReportStatus(bus, out, err);
    if (ok && (function == 3 || function == 17)) {
        out << "count=" << received << '\n' << "registers=";
        std::vector<uint8_t> bytes;
        for (int i = 0; i < received; ++i) {
            out << (i ? " " : "") << data[i];
            bytes.push_back(static_cast<uint8_t>(data[i] >> 8));
            bytes.push_back(static_cast<uint8_t>(data[i] & 0xFF));
        }
        out << '\n';
        if (function == 17) out << "data=" << HexBytes(bytes.data(), bytes.size()) << '\n';
    }
    return exit;
}

const CliRegistration reg({"modbus", "one Modbus RTU request (Dorma controllers)", kUsage, RunModbus, {},
                           LinkOptionNames()});

}  // namespace

}  // namespace drumo::cli
