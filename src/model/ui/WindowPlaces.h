#pragma once
// Windows put where the settings file says and their places noted for it. A stored place from
// another screen or scale factor is moved back within reach.

#include "model/ProgramSettings.h"

class QWidget;

namespace drumo {

// Moves and sizes `window`; its height and width come from `place` only where asked.
void PlaceWindow(QWidget& window, const WindowPlace& place, bool height, bool width);
// Notes the window's place, and its height and width where asked.
void NotePlace(const QWidget& window, WindowPlace& place, bool height, bool width);

}  // namespace drumo
