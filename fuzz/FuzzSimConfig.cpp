// libFuzzer target: drumo-sim's configuration file over arbitrary text. A configuration that
// parses either builds its line of devices or says why not; a failure always says what is wrong.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "sim/Presets.h"
#include "support/FakeClock.h"

using namespace drumo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    sim::LineConfig config;
    std::string error;
    if (!sim::ParseConfig(text, config, error)) {
        if (error.empty()) std::abort();
        return 0;
    }
    // Building many controllers is slow, not wrong: a handful is enough to reach every model.
    if (config.Devices.size() > 4) return 0;
    test::FakeClock clock;
    error.clear();
    const auto line = sim::BuildLine(config, clock, error);
    if (!line && error.empty()) std::abort();
    return 0;
}
