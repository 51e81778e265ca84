#include "files/ArchiveFormat.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <memory>

#include "link/Crc16.h"
#include "model/Cp1251.h"

namespace drumo {

void ArchiveSink::Samples(std::span<const DateTime> times, std::span<const int16_t> values) {
    const size_t count = times.size();
    if (count == 0) return;
    std::vector<int16_t> row(values.size() / count);
    for (size_t k = 0; k < count; ++k) {
        for (size_t s = 0; s < row.size(); ++s) row[s] = values[s * count + k];
        Sample(times[k], row);
    }
}

void ArchiveCollector::Device(const ArchiveDevice& device) {
    devices_.push_back(device);
    devices_.back().Cables.clear();
}

void ArchiveCollector::Cable(uint8_t kind, int16_t serial, std::span<const int16_t> labels) {
    if (devices_.empty()) return;
    ArchiveCable& cable = devices_.back().Cables.emplace_back();
    cable.Kind = kind;
    cable.Serial = serial;
    cable.Labels.assign(labels.begin(), labels.end());
    cable.Values.resize(labels.size());
}

void ArchiveCollector::Sample(DateTime time, std::span<const int16_t> values) {
    if (devices_.empty() || devices_.back().Cables.empty()) return;
    ArchiveCable& cable = devices_.back().Cables.back();
    cable.Times.push_back(time);
    for (size_t s = 0; s < cable.Values.size(); ++s)
        cable.Values[s].push_back(s < values.size() ? values[s] : ArchiveNoValue);
}

void ReplayArchive(const std::vector<ArchiveDevice>& devices, ArchiveSink& sink) {
    // A cable's samples go on in blocks, each sensor's values of the block one after another, as
    // a reader of a file gives them.
    constexpr size_t Block = 256;
    std::vector<int16_t> block;
    for (const ArchiveDevice& device : devices) {
        ArchiveDevice head;
        head.Id = device.Id;
        head.TypeNameFromFile = device.TypeNameFromFile;
        head.HasTypeName = device.HasTypeName;
        sink.Device(head);
        for (const ArchiveCable& cable : device.Cables) {
            sink.Cable(cable.Kind, cable.Serial, cable.Labels);
            const size_t sensors = cable.Values.size();
            for (size_t k = 0; k < cable.Times.size(); k += Block) {
                const size_t count = std::min(Block, cable.Times.size() - k);
                block.resize(count * sensors);
                for (size_t s = 0; s < sensors; ++s)
                    std::copy_n(cable.Values[s].data() + k, count, block.data() + s * count);
                sink.Samples(std::span<const DateTime>(cable.Times).subspan(k, count), block);
            }
        }
    }
}

bool ParseFileInt(std::string_view text, int64_t& out) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size()) return false;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
        if (value > 0xFFFFFFFFLL) return false;  // far beyond anything a field may hold
    }
    out = negative ? -value : value;
    return true;
}

bool ParseFileInt16(std::string_view text, int16_t& out) {
    int64_t v;
    if (!ParseFileInt(text, v) || v < -32768 || v > 32767) return false;
    out = static_cast<int16_t>(v);
    return true;
}

bool ParseFileUInt16(std::string_view text, uint16_t& out) {
    int64_t v;
    if (!ParseFileInt(text, v) || v < 0 || v > 65535) return false;
    out = static_cast<uint16_t>(v);
    return true;
}

bool ParseFileWord(std::string_view text, int16_t& out) {
    int64_t v;
    if (!ParseFileInt(text, v) || v < -32768 || v > 65535) return false;
    out = static_cast<int16_t>(static_cast<uint16_t>(v & 0xFFFF));
    return true;
}

namespace {

void AppendDigits(std::string& out, uint64_t magnitude, size_t minDigits) {
    char buf[24];
    const auto res = std::to_chars(buf, buf + sizeof buf, magnitude);
    const size_t n = static_cast<size_t>(res.ptr - buf);
    if (n < minDigits) out.append(minDigits - n, '0');
    out.append(buf, n);
}

uint64_t Magnitude(int64_t v) {
    return v < 0 ? static_cast<uint64_t>(-(v + 1)) + 1 : static_cast<uint64_t>(v);
}

void Append2(std::string& out, int v) {
    out.push_back(static_cast<char>('0' + (v / 10) % 10));
    out.push_back(static_cast<char>('0' + v % 10));
}

}  // namespace

void AppendZeroPadded(std::string& out, int64_t value, size_t width) {
    if (value < 0) {
        out.push_back('-');
        AppendDigits(out, Magnitude(value), width > 1 ? width - 1 : 0);
    } else {
        AppendDigits(out, static_cast<uint64_t>(value), width);
    }
}

void AppendRightAligned(std::string& out, int64_t value, size_t width) {
    char buf[24];
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    const size_t n = static_cast<size_t>(res.ptr - buf);
    if (n < width) out.append(width - n, ' ');
    out.append(buf, n);
}

void AppendSpaceFilled(std::string& out, std::string_view text, size_t width) {
    out.append(text);
    if (text.size() < width) out.append(width - text.size(), ' ');
}

void AppendFileDate(std::string& out, DateTime value) {
    const CalendarTime t = DecodeDateTime(value);
    Append2(out, t.Day);
    out.push_back('.');
    Append2(out, t.Month);
    out.push_back('.');
    Append2(out, t.Year % 100);
}

void AppendFileTime(std::string& out, DateTime value) {
    const CalendarTime t = DecodeDateTime(value);
    Append2(out, t.Hour);
    out.push_back(':');
    Append2(out, t.Minute);
    out.push_back(':');
    Append2(out, t.Second);
}

std::string FileDate(DateTime value) {
    std::string s;
    AppendFileDate(s, value);
    return s;
}

std::string FileTime(DateTime value) {
    std::string s;
    AppendFileTime(s, value);
    return s;
}

namespace {

// "ab<mark>cd<mark>ef" as the three numbers ab, cd and ef.
bool ParseTriple(std::string_view text, char mark, int& first, int& second, int& third) {
    if (text.size() != 8 || text[2] != mark || text[5] != mark) return false;
    auto two = [&](size_t at, int& v) {
        const char a = text[at], b = text[at + 1];
        if (a < '0' || a > '9' || b < '0' || b > '9') return false;
        v = (a - '0') * 10 + (b - '0');
        return true;
    };
    return two(0, first) && two(3, second) && two(6, third);
}

}  // namespace

bool ParseFileDate(std::string_view text, DateTime& out) {
    int day, month, year;
    return ParseTriple(text, '.', day, month, year) && TryEncodeDate(2000 + year, month, day, out);
}

bool ParseFileTime(std::string_view text, DateTime& out) {
    int hour, minute, second;
    return ParseTriple(text, ':', hour, minute, second) && TryEncodeTime(hour, minute, second, 0, out);
}

bool ParseFileDateTime(std::string_view text, DateTime& out) {
    DateTime date, time;
    if (text.size() != 17 || text[8] != ' ' || !ParseFileDate(text.substr(0, 8), date) ||
        !ParseFileTime(text.substr(9), time))
        return false;
    out = date + time;
    return true;
}

std::string DmlHeaderLine(std::string_view programVersion, DateTime saved) {
    std::string s = "//[dml] Created by Drumo ";
    s.append(programVersion);
    s.push_back(' ');
    AppendFileDate(s, saved);
    s.push_back(' ');
    AppendFileTime(s, saved);
    return s;
}

namespace {

// Line breaks inside a text would split its line in the file; they are written as spaces.
std::string OneLine(std::string_view utf8) {
    std::string s = Utf8ToCp1251(utf8);
    for (char& c : s)
        if (c == '\r' || c == '\n') c = ' ';
    return s;
}

}  // namespace

std::string DmlDeviceLine(const ArchiveDeviceId& device) {
    std::string s;
    s.reserve(48 + device.Comment.size());
    s.push_back('D');
    AppendZeroPadded(s, device.DevType, 3);
    s.append(" SN ");
    AppendZeroPadded(s, device.Serial, 5);
    s.append(" Y ");
    AppendRightAligned(s, device.Year, 5);
    s.append(" F ");
    // The reader takes five characters for the firmware; a longer text would push the address and
    // comment out of their columns and could hold letters the reader takes for field marks.
    std::string firmware = OneLine(device.Firmware);
    if (firmware.size() > 5) firmware.resize(5);
    AppendSpaceFilled(s, firmware, 5);
    s.append(" A ");
    AppendZeroPadded(s, device.Address, 5);
    s.append(" \xA9 ");  // "©" in Windows-1251
    s.append(OneLine(device.Comment));
    return s;
}

std::string DmlCableLine(uint8_t kind, int16_t serial, const std::vector<int16_t>& labels) {
    std::string s;
    s.reserve(22 + 7 * labels.size());
    s.push_back('T');
    // The reader takes one character for the kind; kinds are 0..4, anything else is kept to a digit.
    s.push_back(static_cast<char>('0' + kind % 10));
    s.append("   SN ");
    // The serial is a 16-bit register; its unsigned reading always fits the five columns.
    AppendZeroPadded(s, static_cast<uint16_t>(serial), 5);
    s.append(9, ' ');
    for (int16_t label : labels) AppendRightAligned(s, label, 7);
    return s;
}

const char* TemperatureColumns() {
    static const std::unique_ptr<char[]> table = [] {
        std::unique_ptr<char[]> t(new char[65536 * 8]);
        for (int v = -32768; v <= 32767; ++v) {
            char* field = t.get() + (v + 32768) * 8;
            std::memset(field, ' ', 8);
            // Seven columns hold any 16-bit value ("-32768" is six characters).
            char digits[8];
            const auto res = std::to_chars(digits, digits + sizeof digits, v);
            const size_t n = static_cast<size_t>(res.ptr - digits);
            std::memcpy(field + 7 - n, digits, n);
        }
        return t;
    }();
    return table.get();
}

char* PutDmlSampleBody(char* p, DateTime time, const int16_t* values, size_t count) {
    const CalendarTime t = DecodeDateTime(time);
    auto two = [&p](int v) {
        p[0] = static_cast<char>('0' + (v / 10) % 10);
        p[1] = static_cast<char>('0' + v % 10);
        p += 2;
    };
    two(t.Day);
    *p++ = '.';
    two(t.Month);
    *p++ = '.';
    two(t.Year % 100);
    *p++ = ' ';
    two(t.Hour);
    *p++ = ':';
    two(t.Minute);
    *p++ = ':';
    two(t.Second);
    std::memcpy(p, " n/a ", 5);
    p += 5;
    const char* const columns = TemperatureColumns();
    // Eight bytes at a time, each field's eighth overwritten by the next field; the last one alone
    // is copied in its seven.
    for (size_t i = 0; i + 1 < count; ++i, p += 7) std::memcpy(p, columns + (values[i] + 32768) * 8, 8);
    if (count > 0) {
        std::memcpy(p, columns + (values[count - 1] + 32768) * 8, 7);
        p += 7;
    }
    return p;
}

void AppendDmlSampleBody(std::string& out, DateTime time, const int16_t* values, size_t count) {
    const size_t start = out.size();
    out.resize(start + DmlSampleBodyLength(count));
    PutDmlSampleBody(out.data() + start, time, values, count);
}

void AppendDmlCheckField(std::string& out, uint8_t check) {
    out.append(" (");
    AppendZeroPadded(out, check, 3);
    out.push_back(')');
}

const std::string& DmlWarningLine() {
    static const std::string line = Utf8ToCp1251(
        "//Предупреждение: Внесение изменений в данные приведет к нарушению электронной подписи");
    return line;
}

const std::string& DmlCommentsLine() {
    static const std::string line = Utf8ToCp1251("//Комментарии:");
    return line;
}

const std::string& DmlEmptyCommentLine() {
    static const std::string line = "//";
    return line;
}

void HashTextLine(std::string& hash, std::string_view line) {
    // The CRC of the line followed by the hash, without joining them: this runs for every line of
    // a signed file.
    uint16_t crc = Crc16(reinterpret_cast<const uint8_t*>(line.data()), line.size());
    crc = Crc16Continue(crc, reinterpret_cast<const uint8_t*>(hash.data()), hash.size());
    const unsigned value = static_cast<unsigned>((crc & 0xFF) << 8 | crc >> 8);
    static constexpr char Hex[] = "0123456789ABCDEF";
    hash.resize(4);
    for (int i = 0; i < 4; ++i) hash[static_cast<size_t>(i)] = Hex[(value >> (12 - 4 * i)) & 0xF];
}

}  // namespace drumo
