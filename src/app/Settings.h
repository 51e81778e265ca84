#pragma once
// The operator's settings and every window's place, kept from one run to the next in the settings
// file "ProgSet.ini" (Windows-1251, CR LF). The file is read once when the main window is first
// shown and written once when it closes; in between the windows read and change the one
// ProgramSettings object. Every key has its default, used when the file, its section or the key
// is missing or the value does not read.

#include "app/IniFile.h"
#include "model/Colors.h"

#include <array>
#include <map>
#include <string>

namespace drumo {

// A window's position and size. Only the keys a window stores are read and written; the others
// keep these values.
struct WindowPlace {
    int Top = 0;
    int Left = 0;
    int Height = 0;
    int Width = 0;
};

struct MainSettings {
    WindowPlace Place{0, 600, 433, 0};  // Top, Left, Height; the width is fixed
    Color TableColor = clBtnFace;
    bool ShowHint = true;
    bool ConfirmClose = true;
    bool DecPoint = true;               // "." when true, "," when false
    int RequestAllIndex = 2;            // polling interval, 0..13
    bool AutoSaveEnabled = false;
    int AutoSaveIndex = 4;              // auto-save interval, 0..13
    double AlarmTMax = 100.0;
    double AlarmTMin = -50.0;
    std::string ArchiveFolder;          // default given by the caller of LoadSettings
};

struct FindSettings {
    int Protocol = 0;                   // 0 the command protocol ("Hexar"), 1 Modbus RTU
    int FindBeginAddr = 1;
    int FindFinishAddr = 255;
    bool AutoPortEnabled = true;
    bool AutoFindEnabled = true;
    int BaudRate = 19200;
    int AdditionalDelay = 100;
    int PortDefault = 3;
    int TestModbusAddr = 1;
};

struct TrendSettings {
    WindowPlace Place{433, 0, 433, 600};
    Color LineColor1 = 65535;
    Color LineColor2 = 13158600;
    Color PointColor = 33023;
    Color BorderColor = 0;
    Color FieldColor = 8404992;
    Color GridColor = 12632256;
    Color StickerColor = 8453888;
    int PointSize = 7;
    bool TrendInversed = false;
    bool TrendZeroBegin = false;
};

struct AutoNumSettings {
    WindowPlace Place{433, 600, 0, 0};  // Top and Left default to the auto-set window's
    int DriftComp = 3;                  // 0..5
    int DetectLevel = 3;                // 0..5
};

struct MgrSettings {
    WindowPlace Place{433, 600, 433, 600};
    bool PointVisible = true;
    int PointSize = 7;
    int DiscretIndex = 2;               // 0..13
    Color FieldColor = 8404992;
    Color GridColor = 12632256;
};

inline constexpr int LineColorCount = 256;

struct GraphSettings {
    WindowPlace Place{0, 0, 433, 600};
    bool PointVisible = true;
    int PointSize = 7;
    Color FieldColor = 0;
    Color GridColor = 8421504;
    std::array<Color, LineColorCount> GColor = [] {
        std::array<Color, LineColorCount> red{};
        red.fill(clRed);
        return red;
    }();
};

struct PletSettings {
    WindowPlace Place{0, 0, 433, 600};
    bool PointVisible = true;
    int PointSize = 7;
    Color FieldColor = 0;
    Color GridColor = 8421504;
    double TStep = 1.0;
    double TBeg = -60.0;
    double TFin = 130.0;
};

struct ProgramSettings {
    MainSettings Main;
    FindSettings Find;
    TrendSettings Trend;
    WindowPlace NoteBig{433, 600, 433, 600};
    WindowPlace AutoSet{433, 600, 441, 0};    // Top, Left, Height
    AutoNumSettings AutoNum;
    WindowPlace ScanM{433, 600, 433, 0};      // Top, Left, Height
    MgrSettings MGR;
    WindowPlace Report{0, 935, 433, 346};
    GraphSettings Graph;
    PletSettings Plet;
    // Device nodes for port numbers, section [Ports]: "Com3=/dev/ttyUSB0".
    std::map<int, std::string> Ports;
};

// The settings with every default; `archiveFolder` is the default archive folder.
ProgramSettings DefaultSettings(const std::string& archiveFolder);

// Reads the settings from an INI document. "DecPoint" is read before the floats, which are read
// with the decimal mark it chooses. A stored archive folder that is no absolute path (a Windows
// path such as "C:\Drumo\Archive" copied with the file, a relative name) would make auto-save
// create a folder of that literal name: the default takes its place, and `note` gets the log
// line that says so.
ProgramSettings ReadSettings(const IniFile& ini, const std::string& archiveFolder, std::string* note = nullptr);

// Puts every key into an INI document; other sections and keys of the document stay as they are.
// Floats are written with the decimal mark that the settings' own "DecPoint" chooses, so that the
// file always reads back.
void WriteSettings(const ProgramSettings& settings, IniFile& ini);

// The port map of a [Ports] section: keys "Com" + 1..255, values device paths; others skipped.
std::map<int, std::string> ReadPortsSection(const IniFile& ini);

// Reads the settings file as an INI document: only a regular file of at most 4 MB (a FIFO or a
// device is never read). False with the reason in `error` when given.
bool ReadSettingsFile(const std::string& path, IniFile& ini, std::string* error = nullptr);

// Reads the settings file; a missing, unreadable, oversized or damaged file gives the defaults
// for what it does not hold. Also makes the program-wide decimal mark the one "DecPoint" chooses.
// `note`: as for ReadSettings.
ProgramSettings LoadSettings(const std::string& path, const std::string& archiveFolder, std::string* note = nullptr);

// Writes the settings file, keeping sections and keys of the present file that are not settings
// of the program (such as [Ports]). The old file is replaced only once the new one is complete.
// False with a reason in `error` when it cannot be written.
bool SaveSettings(const std::string& path, const ProgramSettings& settings,
                  std::string* error = nullptr);

}  // namespace drumo
