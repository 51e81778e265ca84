#pragma once
// A Dorma controller: a Modbus RTU server with one to six thermocables.
//
// Holding registers:
//   0..15     identification: type, interface, serial, year, firmware * 10, maximum sensors,
//             cables, sensors, -, (single-cable devices: sensors, cable serial, kind), supply
//             voltage in hundredths, fault bits, -, -
//   16..31    comment, 32 Windows-1251 characters, two per register, the first in the high byte
//   32..40    address, protocol, speed code (5 = 2400 .. 11 = 115200), measuring period,
//             notebook auto-save, auto-save period, temperature inside (read only), heating,
//             switch-on delay (a write of the block must carry 0 for the temperature inside)
//   45        write 2 to erase the notebook          46  notebook block pointer
//   47        active cable                           48..54 clock (s, min, h, weekday, day, month, yy)
//   64..69    factory data (type, interface, serial, year, 0, write code 7316), write only
//   80..85    notebook: records, most records, used words, size in words, voltage, auto-save;
//             reading register 80 puts the block pointer back to block 0
//   128..     cable table: serial, kind * 256 + sensors, per cable
//   256..     labels of the active cable, hundredths     512.. temperatures of the active cable
//   768..831  the notebook block at the pointer; each read from 768 moves the pointer on
// Function 8: sub-function 0 echo, 0xFFF0 with data 0 starts the boot loader; function 17
// identification. Anything else is answered with an exception.

#include "base/Services.h"
#include "sim/BootLoader.h"
#include "sim/Notebook.h"
#include "sim/RtuEndpoint.h"
#include "sim/SimData.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace drumo::sim {

inline constexpr uint16_t FactoryWriteCode = 7316;

struct DormaModel {
    uint16_t Type;
    const char* Name;
    int Cables;
    int MaxSensors;
};
// Dorma-1/100, -2/200, -4/200, -6/200 by type code; nullptr for another code.
const DormaModel* FindDormaModel(uint16_t type);
int BaudOfSpeedCode(int code);  // 5..11; 0 for another code

class Dorma final : public ModbusServer {
public:
    // The model's cables: `cables` may hold fewer than the model has (the others have no sensors).
    Dorma(Clock& clock, uint16_t type, uint8_t address, std::vector<SimCable> cables, uint32_t seed = 1);

    bool Answers(uint8_t address) const override;
    bool Hears(const LineState& line) const override;
    std::optional<ModbusReply> Handle(uint8_t address, const uint8_t* pdu, size_t n) override;
    void Tick() override;

    // State, for tests and the tool.
    uint8_t Address() const { return static_cast<uint8_t>(settings_[0]); }
    int SpeedCode() const { return settings_[2]; }
    void SetSpeedCode(int code) { settings_[2] = static_cast<uint16_t>(code); }
    bool StrictSpeed = true;  // bytes at another speed than the device's own are not understood
    DeviceIdentity& Identity() { return id_; }
    uint8_t Interface = 5;     // RS-485
    uint16_t FaultBits = 0;    // register 13, besides the bits the device sets itself
    int16_t SupplyHundredths = 2410;
    std::string Comment() const;  // as stored, Windows-1251
    void SetComment(const std::string& cp1251);
    const std::array<uint16_t, 9>& Settings() const { return settings_; }
    // Any values, also those the device's own lists do not have (register 38 stays measured).
    void SetSettings(const std::array<uint16_t, 9>& values) { settings_ = values; }
    int ActiveCable() const { return activeCable_; }
    std::vector<SimCable>& Cables() { return cables_; }
    Climate& World() { return climate_; }
    // Warms sensor `sensor` of cable `cable` (both from 0) by riseC for `seconds`.
    void Warm(int cable, int sensor, double riseC, double seconds);
    BootLoader& Boot() { return boot_; }
    DateTime DeviceTime() const { return clock_.Now() + clockOffset_; }

    // The notebook.
    void SetNotebook(NotebookContent content);
    const std::vector<int16_t>& NotebookWords() const { return notebook_; }
    int NotebookRecords() const { return records_; }
    int NotebookPointer() const { return pointer_; }
    int NotebookMaxRecords = 0;       // 0: the device does not say
    int NotebookSizeWords = 65535;

    // Temperatures of a cable as the device measures them now, hundredths.
    std::vector<int16_t> Temperatures(int cable) const;

private:
    std::optional<ModbusReply> Read(const uint8_t* pdu, size_t n);
    std::optional<ModbusReply> Write(const uint8_t* pdu, size_t n);
    std::optional<ModbusReply> Diagnostics(const uint8_t* pdu, size_t n);
    std::optional<ModbusReply> Identify() const;
    // Register value, or nothing for a register the device does not have.
    std::optional<uint16_t> Register(int r) const;
    uint8_t ApplyWrite(int start, const std::vector<uint16_t>& values);  // exception code or 0
    int SensorsOf(int cable) const;
    int TotalSensors() const;
    DateTime MeasuredAt() const;
    int16_t InsideHundredths() const;
    void AutoRecord();

    Clock& clock_;
    const DormaModel* model_;
    DeviceIdentity id_;
    std::vector<SimCable> cables_;
    Climate climate_;
    BootLoader boot_;
    std::array<uint8_t, 32> comment_{};
    // Registers 32..40: address, protocol, speed code, period, auto-save, auto-save period,
    // temperature inside, heating, switch-on delay.
    std::array<uint16_t, 9> settings_{};
    int activeCable_ = 0;
    double clockOffset_ = 0.0;  // device clock minus simulation clock, days
    std::vector<int16_t> notebook_;
    int records_ = 0;
    int pointer_ = 0;
    DateTime nextAutoRecord_ = 0.0;
};

}  // namespace drumo::sim
