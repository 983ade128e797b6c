// SPDX-License-Identifier: MIT
#include "TcpTarnSocket.h"

#include "HalfClose.h"

#include <QHostAddress>
#include <QMetaObject>

namespace {

// What Qt may read ahead of the engine: beyond it a fast peer waits in the
// kernel's buffers instead of in this process's memory.
constexpr qint64 ReadAheadBytes = 1 << 20;

int errorNumber(QAbstractSocket::SocketError error) {
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return TarnSocket::ConnectionRefused;
    case QAbstractSocket::HostNotFoundError:
        return TarnSocket::HostNotFound;
    case QAbstractSocket::SocketTimeoutError:
        return TarnSocket::TimedOut;
    case QAbstractSocket::NetworkError:
        return TarnSocket::NetworkUnreachable;
    default:
        return TarnSocket::OtherFailure;
    }
}

} // namespace

TcpTarnSocket::TcpTarnSocket(QObject* parent) : TarnSocket(parent) {
    m_socket.setReadBufferSize(ReadAheadBytes);
    // Each signal is forwarded with the connection it belongs to and handled
    // later from the event loop; see m_generation.
    auto later = [this](auto handler) {
        return [this, handler](auto... args) {
            const quint64 generation = m_generation;
            QMetaObject::invokeMethod(
                this, [this, handler, generation, args...] { (this->*handler)(generation, args...); },
                Qt::QueuedConnection);
        };
    };
    connect(&m_socket, &QTcpSocket::connected, this, later(&TcpTarnSocket::onConnected));
    connect(&m_socket, &QTcpSocket::readyRead, this, later(&TcpTarnSocket::onReadyRead));
    connect(&m_socket, &QTcpSocket::bytesWritten, this,
            [this, forward = later(&TcpTarnSocket::onBytesWritten)](qint64) { forward(); });
    connect(&m_socket, &QTcpSocket::disconnected, this, later(&TcpTarnSocket::onDisconnected));
    connect(&m_socket, &QTcpSocket::errorOccurred, this,
            [this, forward = later(&TcpTarnSocket::onError)](QAbstractSocket::SocketError error) {
                forward(error, m_socket.errorString());
            });
}

void TcpTarnSocket::Connect(const QString& remoteHost, const QString& remotePort) {
    m_remotePort = PortNumber(remotePort);
    m_remoteHost = remoteHost;
    Connect();
}

void TcpTarnSocket::Connect() {
    if (m_state != StateClosed)
        throw TarnError{BadState, BadStateText};
    m_state = StateConnecting;
    m_socket.connectToHost(m_remoteHost, quint16(m_remotePort));
}

TcpTarnSocket::~TcpTarnSocket() {
    releaseEnding();
}

// An address mapped into IPv6 is given as the IPv4 address it stands for.
QString TcpTarnSocket::PeerAddress() const {
    QHostAddress peer = m_socket.peerAddress();
    bool v4 = false;
    if (const quint32 address = peer.toIPv4Address(&v4); v4)
        peer = QHostAddress(address);
    return peer.isNull() ? m_remoteHost : peer.toString();
}

void TcpTarnSocket::SendData(const QByteArray& bytes) {
    if (m_state != StateConnected || m_ending >= 0)
        throw TarnError{BadState, BadStateText};
    if (bytes.isEmpty()) {
        // Writing nothing raises no bytesWritten, yet the send is complete: an
        // empty upload must still close its data connection.
        QMetaObject::invokeMethod(
            this, [this, generation = m_generation] { onBytesWritten(generation); }, Qt::QueuedConnection);
        return;
    }
    m_socket.write(bytes);
}

QByteArray TcpTarnSocket::GetData() {
    return m_socket.readAll();
}

// Qt's socket is given up for a descriptor of the connection's own, which
// reads the peer's reset as one; Qt's events from before are void from here.
void TcpTarnSocket::CloseSending() {
    if (m_state != StateConnected || m_ending >= 0)
        throw TarnError{BadState, BadStateText};
    std::string why;
    const std::intptr_t own = HalfClose::EndSending(m_socket.socketDescriptor(), why);
    if (own < 0)
        throw TarnError{OtherFailure, QString::fromLocal8Bit(why)};
    m_socket.abort();
    ++m_generation;
    m_ending = own;
    m_endNotifier = std::make_unique<QSocketNotifier>(own, QSocketNotifier::Read);
    connect(m_endNotifier.get(), &QSocketNotifier::activated, this, &TcpTarnSocket::onPeerEnd);
}

void TcpTarnSocket::Close() {
    m_socket.abort();
    releaseEnding();
    ++m_generation; // whatever the old connection still has queued is void now
    m_state = StateClosed;
}

void TcpTarnSocket::releaseEnding() {
    if (m_ending < 0)
        return;
    m_endNotifier.reset();
    HalfClose::Release(m_ending);
    m_ending = -1;
}

// Reported from the event loop like every other event, never from inside the
// notifier, which a handler's Close() deletes.
void TcpTarnSocket::onPeerEnd() {
    std::string why;
    const HalfClose::PeerEnd end = HalfClose::ReadPeerEnd(m_ending, why);
    if (end == HalfClose::PeerEnd::NotYet)
        return;
    m_endNotifier->setEnabled(false);
    QMetaObject::invokeMethod(
        this,
        [this, end, why = QString::fromLocal8Bit(why), generation = m_generation] {
            if (generation != m_generation)
                return;
            if (end == HalfClose::PeerEnd::Orderly) {
                m_state = StatePeerClosing;
                emit PeerClosed();
            } else {
                m_state = StateFailed;
                emit Error(ConnectionReset, why);
            }
        },
        Qt::QueuedConnection);
}

void TcpTarnSocket::onConnected(quint64 generation) {
    if (generation != m_generation)
        return;
    m_state = StateConnected;
    emit Connected();
}

void TcpTarnSocket::onReadyRead(quint64 generation) {
    if (generation == m_generation && m_socket.bytesAvailable() > 0)
        emit DataArrival();
}

void TcpTarnSocket::onBytesWritten(quint64 generation) {
    if (generation == m_generation && m_socket.bytesToWrite() == 0)
        emit SendComplete();
}

void TcpTarnSocket::onDisconnected(quint64 generation) {
    if (generation != m_generation || m_state != StateConnected)
        return;
    m_state = StatePeerClosing;
    emit PeerClosed();
}

void TcpTarnSocket::onError(quint64 generation, QAbstractSocket::SocketError error, const QString& text) {
    // A peer that closes its side is not a failure: it shows as state 8.
    if (generation != m_generation || error == QAbstractSocket::RemoteHostClosedError)
        return;
    m_state = StateFailed;
    emit Error(errorNumber(error), text);
}
