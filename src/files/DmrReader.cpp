// The older ".dmr" archive formats, read but never written.

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "files/ArchiveReader.h"
#include "model/SafeFile.h"
#include "link/Crc16.h"
#include "model/Cp1251.h"
#include "model/Store.h"

namespace drumo {

namespace {

// Lines with their numbers, from the start of bytes held in memory or of a file read in pieces.
// A line's view stays valid only until the next call.
class LineCursor {
public:
    explicit LineCursor(std::string_view bytes) : bytes_(bytes) {}
    explicit LineCursor(FileLineReader& file) : file_(&file) {}
    size_t Number() const { return number_; }
    // The next line without its end; false at the end of the file or when reading failed.
    bool Next(std::string_view& line) {
        if (file_) {
            if (!file_->Next(line)) return false;
        } else {
            if (pos_ >= bytes_.size()) return false;
            size_t end = bytes_.find('\n', pos_);
            const size_t next = end == std::string_view::npos ? bytes_.size() : end + 1;
            if (end == std::string_view::npos) end = bytes_.size();
            line = bytes_.substr(pos_, end - pos_);
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            pos_ = next;
        }
        ++number_;
        return true;
    }
    // The next line, or an empty one at the end.
    std::string_view Next() {
        std::string_view line;
        return Next(line) ? line : std::string_view{};
    }
    // The system's reason when the file could not be read on ("" otherwise), and its number.
    std::string Error() const { return file_ ? file_->Error() : std::string(); }
    int ErrorNumber() const { return file_ ? file_->ErrorNumber() : 0; }

private:
    std::string_view bytes_;
    size_t pos_ = 0;
    FileLineReader* file_ = nullptr;
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

constexpr double Powers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// Plain decimals ("-12.345") of up to 15 digits are read directly: the digits as a whole number
// and one division by a power of ten, both exact, give the correctly rounded value, as
// std::from_chars does. Everything else goes to std::from_chars.
bool ParseReal(std::string_view text, double& out) {
    if (!text.empty() && text[0] == '+') text.remove_prefix(1);
    size_t i = !text.empty() && text[0] == '-' ? 1 : 0;
    int64_t digits = 0;
    int count = 0, fraction = -1;
    for (; i < text.size() && count <= 15; ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            digits = digits * 10 + (c - '0');
            ++count;
            if (fraction >= 0) ++fraction;
        } else if (c == '.' && fraction < 0) {
            fraction = 0;
        } else {
            break;
        }
    }
    if (i == text.size() && count > 0 && count <= 15) {
        const double value = static_cast<double>(digits) / Powers[fraction > 0 ? fraction : 0];
        out = text[0] == '-' ? -value : value;
        return true;
    }
    const auto res = std::from_chars(text.data(), text.data() + text.size(), out);
    return res.ec == std::errc() && res.ptr == text.data() + text.size() && std::isfinite(out);
}

constexpr int64_t Tens[] = {1,           10,           100,           1000,           10000,           100000,
                            1000000,     10000000,     100000000,     1000000000,     10000000000,     100000000000,
                            1000000000000, 10000000000000, 100000000000000, 1000000000000000};

// A number of a line. One of the shape these files have ("-12.345": a sign, digits, a point and
// more digits, at most fifteen in all) is kept as where its digits are in the line, and made
// into a number only when asked for, as most of them are only checked; any other has been read
// by ParseReal. Valid while the line is.
struct Number {
    const char* First = nullptr;  // the first digit, or the point
    int Whole = 0;                // digits before the point
    int Decimals = -1;            // digits after it; -1 when not of the shape (Read holds it)
    bool Negative = false;
    double Read = 0;

    // The digits without the point and the sign, as a whole number.
    int64_t Digits() const {
        int64_t digits = 0;
        for (int i = 0; i < Whole; ++i) digits = digits * 10 + (First[i] - '0');
        for (int i = Whole + 1; i <= Whole + Decimals; ++i) digits = digits * 10 + (First[i] - '0');
        return digits;
    }
    // The value exactly as ParseReal gives it.
    double Value() const {
        if (Decimals < 0) return Read;
        const double value = static_cast<double>(Digits()) / Powers[Decimals];
        return Negative ? -value : value;
    }
    // The value in hundredths, halves to even; false when it leaves [lo, hi] (|lo|, |hi| < 2^31).
    // Of the shape with up to two decimals it is its digits, which is what rounding the double
    // times 100 gives: the double is off by far less than a hundredth.
    bool Hundredths(int64_t lo, int64_t hi, int64_t& out) const;
    // A temperature in hundredths of a degree; false for 1000 and -273, which mean "no value",
    // and for one beyond 16 bits.
    bool Temperature(int64_t& out) const;
};

#ifdef __SSE2__
// The class masks of 16 bytes: bit i for byte i.
struct ByteClasses {
    uint32_t Blank, Digit, Dot, Minus;
};
inline ByteClasses Classify16(const char* p) {
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i d = _mm_sub_epi8(c, _mm_set1_epi8('0'));
    auto mask = [](__m128i m) { return static_cast<uint32_t>(_mm_movemask_epi8(m)); };
    return {mask(_mm_or_si128(_mm_cmpeq_epi8(c, _mm_set1_epi8(' ')), _mm_cmpeq_epi8(c, _mm_set1_epi8('\t')))),
            mask(_mm_cmpeq_epi8(_mm_min_epu8(d, _mm_set1_epi8(9)), d)), mask(_mm_cmpeq_epi8(c, _mm_set1_epi8('.'))),
            mask(_mm_cmpeq_epi8(c, _mm_set1_epi8('-')))};
}

// ScanNumbers for a line of 16 to 32 bytes whose first `wanted` tokens are all of the shape
// Number keeps: the line's first and last 16 bytes are classed in two registers, and each
// token's ends and digits are found from the class masks instead of byte by byte. False (with
// nothing decided) for any other line, which then goes the long way.
bool ScanShortLine(std::string_view line, Number* v, size_t wanted, size_t& found) {
    const unsigned n = static_cast<unsigned>(line.size());
    if (line.size() < 16 || line.size() > 32) return false;
    // The two loads overlap unless the line is 32 bytes long; bytes in both class the same.
    const ByteClasses head = Classify16(line.data()), tail = Classify16(line.data() + n - 16);
    const unsigned shift = n - 16;
    const uint32_t past = n == 32 ? 0 : ~uint32_t{0} << n;  // blanks after the line's end
    const uint32_t blank = head.Blank | tail.Blank << shift | past;
    const uint32_t digit = head.Digit | tail.Digit << shift;
    const uint32_t dot = head.Dot | tail.Dot << shift;
    const uint32_t minus = head.Minus | tail.Minus << shift;
    found = 0;
    unsigned pos = 0;
    while (found < wanted && pos < 32) {
        const uint32_t rest = ~blank & (~uint32_t{0} << pos);
        if (rest == 0) break;
        const unsigned start = static_cast<unsigned>(std::countr_zero(rest));
        const uint32_t after = blank & (~uint32_t{0} << start);
        const unsigned end = after == 0 ? 32 : static_cast<unsigned>(std::countr_zero(after));
        const bool negative = (minus >> start) & 1;
        const unsigned first = start + negative;
        const uint32_t body = (end == 32 ? ~uint32_t{0} : (uint32_t{1} << end) - 1) & ~((uint32_t{1} << first) - 1);
        const uint32_t point = body & dot;
        // Digits with at most one point among them, fifteen digits at most.
        const int count = static_cast<int>(end - first) - (point != 0);
        if ((body & ~(digit | dot)) != 0 || (point & (point - 1)) != 0 || count <= 0 || count > 15) return false;
        Number& num = v[found++];
        num.First = line.data() + first;
        num.Whole = point == 0 ? count : std::countr_zero(point) - static_cast<int>(first);
        num.Decimals = count - num.Whole;
        num.Negative = negative;
        pos = end;
    }
    return true;
}
#endif

// The first `wanted` blank-separated numbers of a line, found in one pass over the line itself.
// Returns how many tokens there are (at most `wanted`, counted also after one that is no
// number); `ok` is false when there are fewer or one of them is no number.
size_t ScanNumbers(std::string_view line, Number* v, size_t wanted, bool& ok) {
#ifdef __SSE2__
    size_t shortFound;
    if (ScanShortLine(line, v, wanted, shortFound)) {
        ok = shortFound == wanted;
        return shortFound;
    }
#endif
    const char* const begin = line.data();
    const char* const end = begin + line.size();
    const char* p = begin;
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    ok = true;
    size_t found = 0;
    while (found < wanted) {
        while (p < end && blank(*p)) ++p;
        if (p == end) break;
        const char* const start = p;
        const bool negative = *p == '-';
        p += negative;
        const char* const first = p;
        const auto digit = [](char c) { return static_cast<unsigned>(c - '0') <= 9; };
        while (p < end && digit(*p)) ++p;
        const int whole = static_cast<int>(p - first);
        int decimals = 0;
        if (p < end && *p == '.') {
            const char* const part = ++p;
            while (p < end && digit(*p)) ++p;
            decimals = static_cast<int>(p - part);
        }
        Number& n = v[found];
        if (whole + decimals > 0 && whole + decimals <= 15 && (p == end || blank(*p))) {
            n.First = first;
            n.Whole = whole;
            n.Decimals = decimals;
            n.Negative = negative;
        } else {
            while (p < end && !blank(*p)) ++p;
            n.Decimals = -1;
            if (ok) ok = ParseReal(std::string_view(start, static_cast<size_t>(p - start)), n.Read);
        }
        ++found;
    }
    ok = ok && found == wanted;
    return found;
}

// Rounds to the nearest integer, halves to even; false when the result leaves [lo, hi].
bool RoundToRange(double v, double lo, double hi, int64_t& out) {
    // Adding 2^52 leaves no room for a fraction, so the sum is rounded as the processor rounds
    // (to nearest, halves to even); a larger magnitude is whole already, a NaN stays one.
    constexpr double Whole = 4503599627370496.0;
    double r = v;
    if (std::fabs(v) < Whole) {
        const double shift = std::copysign(Whole, v);
        r = (v + shift) - shift;
    }
    if (!(r >= lo && r <= hi)) return false;
    out = static_cast<int64_t>(r);
    return true;
}

bool Number::Hundredths(int64_t lo, int64_t hi, int64_t& out) const {
    if (Decimals < 0 || Decimals > 2)
        return RoundToRange(Value() * 100.0, static_cast<double>(lo), static_cast<double>(hi), out);
    const int64_t hundredths = Digits() * Tens[2 - Decimals];
    out = Negative ? -hundredths : hundredths;
    return out >= lo && out <= hi;
}

bool Number::Temperature(int64_t& out) const {
    if (Decimals < 0 || Decimals > 2) {
        const double value = Value();
        return value != 1000.0 && value != -273.0 && RoundToRange(value * 100.0, -32768, 32767, out);
    }
    // 1000 and -273 are these hundredths exactly, and no other decimal of up to two places.
    const int64_t hundredths = Digits() * Tens[2 - Decimals];
    out = Negative ? -hundredths : hundredths;
    return out != 100000 && out != -27300 && out >= -32768 && out <= 32767;
}

void Stop(ArchiveResult& r, const LineCursor& lines) {
    r.Completed = false;
    r.StopLine = lines.Number();
}

// The end of the lines: read whole, or stopped by a failed read after the last line given.
void Finish(ArchiveResult& r, const LineCursor& lines) {
    r.ReadError = lines.Error();
    r.ReadErrno = lines.ErrorNumber();
    if (!r.ReadError.empty()) {
        r.Completed = false;
        r.StopLine = lines.Number() + 1;
        return;
    }
    r.Completed = true;
}

void NoteTime(ArchiveResult& r, DateTime t) {
    if (r.FirstSampleTime > t) r.FirstSampleTime = t;
    if (t > r.LastSampleTime) r.LastSampleTime = t;
}

// Passes a sample row on and counts it.
void SendSample(ArchiveResult& r, ArchiveSink& sink, DateTime t, const std::vector<int16_t>& row) {
    NoteTime(r, t);
    ++r.SampleCount;
    for (int16_t v : row) r.ValidValues += v != ArchiveNoValue;
    sink.Sample(t, row);
}

// The signed single-device format. Its samples come in time order, one line each, so they go to
// the sink as they are read.
void ReadSignedDmr(LineCursor& lines, ArchiveResult& r, ArchiveSink& sink) {
    std::string hash;
    auto next = [&]() {
        const std::string_view line = lines.Next();
        HashTextLine(hash, line);
        return line;
    };
    next();
    next();
    next();
    const std::string_view deviceLine = next();
    if (deviceLine.size() < 5) return Finish(r, lines);
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
    sink.Device(device);
    ++r.DeviceCount;

    // The cable line is kept: reading the label line ends its view.
    const std::string cableLine(next());
    const std::string_view labelLine = next();
    bool hasCable = false;
    size_t sensors = 0;
    if (cableLine.size() >= 5 && labelLine.size() >= 2 && labelLine[0] != ' ') {
        const auto head = SplitSpaces(cableLine);
        int16_t serial;
        int64_t kind, count;
        if (head.size() < 3 || !ParseFileWord(head[0], serial) || !ParseFileInt(head[1], kind) ||
            kind < 0 || kind > 255 || !ParseFileInt(head[2], count) || count < 0 || count > 255)
            return Stop(r, lines);
        const auto fields = SplitSpaces(labelLine);
        if (fields.size() < static_cast<size_t>(count)) return Stop(r, lines);
        std::vector<int16_t> labels;
        for (int64_t s = 0; s < count; ++s) {
            int16_t label;
            if (!ParseFileInt16(fields[static_cast<size_t>(s)], label)) return Stop(r, lines);
            labels.push_back(label);
        }
        sink.Cable(static_cast<uint8_t>(kind), serial, labels);
        ++r.CableCount;
        r.SensorCount += labels.size();
        sensors = labels.size();
        hasCable = true;
    }

    std::vector<int16_t> row(sensors);
    std::string_view line;
    while (lines.Next(line)) {
        HashTextLine(hash, line);
        if (!line.empty() && line[0] == ' ') {
            // The separator; the line after it is the hash of everything before.
            std::string_view signature;
            if (lines.Next(signature) && signature == hash) r.Signed = true;
            break;
        }
        if (line.size() < 8) continue;
        // Samples with nowhere to go (no cable line) are passed over.
        if (!hasCable) continue;
        const auto fields = SplitSpaces(line);
        double time;
        if (fields.empty() || !ParseReal(fields[0], time)) return Stop(r, lines);
        std::fill(row.begin(), row.end(), ArchiveNoValue);
        for (size_t f = 1; f < fields.size() && sensors > 0; ++f) {
            int64_t v;
            if (!ParseFileInt(fields[f], v)) {
                // The sample counts with the values read before the damaged one.
                SendSample(r, sink, time, row);
                return Stop(r, lines);
            }
            const size_t s = std::min(f - 1, sensors - 1);
            // 100000 is the format's "no value"; a number beyond 16 bits is damaged and stays empty.
            row[s] = (v == 100000 || v < -32768 || v > 32767) ? ArchiveNoValue : static_cast<int16_t>(v);
        }
        SendSample(r, sink, time, row);
    }
    Finish(r, lines);
}

// Passes a collected device on in file order and counts what it holds.
void SendDevice(ArchiveResult& r, ArchiveSink& sink, ArchiveDevice&& device) {
    ++r.DeviceCount;
    for (const ArchiveCable& cable : device.Cables) {
        ++r.CableCount;
        r.SensorCount += cable.Labels.size();
    }
    for (const ArchiveCable& cable : device.Cables)
        for (const auto& series : cable.Values) r.ValidValues += CountValid(series);
    for (const ArchiveCable& cable : device.Cables) {
        r.SampleCount += cable.Times.size();
        for (DateTime t : cable.Times) NoteTime(r, t);
    }
    std::vector<ArchiveDevice> one;
    one.push_back(std::move(device));  // not copied: the cable may hold millions of values
    ReplayArchive(one, sink);
}

// The headerless numeric format: a head line, then one line per sensor and sample, sensor by
// sensor, so the whole cable is collected before it goes to the sink. It carries no signature,
// so nothing read from it counts as signed.
void ReadNumericDmr(LineCursor& lines, ArchiveResult& r, ArchiveSink& sink) {
    r.Signed = false;
    r.CarriesSignature = false;
    size_t tokenCount = 0;
    auto readFour = [&](std::string_view line, Number (&v)[4]) {
        bool ok;
        tokenCount = ScanNumbers(line, v, 4, ok);
        return ok;
    };
    Number numbers[4];
    if (!readFour(lines.Next(), numbers)) return Stop(r, lines);
    const double head[] = {numbers[0].Value(), numbers[1].Value(), numbers[2].Value(), numbers[3].Value()};
    int64_t count, cableSerial, serial, kind;
    if (!RoundToRange(head[0], 0, 255, count) || head[0] != static_cast<double>(count) ||
        !RoundToRange(head[1], -32768, 65535, cableSerial) || !RoundToRange(head[2], 0, 65535, serial) ||
        !RoundToRange(head[3], 0, 255, kind))
        return Stop(r, lines);

    ArchiveDevice dev;
    dev.Id.DevType = 101;  // the catalogue's Hexar-1/100
    dev.Id.Serial = static_cast<uint16_t>(serial);
    ArchiveCable& cable = dev.Cables.emplace_back();
    cable.Serial = static_cast<int16_t>(static_cast<uint16_t>(cableSerial & 0xFFFF));
    cable.Kind = static_cast<uint8_t>(kind);
    cable.Labels.assign(static_cast<size_t>(count), 0);
    cable.Values.resize(static_cast<size_t>(count));

    int64_t previous = -1;
    size_t cursor = 0;
    // How the line of the sensor `previous` began, up to its third number: most lines begin as
    // the one before did, and then only their last two numbers need reading.
    char same[16];
    size_t sameSize = 0;
    std::string_view line;
    bool damaged = false;
    while (lines.Next(line)) {
        Number (&v)[4] = numbers;
        int64_t index;
        bool read;
        if (sameSize > 0 && line.size() > sameSize && std::memcmp(line.data(), same, sameSize) == 0 &&
            ScanNumbers(line.substr(sameSize), v + 2, 2, read) == 2 && read) {
            index = previous;
        } else {
            read = readFour(line, v);
            if (tokenCount == 0) continue;  // a blank line
            if (!read) {
                damaged = true;
                break;
            }
            if (v[0].Decimals == 0 && v[0].Whole <= 9) {  // within the +-1e9 allowed
                index = v[0].Negative ? -v[0].Digits() : v[0].Digits();
            } else if (!RoundToRange(v[0].Value(), -1e9, 1e9, index)) {
                damaged = true;
                break;
            }
            if (index < 1 || index > count) continue;
            sameSize = 0;
            if (v[2].Decimals >= 0) {  // of the shape: where it begins is known
                const size_t begin = static_cast<size_t>(v[2].First - v[2].Negative - line.data());
                if (begin <= sizeof same) {
                    std::memcpy(same, line.data(), begin);
                    sameSize = begin;
                }
            }
        }
        if (index == 1) cable.Times.push_back(v[2].Value());
        if (index != previous) {
            cursor = 0;
            int64_t label;
            if (v[1].Hundredths(-32768, 32767, label))
                cable.Labels[static_cast<size_t>(index - 1)] = static_cast<int16_t>(label);
        } else if (cursor + 1 < cable.Times.size()) {
            ++cursor;
        }
        previous = index;
        // Values of a sensor that come before any sample time have no sample to go to.
        if (cursor >= cable.Times.size()) continue;
        int64_t temperature;
        if (v[3].Temperature(temperature)) {
            // A sensor's values take their room once, when its first value comes (usually after
            // the first sensor has given every sample time), instead of growing sample by sample.
            auto& series = cable.Values[static_cast<size_t>(index - 1)];
            if (series.size() <= cursor) series.resize(cable.Times.size(), ArchiveNoValue);
            series[cursor] = static_cast<int16_t>(temperature);
        }
    }
    for (auto& series : cable.Values) series.resize(cable.Times.size(), ArchiveNoValue);
    SendDevice(r, sink, std::move(dev));
    if (damaged) return Stop(r, lines);
    Finish(r, lines);
}

// Which format the first two lines name: the signed one starts with "[dmr]"; the numeric one has
// a second line; a file of one line holds nothing.
enum class DmrKind { Signed, Numeric, Empty };
DmrKind KindOf(LineCursor& lines) {
    const std::string first(lines.Next().substr(0, 5));
    const bool second = !lines.Next().empty();
    if (first == "[dmr]") return DmrKind::Signed;
    return second ? DmrKind::Numeric : DmrKind::Empty;
}

void ReadDmrLines(LineCursor& lines, DmrKind kind, ArchiveResult& r, ArchiveSink& sink) {
    r.Opened = true;
    r.Signed = true;
    switch (kind) {
    case DmrKind::Signed: return ReadSignedDmr(lines, r, sink);
    case DmrKind::Numeric: return ReadNumericDmr(lines, r, sink);
    case DmrKind::Empty: return Finish(r, lines);
    }
}

}  // namespace

ArchiveResult ReadDmr(std::string_view bytes) {
    ArchiveResult r;
    ArchiveCollector collector(r.Devices);
    LineCursor probe(bytes);
    const DmrKind kind = KindOf(probe);
    LineCursor lines(bytes);
    ReadDmrLines(lines, kind, r, collector);
    return r;
}

ArchiveResult LoadArhivLegacy(const std::string& fileName, ArchiveSink& sink) {
    ArchiveResult r;
    // The file is read twice: its first lines tell the format, then it is read from the start.
    FileLineReader file;
    if (!file.Open(fileName)) {
        r.ReadError = file.Error();
        r.ReadErrno = file.ErrorNumber();
        return r;
    }
    LineCursor probe(file);
    const DmrKind kind = KindOf(probe);
    if (file.Failed() || !file.Open(fileName)) {
        r.Opened = true;
        r.ReadError = file.Error();
        r.ReadErrno = file.ErrorNumber();
        r.StopLine = probe.Number() + 1;
        return r;
    }
    LineCursor lines(file);
    ReadDmrLines(lines, kind, r, sink);
    return r;
}

ArchiveResult LoadArhivLegacy(const std::string& fileName) {
    std::vector<ArchiveDevice> devices;
    ArchiveCollector collector(devices);
    ArchiveResult r = LoadArhivLegacy(fileName, collector);
    r.Devices = std::move(devices);
    return r;
}

}  // namespace drumo
