#pragma once
// Reads the time graph's default colours from the section "DefaultColor" of the settings file
// ("FieldColor", "GridColor", "LineColor0" … "LineColor255"). The program never writes the section.

#include <string>

#include "app/IniFile.h"
#include "views/GraphColours.h"

namespace drumo {

// A missing or unreadable key keeps its default.
GraphColours ReadDefaultColours(const IniFile& ini);
// The same from the settings file; a file that cannot be read gives every default.
GraphColours ReadDefaultColoursFile(const std::string& path);

}  // namespace drumo
