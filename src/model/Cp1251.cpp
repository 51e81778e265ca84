#include "model/Cp1251.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace drumo {
namespace {

// Code points of the bytes 0x80..0xBF; 0xC0..0xFF are А..я (U+0410..U+044F) in order.
constexpr char16_t kHigh[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
};

char32_t ByteToCodePoint(unsigned char b) {
    if (b < 0x80) return b;
    if (b >= 0xC0) return 0x0410 + (b - 0xC0);
    return kHigh[b - 0x80];
}

// The Windows-1251 byte of a code point, or '?' when it has none.
char CodePointToByte(char32_t cp) {
    if (cp < 0x80) return static_cast<char>(cp);
    if (cp >= 0x0410 && cp <= 0x044F) return static_cast<char>(0xC0 + (cp - 0x0410));
    for (int i = 0; i < 64; ++i) {
        if (kHigh[i] == cp) return static_cast<char>(0x80 + i);
    }
    return '?';
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

std::string Utf8ToCp1251(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    size_t i = 0;
    const size_t n = utf8.size();
    while (i < n) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) {
            out += static_cast<char>(lead);
            ++i;
            continue;
        }
        int extra = 0;
        char32_t cp = 0;
        char32_t minimum = 0;
        if ((lead & 0xE0) == 0xC0) {
            extra = 1, cp = lead & 0x1F, minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2, cp = lead & 0x0F, minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3, cp = lead & 0x07, minimum = 0x10000;
        } else {
            out += '?';  // a stray continuation byte or an impossible lead byte
            ++i;
            continue;
        }
        int got = 0;
        while (got < extra && i + 1 + got < n &&
               (static_cast<unsigned char>(utf8[i + 1 + got]) & 0xC0) == 0x80) {
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + 1 + got]) & 0x3F);
            ++got;
        }
        if (got < extra) {
            // A truncated sequence: one "?" for what was there, then go on with the next byte.
            out += '?';
            i += 1 + got;
            continue;
        }
        i += 1 + extra;
        const bool valid = cp >= minimum && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF);
        out += valid ? CodePointToByte(cp) : '?';
    }
    return out;
}

std::string_view Cp1251ByteToUtf8(unsigned char byte) {
    // Every byte's form, each in a string of its own, made once.
    static const auto forms = [] {
        std::array<std::string, 256> all;
        for (int b = 0; b < 256; ++b)
            AppendUtf8(all[static_cast<size_t>(b)], ByteToCodePoint(static_cast<unsigned char>(b)));
        return all;
    }();
    return forms[byte];
}

std::string Cp1251ToUtf8(std::string_view cp1251) {
    std::string out;
    // At most three bytes for a byte above 0x7F, one for the others: a text kept long (a notebook
    // table) takes no more room than it needs.
    const size_t high = static_cast<size_t>(
        std::count_if(cp1251.begin(), cp1251.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }));
    out.reserve(cp1251.size() + 2 * high);
    // Runs of ASCII, the same bytes in both, are copied whole.
    for (size_t i = 0; i < cp1251.size();) {
        size_t j = i;
        while (j < cp1251.size() && static_cast<unsigned char>(cp1251[j]) < 0x80) ++j;
        out.append(cp1251.data() + i, j - i);
        if (j < cp1251.size()) AppendUtf8(out, ByteToCodePoint(static_cast<unsigned char>(cp1251[j++])));
        i = j;
    }
    return out;
}

}  // namespace drumo
