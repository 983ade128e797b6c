// SPDX-License-Identifier: MIT
// The real telnet peer, busybox telnetd with login and ash as routers run it.
// What it sends, as seen here (busybox 1.35, loopback):
//  - at once on connect: IAC DO ECHO, IAC DO NAWS, IAC WILL ECHO, IAC WILL SGA
//    (ff fd 01 ff fd 1f ff fb 01 ff fb 03), then "\r\r\n" and "router login: ",
//    often as separate pieces;
//  - the user name echoed with CR LF, then "Password: " as its own piece;
//  - the password not echoed, only "\r\n"; then the shell banner and the prompt
//    "/var # " followed by ESC [6n, which ash sends after every prompt;
//  - the echo of a command line is often cut in two at a varying place (ash
//    echoes what it has read so far), and the answer may be cut anywhere, also
//    inside the no_where line; tabs in files arrive expanded to spaces;
//  - an unknown command gives "-sh: NAME: not found";
//  - a wrong password gives "\r\n", about 3 s of silence, then
//    "Login incorrect\r\nrouter login: ".
#include <QTest>

#include "BusyboxRouter.h"
#include "LineClient.h"
#include "Peers.h"
#include "StatsDialogue.h"

using namespace StatsDialogue;

class TestBusyboxRouter : public QObject {
    Q_OBJECT

private:
    BusyboxRouter m_router;

private slots:
    void init() { LW_REQUIRE_PEER(m_router.start(), m_router.whyUnavailable()); }

    void cleanup() { m_router.stop(); }

    void statisticsDialogue() {
        LineClient client;
        QVERIFY(client.connectTo(m_router.port()));
        QVERIFY(client.waitFor(LoginPrompt));
        QCOMPARE(client.received(), Negotiation + LoginPrompt);
        client.send("root\r\n");
        QVERIFY(client.waitFor("root\r\nPassword: "));
        client.send("Mango\r\n");
        QVERIFY(client.waitFor(Prompt));
        QVERIFY(!client.received().contains("Mango"));

        client.send(Command().toLatin1() + "\r\n");
        QVERIFY(client.waitFor("\r\n" + NoWhereLine() + Prompt));
        const QByteArray& all = client.received();
        const QByteArray answer = all.mid(all.indexOf(Command().toLatin1() + "\r\n"));
        QVERIFY(answer.contains(RatesLine));
        QVERIFY(answer.contains("DS Margin:"));

        client.send("foo\r\n");
        QVERIFY(client.waitFor("-sh: foo: not found\r\n" + Prompt));
    }

    void wrongPassword() {
        LineClient client;
        QVERIFY(client.connectTo(m_router.port()));
        QVERIFY(client.waitFor("router login: "));
        client.send("root\r\n");
        QVERIFY(client.waitFor("Password: "));
        client.send("mango\r\n");
        QVERIFY(client.waitFor("\r\nLogin incorrect\r\nrouter login: ", 15000));
        QVERIFY(!client.received().contains(Prompt));
    }
};

QTEST_GUILESS_MAIN(TestBusyboxRouter)
#include "tst_busybox_router.moc"
