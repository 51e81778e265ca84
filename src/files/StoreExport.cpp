#include "files/StoreExport.h"

#include <cmath>
#include <cstdio>

#include "files/ArchiveFiles.h"
#include "files/ArchiveFormat.h"
#include "model/SafeFile.h"

namespace drumo {

namespace {

const char* KindText(uint8_t kind) {
    switch (kind) {
    case 0: return " Ndat";
    case 1: return " L, m";
    case 2: return " L, m";
    case 3: return " Ndat";
    case 4: return " ->";
    default: return nullptr;
    }
}

const char* QuantityText(long code) {
    switch (code) {
    case 0: return "To, °C";
    case 1: return "RH, %";
    case 2: return "AH, g/m";
    case 3: return "DP, °C";
    case 4: return "Pa, mm";
    default: return nullptr;
    }
}

// The short date of the system's Russian locale.
std::string ShortDate(DateTime value) {
    const CalendarTime t = DecodeDateTime(value);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d.%02d.%04d", t.Day, t.Month, t.Year);
    return buf;
}

}  // namespace

SheetOverflow StoreSheetOverflow(const MeasurementStore& store) {
    // The rows BuildStoreSheet lays out: the header, then per device a blank row and its own, per
    // cable its row (after a blank one from the second cable on) and one row per sample.
    SheetOverflow lost;
    long rows = 1;
    for (size_t d = 0; d < store.Devices(); ++d) {
        rows += 2;
        for (size_t c = 0; c < store.Cables(d); ++c) {
            rows += (c == 0 ? 1 : 2) + static_cast<long>(store.SampleTimes(d, c).size());
            const size_t sensors = store.SensorLabels(d, c).size();
            if (sensors + 3 > TXlsWriter::LastColumn) lost.Sensors += sensors + 3 - TXlsWriter::LastColumn;
        }
    }
    if (rows > TXlsWriter::LastRow) lost.Rows = rows - TXlsWriter::LastRow;
    return lost;
}

bool BuildStoreSheet(const MeasurementStore& store, TXlsWriter& writer, std::string_view programVersion,
                     DateTime now) {
    constexpr long LastRow = TXlsWriter::LastRow;
    constexpr size_t LastColumn = TXlsWriter::LastColumn;
    bool complete = true;
    // Sensor s goes to column s + 4; columns past the last are left out.
    auto fits = [&](size_t s) {
        if (s + 4 <= LastColumn) return true;
        complete = false;
        return false;
    };

    writer.SetColumnWidth(1, 1, 15);
    writer.SetColumnWidth(2, 2, 10);
    writer.SetColumnWidth(3, 255, 7);
    std::string header = "[xls] Created by Drumo ";
    header.append(programVersion);
    header += " " + FileDate(now) + " " + FileTime(now);
    writer.WriteLabel(1, 1, header);

    std::string lastKind, lastQuantity;
    long r = 1;
    for (size_t d = 0; d < store.Devices(); ++d) {
        const TDevSig& dev = store.DevSig(d);
        r += 2;
        if (r > LastRow) {
            complete = false;
            break;
        }
        const auto row = static_cast<uint16_t>(r);
        writer.WriteLabel(row, 1, dev.TypeName + " SN");
        writer.WriteNumber(row, 2, dev.Serial);
        const auto serials = store.CableSerials(d);
        const auto kinds = store.CableKinds(d);
        for (size_t c = 0; c < store.Cables(d) && r <= LastRow; ++c) {
            r += c == 0 ? 1 : 2;
            if (r > LastRow) break;
            const auto cableRow = static_cast<uint16_t>(r);
            const uint8_t kind = kinds[c];
            writer.WriteLabel(cableRow, 1, "Tepmokoca SNtk");
            writer.WriteNumber(cableRow, 2, serials[c]);
            if (const char* text = KindText(kind)) lastKind = text;
            writer.WriteLabel(cableRow, 3, lastKind);
            const auto labels = store.SensorLabels(d, c);
            for (size_t s = 0; s < labels.size() && fits(s); ++s) {
                const auto column = static_cast<uint16_t>(s + 4);
                if (kind == 4) {
                    if (const char* text = QuantityText(std::lround(labels[s] / 100.0))) lastQuantity = text;
                    writer.WriteLabel(cableRow, column, lastQuantity);
                } else {
                    writer.WriteNumber(cableRow, column, labels[s] / 100.0);
                }
            }
            const auto& times = store.SampleTimes(d, c);
            for (size_t k = 0; k < times.size(); ++k) {
                if (++r > LastRow) break;
                const auto sampleRow = static_cast<uint16_t>(r);
                writer.WriteLabel(sampleRow, 1, ShortDate(times[k]));
                writer.WriteLabel(sampleRow, 2, FileTime(times[k]));
                if (kind != 4) writer.WriteLabel(sampleRow, 3, " T, °C");
                for (size_t s = 0; s < labels.size() && fits(s); ++s) {
                    const auto column = static_cast<uint16_t>(s + 4);
                    const Temperature v = store.Samples(d, c, s)[k];
                    if (v == NoValue)
                        writer.WriteBlank(sampleRow, column);
                    else
                        writer.WriteNumber(sampleRow, column, v / 100.0);
                }
            }
        }
        if (r > LastRow) {
            complete = false;
            break;
        }
    }
    writer.Close();
    return complete;
}

std::string ExportXls(const MeasurementStore& store, Operator& op, EventLog& log, const Clock& clock,
                      std::string_view programVersion, const std::string& chosenName) {
    const std::string name =
        FileTypeOf(chosenName) == "xls" && chosenName.size() > 4 && chosenName[chosenName.size() - 4] == '.'
            ? chosenName
            : WithExtension(chosenName, ".xls");
    if (FileExists(name) && !op.AskDanger("Файл " + name + " уже существует.\r\nЗаменить?")) return {};

    TXlsWriter writer;
    writer.NewStream();
    writer.SetFileName(name);
    if (!BuildStoreSheet(store, writer, programVersion, clock.Now()))
        log.Log(" > Не все данные поместились на лист " + name);
    if (!CreateFileFolder(name) || !writer.SaveToFile()) {
        log.Log(" > Файл " + name + " занят другим приложением");
        op.Error("Файл " + name + " занят другим приложением");
        return {};
    }
    log.Log(" > Файл " + name + " сохранен");
    return name;
}

std::string IsoDateTime(DateTime value) {
    const CalendarTime t = DecodeDateTime(value);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d", t.Year, t.Month, t.Day, t.Hour,
                  t.Minute, t.Second);
    return buf;
}

namespace {

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

void AppendHundredths(std::string& out, int v) {
    char buf[16];
    const int magnitude = v < 0 ? -v : v;
    std::snprintf(buf, sizeof buf, "%s%d.%02d", v < 0 ? "-" : "", magnitude / 100, magnitude % 100);
    out += buf;
}

}  // namespace

std::string StoreCsv(const MeasurementStore& store) {
    size_t widest = 0;
    for (size_t d = 0; d < store.Devices(); ++d)
        for (size_t c = 0; c < store.Cables(d); ++c) widest = std::max(widest, store.Sensors(d, c));
    std::string out = "device,device_serial,cable,cable_serial,time";
    for (size_t s = 1; s <= widest; ++s) out += ",t" + std::to_string(s);
    out += "\r\n";
    for (size_t d = 0; d < store.Devices(); ++d) {
        const TDevSig& dev = store.DevSig(d);
        const std::string head = CsvField(dev.TypeName) + "," + std::to_string(dev.Serial) + ",";
        for (size_t c = 0; c < store.Cables(d); ++c) {
            const std::string cableHead =
                head + std::to_string(c + 1) + "," + std::to_string(store.CableSerials(d)[c]) + ",";
            const auto& times = store.SampleTimes(d, c);
            const size_t sensors = store.Sensors(d, c);
            for (size_t k = 0; k < times.size(); ++k) {
                out += cableHead;
                out += IsoDateTime(times[k]);
                for (size_t s = 0; s < widest; ++s) {
                    out += ',';
                    if (s >= sensors) continue;
                    const Temperature v = store.Samples(d, c, s)[k];
                    if (v != NoValue) AppendHundredths(out, v);
                }
                out += "\r\n";
            }
        }
    }
    return out;
}

}  // namespace drumo
