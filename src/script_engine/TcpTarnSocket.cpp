// SPDX-License-Identifier: MIT
#include "TcpTarnSocket.h"

#include <QMetaObject>

namespace {

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

void TcpTarnSocket::SendData(const QByteArray& bytes) {
    if (m_state != StateConnected)
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

void TcpTarnSocket::Close() {
    m_socket.abort();
    ++m_generation; // whatever the old connection still has queued is void now
    m_state = StateClosed;
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
