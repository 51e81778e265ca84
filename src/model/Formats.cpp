#include "model/Formats.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace drumo {
namespace {

char gDecimalMark = '.';

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Splits "a<sep>b<sep>c" into numbers of 1..maxDigits digits each; returns the count read, or -1
// when the text has anything else in it.
int SplitNumbers(std::string_view s, char sep, int* parts, int maxParts, size_t* digits) {
    int count = 0;
    while (true) {
        if (count == maxParts) return -1;
        size_t n = 0;
        int value = 0;
        while (n < s.size() && IsDigit(s[n])) {
            if (n == 4) return -1;
            value = value * 10 + (s[n] - '0');
            ++n;
        }
        if (n == 0) return -1;
        digits[count] = n;
        parts[count++] = value;
        s.remove_prefix(n);
        if (s.empty()) return count;
        if (s.front() != sep) return -1;
        s.remove_prefix(1);
    }
}

void Put2(char* out, int v) {
    out[0] = static_cast<char>('0' + v / 10 % 10);
    out[1] = static_cast<char>('0' + v % 10);
}

}  // namespace

std::string DateText(DateTime value) {
    const CalendarTime c = DecodeDateTime(value);
    char buf[8];
    Put2(buf, c.Day);
    buf[2] = '.';
    Put2(buf + 3, c.Month);
    buf[5] = '.';
    Put2(buf + 6, c.Year % 100);
    return std::string(buf, 8);
}

std::string TimeText(DateTime value) {
    const CalendarTime c = DecodeDateTime(value);
    char buf[8];
    Put2(buf, c.Hour);
    buf[2] = ':';
    Put2(buf + 3, c.Minute);
    buf[5] = ':';
    Put2(buf + 6, c.Second);
    return std::string(buf, 8);
}

std::string DateTimeText(DateTime value) { return DateText(value) + " " + TimeText(value); }

int CurrentCenturyBase() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return (local.tm_year + 1900) / 100 * 100;
}

bool TryParseDate(std::string_view text, DateTime& out, int centuryBase) {
    int parts[3];
    size_t digits[3];
    if (SplitNumbers(Trim(text), '.', parts, 3, digits) != 3) return false;
    if (digits[0] > 2 || digits[1] > 2 || (digits[2] != 2 && digits[2] != 4)) return false;
    const int year = digits[2] == 2 ? centuryBase + parts[2] : parts[2];
    return TryEncodeDate(year, parts[1], parts[0], out);
}

bool TryParseDate(std::string_view text, DateTime& out) {
    return TryParseDate(text, out, CurrentCenturyBase());
}

bool TryParseTime(std::string_view text, DateTime& out) {
    int parts[3] = {0, 0, 0};
    size_t digits[3];
    const int n = SplitNumbers(Trim(text), ':', parts, 3, digits);
    if (n < 2) return false;
    for (int i = 0; i < n; ++i) {
        if (digits[i] > 2) return false;
    }
    return TryEncodeTime(parts[0], parts[1], parts[2], 0, out);
}

bool TryParseDateTime(std::string_view text, DateTime& out, int centuryBase) {
    text = Trim(text);
    const size_t space = text.find(' ');
    if (space == std::string_view::npos) return false;
    DateTime date = 0, time = 0;
    if (!TryParseDate(text.substr(0, space), date, centuryBase)) return false;
    if (!TryParseTime(text.substr(space + 1), time)) return false;
    out = date + time;
    return true;
}

bool TryParseDateTime(std::string_view text, DateTime& out) {
    return TryParseDateTime(text, out, CurrentCenturyBase());
}

char DecimalMark() { return gDecimalMark; }

void SetDecimalMark(char mark) { gDecimalMark = mark == ',' ? ',' : '.'; }

std::string NumberText(double value, char mark) {
    if (!std::isfinite(value)) return std::isnan(value) ? "NAN" : (value > 0 ? "INF" : "-INF");
    if (value == 0) return "0";  // also for -0
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.15g", value);
    std::string text;
    for (const char* p = buf; *p; ++p) {
        if (*p == '.') {
            text += mark;
        } else if (*p == 'e') {
            // "e+20" becomes "E20", "e-07" becomes "E-7".
            text += 'E';
            ++p;
            if (*p == '-') text += '-';
            ++p;
            while (*p == '0' && p[1] != '\0') ++p;
            text += p;
            break;
        } else {
            text += *p;
        }
    }
    return text;
}

std::string NumberText(double value) { return NumberText(value, gDecimalMark); }

std::string HundredthsText(int value) { return NumberText(value / 100.0); }

std::string HundredthsText(int value, char mark) { return NumberText(value / 100.0, mark); }

std::string CountdownText(double days) {
    long secs = std::lround(days * 86400.0);
    if (secs < 0) secs = 0;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02ld:%02ld:%02ld", secs / 3600, secs / 60 % 60, secs % 60);
    return buf;
}

bool TryParseNumber(std::string_view text, double& out, char mark) {
    text = Trim(text);
    std::string plain;
    plain.reserve(text.size());
    size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-') plain += '-';
        ++i;
    }
    bool digits = false, seenMark = false;
    for (; i < text.size(); ++i) {
        const char ch = text[i];
        if (IsDigit(ch)) {
            digits = true;
            plain += ch;
        } else if (ch == mark && !seenMark) {
            seenMark = true;
            plain += '.';
        } else {
            break;
        }
    }
    if (!digits) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        plain += 'e';
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) plain += text[i++];
        bool expDigits = false;
        for (; i < text.size() && IsDigit(text[i]); ++i) {
            expDigits = true;
            plain += text[i];
        }
        if (!expDigits) return false;
    }
    if (i != text.size()) return false;
    double value = 0;
    const auto [end, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    if (ec != std::errc() || end != plain.data() + plain.size() || !std::isfinite(value)) return false;
    out = value;
    return true;
}

bool TryParseNumber(std::string_view text, double& out) {
    return TryParseNumber(text, out, gDecimalMark);
}

bool TryParseInt(std::string_view text, int& out) {
    text = Trim(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (!text.empty() && text.front() == '$') {
        base = 16;
        text.remove_prefix(1);
    } else if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) return false;
    uint64_t magnitude = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (ec != std::errc() || end != text.data() + text.size()) return false;
    // Hexadecimal texts may spell a negative 32-bit number ($FF00000F); decimal ones may not.
    if (base == 16 && !negative && magnitude <= 0xFFFFFFFFull) {
        out = static_cast<int>(static_cast<uint32_t>(magnitude));
        return true;
    }
    const int64_t value = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
    if (magnitude > 0x80000000ull || value < INT32_MIN || value > INT32_MAX) return false;
    out = static_cast<int>(value);
    return true;
}

}  // namespace drumo
