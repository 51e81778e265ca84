#pragma once
// A window's control by its object name, for tests that read what the window shows.

#include <QFontMetrics>
#include <QLabel>
#include <QObject>
#include <QString>

#include <stdexcept>

namespace drumo::test {

template <typename T>
T& Child(const QObject& window, const char* name) {
    T* child = window.findChild<T*>(QString::fromLatin1(name));
    if (!child) throw std::logic_error(std::string("no control named ") + name);
    return *child;
}

// Whether a label shows its whole text in the label's own font, as the style draws it.
inline bool TextFits(const QLabel& label) {
    return label.fontMetrics().horizontalAdvance(label.text()) <= label.contentsRect().width() - 2 * label.margin();
}

}  // namespace drumo::test
