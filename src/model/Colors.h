#pragma once
// Colours as the settings file and the views keep them: an integer 0x00BBGGRR, red in the lowest
// byte. A value whose top byte is 0xFF names a system colour (button face, window ...) by the
// index in its lowest byte; the windows may show such a colour from their own palette, and
// ColorToRgb gives the classic desktop value for places without one.

#include <cstdint>

namespace drumo {

using Color = int32_t;

struct Rgb {
    uint8_t R = 0, G = 0, B = 0;
    bool operator==(const Rgb&) const = default;
};

constexpr Color RgbColor(uint8_t r, uint8_t g, uint8_t b) {
    return static_cast<Color>(r | (g << 8) | (b << 16));
}

inline constexpr Color clRed = RgbColor(255, 0, 0);
inline constexpr Color clBlack = 0;
// The system button-face colour, 0xFF00000F.
inline constexpr Color clBtnFace = static_cast<Color>(0xFF00000Fu);

constexpr bool IsSystemColor(Color c) { return (static_cast<uint32_t>(c) >> 24) == 0xFF; }
constexpr int SystemColorIndex(Color c) { return static_cast<int>(c & 0xFF); }
constexpr Color SystemColor(int index) {
    return static_cast<Color>(0xFF000000u | static_cast<uint32_t>(index & 0xFF));
}

// The red, green and blue of a colour; a system colour is resolved to its classic value (button
// face 240 240 240, window 255 255 255 ...; unknown indices give black).
Rgb ColorToRgb(Color c);

}  // namespace drumo
