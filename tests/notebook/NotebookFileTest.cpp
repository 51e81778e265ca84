// Notebook files: the bytes written, the hash chain, older files, and what the notebook window's
// rules say about each file they are given.

#include "station/Station.h"
#include "files/ArchiveFormat.h"
#include "model/Cp1251.h"
#include "model/Formats.h"
#include "model/SafeFile.h"
#include "notebook/Notebook.h"
#include "notebook/NotebookFile.h"
#include "support/FakeClock.h"
#include "support/FakeNotebookGraphs.h"
#include "support/FakeSerialPort.h"
#include "support/RecordingLog.h"
#include "support/ScriptedOperator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace drumo::test {
namespace {

namespace fs = std::filesystem;

// The example record of the file layout: number 17 of kind 1, cable 123, two sensors.
NotebookTable ExampleTable(int records = 1) {
    NotebookTable t;
    for (int k = 0; k < records; ++k) {
        NoteRow& a = t.Row(NotebookTable::RowA(k));
        for (const char* c : {"n17", "05.12.2017", "SNтк: [ 123 ]", "L, м", "0.5", "1.5"}) a.Add(c);
        NoteRow& b = t.Row(NotebookTable::RowB(k));
        for (const char* c : {"", "14:30:00", "датчиков:  2", "T, °C", "21.5", "21.75"}) b.Add(c);
    }
    t.EnsureColumns(6);
    t.SetRowCount(3 * records);
    return t;
}

class NotebookFiles : public ::testing::Test {
protected:
    NotebookFiles() {
        dir = fs::path(::testing::TempDir()) / ("dmn-" + std::to_string(::getpid()) + "-" +
                                                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    ~NotebookFiles() override {
        fs::remove_all(dir);
        SetDecimalMark('.');
    }
    std::string Path(const std::string& name) const { return (dir / name).string(); }
    std::string Bytes(const std::string& path) const {
        std::string bytes;
        EXPECT_TRUE(ReadSmallFile(path, bytes, 1 << 20));
        return bytes;
    }
    void Put(const std::string& path, const std::string& utf8Text) {
        ASSERT_TRUE(WriteFileSafely(path, Utf8ToCp1251(utf8Text)));
    }
    // The running hash of lines, as a writer of the file would sign them.
    static std::string Signed(const std::vector<std::string>& lines) {
        std::string text, hash;
        for (const auto& l : lines) {
            HashTextLine(hash, Utf8ToCp1251(l));
            text += l + "\r\n";
        }
        return text + hash + "\r\n";
    }

    fs::path dir;
    FakeClock clock;
    FakeSerialPort port{clock};
    ScriptedOperator op;
    RecordingLog log;
    Station station{StationServices{port, op, log, clock, nullptr, "test"}};
    NotebookView view;
    FakeNotebookGraphs graphs;
    Notebook notebook{station, op, view, graphs, "1.0.0.1"};
};

TEST_F(NotebookFiles, WrittenLinesAreTheTableSignedLineByLine) {
    const std::string text =
        NotebookFileText(ExampleTable(), "Dorma-2/200 SN:00042 firmware:2.3", "1.0.0.1", EncodeDateTime(2025, 12, 9, 14, 5, 9));
    const std::vector<std::string> lines = {
        "[dmn] Created by Drumo 1.0.0.1 09.12.25 14:05:09",
        "Предупреждение: Внесение изменений приведет к нарушению электронной подписи",
        " ",
        "Dorma-2/200 SN:00042 firmware:2.3",
        " ",
        "n17\t05.12.2017\tSNтк: [ 123 ]\tL, м\t0.5\t1.5\t",
        "\t14:30:00\tдатчиков:  2\tT, °C\t21.5\t21.75\t",
        "\t",
        " ",
    };
    EXPECT_EQ(text, Utf8ToCp1251(Signed(lines)));
    // The hash chain itself, against the check function's known value.
    std::string hash;
    HashTextLine(hash, "123456789");
    EXPECT_EQ(hash, "374B");
}

TEST_F(NotebookFiles, SavedNotebookLoadsBackSignedWithTheSameTable) {
    const NotebookTable table = ExampleTable(3);
    ASSERT_EQ(WriteNotebookFile(Path("new/a.dmn"), table, "head", "1.0", 46000.5), NotebookWrite::Ok);
    NotebookTable back;
    const NotebookFileResult r = ReadNotebookFile(Path("new/a.dmn"), '.', back);
    EXPECT_EQ(r.Status, NotebookFileStatus::Ok);
    EXPECT_TRUE(r.Signed);
    EXPECT_EQ(r.Header, "head");
    EXPECT_EQ(r.Records, 3);
    ASSERT_EQ(back.RowCount(), table.RowCount());
    for (int row = 0; row < table.RowCount(); ++row)
        for (int c = 0; c < 6; ++c) EXPECT_EQ(back.Cell(row, c), table.Cell(row, c)) << row << "," << c;

    // Through the window's rules: no signature question, only the offer of the one cable's
    // records; the status names the file.
    ASSERT_TRUE(notebook.Open(Path("new/a.dmn")));
    EXPECT_EQ(op.Shown(), (std::vector<std::string>{"ask: Данные Блокнота собраны с одной термокосы.\r\nВывести на График?"}));
    EXPECT_EQ(notebook.StatusText(), "Файл " + Path("new/a.dmn") + " (записей: 3)");
    EXPECT_TRUE(notebook.NoteSigned());
}

TEST_F(NotebookFiles, OneChangedCharacterAsksAndRefusesSaving) {
    ASSERT_EQ(WriteNotebookFile(Path("a.dmn"), ExampleTable(2), "", "1.0", 46000.5), NotebookWrite::Ok);
    std::string bytes = Bytes(Path("a.dmn"));
    bytes[bytes.find("21.75")] = '3';
    ASSERT_TRUE(WriteFileSafely(Path("a.dmn"), bytes));

    op.Answer(true);
    ASSERT_TRUE(notebook.Open(Path("a.dmn")));
    EXPECT_EQ(op.Shown(), (std::vector<std::string>{"ask: Файл " + Path("a.dmn") +
                                                   "\r\nне имеет электронной подписи!\r\nДанные не имеют юридической "
                                                   "силы.\r\nВсе равно продолжить?",
                                                   "ask: Данные Блокнота собраны с одной термокосы.\r\nВывести на График?"}));
    EXPECT_EQ(notebook.StatusText(), "Файл " + Path("a.dmn") + " (записей: 2). Подпись отсутствует!");
    op.Clear();
    EXPECT_FALSE(notebook.Save(Path("b.dmn"), 1));
    EXPECT_EQ(op.Shown(), (std::vector<std::string>{"error: Данные не имеют юридической силы.\r\nСохранение запрещено"}));
    EXPECT_FALSE(fs::exists(Path("b.dmn")));

    // No to the question leaves an empty table.
    op.Clear();
    op.Answer(false);
    EXPECT_FALSE(notebook.Open(Path("a.dmn")));
    EXPECT_EQ(notebook.Table().RowCount(), 2);
    EXPECT_FALSE(notebook.NoteFromFile());
}

TEST_F(NotebookFiles, FilesThatAreNoNotebook) {
    Put(Path("header.dmn"), Signed({"[dmn] Created by Drumo 1 01.01.25 00:00:00", "w", " ", "h", " ", " "}));
    Put(Path("x.txt"), "whatever");
    struct Case {
        std::string file;
        std::string error;
    };
    const Case cases[] = {
        {Path("header.dmn"), "Файл " + Path("header.dmn") + "\r\nне содержит данных"},
        {Path("x.txt"), "Файл " + Path("x.txt") + "\r\nне является файлом Блокнота или поврежден"},
        {Path("missing.dmn"), "Ошибка при доступе к файлу " + Path("missing.dmn") + "\r\nВозможно файл не существует"},
        {dir.string() + "/.dmn", "Ошибка при доступе к файлу " + dir.string() + "/.dmn\r\nВозможно файл не существует"},
    };
    for (const Case& c : cases) {
        op.Clear();
        EXPECT_FALSE(notebook.Open(c.file)) << c.file;
        EXPECT_EQ(op.Shown(), (std::vector<std::string>{"error: " + c.error})) << c.file;
    }
}

TEST_F(NotebookFiles, OlderFileWithoutTheTagLoadsAsUnsignedData) {
    Put(Path("old.dmn"), "n1\t05.12.2017\tSNтк: [ 5 ]\tN dat \t3\t\r\n\t14:30:00\tдатчиков:  1\tT, °C\t21.5\t\r\n\t\r\n");
    NotebookTable t;
    const NotebookFileResult r = ReadNotebookFile(Path("old.dmn"), '.', t);
    EXPECT_EQ(r.Status, NotebookFileStatus::Ok);
    EXPECT_TRUE(r.Legacy);
    EXPECT_FALSE(r.Signed);
    EXPECT_EQ(r.Records, 1);
    EXPECT_EQ(r.NumberedRecords, 1);
    EXPECT_EQ(t.Cell(1, 3), "N dat ");
    EXPECT_EQ(t.Cell(2, 4), "21.5");
}

// The CSV of the table: a negative cable serial keeps its sign, a record without one leaves the
// field empty.
TEST_F(NotebookFiles, CsvKeepsTheSignOfTheCableSerial) {
    NotebookTable t;
    int k = 0;
    for (const char* serial : {"SNтк: [ -77 ]", "SNтк: [ --- ]"}) {
        for (const char* c : {"n17", "05.12.2017", serial, "L, м", "0.5", "1.5"}) t.Row(NotebookTable::RowA(k)).Add(c);
        for (const char* c : {"", "14:30:00", "датчиков:  2", "T, °C", "21.5", "21.75"})
            t.Row(NotebookTable::RowB(k)).Add(c);
        ++k;
    }
    t.SetRowCount(6);
    EXPECT_EQ(NotebookCsv(t),
              "record,time,cable_serial,kind,sensor,label,value\n"
              "17,2017-12-05T14:30:00,-77,1,1,0.5,21.5\n17,2017-12-05T14:30:00,-77,1,2,1.5,21.75\n"
              "17,2017-12-05T14:30:00,,1,1,0.5,21.5\n17,2017-12-05T14:30:00,,1,2,1.5,21.75\n");
}

TEST_F(NotebookFiles, DecimalMarkOfTheProgramReplacesTheFilesInNumberCells) {
    ASSERT_EQ(WriteNotebookFile(Path("a.dmn"), ExampleTable(2), "", "1.0", 46000.5), NotebookWrite::Ok);
    NotebookTable t;
    ASSERT_EQ(ReadNotebookFile(Path("a.dmn"), ',', t).Status, NotebookFileStatus::Ok);
    EXPECT_EQ(t.Cell(1, 4), "0,5");
    EXPECT_EQ(t.Cell(2, 5), "21,75");
    EXPECT_EQ(t.Cell(1, 1), "05.12.2017");  // columns 0 to 3 stay as written

    // Loaded with ",", the records still go to the graph with their values.
    SetDecimalMark(',');
    op.Answer(true);  // "Вывести на График?"
    ASSERT_TRUE(notebook.Open(Path("a.dmn")));
    ASSERT_EQ(graphs.Lines.size(), 2u);
    ASSERT_EQ(graphs.Lines[1].size(), 2u);
    EXPECT_DOUBLE_EQ(graphs.Lines[1][0].second, 21.75);
    EXPECT_EQ(graphs.Captions[0], "№1  0,5 м");
    EXPECT_TRUE(station.Store().NotebookOnGraphs());
    EXPECT_EQ(graphs.Calls.back(), "GraphShowAll");
    EXPECT_EQ(op.Shown(), (std::vector<std::string>{"ask: Данные Блокнота собраны с одной термокосы.\r\nВывести на График?"}));
}

// Rows of 0 to 40 cells read from a file with either mark: every cell as the line holds it
// (Cyrillic, empty, long), only number cells (last character a digit) from column 4 on with the
// program's mark; text after the last TAB is no cell.
TEST_F(NotebookFiles, RowsReadKeepEveryCellWithTheProgramsMarkInNumberCells) {
    const std::vector<std::string> kinds = {"21,5", "-0.05", "L, м", "", "1,2.3", "°C 5,5", "Т.", "7", "x,y"};
    std::vector<std::string> lines = {"[dmn] Created by Drumo", "warning", " ", "header", " "};
    std::vector<std::vector<std::string>> rows;
    for (size_t n = 0; n <= 40; ++n) {
        std::vector<std::string> cells;
        std::string line;
        for (size_t c = 0; c < n; ++c) {
            cells.push_back(c % 11 == 10 ? std::string(200, 'z') + "9,9" : kinds[(n + c) % kinds.size()]);
            line += cells.back() + "\t";
        }
        rows.push_back(cells);
        lines.push_back(line + (n % 3 == 0 ? "no cell" : ""));
        if (rows.size() % 3 == 2) {
            rows.push_back({""});
            lines.push_back("\t");
        }
    }
    lines.push_back(" ");
    Put(Path("rows.dmn"), Signed(lines));
    for (char mark : {'.', ','}) {
        NotebookTable t;
        ASSERT_EQ(ReadNotebookFile(Path("rows.dmn"), mark, t).Status, NotebookFileStatus::Ok);
        ASSERT_EQ(t.RowCount(), 60);  // the last row, a record's row A alone, is left out
        for (size_t r = 0; r + 1 < 60; ++r) {
            const NoteRow* row = t.RowAt(static_cast<int>(r + 1));
            ASSERT_TRUE(row);
            ASSERT_EQ(row->Cells(), rows[r].size()) << r;
            for (size_t c = 0; c < rows[r].size(); ++c) {
                std::string want = rows[r][c];
                if (c >= 4 && !want.empty() && std::isdigit(static_cast<unsigned char>(want.back())))
                    std::replace(want.begin(), want.end(), mark == '.' ? ',' : '.', mark);
                EXPECT_EQ(row->Cell(c), want) << r << " " << c;
            }
        }
        EXPECT_EQ(t.ColumnCount(), 40);
    }
}

TEST_F(NotebookFiles, SavingAsksBeforeReplacingAndTheFilterSetsTheExtension) {
    EXPECT_EQ(Notebook::SaveName("/a/b.txt", 1), "/a/b.dmn");
    EXPECT_EQ(Notebook::SaveName("/a/b", 2), "/a/b.xls");
    EXPECT_EQ(Notebook::SaveName("/a.d/b", 3), "/a.d/b.dmn");

    ASSERT_TRUE(notebook.Save(Path("a"), 1));
    op.Answer(false);
    EXPECT_FALSE(notebook.Save(Path("a.dmn"), 1));
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_EQ(op.messages[0].Text, "Файл " + Path("a.dmn") + " уже существует.\r\nЗаменить?");
    EXPECT_TRUE(op.messages[0].PresetNo);

    op.Clear();
    EXPECT_FALSE(notebook.SaveFile("/proc/no/such/x.dmn"));
    EXPECT_EQ(op.Shown(), (std::vector<std::string>{"error: Не удалось создать файл /proc/no/such/x.dmn\r\nВозможно "
                                                   "установлена защита от записи"}));
}

}  // namespace
}  // namespace drumo::test
