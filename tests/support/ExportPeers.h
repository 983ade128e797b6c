// SPDX-License-Identifier: MIT
// The real peers of the exports, each started by a test on a free loopback
// port with a configuration and storage of its own: Debian's mosquitto broker,
// mosquitto_sub reading it, and a Prometheus server scraping an endpoint.
#pragma once

#include "FileBytes.h"
#include "Peers.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrlQuery>
#include <optional>

// GET on url within five seconds; empty when it failed.
inline QByteArray httpGet(const QUrl& url) {
    QNetworkAccessManager manager;
    QNetworkReply* reply = manager.get(QNetworkRequest(url));
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    const QByteArray body = reply->error() == QNetworkReply::NoError ? reply->readAll() : QByteArray();
    reply->abort();
    reply->deleteLater();
    return body;
}

// A program that runs for one test and is stopped with it.
class PeerProcess {
public:
    ~PeerProcess() { stop(); }

    // Starts the program and waits until it prints readyMarker.
    bool start(const QString& program, const QStringList& arguments, const QByteArray& readyMarker) {
        stop();
        m_process.setProgram(program);
        m_process.setArguments(arguments);
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start();
        m_process.waitForStarted(5000);
        m_output = Peers::waitForOutput(m_process, readyMarker, 15000);
        return m_output.contains(readyMarker);
    }
    void stop() { Peers::stop(m_process); }
    QString output() const { return QString::fromLocal8Bit(m_output); }
    QProcess& process() { return m_process; }

private:
    QProcess m_process;
    QByteArray m_output;
};

// Debian's mosquitto broker on 127.0.0.1, without persistence: a restart forgets every retained message.
class MosquittoBroker {
public:
    static inline const QString Program = QStringLiteral("/usr/sbin/mosquitto");

    bool start(quint16 port) {
        m_port = port;
        const QString config = m_dir.filePath(QStringLiteral("mosquitto.conf"));
        return writeFile(config, "listener " + QByteArray::number(port) +
                                     " 127.0.0.1\nallow_anonymous true\nlog_dest stderr\nuser root\n") &&
               m_peer.start(Program, {QStringLiteral("-c"), config}, " running");
    }
    void stop() { m_peer.stop(); }
    quint16 port() const { return m_port; }
    QString output() const { return m_peer.output(); }

private:
    QTemporaryDir m_dir;
    PeerProcess m_peer;
    quint16 m_port = 0;
};

// mosquitto_sub on every topic of a broker: the last payload seen on each.
class MqttWatch {
public:
    static inline const QString Program = QStringLiteral("/usr/bin/mosquitto_sub");

    explicit MqttWatch(quint16 port) {
        QObject::connect(&m_peer.process(), &QProcess::readyRead, [this] { read(); });
        m_peer.start(Program,
                     {QStringLiteral("-h"), QStringLiteral("127.0.0.1"), QStringLiteral("-p"), QString::number(port),
                      QStringLiteral("-v"), QStringLiteral("-t"), QStringLiteral("#")},
                     {});
    }
    QByteArray payload(const QString& topic) const { return m_last.value(topic); }
    QJsonObject json(const QString& topic) const { return QJsonDocument::fromJson(payload(topic)).object(); }
    QStringList topics() const { return m_last.keys(); }

private:
    void read() {
        m_pending += m_peer.process().readAll();
        qsizetype end;
        while ((end = m_pending.indexOf('\n')) >= 0) {
            const QByteArray line = m_pending.left(end);
            m_pending.remove(0, end + 1);
            const qsizetype blank = line.indexOf(' ');
            m_last.insert(QString::fromUtf8(line.left(blank)), blank < 0 ? QByteArray() : line.mid(blank + 1));
        }
    }

    PeerProcess m_peer;
    QByteArray m_pending;
    QMap<QString, QByteArray> m_last;
};

// Debian's Prometheus server scraping one target every second.
class PrometheusServer {
public:
    static inline const QString Program = QStringLiteral("/usr/bin/prometheus");

    bool start(quint16 targetPort) {
        m_port = Peers::freeLoopbackPort();
        const QString config = m_dir.filePath(QStringLiteral("prometheus.yml"));
        return writeFile(config, "global:\n  scrape_interval: 1s\nscrape_configs:\n  - job_name: linewarden\n"
                                 "    static_configs:\n      - targets: ['127.0.0.1:" +
                                     QByteArray::number(targetPort) + "']\n") &&
               m_peer.start(Program,
                            {QStringLiteral("--config.file=") + config,
                             QStringLiteral("--storage.tsdb.path=") + m_dir.filePath(QStringLiteral("data")),
                             QStringLiteral("--web.listen-address=127.0.0.1:%1").arg(m_port)},
                            "Server is ready to receive web requests.");
    }

    // The value of an instant query with one result, from the HTTP query API.
    std::optional<double> query(const QString& expression) const {
        QUrl url(QStringLiteral("http://127.0.0.1:%1/api/v1/query").arg(m_port));
        url.setQuery(QUrlQuery{{QStringLiteral("query"), expression}});
        const QJsonArray result = QJsonDocument::fromJson(httpGet(url)).object()[u"data"][u"result"].toArray();
        if (result.size() != 1)
            return std::nullopt;
        return result[0][u"value"][1].toString().toDouble();
    }
    QString output() const { return m_peer.output(); }

private:
    QTemporaryDir m_dir;
    PeerProcess m_peer;
    quint16 m_port = 0;
};
