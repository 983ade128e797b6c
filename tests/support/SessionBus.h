// SPDX-License-Identifier: MIT
// A session bus of the test's own: dbus-daemon with a configuration that
// starts no services, listening in a temporary folder. Give its address to a
// program as DBUS_SESSION_BUS_ADDRESS, or connect to it with connection().
#pragma once

#include <QDBusConnection>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "Peers.h"

class SessionBus {
public:
    // True once the bus listens at address(); false also where dbus-daemon is missing.
    bool start() {
        QFile config(m_dir.filePath(QStringLiteral("bus.conf")));
        config.open(QIODevice::WriteOnly);
        config.write(
            QStringLiteral("<busconfig><type>session</type><listen>unix:dir=%1</listen><auth>EXTERNAL</auth>"
                           "<policy context=\"default\"><allow send_destination=\"*\"/><allow receive_sender=\"*\"/>"
                           "<allow own=\"*\"/>"
                           "</policy></busconfig>")
                .arg(m_dir.path())
                .toUtf8());
        config.close();
        m_daemon.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--config-file=") + config.fileName(),
                                                       QStringLiteral("--nofork"), QStringLiteral("--print-address")});
        if (m_daemon.waitForStarted())
            m_address = QString::fromUtf8(Peers::waitForOutput(m_daemon, "\n", 10000)).trimmed();
        return !m_address.isEmpty();
    }

    QString address() const { return m_address; }

    // The connection of that name to this bus.
    QDBusConnection connection(const QString& name) { return QDBusConnection::connectToBus(m_address, name); }

    ~SessionBus() {
        m_daemon.terminate();
        m_daemon.waitForFinished();
    }

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
};
