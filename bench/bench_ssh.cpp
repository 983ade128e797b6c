// SPDX-License-Identifier: MIT
// The statistics dialogue over SSH against dropbear in front of the busybox
// router, on port 22 of a network namespace of its own, through the script
// engine in this process: the time from RunScript to ScriptComplete, and
// memory and open descriptors over 100 dialogues in a row. Then whole
// collections through the core, as the program runs them: the time from
// CollectStats to the record written. Needs root.
#include "BusyboxRouter.h"
#include "CoreRig.h"
#include "RouterNamespace.h"
#include "StatsDialogue.h"
#include "script_engine/SshTarnSocket.h"
#include "script_engine/TarnTelnet.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

constexpr int Runs = 100;

// Kibibytes of a "Vm...:" line of /proc/self/status.
qint64 statusKiB(const char* key) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QRegularExpression line(QStringLiteral("^%1:\\s*(\\d+) kB$").arg(QLatin1StringView(key)),
                                  QRegularExpression::MultilineOption);
    return line.match(QString::fromLatin1(status.readAll())).captured(1).toLongLong();
}

qsizetype openDescriptors() {
    return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size();
}

// Milliseconds from start() to done; negative when failed came first or nothing within 10 s.
template <typename Sender, typename Done, typename Failed>
double timed(Sender* sender, Done done, Failed failed, const std::function<void()>& start) {
    QEventLoop loop;
    bool succeeded = false;
    const auto succeeding = QObject::connect(sender, done, &loop, [&] {
        succeeded = true;
        loop.quit();
    });
    const auto failing = QObject::connect(sender, failed, &loop, &QEventLoop::quit);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    QElapsedTimer timer;
    timer.start();
    start();
    if (!succeeded)
        loop.exec();
    const double ms = timer.nsecsElapsed() / 1e6;
    QObject::disconnect(succeeding);
    QObject::disconnect(failing);
    return succeeded ? ms : -1;
}

// One dialogue, RunScript to ScriptComplete.
double dialogue(TarnTelnet& control, const QString& script) {
    return timed(&control, &TarnTelnet::ScriptComplete, &TarnTelnet::ScriptError, [&] { control.RunScript(script); });
}

// One collection, its start to its record.
double collection(MonitorCore& core) {
    StatsCollector& stats = core.Stats();
    return timed(&stats, &StatsCollector::recordWritten, &StatsCollector::collectionFailed,
                 [&] { stats.CollectStats(); });
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("LW_SOURCE_DIR"))
        qputenv("LW_SOURCE_DIR", LW_SOURCE_DIR);
    RouterNamespace netns;
    if (!netns.ready()) {
        std::printf("skipped: %s\n", qPrintable(netns.whyUnavailable()));
        return 0;
    }
    BusyboxRouter router;
    if (!router.startSsh(netns.name(), netns.routerAddress())) {
        std::fprintf(stderr, "no SSH router: %s\n", qPrintable(router.whyUnavailable()));
        return 1;
    }
    QTemporaryDir dir;
    TarnTelnet control;
    control.setSshUser(QStringLiteral("root"));
    control.setSshPassword(QStringLiteral("Mango"));
    control.setSshKnownHosts(dir.filePath(QStringLiteral("known_hosts")));
    control.setSshAcceptNewHostKey(true);
    const QString script = StatsDialogue::sshScriptLines(netns.routerAddress()).join(QStringLiteral("\r\n"));

    const double first = dialogue(control, script); // the host key is remembered here
    QList<double> samples;
    qint64 settledRss = 0;
    qsizetype settledFds = 0;
    for (int run = 1; run <= Runs; ++run) {
        samples << dialogue(control, script);
        if (samples.last() < 0) {
            std::fprintf(stderr, "dialogue %d did not complete:\n%s", run, qPrintable(control.ConsoleLog()));
            return 1;
        }
        if (run == 10) {
            settledRss = statusKiB("VmRSS");
            settledFds = openDescriptors();
        }
    }
    std::sort(samples.begin(), samples.end());
    std::printf("first dialogue, new host key:      %7.1f ms\n", first);
    std::printf("one dialogue, start to end:        %7.1f ms median, %.1f ms slowest of %d\n", samples[Runs / 2],
                samples.last(), Runs);
    std::printf("resident memory, 10th/last:        %7lld / %lld KiB\n", settledRss, statusKiB("VmRSS"));
    std::printf("peak resident memory over %d:     %7lld KiB\n", Runs, statusKiB("VmHWM"));
    std::printf("open descriptors, 10th/last:       %7lld / %lld\n", qlonglong(settledFds),
                qlonglong(openDescriptors()));

    CoreRig rig;
    rig.host.settings.RouterIP = SshScheme + netns.routerAddress();
    const double firstCollection = collection(rig.core); // its host key is remembered here
    samples.clear();
    for (int run = 1; run <= Runs; ++run) {
        samples << collection(rig.core);
        if (samples.last() < 0) {
            std::fprintf(stderr, "collection %d left no record:\n%s", run,
                         qPrintable(rig.file(QStringLiteral("line-warden.log"))));
            return 1;
        }
    }
    std::sort(samples.begin(), samples.end());
    std::printf("first collection, new host key:    %7.1f ms\n", firstCollection);
    std::printf("one collection, start to record:   %7.1f ms median, %.1f ms slowest of %d\n", samples[Runs / 2],
                samples.last(), Runs);
    return 0;
}
