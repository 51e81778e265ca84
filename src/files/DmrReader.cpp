// The older ".dmr" archive formats, read but never written.

#include <charconv>
#include <cmath>
#include <cstdio>

#include "files/ArchiveReader.h"
#include "model/SafeFile.h"
#include "link/Crc16.h"
#include "model/Cp1251.h"

namespace drumo {

namespace {

// Lines with their numbers, from the start of the file.
class LineCursor {
public:
    explicit LineCursor(std::string_view bytes) : bytes_(bytes) {}
    bool AtEnd() const { return pos_ >= bytes_.size(); }
    size_t Number() const { return number_; }
    // The next line without its end; an empty view at the end of the file.
    std::string_view Next() {
        if (AtEnd()) return {};
        ++number_;
        size_t end = bytes_.find('\n', pos_);
        const size_t next = end == std::string_view::npos ? bytes_.size() : end + 1;
        if (end == std::string_view::npos) end = bytes_.size();
        std::string_view line = bytes_.substr(pos_, end - pos_);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        pos_ = next;
        return line;
    }

private:
    std::string_view bytes_;
    size_t pos_ = 0;
    size_t number_ = 0;
};

// Fields separated by single spaces (every field is followed by one in these files).
std::vector<std::string_view> SplitSpaces(std::string_view line) {
    std::vector<std::string_view> fields;
    size_t start = 0;
    while (start < line.size()) {
        size_t end = line.find(' ', start);
        if (end == std::string_view::npos) end = line.size();
        fields.push_back(line.substr(start, end - start));
        start = end + 1;
    }
    return fields;
}

// Whitespace-separated tokens.
std::vector<std::string_view> Tokens(std::string_view line) {
    std::vector<std::string_view> tokens;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        const size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        if (i > start) tokens.push_back(line.substr(start, i - start));
    }
    return tokens;
}

bool ParseReal(std::string_view text, double& out) {
    if (!text.empty() && text[0] == '+') text.remove_prefix(1);
    const auto res = std::from_chars(text.data(), text.data() + text.size(), out);
    return res.ec == std::errc() && res.ptr == text.data() + text.size() && std::isfinite(out);
}

// Rounds to the nearest integer, halves to even; false when the result leaves [lo, hi].
bool RoundToRange(double v, double lo, double hi, int64_t& out) {
    const double r = std::nearbyint(v);
    if (!(r >= lo && r <= hi)) return false;
    out = static_cast<int64_t>(r);
    return true;
}

void Stop(ArchiveResult& r, const LineCursor& lines) {
    r.Completed = false;
    r.StopLine = lines.Number();
}

void Count(ArchiveResult& r) {
    r.ValidValues = 0;
    r.DeviceCount = r.Devices.size();
    r.CableCount = r.SensorCount = r.SampleCount = 0;
    for (const auto& d : r.Devices)
        for (const auto& c : d.Cables) {
            ++r.CableCount;
            r.SensorCount += c.Labels.size();
            r.SampleCount += c.Times.size();
            for (const auto& series : c.Values)
                for (int16_t v : series)
                    if (v != ArchiveNoValue) ++r.ValidValues;
        }
}

void NoteTime(ArchiveResult& r, DateTime t) {
    if (r.FirstSampleTime > t) r.FirstSampleTime = t;
    if (t > r.LastSampleTime) r.LastSampleTime = t;
}

void AppendSample(ArchiveResult& r, ArchiveCable& cable, DateTime t) {
    cable.Times.push_back(t);
    for (auto& series : cable.Values) series.push_back(ArchiveNoValue);
    NoteTime(r, t);
}

// The signed single-device format.
void ReadSignedDmr(std::string_view bytes, ArchiveResult& r) {
    LineCursor lines(bytes);
    std::string hash;
    auto next = [&]() {
        std::string_view line = lines.Next();
        HashTextLine(hash, line);
        return line;
    };
    next();
    next();
    next();
    const std::string_view deviceLine = next();
    if (deviceLine.size() < 5) {
        r.Completed = true;
        return;
    }
    r.Signed = false;

    // "<model> xxxx<serial> xxxxxxxxx<firmware>"
    const size_t nameEnd = deviceLine.find(' ');
    if (nameEnd == std::string_view::npos) return Stop(r, lines);
    const size_t serialStart = nameEnd + 5;
    if (serialStart > deviceLine.size()) return Stop(r, lines);
    size_t serialEnd = deviceLine.find(' ', serialStart);
    if (serialEnd == std::string_view::npos) serialEnd = deviceLine.size();
    ArchiveDevice device;
    if (!ParseFileUInt16(deviceLine.substr(serialStart, serialEnd - serialStart), device.Id.Serial))
        return Stop(r, lines);
    const size_t firmwareStart = serialEnd + 10;
    device.Id.Firmware =
        Cp1251ToUtf8(firmwareStart < deviceLine.size() ? deviceLine.substr(firmwareStart) : "");
    device.TypeNameFromFile = Cp1251ToUtf8(deviceLine.substr(0, nameEnd));
    device.HasTypeName = true;
    r.Devices.push_back(std::move(device));
    ArchiveDevice& dev = r.Devices.back();

    const std::string_view cableLine = next();
    const std::string_view labelLine = next();
    if (cableLine.size() >= 5 && labelLine.size() >= 2 && labelLine[0] != ' ') {
        const auto head = SplitSpaces(cableLine);
        int16_t serial;
        int64_t kind, count;
        if (head.size() < 3 || !ParseFileWord(head[0], serial) || !ParseFileInt(head[1], kind) ||
            kind < 0 || kind > 255 || !ParseFileInt(head[2], count) || count < 0 || count > 255)
            return Stop(r, lines);
        const auto fields = SplitSpaces(labelLine);
        if (fields.size() < static_cast<size_t>(count)) return Stop(r, lines);
        ArchiveCable cable;
        cable.Kind = static_cast<uint8_t>(kind);
        cable.Serial = serial;
        for (int64_t s = 0; s < count; ++s) {
            int16_t label;
            if (!ParseFileInt16(fields[static_cast<size_t>(s)], label)) return Stop(r, lines);
            cable.Labels.push_back(label);
        }
        cable.Values.resize(cable.Labels.size());
        dev.Cables.push_back(std::move(cable));
    }

    while (!lines.AtEnd()) {
        const std::string_view line = next();
        if (!line.empty() && line[0] == ' ') {
            // The separator; the line after it is the hash of everything before.
            if (lines.AtEnd()) break;
            const std::string_view signature = lines.Next();
            if (signature == hash) r.Signed = true;
            break;
        }
        if (line.size() < 8) continue;
        // Samples with nowhere to go (no cable line) are passed over.
        if (dev.Cables.empty()) continue;
        ArchiveCable& cable = dev.Cables.back();
        const auto fields = SplitSpaces(line);
        double time;
        if (fields.empty() || !ParseReal(fields[0], time)) return Stop(r, lines);
        AppendSample(r, cable, time);
        const size_t sensors = cable.Values.size();
        for (size_t f = 1; f < fields.size() && sensors > 0; ++f) {
            int64_t v;
            if (!ParseFileInt(fields[f], v)) return Stop(r, lines);
            const size_t s = std::min(f - 1, sensors - 1);
            // 100000 is the format's "no value"; a number beyond 16 bits is damaged and stays empty.
            const int16_t value =
                (v == 100000 || v < -32768 || v > 32767) ? ArchiveNoValue : static_cast<int16_t>(v);
            cable.Values[s].back() = value;
        }
    }
    r.Completed = true;
}

// The headerless numeric format: a head line, then one line per sensor and sample. It carries no
// signature, so nothing read from it counts as signed.
void ReadNumericDmr(std::string_view bytes, ArchiveResult& r) {
    r.Signed = false;
    r.CarriesSignature = false;
    LineCursor lines(bytes);
    auto readFour = [&](std::string_view line, double (&v)[4]) {
        const auto tokens = Tokens(line);
        if (tokens.size() < 4) return false;
        for (int i = 0; i < 4; ++i)
            if (!ParseReal(tokens[static_cast<size_t>(i)], v[i])) return false;
        return true;
    };
    double head[4];
    if (!readFour(lines.Next(), head)) return Stop(r, lines);
    int64_t count, cableSerial, serial, kind;
    if (!RoundToRange(head[0], 0, 255, count) || head[0] != static_cast<double>(count) ||
        !RoundToRange(head[1], -32768, 65535, cableSerial) || !RoundToRange(head[2], 0, 65535, serial) ||
        !RoundToRange(head[3], 0, 255, kind))
        return Stop(r, lines);

    ArchiveDevice& dev = r.Devices.emplace_back();
    dev.Id.DevType = 101;  // the catalogue's Hexar-1/100
    dev.Id.Serial = static_cast<uint16_t>(serial);
    ArchiveCable& cable = dev.Cables.emplace_back();
    cable.Serial = static_cast<int16_t>(static_cast<uint16_t>(cableSerial & 0xFFFF));
    cable.Kind = static_cast<uint8_t>(kind);
    cable.Labels.assign(static_cast<size_t>(count), 0);
    cable.Values.resize(static_cast<size_t>(count));

    int64_t previous = -1;
    size_t cursor = 0;
    while (!lines.AtEnd()) {
        const std::string_view line = lines.Next();
        if (Tokens(line).empty()) continue;
        double v[4];
        if (!readFour(line, v)) return Stop(r, lines);
        int64_t index;
        if (!RoundToRange(v[0], -1e9, 1e9, index)) return Stop(r, lines);
        if (index < 1 || index > count) continue;
        if (index == 1) AppendSample(r, cable, v[2]);
        if (index != previous) {
            cursor = 0;
            int64_t label;
            if (RoundToRange(v[1] * 100.0, -32768, 32767, label))
                cable.Labels[static_cast<size_t>(index - 1)] = static_cast<int16_t>(label);
        } else if (cursor + 1 < cable.Times.size()) {
            ++cursor;
        }
        previous = index;
        // Values of a sensor that come before any sample time have no sample to go to.
        if (cursor >= cable.Times.size()) continue;
        if (v[3] == 1000.0 || v[3] == -273.0) continue;
        int64_t temperature;
        if (RoundToRange(v[3] * 100.0, -32768, 32767, temperature))
            cable.Values[static_cast<size_t>(index - 1)][cursor] = static_cast<int16_t>(temperature);
    }
    r.Completed = true;
}

}  // namespace

ArchiveResult ReadDmr(std::string_view bytes) {
    ArchiveResult r;
    r.Opened = true;
    r.Signed = true;
    LineCursor probe(bytes);
    const std::string_view first = probe.Next();
    const std::string_view second = probe.Next();
    if (first.substr(0, 5) == "[dmr]")
        ReadSignedDmr(bytes, r);
    else if (!second.empty())
        ReadNumericDmr(bytes, r);
    else
        r.Completed = true;
    Count(r);
    return r;
}

ArchiveResult LoadArhivLegacy(const std::string& fileName) {
    // These files are read whole; the limit is far above any file a device's archive gave.
    constexpr size_t MaxLegacyBytes = size_t(512) << 20;
    std::string bytes, error;
    if (!ReadSmallFile(fileName, bytes, MaxLegacyBytes, &error)) {
        ArchiveResult r;
        r.ReadError = error;
        return r;
    }
    return ReadDmr(bytes);
}

}  // namespace drumo
