#include "app/GraphColoursFile.h"

#include "app/Settings.h"
#include "model/Formats.h"

namespace drumo {

namespace {
void Read(const IniFile& ini, const std::string& key, Color& colour) {
    int value = 0;
    if (const auto text = ini.Get("DefaultColor", key); text && TryParseInt(*text, value)) colour = value;
}
}  // namespace

GraphColours ReadDefaultColours(const IniFile& ini) {
    GraphColours colours;
    Read(ini, "FieldColor", colours.Field);
    Read(ini, "GridColor", colours.Grid);
    for (int i = 0; i < LineColorCount; ++i) Read(ini, "LineColor" + std::to_string(i), colours.Lines[i]);
    return colours;
}

GraphColours ReadDefaultColoursFile(const std::string& path) {
    IniFile ini;
    if (!ReadSettingsFile(path, ini)) return {};
    return ReadDefaultColours(ini);
}

}  // namespace drumo
