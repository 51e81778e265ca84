// libFuzzer target: the sensor frame decoder fed arbitrary bytes, in pieces the fuzzer chooses.
// Every reading it delivers names a sensor 1..256 with a temperature the frame can carry, or the
// "no reading" mark, and encoding that reading again gives a frame that decodes to the same.

#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "link/ComBuf.h"

using namespace drumo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TComBuf decoder;
    int lastSensor = 0;
    double lastCelsius = 0;
    int readings = 0;
    decoder.SetHandler([&](int sensor, double celsius) {
        if (sensor < 1 || sensor > 256 || !std::isfinite(celsius)) std::abort();
        if (celsius != -273.0 && std::fabs(celsius) > 8388.607 + 1e-9) std::abort();
        lastSensor = sensor;
        lastCelsius = celsius;
        ++readings;
    });
    // The first byte cuts the rest into pieces of 1..16 bytes, as reads of the port would.
    const size_t piece = size ? (data[0] & 15) + 1 : 1;
    for (size_t at = size ? 1 : 0; at < size; at += piece) {
        const size_t n = std::min(piece, size - at);
        decoder.PutBytes(data + at, n);
        if (decoder.Count() > 7) std::abort();
    }
    if (readings > 0 && lastCelsius != -273.0) {
        TComBuf again;
        int sensor = 0;
        double celsius = 0;
        again.SetHandler([&](int s, double c) { sensor = s, celsius = c; });
        const auto frame = EncodeSensorFrame(lastSensor, static_cast<int>(std::lround(lastCelsius * 1000)));
        again.PutBytes(frame.data(), frame.size());
        if (sensor != lastSensor || std::fabs(celsius - lastCelsius) > 1e-9) std::abort();
    }
    return 0;
}
