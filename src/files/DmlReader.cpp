#include "files/ArchiveReader.h"
#include "files/Crc8.h"
#include "model/Cp1251.h"
#include "model/SafeFile.h"
#include "model/Store.h"

#include <bit>
#include <cstring>

namespace drumo {

namespace {

constexpr std::string_view CrLf = "\r\n";
constexpr size_t MaxDevices = 65535;
constexpr size_t MaxCablesPerDevice = 255;
constexpr size_t MaxSensorsPerCable = 255;
constexpr char CopyrightSign = '\xA9';  // "©" in Windows-1251

// Columns as the layout counts them: from 1, cut at the end of the line.
std::string_view Columns(std::string_view line, size_t first, size_t count) {
    if (first - 1 >= line.size()) return {};
    return line.substr(first - 1, count);
}

// A temperature field of a sample line: leading spaces, an optional sign and digits filling the
// field to its end. False when it does not parse or leaves 16 bits.
inline bool ParseTemperature(const char* p, const char* end, int16_t& out) {
    while (p < end && *p == ' ') ++p;
    bool negative = false;
    if (p < end && (*p == '-' || *p == '+')) negative = *p++ == '-';
    if (p == end) return false;
    int32_t v = 0;
    for (; p < end; ++p) {
        const unsigned digit = static_cast<unsigned>(*p - '0');
        if (digit > 9) return false;
        v = v * 10 + static_cast<int32_t>(digit);
        if (v > 32768) return false;
    }
    if (negative) v = -v;
    if (v > 32767) return false;
    out = static_cast<int16_t>(v);
    return true;
}

// The same for a field of seven characters, all eight bytes at p + 0..7 read at once (the eighth
// is the next field's or the line's and is not looked at). A field of spaces, then an optional
// sign, then digits to its end (the form a save writes, and any other the long way accepts) is
// checked and converted in a few register operations without a branch per character; every other
// field goes the long way, so the shortcut never decides what a field means.
inline bool ParseTemperature7(const char* p, int16_t& out) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
    constexpr uint64_t Ones = 0x0101010101010101ULL;
    constexpr uint64_t Highs = Ones * 0x80;
    const uint64_t field = v << 8;  // the field in bytes 1..7, its last character in the top byte
    // A byte less '0' (as an exclusive or) is below 10 exactly for the digits; the top bit of each
    // byte of nonDigit marks the others, byte 0 included.
    const uint64_t t = field ^ (Ones * '0');
    const uint64_t nonDigit = (((t & ~Highs) + Ones * (0x80 - 10)) | t) & Highs;
    const unsigned digits = static_cast<unsigned>(std::countl_zero(nonDigit)) / 8;
    if (digits > 0) {
        const unsigned shift = 8 * digits;
        const uint64_t before = ~uint64_t{0} >> shift;  // the bytes before the digits
        // Digits only at the end, after spaces and at most one sign right before them.
        const uint64_t spaces = (Ones * ' ') & before & ~uint64_t{0xFF};
        const uint64_t odd = (field & before) ^ spaces;
        const unsigned signAt = 64 - shift - 8;
        const bool negative = odd == uint64_t{'-' ^ ' '} << signAt;
        if (odd == 0 || negative || odd == uint64_t{'+' ^ ' '} << signAt) {
            // The digits as an eight-digit number, the bytes before them counting as zeros.
            uint64_t x = field & ~before & (Ones * 0x0F);
            x = x * 10 + (x >> 8);
            x = ((x & 0x000000FF000000FFULL) * (100 + (1000000ULL << 32)) +
                 ((x >> 16) & 0x000000FF000000FFULL) * (1 + (10000ULL << 32))) >> 32;
            if (x > 32767u + negative) return false;
            out = static_cast<int16_t>(negative ? -static_cast<int32_t>(x) : static_cast<int32_t>(x));
            return true;
        }
    }
    return ParseTemperature(p, p + 7, out);
}

// Samples held back before they go to the sink together.
constexpr size_t HeldSamples = 64;

}  // namespace

DmlReader::DmlReader(ArchiveResult& result, ArchiveSink& sink) : r_(result), sink_(sink) {
    r_.Opened = true;
    r_.Signed = true;
    r_.Completed = false;
}

void DmlReader::Line(std::string_view line) {
    ++lineNo_;
    if (line.size() < 13 || line[0] == '/') return;
    bool ok = true;
    if (line[0] == 'D') {
        ok = ReadDevice(line);
        if (ok) state_ = State::Device;
    } else if (line[0] == 'T') {
        if (state_ == State::None) return;
        ok = ReadCable(line);
        if (ok) state_ = State::Cable;
    } else {
        if (state_ != State::Cable) return;
        ok = ReadSample(line);
    }
    if (!ok) r_.DamagedLines.push_back(lineNo_);
}

void DmlReader::Finish() {
    Flush();
    r_.Completed = true;
}

void DmlReader::Flush() {
    const size_t count = heldTimes_.size();
    if (count == 0) return;
    // Each sensor's values are held HeldSamples apart; a block not full is closed up first.
    int16_t* const values = heldValues_.data();
    if (count < HeldSamples) {
        for (size_t s = 1; s < sensorsOfCable_; ++s)
            std::memmove(values + s * count, values + s * HeldSamples, count * sizeof(int16_t));
    }
    const std::span<const int16_t> block(values, count * sensorsOfCable_);
    r_.ValidValues += CountValid(block);
    sink_.Samples(heldTimes_, block);
    heldTimes_.clear();
}

bool DmlReader::ReadDevice(std::string_view line) {
    if (r_.DeviceCount >= MaxDevices) return false;
    ArchiveDeviceId id;
    if (!ParseFileInt16(Columns(line, 2, 3), id.DevType)) return false;
    if (!ParseFileUInt16(Columns(line, 9, 5), id.Serial)) return false;
    std::string_view firmware;
    bool firmwareFound = false;
    std::string_view comment;
    size_t p = 15;
    while (p <= line.size()) {
        const char c = line[p - 1];
        if (c == 'Y') {
            if (!ParseFileUInt16(Columns(line, p + 2, 5), id.Year)) return false;
            p += 7;
        } else if (c == 'F') {
            firmware = Columns(line, p + 2, 5);
            firmwareFound = true;
            p += 7;
        } else if (c == 'A') {
            if (!ParseFileUInt16(Columns(line, p + 2, 5), id.Address)) return false;
            p += 7;
        } else if (c == CopyrightSign) {
            comment = Columns(line, p + 2, std::string_view::npos);
            break;
        } else {
            ++p;
        }
    }
    if (firmwareFound) id.Firmware = Cp1251ToUtf8(firmware);
    id.Comment = Cp1251ToUtf8(comment);

    ArchiveDevice device;
    device.Id = std::move(id);
    Flush();
    sink_.Device(device);
    ++r_.DeviceCount;
    cablesOfDevice_ = 0;

    check_ = Crc8Update(0, CrLf);
    check_ = Crc8Update(check_, line);
    check_ = Crc8Update(check_, CrLf);
    return true;
}

bool DmlReader::ReadCable(std::string_view line) {
    if (cablesOfDevice_ >= MaxCablesPerDevice) return false;
    const char kindChar = line[1];
    if (kindChar < '0' || kindChar > '9') return false;
    int16_t serial;
    if (!ParseFileWord(Columns(line, 9, 5), serial)) return false;

    // The field width is found from the first label: leading spaces, then its digits.
    size_t w = 0;
    bool seenText = false;
    while (w <= 20) {
        const size_t column = 23 + w;
        if (line.size() < column) break;
        if (line[column - 1] != ' ')
            seenText = true;
        else if (seenText)
            break;
        ++w;
    }
    row_.clear();
    // A width of 0 means no field at all: a cable without sensors.
    if (w > 0) {
        for (size_t i = 0; 22 + w * (i + 1) <= line.size(); ++i) {
            if (row_.size() >= MaxSensorsPerCable) return false;
            int16_t label;
            if (!ParseFileInt16(line.substr(22 + i * w, w), label)) return false;
            row_.push_back(label);
        }
    }

    const bool first = cablesOfDevice_ == 0;
    Flush();
    sink_.Cable(static_cast<uint8_t>(kindChar - '0'), serial, row_);
    ++cablesOfDevice_;
    ++r_.CableCount;
    r_.SensorCount += row_.size();
    sensorsOfCable_ = row_.size();
    width_ = w;

    if (!first) check_ = Crc8Update(0, CrLf);
    check_ = Crc8Update(check_, line);
    check_ = Crc8Update(check_, CrLf);
    return true;
}

bool DmlReader::ReadSample(std::string_view line) {
    if (line.size() < 17) return false;
    DateTime time;
    if (!ParseFileDateTime(line.substr(0, 17), time)) return false;
    if (r_.FirstSampleTime > time) r_.FirstSampleTime = time;
    if (time > r_.LastSampleTime) r_.LastSampleTime = time;
    ++r_.SampleCount;

    const size_t w = width_;
    const size_t sensors = sensorsOfCable_;
    // The values go to their sensors' runs in the held block.
    heldValues_.resize(HeldSamples * sensors);
    // (A cable without sensors holds no room at all, and its samples only their times.)
    int16_t* const column = heldValues_.data() + (sensors > 0 ? heldTimes_.size() : 0);
    const char* const text = line.data();
    // Fields that lie whole in the line, and of those the ones followed by at least one more byte.
    const size_t n = line.size();
    const size_t whole = w > 0 && n > 22 ? std::min(sensors, (n - 22) / w) : 0;
    const size_t quick = w == 7 && n > 23 ? std::min(whole, (n - 23) / 7) : 0;
    for (size_t s = 0; s < quick; ++s) {
        int16_t value;
        // A field that does not parse (or does not fit 16 bits) leaves no value.
        if (!ParseTemperature7(text + 22 + s * 7, value)) value = ArchiveNoValue;
        column[s * HeldSamples] = value;
    }
    for (size_t s = quick; s < whole; ++s) {
        const char* field = text + 22 + s * w;
        int16_t value;
        if (!ParseTemperature(field, field + w, value)) value = ArchiveNoValue;
        column[s * HeldSamples] = value;
    }
    for (size_t s = whole; s < sensors; ++s) column[s * HeldSamples] = ArchiveNoValue;
    heldTimes_.push_back(time);
    if (heldTimes_.size() == HeldSamples) Flush();

    check_ = Crc8Update(check_, line.substr(0, line.size() - 6));
    int64_t written;
    if (!ParseFileInt(line.substr(line.size() - 4, 3), written) || written != check_) r_.Signed = false;
    check_ = 0;
    return true;
}

ArchiveResult ReadDml(std::string_view bytes) {
    ArchiveResult result;
    ArchiveCollector collector(result.Devices);
    DmlReader reader(result, collector);
    ForEachLine(bytes, [&](std::string_view line) { reader.Line(line); });
    reader.Finish();
    return result;
}

ArchiveResult LoadArhivFile(const std::string& fileName) {
    ArchiveResult result;
    ArchiveCollector collector(result.Devices);
    ArchiveResult summary = LoadArhivFile(fileName, collector);
    summary.Devices = std::move(result.Devices);
    return summary;
}

ArchiveResult LoadArhivFile(const std::string& fileName, ArchiveSink& sink) {
    ArchiveResult result;
    FileLineReader lines;
    if (!lines.Open(fileName)) {
        result.ReadError = lines.Error();
        result.ReadErrno = lines.ErrorNumber();
        return result;
    }
    DmlReader reader(result, sink);
    std::string_view line;
    size_t count = 0;
    while (lines.Next(line)) {
        reader.Line(line);
        ++count;
    }
    if (lines.Failed()) {  // a read error or an endless line: what was read stays, not completed
        reader.Flush();
        result.ReadError = lines.Error();
        result.ReadErrno = lines.ErrorNumber();
        result.StopLine = count + 1;
        return result;
    }
    reader.Finish();
    return result;
}

}  // namespace drumo
