#pragma once
// The check byte of archive files: CRC-8/MAXIM, the Dallas 1-Wire CRC (reflected polynomial 0x8C,
// initial value 0, no final XOR). "123456789" gives 161.
//
// Every byte of every archive line goes through this register. Short pieces are computed eight
// bytes at a time from tables: table k gives the register after a byte followed by k zero bytes,
// and since the CRC is linear the eight lookups of a block are independent of each other. Long
// pieces (a sample line is some 700 bytes) go through carry-less multiplication where the
// processor has it (Crc8.cpp), which is several times faster again.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace drumo {

namespace detail {
constexpr std::array<std::array<uint8_t, 256>, 8> MakeCrc8Tables() {
    std::array<std::array<uint8_t, 256>, 8> tables{};
    for (int i = 0; i < 256; ++i) {
        uint8_t crc = static_cast<uint8_t>(i);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<uint8_t>((crc >> 1) ^ 0x8C) : static_cast<uint8_t>(crc >> 1);
        tables[0][i] = crc;
    }
    for (int k = 1; k < 8; ++k)
        for (int i = 0; i < 256; ++i) tables[k][i] = tables[0][tables[k - 1][i]];
    return tables;
}
inline constexpr std::array<std::array<uint8_t, 256>, 8> Crc8Tables = MakeCrc8Tables();

inline uint8_t Crc8ByTables(uint8_t crc, const unsigned char* p, size_t n) {
    const auto& t = Crc8Tables;
    while (n >= 8) {
        crc = static_cast<uint8_t>(t[7][crc ^ p[0]] ^ t[6][p[1]] ^ t[5][p[2]] ^ t[4][p[3]] ^ t[3][p[4]] ^
                                   t[2][p[5]] ^ t[1][p[6]] ^ t[0][p[7]]);
        p += 8;
        n -= 8;
    }
    while (n-- > 0) crc = t[0][crc ^ *p++];
    return crc;
}

// From this length on a piece goes to Crc8Long.
inline constexpr size_t Crc8LongPiece = 64;
uint8_t Crc8Long(uint8_t crc, const unsigned char* p, size_t n);
}  // namespace detail

// Feeds bytes into a running check register and returns its new value.
inline uint8_t Crc8Update(uint8_t crc, std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    if (bytes.size() >= detail::Crc8LongPiece) return detail::Crc8Long(crc, p, bytes.size());
    return detail::Crc8ByTables(crc, p, bytes.size());
}

inline uint8_t Crc8(std::string_view bytes) { return Crc8Update(0, bytes); }

}  // namespace drumo
