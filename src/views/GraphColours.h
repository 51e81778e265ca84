#pragma once
// The time graph's default colours: the field, the grid and one colour per line. The program reads
// them from its settings file when the operator asks for them and hands them to the window.

#include <array>

#include "model/ProgramSettings.h"
#include "model/Colors.h"

namespace drumo {

struct GraphColours {
    Color Field = 0;
    Color Grid = 8421504;
    std::array<Color, LineColorCount> Lines = GraphSettings{}.GColor;
};

}  // namespace drumo
