#include "files/ArchiveReader.h"
#include "files/Crc8.h"
#include "files/TemperatureFields.h"
#include "model/Cp1251.h"
#include "model/SafeFile.h"
#include "model/Store.h"

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

// As ParseFileDateTime, with the date read again only when it is not the last line's.
bool DmlReader::SampleTime(std::string_view text, DateTime& out) {
    if (text[8] != ' ') return false;
    if (!dateKnown_ || std::memcmp(text.data(), dateText_, sizeof dateText_) != 0) {
        dateKnown_ = ParseFileDate(text.substr(0, 8), date_);
        if (!dateKnown_) return false;
        std::memcpy(dateText_, text.data(), sizeof dateText_);
    }
    DateTime time;
    if (!ParseFileTime(text.substr(9), time)) return false;
    out = date_ + time;
    return true;
}

bool DmlReader::ReadSample(std::string_view line) {
    if (line.size() < 17) return false;
    DateTime time;
    if (!SampleTime(line.substr(0, 17), time)) return false;
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
    // Fields that lie whole in the line; one that does not parse (or does not fit 16 bits) leaves
    // no value.
    const size_t n = line.size();
    const size_t whole = w > 0 && n > 22 ? std::min(sensors, (n - 22) / w) : 0;
    // The values are counted here, as they are read: a value is one other than "no value".
    size_t none = 0;
    if (w == 7) {
        none = ParseTemperatureFields7(text + 22, whole, column, HeldSamples, ArchiveNoValue);
    } else {
        for (size_t s = 0; s < whole; ++s) {
            const char* field = text + 22 + s * w;
            int16_t value;
            if (!ParseTemperatureField(field, field + w, value)) value = ArchiveNoValue;
            column[s * HeldSamples] = value;
            none += value == ArchiveNoValue;
        }
    }
    r_.ValidValues += static_cast<uint32_t>(whole - none);
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
