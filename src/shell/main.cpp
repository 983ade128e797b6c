// SPDX-License-Identifier: MIT
#include "Form1.h"
#include "ProbeRouter.h"
#include "monitor/CommandLine.h"
#include "monitor/FolderLock.h"
#include "monitor/MonitorText.h"
#include "monitor/TerminationSignals.h"
#include "reachability/modPing.h"
#include "text/ExitStatus.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>

namespace {

// The window whose settings are written if the program exits without closing it.
Form1* running = nullptr;

QStringList argumentList(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

void print(std::FILE* stream, const QString& text) {
    std::fputs(qPrintable(text), stream);
    std::fflush(stream);
}

// Another program holds the folder: it is asked to show its window; either way the user is told.
int refuseSecondStart(const FolderLock& lock, const QString& folder) {
    const QString inUse = MonitorText::FolderInUse.arg(folder).arg(lock.HolderPid());
    if (lock.AskHolderToShow()) {
        print(stderr, MonitorText::AskedToShow.arg(inUse) + u'\n');
    } else {
        const QString message = MonitorText::NotStarted.arg(inUse);
        print(stderr, message + u'\n');
        QMessageBox::warning(nullptr, MonitorText::AppTitle, message);
    }
    return ExitStatus::Failed;
}

} // namespace

int main(int argc, char* argv[]) {
    if (!modPing::KeepRawSocketThenDropPrivileges())
        return ExitStatus::Failed;
    // Read before the display is opened: --help, --version and bad usage need none.
    const CommandLine line = CommandLine::parse(argumentList(argc, argv));
    if (line.exitStatus) {
        print(*line.exitStatus == ExitStatus::Done ? stdout : stderr, line.message);
        return *line.exitStatus;
    }
    if (line.probeRouter)
        return ProbeRouter(argc, argv, line.folder);

    QApplication app(argc, argv);
    QApplication::setApplicationName(MonitorText::ProgramName);
    QApplication::setDesktopFileName(MonitorText::ProgramName);
    // The program ends when its window unloads, not when the last visible
    // window closes: in the tray the window is hidden while the menu comes and goes.
    QApplication::setQuitOnLastWindowClosed(false);
    // Caught from here on; one that comes before the window exists is served once the event loop runs.
    TerminationSignals termination;

    const modMisc::AppFolders folders = modMisc::AppFolders::standard(line.folder);
    const QString folder = folders.chosen();
    FolderLock lock(folder);
    if (!lock.Acquire()) {
        if (lock.HolderPid() != 0)
            return refuseSecondStart(lock, folder);
        const QString message = MonitorText::FolderUnusable.arg(folder, lock.Problem());
        print(stderr, message + u'\n');
        QMessageBox::warning(nullptr, MonitorText::AppTitle, message);
        return ExitStatus::Failed;
    }
    // Requests are served once the event loop runs, when the window is there to show.
    lock.OfferToShow();

    Form1 form(folders, std::make_unique<SystemTrayBackend>());
    QObject::connect(&form, &Form1::unloaded, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    // Notices also go to the terminal, which outlives the window.
    QObject::connect(&form.Core(), &MonitorCore::noticed, [](const QString& notice) { print(stderr, notice + u'\n'); });
    QObject::connect(&termination, &TerminationSignals::received, &form, &QWidget::close);
    if (!termination.Active())
        form.Core().Report(MonitorText::SignalsNotCaught);
    QObject::connect(&lock, &FolderLock::showRequested, &form, &Form1::Restore);
    // Qt calls exit() when the display connection breaks (the X server ended).
    running = &form;
    std::atexit([] {
        if (running)
            running->UnloadWithoutDisplay();
    });

    if (line.start)
        form.StartPinging();
    if (line.tray)
        form.SendToTray();
    else
        form.show();
    const int code = app.exec();
    running = nullptr;
    return code;
}
