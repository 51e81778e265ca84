#include "model/ui/WindowPlaces.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "model/ScreenFit.h"

namespace drumo {

namespace {

// The free areas of the screens, the primary one first.
std::vector<ScreenArea> ScreenAreas() {
    std::vector<ScreenArea> areas;
    QList<QScreen*> screens = QGuiApplication::screens();
    screens.removeAll(QGuiApplication::primaryScreen());
    screens.prepend(QGuiApplication::primaryScreen());
    for (const QScreen* screen : screens) {
        if (!screen) continue;
        const QRect r = screen->availableGeometry();
        areas.push_back({r.left(), r.top(), r.width(), r.height()});
    }
    return areas;
}

}  // namespace

void PlaceWindow(QWidget& window, const WindowPlace& place, bool height, bool width) {
    WindowPlace wanted = place;
    if (!width) wanted.Width = window.width();
    if (!height) wanted.Height = window.height();
    const WindowPlace fitted =
        KeepOnScreen(wanted, ScreenAreas(), window.minimumWidth(), window.minimumHeight());
    window.move(fitted.Left, fitted.Top);
    window.resize(fitted.Width, fitted.Height);
}

void NotePlace(const QWidget& window, WindowPlace& place, bool height, bool width) {
    place.Top = window.y();
    place.Left = window.x();
    if (height) place.Height = window.height();
    if (width) place.Width = window.width();
}

}  // namespace drumo
