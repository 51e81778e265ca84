#pragma once
// The temperature fields of ".dml" sample lines: leading spaces, an optional sign and digits
// filling the field to its end, read as the 16-bit integer they give.

#include <cstddef>
#include <cstdint>

namespace drumo {

// One field from p to end. False when it does not parse or leaves 16 bits.
inline bool ParseTemperatureField(const char* p, const char* end, int16_t& out) {
    while (p < end && *p == ' ') ++p;
    bool negative = false;
    if (p < end && (*p == '-' || *p == '+')) negative = *p++ == '-';
    if (p == end) return false;
    int32_t v = 0;
    for (; p < end; ++p) {
        const unsigned digit = static_cast<unsigned>(*p - '0');
        if (digit > 9) return false;
        v = v * 10 + static_cast<int32_t>(digit);
        if (v > 32768) return false;
    }
    if (negative) v = -v;
    if (v > 32767) return false;
    out = static_cast<int16_t>(v);
    return true;
}

// `count` fields of seven characters one after the other from `first`, as ParseTemperatureField
// reads each: field s goes to out[s * stride], `missing` for a field that does not parse. The
// byte before `first` must be readable (it is not looked at); nothing after the last field is read.
// Returns how many of the fields came out as `missing` (a field may also read as that number).
size_t ParseTemperatureFields7(const char* first, size_t count, int16_t* out, size_t stride, int16_t missing);

}  // namespace drumo
