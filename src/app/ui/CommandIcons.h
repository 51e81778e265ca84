#pragma once
// Small drawn icons of the main window's commands.

#include <QIcon>

namespace drumo {

// The icon of a command by its object name; a plain one for names without a drawing.
QIcon CommandIcon(const QString& actionName);

}  // namespace drumo
