#pragma once
// Ready-made lines of simulated devices, and the small configuration file of drumo-sim.
//
// Presets: "hexar100" (a Hexar-1/100 on a short cable with a cable-number sensor), "hexar16"
// (a Hexar-1/16 whose cable has no serial number), "dorma-bus" (three Dorma controllers at Modbus
// addresses 1, 2 and 3 with 1, 2 and 6 cables).
//
// Configuration file: "#" starts a comment; a [line] section and one [device] section per device:
//   [line]
//   pacing = yes              hold each byte for its byte time
//   clock-speed = 60          device time runs 60 times faster (demos)
//   stream-period = 2000      ms between two sensor bursts of a Hexar (0: the device's setting)
//   any-baud = yes            understand requests at any speed
//   [device]
//   model = Dorma-2/200       Hexar-1/16, Hexar-1/100, Dorma-1/100, -2/200, -4/200, -6/200
//   address = 2               Modbus address (Dorma)
//   cables = 2                cables with sensors (up to the model's number)
//   sensors = 30              sensors per cable
//   serial = 1234             device serial number
//   fault-bits = 65           Dorma: internal failures reported in register 13 (bits 0..7)
//   fault = exception:2       see Faults.h
// A line holds either one Hexar or any number of Dorma controllers. Two controllers may share an
// address: both act on what is sent to it, and their replies collide into a garbled frame.

#include "sim/Bus.h"
#include "sim/CommandEndpoint.h"
#include "sim/Dorma.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace drumo::sim {

struct DeviceConfig {
    std::string Model;
    int Address = 1;
    int Cables = -1;   // -1: every cable of the model
    int Sensors = -1;  // -1: a different realistic number per cable
    int Serial = -1;   // -1: a serial of the preset
    int FaultBits = -1;  // register 13 of a Dorma (its internal failures), -1: none
    std::string Fault;
};

struct LineConfig {
    std::vector<DeviceConfig> Devices;
    bool Pacing = false;
    int ClockSpeed = 1;
    int StreamPeriodMs = 0;
    bool AnyBaud = false;
};

std::optional<LineConfig> PresetConfig(const std::string& name);
std::vector<std::string> PresetNames();

// Parses the configuration text. On failure returns false with "line N: what" in error.
bool ParseConfig(const std::string& text, LineConfig& config, std::string& error);

// A line of devices ready to open, and handles to its devices.
struct SimLine {
    std::unique_ptr<Bus> Line;
    CommandEndpoint* Command = nullptr;  // the Hexar's line, if it is one
    std::vector<Dorma*> Dormas;          // the Modbus stations, if they are
};

// Builds the devices of a configuration on the given clock. Nothing (and error) when the
// configuration names an unknown model or mixes protocols.
std::optional<SimLine> BuildLine(const LineConfig& config, Clock& clock, std::string& error);

// The devices of the presets, also used directly by tests.
std::unique_ptr<Hexar> MakeHexar100(Clock& clock);
std::unique_ptr<Hexar> MakeHexar16(Clock& clock);
// A Dorma with `cables` cables of about `sensors` sensors (varied per cable), a filled notebook,
// serial numbers, and a cable without serial number on multi-cable models.
std::unique_ptr<Dorma> MakeDorma(Clock& clock, uint16_t type, uint8_t address, int cables, int sensors = -1);

}  // namespace drumo::sim
