#include "app/ui/DesktopStation.h"

#include "acquisition/ProgramLine.h"

namespace drumo {

DesktopStation::DesktopStation(Operator& op)
    : station_({port_, op, log_, SystemClock::Instance(), &events_}, views_.Views()) {
    UseProgramLine(station_.Channel(), log_);
}

}  // namespace drumo
