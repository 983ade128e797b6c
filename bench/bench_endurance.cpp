// SPDX-License-Identifier: MIT
// A thousand collections in a row against the router simulator, through the
// real control on real sockets: every one records a whole line in each file,
// and memory and open descriptors after the last stay within 5% of those
// after the 100th. Prints collections per second.
#include "RouterSim.h"
#include "script_engine/TarnTelnet.h"
#include "statistics/StatsCollector.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <unistd.h>

namespace {

constexpr int Collections = 1000;
constexpr int Settled = 100;

struct Usage {
    qint64 rssKiB = 0;
    qsizetype fds = 0;
};

Usage usage() {
    Usage u;
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (statm.open(QIODevice::ReadOnly))
        u.rssKiB = statm.readAll().split(' ').value(1).toLongLong() * sysconf(_SC_PAGESIZE) / 1024;
    u.fds = QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size();
    return u;
}

// Whole lines matching the record's form, counted; -1 when one is torn.
qsizetype wholeLines(const QString& path, const QRegularExpression& form) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> lines = file.readAll().split('\n');
    if (!lines.last().isEmpty())
        return -1;
    for (qsizetype i = 0; i + 1 < lines.size(); ++i)
        if (!form.match(QString::fromLocal8Bit(lines[i])).hasMatch())
            return -1;
    return lines.size() - 1;
}

bool within5Percent(double settled, double last) {
    return last <= settled * 1.05 && last >= settled * 0.95;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("LW_BIN_DIR"))
        qputenv("LW_BIN_DIR", QCoreApplication::applicationDirPath().toLocal8Bit());
    RouterSim router;
    if (!router.start({QStringLiteral("--greeting-delay-ms"), QStringLiteral("0")})) {
        std::fprintf(stderr, "router-sim did not start: %s\n", qPrintable(router.error()));
        return 1;
    }
    QTemporaryDir dir;
    TarnTelnet control;
    QTimer tmrStats;
    StatsCollector stats(
        control, &tmrStats, [] { return QDateTime::currentDateTime(); }, dir.path(),
        [&router] {
            return StatsCollector::RouterLogin{QStringLiteral("127.0.0.1 %1").arg(router.port()),
                                               QStringLiteral("root"), QStringLiteral("Mango")};
        });
    int recorded = 0;
    QObject::connect(&stats, &StatsCollector::recordShown, [&recorded] { ++recorded; });

    Usage settled;
    QElapsedTimer timer;
    timer.start();
    for (int i = 1; i <= Collections; ++i) {
        stats.CollectStats();
        while (stats.StatsBusy())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (i == Settled)
            settled = usage();
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    const Usage last = usage();

    const QString stamp = QStringLiteral("\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d");
    const qsizetype csv = wholeLines(dir.filePath(QStringLiteral("stats.csv")),
                                     QRegularExpression(u'^' + stamp + QStringLiteral(",8000,21.5,12,800,11,15,\r$")));
    const qsizetype txt = wholeLines(dir.filePath(QStringLiteral("stats.txt")),
                                     QRegularExpression(u'^' + stamp + QStringLiteral("\t8000, 12, \r$")));
    std::printf("collections recorded:         %5d of %d\n", recorded, Collections);
    std::printf("whole lines in stats.csv:     %5lld\n", qlonglong(csv));
    std::printf("whole lines in stats.txt:     %5lld\n", qlonglong(txt));
    std::printf("collections per second:       %8.1f  (aim 50)\n", Collections / seconds);
    std::printf("resident memory, 100th/last:  %6lld / %lld KiB\n", settled.rssKiB, last.rssKiB);
    std::printf("open descriptors, 100th/last: %6lld / %lld\n", qlonglong(settled.fds), qlonglong(last.fds));
    const bool ok = recorded == Collections && csv == Collections && txt == Collections &&
                    within5Percent(settled.rssKiB, last.rssKiB) && within5Percent(settled.fds, last.fds);
    return ok ? 0 : 1;
}
