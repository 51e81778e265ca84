#pragma once
// The check byte of archive files: CRC-8/MAXIM, the Dallas 1-Wire CRC (reflected polynomial 0x8C,
// initial value 0, no final XOR). "123456789" gives 161.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace drumo {

namespace detail {
constexpr std::array<uint8_t, 256> MakeCrc8Table() {
    std::array<uint8_t, 256> table{};
    for (int i = 0; i < 256; ++i) {
        uint8_t crc = static_cast<uint8_t>(i);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<uint8_t>((crc >> 1) ^ 0x8C) : static_cast<uint8_t>(crc >> 1);
        table[i] = crc;
    }
    return table;
}
inline constexpr std::array<uint8_t, 256> Crc8Table = MakeCrc8Table();
}  // namespace detail

// Feeds bytes into a running check register and returns its new value.
inline uint8_t Crc8Update(uint8_t crc, std::string_view bytes) {
    for (unsigned char c : bytes) crc = detail::Crc8Table[crc ^ c];
    return crc;
}

inline uint8_t Crc8(std::string_view bytes) { return Crc8Update(0, bytes); }

}  // namespace drumo
