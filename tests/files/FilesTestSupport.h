#pragma once
// Shared pieces of the data-file tests: a store built from plain values, a log that keeps its
// lines, a temporary folder, and a reader of xls record streams.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "base/Services.h"
#include "model/DateTime.h"
#include "model/Store.h"

namespace drumo::test {

class RecordingLog final : public EventLog {
public:
    void Log(const std::string& text) override { lines.push_back(text); }
    bool Has(const std::string& text) const {
        for (const auto& l : lines)
            if (l == text) return true;
        return false;
    }
    std::vector<std::string> lines;
};

// A folder under /tmp removed with everything in it at the end of the test.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

struct CableSpec {
    uint8_t Kind = 1;
    int16_t Serial = 0;
    std::vector<int16_t> Labels;
    std::vector<std::pair<DateTime, std::vector<int16_t>>> Samples;
};

struct DeviceSpec {
    int16_t DevType = 103;
    uint16_t Serial = 0;
    uint16_t Year = 0;
    std::string Firmware = "n/a";
    uint16_t Address = 0;
    std::string Comment;
    std::string TypeName = "Dorma-1/100";
    std::vector<CableSpec> Cables;
};

void AddDevice(MeasurementStore& store, const DeviceSpec& device);

// The device of the archive format's worked example: Dorma-1/100 SN 1234 from 2017, firmware 1.5,
// address 1, comment "Silo 1", one cable of kind 1 (serial 123, sensors at 0.50 m and 1.50 m) with
// two samples five minutes apart, the second without a value for the second sensor.
DeviceSpec ExampleDevice();

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

struct XlsRecord {
    uint16_t Number;
    std::vector<uint8_t> Data;
};
// Splits a BIFF stream into records; an empty list when the stream is malformed.
std::vector<XlsRecord> XlsRecords(const std::vector<uint8_t>& stream);

}  // namespace drumo::test
