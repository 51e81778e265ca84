#pragma once
// The search settings as the settings file keeps them (section "Find": protocol 0 or 1) and back.

#include "acquisition/SearchSettings.h"
#include "model/ProgramSettings.h"

namespace drumo {

SearchSettings SearchSettingsFromFile(const FindSettings& file);
// Writes only the search settings; the other keys of the section are left as they are.
void SearchSettingsToFile(const SearchSettings& settings, FindSettings& file);

}  // namespace drumo
