// SPDX-License-Identifier: MIT
#include "MetricsEndpoint.h"

#include "ExportSettings.h"
#include "ExportText.h"
#include "RequestGate.h"

#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QTcpSocket>

namespace {
const QString MetricsPath = QStringLiteral("/metrics");
}

MetricsEndpoint::MetricsEndpoint(QString lineName, QObject* parent)
    : QAbstractHttpServer(parent), m_lineName(std::move(lineName)) {}

bool MetricsEndpoint::start(const QHostAddress& address, quint16 port) {
    auto* gate = new RequestGate(this);
    if (!gate->listen(address, port)) {
        qWarning("%s",
                 qPrintable(ExportText::CannotListen.arg(hostPortText(address.toString(), port), gate->errorString())));
        delete gate;
        return false;
    }
    bind(gate);
    m_gate = gate;
    return true;
}

quint16 MetricsEndpoint::port() const {
    return m_gate ? m_gate->serverPort() : 0;
}

void MetricsEndpoint::recordWritten(const LineStats& stats, const QString&, bool, const QDateTime& when) {
    m_snapshot.stats = stats;
    m_snapshot.recordedAt = when;
    ++m_snapshot.collectionsOk;
}

void MetricsEndpoint::collectionFailed(const QString&) {
    ++m_snapshot.collectionsFailed;
}

void MetricsEndpoint::pinged(bool up, qint32 roundTripMs) {
    m_snapshot.pingUp = up;
    if (up)
        m_snapshot.roundTripSeconds = roundTripMs / 1000.0;
}

bool MetricsEndpoint::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
    if (request.method() != QHttpServerRequest::Method::Get || request.url().path() != MetricsPath)
        return false;
    makeResponder(request, socket)
        .write(MetricsText::render(m_snapshot, m_lineName, QStringLiteral(LINEWARDEN_VERSION)),
               {{"Content-Type", MetricsText::ContentType}, {"Connection", "close"}});
    socket->disconnectFromHost();
    return true;
}

void MetricsEndpoint::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) {
    makeResponder(request, socket).write({{"Connection", "close"}}, QHttpServerResponder::StatusCode::NotFound);
    socket->disconnectFromHost();
}
