// The worksheet writer's records and the export of the whole store, checked as bytes and by an
// independent spreadsheet reader.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>

#include "files/FilesTestSupport.h"
#include "files/StoreExport.h"
#include "files/XlsWriter.h"
#include "model/Cp1251.h"
#include "support/FakeClock.h"
#include "support/ScriptedOperator.h"

namespace drumo {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Tail(const Bytes& all, size_t from) { return Bytes(all.begin() + static_cast<long>(from), all.end()); }

TEST(XlsWriter, OpeningRecordsOfEachBiffChoice) {
    TXlsWriter w;
    EXPECT_EQ(w.Bytes(), (Bytes{0x09, 0x08, 6, 0, 0x00, 0x02, 0x10, 0x00, 0x00, 0x00,
                                0x00, 0x02, 10, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0x00, 0x01, 0, 0}));
    w.BIFF = TBiffVersion::bvBIFF2;
    w.NewStream();
    EXPECT_EQ(w.Bytes(), (Bytes{0x09, 0x00, 4, 0, 0x00, 0x02, 0x10, 0x00,
                                0x00, 0x00, 8, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0x00, 0x01}));
    w.BIFF = TBiffVersion::bvBIFF4;
    w.NewStream();
    EXPECT_EQ(w.Bytes()[0], 0x09);
    EXPECT_EQ(w.Bytes()[1], 0x04);
    EXPECT_EQ(w.Bytes().size(), 24u);
}

TEST(XlsWriter, CellRecordsAsBytes) {
    TXlsWriter w;
    const size_t start = w.Bytes().size();
    w.WriteLabel(1, 1, "Тк");
    w.WriteNumber(3, 2, 21.5);
    w.WriteBlank(65535, 256);
    w.SetColumnWidth(3, 255, 7);
    w.Close();
    Bytes expected{0x04, 0, 10, 0, 0, 0, 0, 0, 0x40, 0, 0, 2, 0xD2, 0xEA};
    const Bytes number{0x03, 0, 15, 0, 2, 0, 1, 0, 0x40, 0, 0, 0, 0, 0, 0, 0, 0x80, 0x35, 0x40};
    expected.insert(expected.end(), number.begin(), number.end());
    const Bytes blank{0x01, 0, 7, 0, 0xFE, 0xFF, 0xFF, 0, 0x40, 0, 0};
    expected.insert(expected.end(), blank.begin(), blank.end());
    const Bytes width{0x24, 0, 4, 0, 2, 254, 0x00, 0x07};
    expected.insert(expected.end(), width.begin(), width.end());
    const Bytes eof{0x0A, 0, 0, 0};
    expected.insert(expected.end(), eof.begin(), eof.end());
    EXPECT_EQ(Tail(w.Bytes(), start), expected);
}

TEST(XlsWriter, AttributeBytes) {
    TXlsWriter w;
    EXPECT_EQ(w.Attributes(), (std::array<uint8_t, 3>{0x40, 0, 0}));
    w.Hidden = true;
    w.ActiveFont = 2;
    w.Shading = true;
    w.Alignment = TXlsAlignment::eaRight;
    w.Borders = ebTop | ebLeft;
    EXPECT_EQ(w.Attributes(), (std::array<uint8_t, 3>{0xC0, 0x80, 0x80 | 3 | 0x20 | 0x08}));
    w.Locked = false;
    w.Hidden = false;
    w.Shading = false;
    w.Alignment = TXlsAlignment::eaMultiPlan;
    w.Borders = ebBottom | ebRight;
    EXPECT_EQ(w.Attributes(), (std::array<uint8_t, 3>{0, 0x80, 7 | 0x40 | 0x10}));
}

TEST(XlsWriter, CursorFileNameLongLabelsAndWritingAfterClose) {
    TXlsWriter w;
    w.SetRow(5);
    w.SetColumn(256);
    w.WriteBlank(0, 0);  // 0 is no row or column: the cursor stays
    EXPECT_EQ(w.Row(), 6);  // moved right past the last column: first column of the next row
    EXPECT_EQ(w.Column(), 1);
    w.SetRow(0);
    w.SetColumn(257);
    EXPECT_EQ(w.Row(), 6);
    EXPECT_EQ(w.Column(), 1);

    w.SetFileName("/a.b/report.txt");
    EXPECT_EQ(w.FileName(), "/a.b/report.XLS");
    w.SetFileName("/a/report.Xls");
    EXPECT_EQ(w.FileName(), "/a/report.Xls");
    w.SetFileName("/a.b/report");
    EXPECT_EQ(w.FileName(), "/a.b/report.XLS");

    w.NewStream();
    const size_t start = w.Bytes().size();
    w.WriteLabel(1, 1, std::string(300, 'x'));
    EXPECT_EQ(w.Bytes().size() - start, 4u + 8u + 255u);
    EXPECT_EQ(w.Bytes()[start + 11], 255);

    w.Close();
    w.WriteBlank(1, 1);
    EXPECT_FALSE(w.Closed());
    EXPECT_EQ(w.Bytes().size(), 24u + 11u);
}

// Cells of a record stream: "label text", "number value" or "blank", by (row, column) from 1.
std::map<std::pair<int, int>, std::string> Cells(const Bytes& stream) {
    std::map<std::pair<int, int>, std::string> cells;
    for (const auto& rec : test::XlsRecords(stream)) {
        if (rec.Number != 4 && rec.Number != 3 && rec.Number != 1) continue;
        const int row = rec.Data[0] + rec.Data[1] * 256 + 1;
        const int col = rec.Data[2] + rec.Data[3] * 256 + 1;
        std::string& cell = cells[{row, col}];
        EXPECT_TRUE(cell.empty()) << "cell written twice " << row << "," << col;
        if (rec.Number == 4) {
            cell = Cp1251ToUtf8(std::string(rec.Data.begin() + 8, rec.Data.end()));
        } else if (rec.Number == 3) {
            double v;
            std::memcpy(&v, rec.Data.data() + 7, 8);
            char buf[32];
            std::snprintf(buf, sizeof buf, "%g", v);
            cell = std::string("=") + buf;
        } else {
            cell = "<blank>";
        }
    }
    return cells;
}

class StoreExportTest : public ::testing::Test {
protected:
    StoreExportTest() {
        test::AddDevice(store_, test::ExampleDevice());
        test::DeviceSpec probe;
        probe.TypeName = "Dorma-2/200";
        probe.Serial = 77;
        probe.Cables.push_back({9, 4, {0, 100, 400, 700}, {{Saved(), {2150, 5000, NoValue, 1}}}});
        probe.Cables.push_back({-3, 7, {250}, {{Saved(), {-1275}}}});
        test::AddDevice(store_, probe);
    }
    static DateTime Saved() { return EncodeDateTime(2017, 12, 5, 14, 3, 22); }

    test::ScriptedOperator op_;
    test::RecordingLog log_;
    MeasurementStore store_{op_, log_};
};

TEST_F(StoreExportTest, SheetLayout) {
    TXlsWriter w;
    ASSERT_TRUE(BuildStoreSheet(store_, w, "1.0.0.1", Saved()));
    EXPECT_TRUE(w.Closed());
    const auto cells = Cells(w.Bytes());
    const std::map<std::pair<int, int>, std::string> expected = {
        {{1, 1}, "[xls] Created by Drumo 1.0.0.1 05.12.17 14:03:22"},
        {{3, 1}, "Dorma-1/100 SN"}, {{3, 2}, "=1234"},
        {{4, 1}, "Tepmokoca SNtk"}, {{4, 2}, "=123"}, {{4, 3}, " L, m"}, {{4, 4}, "=0.5"}, {{4, 5}, "=1.5"},
        {{5, 1}, "05.12.2017"}, {{5, 2}, "14:03:22"}, {{5, 3}, " T, °C"}, {{5, 4}, "=21.5"}, {{5, 5}, "=21.75"},
        {{6, 1}, "05.12.2017"}, {{6, 2}, "14:08:22"}, {{6, 3}, " T, °C"}, {{6, 4}, "=21.5"}, {{6, 5}, "<blank>"},
        {{8, 1}, "Dorma-2/200 SN"}, {{8, 2}, "=77"},
        {{9, 1}, "Tepmokoca SNtk"}, {{9, 2}, "=9"}, {{9, 3}, " ->"},
        {{9, 4}, "To, °C"}, {{9, 5}, "RH, %"}, {{9, 6}, "Pa, mm"}, {{9, 7}, "Pa, mm"},  // code 7 repeats
        {{10, 1}, "05.12.2017"}, {{10, 2}, "14:03:22"},                                   // no unit: kind 4
        {{10, 4}, "=21.5"}, {{10, 5}, "=50"}, {{10, 6}, "<blank>"}, {{10, 7}, "=0.01"},
        {{12, 1}, "Tepmokoca SNtk"}, {{12, 2}, "=-3"}, {{12, 3}, " ->"}, {{12, 4}, "=2.5"},  // kind 7 repeats
        {{13, 1}, "05.12.2017"}, {{13, 2}, "14:03:22"}, {{13, 3}, " T, °C"}, {{13, 4}, "=-12.75"},
    };
    EXPECT_EQ(cells, expected);
    // Column widths: 15, 10 and 7 characters.
    std::vector<Bytes> widths;
    for (const auto& rec : test::XlsRecords(w.Bytes()))
        if (rec.Number == 0x24) widths.push_back(rec.Data);
    EXPECT_EQ(widths, (std::vector<Bytes>{{0, 0, 0, 15}, {1, 1, 0, 10}, {2, 254, 0, 7}}));
}

TEST_F(StoreExportTest, EmptyStoreGivesOnlyTheHeader) {
    MeasurementStore empty(op_, log_);
    TXlsWriter w;
    BuildStoreSheet(empty, w, "1.0.0.1", Saved());
    EXPECT_EQ(Cells(w.Bytes()).size(), 1u);
}

TEST_F(StoreExportTest, RowsBeyondTheSheetAreLeftOutNotWrittenOver) {
    MeasurementStore big(op_, log_);
    test::DeviceSpec d;
    d.Cables.push_back({1, 1, {100}, {}});
    for (int k = 0; k < 70000; ++k) d.Cables[0].Samples.push_back({Saved() + k * OneSecond, {static_cast<int16_t>(k % 1000)}});
    test::AddDevice(big, d);
    TXlsWriter w;
    EXPECT_FALSE(BuildStoreSheet(big, w, "1.0.0.1", Saved()));
    const auto cells = Cells(w.Bytes());  // fails on any cell written twice
    EXPECT_EQ(cells.rbegin()->first.first, 65535);
}

TEST_F(StoreExportTest, ExportAsksBeforeReplacingAndASpreadsheetReaderReadsIt) {
    test::TempFolder dir;
    test::FakeClock clock;
    clock.SetStartDay(Saved() - clock.TickMs() * OneMillisecond);
    const std::string name = ExportXls(store_, op_, log_, clock, "1.0.0.1", dir / "out");
    ASSERT_EQ(name, dir / "out.xls");
    EXPECT_TRUE(log_.Has(" > Файл " + name + " сохранен"));
    op_.Answer(false);
    EXPECT_EQ(ExportXls(store_, op_, log_, clock, "1.0.0.1", name), "");
    EXPECT_EQ(op_.messages.at(0).Text, "Файл " + name + " уже существует.\r\nЗаменить?");
    EXPECT_TRUE(op_.messages.at(0).PresetNo);

    if (std::system("/usr/bin/python3 -c 'import xlrd' 2>/dev/null") != 0)
        GTEST_SKIP() << "python3-xlrd is not installed";
    const std::string command = "/usr/bin/python3 " DRUMO_FILES_TEST_DIR "/read_xls.py '" + name + "'";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
    EXPECT_EQ(::pclose(pipe), 0) << out;
    for (const char* line : {"1,1: [xls] Created by Drumo 1.0.0.1 05.12.17 14:03:22\n", "3,1: Dorma-1/100 SN\n",
                             "3,2: 1234.0\n", "4,3:  L, m\n", "4,5: 1.5\n", "5,3:  T, °C\n", "5,4: 21.5\n",
                             "9,4: To, °C\n", "13,4: -12.75\n"})
        EXPECT_NE(out.find(line), std::string::npos) << line << "\nin:\n" << out;
    // A missing reading is an empty cell, never -273.
    EXPECT_EQ(out.find("6,5:"), std::string::npos);
    EXPECT_EQ(out.find("-273"), std::string::npos);
}

TEST_F(StoreExportTest, CsvHasOneRowPerSampleWithIsoTimes) {
    EXPECT_EQ(StoreCsv(store_),
              "device,device_serial,cable,cable_serial,time,t1,t2,t3,t4\r\n"
              "Dorma-1/100,1234,1,123,2017-12-05T14:03:22,21.50,21.75,,\r\n"
              "Dorma-1/100,1234,1,123,2017-12-05T14:08:22,21.50,,,\r\n"
              "Dorma-2/200,77,1,9,2017-12-05T14:03:22,21.50,50.00,,0.01\r\n"
              "Dorma-2/200,77,2,-3,2017-12-05T14:03:22,-12.75,,,\r\n");
}

}  // namespace
}  // namespace drumo
