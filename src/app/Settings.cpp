#include "app/Settings.h"

#include "model/Formats.h"
#include "model/SafeFile.h"

#include <cerrno>
#include <climits>
#include <cstring>

namespace drumo {
namespace {

// A settings file is a few kilobytes; anything far larger is not one and is not read.
constexpr size_t kMaxSettingsBytes = 4 * 1024 * 1024;

// Reads keys from a document into the settings; a key that is missing, does not read or is out
// of its range keeps the default already in place.
class Reader {
public:
    static constexpr bool Reading = true;
    explicit Reader(const IniFile& ini) : ini_(ini) {}

    void Int(const char* section, const char* key, int& value, int low = INT_MIN, int high = INT_MAX) {
        int v = 0;
        if (const auto text = ini_.Get(section, key); text && TryParseInt(*text, v) && v >= low && v <= high) {
            value = v;
        }
    }
    void Colour(const char* section, const char* key, Color& value) { Int(section, key, value); }
    void Bool(const char* section, const char* key, bool& value) {
        int v = 0;
        if (const auto text = ini_.Get(section, key); text && TryParseInt(*text, v)) value = v != 0;
    }
    void Float(const char* section, const char* key, double& value) {
        double v = 0;
        if (const auto text = ini_.Get(section, key); text && TryParseNumber(*text, v, mark_)) value = v;
    }
    void String(const char* section, const char* key, std::string& value) {
        // An empty folder name would send files to the working folder; keep the default instead.
        if (const auto text = ini_.Get(section, key); text && !text->empty()) value = *text;
    }
    void Mark(bool decPoint) { mark_ = decPoint ? '.' : ','; }

private:
    const IniFile& ini_;
    char mark_ = '.';
};

class Writer {
public:
    static constexpr bool Reading = false;
    explicit Writer(IniFile& ini) : ini_(ini) {}

    void Int(const char* section, const char* key, const int& value, int = 0, int = 0) {
        ini_.Set(section, key, std::to_string(value));
    }
    void Colour(const char* section, const char* key, const Color& value) { Int(section, key, value); }
    void Bool(const char* section, const char* key, const bool& value) {
        ini_.Set(section, key, value ? "1" : "0");
    }
    void Float(const char* section, const char* key, const double& value) {
        ini_.Set(section, key, NumberText(value, mark_));
    }
    void String(const char* section, const char* key, const std::string& value) {
        ini_.Set(section, key, value);
    }
    void Mark(bool decPoint) { mark_ = decPoint ? '.' : ','; }

private:
    IniFile& ini_;
    char mark_ = '.';
};

template <class V>
void Place(V& v, const char* section, auto& place, bool height, bool width) {
    v.Int(section, "Top", place.Top);
    v.Int(section, "Left", place.Left);
    if (height) v.Int(section, "Height", place.Height);
    if (width) v.Int(section, "Width", place.Width);
}

// Every key of the file, once, in the order the file is read and written. `S` is ProgramSettings
// or const ProgramSettings.
template <class V, class S>
void VisitAll(V& v, S& s) {
    auto& m = s.Main;
    Place(v, "Main", m.Place, true, false);
    v.Colour("Main", "TableColor", m.TableColor);
    v.Bool("Main", "ShowHint", m.ShowHint);
    v.Bool("Main", "ConfirmClose", m.ConfirmClose);
    v.Bool("Main", "DecPoint", m.DecPoint);
    v.Mark(m.DecPoint);  // the floats below are read and written with this mark
    v.Int("Main", "RequestAllIndex", m.RequestAllIndex, 0, 13);
    v.Bool("Main", "AutoSaveEnabled", m.AutoSaveEnabled);
    v.Int("Main", "AutoSaveIndex", m.AutoSaveIndex, 0, 13);
    v.Float("Main", "AlarmTMax", m.AlarmTMax);
    v.Float("Main", "AlarmTMin", m.AlarmTMin);
    v.String("Main", "ArchiveFolder", m.ArchiveFolder);

    auto& f = s.Find;
    v.Int("Find", "Protocol", f.Protocol, 0, 1);
    v.Int("Find", "FindBeginAddr", f.FindBeginAddr, 1, 255);
    v.Int("Find", "FindFinishAddr", f.FindFinishAddr, 1, 255);
    v.Bool("Find", "AutoPortEnabled", f.AutoPortEnabled);
    v.Bool("Find", "AutoFindEnabled", f.AutoFindEnabled);
    v.Int("Find", "BaudRate", f.BaudRate, 1, INT_MAX);
    v.Int("Find", "AdditionalDelay", f.AdditionalDelay, 0, INT_MAX);
    v.Int("Find", "PortDefault", f.PortDefault, 1, 255);
    v.Int("Find", "TestModbusAddr", f.TestModbusAddr, 1, 255);

    auto& t = s.Trend;
    Place(v, "Trend", t.Place, true, true);
    v.Colour("Trend", "LineColor1", t.LineColor1);
    v.Colour("Trend", "LineColor2", t.LineColor2);
    v.Colour("Trend", "PointColor", t.PointColor);
    v.Colour("Trend", "BorderColor", t.BorderColor);
    v.Colour("Trend", "FieldColor", t.FieldColor);
    v.Colour("Trend", "GridColor", t.GridColor);
    v.Colour("Trend", "StickerColor", t.StickerColor);
    v.Int("Trend", "PointSize", t.PointSize);
    v.Bool("Trend", "TrendInversed", t.TrendInversed);
    v.Bool("Trend", "TrendZeroBegin", t.TrendZeroBegin);

    Place(v, "NoteBig", s.NoteBig, true, true);
    Place(v, "AutoSet", s.AutoSet, true, false);
    if constexpr (V::Reading) {
        // The numbering window opens where the auto-set window is unless it has its own place.
        s.AutoNum.Place.Top = s.AutoSet.Top;
        s.AutoNum.Place.Left = s.AutoSet.Left;
    }
    Place(v, "AutoNum", s.AutoNum.Place, false, false);
    v.Int("AutoNum", "DriftComp", s.AutoNum.DriftComp, 0, 5);
    v.Int("AutoNum", "DetectLevel", s.AutoNum.DetectLevel, 0, 5);
    Place(v, "ScanM", s.ScanM, true, false);

    auto& g = s.MGR;
    Place(v, "MGR", g.Place, true, true);
    v.Bool("MGR", "PointVisible", g.PointVisible);
    v.Int("MGR", "PointSize", g.PointSize);
    v.Int("MGR", "DiscretIndex", g.DiscretIndex, 0, 13);
    v.Colour("MGR", "FieldColor", g.FieldColor);
    v.Colour("MGR", "GridColor", g.GridColor);

    Place(v, "Report", s.Report, true, true);

    auto& gr = s.Graph;
    Place(v, "Graph", gr.Place, true, true);
    v.Bool("Graph", "PointVisible", gr.PointVisible);
    v.Int("Graph", "PointSize", gr.PointSize);
    v.Colour("Graph", "FieldColor", gr.FieldColor);
    v.Colour("Graph", "GridColor", gr.GridColor);
    for (int i = 0; i < LineColorCount; ++i) {
        const std::string key = "GColor" + std::to_string(i);
        v.Colour("Graph", key.c_str(), gr.GColor[i]);
    }

    auto& p = s.Plet;
    Place(v, "Plet", p.Place, true, true);
    v.Bool("Plet", "PointVisible", p.PointVisible);
    v.Int("Plet", "PointSize", p.PointSize);
    v.Colour("Plet", "FieldColor", p.FieldColor);
    v.Colour("Plet", "GridColor", p.GridColor);
    v.Float("Plet", "TStep", p.TStep);
    v.Float("Plet", "TBeg", p.TBeg);
    v.Float("Plet", "TFin", p.TFin);
}

}  // namespace

std::map<int, std::string> ReadPortsSection(const IniFile& ini) {
    std::map<int, std::string> ports;
    for (const auto& [key, value] : ini.Section("Ports")) {
        if (key.size() < 4 || value.empty()) continue;
        std::string prefix = key.substr(0, 3);
        for (char& ch : prefix) ch = static_cast<char>(ch >= 'A' && ch <= 'Z' ? ch + 32 : ch);
        if (prefix != "com") continue;
        int n = 0;
        const std::string digits = key.substr(3);
        if (digits.find_first_not_of("0123456789") != std::string::npos) continue;
        if (!TryParseInt(digits, n) || n < 1 || n > 255) continue;
        ports.emplace(n, value);
    }
    return ports;
}

ProgramSettings ReadSettings(const IniFile& ini, const std::string& archiveFolder, std::string* note) {
    ProgramSettings s = DefaultSettings(archiveFolder);
    Reader reader(ini);
    VisitAll(reader, s);
    s.Ports = ReadPortsSection(ini);
    if (s.Main.ArchiveFolder != archiveFolder && s.Main.ArchiveFolder.substr(0, 1) != "/") {
        if (note)
            *note = " > Директория архива " + s.Main.ArchiveFolder + " задана не полным путем. Используется " +
                    archiveFolder;
        s.Main.ArchiveFolder = archiveFolder;
    }
    return s;
}

void WriteSettings(const ProgramSettings& settings, IniFile& ini) {
    Writer writer(ini);
    VisitAll(writer, settings);
    for (const auto& [n, path] : settings.Ports) ini.Set("Ports", "Com" + std::to_string(n), path);
}

bool ReadSettingsFile(const std::string& path, IniFile& ini, std::string* error) {
    std::string bytes;
    if (!ReadSmallFile(path, bytes, kMaxSettingsBytes, error)) return false;
    ini = IniFile::Parse(bytes);
    return true;
}

ProgramSettings LoadSettings(const std::string& path, const std::string& archiveFolder, std::string* note) {
    IniFile ini;
    ReadSettingsFile(path, ini);
    ProgramSettings s = ReadSettings(ini, archiveFolder, note);
    SetDecimalMark(s.Main.DecPoint ? '.' : ',');
    return s;
}

bool SaveSettings(const std::string& path, const ProgramSettings& settings, std::string* error) {
    IniFile ini;
    ReadSettingsFile(path, ini);
    WriteSettings(settings, ini);
    // The settings folder may be several levels deep (~/.config/drumo); all of it is created.
    const std::string folder = FolderOf(path);
    if (!MakeFolders(folder)) {
        if (error) *error = folder + ": " + std::strerror(errno);
        return false;
    }
    return WriteFileSafely(path, ini.Text(), error);
}

}  // namespace drumo
