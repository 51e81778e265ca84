#include "sim/Presets.h"

#include "sim/Faults.h"

#include <algorithm>
#include <charconv>
#include <sstream>

namespace drumo::sim {
namespace {

struct ModelName {
    const char* Name;
    uint16_t Type;
};
const ModelName kModels[] = {
    {"Hexar-1/16", Hexar16Type}, {"Hexar-1/100", Hexar100Type}, {"Dorma-1/100", 103},
    {"Dorma-2/200", 105},        {"Dorma-4/200", 106},          {"Dorma-6/200", 107},
};

std::optional<uint16_t> TypeOfModel(const std::string& name) {
    for (const auto& m : kModels) {
        if (name == m.Name) return m.Type;
    }
    return std::nullopt;
}

std::string Trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

bool ToInt(const std::string& text, int& out) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size();
}

bool ToBool(const std::string& text, bool& out) {
    if (text == "yes" || text == "on" || text == "1" || text == "true") return out = true, true;
    if (text == "no" || text == "off" || text == "0" || text == "false") return out = false, true;
    return false;
}

DeviceConfig Device(const char* model, int address = 1) {
    DeviceConfig d;
    d.Model = model;
    d.Address = address;
    return d;
}

}  // namespace

std::vector<std::string> PresetNames() { return {"hexar100", "hexar16", "dorma-bus"}; }

std::optional<LineConfig> PresetConfig(const std::string& name) {
    LineConfig config;
    if (name == "hexar100") {
        config.Devices.push_back(Device("Hexar-1/100"));
    } else if (name == "hexar16") {
        config.Devices.push_back(Device("Hexar-1/16"));
    } else if (name == "dorma-bus") {
        config.Devices.push_back(Device("Dorma-1/100", 1));
        config.Devices.push_back(Device("Dorma-2/200", 2));
        config.Devices.push_back(Device("Dorma-6/200", 3));
    } else {
        return std::nullopt;
    }
    return config;
}

bool ParseConfig(const std::string& text, LineConfig& config, std::string& error) {
    std::istringstream in(text);
    std::string raw;
    int number = 0;
    enum { None, Line, Device } section = None;
    auto fail = [&](const std::string& what) {
        error = "line " + std::to_string(number) + ": " + what;
        return false;
    };
    while (std::getline(in, raw)) {
        ++number;
        std::string line = Trim(raw.substr(0, raw.find('#')));
        if (line.empty()) continue;
        if (line == "[line]") {
            section = Line;
            continue;
        }
        if (line == "[device]") {
            section = Device;
            config.Devices.emplace_back();
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string::npos) return fail("expected key = value or a [section]");
        const std::string key = Trim(line.substr(0, eq));
        const std::string value = Trim(line.substr(eq + 1));
        int n = 0;
        bool b = false;
        if (section == Line) {
            if (key == "pacing" && ToBool(value, b)) {
                config.Pacing = b;
            } else if (key == "any-baud" && ToBool(value, b)) {
                config.AnyBaud = b;
            } else if (key == "clock-speed" && ToInt(value, n) && n >= 1 && n <= 100000) {
                config.ClockSpeed = n;
            } else if (key == "stream-period" && ToInt(value, n) && n >= 0) {
                config.StreamPeriodMs = n;
            } else {
                return fail("bad setting " + key + " = " + value);
            }
        } else if (section == Device) {
            DeviceConfig& d = config.Devices.back();
            if (key == "model" && TypeOfModel(value)) {
                d.Model = value;
            } else if (key == "address" && ToInt(value, n) && n >= 1 && n <= 254) {
                d.Address = n;
            } else if (key == "cables" && ToInt(value, n) && n >= 0 && n <= 6) {
                d.Cables = n;
            } else if (key == "sensors" && ToInt(value, n) && n >= 0 && n <= 124) {
                d.Sensors = n;
            } else if (key == "serial" && ToInt(value, n) && n >= 0 && n <= 65535) {
                d.Serial = n;
            } else if (key == "fault-bits" && ToInt(value, n) && n >= 0 && n <= 255) {
                d.FaultBits = n;
            } else if (key == "fault" && ParseFault(value)) {
                d.Fault = value;
            } else {
                return fail("bad setting " + key + " = " + value);
            }
        } else {
            return fail("a setting outside [line] or [device]");
        }
    }
    for (size_t i = 0; i < config.Devices.size(); ++i) {
        if (config.Devices[i].Model.empty()) {
            error = "device " + std::to_string(i + 1) + ": no model";
            return false;
        }
    }
    return true;
}

std::unique_ptr<Hexar> MakeHexar100(Clock& clock) {
    // 50 sensors every half metre, and a sensor that carries the short cable's number 1234.
    auto h = std::make_unique<Hexar>(clock, Hexar100Type, 50, 1, 1234, 101);
    h->NotebookWords.clear();
    SimCable cable = MakeCable(1234, 1, 50);
    const NotebookContent content = SampleNotebook({cable, MakeCable(0, 0, 12)}, h->World(), clock.Now(), 3, true);
    h->NotebookWords = content.Words;
    h->NotebookRecords = content.Records;
    return h;
}

std::unique_ptr<Hexar> MakeHexar16(Clock& clock) {
    // 16 numbered sensors, no cable-number sensor: the cable has no serial number.
    auto h = std::make_unique<Hexar>(clock, Hexar16Type, 16, 0, 0, 16);
    h->Pages = SamplePages(MakeCable(0, 0, 16), h->World(), clock.Now(), 5);
    return h;
}

std::unique_ptr<Dorma> MakeDorma(Clock& clock, uint16_t type, uint8_t address, int cables, int sensors) {
    const DormaModel* model = FindDormaModel(type);
    const int modelCables = model ? model->Cables : 1;
    const int withSensors = cables < 0 ? modelCables : std::min(cables, modelCables);
    std::vector<SimCable> list;
    for (int c = 0; c < withSensors; ++c) {
        // A mix of cable kinds; on devices with several cables the second has no serial number.
        const int n = sensors >= 0 ? sensors : 12 + (address * 7 + c * 5) % 20;
        const uint8_t kinds[] = {1, 0, 2, 3, 1, 2};
        const bool noSerial = withSensors > 1 && c == 1;
        SimCable cable = MakeCable(noSerial ? 0 : static_cast<uint16_t>(2000 + address * 100 + c + 1),
                                   noSerial ? 0 : kinds[c % 6], n);
        cable.TopC = 16.0 - c;
        cable.BottomC = 5.0 + c * 0.5;
        if (c == withSensors - 1 && n > 4) {
            cable.Shape = Profile::HotSpot;
            cable.SpotSensor = n / 2;
            cable.SpotRiseC = 9.0;
        }
        if (n > 3) cable.Flaky = {n - 2};
        list.push_back(std::move(cable));
    }
    auto d = std::make_unique<Dorma>(clock, type, address, list, 1000u + address);
    d->SetNotebook(SampleNotebook(list, d->World(), clock.Now(), 4, true));
    return d;
}

std::optional<SimLine> BuildLine(const LineConfig& config, Clock& clock, std::string& error) {
    if (config.Devices.empty()) {
        error = "no devices";
        return std::nullopt;
    }
    BusOptions options;
    options.Pacing = config.Pacing;
    SimLine line;
    const bool hexar = config.Devices.front().Model.rfind("Hexar", 0) == 0;
    if (hexar) {
        if (config.Devices.size() != 1) {
            error = "a Hexar is alone on its line";
            return std::nullopt;
        }
        const DeviceConfig& d = config.Devices.front();
        auto device = d.Model == "Hexar-1/16" ? MakeHexar16(clock) : MakeHexar100(clock);
        if (d.Serial >= 0) device->Serial = static_cast<uint16_t>(d.Serial);
        auto endpoint = std::make_unique<CommandEndpoint>(clock, std::move(device));
        // Waits that belong to the line rather than to the device's day stay in real seconds
        // when the device clock runs faster.
        endpoint->SearchMs *= config.ClockSpeed;
        if (endpoint->Boot()) endpoint->Boot()->TimeoutMs *= config.ClockSpeed;
        endpoint->StrictSpeed = !config.AnyBaud;
        endpoint->StreamPeriodMs = config.StreamPeriodMs;
        if (!d.Fault.empty()) endpoint->Faults().Set(*ParseFault(d.Fault));
        line.Command = endpoint.get();
        line.Line = std::make_unique<Bus>(std::move(endpoint), options);
        return line;
    }
    auto endpoint = std::make_unique<RtuEndpoint>();
    for (const DeviceConfig& d : config.Devices) {
        const auto type = TypeOfModel(d.Model);
        if (!type || *type == Hexar16Type || *type == Hexar100Type) {
            error = "a Hexar cannot share a Modbus line: " + d.Model;
            return std::nullopt;
        }
        auto dorma = MakeDorma(clock, *type, static_cast<uint8_t>(d.Address), d.Cables, d.Sensors);
        dorma->StrictSpeed = !config.AnyBaud;
        dorma->Boot().TimeoutMs *= config.ClockSpeed;
        if (d.FaultBits >= 0) dorma->FaultBits = static_cast<uint16_t>(d.FaultBits);
        if (d.Serial >= 0) dorma->Identity().Serial = static_cast<uint16_t>(d.Serial);
        if (!d.Fault.empty()) dorma->Faults().Set(*ParseFault(d.Fault));
        line.Dormas.push_back(endpoint->Add(std::move(dorma)));
    }
    line.Line = std::make_unique<Bus>(std::move(endpoint), options);
    return line;
}

}  // namespace drumo::sim
