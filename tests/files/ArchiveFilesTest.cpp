// Saving the store and the group loader: questions, log lines, order, and what the windows are told.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "files/ArchiveFiles.h"
#include "files/ArchiveReader.h"
#include "files/FilesTestSupport.h"
#include "support/FakeClock.h"
#include "support/ScriptedOperator.h"

namespace drumo {
namespace {

using test::ReadFile;
using test::WriteFile;

// What loading shows, and what the end of a load tells.
class RecordingView final : public ArchiveView, public StationEvents {
public:
    void AddDeviceRow(const TDevSig& device, const std::string& fileNameOnly) override {
        rows.push_back(device.TypeName + " " + std::to_string(device.Serial) + " " + fileNameOnly);
    }
    void AddCableRow(size_t, size_t, int16_t serial, size_t sensors, bool first) override {
        rows.push_back((first ? "cable " : "—> ") + std::to_string(serial) + "/" + std::to_string(sensors));
    }
    void EnableLastRowCheck() override { ++enabledChecks; }
    void ColourUnsigned() override { pink = true; }
    void ShowNotebookWindow() override { notebookShown = true; }
    void OpenNotebook(const std::string& name) override { notebook = name; }
    void ArchiveLoaded(const ArchiveLoad& load) override {
        titles = load.DeviceManagerTitle + " | " + load.SystemTrendTitle;
        status = load.Status;
        shownDevices = load.Devices;
    }

    std::vector<std::string> rows;
    int enabledChecks = 0;
    bool pink = false;
    bool notebookShown = false;
    std::string notebook, titles, status;
    size_t shownDevices = 0;
};

class ArchiveFilesTest : public ::testing::Test {
protected:
    ArchiveFilesTest() {
        clock_.SetStartDay(EncodeDateTime(2017, 12, 5, 14, 3, 21));
        store_.Events().Subscribe(&view_);
    }

    // A signed file with one device of the given serial and one cable with one sample.
    std::string SaveDevice(const std::string& name, uint16_t serial, const std::string& type = "Dorma-1/100") {
        NullLog log;
        ConsoleOperator op;
        MeasurementStore store(op, log);
        test::DeviceSpec device = test::ExampleDevice();
        device.Serial = serial;
        device.TypeName = type;
        test::AddDevice(store, device);
        ArchiveFiles files(store, op, log, clock_, "1.0.0.1");
        const std::string path = dir_ / name;
        EXPECT_TRUE(files.FileSaveArhiv(path, false));
        return path;
    }

    std::vector<uint16_t> Serials() const {
        std::vector<uint16_t> s;
        for (const auto& d : store_.DevSigs()) s.push_back(d.Serial);
        return s;
    }

    test::TempFolder dir_;
    test::FakeClock clock_;
    test::ScriptedOperator op_;
    test::RecordingLog log_;
    MeasurementStore store_{op_, log_};
    RecordingView view_;
    ArchiveFiles files_{store_, op_, log_, clock_, "1.0.0.1", &view_};
};

TEST_F(ArchiveFilesTest, LoadsTheLastChosenFileFirstAndReportsTheGroup) {
    const std::string a = SaveDevice("A.dml", 1), b = SaveDevice("B.dml", 2), c = SaveDevice("C.DML", 3);
    EXPECT_EQ(files_.FileOpenArhiv({a, b, c}), 3u);
    EXPECT_EQ(Serials(), (std::vector<uint16_t>{3, 2, 1}));
    EXPECT_TRUE(op_.messages.empty());
    EXPECT_TRUE(store_.ArchiveLoaded());
    EXPECT_TRUE(files_.SignaturesConfirmed);
    EXPECT_EQ(store_.DeviceCount(), 3);
    EXPECT_EQ(store_.CableCount(), 3);
    EXPECT_EQ(store_.SensorCount(), 6u);
    EXPECT_EQ(store_.ValidValues(), 9u);
    const TDevSig& first = store_.DevSig(0);
    EXPECT_EQ(first.TypeName, "Dorma-1/100");  // from the catalogue by the type code
    EXPECT_EQ(first.Interface, 5);
    EXPECT_EQ(first.MaxSensors, 100);
    EXPECT_EQ(first.Caps, 0);
    EXPECT_EQ(first.Cables, 1);
    EXPECT_EQ(first.Sensors, 2);
    EXPECT_EQ(first.Source, c);
    EXPECT_EQ(first.Comment, "Silo 1");
    EXPECT_EQ(view_.rows.front(), "Dorma-1/100 3 C.DML");
    EXPECT_EQ(view_.enabledChecks, 3);
    EXPECT_EQ(view_.titles, "Диспетчер приборов - группа файлов (3) | Тренд системы - группа файлов (3)");
    const std::string status = "Файлов 3. Приборов 3. Термокос 3. Датчиков 6. •9";
    EXPECT_EQ(view_.status, status);
    EXPECT_TRUE(log_.Has(" > Обработка файлов завершена. " + status));
    EXPECT_TRUE(log_.Has(" > Файл " + a + " загружен. Электронная подпись подтверждена"));
    EXPECT_EQ(view_.shownDevices, 3u);
}

TEST_F(ArchiveFilesTest, OneFileGivesItsNameInTheTitles) {
    const std::string a = SaveDevice("14.03.22.dml", 1);
    EXPECT_EQ(files_.FileOpenArhiv({dir_ / "missing.dml", a}), 1u);
    EXPECT_EQ(view_.titles, "Диспетчер приборов - 14.03.22.dml | Тренд системы - 14.03.22.dml");
    // The file that could not be opened is logged, not asked about, and not counted.
    EXPECT_TRUE(log_.Has(" > Отказано в доступе к " + (dir_ / "missing.dml")));
    EXPECT_TRUE(op_.messages.empty());
    EXPECT_EQ(view_.status.rfind("Файлов 1.", 0), 0u);
}

TEST_F(ArchiveFilesTest, UnsignedFileAsksAndGoingOnMarksTheData) {
    const std::string a = SaveDevice("A.dml", 1);
    std::string bytes = ReadFile(a);
    bytes.replace(bytes.find("SN 00001"), 8, "SN 00009");
    WriteFile(a, bytes);
    op_.Answer(true);
    EXPECT_EQ(files_.FileOpenArhiv({a}), 1u);
    ASSERT_EQ(op_.messages.size(), 1u);
    EXPECT_EQ(op_.messages[0].Text, "Файл " + a +
                                        "\r\nне имеет электронной подписи!\r\nДанные не имеют юридической "
                                        "силы.\r\nИгнорировать и продолжить?");
    EXPECT_TRUE(view_.pink);
    EXPECT_FALSE(files_.SignaturesConfirmed);
    EXPECT_TRUE(log_.Has(" > Файл " + a + " загружен. Электронная подпись отсутствует"));

    // Saving such data is refused.
    op_.messages.clear();
    EXPECT_FALSE(files_.SaveAs(dir_ / "copy"));
    ASSERT_EQ(op_.messages.size(), 1u);
    EXPECT_EQ(op_.messages[0].Text, "Данные не имеют юридической силы.\r\nСохранение запрещено");
    EXPECT_FALSE(FileExists(dir_ / "copy.dml"));
}

TEST_F(ArchiveFilesTest, DamagedRecordsAreAskedBeforeTheSignatureAndNoEmptiesTheStore) {
    const std::string a = SaveDevice("A.dml", 1), b = SaveDevice("B.dml", 2);
    std::string bytes = ReadFile(a);
    bytes.replace(bytes.find("\r\n05.12.17") + 2, 8, "45.12.17");  // an unreadable date
    bytes.replace(bytes.find("SN 00001"), 8, "SN 00009");
    WriteFile(a, bytes);
    op_.Answer(true);   // damaged records: go on
    op_.Answer(false);  // no signature: stop
    EXPECT_EQ(files_.FileOpenArhiv({a, b}), 0u);
    ASSERT_EQ(op_.messages.size(), 2u);
    EXPECT_EQ(op_.messages[0].Text, "Файл " + a + "\r\nсодержит поврежденные записи (1).\r\nИгнорировать и продолжить?");
    EXPECT_NE(op_.messages[1].Text.find("не имеет электронной подписи!"), std::string::npos);
    // B had loaded well before A; the No empties the store anyway.
    EXPECT_EQ(store_.Devices(), 0u);
    EXPECT_FALSE(store_.ArchiveLoaded());
    EXPECT_TRUE(view_.titles.empty());
}

TEST_F(ArchiveFilesTest, NotCompletedFileAsksAndYesGoesOnWithoutCountingIt) {
    const std::string a = SaveDevice("A.dml", 1);
    const std::string bad = dir_ / "bad.dmr";
    WriteFile(bad, "2 1 1 1\r\n1 0.5 43074.5 20\r\nx y z w\r\n");
    op_.Answer(true);
    EXPECT_EQ(files_.FileOpenArhiv({a, bad}), 1u);
    ASSERT_EQ(op_.messages.size(), 1u);
    EXPECT_EQ(op_.messages[0].Text, "Критическая ошибка при загрузке файла " + bad + "\r\nИгнорировать и продолжить?");
    EXPECT_TRUE(log_.Has(" > Критическая ошибка при загрузке файла " + bad));
    // What the broken file gave stays, after it the next file.
    EXPECT_EQ(Serials(), (std::vector<uint16_t>{1, 1}));
    EXPECT_EQ(store_.DevSig(0).TypeName, "Hexar-1/100");
    EXPECT_EQ(view_.titles, "Диспетчер приборов - A.dml | Тренд системы - A.dml");
}

TEST_F(ArchiveFilesTest, OlderFilesKeepTheModelNameTheyGive) {
    const std::string dmr = dir_ / "old.dmr";
    WriteFile(dmr, "[dmr]\r\n\r\n\r\nThermo-X SN: 00042 Version: 1.0\r\n7 3 2\r\n100 200 \r\n43074.5 2000 2100 \r\n");
    op_.Answer(true);  // no signature: go on
    EXPECT_EQ(files_.FileOpenArhiv({dmr}), 1u);
    ASSERT_EQ(store_.Devices(), 1u);
    const TDevSig& dev = store_.DevSig(0);
    EXPECT_EQ(dev.TypeName, "Thermo-X");  // no catalogue entry: the name as read
    EXPECT_EQ(dev.DevType, 0);
    EXPECT_EQ(dev.Interface, 255);
    EXPECT_EQ(dev.Serial, 42);
    EXPECT_EQ(dev.Firmware, "1.0");
    EXPECT_EQ(store_.CableKinds(0)[0], 3);
    EXPECT_EQ(store_.Samples(0, 0, 1)[0], 2100);
    EXPECT_TRUE(view_.pink);
}

TEST_F(ArchiveFilesTest, OtherFileTypesAndNotebookFiles) {
    const std::string a = SaveDevice("A.dml", 1);
    EXPECT_EQ(files_.FileOpenArhiv({a, "/tmp/x.txt", "/tmp/n.dmn"}), 1u);
    ASSERT_EQ(op_.messages.size(), 2u);
    EXPECT_EQ(op_.messages[0].Text,
              "Групповая загрузка файлов Блокнота не поддерживается.\r\nДля загрузки файлов Блокнота "
              "*.dmn используйте форму \"Блокнот\"");
    EXPECT_EQ(op_.messages[1].Text, "Файл /tmp/x.txt не поддерживается Drumo");
    EXPECT_TRUE(log_.Has(" > Файл /tmp/x.txt не поддерживается Drumo"));
    EXPECT_TRUE(view_.notebookShown);
    EXPECT_TRUE(view_.notebook.empty());
    EXPECT_EQ(store_.Devices(), 1u);

    // A notebook file alone opens in the notebook window after the store was emptied; no summary.
    view_ = RecordingView{};
    EXPECT_EQ(files_.FileOpenArhiv({"/tmp/n.DMN"}), 0u);
    EXPECT_EQ(view_.notebook, "/tmp/n.DMN");
    EXPECT_EQ(store_.Devices(), 0u);
    EXPECT_TRUE(view_.status.empty());
}

TEST_F(ArchiveFilesTest, LiveReadingsAreKeptWhenTheOperatorDeclinesToLoseThem) {
    test::AddDevice(store_, test::ExampleDevice());
    const std::string a = SaveDevice("A.dml", 1);
    op_.Answer(false);
    EXPECT_EQ(files_.FileOpenArhiv({a}), 0u);
    EXPECT_EQ(store_.Devices(), 1u);
    EXPECT_EQ(store_.ValidValues(), 3u);
    EXPECT_EQ(op_.messages.at(0).Text, "Действие приведет к потере данных.\r\nПродолжить?");
}

TEST_F(ArchiveFilesTest, SaveAsGivesTheExtensionAndAsksBeforeReplacing) {
    test::AddDevice(store_, test::ExampleDevice());
    EXPECT_TRUE(files_.SaveAs(dir_ / "run.txt"));
    EXPECT_TRUE(FileExists(dir_ / "run.dml"));
    EXPECT_TRUE(log_.Has(" > Файл " + (dir_ / "run.dml") + " сохранен"));
    op_.Answer(false);
    EXPECT_FALSE(files_.SaveAs(dir_ / "run.dml"));
    EXPECT_EQ(op_.messages.at(0).Text, "Файл " + (dir_ / "run.dml") + " уже существует.\r\nЗаменить?");
    EXPECT_TRUE(op_.messages.at(0).PresetNo);
    // After loading only signed files, saving is allowed again.
    files_.FileOpenArhiv({dir_ / "run.dml"});
    op_.Answer(true);
    EXPECT_TRUE(files_.SaveAs(dir_ / "run.dml"));
}

TEST_F(ArchiveFilesTest, AFailedSaveKeepsThePreviousFileWhole) {
    test::AddDevice(store_, test::ExampleDevice());
    const std::string path = dir_ / "day/auto.dml";  // the day folder is created
    ASSERT_TRUE(files_.FileSaveArhiv(path, false));
    const std::string good = ReadFile(path);

    test::DeviceSpec more = test::ExampleDevice();
    more.Serial = 77;
    test::AddDevice(store_, more);
    files_.FailNextSaveAfter(100);  // the disk fills up part-way
    EXPECT_FALSE(files_.FileSaveArhiv(path, false));
    EXPECT_TRUE(log_.Has(" > Критическая ошибка при сохранении файла " + path));
    EXPECT_TRUE(op_.messages.empty());  // auto-save never shows a message
    EXPECT_EQ(ReadFile(path), good);
    const ArchiveResult r = LoadArhivFile(path);
    EXPECT_TRUE(r.Signed);
    EXPECT_EQ(r.DeviceCount, 1u);
    // No temporary file is left beside it.
    EXPECT_EQ(std::system(("test $(ls '" + (dir_ / "day") + "' | wc -l) -eq 1").c_str()), 0);

    // The operator's save shows the failure too.
    files_.FailNextSaveAfter(0);
    EXPECT_FALSE(files_.FileSaveArhiv(path, true));
    EXPECT_EQ(op_.messages.at(0).Text, "Критическая ошибка при сохранении файла " + path);
}

TEST_F(ArchiveFilesTest, AMissingFolderAboveTheDayFolderIsBusy) {
    const std::string path = dir_ / "no/such/file.dml";
    EXPECT_FALSE(files_.FileSaveArhiv(path, true));
    EXPECT_TRUE(log_.Has(" > Файл " + path + " занят другим приложением"));
    EXPECT_EQ(op_.messages.at(0).Text, "Файл " + path + " занят другим приложением");
}

// Data that were read without a confirmed signature may never be saved again as a signed file,
// whichever way they came in.
TEST_F(ArchiveFilesTest, DataReadUnsignedCannotBeSavedAsSigned) {
    struct Case {
        const char* what;
        std::string name, bytes;
        bool counted;  // the file counts as loaded (it was read to its end)
    };
    const std::vector<Case> cases = {
        {"a [dmr] file broken part-way", "broken.dmr",
         "[dmr]\r\n2\r\n3\r\nHexar-1/100 SN: 01234 Version: 2.3\r\n123 1 1\r\n50 \r\nnot-a-time 1 \r\n", false},
        {"a headerless numeric file", "numeric.dmr", "1 77 4321 1\r\n1 0.5 43074.5 21.5\r\n", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string signedFile = SaveDevice("signed.dml", 1);
        const std::string other = dir_ / c.name;
        WriteFile(other, c.bytes);
        view_.pink = false;
        op_.fallback = true;  // go on past every question
        EXPECT_EQ(files_.FileOpenArhiv({signedFile, other}), c.counted ? 2u : 1u);
        op_.fallback = false;
        EXPECT_EQ(store_.Devices(), 2u);
        EXPECT_TRUE(view_.pink);
        EXPECT_EQ(log_.Has(" > Файл " + other + " загружен. Электронная подпись отсутствует"), c.counted);
        EXPECT_FALSE(log_.Has(" > Файл " + other + " загружен. Электронная подпись подтверждена"));

        op_.messages.clear();
        EXPECT_FALSE(files_.SaveAs(dir_ / "copy"));
        ASSERT_EQ(op_.messages.size(), 1u);
        EXPECT_EQ(op_.messages[0].Text, "Данные не имеют юридической силы.\r\nСохранение запрещено");
        EXPECT_FALSE(FileExists(dir_ / "copy.dml"));
    }
}

// Entries that are no regular files are never read: a FIFO would block, a device never end. A
// line without end is cut short instead of filling the memory.
TEST_F(ArchiveFilesTest, SpecialFilesAreRefusedAndAnEndlessLineStopsTheFile) {
    const std::string fifo = dir_ / "fifo.dml", fifoDmr = dir_ / "fifo.dmr", zero = dir_ / "zero.dml";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    ASSERT_EQ(mkfifo(fifoDmr.c_str(), 0644), 0);
    ASSERT_EQ(symlink("/dev/zero", zero.c_str()), 0);
    EXPECT_EQ(files_.FileOpenArhiv({fifo, fifoDmr, zero}), 0u);
    for (const std::string& name : {fifo, fifoDmr, zero}) {
        EXPECT_TRUE(log_.Has(" > Отказано в доступе к " + name));
        EXPECT_TRUE(log_.Has(" > " + name + " не является обычным файлом"));
    }
    EXPECT_TRUE(op_.messages.empty());

    const std::string endless = dir_ / "endless.dml";
    WriteFile(endless, ReadFile(SaveDevice("good.dml", 1)) + std::string(3 << 20, '7'));
    const ArchiveResult r = LoadArhivFile(endless);
    EXPECT_TRUE(r.Opened);
    EXPECT_FALSE(r.Completed);
    EXPECT_EQ(r.DeviceCount, 1u);  // what came before stays, its samples too
    EXPECT_EQ(r.Devices.at(0).Cables.at(0).Times.size(), 2u);
    EXPECT_EQ(r.ReadError, "a line longer than 1048576 bytes");

    // The log names the reason after the message, for every format.
    const std::string endlessDmr = dir_ / "endless.dmr", missing = dir_ / "missing.dmr";
    WriteFile(endlessDmr, "[dmr]\r\n" + std::string(3 << 20, '7'));
    op_.fallback = true;  // "Игнорировать и продолжить?"
    EXPECT_EQ(files_.FileOpenArhiv({endless, endlessDmr, missing}), 0u);
    EXPECT_TRUE(log_.Has(" > " + endless + " не прочитан: строка 10 длиннее 1048576 байт"));
    EXPECT_TRUE(log_.Has(" > " + endlessDmr + " не прочитан: строка 2 длиннее 1048576 байт"));
    EXPECT_TRUE(log_.Has(" > " + missing + " не существует"));
}

// A target that cannot be opened for writing keeps what it is; the operator hears that the file
// is busy, not that saving broke down.
TEST_F(ArchiveFilesTest, ATargetThatCannotBeWrittenIsBusyAndStaysAsItIs) {
    test::AddDevice(store_, test::ExampleDevice());
    const std::string readOnly = dir_ / "ro.dml", folder = dir_ / "folder.dml", fifo = dir_ / "pipe.dml";
    WriteFile(readOnly, "old");
    ASSERT_EQ(chmod(readOnly.c_str(), 0444), 0);
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    for (const std::string& target : {readOnly, folder, fifo}) {
        EXPECT_FALSE(files_.FileSaveArhiv(target, true));
        EXPECT_TRUE(log_.Has(" > Файл " + target + " занят другим приложением"));
        EXPECT_EQ(op_.messages.back().Text, "Файл " + target + " занят другим приложением");
    }
    EXPECT_EQ(ReadFile(readOnly), "old");
    struct stat st {};
    EXPECT_TRUE(stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode));
    EXPECT_TRUE(stat(fifo.c_str(), &st) == 0 && S_ISFIFO(st.st_mode));
}

// A writer killed mid-save leaves its temporary file; the next save of that name removes it, but
// never the temporary file of a writer still at work (it holds a lock on it).
TEST_F(ArchiveFilesTest, TemporariesOfDeadWritersAreRemovedAtTheNextSave) {
    test::AddDevice(store_, test::ExampleDevice());
    const std::string target = dir_ / "auto.dml";
    const std::string dead = target + ".tmp-a1B2c3", live = target + ".tmp-Z9y8X7",
                      stranger = dir_ / "other.dml.tmp-a1B2c3";
    for (const std::string& name : {dead, live, stranger}) WriteFile(name, "partial");
    const int holder = open(live.c_str(), O_RDONLY);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(flock(holder, LOCK_EX), 0);
    EXPECT_TRUE(files_.FileSaveArhiv(target, false));
    close(holder);
    EXPECT_FALSE(FileExists(dead));
    EXPECT_TRUE(FileExists(live));
    EXPECT_TRUE(FileExists(stranger));
}

TEST(FileNames, TypeAndExtension) {
    EXPECT_EQ(FileTypeOf("/a/b.DmL"), "dml");
    EXPECT_EQ(FileTypeOf("dml"), "");
    EXPECT_EQ(WithExtension("/a.b/c", ".dml"), "/a.b/c.dml");
    EXPECT_EQ(WithExtension("/a/c.txt", ".dml"), "/a/c.dml");
}

}  // namespace
}  // namespace drumo
