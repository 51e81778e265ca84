#pragma once
// Sign-and-magnitude numbers inside the data of the maker's command protocol, most significant
// byte first, the sign in bit 7 of the first byte.

#include <cstdint>

namespace drumo {

// ext == -1: a 15-bit magnitude (hi AND 0x7F) * 256 + lo. Otherwise ext is a third byte and the
// magnitude has 23 bits: (hi AND 0x7F) * 65536 + lo * 256 + ext. Negative when bit 7 of hi is set.
int SignMagnitudeToInt(uint8_t hi, uint8_t lo, int ext);

// x rounded to the nearest integer (halves to even) as a 15-bit magnitude with the sign in bit 7
// of hi. Magnitudes that do not fit (32768 and above) are limited to 32767 so that they can never
// spill into the sign bit; a value that is not a number gives 0.
void IntToSignMagnitude(double x, uint8_t& hi, uint8_t& lo);

}  // namespace drumo
