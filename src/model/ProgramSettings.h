#pragma once
// The program's settings as plain values: the operator's choices and every window's place, with
// their defaults. The settings file (app/Settings.h) reads and writes them; the station and the
// windows hold and change one ProgramSettings object in between.

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
inline ProgramSettings DefaultSettings(const std::string& archiveFolder) {
    ProgramSettings s;
    s.Main.ArchiveFolder = archiveFolder;
    return s;
}

}  // namespace drumo
