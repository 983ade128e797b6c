// SPDX-License-Identifier: MIT
// The exports against their real peers on loopback: Prometheus scrapes the
// metrics endpoint, and mosquitto receives the line, goes away and comes
// back, and sees the publisher leave.
#include "ExportPeers.h"
#include "FakeLineSources.h"
#include "LineExport.h"

#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

namespace {

const QString AppTitle = QStringLiteral("Line Warden");
const QString Promtool = QStringLiteral("/usr/bin/promtool");

// The line's collections and probes, driven by the test.
struct Line {
    FakeCollector collector;
    FakeMonitor monitor;

    void record(const LineStats& stats) {
        emit monitor.pinged(true, 12);
        emit monitor.pingStateTextChanged(QStringLiteral("Up"));
        emit collector.recordWritten(stats, QStringLiteral("Up"), true, QDateTime::currentDateTime());
    }
};

} // namespace

class TestExportPeers : public QObject {
    Q_OBJECT

private slots:
    void prometheusScrapes();
    void mosquittoReceives();
};

void TestExportPeers::prometheusScrapes() {
    LW_REQUIRE_PEER(QFileInfo::exists(PrometheusServer::Program) && QFileInfo::exists(Promtool),
                    QStringLiteral("prometheus and promtool (Debian package prometheus)"));
    const quint16 port = Peers::freeLoopbackPort();
    LineExport exports(ExportSettings::fromValues({QStringLiteral("127.0.0.1:%1").arg(port)}, {}), AppTitle);
    QVERIFY(exports.start());
    Line line;
    exports.connectTo(line.collector, line.monitor);
    line.record(sampleStats());
    emit line.collector.collectionFailed(QStringLiteral("connection refused"));

    QProcess promtool;
    promtool.setProcessChannelMode(QProcess::MergedChannels);
    promtool.start(Promtool, {QStringLiteral("check"), QStringLiteral("metrics")});
    promtool.write(httpGet(QUrl(QStringLiteral("http://127.0.0.1:%1/metrics").arg(port))));
    promtool.closeWriteChannel();
    QVERIFY(promtool.waitForFinished(10000));
    const QByteArray complaints = promtool.readAll();
    QVERIFY2(promtool.exitCode() == 0 && complaints.isEmpty(), complaints.constData());

    PrometheusServer prometheus;
    QVERIFY2(prometheus.start(port), qPrintable(prometheus.output()));
    QTRY_VERIFY_WITH_TIMEOUT(prometheus.query(QStringLiteral("up")) == 1.0, 20000);
    QVERIFY(prometheus.query(QStringLiteral("linewarden_line_rate_bytes_per_second{direction=\"down\"}")) ==
            8000 * 125.0);
}

void TestExportPeers::mosquittoReceives() {
    LW_REQUIRE_PEER(QFileInfo::exists(MosquittoBroker::Program) && QFileInfo::exists(MqttWatch::Program),
                    QStringLiteral("mosquitto and mosquitto_sub (Debian packages mosquitto, mosquitto-clients)"));
    MosquittoBroker broker;
    QVERIFY2(broker.start(Peers::freeLoopbackPort()), qPrintable(broker.output()));
    const QString address = QStringLiteral("127.0.0.1:%1").arg(broker.port());
    auto exports =
        std::make_unique<LineExport>(ExportSettings::fromValues({{}, QStringLiteral("home"), address}, {}), AppTitle);
    QSignalSpy connected(exports->mqtt(), &MqttPublisher::connected);
    QSignalSpy failed(exports->mqtt(), &MqttPublisher::attemptFailed);
    QVERIFY(exports->start());
    Line line;
    exports->connectTo(line.collector, line.monitor);
    QVERIFY(connected.wait(10000));
    line.record(sampleStats());

    const QString state = QStringLiteral("linewarden/home/state");
    const QString availability = QStringLiteral("linewarden/home/availability");
    {
        MqttWatch watch(broker.port());
        QTRY_COMPARE_WITH_TIMEOUT(watch.topics().size(), qsizetype(10), 10000); // 7 configs, state, ping, availability
        const QJsonObject record = watch.json(state);
        QCOMPARE(record[u"downstream_rate_kbps"].toDouble(), 8000.0);
        QCOMPARE(record[u"upstream_attenuation_db"].toDouble(), 10.0);
        QCOMPARE(record[u"ping"].toString(), QStringLiteral("up"));
        QCOMPARE(watch.payload(QStringLiteral("linewarden/home/ping")), QByteArray("up"));
        QCOMPARE(watch.payload(availability), QByteArray("online"));
        int sensors = 0;
        for (const QString& topic : watch.topics()) {
            if (!topic.startsWith(QStringLiteral("homeassistant/")))
                continue;
            const QJsonObject config = watch.json(topic);
            const QString id = config[u"unique_id"].toString();
            QCOMPARE(topic.section(u'/', 2, 2), id);
            QCOMPARE(config[u"object_id"].toString(), id);
            QCOMPARE(config[u"device"][u"identifiers"][0].toString(), QStringLiteral("linewarden_home"));
            QCOMPARE(config[u"availability_topic"].toString(), availability);
            if (topic.startsWith(QStringLiteral("homeassistant/binary_sensor/"))) {
                QCOMPARE(config[u"device_class"].toString(), QStringLiteral("connectivity"));
                QCOMPARE(config[u"payload_on"].toString() + config[u"payload_off"].toString(),
                         QStringLiteral("updown"));
                continue;
            }
            ++sensors;
            QCOMPARE(config[u"state_topic"].toString(), state);
            QCOMPARE(config[u"state_class"].toString(), QStringLiteral("measurement"));
            // Each template reads a field the state message has, in the unit the sensor claims.
            const QString field = config[u"value_template"].toString().section(u'.', 1).section(u' ', 0, 0);
            QVERIFY2(record.contains(field), qPrintable(field));
            QCOMPARE(config[u"unit_of_measurement"].toString(),
                     field.endsWith(QStringLiteral("_kbps")) ? QStringLiteral("kbit/s") : QStringLiteral("dB"));
        }
        QCOMPARE(sensors, 6);
    }

    // The broker goes away: one warning however many attempts fail, and the
    // record written meanwhile arrives when it is back.
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^MQTT: the broker at .* cannot be reached")));
    QTest::failOnWarning(QRegularExpression(QStringLiteral("^MQTT:")));
    broker.stop();
    QTRY_VERIFY_WITH_TIMEOUT(failed.size() >= 3, 15000);
    LineStats later = sampleStats();
    later.DsRate = QStringLiteral("7000");
    emit line.collector.recordWritten(later, QStringLiteral("Up"), false, QDateTime::currentDateTime());
    QVERIFY2(broker.start(broker.port()), qPrintable(broker.output()));
    QTRY_COMPARE_WITH_TIMEOUT(connected.size(), 2, 15000);
    MqttWatch watch(broker.port());
    QTRY_COMPARE_WITH_TIMEOUT(watch.json(state)[u"downstream_rate_kbps"].toDouble(), 7000.0, 10000);
    QTRY_COMPARE(watch.payload(availability), QByteArray("online"));

    exports.reset();
    QTRY_COMPARE_WITH_TIMEOUT(watch.payload(availability), QByteArray("offline"), 10000);
}

QTEST_GUILESS_MAIN(TestExportPeers)
#include "tst_export_peers.moc"
