// SPDX-License-Identifier: MIT
// TarnSocket over an SSH shell channel with a pseudo-terminal, as a person's
// login would open it. The connection, the key exchange, the host-key check,
// the login and the channel requests each go as far as the network allows and
// resume when the descriptor is ready again, so the event loop never waits.
// Events are posted and delivered later, never from inside a call.
#pragma once

#include "TarnSocket.h"

#include <QHostAddress>
#include <QList>
#include <QMetaObject>

class QSocketNotifier;
struct ssh_session_struct;
struct ssh_channel_struct;
struct ssh_key_struct;

// The scheme of a HOST line that asks for SSH: "HOST ssh:192.0.2.1 22".
inline const QString SshScheme = QStringLiteral("ssh:");
inline constexpr int SshDefaultPort = 22;

// Who logs in over SSH and which host keys are trusted: set by the host of
// the script engine, never part of a script.
struct SshLogin {
    QString user;
    QString password;
    QString keyFile;               // a private key in OpenSSH's format, tried after the user's ssh-agent
    QString knownHosts;            // OpenSSH's format; empty: ~/.ssh/known_hosts
    bool acceptNewHostKey = false; // remember the key of a router the file does not know yet
};

class SshTarnSocket final : public TarnSocket {
    Q_OBJECT
public:
    // Error numbers of what only SSH can refuse; a refused or unreachable
    // connection gives the same numbers as telnet.
    enum SshErrorNumber : int {
        SshHandshakeFailed = 40100,
        SshHostKeyUnknown = 40101,
        SshHostKeyChanged = 40102,
        SshLoginRefused = 40103,
        SshShellRefused = 40104,
    };

    explicit SshTarnSocket(QObject* parent = nullptr);
    ~SshTarnSocket() override;

    SshLogin& Login() { return m_login; }
    const SshLogin& Login() const { return m_login; }

    int State() const override { return m_state; }
    void Connect(const QString& remoteHost, const QString& remotePort) override;
    void Connect() override;
    QString RemoteHost() const override { return m_remoteHost; }
    void SetRemoteHost(const QString& host) override { m_remoteHost = host; }
    int RemotePort() const override { return m_remotePort; }
    void SetRemotePort(int port) override { m_remotePort = port; }
    void SendData(const QByteArray& bytes) override;
    // Files are uploaded over FTP only: there is no sending side to close alone.
    void CloseSending() override { throw TarnError{BadState, BadStateText}; }
    // At most one slice of what arrived; the next is read once this one is taken.
    QByteArray GetData() override;
    void Close() override;

signals:
    // A line for the log that reports no failure: a new host key, a key file that cannot be used.
    void Notice(const QString& line);

private:
    enum class Phase { Idle, Resolving, Connecting, Handshake, Authenticating, OpeningChannel, Open, Ended };
    enum class Method { None, Agent, Key, Password };
    enum ChannelStep { OpenSession, RequestTerminal, StartShell, ChannelReady };

    void resolved(const QList<QHostAddress>& addresses, const QString& error);
    void startTcp(const QHostAddress& address);
    void tcpConnected();
    void step();
    bool advance();
    bool handshake();
    bool checkHostKey();
    bool authenticate();
    int tryMethod(Method method);
    void planMethods();
    bool openChannel();
    void exchange();
    void watch();
    void schedule();
    void fail(int number, const QString& description);
    void release();
    // Delivered from the event loop, unless the connection was closed meanwhile.
    template <typename Event> void post(Event event) {
        QMetaObject::invokeMethod(
            this,
            [this, generation = m_generation, event] {
                if (generation == m_generation)
                    event();
            },
            Qt::QueuedConnection);
    }
    QString hostPort() const;
    QString knownHostsFile() const;
    QString sshError() const;

    SshLogin m_login;
    int m_state = StateClosed;
    QString m_remoteHost;
    int m_remotePort = 0;
    // Events and steps queued for an earlier connection are dropped once it was closed.
    quint64 m_generation = 0;

    Phase m_phase = Phase::Idle;
    int m_lookupId = -1;
    int m_fd = -1;
    QSocketNotifier* m_readable = nullptr;
    QSocketNotifier* m_writable = nullptr;
    bool m_stepScheduled = false;
    ssh_session_struct* m_session = nullptr;
    ssh_channel_struct* m_channel = nullptr;
    int m_channelStep = OpenSession;

    QList<Method> m_methods; // still to try, in order
    QStringList m_tried;
    ssh_key_struct* m_key = nullptr;

    QByteArray m_received; // one slice, until GetData takes it
    bool m_arrivalPosted = false;
    QByteArray m_outgoing;
    bool m_sendPending = false;
};
