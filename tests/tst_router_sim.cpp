// SPDX-License-Identifier: MIT
// router-sim as a peer: what it sends, byte for byte, and how its options cut
// and break the dialogue.
#include <QTest>

#include "LineClient.h"
#include "Peers.h"
#include "RouterSim.h"
#include "StatsDialogue.h"

using namespace StatsDialogue;

namespace {

// Logs in and waits for the first shell prompt.
bool logIn(LineClient& client, const QByteArray& user = "root", const QByteArray& password = "Mango") {
    if (!client.waitFor("login: "))
        return false;
    client.send(user + "\r\n");
    if (!client.waitFor("Password: "))
        return false;
    client.send(password + "\r\n");
    return client.waitFor(Prompt);
}

} // namespace

class TestRouterSim : public QObject {
    Q_OBJECT

private:
    // The whole dialogue of the statistics script against a router with these options.
    QByteArray statsDialogue(const QStringList& options) {
        RouterSim sim;
        if (!sim.start(options)) {
            qWarning("router-sim did not start: %s", qPrintable(sim.error()));
            return {};
        }
        LineClient client;
        if (!client.connectTo(sim.port()) || !logIn(client))
            return {};
        client.send(Command().toLatin1() + "\r\n");
        if (!client.waitFor(NoWhereLine() + Prompt))
            return {};
        return client.received();
    }
    QByteArray m_plainDialogue;

private slots:
    void initTestCase() {
        m_plainDialogue = statsDialogue({});
        QVERIFY(!m_plainDialogue.isEmpty());
    }

    void typeAheadIsDropped() {
        RouterSim sim;
        QVERIFY2(sim.start({"--greeting-delay-ms", "300"}), qPrintable(sim.error()));
        LineClient client;
        QVERIFY(client.connectTo(sim.port()));
        client.send("early\r\n");
        QVERIFY(client.waitFor(LoginPrompt));
        QCOMPARE(client.received(), Negotiation + LoginPrompt);
        client.send("root\r\n");
        QVERIFY(client.waitFor("Password: "));
        QCOMPARE(client.received(), Negotiation + LoginPrompt + "root\r\nPassword: ");
    }

    void dialogue() {
        const QByteArray& d = m_plainDialogue;
        QVERIFY(d.startsWith(Negotiation + LoginPrompt + "root\r\nPassword: \r\n"));
        QVERIFY2(!d.contains("Mango"), "the password is never echoed");
        const qsizetype echo = d.indexOf(Command().toLatin1() + "\r\n");
        QVERIFY(echo > 0);
        QVERIFY(d.lastIndexOf(Prompt, echo) > 0);
        const QByteArray answer = d.mid(echo + Command().toLatin1().size() + 2);
        QVERIFY(answer.contains(RatesLine));
        QVERIFY(answer.contains("DS Margin:"));
        QVERIFY(answer.contains("US Margin:"));
        QVERIFY(!answer.contains('\t'));
        QVERIFY(answer.endsWith("\r\n" + NoWhereLine() + Prompt));
        QCOMPARE(answer.count('\n'), answer.count("\r\n"));
    }

    void piecesGiveTheSameBytes_data() {
        QTest::addColumn<QStringList>("options");
        QTest::newRow("one byte pieces apart") << QStringList{"--chunk", "1", "--piece-delay-ms", "1"};
        QTest::newRow("seven byte pieces apart") << QStringList{"--chunk", "7", "--piece-delay-ms", "2"};
        QTest::newRow("split at offsets") << QStringList{"--split-at", "1,5,40,100", "--piece-delay-ms", "2"};
        QTest::newRow("split echo") << QStringList{"--split-echo", "3", "--piece-delay-ms", "2"};
        QTest::newRow("everything at once") << QStringList{"--chunk", "3", "--split-at", "2", "--split-echo", "4"};
    }

    void piecesGiveTheSameBytes() {
        QFETCH(QStringList, options);
        QCOMPARE(statsDialogue(options), m_plainDialogue);
    }

    void splitEchoCutsTheEcho() {
        // With a pause between pieces the first piece after the command is exactly
        // the first K characters of its echo.
        RouterSim sim;
        QVERIFY2(sim.start({"--split-echo", "11", "--piece-delay-ms", "50"}), qPrintable(sim.error()));
        LineClient client;
        QVERIFY(client.connectTo(sim.port()));
        QVERIFY(logIn(client));
        const qsizetype before = client.received().size();
        client.send(Command().toLatin1() + "\r\n");
        QVERIFY(client.anythingWithin(5000));
        QCOMPARE(client.received().mid(before), Command().toLatin1().left(11));
        QVERIFY(client.waitFor(NoWhereLine() + Prompt));
    }

    void login_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("user");
        QTest::addColumn<QByteArray>("password");
        QTest::addColumn<bool>("accepted");
        const QStringList fast{"--login-delay-ms", "20"};
        QTest::newRow("defaults") << fast << QByteArray("root") << QByteArray("Mango") << true;
        QTest::newRow("wrong password") << fast << QByteArray("root") << QByteArray("mango") << false;
        QTest::newRow("wrong user") << fast << QByteArray("admin") << QByteArray("Mango") << false;
        QTest::newRow("other password") << fast + QStringList{"--password", "Kiwi"} << QByteArray("root")
                                        << QByteArray("Kiwi") << true;
        QTest::newRow("old password refused")
            << fast + QStringList{"--password", "Kiwi"} << QByteArray("root") << QByteArray("Mango") << false;
        QTest::newRow("other user") << fast + QStringList{"--user", "admin"} << QByteArray("admin")
                                    << QByteArray("Mango") << true;
    }

    void login() {
        QFETCH(QStringList, options);
        QFETCH(QByteArray, user);
        QFETCH(QByteArray, password);
        QFETCH(bool, accepted);
        RouterSim sim;
        QVERIFY2(sim.start(options), qPrintable(sim.error()));
        LineClient client;
        QVERIFY(client.connectTo(sim.port()));
        QVERIFY(client.waitFor("login: "));
        client.send(user + "\r\n");
        QVERIFY(client.waitFor(user + "\r\nPassword: "));
        client.send(password + "\r\n");
        if (accepted) {
            QVERIFY(client.waitFor(Prompt));
            return;
        }
        QVERIFY(client.waitFor("\r\nLogin incorrect\r\nrouter login: "));
        QVERIFY(!client.received().contains(Prompt));
        // The router asks again, and the right credentials still get in.
        client.send("root\r\n");
        QVERIFY(client.waitFor("Password: "));
    }

    void lineEnds_data() {
        QTest::addColumn<QByteArray>("lineEnd");
        QTest::newRow("CR LF") << QByteArray("\r\n");
        QTest::newRow("CR NUL") << QByteArray("\r\0", 2);
        QTest::newRow("CR") << QByteArray("\r");
        QTest::newRow("LF") << QByteArray("\n");
    }

    void lineEnds() {
        QFETCH(QByteArray, lineEnd);
        RouterSim sim;
        QVERIFY2(sim.start(), qPrintable(sim.error()));
        LineClient client;
        QVERIFY(client.connectTo(sim.port()));
        QVERIFY(logIn(client));
        client.send("foo" + lineEnd + "bar" + lineEnd);
        QVERIFY(client.waitFor("bar: not found\r\n" + Prompt));
        QCOMPARE(client.received().mid(client.received().indexOf(Prompt) + Prompt.size()),
                 "foo\r\n-sh: foo: not found\r\n" + Prompt + "bar\r\n-sh: bar: not found\r\n" + Prompt);
    }

    void junkIsSurvived() {
        RouterSim sim;
        QVERIFY2(sim.start(), qPrintable(sim.error()));
        LineClient client;
        QVERIFY(client.connectTo(sim.port()));
        QVERIFY(logIn(client));
        const qsizetype before = client.received().size();
        // Telnet answers and a subnegotiation are skipped, IAC IAC is a 255 byte,
        // and a line longer than 64 KiB is dropped whole.
        client.send(QByteArray::fromHex("fffb1ffffa1f00500018fff0fffd01") + "f\xff\xffoo\r\n");
        client.send(QByteArray(70000, 'x') + "\r\n");
        client.send("bar\r\n");
        QVERIFY(client.waitFor("bar: not found\r\n" + Prompt));
        QCOMPARE(client.received().mid(before),
                 "f\xffoo\r\n-sh: f\xffoo: not found\r\n" + Prompt + "bar\r\n-sh: bar: not found\r\n" + Prompt);
    }

    void statsFile() {
        const QString file = Peers::sourceDir() + "/tools/router-sim/wrapped-margins-stats.txt";
        const QByteArray answer = statsDialogue({"--stats", file});
        QVERIFY(answer.contains("        DS Line Attenuation:    21.5    DS Margin:      2147483658\r\n"));
        QVERIFY(answer.endsWith(NoWhereLine() + Prompt));

        RouterSim sim;
        QVERIFY(!sim.start({"--stats", file + ".missing"}));
        QVERIFY(sim.error().contains("cannot read"));
    }

    void closeMidAnswer() {
        RouterSim sim;
        QVERIFY2(sim.start({"--close-mid-answer"}), qPrintable(sim.error()));
        LineClient client;
        QVERIFY(client.connectTo(sim.port()));
        QVERIFY(logIn(client));
        client.send(Command().toLatin1() + "\r\n");
        QVERIFY(client.waitFor(Command().toLatin1() + "\r\n"));
        QVERIFY(client.waitForClose());
        const QByteArray answer = client.sinceMark();
        QVERIFY(answer.contains("Connection Rate:"));
        QVERIFY(!answer.contains("no_where"));
        QVERIFY(!answer.contains(Prompt));
    }

    void silent() {
        RouterSim sim;
        QVERIFY2(sim.start({"--silent"}), qPrintable(sim.error()));
        LineClient client;
        QVERIFY(client.connectTo(sim.port()));
        client.send("root\r\n");
        QVERIFY(!client.anythingWithin(300));
        QCOMPARE(client.socket().state(), QAbstractSocket::ConnectedState);
    }

    void concurrentConnections() {
        RouterSim sim;
        QVERIFY2(sim.start(), qPrintable(sim.error()));
        LineClient first;
        LineClient second;
        QVERIFY(first.connectTo(sim.port()));
        QVERIFY(second.connectTo(sim.port()));
        QVERIFY(logIn(first));
        QVERIFY(logIn(second, "root", "Mango"));
        second.send("exit\r\n");
        QVERIFY(second.waitForClose());
        first.send(Command().toLatin1() + "\r\n");
        QVERIFY(first.waitFor(NoWhereLine() + Prompt));
    }

    // Help goes to standard output and is no error; bad usage is status 3.
    void usage_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("said"); // on standard output for status 0, else on standard error
        QTest::newRow("--help") << QStringList{"--help"} << 0 << QByteArray("--close-mid-answer");
        QTest::newRow("unknown option") << QStringList{"--loud"} << 3 << QByteArray("Unknown option 'loud'");
        QTest::newRow("number out of range")
            << QStringList{"--chunk", "0"} << 3 << QByteArray("--chunk wants a number");
    }

    void usage() {
        QFETCH(QStringList, options);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, said);
        QProcess process;
        process.start(Peers::binDir() + QStringLiteral("/router-sim"), options);
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitCode(), exitCode);
        const QByteArray out = process.readAllStandardOutput();
        const QByteArray err = process.readAllStandardError();
        QVERIFY2((exitCode == 0 ? out : err).contains(said), out + err);
        QVERIFY((exitCode == 0 ? err : out).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestRouterSim)
#include "tst_router_sim.moc"
