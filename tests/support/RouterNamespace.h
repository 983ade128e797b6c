// SPDX-License-Identifier: MIT
// A network namespace of the test's own for a router, joined to this one by a
// veth pair: the router's address is reached as a router on the LAN is,
// through an interface, on its real ports. The /30 of the benchmarking range
// 198.18.0.0/15 is chosen by process id, so that tests running side by side
// do not share one. Needs root and iproute2.
#pragma once

#include <QProcess>
#include <QString>
#include <unistd.h>

class RouterNamespace {
public:
    RouterNamespace() {
        if (::geteuid() != 0) {
            m_why = QStringLiteral("a network namespace needs root");
            return;
        }
        const quint32 pid = quint32(::getpid());
        const quint32 base = (198u << 24 | 18u << 16) + (pid % 32768u) * 4u;
        m_name = QStringLiteral("lw-router-%1").arg(pid);
        m_routerAddress = dotted(base + 2);
        const QString here = QStringLiteral("lwh%1").arg(pid);
        const QString there = QStringLiteral("lwr%1").arg(pid);
        const QString hostAddress = dotted(base + 1) + QStringLiteral("/30");
        const bool made = ip({"netns", "add", m_name}) && ip({"-n", m_name, "link", "set", "lo", "up"}) &&
                          ip({"link", "add", here, "type", "veth", "peer", "name", there, "netns", m_name}) &&
                          ip({"addr", "add", hostAddress, "dev", here}) && ip({"link", "set", here, "up"}) &&
                          ip({"-n", m_name, "addr", "add", m_routerAddress + QStringLiteral("/30"), "dev", there}) &&
                          ip({"-n", m_name, "link", "set", there, "up"});
        if (!made)
            m_why = QStringLiteral("could not make the network namespace %1 (iproute2)").arg(m_name);
    }
    RouterNamespace(const RouterNamespace&) = delete;
    RouterNamespace& operator=(const RouterNamespace&) = delete;
    // The veth pair goes with the namespace.
    ~RouterNamespace() {
        if (!m_name.isEmpty())
            QProcess::execute(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("del"), m_name});
    }

    bool ready() const { return m_why.isEmpty(); }
    QString whyUnavailable() const { return m_why; }
    QString name() const { return m_name; }
    QString routerAddress() const { return m_routerAddress; }

private:
    static QString dotted(quint32 address) {
        return QStringLiteral("%1.%2.%3.%4")
            .arg(address >> 24)
            .arg(address >> 16 & 0xFF)
            .arg(address >> 8 & 0xFF)
            .arg(address & 0xFF);
    }
    static bool ip(const QStringList& arguments) { return QProcess::execute(QStringLiteral("ip"), arguments) == 0; }

    QString m_name;
    QString m_routerAddress;
    QString m_why;
};
