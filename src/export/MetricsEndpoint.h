// SPDX-License-Identifier: MIT
// The metrics endpoint: GET /metrics answers with the line's metrics, every
// other request with 404. It keeps what the collections and probes report
// and renders it at each scrape, on the event loop. Each answer closes its
// connection, so that every request passes the RequestGate.
#pragma once

#include "MetricsText.h"

#include <QAbstractHttpServer>
#include <QHostAddress>

class RequestGate;

class MetricsEndpoint : public QAbstractHttpServer {
    Q_OBJECT

public:
    explicit MetricsEndpoint(QString lineName, QObject* parent = nullptr);

    // Listens on the address; false, with a warning in the log, when it cannot.
    bool start(const QHostAddress& address, quint16 port);
    // The port it listens on; 0 before start or after a failed one.
    quint16 port() const;

    const MetricsSnapshot& snapshot() const { return m_snapshot; }
    // The listening socket, once started.
    RequestGate* gate() const { return m_gate; }

public slots:
    void recordWritten(const LineStats& stats, const QString& pingStateText, bool changed, const QDateTime& when);
    void collectionFailed(const QString& reason);
    void pinged(bool up, qint32 roundTripMs);

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    QString m_lineName;
    MetricsSnapshot m_snapshot;
    RequestGate* m_gate = nullptr;
};
