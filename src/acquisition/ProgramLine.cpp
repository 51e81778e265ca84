#include "acquisition/ProgramLine.h"

namespace drumo {

void UseProgramLine(TSerialChannel& channel, EventLog& log) {
    channel.SetHwFlow(HwFlowMode::None);
    channel.SetSwFlow(SwFlowMode::None);
    channel.SetEnableDTROnOpen(false);
    channel.SetCheckLineStatus(false);
    channel.SetStopBits(1);
    channel.SetDataBits(8);
    channel.SetParity(ParityMode::None);
    channel.SetInputTimeout(100);
    channel.SetPollingDelay(100);
    channel.SetLog(&log);
}

}  // namespace drumo
