#pragma once
// A Hexar-1/16 or Hexar-1/100 controller: one thermocable of DS18B20 sensors, spoken to with the
// maker's command protocol. This class holds the device and answers complete, well-formed
// commands; CommandEndpoint does the framing, the status replies for malformed requests and the
// timing of the sensor stream.
//
// The sensors are kept in the controller's memory order. Each has a ROM code, a status, an ID code
// and two corrections (S30, an offset in sixteenths of a degree, and P100, a quadratic coefficient
// in tenths, or the cable number for a sensor whose status is 1..3). The mode command 4 sorts
// them by ID code; a sensor that carries the cable number is then hidden (ID 254, S30 0) and gives
// the cable its serial number and kind. Sensors with ID 253..255 are never measured.

#include "base/Services.h"
#include "sim/SimData.h"

#include <array>
#include <cstdint>
#include <vector>

namespace drumo::sim {

inline constexpr uint16_t Hexar16Type = 100;
inline constexpr uint16_t Hexar100Type = 101;

struct HexarSensor {
    std::array<uint8_t, 8> Rom{};
    uint8_t Status = 0;
    uint8_t Id = 0;
    int S30 = 0;      // sixteenths of a degree
    int P100 = 0;     // raw: tenths of the coefficient (as a positive magnitude), or the cable number
    int Position = 0; // place along the cable, 0 at the top
    double BiasC = 0; // the sensor's own error before correction
};

// The command length table of the protocol: 0 no command, 80 a read of variable length, 255 a
// write whose length the sender gives, else the number of data bytes.
int CommandTableLength(int code);

// One 7-byte sensor frame of the stream: sensor number 1..256 and thousandths of a degree.
std::array<uint8_t, 7> SensorFrame(int sensor, int thousandths);

class Hexar {
public:
    // `positions` sensors hang along the cable; the cable's kind and serial come from a sensor
    // that carries the cable number (cableNumberStatus 1..3, cableSerial), or, when
    // cableNumberStatus is 0, the cable has none and its sensors are numbered.
    Hexar(Clock& clock, uint16_t type, int positions, uint8_t cableNumberStatus, uint16_t cableSerial,
          uint32_t seed = 1);

    uint16_t Type() const { return type_; }
    bool Supports(int code) const;

    struct Answer {
        std::vector<uint8_t> Data;  // the data of a read
        uint8_t Status = 0;         // the status of a write, or of a read answered by a status
        bool IsData = false;
    };
    Answer Read(int code);
    // The status a write is answered with (0 accepted, 4 a value the device refuses).
    uint8_t Write(int code, const std::vector<uint8_t>& data);

    // The stream of one measurement: a frame per measured sensor, sensor 1 first.
    std::vector<uint8_t> StreamBurst() const;
    int64_t PeriodMs() const;  // the measuring period of the device's settings
    int Baud() const;          // the device's exchange speed

    // What the last write asked of the line (the endpoint acts on it once the reply is out).
    bool StopStreamRequested = false;
    bool PowerOffRequested = false;
    bool SearchRequested = false;

    // The device's state, for tests and the tool.
    bool PoweredOn = true;
    uint8_t Interface = 1;
    uint16_t Serial = 1;
    uint16_t Year = 2021;
    uint8_t Firmware = 23;
    int16_t SupplyHundredths = 1200;
    std::array<uint8_t, 3> Settings16 = {20, 1, 0};                  // period s, backlight, auto-off
    std::array<uint8_t, 10> Settings100 = {1, 1, 0, 0, 4, 0, 0, 0, 0, 0};  // see the settings read
    std::vector<HexarSensor>& Sensors() { return sensors_; }
    // Sensors that are measured, in memory order (indices into Sensors()).
    std::vector<int> Measured() const;
    uint16_t CableSerial() const;
    uint8_t CableKind() const;
    // Temperature a measured sensor (1-based) reports now, with its corrections; NaN: no reading.
    double Reported(int sensor) const;
    void SortById();  // what the mode command 4 does
    DateTime DeviceTime() const { return clock_.Now() + clockOffset_; }
    Climate& World() { return climate_; }
    // Warms the measured sensor `sensor` (1-based) by riseC for `seconds`.
    void Warm(int sensor, double riseC, double seconds);

    // Notebook: records (Hexar-1/100) or the nine pages (Hexar-1/16).
    std::vector<int16_t> NotebookWords;
    int NotebookRecords = 0;
    int NotebookMaxRecords = 1000;
    int NotebookSizeWords = 32768;
    int NotebookPointer = 0;
    std::array<uint8_t, 486> Pages{};

private:
    Answer Identification() const;
    Answer Configuration() const;
    Answer NotebookInfo() const;
    Answer NotebookBlock();
    Answer CorrectionBlock(int block) const;
    Answer RomBlock(int block) const;
    uint8_t WriteCorrections(int block, const std::vector<uint8_t>& data);
    uint8_t SetClock(const std::vector<uint8_t>& data);
    uint8_t Mode(uint8_t mode);

    Clock& clock_;
    uint16_t type_;
    SimCable cable_;  // the physical cable, one label per position, for the climate
    Climate climate_;
    std::vector<HexarSensor> sensors_;
    double clockOffset_ = 0.0;
};

}  // namespace drumo::sim
