// SPDX-License-Identifier: MIT
#include "RequestGate.h"

#include <QList>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTimer>

namespace {

const QByteArray HeadEnd = "\r\n\r\n";

// The HTTP server leaves a connection it cannot parse open and unanswered,
// and meets a websocket upgrade with a warning in the log, so only requests
// it surely handles are let through: a common method, a path of URL
// characters, header lines of plain ASCII, and no body, upgrade or chunked
// transfer.
bool isPlainRequest(const QByteArray& head) {
    static const QRegularExpression requestLine(QStringLiteral(
        "^(GET|HEAD|POST|PUT|DELETE|OPTIONS|PATCH|TRACE) /[A-Za-z0-9._~:/?#\\[\\]@!$&'()*+,;=%-]* HTTP/1\\.[01]$"));
    static const QRegularExpression headerLine(QStringLiteral("^([!#$%&'*+.^_`|~0-9A-Za-z-]+):([\\t\\x20-\\x7e]*)$"));

    QList<QByteArray> lines = head.split('\n');
    lines.removeLast(); // what follows the last line break
    for (QByteArray& line : lines) {
        if (!line.endsWith('\r'))
            return false;
        line.chop(1);
    }
    if (lines.isEmpty() || !requestLine.match(QString::fromLatin1(lines.takeFirst())).hasMatch())
        return false;
    for (const QByteArray& line : lines) {
        const QRegularExpressionMatch header = headerLine.match(QString::fromLatin1(line));
        if (!header.hasMatch())
            return false;
        const QString name = header.captured(1).toLower();
        if (name == u"transfer-encoding" || name == u"upgrade")
            return false;
        if (name == u"content-length" && header.captured(2).trimmed() != u"0")
            return false;
    }
    return true;
}

} // namespace

void RequestGate::incomingConnection(qintptr descriptor) {
    auto* socket = new QTcpSocket(this);
    socket->setSocketDescriptor(descriptor);
    if (m_waiting.size() >= MaxWaiting)
        m_waiting.takeFirst()->abort();
    m_waiting.append(socket);
    connect(socket, &QObject::destroyed, this, [this, socket] { m_waiting.removeOne(socket); });
    // Holding back reads beyond the limit keeps a long request from growing in memory.
    socket->setReadBufferSize(MaxRequestBytes);
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    QTimer::singleShot(m_timeLimit, socket, &QTcpSocket::abort);
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { inspect(socket); });
}

void RequestGate::inspect(QTcpSocket* socket) {
    const QByteArray data = socket->peek(MaxRequestBytes);
    const qsizetype end = data.indexOf(HeadEnd);
    if (end < 0) {
        if (data.size() >= MaxRequestBytes)
            socket->abort();
        return;
    }
    // Anything after the head would reach the parser unchecked: a body, or a second request.
    if (data.size() != end + HeadEnd.size() || !isPlainRequest(data.left(end + 2))) {
        socket->abort();
        return;
    }
    disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
    m_waiting.removeOne(socket);
    addPendingConnection(socket);
    emit newConnection();
    // The request is already buffered: the HTTP server reads it on this signal.
    emit socket->readyRead();
}
