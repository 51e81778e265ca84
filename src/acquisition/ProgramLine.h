#pragma once
// The serial line as every device of the program expects it: 8N1, no flow control, DTR left low
// on opening, 100 ms time-outs, and the background receive at the channel's polling delay.

#include "link/SerialChannel.h"

namespace drumo {

void UseProgramLine(TSerialChannel& channel, EventLog& log);

}  // namespace drumo
