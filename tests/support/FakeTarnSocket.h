// SPDX-License-Identifier: MIT
// A scripted TarnSocket: the test says when the peer connects, what arrives
// and when things fail. Events are emitted at once (as if the event loop
// delivered them now) or posted, to be delivered by the engine's own pump.
#pragma once

#include "script_engine/TarnError.h"
#include "script_engine/TarnSocket.h"

#include <QList>
#include <QMetaObject>
#include <functional>

class FakeTarnSocket final : public TarnSocket {
    Q_OBJECT
public:
    int state = StateClosed;
    QString remoteHost;
    int remotePort = 0;
    QString connectPort; // the port text of the last Connect(host, port)
    int connectCount = 0;
    int closeCount = 0;
    bool sendingClosed = false; // CloseSending was called: the peer has read the end of the data
    QList<QByteArray> sent;
    QByteArray unread;
    bool postSendComplete = true;                  // each SendData posts a SendComplete
    bool refuseClose = false;                      // Close throws, as a component may in a bad state
    bool closeTakesEffect = true;                  // false: the state stays as it was after Close
    std::function<void(const QByteArray&)> onSend; // the peer's reaction to what was sent

    int State() const override { return state; }

    void Connect(const QString& host, const QString& port) override {
        connectPort = port;
        remoteHost = host;
        remotePort = port.toInt();
        Connect();
    }
    void Connect() override {
        if (state != StateClosed)
            throw TarnError{BadState, QStringLiteral("bad state")};
        ++connectCount;
        state = StateConnecting;
    }
    QString RemoteHost() const override { return remoteHost; }
    void SetRemoteHost(const QString& host) override { remoteHost = host; }
    int RemotePort() const override { return remotePort; }
    void SetRemotePort(int port) override { remotePort = port; }

    void SendData(const QByteArray& bytes) override {
        if (state != StateConnected)
            throw TarnError{BadState, QStringLiteral("Wrong protocol or connection state")};
        sent.append(bytes);
        if (postSendComplete)
            post([this] { emit SendComplete(); });
        if (onSend)
            onSend(bytes);
    }
    QByteArray GetData() override { return std::exchange(unread, {}); }
    void CloseSending() override {
        if (state != StateConnected || sendingClosed)
            throw TarnError{BadState, QStringLiteral("Wrong protocol or connection state")};
        sendingClosed = true;
    }
    void Close() override {
        ++closeCount;
        if (refuseClose)
            throw TarnError{BadState, QStringLiteral("refused to close")};
        if (closeTakesEffect) {
            state = StateClosed;
            unread.clear();
            sendingClosed = false;
        }
    }

    // The peer's side.
    void accept() {
        state = StateConnected;
        emit Connected();
    }
    void receive(const QByteArray& bytes) {
        unread += bytes;
        emit DataArrival();
    }
    void fail(int number, const QString& description) {
        state = StateFailed;
        emit Error(number, description);
    }
    void peerClose() {
        state = StatePeerClosing;
        emit PeerClosed();
    }
    void postReceive(const QByteArray& bytes) {
        post([this, bytes] { receive(bytes); });
    }
    QByteArray allSent() const { return sent.join(); }

private:
    void post(std::function<void()> event) { QMetaObject::invokeMethod(this, std::move(event), Qt::QueuedConnection); }
};
