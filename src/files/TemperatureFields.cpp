#include "files/TemperatureFields.h"

#include <bit>
#include <cstring>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define DRUMO_FIELDS_SSSE3 1
#endif

namespace drumo {
namespace {

constexpr uint64_t Ones = 0x0101010101010101ULL;

// The eight bytes p[-1..6] with p[-1] cleared: the field in bytes 1..7, its last character in the
// top byte.
inline uint64_t LoadField(const char* p) {
    uint64_t v;
    std::memcpy(&v, p - 1, 8);
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
    return v & ~uint64_t{0xFF};
}

// One field of seven characters. A field of spaces, then an optional sign, then digits to its end
// is checked and converted in a few register operations; every other field goes the long way, so
// that the shortcut never decides what a field means.
inline bool ParseField7(const char* p, int16_t& out) {
    constexpr uint64_t Highs = Ones * 0x80;
    const uint64_t field = LoadField(p);
    // A byte less '0' (as an exclusive or) is below 10 exactly for the digits; the top bit of each
    // byte of nonDigit marks the others, byte 0 included.
    const uint64_t t = field ^ (Ones * '0');
    const uint64_t nonDigit = (((t & ~Highs) + Ones * (0x80 - 10)) | t) & Highs;
    const unsigned digits = static_cast<unsigned>(std::countl_zero(nonDigit)) / 8;
    if (digits > 0) {
        const unsigned shift = 8 * digits;
        const uint64_t before = ~uint64_t{0} >> shift;  // the bytes before the digits
        // Digits only at the end, after spaces and at most one sign right before them.
        const uint64_t spaces = (Ones * ' ') & before & ~uint64_t{0xFF};
        const uint64_t odd = (field & before) ^ spaces;
        const unsigned signAt = 64 - shift - 8;
        const bool negative = odd == uint64_t{'-' ^ ' '} << signAt;
        if (odd == 0 || negative || odd == uint64_t{'+' ^ ' '} << signAt) {
            // The digits as an eight-digit number, the bytes before them counting as zeros.
            uint64_t x = field & ~before & (Ones * 0x0F);
            x = x * 10 + (x >> 8);
            x = ((x & 0x000000FF000000FFULL) * (100 + (1000000ULL << 32)) +
                 ((x >> 16) & 0x000000FF000000FFULL) * (1 + (10000ULL << 32))) >> 32;
            if (x > 32767u + negative) return false;
            out = static_cast<int16_t>(negative ? -static_cast<int32_t>(x) : static_cast<int32_t>(x));
            return true;
        }
    }
    return ParseTemperatureField(p, p + 7, out);
}

#ifdef DRUMO_FIELDS_SSSE3
// Whether eight fields are all in the written form, from their class masks: bit i of byte f stands
// for byte i of field f (bit 0 for the cleared byte before it) being a digit, a space or a minus.
// The digits run to the field's end; every byte before them is a space, except perhaps a minus
// right before them.
inline bool EightFormed(uint64_t digit, uint64_t blank, uint64_t sign) {
    constexpr uint64_t Tops = Ones * 0x80;
    constexpr uint64_t Body = Ones * 0xFE;
    constexpr uint64_t Low7 = Ones * 0x7F;
    const uint64_t digitAbove = (digit >> 1) & Low7;  // bit i: byte i + 1 of the field is a digit
    return (digit & Tops) == Tops &&            // ends in a digit
           (digit & ~digitAbove & Low7) == 0 &&  // no digit before a non-digit
           (sign & ~digitAbove) == 0 &&          // a minus only right before the digits
           ((digit | blank | sign) & Body) == Body;
}

// Eight fields at once, each in a 64-bit lane laid out as LoadField lays it out. The bytes are
// classed as digits, spaces and minus signs in the vector registers; the class masks of the eight
// fields then fill one 64-bit word each, a byte per field, where EightFormed checks the form of
// all eight together. False (and nothing written) when any of the eight is in another form; a
// number beyond 16 bits is `missing`, as the long way gives it.
__attribute__((target("ssse3"))) bool ParseEight(const char* p, int16_t* out, size_t stride, int16_t missing) {
    const __m128i keep = _mm_set1_epi64x(static_cast<long long>(~uint64_t{0xFF}));
    const __m128i zero = _mm_set1_epi8('0');
    const __m128i nine = _mm_set1_epi8(9);
    const __m128i space = _mm_set1_epi8(' ');
    const __m128i minus = _mm_set1_epi8('-');
    const __m128i tens = _mm_set1_epi16(0x010A);            // byte pairs: 10 * first + second
    const __m128i hundreds = _mm_set1_epi32(0x00010064);    // 16-bit pairs: 100 * first + second
    const __m128i tenThousand = _mm_set1_epi64x(10000);
    const __m128i largest = _mm_set1_epi64x(32767);
    uint64_t digit = 0, blank = 0, sign = 0;
    __m128i values[4];
#pragma GCC unroll 4
    for (int r = 0; r < 4; ++r) {
        const char* q = p + r * 14;
        __m128i v = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(q - 1)),
                                       _mm_loadl_epi64(reinterpret_cast<const __m128i*>(q + 6)));
        v = _mm_and_si128(v, keep);
        const __m128i d = _mm_sub_epi8(v, zero);
        const __m128i isDigit = _mm_cmpeq_epi8(_mm_min_epu8(d, nine), d);
        const __m128i isMinus = _mm_cmpeq_epi8(v, minus);
        const unsigned shift = 16 * r;
        digit |= static_cast<uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(isDigit))) << shift;
        blank |= static_cast<uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, space)))) << shift;
        sign |= static_cast<uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(isMinus))) << shift;
        // Every field as an eight-digit number of its digits (the other bytes count as zeros):
        // two digits, four, then the two halves of four; the number ends in the lane's low half.
        const __m128i fours = _mm_madd_epi16(_mm_maddubs_epi16(_mm_and_si128(d, isDigit), tens), hundreds);
        const __m128i x = _mm_add_epi64(_mm_mul_epu32(fours, tenThousand), _mm_srli_epi64(fours, 32));
        // A minus (at most one in a field of the form) makes the lane's sum 255: 1 then, else 0.
        const __m128i negative = _mm_srli_epi64(_mm_sad_epu8(isMinus, _mm_setzero_si128()), 7);
        const __m128i beyond = _mm_cmpgt_epi32(x, _mm_add_epi64(largest, negative));
        const __m128i flip = _mm_sub_epi64(_mm_setzero_si128(), negative);
        const __m128i value = _mm_sub_epi32(_mm_xor_si128(x, flip), flip);
        const __m128i chosen = _mm_or_si128(_mm_andnot_si128(beyond, value),
                                            _mm_and_si128(beyond, _mm_set1_epi32(missing)));
        values[r] = _mm_shuffle_epi32(chosen, 0x08);  // the two lanes' low halves first
    }
    if (!EightFormed(digit, blank, sign)) return false;
    alignas(16) int16_t eight[8];
    _mm_store_si128(reinterpret_cast<__m128i*>(eight),
                    _mm_packs_epi32(_mm_unpacklo_epi64(values[0], values[1]), _mm_unpacklo_epi64(values[2], values[3])));
    for (int f = 0; f < 8; ++f) out[f * stride] = eight[f];
    return true;
}

const bool HasSsse3 = __builtin_cpu_supports("ssse3");

// Sixteen bytes from `low` and sixteen from `high` in one register.
__attribute__((target("avx2"))) inline __m256i LoadPair(const char* low, const char* high) {
    return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(low))),
                                   _mm_loadu_si128(reinterpret_cast<const __m128i*>(high)), 1);
}

__attribute__((target("avx2"))) inline uint64_t ByteMask(__m256i m) {
    return static_cast<uint32_t>(_mm256_movemask_epi8(m));
}

// Eight fields of at most four digits, which is every temperature a device gives (up to 99.99 and
// down to -99.99 degrees): four fields to a 256-bit register, each in a 64-bit lane laid out as
// LoadField lays it out. The form is checked as in ParseEight; with four digits at most no number
// can leave 16 bits, so the conversion is two multiply-adds and the sign. False (and nothing
// written) for any other eight, which then go to ParseEight.
__attribute__((target("avx2"))) bool ParseEightShort(const char* p, int16_t* out, size_t stride) {
    // A 16-byte load from the byte before a field holds that field and the next one; the last load
    // starts a byte later, so that nothing after field 7 is read. The shuffle spreads each pair to
    // two lanes and clears each lane's first byte.
    const __m256i fromBefore = _mm256_setr_epi8(-1, 1, 2, 3, 4, 5, 6, 7, -1, 8, 9, 10, 11, 12, 13, 14,  //
                                                -1, 1, 2, 3, 4, 5, 6, 7, -1, 8, 9, 10, 11, 12, 13, 14);
    const __m256i lastLater = _mm256_setr_epi8(-1, 1, 2, 3, 4, 5, 6, 7, -1, 8, 9, 10, 11, 12, 13, 14,  //
                                               -1, 2, 3, 4, 5, 6, 7, 8, -1, 9, 10, 11, 12, 13, 14, 15);
    const __m256i a = _mm256_shuffle_epi8(LoadPair(p - 1, p + 13), fromBefore);  // fields 0 to 3
    const __m256i b = _mm256_shuffle_epi8(LoadPair(p + 27, p + 40), lastLater);  // fields 4 to 7
    const __m256i zero = _mm256_set1_epi8('0');
    const __m256i nine = _mm256_set1_epi8(9);
    const __m256i space = _mm256_set1_epi8(' ');
    const __m256i minus = _mm256_set1_epi8('-');
    const __m256i da = _mm256_sub_epi8(a, zero), db = _mm256_sub_epi8(b, zero);
    const __m256i digitA = _mm256_cmpeq_epi8(_mm256_min_epu8(da, nine), da);
    const __m256i digitB = _mm256_cmpeq_epi8(_mm256_min_epu8(db, nine), db);
    const __m256i minusA = _mm256_cmpeq_epi8(a, minus), minusB = _mm256_cmpeq_epi8(b, minus);
    // Bit i of byte f stands for byte i of field f; bit 0 is the cleared byte before the field.
    const uint64_t digit = ByteMask(digitA) | ByteMask(digitB) << 32;
    const uint64_t blank = ByteMask(_mm256_cmpeq_epi8(a, space)) | ByteMask(_mm256_cmpeq_epi8(b, space)) << 32;
    const uint64_t sign = ByteMask(minusA) | ByteMask(minusB) << 32;
    // Four digits at most: byte 3 of no field is a digit.
    if (!EightFormed(digit, blank, sign) || (digit & (Ones << 3)) != 0) return false;
    // Digit pairs, then the four digits in the high half of each lane (the low half is zero).
    const __m256i tens = _mm256_set1_epi16(0x010A);
    const __m256i hundreds = _mm256_set1_epi32(0x00010064);
    const __m256i xa = _mm256_madd_epi16(_mm256_maddubs_epi16(_mm256_and_si256(da, digitA), tens), hundreds);
    const __m256i xb = _mm256_madd_epi16(_mm256_maddubs_epi16(_mm256_and_si256(db, digitB), tens), hundreds);
    // 32-bit words, in order: fields 0, 4, 1, 5, 2, 6, 3, 7. A lane with a minus sums to 255.
    const __m256i x = _mm256_or_si256(_mm256_srli_epi64(xa, 32), xb);
    const __m256i minusSums = _mm256_or_si256(_mm256_sad_epu8(minusA, _mm256_setzero_si256()),
                                              _mm256_slli_epi64(_mm256_sad_epu8(minusB, _mm256_setzero_si256()), 32));
    const __m256i value = _mm256_sign_epi32(x, _mm256_sub_epi32(_mm256_set1_epi32(1), minusSums));
    // Each field's 16 bits go straight from the register to its place.
    const __m128i low = _mm256_castsi256_si128(value), high = _mm256_extracti128_si256(value, 1);
    out[0] = static_cast<int16_t>(_mm_extract_epi16(low, 0));
    out[stride] = static_cast<int16_t>(_mm_extract_epi16(low, 4));
    out[2 * stride] = static_cast<int16_t>(_mm_extract_epi16(high, 0));
    out[3 * stride] = static_cast<int16_t>(_mm_extract_epi16(high, 4));
    out[4 * stride] = static_cast<int16_t>(_mm_extract_epi16(low, 2));
    out[5 * stride] = static_cast<int16_t>(_mm_extract_epi16(low, 6));
    out[6 * stride] = static_cast<int16_t>(_mm_extract_epi16(high, 2));
    out[7 * stride] = static_cast<int16_t>(_mm_extract_epi16(high, 6));
    return true;
}

const bool HasAvx2 = __builtin_cpu_supports("avx2");
#endif

}  // namespace

size_t ParseTemperatureFields7(const char* first, size_t count, int16_t* out, size_t stride, int16_t missing) {
    size_t s = 0, none = 0;
    // Fields [from, to) read by a way that may give `missing`: counted after.
    auto countNone = [&](size_t from, size_t to) {
        for (size_t f = from; f < to; ++f) none += out[f * stride] == missing;
    };
#ifdef DRUMO_FIELDS_SSSE3
    if (HasSsse3) {
        for (; s + 8 <= count; s += 8) {
            // Four digits at most never make `missing`.
            if (HasAvx2 && ParseEightShort(first + s * 7, out + s * stride, stride)) continue;
            if (!ParseEight(first + s * 7, out + s * stride, stride, missing))
                for (size_t f = s; f < s + 8; ++f)
                    if (!ParseField7(first + f * 7, out[f * stride])) out[f * stride] = missing;
            countNone(s, s + 8);
        }
        // The last fields of a line that has eight or more: the last eight again, the ones read
        // already given the same values once more.
        if (s < count && count >= 8) {
            const char* const last = first + (count - 8) * 7;
            int16_t* const to = out + (count - 8) * stride;
            if (HasAvx2 && ParseEightShort(last, to, stride)) {
                s = count;
            } else if (ParseEight(last, to, stride, missing)) {
                countNone(s, count);
                s = count;
            }
        }
    }
#endif
    const size_t rest = s;
    for (; s < count; ++s)
        if (!ParseField7(first + s * 7, out[s * stride])) out[s * stride] = missing;
    countNone(rest, count);
    return none;
}

}  // namespace drumo
