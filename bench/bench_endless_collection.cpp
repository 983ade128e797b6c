// SPDX-License-Identifier: MIT
// A statistics collection through the real collector and control against a
// router that never ends its answer: once as fast as loopback carries it
// (the bound on received text ends it), once slowly enough that the time
// limit does. Each must close the connection within 16 s of its start with
// the process at most 200 MB above its idle size, leave little held after,
// and the next collection against a sound router must write its record.
#include "RouterSim.h"
#include "script_engine/TarnTelnet.h"
#include "statistics/StatsCollector.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

namespace {

// A field of /proc/self/status in MB.
double statusMB(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toDouble() / 1024;
    return -1;
}

// The peak (VmHWM) starts again from the current size.
void resetPeak() {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

struct Collection {
    double seconds = 0;
    bool recorded = false;
};

Collection collect(StatsCollector& stats, bool& recorded) {
    recorded = false;
    QElapsedTimer clock;
    clock.start();
    stats.CollectStats();
    QTimer watchdog;
    watchdog.start(30000);
    while (stats.StatsBusy() && watchdog.isActive())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return {clock.nsecsElapsed() / 1e9, recorded};
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("LW_BIN_DIR"))
        qputenv("LW_BIN_DIR", QCoreApplication::applicationDirPath().toLocal8Bit());
    const QStringList quick{QStringLiteral("--greeting-delay-ms"), QStringLiteral("0")};
    RouterSim sound, fast, slow;
    if (!sound.start(quick) || !fast.start(quick + QStringList{QStringLiteral("--endless")}) ||
        !slow.start(quick + QStringList{QStringLiteral("--endless"), QStringLiteral("--chunk"), QStringLiteral("16384"),
                                        QStringLiteral("--piece-delay-ms"), QStringLiteral("15")})) {
        std::fprintf(stderr, "router-sim did not start\n");
        return 1;
    }
    quint16 port = sound.port();
    QTemporaryDir dir;
    TarnTelnet control;
    QTimer tmrStats;
    StatsCollector stats(
        control, &tmrStats, [] { return QDateTime::currentDateTime(); }, dir.path(),
        [&port] {
            return StatsCollector::RouterLogin{QStringLiteral("127.0.0.1 %1").arg(port), QStringLiteral("root"),
                                               QStringLiteral("Mango")};
        });
    bool recorded = false;
    QObject::connect(&stats, &StatsCollector::recordShown, [&recorded] { recorded = true; });

    bool ok = collect(stats, recorded).recorded;
    const double idle = statusMB("VmRSS:");
    std::printf("idle after one collection:             %6.1f MB\n", idle);
    const struct {
        const char* name;
        quint16 port;
    } peers[] = {{"endless, as fast as loopback", fast.port()}, {"endless, 16 KiB every 15 ms", slow.port()}};
    for (const auto& peer : peers) {
        port = peer.port;
        resetPeak();
        const Collection given = collect(stats, recorded);
        const double peak = statusMB("VmHWM:") - idle;
        const double held = statusMB("VmRSS:") - idle;
        port = sound.port();
        const Collection next = collect(stats, recorded);
        std::printf("%-29s closed after %5.2f s (limit 16), peak %6.1f MB above idle (limit 200), %5.1f MB "
                    "held after; next collection %s\n",
                    peer.name, given.seconds, peak, held, next.recorded ? "recorded" : "FAILED");
        ok = ok && !given.recorded && given.seconds <= 16 && peak <= 200 && next.recorded;
    }
    return ok ? 0 : 1;
}
