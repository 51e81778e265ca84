#pragma once
// The health that drumo-cli log gives each cable's sample, read from reception's record of the
// device: its failed reads (since the cable's previous sample, and in all) and its fault bits.
// (This file registers no subcommand.)

#include "acquisition/Reception.h"
#include "cli/CliSampleLines.h"

#include <map>
#include <utility>

namespace drumo::cli {

class SampleHealthReader {
public:
    // The health of the next sample of cable (d, c); lost: the cable's samples missed since its
    // previous one, -1 when not known.
    SampleHealth Next(const Reception& reception, size_t d, size_t c, int lost);

private:
    std::map<std::pair<size_t, size_t>, uint64_t> failedAt_;  // the device's count at the cable's last sample
};

}  // namespace drumo::cli
