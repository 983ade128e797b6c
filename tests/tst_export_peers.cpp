// SPDX-License-Identifier: MIT
// The headless program against real peers. It collects from the busybox
// router in a network namespace of the test's own and pings the router across
// the link, so that the test makes the line change by having the router
// ignore echoes. Prometheus scrapes it; mosquitto receives the line, goes away
// and comes back, and sees the program leave when SIGTERM ends it in the
// middle of a collection. What it told standard error has the journal's form.
#include "BusyboxRouter.h"
#include "ExportPeers.h"
#include "HeadlessProgram.h"
#include "RouterNamespace.h"
#include "text/StatsCsv.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>

namespace {

const QString Promtool = QStringLiteral("/usr/bin/promtool");
constexpr int RecordWaitMs = 20000;
// A collection that waits is given up after 15 s; ending must not wait for that.
constexpr int EndWaitMs = 5000;

} // namespace

class TestExportPeers : public QObject {
    Q_OBJECT

private:
    // The router answers echoes or ignores them; the ping follows within a second or two.
    void answerEchoes(bool answer) {
        QCOMPARE(
            QProcess::execute(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("exec"), m_netns.name(),
                                                     QStringLiteral("sysctl"), QStringLiteral("-qw"),
                                                     QStringLiteral("net.ipv4.icmp_echo_ignore_all=%1").arg(!answer)}),
            0);
    }
    // The records of stats.csv, each split into its fields.
    QList<QList<QByteArray>> records() const {
        QList<QList<QByteArray>> split;
        for (const QByteArray& line : m_program.file(StatsCsv::FileName).split('\n')) {
            if (!line.trimmed().isEmpty())
                split << line.trimmed().split(StatsCsv::Separator);
        }
        return split;
    }
    static double number(const QByteArray& field) {
        return StatsCsv::NumberOf(QString::fromLatin1(field)).value_or(-1);
    }

    RouterNamespace m_netns;
    BusyboxRouter m_router;
    MosquittoBroker m_broker;
    HeadlessProgram m_program;
    quint16 m_metricsPort = 0;

private slots:
    void cleanupTestCase() { m_router.stop(); }

    void initTestCase() {
        LW_REQUIRE_PEER(QFileInfo::exists(PrometheusServer::Program) && QFileInfo::exists(Promtool),
                        QStringLiteral("prometheus and promtool (Debian package prometheus)"));
        LW_REQUIRE_PEER(QFileInfo::exists(MosquittoBroker::Program) && QFileInfo::exists(MqttWatch::Program),
                        QStringLiteral("mosquitto and mosquitto_sub (Debian packages mosquitto, mosquitto-clients)"));
        LW_REQUIRE_PEER(m_netns.ready(), m_netns.whyUnavailable());
        const QString router = m_netns.routerAddress();
        LW_REQUIRE_PEER(m_router.start({}, m_netns.name(), router), m_router.whyUnavailable());
        QVERIFY2(m_broker.start(Peers::freeLoopbackPort()), qPrintable(m_broker.output()));

        // The first result is DOWN, and the router answering makes the change that collects at once; only the
        // changes the test makes collect.
        answerEchoes(false);
        m_metricsPort = Peers::freeLoopbackPort();
        QVERIFY(m_program.writeSettings(
            {"[Options]", "Ping IP=" + router, "Ping Interval=-1", "Router Username=root", "Router Password=Mango",
             QStringLiteral("Router IP=%1 %2").arg(router).arg(m_router.port()), "StatsCheck=0", "[Export]",
             QStringLiteral("Metrics Address=127.0.0.1:%1").arg(m_metricsPort), "Line Name=home",
             QStringLiteral("MQTT Broker=127.0.0.1:%1").arg(m_broker.port())}));
        QVERIFY(m_program.start());
        QTRY_VERIFY_WITH_TIMEOUT(m_program.said("<5>ping " + router + ": Down") == 1, RecordWaitMs);
        answerEchoes(true);
        QTRY_COMPARE_WITH_TIMEOUT(records().size(), qsizetype(1), RecordWaitMs);
        QCOMPARE(records()[0].value(StatsCsv::PingField), QByteArray("Up"));
    }

    void prometheusScrapes() {
        QProcess promtool;
        promtool.setProcessChannelMode(QProcess::MergedChannels);
        promtool.start(Promtool, {QStringLiteral("check"), QStringLiteral("metrics")});
        promtool.write(httpGet(QUrl(QStringLiteral("http://127.0.0.1:%1/metrics").arg(m_metricsPort))));
        promtool.closeWriteChannel();
        QVERIFY(promtool.waitForFinished(10000));
        const QByteArray complaints = promtool.readAll();
        QVERIFY2(promtool.exitCode() == 0 && complaints.isEmpty(), complaints.constData());

        PrometheusServer prometheus;
        QVERIFY2(prometheus.start(m_metricsPort), qPrintable(prometheus.output()));
        QTRY_VERIFY_WITH_TIMEOUT(prometheus.query(QStringLiteral("up")) == 1.0, 20000);
        const double rate = number(records()[0].value(StatsCsv::FieldOf(StatsCsv::DownRate)));
        QVERIFY(rate > 0);
        QCOMPARE(prometheus.query(QStringLiteral("linewarden_line_rate_bytes_per_second{direction=\"down\"}")),
                 rate * 125);
    }

    void mosquittoReceives() {
        const QString state = QStringLiteral("linewarden/home/state");
        const QString availability = QStringLiteral("linewarden/home/availability");
        {
            MqttWatch watch(m_broker.port());
            QTRY_COMPARE_WITH_TIMEOUT(watch.topics().size(), qsizetype(10),
                                      10000); // 7 configs, state, ping, availability
            const QJsonObject message = watch.json(state);
            const QList<QByteArray> record = records()[0];
            const char* const fields[] = {"downstream_rate_kbps", "downstream_attenuation_db", "downstream_margin_db",
                                          "upstream_rate_kbps",   "upstream_attenuation_db",   "upstream_margin_db"};
            for (int statistic = 0; statistic < StatsCsv::StatisticCount; ++statistic) {
                QCOMPARE(message[QLatin1String(fields[statistic])].toDouble(-1),
                         number(record.value(StatsCsv::FieldOf(StatsCsv::Statistic(statistic)))));
            }
            QCOMPARE(message[u"ping"].toString(), QStringLiteral("up"));
            QCOMPARE(message[u"changed"].toBool(), true);
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
                QVERIFY2(message.contains(field), qPrintable(field));
                QCOMPARE(config[u"unit_of_measurement"].toString(),
                         field.endsWith(QStringLiteral("_kbps")) ? QStringLiteral("kbit/s") : QStringLiteral("dB"));
            }
            QCOMPARE(sensors, 6);
        }

        // The broker goes away: said once, however many attempts fail; the record
        // written meanwhile arrives when it is back.
        m_broker.stop();
        const QString unreachable =
            QStringLiteral("<4>MQTT: the broker at 127.0.0.1:%1 cannot be reached").arg(m_broker.port());
        QTRY_COMPARE_WITH_TIMEOUT(m_program.said(unreachable), qsizetype(1), 15000);
        answerEchoes(false);
        QTRY_COMPARE_WITH_TIMEOUT(records().size(), qsizetype(2), RecordWaitMs);
        QVERIFY2(m_broker.start(m_broker.port()), qPrintable(m_broker.output()));
        MqttWatch watch(m_broker.port());
        QTRY_COMPARE_WITH_TIMEOUT(watch.json(state)[u"ping"].toString(), QStringLiteral("down"), 15000);
        QTRY_COMPARE(watch.payload(availability), QByteArray("online"));
        QCOMPARE(m_program.said(unreachable), qsizetype(1));
        QTRY_COMPARE(m_program.said(QStringLiteral("<6>MQTT: connected to the broker")), qsizetype(2));

        // Ended while a collection waits for statistics that never come: at once, cleanly, and "offline" is said.
        QVERIFY(m_router.stallStats());
        answerEchoes(true);
        QTRY_COMPARE_WITH_TIMEOUT(m_program.said("<5>ping " + m_netns.routerAddress() + ": Up"), qsizetype(2),
                                  RecordWaitMs);
        QVERIFY(m_program.stop(EndWaitMs));
        QCOMPARE(m_program.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_program.process().exitCode(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(watch.payload(availability), QByteArray("offline"), 10000);
        QCOMPARE(records().size(), qsizetype(2));

        // A priority on every line, and no time stamp of its own: the journal keeps the time.
        const QRegularExpression journalLine(QStringLiteral("^<[0-7]>[^<]"));
        const QRegularExpression timeStamp(QStringLiteral("\\d\\d/\\d\\d/\\d{4}|\\d\\d:\\d\\d"));
        QVERIFY(m_program.said(QStringLiteral("<6>record: ")) == 2);
        for (const QString& line : m_program.journal())
            QVERIFY2(journalLine.match(line).hasMatch() && !timeStamp.match(line).hasMatch(), qPrintable(line));
    }
};

QTEST_GUILESS_MAIN(TestExportPeers)
#include "tst_export_peers.moc"
