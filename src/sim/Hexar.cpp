#include "sim/Hexar.h"

#include "link/SignMagnitude.h"

#include <algorithm>
#include <cmath>

namespace drumo::sim {
namespace {

constexpr int kPeriods100[] = {10, 20, 30, 60, 120, 180, 300, 600, 1200, 1800, 3600};
constexpr int kBauds[] = {2400, 4800, 9600, 19200, 38400, 57600, 115200};
constexpr int kBlockSensors = 26;

uint8_t DallasCrc8(const uint8_t* data, size_t n) {
    uint8_t crc = 0;
    for (size_t i = 0; i < n; ++i) {
        uint8_t b = data[i];
        for (int bit = 0; bit < 8; ++bit) {
            const bool mix = (crc ^ b) & 1;
            crc >>= 1;
            if (mix) crc ^= 0x8C;
            b >>= 1;
        }
    }
    return crc;
}

void PutSm(std::vector<uint8_t>& out, int value) {
    uint8_t hi = 0, lo = 0;
    IntToSignMagnitude(value, hi, lo);
    out.push_back(hi);
    out.push_back(lo);
}

// A three-byte sign-and-magnitude number (23-bit magnitude).
void PutSm3(std::vector<uint8_t>& out, int value) {
    const int m = std::min(std::abs(value), 0x7FFFFF);
    out.push_back(static_cast<uint8_t>((m >> 16) | (value < 0 ? 0x80 : 0)));
    out.push_back(static_cast<uint8_t>((m >> 8) & 0xFF));
    out.push_back(static_cast<uint8_t>(m & 0xFF));
}

}  // namespace

int CommandTableLength(int code) {
    switch (code) {
    case 1: return 16;
    case 2: case 3: return 80;
    case 16: case 17: case 18: case 19: case 20: case 21: case 22: case 23: return 80;
    case 30: return 14;
    case 31: return 80;
    case 39: return 10;
    case 40: return 80;
    case 41: return 3;
    case 58: case 59: return 2;
    case 70: return 7;
    case 71: case 73: return 1;
    case 84: case 85: case 86: case 87: return 255;
    case 94: return 3;
    case 95: case 96: case 97: return 2;
    case 98: return 10;
    default: return code >= 42 && code <= 50 ? 54 : 0;
    }
}

std::array<uint8_t, 7> SensorFrame(int sensor, int thousandths) {
    const int index = sensor - 1;
    const bool negative = thousandths < 0;
    const uint32_t m = static_cast<uint32_t>(std::min(std::abs(thousandths), 0x7FFFFF));
    std::array<uint8_t, 7> f{};
    f[0] = static_cast<uint8_t>(0x40 | ((index >> 4) & 0x0F));
    f[1] = static_cast<uint8_t>(0x80 | ((index & 0x0F) << 3) | (negative ? 0x04 : 0) | ((m >> 21) & 0x03));
    f[2] = static_cast<uint8_t>(0x80 | ((m >> 14) & 0x7F));
    f[3] = static_cast<uint8_t>(0x80 | ((m >> 7) & 0x7F));
    f[4] = static_cast<uint8_t>(0x80 | (m & 0x7F));
    const int checksum = 16382 - (f[0] + f[1] + f[2] + f[3] + f[4]);
    f[5] = static_cast<uint8_t>(0x80 | ((checksum >> 7) & 0x7F));
    f[6] = static_cast<uint8_t>(0x80 | (checksum & 0x7F));
    return f;
}

Hexar::Hexar(Clock& clock, uint16_t type, int positions, uint8_t cableNumberStatus, uint16_t cableSerial,
             uint32_t seed)
    : clock_(clock), type_(type), climate_(seed) {
    Interface = type == Hexar16Type ? 1 : 2;
    Serial = static_cast<uint16_t>(type == Hexar16Type ? 1601 : 10042);
    cable_ = MakeCable(cableSerial, cableNumberStatus, positions);
    cable_.Shape = Profile::HotSpot;
    cable_.SpotSensor = positions * 2 / 3;
    cable_.SpotRiseC = 6.0;
    cable_.Flaky = {positions / 3};
    // Measured sensors get ID codes in their order along the cable: decimetres for a short cable
    // (status 1), metres for a long one (2), numbers otherwise.
    for (int p = 0; p < positions; ++p) {
        HexarSensor s;
        s.Position = p;
        s.Id = static_cast<uint8_t>(cableNumberStatus == 1 ? std::min(250, 5 * (p + 1)) : std::min(250, p + 1));
        s.Rom = {0x28, static_cast<uint8_t>(p * 37 + seed), static_cast<uint8_t>(p * 11 + 3),
                 static_cast<uint8_t>(seed >> 8), 0x05, 0x00, 0x00, 0};
        s.Rom[7] = DallasCrc8(s.Rom.data(), 7);
        const double u = std::sin(p * 12.9898 + seed * 78.233) * 43758.5453;
        s.BiasC = (u - std::floor(u) - 0.5) * 0.5;  // within a quarter of a degree
        sensors_.push_back(s);
    }
    if (cableNumberStatus != 0) {
        HexarSensor carrier;
        carrier.Position = positions;  // the cable-number sensor sits at the cable's end
        carrier.Status = cableNumberStatus;
        carrier.Id = 254;
        carrier.P100 = cableSerial;
        carrier.Rom = {0x28, 0xC0, 0xFF, 0xEE, static_cast<uint8_t>(cableSerial >> 8),
                       static_cast<uint8_t>(cableSerial & 0xFF), 0x00, 0};
        carrier.Rom[7] = DallasCrc8(carrier.Rom.data(), 7);
        sensors_.push_back(carrier);
        cable_.Labels.push_back(0);
    }
}

bool Hexar::Supports(int code) const {
    const bool h16 = type_ == Hexar16Type;
    switch (code) {
    case 1: case 40: case 58: case 59: case 70: case 73: case 95: case 96:
    case 16: case 17: case 18: case 19: case 84: case 85: case 86: case 87:
        return true;
    case 41: case 94:
        return h16;
    case 20: case 21: case 22: case 23: case 30: case 31: case 39: case 97: case 98:
        return !h16;
    default:
        return h16 && code >= 42 && code <= 50;
    }
}

std::vector<int> Hexar::Measured() const {
    std::vector<int> measured;
    for (size_t i = 0; i < sensors_.size(); ++i) {
        if (sensors_[i].Id < 253) measured.push_back(static_cast<int>(i));
    }
    return measured;
}

uint16_t Hexar::CableSerial() const {
    for (const auto& s : sensors_) {
        if (s.Status != 0 && s.Id == 254) return static_cast<uint16_t>(s.P100);
    }
    return 0;
}

uint8_t Hexar::CableKind() const {
    for (const auto& s : sensors_) {
        if (s.Status != 0 && s.Id == 254 && s.P100 != 0) return s.Status;
    }
    return 0;
}

double Hexar::Reported(int sensor) const {
    const auto measured = Measured();
    if (sensor < 1 || sensor > static_cast<int>(measured.size())) return std::nan("");
    const HexarSensor& s = sensors_[measured[sensor - 1]];
    // The world runs on the simulation's time; the device's own clock only stamps its records.
    const double t = climate_.Celsius(cable_, 0, s.Position, clock_.Now());
    if (std::isnan(t)) return t;
    double reported = t + s.BiasC + s.S30 / 16.0;
    if (s.Status == 0) reported += (-s.P100 / 10.0) * (t - 35.0) * (t - 35.0) / 5625.0;
    return std::round(reported * 16.0) / 16.0;  // the sensor's resolution
}

void Hexar::Warm(int sensor, double riseC, double seconds) {
    const auto measured = Measured();
    if (sensor < 1 || sensor > static_cast<int>(measured.size())) return;
    climate_.Warm(0, sensors_[measured[sensor - 1]].Position, riseC, clock_.Now(), seconds);
}

void Hexar::SortById() {
    for (auto& s : sensors_) {
        if (s.Status != 0) {
            s.Id = 254;
            s.S30 = 0;
        }
    }
    std::stable_sort(sensors_.begin(), sensors_.end(),
                     [](const HexarSensor& a, const HexarSensor& b) { return a.Id < b.Id; });
}

std::vector<uint8_t> Hexar::StreamBurst() const {
    std::vector<uint8_t> burst;
    const int n = static_cast<int>(Measured().size());
    for (int i = 1; i <= n; ++i) {
        const double t = Reported(i);
        const int thousandths = std::isnan(t) ? 1000000 : static_cast<int>(std::lround(t * 1000.0));
        const auto frame = SensorFrame(i, thousandths);
        burst.insert(burst.end(), frame.begin(), frame.end());
    }
    return burst;
}

int64_t Hexar::PeriodMs() const {
    if (type_ == Hexar16Type) return int64_t{std::clamp<int>(Settings16[0], 5, 90)} * 1000;
    return int64_t{kPeriods100[std::min<int>(Settings100[0], 10)]} * 1000;
}

int Hexar::Baud() const {
    if (type_ == Hexar16Type) return 19200;
    const int code = Settings100[4];
    return code >= 1 && code <= 7 ? kBauds[code - 1] : 19200;
}

Hexar::Answer Hexar::Read(int code) {
    switch (code) {
    case 1: return Identification();
    case 40: return Configuration();
    case 30:
        // The information starts a new read of the notebook from its first block.
        NotebookPointer = 0;
        return NotebookInfo();
    case 31: return NotebookBlock();
    case 39: {
        Answer a{std::vector<uint8_t>(Settings100.begin(), Settings100.end()), 0, true};
        IntToSignMagnitude(SupplyHundredths, a.Data[5], a.Data[6]);
        return a;
    }
    case 41: return Answer{std::vector<uint8_t>(Settings16.begin(), Settings16.end()), 0, true};
    case 58: case 59: {
        Answer a{{}, 0, true};
        PutSm(a.Data, code == 58 ? Year : Serial);
        return a;
    }
    case 16: case 17: case 18: case 19: return CorrectionBlock(code - 16);
    case 20: case 21: case 22: case 23: return RomBlock(code - 20);
    default:
        if (code >= 42 && code <= 50) {
            const int page = code - 42;
            return Answer{std::vector<uint8_t>(Pages.begin() + page * 54, Pages.begin() + page * 54 + 54), 0, true};
        }
        return Answer{{}, 3, false};
    }
}

Hexar::Answer Hexar::Identification() const {
    Answer a{{}, 0, true};
    a.Data.push_back(static_cast<uint8_t>(type_));
    a.Data.push_back(Interface);
    PutSm(a.Data, Serial);
    PutSm(a.Data, Year);
    PutSm(a.Data, type_ == Hexar16Type ? 16 : 100);
    a.Data.insert(a.Data.end(), 4, 0);
    PutSm(a.Data, static_cast<int>(Measured().size()));
    a.Data.push_back(Firmware);
    a.Data.push_back(1);
    return a;
}

Hexar::Answer Hexar::Configuration() const {
    Answer a{{}, 0, true};
    const uint16_t serial = CableSerial();
    a.Data.push_back(static_cast<uint8_t>(serial >> 8));
    a.Data.push_back(static_cast<uint8_t>(serial & 0xFF));
    for (int i : Measured()) a.Data.push_back(sensors_[i].Id);
    a.Data.push_back(CableKind());
    return a;
}

Hexar::Answer Hexar::NotebookInfo() const {
    Answer a{{}, 0, true};
    PutSm(a.Data, NotebookRecords);
    PutSm(a.Data, NotebookMaxRecords);
    PutSm3(a.Data, static_cast<int>(NotebookWords.size()));
    PutSm3(a.Data, NotebookSizeWords);
    PutSm(a.Data, SupplyHundredths);
    a.Data.push_back(Settings100[3] != 0 ? 1 : 0);
    a.Data.push_back(0);  // the reply is 14 bytes long; the last one is spare
    return a;
}

Hexar::Answer Hexar::NotebookBlock() {
    Answer a{{}, 0, true};
    const int offset = NotebookPointer * 64;
    const int available = std::max(0, static_cast<int>(NotebookWords.size()) - offset);
    for (int i = 0; i < std::min(64, available); ++i) PutSm(a.Data, NotebookWords[offset + i]);
    ++NotebookPointer;
    return a;
}

Hexar::Answer Hexar::CorrectionBlock(int block) const {
    Answer a{{}, 0, true};
    const int first = block * kBlockSensors;
    const int last = std::min<int>(first + kBlockSensors, static_cast<int>(sensors_.size()));
    for (int i = first; i < last; ++i) {
        const HexarSensor& s = sensors_[i];
        a.Data.push_back(s.Status);
        a.Data.push_back(s.Id);
        PutSm(a.Data, s.S30);
        PutSm(a.Data, s.P100);
    }
    return a;
}

Hexar::Answer Hexar::RomBlock(int block) const {
    Answer a{{}, 0, true};
    const int first = block * kBlockSensors;
    const int last = std::min<int>(first + kBlockSensors, static_cast<int>(sensors_.size()));
    for (int i = first; i < last; ++i) a.Data.insert(a.Data.end(), sensors_[i].Rom.begin(), sensors_[i].Rom.end());
    return a;
}

uint8_t Hexar::Write(int code, const std::vector<uint8_t>& d) {
    switch (code) {
    case 70: return SetClock(d);
    case 73: return Mode(d[0]);
    case 84: case 85: case 86: case 87: return WriteCorrections(code - 84, d);
    case 94:
        // A device takes back the value it holds, even one outside the range it offers.
        if ((d[0] < 5 || d[0] > 90) && d[0] != Settings16[0]) return 4;
        Settings16 = {d[0], static_cast<uint8_t>(d[1] ? 1 : 0), static_cast<uint8_t>(d[2] ? 1 : 0)};
        return 0;
    case 98:
        if ((d[0] > 10 && d[0] != Settings100[0]) || (d[3] > 10 && d[3] != Settings100[3]) ||
            ((d[4] < 1 || d[4] > 7) && d[4] != Settings100[4]))
            return 4;
        // Bytes 5..9 are the device's own (its supply voltage among them) and are not taken.
        Settings100[0] = d[0];
        Settings100[1] = d[1] ? 1 : 0;
        Settings100[2] = d[2] ? 1 : 0;
        Settings100[3] = d[3];
        Settings100[4] = d[4];
        return 0;
    case 95: case 96: {
        const int value = SignMagnitudeToInt(d[0], d[1], -1);
        if (code == 95) {
            if (value < 2000 || value > 2099) return 4;
            Year = static_cast<uint16_t>(value);
        } else {
            if (value < 0) return 4;
            Serial = static_cast<uint16_t>(value);
        }
        return 0;
    }
    case 97: {
        const int block = SignMagnitudeToInt(d[0], d[1], -1);
        if (block < 0 || block * 64 > static_cast<int>(NotebookWords.size())) return 4;
        NotebookPointer = block;
        return 0;
    }
    default:
        return 3;
    }
}

uint8_t Hexar::SetClock(const std::vector<uint8_t>& d) {
    DateTime date = 0, time = 0;
    if (d[3] < 1 || d[3] > 7 || d[6] > 99 || !TryEncodeDate(2000 + d[6], d[5], d[4], date) ||
        !TryEncodeTime(d[2], d[1], d[0], 0, time)) {
        return 4;
    }
    clockOffset_ = date + time - clock_.Now();
    return 0;
}

uint8_t Hexar::Mode(uint8_t mode) {
    switch (mode) {
    case 0:
        StopStreamRequested = true;
        return 0;
    case 2:
        NotebookWords.clear();
        NotebookRecords = 0;
        NotebookPointer = 0;
        Pages.fill(0);
        return 0;
    case 3:
        PowerOffRequested = true;
        return 0;
    case 4:
        SearchRequested = true;
        return 0;
    default:
        return 4;
    }
}

uint8_t Hexar::WriteCorrections(int block, const std::vector<uint8_t>& d) {
    if (d.size() % 6 != 0 || d.size() > 6 * kBlockSensors) return 2;
    const int first = block * kBlockSensors;
    const int n = static_cast<int>(d.size() / 6);
    if (first + n > static_cast<int>(sensors_.size())) return 4;
    for (int j = 0; j < n; ++j) {
        HexarSensor& s = sensors_[first + j];
        const uint8_t* r = d.data() + 6 * j;
        s.Status = r[0];
        s.Id = r[1];
        s.S30 = SignMagnitudeToInt(r[2], r[3], -1);
        s.P100 = SignMagnitudeToInt(r[4], r[5], -1);
    }
    return 0;
}

}  // namespace drumo::sim
