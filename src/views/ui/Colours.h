#pragma once
// Colours as the settings file keeps them: 0x00BBGGRR with red in the lowest byte, or a top byte
// 0xFF naming a system colour by the index in the lowest byte.

#include <QColor>

namespace drumo {

QColor ColourOf(int value);
int ColourValue(const QColor& colour);  // always an explicit RGB value

}  // namespace drumo
