#include "link/SignMagnitude.h"

#include <cmath>

namespace drumo {

int SignMagnitudeToInt(uint8_t hi, uint8_t lo, int ext) {
    int magnitude;
    if (ext == -1)
        magnitude = (hi & 0x7F) * 256 + lo;
    else
        magnitude = (hi & 0x7F) * 65536 + lo * 256 + (ext & 0xFF);
    return (hi & 0x80) ? -magnitude : magnitude;
}

void IntToSignMagnitude(double x, uint8_t& hi, uint8_t& lo) {
    // nearbyint rounds in the default mode, to nearest with halves to even.
    double m = std::isnan(x) ? 0.0 : std::nearbyint(std::fabs(x));
    if (m > 32767.0) m = 32767.0;
    const unsigned magnitude = static_cast<unsigned>(m);
    hi = static_cast<uint8_t>((magnitude >> 8) | (x < 0 ? 0x80u : 0u));
    lo = static_cast<uint8_t>(magnitude & 0xFF);
}

}  // namespace drumo
