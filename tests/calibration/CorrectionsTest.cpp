// The correction table: the sensor record bytes, the limits, the calculations against a reference
// thermometer, the sensor files, and the read and write against the simulated Hexar-1/100 over a
// pseudo-terminal.

#include "calibration/Corrections.h"
#include "calibration/Numbering.h"

#include "station/Station.h"
#include "link/PosixSerialPort.h"
#include "model/Formats.h"
#include "sim/Faults.h"
#include "sim/Presets.h"
#include "sim/SimClock.h"
#include "support/FakeClock.h"
#include "support/RecordingLog.h"
#include "support/ScriptedOperator.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>
#include <filesystem>
#include <optional>
#include <fstream>

namespace drumo::test {
namespace {

using Col = CorrectionColumn;

void SetRow(CorrectionTable& t, int row, const char* id, const char* s30, const char* p100, const char* status) {
    t.SetCell(row, Col::Id, id);
    t.SetCell(row, Col::S30, s30);
    t.SetCell(row, Col::P100, p100);
    t.SetCell(row, Col::Status, status);
}

// Lines of fixed points, newest last.
struct Lines final : CalibrationLines {
    std::vector<std::vector<double>> Points;
    std::vector<bool> Readable;
    int LineCount() const override { return static_cast<int>(Points.size()); }
    size_t PointCount(int line) const override { return Points[line - 1].size(); }
    std::vector<double> NewestPoints(int line, size_t n) const override {
        const auto& p = Points[line - 1];
        return {p.rbegin(), p.rbegin() + static_cast<long>(std::min(n, p.size()))};
    }
    bool CurrentValueReadable(int line) const override { return Readable.empty() || Readable[line - 1]; }
};

TEST(CorrectionRecords, ValuesGoToTheControllerAsSignAndMagnitudeAndComeBackRounded) {
    struct Case {
        const char *s30, *p100, *status;
        std::array<uint8_t, 4> bytes;  // S30 then P100, high bytes first
        const char *s30Back, *p100Back;
    } cases[] = {
        {"0.3", "-0.75", "0", {0x00, 0x05, 0x00, 0x08}, "0.3125", "-0.8"},  // 4.8 -> 5; 7.5 -> 8 (even)
        {"-0.5", "-1.5", "0", {0x80, 0x08, 0x00, 0x0F}, "-0.5", "-1.5"},
        {"-0.01", "0", "0", {0x80, 0x00, 0x00, 0x00}, "0", "0"},          // the sign of a rounded-away value stays
        {"0", "12", "2", {0x00, 0x00, 0x00, 0x0C}, "0", "12"},            // a cable number, not a coefficient
    };
    for (const auto& c : cases) {
        CorrectionTable table;
        SetRow(table, 1, "7", c.s30, c.p100, c.status);
        TableRefusal refusal;
        const auto records = table.Check(1, '.', refusal);
        ASSERT_TRUE(records) << refusal.Text;
        const std::vector<uint8_t> bytes = records->Block(0);
        ASSERT_EQ(bytes.size(), 6u);
        EXPECT_EQ(bytes[0], std::atoi(c.status));
        EXPECT_EQ(bytes[1], 7);
        EXPECT_EQ((std::array<uint8_t, 4>{bytes[2], bytes[3], bytes[4], bytes[5]}), c.bytes) << c.s30 << " " << c.p100;
        CorrectionTable back;
        back.SetRecord(1, SensorRecord::FromBytes(bytes.data()), '.');
        EXPECT_EQ(back.Cell(1, Col::S30), c.s30Back);
        EXPECT_EQ(back.Cell(1, Col::P100), c.p100Back);
    }
}

TEST(CorrectionRecords, WriteRefusesRowsOutsideTheLimitsAndAMissingRow) {
    CorrectionTable table;
    SetRow(table, 1, "1", "0.4375", "-1.5", "0");
    SetRow(table, 2, "2", "0.5", "0.2", "0");  // both out: listed twice
    SetRow(table, 3, "3", "0", "12", "2");     // a cable number is no coefficient
    std::string list, error;
    ASSERT_TRUE(table.LimitCheck(3, '.', list, error));
    EXPECT_EQ(list, " №2 №2");

    table.SetCell(3, Col::S30, "0,1");
    EXPECT_FALSE(table.LimitCheck(3, '.', list, error));
    EXPECT_EQ(error, NotANumberText("0,1") + "\r\nСтрока №3, «S30, °С»: 0,1");

    // A store with a device, but a table of 3 rows for 4 sensors.
    ScriptedOperator op;
    RecordingLog log;
    MeasurementStore store(op, log);
    store.SetDeviceCount(1);
    store.CountDevice();
    table.SensorCount = 4;
    FakeClock clock;
    CorrectionView view;
    Lines lines;
    PosixSerialPort port;
    Station station{StationServices{port, op, log, clock}};
    table.ReadWhole = true;
    EXPECT_FALSE(WriteCorrections(station.Bus(), store, table, lines, op, clock, view));
    EXPECT_EQ(op.messages.back().Text, "Количество датчиков не совпадает!\r\nОбновите подключение к прибору");
    // Rows that match a count no whole read gave are refused the same way.
    table.SensorCount = 3;
    table.ReadWhole = false;
    op.Clear();
    EXPECT_FALSE(WriteCorrections(station.Bus(), store, table, lines, op, clock, view));
    EXPECT_EQ(op.Shown(), std::vector<std::string>{"warning: Количество датчиков не совпадает!\r\nОбновите подключение к прибору"});
}

// A value the six bytes cannot hold, or no number at all, refuses the whole table and names the
// row, instead of reaching the sensor cut to its low bits, clamped or rounded.
TEST(CorrectionRecords, EveryRowIsConvertedAndCheckedBeforeAnythingIsSent) {
    const std::string invalid = "warning: Недопустимые значения в таблице! Запись отменена!\r\nСтрока №2, ";
    struct Case {
        const char *id, *s30, *p100, *status;
        std::string shown;  // "" when the rows pass
    } cases[] = {
        {"255", "-0.5", "-32767", "3", ""},
        {"300", "0", "0", "0", invalid + "«ID Code»: 300 (целое число от 0 до 255)"},
        {"-1", "0", "0", "0", invalid + "«ID Code»: -1 (целое число от 0 до 255)"},
        {"1e30", "0", "0", "0", invalid + "«ID Code»: 1e30 (целое число от 0 до 255)"},
        {"2.7", "0", "0", "0", invalid + "«ID Code»: 2.7 (целое число от 0 до 255)"},
        {"---", "0", "0", "0", "error: " + std::string(BadNumberFormatText) + "\r\nСтрока №2, «ID Code»: ---"},
        {"5", "0", "0", "1.5", invalid + "«Status»: 1.5 (целое число от 0 до 3)"},
        {"5", "0", "0", "256", invalid + "«Status»: 256 (целое число от 0 до 3)"},
        {"5", "0", "40000", "2", invalid + "«P100»: 40000 (номер термокосы: целое число от -32767 до 32767)"},
        {"5", "abc", "0", "0", "error: 'abc' не является числом\r\nСтрока №2, «S30, °С»: abc"},
    };
    for (const auto& c : cases) {
        CorrectionTable table;
        SetRow(table, 1, "1", "0", "0", "0");
        SetRow(table, 2, c.id, c.s30, c.p100, c.status);
        TableRefusal refusal;
        const auto records = table.Check(2, '.', refusal);
        EXPECT_EQ(records ? "" : (refusal.Warning ? "warning: " : "error: ") + refusal.Text, c.shown) << c.id;
    }
}

TEST(CorrectionCalculations, NewOffsetsAndCoefficientsFromTheSamplesAfterTheLastWrite) {
    ScriptedOperator op;
    CorrectionTable table;
    table.SensorCount = 4;
    table.D1 = 1;
    table.D2 = 4;
    SetRow(table, 1, "1", "0.1", "0", "0");
    SetRow(table, 2, "2", "0.1", "0", "0");
    SetRow(table, 3, "3", "0", "-0.5", "0");
    SetRow(table, 4, "4", "0.2", "7", "1");  // carries the cable number
    Lines lines;
    lines.Points = {{1, 29.8, 29.8, 29.8}, {29.2}, {99, 35, 35}, {20, 20}};
    table.Snapshot[1] = 1;  // written after line 1's second point: of its 4 points, 2 count

    op.Answer(true);  // line 2 has no point after its first: go on
    auto outcome = CalculateCorrections(Correction::S30, table, "30", lines, op);
    EXPECT_EQ(op.Shown().front(), "ask: Не обновлены результаты измерений! ( №2 )\r\nПродолжить?");
    EXPECT_TRUE(outcome.ButtonDisabled);
    double s30 = 0;
    ASSERT_TRUE(TryParseNumber(table.Cell(1, Col::S30), s30, '.'));
    EXPECT_NEAR(s30, 0.3, 1e-9);                // 30 - 29.8 + 0.1
    EXPECT_EQ(table.Cell(2, Col::S30), "0.1");  // left as it was
    EXPECT_EQ(table.Cell(4, Col::S30), "0");    // a cable-number sensor gets no offset
    EXPECT_EQ(table.Cell(4, Col::P100), "7");
    EXPECT_EQ(outcome.AverageCount, 2);         // row 3: the two points after its first

    // Counted again from the start: line 2's second point averages 29.2, so 0.9 is clamped and
    // listed, as are line 1 (0.3 + 0.2) and line 3 (30 - 35).
    lines.Points[1] = {29.0, 29.2};
    table.Snapshot.fill(0);
    op.Clear();
    CalculateCorrections(Correction::S30, table, "30", lines, op);
    EXPECT_EQ(table.Cell(2, Col::S30), "0.4375");
    EXPECT_EQ(op.Shown().back(), "warning: Значения поправок превысили допустимые пределы!\r\n №1 №2 №3");

    // P100 with a reference of 98: line 1 averages 99 (d = 64), line 2 37 would need a positive
    // coefficient, line 3 averages exactly 35, where no coefficient can be derived.
    lines.Points[0] = {1, 99.0, 99.0};
    lines.Points[1] = {1, 37.0};
    op.Clear();
    CalculateCorrections(Correction::P100, table, "98", lines, op);
    double p100 = 0;
    ASSERT_TRUE(TryParseNumber(table.Cell(1, Col::P100), p100, '.'));
    EXPECT_NEAR(p100, -5625.0 / 4096, 1e-9);
    EXPECT_EQ(table.Cell(2, Col::P100), "0");
    EXPECT_EQ(table.Cell(3, Col::P100), "-0.5");
    EXPECT_EQ(op.Shown().back(), "warning: Значения поправок превысили допустимые пределы!\r\n №2 №3");

    // A faulty sensor asks first; No ends the calculation without a summary.
    lines.Readable = {false, true, true, true};
    op.Clear();
    op.Answer(false);
    CalculateCorrections(Correction::S30, table, "30", lines, op);
    EXPECT_EQ(op.Shown(), std::vector<std::string>{"ask: В сети неисправный датчик! ( №1 )\r\nПродолжить?"});
}

TEST(CorrectionCalculations, AnInvalidRangeRefusesCalculationsNewGroupAndZeroing) {
    ScriptedOperator op(Unscripted::Yes);
    CorrectionTable table;
    table.SensorCount = 3;
    Lines lines;
    for (auto [d1, d2] : {std::pair{0, 2}, {2, 4}, {3, 2}}) {
        table.D1 = d1;
        table.D2 = d2;
        op.Clear();
        EXPECT_FALSE(CalculateCorrections(Correction::P100, table, "30", lines, op).ButtonDisabled);
        EXPECT_FALSE(NewSensorGroup(table, op));
        ZeroCorrectionColumn(table, Col::S30, op);
        EXPECT_EQ(op.Shown(), (std::vector<std::string>{
                                  "error: Диапазон датчиков задан неверно!\r\nРасчет отменен",
                                  "error: Диапазон датчиков задан неверно!\r\nРасчет отменен",
                                  "error: Диапазон датчиков задан неверно!\r\nДействие отменено"}));
    }
    table.D1 = 2;
    table.D2 = 3;
    ASSERT_TRUE(NewSensorGroup(table, op));
    EXPECT_EQ(table.Cell(3, Col::Id), "3");
    EXPECT_EQ(table.Cell(1, Col::Id), "");
    ZeroCorrectionColumn(table, Col::Id, op);
    EXPECT_EQ(table.Cell(3, Col::Id), "0");
    EXPECT_TRUE(op.messages.back().PresetNo);  // erasing the codes asks with No preset
}

TEST(SensorFiles, RowsWithTabsAndTheirReadingBack) {
    const auto folder = std::filesystem::temp_directory_path() / ("drumo-dms-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    ScriptedOperator op(Unscripted::Yes);
    const std::string path = (folder / "cable.dms").string();
    {
        std::ofstream f(path, std::ios::binary);
        f << "5\t0.125\t-0.3\t0\t\r\n6\t0.125\t-0.3\t0\r\n";
    }
    CorrectionTable table;
    table.SensorCount = 9;
    ASSERT_TRUE(LoadSensorFile(path, table, op));
    for (int row : {1, 2}) {
        EXPECT_EQ(table.Cell(row, Col::S30), "0.125");
        EXPECT_EQ(table.Cell(row, Col::P100), "-0.3");
        EXPECT_EQ(table.Cell(row, Col::Status), "0");
    }
    EXPECT_EQ(table.Cell(2, Col::Id), "6");
    EXPECT_EQ(table.SensorCount, 9);  // the file does not change the device's count
    EXPECT_EQ(table.FileText(), "5\t0.125\t-0.3\t0\t\r\n6\t0.125\t-0.3\t0\t\r\n");

    const std::string copy = SensorFileTarget((folder / "copy.txt").string(), 3);
    EXPECT_EQ(copy, (folder / "copy.dms").string());
    ASSERT_TRUE(SaveSensorFile(copy, table, op));
    op.Answer(false);
    EXPECT_FALSE(SaveSensorFile(copy, table, op));  // exists: "Заменить?" No
    EXPECT_EQ(op.Shown().back(), "ask: Файл уже существует.\r\nЗаменить?");

    op.Clear();
    EXPECT_FALSE(LoadSensorFile((folder / "x.txt").string(), table, op));
    EXPECT_FALSE(LoadSensorFile((folder / "missing.DMS").string(), table, op));
    EXPECT_EQ(op.Shown(), (std::vector<std::string>{
                              "error: Файл " + (folder / "x.txt").string() + " не является файлом поправок датчиков Drumo",
                              "error: Произошла ошибка при чтении файла " + (folder / "missing.DMS").string() +
                                  "\r\nВозможно файл не существует"}));
    EXPECT_EQ(table.Cell(2, Col::Id), "6");  // a refused file leaves the table
    std::filesystem::remove_all(folder);
}

// Files that are no sensor files, or cannot be read or written, are refused with their real
// reason; the table keeps what it held. Another decimal mark is read, a missing last folder made.
TEST(SensorFiles, EachRefusalNamesItsReasonAndLeavesTheTable) {
    const auto folder = std::filesystem::temp_directory_path() / ("drumo-dms-bad-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder / "dir.dms");
    const auto at = [&](const char* name) { return (folder / name).string(); };
    ASSERT_EQ(::mkfifo(at("fifo.dms").c_str(), 0600), 0);
    std::ofstream(at("big.dms"), std::ios::binary) << std::string(SensorFileLimit + 1, '1');
    std::ofstream(at("nul.dms"), std::ios::binary) << std::string("5\t0\0\t0\t0\t\r\n", 11);
    std::ofstream long111(at("long.dms"), std::ios::binary);
    for (int i = 0; i < 111; ++i) long111 << "1\t0\t0\t0\t\r\n";
    long111.close();
    const std::string unreadable = "error: Произошла ошибка при чтении файла ";
    const std::string notRegular = "Это не обычный файл (канал, устройство или папка)";
    const std::string noSensorFile = " не является файлом поправок датчиков Drumo\r\n";
    const std::pair<const char*, std::string> loads[] = {
        {"fifo.dms", unreadable + at("fifo.dms") + "\r\n" + notRegular},
        {"dir.dms", unreadable + at("dir.dms") + "\r\n" + notRegular},
        {"big.dms", unreadable + at("big.dms") + "\r\nФайл больше 1048576 байт"},
        {"nul.dms", "error: Файл " + at("nul.dms") + noSensorFile + "Строка 1 содержит недопустимый символ"},
        {"long.dms", "error: Файл " + at("long.dms") + noSensorFile + "В файле больше 110 строк"},
    };
    ScriptedOperator op(Unscripted::Yes);
    CorrectionTable table;
    table.SetCell(1, Col::Id, "kept");
    for (const auto& [name, shown] : loads) {
        op.Clear();
        EXPECT_FALSE(LoadSensorFile(at(name), table, op));
        EXPECT_EQ(op.Shown(), std::vector<std::string>{shown});
    }
    EXPECT_EQ(table.Cell(1, Col::Id), "kept");

    std::ofstream(at("comma.dms"), std::ios::binary) << "5\t0,125\t-0,3\t0\t\r\n---\t0\t1,5e1\t2\t\r\n";
    ASSERT_TRUE(LoadSensorFile(at("comma.dms"), table, op));
    EXPECT_EQ(table.FileText(), "5\t0.125\t-0.3\t0\t\r\n---\t0\t1.5e1\t2\t\r\n");

    op.Clear();
    EXPECT_TRUE(SaveSensorFile(at("new/cable.dms"), table, op));  // the last folder is made
    EXPECT_FALSE(SaveSensorFile(at("fifo.dms"), table, op));       // not even asked
    EXPECT_FALSE(SaveSensorFile(at("a/b/cable.dms"), table, op));
    EXPECT_EQ(op.Shown(), (std::vector<std::string>{
                              "error: Не удалось сохранить файл " + at("fifo.dms") + "\r\n" + notRegular,
                              "error: Не удалось создать папку " + at("a/b") + "\r\nНет такого файла или папки"}));
    EXPECT_TRUE(std::filesystem::is_regular_file(folder / "new" / "cable.dms"));
    std::filesystem::remove_all(folder);
}

// The simulated Hexar-1/100 on port 3, found by the program's own search through its own port,
// channel and protocol; its stream waits to be asked for.
class SimulatedHexar : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        line = sim::BuildLine(*sim::PresetConfig("hexar100"), simClock, error);
        ASSERT_TRUE(line) << error;
        ASSERT_TRUE(line->Line->Open()) << line->Line->Error();
        line->Line->With([&] { return line->Command->Streaming = false; });
        line->Line->Start();
        setenv("DRUMO_PORTS", ("3=" + line->Line->SlavePath()).c_str(), 1);
        SearchSettings wanted;
        wanted.Protocol = ExchangeProtocol::Command;
        wanted.PortDefault = 3;
        wanted.AdditionalDelay = 800;
        ASSERT_TRUE(station.RunSearch(wanted));
    }
    void TearDown() override {
        station.StopReception();
        station.Bus().Disconnect();
        if (line) line->Line->Close();
        unsetenv("DRUMO_PORTS");
    }

    sim::ManualClock simClock;
    std::optional<sim::SimLine> line;
    PosixSerialPort port;
    ScriptedOperator op;
    RecordingLog log;
    Station station{StationServices{port, op, log, SystemClock::Instance()}};
};

// The table read from the controller, changed and written back.
TEST_F(SimulatedHexar, CorrectionsReadChangedAndWrittenBack) {
    const LineLease lease = station.Take(LineUser::Calibration);
    ASSERT_TRUE(lease);

    auto sensors = [&] { return line->Line->With([&] { return line->Command->Device().Sensors(); }); };
    const auto before = sensors();
    CorrectionTable table;
    CorrectionView view;
    ReadCorrections(station.Bus(), station.Store(), table, op, view);
    ASSERT_EQ(table.SensorCount, static_cast<int>(before.size()));
    for (int r = 1; r <= table.SensorCount; ++r) {
        EXPECT_EQ(table.Cell(r, Col::Id), std::to_string(before[r - 1].Id)) << r;
        EXPECT_EQ(table.Cell(r, Col::Status), std::to_string(before[r - 1].Status)) << r;
    }
    EXPECT_EQ(table.Cell(table.SensorCount + 1, Col::Id), "");

    // A new offset for the first ordinary sensor, and the whole table written back.
    int row = 1;
    while (table.Cell(row, Col::Status) != "0") ++row;
    table.SetCell(row, Col::S30, "0.3");
    FakeClock pauses;
    StoreCalibrationLines lines(station.Store());
    ASSERT_TRUE(WriteCorrections(station.Bus(), station.Store(), table, lines, op, pauses, view)) << op.Shown().size();
    const auto after = sensors();
    EXPECT_EQ(after[row - 1].S30, 5);  // 0.3 x 16 = 4.8 goes as 5 sixteenths
    for (size_t i = 0; i < after.size(); ++i) {
        if (static_cast<int>(i) == row - 1) continue;
        EXPECT_EQ(after[i].S30, before[i].S30) << i;
        EXPECT_EQ(after[i].P100, before[i].P100) << i;
        EXPECT_EQ(after[i].Id, before[i].Id) << i;
    }
    const int blocks = (table.SensorCount + 25) / 26;
    EXPECT_EQ(pauses.SleptMs(), 600 * blocks);
    EXPECT_TRUE(op.Shown().empty()) << op.Shown().front();

}

// A row the numbering left without a code, in the second block, stops the write before the first
// block; a reply cut inside a record fails the read, and a write then waits for a whole one.
TEST_F(SimulatedHexar, NothingIsWrittenFromAHalfGoodTableOrAfterACutRead) {
    const LineLease lease = station.Take(LineUser::Calibration);
    ASSERT_TRUE(lease);
    auto sensors = [&] { return line->Line->With([&] { return line->Command->Device().Sensors(); }); };
    const auto before = sensors();
    CorrectionTable table;
    CorrectionView view;
    FakeClock pauses;
    StoreCalibrationLines lines(station.Store());
    ReadCorrections(station.Bus(), station.Store(), table, op, view);
    ASSERT_GT(table.SensorCount, 28);
    table.SetCell(1, Col::Id, "200");
    table.SetCell(28, Col::Id, "---");
    EXPECT_FALSE(WriteCorrections(station.Bus(), station.Store(), table, lines, op, pauses, view));
    EXPECT_EQ(op.Shown(), std::vector<std::string>{"error: " + std::string(BadNumberFormatText) +
                                                   "\r\nСтрока №28, «ID Code»: ---"});
    EXPECT_EQ(sensors()[0].Id, before[0].Id);
    EXPECT_EQ(pauses.SleptMs(), 0);

    line->Line->With([&] { return line->Command->Faults().Set(*sim::ParseFault("fewer-registers:4*1")), 0; });
    op.Clear();
    ReadCorrections(station.Bus(), station.Store(), table, op, view);
    EXPECT_FALSE(table.ReadWhole);
    EXPECT_EQ(op.Shown(), std::vector<std::string>{"error: Кличество байт в теле ответа не совпадает с запрошенным"});
    EXPECT_EQ(table.Cell(1, Col::Id), "");

    // A controller that falls silent after the first block: the write says which sensors got it.
    ReadCorrections(station.Bus(), station.Store(), table, op, view);
    ASSERT_TRUE(table.ReadWhole);
    line->Line->With([&] { return line->Command->Faults().Set(*sim::ParseFault("stop-after:1")), 0; });
    op.Clear();
    EXPECT_FALSE(WriteCorrections(station.Bus(), station.Store(), table, lines, op, pauses, view));
    ASSERT_EQ(op.Shown().size(), 1u);
    EXPECT_TRUE(op.Shown()[0].ends_with("\r\nЗаписаны датчики 1-26 из " + std::to_string(table.SensorCount)))
        << op.Shown()[0];
}

// Warming the simulated controller's sensors one at a time while its stream runs numbers them in
// the order they were warmed.
TEST_F(SimulatedHexar, NumberingFollowsTheOrderTheSensorsWereWarmedIn) {
    station.StartReception();
    ASSERT_TRUE(station.Store().Receiving());
    MeasurementStore& store = station.Store();

    CorrectionTable table;
    CorrectionView view;
    const LineLease lease = station.Take(LineUser::Calibration);  // alongside reception
    ASSERT_TRUE(lease);
    ReadCorrections(station.Bus(), store, table, op, view);
    ASSERT_GT(table.SensorCount, 3);

    // One burst of the stream after `seconds` of simulated time, waited for as a closed sample.
    auto sample = [&](int seconds) {
        simClock.Advance(seconds * 1000);
        const size_t before = store.SampleCount(0, 0);
        line->Line->With([&] {
            line->Command->StreamNow();
            return line->Command->Streaming = true;
        });
        const int64_t deadline = SystemClock::Instance().TickMs() + 5000;
        while ((store.SampleCount(0, 0) == before || !station.Receiver().StreamSampleClosed()) &&
               SystemClock::Instance().TickMs() < deadline) {
            station.Events().ProcessEvents();
            SystemClock::Instance().SleepMs(5);
        }
        line->Line->With([&] { return line->Command->Streaming = false; });
        ASSERT_EQ(store.SampleCount(0, 0), before + 1);
    };
    sample(10);
    sample(10);
    SensorNumbering numbering(table, store);
    numbering.DriftSeconds = DriftPeriodSeconds(0);
    ASSERT_TRUE(numbering.Start(SystemClock::Instance().Now()));
    for (int sensor : {3, 1, 2}) {
        line->Line->With([&] {
            line->Command->Device().Warm(sensor, 8, 120);
            return 0;
        });
        sample(100);  // warmed by almost 8 degrees
        sample(400);  // cooled again; the tick looks at the sample before the newest
        EXPECT_EQ(numbering.Tick(SystemClock::Instance().Now(), 150).Numbered, sensor);
    }
    EXPECT_EQ(table.Cell(3, Col::Id), "1");
    EXPECT_EQ(table.Cell(1, Col::Id), "2");
    EXPECT_EQ(table.Cell(2, Col::Id), "3");
    EXPECT_EQ(table.Cell(4, Col::Id), "---");
}

}  // namespace
}  // namespace drumo::test
