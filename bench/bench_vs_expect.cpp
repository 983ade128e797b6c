// SPDX-License-Identifier: MIT
// One statistics collection against the router simulator (no delays), by the
// script engine and by Debian's expect running the same dialogue, in the same
// run. Process start-up counts for both command-line tools.
#include "RouterSim.h"
#include "StatsDialogue.h"
#include "script_engine/TarnTelnet.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>

namespace {

constexpr int Runs = 15;

double median(QList<double> samples) {
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

// Seconds for one collection inside this process; negative when it failed.
double inProcess(quint16 port) {
    TarnTelnet control;
    QEventLoop loop;
    bool completed = false;
    QObject::connect(&control, &TarnTelnet::ScriptComplete, [&] {
        completed = true;
        loop.quit();
    });
    QObject::connect(&control, &TarnTelnet::ScriptError, [&] { loop.quit(); });
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    QElapsedTimer timer;
    timer.start();
    control.RunScript(StatsDialogue::scriptLines(port).join(QStringLiteral("\r\n")));
    if (!completed)
        loop.exec();
    return completed ? timer.nsecsElapsed() / 1e9 : -1;
}

// Seconds for one run of a command; negative when it failed. Its output goes to `out`.
double command(const QString& program, const QStringList& arguments, QByteArray* out = nullptr) {
    QProcess process;
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    if (!process.waitForFinished(10000) || process.exitCode() != 0)
        return -1;
    const double seconds = timer.nsecsElapsed() / 1e9;
    if (out)
        *out = process.readAllStandardOutput();
    return seconds;
}

// The dialogue time expect measured itself ("dialogue_us N"); negative when missing.
double dialogueOf(const QByteArray& out) {
    const qsizetype at = out.indexOf("dialogue_us ");
    return at < 0 ? -1 : out.mid(at + 12).trimmed().toDouble() / 1e6;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QString bin = QCoreApplication::applicationDirPath();
    qputenv("LW_BIN_DIR", bin.toLocal8Bit());
    RouterSim router;
    if (!router.start({QStringLiteral("--greeting-delay-ms"), QStringLiteral("0")})) {
        std::fprintf(stderr, "router-sim did not start: %s\n", qPrintable(router.error()));
        return 1;
    }
    QTemporaryDir dir;
    const QString script = dir.filePath(QStringLiteral("stats.txt"));
    QFile file(script);
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    file.write(StatsDialogue::scriptLines(router.port()).join(u'\n').toLatin1());
    file.close();

    QList<double> engine, tarnRun, expect, expectDialogue;
    for (int run = 0; run < Runs; ++run) {
        engine << inProcess(router.port());
        tarnRun << command(bin + QStringLiteral("/tarn-run"), {script});
        QByteArray out;
        expect << command(QStringLiteral("expect"),
                          {QStringLiteral(LW_SOURCE_DIR "/bench/stats-dialogue.exp"), QString::number(router.port())},
                          &out);
        expectDialogue << dialogueOf(out);
    }
    const auto failed = [](const QList<double>& s) {
        return std::any_of(s.begin(), s.end(), [](double t) { return t < 0; });
    };
    if (failed(engine) || failed(tarnRun) || failed(expect) || failed(expectDialogue)) {
        std::fprintf(stderr, "a collection failed\n");
        return 1;
    }
    std::printf("one statistics collection, median of %d runs:\n", Runs);
    std::printf("  the dialogue alone:  TarnTelnet %6.2f ms   expect %6.2f ms   expect / TarnTelnet %5.2f\n",
                median(engine) * 1000, median(expectDialogue) * 1000, median(expectDialogue) / median(engine));
    std::printf("  whole process:       tarn-run   %6.2f ms   expect %6.2f ms   expect / tarn-run   %5.2f\n",
                median(tarnRun) * 1000, median(expect) * 1000, median(expect) / median(tarnRun));
    return median(engine) < median(expectDialogue) ? 0 : 1;
}
