#pragma once
// What the picture programs share: the folder the pictures go to, and a window saved as a picture.

#include <QApplication>
#include <QDir>
#include <QWidget>

namespace drumo::shots {

// The first argument, or /tmp/drumo-shots; created when missing.
inline QString PictureFolder(int argc, char* argv[]) {
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/drumo-shots");
    QDir().mkpath(folder);
    return folder;
}

// Shows the window, lets it lay itself out, and saves it as folder/name.png.
inline void SavePicture(QWidget& window, const QString& folder, const QString& name) {
    window.show();
    QApplication::processEvents();
    window.grab().save(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
}

}  // namespace drumo::shots
