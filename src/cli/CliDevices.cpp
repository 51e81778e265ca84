// drumo-cli settings and serial: a device's settings and factory data, read, and written with
// named values that are checked as the program's dialogs check them.
#include "cli/CliDevices.h"

#include "acquisition/SearchSettings.h"
#include "devices/DeviceSettings.h"
#include "devices/SerialNumbers.h"

#include <climits>
#include <ostream>

namespace drumo::cli {

bool StreamOperator::Ask(const std::string& text) {
    Error(text);
    return false;
}

void StreamOperator::Error(const std::string& text) {
    std::string line = text;
    for (size_t at; (at = line.find("\r\n")) != std::string::npos;) line.replace(at, 2, " ");
    err_ << "drumo-cli: " << line << '\n';
}

bool ParseAssignments(const std::vector<std::string>& words, std::map<std::string, std::string>& values,
                      std::string& error) {
    for (const auto& word : words) {
        const size_t eq = word.find('=');
        if (eq == std::string::npos || eq == 0) {
            error = "'" + word + "' is not NAME=VALUE";
            return false;
        }
        if (!values.emplace(word.substr(0, eq), word.substr(eq + 1)).second) {
            error = word.substr(0, eq) + " is given twice";
            return false;
        }
    }
    return true;
}

bool ReadAddress(const CliArgs& args, uint8_t& address, std::ostream& err, const char* command) {
    address = 255;
    if (!args.Options.count("address")) return true;
    long value = 0;
    if (!ParseNumber(args.Options.at("address"), 1, 255, value)) {
        err << "drumo-cli " << command << ": --address must be 1..255\n";
        return false;
    }
    address = static_cast<uint8_t>(value);
    return true;
}

namespace {

enum class Model { Hexar16, Hexar100, Dorma, None };

Model ModelOf(long type) {
    switch (type) {
    case 100: return Model::Hexar16;
    case 101: return Model::Hexar100;
    case 103: case 105: case 106: case 107: return Model::Dorma;
    default: return Model::None;
    }
}

// The named values, each taken out of `values` as it is used; what is left is unknown.
class Values {
public:
    explicit Values(std::map<std::string, std::string> values) : values_(std::move(values)) {}
    // A whole number, or a speed in bit/s turned into its list position.
    bool Take(const char* name, int& target, long lo = -100000, long hi = 100000) {
        auto it = values_.find(name);
        if (it == values_.end()) return true;
        // A number outside the value's range is reported as such; the value's own range (the
        // control's) is checked later, when it is known whether the operator changed it.
        const std::string& text = it->second;
        const bool negative = text.size() > 1 && text[0] == '-';
        long v = 0;
        if (!ParseNumber(negative ? text.substr(1) : text, 0, LONG_MAX, v)) {
            error_ = std::string(name) + " '" + text + "' is not a number";
            return false;
        }
        if (negative) v = -v;
        if (v < lo || v > hi) {
            error_ = std::string(name) + " '" + text + "' is out of range " + std::to_string(lo) + ".." +
                     std::to_string(hi);
            return false;
        }
        target = static_cast<int>(v);
        values_.erase(it);
        return true;
    }
    bool Take(const char* name, bool& target) {
        int v = target ? 1 : 0;
        if (!Take(name, v, 0, 1)) return false;
        target = v == 1;
        return true;
    }
    bool TakeSpeed(int& item) {
        int baud = -1;
        if (!Take("speed", baud, 0, 1000000)) return false;
        if (baud < 0) return true;  // not named: the device's value stays, listed or not
        if (ItemFromBaud(baud) == 3 && baud != 19200) {
            error_ = "speed must be 2400, 4800, 9600, 19200, 38400, 57600 or 115200";
            return false;
        }
        item = ItemFromBaud(baud);
        return true;
    }
    bool Named(const char* name) const { return values_.count(name) > 0; }
    // Every name was known.
    bool Done() {
        if (!error_.empty()) return false;
        if (!values_.empty()) error_ = "unknown value '" + values_.begin()->first + "'";
        return values_.empty();
    }
    const std::string& Error() const { return error_; }
    void Refuse(const std::string& why) { error_ = why; }

private:
    std::map<std::string, std::string> values_;
    std::string error_;
};

int Failed(DeviceBus& bus, std::ostream& out, std::ostream& err) {
    out << "status=" << bus.LinkStatus() << '\n' << "message=" << bus.LinkStatusMessage() << '\n';
    err << "drumo-cli: " << bus.LinkStatusMessage() << '\n';
    return kExitFailed;
}

int Usage(const char* command, const std::string& why, std::ostream& err) {
    err << "drumo-cli " << command << ": " << why << '\n';
    return kExitUsage;
}

// A list position with its item, or the device's own value that the list does not have.
std::string Item(int item, const char* text) {
    return std::to_string(item) + " " + (*text ? std::string(text) : std::string("(not in the list)"));
}

std::string Speed(int item) {
    return Listed(item, BaudItemCount) ? std::to_string(BaudFromItem(item)) : "(not in the list)";
}

void Print(std::ostream& out, const Hexar16Settings& s) {
    out << "period=" << s.Period << "\nbacklight=" << s.Backlight << "\nautooff=" << s.AutoOff << '\n';
}

void Print(std::ostream& out, const Hexar100Settings& s) {
    out << "period=" << Item(s.Period, Hexar100PeriodText(s.Period)) << "\nbacklight=" << s.Backlight
        << "\nautooff=" << s.AutoOff << "\nautowrite=" << Item(s.AutoWrite, Hexar100AutoWriteText(s.AutoWrite))
        << "\nspeed=" << Speed(s.SpeedItem) << "\nsupply=" << SupplyText(s) << '\n';
}

void Print(std::ostream& out, const DormaSettings& s) {
    out << "address=" << s.Address << "\nprotocol=" << s.Protocol << "\nspeed=" << Speed(s.SpeedItem)
        << "\nperiod=" << Item(s.Period, DormaPeriodText(s.Period)) << "\nautosave=" << s.AutoSave
        << "\nautosave-period=" << Item(s.AutoSavePeriod, DormaAutoSaveText(s.AutoSavePeriod))
        << "\ninside=" << InsideTemperatureText(s.InsideHundredths) << "\nheating=" << s.Heating
        << "\ndelay=" << s.SwitchOnDelay << '\n';
}

// Reads the settings, takes the named values, checks them and writes them all back.
// `check` runs after the range check: the rules between values (list coupling, test items).
template <class S, class Read, class Write, class Apply, class Check>
int ReadApplyWrite(DeviceBus& bus, Values& values, bool write, Read read, Write writeTo, Apply apply, Check check,
                   std::ostream& out, std::ostream& err) {
    S s;
    if (!read(s)) return Failed(bus, out, err);
    if (write) {
        if (!apply(s) || !values.Done()) return Usage("settings", values.Error(), err);
        if (const std::string why = RangeError(s); !why.empty()) return Usage("settings", why, err);
        if (!check(s)) return Usage("settings", values.Error(), err);
        if (!writeTo(s)) return Failed(bus, out, err);
        // The settings as the device holds them now (at its new address, when that changed).
        if (!read(s)) return Failed(bus, out, err);
    }
    out << "status=0\nmessage=\n";
    Print(out, s);
    return kExitOk;
}

const std::string kSettingsUsage = std::string(
    "usage: drumo-cli settings [options] --type CODE [--address N] [--test-items] [NAME=VALUE...]\n\n"
    "Reads a device's settings as the dialog \"Настройки прибора\" shows them; with NAME=VALUE\n"
    "words it reads them, changes the named values, checks every value as the dialog does, writes\n"
    "them all back and reads them again. Nothing is written when a value is refused.\n"
    "  --type 100 (Hexar-1/16)   period=5..90 backlight=0|1 autooff=0|1\n"
    "  --type 101 (Hexar-1/100)  period=0..10 backlight=0|1 autooff=0|1 autowrite=0..10 speed=BAUD\n"
    "                            (list positions: 0 \"10 секунд\" .. 10 \"1 час\"; autowrite 0 is off\n"
    "                            and may not be more frequent than the measuring period)\n"
    "  --type 103, 105..107 (Dorma)  address=1..255 speed=BAUD period=0..5 autosave=0|1\n"
    "                            autosave-period=0..7 heating=0|1 delay=0..60; the test items\n"
    "                            (period 0, autosave-period 0) only with --test-items. Whether another\n"
    "                            device has the new address is not known here: check with scan.\n"
    "  --address N               the Dorma's Modbus address (default 255)\n\n"
    "options:\n") + kLinkOptionsHelp +
    "\noutput: status=N, message=TEXT, then NAME=VALUE lines of the settings as read.\n"
    "exit status: 0 success; 1 the device transaction failed; 2 wrong usage or a value refused.\n";

int RunSettings(const CliArgs& args, std::ostream& out, std::ostream& err) {
    long type = 0;
    if (!args.Options.count("type") || !ParseNumber(args.Options.at("type"), 0, 65535, type) ||
        ModelOf(type) == Model::None)
        return Usage("settings", "--type must be 100, 101, 103, 105, 106 or 107", err);
    std::map<std::string, std::string> named;
    std::string error;
    if (!ParseAssignments(args.Positional, named, error)) return Usage("settings", error, err);
    uint8_t address = 255;
    if (!ReadAddress(args, address, err, "settings")) return kExitUsage;
    const Model model = ModelOf(type);
    const bool write = !named.empty();
    const bool testItems = args.Flags.count("test-items") > 0;
    Values values(std::move(named));

    auto session = LinkSession::FromArgs(args, model == Model::Dorma, LinkSession::Logging::Quiet, err);
    if (!session) return kExitUsage;
    const LineLease line = session->Open(LineUser::DeviceSettings, err);
    if (!line) return kExitFailed;
    DeviceBus& bus = line.Bus();
    switch (model) {
    case Model::Hexar16:
        return ReadApplyWrite<Hexar16Settings>(
            bus, values, write, [&](auto& s) { return ReadSettings(bus, s); },
            [&](const auto& s) { return WriteSettings(bus, s); },
            [&](auto& s) { return values.Take("period", s.Period) && values.Take("backlight", s.Backlight) &&
                                  values.Take("autooff", s.AutoOff); },
            [](const auto&) { return true; }, out, err);
    case Model::Hexar100:
        return ReadApplyWrite<Hexar100Settings>(
            bus, values, write, [&](auto& s) { return ReadSettings(bus, s); },
            [&](const auto& s) { return WriteSettings(bus, s); },
            [&](auto& s) {
                return values.Take("period", s.Period) && values.Take("backlight", s.Backlight) &&
                       values.Take("autooff", s.AutoOff) && values.Take("autowrite", s.AutoWrite) &&
                       values.TakeSpeed(s.SpeedItem);
            },
            [&](const auto& s) {
                if (CoupledAutoWrite(s.Period, s.AutoWrite) != s.AutoWrite) {
                    values.Refuse("autowrite must be 0 or at least the period " + std::to_string(s.Period));
                    return false;
                }
                return true;
            },
            out, err);
    default: {
        int period = 0, autoSave = 0;
        return ReadApplyWrite<DormaSettings>(
            bus, values, write, [&](auto& s) { return ReadSettings(bus, address, s); },
            [&](const auto& s) {
                if (!WriteSettings(bus, address, s)) return false;
                address = static_cast<uint8_t>(s.Address);
                return true;
            },
            [&](auto& s) {
                period = s.Period;
                autoSave = s.AutoSavePeriod;
                return values.Take("address", s.Address) && values.TakeSpeed(s.SpeedItem) &&
                       values.Take("period", s.Period) && values.Take("autosave", s.AutoSave) &&
                       values.Take("autosave-period", s.AutoSavePeriod) && values.Take("heating", s.Heating) &&
                       values.Take("delay", s.SwitchOnDelay);
            },
            [&](const auto& s) {
                // A test item the device already has may stay; choosing one needs --test-items.
                if (!testItems && ((s.Period == 0 && period != 0) || (s.AutoSavePeriod == 0 && autoSave != 0))) {
                    values.Refuse("the test items (period 0, autosave-period 0) need --test-items");
                    return false;
                }
                return true;
            },
            out, err);
    }
    }
}

const std::string kSerialUsage = std::string(
    "usage: drumo-cli serial [options] --type CODE [--address N] [--yes] [NAME=VALUE...]\n\n"
    "Reads a device's factory data as the dialog \"Серийный номер прибора\" shows them; with\n"
    "NAME=VALUE words and --yes it writes them (all of them: the values not named are written as\n"
    "read) and reads them again.\n"
    "  --type 100, 101 (Hexar)   serial=0..32000 year=2010..2099\n"
    "  --type 103, 105..107 (Dorma)  type=100..107 interface=0..5 serial=1..32000 year=2011..2099\n"
    "  --address N               the Dorma's Modbus address (default 255)\n\n"
    "options:\n") + kLinkOptionsHelp +
    "\noutput: status=N, message=TEXT, then NAME=VALUE lines of the factory data as read.\n"
    "exit status: 0 success; 1 the device transaction failed; 2 wrong usage, a value refused, or\n"
    "values without --yes.\n";

int RunSerial(const CliArgs& args, std::ostream& out, std::ostream& err) {
    long type = 0;
    if (!args.Options.count("type") || !ParseNumber(args.Options.at("type"), 0, 65535, type) ||
        ModelOf(type) == Model::None)
        return Usage("serial", "--type must be 100, 101, 103, 105, 106 or 107", err);
    std::map<std::string, std::string> named;
    std::string error;
    if (!ParseAssignments(args.Positional, named, error)) return Usage("serial", error, err);
    if (!named.empty() && !args.Flags.count("yes")) return Usage("serial", "writing factory data needs --yes", err);
    uint8_t address = 255;
    if (!ReadAddress(args, address, err, "serial")) return kExitUsage;
    const bool dorma = ModelOf(type) == Model::Dorma;
    const bool write = !named.empty();
    Values values(std::move(named));

    auto session = LinkSession::FromArgs(args, dorma, LinkSession::Logging::Quiet, err);
    if (!session) return kExitUsage;
    const LineLease line = session->Open(LineUser::DeviceSettings, err);
    if (!line) return kExitFailed;
    DeviceBus& bus = line.Bus();
    if (dorma) {
        DormaFactory f;
        if (!ReadFactory(bus, address, f)) return Failed(bus, out, err);
        if (write) {
            int code = f.TypeItem + 100;
            if (!values.Take("type", code, 100, 107) || !values.Take("interface", f.Interface) ||
                !values.Take("serial", f.Serial) || !values.Take("year", f.Year) || !values.Done())
                return Usage("serial", values.Error(), err);
            f.TypeItem = code - 100;
            if (const std::string why = RangeError(f); !why.empty()) return Usage("serial", why, err);
            if (!WriteFactory(bus, address, f) || !ReadFactory(bus, address, f)) return Failed(bus, out, err);
        }
        out << "status=0\nmessage=\ntype=" << f.TypeItem + 100 << "\ninterface=" << f.Interface
            << "\nserial=" << f.Serial << "\nyear=" << f.Year << '\n';
        return kExitOk;
    }
    HexarFactory f;
    if (!ReadFactory(bus, f)) return Failed(bus, out, err);
    if (write) {
        f.YearTyped = values.Named("year");
        if (!values.Take("serial", f.Serial) || !values.Take("year", f.Year) || !values.Done())
            return Usage("serial", values.Error(), err);
        if (const std::string why = RangeError(f); !why.empty()) return Usage("serial", why, err);
        if (!WriteFactory(bus, f) || !ReadFactory(bus, f)) return Failed(bus, out, err);
    }
    // A year the device did not give is not made up.
    out << "status=0\nmessage=\nserial=" << f.Serial << "\nyear="
        << (f.YearRead.Held() ? std::to_string(f.Year) : std::string("(not read)")) << '\n';
    return kExitOk;
}

std::set<std::string> DeviceOptionNames() {
    auto names = LinkOptionNames();
    names.insert({"type", "address"});
    return names;
}

const CliRegistration settingsReg({"settings", "read or write a device's settings", kSettingsUsage, RunSettings,
                                   {"test-items"}, DeviceOptionNames()});
const CliRegistration serialReg({"serial", "read or write a device's factory data (serial number)", kSerialUsage,
                                 RunSerial, {"yes"}, DeviceOptionNames()});

}  // namespace

}  // namespace drumo::cli
