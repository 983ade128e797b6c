// SPDX-License-Identifier: MIT
// Collections on real sockets: one against busybox telnetd writes one line to
// each file; the ways a router fails leave no record, free the collector within
// its time limit, and the next collection records.
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "BusyboxRouter.h"
#include "Peers.h"
#include "RouterSim.h"
#include "script_engine/TarnTelnet.h"
#include "statistics/StatsCollector.h"

using namespace Qt::StringLiterals;

namespace {

constexpr std::chrono::milliseconds TestTimeLimit{2000};
// A failed connection must end the collection long before this limit.
constexpr std::chrono::milliseconds UnreachedTimeLimit{60000};
constexpr int AtOnceMs = 5000;

struct Collection {
    TarnTelnet control;
    QTimer tmrStats;
    QTemporaryDir dir;
    QString router;
    QString password = u"Mango"_s;
    StatsCollector stats{control, &tmrStats, [] { return QDateTime(QDate(2026, 12, 7), QTime(9, 5)); }, dir.path(),
                         [this] {
                             return StatsCollector::RouterLogin{router, u"root"_s, password};
                         }};
    QSignalSpy shown{&stats, &StatsCollector::recordShown};

    QString file(const QString& name) const {
        QFile f(dir.filePath(name));
        return f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll()) : u"(missing)"_s;
    }
    bool collectFrom(quint16 port) {
        router = u"127.0.0.1 %1"_s.arg(port);
        stats.CollectStats();
        return shown.wait(10000);
    }
};

} // namespace

class TestStatsLoopback : public QObject {
    Q_OBJECT
private slots:
    void busyboxRouter();
    void failures_data();
    void failures();
};

// The old driver's wrapped margins come back as 10 and 6.
void TestStatsLoopback::busyboxRouter() {
    BusyboxRouter router;
    LW_REQUIRE_PEER(router.start(Peers::sourceDir() + u"/tools/router-sim/wrapped-margins-stats.txt"_s),
                    router.whyUnavailable());
    Collection c;
    c.stats.setPingStateText(u"Up"_s);
    QVERIFY2(c.collectFrom(router.port()), qPrintable(c.control.ConsoleLog()));
    QCOMPARE(c.file(u"stats.csv"_s), u"07/12/2026 09:05,8000,21.5,10,800,11,6,Up\r\n"_s);
    QCOMPARE(c.file(u"stats.txt"_s), u"07/12/2026 09:05\t8000, 10, Up\r\n"_s);
}

void TestStatsLoopback::failures_data() {
    QTest::addColumn<QString>("target");      // the good router, a failing one, or nothing listening
    QTest::addColumn<QStringList>("options"); // of the failing router
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("atOnce"); // the connection fails: no waiting for the time limit
    QTest::newRow("wrong password") << "good" << QStringList() << "Wrong" << false;
    QTest::newRow("refused connection") << "nothing" << QStringList() << "Mango" << true;
    QTest::newRow("never answers") << "failing" << QStringList{u"--silent"_s} << "Mango" << false;
    QTest::newRow("closed mid-answer") << "failing" << QStringList{u"--close-mid-answer"_s} << "Mango" << true;
}

void TestStatsLoopback::failures() {
    QFETCH(QString, target);
    QFETCH(QStringList, options);
    RouterSim good;
    RouterSim failing;
    QVERIFY2(good.start({u"--greeting-delay-ms"_s, u"0"_s, u"--login-delay-ms"_s, u"100"_s}), qPrintable(good.error()));
    QVERIFY2(target != u"failing" || failing.start(options), qPrintable(failing.error()));
    QFETCH(bool, atOnce);
    Collection c;
    c.stats.setTimeLimit(atOnce ? UnreachedTimeLimit : TestTimeLimit);
    QFETCH(QString, password);
    c.password = password;
    const quint16 port = target == u"good"      ? good.port()
                         : target == u"failing" ? failing.port()
                                                : Peers::freeLoopbackPort();
    c.router = u"127.0.0.1 %1"_s.arg(port);
    c.stats.CollectStats();
    QVERIFY(c.stats.StatsBusy());
    QTRY_VERIFY_WITH_TIMEOUT(!c.stats.StatsBusy(), atOnce ? AtOnceMs : int(TestTimeLimit.count()) + 1000);
    QCOMPARE(c.shown.size(), 0);
    QVERIFY(!QFile::exists(c.dir.filePath(u"stats.csv"_s)) && !QFile::exists(c.dir.filePath(u"stats.txt"_s)));

    c.password = u"Mango"_s;
    QVERIFY2(c.collectFrom(good.port()), qPrintable(c.control.ConsoleLog()));
    QCOMPARE(c.file(u"stats.csv"_s), u"07/12/2026 09:05,8000,21.5,12,800,11,15,\r\n"_s);
    QCOMPARE(c.file(u"stats.txt"_s), u"07/12/2026 09:05\t8000, 12, \r\n"_s);
}

QTEST_GUILESS_MAIN(TestStatsLoopback)
#include "tst_stats_loopback.moc"
