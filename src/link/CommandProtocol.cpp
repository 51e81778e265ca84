#include "link/CommandProtocol.h"

#include <array>
#include <cmath>

namespace drumo {

namespace {

// Data lengths of the command codes 1..127 (index = code); 0 marks a code that is no command.
constexpr std::array<uint8_t, 128> MakeLengthTable() {
    std::array<uint8_t, 128> t{};
    t[1] = 16;
    t[2] = t[3] = kVariableLength;
    for (int c = 16; c <= 23; ++c) t[c] = kVariableLength;  // correction tables, ROM codes
    t[30] = 14;
    t[31] = kVariableLength;
    t[39] = 10;
    t[40] = kVariableLength;
    t[41] = 3;
    for (int c = 42; c <= 50; ++c) t[c] = 54;  // notebook pages
    t[58] = 2;
    t[59] = 2;
    t[70] = 7;
    t[71] = 1;
    t[73] = 1;
    for (int c = 84; c <= 87; ++c) t[c] = kCallerLength;
    t[94] = 3;
    t[95] = 2;
    t[96] = 2;
    t[97] = 2;
    t[98] = 10;
    return t;
}

constexpr std::array<uint8_t, 128> kLengths = MakeLengthTable();

}  // namespace

int CommandLength(int code, int callerLength) {
    if (code < 1 || code > 127 || kLengths[code] == 0) return -1;
    if (kLengths[code] == kCallerLength) return callerLength;
    return kLengths[code];
}

double ByteTime(int baudRate) {
    switch (baudRate) {
        case 2400: return 0.004583;
        case 4800: return 0.002291;
        case 9600: return 0.001145;
        case 19200: return 0.000572;
        case 38400: return 0.000286;
        case 57600: return 0.00019;
        case 115200: return 0.000095;
        default: return 0.000572;
    }
}

int RoundHalfEven(double x) {
    // nearbyint rounds in the default mode: to nearest, halves to even.
    return static_cast<int>(std::nearbyint(x));
}

uint16_t BlockChecksum(const uint8_t* data, size_t n) {
    unsigned sum = 0;
    for (size_t i = 0; i < n; ++i) sum += data[i];
    return static_cast<uint16_t>(0xFFFEu - sum);
}

uint8_t RequestCheckByte(int code, int length) { return static_cast<uint8_t>((254 - code - length) & 0xFF); }

bool IsReplyHeader(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t expected) {
    return (b0 == kStatusReply || b0 == expected) && 254 - b0 - b1 == b2;
}

std::vector<uint8_t> ReadRequest(int code, int length) {
    return {static_cast<uint8_t>(code), static_cast<uint8_t>(length), RequestCheckByte(code, length)};
}

std::vector<uint8_t> WriteRequest(int code, const uint8_t* data, int length) {
    std::vector<uint8_t> frame = ReadRequest(code, length);
    frame.insert(frame.end(), data, data + length);
    const uint16_t sum = BlockChecksum(data, static_cast<size_t>(length));
    frame.push_back(static_cast<uint8_t>(sum >> 8));
    frame.push_back(static_cast<uint8_t>(sum & 0xFF));
    return frame;
}

}  // namespace drumo
