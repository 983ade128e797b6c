// SPDX-License-Identifier: MIT
#include "CommandLine.h"

#include "MonitorText.h"
#include "text/ExitStatus.h"

#include <QCommandLineParser>
#include <cstdio>

CommandLine CommandLine::parse(const QStringList& arguments, Program program) {
    const bool window = program == Program::Window;
    const QString& name = window ? MonitorText::ProgramName : MonitorText::HeadlessProgramName;
    QCommandLineParser parser;
    parser.setApplicationDescription(
        (window ? QStringLiteral("Monitors a home DSL router: records its line statistics and pings one address.\n")
                : QStringLiteral("Monitors a home DSL router without a window, as a service: records its line "
                                 "statistics and pings one address from the start.\n")) +
        QStringLiteral("Exit status: 0 done, 1 failed (another program runs on the folder, the settings cannot be "
                       "read, or no router model fits), 3 bad usage."));
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
    const QCommandLineOption headless(QStringLiteral("headless"),
                                      window ? QStringLiteral("Run without a window, as a service does (as %1): ping "
                                                              "and collect at once, tell standard error what the "
                                                              "window would show, end on SIGTERM.")
                                                   .arg(MonitorText::HeadlessProgramName)
                                             : QStringLiteral("Always so: no window."));
    const QCommandLineOption settings(
        QStringLiteral("settings"),
        (window ? QStringLiteral("With --headless: read") : QStringLiteral("Read")) +
            QStringLiteral(" the settings from <FILE> instead of the folder's settings.ini; never write them."),
        QStringLiteral("FILE"));
    const QCommandLineOption probeRouter(
        QStringLiteral("probe-router"),
        QStringLiteral("Log in to the router of settings.ini, try each built-in router model and tell which one "
                       "finds the six values; needs no display."));
    parser.addOptions({help, version});
    if (window)
        parser.addOptions({tray, probeRouter});
    parser.addOptions({start, folder, headless, settings});

    CommandLine line;
    // Without an application object the parser cannot know the program's name.
    const auto usage = [&parser, &name] {
        return parser.helpText().replace(QStringLiteral("<executable_name>"), name);
    };
    const bool parsed = parser.parse(arguments);
    const bool withoutWindow = !window || (parsed && parser.isSet(headless));
    if (!parsed) {
        line.exitStatus = ExitStatus::BadUsage;
        line.message = parser.errorText() + u'\n' + usage();
    } else if (parser.isSet(help)) {
        line.exitStatus = ExitStatus::Done;
        line.message = usage();
    } else if (parser.isSet(version)) {
        line.exitStatus = ExitStatus::Done;
        line.message = name + u' ' + QStringLiteral(LINEWARDEN_VERSION) + u'\n';
    } else if (!parser.positionalArguments().isEmpty() || (parser.isSet(folder) && parser.value(folder).isEmpty()) ||
               (parser.isSet(settings) && parser.value(settings).isEmpty())) {
        line.exitStatus = ExitStatus::BadUsage;
        line.message = usage();
    } else if (parser.isSet(settings) && !withoutWindow) {
        line.exitStatus = ExitStatus::BadUsage;
        line.message = MonitorText::SettingsNeedsHeadless + u'\n' + usage();
    } else if (window && withoutWindow && parser.isSet(tray)) {
        line.exitStatus = ExitStatus::BadUsage;
        line.message = MonitorText::TrayNeedsWindow + u'\n' + usage();
    }
    line.tray = window && parser.isSet(tray);
    line.start = parser.isSet(start);
    line.folder = parser.value(folder);
    line.headless = withoutWindow;
    line.settings = parser.value(settings);
    line.probeRouter = window && parser.isSet(probeRouter);
    return line;
}

CommandLine CommandLine::parse(int argc, char* argv[], Program program) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return parse(arguments, program);
}

int CommandLine::End() const {
    std::FILE* stream = exitStatus == ExitStatus::Done ? stdout : stderr;
    std::fputs(qPrintable(message), stream);
    std::fflush(stream);
    return exitStatus.value_or(ExitStatus::Failed);
}
