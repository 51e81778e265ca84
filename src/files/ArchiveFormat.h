#pragma once
// The text of archive files: the numbers, dates and lines of the ".dml" layout, and what a reader
// of any archive format reports. Lines are Windows-1251 bytes without their CR LF.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/DateTime.h"

namespace drumo {

inline constexpr int16_t ArchiveNoValue = -27300;

// The identity of a device as an archive file carries it. Texts are UTF-8.
struct ArchiveDeviceId {
    int16_t DevType = 0;
    uint16_t Address = 0;
    uint16_t Serial = 0;
    uint16_t Year = 0;
    std::string Firmware = "n/a";
    std::string Comment;
};

struct ArchiveCable {
    uint8_t Kind = 0;
    int16_t Serial = 0;
    std::vector<int16_t> Labels;
    std::vector<DateTime> Times;
    std::vector<std::vector<int16_t>> Values;  // [sensor][sample]
};

struct ArchiveDevice {
    ArchiveDeviceId Id;
    // Older files name the model instead of giving its type code; empty for ".dml" files.
    std::string TypeNameFromFile;
    bool HasTypeName = false;
    std::vector<ArchiveCable> Cables;
};

// Where a reader puts what it reads, in file order: a device, then its cables, each followed by
// its samples (one value per sensor of the cable, in sensor order).
class ArchiveSink {
public:
    virtual ~ArchiveSink() = default;
    virtual void Device(const ArchiveDevice& device) = 0;  // device.Cables is empty here
    virtual void Cable(uint8_t kind, int16_t serial, std::span<const int16_t> labels) = 0;
    virtual void Sample(DateTime time, std::span<const int16_t> values) = 0;
    // Several samples of the current cable at once: one time per sample, and the values sensor
    // after sensor (sensor s's value of sample k at values[s * times.size() + k]). Passes them to
    // Sample one by one unless a sink does better.
    virtual void Samples(std::span<const DateTime> times, std::span<const int16_t> values);
};

// What one archive file gave, whatever went wrong with it. Devices is filled only when the
// reader collects the data itself (ArchiveCollector); a reader feeding the store leaves it empty.
struct ArchiveResult {
    bool Opened = false;
    std::string ReadError;       // why it was not opened or not read to its end ("" otherwise)
    int ReadErrno = 0;           // the system's error number behind ReadError (0: none, or the reader's own)
    bool Completed = false;      // read to its end without an error other than a damaged line
    bool Signed = true;          // every check agreed
    bool CarriesSignature = true;  // false for a format that has no signature at all
    std::vector<size_t> DamagedLines;  // line numbers (from 1) of lines that failed to parse
    size_t StopLine = 0;         // where reading stopped when not completed (0: not known)
    std::vector<ArchiveDevice> Devices;
    // What was read, counted as it went to the sink.
    size_t DeviceCount = 0;
    size_t CableCount = 0;
    size_t SensorCount = 0;
    size_t SampleCount = 0;  // samples of all cables
    uint32_t ValidValues = 0;
    DateTime FirstSampleTime = 1000000.0;
    DateTime LastSampleTime = 0.0;

    size_t Damaged() const { return DamagedLines.size(); }
};

// A sink that keeps everything in ArchiveResult::Devices.
class ArchiveCollector final : public ArchiveSink {
public:
    explicit ArchiveCollector(std::vector<ArchiveDevice>& devices) : devices_(devices) {}
    void Device(const ArchiveDevice& device) override;
    void Cable(uint8_t kind, int16_t serial, std::span<const int16_t> labels) override;
    void Sample(DateTime time, std::span<const int16_t> values) override;

private:
    std::vector<ArchiveDevice>& devices_;
};

// Feeds collected data to another sink in file order.
void ReplayArchive(const std::vector<ArchiveDevice>& devices, ArchiveSink& sink);

// Decimal integers as the files hold them: leading spaces, an optional sign, at least one digit,
// nothing after. Values outside the target type fail, they are never wrapped.
bool ParseFileInt(std::string_view text, int64_t& out);
bool ParseFileInt16(std::string_view text, int16_t& out);
bool ParseFileUInt16(std::string_view text, uint16_t& out);
// A 16-bit register value written either signed (-32768..32767) or as its unsigned reading
// (0..65535); both name the same bit pattern.
bool ParseFileWord(std::string_view text, int16_t& out);

void AppendZeroPadded(std::string& out, int64_t value, size_t width);
void AppendRightAligned(std::string& out, int64_t value, size_t width);
void AppendSpaceFilled(std::string& out, std::string_view text, size_t width);

// "dd.mm.yy" and "hh:nn:ss" of a DateTime, to the whole second.
void AppendFileDate(std::string& out, DateTime value);
void AppendFileTime(std::string& out, DateTime value);
std::string FileDate(DateTime value);
std::string FileTime(DateTime value);

// "dd.mm.yy hh:nn:ss" (exactly these 17 characters; the year lies in 2000..2099).
bool ParseFileDateTime(std::string_view text, DateTime& out);
// Its two halves: "dd.mm.yy" and "hh:nn:ss" (exactly 8 characters each); the sum of the two is
// what ParseFileDateTime gives.
bool ParseFileDate(std::string_view text, DateTime& out);
bool ParseFileTime(std::string_view text, DateTime& out);

// The lines of the ".dml" layout, in Windows-1251.
std::string DmlHeaderLine(std::string_view programVersion, DateTime saved);
std::string DmlDeviceLine(const ArchiveDeviceId& device);
std::string DmlCableLine(uint8_t kind, int16_t serial, const std::vector<int16_t>& labels);
// A sample line without its check field: date, time, " n/a " and the temperatures.
void AppendDmlSampleBody(std::string& out, DateTime time, const int16_t* values, size_t count);
// The same written at p, which has room for DmlSampleBodyLength(count) bytes; returns its end.
char* PutDmlSampleBody(char* p, DateTime time, const int16_t* values, size_t count);
constexpr size_t DmlSampleBodyLength(size_t count) { return 22 + 7 * count; }
// The seven columns of every 16-bit temperature v as a sample line holds it, right-aligned, at
// (v + 32768) * 8 (the eighth byte is a space): a save copies each field from here, and a read
// takes a field as read when its bytes are the ones here. Built at the first use (512 KiB).
const char* TemperatureColumns();
// " (" + check byte zero-padded to 3 + ")".
void AppendDmlCheckField(std::string& out, uint8_t check);

// The running hash of the text files signed line by line ("[dmr]" archives, notebook files):
// the CRC of the line followed by the hash so far (Crc16OfString), as four upper-case hexadecimal
// digits. Starts empty.
void HashTextLine(std::string& hash, std::string_view line);

// The three fixed lines after the header, in Windows-1251.
const std::string& DmlWarningLine();
const std::string& DmlCommentsLine();
const std::string& DmlEmptyCommentLine();

}  // namespace drumo
