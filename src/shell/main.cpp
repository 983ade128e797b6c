// SPDX-License-Identifier: MIT
#include "Form1.h"
#include "TerminationSignals.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("line-warden"));
    QApplication::setDesktopFileName(QStringLiteral("line-warden"));
    // The program ends when its window unloads, not when the last visible
    // window closes: in the tray the window is hidden while the menu comes and goes.
    QApplication::setQuitOnLastWindowClosed(false);

    Form1 form;
    QObject::connect(&form, &Form1::unloaded, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    new TerminationSignals(&form);
    form.show();
    return app.exec();
}
