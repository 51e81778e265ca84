#pragma once
// Handing a page or a file to the desktop's browser or viewer.
//
// QDesktopServices starts xdg-open and reports success as soon as it has started, although
// xdg-open then fails when no browser or viewer is set up, and the operator would see nothing at
// all. So xdg-open is run here and its exit status is waited for without blocking the window.

#include <QUrl>

#include <functional>

class QObject;
class QProcess;

namespace drumo {

// Opens the URL; `failed` runs (later, from the event loop) when nothing could open it. It does
// not run once `context` is gone. Returns the xdg-open process while it runs (it deletes itself
// when it ends), or null when xdg-open is missing and the desktop service was asked directly.
QProcess* OpenOnDesktop(const QUrl& url, std::function<void()> failed, QObject* context);

}  // namespace drumo
