// SPDX-License-Identifier: MIT
// Tests that need a real peer (a telnet or FTP server, raw ICMP, an X server)
// skip when it is missing, unless LW_REQUIRE_PEERS=1 (as in CI): then they fail.
#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QHostAddress>
#include <QProcess>
#include <QString>
#include <QTcpServer>
#include <QTest>

namespace Peers {

inline bool required() {
    return qgetenv("LW_REQUIRE_PEERS") == "1";
}

// Where CMake put the executables (line-warden, tarn-run, router-sim, ...).
inline QString binDir() {
    return QString::fromLocal8Bit(qgetenv("LW_BIN_DIR"));
}

inline QString sourceDir() {
    return QString::fromLocal8Bit(qgetenv("LW_SOURCE_DIR"));
}

// A port of 127.0.0.1 that nothing listens on: bound once, then released.
// A connection to it is refused; a server may take it next.
inline quint16 freeLoopbackPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

// What a starting peer printed, read until it printed `marker`, stopped, or
// `ms` passed. The marker is in the result exactly when the peer is ready.
inline QByteArray waitForOutput(QProcess& process, const QByteArray& marker, int ms) {
    QByteArray output;
    const QDeadlineTimer deadline(ms);
    while (!output.contains(marker) && !deadline.hasExpired() && process.state() == QProcess::Running) {
        if (process.waitForReadyRead(int(deadline.remainingTime())))
            output += process.readAll();
    }
    return output;
}

// Ends a peer with SIGTERM, and with SIGKILL when it lingers past `ms`.
inline void stop(QProcess& process, int ms = 5000) {
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(ms)) {
        process.kill();
        process.waitForFinished(ms);
    }
}

} // namespace Peers

// Use inside a test function: skips or fails the test when the peer is missing.
#define LW_REQUIRE_PEER(available, why)                                                                                \
    do {                                                                                                               \
        if (!(available)) {                                                                                            \
            if (Peers::required())                                                                                     \
                QFAIL(qPrintable(QStringLiteral("peer required but missing: ") + (why)));                              \
            QSKIP(qPrintable(QStringLiteral("peer missing: ") + (why)));                                               \
        }                                                                                                              \
    } while (false)
