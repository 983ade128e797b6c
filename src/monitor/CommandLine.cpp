// SPDX-License-Identifier: MIT
#include "CommandLine.h"

#include "MonitorText.h"
#include "text/ExitStatus.h"

#include <QCommandLineParser>

CommandLine CommandLine::parse(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Monitors a home DSL router: records its line statistics and pings one address.\n"
                       "Exit status: 0 done, 1 failed (another program runs on the folder, or no router model "
                       "fits), 3 bad usage."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Print this help and exit."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Print the version and exit."));
    const QCommandLineOption tray(QStringLiteral("tray"),
                                  QStringLiteral("Start hidden in the notification area (minimised where there is "
                                                 "none)."));
    const QCommandLineOption start(QStringLiteral("start"), QStringLiteral("Start pinging at once."));
    const QCommandLineOption folder(QStringLiteral("folder"),
                                    QStringLiteral("Keep settings.ini, the logs and the lock in <DIR>."),
                                    QStringLiteral("DIR"));
    const QCommandLineOption probeRouter(
        QStringLiteral("probe-router"),
        QStringLiteral("Log in to the router of settings.ini, try each built-in router model and tell which one "
                       "finds the six values; needs no display."));
    parser.addOptions({help, version, tray, start, folder, probeRouter});

    CommandLine line;
    // Without an application object the parser cannot know the program's name.
    const auto usage = [&parser] {
        return parser.helpText().replace(QStringLiteral("<executable_name>"), MonitorText::ProgramName);
    };
    if (!parser.parse(arguments)) {
        line.exitStatus = ExitStatus::BadUsage;
        line.message = parser.errorText() + u'\n' + usage();
    } else if (parser.isSet(help)) {
        line.exitStatus = ExitStatus::Done;
        line.message = usage();
    } else if (parser.isSet(version)) {
        line.exitStatus = ExitStatus::Done;
        line.message = MonitorText::ProgramName + u' ' + QStringLiteral(LW_VERSION) + u'\n';
    } else if (!parser.positionalArguments().isEmpty() || (parser.isSet(folder) && parser.value(folder).isEmpty())) {
        line.exitStatus = ExitStatus::BadUsage;
        line.message = usage();
    }
    line.tray = parser.isSet(tray);
    line.start = parser.isSet(start);
    line.folder = parser.value(folder);
    line.probeRouter = parser.isSet(probeRouter);
    return line;
}
