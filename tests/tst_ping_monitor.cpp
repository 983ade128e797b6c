// SPDX-License-Identifier: MIT
// The ping monitor driven tick by tick with a scripted probe, the window and
// the tray recording every call in one log.
#include <QTest>
#include <QTimer>

#include "FakePingProbe.h"
#include "reachability/PingMonitor.h"
#include "reachability/PingText.h"

namespace {

// The window and the tray, writing every call into one log.
class Recorder : public PingWindow, public PingTray {
public:
    QStringList log;
    QString address = QStringLiteral("127.0.0.1");
    QString interval = QStringLiteral("300");
    bool inTray = false;

    QString PingAddress() const override { return address; }
    QString IntervalText() const override { return interval; }
    void SetToggleCaptions(const QString& button, const QString& menu) override {
        log << "captions " + button + " / " + menu;
    }
    void SetInputsEnabled(bool enabled) override { log << QStringLiteral("inputs %1").arg(enabled); }
    void SetCountdown(const QString& text) override { log << "countdown " + text; }
    void ShowDisplays(bool shown) override { log << QStringLiteral("displays %1").arg(shown); }
    void SetPingLabel(const QString& caption, quint32 colour) override {
        log << QStringLiteral("label %1 %2").arg(caption).arg(colour, 6, 16, QLatin1Char('0'));
    }
    void SetWindowIcon(PingIcon icon) override {
        log << (icon == PingIcon::Up ? "icon UP" : icon == PingIcon::Down ? "icon DOWN" : "icon normal");
    }
    void Warn(const QString& text) override { log << "warn " + text; }
    bool IconInTray() const override { return inTray; }
    void ModifyTrayIcon(const QString& tip) override { log << "tray " + tip; }
};

} // namespace

class TestPingMonitor : public QObject {
    Q_OBJECT

private:
    QTimer m_timer;
    FakePingProbe m_probe;
    Recorder m_window;
    std::unique_ptr<PingMonitor> m_monitor;

    // The log from here on, with the probes in it.
    QStringList ticks(int count) {
        m_window.log.clear();
        for (int i = 0; i < count; ++i) {
            const qsizetype probes = m_probe.pinged.size();
            m_monitor->tmrPing_Timer();
            if (m_probe.pinged.size() > probes)
                m_window.log << QStringLiteral("probe");
        }
        return m_window.log;
    }

private slots:
    void init() {
        m_probe = FakePingProbe();
        m_window = Recorder();
        m_monitor = std::make_unique<PingMonitor>(&m_timer, m_probe, m_window, m_window, "Line Warden");
        connect(m_monitor.get(), &PingMonitor::startingSchedule, this, [this] { m_window.log << "schedule start"; });
        connect(m_monitor.get(), &PingMonitor::stoppingSchedule, this, [this] { m_window.log << "schedule stop"; });
        connect(m_monitor.get(), &PingMonitor::pingStateTextChanged, this,
                [this](const QString& text) { m_window.log << "state " + text; });
        connect(m_monitor.get(), &PingMonitor::reachabilityChanged, this, [this] { m_window.log << "collect"; });
    }
    void cleanup() { m_timer.stop(); }

    void startAndStopSteps() {
        m_monitor->Toggle();
        QCOMPARE(m_window.log, QStringList({"captions &Stop Pinging / Stop Pinging", "inputs 0", "schedule start",
                                            "countdown ", "displays 1"}));
        QVERIFY(m_timer.isActive() && m_monitor->LastPingUp() && m_monitor->FirstResultPending());
        QCOMPARE(m_monitor->PingTicks(), 0);
        ticks(3);
        m_window.log.clear();
        m_window.inTray = true;
        m_monitor->Toggle();
        QCOMPARE(m_window.log, QStringList({"schedule stop", "displays 0", "captions &Start Pinging / Start Pinging",
                                            "icon normal", "tray Line Warden", "inputs 1"}));
        QVERIFY(!m_timer.isActive());
        // Start after Stop counts down the whole interval again.
        m_monitor->Toggle();
        QCOMPARE(ticks(1).filter("countdown"), QStringList{"countdown 00:04:59"});
    }

    void countdownAndProbeTicks_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("interval"); // 0: refused
        QTest::addColumn<int>("probeTick");
        QTest::addColumn<QStringList>("countdowns"); // first tick, the tick before the probe, the probe tick
        auto row = [](const char* text, int interval, int probeTick, const QStringList& shown) {
            QTest::newRow(text) << QString::fromLatin1(text) << interval << probeTick << shown;
        };
        row("300", 300, 301, {"00:04:59", "00:00:00", "-00:00:01"});
        row("0", 15, 16, {"00:00:14", "00:00:00", "-00:00:01"});
        row("2.5", 2, 3, {"00:00:01", "00:00:00", "-00:00:01"});
        row("1", 1, 2, {"00:00:00", "00:00:00", "-00:00:01"});
        row("-3", -3, 1, {"-00:00:04", "-00:00:04", "-00:00:04"}); // a probe on every tick
        row("32768", 32768, 32769, {"09:06:07", "00:00:00", "-00:00:01"});
        row("-32767", -32767, 1, {"-09:06:08", "-09:06:08", "-09:06:08"});
        // Beyond the 16-bit countdown, or beyond 32 bits: refused.
        row("32769", 0, 0, {});
        row("-32768", 0, 0, {});
        row("99999999999", 0, 0, {});
    }

    void countdownAndProbeTicks() {
        QFETCH(QString, text);
        QFETCH(int, interval);
        QFETCH(int, probeTick);
        m_window.interval = text;
        m_monitor->Start();
        if (interval == 0) {
            QCOMPARE(m_window.log.size(), 1);
            QVERIFY2(m_window.log[0].startsWith("warn ") && m_window.log[0].contains(" from -32767 to 32768:"),
                     qPrintable(m_window.log[0]));
            QVERIFY(!m_monitor->Running());
            return;
        }
        QCOMPARE(m_monitor->PingInterval(), interval);
        const QStringList log = ticks(probeTick);
        QCOMPARE(log.count("probe"), 1);
        QCOMPARE(log.last(), QStringLiteral("probe"));
        const QStringList shown = log.filter("countdown ").replaceInStrings("countdown ", "");
        QTEST(QStringList({shown.first(), shown.at(qMax(0, probeTick - 2)), shown.last()}), "countdowns");
        QCOMPARE(ticks(probeTick).count("probe"), 1); // and again every interval + 1 ticks
    }

    void resultsAndCollections_data() {
        QTest::addColumn<QString>("answers"); // U answered, D not, one probe each
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("first UP shown, no collection") << "U" << QStringList{"Up"};
        QTest::newRow("first DOWN shown, no collection") << "D" << QStringList{"Down"};
        QTest::newRow("equal results change nothing") << "UUU" << QStringList{"Up"};
        QTest::newRow("a change collects") << "UDD" << QStringList{"Up", "Down collect"};
        QTest::newRow("every change collects")
            << "DUDU" << QStringList{"Down", "Up collect", "Down collect", "Up collect"};
    }

    void resultsAndCollections() {
        QFETCH(QString, answers);
        m_window.interval = "-1";
        m_monitor->Start();
        QString probed; // every probe's result, as the pinged signal reports it
        connect(m_monitor.get(), &PingMonitor::pinged, this,
                [&probed](bool up, qint32 roundTrip) { probed += up && roundTrip == 1 ? u'U' : u'D'; });
        QStringList seen;
        for (QChar answer : answers) {
            m_probe.answers = answer == u'U';
            const QStringList log = ticks(1);
            if (log.contains("state Up") || log.contains("state Down"))
                seen << log.filter("state ").first().mid(6) + (log.contains("collect") ? " collect" : "");
            QVERIFY(m_monitor->PingUp() == m_probe.answers && m_monitor->LastPingUp() == m_probe.answers);
        }
        QTEST(seen, "shown");
        QCOMPARE(probed, answers);
        QVERIFY(!m_monitor->FirstResultPending());
        QCOMPARE(m_probe.pinged, QStringList(answers.size(), "127.0.0.1"));
    }

    void trayFollowsTheStateOnlyWhileInTheTray() {
        m_window.interval = "-1";
        m_monitor->Start();
        QCOMPARE(ticks(1), QStringList({"countdown -00:00:02", "state Up", "icon UP", "label UP 00ff00", "probe"}));
        m_window.inTray = true;
        m_probe.answers = false;
        QCOMPARE(ticks(1), QStringList({"countdown -00:00:02", "state Down", "icon DOWN", "label DOWN 0000ff",
                                        "collect", "tray Line Warden - DOWN", "probe"}));
        QCOMPARE(m_monitor->PingStateText(), QStringLiteral("Down"));
        m_monitor->Stop();
        // A new run keeps the normal icon and plain tip until its first result.
        m_window.log.clear();
        m_monitor->Start();
        QCOMPARE(m_window.log.filter("tray"), QStringList());
        QCOMPARE(m_monitor->PingStateText(), QStringLiteral("Down"));
        QCOMPARE(ticks(1).filter("tray"), QStringList{"tray Line Warden - DOWN"});
        QCOMPARE(m_monitor->TrayTip(), QStringLiteral("Line Warden - DOWN"));
    }

    void noPermissionWarnsAtEveryStart() {
        m_probe.problem = QStringLiteral("no ICMP socket");
        m_probe.answers = false;
        m_monitor->Start();
        QCOMPARE(m_window.log.last(), QStringLiteral("warn no ICMP socket"));
        QVERIFY(m_monitor->Running());
        ticks(400);
        QCOMPARE(m_window.log.filter("warn").size(), 0);
        m_monitor->Stop();
        m_monitor->Start();
        QCOMPARE(m_window.log.filter("warn").size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestPingMonitor)
#include "tst_ping_monitor.moc"
