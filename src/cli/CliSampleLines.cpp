// The sample line formats of drumo-cli (this file registers no subcommand).
#include "cli/CliSampleLines.h"

#include "cli/CliAcquisition.h"
#include "model/DateTime.h"

#include <cstdio>
#include <ctime>

namespace drumo::cli {

namespace {

// Sample time as a calendar time: the seconds since 1970 and the zone offset of that moment.
struct Moment {
    std::time_t Unix = 0;
    long OffsetSeconds = 0;
};

Moment MomentOf(DateTime t) {
    Moment m;
    m.Unix = DateTimeToUnix(t);
    std::tm local{};
    localtime_r(&m.Unix, &local);
    m.OffsetSeconds = local.tm_gmtoff;
    return m;
}

std::string JsonString(const std::string& text) {
    std::string s = "\"";
    for (const char ch : text) {
        const auto u = static_cast<unsigned char>(ch);
        if (ch == '"' || ch == '\\') {
            s += '\\';
            s += ch;
        } else if (u < 0x20) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", u);
            s += esc;
        } else {
            s += ch;  // UTF-8 passes as it is
        }
    }
    return s + '"';
}

// A tag value of the line protocol: commas, equal signs and spaces are escaped with a backslash;
// control characters (line ends, tabs), which no escape allows, become spaces.
std::string InfluxTag(const std::string& text) {
    std::string s;
    for (char ch : text) {
        if (static_cast<unsigned char>(ch) < 0x20) ch = ' ';
        if (ch == ',' || ch == '=' || ch == ' ' || ch == '\\') s += '\\';
        s += ch;
    }
    return s;
}

// The comment without the blanks that fill a device's comment registers.
std::string CommentOf(const TDevSig& dev) {
    const size_t end = dev.Comment.find_last_not_of(std::string(" \0", 2));
    return end == std::string::npos ? std::string() : dev.Comment.substr(0, end + 1);
}

std::string SerialText(uint16_t serial) {
    char text[8];
    std::snprintf(text, sizeof text, "%05u", static_cast<unsigned>(serial));
    return text;
}

}  // namespace

bool ParseSampleFormat(const std::string& name, SampleFormat& format) {
    if (name == "csv") format = SampleFormat::Csv;
    else if (name == "json") format = SampleFormat::Json;
    else if (name == "influx") format = SampleFormat::Influx;
    else return false;
    return true;
}

std::string IsoTime(DateTime t) {
    const CalendarTime c = DecodeDateTime(t);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", c.Year, c.Month, c.Day, c.Hour, c.Minute,
                  c.Second);
    return text;
}

std::string CsvHeader(size_t sensors) {
    std::string s = "time,address,cable";
    for (size_t i = 1; i <= sensors; ++i) s += ",t" + std::to_string(i);
    return s + '\n';
}

std::string SampleLine(SampleFormat format, const MeasurementStore& store, size_t d, size_t c, size_t k) {
    const TDevSig& dev = store.DevSig(d);
    const DateTime time = store.SampleTimes(d, c)[k];
    const size_t sensors = store.Sensors(d, c);
    std::string s;
    switch (format) {
    case SampleFormat::None:
        break;
    case SampleFormat::Csv:
        s = IsoTime(time) + ',' + std::to_string(dev.Address) + ',' + std::to_string(c + 1);
        for (size_t i = 0; i < sensors; ++i) s += ',' + ValueText(store.Samples(d, c, i)[k]);
        s += '\n';
        break;
    case SampleFormat::Json: {
        const Moment m = MomentOf(time);
        const long offset = m.OffsetSeconds < 0 ? -m.OffsetSeconds : m.OffsetSeconds;
        char zone[24];
        std::snprintf(zone, sizeof zone, "%c%02ld:%02ld", m.OffsetSeconds < 0 ? '-' : '+', offset / 3600,
                      offset / 60 % 60);
        s = "{\"time\":" + JsonString(IsoTime(time) + zone) + ",\"address\":" + std::to_string(dev.Address) +
            ",\"cable\":" + std::to_string(c + 1) + ",\"device\":" + JsonString(dev.TypeName) +
            ",\"serial\":" + JsonString(SerialText(dev.Serial)) +
            ",\"cable_serial\":" + std::to_string(store.CableSerials(d)[c]) + ",\"comment\":" +
            JsonString(CommentOf(dev)) + ",\"t\":[";
        for (size_t i = 0; i < sensors; ++i) {
            const std::string v = ValueText(store.Samples(d, c, i)[k]);
            s += (i ? "," : "") + (v.empty() ? std::string("null") : v);
        }
        s += "]}\n";
        break;
    }
    case SampleFormat::Influx: {
        std::string fields;
        for (size_t i = 0; i < sensors; ++i) {
            const std::string v = ValueText(store.Samples(d, c, i)[k]);
            if (!v.empty()) fields += (fields.empty() ? "t" : ",t") + std::to_string(i + 1) + '=' + v;
        }
        if (fields.empty()) break;
        s = "drumo,address=" + std::to_string(dev.Address) + ",cable=" + std::to_string(c + 1);
        if (!dev.TypeName.empty()) s += ",device=" + InfluxTag(dev.TypeName);
        s += ",serial=" + SerialText(dev.Serial);
        if (const std::string comment = CommentOf(dev); !comment.empty()) s += ",comment=" + InfluxTag(comment);
        s += ' ' + fields + ' ' + std::to_string(static_cast<long long>(MomentOf(time).Unix)) + "000000000\n";
        break;
    }
    }
    return s;
}

}  // namespace drumo::cli
