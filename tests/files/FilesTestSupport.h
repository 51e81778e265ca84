#pragma once
// Shared pieces of the data-file tests: a store built from plain values, a temporary folder, and
// a reader of xls record streams.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "base/Services.h"
#include "model/DateTime.h"
#include "model/Store.h"
#include "support/RecordingLog.h"
#include "support/StoreFill.h"

namespace drumo::test {

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
