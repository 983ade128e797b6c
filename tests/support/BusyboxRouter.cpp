// SPDX-License-Identifier: MIT
#include "BusyboxRouter.h"

#include "Peers.h"

#include <QDir>
#include <QHostAddress>
#include <QProcess>
#include <QTcpServer>
#include <QUuid>

namespace {

constexpr int Attempts = 3;

QString script() {
    return Peers::sourceDir() + QStringLiteral("/tests/support/busybox-router.sh");
}

// A port nobody listens on right now; telnetd may still lose it to a race, so
// start() tries again with another.
quint16 freePort() {
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

QString newDir() {
    return QDir::tempPath() + QStringLiteral("/busybox-router-") + QUuid::createUuid().toString(QUuid::Id128);
}

QString statsOrSample(const QString& statsFile) {
    return statsFile.isEmpty() ? Peers::sourceDir() + QStringLiteral("/tools/router-sim/sample-stats.txt") : statsFile;
}

} // namespace

BusyboxRouter::~BusyboxRouter() {
    stop();
}

bool BusyboxRouter::start(const QString& statsFile, const QString& netns, const QString& address) {
    stop();
    const QString stats = statsOrSample(statsFile);
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        m_port = freePort();
        m_dir = newDir();
        if (m_port != 0 && runScript({QStringLiteral("start"), m_dir, QString::number(m_port), stats, netns, address}))
            return true;
        stop();
    }
    return false;
}

bool BusyboxRouter::startSsh(const QString& netns, const QString& address, const QString& authorizedKeys,
                             const QString& statsFile) {
    stop();
    m_dir = newDir();
    m_port = 22;
    if (runScript({QStringLiteral("start-ssh"), m_dir, address, netns, statsOrSample(statsFile), authorizedKeys}))
        return true;
    stop();
    return false;
}

bool BusyboxRouter::replaceStats(const QString& statsFile) {
    return !m_dir.isEmpty() && runScript({QStringLiteral("stats"), m_dir, statsFile});
}

bool BusyboxRouter::stallStats() {
    return !m_dir.isEmpty() && runScript({QStringLiteral("stall"), m_dir});
}

void BusyboxRouter::stop() {
    if (m_dir.isEmpty())
        return;
    const QString why = m_why;
    runScript({QStringLiteral("stop"), m_dir});
    m_why = why;
    m_dir.clear();
    m_port = 0;
}

bool BusyboxRouter::runScript(const QStringList& arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("bash"), QStringList{script()} + arguments);
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished(5000);
        m_why = QStringLiteral("busybox-router.sh did not finish");
        return false;
    }
    const QString output = QString::fromLocal8Bit(process.readAll()).trimmed();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        m_why = output.isEmpty() ? QStringLiteral("busybox-router.sh failed") : output;
        return false;
    }
    return true;
}
