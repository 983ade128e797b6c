// SPDX-License-Identifier: MIT
// The command line of line-warden and of line-wardend, Line Warden without a
// window. Read before anything talks to the display, so that --help, --version
// and bad usage work without one.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

struct CommandLine {
    // Which program reads it: line-wardend has no window, so neither --tray nor a choice.
    enum class Program { Window, Headless };

    bool tray = false;        // --tray: start hidden in the notification area
    bool start = false;       // --start: start pinging at once
    QString folder;           // --folder DIR: settings.ini, the logs and the lock live in DIR
    bool headless = false;    // --headless, and always for line-wardend: no window, pinging and collecting at once
    QString settings;         // --settings FILE, without a window: the settings are read from FILE
    bool probeRouter = false; // --probe-router: tell which built-in router model fits, and end

    // Set when the program ends at once with this status (ExitStatus), after
    // printing `message`: to standard output when the status is Done, else to
    // standard error.
    std::optional<int> exitStatus;
    QString message;

    // arguments[0] is the program.
    static CommandLine parse(const QStringList& arguments, Program program = Program::Window);
    static CommandLine parse(int argc, char* argv[], Program program = Program::Window);

    // Prints the message where it belongs and gives the exit status.
    int End() const;
};
