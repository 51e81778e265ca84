#include "views/ui/Colours.h"

#include <QApplication>
#include <QPalette>

#include "model/Colors.h"

namespace drumo {

QColor ColourOf(int value) {
    const auto v = static_cast<uint32_t>(value);
    if ((v >> 24) == 0xFF) {
        // The system colours the program's settings use; the rest fall back to the window colour.
        const QPalette palette = QApplication::palette();
        switch (v & 0xFF) {
        case 5: return palette.color(QPalette::Base);            // window background
        case 8: return palette.color(QPalette::Text);            // window text
        case 13: return palette.color(QPalette::Highlight);
        case 14: return palette.color(QPalette::HighlightedText);
        case 15: return palette.color(QPalette::Button);         // button face
        default: return palette.color(QPalette::Window);
        }
    }
    const Rgb rgb = ColorToRgb(value);
    return QColor(rgb.R, rgb.G, rgb.B);
}

int ColourValue(const QColor& colour) {
    return colour.red() | (colour.green() << 8) | (colour.blue() << 16);
}

}  // namespace drumo
