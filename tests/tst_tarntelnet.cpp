// SPDX-License-Identifier: MIT
// TarnTelnet against fake sockets: the interpreter's rules, its error paths,
// re-entry from events pumped during a send, and the echo that must not
// satisfy a WAIT.
#include <QTest>

#include "EngineRig.h"
#include "script_engine/TarnText.h"

using namespace Qt::StringLiterals;

namespace {

const QString StatsCommand = u"cat /proc/avalanche/avsar_modem_stats \"no_where\""_s;

QStringList echoLines(int count) {
    QStringList lines;
    for (int k = 1; k <= count; ++k)
        lines << u"ECHO \"line %1\""_s.arg(k);
    return lines;
}

} // namespace

class TestTarnTelnet : public QObject {
    Q_OBJECT

private slots:
    void progress_data() {
        QTest::addColumn<int>("lines");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("two lines") << 2 << QStringList{"100"};
        QTest::newRow("five lines") << 5 << QStringList{"25", "50", "75", "100"};
        QTest::newRow("eight lines") << 8 << QStringList{"14", "29", "43", "57", "71", "86", "100"};
    }

    void progress() {
        QFETCH(int, lines);
        EngineRig rig;
        rig.run(echoLines(lines));
        QTEST(rig.only(u"progress"_s), "expected");
        QCOMPARE(rig.only(u"complete"_s).size(), 1);
    }

    void scriptWithoutLineBreakRunsNothing() {
        EngineRig rig;
        rig.engine.RunScript(u"ECHO \"alone\""_s);
        QVERIFY(rig.events.isEmpty());
        // A final CR LF gives an empty last line, which is skipped.
        rig.engine.RunScript(u"ECHO \"first\"\r\n"_s);
        QCOMPARE(rig.logLines(), QStringList({"Running script", "first", "End of script", "Closed connection."}));
    }

    void emptyScriptRepeatsTheStoredOne() {
        EngineRig rig;
        rig.run({u"ECHO \"again\""_s, u""_s});
        rig.engine.RunScript(QString());
        QCOMPARE(rig.only(u"log"_s).count(u"again"_s), 2);
        QCOMPARE(rig.logLines().first(), u"Running script"_s); // the log was reset
    }

    void sendArgument_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QString>("entry");
        QTest::newRow("plain") << u"SEND \"root\\n\""_s << QByteArray("root\r\n") << u"root¤"_s;
        QTest::newRow("mixed-case command") << u"SeNd \"x\""_s << QByteArray("x") << u"x¤"_s;
        QTest::newRow("tab becomes blank") << u"SEND \"a\tb\""_s << QByteArray("a b") << u"a b¤"_s;
        QTest::newRow("inner quotes kept")
            << u"SEND \"say \"hi\" now\""_s << QByteArray("say \"hi\" now") << u"say \"hi\" now¤"_s;
        QTest::newRow("escaped quote") << u"SEND \"\\\"q\\\"\""_s << QByteArray("\"q\"") << u"\"q\"¤"_s;
        QTest::newRow("capital N") << u"SEND \"a\\Nb\""_s << QByteArray("a\r\nb") << u"ab¤"_s;
        QTest::newRow("doubled backslash before n") << u"SEND \"a\\\\n\""_s << QByteArray("a\\\r\n") << u"a\\¤"_s;
        QTest::newRow("other backslash kept") << u"SEND \"c:\\temp\""_s << QByteArray("c:\\temp") << u"c:\\temp¤"_s;
        QTest::newRow("no quotes sends nothing") << u"SEND"_s << QByteArray() << u"¤"_s;
    }

    void sendArgument() {
        QFETCH(QString, line);
        EngineRig rig;
        rig.runConnected({u"HOST 127.0.0.1"_s, u"WAIT \"go\""_s, line, u"WAIT \"never\""_s});
        rig.main->receive("go");
        QTEST(rig.main->allSent(), "sent");
        QTEST(rig.conversation().last(), "entry");
    }

    void sendWithSingleQuoteTakesTheErrorPath() {
        EngineRig rig;
        rig.runConnected({u"HOST 127.0.0.1"_s, u"WAIT \"go\""_s, u"SEND \"oops"_s, u"WAIT \"x\""_s});
        rig.main->receive("go");
        const QStringList log = rig.logLines();
        QCOMPARE(log.at(log.size() - 4), u"Error 5"_s);
        QVERIFY(log.at(log.size() - 3).contains(u"double quote"_s));
        QCOMPARE(log.last(), u"Closed connection."_s);
        QCOMPARE(rig.events.last(), u"error"_s);
        QCOMPARE(rig.main->state, int(TarnSocket::StateClosed));
    }

    void sendOnClosedConnectionStalls() {
        EngineRig rig;
        rig.run({u"ECHO \"start\""_s, u"SEND \"x\""_s, u"ECHO \"never\""_s});
        QCOMPARE(rig.logLines(), QStringList({"Running script", "start", "Cannot SEND - connection is closed."}));
        QCOMPARE(rig.conversation(), QStringList{u"x¤"_s}); // the entry was still made
        QVERIFY(rig.only(u"complete"_s).isEmpty());
        QVERIFY(rig.only(u"error"_s).isEmpty());
    }

    void waitOnClosedConnectionStalls() {
        EngineRig rig;
        rig.run({u"ECHO \"start\""_s, u"WAIT \"x\""_s, u"ECHO \"never\""_s});
        QCOMPARE(rig.events, QStringList({"log Running script", "progress 50", "log start", "progress 100",
                                          "log Cannot WAIT - connection is closed."}));
    }

    void host_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("port");
        QTest::newRow("default port") << u"HOST 127.0.0.1"_s << u"127.0.0.1"_s << u"23"_s;
        QTest::newRow("given port") << u"HOST 127.0.0.1 2323"_s << u"127.0.0.1"_s << u"2323"_s;
        QTest::newRow("two blanks give empty address") << u"HOST  127.0.0.1"_s << u""_s << u"127.0.0.1"_s;
        QTest::newRow("tab and lower case") << u"\thost 127.0.0.5 "_s << u"127.0.0.5"_s << u"23"_s;
    }

    void host() {
        QFETCH(QString, line);
        EngineRig rig;
        rig.run({line, u"WAIT \"x\""_s});
        QTEST(rig.main->remoteHost, "host");
        QTEST(rig.main->connectPort, "port");
    }

    void hostFollowedByOtherLineStalls() {
        EngineRig rig;
        rig.runConnected({u"HOST 127.0.0.1"_s, u"ECHO \"after\""_s, u""_s});
        rig.main->receive("anything");
        QVERIFY(!rig.only(u"log"_s).contains(u"after"_s));
    }

    void sendFollowedByTwoWaits() {
        EngineRig rig;
        rig.runConnected({u"HOST 127.0.0.1"_s, u"WAIT \"a\""_s, u"SEND \"x\""_s, u"WAIT \"first\""_s,
                          u"WAIT \"second\""_s, u"ECHO \"done\""_s});
        rig.main->receive("a");
        // The first WAIT was armed before the send; the second runs by itself
        // once the first matched, and is tested only when the next piece comes.
        rig.main->receive("x\r\nfirst"); // the echo, then the first answer
        QVERIFY(!rig.only(u"log"_s).contains(u"done"_s));
        rig.main->receive(" and second");
        QVERIFY(rig.only(u"log"_s).contains(u"done"_s));
        QCOMPARE(rig.only(u"progress"_s), QStringList({"20", "60", "100"}));
    }

    void delay_data() {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<int>("seconds");
        QTest::newRow("whole") << u"3"_s << 3;
        QTest::newRow("2.5 to even") << u"2.5"_s << 2;
        QTest::newRow("3.5 to even") << u"3.5"_s << 4;
        QTest::newRow("missing") << u""_s << 0;
        QTest::newRow("negative pauses none") << u"-3"_s << 0;
    }

    void delay() {
        QFETCH(QString, argument);
        QFETCH(int, seconds);
        EngineRig rig;
        rig.run({u"DELAY "_s + argument, u"ECHO \"after\""_s});
        QCOMPARE(rig.sleeps, QList<int>{seconds * 1000});
        QCOMPARE(rig.logLines().mid(1, 2), QStringList({u"Delay for %1 second(s)"_s.arg(seconds), u"after"_s}));
    }

    void delayOverflowTakesTheErrorPath() {
        EngineRig rig;
        rig.run({u"DELAY 2147484"_s, u"ECHO \"after\""_s});
        QVERIFY(rig.sleeps.isEmpty());
        QCOMPARE(rig.logLines().at(2), u"Error 6"_s);
        QCOMPARE(rig.events.last(), u"error"_s);
    }

    void unrecognisedCommand_data() {
        QTest::addColumn<QString>("line");
        QTest::newRow("hash glued to text") << u"#comment"_s;
        QTest::newRow("unknown word") << u"PRINT \"x\""_s;
    }

    void unrecognisedCommand() {
        QFETCH(QString, line);
        EngineRig rig;
        rig.run({u"# a comment"_s, u""_s, line, u"ECHO \"never\""_s});
        QCOMPARE(rig.logLines(),
                 QStringList({"Running script", "Unrecognised command on line 3", "Closed connection."}));
        QCOMPARE(rig.events.last(), u"error unrecognised"_s);
    }

    void errorInsideRunScriptIsLoggedWithoutEvent() {
        EngineRig rig;
        rig.main->state = TarnSocket::StateConnected;
        rig.main->refuseClose = true;
        rig.run({u"ECHO \"x\""_s, u""_s});
        QCOMPARE(rig.logLines(),
                 QStringList({"Error 40006", "refused to close", "Socket state: 7", "Closed connection."}));
        QVERIFY(rig.only(u"error"_s).isEmpty());
        QVERIFY(rig.only(u"complete"_s).isEmpty());
    }

    void waitMatching_data() {
        QTest::addColumn<QString>("waitFor");
        QTest::addColumn<QStringList>("pieces");
        QTest::addColumn<int>("matchedAfter"); // pieces needed, 0 = never
        QTest::newRow("split across pieces") << u"login"_s << QStringList{"router lo", "gin: "} << 2;
        QTest::newRow("ignores case") << u"login"_s << QStringList{"Login incorrect"} << 1;
        QTest::newRow("text came before the wait was armed") << u"ready"_s << QStringList{"ready"} << 1;
        QTest::newRow("empty wait text takes any text") << u""_s << QStringList{"x"} << 1;
        QTest::newRow("absent") << u"login"_s << QStringList{"log", "out"} << 0;
        QTest::newRow("after many pieces") << u"end"_s << QStringList{"a", "b", "c", "e", "nd"} << 5;
    }

    void waitMatching() {
        QFETCH(QString, waitFor);
        QFETCH(QStringList, pieces);
        QFETCH(int, matchedAfter);
        EngineRig rig;
        rig.runConnected({u"HOST 127.0.0.1"_s, u"WAIT \""_s + waitFor + u'"', u"ECHO \"matched\""_s});
        for (int k = 0; k < pieces.size(); ++k) {
            rig.main->receive(pieces[k].toLatin1());
            const bool matched = rig.only(u"log"_s).contains(u"matched"_s);
            QCOMPARE(matched, matchedAfter != 0 && k + 1 >= matchedAfter);
        }
    }

    // The statistics collection's last WAIT looks for "no_where", which its own
    // command holds: wherever the echo starts or is split, only the router's
    // error line may end the collection.
    void waitIsNotSatisfiedByTheEchoSplitAnywhere_data() {
        QTest::addColumn<QByteArray>("before"); // text that arrives just before the echo
        QTest::addColumn<QByteArray>("echo");
        QTest::addColumn<int>("split");
        const QByteArray echo = StatsCommand.toLatin1() + "\r\n";
        for (int split = 1; split < echo.size(); ++split)
            QTest::newRow(qPrintable(u"after %1"_s.arg(split))) << QByteArray() << echo << split;
        QTest::newRow("after a blank line") << QByteArray("\r\n") << echo << 20;
        QTest::newRow("after its first letter") << QByteArray("c") << echo << 1;
        QTest::newRow("after a partial match") << QByteArray("cat /proc/") << echo << 30;
        QTest::newRow("wrapped") << QByteArray() << QByteArray(echo).replace(40, 1, "\r\n") << 41;
    }

    void waitIsNotSatisfiedByTheEchoSplitAnywhere() {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, echo);
        QFETCH(int, split);
        EngineRig rig;
        rig.runConnected({u"HOST 127.0.0.1"_s, u"WAIT \"#\""_s,
                          u"SEND \"cat /proc/avalanche/avsar_modem_stats \\\"no_where\\\"\\n\""_s,
                          u"WAIT \"no_where\""_s});
        rig.main->receive("/var # ");
        rig.main->receive(before + echo.left(split));
        rig.main->receive(echo.mid(split));
        rig.main->receive("DS Margin: 12\r\n");
        QVERIFY2(rig.only(u"complete"_s).isEmpty(), "the echo satisfied the WAIT");
        rig.main->receive("cat: no_where: No such file or directory\r\n/var # ");
        QCOMPARE(rig.only(u"complete"_s).size(), 1);
        QCOMPARE(rig.conversation().last(),
                 StatsCommand + u"¤DS Margin: 12\r\ncat: no_where: No such file or directory\r\n/var # "_s);
    }

    // A password is never echoed, so its echo stays pending while the prompt
    // arrives after blank lines; the prompt must come through whole.
    void shortPasswordLeavesThePrompt_data() {
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("blankLines");
        for (int length = 1; length <= 6; ++length)
            for (int blank = 0; blank <= 4; ++blank)
                QTest::newRow(qPrintable(u"%1 characters, %2 blank lines"_s.arg(length).arg(blank)))
                    << u"secret"_s.left(length) << blank;
    }

    void shortPasswordLeavesThePrompt() {
        QFETCH(QString, password);
        QFETCH(int, blankLines);
        EngineRig rig;
        rig.runConnected(
            {u"HOST 127.0.0.1"_s, u"WAIT \"password\""_s, u"SEND \""_s + password + u"\\n\""_s, u"WAIT \"#\""_s});
        rig.main->receive("Password: ");
        const QByteArray lines = "\r\n" + QByteArray("\r\n").repeated(blankLines);
        rig.main->receive(lines + "# ");
        QCOMPARE(rig.only(u"complete"_s).size(), 1);
        // Line breaks at the ends of an answer are stripped; a one-character
        // command's echo is the first character after it, whatever it is.
        const QString answer = password.size() == 1 ? QString::fromLatin1(lines.mid(1) + "# ") : u"# "_s;
        QCOMPARE(rig.conversation().last(), password + u"¤"_s + answer);
    }

    void dataIsReadOnlyInOpenStates_data() {
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("read");
        QTest::newRow("open") << 1 << true;
        QTest::newRow("listening") << 2 << true;
        QTest::newRow("connected") << 7 << true;
        QTest::newRow("connecting") << 6 << false;
        QTest::newRow("peer closing") << 8 << false;
        QTest::newRow("failed") << 9 << false;
    }

    void dataIsReadOnlyInOpenStates() {
        QFETCH(int, state);
        QFETCH(bool, read);
        EngineRig rig;
        rig.run({u"HOST 127.0.0.1"_s, u"WAIT \"x\""_s, u"ECHO \"matched\""_s});
        rig.main->state = state;
        rig.main->receive("x");
        QCOMPARE(rig.only(u"log"_s).contains(u"matched"_s), read);
        QCOMPARE(rig.main->unread.isEmpty(), read);
    }

    // The server answers inside the pump that follows each send: every later
    // line then runs nested in the first SEND, and the record stays in order.
    void wholeScriptRunsInsidePumpedEvents() {
        EngineRig rig;
        rig.peer = [&rig](const QByteArray& sent) {
            if (sent == "root\r\n")
                rig.main->postReceive("root\r\nPassword: ");
            else if (sent == "Mango\r\n")
                rig.main->postReceive("\r\n/var # ");
            else
                rig.main->postReceive(sent + "answer\r\n/var # ");
        };
        rig.runConnected({u"HOST 127.0.0.1"_s, u"WAIT \"login\""_s, u"SEND \"root\\n\""_s, u"WAIT \"password\""_s,
                          u"SEND \"Mango\\n\""_s, u"WAIT \"#\""_s, u"SEND \"uptime\\n\""_s, u"WAIT \"answer\""_s});
        rig.main->receive("router login: ");
        QCOMPARE(rig.only(u"complete"_s).size(), 1);
        QCOMPARE(rig.conversation(), QStringList({u"\r\nrouter login: "_s, u"root¤Password: "_s, u"Mango¤/var # "_s,
                                                  u"uptime¤answer\r\n/var # "_s}));
        QCOMPARE(rig.events.mid(rig.events.size() - 5),
                 QStringList({"sent uptime\\r\\n", "log End of script", "log answer\\r\\n/var #",
                              "log Closed connection.", "complete"}));
    }

    void abortEndsAtTheNextStep() {
        EngineRig rig;
        rig.runConnected({u"HOST 127.0.0.1"_s, u"WAIT \"login\""_s, u"SEND \"root\\n\""_s});
        rig.engine.AbortScript();
        QCOMPARE(rig.main->state, int(TarnSocket::StateClosed));
        QCOMPARE(rig.logLines().last(), u"Closed connection."_s);
        QVERIFY(rig.only(u"complete"_s).isEmpty());
        // A WAIT left armed by the aborted run stays armed across RunScript.
        rig.runConnected({u"HOST 127.0.0.1"_s, u"ECHO \"next\""_s, u""_s});
        rig.main->receive("login");
        QVERIFY(rig.only(u"log"_s).contains(u"next"_s));
    }

    void waitForRebootKeepsTheConnection() {
        EngineRig rig;
        rig.engine.setWaitForReboot(true);
        rig.runConnected({u"HOST 127.0.0.1"_s, u"WAIT \"x\""_s});
        rig.main->receive("x and more");
        QCOMPARE(rig.events.last(), u"complete"_s);
        QCOMPARE(rig.main->state, int(TarnSocket::StateConnected));
        QCOMPARE(rig.conversation(), QStringList{QString()}); // the last answer stays in the buffer
    }

    // The reason beside the log: a host may end a run that cannot succeed; the
    // events and log lines stay those of a stalled script.
    void connectionFailure_data() {
        QTest::addColumn<int>("error");  // 0: the peer closes instead
        QTest::addColumn<bool>("ended"); // the script has run to its end first
        QTest::addColumn<TarnTelnet::Failure>("failure");
        QTest::newRow("refused") << int(TarnSocket::ConnectionRefused) << false << TarnTelnet::Failure::Refused;
        QTest::newRow("unreachable") << int(TarnSocket::NetworkUnreachable) << false << TarnTelnet::Failure::NoRoute;
        QTest::newRow("name not found") << int(TarnSocket::HostNotFound) << false << TarnTelnet::Failure::NoRoute;
        QTest::newRow("other error") << int(TarnSocket::OtherFailure) << false << TarnTelnet::Failure::Lost;
        QTest::newRow("closed mid-answer") << 0 << false << TarnTelnet::Failure::Lost;
        QTest::newRow("closed after the end") << 0 << true << TarnTelnet::Failure::None;
    }

    void connectionFailure() {
        QFETCH(int, error);
        QFETCH(bool, ended);
        QFETCH(TarnTelnet::Failure, failure);
        EngineRig rig;
        QList<TarnTelnet::Failure> reported;
        connect(&rig.engine, &TarnTelnet::ConnectionFailed, this, [&](TarnTelnet::Failure f) { reported << f; });
        rig.engine.setWaitForReboot(true);
        rig.runConnected({u"HOST 127.0.0.1"_s, u"WAIT \"#\""_s});
        if (ended)
            rig.main->receive("/var # ");
        if (error != 0)
            rig.main->fail(error, u"failed"_s);
        else
            rig.main->peerClose();
        QCOMPARE(rig.engine.LastFailure(), failure);
        QCOMPARE(reported, failure == TarnTelnet::Failure::None ? QList<TarnTelnet::Failure>() : QList{failure});
        QCOMPARE(rig.only(u"complete"_s).size(), ended ? 1 : 0);
        QVERIFY(rig.only(u"error"_s).isEmpty());
        rig.run({u"HOST 127.0.0.1"_s, u"WAIT \"#\""_s});
        QCOMPARE(rig.engine.LastFailure(), TarnTelnet::Failure::None);
    }

    // A run keeps at most MaxAnswer received bytes (64 here); past them the
    // answer is dropped, the connection closed and the run failed, once.
    void answerTooLong_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("ended"); // the script completed first, its connection kept open
        QTest::addColumn<QList<QByteArray>>("pieces");
        QTest::addColumn<int>("tooLongAt"); // bytes received when it failed; 0: it completes
        const QByteArray ten(10, 'x');
        QTest::newRow("one piece past the bound")
            << 0 << false << QList<QByteArray>{"login: ", QByteArray(70, 'x')} << 77;
        QTest::newRow("the bound passed in pieces") << 0 << false << QList<QByteArray>(7, ten) << 70;
        QTest::newRow("the bound itself") << 0 << false << QList<QByteArray>{QByteArray(61, 'x'), "END"} << 0;
        QTest::newRow("mode 2 logs no piece past it")
            << 2 << false << QList<QByteArray>{ten, QByteArray(60, 'x')} << 70;
        QTest::newRow("after the end, connection kept")
            << 0 << true << QList<QByteArray>{"END", QByteArray(70, 'x')} << 73;
    }

    void answerTooLong() {
        QFETCH(int, mode);
        QFETCH(bool, ended);
        QFETCH(QList<QByteArray>, pieces);
        QFETCH(int, tooLongAt);
        EngineRig rig;
        rig.engine.setMode(mode);
        rig.engine.setWaitForReboot(ended);
        rig.engine.setMaxAnswer(64);
        const QStringList script{u"HOST 127.0.0.1"_s, u"WAIT \"END\""_s};
        rig.runConnected(script);
        for (const QByteArray& piece : pieces)
            rig.main->receive(piece);
        if (tooLongAt == 0) {
            QCOMPARE(rig.only(u"complete"_s).size(), 1);
            QCOMPARE(rig.engine.LastFailure(), TarnTelnet::Failure::None);
            return;
        }
        QStringList expected{
            u"log Answer too long: %1 bytes received, more than the 64 a run may keep."_s.arg(tooLongAt),
            u"log Closed connection."_s};
        if (!ended)
            expected << u"error"_s;
        QCOMPARE(rig.events.mid(rig.events.size() - expected.size()), expected);
        QCOMPARE(rig.only(u"complete"_s).size() + rig.only(u"error"_s).size(), 1);
        QCOMPARE(rig.engine.LastFailure(), TarnTelnet::Failure::TooLong);
        QCOMPARE(rig.main->state, int(TarnSocket::StateClosed));
        QVERIFY(!rig.engine.ConsoleLog().contains(QString(20, u'x')));
        // The count starts again with the next run.
        rig.runConnected(script);
        rig.main->receive(QByteArray(61, 'x') + "END");
        QCOMPARE(rig.events.last(), u"complete"_s);
    }

    // A host that gives a run up has its connection closed before the answer so
    // far is moved into the record, and may then free everything the run holds.
    void givingUpClosesFirstAndFreesTheRun() {
        EngineRig rig;
        rig.runConnected({u"HOST 127.0.0.1"_s, u"WAIT \"login\""_s, u"SEND \"cat big\\n\""_s, u"WAIT \"END\""_s});
        rig.main->receive("login: ");
        rig.main->receive("cat big\r\npart of the answer");
        int stateWhenFlushed = -1;
        connect(&rig.engine, &TarnTelnet::LogUpdate, this, [&](const QString& line) {
            if (line.endsWith(u"part of the answer"_s))
                stateWhenFlushed = rig.main->state;
        });
        rig.engine.AbortScript();
        QCOMPARE(stateWhenFlushed, int(TarnSocket::StateClosed));
        QCOMPARE(rig.conversation().last(), u"cat big¤part of the answer"_s);
        rig.engine.DiscardRun();
        QCOMPARE(rig.conversation(), QStringList{QString()});
        QVERIFY(rig.engine.ConsoleLog().isEmpty());
    }

    void logCarriesStampsOnlyInLogUpdate() {
        EngineRig rig;
        rig.milliseconds = 5000;
        rig.run({u"HOST 127.0.0.1"_s, u"WAIT \"x\""_s, u"ECHO \"late\""_s});
        rig.milliseconds += 62'250;
        rig.main->accept();
        rig.main->receive("x");
        QCOMPARE(rig.stampedLog.first(), u"00:00:000 Running script"_s);
        QCOMPARE(rig.stampedLog.at(2), u"01:02:250 late"_s);
        QCOMPARE(rig.engine.ConsoleLog(), u"Running script\r\nOpening connection\r\nlate\r\nEnd of script\r\nx\r\n"
                                          u"Closed connection.\r\n"_s);
    }

    void formatElapsed_data() {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("stamp");
        QTest::newRow("hours dropped") << 3725.5 << u"02:05:500"_s;
        QTest::newRow("milliseconds padded") << 0.0052 << u"00:00:005"_s;
        QTest::newRow("milliseconds round up to 1000") << 1.9997 << u"00:01:1000"_s;
        QTest::newRow("past nine hours") << 40000.25 << u"06:40:250"_s;
    }

    void formatElapsed() {
        QFETCH(double, seconds);
        QTEST(TarnText::FormatElapsed(seconds), "stamp");
    }

    void destroyingWhileConnectedClosesAndLogs() {
        QStringList logged;
        {
            EngineRig rig;
            QObject::connect(&rig.engine, &TarnTelnet::LogUpdate, [&logged](const QString& l) { logged << l; });
            rig.runConnected({u"HOST 127.0.0.1"_s, u"WAIT \"never\""_s});
            rig.main->receive("partial answer");
            logged.clear();
        }
        QCOMPARE(logged.size(), 2);
        QVERIFY(logged.at(0).endsWith(u" partial answer"_s));
        QVERIFY(logged.at(1).endsWith(u" Closed connection."_s));
    }

    // A control that never ran holds one empty entry, and goes without a word.
    void unusedControl() {
        QStringList logged;
        {
            EngineRig rig;
            QObject::connect(&rig.engine, &TarnTelnet::LogUpdate, [&logged](const QString& l) { logged << l; });
            QCOMPARE(rig.conversation(), QStringList{QString()});
        }
        QVERIFY(logged.isEmpty());
    }

    void junkScriptLinesNeverCrash_data() {
        QTest::addColumn<QString>("line");
        QString binary;
        for (int c = 0; c < 256; ++c)
            binary += QChar(c);
        QTest::newRow("every byte value") << binary;
        QTest::newRow("very long line") << u"SEND \""_s + QString(200'000, u'x') + u'"';
        QTest::newRow("unbalanced quotes") << u"ECHO \"a\"b\"c"_s;
        QTest::newRow("lone quote") << u"ECHO \""_s;
        QTest::newRow("huge delay") << u"DELAY 1e308"_s;
        QTest::newRow("lone carriage return") << u"SEND \"a\rb\""_s;
    }

    // Whatever a line holds, the script ends in one of its documented ways and
    // the log says why.
    void junkScriptLinesNeverCrash() {
        QFETCH(QString, line);
        EngineRig rig;
        rig.main->state = TarnSocket::StateConnected;
        rig.run({u"ECHO \"start\""_s, line, u"ECHO \"end\""_s});
        QVERIFY(!rig.logLines().isEmpty());
        const QString last = rig.events.last();
        QVERIFY2(last == u"complete" || last.startsWith(u"error") || last.startsWith(u"log Cannot"), qPrintable(last));
    }

    void junkFromTheServerIsKept() {
        EngineRig rig;
        rig.runConnected({u"HOST 127.0.0.1"_s, u"WAIT \"end\""_s, u"SEND \"x\""_s});
        QByteArray junk(4096, char(0xFF));
        for (int b = 0; b < 256; ++b)
            junk.append(char(b));
        rig.main->receive(junk);
        rig.main->receive("end");
        const QString entry0 = rig.conversation().first();
        QCOMPARE(entry0.size(), 2 + junk.size() + 3);
        QCOMPARE(entry0.mid(2, junk.size()), QString::fromLatin1(junk));
    }
};

QTEST_GUILESS_MAIN(TestTarnTelnet)
#include "tst_tarntelnet.moc"
