// drumo-cli sensors: the correction table and the ROM codes of a Hexar controller's sensors.
#include "calibration/Corrections.h"
#include "calibration/RomCodes.h"
#include "cli/CliAcquisition.h"
#include "model/Cp1251.h"
#include "model/Formats.h"

#include <ostream>

namespace drumo::cli {

namespace {

const std::string kUsage = std::string(
    "usage: drumo-cli sensors read [options]\n"
    "       drumo-cli sensors write [options] FILE.dms\n"
    "       drumo-cli sensors search [options]\n"
    "       drumo-cli sensors roms [options]\n\n"
    "The sensors of the controller of the maker's protocol on the port (found by a search first).\n"
    "  read    prints the correction table as a sensor file (.dms): per sensor its ID Code, S30,\n"
    "          P100 and Status, each followed by a TAB, lines ended by CR LF\n"
    "  write   writes a sensor file's table into the sensors; refused, with nothing sent, when its\n"
    "          rows do not match the controller's sensors or a value is outside the limits\n"
    "          (S30 -0.5..0.4375, P100 -1.5..0 for ordinary sensors, ID Code a whole number\n"
    "          0..255, Status 0..3, a cable number a whole number of at most 32767); the file\n"
    "          is checked before the port is searched, and may use either decimal mark\n"
    "  search  lets the controller search its sensors and sort them by ID Code\n"
    "  roms    prints the sensors' ROM codes, one line each: the number and the code\n\n"
    "options:\n") + kLinkOptionsHelp +
    "exit status: 0 done; 1 no controller found, a transaction failed, a read ended early or\n"
    "the write was refused (the reason goes to standard error); 2 wrong usage, or the file is\n"
    "missing, unreadable or no sensor file (nothing was done).\n";

// The controller found on the port.
std::unique_ptr<AcquisitionSession> Connect(const CliArgs& args, std::ostream& err) {
    CliArgs hexar = args;
    hexar.Options["protocol"] = "hexar";
    auto session = AcquisitionSession::FromArgs(hexar, err);
    if (!session) return nullptr;
    if (!session->Search()) {
        err << "drumo-cli sensors: no controller found\n";
        return nullptr;
    }
    return session;
}

int RunSensors(const CliArgs& args, std::ostream& out, std::ostream& err) {
    const std::string what = args.Positional.empty() ? "" : args.Positional[0];
    const size_t operands = what == "write" ? 2 : 1;
    if ((what != "read" && what != "write" && what != "search" && what != "roms") || args.Positional.size() != operands) {
        err << "drumo-cli sensors: read, write FILE.dms, search or roms\n\n" << kUsage;
        return kExitUsage;
    }
    // A write looks at its file before it touches the line: a file that is missing, no sensor file
    // or holds values a sensor cannot take is refused with nothing searched, read or sent.
    CorrectionTable table;
    if (what == "write") {
        ConsoleOperator fileOp(false, &err);
        if (!LoadSensorFile(args.Positional[1], table, fileOp)) return kExitUsage;
        TableRefusal refusal;
        if (!table.Check(table.CompleteRows(), DecimalMark(), refusal)) {
            fileOp.Error(refusal.Text);
            return kExitFailed;
        }
    }

    auto session = Connect(args, err);
    if (!session) return kExitFailed;
    // The calibration exchanges hold the line until the command ends.
    const LineLease line = session->Station().Take(LineUser::Calibration);
    if (!line) {
        err << "drumo-cli sensors: the line is held by another procedure\n";
        return kExitFailed;
    }
    DeviceBus& bus = line.Bus();
    const MeasurementStore& store = session->Store();
    Operator& op = session->Op();

    if (what == "search") return StartSensorSearch(bus, store, {}, op) ? kExitOk : kExitFailed;
    if (what == "roms") {
        std::vector<RomCodeRow> rows;
        if (!ReadRomCodes(bus, store, rows, op)) return kExitFailed;
        for (const auto& row : rows) out << row.Number << row.Code << '\n';
        return kExitOk;
    }
    // The write needs the controller's sensor count: the table is read first in both cases, and
    // only a read that ended well counts.
    CorrectionTable device;
    CorrectionView view;
    ReadCorrections(bus, store, device, op, view);
    if (!device.ReadWhole) return kExitFailed;
    if (what == "read") {
        out << Utf8ToCp1251(device.FileText());
        return kExitOk;
    }
    table.SensorCount = device.SensorCount;
    table.ReadWhole = true;
    // Nothing is measured here, so no graph line counts.
    struct NoLines final : CalibrationLines {
        int LineCount() const override { return 0; }
        size_t PointCount(int) const override { return 0; }
        std::vector<double> NewestPoints(int, size_t) const override { return {}; }
        bool CurrentValueReadable(int) const override { return false; }
    } lines;
    if (!WriteCorrections(bus, store, table, lines, op, SystemClock::Instance(), view)) return kExitFailed;
    out << "written=" << table.SensorCount << '\n';
    return kExitOk;
}

const CliRegistration reg({"sensors", "correction table and ROM codes of a Hexar controller's sensors", kUsage,
                           RunSensors, {}, LinkOptionNames()});

}  // namespace

}  // namespace drumo::cli
