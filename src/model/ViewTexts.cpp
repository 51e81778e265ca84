#include "model/ViewTexts.h"

#include "model/Formats.h"

#include <cmath>
#include <cstdio>

namespace drumo {

std::string DeviceNumberText(unsigned serial, unsigned year) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%05u", serial);
    std::string text = buf;
    if (year >= 2010 && year <= 2098) text += "  " + std::to_string(year) + " г.";
    return text;
}

std::string ConnectedText(unsigned cables, unsigned sensors) {
    return "тк: " + std::to_string(cables) + "/дат: " + std::to_string(sensors);
}

std::string CableItemText(int i, int count, int cableSerial, int kind, int sensors) {
    std::string text = std::to_string(i + 1) + "/" + std::to_string(count) + " SNтк ";
    text += kind == 0 ? std::string("[ --- ]") : std::to_string(cableSerial);
    return text + " дат:" + std::to_string(sensors);
}

std::string LabelHeader(int kind) {
    switch (kind) {
    case 1:
    case 2: return " L, м";
    case 4: return " ->";
    default: return " №дат";
    }
}

std::string ValueHeader(int kind) { return kind == 4 ? " ->" : " T, °C"; }

std::string QuantityName(int label) {
    static const char* const names[] = {"To, °C", "RH, %", "AH, g/m", "DP, °C", "Pa, mm"};
    const long code = std::lround(label / 100.0);
    if (code >= 0 && code < 5) return names[code];
    // A slot this program does not know: show its code rather than a wrong name.
    return HundredthsText(label, '.');
}

std::string LabelCellText(int kind, int label, char mark) {
    return kind == 4 ? QuantityName(label) : " " + HundredthsText(label, mark);
}

std::string TableValueText(int value, char mark) {
    return value == NoValue ? " Error!" : " " + HundredthsText(value, mark);
}

std::string ReportValueText(int value, char mark) {
    return value == NoValue ? " Error!" : HundredthsText(value, mark);
}

std::string ReportHeading(int cableSerial, int sensors) {
    const std::string serial = cableSerial == 0 ? "[ --- ]" : std::to_string(cableSerial);
    return "SNтк " + serial + " дат:" + std::to_string(sensors);
}

std::string ReportColumnHeading(int kind, int label, char mark) {
    switch (kind) {
    case 1:
    case 2: return HundredthsText(label, mark) + " м";
    case 4: return QuantityName(label);
    default: return "№дат " + HundredthsText(label, mark);
    }
}

std::string GraphLineCaption(int kind, int row, int label, char mark) {
    const std::string n = std::to_string(row);
    switch (kind) {
    case 1:
    case 2: return "№" + n + "  " + HundredthsText(label, mark) + " м";
    case 4: return "(" + n + ") " + QuantityName(label);
    default: return "№" + n + "  №дат " + HundredthsText(label, mark);
    }
}

std::string GraphAxisCaption(int kind) {
    return kind == 4 ? "To, °C;  RH, %;  AH, g/m;  DP, °C" : "Температура, °C";
}

int PositionAxisLow(int firstLabel) { return static_cast<int>(std::trunc(firstLabel / 100.0)); }

int PositionAxisHigh(int lastLabel) {
    return static_cast<int>(std::trunc(lastLabel / 100.0 + 0.999999));
}

std::string CountsText(unsigned samples, unsigned shown) {
    return "Измерений: " + std::to_string(samples) + "/•" + std::to_string(shown);
}

}  // namespace drumo
