// Reading notebooks with the program's own link layer from simulated loggers on real
// pseudo-terminals: Dorma over Modbus, the Hexar-1/100 over the maker's protocol and the nine
// pages of the Hexar-1/16, with the faults the retry rule is there for.

#include "station/Station.h"
#include "link/PosixSerialPort.h"
#include "notebook/Notebook.h"
#include "notebook/NotebookFile.h"
#include "sim/Presets.h"
#include "sim/SimClock.h"
#include "support/CountingPump.h"
#include "support/FakeNotebookGraphs.h"
#include "support/RecordingLog.h"
#include "support/ScriptedOperator.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace drumo::test {
namespace {

class NotebookE2E : public ::testing::Test {
protected:
    ~NotebookE2E() override {
        station.Bus().Disconnect();
        if (line.Line) line.Line->Close();
        unsetenv("DRUMO_PORTS");
    }

    // Serves the line as port 3 and searches it.
    void Serve(sim::SimLine built, ExchangeProtocol protocol) {
        line = std::move(built);
        ASSERT_TRUE(line.Line->Open()) << line.Line->Error();
        line.Line->Start();
        setenv("DRUMO_PORTS", ("3=" + line.Line->SlavePath()).c_str(), 1);
        SearchSettings wanted;
        wanted.Protocol = protocol;
        wanted.PortDefault = 3;
        wanted.FindBeginAddr = 1;
        wanted.FindFinishAddr = 1;
        wanted.AdditionalDelay = 200;
        ASSERT_TRUE(station.RunSearch(wanted));
        ASSERT_EQ(station.Store().DeviceCount(), 1);
        op.Clear();
        events.Calls = 0;
    }
    // A Dorma at address 1 whose notebook holds `content`.
    void ServeDorma(sim::NotebookContent content) {
        auto dorma = sim::MakeDorma(simClock, 103, 1, 1, 20);
        dorma->SetNotebook(std::move(content));
        auto endpoint = std::make_unique<sim::RtuEndpoint>();
        sim::SimLine built;
        built.Dormas.push_back(endpoint->Add(std::move(dorma)));
        built.Line = std::make_unique<sim::Bus>(std::move(endpoint));
        Serve(std::move(built), ExchangeProtocol::Modbus);
    }
    void ServePreset(const std::string& name) {
        std::string error;
        auto built = sim::BuildLine(*sim::PresetConfig(name), simClock, error);
        ASSERT_TRUE(built) << error;
        if (built->Command) built->Command->Streaming = false;
        Serve(std::move(*built), ExchangeProtocol::Command);
    }
    void Fault(const std::string& text) {
        line.Line->With([&] {
            sim::FaultSlot& slot = line.Dormas.empty() ? line.Command->Faults() : line.Dormas[0]->Faults();
            slot.Set(*sim::ParseFault(text));
            return 0;
        });
    }
    std::vector<int16_t> DeviceWords() {
        return line.Line->With([&] {
            return line.Dormas.empty() ? line.Command->Device().NotebookWords : line.Dormas[0]->NotebookWords();
        });
    }
    // The table the device's words give.
    NotebookTable Expected(int records) {
        NotebookTable t;
        ParseRecords(DeviceWords(), records, '.', t);
        return t;
    }
    static void ExpectSameTable(const NotebookTable& a, const NotebookTable& b) {
        ASSERT_EQ(a.RowCount(), b.RowCount());
        ASSERT_EQ(a.ColumnCount(), b.ColumnCount());
        for (int r = 1; r < a.RowCount(); ++r)
            for (int c = 0; c < a.ColumnCount(); ++c) ASSERT_EQ(a.Cell(r, c), b.Cell(r, c)) << r << "," << c;
    }
    // A one-cable notebook of `rounds` records; the second has 25 o'clock.
    sim::NotebookContent OneCable(int rounds, int sensors = 20) {
        return sim::SampleNotebook({sim::MakeCable(2101, 1, sensors)}, sim::Climate(7), simClock.Now(), rounds, true);
    }

    sim::ManualClock simClock;
    sim::SimLine line;
    PosixSerialPort port;
    ScriptedOperator op;
    RecordingLog log;
    CountingPump events;
    Station station{StationServices{port, op, log, SystemClock::Instance(), &events, "test"}};
    NotebookView view;
    FakeNotebookGraphs graphs;
    Notebook notebook{station, op, view, graphs, "1.0.0.1"};
};

TEST_F(NotebookE2E, ModbusLoggerReadWhole_GoesToTheGraphAndSavesSigned) {
    ServeDorma(OneCable(40));
    op.Answer(true);  // "Вывести на График?"
    ASSERT_TRUE(notebook.Load());
    const int used = static_cast<int>(DeviceWords().size());
    EXPECT_EQ(notebook.StatusText(), std::to_string(2 * used) + " bytes read over " + std::to_string(used / 64 + 1) +
                                         " data burst containing 40 log entry with 0 revised failure");
    ExpectSameTable(notebook.Table(), Expected(40));
    EXPECT_EQ(notebook.Header(), "Dorma-1/100 SN:01001 firmware:" + station.Store().DevSig(0).Firmware);
    // One cable: offered; the record with 25 o'clock is left out and counted.
    EXPECT_EQ(op.Shown(), (std::vector<std::string>{
                              "ask: Данные Блокнота собраны с одной термокосы.\r\nВывести на График?",
                              "info: Записей Блокнота имеющих неопределенный формат времени: 1 из 40"}));
    EXPECT_EQ(graphs.Lines.size(), 20u);
    EXPECT_EQ(graphs.Calls.end()[-2], "GraphStatus Измерений: 39/•780");

    const std::string file = ::testing::TempDir() + "/e2e-" + std::to_string(::getpid()) + ".dmn";
    ASSERT_TRUE(notebook.SaveFile(file));
    NotebookTable back;
    const NotebookFileResult r = ReadNotebookFile(file, '.', back);
    std::filesystem::remove(file);
    EXPECT_TRUE(r.Signed);
    EXPECT_EQ(r.Records, 40);
    ExpectSameTable(back, notebook.Table());
}

TEST_F(NotebookE2E, CommandProtocolLoggerAndItsInfoPanel) {
    ServePreset("hexar100");
    ASSERT_TRUE(notebook.Load());
    ExpectSameTable(notebook.Table(), Expected(6));
    EXPECT_EQ(notebook.Info().UsedWords, static_cast<int>(DeviceWords().size()));
    EXPECT_EQ(notebook.Info().SizeWords, 32768);
    EXPECT_EQ(notebook.Info().MaxRecords, 1000);
    // Records of two cables: nothing offered.
    EXPECT_TRUE(op.messages.empty()) << ::testing::PrintToString(op.Shown());
    EXPECT_TRUE(graphs.Calls.empty());
}

TEST_F(NotebookE2E, PagesOfTheHexar16) {
    ServePreset("hexar16");
    ASSERT_TRUE(notebook.Load());
    EXPECT_EQ(notebook.StatusText(), "270 bytes read over 5 data burst containing 5 log entry with 0 revised failure");
    EXPECT_EQ(notebook.Table().RowCount(), 15);
    EXPECT_EQ(notebook.Table().Cell(13, 0), "n5");
    EXPECT_EQ(notebook.Table().Cell(14, 1), "--:--:--");
    EXPECT_EQ(notebook.Table().Cell(13, 2), "SNтк: [ --- ]");
    EXPECT_TRUE(op.messages.empty());
}

TEST_F(NotebookE2E, NoRecordsStopsAfterInfo) {
    ServeDorma({});
    EXPECT_FALSE(notebook.Load());
    EXPECT_EQ(notebook.Table().RowCount(), 2);
    EXPECT_EQ(notebook.StatusText(), "");
    EXPECT_EQ(line.Line->With([&] { return line.Dormas[0]->NotebookPointer(); }), 0);  // no block asked for
}

TEST_F(NotebookE2E, HundredWordsComeInTwoBlocks) {
    sim::NotebookRecord record;
    record.CableSerial = 7;
    record.Kind = 2;
    for (int s = 0; s < 47; ++s) {
        record.Labels.push_back(static_cast<int16_t>(s));
        record.Values.push_back(static_cast<int16_t>(100 * s));
    }
    sim::NotebookContent content;
    sim::AppendRecord(content.Words, record);
    content.Records = 1;
    ASSERT_EQ(content.Words.size(), 100u);
    ServeDorma(content);
    ASSERT_TRUE(notebook.Load());
    EXPECT_EQ(notebook.StatusText(), "200 bytes read over 2 data burst containing 1 log entry with 0 revised failure");
    EXPECT_EQ(notebook.Table().Cell(2, 50), "46");
}

// Silence, and replies cut short (fewer registers than the block still holds), from the third
// block on. Up to three failures in a row are repeated; the fourth ends the read: the whole
// records that came are kept, said to be partial, marked, and never saved as signed.
TEST_F(NotebookE2E, FailuresInARow) {
    struct Case {
        const char* fault;
        bool complete;
        std::string statusEnd;
    };
    const Case cases[] = {
        {"silence*3", true, " log entry with 3 revised failure"},
        {"fewer-registers*1", true, " log entry with 1 revised failure"},
        {"silence*4", false, "containing 7 log entry with critical failure!"},
        {"fewer-registers", false, "containing 7 log entry with critical failure!"},
    };
    const std::string file = ::testing::TempDir() + "/e2e-part-" + std::to_string(::getpid()) + ".dmn";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        if (!line.Line) ServeDorma(OneCable(30, 6));  // 30 records of 18 words
        op.Clear();
        events.At = 2;  // the fault starts with the third block
        events.Action = [&] { Fault(c.fault); };
        events.Calls = 0;
        op.Answer(false);  // not to the graph
        EXPECT_EQ(notebook.Load(), c.complete);
        Fault("silence*0");
        const std::string& status = notebook.StatusText();
        EXPECT_EQ(status.substr(status.size() - c.statusEnd.size()), c.statusEnd) << status;
        EXPECT_EQ(notebook.Incomplete(), !c.complete);
        if (c.complete) {
            EXPECT_EQ(op.messages.size(), 1u) << ::testing::PrintToString(op.Shown());  // the graph's question
            ExpectSameTable(notebook.Table(), Expected(30));
            continue;
        }
        // Two blocks of 64 words hold 7 whole records; the eighth was cut short and is left out.
        ASSERT_EQ(op.messages.size(), 3u) << ::testing::PrintToString(op.Shown());  // error, warning, graph
        EXPECT_EQ(op.Shown()[1], "warning: Блокнот считан не полностью: записей 7 из 30, слов 128 из 540.\r\n"
                                 "Данные не имеют юридической силы.");
        ExpectSameTable(notebook.Table(), Expected(7));
        op.Clear();
        EXPECT_FALSE(notebook.Save(file, 1));
        EXPECT_EQ(op.Shown(), std::vector<std::string>{"error: Данные не имеют юридической силы.\r\nСохранение запрещено"});
        EXPECT_FALSE(std::filesystem::exists(file));
    }
}

// The Hexar-1/16's page read failing part way keeps the whole pages that came, marked.
TEST_F(NotebookE2E, PageReadFailingPartWay) {
    ServePreset("hexar16");
    events.At = 2;  // silent from the third page
    events.Action = [&] { Fault("silence"); };
    EXPECT_FALSE(notebook.Load());
    EXPECT_TRUE(notebook.Incomplete());
    EXPECT_EQ(notebook.Table().RowCount(), 6);
    EXPECT_FALSE(notebook.Table().Cell(5, 4).empty());  // row B of the second page holds its values
    EXPECT_EQ(notebook.StatusText(), "108 bytes read over 2 data burst containing 2 log entry with critical failure!");
    EXPECT_EQ(op.Shown().back(), "warning: Блокнот считан не полностью: страниц 2 из 9.\r\nДанные не имеют юридической силы.");
}

TEST_F(NotebookE2E, StopBetweenBlocksLeavesTheTableEmpty) {
    ServeDorma(OneCable(30, 6));
    events.At = 1;
    events.Action = [&] { notebook.Stop(); };
    EXPECT_FALSE(notebook.Load());
    EXPECT_TRUE(notebook.Error());
    EXPECT_EQ(notebook.Table().RowCount(), 2);
    EXPECT_EQ(notebook.StatusText().substr(notebook.StatusText().size() - 17), "critical failure!");
}

TEST_F(NotebookE2E, EraseOnlyAfterTheQuestion) {
    for (const bool yes : {false, true}) {
        SCOPED_TRACE(yes);
        if (!line.Line) ServeDorma(OneCable(3));
        op.Clear();
        op.Answer(yes);
        EXPECT_EQ(notebook.Erase(), yes);
        ASSERT_EQ(op.messages.size(), 1u);
        EXPECT_EQ(op.messages[0].Text, "Стереть всю информацию в Блокноте контроллера?");
        EXPECT_TRUE(op.messages[0].PresetNo);
        EXPECT_EQ(DeviceWords().empty(), yes);
    }
    ServePreset("hexar100");
    op.Answer(true);
    EXPECT_TRUE(notebook.Erase());
    EXPECT_TRUE(DeviceWords().empty());
}

}  // namespace
}  // namespace drumo::test
