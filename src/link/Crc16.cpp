#include "link/Crc16.h"

#include <array>

namespace drumo {

namespace {

// The two 256-entry tables of the byte-wise algorithm: for an index i (the low CRC byte XOR the
// next data byte) the byte to XOR into the new low byte and the new high byte. They are the two
// halves of the classic 16-bit table and are generated once, at compile time.
struct CrcTables {
    std::array<uint8_t, 256> lo{};
    std::array<uint8_t, 256> hi{};
};

constexpr CrcTables MakeTables() {
    CrcTables t;
    for (unsigned i = 0; i < 256; ++i) {
        unsigned crc = i;
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 1u) ? (crc >> 1) ^ 0xA001u : crc >> 1;
        t.lo[i] = static_cast<uint8_t>(crc & 0xFFu);
        t.hi[i] = static_cast<uint8_t>(crc >> 8);
    }
    return t;
}

constexpr CrcTables kTables = MakeTables();

}  // namespace

uint16_t Crc16(const uint8_t* data, size_t n) { return Crc16Continue(0xFFFF, data, n); }

uint16_t Crc16Continue(uint16_t crc, const uint8_t* data, size_t n) {
    uint8_t lo = static_cast<uint8_t>(crc & 0xFF);
    uint8_t hi = static_cast<uint8_t>(crc >> 8);
    for (size_t k = 0; k < n; ++k) {
        const uint8_t index = lo ^ data[k];
        lo = hi ^ kTables.lo[index];
        hi = kTables.hi[index];
    }
    return static_cast<uint16_t>(hi << 8 | lo);
}

void AppendCrc16(uint8_t* buffer, size_t n) {
    const uint16_t crc = Crc16(buffer, n);
    buffer[n] = static_cast<uint8_t>(crc & 0xFF);
    buffer[n + 1] = static_cast<uint8_t>(crc >> 8);
}

uint16_t Crc16OfString(std::string_view text) {
    const uint16_t crc = Crc16(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    return static_cast<uint16_t>((crc & 0xFF) << 8 | crc >> 8);
}

}  // namespace drumo
