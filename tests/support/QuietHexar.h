#pragma once
// The simulated Hexar-1/100 on an open pseudo-terminal, answering but not streaming until a test
// asks it to, for tests of the whole program.

#include <optional>
#include <string>

#include "sim/Presets.h"
#include "sim/SimClock.h"

namespace drumo::test {

// Empty (and the reason in error) when it could not start.
inline std::optional<sim::SimLine> QuietHexar100(sim::ManualClock& clock, std::string& error) {
    auto line = sim::BuildLine(*sim::PresetConfig("hexar100"), clock, error);
    if (!line) return line;
    line->Command->Streaming = false;
    if (!line->Line->Open()) {
        error = "the simulator's pseudo-terminal did not open";
        return std::nullopt;
    }
    line->Line->Start();
    return line;
}

}  // namespace drumo::test
