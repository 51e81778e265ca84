#pragma once
// The frames, table and timing of the maker's command protocol, as pure functions, so that the
// transaction (DeviceLink) and the simulated devices build and check the same bytes.
//
// Read request (codes 1..63):   code, L, (254 - code - L) mod 256
// Write request (codes 64..127): code, L, check byte, L data bytes, checksum high, checksum low
// Reply header:                 three bytes summing to exactly 254; first byte the read code
//                               (data follow) or 8 (status reply, second byte the status)
// Data reply body:              N data bytes, then their checksum, high byte first

#include <cstddef>
#include <cstdint>
#include <vector>

namespace drumo {

inline constexpr int kCommandBufferSize = 256;
inline constexpr int kRegisterBufferSize = 256;
inline constexpr uint8_t kStatusReply = 8;
inline constexpr int kVariableLength = 80;  // table entry of reads whose length the device decides
inline constexpr int kCallerLength = 255;   // table entry of writes whose length the caller gives

// Data length of a command: -1 if the code is outside 1..127 or no command; callerLength for
// entries 255; otherwise the table entry (80 for reads of variable length).
int CommandLength(int code, int callerLength);

// Seconds one byte takes on the line at a baud rate (0.000572 for rates the table lacks).
double ByteTime(int baudRate);

// Rounds to the nearest integer, halves to even.
int RoundHalfEven(double x);

// 0xFFFE minus the sum of the bytes, as 16 bits.
uint16_t BlockChecksum(const uint8_t* data, size_t n);

// Check byte of a request: (254 - code - length) mod 256.
uint8_t RequestCheckByte(int code, int length);

// True when three bytes form a reply header (sum exactly 254, no wrap-around) whose first byte is
// 8 or `expected`.
bool IsReplyHeader(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t expected);

std::vector<uint8_t> ReadRequest(int code, int length);
std::vector<uint8_t> WriteRequest(int code, const uint8_t* data, int length);

}  // namespace drumo
