#pragma once
// The Modbus RTU CRC-16: reflected polynomial 0xA001, initial value 0xFFFF. On the wire the low
// byte of the value goes first; a received frame is intact when the CRC over all of its bytes,
// its own two CRC bytes included, is zero.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace drumo {

// The CRC value of n bytes (for "123456789" it is 0x4B37).
uint16_t Crc16(const uint8_t* data, size_t n);
// The CRC of bytes that follow those `crc` was computed over: Crc16(a + b) is
// Crc16Continue(Crc16(a), b). Lets a text in two pieces be checked without joining them.
uint16_t Crc16Continue(uint16_t crc, const uint8_t* data, size_t n);

// Computes the CRC of the first n bytes and stores it in buffer[n] (low byte) and buffer[n + 1]
// (high byte). The buffer must hold n + 2 bytes.
void AppendCrc16(uint8_t* buffer, size_t n);

// The CRC of a text's bytes with its two bytes exchanged: the first CRC byte on the wire times 256
// plus the second. The file signatures are built from it ("123456789" gives 0x374B).
uint16_t Crc16OfString(std::string_view text);

}  // namespace drumo
