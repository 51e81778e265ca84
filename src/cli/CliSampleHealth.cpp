// The health beside each sample of drumo-cli log (this file registers no subcommand).
#include "cli/CliSampleHealth.h"

#include <algorithm>

namespace drumo::cli {

SampleHealth SampleHealthReader::Next(const Reception& reception, size_t d, size_t c, int lost) {
    const DeviceHealth device = reception.Health(d);
    uint64_t& before = failedAt_[{d, c}];
    SampleHealth health;
    health.Lost = lost;
    health.FailedTotal = static_cast<long long>(device.FailedReads);
    health.Failed = static_cast<long long>(device.FailedReads - std::min(before, device.FailedReads));
    health.FaultBits = device.FaultBits;
    before = device.FailedReads;
    return health;
}

}  // namespace drumo::cli
