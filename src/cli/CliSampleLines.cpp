// The sample line formats of drumo-cli (this file registers no subcommand).
#include "cli/CliSampleLines.h"

#include "acquisition/Reception.h"
#include "cli/CliAcquisition.h"
#include "model/DateTime.h"
#include "model/Formats.h"

#include <algorithm>
#include <cmath>

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

// A name or tag value of the line protocol: commas, equal signs and spaces are escaped with a
// backslash; control characters (line ends, tabs), which no escape allows, become spaces. A
// backslash becomes "/": InfluxDB 1.x takes a backslash before a separator as an escape even
// when it is itself escaped ("a\\\\,b" breaks the line), and a doubled one means two to 1.x
// but one to 2.x, so no spelling of it reads the same in both. The measurement name escapes
// no equal sign.
std::string InfluxText(const std::string& text, bool measurement = false) {
    std::string s;
    for (char ch : text) {
        if (static_cast<unsigned char>(ch) < 0x20) ch = ' ';
        if (ch == '\\') ch = '/';
        if (ch == ',' || ch == ' ' || (ch == '=' && !measurement)) s += '\\';
        s += ch;
    }
    return s;
}

std::string Labels(const MeasurementStore& store, size_t d, size_t c) {
    std::string s = "[";
    const auto labels = store.SensorLabels(d, c);
    for (size_t i = 0; i < labels.size(); ++i) s += (i ? "," : "") + HundredthsText(labels[i], '.');
    return s + "]";
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

// A CSV field: quoted (with doubled quotes) when it holds a separator, a quote or a line end.
std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string s = "\"";
    for (const char ch : text) s += ch == '"' ? std::string("\"\"") : std::string(1, ch);
    return s + '"';
}

// A line protocol string field: quotes and backslashes escaped, line ends as spaces.
std::string InfluxString(const std::string& text) {
    std::string s = "\"";
    for (char ch : text) {
        if (ch == '\r' || ch == '\n') ch = ' ';
        if (ch == '"' || ch == '\\') s += '\\';
        s += ch;
    }
    return s + '"';
}

// A count that may not be known: its digits, or `unknown`.
std::string Known(long long n, const char* unknown) { return n >= 0 ? std::to_string(n) : std::string(unknown); }

}  // namespace

std::string ZonedTime(DateTime time) {
    const Moment m = MomentOf(time);
    const long offset = m.OffsetSeconds < 0 ? -m.OffsetSeconds : m.OffsetSeconds;
    const int ms = DecodeDateTime(time).Millisecond;
    char zone[32];
    if (ms != 0)
        std::snprintf(zone, sizeof zone, ".%03d%c%02ld:%02ld", ms, m.OffsetSeconds < 0 ? '-' : '+', offset / 3600,
                      offset / 60 % 60);
    else
        std::snprintf(zone, sizeof zone, "%c%02ld:%02ld", m.OffsetSeconds < 0 ? '-' : '+', offset / 3600,
                      offset / 60 % 60);
    return IsoTime(time) + zone;
}

bool ParseTags(const std::string& text, std::vector<std::pair<std::string, std::string>>& tags) {
    size_t at = 0;
    while (at <= text.size()) {
        const size_t comma = std::min(text.find(',', at), text.size());
        const std::string pair = text.substr(at, comma - at);
        const size_t eq = pair.find('=');
        if (eq == std::string::npos || eq == 0 || eq + 1 == pair.size()) return false;
        tags.emplace_back(pair.substr(0, eq), pair.substr(eq + 1));
        at = comma + 1;
    }
    return true;
}

std::string DevicesJson(const MeasurementStore& store) {
    std::string s = "[";
    for (size_t d = 0; d < store.Devices(); ++d) {
        const TDevSig& dev = store.DevSig(d);
        s += std::string(d ? "," : "") + "{\"address\":" + std::to_string(dev.Address) +
             ",\"device\":" + JsonString(dev.TypeName) + ",\"serial\":" + JsonString(SerialText(dev.Serial)) +
             ",\"comment\":" + JsonString(CommentOf(dev)) + ",\"port\":" + JsonString(dev.Source) + ",\"cables\":[";
        for (size_t c = 0; c < store.Cables(d); ++c)
            s += std::string(c ? "," : "") + "{\"cable\":" + std::to_string(c + 1) +
                 ",\"cable_serial\":" + std::to_string(store.CableSerials(d)[c]) +
                 ",\"kind\":" + std::to_string(store.CableKinds(d)[c]) + ",\"labels\":" + Labels(store, d, c) + "}";
        s += "]}";
    }
    return s + "]";
}

std::string AlarmJson(const MeasurementStore& store, size_t d, size_t c, size_t k, const std::string& state,
                      double limitMax, double limitMin, const std::string& lines) {
    std::vector<Temperature> values(store.Sensors(d, c));
    for (size_t s = 0; s < values.size(); ++s) values[s] = store.Samples(d, c, s)[k];
    const SampleRange range = RangeOf(values.data(), values.size());
    const auto number = [&](bool any, int hundredths) {
        return any ? HundredthsText(hundredths, '.') : std::string("null");
    };
    return "{\"time\":" + JsonString(ZonedTime(store.SampleTimes(d, c)[k])) +
           ",\"address\":" + std::to_string(store.DevSig(d).Address) + ",\"cable\":" + std::to_string(c + 1) +
           ",\"serial\":" + JsonString(SerialText(store.DevSig(d).Serial)) + ",\"state\":" + JsonString(state) +
           ",\"max\":" + number(range.Any, range.Max) + ",\"min\":" + number(range.Any, range.Min) +
           ",\"limit_max\":" + number(true, static_cast<int>(std::llround(limitMax * 100))) +
           ",\"limit_min\":" + number(true, static_cast<int>(std::llround(limitMin * 100))) +
           ",\"text\":" + JsonString(lines) + "}";
}

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

std::string CsvHeader(size_t sensors, bool health) {
    std::string s = "time,address,cable";
    if (health) s += ",port,lost,failed,failed_total,faults";
    for (size_t i = 1; i <= sensors; ++i) s += ",t" + std::to_string(i);
    return s + '\n';
}

std::string SampleLine(SampleFormat format, const MeasurementStore& store, size_t d, size_t c, size_t k,
                       const InfluxStyle& influx, const SampleHealth* health) {
    const TDevSig& dev = store.DevSig(d);
    const DateTime time = store.SampleTimes(d, c)[k];
    const size_t sensors = store.Sensors(d, c);
    std::string s;
    switch (format) {
    case SampleFormat::None:
        break;
    case SampleFormat::Csv:
        s = ZonedTime(time) + ',' + std::to_string(dev.Address) + ',' + std::to_string(c + 1);
        if (health)
            s += ',' + CsvField(dev.Source) + ',' + Known(health->Lost, "") + ',' + Known(health->Failed, "") + ',' +
                 Known(health->FailedTotal, "") + ',' + Known(health->FaultBits, "");
        for (size_t i = 0; i < sensors; ++i) s += ',' + ValueText(store.Samples(d, c, i)[k]);
        s += '\n';
        break;
    case SampleFormat::Json: {
        s = "{\"time\":" + JsonString(ZonedTime(time)) + ",\"address\":" + std::to_string(dev.Address) +
            ",\"cable\":" + std::to_string(c + 1) + ",\"device\":" + JsonString(dev.TypeName) +
            ",\"serial\":" + JsonString(SerialText(dev.Serial)) +
            ",\"cable_serial\":" + std::to_string(store.CableSerials(d)[c]) + ",\"comment\":" +
            JsonString(CommentOf(dev)) + ",\"port\":" + JsonString(dev.Source) +
            ",\"kind\":" + std::to_string(store.CableKinds(d)[c]) + ",\"labels\":" + Labels(store, d, c) +
            (health ? ",\"lost\":" + Known(health->Lost, "null") + ",\"failed\":" + Known(health->Failed, "null") +
                          ",\"failed_total\":" + Known(health->FailedTotal, "null") +
                          ",\"faults\":" + Known(health->FaultBits, "null")
                    : std::string()) +
            ",\"t\":[";
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
        if (health) {
            const std::pair<const char*, long long> counts[] = {{"lost", health->Lost},
                                                                {"failed", health->Failed},
                                                                {"failed_total", health->FailedTotal},
                                                                {"faults", health->FaultBits}};
            for (const auto& [name, n] : counts)
                if (n >= 0) fields += std::string(",") + name + '=' + std::to_string(n) + 'i';
            if (!dev.Source.empty()) fields += ",port=" + InfluxString(dev.Source);
        }
        s = InfluxText(influx.Measurement, true) + ",address=" + std::to_string(dev.Address) +
            ",cable=" + std::to_string(c + 1);
        if (!dev.TypeName.empty()) s += ",device=" + InfluxText(dev.TypeName);
        s += ",serial=" + SerialText(dev.Serial);
        if (const std::string comment = CommentOf(dev); !comment.empty()) s += ",comment=" + InfluxText(comment);
        for (const auto& [name, value] : influx.Tags) s += ',' + InfluxText(name) + '=' + InfluxText(value);
        s += ' ' + fields + ' ' + std::to_string(static_cast<long long>(MomentOf(time).Unix)) + "000000000\n";
        break;
    }
    }
    return s;
}

}  // namespace drumo::cli
