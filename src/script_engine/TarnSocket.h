// SPDX-License-Identifier: MIT
// The TCP component the script engine reaches the network through. Its events
// (Connect, DataArrival, SendComplete, Error) are always delivered from the
// event loop, never from inside one of its own calls, so they reach the engine
// only where it lets events run.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include "TarnError.h"

class TarnSocket : public QObject {
    Q_OBJECT
public:
    // State numbers, as the engine logs them ("Socket state: N").
    enum StateNumber : int {
        StateClosed = 0,
        StateOpen = 1,
        StateListening = 2,
        StateConnectionPending = 3,
        StateResolvingHost = 4,
        StateHostResolved = 5,
        StateConnecting = 6,
        StateConnected = 7,
        StatePeerClosing = 8, // the peer closed its side; data already received can still be read
        StateFailed = 9,      // an Error event was delivered; stays so until Close
    };

    // Error numbers of the Error event and of refused operations.
    enum ErrorNumber : int {
        ConnectionRefused = 10061,
        TimedOut = 10060,
        NetworkUnreachable = 10051,
        ConnectionReset = 10054,
        HostNotFound = 11001,
        InvalidArgument = 10022,
        BadState = 40006,
        OtherFailure = 40000,
    };

    // The description of BadState.
    static inline const QString BadStateText =
        QStringLiteral("Wrong protocol or connection state for the requested transaction or request");

    using QObject::QObject;

    virtual int State() const = 0;

    // Starts an outgoing connection to host:port and returns at once.
    // Throws TarnError when not closed or when the port is not a number from 0 to 65535.
    virtual void Connect(const QString& remoteHost, const QString& remotePort) = 0;
    // Connects to RemoteHost():RemotePort(); Connect is raised when it is up.
    virtual void Connect() = 0;

    virtual QString RemoteHost() const = 0;
    // The address the connection reached: the remote host's name resolved.
    // A transport that cannot tell gives the remote host as set.
    virtual QString PeerAddress() const { return RemoteHost(); }
    virtual void SetRemoteHost(const QString& host) = 0;
    virtual int RemotePort() const = 0;
    virtual void SetRemotePort(int port) = 0;

    // Hands bytes to the network unchanged; SendComplete follows once they are gone.
    // Throws TarnError when not connected.
    virtual void SendData(const QByteArray& bytes) = 0;

    // Everything received and not yet read; removes it from the component.
    virtual QByteArray GetData() = 0;

    // Ends the sending side only, so the peer reads the end of the data, and
    // keeps listening for how the peer then closes: in order (PeerClosed),
    // or with a reset (Error ConnectionReset), as a peer does that stopped
    // reading early. Throws TarnError when not connected.
    virtual void CloseSending() = 0;

    // Closes; State() is 0 afterwards.
    virtual void Close() = 0;

protected:
    // The port of Connect(host, port); throws TarnError when it is not a number from 0 to 65535.
    static int PortNumber(const QString& remotePort) {
        bool ok = false;
        const uint port = remotePort.trimmed().toUInt(&ok);
        if (!ok || port > 65535)
            throw TarnError{InvalidArgument, QStringLiteral("Invalid port \"%1\"").arg(remotePort)};
        return int(port);
    }

signals:
    void Connected();
    void DataArrival();
    void SendComplete();
    void Error(int number, const QString& description);
    // The peer closed the connection (state 8); what it sent before has been delivered.
    void PeerClosed();
};
