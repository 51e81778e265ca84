// The settings file: defaults, every key round-tripped, the decimal mark, damaged files, the
// [Ports] section, and replacing the file only when the new one is complete.

#include "app/GraphColoursFile.h"
#include "app/Settings.h"
#include "model/Cp1251.h"
#include "model/Formats.h"
#include "model/SafeFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace drumo {
namespace {

namespace fs = std::filesystem;

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (fs::temp_directory_path() / "drumo-settings-XXXXXX").string();
        path = mkdtemp(pattern.data());
    }
    ~TempFolder() { fs::remove_all(path); }
    std::string path;
};

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& path, const std::string& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// Every field of the settings, compared one by one so that a failure names the key.
void ExpectSame(const ProgramSettings& a, const ProgramSettings& b) {
    auto place = [](const WindowPlace& x, const WindowPlace& y, const char* what) {
        EXPECT_EQ(x.Top, y.Top) << what;
        EXPECT_EQ(x.Left, y.Left) << what;
        EXPECT_EQ(x.Height, y.Height) << what;
        EXPECT_EQ(x.Width, y.Width) << what;
    };
    place(a.Main.Place, b.Main.Place, "Main");
    EXPECT_EQ(a.Main.TableColor, b.Main.TableColor);
    EXPECT_EQ(a.Main.ShowHint, b.Main.ShowHint);
    EXPECT_EQ(a.Main.ConfirmClose, b.Main.ConfirmClose);
    EXPECT_EQ(a.Main.DecPoint, b.Main.DecPoint);
    EXPECT_EQ(a.Main.RequestAllIndex, b.Main.RequestAllIndex);
    EXPECT_EQ(a.Main.AutoSaveEnabled, b.Main.AutoSaveEnabled);
    EXPECT_EQ(a.Main.AutoSaveIndex, b.Main.AutoSaveIndex);
    EXPECT_EQ(a.Main.AlarmTMax, b.Main.AlarmTMax);
    EXPECT_EQ(a.Main.AlarmTMin, b.Main.AlarmTMin);
    EXPECT_EQ(a.Main.ArchiveFolder, b.Main.ArchiveFolder);
    EXPECT_EQ(a.Find.Protocol, b.Find.Protocol);
    EXPECT_EQ(a.Find.FindBeginAddr, b.Find.FindBeginAddr);
    EXPECT_EQ(a.Find.FindFinishAddr, b.Find.FindFinishAddr);
    EXPECT_EQ(a.Find.AutoPortEnabled, b.Find.AutoPortEnabled);
    EXPECT_EQ(a.Find.AutoFindEnabled, b.Find.AutoFindEnabled);
    EXPECT_EQ(a.Find.BaudRate, b.Find.BaudRate);
    EXPECT_EQ(a.Find.AdditionalDelay, b.Find.AdditionalDelay);
    EXPECT_EQ(a.Find.PortDefault, b.Find.PortDefault);
    EXPECT_EQ(a.Find.TestModbusAddr, b.Find.TestModbusAddr);
    place(a.Trend.Place, b.Trend.Place, "Trend");
    EXPECT_EQ(a.Trend.LineColor1, b.Trend.LineColor1);
    EXPECT_EQ(a.Trend.LineColor2, b.Trend.LineColor2);
    EXPECT_EQ(a.Trend.PointColor, b.Trend.PointColor);
    EXPECT_EQ(a.Trend.BorderColor, b.Trend.BorderColor);
    EXPECT_EQ(a.Trend.FieldColor, b.Trend.FieldColor);
    EXPECT_EQ(a.Trend.GridColor, b.Trend.GridColor);
    EXPECT_EQ(a.Trend.StickerColor, b.Trend.StickerColor);
    EXPECT_EQ(a.Trend.PointSize, b.Trend.PointSize);
    EXPECT_EQ(a.Trend.TrendInversed, b.Trend.TrendInversed);
    EXPECT_EQ(a.Trend.TrendZeroBegin, b.Trend.TrendZeroBegin);
    place(a.NoteBig, b.NoteBig, "NoteBig");
    place(a.AutoSet, b.AutoSet, "AutoSet");
    place(a.AutoNum.Place, b.AutoNum.Place, "AutoNum");
    EXPECT_EQ(a.AutoNum.DriftComp, b.AutoNum.DriftComp);
    EXPECT_EQ(a.AutoNum.DetectLevel, b.AutoNum.DetectLevel);
    place(a.ScanM, b.ScanM, "ScanM");
    place(a.MGR.Place, b.MGR.Place, "MGR");
    EXPECT_EQ(a.MGR.PointVisible, b.MGR.PointVisible);
    EXPECT_EQ(a.MGR.PointSize, b.MGR.PointSize);
    EXPECT_EQ(a.MGR.DiscretIndex, b.MGR.DiscretIndex);
    EXPECT_EQ(a.MGR.FieldColor, b.MGR.FieldColor);
    EXPECT_EQ(a.MGR.GridColor, b.MGR.GridColor);
    place(a.Report, b.Report, "Report");
    place(a.Graph.Place, b.Graph.Place, "Graph");
    EXPECT_EQ(a.Graph.PointVisible, b.Graph.PointVisible);
    EXPECT_EQ(a.Graph.PointSize, b.Graph.PointSize);
    EXPECT_EQ(a.Graph.FieldColor, b.Graph.FieldColor);
    EXPECT_EQ(a.Graph.GridColor, b.Graph.GridColor);
    EXPECT_EQ(a.Graph.GColor, b.Graph.GColor);
    place(a.Plet.Place, b.Plet.Place, "Plet");
    EXPECT_EQ(a.Plet.PointVisible, b.Plet.PointVisible);
    EXPECT_EQ(a.Plet.PointSize, b.Plet.PointSize);
    EXPECT_EQ(a.Plet.FieldColor, b.Plet.FieldColor);
    EXPECT_EQ(a.Plet.GridColor, b.Plet.GridColor);
    EXPECT_EQ(a.Plet.TStep, b.Plet.TStep);
    EXPECT_EQ(a.Plet.TBeg, b.Plet.TBeg);
    EXPECT_EQ(a.Plet.TFin, b.Plet.TFin);
    EXPECT_EQ(a.Ports, b.Ports);
}

// Settings in which every value differs from its default.
ProgramSettings Changed() {
    ProgramSettings s = DefaultSettings("/tmp/a");
    int n = 1;
    auto place = [&](WindowPlace& p) { p = {n, n + 1, n + 2, n + 3}; n += 10; };
    place(s.Main.Place);
    s.Main.Place.Width = 0;  // not stored
    s.Main = {s.Main.Place, RgbColor(1, 2, 3), false, false, true, 13, true, 0, 37.25, -12.5,
              "/srv/Архив данных"};
    s.Find = {1, 5, 200, false, false, 115200, 800, 17, 42};
    place(s.Trend.Place);
    s.Trend.LineColor1 = 1, s.Trend.LineColor2 = 2, s.Trend.PointColor = 3, s.Trend.BorderColor = 4;
    s.Trend.FieldColor = 5, s.Trend.GridColor = 6, s.Trend.StickerColor = 7, s.Trend.PointSize = 3;
    s.Trend.TrendInversed = true, s.Trend.TrendZeroBegin = true;
    place(s.NoteBig);
    place(s.AutoSet);
    s.AutoSet.Width = 0;
    s.AutoNum = {{77, 78, 0, 0}, 0, 5};
    place(s.ScanM);
    s.ScanM.Width = 0;
    place(s.MGR.Place);
    s.MGR.PointVisible = false, s.MGR.PointSize = 9, s.MGR.DiscretIndex = 13;
    s.MGR.FieldColor = 11, s.MGR.GridColor = 12;
    place(s.Report);
    place(s.Graph.Place);
    s.Graph.PointVisible = false, s.Graph.PointSize = 2, s.Graph.FieldColor = 13, s.Graph.GridColor = 14;
    for (int i = 0; i < LineColorCount; ++i) s.Graph.GColor[i] = i * 65793;
    place(s.Plet.Place);
    s.Plet.PointVisible = false, s.Plet.PointSize = 4, s.Plet.FieldColor = 15, s.Plet.GridColor = 16;
    s.Plet.TStep = 0.5, s.Plet.TBeg = -20.25, s.Plet.TFin = 85.75;
    s.Ports = {{3, "/dev/ttyUSB0"}, {12, "/dev/pts/7"}};
    return s;
}

class SettingsFileTest : public ::testing::Test {
protected:
    void TearDown() override { SetDecimalMark('.'); }
    TempFolder dir;
    std::string File() const { return dir.path + "/ini/ProgSet.ini"; }
};

TEST_F(SettingsFileTest, MissingFileGivesEveryDefault) {
    const ProgramSettings s = LoadSettings(File(), "/home/op/Drumo/Archive");
    ExpectSame(s, DefaultSettings("/home/op/Drumo/Archive"));
    EXPECT_EQ(s.Main.Place.Left, 600);
    EXPECT_EQ(s.Main.TableColor, -16777201);
    EXPECT_EQ(s.Find.FindFinishAddr, 255);
    EXPECT_TRUE(s.Find.AutoPortEnabled);
    EXPECT_EQ(s.Report.Left, 935);
    EXPECT_EQ(s.AutoSet.Height, 441);
    EXPECT_EQ(s.Plet.TBeg, -60.0);
    EXPECT_EQ(s.Main.ArchiveFolder, "/home/op/Drumo/Archive");
    EXPECT_EQ(DecimalMark(), '.');
}

TEST_F(SettingsFileTest, EveryKeyRoundTrips) {
    for (bool decPoint : {true, false}) {
        ProgramSettings s = Changed();
        s.Main.DecPoint = decPoint;
        ASSERT_TRUE(SaveSettings(File(), s));
        const ProgramSettings back = LoadSettings(File(), "/other");
        ExpectSame(back, s);
        EXPECT_EQ(DecimalMark(), decPoint ? '.' : ',');
    }
}

TEST_F(SettingsFileTest, FileIsWindows1251WithCrLfAndTheKeyNamesAsWritten) {
    ASSERT_TRUE(SaveSettings(File(), Changed()));
    const std::string bytes = ReadAll(File());
    EXPECT_EQ(bytes.rfind("[Main]\r\nTop=1\r\nLeft=2\r\nHeight=3\r\nTableColor=197121\r\n", 0), 0u);
    EXPECT_NE(bytes.find("ArchiveFolder=" + Utf8ToCp1251("/srv/Архив данных") + "\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("\r\n\r\n[Find]\r\nProtocol=1\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("AlarmTMin=-12.5\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("ShowHint=0\r\nConfirmClose=0\r\nDecPoint=1\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("GColor255=16777215\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("[Ports]\r\nCom3=/dev/ttyUSB0\r\nCom12=/dev/pts/7\r\n"), std::string::npos);
    EXPECT_EQ(bytes.find("\n\n"), std::string::npos);           // no bare LF
    // Windows store only the keys of the directions they can be resized in.
    EXPECT_NE(bytes.find("\r\n[AutoSet]\r\nTop=31\r\nLeft=32\r\nHeight=33\r\n\r\n[AutoNum]\r\n"
                         "Top=77\r\nLeft=78\r\nDriftComp=0\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("\r\n[ScanM]\r\nTop=41\r\nLeft=42\r\nHeight=43\r\n\r\n[MGR]"), std::string::npos);
}

TEST_F(SettingsFileTest, CommaDecimalMarkWritesAndReadsCommas) {
    ProgramSettings s = DefaultSettings("/a");
    s.Main.DecPoint = false;
    s.Main.AlarmTMax = 85.5;
    s.Main.AlarmTMin = -40.25;
    ASSERT_TRUE(SaveSettings(File(), s));
    const std::string bytes = ReadAll(File());
    EXPECT_NE(bytes.find("AlarmTMax=85,5\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("AlarmTMin=-40,25\r\n"), std::string::npos);
    const ProgramSettings back = LoadSettings(File(), "/a");
    EXPECT_FALSE(back.Main.DecPoint);
    EXPECT_EQ(back.Main.AlarmTMax, 85.5);
    EXPECT_EQ(back.Main.AlarmTMin, -40.25);
    EXPECT_EQ(DecimalMark(), ',');
    // A point where the file says comma is not a number: the default.
    WriteAll(File(), "[Main]\r\nDecPoint=0\r\nAlarmTMax=85.5\r\n");
    EXPECT_EQ(LoadSettings(File(), "/a").Main.AlarmTMax, 100.0);
}

TEST_F(SettingsFileTest, ValuesAsTheSearchWindowMayNotShowThemAreKept) {
    WriteAll(File(), "[Find]\r\nBaudRate=1200\r\nAdditionalDelay=300\r\n");
    const ProgramSettings s = LoadSettings(File(), "/a");
    EXPECT_EQ(s.Find.BaudRate, 1200);
    EXPECT_EQ(s.Find.AdditionalDelay, 300);
}

TEST_F(SettingsFileTest, ABooleanIsAnyNonZeroIntegerAndNotAWord) {
    WriteAll(File(), "[Main]\nShowHint=0\nConfirmClose=-7\nAutoSaveEnabled=yes\n[Graph]\nPointVisible=2\n");
    const ProgramSettings s = LoadSettings(File(), "/a");
    EXPECT_FALSE(s.Main.ShowHint);
    EXPECT_TRUE(s.Main.ConfirmClose);
    EXPECT_FALSE(s.Main.AutoSaveEnabled);  // does not parse: the default
    EXPECT_TRUE(s.Graph.PointVisible);
}

TEST_F(SettingsFileTest, WithoutAGraphSectionEveryLineIsRed) {
    WriteAll(File(), "[Main]\r\nTop=5\r\n[Plet]\r\nGColor3=0\r\n");
    const ProgramSettings s = LoadSettings(File(), "/a");
    EXPECT_EQ(s.Main.Place.Top, 5);
    for (Color c : s.Graph.GColor) ASSERT_EQ(c, 255);
}

TEST_F(SettingsFileTest, OutOfRangeChoicesAndEmptyFolderFallBackToDefaults) {
    WriteAll(File(), "[Main]\r\nRequestAllIndex=14\r\nAutoSaveIndex=-1\r\nArchiveFolder=\r\n"
                     "[MGR]\r\nDiscretIndex=99\r\n[Find]\r\nPortDefault=0\r\nFindBeginAddr=256\r\n"
                     "Protocol=2\r\n[AutoNum]\r\nDriftComp=6\r\n");
    const ProgramSettings s = LoadSettings(File(), "/def");
    EXPECT_EQ(s.Main.RequestAllIndex, 2);
    EXPECT_EQ(s.Main.AutoSaveIndex, 4);
    EXPECT_EQ(s.Main.ArchiveFolder, "/def");
    EXPECT_EQ(s.MGR.DiscretIndex, 2);
    EXPECT_EQ(s.Find.PortDefault, 3);
    EXPECT_EQ(s.Find.FindBeginAddr, 1);
    EXPECT_EQ(s.Find.Protocol, 0);
    EXPECT_EQ(s.AutoNum.DriftComp, 3);
}

TEST_F(SettingsFileTest, AStoredArchiveFolderThatIsNoAbsolutePathGivesTheDefaultAndSaysSo) {
    for (const std::string stored : {"C:\\Drumo\\Archive", "Archive", "./x"}) {
        WriteAll(File(), "[Main]\r\nArchiveFolder=" + stored + "\r\n");
        std::string note;
        EXPECT_EQ(LoadSettings(File(), "/def", &note).Main.ArchiveFolder, "/def");
        EXPECT_EQ(note, " > Директория архива " + stored + " задана не полным путем. Используется /def");
    }
    WriteAll(File(), "[Main]\r\nArchiveFolder=/srv/archive\r\n");
    std::string note;
    EXPECT_EQ(LoadSettings(File(), "/def", &note).Main.ArchiveFolder, "/srv/archive");
    EXPECT_EQ(note, "");
}

TEST_F(SettingsFileTest, NumberingWindowDefaultsToTheAutoSetPlace) {
    WriteAll(File(), "[AutoSet]\r\nTop=120\r\nLeft=340\r\n");
    ProgramSettings s = LoadSettings(File(), "/a");
    EXPECT_EQ(s.AutoNum.Place.Top, 120);
    EXPECT_EQ(s.AutoNum.Place.Left, 340);
    WriteAll(File(), "[AutoSet]\r\nTop=120\r\nLeft=340\r\n[AutoNum]\r\nLeft=5\r\n");
    s = LoadSettings(File(), "/a");
    EXPECT_EQ(s.AutoNum.Place.Top, 120);
    EXPECT_EQ(s.AutoNum.Place.Left, 5);
}

TEST_F(SettingsFileTest, DamagedFilesLoadWithDefaultsAndNeverCrash) {
    const ProgramSettings defaults = DefaultSettings("/a");
    std::mt19937 random(7);
    std::string garbage(200000, '\0');
    for (char& ch : garbage) ch = static_cast<char>(random());
    const std::string huge(3 * 1024 * 1024, 'x');
    const std::vector<std::string> files = {
        garbage,
        "[Main]\r\n" + huge + "\r\nTop=9\r\n",                 // a huge line before a good key
        "[Main\r\nTop=9\r\n",                                  // broken header: no section
        "Top=9\r\n[Main]\r\nTop\r\nLeft:5\r\n=7\r\n",          // keys without "=" or name
        "[Main]\r\nTop=9999999999999\r\nHeight=12abc\r\nAlarmTMax=1e999\r\nAlarmTMin=nan\r\n",
        std::string("[Main]\0Top=9\r\n", 14),
        "\xEF\xBB\xBF",                                        // a byte-order mark and nothing else
    };
    for (size_t i = 0; i < files.size(); ++i) {
        WriteAll(File(), files[i]);
        const ProgramSettings s = LoadSettings(File(), "/a");
        EXPECT_EQ(s.Main.Place.Left, defaults.Main.Place.Left) << "file " << i;
        EXPECT_EQ(s.Main.AlarmTMax, 100.0) << "file " << i;
        EXPECT_EQ(s.Main.AlarmTMin, -50.0) << "file " << i;
        EXPECT_EQ(s.Graph.GColor[100], 255) << "file " << i;
    }
    // The good key after the huge line is still found.
    WriteAll(File(), files[1]);
    EXPECT_EQ(LoadSettings(File(), "/a").Main.Place.Top, 9);
    // A file far larger than any settings file is not read at all.
    WriteAll(File(), "[Main]\r\nTop=9\r\n" + std::string(5 * 1024 * 1024, ';'));
    EXPECT_EQ(LoadSettings(File(), "/a").Main.Place.Top, 0);
    // A folder where the file should be.
    fs::remove(File());
    fs::create_directories(File());
    ExpectSame(LoadSettings(File(), "/a"), defaults);
}

TEST_F(SettingsFileTest, SavingKeepsOtherSectionsAndRepairsLineBreaksInValues) {
    WriteAll(File(), "[Ports]\r\nCom3=/dev/ttyUSB1\r\n[Extra]\r\nNote=keep me\r\n[Main]\r\nTop=1\r\n");
    ProgramSettings s = LoadSettings(File(), "/a");
    EXPECT_EQ(s.Ports, (std::map<int, std::string>{{3, "/dev/ttyUSB1"}}));
    s.Main.ArchiveFolder = "/data\r\n[Main]\r\nTop=666";
    ASSERT_TRUE(SaveSettings(File(), s));
    const IniFile ini = IniFile::Parse(ReadAll(File()));
    EXPECT_EQ(ini.Get("Extra", "Note"), "keep me");
    EXPECT_EQ(ini.Get("ports", "COM3"), "/dev/ttyUSB1");
    EXPECT_EQ(ini.Get("Main", "Top"), "1");
    EXPECT_EQ(LoadSettings(File(), "/a").Main.Place.Top, 1);
}

TEST_F(SettingsFileTest, FailedSaveLeavesThePreviousFile) {
    ASSERT_TRUE(SaveSettings(File(), Changed()));
    const std::string before = ReadAll(File());
    // A disk that fills up after 1000 bytes: the new file cannot be completed.
    struct rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 1000;
    setrlimit(RLIMIT_FSIZE, &small);
    std::string error;
    const bool saved = SaveSettings(File(), DefaultSettings("/b"), &error);
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(saved);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(ReadAll(File()), before);
    // No temporary file is left behind.
    int files = 0;
    for (const auto& entry : fs::directory_iterator(dir.path + "/ini")) files += entry.is_regular_file();
    EXPECT_EQ(files, 1);
}

TEST(PortsSection, OnlyComKeysWithNumbersAndPaths) {
    const IniFile ini = IniFile::Parse(
        "[Ports]\nCom3=/dev/ttyUSB0\ncom7 = /dev/pts/4 \nCOM255=/dev/x\nCom0=/dev/a\nCom256=/dev/b\n"
        "Com=/dev/c\nCom1x=/dev/d\nPort5=/dev/e\nCom9=\nCom-1=/dev/f\n");
    EXPECT_EQ(ReadPortsSection(ini), (std::map<int, std::string>{
                                         {3, "/dev/ttyUSB0"}, {7, "/dev/pts/4"}, {255, "/dev/x"}}));
}

TEST(DefaultColourSection, ReadKeysReplaceDefaultsAndBadOnesKeepThem) {
    const GraphColours colours = ReadDefaultColours(IniFile::Parse(
        "[DefaultColor]\nFieldColor=255\nGridColor=grey\nLineColor0=65280\nLineColor255=16711680\n"
        "LineColor256=1\n"));
    EXPECT_EQ(colours.Field, 255);
    EXPECT_EQ(colours.Grid, 8421504);
    EXPECT_EQ(colours.Lines[0], 65280);
    EXPECT_EQ(colours.Lines[1], clRed);
    EXPECT_EQ(colours.Lines[255], 16711680);
    const GraphColours missing = ReadDefaultColoursFile("/nonexistent/drumo.ini");
    EXPECT_EQ(missing.Field, 0);
    EXPECT_EQ(missing.Lines, GraphColours{}.Lines);
}

TEST(IniFile, SectionsAndKeysIgnoreLetterCaseAndTheFirstRepeatWins) {
    const IniFile ini = IniFile::Parse("; comment\r\n[MAIN]\r\n top = 5 \r\nTop=6\r\n\r\n[main]\r\nLeft=7\r");
    EXPECT_EQ(ini.Get("Main", "TOP"), "5");
    EXPECT_EQ(ini.Get("Main", "Left"), "7");
    EXPECT_FALSE(ini.Get("Main", "Height").has_value());
    EXPECT_FALSE(ini.Get("Other", "Top").has_value());
    IniFile edited = ini;
    edited.Set("main", "TOP", "8");
    edited.Set("New", "Key", "Значение");
    EXPECT_EQ(edited.Text(), "[MAIN]\r\ntop=8\r\nLeft=7\r\n\r\n[New]\r\nKey=" + Utf8ToCp1251("Значение") + "\r\n");
}

}  // namespace
}  // namespace drumo
