// SPDX-License-Identifier: MIT
// tarn-run from a terminal's point of view: its exit status, its log lines and
// the conversation it prints, against the router simulator, and over SSH
// against dropbear in a network namespace.
#include <QTemporaryDir>
#include <QTest>

#include "BusyboxRouter.h"
#include "FileBytes.h"
#include "Peers.h"
#include "RouterNamespace.h"
#include "RouterSim.h"
#include "StatsDialogue.h"
#include "TarnRun.h"

using namespace Qt::StringLiterals;

namespace {

// The conversation as printed: one entry per line, after the marker line.
QStringList printedConversation(const QString& out) {
    return out.section(u"-- conversation\n"_s, 1).split(u'\n', Qt::SkipEmptyParts);
}

} // namespace

class TestTarnRun : public QObject {
    Q_OBJECT

private slots:
    void statisticsCompletes_data() {
        QTest::addColumn<QByteArray>("lineEnd");
        QTest::newRow("LF line ends") << QByteArray("\n");
        QTest::newRow("CR LF line ends") << QByteArray("\r\n");
    }

    void statisticsCompletes() {
        QFETCH(QByteArray, lineEnd);
        RouterSim router;
        QVERIFY2(router.start(), qPrintable(router.error()));
        const TarnRun run = tarnRun(StatsDialogue::scriptLines(router.port()), {}, lineEnd);
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.out.startsWith(u"00:00:"_s));
        QVERIFY(run.out.contains(u" Running script\n"_s));
        QVERIFY(run.out.contains(u" End of script\n"_s));
        QVERIFY2(!run.out.contains(QChar(0x1B)), "a terminal escape reached the terminal");
        const QStringList entries = printedConversation(run.out);
        QCOMPARE(entries.size(), 4);
        QVERIFY(entries[1].startsWith(u"root¤"_s));
        QVERIFY(entries[3].startsWith(StatsDialogue::Command() + u"¤"_s));
        QVERIFY(entries[3].contains(u"\\r\\ncat: no_where"_s));
    }

    void scriptFails_data() {
        QTest::addColumn<QStringList>("routerOptions");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("logged");
        QTest::newRow("wrong password in mode 1") << QStringList{"--login-delay-ms", "50"} << QStringList{"--mode", "1"}
                                                  << u"wrong"_s << u" Incorrect username and/or password.\n"_s;
        // Past the bound the answer is dropped and the connection closed at once.
        QTest::newRow("answer without end")
            << QStringList{"--endless"} << QStringList{} << u"Mango"_s << u" Answer too long: "_s;
        QTest::newRow("answer past --max-answer") << QStringList{} << QStringList{"--max-answer", "300"} << u"Mango"_s
                                                  << u"bytes received, more than the 300 a run may keep.\n"_s;
    }

    void scriptFails() {
        QFETCH(QStringList, routerOptions);
        QFETCH(QStringList, options);
        QFETCH(QString, password);
        QFETCH(QString, logged);
        RouterSim router;
        QVERIFY2(router.start(routerOptions), qPrintable(router.error()));
        const TarnRun run = tarnRun(StatsDialogue::scriptLines(router.port(), u"root"_s, password), options);
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.out.contains(logged), qPrintable(run.out.left(2000)));
    }

    void stalledScriptsRunOutOfTime_data() {
        QTest::addColumn<QStringList>("routerOptions");
        QTest::addColumn<QStringList>("script"); // empty: the statistics dialogue
        QTest::addColumn<QString>("logged");
        QTest::addColumn<QString>("lastAnswer"); // what the last printed entry holds
        QTest::newRow("connection refused")
            << QStringList{"refuse"} << QStringList{} << u"Winsock Control Error - 10061"_s << u""_s;
        QTest::newRow("closed in the middle of the answer")
            << QStringList{"--close-mid-answer"} << QStringList{} << u" Password:"_s << u"US Connection Rate:"_s;
        QTest::newRow("never answers") << QStringList{"--silent"} << QStringList{} << u" Opening connection"_s << u""_s;
        // The sleep ends at the limit, and no line after it runs.
        QTest::newRow("DELAY past the limit")
            << QStringList{} << QStringList{"ECHO \"start\"", "DELAY 20", "ECHO \"late\""}
            << u" Delay for 20 second(s)"_s << u""_s;
    }

    void stalledScriptsRunOutOfTime() {
        QFETCH(QStringList, routerOptions);
        QFETCH(QStringList, script);
        QFETCH(QString, logged);
        QFETCH(QString, lastAnswer);
        RouterSim router;
        quint16 port = 0;
        if (routerOptions == QStringList{u"refuse"_s}) {
            port = Peers::freeLoopbackPort();
        } else {
            QVERIFY2(router.start(routerOptions), qPrintable(router.error()));
            port = router.port();
        }
        const TarnRun run =
            tarnRun(script.isEmpty() ? StatsDialogue::scriptLines(port) : script, {u"--timeout"_s, u"2"_s});
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.out.contains(logged), qPrintable(run.out));
        QVERIFY(!run.out.contains(u" late\n"_s));
        QVERIFY(run.err.contains(u"did not end within 2 s"_s));
        // The connection is closed first, so its last answer is in the conversation printed after it.
        const qsizetype closed = run.out.indexOf(u" Closed connection.\n"_s);
        QVERIFY2(closed >= 0 && closed < run.out.indexOf(u"-- conversation\n"_s), qPrintable(run.out));
        const QStringList entries = printedConversation(run.out);
        QVERIFY2(lastAnswer.isEmpty() || entries.last().contains(lastAnswer), qPrintable(run.out));
    }

    // Nothing runs: status 3 and a word on standard error; --help alone is no error.
    void usage_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QStringList>("script"); // empty: a file that does not exist
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("said"); // on standard error, or on standard output for status 0
        const QStringList echo{u"ECHO \"x\""_s, u""_s};
        QTest::newRow("unreadable script") << QStringList{} << QStringList{} << 3 << u"cannot read /nonexistent/"_s;
        // The engine runs a script from its first line break on; one line alone runs nothing.
        QTest::newRow("one-line script") << QStringList{} << QStringList{u"ECHO \"alone\""_s} << 3
                                         << u"a single line"_s;
        QTest::newRow("unknown option") << QStringList{"--speed", "9"} << echo << 3 << u"Unknown option 'speed'"_s;
        QTest::newRow("--max-answer not a number")
            << QStringList{"--max-answer", "lots"} << echo << 3 << u"--max-answer wants a number"_s;
        QTest::newRow("--help") << QStringList{"--help"} << echo << 0 << u"--max-answer <BYTES>"_s;
    }

    void usage() {
        QFETCH(QStringList, options);
        QFETCH(QStringList, script);
        QFETCH(int, exitCode);
        QFETCH(QString, said);
        const TarnRun run = script.isEmpty() ? tarnRunFile(u"/nonexistent/script.txt"_s, options)
                                             : tarnRun(script, options, script.size() == 1 ? "" : "\n");
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2((exitCode == 0 ? run.out : run.err).contains(said), qPrintable(run.out + run.err));
        QVERIFY(exitCode == 0 ? run.err.isEmpty() : run.out.isEmpty());
    }

    // The password from a file, and a new host key refused until it may be remembered.
    void realRouterOverSsh() {
        RouterNamespace netns;
        LW_REQUIRE_PEER(netns.ready(), netns.whyUnavailable());
        BusyboxRouter router;
        LW_REQUIRE_PEER(router.startSsh(netns.name(), netns.routerAddress()), router.whyUnavailable());
        QTemporaryDir dir;
        const QString password = dir.filePath(u"password"_s);
        QVERIFY(writeFile(password, "Mango\n"));
        const QStringList script = StatsDialogue::sshScriptLines(netns.routerAddress());
        const QStringList options{u"--ssh-user"_s, u"root"_s,          u"--ssh-password-file"_s,
                                  password,        u"--known-hosts"_s, dir.filePath(u"known_hosts"_s)};

        TarnRun run = tarnRun(script, options);
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.out.contains(u" Unknown SSH host key for "_s), qPrintable(run.out));
        QVERIFY2(run.err.contains(u"--accept-new-host-key"_s), qPrintable(run.err));

        run = tarnRun(script, options + QStringList{u"--accept-new-host-key"_s});
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.out.contains(u" New SSH host key for "_s), qPrintable(run.out));
        const QStringList entries = printedConversation(run.out);
        QCOMPARE(entries.size(), 2);
        QVERIFY2(entries[1].startsWith(StatsDialogue::Command() + u"¤"_s), qPrintable(entries[1]));
        QVERIFY(entries[1].contains(u"DS Margin:"_s));
    }
};

QTEST_GUILESS_MAIN(TestTarnRun)
#include "tst_tarn_run.moc"
