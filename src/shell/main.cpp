// SPDX-License-Identifier: MIT
#include "Form1.h"
#include "TerminationSignals.h"
#include "reachability/modPing.h"
#include "text/ExitStatus.h"

#include <QApplication>
#include <cstdlib>

namespace {

// The window whose settings are written if the program exits without closing it.
Form1* running = nullptr;

} // namespace

int main(int argc, char* argv[]) {
    if (!modPing::KeepRawSocketThenDropPrivileges())
        return ExitStatus::Failed;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("line-warden"));
    QApplication::setDesktopFileName(QStringLiteral("line-warden"));
    // The program ends when its window unloads, not when the last visible
    // window closes: in the tray the window is hidden while the menu comes and goes.
    QApplication::setQuitOnLastWindowClosed(false);

    Form1 form;
    QObject::connect(&form, &Form1::unloaded, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    new TerminationSignals(&form);
    // Qt calls exit() when the display connection breaks (the X server ended).
    running = &form;
    std::atexit([] {
        if (running)
            running->WriteSettingsAtExit();
    });
    form.show();
    const int code = app.exec();
    running = nullptr;
    return code;
}
