// SPDX-License-Identifier: MIT
// The FTP upload channel of mode 2 against fake sockets: reading the "227"
// reply, the order of lines and events of an upload, and every way the data
// side fails.
#include <QTemporaryDir>
#include <QTest>

#include "EngineRig.h"
#include "FileBytes.h"

using namespace Qt::StringLiterals;

namespace {

// The upload part of a mode-2 script (see FtpServer.h for why it is shaped so).
QStringList uploadScript(const QString& path) {
    return {u"HOST 127.0.0.1 2121"_s,  u"WAIT \"220\""_s,
            u"SEND \"PASV\\n\""_s,     u"WAIT \"227\""_s,
            u"STOR \"up.bin\\n\""_s,   u"WAIT \"226\""_s,
            u"PUT \"%1\""_s.arg(path), u"WAIT \"226\""_s,
            u"SEND \"QUIT\\n\""_s,     u""_s};
}

const QByteArray PassiveReply = "227 Entering passive mode (127,0,0,1,4,1).\r\n";

// Runs the script in mode 2 up to the PASV command.
void startUpload(EngineRig& rig, const QString& path) {
    rig.engine.setMode(2);
    rig.runConnected(uploadScript(path));
    rig.main->receive("220 ready\r\n");
}

QStringList withoutProgress(QStringList events) {
    events.removeIf([](const QString& e) { return e.startsWith(u"progress "); });
    return events;
}

// The events after the first `from` of them.
QStringList eventsSince(const EngineRig& rig, qsizetype from) {
    return withoutProgress(rig.events.mid(from));
}

} // namespace

class TestTarnFtp : public QObject {
    Q_OBJECT

private slots:
    // The data connection goes to the server the control connection reached
    // (127.0.0.1 here), whatever address the reply names.
    void passiveReply_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("host"); // the address named; empty: the reply is rejected
        QTest::addColumn<int>("port");
        QTest::newRow("example") << QByteArray("227 Entering Passive Mode (10,0,0,2,4,1)\r\n") << u"10.0.0.2"_s << 1025;
        QTest::newRow("highest port") << QByteArray("227 x (127,0,0,1,255,255)\r\n") << u"127.0.0.1"_s << 65535;
        QTest::newRow("parenthesis then dot") << PassiveReply << u"127.0.0.1"_s << 1025;
        QTest::newRow("no line break") << QByteArray("227 (192,168,1,1,0,21)") << u"192.168.1.1"_s << 21;
        QTest::newRow("no parentheses") << QByteArray("227 Entering Passive Mode 10,0,0,2,4,1\r\n") << u""_s << 0;
        QTest::newRow("no closing parenthesis") << QByteArray("227 Entering (10,0,0,2,4,1\r\n") << u""_s << 0;
        QTest::newRow("five numbers") << QByteArray("227 Entering (10,0,0,2,4)\r\n") << u""_s << 0;
        QTest::newRow("seven numbers") << QByteArray("227 Entering (10,0,0,2,4,1,9)\r\n") << u""_s << 0;
        QTest::newRow("256") << QByteArray("227 Entering (10,0,0,256,4,1)\r\n") << u""_s << 0;
        QTest::newRow("negative") << QByteArray("227 Entering (10,0,0,2,-4,1)\r\n") << u""_s << 0;
        QTest::newRow("word") << QByteArray("227 Entering (10,0,zero,2,4,1)\r\n") << u""_s << 0;
        QTest::newRow("empty number") << QByteArray("227 Entering (10,0,0,2,,1)\r\n") << u""_s << 0;
    }

    void passiveReply() {
        QFETCH(QByteArray, reply);
        QFETCH(QString, host);
        QFETCH(int, port);
        EngineRig rig;
        startUpload(rig, u"/nowhere"_s);
        const qsizetype before = rig.events.size();
        rig.main->receive(reply);
        const QString shown = Escape::OneLine(QString::fromLatin1(reply));
        if (!host.isEmpty()) {
            QCOMPARE(rig.data->remoteHost, u"127.0.0.1"_s);
            QCOMPARE(rig.data->remotePort, port);
            QCOMPARE(rig.data->connectCount, 1);
            QStringList expected{u"log "_s + shown, u"log Connecting to 127.0.0.1:%1"_s.arg(port),
                                 u"sent STOR up.bin\\r\\n"_s};
            if (host != u"127.0.0.1")
                expected.insert(1, u"log The passive-mode reply names %1, not the server at 127.0.0.1: the data "
                                   u"connection goes to the server."_s.arg(host));
            QCOMPARE(eventsSince(rig, before), expected);
            return;
        }
        // Nothing connects to a made-up address, and the matched WAIT "227" does
        // not go on with STOR, nor end the script as if it had succeeded.
        const QString withoutBreaks = QString::fromLatin1(reply).remove(u"\r\n"_s);
        const QStringList expected{u"log "_s + shown,
                                   u"log Invalid passive-mode reply: "_s + Escape::OneLine(withoutBreaks),
                                   u"log Aborting script"_s, u"log Closed connection."_s};
        QCOMPARE(eventsSince(rig, before), expected);
        QCOMPARE(rig.data->connectCount, 0);
        QCOMPARE(rig.main->state, int(TarnSocket::StateClosed));
        QCOMPARE(rig.engine.LastFailure(), TarnTelnet::Failure::FtpAborted);
    }

    void passiveReplyNotAtTheStartOfAPiece_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QList<QByteArray>>("pieces");
        const QByteArray reply = PassiveReply;
        QTest::newRow("split after its first digit") << 2 << QList<QByteArray>{reply.left(1), reply.mid(1)};
        QTest::newRow("after another reply in the piece") << 2 << QList<QByteArray>{"150 wait\r\n" + reply};
        QTest::newRow("after a blank") << 2 << QList<QByteArray>{" " + reply};
        QTest::newRow("mode 0") << 0 << QList<QByteArray>{reply};
    }

    void passiveReplyNotAtTheStartOfAPiece() {
        QFETCH(int, mode);
        QFETCH(QList<QByteArray>, pieces);
        EngineRig rig;
        rig.engine.setMode(mode);
        rig.runConnected(
            {u"HOST 127.0.0.1 2121"_s, u"WAIT \"220\""_s, u"SEND \"PASV\\n\""_s, u"WAIT \"never\""_s, u""_s});
        rig.main->receive("220 ready\r\n");
        for (const QByteArray& piece : pieces)
            rig.main->receive(piece);
        QCOMPARE(rig.data->connectCount, 0);
        QCOMPARE(rig.data->closeCount, 0);
        QVERIFY(!rig.engine.ConsoleLog().contains(u"Connecting to"_s));
    }

    void fullUpload() {
        QTemporaryDir dir;
        QByteArray content;
        for (int b = 0; b < 256; ++b)
            content += char(b);
        const QString path = dir.filePath(u"up.bin"_s);
        QVERIFY(writeFile(path, content));

        EngineRig rig;
        rig.peer = [&rig](const QByteArray& bytes) {
            if (bytes.startsWith("STOR "))
                rig.main->postReceive("150 Ok to send data.\r\n");
        };
        startUpload(rig, path);
        rig.main->receive(PassiveReply);
        rig.data->accept();
        QCOMPARE(rig.data->allSent(), content);
        // Sent is not yet read: the end of the file is marked, and the upload
        // counts once the server has closed in turn.
        QVERIFY(rig.data->sendingClosed);
        QVERIFY(rig.only(u"ftp sent"_s).isEmpty());
        rig.data->peerClose();
        rig.main->receive("226 Transfer complete.\r\n");

        const QStringList expected{
            u"log Running script"_s,
            u"log Opening connection"_s,
            u"log 220 ready\\r\\n"_s,
            u"sent PASV\\r\\n"_s,
            u"log >PASV\\r\\n"_s,
            u"log 227 Entering passive mode (127,0,0,1,4,1).\\r\\n"_s,
            u"log Connecting to 127.0.0.1:1025"_s,
            u"sent STOR up.bin\\r\\n"_s, // started by the matched WAIT "227"
            u"log 150 Ok to send data.\\r\\n"_s,
            u"log Winsock data connection started. Going to next line."_s, // starts PUT
            u"log Sending file: "_s + path,
            u"data sent 256 bytes"_s,
            u"ftp sent "_s + path, // the host hears of it before the log line
            u"log File sent via FTP."_s,
            u"log 226 Transfer complete.\\r\\n"_s,
            u"sent QUIT\\r\\n"_s,
            u"log >QUIT\\r\\n"_s,
            u"log End of script"_s,
            u"log Closed connection."_s,
            u"complete"_s,
        };
        QCOMPARE(withoutProgress(rig.events), expected);
        QCOMPARE(rig.data->state, int(TarnSocket::StateClosed));
        QCOMPARE(rig.conversation(), QStringList({u"PASV¤"_s, u"STOR up.bin¤"_s, u"QUIT¤"_s}));
    }

    void refusedDataConnectionAborts() {
        EngineRig rig;
        startUpload(rig, u"/nowhere"_s);
        rig.main->receive(PassiveReply);
        const qsizetype before = rig.events.size();
        rig.data->fail(TarnSocket::ConnectionRefused, u"Connection refused"_s);
        const QStringList expected{u"log Winsock Data Error - 10061 : Connection refused"_s,
                                   u"log Unable to access the router via FTP."_s, u"log Aborting script"_s,
                                   u"log Closed connection."_s};
        QCOMPARE(eventsSince(rig, before), expected);
        QCOMPARE(rig.main->state, int(TarnSocket::StateClosed));
        QCOMPARE(rig.data->state, int(TarnSocket::StateClosed));
        rig.main->receive("226 Transfer complete.\r\n"); // too late: the connection is closed
        QCOMPARE(rig.events.size(), before + expected.size());
        QCOMPARE(rig.engine.LastFailure(), TarnTelnet::Failure::FtpAborted);
    }

    // A server that stops reading closes the data connection before the file's
    // end (a reset once the whole file is with the network): not a sent file.
    void uploadCutShort_data() {
        QTest::addColumn<bool>("allHandedOver"); // every byte was with the network first
        QTest::addColumn<QStringList>("expected");
        const QString cut = u"log The server closed the data connection before the whole file was sent."_s;
        QTest::newRow("closed while sending")
            << false << QStringList{cut, u"log Aborting script"_s, u"log Closed connection."_s};
        QTest::newRow("reset after the end of the file")
            << true
            << QStringList{u"log Winsock Data Error - 10054 : Connection reset by peer"_s, cut,
                           u"log Aborting script"_s, u"log Closed connection."_s};
    }

    void uploadCutShort() {
        QFETCH(bool, allHandedOver);
        QFETCH(QStringList, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"up.bin"_s);
        QVERIFY(writeFile(path, QByteArray(200 * 1024, 'x')));
        EngineRig rig;
        rig.data->postSendComplete = allHandedOver;
        startUpload(rig, path);
        rig.main->receive(PassiveReply);
        rig.data->accept();
        QCOMPARE(rig.data->sendingClosed, allHandedOver);
        const qsizetype before = rig.events.size();
        if (allHandedOver)
            rig.data->fail(TarnSocket::ConnectionReset, u"Connection reset by peer"_s);
        else
            rig.data->peerClose();
        QCOMPARE(eventsSince(rig, before), expected);
        QVERIFY(rig.only(u"ftp sent"_s).isEmpty());
        QCOMPARE(rig.engine.LastFailure(), TarnTelnet::Failure::FtpAborted);
        rig.main->receive("226 Transfer complete.\r\n"); // a server that claims otherwise changes nothing
        QCOMPARE(rig.events.size(), before + expected.size());
    }

    // A data connection left from an earlier upload that will not close: the
    // wait is bounded on the engine's clock, then the line's error path runs.
    void dataSocketThatWillNotCloseIsAnError() {
        EngineRig rig;
        startUpload(rig, u"/nowhere"_s);
        rig.data->state = TarnSocket::StateConnected;
        rig.data->closeTakesEffect = false;
        rig.clockStep = 100;
        const qint64 start = rig.milliseconds;
        const qsizetype before = rig.events.size();
        rig.main->receive(PassiveReply);
        QVERIFY(rig.milliseconds - start >= 3000);
        const QStringList expected{u"log "_s + Escape::OneLine(QString::fromLatin1(PassiveReply)), u"log Error 10060"_s,
                                   u"log The data connection did not close"_s, u"log Closed connection."_s, u"error"_s};
        QCOMPARE(eventsSince(rig, before), expected);
        QCOMPARE(rig.data->connectCount, 0);
    }

    void putOfAMissingFile_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("looked");
        QTest::newRow("missing") << u"missing.bin"_s << u"missing.bin"_s;
        // The file "\new.bin" exists, but the argument's escapes turn \n into CR LF.
        QTest::newRow("backslash-n in the path") << u"\\new.bin"_s << u"\r\new.bin"_s;
    }

    void putOfAMissingFile() {
        QFETCH(QString, name);
        QFETCH(QString, looked);
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath(u"\\new.bin"_s), "present"));

        EngineRig rig;
        startUpload(rig, dir.path() + u'/' + name);
        rig.main->receive(PassiveReply);
        const qsizetype before = rig.events.size();
        rig.data->accept();
        const QStringList expected{u"log Winsock data connection started. Going to next line."_s, u"log Error 53"_s,
                                   u"log File not found: "_s + Escape::OneLine(dir.path() + u'/' + looked),
                                   u"log Closed connection."_s, u"error"_s};
        QCOMPARE(eventsSince(rig, before), expected);
        QVERIFY(rig.data->sent.isEmpty());
        QCOMPARE(rig.data->state, int(TarnSocket::StateClosed));
    }

    void putWithoutDataConnection_data() {
        QTest::addColumn<int>("mode");
        QTest::newRow("mode 0") << 0;
        QTest::newRow("mode 2 before any 227 reply") << 2;
    }

    void putWithoutDataConnection() {
        QFETCH(int, mode);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"up.bin"_s);
        QVERIFY(writeFile(path, "bytes"));

        EngineRig rig;
        rig.engine.setMode(mode);
        rig.runConnected({u"HOST 127.0.0.1"_s, u"WAIT \"go\""_s, u"PUT \"%1\""_s.arg(path), u"WAIT \"226\""_s, u""_s});
        const qsizetype before = rig.events.size();
        rig.main->receive("go");
        // Mode 2 logs the piece as it comes, mode 0 when closing flushes it.
        QStringList events = eventsSince(rig, before);
        events.removeAll(u"log go"_s);
        const QStringList expected{u"log Error 40006"_s, u"log Cannot PUT - the data connection is not open."_s,
                                   u"log Closed connection."_s, u"error"_s};
        QCOMPARE(events, expected);
        QVERIFY(rig.data->sent.isEmpty());
        QCOMPARE(rig.main->state, int(TarnSocket::StateClosed));
    }
};

QTEST_GUILESS_MAIN(TestTarnFtp)
#include "tst_tarn_ftp.moc"
