// SPDX-License-Identifier: MIT
// The real peer: busybox telnetd, login and ash in a chroot, as routers run
// them, on a free port of 127.0.0.1; or dropbear in front of the same shell,
// on port 22 of an address in a network namespace. Needs root;
// whyUnavailable() says what is missing otherwise.
#pragma once

#include <QString>

class BusyboxRouter {
public:
    BusyboxRouter() = default;
    BusyboxRouter(const BusyboxRouter&) = delete;
    BusyboxRouter& operator=(const BusyboxRouter&) = delete;
    ~BusyboxRouter();

    // Builds the chroot (with the given statistics file, or the sample one)
    // and starts telnetd on a free port of 127.0.0.1, or of address in the
    // named network namespace if one is given. Returns once it listens.
    bool start(const QString& statsFile = {}, const QString& netns = {}, const QString& address = {});
    // Builds the chroot with a new host key and starts dropbear on address:22
    // inside netns. root logs in with the telnet password or a key of authorizedKeys.
    bool startSsh(const QString& netns, const QString& address, const QString& authorizedKeys = {},
                  const QString& statsFile = {});
    // Gives the running router this statistics file; sessions started from now on read it.
    bool replaceStats(const QString& statsFile);
    // Makes reading the statistics wait until the session ends (a FIFO nobody writes).
    bool stallStats();
    // Kills telnetd and its sessions and removes the chroot.
    void stop();

    quint16 port() const { return m_port; }
    QString whyUnavailable() const { return m_why; }

private:
    bool runScript(const QStringList& arguments);

    QString m_dir;
    quint16 m_port = 0;
    QString m_why;
};
