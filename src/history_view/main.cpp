// SPDX-License-Identifier: MIT
// line-warden-history [STATS_CSV] [--summary | --png FILE [--width W --height H]]
#include "HistoryWindow.h"
#include "history/HistorySummary.h"
#include "history/HistoryText.h"
#include "text/AppFolder.h"
#include "text/ExitStatus.h"
#include "text/StatsCsv.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QScreen>
#include <cstdio>
#include <memory>

using namespace history;

namespace {

// Fits a 1366 x 768 screen with its title bar and a panel.
const QSize DefaultSize(1300, 680);

int badUsage(const QString& why) {
    std::fprintf(stderr, "line-warden-history: %s\nTry line-warden-history --help.\n", qPrintable(why));
    return ExitStatus::BadUsage;
}

// The stats.csv that line-warden writes: it shares line-warden's folder rule
// and, through the application name, its per-user data folder.
QString defaultStatsFile() {
    return modMisc::AppFolders::standard().chosen() + StatsCsv::FileName;
}

int printSummary(const StatsHistory& history, const QString& path) {
    const QString problem = HistoryProblem(history, path);
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(problem));
        return ExitStatus::Failed;
    }
    const QList<SummaryRow> rows = SummaryRows(Summarise(history));
    qsizetype width = 0;
    for (const SummaryRow& row : rows)
        width = std::max(width, row.caption.size() + 1);
    for (const SummaryRow& row : rows)
        std::printf("%s %s\n", qPrintable((row.caption + u':').leftJustified(width)), qPrintable(row.value));
    for (const QString& line : OutageAndGapLines(history.records))
        std::printf("%s\n", qPrintable(line));
    return ExitStatus::Done;
}

} // namespace

int main(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Shows the line's history from Line Warden's stats.csv."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("STATS_CSV"), QStringLiteral("The file to read (default: the "
                                                                             "stats.csv line-warden writes)."));
    const QCommandLineOption summaryOption(QStringLiteral("summary"),
                                           QStringLiteral("Print the summary, the outages and the gaps, and exit."));
    const QCommandLineOption pngOption(QStringLiteral("png"), QStringLiteral("Draw the window into <file> and exit."),
                                       QStringLiteral("file"));
    const QCommandLineOption widthOption(QStringLiteral("width"),
                                         QStringLiteral("Width of the PNG (%1).").arg(DefaultSize.width()),
                                         QStringLiteral("pixels"), QString::number(DefaultSize.width()));
    const QCommandLineOption heightOption(QStringLiteral("height"),
                                          QStringLiteral("Height of the PNG (%1).").arg(DefaultSize.height()),
                                          QStringLiteral("pixels"), QString::number(DefaultSize.height()));
    parser.addOptions({summaryOption, pngOption, widthOption, heightOption});
    const bool parsed = parser.parse(arguments);

    // The picture is drawn without a screen, so it works over ssh and in tests.
    if (parsed && parser.isSet(pngOption))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Help, bad usage and the summary need no screen.
    std::unique_ptr<QCoreApplication> app;
    if (!parsed || parser.isSet(helpOption) || parser.isSet(summaryOption))
        app = std::make_unique<QCoreApplication>(argc, argv);
    else
        app = std::make_unique<QApplication>(argc, argv);
    // Line Warden's name, for its per-user data folder.
    QCoreApplication::setApplicationName(modMisc::ProgramName);
    QGuiApplication::setDesktopFileName(QStringLiteral("line-warden-history"));
    if (!parsed)
        return badUsage(parser.errorText());
    if (parser.isSet(helpOption))
        parser.showHelp(ExitStatus::Done);
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1)
        return badUsage(QStringLiteral("one stats file at most"));
    bool widthOk = false;
    bool heightOk = false;
    const QSize size(parser.value(widthOption).toInt(&widthOk), parser.value(heightOption).toInt(&heightOk));
    if (!widthOk || !heightOk || size.width() <= 0 || size.height() <= 0)
        return badUsage(QStringLiteral("width and height must be positive numbers"));

    const QString path = files.isEmpty() ? defaultStatsFile() : files.first();
    StatsHistory history = ReadStatsFile(path);
    if (parser.isSet(summaryOption))
        return printSummary(history, path);

    const QString problem = HistoryProblem(history, path);
    HistoryWindow window(std::move(history), path);
    if (!parser.isSet(pngOption)) {
        window.resize(DefaultSize.boundedTo(window.screen()->availableGeometry().size()));
        window.show();
        return QApplication::exec();
    }
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(problem));
        return ExitStatus::Failed;
    }
    const QString file = parser.value(pngOption);
    if (!window.render(size).save(file, "PNG")) {
        std::fprintf(stderr, "line-warden-history: cannot write %s\n", qPrintable(file));
        return ExitStatus::Failed;
    }
    return ExitStatus::Done;
}
