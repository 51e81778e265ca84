#include "notebook/NotebookGraphs.h"

#include "model/Formats.h"
#include "notebook/NotebookRecords.h"

#include <cctype>
#include <cmath>

namespace drumo {

long DigitsOf(std::string_view cell) {
    long value = 0;
    for (char ch : cell) {
        if (ch >= '0' && ch <= '9' && value < 100000000) value = value * 10 + (ch - '0');
    }
    return value;
}

bool OfferableRun(const NotebookTable& table, int first, int last) {
    if (first < 0 || last - first < 1 || NotebookTable::RowB(last) >= table.RowCount()) return false;
    const std::string_view cable = table.Cell(NotebookTable::RowA(first), 2);
    const std::string_view count = table.Cell(NotebookTable::RowB(first), 2);
    if (DigitsOf(cable) == 0) return false;
    for (int k = first + 1; k <= last; ++k) {
        if (table.Cell(NotebookTable::RowA(k), 2) != cable || table.Cell(NotebookTable::RowB(k), 2) != count)
            return false;
    }
    return true;
}

std::string LineCaption(int kind, int line, std::string_view label) {
    const std::string number = "№" + std::to_string(line) + "  ";
    switch (kind) {
    case 0: case 3: return number + "№дат " + std::string(label);
    case 1: case 2: return number + std::string(label) + " м";
    default: return number + std::string(label);
    }
}

GraphRun DrawRun(const NotebookTable& table, int first, int last, char mark, NotebookGraphs& graphs) {
    GraphRun run;
    const int a0 = NotebookTable::RowA(first);
    const int n = static_cast<int>(DigitsOf(table.Cell(NotebookTable::RowB(first), 2)));
    const int kind = KindOfUnitText(table.Cell(a0, 3));
    graphs.CreateLines(n);
    graphs.SetLeftAxisCaption(kind == 4 ? "To, °C;  RH, %;  AH, g/m;  DP, °C" : "Температура, °C");
    for (int i = 1; i <= n; ++i) graphs.SetLineCaption(i, LineCaption(kind, i, table.Cell(a0, i + 3)));
    for (int k = first; k <= last; ++k) {
        const int a = NotebookTable::RowA(k), b = NotebookTable::RowB(k);
        DateTime date = 0, time = 0;
        if (!TryParseDate(table.Cell(a, 1), date) || !TryParseTime(table.Cell(b, 1), time)) {
            ++run.Undefined;
            continue;
        }
        ++run.Records;
        for (int i = 1; i <= n; ++i) {
            double value = 0;
            if (!TryParseNumber(table.Cell(b, i + 3), value, mark)) continue;
            graphs.AddPoint(i, date + time, value);
            ++run.Points;
        }
    }
    return run;
}

bool DrawRecordInTrend(const NotebookTable& table, int row, char mark, NotebookGraphs& graphs) {
    const int k = row / 3;
    const int a = NotebookTable::RowA(k), b = NotebookTable::RowB(k);
    graphs.SetTrendStatus(2, "main:  " + std::string(table.Cell(a, 1)) + " " + std::string(table.Cell(b, 1)));
    graphs.SetTrendStatus(3, "");
    graphs.SetTrendStatus(4, "Блокнот.....");
    if (table.Cell(a, 3) == "->") return false;
    const int kind = KindOfUnitText(table.Cell(a, 3));
    const bool inGround = graphs.TrendInGround();
    double firstLabel = 0, lastLabel = 0;
    bool any = false;
    for (int c = 4; !table.Cell(b, c).empty(); ++c) {
        double label = 0, value = 0;
        if (!TryParseNumber(table.Cell(a, c), label, mark) || !TryParseNumber(table.Cell(b, c), value, mark))
            continue;
        if (inGround)
            graphs.AddTrendPoint(value, label);
        else
            graphs.AddTrendPoint(label, value);
        if (!any) firstLabel = label;
        lastLabel = label;
        any = true;
    }
    graphs.SetPositionAxis(kind, static_cast<int>(std::trunc(firstLabel)),
                           static_cast<int>(std::trunc(lastLabel + 0.999999)));
    if (graphs.TrendAutoZoom()) graphs.TrendShowAll();
    return true;
}

}  // namespace drumo
