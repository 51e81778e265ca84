// The desktop program Drumo.

#include <QApplication>

#include <cstring>
#include <iostream>

#include "base/Version.h"
#include "app/ui/ProgramWiring.h"
#include "app/ui/Language.h"
#include "app/ui/Shell.h"
#include "app/ui/TfrmMain.h"

int main(int argc, char* argv[]) {
    // Answered before any window or display is needed, so that it works on any terminal.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::cout << "drumo " << drumo::ProgramVersion() << '\n';
        return 0;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Drumo"));
    drumo::UseRussianLanguage(app);
    // Closing the main window ends the program even while other windows are open.
    QApplication::setQuitOnLastWindowClosed(false);

    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    drumo::Shell shell(std::move(args));
    // The acquisition and archive commands, joined to the windows and to start-up and closing.
    drumo::ProgramWiring wiring(shell);
    QObject::connect(&shell.Main(), &drumo::TfrmMain::Closing, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    // Logout, shutdown or Ctrl+C close the program in order: settings and auto-save are written.
    shell.EndOnTerminationSignals();
    shell.Show();
    // Closed already while starting (during the automatic search, or by the system): the quit
    // request went to that search's own event loop, so the main loop is not entered at all.
    if (shell.Main().isHidden()) return 0;
    return app.exec();
}
