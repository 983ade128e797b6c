// SPDX-License-Identifier: MIT
// A year of minute records (525,600 lines of stats.csv): the time to read and
// summarise them, the time line-warden-history takes to draw them into a PNG,
// and the peak resident memory of that run; then the same whole runs on ten
// years (5.3 million records).
//   bench_history                        prints the figures
//   bench_history --write FILE [--days N] only writes N days of records (365)
#include "history/HistorySummary.h"
#include "history/StatsHistory.h"

#include "text/StatsCsv.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

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
        std::array<QString, StatsCsv::StatisticCount> values;
        // During an outage a collection may find no statistics at all.
        if (!down || random(2) != 0) {
            values[StatsCsv::DownRate] = QString::number(downRate);
            values[StatsCsv::DownAttenuation] = QStringLiteral("20.5");
            values[StatsCsv::DownMargin] = QString::number(downMargin);
            values[StatsCsv::UpRate] = QString::number(upRate);
            values[StatsCsv::UpAttenuation] = QStringLiteral("10");
            values[StatsCsv::UpMargin] = QString::number(upMargin);
        }
        bytes += (StatsCsv::Record(time.addSecs(60LL * minute), values, down ? StatsCsv::Down : StatsCsv::Up) +
                  StatsCsv::LineEnd)
                     .toLatin1();
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
    const StatsHistory history = ReadStatsFile(path);
    summary = Summarise(history);
    OutageAndGapLines(history.records);
    return {timer.nsecsElapsed() / 1e9, processorSeconds() - start};
}

struct Run {
    int status = -1;
    Timing timing;
    long peakKiB = 0;
};

// Runs a program to its end, its output dropped; its own peak resident memory comes from wait4.
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
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
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
                qint64(*summary.skippedLines));
    std::printf("read and summarise a year:             %8.3f s  (aim 0.37 s; processor %.3f s)\n", best.seconds,
                best.processor);

    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/line-warden-history");
    const auto fastest = [&program](const QStringList& arguments) {
        Run fastest;
        for (int i = 0; i < 3; ++i) {
            const Run r = run(QStringList{program} + arguments);
            if (r.status != 0) {
                std::fprintf(stderr, "line-warden-history %s failed with status %d\n", qPrintable(arguments.join(u' ')),
                             r.status);
                std::exit(1);
            }
            if (i == 0 || r.timing.seconds < fastest.timing.seconds)
                fastest = r;
        }
        return fastest;
    };
    const Run year = fastest({csv, QStringLiteral("--png"), png});
    std::printf("line-warden-history --png, whole run:  %8.3f s  (aim 0.92 s; processor %.3f s)\n", year.timing.seconds,
                year.timing.processor);
    std::printf("its peak resident memory:              %8.1f MB (aim 150 MB)\n", year.peakKiB / 1024.0);

    if (!write(csv, generate(3650))) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(csv));
        return 1;
    }
    for (const auto& [what, arguments] : {std::pair{"--summary", QStringList{QStringLiteral("--summary"), csv}},
                                          std::pair{"--png", QStringList{csv, QStringLiteral("--png"), png}}}) {
        const Run tenYears = fastest(arguments);
        const QString label = QStringLiteral("ten years, %1, whole run:").arg(QLatin1String(what));
        std::printf("%-39s%8.3f s  (aim 3 s; processor %.3f s), peak %.1f MB (aim 800 MB)\n", qPrintable(label),
                    tenYears.timing.seconds, tenYears.timing.processor, tenYears.peakKiB / 1024.0);
    }
    return 0;
}
