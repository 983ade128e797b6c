// SPDX-License-Identifier: MIT
#include "SshTarnSocket.h"

#include "KnownHostsFile.h"
#include "SshMessages.h"
#include "TarnError.h"

#include <QHostInfo>
#include <QSocketNotifier>

#include <libssh/libssh.h>

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace SshMessages;

namespace {

// What one DataArrival hands over. The rest waits in the channel, whose
// window stops the router once it is full, so memory stays bounded.
constexpr uint32_t Slice = 64 * 1024;

// Holds no key, and cannot be planted.
constexpr const char* NoKnownHosts = "/dev/null";

int errorNumber(int error) {
    switch (error) {
    case ECONNREFUSED:
        return TarnSocket::ConnectionRefused;
    case ENETUNREACH:
    case EHOSTUNREACH:
    case ENETDOWN:
    case EHOSTDOWN:
        return TarnSocket::NetworkUnreachable;
    case ETIMEDOUT:
        return TarnSocket::TimedOut;
    case ECONNRESET:
        return TarnSocket::ConnectionReset;
    default:
        return TarnSocket::OtherFailure;
    }
}

QString errorText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

SshTarnSocket::SshTarnSocket(QObject* parent) : TarnSocket(parent) {}

SshTarnSocket::~SshTarnSocket() {
    release();
}

void SshTarnSocket::Connect(const QString& remoteHost, const QString& remotePort) {
    m_remotePort = PortNumber(remotePort);
    m_remoteHost = remoteHost;
    Connect();
}

// An address is used as it stands; a name is looked up the way the telnet
// socket looks names up, without waiting for the answer.
void SshTarnSocket::Connect() {
    if (m_state != StateClosed)
        throw TarnError{BadState, BadStateText};
    const QHostAddress address(m_remoteHost);
    if (!address.isNull()) {
        startTcp(address);
        return;
    }
    m_state = StateResolvingHost;
    m_phase = Phase::Resolving;
    m_lookupId = QHostInfo::lookupHost(m_remoteHost, this, [this, generation = m_generation](const QHostInfo& info) {
        if (generation != m_generation)
            return;
        m_lookupId = -1;
        resolved(info.addresses(), info.errorString());
    });
}

// Routers are reached on IPv4 far more often; a name with both kinds of address gets its IPv4 one.
void SshTarnSocket::resolved(const QList<QHostAddress>& addresses, const QString& error) {
    if (addresses.isEmpty()) {
        fail(HostNotFound, error);
        return;
    }
    const auto v4 = std::find_if(addresses.begin(), addresses.end(), [](const QHostAddress& address) {
        return address.protocol() == QAbstractSocket::IPv4Protocol;
    });
    startTcp(v4 != addresses.end() ? *v4 : addresses.first());
}

void SshTarnSocket::startTcp(const QHostAddress& address) {
    m_state = StateConnecting;
    m_phase = Phase::Connecting;
    sockaddr_in v4{};
    sockaddr_in6 v6{};
    const bool isV6 = address.protocol() == QAbstractSocket::IPv6Protocol;
    if (isV6) {
        v6.sin6_family = AF_INET6;
        v6.sin6_port = htons(quint16(m_remotePort));
        const Q_IPV6ADDR bytes = address.toIPv6Address();
        std::memcpy(&v6.sin6_addr, bytes.c, sizeof bytes.c);
    } else {
        v4.sin_family = AF_INET;
        v4.sin_port = htons(quint16(m_remotePort));
        v4.sin_addr.s_addr = htonl(address.toIPv4Address());
    }
    m_fd = ::socket(isV6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_fd < 0) {
        fail(OtherFailure, errorText(errno));
        return;
    }
    const int connected = isV6 ? ::connect(m_fd, reinterpret_cast<const sockaddr*>(&v6), sizeof v6)
                               : ::connect(m_fd, reinterpret_cast<const sockaddr*>(&v4), sizeof v4);
    // Done or not, the outcome is read once the descriptor is writable.
    if (connected != 0 && errno != EINPROGRESS) {
        fail(errorNumber(errno), errorText(errno));
        return;
    }
    watch();
}

void SshTarnSocket::tcpConnected() {
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
        error = errno;
    if (error != 0) {
        fail(errorNumber(error), errorText(error));
        return;
    }
    m_session = ssh_new();
    if (!m_session) {
        fail(OtherFailure, errorText(ENOMEM));
        return;
    }
    // Only what is set here counts: no configuration file of the user's
    // steers the connection, and the one known-hosts file is the only trust.
    const QByteArray host = m_remoteHost.toUtf8();
    const QByteArray user = m_login.user.toUtf8();
    const bool processConfig = false;
    ssh_options_set(m_session, SSH_OPTIONS_PROCESS_CONFIG, &processConfig);
    ssh_options_set(m_session, SSH_OPTIONS_HOST, host.constData());
    ssh_options_set(m_session, SSH_OPTIONS_PORT, &m_remotePort);
    if (!user.isEmpty())
        ssh_options_set(m_session, SSH_OPTIONS_USER, user.constData());
    // libssh would open the known-hosts file by its name, following any link
    // and waiting on a FIFO: it is read here instead, and libssh given none.
    ssh_options_set(m_session, SSH_OPTIONS_KNOWNHOSTS, NoKnownHosts);
    ssh_options_set(m_session, SSH_OPTIONS_GLOBAL_KNOWNHOSTS, NoKnownHosts);
    m_knownKeys = KnownHostsFile::KnownKeys(knownHostsFile(), hostPort(), m_knownKeysWhy);
    // The key a router is known by is asked for first, so that a router that
    // has made itself a key of another kind since is still recognised.
    if (m_knownKeys && !m_knownKeys->isEmpty()) {
        QStringList algorithms;
        for (const KnownHostsFile::KnownKey& key : *m_knownKeys)
            algorithms << key.algorithms;
        algorithms.removeDuplicates();
        const QByteArray first = '^' + algorithms.join(u',').toLatin1();
        ssh_options_set(m_session, SSH_OPTIONS_HOSTKEYS, first.constData());
    }
    ssh_options_set(m_session, SSH_OPTIONS_FD, &m_fd);
    ssh_set_blocking(m_session, 0);
    m_phase = Phase::Handshake;
    step();
}

void SshTarnSocket::step() {
    while (advance()) {
    }
    watch();
}

// One phase as far as the network allows; true when the next can start at once.
bool SshTarnSocket::advance() {
    switch (m_phase) {
    case Phase::Handshake:
        return handshake();
    case Phase::Authenticating:
        return authenticate();
    case Phase::OpeningChannel:
        return openChannel();
    case Phase::Open:
        exchange();
        return false;
    default:
        return false;
    }
}

// Sends what waits, then reads one slice unless the last one was not taken yet.
void SshTarnSocket::exchange() {
    while (!m_outgoing.isEmpty()) {
        const int written = ssh_channel_write(m_channel, m_outgoing.constData(), uint32_t(m_outgoing.size()));
        if (written == SSH_ERROR) {
            fail(ConnectionReset, ConnectionLost.arg(sshError()));
            return;
        }
        if (written <= 0)
            break; // the router's window is full; its adjustment arrives with what it sends
        m_outgoing.remove(0, written);
    }
    if (m_sendPending && m_outgoing.isEmpty() && !(ssh_get_poll_flags(m_session) & SSH_WRITE_PENDING)) {
        m_sendPending = false;
        post([this] { emit SendComplete(); });
    }
    if (!m_received.isEmpty())
        return;
    m_received.resize(Slice);
    int read = ssh_channel_read_nonblocking(m_channel, m_received.data(), Slice, 0);
    if (read <= 0 && read != SSH_ERROR) {
        const int stderrRead = ssh_channel_read_nonblocking(m_channel, m_received.data(), Slice, 1);
        if (stderrRead > 0 || stderrRead == SSH_ERROR)
            read = stderrRead;
    }
    m_received.resize(std::max(read, 0));
    if (read > 0) {
        if (!m_arrivalPosted) {
            m_arrivalPosted = true;
            post([this] { emit DataArrival(); });
        }
        return;
    }
    // What the shell sent before it ended has been delivered by now.
    if (ssh_channel_is_eof(m_channel) || ssh_channel_is_closed(m_channel)) {
        m_phase = Phase::Ended;
        post([this] {
            m_state = StatePeerClosing;
            emit PeerClosed();
        });
        return;
    }
    if (read == SSH_ERROR)
        fail(ConnectionReset, ConnectionLost.arg(sshError()));
}

// Readable: the next step may go on. Writable: the connection is made, or
// the session has bytes to hand over.
void SshTarnSocket::watch() {
    const bool active = m_fd >= 0 && m_phase != Phase::Ended && m_phase != Phase::Idle;
    if (active && !m_readable) {
        m_readable = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
        m_writable = new QSocketNotifier(m_fd, QSocketNotifier::Write, this);
        connect(m_readable, &QSocketNotifier::activated, this, &SshTarnSocket::step);
        connect(m_writable, &QSocketNotifier::activated, this,
                [this] { m_phase == Phase::Connecting ? tcpConnected() : step(); });
    }
    if (!m_readable)
        return;
    const bool connecting = m_phase == Phase::Connecting;
    m_readable->setEnabled(active && !connecting && (m_phase != Phase::Open || m_received.isEmpty()));
    m_writable->setEnabled(active &&
                           (connecting || (m_session && (ssh_get_poll_flags(m_session) & SSH_WRITE_PENDING))));
}

void SshTarnSocket::schedule() {
    if (m_stepScheduled)
        return;
    m_stepScheduled = true;
    post([this] {
        m_stepScheduled = false;
        step();
    });
}

void SshTarnSocket::SendData(const QByteArray& bytes) {
    if (m_state != StateConnected)
        throw TarnError{BadState, BadStateText};
    m_outgoing += bytes;
    m_sendPending = true;
    schedule();
}

QByteArray SshTarnSocket::GetData() {
    m_arrivalPosted = false;
    QByteArray data = std::exchange(m_received, {});
    if (m_phase == Phase::Open)
        schedule();
    return data;
}

void SshTarnSocket::Close() {
    release();
    ++m_generation; // whatever the old connection still has queued is void now
    m_phase = Phase::Idle;
    m_state = StateClosed;
}

// The connection ends here; the Error event follows from the event loop.
void SshTarnSocket::fail(int number, const QString& description) {
    release();
    m_phase = Phase::Ended;
    post([this, number, description] {
        m_state = StateFailed;
        emit Error(number, description);
    });
}

// Frees the session at once: an abandoned connection holds nothing.
void SshTarnSocket::release() {
    if (m_lookupId >= 0) {
        QHostInfo::abortHostLookup(m_lookupId);
        m_lookupId = -1;
    }
    // The notifiers may be the senders of the signal being handled now.
    for (QSocketNotifier* notifier : {m_readable, m_writable}) {
        if (notifier) {
            notifier->setEnabled(false);
            notifier->disconnect(this);
            notifier->deleteLater();
        }
    }
    m_readable = m_writable = nullptr;
    if (m_key) {
        ssh_key_free(m_key);
        m_key = nullptr;
    }
    if (m_session) {
        ssh_disconnect(m_session);
        ssh_free(m_session); // its channel with it
        m_session = nullptr;
        m_channel = nullptr;
    }
    // A descriptor handed to libssh stays the caller's to close.
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_received = {};
    m_outgoing = {};
    m_arrivalPosted = m_sendPending = m_stepScheduled = false;
    m_methods.clear();
    m_tried.clear();
    m_knownKeys.reset();
    m_knownKeysWhy.clear();
    m_channelStep = OpenSession;
}

QString SshTarnSocket::hostPort() const {
    return KnownHostsFile::HostPort(m_remoteHost, m_remotePort);
}

QString SshTarnSocket::knownHostsFile() const {
    return m_login.knownHosts.isEmpty() ? KnownHostsFile::DefaultFile() : m_login.knownHosts;
}

QString SshTarnSocket::sshError() const {
    return m_session ? QString::fromUtf8(ssh_get_error(m_session)) : QString();
}
