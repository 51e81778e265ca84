#include "sim/Notebook.h"

#include "link/SignMagnitude.h"

#include <algorithm>

namespace drumo::sim {

int16_t LabelForNotebook(uint8_t kind, int16_t hundredths) {
    switch (kind) {
    case 1: return static_cast<int16_t>(hundredths / 10);
    default: return static_cast<int16_t>(hundredths / 100);
    }
}

void AppendRecord(std::vector<int16_t>& words, const NotebookRecord& r) {
    const int n = static_cast<int>(std::min(r.Labels.size(), r.Values.size()));
    words.push_back(static_cast<int16_t>(r.Number));
    words.push_back(static_cast<int16_t>(r.CableSerial));
    words.push_back(static_cast<int16_t>(r.Kind << 8 | (n & 0xFF)));
    words.push_back(static_cast<int16_t>(r.Second << 8 | r.Minute));
    words.push_back(static_cast<int16_t>(r.Hour << 8 | r.Day));
    words.push_back(static_cast<int16_t>(r.Month << 8 | ((r.Year - 2000) & 0xFF)));
    for (int s = 0; s < n; ++s) {
        words.push_back(r.Labels[s]);
        words.push_back(r.Values[s]);
    }
}

NotebookRecord RecordOf(const SimCable& cable, int cableIndex, const Climate& climate, DateTime when, int number) {
    NotebookRecord r;
    r.Number = number;
    r.CableSerial = cable.Serial;
    r.Kind = cable.Kind;
    const CalendarTime t = DecodeDateTime(when);
    r.Year = t.Year;
    r.Month = t.Month;
    r.Day = t.Day;
    r.Hour = t.Hour;
    r.Minute = t.Minute;
    r.Second = t.Second;
    for (int s = 0; s < cable.Sensors(); ++s) {
        r.Labels.push_back(LabelForNotebook(cable.Kind, cable.Labels[s]));
        r.Values.push_back(climate.Hundredths(cable, cableIndex, s, when));
    }
    return r;
}

NotebookContent SampleNotebook(const std::vector<SimCable>& cables, const Climate& climate, DateTime until,
                               int rounds, bool withInvalidTime) {
    NotebookContent content;
    int number = 1;
    for (int round = 0; round < rounds; ++round) {
        const DateTime when = until - (rounds - round) * OneHour;
        for (size_t c = 0; c < cables.size(); ++c) {
            if (cables[c].Sensors() == 0) continue;
            NotebookRecord r = RecordOf(cables[c], static_cast<int>(c), climate, when, number);
            if (withInvalidTime && number == 2) r.Hour = 25;
            AppendRecord(content.Words, r);
            ++number;
        }
    }
    content.Records = number - 1;
    return content;
}

std::array<uint8_t, 486> SamplePages(const SimCable& cable, const Climate& climate, DateTime until, int filled) {
    std::array<uint8_t, 486> pages{};
    const int n = std::min(cable.Sensors(), 17);
    for (int p = 0; p < std::min(filled, 9); ++p) {
        uint8_t* page = pages.data() + p * 54;
        const DateTime when = until - (filled - p) * OneHour;
        for (int s = 0; s < n; ++s) {
            IntToSignMagnitude(climate.Hundredths(cable, 0, s, when), page[3 * s], page[3 * s + 1]);
            page[3 * s + 2] = static_cast<uint8_t>(LabelForNotebook(cable.Kind, cable.Labels[s]));
        }
        page[51] = static_cast<uint8_t>(cable.Serial >> 8);
        page[52] = static_cast<uint8_t>(cable.Serial & 0xFF);
        const uint8_t kind = cable.Serial == 0 ? 0 : cable.Kind & 3;
        page[53] = static_cast<uint8_t>(kind << 6 | (n & 0x3F));
    }
    return pages;
}

}  // namespace drumo::sim
