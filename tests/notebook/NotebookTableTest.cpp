// The notebook's records, pages and info panel as table texts, and the records put on the graphs.

#include "model/Formats.h"
#include "notebook/NotebookGraphs.h"
#include "notebook/NotebookRecords.h"
#include "notebook/NotebookTable.h"
#include "support/FakeNotebookGraphs.h"

#include <gtest/gtest.h>

namespace drumo::test {
namespace {

struct Rec {
    int Number = 1;
    int Serial = 123;
    int Kind = 1;
    int Sec = 0, Min = 30, Hour = 14, Day = 5, Month = 12, Year = 17;
    std::vector<std::pair<int, int>> Sensors = {{5, 2150}, {15, 2175}};
};

void Append(std::vector<int16_t>& w, const Rec& r) {
    w.push_back(static_cast<int16_t>(r.Number));
    w.push_back(static_cast<int16_t>(r.Serial));
    w.push_back(static_cast<int16_t>(r.Kind << 8 | static_cast<int>(r.Sensors.size())));
    w.push_back(static_cast<int16_t>(r.Sec << 8 | r.Min));
    w.push_back(static_cast<int16_t>(r.Hour << 8 | r.Day));
    w.push_back(static_cast<int16_t>(r.Month << 8 | r.Year));
    for (auto [label, value] : r.Sensors) {
        w.push_back(static_cast<int16_t>(label));
        w.push_back(static_cast<int16_t>(value));
    }
}

// Row A then row B of record 0, each cell followed by "|".
std::string Rows(const NotebookTable& t, int k = 0) {
    std::string s;
    for (int row : {NotebookTable::RowA(k), NotebookTable::RowB(k)}) {
        for (int c = 0; c < t.ColumnCount(); ++c) s += std::string(t.Cell(row, c)) + "|";
        s += "\n";
    }
    return s;
}

TEST(NoteRow, CellsAndLinesWhateverTheirNumberAndLength) {
    // Rows of 0 to 40 cells (empty ones, long ones, Cyrillic ones), made cell by cell and from
    // their text: every cell, the cells past the end and every leading part as a line.
    for (size_t n = 0; n <= 40; ++n) {
        std::vector<std::string> cells;
        for (size_t c = 0; c < n; ++c)
            cells.push_back(c % 5 == 3 ? "" : c % 7 == 0 ? std::string(300 + c, 'x') : "Т" + std::to_string(c));
        NoteRow added, set;
        std::string text;
        for (const auto& cell : cells) {
            added.Add(cell);
            text += cell + "\t";
        }
        set.SetCells(text + "no cell");
        for (const NoteRow* row : {&added, &set}) {
            ASSERT_EQ(row->Cells(), n);
            EXPECT_EQ(row->Text(), text);
            for (size_t c = 0; c < n + 2; ++c) EXPECT_EQ(row->Cell(c), c < n ? cells[c] : "") << n << " " << c;
            std::string line;
            for (size_t c = 0; c <= n + 2; ++c) {
                EXPECT_EQ(row->Line(c), line) << n << " " << c;
                line += (c < n ? cells[c] : "") + "\t";
            }
        }
    }
}

TEST(NotebookRecords, EveryKindGivesItsTexts) {
    struct Case {
        const char* name;
        Rec rec;
        char mark;
        std::string rows;
    };
    const Case cases[] = {
        {"kind 1 in tenths of a metre", Rec{}, '.',
         "n1|05.12.2017|SNтк: [ 123 ]|L, м|0.5|1.5|\n|14:30:00|датчиков:  2|T, °C|21.5|21.75|\n"},
        {"comma mark", Rec{}, ',',
         "n1|05.12.2017|SNтк: [ 123 ]|L, м|0,5|1,5|\n|14:30:00|датчиков:  2|T, °C|21,5|21,75|\n"},
        {"kind 0", Rec{.Kind = 0, .Sensors = {{7, -5}}}, '.',
         "n1|05.12.2017|SNтк: [ --- ]|N dat|7|\n|14:30:00|датчиков:  1|T, °C|-0.05|\n"},
        {"kind 2 has a trailing space", Rec{.Kind = 2, .Sensors = {{12, 100}}}, '.',
         "n1|05.12.2017|SNтк: [ 123 ]|L, м |12|\n|14:30:00|датчиков:  1|T, °C|1|\n"},
        {"kind 3 has a trailing space", Rec{.Kind = 3, .Sensors = {{4, 0}}}, '.',
         "n1|05.12.2017|SNтк: [ 123 ]|N dat |4|\n|14:30:00|датчиков:  1|T, °C|0|\n"},
        {"kind 4 names its quantities", Rec{.Kind = 4, .Sensors = {{0, 1810}, {1, 6520}, {4, 7401}}}, '.',
         "n1|05.12.2017|SNтк: [ 123 ]|->|To, °C|RH, %|Pa, mm|\n|14:30:00|датчиков:  3|->|18.1|65.2|74.01|\n"},
        {"serial 0 is kind 0 whatever word 2 says", Rec{.Serial = 0, .Kind = 2, .Sensors = {{3, 2000}}}, '.',
         "n1|05.12.2017|SNтк: [ --- ]|N dat|3|\n|14:30:00|датчиков:  1|T, °C|20|\n"},
        {"25 o'clock keeps the values", Rec{.Hour = 25, .Sensors = {{10, 1234}}}, '.',
         "n1|--.--.----|SNтк: [ 123 ]|L, м|1|\n|--:--:--|датчиков:  1|T, °C|12.34|\n"},
        {"30 February", Rec{.Day = 30, .Month = 2, .Sensors = {{10, 1}}}, '.',
         "n1|--.--.----|SNтк: [ 123 ]|L, м|1|\n|--:--:--|датчиков:  1|T, °C|0.01|\n"},
        {"a kind above 4 shows values only", Rec{.Kind = 7, .Sensors = {{10, 1500}}}, '.',
         "n1|05.12.2017||||\n|14:30:00|датчиков:  1||15|\n"},
    };
    for (const Case& c : cases) {
        std::vector<int16_t> words;
        Append(words, c.rec);
        NotebookTable t;
        ParseRecords(words, 1, c.mark, t);
        EXPECT_EQ(Rows(t), c.rows) << c.name;
        EXPECT_EQ(t.RowCount(), 3) << c.name;
    }
}

TEST(NotebookRecords, RecordsFollowEachOtherAndStopAtTheEndOfTheWords) {
    std::vector<int16_t> words;
    Append(words, Rec{.Number = 1, .Sensors = {{5, 100}}});
    Append(words, Rec{.Number = 2, .Sensors = {{5, 200}, {10, 300}, {15, 400}}});
    words.resize(words.size() - 3);  // the last record is cut short in its second sensor
    NotebookTable t;
    ParseRecords(words, 5, '.', t);
    EXPECT_EQ(t.RowCount(), 15);
    EXPECT_EQ(t.ColumnCount(), 7);
    EXPECT_EQ(Rows(t, 1), "n2|05.12.2017|SNтк: [ 123 ]|L, м|0.5|||\n|14:30:00|датчиков:  3|T, °C|2|||\n");
    EXPECT_EQ(t.Records(), 2);
    EXPECT_EQ(NotebookTable::HeaderCell(4), " №1");

    // An empty table: 2 rows, 5 columns.
    ParseRecords({}, 0, '.', t);
    EXPECT_EQ(t.RowCount(), 2);
    EXPECT_EQ(t.ColumnCount(), 5);
}

TEST(NotebookRecords, ScaledNumbersAreTheShortestDecimalText) {
    std::string out;
    for (int v = -32768; v <= 32767; v += 7) {
        for (int decimals : {1, 2}) {
            out.clear();
            AppendScaled(out, v, decimals, ',');
            ASSERT_EQ(out, NumberText(v / (decimals == 1 ? 10.0 : 100.0), ',')) << v;
        }
    }
}

TEST(NotebookRecords, PagesOfTheSmallLogger) {
    std::array<uint8_t, 54> page{};
    page[0] = 0x80, page[1] = 150, page[2] = 12;  // -1.5 at 1.2 m
    page[3] = 0x08, page[4] = 0x34, page[5] = 25;  // 21 at 2.5 m
    page[51] = 0x01, page[52] = 0x02;             // serial 258
    page[53] = 1 << 6 | 2;                        // kind 1, two sensors
    NotebookTable t;
    ASSERT_TRUE(ParsePage(page, 0, 3, '.', t));
    t.SetRowCount(3);
    EXPECT_EQ(Rows(t), "n3|--.--.----|SNтк: [ 258 ]|L, м|1.2|2.5|\n|--:--:--|датчиков:  2|T, °C|-1.5|21|\n");
    page[53] = 0;
    EXPECT_FALSE(ParsePage(page, 1, 4, '.', t));

    EXPECT_EQ(PagePanelLines(5, ','),
              (std::array<std::string, 6>{"Занято: 270 байт (55,6%)", "Свободно: 216 байт (44,4%)",
                                          "Объем памяти: 486 байт", "Записей: 5 (max: 9)", "Автозапись: н/д",
                                          "Напр. питания: н/д"}));
}

TEST(NotebookRecords, InfoPanel) {
    EXPECT_EQ(InfoPanelLines({120, 1000, 5000, 32768, 1234, 1}, '.'),
              (std::array<std::string, 6>{"Занято: 9.8 КБ (15.26%)", "Свободно: 54.2 КБ (84.74%)",
                                          "Объем памяти: 64 КБ", "Записей: 120 (max: 1000)", "Автозапись: Вкл.",
                                          "Напр. питания: 12.34 В"}));
    // No maximum, auto-write off, and a device that gives no size: no percentages to divide.
    EXPECT_EQ(InfoPanelLines({0, 0, 0, 0, -50, 0}, ','),
              (std::array<std::string, 6>{"Занято: 0 КБ (0%)", "Свободно: 0 КБ (0%)", "Объем памяти: 0 КБ",
                                          "Записей: 0", "Автозапись: Откл.", "Напр. питания: -0,5 В"}));
}

NotebookTable TableOf(const std::vector<Rec>& records) {
    std::vector<int16_t> words;
    for (const Rec& r : records) Append(words, r);
    NotebookTable t;
    ParseRecords(words, static_cast<int>(records.size()), '.', t);
    return t;
}

TEST(NotebookGraphOffer, OnlyARunOfOneCable) {
    const Rec a{}, other{.Serial = 124}, fewer{.Sensors = {{5, 1}}}, none{.Serial = 0};
    struct Case {
        const char* name;
        std::vector<Rec> records;
        bool offered;
    };
    const Case cases[] = {
        {"two records of one cable", {a, a}, true},
        {"one record", {a}, false},
        {"another cable", {a, a, other}, false},
        {"another sensor count", {a, fewer}, false},
        {"no cable serial", {none, none}, false},
    };
    for (const Case& c : cases) {
        const NotebookTable t = TableOf(c.records);
        EXPECT_EQ(OfferableRun(t, 0, static_cast<int>(c.records.size()) - 1), c.offered) << c.name;
    }
    EXPECT_TRUE(OfferableRun(TableOf({a, a, other}), 0, 1));
}

TEST(NotebookGraphOffer, RunBecomesOneLinePerSensorWithoutUndefinedTimes) {
    const NotebookTable t = TableOf({Rec{.Number = 1}, Rec{.Number = 2, .Hour = 25}, Rec{.Number = 3, .Hour = 15}});
    FakeNotebookGraphs g;
    const GraphRun run = DrawRun(t, 0, 2, '.', g);
    EXPECT_EQ(run.Records, 2);
    EXPECT_EQ(run.Undefined, 1);
    EXPECT_EQ(run.Points, 4);
    EXPECT_EQ(g.Calls, (std::vector<std::string>{"CreateLines 2", "LeftAxis Температура, °C"}));
    EXPECT_EQ(g.Captions, (std::vector<std::string>{"№1  0.5 м", "№2  1.5 м"}));
    ASSERT_EQ(g.Lines[1].size(), 2u);
    EXPECT_DOUBLE_EQ(g.Lines[1][1].second, 21.75);
    EXPECT_NEAR(g.Lines[1][1].first, EncodeDateTime(2017, 12, 5, 15, 30, 0), 1e-9);

    EXPECT_EQ(LineCaption(0, 3, "17"), "№3  №дат 17");
    EXPECT_EQ(LineCaption(4, 1, "RH, %"), "№1  RH, %");
}

TEST(NotebookGraphOffer, RecordDrawnAlongTheCable) {
    const NotebookTable t = TableOf({Rec{.Sensors = {{5, 2150}, {15, 2175}, {27, 2200}}}, Rec{.Kind = 4}});
    FakeNotebookGraphs g;
    g.AutoZoom = true;
    ASSERT_TRUE(DrawRecordInTrend(t, 2, '.', g));
    EXPECT_EQ(g.TrendPoints, (std::vector<std::pair<double, double>>{{0.5, 21.5}, {1.5, 21.75}, {2.7, 22}}));
    EXPECT_EQ(g.Calls, (std::vector<std::string>{"TrendStatus 2 main:  05.12.2017 14:30:00", "TrendStatus 3 ",
                                                 "TrendStatus 4 Блокнот.....", "PositionAxis 1 0 3",
                                                 "TrendShowAll"}));
    g.InGround = true;
    g.TrendPoints.clear();
    DrawRecordInTrend(t, 1, '.', g);
    EXPECT_EQ(g.TrendPoints.front(), (std::pair<double, double>{21.5, 0.5}));
    // A record of quantities is not drawn.
    g.TrendPoints.clear();
    EXPECT_FALSE(DrawRecordInTrend(t, 4, '.', g));
    EXPECT_TRUE(g.TrendPoints.empty());
}

}  // namespace
}  // namespace drumo::test
