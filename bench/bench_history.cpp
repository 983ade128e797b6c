// SPDX-License-Identifier: MIT
// A year of minute records (525,600 lines of stats.csv): the time to read and
// summarise them, the time line-warden-history takes to draw them into a PNG,
// and the peak resident memory of that run.
//   bench_history                        prints the figures
//   bench_history --write FILE [--days N] only writes N days of records (365)
#include "history/HistorySummary.h"
#include "history/StatsHistory.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

using namespace history;

extern char** environ;

namespace {

// A line that mostly holds: margins drifting with the time of day, a resync
// every few days at a slightly other rate, and an outage now and then.
QByteArray generate(int days) {
    QByteArray bytes;
    bytes.reserve(qsizetype(days) * 1440 * 48);
    quint32 seed = 12345;
    auto random = [&seed](int below) {
        seed = seed * 1103515245u + 12345u;
        return int((seed >> 8) % quint32(below));
    };
    QDateTime time(QDate::currentDate().addDays(-days), QTime(0, 0));
    int downRate = 8000;
    int upRate = 800;
    int outageLeft = 0;
    for (int minute = 0; minute < days * 1440; ++minute) {
        if (random(4000) == 0) {
            downRate = 7000 + 100 * random(11);
            upRate = 700 + 10 * random(11);
        }
        if (outageLeft == 0 && random(3000) == 0)
            outageLeft = 5 + random(120);
        const bool down = outageLeft > 0;
        outageLeft -= down;
        const double phase = std::sin(2 * M_PI * (minute % 1440) / 1440.0);
        const double downMargin = std::round((10 + 3 * phase + random(10) / 10.0) * 10) / 10;
        const double upMargin = std::round((12 + 2 * phase + random(10) / 10.0) * 10) / 10;
        const QByteArray stamp = time.addSecs(60LL * minute).toString(QStringLiteral("dd/MM/yyyy hh:mm")).toLatin1();
        // During an outage a collection may find no statistics at all.
        if (down && random(2) == 0)
            bytes += stamp + ",,,,,,,Down\r\n";
        else
            bytes += stamp + ',' + QByteArray::number(downRate) + ",20.5," + QByteArray::number(downMargin) + ',' +
                     QByteArray::number(upRate) + ",10," + QByteArray::number(upMargin) + (down ? ",Down" : ",Up") +
                     "\r\n";
    }
    return bytes;
}

bool write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

double processorSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + now.tv_nsec / 1e9;
}

// Wall-clock and processor time: on a shared machine the first one also
// counts the time other programs had the processor.
struct Timing {
    double seconds = 1e9;
    double processor = 1e9;
};

Timing readAndSummarise(const QString& path, HistorySummary& summary) {
    QElapsedTimer timer;
    timer.start();
    const double start = processorSeconds();
    summary = Summarise(ReadStatsFile(path));
    return {timer.nsecsElapsed() / 1e9, processorSeconds() - start};
}

struct Run {
    int status = -1;
    Timing timing;
    long peakKiB = 0;
};

// Runs a program to its end; its own peak resident memory comes from wait4.
Run run(const QStringList& arguments) {
    std::vector<QByteArray> bytes;
    for (const QString& a : arguments)
        bytes.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    Run result;
    QElapsedTimer timer;
    timer.start();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return result;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    result.timing.seconds = timer.nsecsElapsed() / 1e9;
    result.timing.processor =
        double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.peakKiB = usage.ru_maxrss;
    return result;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 3 && args[1] == QLatin1String("--write")) {
        const int days = args.size() >= 5 && args[3] == QLatin1String("--days") ? args[4].toInt() : 365;
        return days > 0 && write(args[2], generate(days)) ? 0 : 1;
    }

    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("stats.csv"));
    const QString png = dir.filePath(QStringLiteral("history.png"));
    if (!write(csv, generate(365))) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(csv));
        return 1;
    }
    HistorySummary summary;
    Timing best;
    for (int i = 0; i < 3; ++i) {
        const Timing t = readAndSummarise(csv, summary);
        best = {std::min(best.seconds, t.seconds), std::min(best.processor, t.processor)};
    }
    std::printf("records read:                          %8lld (%lld skipped)\n", qint64(summary.records),
                qint64(summary.skippedLines));
    std::printf("read and summarise a year:             %8.3f s  (aim 0.5 s; processor %.3f s)\n", best.seconds,
                best.processor);

    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/line-warden-history");
    Run fastest;
    for (int i = 0; i < 3; ++i) {
        const Run r = run({program, csv, QStringLiteral("--png"), png});
        if (r.status != 0) {
            std::fprintf(stderr, "line-warden-history --png failed with status %d\n", r.status);
            return 1;
        }
        if (i == 0 || r.timing.seconds < fastest.timing.seconds)
            fastest = r;
    }
    std::printf("line-warden-history --png, whole run:  %8.3f s  (aim 1 s; processor %.3f s)\n", fastest.timing.seconds,
                fastest.timing.processor);
    std::printf("its peak resident memory:              %8.1f MB (aim 150 MB)\n", fastest.peakKiB / 1024.0);
    return 0;
}
