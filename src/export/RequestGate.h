// SPDX-License-Identifier: MIT
// The listening socket of the metrics endpoint, which lets a connection reach
// the HTTP server only once it holds one whole, plain request. Whoever can
// reach the port can reach the program: a peer that sends huge or broken
// headers, a body, or never finishes, or that opens connection after
// connection, must cost no more than a few kilobytes and a few seconds, and
// must not keep a scraper out.
#pragma once

#include <QList>
#include <QTcpServer>
#include <chrono>

class QTcpSocket;

class RequestGate : public QTcpServer {
    Q_OBJECT

public:
    // A scrape's request is a few hundred bytes and comes at once.
    static constexpr qint64 MaxRequestBytes = 8192;
    // Connections still waiting for their request; a new one pushes out the oldest.
    static constexpr int MaxWaiting = 16;
    static constexpr std::chrono::milliseconds DefaultTimeLimit{5000};

    using QTcpServer::QTcpServer;

    // How long a connection may stay open at all.
    void setTimeLimit(std::chrono::milliseconds limit) { m_timeLimit = limit; }
    qsizetype waitingConnections() const { return m_waiting.size(); }

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    void inspect(QTcpSocket* socket);

    std::chrono::milliseconds m_timeLimit = DefaultTimeLimit;
    QList<QTcpSocket*> m_waiting;
};
