#pragma once
// A window's control by its object name, for tests that read what the window shows.

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

}  // namespace drumo::test
