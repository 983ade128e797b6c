// SPDX-License-Identifier: MIT
// A plain TCP client for talking to a telnet peer byte by byte in tests:
// everything received is kept, and every wait has a time limit.
#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QHostAddress>
#include <QTcpSocket>

class LineClient {
public:
    bool connectTo(quint16 port, int timeoutMs = 5000) {
        m_socket.connectToHost(QHostAddress::LocalHost, port);
        return m_socket.waitForConnected(timeoutMs);
    }

    // Waits until text has arrived after the end of the last text waited for.
    // Returns false on timeout or when the peer closes first.
    bool waitFor(const QByteArray& text, int timeoutMs = 5000) {
        QDeadlineTimer deadline(timeoutMs);
        for (;;) {
            readPending();
            const qsizetype at = m_received.indexOf(text, m_mark);
            if (at >= 0) {
                m_mark = at + text.size();
                return true;
            }
            if (deadline.hasExpired() || m_socket.state() != QAbstractSocket::ConnectedState)
                return false;
            m_socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
        }
    }

    // Waits until the peer has closed the connection.
    bool waitForClose(int timeoutMs = 5000) {
        QDeadlineTimer deadline(timeoutMs);
        while (m_socket.state() == QAbstractSocket::ConnectedState && !deadline.hasExpired()) {
            if (!m_socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
                break;
            readPending();
        }
        readPending();
        return m_socket.state() != QAbstractSocket::ConnectedState;
    }

    // Waits up to timeoutMs for anything at all; true when something came.
    bool anythingWithin(int timeoutMs) {
        const qsizetype before = m_received.size();
        if (m_socket.bytesAvailable() == 0)
            m_socket.waitForReadyRead(timeoutMs);
        readPending();
        return m_received.size() > before;
    }

    // One write, one TCP segment as far as the kernel allows.
    void send(const QByteArray& bytes) {
        m_socket.write(bytes);
        m_socket.flush();
    }

    const QByteArray& received() const { return m_received; }
    // Everything received after the last text waited for.
    QByteArray sinceMark() const { return m_received.mid(m_mark); }
    QTcpSocket& socket() { return m_socket; }

private:
    void readPending() { m_received += m_socket.readAll(); }

    QTcpSocket m_socket;
    QByteArray m_received;
    qsizetype m_mark = 0;
};
