#include "link/Crc16.h"

#include <array>

namespace drumo {

namespace {

// The tables of the byte-wise algorithm: for an index i (the low CRC byte XOR the next data byte)
// t[0][i] is the value to XOR into the CRC shifted right by 8. Table k gives the same for a byte
// followed by k zero bytes, so that eight bytes are taken at a time with independent lookups (the
// CRC is linear). Generated once, at compile time.
using CrcTables = std::array<std::array<uint16_t, 256>, 8>;

constexpr CrcTables MakeTables() {
    CrcTables t{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned crc = i;
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 1u) ? (crc >> 1) ^ 0xA001u : crc >> 1;
        t[0][i] = static_cast<uint16_t>(crc);
    }
    for (size_t k = 1; k < 8; ++k)
        for (unsigned i = 0; i < 256; ++i)
            t[k][i] = static_cast<uint16_t>(t[k - 1][i] >> 8 ^ t[0][t[k - 1][i] & 0xFF]);
    return t;
}

constexpr CrcTables kTables = MakeTables();

}  // namespace

uint16_t Crc16(const uint8_t* data, size_t n) { return Crc16Continue(0xFFFF, data, n); }

uint16_t Crc16Continue(uint16_t crc, const uint8_t* data, size_t n) {
    const auto& t = kTables;
    unsigned c = crc;
    for (; n >= 8; n -= 8, data += 8) {
        const unsigned x = c ^ (data[0] | data[1] << 8);
        c = t[7][x & 0xFF] ^ t[6][x >> 8] ^ t[5][data[2]] ^ t[4][data[3]] ^ t[3][data[4]] ^ t[2][data[5]] ^
            t[1][data[6]] ^ t[0][data[7]];
    }
    for (; n > 0; --n, ++data) c = c >> 8 ^ t[0][(c ^ *data) & 0xFF];
    return static_cast<uint16_t>(c);
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
