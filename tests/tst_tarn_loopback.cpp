// SPDX-License-Identifier: MIT
// The statistics script on real sockets: against the router simulator, with
// the ways the router cuts its output, and against busybox telnetd itself.
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

#include "BusyboxRouter.h"
#include "Peers.h"
#include "RouterSim.h"
#include "StatsDialogue.h"
#include "script_engine/TarnTelnet.h"

using namespace Qt::StringLiterals;

namespace {

struct Outcome {
    bool completed = false;
    bool failed = false;
    QStringList conversation;
    QString log;
};

Outcome collect(quint16 port, const QString& password = u"Mango"_s, int mode = 0) {
    TarnTelnet control;
    control.setMode(mode);
    QSignalSpy complete(&control, &TarnTelnet::ScriptComplete);
    QSignalSpy error(&control, &TarnTelnet::ScriptError);
    control.RunScript(StatsDialogue::scriptLines(port, u"root"_s, password).join(u"\r\n"_s));
    QDeadlineTimer deadline(15000);
    while (complete.isEmpty() && error.isEmpty() && !deadline.hasExpired())
        QTest::qWait(10);
    Outcome outcome{!complete.isEmpty(), !error.isEmpty(), {}, control.ConsoleLog()};
    control.GetConversation(outcome.conversation);
    return outcome;
}

// The answer to the statistics command: every statistic, then the router's
// error line, which may be cut right after "no_where" since that ends the WAIT.
void verifyStatistics(const Outcome& outcome) {
    QVERIFY2(outcome.completed, qPrintable(outcome.log));
    QCOMPARE(outcome.conversation.size(), 4);
    const QString& entry = outcome.conversation.last();
    QVERIFY2(entry.startsWith(StatsDialogue::Command() + u"¤"_s), qPrintable(entry));
    for (const QString& key : {u"US Connection Rate:"_s, u"DS Connection Rate:"_s, u"DS Line Attenuation:"_s,
                               u"DS Margin:"_s, u"US Line Attenuation:"_s, u"US Margin:"_s})
        QVERIFY2(entry.contains(key), qPrintable(key));
    QVERIFY2(entry.contains(u"\r\ncat: no_where"_s), qPrintable(entry));
    QCOMPARE(entry.count(StatsDialogue::Command()), 1); // the echo is gone
}

} // namespace

class TestTarnLoopback : public QObject {
    Q_OBJECT
private slots:
    void statistics_data();
    void statistics();
    void echoSplitAtEveryPosition_data();
    void echoSplitAtEveryPosition();
    void wrongPasswordInMode1();
    void realRouter();
};

void TestTarnLoopback::statistics_data() {
    QTest::addColumn<QStringList>("options");
    QTest::newRow("whole replies") << QStringList{};
    QTest::newRow("one-byte pieces") << QStringList{"--chunk", "1", "--piece-delay-ms", "1"};
    QTest::newRow("seven-byte pieces, apart") << QStringList{"--chunk", "7", "--piece-delay-ms", "1"};
    QTest::newRow("no pause before the login prompt") << QStringList{"--greeting-delay-ms", "0"};
}

void TestTarnLoopback::statistics() {
    QFETCH(QStringList, options);
    RouterSim router;
    QVERIFY2(router.start(options), qPrintable(router.error()));
    verifyStatistics(collect(router.port()));
}

void TestTarnLoopback::echoSplitAtEveryPosition_data() {
    QTest::addColumn<int>("split");
    for (int k = 1; k <= StatsDialogue::Command().size() + 1; ++k)
        QTest::newRow(qPrintable(u"after %1"_s.arg(k))) << k;
}

void TestTarnLoopback::echoSplitAtEveryPosition() {
    QFETCH(int, split);
    RouterSim router;
    QVERIFY2(router.start({u"--split-echo"_s, QString::number(split), u"--piece-delay-ms"_s, u"3"_s,
                           u"--greeting-delay-ms"_s, u"0"_s}),
             qPrintable(router.error()));
    verifyStatistics(collect(router.port()));
}

void TestTarnLoopback::wrongPasswordInMode1() {
    RouterSim router;
    QVERIFY2(router.start({u"--login-delay-ms"_s, u"50"_s}), qPrintable(router.error()));
    const Outcome outcome = collect(router.port(), u"wrong"_s, 1);
    QVERIFY(outcome.failed);
    QVERIFY(!outcome.completed);
    QVERIFY(outcome.log.contains(u"Incorrect username and/or password.\r\n"_s));
    QVERIFY(outcome.log.endsWith(u"Closed connection.\r\n"_s));
}

void TestTarnLoopback::realRouter() {
    BusyboxRouter router;
    LW_REQUIRE_PEER(router.start(), router.whyUnavailable());
    verifyStatistics(collect(router.port()));
}

QTEST_GUILESS_MAIN(TestTarnLoopback)
#include "tst_tarn_loopback.moc"
