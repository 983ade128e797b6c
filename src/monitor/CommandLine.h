// SPDX-License-Identifier: MIT
// line-warden's command line. Read before anything talks to the display, so
// that --help, --version and bad usage work without one.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

struct CommandLine {
    bool tray = false;        // --tray: start hidden in the notification area
    bool start = false;       // --start: start pinging at once
    QString folder;           // --folder DIR: settings.ini, the logs and the lock live in DIR
    bool probeRouter = false; // --probe-router: tell which built-in router model fits, and end

    // Set when the program ends at once with this status (ExitStatus), after
    // printing `message`: to standard output when the status is Done, else to
    // standard error.
    std::optional<int> exitStatus;
    QString message;

    // arguments[0] is the program.
    static CommandLine parse(const QStringList& arguments);
};
