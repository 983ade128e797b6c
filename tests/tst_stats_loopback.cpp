// SPDX-License-Identifier: MIT
// Collections on real sockets: one against busybox telnetd writes one line to
// each file; the ways a router fails leave no record, say why, free the
// collector at once when the connection failed (else within its time limit),
// and the next collection records.
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

#include "BusyboxRouter.h"
#include "FileBytes.h"
#include "Peers.h"
#include "RouterSim.h"
#include "script_engine/TarnTelnet.h"
#include "statistics/StatsCollector.h"

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

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
    QSignalSpy failed{&stats, &StatsCollector::collectionFailed};

    QString file(const QString& name) const { return QString::fromLocal8Bit(readFile(dir.filePath(name))); }
    bool collectFrom(quint16 port) {
        router = u"127.0.0.1 %1"_s.arg(port);
        stats.CollectStats();
        return shown.wait(10000);
    }
};

// A network namespace of the test's own where nothing is routed. While run()
// calls, sockets are made there. Needs root.
struct UnroutedNamespace {
    QString name = u"lw-unrouted-%1"_s.arg(::getpid());
    int netns = -1;
    int home = ::open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
    UnroutedNamespace() {
        if (::geteuid() == 0 && QProcess::execute(u"ip"_s, {u"netns"_s, u"add"_s, name}) == 0)
            netns = ::open(qPrintable(u"/run/netns/"_s + name), O_RDONLY | O_CLOEXEC);
    }
    ~UnroutedNamespace() {
        if (netns >= 0) {
            ::close(netns);
            QProcess::execute(u"ip"_s, {u"netns"_s, u"del"_s, name});
        }
        ::close(home);
    }
    bool run(const std::function<void()>& call) const {
        if (netns < 0 || ::setns(netns, CLONE_NEWNET) != 0)
            return false;
        call();
        return ::setns(home, CLONE_NEWNET) == 0;
    }
};

} // namespace

class TestStatsLoopback : public QObject {
    Q_OBJECT

private slots:
    // The old driver's wrapped margins come back as 10 and 6.
    void busyboxRouter() {
        BusyboxRouter router;
        LW_REQUIRE_PEER(router.start(Peers::sourceDir() + u"/tools/router-sim/wrapped-margins-stats.txt"_s),
                        router.whyUnavailable());
        Collection c;
        c.stats.setPingStateText(u"Up"_s);
        QVERIFY2(c.collectFrom(router.port()), qPrintable(c.control.ConsoleLog()));
        QCOMPARE(c.file(u"stats.csv"_s), u"07/12/2026 09:05,8000,21.5,10,800,11,6,Up\r\n"_s);
        QCOMPARE(c.file(u"stats.txt"_s), u"07/12/2026 09:05\t8000, 10, Up\r\n"_s);
    }

    // router-sim plays each other built-in model with its sample: one collection
    // through the real engine writes the record the model reads from it.
    void models_data() {
        QTest::addColumn<QString>("csv");
        QTest::newRow("broadcom-xdslctl") << u"07/12/2026 09:05,20479,20.5,6.1,1023,10.5,6.2,\r\n"_s;
        QTest::newRow("lantiq-dsl-control") << u"07/12/2026 09:05,51392,13.5,8.9,10048,18.2,9.4,\r\n"_s;
    }

    void models() {
        const QString model = QString::fromLatin1(QTest::currentDataTag());
        RouterSim router;
        QVERIFY2(router.start({u"--greeting-delay-ms"_s, u"0"_s, u"--model"_s, model}), qPrintable(router.error()));
        Collection c;
        c.stats.setModel(RouterModels::Builtin(model));
        QVERIFY2(c.collectFrom(router.port()), qPrintable(c.control.ConsoleLog()));
        QTEST(c.file(u"stats.csv"_s), "csv");
    }

    // Each way a collection fails, and the next one from the good router.
    void outcomes_data() {
        QTest::addColumn<QString>("target");      // the good router, a failing one, nothing listening, or no route
        QTest::addColumn<QStringList>("options"); // of the failing router
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<bool>("atOnce"); // the connection fails: no waiting for the time limit
        const auto row = [](const char* name, const char* target, const QStringList& options, const char* password,
                            const char* reason, bool atOnce) {
            QTest::newRow(name) << QString(target) << options << QString(password) << QString(reason) << atOnce;
        };
        row("wrong password", "good", {}, "Wrong", "login refused", false);
        row("refused connection", "nothing", {}, "Mango", "connection refused", true);
        row("no route", "unrouted", {}, "Mango", "no route to the router", true);
        row("never answers", "failing", {u"--silent"_s}, "Mango", "no answer within the time limit", false);
        row("closed mid-answer", "failing", {u"--close-mid-answer"_s}, "Mango", "connection lost mid-answer", true);
    }

    void outcomes() {
        QFETCH(QString, target);
        QFETCH(QStringList, options);
        RouterSim good;
        RouterSim failing;
        QVERIFY2(good.start({u"--greeting-delay-ms"_s, u"0"_s, u"--login-delay-ms"_s, u"100"_s}),
                 qPrintable(good.error()));
        QVERIFY2(target != u"failing" || failing.start(options), qPrintable(failing.error()));
        QFETCH(bool, atOnce);
        Collection c;
        c.stats.setTimeLimit(atOnce ? UnreachedTimeLimit : TestTimeLimit);
        QFETCH(QString, password);
        c.password = password;
        const quint16 port = target == u"good"      ? good.port()
                             : target == u"failing" ? failing.port()
                                                    : Peers::freeLoopbackPort();
        c.router = (target == u"unrouted" ? u"198.18.0.1 %1"_s : u"127.0.0.1 %1"_s).arg(port);
        if (target == u"unrouted")
            LW_REQUIRE_PEER(UnroutedNamespace().run([&c] { c.stats.CollectStats(); }),
                            "a network namespace of the test's own (needs root and iproute2)");
        else
            c.stats.CollectStats();
        QVERIFY(c.stats.StatsBusy());
        QTRY_VERIFY_WITH_TIMEOUT(!c.stats.StatsBusy(), atOnce ? AtOnceMs : int(TestTimeLimit.count()) + 1000);
        QCOMPARE(c.failed.size(), 1);
        QTEST(c.failed[0][0].toString(), "reason");
        QCOMPARE(c.shown.size(), 0);
        QVERIFY(!QFile::exists(c.dir.filePath(u"stats.csv"_s)) && !QFile::exists(c.dir.filePath(u"stats.txt"_s)));

        c.password = u"Mango"_s;
        QVERIFY2(c.collectFrom(good.port()), qPrintable(c.control.ConsoleLog()));
        QCOMPARE(c.file(u"stats.csv"_s), u"07/12/2026 09:05,8000,21.5,12,800,11,15,\r\n"_s);
        QCOMPARE(c.file(u"stats.txt"_s), u"07/12/2026 09:05\t8000, 12, \r\n"_s);
    }
};

QTEST_GUILESS_MAIN(TestStatsLoopback)
#include "tst_stats_loopback.moc"
