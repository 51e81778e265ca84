#include "app/ui/DesktopOpener.h"

#include <QDesktopServices>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>

namespace drumo {

QProcess* OpenOnDesktop(const QUrl& url, std::function<void()> failed, QObject* context) {
    const QString xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (xdgOpen.isEmpty()) {
        if (!QDesktopServices::openUrl(url)) failed();
        return nullptr;
    }
    // Not a child of the context: a browser that xdg-open waits for may outlive the window, and
    // xdg-open is not to be killed with it.
    auto* process = new QProcess;
    process->setProgram(xdgOpen);
    process->setArguments({url.isLocalFile() ? url.toLocalFile() : url.toString(QUrl::FullyEncoded)});
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    QPointer<QObject> guard(context);
    const auto fail = [guard, failed] {
        if (guard) failed();
    };
    QObject::connect(process, &QProcess::finished, process, [process, fail](int code, QProcess::ExitStatus status) {
        if (status != QProcess::NormalExit || code != 0) fail();
        process->deleteLater();
    });
    QObject::connect(process, &QProcess::errorOccurred, process, [process, fail](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart) return;  // a crash also ends in finished
        fail();
        process->deleteLater();
    });
    process->start();
    return process;
}

}  // namespace drumo
