#include "files/Crc8.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define DRUMO_CRC8_CLMUL 1
#endif

namespace drumo::detail {

#ifdef DRUMO_CRC8_CLMUL
namespace {

// The bytes are read as a polynomial whose first byte has the highest degree and whose bits count
// from the lowest (the reflected order of this CRC); the check byte is that polynomial times x^8
// modulo P = x^8 + x^5 + x^4 + 1. Sixteen bytes loaded into a 128-bit register in this order give
// bit i the degree 127 - i; the carry-less product of two such 64-bit halves comes out one degree
// short, so each constant below is x^(n - 1) mod P for a shift by x^n.

// x^n mod P as a 64-bit half in the reflected order (degree e at bit 63 - e).
constexpr uint64_t PowerModP(unsigned n) {
    unsigned r = 1;
    for (unsigned i = 0; i < n; ++i) {
        r <<= 1;
        if (r & 0x100) r ^= 0x131;
    }
    uint64_t reflected = 0;
    for (unsigned e = 0; e < 8; ++e)
        if (r & (1u << e)) reflected |= uint64_t{1} << (63 - e);
    return reflected;
}

// Moves a register `bits` further on: its first half (the higher degrees) is multiplied by
// x^(bits + 64) and its second by x^bits, both reduced so that the sum stays within 128 bits
// and equal to the register times x^bits modulo P.
__attribute__((target("pclmul,sse4.1"))) inline __m128i Fold(__m128i x, __m128i k) {
    return _mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x00), _mm_clmulepi64_si128(x, k, 0x11));
}

__attribute__((target("pclmul,sse4.1"))) uint8_t Crc8Clmul(uint8_t crc, const unsigned char* p, size_t n) {
    const __m128i by512 = _mm_set_epi64x(static_cast<long long>(PowerModP(511)), static_cast<long long>(PowerModP(575)));
    const __m128i by128 = _mm_set_epi64x(static_cast<long long>(PowerModP(127)), static_cast<long long>(PowerModP(191)));
    auto load = [](const unsigned char* q) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(q)); };

    // A running register is the same as its byte added to the first byte of what follows.
    __m128i x0 = _mm_xor_si128(load(p), _mm_cvtsi32_si128(crc));
    __m128i x1 = load(p + 16), x2 = load(p + 32), x3 = load(p + 48);
    p += 64;
    n -= 64;
    while (n >= 64) {
        x0 = _mm_xor_si128(Fold(x0, by512), load(p));
        x1 = _mm_xor_si128(Fold(x1, by512), load(p + 16));
        x2 = _mm_xor_si128(Fold(x2, by512), load(p + 32));
        x3 = _mm_xor_si128(Fold(x3, by512), load(p + 48));
        p += 64;
        n -= 64;
    }
    __m128i x = _mm_xor_si128(Fold(x0, by128), x1);
    x = _mm_xor_si128(Fold(x, by128), x2);
    x = _mm_xor_si128(Fold(x, by128), x3);
    while (n >= 16) {
        x = _mm_xor_si128(Fold(x, by128), load(p));
        p += 16;
        n -= 16;
    }
    // The register now stands for all bytes so far: its own 16 bytes give the same check byte.
    alignas(16) unsigned char rest[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(rest), x);
    return Crc8ByTables(Crc8ByTables(0, rest, 16), p, n);
}

const bool HasClmul = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");

}  // namespace
#endif

uint8_t Crc8Long(uint8_t crc, const unsigned char* p, size_t n) {
#ifdef DRUMO_CRC8_CLMUL
    if (HasClmul && n >= 64) return Crc8Clmul(crc, p, n);
#endif
    return Crc8ByTables(crc, p, n);
}

}  // namespace drumo::detail
