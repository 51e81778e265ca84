#include "notebook/NotebookRecords.h"

#include "model/ViewTexts.h"
#include "link/SignMagnitude.h"
#include "model/DateTime.h"
#include "model/Formats.h"

#include <algorithm>
#include <cmath>

namespace drumo {

namespace {

void AppendTwoDigits(std::string& out, int v) {
    if (v < 10) out.push_back('0');
    out.append(std::to_string(v));
}

// The cable column of row A: the serial in brackets, or dashes for kind 0.
std::string CableText(int kind, int serial) {
    if (kind == 0) return "SNтк: [ --- ]";
    return "SNтк: [ " + std::to_string(serial) + " ]";
}

std::string CountText(int n) { return "датчиков:  " + std::to_string(n); }

std::string RowBUnitText(int kind) {
    if (kind == 4) return "->";
    return kind <= 4 ? "T, °C" : std::string();
}

void AppendLabel(std::string& out, int kind, int label, char mark) {
    switch (kind) {
    case 1: AppendScaled(out, label, 1, mark); break;
    case 4: out.append(QuantityName(label * 100)); break;  // the names of the probe's slots
    default: out.append(std::to_string(label));
    }
}

// Numbers with a fraction, rounded as the panel wants: to `decimals` places, halves to even.
std::string Rounded(double x, int decimals, char mark) {
    const double scale = std::pow(10.0, decimals);
    return NumberText(std::nearbyint(x * scale) / scale, mark);
}

}  // namespace

std::string KindUnitText(int kind) {
    switch (kind) {
    case 0: return "N dat";
    case 1: return "L, м";
    case 2: return "L, м ";
    case 3: return "N dat ";
    case 4: return "->";
    default: return {};
    }
}

int KindOfUnitText(std::string_view text) {
    for (int kind = 0; kind <= 4; ++kind) {
        if (text == KindUnitText(kind)) return kind;
    }
    return -1;
}

namespace {

// Writes the record at word p into its two rows.
void FillRecord(std::span<const int16_t> words, size_t p, char mark, NoteRow& a, NoteRow& b) {
    const size_t used = words.size();
    const auto word = [&](size_t i) { return static_cast<uint16_t>(words[i]); };
    const int number = words[p];
    const int serial = p + 1 < used ? words[p + 1] : 0;
    const uint16_t w2 = p + 2 < used ? word(p + 2) : 0;
    const int n = w2 & 0xFF;
    const int kind = serial == 0 ? 0 : w2 >> 8;
    a.Reserve(n + 4, 40 + 5 * static_cast<size_t>(n));
    b.Reserve(n + 4, 40 + 7 * static_cast<size_t>(n));
    std::string cell = "n" + std::to_string(number);
    a.Add(cell);
    b.Add({});

    // Date and time: shown only when both make sense.
    bool valid = p + 5 < used;
    int sec = 0, min = 0, hour = 0, day = 0, month = 0, year = 0;
    if (valid) {
        sec = word(p + 3) >> 8, min = word(p + 3) & 0xFF;
        hour = word(p + 4) >> 8, day = word(p + 4) & 0xFF;
        month = word(p + 5) >> 8, year = word(p + 5) & 0xFF;
        valid = hour < 24 && min < 60 && sec < 60 && year < 100 && month >= 1 && month <= 12 && day >= 1 &&
                day <= DaysInMonth(2000 + year, month);
    }
    if (valid) {
        cell.clear();
        AppendTwoDigits(cell, day), cell += '.', AppendTwoDigits(cell, month), cell += ".20";
        AppendTwoDigits(cell, year);
        a.Add(cell);
        cell.clear();
        AppendTwoDigits(cell, hour), cell += ':', AppendTwoDigits(cell, min), cell += ':';
        AppendTwoDigits(cell, sec);
        b.Add(cell);
    } else {
        a.Add("--.--.----");
        b.Add("--:--:--");
    }
    a.Add(kind <= 4 ? CableText(kind, serial) : std::string());
    b.Add(CountText(n));
    a.Add(KindUnitText(kind));
    b.Add(RowBUnitText(kind));

    for (int s = 0; s < n; ++s) {
        const size_t at = p + 6 + 2 * static_cast<size_t>(s);
        if (at + 1 >= used) break;
        cell.clear();
        if (kind <= 4) AppendLabel(cell, kind, words[at], mark);
        a.Add(cell);
        cell.clear();
        AppendScaled(cell, words[at + 1], 2, mark);
        b.Add(cell);
    }
}

}  // namespace

void ParseRecords(std::span<const int16_t> words, int records, char mark, NotebookTable& table) {
    // Where each record starts; the texts are written when a row is first read.
    auto source = std::make_shared<std::vector<int16_t>>(words.begin(), words.end());
    auto offsets = std::make_shared<std::vector<size_t>>();
    int columns = NotebookTable::EmptyColumns;
    for (size_t p = 0; static_cast<int>(offsets->size()) < records && p < words.size();) {
        offsets->push_back(p);
        const int n = p + 2 < words.size() ? static_cast<uint16_t>(words[p + 2]) & 0xFF : 0;
        columns = std::max(columns, n + 4);
        p += 6 + 2 * static_cast<size_t>(n);
    }
    table.SetRecordSource(static_cast<int>(offsets->size()), [source, offsets, mark](int k, NoteRow& a, NoteRow& b) {
        FillRecord(*source, (*offsets)[k], mark, a, b);
    });
    table.EnsureColumns(columns);
    table.SetRowCount(records > 0 ? 3 * records : NotebookTable::EmptyRows);
}

int WholeRecords(std::span<const int16_t> words, int records) {
    int whole = 0;
    for (size_t p = 0; whole < records && p + 6 <= words.size(); ++whole) {
        p += 6 + 2 * static_cast<size_t>(static_cast<uint16_t>(words[p + 2]) & 0xFF);
        if (p > words.size()) break;
    }
    return whole;
}

bool ParsePage(std::span<const uint8_t, 54> page, int index, int pageNumber, char mark, NotebookTable& table) {
    const int n = page[53] & 0x3F;
    if (n == 0) return false;
    const int serial = page[51] << 8 | page[52];
    const int kind = serial == 0 ? 0 : page[53] >> 6;
    const int shown = std::min(n, 17);  // a page holds 17 sensors at most
    table.EnsureColumns(shown + 4);
    NoteRow& b = table.Row(NotebookTable::RowB(index));
    NoteRow& a = table.Row(NotebookTable::RowA(index));
    a.Add("n" + std::to_string(pageNumber));
    b.Add({});
    a.Add("--.--.----");
    b.Add("--:--:--");
    a.Add(CableText(kind, serial));
    b.Add(CountText(n));
    a.Add(KindUnitText(kind));
    b.Add(RowBUnitText(kind));
    std::string cell;
    for (int s = 0; s < shown; ++s) {
        cell.clear();
        const int label = page[3 * s + 2];
        if (kind == 1)
            AppendScaled(cell, label, 1, mark);
        else
            cell = std::to_string(label);
        a.Add(cell);
        cell.clear();
        AppendScaled(cell, SignMagnitudeToInt(page[3 * s], page[3 * s + 1], -1), 2, mark);
        b.Add(cell);
    }
    return true;
}

std::array<std::string, 6> InfoPanelLines(const NotebookInfo& info, char mark) {
    const auto kb = [&](double words) { return Rounded(words * 2 / 1024, 1, mark); };
    // A device that reports no size gets no percentages rather than a division by zero.
    const double used = info.SizeWords > 0 ? static_cast<double>(info.UsedWords) / info.SizeWords * 100 : 0;
    const double free =
        info.SizeWords > 0 ? static_cast<double>(info.SizeWords - info.UsedWords) / info.SizeWords * 100 : 0;
    std::string records = "Записей: " + std::to_string(info.Records);
    if (info.MaxRecords > 0) records += " (max: " + std::to_string(info.MaxRecords) + ")";
    return {"Занято: " + kb(info.UsedWords) + " КБ (" + Rounded(used, 2, mark) + "%)",
            "Свободно: " + kb(info.SizeWords - info.UsedWords) + " КБ (" + Rounded(free, 2, mark) + "%)",
            "Объем памяти: " + kb(info.SizeWords) + " КБ",
            records,
            info.AutoWrite != 0 ? "Автозапись: Вкл." : "Автозапись: Откл.",
            "Напр. питания: " + NumberText(info.Voltage / 100.0, mark) + " В"};
}

std::array<std::string, 6> PagePanelLines(int pages, char mark) {
    return {"Занято: " + std::to_string(54 * pages) + " байт (" + Rounded(pages / 9.0 * 100, 1, mark) + "%)",
            "Свободно: " + std::to_string(486 - 54 * pages) + " байт (" + Rounded((9 - pages) / 9.0 * 100, 1, mark) +
                "%)",
            "Объем памяти: 486 байт",
            "Записей: " + std::to_string(pages) + " (max: 9)",
            "Автозапись: н/д",
            "Напр. питания: н/д"};
}

}  // namespace drumo
