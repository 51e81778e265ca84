#pragma once
// The notebook memory of a logger: records of sensor readings, each with the cable it came from
// and its own time stamp, laid out as 16-bit words exactly as the devices keep them:
//   word 0 record number, 1 cable serial, 2 kind * 256 + sensor count,
//   3 seconds * 256 + minutes, 4 hours * 256 + day, 5 month * 256 + (year - 2000),
//   then a label and a value per sensor.
// The small Hexar-1/16 keeps nine fixed pages of 54 bytes instead.

#include "sim/SimData.h"

#include <array>
#include <cstdint>
#include <vector>

namespace drumo::sim {

struct NotebookRecord {
    int Number = 0;
    uint16_t CableSerial = 0;
    uint8_t Kind = 0;
    int Year = 2025, Month = 1, Day = 1, Hour = 0, Minute = 0, Second = 0;
    std::vector<int16_t> Labels;  // in the notebook's own units: see LabelForNotebook
    std::vector<int16_t> Values;  // hundredths
};

// The label of a sensor as a notebook record keeps it: kinds 0 and 3 the sensor number, kind 1
// tenths of a metre, kind 2 whole metres, kind 4 the quantity code. Cable labels are hundredths.
int16_t LabelForNotebook(uint8_t kind, int16_t hundredths);

// Appends a record to a word buffer.
void AppendRecord(std::vector<int16_t>& words, const NotebookRecord& record);

// A record of every cable at one moment, as a logger writes it.
NotebookRecord RecordOf(const SimCable& cable, int cableIndex, const Climate& climate, DateTime when,
                        int number);

// A filled notebook: `rounds` rounds over all cables, one hour apart, ending before `until`;
// when `withInvalidTime` the second record carries an impossible time (25 o'clock), as a logger
// whose clock was never set writes it.
struct NotebookContent {
    std::vector<int16_t> Words;
    int Records = 0;
};
NotebookContent SampleNotebook(const std::vector<SimCable>& cables, const Climate& climate, DateTime until,
                               int rounds, bool withInvalidTime);

// The nine pages of the Hexar-1/16: up to 17 sensors each (value as sign and magnitude, then the
// label byte), the cable serial in bytes 51-52 and kind << 6 | count in byte 53. Pages after
// `filled` are empty (count 0).
std::array<uint8_t, 486> SamplePages(const SimCable& cable, const Climate& climate, DateTime until, int filled);

}  // namespace drumo::sim
