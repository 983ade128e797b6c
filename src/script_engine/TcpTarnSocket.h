// SPDX-License-Identifier: MIT
#pragma once

#include "TarnSocket.h"

#include <QSocketNotifier>
#include <QTcpSocket>
#include <memory>

// TarnSocket over QTcpSocket. The socket's signals reach this object queued,
// and the state the engine reads changes only when the matching event is
// delivered: data that arrived before the peer closed is read in state 7.
class TcpTarnSocket final : public TarnSocket {
    Q_OBJECT
public:
    explicit TcpTarnSocket(QObject* parent = nullptr);
    ~TcpTarnSocket() override;

    int State() const override { return m_state; }
    void Connect(const QString& remoteHost, const QString& remotePort) override;
    void Connect() override;
    QString RemoteHost() const override { return m_remoteHost; }
    QString PeerAddress() const override;
    void SetRemoteHost(const QString& host) override { m_remoteHost = host; }
    int RemotePort() const override { return m_remotePort; }
    void SetRemotePort(int port) override { m_remotePort = port; }
    void SendData(const QByteArray& bytes) override;
    QByteArray GetData() override;
    void CloseSending() override;
    void Close() override;

private:
    void onPeerEnd();
    void releaseEnding();

    void onConnected(quint64 generation);
    void onReadyRead(quint64 generation);
    void onBytesWritten(quint64 generation);
    void onDisconnected(quint64 generation);
    void onError(quint64 generation, QAbstractSocket::SocketError error, const QString& text);

    QTcpSocket m_socket;
    int m_state = StateClosed;
    QString m_remoteHost;
    int m_remotePort = 0;
    // Events queued for an earlier connection are dropped once it was closed.
    quint64 m_generation = 0;
    // After CloseSending: the connection's own descriptor, watched for the peer's end.
    std::intptr_t m_ending = -1;
    std::unique_ptr<QSocketNotifier> m_endNotifier;
};
