// SPDX-License-Identifier: MIT
// Starts build/bin/router-sim on a free loopback port for one test and stops it
// with the test. Usable from any QtTest.
#pragma once

#include "Peers.h"

#include <QProcess>
#include <QStringList>

class RouterSim {
public:
    RouterSim() = default;
    RouterSim(const RouterSim&) = delete;
    RouterSim& operator=(const RouterSim&) = delete;
    ~RouterSim() { stop(); }

    // Starts router-sim with these options (--port 0 is added) and waits, at
    // most five seconds, for its "listening on 127.0.0.1:PORT" line.
    bool start(const QStringList& options = {}) {
        stop();
        m_process.setProgram(Peers::binDir() + QStringLiteral("/router-sim"));
        m_process.setArguments(QStringList{QStringLiteral("--port"), QStringLiteral("0")} + options);
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.start();
        if (!m_process.waitForStarted(5000))
            return false;
        const QByteArray prefix = "listening on 127.0.0.1:";
        const QByteArray output = Peers::waitForOutput(m_process, "\n", 5000);
        bool ok = false;
        const QByteArray line = output.left(output.indexOf('\n')).trimmed();
        if (line.startsWith(prefix))
            m_port = line.mid(prefix.size()).toUShort(&ok);
        if (!ok) {
            m_error = QString::fromLocal8Bit(output + m_process.readAllStandardError());
            stop();
        }
        return ok;
    }

    void stop() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    quint16 port() const { return m_port; }
    // What router-sim said when it did not start.
    QString error() const { return m_error; }

private:
    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
};
