// SPDX-License-Identifier: MIT
#include "Form1.h"
#include "LineExport.h"
#include "ProbeRouter.h"
#include "monitor/CommandLine.h"
#include "monitor/FolderLock.h"
#include "monitor/MonitorText.h"
#include "monitor/TerminationSignals.h"
#include "reachability/modPing.h"
#include "text/ExitStatus.h"

#include <QApplication>
#include <QMessageBox>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace {

// The window whose settings are written if the program exits without closing it.
Form1* running = nullptr;

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

// Without a window Line Warden is line-wardend, which links no window code.
// It is started in this process's place, with the same arguments and whatever
// the process was granted, so that it keeps the raw socket and gives up the
// rest first thing, as this program would. It lies beside this program's own
// file as the kernel knows it, whatever argv[0] says. Returns only when it
// could not be started.
int becomeHeadless(char* argv[]) {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::filesystem::path headless = self.parent_path() / MonitorText::HeadlessProgramName.toStdString();
    if (!error)
        ::execv(headless.c_str(), argv);
    const QString why = QString::fromLocal8Bit(error ? error.message().c_str() : std::strerror(errno));
    print(stderr, MonitorText::HeadlessNotStarted.arg(QString::fromStdString(headless.string()), why) + u'\n');
    return ExitStatus::Failed;
}

} // namespace

int main(int argc, char* argv[]) {
    // Plain text work, before the display is opened: --help, --version, bad
    // usage and --headless need none, and the last keeps the privileges for line-wardend.
    const CommandLine line = CommandLine::parse(argc, argv);
    if (line.headless && !line.exitStatus)
        return becomeHeadless(argv);
    if (!modPing::KeepRawSocketThenDropPrivileges())
        return ExitStatus::Failed;
    if (line.exitStatus)
        return line.End();
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

    // The exports [Export] asks for; a broker's last words are sent as the window goes.
    LineExport exports(ExportSettings::read(form.SettingsPath()), MonitorText::AppTitle);
    exports.connectTo(form.Core().Stats(), form.Core().Monitor());
    exports.start();

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
