// SPDX-License-Identifier: MIT
// The exports without their peers: the [Export] settings, the metrics text,
// the MQTT state message, the metrics endpoint against hostile peers, and the
// wiring to a collector and a ping monitor.
#include "CoreRig.h"
#include "ExportSettings.h"
#include "LineExport.h"
#include "MqttMessages.h"
#include "Peers.h"
#include "RequestGate.h"
#include "SampleStats.h"
#include "reachability/PingMonitor.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>
#include <QTimeZone>

class TestExport : public QObject {
    Q_OBJECT

private:
    // What the endpoint answers to one request: the status line's code, or
    // nothing when it closed the connection without an answer.
    QByteArray ask(const QByteArray& request) {
        QTcpSocket client;
        QByteArray answer;
        connect(&client, &QTcpSocket::readyRead, this, [&] { answer += client.readAll(); });
        client.connectToHost(QHostAddress::LocalHost, m_endpoint.port());
        client.write(request);
        [&] { QTRY_COMPARE_WITH_TIMEOUT(client.state(), QAbstractSocket::UnconnectedState, 5000); }();
        return answer.startsWith("HTTP/1.1 ") ? answer.mid(9, 3) : answer;
    }

    MetricsEndpoint m_endpoint{QStringLiteral("home")};

private slots:
    void initTestCase() {
        QVERIFY(m_endpoint.start(QHostAddress::LocalHost, 0));
        m_endpoint.gate()->setTimeLimit(std::chrono::milliseconds(500));
    }

    void settings_data() {
        QTest::addColumn<QStringList>("values"); // Metrics Address, Line Name, MQTT Broker, User, Password, Topic
        QTest::addColumn<QString>("metrics");
        QTest::addColumn<QString>("broker");
        QTest::addColumn<QString>("topic");
        QTest::addColumn<int>("problems");
        const auto row = [](const char* name, const QStringList& values, const char* metrics, const char* broker,
                            const char* topic, int problems) {
            QTest::newRow(name) << values << QString(metrics) << QString(broker) << QString(topic) << problems;
        };
        const char* host = "linewarden/myhost";
        row("nothing set", {}, "", "", host, 0);
        row("metrics on IPv4", {"127.0.0.1:9817"}, "127.0.0.1:9817", "", host, 0);
        row("metrics on IPv6", {"[::1]:9817"}, "[::1]:9817", "", host, 0);
        row("metrics without port", {"127.0.0.1"}, "", "", host, 1);
        row("metrics on port 0", {"127.0.0.1:0"}, "", "", host, 1);
        row("metrics port too big", {"127.0.0.1:65536"}, "", "", host, 1);
        row("metrics on a name", {"localhost:9817"}, "", "", host, 1);
        row("IPv6 without brackets", {"::1:9817"}, "", "", host, 1);
        row("broker on the default port", {"", "home", "broker.lan"}, "", "broker.lan:1883", "linewarden/home", 0);
        row("broker with a port", {"", "", "[::1]:8883"}, "", "[::1]:8883", host, 0);
        row("broker port not a number", {"", "", "broker.lan:x"}, "", "", host, 1);
        row("broker with a blank", {"", "", "bro ker"}, "", "", host, 1);
        row("topic with a wildcard", {"", "", "broker.lan", "", "", "lines/+"}, "", "", "lines/+", 1);
        row("own topic, trailing slash", {"", "", "broker.lan", "u", "p", "lines/attic/"}, "", "broker.lan:1883",
            "lines/attic", 0);
    }

    void settings() {
        QFETCH(QStringList, values);
        const ExportSettings settings = ExportSettings::fromValues(values, QStringLiteral("myhost"));
        QFETCH(QString, metrics);
        QCOMPARE(settings.metricsEnabled() ? hostPortText(settings.metricsAddress.toString(), settings.metricsPort)
                                           : QString(),
                 metrics);
        QTEST(settings.mqttEnabled() ? hostPortText(settings.brokerHost, settings.brokerPort) : QString(), "broker");
        QTEST(settings.topic, "topic");
        QTEST(int(settings.problems.size()), "problems");
    }

    void metrics_data() {
        QTest::addColumn<bool>("recorded");
        QTest::addColumn<QString>("dsRate");
        QTest::addColumn<int>("ping"); // -1 before the first result, 0 down, 1 up
        QTest::addColumn<QString>("lineName");
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QStringList>("absent");
        QTest::newRow("nothing known yet")
            << false << "8000" << -1 << "home"
            << QStringList{"# TYPE linewarden_collections_total counter\n",
                           "linewarden_collections_total{line=\"home\",result=\"ok\"} 0\n",
                           "linewarden_collections_total{line=\"home\",result=\"failed\"} 0\n",
                           "linewarden_build_info{line=\"home\",version=\"9.9\"} 1\n"}
            << QStringList{"linewarden_line_", "linewarden_ping_", "linewarden_last_record"};
        QTest::newRow("a record and an answered ping")
            << true << "8000" << 1 << "home"
            << QStringList{"# HELP linewarden_line_rate_bytes_per_second ",
                           "# TYPE linewarden_line_rate_bytes_per_second gauge\n",
                           "linewarden_line_rate_bytes_per_second{line=\"home\",direction=\"down\"} 1000000\n",
                           "linewarden_line_rate_bytes_per_second{line=\"home\",direction=\"up\"} 100000\n",
                           "linewarden_line_attenuation_decibels{line=\"home\",direction=\"down\"} 20.5\n",
                           "linewarden_line_snr_margin_decibels{line=\"home\",direction=\"up\"} 8\n",
                           "linewarden_ping_up{line=\"home\"} 1\n",
                           "linewarden_ping_rtt_seconds{line=\"home\"} 0.012\n",
                           "linewarden_collections_total{line=\"home\",result=\"ok\"} 1\n",
                           "linewarden_last_record_timestamp_seconds{line=\"home\"} 1796634300\n"}
            << QStringList{};
        QTest::newRow("unreadable rate left out")
            << true << "n/a" << 0 << "home"
            << QStringList{"linewarden_ping_up{line=\"home\"} 0\n", "linewarden_line_attenuation_decibels{"}
            << QStringList{"direction=\"down\"} 1000000", "linewarden_ping_rtt"};
        QTest::newRow("line name escaped")
            << false << "" << -1 << "attic \"2\"\\x" << QStringList{"{line=\"attic \\\"2\\\"\\\\x\",result=\"ok\"} 0\n"}
            << QStringList{};
    }

    void metrics() {
        QFETCH(bool, recorded);
        QFETCH(int, ping);
        MetricsSnapshot snapshot;
        if (recorded) {
            snapshot.stats = sampleStats();
            QFETCH(QString, dsRate);
            snapshot.stats->DsRate = dsRate;
            snapshot.recordedAt = QDateTime::fromSecsSinceEpoch(1796634300);
            snapshot.collectionsOk = 1;
        }
        if (ping >= 0)
            snapshot.pingUp = ping == 1;
        if (ping == 1)
            snapshot.roundTripSeconds = 0.012;
        QFETCH(QString, lineName);
        const QString text = QString::fromUtf8(MetricsText::render(snapshot, lineName, QStringLiteral("9.9")));
        QFETCH(QStringList, present);
        for (const QString& part : present)
            QVERIFY2(text.contains(part), qPrintable(part + QStringLiteral(" missing from:\n") + text));
        QFETCH(QStringList, absent);
        for (const QString& part : absent)
            QVERIFY2(!text.contains(part), qPrintable(part + QStringLiteral(" in:\n") + text));
    }

    void statePayload_data() {
        QTest::addColumn<LineStats>("stats");
        QTest::addColumn<QString>("ping");
        QTest::addColumn<bool>("changed");
        QTest::addColumn<int>("offset");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("a record an hour east of UTC")
            << sampleStats() << "Up" << true << 3600
            << QByteArray(R"({"time":"2026-12-07T09:05:00+01:00","downstream_rate_kbps":8000,
                "downstream_attenuation_db":20.5,"downstream_margin_db":12,"upstream_rate_kbps":800,
                "upstream_attenuation_db":10,"upstream_margin_db":8,"ping":"up","changed":true})");
        LineStats gaps = sampleStats();
        gaps.DsRate.clear();
        gaps.UsMargin = QStringLiteral("-");
        QTest::newRow("empty and unreadable fields, before the first ping, at UTC")
            << gaps << "" << false << 0
            << QByteArray(R"({"time":"2026-12-07T09:05:00+00:00","downstream_rate_kbps":null,
                "downstream_attenuation_db":20.5,"downstream_margin_db":12,"upstream_rate_kbps":800,
                "upstream_attenuation_db":10,"upstream_margin_db":null,"ping":null,"changed":false})");
        QTest::newRow("line down") << sampleStats() << "Down" << false << -18000
                                   << QByteArray(R"({"time":"2026-12-07T09:05:00-05:00","downstream_rate_kbps":8000,
                "downstream_attenuation_db":20.5,"downstream_margin_db":12,"upstream_rate_kbps":800,
                "upstream_attenuation_db":10,"upstream_margin_db":8,"ping":"down","changed":false})");
    }

    void statePayload() {
        QFETCH(LineStats, stats);
        QFETCH(QString, ping);
        QFETCH(bool, changed);
        QFETCH(int, offset);
        const QDateTime when(QDate(2026, 12, 7), QTime(9, 5), QTimeZone(offset));
        QFETCH(QByteArray, expected);
        QCOMPARE(QJsonDocument::fromJson(MqttMessages::statePayload(stats, ping, changed, when)).object(),
                 QJsonDocument::fromJson(expected).object());
    }

    void endpoint_data() {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("status"); // empty: closed without an answer
        const QByteArray scrape = "GET /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\nUser-Agent: Prometheus/2.42.0\r\n"
                                  "Accept: text/plain;version=0.0.4\r\nX-Prometheus-Scrape-Timeout-Seconds: 10\r\n\r\n";
        QTest::newRow("scrape") << scrape << QByteArray("200");
        QTest::newRow("scrape with a query, HTTP/1.0")
            << QByteArray("GET /metrics?a=1 HTTP/1.0\r\n\r\n") << QByteArray("200");
        QTest::newRow("other path") << QByteArray("GET /metrics/x HTTP/1.1\r\n\r\n") << QByteArray("404");
        QTest::newRow("POST") << QByteArray("POST /metrics HTTP/1.1\r\nContent-Length: 0\r\n\r\n") << QByteArray("404");
        QTest::newRow("HEAD") << QByteArray("HEAD /metrics HTTP/1.1\r\n\r\n") << QByteArray("404");
        QTest::newRow("TLS hello") << QByteArray("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03\r\n\r\n")
                                   << QByteArray();
        QTest::newRow("unknown method") << QByteArray("BREW /metrics HTTP/1.1\r\n\r\n") << QByteArray();
        QTest::newRow("binary in a header")
            << QByteArray("GET /metrics HTTP/1.1\r\nX: \x01\xff\r\n\r\n") << QByteArray();
        QTest::newRow("huge header") << "GET /metrics HTTP/1.1\r\nX: " + QByteArray(20000, 'a') + "\r\n\r\n"
                                     << QByteArray();
        QTest::newRow("a body") << QByteArray("POST /metrics HTTP/1.1\r\nContent-Length: 4\r\n\r\nabcd")
                                << QByteArray();
        QTest::newRow("chunked") << QByteArray("POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n") << QByteArray();
        QTest::newRow("two requests at once") << scrape + scrape << QByteArray();
        QTest::newRow("websocket upgrade") << QByteArray("GET /metrics HTTP/1.1\r\nConnection: Upgrade\r\n"
                                                         "Upgrade: websocket\r\n\r\n")
                                           << QByteArray();
        QTest::newRow("never finishes") << QByteArray("GET /metrics HTTP/1.1\r\nHost:") << QByteArray();
        QTest::newRow("bare line feeds") << QByteArray("GET /metrics HTTP/1.1\n\n") << QByteArray();
        QTest::newRow("scrape after all that") << scrape << QByteArray("200");
    }

    void endpoint() {
        QFETCH(QByteArray, request);
        QTEST(ask(request), "status");
    }

    void crowdDoesNotKeepScrapersOut() {
        std::vector<std::unique_ptr<QTcpSocket>> crowd;
        for (int i = 0; i < 3 * RequestGate::MaxWaiting; ++i) {
            crowd.push_back(std::make_unique<QTcpSocket>());
            crowd.back()->connectToHost(QHostAddress::LocalHost, m_endpoint.port());
        }
        QTRY_COMPARE(m_endpoint.gate()->waitingConnections(), qsizetype(RequestGate::MaxWaiting));
        QCOMPARE(ask("GET /metrics HTTP/1.1\r\n\r\n"), QByteArray("200"));
        QVERIFY(m_endpoint.gate()->waitingConnections() <= RequestGate::MaxWaiting);
    }

    void wiring() {
        const QStringList values{QStringLiteral("127.0.0.1:%1").arg(Peers::freeLoopbackPort()), QStringLiteral("home"),
                                 QStringLiteral("127.0.0.1:%1").arg(Peers::freeLoopbackPort())};
        LineExport exports(ExportSettings::fromValues(values, {}), QStringLiteral("Line Warden"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^MQTT: the broker at 127.0.0.1:")));
        QVERIFY(exports.start());
        CoreRig c;
        StatsCollector& collector = c.core.Stats();
        PingMonitor& monitor = c.core.Monitor();
        exports.connectTo(collector, monitor);
        QSignalSpy attempts(exports.mqtt(), &MqttPublisher::attemptFailed);

        emit collector.recordWritten(sampleStats(), QStringLiteral("Up"), false, QDateTime::currentDateTime());
        emit collector.collectionFailed(QStringLiteral("connection refused"));
        emit monitor.pinged(true, 12);
        emit monitor.pinged(false, 0);
        emit monitor.pingStateTextChanged(QStringLiteral("Down"));
        const MetricsSnapshot& snapshot = exports.metrics()->snapshot();
        QCOMPARE(snapshot.collectionsOk, 1u);
        QCOMPARE(snapshot.collectionsFailed, 1u);
        QVERIFY(snapshot.stats == sampleStats());
        QVERIFY(snapshot.pingUp == false);
        QVERIFY(snapshot.roundTripSeconds == 0.012);
        // A broker that is not there costs an attempt in the background, nothing more.
        QTRY_VERIFY(!attempts.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestExport)
#include "tst_export.moc"
