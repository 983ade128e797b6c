// SPDX-License-Identifier: MIT
// line-warden-history [STATS_CSV] [--summary | --png FILE [--width W --height H]]
#include "HistoryWindow.h"
#include "history/HistorySummary.h"
#include "history/HistoryText.h"
#include "text/AppFolder.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QStandardPaths>
#include <cstdio>
#include <memory>

using namespace history;

namespace {

constexpr int DefaultWidth = 1200;
constexpr int DefaultHeight = 900;

// The stats.csv that line-warden writes: it shares line-warden's folder rule
// and, through the application name, its per-user data folder.
QString defaultStatsFile() {
    const QString userData = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return modMisc::ChooseAppFolder(QCoreApplication::applicationDirPath(), userData) + HistoryText::StatsFileName;
}

int printSummary(const StatsHistory& history, const QString& path) {
    const QString problem = HistoryProblem(history, path);
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(problem));
        return 1;
    }
    const QList<SummaryRow> rows = SummaryRows(Summarise(history));
    qsizetype width = 0;
    for (const SummaryRow& row : rows)
        width = std::max(width, row.caption.size() + 1);
    for (const SummaryRow& row : rows)
        std::printf("%s %s\n", qPrintable((row.caption + u':').leftJustified(width)), qPrintable(row.value));
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Shows the line's history from Line Warden's stats.csv."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("STATS_CSV"), QStringLiteral("The file to read (default: the "
                                                                             "stats.csv line-warden writes)."));
    const QCommandLineOption summaryOption(QStringLiteral("summary"), QStringLiteral("Print the summary and exit."));
    const QCommandLineOption pngOption(QStringLiteral("png"), QStringLiteral("Draw the window into <file> and exit."),
                                       QStringLiteral("file"));
    const QCommandLineOption widthOption(QStringLiteral("width"), QStringLiteral("Width of the PNG (1200)."),
                                         QStringLiteral("pixels"), QString::number(DefaultWidth));
    const QCommandLineOption heightOption(QStringLiteral("height"), QStringLiteral("Height of the PNG (900)."),
                                          QStringLiteral("pixels"), QString::number(DefaultHeight));
    parser.addOptions({summaryOption, pngOption, widthOption, heightOption});
    const bool parsed = parser.parse(arguments);

    // The picture is drawn without a screen, so it works over ssh and in tests.
    if (parsed && parser.isSet(pngOption))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Bad usage and the summary need no screen either.
    std::unique_ptr<QCoreApplication> app;
    if (!parsed || parser.isSet(summaryOption))
        app = std::make_unique<QCoreApplication>(argc, argv);
    else
        app = std::make_unique<QApplication>(argc, argv);
    parser.process(arguments); // --help, and bad usage
    // Line Warden's name, for its per-user data folder.
    QCoreApplication::setApplicationName(QStringLiteral("line-warden"));
    QGuiApplication::setDesktopFileName(QStringLiteral("line-warden-history"));

    const QStringList files = parser.positionalArguments();
    if (files.size() > 1)
        parser.showHelp(2);
    const QString path = files.isEmpty() ? defaultStatsFile() : files.first();
    StatsHistory history = ReadStatsFile(path);
    if (parser.isSet(summaryOption))
        return printSummary(history, path);

    const QString problem = HistoryProblem(history, path);
    HistoryWindow window(std::move(history), path);
    if (!parser.isSet(pngOption)) {
        window.resize(DefaultWidth, DefaultHeight);
        window.show();
        return QApplication::exec();
    }
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(problem));
        return 1;
    }
    bool widthOk = false;
    bool heightOk = false;
    const QSize size(parser.value(widthOption).toInt(&widthOk), parser.value(heightOption).toInt(&heightOk));
    if (!widthOk || !heightOk || size.width() <= 0 || size.height() <= 0) {
        std::fprintf(stderr, "line-warden-history: width and height must be positive numbers\n");
        return 2;
    }
    const QString file = parser.value(pngOption);
    if (!window.render(size).save(file, "PNG")) {
        std::fprintf(stderr, "line-warden-history: cannot write %s\n", qPrintable(file));
        return 1;
    }
    return 0;
}
