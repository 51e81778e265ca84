#pragma once
// The time graph's default colours, kept by the operator in the section "DefaultColor" of the
// settings file: "FieldColor", "GridColor" and "LineColor0" … "LineColor255". The program reads
// the section when the operator asks for the default colours and never writes it.

#include <array>
#include <string>

#include "app/IniFile.h"
#include "app/Settings.h"
#include "model/Colors.h"

namespace drumo {

struct GraphColours {
    Color Field = 0;
    Color Grid = 8421504;
    std::array<Color, LineColorCount> Lines = GraphSettings{}.GColor;
};

// A missing or unreadable key keeps its default.
GraphColours ReadDefaultColours(const IniFile& ini);
// The same from the settings file; a file that cannot be read gives every default.
GraphColours ReadDefaultColoursFile(const std::string& path);

}  // namespace drumo
