#pragma once
// Commands that the operator of drumo-sim types while the devices run, one per line:
//   warm SENSOR [RISE [SECONDS]]                 a Hexar: warm measured sensor SENSOR (from 1)
//   warm ADDRESS CABLE SENSOR [RISE [SECONDS]]   a Dorma: warm a sensor of one of its cables
//   fault [ADDRESS=]NAME                         set a fault (see Faults.h; "none" clears it)
//   power-on                                     a switched-off Hexar comes back
//   status                                       what the devices are doing
// RISE defaults to 10 degrees, SECONDS to 60: as a hand holding the sensor, then letting go.

#include "sim/Presets.h"

#include <string>

namespace drumo::sim {

// Carries out one command on the devices of a line (the caller holds the bus lock) and returns
// the answer to show.
std::string RunConsoleCommand(SimLine& line, const std::string& command);

}  // namespace drumo::sim
